#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <type_traits>

class QEnterEvent;
class QEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;

namespace quorvane::widgets {

// Keeps a template parameter out of deduction, so it is taken from another
// argument alone.
template <typename T>
struct NonDeducedHolder {
    using Type = T;
};
template <typename T>
using NonDeduced = typename NonDeducedHolder<T>::Type;

// A click handler together with the object it runs on. Windows bind their
// published handlers (`void TForm1::GraphicButton1Click(QObject* sender)`) to a
// button; unlike a std::function, two bindings can be compared, so a button
// knows whether an assignment changes anything. Equal means the same member
// function on the same, still living, object.
//
// The target is watched: once it is destroyed the binding stays assigned but
// calling it does nothing, rather than running a member function on a dead
// object.
class NotifyEvent {
  public:
    NotifyEvent() = default;

    // A null target or handler gives an unassigned event.
    // T comes from the target alone, so a plain nullptr handler and a handler
    // inherited from a base class are accepted.
    template <typename T>
    NotifyEvent(T* target, void (NonDeduced<T>::*handler)(QObject* sender)) {
        static_assert(std::is_base_of_v<QObject, T>, "click targets are QObjects");
        if (target != nullptr && handler != nullptr) {
            binding_ = std::make_shared<const MemberBinding<T>>(target, handler);
        }
    }

    bool IsAssigned() const { return binding_ != nullptr; }
    void operator()(QObject* sender) const {
        if (binding_) binding_->Invoke(sender);
    }

    friend bool operator==(const NotifyEvent& a, const NotifyEvent& b) {
        if (!a.binding_ || !b.binding_) return a.binding_ == b.binding_;
        return a.binding_->SameAs(*b.binding_);
    }
    friend bool operator!=(const NotifyEvent& a, const NotifyEvent& b) { return !(a == b); }

  private:
    class Binding {
      public:
        virtual ~Binding() = default;
        virtual void Invoke(QObject* sender) const = 0;
        virtual bool SameAs(const Binding& other) const = 0;
    };

    template <typename T>
    class MemberBinding final : public Binding {
      public:
        MemberBinding(T* target, void (T::*handler)(QObject*))
            : target_(target), handler_(handler) {}

        void Invoke(QObject* sender) const override {
            if (T* target = target_.data()) (target->*handler_)(sender);
        }
        // Compares the watched pointer, not the address it once had: a binding
        // whose target died must not match a new object that reuses the address.
        bool SameAs(const Binding& other) const override {
            const auto* same = dynamic_cast<const MemberBinding*>(&other);
            return same != nullptr && same->handler_ == handler_ &&
                   same->target_.data() == target_.data();
        }

      private:
        QPointer<T> target_;
        void (T::*handler_)(QObject*);
    };

    std::shared_ptr<const Binding> binding_;
};

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
    const NotifyEvent& OnClick() const { return on_click_; }

    // Each setter keeps its own copy; a null picture (a resource that failed to
    // load) is ignored so the previous one stays. Only the normal picture is on
    // screen at rest, so only it repaints.
    void SetSkinNormal(const QPixmap& picture);
    void SetSkinOver(const QPixmap& picture);
    void SetSkinDown(const QPixmap& picture);

    // The handler receives this button as the sender when a left release lands
    // within the normal picture (not the button: a stretched button clicks only
    // over the picture's own size from its top-left corner, edges included).
    void SetOnClick(const NotifyEvent& handler);
    template <typename T>
    void SetOnClick(T* target, void (NonDeduced<T>::*handler)(QObject* sender)) {
        SetOnClick(NotifyEvent(target, handler));
    }

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
    NotifyEvent on_click_;

    // Set only while a paint event runs, so drawBmp knows whether it may draw
    // now or must force a paint first.
    QPainter* painter_ = nullptr;
    // The one-shot skin a mouse handler wants shown by the paint it forces.
    const QPixmap* transient_skin_ = nullptr;
    // A new normal picture is waiting to be painted.
    bool normal_pending_ = false;
};

}  // namespace quorvane::widgets
