#include "game/game_key_filter.h"

#include "launcher/launcher_key_filter.h"

namespace {

constexpr int kBackspace = 0x08;
constexpr int kReturn = 0x0D;
constexpr int kEscape = 0x1B;
constexpr int kLeft = 0x25;
constexpr int kRight = 0x27;
constexpr int kF5 = 0x74;
constexpr int kF9 = 0x78;

}  // namespace

void GameKeyFilter::AEMessage(const AppMessage& message, bool& handled) {
    if (message.code == AppMessage::KeyDown) KeyDown(message, handled);

    if (IsContextMenuMessage(message) && host_.IsInsideBrowser(message.target)) handled = true;

    // Posted system commands are traced for support sessions; they pass on.
    if (message.code == AppMessage::SysCommand) host_.Trace(u"调试");
}

// The keys the window acts on itself are decided before the browser is offered
// anything: a key the browser had already taken could not be swallowed any
// more, and one it took and the loop dispatched again would reach the page
// twice. Modifier keys other than Control for N are not looked at; Alt turns a
// key into a system key, which never comes here.
void GameKeyFilter::KeyDown(const AppMessage& message, bool& handled) {
    switch (message.key) {
        case kReturn:
        case kEscape:
            // A dialog would turn these into its default and cancel buttons;
            // the page needs them as keys.
            handled = false;
            return;
        case kF5:
            host_.RefreshUnlessBlank();
            handled = true;
            return;
        case kF9:
            if (!host_.GameLoaded()) break;
            // An auto-repeated key-down counts like a fresh one: holding F9
            // toggles on every repeat.
            if (host_.GameWindowVisible()) {
                host_.HideToTray();
            } else {
                host_.RestoreFromTray();
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
    handled = OfferToBrowser(message);
}

bool GameKeyFilter::OfferToBrowser(const AppMessage& message) {
    const bool delivered = host_.IsDialogMessage(message);
    if (!delivered || inPlaceObject_ || host_.BrowserBusy()) return delivered;

    inPlaceObject_ = host_.QueryInPlaceObject();
    // Editing and caret keys handed over as accelerators would act twice in
    // the page's text fields.
    if (inPlaceObject_ && message.key != kBackspace && message.key != kLeft &&
        message.key != kRight) {
        inPlaceObject_->TranslateAccelerator(message);
    }
    return delivered;
}
