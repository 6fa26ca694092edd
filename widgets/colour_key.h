#pragma once

#include <QColor>
#include <QList>
#include <QRegion>
#include <QWidget>

namespace quorvane::widgets {

// A colour-keyed window: every pixel of exactly the key colour is see-through
// and lets the mouse through to whatever lies beneath. Live content that the
// toolkit cannot draw into a picture (the web view) is never keyed: the
// caller names those widgets and their whole area stays part of the window.
//
// Where the window system has window shapes (X11), the see-through part is
// cut out of the window's shape, computed from what the window draws. Where it
// has none (Wayland), the window is translucent instead: the key colour of
// its background is painted fully transparent, and the same region becomes
// the area that takes input.
//
// The region is in the window's own (logical) pixels, the pixels the shape
// is given in, at any screen scale: a logical pixel is see-through when the
// screen pixel at its centre shows the key.
class ColourKeyShape : public QObject {
    Q_OBJECT
  public:
    enum class Mode { Shape, Translucent, ForThisWindowSystem };

    // Made before the window is first shown, so a translucent window is
    // created as one.
    ColourKeyShape(QWidget* window, const QColor& key, QList<QWidget*> unkeyed = {},
                   Mode mode = Mode::ForThisWindowSystem);

    // The region of the window that is not keyed out, in window coordinates.
    QRegion visibleRegion() const;

    // Recomputes the shape now; done automatically when the window is shown,
    // resized, or a child is shown or hidden.
    void update();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void watch(QWidget* widget);
    void scheduleUpdate();

    QWidget* m_window;
    QRgb m_key;
    QList<QWidget*> m_unkeyed;
    bool m_translucent = false;
    bool m_scheduled = false;
};

}  // namespace quorvane::widgets
