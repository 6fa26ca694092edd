#include "widgets/window_system.h"

#include <QGuiApplication>

namespace quorvane::widgets {
namespace {

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

bool WindowSystemHasShapes() {
    return !OnWayland();
}

bool WindowSystemLetsClientsMoveWindows() {
    return !OnWayland();
}

}  // namespace quorvane::widgets
