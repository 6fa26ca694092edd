// debug_output_child THREADS NOTICE...: writes every notice through the debug
// channel, in order, from each of THREADS threads at once (from the main
// thread when THREADS is 1). Run by debug_output_win32_test under a debugger.

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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
    if (!arguments || count < 2) return 2;
    const int threads = static_cast<int>(std::wcstol(arguments.get()[1], nullptr, 10));
    std::vector<std::u16string> notices;
    for (int i = 2; i < count; ++i) {
        const wchar_t* argument = arguments.get()[i];
        notices.emplace_back(argument, argument + std::wcslen(argument));
    }
    const auto writeAll = [&notices] {
        for (const auto& notice : notices) quorvane::platform::OutputDebugString(notice);
    };
    if (threads <= 1) {
        writeAll();
        return 0;
    }
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) writers.emplace_back(writeAll);
    for (auto& writer : writers) writer.join();
    return 0;
}
