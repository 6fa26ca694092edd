#pragma once

#include <QString>
#include <cstdlib>
#include <functional>

#include "app/application.h"
#include "platform/application_services.h"

// The application's services as the window suites want them: the message
// hook goes to the real application object when there is one, questions get
// the answer the test sets, the end of the process is whatever the test says
// (by default a real exit), and the desktop has a tray unless the test says.
class TestServices : public ApplicationServices {
  public:
    void SetOnMessage(MessageFilter filter) override {
        if (auto* app = Application::Instance()) app->SetOnMessage(filter);
        hook = std::move(filter);
    }
    bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override {
        return answer(owner, text, caption);
    }
    void ExitProcess(int code) override { exit(code); }
    bool SystemTrayAvailable() override { return trayAvailable; }

    MessageFilter hook;
    std::function<bool(QWidget*, const QString&, const QString&)> answer =
        [](QWidget*, const QString&, const QString&) { return false; };
    std::function<void(int)> exit = [](int code) { std::exit(code); };
    bool trayAvailable = true;
};
