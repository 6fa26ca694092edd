#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/shared_values.h"
#include "game/form2.h"
#include "game/form3.h"
#include "launcher/form1.h"
#include "tests/support/demo_site.h"

// The three windows as start-up makes them, on the real engine, with the demo
// site serving them; one set for a whole suite, as the engine starts once.
// The site's request log is kept in shots/site.log for a look after the run.
class RealWindowsFixture : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        site = new DemoSite;
        ASSERT_TRUE(site->Start()) << "the demo site did not start on " << deployment::StartPageHost
                                   << " (is the port taken?) " << site->Errors().toStdString();
        Form1 = new TForm1;
        Form2 = new TForm2;
        Form3 = new TForm3;
        Form1->show();
    }
    static void TearDownTestSuite() {
        QDir().mkpath(QStringLiteral("shots"));
        QFile record(QStringLiteral("shots/site.log"));
        if (record.open(QIODevice::WriteOnly)) record.write(site->Log().toUtf8());
        delete Form3;
        delete Form2;
        delete Form1;
        Form1 = nullptr;
        Form2 = nullptr;
        Form3 = nullptr;
        delete site;
        site = nullptr;
    }

    static inline DemoSite* site = nullptr;
};
