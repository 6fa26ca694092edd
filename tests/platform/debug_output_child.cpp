// debug_output_child NOTICE...: writes every notice through the debug channel,
// in order. Run by debug_output_win32_test under a debugger.

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <string>

#include "platform/debug_output.h"

namespace {

struct LocalFreeDeleter {
    void operator()(LPWSTR* arguments) const { LocalFree(arguments); }
};

}  // namespace

int main() {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreeDeleter> arguments(
        CommandLineToArgvW(GetCommandLineW(), &count));
    if (!arguments) return 2;
    for (int i = 1; i < count; ++i) {
        const wchar_t* argument = arguments.get()[i];
        quorvane::platform::OutputDebugString(
            std::u16string(argument, argument + std::wcslen(argument)));
    }
    return 0;
}
