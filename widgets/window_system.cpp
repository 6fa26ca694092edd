#include "widgets/window_system.h"

#include <QGuiApplication>
#include <QWidget>

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

void minimiseWindow(QWidget* window) {
    if (window->windowState() & Qt::WindowMinimized)
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->setWindowState(window->windowState() | Qt::WindowMinimized);
}

}  // namespace quorvane::widgets
