#pragma once

#include <QRect>

// The game window takes nine tenths of the work area. The factor is kept as a
// single-precision float, which lies just below 0.9, and the product is
// truncated: 1920 gives 1727, not 1728. Players' window sizes have always come
// out this way, so the arithmetic is kept exactly.
inline constexpr float kSizeFactor = 0.9f;

inline int ScaleDimension(int dimension, float factor = kSizeFactor) {
    return static_cast<int>(static_cast<double>(dimension) * static_cast<double>(factor));
}

// The game window's two sizes, and the toggle between them. The numbers are
// the ones the window's size requests have always carried.
enum class SizeMode : int { Normal = 0, Maximised = 1, Toggle = 2 };

// Window rectangle of a size mode: normal is scaled and centred on a work-area
// sized rectangle at the screen origin, maximised the work area's size at the
// origin. `current` is returned for any other mode.
QRect SizeModeGeometry(SizeMode mode, int workAreaWidth, int workAreaHeight, const QRect& current);
