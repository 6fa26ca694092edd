#pragma once

class QObject;
class QString;
class QWidget;

// What the windows ask of the application that runs them: the one filter over
// the application's input, the Yes/No question, the end of the process, and
// whether the desktop has a tray. The application object provides them; tests
// stand in for it.
class ApplicationServices {
  public:
    virtual ~ApplicationServices() = default;

    // Makes `filter` the application's input filter in place of the one
    // before (see widgets/input_filter.h); null leaves none.
    virtual void setInputFilter(QObject* filter) = 0;
    // Asks in a message box owned by `owner`, without icon; true for Yes.
    virtual bool askYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
    // Ends the process through the runtime's normal exit path.
    virtual void exitProcess(int code) = 0;
    // Whether the desktop has a tray now; one can come and go.
    virtual bool systemTrayAvailable() = 0;
};
