#include "os_helpers.h"

#ifndef _WIN32
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;
#endif

#include <chrono>
#include <thread>

#include "platform/code_page.h"

namespace quorvane::command::testing {

#ifdef _WIN32

int PlainBindError(uint16_t port) {
    // Through the layer, so Winsock is started.
    net::Socket socket = net::OpenStream();
    const sockaddr_in address = probe::LoopbackAddress(port);
    return ::bind(static_cast<SOCKET>(socket.Get()), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) == 0
               ? 0
               : ::WSAGetLastError();
}

void SetAbortiveClose(net::Handle socket) {
    const linger abort_on_close{1, 0};
    ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_LINGER,
                 reinterpret_cast<const char*>(&abort_on_close), sizeof abort_on_close);
}

size_t WaitForAny(std::vector<Readiness>& items, int timeout_ms) {
    // WSAPoll refuses invalid handles: only the valid ones go in.
    std::vector<WSAPOLLFD> entries;
    std::vector<size_t> index;
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].ready = false;
        if (items[i].handle == net::kInvalidHandle) continue;
        entries.push_back({static_cast<SOCKET>(items[i].handle),
                           static_cast<SHORT>(items[i].for_writing ? POLLWRNORM : POLLRDNORM), 0});
        index.push_back(i);
    }
    if (entries.empty() ||
        ::WSAPoll(entries.data(), static_cast<ULONG>(entries.size()), timeout_ms) <= 0) {
        return 0;
    }
    size_t ready = 0;
    for (size_t k = 0; k < entries.size(); ++k) {
        if (entries[k].revents == 0) continue;
        items[index[k]].ready = true;
        ++ready;
    }
    return ready;
}

bool IsInheritable(net::Handle socket) {
    DWORD flags = 0;
    ::GetHandleInformation(reinterpret_cast<HANDLE>(static_cast<SOCKET>(socket)), &flags);
    return (flags & HANDLE_FLAG_INHERIT) != 0;
}

bool HasNoDelay(net::Handle socket) {
    BOOL on = FALSE;
    int size = sizeof on;
    ::getsockopt(static_cast<SOCKET>(socket), IPPROTO_TCP, TCP_NODELAY,
                 reinterpret_cast<char*>(&on), &size);
    return on != FALSE;
}

int RunProgram(const std::string& path, const std::vector<std::string>& arguments) {
    // Every argument quoted; none of the tests' arguments holds a quote.
    std::string line = "\"" + path + "\"";
    for (const std::string& argument : arguments) line += " \"" + argument + "\"";
    const std::u16string wide = platform::FromUtf8(line);
    std::wstring command_line(wide.begin(), wide.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.hProcess, &code);
    } else {
        ::TerminateProcess(process.hProcess, 1);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

void RunAtIdlePriority() {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_IDLE);
}

// Threads take the process's affinity when they start, not their creator's.
OneProcessor::OneProcessor() {
    DWORD_PTR process = 0, system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) || process == 0) return;
    saved_[0] = process;
    ::SetProcessAffinityMask(::GetCurrentProcess(), process & (~process + 1));
}

OneProcessor::~OneProcessor() {
    if (saved_[0] != 0) ::SetProcessAffinityMask(::GetCurrentProcess(), saved_[0]);
}

int DescriptorExhaustionError() {
    return WSAEMFILE;
}

int ConnectionResetError() {
    return WSAECONNRESET;
}

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

#else

int PlainBindError(uint16_t port) {
    net::Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = probe::LoopbackAddress(port);
    return ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
               ? 0
               : errno;
}

void SetAbortiveClose(net::Handle socket) {
    const linger abort_on_close{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
}

size_t WaitForAny(std::vector<Readiness>& items, int timeout_ms) {
    std::vector<pollfd> entries;
    entries.reserve(items.size());
    for (Readiness& item : items) {
        item.ready = false;
        // poll skips entries with a negative descriptor.
        entries.push_back(
            {item.handle, static_cast<short>(item.for_writing ? POLLOUT : POLLIN), 0});
    }
    if (::poll(entries.data(), entries.size(), timeout_ms) <= 0) return 0;
    size_t ready = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (entries[i].revents == 0) continue;
        items[i].ready = true;
        ++ready;
    }
    return ready;
}

bool IsInheritable(net::Handle socket) {
    return (::fcntl(socket, F_GETFD) & FD_CLOEXEC) == 0;
}

bool HasNoDelay(net::Handle socket) {
    int on = 0;
    socklen_t size = sizeof on;
    ::getsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, &size);
    return on != 0;
}

int RunProgram(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void RunAtIdlePriority() {
    const sched_param idle{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &idle);
}

// Threads take their creator's affinity when they start.
OneProcessor::OneProcessor() {
    static_assert(sizeof saved_ >= sizeof(cpu_set_t), "room for the affinity");
    cpu_set_t current;
    CPU_ZERO(&current);
    if (::sched_getaffinity(0, sizeof current, &current) != 0) return;
    std::memcpy(saved_, &current, sizeof current);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &current)) continue;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        ::sched_setaffinity(0, sizeof one, &one);
        return;
    }
}

OneProcessor::~OneProcessor() {
    cpu_set_t saved;
    std::memcpy(&saved, saved_, sizeof saved);
    if (CPU_COUNT(&saved) > 0) ::sched_setaffinity(0, sizeof saved, &saved);
}

int DescriptorExhaustionError() {
    return EMFILE;
}

int ConnectionResetError() {
    return ECONNRESET;
}

bool RunningUnderWine() {
    return false;
}

#endif

}  // namespace quorvane::command::testing
