#pragma once

#include <QApplication>
#include <QPointer>
#include <QTranslator>
#include <optional>

#include "platform/application_services.h"

// The application object: the one place where every queued input event passes
// before it is dispatched, and where exceptions escaping event handlers are shown.
class Application : public QApplication, public ApplicationServices {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);

    // The application-wide message hook: one replaceable slot.
    void SetOnMessage(MessageFilter filter) override { OnMessage = std::move(filter); }
    bool HasOnMessage() const { return static_cast<bool>(OnMessage); }
    bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    [[noreturn]] void ExitProcess(int code) override;
    bool SystemTrayAvailable() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Turns a toolkit event into the message record, or nothing for events no
    // filter looks at. Only events that came from the window system count, so
    // an event the browser engine forwards again is not seen twice.
    static std::optional<AppMessage> TranslateEvent(QObject* receiver, const QEvent* event);

    // Shows an exception's message the way the application shows every failure.
    static void ShowException(const QString& message);

    static Application* Instance();

  private:
    // Follows the input method's uncommitted text, so that key messages can
    // say whether their target is composing.
    void TrackComposition(QObject* receiver, const QEvent* event);

    MessageFilter OnMessage;
    // The object that holds an input method's uncommitted text, if any.
    QPointer<QObject> composingObject_;
    // Qt's own texts (the Yes and No of message boxes) in Chinese, the
    // language of every text of the client, whatever the system's locale: a
    // box never mixes a Chinese question with English buttons.
    QTranslator qtTranslations_;
};
