#include <windows.h>

#include <string>

#include "platform/debug_output.h"

namespace quorvane::platform {

void OutputDebugString(std::u16string_view text) {
    // The system wants a terminated string; the copy adds the terminator and
    // nothing that reaches the debugger.
    const std::wstring notice(text.begin(), text.end());
    ::OutputDebugStringW(notice.c_str());
}

}  // namespace quorvane::platform
