#pragma once

#include <QApplication>
#include <QTranslator>
#include <functional>
#include <optional>

// One queued input message as the application-wide filter sees it, reduced to
// what a filter decides on. Codes and key numbers follow the classic desktop
// message numbering so that filter tables read the same on every toolkit.
struct AppMessage {
    enum Code : unsigned {
        ContextMenu = 0x7B,
        NcRButtonDown = 0xA4,
        NcRButtonDblClk = 0xA6,
        KeyDown = 0x100,
        SysKeyDown = 0x104,
        SysCommand = 0x112,
        RButtonDown = 0x204,
        RButtonDblClk = 0x206,
    };

    QObject* target = nullptr;  // the object the message is aimed at
    unsigned code = 0;
    int key = 0;               // virtual-key code for key messages, 0 otherwise
    bool controlDown = false;  // the Control key's state when the message was taken
    bool keyUp = false;        // the "key going up" flag of a key message
    bool autoRepeat = false;
};

// Filter installed as the application's message hook. `handled` arrives false;
// leaving it true drops the message.
using MessageFilter = std::function<void(const AppMessage& message, bool& handled)>;

// The application object: the one place where every queued input event passes
// before it is dispatched, and where exceptions escaping event handlers are shown.
class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);

    // The application-wide message hook: one replaceable slot.
    void SetOnMessage(MessageFilter filter) { OnMessage = std::move(filter); }
    bool HasOnMessage() const { return static_cast<bool>(OnMessage); }

    bool notify(QObject* receiver, QEvent* event) override;

    // Turns a toolkit event into the message record, or nothing for events no
    // filter looks at. Only events that came from the window system count, so
    // an event the browser engine forwards again is not seen twice.
    static std::optional<AppMessage> TranslateEvent(QObject* receiver, const QEvent* event);

    // Shows an exception's message the way the application shows every failure.
    static void ShowException(const QString& message);

    static TApplication* Instance();

    // Asks a Yes/No question in a message box owned by `owner`, without icon.
    // Replaceable so that tests can answer.
    static bool (*AskYesNo)(QWidget* owner, const QString& text, const QString& caption);

  private:
    MessageFilter OnMessage;
    // Qt's own texts (the Yes and No of message boxes) in the system's
    // language, so a box never mixes a Chinese question with English buttons.
    QTranslator qtTranslations_;
};
