#include "testing/os_probe.h"

#ifdef _WIN32
#include <tlhelp32.h>
#else
#include <dirent.h>

#include <cerrno>
#endif

namespace quorvane::probe {

#ifdef _WIN32

command::net::Socket StartConnect(uint16_t port) {
    // Through the socket layer, which starts Winsock once for the process.
    command::net::Socket socket = command::net::OpenStream();
    const auto native = static_cast<SOCKET>(socket.Get());
    u_long on = 1;
    if (::ioctlsocket(native, FIONBIO, &on) != 0) return {};
    const sockaddr_in address = LoopbackAddress(port);
    if (::connect(native, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK) {
        return {};
    }
    return socket;
}

size_t ThreadCount() {
    const DWORD process = ::GetCurrentProcessId();
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    size_t count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == process;
    }
    ::CloseHandle(snapshot);
    return count;
}

#else

command::net::Socket StartConnect(uint16_t port) {
    command::net::Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket) return {};
    const sockaddr_in address = LoopbackAddress(port);
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS) {
        return {};
    }
    return socket;
}

size_t ThreadCount() {
    size_t count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

#endif

}  // namespace quorvane::probe
