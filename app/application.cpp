#include "app/application.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <exception>

namespace {

int VirtualKeyOf(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return VirtualKey::LetterA + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return VirtualKey::Digit0 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VirtualKey::F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace:
            return VirtualKey::Back;
        case Qt::Key_Tab:
            return VirtualKey::Tab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VirtualKey::Return;
        case Qt::Key_Shift:
            return VirtualKey::Shift;
        case Qt::Key_Control:
            return VirtualKey::Control;
        case Qt::Key_Alt:
            return VirtualKey::Menu;
        case Qt::Key_Escape:
            return VirtualKey::Escape;
        case Qt::Key_Space:
            return VirtualKey::Space;
        case Qt::Key_PageUp:
            return VirtualKey::Prior;
        case Qt::Key_PageDown:
            return VirtualKey::Next;
        case Qt::Key_End:
            return VirtualKey::End;
        case Qt::Key_Home:
            return VirtualKey::Home;
        case Qt::Key_Left:
            return VirtualKey::Left;
        case Qt::Key_Up:
            return VirtualKey::Up;
        case Qt::Key_Right:
            return VirtualKey::Right;
        case Qt::Key_Down:
            return VirtualKey::Down;
        case Qt::Key_Insert:
            return VirtualKey::Insert;
        case Qt::Key_Delete:
            return VirtualKey::Delete;
        default:
            return 0;
    }
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    if (qtTranslations_.load(
            QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China),
            QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTranslations_);
}

bool Application::AskYesNo(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

void Application::ExitProcess(int code) {
    std::exit(code);
}

bool Application::SystemTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

Application* Application::Instance() {
    return qobject_cast<Application*>(QCoreApplication::instance());
}

std::optional<AppMessage> Application::TranslateEvent(QObject* receiver, const QEvent* event) {
    // Qt passes a window-system event through notify twice: first to the
    // native window, then to the widget. The widget delivery is the message.
    if (!event->spontaneous() || !receiver->isWidgetType()) return std::nullopt;
    AppMessage message;
    message.target = receiver;
    switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<const QKeyEvent*>(event);
            // Alt turns a key press into a system key, which the filters leave alone.
            message.code =
                (key->modifiers() & Qt::AltModifier) ? AppMessage::SysKeyDown : AppMessage::KeyDown;
            message.key = VirtualKeyOf(key->key());
            message.controlDown = key->modifiers() & Qt::ControlModifier;
            message.autoRepeat = key->isAutoRepeat();
            return message;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (mouse->button() != Qt::RightButton) return std::nullopt;
            message.code = event->type() == QEvent::MouseButtonPress ? AppMessage::RButtonDown
                                                                     : AppMessage::RButtonDblClk;
            return message;
        }
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (mouse->button() != Qt::RightButton) return std::nullopt;
            message.code = event->type() == QEvent::NonClientAreaMouseButtonPress
                               ? AppMessage::NcRButtonDown
                               : AppMessage::NcRButtonDblClk;
            return message;
        }
        case QEvent::ContextMenu:
            message.code = AppMessage::ContextMenu;
            return message;
        default:
            return std::nullopt;
    }
}

void Application::TrackComposition(QObject* receiver, const QEvent* event) {
    if (event->type() != QEvent::InputMethod) return;
    // The input method tells its focus object the text it composes with every
    // change; an event without it ends the composition (committed or dropped).
    if (!static_cast<const QInputMethodEvent*>(event)->preeditString().isEmpty()) {
        composingObject_ = receiver;
    } else if (composingObject_ == receiver) {
        composingObject_ = nullptr;
    }
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        TrackComposition(receiver, event);
        // A modal box runs a message loop of its own, which hands nothing to
        // the hook: keys typed at the box must not act on the windows behind it.
        if (OnMessage && !QApplication::activeModalWidget()) {
            if (auto message = TranslateEvent(receiver, event)) {
                // Keys go to the widget, the composed text to the focus object
                // inside it (a page's view hands it on to the page's field).
                message->composing =
                    composingObject_ && composingObject_ == QGuiApplication::focusObject();
                bool handled = false;
                // Copy the hook: a filter may install its successor while it runs.
                MessageFilter filter = OnMessage;
                filter(*message, handled);
                if (handled) return true;
            }
        }
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void Application::ShowException(const QString& message) {
    QMessageBox::critical(nullptr, QApplication::applicationName(), message);
}
