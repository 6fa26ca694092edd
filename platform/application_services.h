#pragma once

#include "platform/app_message.h"

class QString;
class QWidget;

// What the windows ask of the application that runs them: the one
// application-wide message hook, the Yes/No question, the end of the
// process, and whether the desktop has a tray. The application object provides them; tests stand in
// for it.
class ApplicationServices {
  public:
    virtual ~ApplicationServices() = default;

    // Replaces the application-wide message filter.
    virtual void SetOnMessage(MessageFilter filter) = 0;
    // Asks in a message box owned by `owner`, without icon; true for Yes.
    virtual bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
    // Ends the process through the runtime's normal exit path.
    virtual void ExitProcess(int code) = 0;
    // Whether the desktop has a tray now; one can come and go.
    virtual bool SystemTrayAvailable() = 0;
};
