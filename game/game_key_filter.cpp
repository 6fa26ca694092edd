#include "game/game_key_filter.h"

void GameKeyFilter::filterMessage(const AppMessage& message, bool& handled) {
    if (message.code == AppMessage::KeyDown) KeyDown(message, handled);

    if (IsContextMenuMessage(message) && host_.isInsideBrowser(message.target)) handled = true;

    // Posted system commands are traced for support sessions; they pass on.
    if (message.code == AppMessage::SysCommand) host_.Trace(u"调试");
}

// Modifier keys other than Control for N are not looked at; Alt turns a key
// into a system key, which never comes here.
void GameKeyFilter::KeyDown(const AppMessage& message, bool& handled) {
    // While the page composes text with an input method, its keys belong to
    // the composition: F5 or F9 acting then would throw the letters away.
    if (message.composing) return;
    switch (message.key) {
        case VirtualKey::Escape:
            // The player's way out of full screen, which a page cannot keep
            // for itself.
            if (host_.inFullScreen()) {
                host_.leaveFullScreen();
                handled = true;
                return;
            }
            [[fallthrough]];
        case VirtualKey::Return:
            // A dialog would turn these into its default and cancel buttons;
            // the page needs them as keys.
            handled = false;
            return;
        case VirtualKey::F5:
            host_.refreshUnlessBlank();
            handled = true;
            return;
        case VirtualKey::F9:
            if (!host_.isGameLoaded()) break;
            // An auto-repeated key-down counts like a fresh one: holding F9
            // toggles on every repeat.
            if (host_.isGameWindowVisible()) {
                host_.hideToTray();
            } else {
                host_.restoreFromTray();
            }
            handled = true;
            return;
        default:
            if (IsControlN(message)) {
                handled = true;
                return;
            }
            break;
    }
    // Every other key goes to the page by normal dispatch: the engine's view
    // takes keys itself, so there is no dialog step that could deliver one
    // early, nor an accelerator handler to hand one to.
}
