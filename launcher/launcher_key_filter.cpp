#include "launcher/launcher_key_filter.h"

bool IsControlN(const AppMessage& message) {
    return message.code == AppMessage::KeyDown && message.key == 0x4E && message.controlDown &&
           !message.keyUp;
}

bool IsContextMenuMessage(const AppMessage& message) {
    switch (message.code) {
        case AppMessage::ContextMenu:
        case AppMessage::NcRButtonDown:
        case AppMessage::NcRButtonDblClk:
        case AppMessage::RButtonDown:
        case AppMessage::RButtonDblClk:
            return true;
        default:
            return false;
    }
}

void LauncherKeyFilter::AEMessage(const AppMessage& message, bool& handled) const {
    // Anywhere in the application, the URL box of the debug launcher included.
    if (IsControlN(message)) handled = true;
    // Only inside the browser: the launcher's own background keeps its right
    // button.
    if (IsContextMenuMessage(message) && host_.IsInsideBrowser(message.target)) handled = true;
}
