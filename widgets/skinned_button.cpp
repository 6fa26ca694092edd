#include "widgets/skinned_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace quorvane::widgets {
namespace {

// Mouse positions come as logical coordinates that may be fractional on scaled
// screens; the click area is measured in whole pixels, and a point belongs to
// the pixel it lies in.
int pixelOf(qreal coordinate) {
    return static_cast<int>(std::floor(coordinate));
}

}  // namespace

SkinnedButton::SkinnedButton(QWidget* parent) : QWidget(parent) {
    // The button never takes focus and draws no background of its own; the
    // parent's drawing shows through the transparent parts of every skin.
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    setGeometry(0, 0, 50, 50);
}

SkinnedButton::~SkinnedButton() = default;

void SkinnedButton::setNormalSkin(const QPixmap& picture) {
    if (picture.isNull()) return;
    m_normalSkin = picture;
    onNormalSkinChanged();
}

void SkinnedButton::setHoverSkin(const QPixmap& picture) {
    if (!picture.isNull()) m_hoverSkin = picture;
}

void SkinnedButton::setPressedSkin(const QPixmap& picture) {
    if (!picture.isNull()) m_pressedSkin = picture;
}

void SkinnedButton::onNormalSkinChanged() {
    m_normalPending = true;
    update();
}

void SkinnedButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    m_painter = &painter;
    if (m_transientSkin != nullptr) {
        drawSkin(*m_transientSkin);
    } else {
        paintSkin();
        m_normalPending = false;
    }
    m_painter = nullptr;
    // A forced paint also flushes updates still waiting in the window, among
    // them our own: a new normal picture must still reach the screen later.
    if (m_transientSkin != nullptr && m_normalPending) update();
}

void SkinnedButton::paintSkin() {
    drawSkin(m_normalSkin);
}

void SkinnedButton::drawSkin(const QPixmap& picture) {
    // An empty picture leaves the screen as it is: forcing a paint for it
    // would wipe the skin on show down to the parent's background.
    if (picture.isNull()) return;
    if (m_painter != nullptr) {
        m_painter->drawPixmap(rect(), picture);
        return;
    }
    m_transientSkin = &picture;
    repaint();
    // Cleared here rather than in the paint: when the button is hidden
    // repaint() paints nothing, and the skin must not leak into a later paint.
    m_transientSkin = nullptr;
}

void SkinnedButton::enterEvent(QEnterEvent* /*event*/) {
    onMouseEnter();
}

void SkinnedButton::leaveEvent(QEvent* /*event*/) {
    onMouseLeave();
}

// Every button's press and release is accepted, so Qt keeps sending the
// release to this button wherever the pointer goes, and no press reaches the
// parent.
void SkinnedButton::mousePressEvent(QMouseEvent* event) {
    onMousePress(event->button(), event->modifiers(), pixelOf(event->position().x()),
                 pixelOf(event->position().y()));
}

// Qt turns the second press of a double click into this event; the button
// treats it as the press it is, so a double click gives two clicks.
void SkinnedButton::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void SkinnedButton::mouseReleaseEvent(QMouseEvent* event) {
    onMouseRelease(event->button(), event->modifiers(), pixelOf(event->position().x()),
                   pixelOf(event->position().y()));
}

void SkinnedButton::onMouseEnter() {
    drawSkin(m_hoverSkin);
}

void SkinnedButton::onMouseLeave() {
    drawSkin(m_normalSkin);
}

void SkinnedButton::onMousePress(Qt::MouseButton button, Qt::KeyboardModifiers /*shift*/, int /*x*/,
                                 int /*y*/) {
    if (button == Qt::LeftButton) drawSkin(m_pressedSkin);
}

void SkinnedButton::onMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers /*shift*/, int x,
                                   int y) {
    drawSkin(m_hoverSkin);
    if (button != Qt::LeftButton) return;
    // The click area is the normal picture from the top-left corner, both edges
    // inside, whatever size the button has been stretched to; a picture drawn
    // for a scaled screen counts in the button's pixels, not its own.
    const QSizeF area = m_normalSkin.deviceIndependentSize();
    if (x < 0 || x > area.width()) return;
    if (y < 0 || y > area.height()) return;
    emit clicked(this);
}

}  // namespace quorvane::widgets
