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
class SkinnedButton : public QWidget {
    Q_OBJECT

  public:
    // Starts 50 x 50 at the parent's origin with three empty pictures.
    explicit SkinnedButton(QWidget* parent = nullptr);
    ~SkinnedButton() override;

    const QPixmap& normalSkin() const { return m_normalSkin; }
    const QPixmap& hoverSkin() const { return m_hoverSkin; }
    const QPixmap& pressedSkin() const { return m_pressedSkin; }

    // Each setter keeps its own copy; a null picture (a resource that failed to
    // load) is ignored so the previous one stays. Only the normal picture is on
    // screen at rest, so only it repaints.
    void setNormalSkin(const QPixmap& picture);
    void setHoverSkin(const QPixmap& picture);
    void setPressedSkin(const QPixmap& picture);

  signals:
    // A left release landed within the normal picture (not the button: a
    // stretched button clicks only over the picture's own size from its
    // top-left corner, edges included, measured in the button's pixels
    // however many screen pixels the picture has). The sender is this button.
    void clicked(QObject* sender);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    void paintSkin();
    void drawSkin(const QPixmap& picture);

    void onMouseEnter();
    void onMouseLeave();
    void onMousePress(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void onMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

  private:
    void onNormalSkinChanged();

    QPixmap m_normalSkin;
    QPixmap m_hoverSkin;
    QPixmap m_pressedSkin;

    // Set only while a paint event runs, so drawSkin knows whether it may draw
    // now or must force a paint first.
    QPainter* m_painter = nullptr;
    // The one-shot skin a mouse handler wants shown by the paint it forces.
    const QPixmap* m_transientSkin = nullptr;
    // A new normal picture is waiting to be painted.
    bool m_normalPending = false;
};

}  // namespace quorvane::widgets
