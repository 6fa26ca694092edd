#pragma once

#include <QString>
#include <cstdlib>
#include <functional>

#include "app/application.h"
#include "platform/application_services.h"

// The application's services as the window suites want them: the input
// filter goes to the real application object when there is one, questions get
// the answer the test sets, the end of the process is whatever the test says
// (by default a real exit), and the desktop has a tray unless the test says.
class TestServices : public ApplicationServices {
  public:
    void setInputFilter(QObject* filter) override {
        if (auto* app = Application::current()) app->setInputFilter(filter);
        inputFilter = filter;
    }
    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override {
        return answer(owner, text, caption);
    }
    void exitProcess(int code) override { exit(code); }
    bool systemTrayAvailable() override { return trayAvailable; }

    QObject* inputFilter = nullptr;
    std::function<bool(QWidget*, const QString&, const QString&)> answer =
        [](QWidget*, const QString&, const QString&) { return false; };
    std::function<void(int)> exit = [](int code) { std::exit(code); };
    bool trayAvailable = true;
};
