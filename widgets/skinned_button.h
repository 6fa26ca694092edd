#pragma once

#include <QObject>
#include <QPixmap>
#include <QWidget>

class QEnterEvent;
class QEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;

namespace quorvane::widgets {

// The three-skin image button every window uses. It has no caption, takes no
// focus, ignores the keyboard and looks the same when disabled; it paints its
// pictures over whatever the parent draws beneath it (it is an alien widget
// with no background fill, so transparent skin pixels show the parent).
//
// Hover and press feedback appear at once: the mouse handlers paint
// synchronously instead of scheduling an update. Qt only lets a widget paint
// inside its paint event, so a handler hands its picture to the next paint as a
// one-shot skin and forces that paint with repaint(). Every other paint - an
// uncovered or resized button, a new normal picture - shows `SkinNormal`, even
// while the pointer is over the button or the left button is held.
//
// Because Qt composes the widget into a backing store from the parent down, a
// skin always lands on the parent's fresh background, never on the previously
// shown skin: transparent parts of the hover or pressed picture show the parent,
// not the normal picture under them.
class TGraphicButton : public QWidget {
    Q_OBJECT

  public:
    // Starts 50 x 50 at the parent's origin with three empty pictures.
    explicit TGraphicButton(QWidget* parent = nullptr);
    ~TGraphicButton() override;

    const QPixmap& SkinNormal() const { return skin_normal_; }
    const QPixmap& SkinOver() const { return skin_over_; }
    const QPixmap& SkinDown() const { return skin_down_; }

    // Each setter keeps its own copy; a null picture (a resource that failed to
    // load) is ignored so the previous one stays. Only the normal picture is on
    // screen at rest, so only it repaints.
    void SetSkinNormal(const QPixmap& picture);
    void SetSkinOver(const QPixmap& picture);
    void SetSkinDown(const QPixmap& picture);

  signals:
    // A left release landed within the normal picture (not the button: a
    // stretched button clicks only over the picture's own size from its
    // top-left corner, edges included, measured in the button's pixels
    // however many screen pixels the picture has). The sender is this button.
    void OnClick(QObject* sender);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    void Paint();
    void drawBmp(const QPixmap& picture);

    void Button1MouseEnter();
    void Button1MouseLeave();
    void Button1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void Button1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

  private:
    void GlyphChanged();

    QPixmap skin_normal_;
    QPixmap skin_over_;
    QPixmap skin_down_;

    // Set only while a paint event runs, so drawBmp knows whether it may draw
    // now or must force a paint first.
    QPainter* painter_ = nullptr;
    // The one-shot skin a mouse handler wants shown by the paint it forces.
    const QPixmap* transient_skin_ = nullptr;
    // A new normal picture is waiting to be painted.
    bool normal_pending_ = false;
};

}  // namespace quorvane::widgets
