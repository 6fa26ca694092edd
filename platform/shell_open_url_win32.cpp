#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <string>

#include "platform/shell_open_url.h"

namespace quorvane::platform {

bool ShellOpenUrl(std::u16string_view url) {
    const std::wstring file(url.begin(), url.end());
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success; the result is a number dressed as a handle.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace quorvane::platform
