#pragma once

#include <QColor>
#include <QList>
#include <QRegion>
#include <QWidget>

namespace quorvane::widgets {

// A colour-keyed window: every pixel of exactly the key colour is see-through
// and lets the mouse through to whatever lies beneath. On X11 that is the
// window's shape, computed from what the window draws. Live content that the
// toolkit cannot draw into a picture (the web view) is never keyed: the
// caller names those widgets and their whole area stays part of the window.
class ColourKeyShape : public QObject {
    Q_OBJECT
  public:
    ColourKeyShape(QWidget* window, const QColor& key, QList<QWidget*> unkeyed = {});

    // The region of the window that is not keyed out, in window coordinates.
    QRegion VisibleRegion() const;

    // Recomputes the shape now; done automatically when the window is shown,
    // resized, or a child is shown or hidden.
    void Update();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Watch(QWidget* widget);
    void ScheduleUpdate();

    QWidget* window_;
    QRgb key_;
    QList<QWidget*> unkeyed_;
    bool scheduled_ = false;
};

}  // namespace quorvane::widgets
