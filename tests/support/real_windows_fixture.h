#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <memory>

#include "app/application.h"
#include "app/session.h"
#include "tests/support/controls.h"
#include "tests/support/demo_site.h"

// The three windows as start-up makes them, on the real engine and the
// running application object, with the demo site serving them; one set for a
// whole suite, as the engine starts once. The site's request log is kept in
// shots/site.log for a look after the run.
class RealWindowsFixture : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        site = std::make_unique<DemoSite>();
        ASSERT_TRUE(site->Start())
            << "the demo site did not start on " << deployment::kStartPageHost
            << " (is the port taken?) " << site->Errors().toStdString();
        session = std::make_unique<Session>(*Application::current());
        launcher = session->launcher();
        game = session->game();
        notice = session->notice();
        launcher->show();
    }
    static void TearDownTestSuite() {
        QDir().mkpath(QStringLiteral("shots"));
        QFile record(QStringLiteral("shots/site.log"));
        if (record.open(QIODevice::WriteOnly)) record.write(site->Log().toUtf8());
        launcher = nullptr;
        game = nullptr;
        notice = nullptr;
        session.reset();
        site.reset();
    }

    static inline std::unique_ptr<DemoSite> site;
    static inline std::unique_ptr<Session> session;
    static inline LauncherWindow* launcher = nullptr;
    static inline GameWindow* game = nullptr;
    static inline ClosingNotice* notice = nullptr;
};
