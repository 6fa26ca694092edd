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
int PixelOf(qreal coordinate) {
    return static_cast<int>(std::floor(coordinate));
}

}  // namespace

TGraphicButton::TGraphicButton(QWidget* parent) : QWidget(parent) {
    // The button never takes focus and draws no background of its own; the
    // parent's drawing shows through the transparent parts of every skin.
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    setGeometry(0, 0, 50, 50);
}

TGraphicButton::~TGraphicButton() = default;

void TGraphicButton::SetSkinNormal(const QPixmap& picture) {
    if (picture.isNull()) return;
    skin_normal_ = picture;
    GlyphChanged();
}

void TGraphicButton::SetSkinOver(const QPixmap& picture) {
    if (!picture.isNull()) skin_over_ = picture;
}

void TGraphicButton::SetSkinDown(const QPixmap& picture) {
    if (!picture.isNull()) skin_down_ = picture;
}

void TGraphicButton::GlyphChanged() {
    normal_pending_ = true;
    update();
}

void TGraphicButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter_ = &painter;
    if (transient_skin_ != nullptr) {
        drawBmp(*transient_skin_);
    } else {
        Paint();
        normal_pending_ = false;
    }
    painter_ = nullptr;
    // A forced paint also flushes updates still waiting in the window, among
    // them our own: a new normal picture must still reach the screen later.
    if (transient_skin_ != nullptr && normal_pending_) update();
}

void TGraphicButton::Paint() {
    drawBmp(skin_normal_);
}

void TGraphicButton::drawBmp(const QPixmap& picture) {
    // An empty picture leaves the screen as it is: forcing a paint for it
    // would wipe the skin on show down to the parent's background.
    if (picture.isNull()) return;
    if (painter_ != nullptr) {
        painter_->drawPixmap(rect(), picture);
        return;
    }
    transient_skin_ = &picture;
    repaint();
    // Cleared here rather than in the paint: when the button is hidden
    // repaint() paints nothing, and the skin must not leak into a later paint.
    transient_skin_ = nullptr;
}

void TGraphicButton::enterEvent(QEnterEvent* /*event*/) {
    Button1MouseEnter();
}

void TGraphicButton::leaveEvent(QEvent* /*event*/) {
    Button1MouseLeave();
}

// Every button's press and release is accepted, so Qt keeps sending the
// release to this button wherever the pointer goes, and no press reaches the
// parent.
void TGraphicButton::mousePressEvent(QMouseEvent* event) {
    Button1MouseDown(event->button(), event->modifiers(), PixelOf(event->position().x()),
                     PixelOf(event->position().y()));
}

// Qt turns the second press of a double click into this event; the button
// treats it as the press it is, so a double click gives two clicks.
void TGraphicButton::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void TGraphicButton::mouseReleaseEvent(QMouseEvent* event) {
    Button1MouseUp(event->button(), event->modifiers(), PixelOf(event->position().x()),
                   PixelOf(event->position().y()));
}

void TGraphicButton::Button1MouseEnter() {
    drawBmp(skin_over_);
}

void TGraphicButton::Button1MouseLeave() {
    drawBmp(skin_normal_);
}

void TGraphicButton::Button1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers /*shift*/,
                                      int /*x*/, int /*y*/) {
    if (button == Qt::LeftButton) drawBmp(skin_down_);
}

void TGraphicButton::Button1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers /*shift*/, int x,
                                    int y) {
    drawBmp(skin_over_);
    if (button != Qt::LeftButton) return;
    // The click area is the normal picture from the top-left corner, both edges
    // inside, whatever size the button has been stretched to; a picture drawn
    // for a scaled screen counts in the button's pixels, not its own.
    const QSizeF area = skin_normal_.deviceIndependentSize();
    if (x < 0 || x > area.width()) return;
    if (y < 0 || y > area.height()) return;
    emit OnClick(this);
}

}  // namespace quorvane::widgets
