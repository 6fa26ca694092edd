#include "game/size_mode.h"

QRect SizeModeGeometry(int mode, int workAreaWidth, int workAreaHeight, const QRect& current) {
    switch (mode) {
        case 0: {
            const int width = ScaleDimension(workAreaWidth);
            const int height = ScaleDimension(workAreaHeight);
            const int left = static_cast<int>((workAreaWidth - width) * 0.5);
            const int top = static_cast<int>((workAreaHeight - height) * 0.5);
            return QRect(left, top, width, height);
        }
        case 1:
            return QRect(0, 0, workAreaWidth, workAreaHeight);
        default:
            return current;
    }
}
