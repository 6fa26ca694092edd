#pragma once

#include <QRect>
#include <vector>

// The game window takes nine tenths of the work area. The factor is kept as a
// single-precision float, which lies just below 0.9, and the product is
// truncated: 1920 gives 1727, not 1728. Players' window sizes have always come
// out this way, so the arithmetic is kept exactly.
inline constexpr float kSizeFactor = 0.9f;

inline int scaleDimension(int dimension, float factor = kSizeFactor) {
    return static_cast<int>(static_cast<double>(dimension) * static_cast<double>(factor));
}

// The game window's two sizes, and the toggle between them. The numbers are
// the ones the window's size requests have always carried.
enum class SizeMode : int { Normal = 0, Maximised = 1, Toggle = 2 };

// Window rectangle of a size mode within a work area: normal is scaled and
// centred on it, maximised is all of it. `current` is returned for any other
// mode.
QRect sizeModeGeometry(SizeMode mode, const QRect& workArea, const QRect& current);

// One screen of the desktop in the toolkit's coordinates, which may be
// negative left of or above the primary screen; the work area leaves out the
// panels and docks.
struct ScreenArea {
    QRect geometry;
    QRect workArea;
};

// The screens the desktop has now.
std::vector<ScreenArea> DesktopScreens();

// Index of the screen a window belongs to: the one that holds most of it, or,
// for a window on no screen at all, the one nearest to its centre; -1 when
// there is no screen.
int ScreenHolding(const std::vector<ScreenArea>& screens, const QRect& window);

// Where the game window goes for a size mode: within the work area of the
// screen that holds most of `anchor` (the launcher when a game opens, the
// window itself when its size toggles), so it never spans two screens.
QRect placeGameWindow(SizeMode mode, const std::vector<ScreenArea>& screens, const QRect& anchor,
                      const QRect& current);
