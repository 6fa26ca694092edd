#include "bench_os.h"

#include "testing/os_probe.h"

#ifdef _WIN32
#include <psapi.h>
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

#include <cstring>
#include <stdexcept>
#include <string>

namespace bench_os {

Socket StartConnect(uint16_t port) {
    Socket s = quorvane::probe::StartConnect(port);
    if (!s) throw std::runtime_error("cannot start a connect for the burst");
    return s;
}

size_t ThreadCount() {
    return quorvane::probe::ThreadCount();
}

#ifdef _WIN32

namespace {

SOCKET Native(Handle handle) {
    return static_cast<SOCKET>(handle);
}

// Through the command layer, which starts Winsock once for the process.
Socket OpenTcp() {
    return quorvane::command::net::OpenStream();
}

std::string Failure(const char* what) {
    return std::string(what) + ": error " + std::to_string(::WSAGetLastError());
}

}  // namespace

Socket ConnectBlocking(uint16_t port) {
    Socket s = OpenTcp();
    const sockaddr_in address = quorvane::probe::LoopbackAddress(port);
    if (::connect(Native(s.Get()), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
        0) {
        throw std::runtime_error(Failure("connect"));
    }
    SetNoDelay(s.Get());
    return s;
}

Socket ListenLoopback(uint16_t& port) {
    Socket listener = OpenTcp();
    sockaddr_in address = quorvane::probe::LoopbackAddress(0);
    int size = sizeof address;
    if (::bind(Native(listener.Get()), reinterpret_cast<const sockaddr*>(&address),
               sizeof address) != 0 ||
        ::listen(Native(listener.Get()), 15) != 0 ||
        ::getsockname(Native(listener.Get()), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error(Failure("bare server cannot listen"));
    }
    port = ntohs(address.sin_port);
    return listener;
}

Socket AcceptOne(Handle listener) {
    return Socket(static_cast<Handle>(::accept(Native(listener), nullptr, nullptr)));
}

void SetNoDelay(Handle socket) {
    BOOL on = TRUE;
    ::setsockopt(Native(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                 sizeof on);
}

void WakeAccept(Handle, uint16_t port) {
    // Winsock cannot shut a listener down: a connection of its own ends the
    // wait, and closes again at once.
    try {
        ConnectBlocking(port);
    } catch (const std::exception&) {
    }
}

long SendOnce(Handle socket, const char* data, size_t size) {
    return ::send(Native(socket), data, static_cast<int>(size), 0);
}

long ReceiveOnce(Handle socket, char* data, size_t size) {
    return ::recv(Native(socket), data, static_cast<int>(size), 0);
}

long ResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<long>(counters.WorkingSetSize);
}

#else

Socket ConnectBlocking(uint16_t port) {
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = quorvane::probe::LoopbackAddress(port);
    if (!s ||
        ::connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error(std::string("connect: ") + std::strerror(errno));
    }
    int on = 1;
    ::setsockopt(s.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return s;
}

Socket ListenLoopback(uint16_t& port) {
    Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = quorvane::probe::LoopbackAddress(0);
    socklen_t size = sizeof address;
    if (!listener ||
        ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Get(), 15) != 0 ||
        ::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("bare server cannot listen");
    }
    port = ntohs(address.sin_port);
    return listener;
}

Socket AcceptOne(Handle listener) {
    return Socket(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
}

void SetNoDelay(Handle socket) {
    int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void WakeAccept(Handle listener, uint16_t) {
    ::shutdown(listener, SHUT_RDWR);
}

long SendOnce(Handle socket, const char* data, size_t size) {
    return ::send(socket, data, size, MSG_NOSIGNAL);
}

long ReceiveOnce(Handle socket, char* data, size_t size) {
    return ::recv(socket, data, size, 0);
}

long ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

#endif

}  // namespace bench_os
