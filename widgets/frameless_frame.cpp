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
          window_(window),
          edges_(edges),
          press_(pressScreenPoint),
          startFrame_(window->frameGeometry()),
          margins_(window->geometry().left() - startFrame_.left(),
                   window->geometry().top() - startFrame_.top(),
                   startFrame_.right() - window->geometry().right(),
                   startFrame_.bottom() - window->geometry().bottom()) {
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
                Follow(mouse->globalPosition().toPoint());
                break;
            }
            case QEvent::MouseButtonRelease:
                if (static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    Follow(static_cast<const QMouseEvent*>(event)->globalPosition().toPoint());
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
    void Follow(const QPoint& screenPoint) {
        const QSize extra(margins_.left() + margins_.right(), margins_.top() + margins_.bottom());
        const QRect frame =
            DraggedFrame(startFrame_, edges_, screenPoint - press_, window_->minimumSize() + extra,
                         window_->maximumSize() + extra);
        if (edges_ == Qt::Edges()) {
            window_->move(frame.topLeft());
        } else {
            window_->setGeometry(frame.marginsRemoved(margins_));
        }
    }

  private:
    QWidget* window_;
    Qt::Edges edges_;
    QPoint press_;
    QRect startFrame_;
    QMargins margins_;
};

// `pointer` is where the pointer is now, when it has already left the press.
bool StartDrag(QWidget* window, Qt::Edges edges, const QPoint& pressScreenPoint,
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
    if (!WindowSystemLetsClientsMoveWindows()) return false;
    // Parented to the window; it deletes itself at the release.
    (new ManualDrag(window, edges, pressScreenPoint))->Follow(pointer);
    return false;
}

Qt::CursorShape CursorOfHit(int hitCode) {
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

CaptionDrag::CaptionDrag(QWidget* window) : QObject(window), window_(window) {}

void CaptionDrag::Press(const QPoint& screenPoint) {
    Cancel();
    handle_ = window_->windowHandle();
    if (!handle_) return;
    press_ = screenPoint;
    handle_->installEventFilter(this);
}

void CaptionDrag::Cancel() {
    if (handle_) handle_->removeEventFilter(this);
    handle_ = nullptr;
}

bool CaptionDrag::eventFilter(QObject* /*watched*/, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (!(mouse->buttons() & Qt::LeftButton)) {
                Cancel();
                break;
            }
            const QPoint travelled = mouse->globalPosition().toPoint() - press_;
            if (travelled.manhattanLength() < QGuiApplication::styleHints()->startDragDistance())
                break;
            Cancel();
            StartDrag(window_, Qt::Edges(), press_, mouse->globalPosition().toPoint());
            break;
        }
        case QEvent::MouseButtonRelease:
            Cancel();
            break;
        default:
            break;
    }
    return false;
}

QRect DraggedFrame(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum,
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

bool StartSystemMove(QWidget* window, const QPoint& pressScreenPoint) {
    return StartDrag(window, Qt::Edges(), pressScreenPoint, pressScreenPoint);
}

bool StartSystemResize(QWidget* window, Qt::Edges edges, const QPoint& pressScreenPoint) {
    return StartDrag(window, edges, pressScreenPoint, pressScreenPoint);
}

FramelessFrame::FramelessFrame(QWidget* window, HitTest hitTest, Enabled enabled)
    : QObject(window), window_(window), hitTest_(std::move(hitTest)), enabled_(std::move(enabled)) {
    // The native window is where every mouse event of the window passes,
    // also over children without mouse tracking; it exists only once the
    // window is created, and is replaced when the window is re-created.
    window_->installEventFilter(this);
    AttachToWindowHandle();
}

void FramelessFrame::AddSurface(QWidget* child) {
    surfaces_.append(child);
}

int FramelessFrame::HitAt(const QPoint& screenPoint) const {
    if (enabled_ && !enabled_()) return HitDefault;
    if (!OnOwnSurface(screenPoint)) return HitDefault;
    return hitTest_(window_->frameGeometry(), screenPoint);
}

void FramelessFrame::AttachToWindowHandle() {
    QWindow* handle = window_->windowHandle();
    if (handle == attached_) return;
    if (attached_) attached_->removeEventFilter(this);
    attached_ = handle;
    if (attached_) attached_->installEventFilter(this);
}

bool FramelessFrame::OnOwnSurface(const QPoint& screenPoint) const {
    const QPoint local = window_->mapFromGlobal(screenPoint);
    if (!window_->rect().contains(local)) return false;
    QWidget* child = window_->childAt(local);
    if (!child) return true;
    return std::any_of(surfaces_.begin(), surfaces_.end(),
                       [child](const QPointer<QWidget>& surface) { return surface == child; });
}

void FramelessFrame::ShowCursorFor(int hitCode) {
    const Qt::CursorShape shape = CursorOfHit(hitCode);
    if (shape == Qt::ArrowCursor) {
        if (!cursorOverridden_) return;
        cursorOverridden_ = false;
        if (windowHadCursor_) {
            window_->setCursor(windowCursor_);
        } else {
            window_->unsetCursor();
        }
        return;
    }
    if (!cursorOverridden_) {
        windowHadCursor_ = window_->testAttribute(Qt::WA_SetCursor);
        windowCursor_ = window_->cursor();
        cursorOverridden_ = true;
    }
    window_->setCursor(shape);
}

bool FramelessFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_) {
        if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange) {
            AttachToWindowHandle();
        }
        return false;
    }
    if (watched != attached_) return false;

    switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            // While a button is held the cursor stays what the press found.
            if (mouse->buttons() == Qt::NoButton) {
                ShowCursorFor(HitAt(mouse->globalPosition().toPoint()));
            }
            return false;
        }
        case QEvent::Leave:
            ShowCursorFor(HitDefault);
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            const QPoint screenPoint = mouse->globalPosition().toPoint();
            const int hit = HitAt(screenPoint);
            if (hit == HitCaption) {
                StartSystemMove(window_, screenPoint);
                return true;
            }
            const Qt::Edges edges = EdgesOfHit(hit);
            if (edges == Qt::Edges()) return false;
            StartSystemResize(window_, edges, screenPoint);
            // Like a press on a system frame, it never reaches the widgets.
            return true;
        }
        default:
            return false;
    }
}

}  // namespace quorvane::widgets
