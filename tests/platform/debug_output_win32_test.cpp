#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/code_page.h"

// The debug channel watched by a debugger: the child program writes the
// notices it is given through quorvane::platform::OutputDebugString, and this
// debugger loop reads each OUTPUT_DEBUG_STRING_EVENT out of the child's memory.

namespace {

using quorvane::platform::FromAnsi;
using quorvane::platform::ToUtf8;

struct Capture {
    std::vector<std::u16string> notices;
    DWORD exitCode = STILL_ACTIVE;
    bool ansi = false;  // at least one notice came in its ANSI form
};

std::wstring ChildPath() {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.rfind(L'\\') + 1) + L"" DEBUG_OUTPUT_CHILD;
}

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// One argument as CommandLineToArgvW reads it back: in quotes, with a
// backslash before each quote and the backslashes that precede one doubled.
std::wstring Quoted(std::u16string_view argument) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
        } else {
            if (c == u'"') out.append(backslashes + 1, L'\\');
            backslashes = 0;
        }
        out.push_back(static_cast<wchar_t>(c));
    }
    out.append(backslashes, L'\\');
    out.push_back(L'"');
    return out;
}

std::u16string ReadNotice(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info, bool& ansi) {
    const size_t unit = info.fUnicode ? 2 : 1;
    std::string bytes(info.nDebugStringLength * unit, '\0');
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &read)) {
        ADD_FAILURE() << "cannot read the notice, error " << GetLastError();
        return {};
    }
    bytes.resize(read);
    // The length counts the terminator.
    if (bytes.size() >= unit) bytes.resize(bytes.size() - unit);
    if (info.fUnicode) {
        std::u16string text(bytes.size() / 2, u'\0');
        std::copy_n(bytes.data(), text.size() * 2, reinterpret_cast<char*>(text.data()));
        return text;
    }
    ansi = true;
    return FromAnsi(bytes);
}

// Runs the child under this debugger until it exits. The debug events stop
// the child until they are answered, so the notices come in the order they
// were written.
Capture RunChild(const std::vector<std::u16string>& notices) {
    Capture capture;
    std::wstring commandLine = Quoted(u"debug_output_child");
    for (const auto& notice : notices) commandLine += L" " + Quoted(notice);
    const std::wstring child = ChildPath();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(child.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start the child, error " << GetLastError();
        return capture;
    }
    const UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    for (;;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 60000)) {
            ADD_FAILURE() << "no debug event for a minute";
            TerminateProcess(process.hProcess, 99);
            break;
        }
        DWORD answer = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case OUTPUT_DEBUG_STRING_EVENT:
                capture.notices.push_back(
                    ReadNotice(process.hProcess, event.u.DebugString, capture.ansi));
                break;
            case CREATE_PROCESS_DEBUG_EVENT:
                // The debugger is handed the image file's handle to close.
                HandleCloser{}(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                HandleCloser{}(event.u.LoadDll.hFile);
                break;
            case EXCEPTION_DEBUG_EVENT:
                // The breakpoint the system stops a new debuggee at is ours to
                // pass; any other exception is the child's own.
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                    answer = DBG_EXCEPTION_NOT_HANDLED;
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                capture.exitCode = event.u.ExitProcess.dwExitCode;
                break;
            default:
                break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) break;
    }
    WaitForSingleObject(process.hProcess, 60000);
    return capture;
}

// Wine 8 (no WaitForDebugEventEx) hands a debugger the ANSI form only, made
// with the process's ANSI code page; the test runs in a Chinese locale so
// that it is 936 and the Chinese notices come through whole.
void ExpectAnsiFormReadable(const Capture& capture) {
    if (capture.ansi) {
        EXPECT_EQ(GetACP(), 936u) << "the notices came in their ANSI form, which holds Chinese "
                                     "only in code page 936: run with LC_ALL=zh_CN.UTF-8";
    }
}

TEST(DebugOutputTest, EachNoticeIsOneStringWithNothingAdded) {
    const std::vector<std::u16string> notices = {
        u"TCP\u8FDE\u63A5\u6210\u529F\uFF1A2026/12/9 18:30:05",
        u"TCP Disconnected\uFF1A2026/12/9",
        u"TCPServer\u5F02\u5E38\uFF1ASocket Error # 10054\nConnection reset by peer.",
        u"\u8C03\u8BD5",
        u"",
        u" spaces at both ends ",
        u"TCPServer\u4FA6\u542C\u5F02\u5E38\uFF1A" + std::u16string(3000, u'\u670D'),
    };
    const Capture capture = RunChild(notices);
    EXPECT_EQ(capture.exitCode, 0u);
    ExpectAnsiFormReadable(capture);
    ASSERT_EQ(capture.notices.size(), notices.size());
    for (size_t i = 0; i < notices.size(); ++i) {
        EXPECT_EQ(capture.notices[i], notices[i]) << i << ": " << ToUtf8(capture.notices[i]);
    }
}

// A character outside code page 936 does not survive Wine's ANSI form: each
// UTF-16 code unit of it arrives as '?'. A debugger on Windows that asks with
// WaitForDebugEventEx gets the notice as it was written.
TEST(DebugOutputTest, CharactersOutsideTheAnsiCodePageUnderWine) {
    const std::u16string notice = u"x\U0001F600y\u0E01\uFF1A";
    const Capture capture = RunChild({notice});
    ExpectAnsiFormReadable(capture);
    ASSERT_EQ(capture.notices.size(), 1u);
    EXPECT_EQ(capture.notices[0], capture.ansi ? u"x??y?\uFF1A" : notice);
}

}  // namespace
