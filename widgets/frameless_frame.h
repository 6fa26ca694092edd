#pragma once

#include <QCursor>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <QWindow>
#include <functional>

#include "widgets/frame_hit_test.h"

namespace quorvane::widgets {

// Gives a borderless top-level window what a system frame would: a left press
// on the window's own surface asks a hit-test function where it landed and
// moves or resizes the window accordingly, and the pointer shows the matching
// resize cursor over the bands.
//
// "Own surface" means points where no child widget lies, plus the children
// named with addSurface (pictures and labels painted on the background, which
// stand for the window itself). Presses on any other child are theirs.
//
// The window manager does the moving where it can; where it refuses (no
// window manager, or a platform without the request) the window follows the
// mouse itself until the button is released, within its minimum and maximum
// size.
class FramelessFrame : public QObject {
    Q_OBJECT
  public:
    using HitTest = std::function<int(const QRect& window, const QPoint& screenPoint)>;
    using Enabled = std::function<bool()>;

    // Becomes a child of `window`. While `enabled` answers false the window
    // has no bands, no caption and no resize cursors.
    FramelessFrame(QWidget* window, HitTest hitTest, Enabled enabled = nullptr);

    void addSurface(QWidget* child);

    // The hit answer for a screen point, or HitDefault off the own surface or
    // while disabled.
    int hitAt(const QPoint& screenPoint) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void attachToWindowHandle();
    bool onOwnSurface(const QPoint& screenPoint) const;
    void showCursorFor(int hitCode);

    QWidget* m_window;
    HitTest m_hitTest;
    Enabled m_enabled;
    QList<QPointer<QWidget>> m_surfaces;
    QPointer<QWindow> m_attached;
    bool m_cursorOverridden = false;
    bool m_windowHadCursor = false;
    QCursor m_windowCursor;
};

// A caption of a window that also answers double-clicks (a title strip that
// toggles the window's size): a left press moves the window only once the
// pointer, still held, has travelled past the platform's drag distance. A
// move begun at the press would hand the pointer to the window manager, which
// then swallows the second click of a double-click.
class CaptionDrag : public QObject {
    Q_OBJECT
  public:
    // Becomes a child of `window`.
    explicit CaptionDrag(QWidget* window);

    // A left press on the caption at a screen point: the move waits for the
    // pointer.
    void press(const QPoint& screenPoint);
    // Forgets a press that has not become a move (a double-click came).
    void cancel();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* m_window;
    QPointer<QWindow> m_handle;  // watched while a press waits
    QPoint m_press;
};

// Moves `window` with the mouse from a left press at `pressScreenPoint`, for
// press handlers of children that act as a caption (title-strip pictures).
// Call it from the press handler. Answers true when the window manager took the
// move over, false when the window follows the mouse itself.
bool startSystemMove(QWidget* window, const QPoint& pressScreenPoint);

// Resizes `window` at `edges` from a left press, with the same fallback.
bool startSystemResize(QWidget* window, Qt::Edges edges, const QPoint& pressScreenPoint);

// The outer rectangle a window dragged by `delta` ends up with: moved when
// `edges` is empty, otherwise those edges follow the mouse while the opposite
// ones stay put and the size stays within `minimum` and `maximum`.
QRect draggedFrame(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum,
                   const QSize& maximum);

}  // namespace quorvane::widgets
