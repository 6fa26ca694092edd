#include "launcher/launcher_key_filter.h"

void LauncherKeyFilter::filterMessage(const AppMessage& message, bool& handled) const {
    // Anywhere in the application, the URL box of the debug launcher included.
    if (IsControlN(message)) handled = true;
    // Only inside the browser: the launcher's own background keeps its right
    // button.
    if (IsContextMenuMessage(message) && host_.isInsideBrowser(message.target)) handled = true;
}
