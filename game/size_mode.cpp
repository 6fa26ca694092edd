#include "game/size_mode.h"

QRect SizeModeGeometry(SizeMode mode, int workAreaWidth, int workAreaHeight, const QRect& current) {
    switch (mode) {
        case SizeMode::Normal: {
            const int width = ScaleDimension(workAreaWidth);
            const int height = ScaleDimension(workAreaHeight);
            const int left = static_cast<int>((workAreaWidth - width) * 0.5);
            const int top = static_cast<int>((workAreaHeight - height) * 0.5);
            return QRect(left, top, width, height);
        }
        case SizeMode::Maximised:
            return QRect(0, 0, workAreaWidth, workAreaHeight);
        default:
            return current;
    }
}
