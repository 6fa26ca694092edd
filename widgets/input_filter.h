#pragma once

#include <QObject>
#include <QPointer>

class QEvent;

namespace quorvane::widgets {

// A window's filter over the whole application's input: it sees each key and
// mouse event a widget receives from the window system once, before the
// widget does, and may keep it from the widget. It is quiet while a modal box
// runs (keys typed at the box must not act on the windows behind it), and it
// follows the input method, so that keys a composition is using can be left
// to it.
class InputFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    // Answers true to keep the event from `target`. `composing` says the
    // target's input method holds uncommitted text.
    virtual bool filterInput(QObject* target, const QEvent& event, bool composing) = 0;

  private:
    bool eventFilter(QObject* watched, QEvent* event) final;

    // The object the input method is composing text for, while it does.
    QPointer<QObject> m_composingObject;
};

// Ctrl+N going down, with which a page would open a browser window: not with
// Alt, which makes it a system key, nor while a composition uses the keys.
bool isControlN(const QEvent& event, bool composing);

// The right button and the context menu, with which a page would show the
// browser's own menu.
bool isContextMenuInput(const QEvent& event);

}  // namespace quorvane::widgets
