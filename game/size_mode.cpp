#include "game/size_mode.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdint>
#include <limits>

QRect sizeModeGeometry(SizeMode mode, const QRect& workArea, const QRect& current) {
    switch (mode) {
        case SizeMode::Normal: {
            const int width = scaleDimension(workArea.width());
            const int height = scaleDimension(workArea.height());
            const int left = workArea.left() + static_cast<int>((workArea.width() - width) * 0.5);
            const int top = workArea.top() + static_cast<int>((workArea.height() - height) * 0.5);
            return QRect(left, top, width, height);
        }
        case SizeMode::Maximised:
            return workArea;
        default:
            return current;
    }
}

std::vector<ScreenArea> DesktopScreens() {
    std::vector<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back({screen->geometry(), screen->availableGeometry()});
    return screens;
}

int ScreenHolding(const std::vector<ScreenArea>& screens, const QRect& window) {
    int best = -1;
    std::int64_t bestArea = 0;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const QRect common = screens[i].geometry & window;
        const std::int64_t area = std::int64_t{common.width()} * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = static_cast<int>(i);
        }
    }
    if (best >= 0 || screens.empty()) return best;
    // Off every screen: the nearest one, measured from the window's centre.
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    const QPoint centre = window.center();
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const QRect& g = screens[i].geometry;
        const std::int64_t dx =
            centre.x() < g.left() ? g.left() - centre.x() : std::max(0, centre.x() - g.right());
        const std::int64_t dy =
            centre.y() < g.top() ? g.top() - centre.y() : std::max(0, centre.y() - g.bottom());
        if (dx * dx + dy * dy < bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = static_cast<int>(i);
        }
    }
    return best;
}

QRect placeGameWindow(SizeMode mode, const std::vector<ScreenArea>& screens, const QRect& anchor,
                      const QRect& current) {
    const int screen = ScreenHolding(screens, anchor);
    if (screen < 0) return current;
    return sizeModeGeometry(mode, screens[static_cast<std::size_t>(screen)].workArea, current);
}
