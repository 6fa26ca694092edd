#include "widgets/window_system.h"

#include <QGuiApplication>

namespace quorvane::widgets {
namespace {

bool onWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

bool windowSystemHasShapes() {
    return !onWayland();
}

bool windowSystemLetsClientsMoveWindows() {
    return !onWayland();
}

}  // namespace quorvane::widgets
