#include "widgets/colour_key.h"

#include <QBitmap>
#include <QChildEvent>
#include <QEvent>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

#include "widgets/window_system.h"

namespace quorvane::widgets {

namespace {

// The screen pixel at the centre of each logical pixel along one axis.
std::vector<int> CentreSamples(int logical, int device, qreal ratio) {
    std::vector<int> samples(static_cast<std::size_t>(std::max(logical, 0)));
    for (int i = 0; i < logical; ++i)
        samples[static_cast<std::size_t>(i)] =
            std::clamp(static_cast<int>(std::floor((i + 0.5) * ratio)), 0, device - 1);
    return samples;
}

}  // namespace

ColourKeyShape::ColourKeyShape(QWidget* window, const QColor& key, QList<QWidget*> unkeyed,
                               Mode mode)
    : QObject(window), window_(window), key_(key.rgb()), unkeyed_(std::move(unkeyed)) {
    translucent_ = mode == Mode::Translucent ||
                   (mode == Mode::ForThisWindowSystem && !WindowSystemHasShapes());
    if (translucent_) window_->setAttribute(Qt::WA_TranslucentBackground);
    Watch(window_);
    for (QWidget* child : window_->findChildren<QWidget*>()) Watch(child);
}

void ColourKeyShape::Watch(QWidget* widget) {
    widget->installEventFilter(this);
    // A translucent window shows the key colour of backgrounds as nothing at all.
    if (translucent_ && widget->autoFillBackground() &&
        widget->palette().color(QPalette::Window).rgb() == key_) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, Qt::transparent);
        widget->setPalette(palette);
    }
}

QRegion ColourKeyShape::VisibleRegion() const {
    // What the screen shows, in its own pixels; transparent pixels are what a
    // translucent window paints for the key.
    const QImage drawn = window_->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QSize size = window_->size();
    const std::vector<int> columns =
        CentreSamples(size.width(), drawn.width(), drawn.devicePixelRatio());
    const std::vector<int> rows =
        CentreSamples(size.height(), drawn.height(), drawn.devicePixelRatio());
    // The same picture in the window's pixels, with keyed pixels in the key
    // colour and every other one off it.
    QImage logical(size, QImage::Format_RGB32);
    const QRgb shown = key_ ^ 0x000001u;
    for (int y = 0; y < size.height(); ++y) {
        const auto* source =
            reinterpret_cast<const QRgb*>(drawn.constScanLine(rows[static_cast<std::size_t>(y)]));
        auto* target = reinterpret_cast<QRgb*>(logical.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const QRgb px = source[columns[static_cast<std::size_t>(x)]];
            const bool keyed = qAlpha(px) == 0 || (px & 0x00ffffffu) == (key_ & 0x00ffffffu);
            target[x] = keyed ? key_ : shown;
        }
    }
    // Qt's bitmap-to-region conversion takes the clear bits of this mask, which
    // are the pixels that do not match the key.
    QRegion region(QBitmap::fromImage(logical.createMaskFromColor(key_, Qt::MaskInColor)));
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
    // On a translucent window this is the area that takes input.
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
