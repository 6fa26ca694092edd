#pragma once

class QWidget;

// What the window system lets the client do with its top-level windows.
namespace quorvane::widgets {

// Whether windows can have a shape, the see-through region of a colour key.
// Wayland compositors offer none; a window there is see-through where it is
// transparent.
bool windowSystemHasShapes();

// Whether the client may move its windows itself. A Wayland compositor places
// every window and moves one only on the client's request.
bool windowSystemLetsClientsMoveWindows();

// Sends a top-level window to the taskbar. After a taskbar brings a window
// back, the toolkit can go on believing it minimised for a while and would
// take the request as one already met; the window would stay on the screen.
void minimiseWindow(QWidget* window);

}  // namespace quorvane::widgets
