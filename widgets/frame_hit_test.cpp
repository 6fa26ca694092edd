#include "widgets/frame_hit_test.h"

namespace quorvane::widgets {

// Both tests work on left, top, width and height rather than QRect::right(),
// which is one pixel short of left + width; the bands are measured from the
// outer edge the way players have always grabbed them.

namespace {

// The window's outer rectangle and the point, with the two bands both windows
// resize at.
struct Place {
    Place(const QRect& window, const QPoint& point)
        : l(window.x()),
          t(window.y()),
          w(window.width()),
          h(window.height()),
          x(point.x()),
          y(point.y()),
          rightBand(x >= l + w - 2),
          bottomBand(y >= t + h - 2) {}
    int l, t, w, h, x, y;
    bool rightBand, bottomBand;
};

}  // namespace

int gameWindowHitTest(const QRect& window, const QPoint& screenPoint) {
    const auto [l, t, w, h, x, y, rightBand, bottomBand] = Place(window, screenPoint);
    const bool leftBand = x <= l + 2;
    const bool topCornerRows = y <= t + 2;

    if (rightBand && bottomBand) return HitBottomRight;
    if (leftBand && bottomBand) return HitBottomLeft;
    if (leftBand && topCornerRows) return HitTopLeft;
    if (rightBand && topCornerRows) return HitTopRight;
    if (rightBand) return HitRight;
    if (bottomBand) return HitBottom;
    if (l <= x && leftBand) return HitLeft;
    // The topmost row outside the corners is left to the caption, so a press
    // right at the screen's top edge moves the window instead of resizing it.
    if (t < y && topCornerRows) return HitTop;
    if (l <= x && x <= l + w && t <= y && y <= t + 30) return HitCaption;
    return HitDefault;
}

int launcherHitTest(const QRect& window, const QPoint& screenPoint) {
    const auto [l, t, w, h, x, y, rightBand, bottomBand] = Place(window, screenPoint);
    if (rightBand && bottomBand) return HitBottomRight;
    if (rightBand) return HitRight;
    if (bottomBand) return HitBottom;
    if (l <= x && x <= l + w && t <= y && y <= t + h) return HitCaption;
    return HitDefault;
}

Qt::Edges edgesOfHit(int hitCode) {
    switch (hitCode) {
        case HitLeft:
            return Qt::LeftEdge;
        case HitRight:
            return Qt::RightEdge;
        case HitTop:
            return Qt::TopEdge;
        case HitTopLeft:
            return Qt::TopEdge | Qt::LeftEdge;
        case HitTopRight:
            return Qt::TopEdge | Qt::RightEdge;
        case HitBottom:
            return Qt::BottomEdge;
        case HitBottomLeft:
            return Qt::BottomEdge | Qt::LeftEdge;
        case HitBottomRight:
            return Qt::BottomEdge | Qt::RightEdge;
        default:
            return {};
    }
}

}  // namespace quorvane::widgets
