#include "widgets/frameless_frame.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <algorithm>

#include "widgets/window_system.h"

namespace quorvane::widgets {

namespace {

// The window follows the mouse itself, for window systems that refuse to move
// it. It watches the native window rather than a widget so that it sees every
// move until the release, whichever child the press went to, and it never
// consumes them: the widgets keep their own view of the press.
class ManualDrag : public QObject {
  public:
    ManualDrag(QWidget* window, Qt::Edges edges, const QPoint& pressScreenPoint)
        : QObject(window),
          m_window(window),
          m_edges(edges),
          m_press(pressScreenPoint),
          m_startFrame(window->frameGeometry()),
          m_margins(window->geometry().left() - m_startFrame.left(),
                    window->geometry().top() - m_startFrame.top(),
                    m_startFrame.right() - window->geometry().right(),
                    m_startFrame.bottom() - window->geometry().bottom()) {
        window->windowHandle()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseMove: {
                const auto* mouse = static_cast<const QMouseEvent*>(event);
                if (!(mouse->buttons() & Qt::LeftButton)) {
                    // The release went elsewhere (a grab, a popup): stop here.
                    deleteLater();
                    break;
                }
                follow(mouse->globalPosition().toPoint());
                break;
            }
            case QEvent::MouseButtonRelease:
                if (static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    follow(static_cast<const QMouseEvent*>(event)->globalPosition().toPoint());
                    deleteLater();
                }
                break;
            default:
                break;
        }
        return false;
    }

  public:
    // Puts the window where the pointer at `screenPoint` takes it.
    void follow(const QPoint& screenPoint) {
        const QSize extra(m_margins.left() + m_margins.right(),
                          m_margins.top() + m_margins.bottom());
        const QRect frame =
            draggedFrame(m_startFrame, m_edges, screenPoint - m_press,
                         m_window->minimumSize() + extra, m_window->maximumSize() + extra);
        if (m_edges == Qt::Edges()) {
            m_window->move(frame.topLeft());
        } else {
            m_window->setGeometry(frame.marginsRemoved(m_margins));
        }
    }

  private:
    QWidget* m_window;
    Qt::Edges m_edges;
    QPoint m_press;
    QRect m_startFrame;
    QMargins m_margins;
};

// `pointer` is where the pointer is now, when it has already left the press.
bool startDrag(QWidget* window, Qt::Edges edges, const QPoint& pressScreenPoint,
               const QPoint& pointer) {
    if (!window) return false;
    window = window->window();
    QWindow* handle = window->windowHandle();
    if (!handle) return false;
    const bool bySystem =
        edges == Qt::Edges() ? handle->startSystemMove() : handle->startSystemResize(edges);
    if (bySystem) return true;
    // Where the compositor places every window, one the client moves itself
    // would not move at all.
    if (!windowSystemLetsClientsMoveWindows()) return false;
    // Parented to the window; it deletes itself at the release.
    (new ManualDrag(window, edges, pressScreenPoint))->follow(pointer);
    return false;
}

Qt::CursorShape cursorOfHit(int hitCode) {
    switch (hitCode) {
        case HitLeft:
        case HitRight:
            return Qt::SizeHorCursor;
        case HitTop:
        case HitBottom:
            return Qt::SizeVerCursor;
        case HitTopLeft:
        case HitBottomRight:
            return Qt::SizeFDiagCursor;
        case HitTopRight:
        case HitBottomLeft:
            return Qt::SizeBDiagCursor;
        default:
            return Qt::ArrowCursor;
    }
}

}  // namespace

CaptionDrag::CaptionDrag(QWidget* window) : QObject(window), m_window(window) {}

void CaptionDrag::press(const QPoint& screenPoint) {
    cancel();
    m_handle = m_window->windowHandle();
    if (!m_handle) return;
    m_press = screenPoint;
    m_handle->installEventFilter(this);
}

void CaptionDrag::cancel() {
    if (m_handle) m_handle->removeEventFilter(this);
    m_handle = nullptr;
}

bool CaptionDrag::eventFilter(QObject* /*watched*/, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (!(mouse->buttons() & Qt::LeftButton)) {
                cancel();
                break;
            }
            const QPoint travelled = mouse->globalPosition().toPoint() - m_press;
            if (travelled.manhattanLength() < QGuiApplication::styleHints()->startDragDistance())
                break;
            cancel();
            startDrag(m_window, Qt::Edges(), m_press, mouse->globalPosition().toPoint());
            break;
        }
        case QEvent::MouseButtonRelease:
            cancel();
            break;
        default:
            break;
    }
    return false;
}

QRect draggedFrame(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum,
                   const QSize& maximum) {
    if (edges == Qt::Edges()) return start.translated(delta);

    // Edges as left/top plus exclusive right/bottom, so widths need no +1.
    int left = start.x();
    int top = start.y();
    int right = start.x() + start.width();
    int bottom = start.y() + start.height();
    const int minWidth = std::max(minimum.width(), 1);
    const int minHeight = std::max(minimum.height(), 1);
    const int maxWidth = std::max(maximum.width(), minWidth);
    const int maxHeight = std::max(maximum.height(), minHeight);

    if (edges & Qt::LeftEdge) {
        left = right - std::clamp(start.width() - delta.x(), minWidth, maxWidth);
    } else if (edges & Qt::RightEdge) {
        right = left + std::clamp(start.width() + delta.x(), minWidth, maxWidth);
    }
    if (edges & Qt::TopEdge) {
        top = bottom - std::clamp(start.height() - delta.y(), minHeight, maxHeight);
    } else if (edges & Qt::BottomEdge) {
        bottom = top + std::clamp(start.height() + delta.y(), minHeight, maxHeight);
    }
    return QRect(left, top, right - left, bottom - top);
}

bool startSystemMove(QWidget* window, const QPoint& pressScreenPoint) {
    return startDrag(window, Qt::Edges(), pressScreenPoint, pressScreenPoint);
}

bool startSystemResize(QWidget* window, Qt::Edges edges, const QPoint& pressScreenPoint) {
    return startDrag(window, edges, pressScreenPoint, pressScreenPoint);
}

FramelessFrame::FramelessFrame(QWidget* window, HitTest hitTest, Enabled enabled)
    : QObject(window),
      m_window(window),
      m_hitTest(std::move(hitTest)),
      m_enabled(std::move(enabled)) {
    // The native window is where every mouse event of the window passes,
    // also over children without mouse tracking; it exists only once the
    // window is created, and is replaced when the window is re-created.
    m_window->installEventFilter(this);
    attachToWindowHandle();
}

void FramelessFrame::addSurface(QWidget* child) {
    m_surfaces.append(child);
}

int FramelessFrame::hitAt(const QPoint& screenPoint) const {
    if (m_enabled && !m_enabled()) return HitDefault;
    if (!onOwnSurface(screenPoint)) return HitDefault;
    return m_hitTest(m_window->frameGeometry(), screenPoint);
}

void FramelessFrame::attachToWindowHandle() {
    QWindow* handle = m_window->windowHandle();
    if (handle == m_attached) return;
    if (m_attached) m_attached->removeEventFilter(this);
    m_attached = handle;
    if (m_attached) m_attached->installEventFilter(this);
}

bool FramelessFrame::onOwnSurface(const QPoint& screenPoint) const {
    const QPoint local = m_window->mapFromGlobal(screenPoint);
    if (!m_window->rect().contains(local)) return false;
    QWidget* child = m_window->childAt(local);
    if (!child) return true;
    return std::any_of(m_surfaces.begin(), m_surfaces.end(),
                       [child](const QPointer<QWidget>& surface) { return surface == child; });
}

void FramelessFrame::showCursorFor(int hitCode) {
    const Qt::CursorShape shape = cursorOfHit(hitCode);
    if (shape == Qt::ArrowCursor) {
        if (!m_cursorOverridden) return;
        m_cursorOverridden = false;
        if (m_windowHadCursor) {
            m_window->setCursor(m_windowCursor);
        } else {
            m_window->unsetCursor();
        }
        return;
    }
    if (!m_cursorOverridden) {
        m_windowHadCursor = m_window->testAttribute(Qt::WA_SetCursor);
        m_windowCursor = m_window->cursor();
        m_cursorOverridden = true;
    }
    m_window->setCursor(shape);
}

bool FramelessFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange) {
            attachToWindowHandle();
        }
        return false;
    }
    if (watched != m_attached) return false;

    switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            // While a button is held the cursor stays what the press found.
            if (mouse->buttons() == Qt::NoButton) {
                showCursorFor(hitAt(mouse->globalPosition().toPoint()));
            }
            return false;
        }
        case QEvent::Leave:
            showCursorFor(HitDefault);
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            const QPoint screenPoint = mouse->globalPosition().toPoint();
            const int hit = hitAt(screenPoint);
            if (hit == HitCaption) {
                startSystemMove(m_window, screenPoint);
                return true;
            }
            const Qt::Edges edges = edgesOfHit(hit);
            if (edges == Qt::Edges()) return false;
            startSystemResize(m_window, edges, screenPoint);
            // Like a press on a system frame, it never reaches the widgets.
            return true;
        }
        default:
            return false;
    }
}

}  // namespace quorvane::widgets
