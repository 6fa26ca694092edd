#include "widgets/input_filter.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace quorvane::widgets {

bool InputFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::InputMethod) {
        // The input method tells its focus object the text it composes with
        // every change; an event without it ends the composition (committed
        // or dropped).
        if (!static_cast<const QInputMethodEvent*>(event)->preeditString().isEmpty()) {
            m_composingObject = watched;
        } else if (m_composingObject == watched) {
            m_composingObject = nullptr;
        }
        return false;
    }
    // The window system's input reaches the native window first and the
    // widget then; the widget's delivery is the one to decide on. Events the
    // program sends itself (a page's view passing a key on) are not input.
    if (!event->spontaneous() || !watched->isWidgetType()) return false;
    if (QApplication::activeModalWidget()) return false;
    // Keys go to the widget, the composed text to the focus object inside it
    // (a page's view hands it on to the page's field).
    const bool composing = m_composingObject && m_composingObject == QGuiApplication::focusObject();
    return filterInput(watched, *event, composing);
}

bool isControlN(const QEvent& event, bool composing) {
    if (event.type() != QEvent::KeyPress || composing) return false;
    const auto& key = static_cast<const QKeyEvent&>(event);
    return key.key() == Qt::Key_N && (key.modifiers() & Qt::ControlModifier) &&
           !(key.modifiers() & Qt::AltModifier);
}

bool isContextMenuInput(const QEvent& event) {
    switch (event.type()) {
        case QEvent::ContextMenu:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return static_cast<const QMouseEvent&>(event).button() == Qt::RightButton;
        default:
            return false;
    }
}

}  // namespace quorvane::widgets
