#include "platform/app_message.h"

bool IsControlN(const AppMessage& message) {
    return message.code == AppMessage::KeyDown && message.key == VirtualKey::LetterN &&
           message.controlDown && !message.keyUp && !message.composing;
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
