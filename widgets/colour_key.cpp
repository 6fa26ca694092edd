#include "widgets/colour_key.h"

#include <QBitmap>
#include <QChildEvent>
#include <QEvent>
#include <QImage>
#include <QTimer>

namespace quorvane::widgets {

ColourKeyShape::ColourKeyShape(QWidget* window, const QColor& key, QList<QWidget*> unkeyed)
    : QObject(window), window_(window), key_(key.rgb()), unkeyed_(std::move(unkeyed)) {
    Watch(window_);
    for (QWidget* child : window_->findChildren<QWidget*>()) Watch(child);
}

void ColourKeyShape::Watch(QWidget* widget) {
    widget->installEventFilter(this);
}

QRegion ColourKeyShape::VisibleRegion() const {
    const QImage drawn = window_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Qt's bitmap-to-region conversion takes the clear bits of this mask, which
    // are the pixels that do not match the key.
    QRegion region(QBitmap::fromImage(drawn.createMaskFromColor(key_, Qt::MaskInColor)));
    for (QWidget* widget : unkeyed_) {
        if (!widget->isVisibleTo(window_)) continue;
        QRect area(widget->mapTo(window_, QPoint(0, 0)), widget->size());
        // Clip to the ancestors' areas, as the screen does.
        for (QWidget* w = widget->parentWidget(); w && w != window_; w = w->parentWidget())
            area &= QRect(w->mapTo(window_, QPoint(0, 0)), w->size());
        region += area;
    }
    return region;
}

void ColourKeyShape::Update() {
    scheduled_ = false;
    window_->setMask(VisibleRegion());
}

void ColourKeyShape::ScheduleUpdate() {
    if (scheduled_) return;
    scheduled_ = true;
    // After the pending paints, so the shape follows what is now drawn.
    QTimer::singleShot(0, this, [this] {
        if (scheduled_) Update();
    });
}

bool ColourKeyShape::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ChildAdded:
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                Watch(child);
            break;
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Resize:
            if (watched == window_ || window_->isVisible()) ScheduleUpdate();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quorvane::widgets
