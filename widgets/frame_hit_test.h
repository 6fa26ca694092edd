#pragma once

#include <QPoint>
#include <QRect>
#include <Qt>

// Where a point on a borderless window's own surface lies, answered the way a
// window system asks a window without a system frame. The numbers are the
// classic desktop non-client hit codes, so the window tables read the same on
// every toolkit.
namespace quorvane::widgets {

enum HitCode : int {
    HitDefault = 0,  // not answered: the window's ordinary behaviour applies
    HitCaption = 2,
    HitLeft = 10,
    HitRight = 11,
    HitTop = 12,
    HitTopLeft = 13,
    HitTopRight = 14,
    HitBottom = 15,
    HitBottomLeft = 16,
    HitBottomRight = 17,
};

// The game window: a three-column left band, two-column right band, two-row
// bottom band, a top band of rows T+1 and T+2 (the topmost row itself drags),
// the four corners, and a caption band over the top 31 rows. `window` is the
// outer rectangle in screen coordinates, which may be negative on a monitor
// left of or above the primary one.
int gameWindowHitTest(const QRect& window, const QPoint& screenPoint);

// The launcher: two-pixel bands at the right and bottom edges with their
// corner; everything else on the window, left and top edges included, drags.
int launcherHitTest(const QRect& window, const QPoint& screenPoint);

// The window edges a resize answer grabs; empty for caption and default.
Qt::Edges edgesOfHit(int hitCode);

}  // namespace quorvane::widgets
