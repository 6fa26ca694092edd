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
std::vector<int> centreSamples(int logical, int device, qreal ratio) {
    std::vector<int> samples(static_cast<std::size_t>(std::max(logical, 0)));
    for (int i = 0; i < logical; ++i)
        samples[static_cast<std::size_t>(i)] =
            std::clamp(static_cast<int>(std::floor((i + 0.5) * ratio)), 0, device - 1);
    return samples;
}

}  // namespace

ColourKeyShape::ColourKeyShape(QWidget* window, const QColor& key, QList<QWidget*> unkeyed,
                               Mode mode)
    : QObject(window), m_window(window), m_key(key.rgb()), m_unkeyed(std::move(unkeyed)) {
    m_translucent = mode == Mode::Translucent ||
                    (mode == Mode::ForThisWindowSystem && !windowSystemHasShapes());
    if (m_translucent) m_window->setAttribute(Qt::WA_TranslucentBackground);
    watch(m_window);
    for (QWidget* child : m_window->findChildren<QWidget*>()) watch(child);
}

void ColourKeyShape::watch(QWidget* widget) {
    widget->installEventFilter(this);
    // A translucent window shows the key colour of backgrounds as nothing at all.
    if (m_translucent && widget->autoFillBackground() &&
        widget->palette().color(QPalette::Window).rgb() == m_key) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, Qt::transparent);
        widget->setPalette(palette);
    }
}

QRegion ColourKeyShape::visibleRegion() const {
    // What the screen shows, in its own pixels; transparent pixels are what a
    // translucent window paints for the key.
    const QImage drawn = m_window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QSize size = m_window->size();
    const std::vector<int> columns =
        centreSamples(size.width(), drawn.width(), drawn.devicePixelRatio());
    const std::vector<int> rows =
        centreSamples(size.height(), drawn.height(), drawn.devicePixelRatio());
    // The same picture in the window's pixels, with keyed pixels in the key
    // colour and every other one off it.
    QImage logical(size, QImage::Format_RGB32);
    const QRgb shown = m_key ^ 0x000001u;
    for (int y = 0; y < size.height(); ++y) {
        const auto* source =
            reinterpret_cast<const QRgb*>(drawn.constScanLine(rows[static_cast<std::size_t>(y)]));
        auto* target = reinterpret_cast<QRgb*>(logical.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const QRgb px = source[columns[static_cast<std::size_t>(x)]];
            const bool keyed = qAlpha(px) == 0 || (px & 0x00ffffffu) == (m_key & 0x00ffffffu);
            target[x] = keyed ? m_key : shown;
        }
    }
    // Qt's bitmap-to-region conversion takes the clear bits of this mask, which
    // are the pixels that do not match the key.
    QRegion region(QBitmap::fromImage(logical.createMaskFromColor(m_key, Qt::MaskInColor)));
    for (QWidget* widget : m_unkeyed) {
        if (!widget->isVisibleTo(m_window)) continue;
        QRect area(widget->mapTo(m_window, QPoint(0, 0)), widget->size());
        // Clip to the ancestors' areas, as the screen does.
        for (QWidget* w = widget->parentWidget(); w && w != m_window; w = w->parentWidget())
            area &= QRect(w->mapTo(m_window, QPoint(0, 0)), w->size());
        region += area;
    }
    return region;
}

void ColourKeyShape::update() {
    m_scheduled = false;
    // On a translucent window this is the area that takes input.
    m_window->setMask(visibleRegion());
}

void ColourKeyShape::scheduleUpdate() {
    if (m_scheduled) return;
    m_scheduled = true;
    // After the pending paints, so the shape follows what is now drawn.
    QTimer::singleShot(0, this, [this] {
        if (m_scheduled) update();
    });
}

bool ColourKeyShape::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ChildAdded:
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                watch(child);
            break;
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Resize:
            if (watched == m_window || m_window->isVisible()) scheduleUpdate();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quorvane::widgets
