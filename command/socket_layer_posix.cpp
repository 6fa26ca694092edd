// The socket layer's calls into Linux.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "command/socket_layer.h"
#include "platform/code_page.h"

namespace quorvane::command::net {

void Socket::Reset() {
    if (handle_ != kInvalidHandle) ::close(handle_);
    handle_ = kInvalidHandle;
}

int LastError() {
    return errno;
}

std::u16string ErrorText(int code) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return u"Socket Error # " + platform::FromUtf8(std::to_string(code)) + u" " +
           platform::FromUtf8(text);
}

const int kErrorAddressInUse = EADDRINUSE;

bool IsAddressRefused(int error) {
    return error == EADDRINUSE || error == EACCES || error == EPERM;
}

bool IsConnectionReset(int error) {
    return error == ECONNRESET;
}

namespace {

sockaddr_in MakeAddress(const std::string& ip, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) {
        throw SocketError(u"Invalid address: " + platform::FromUtf8(ip), EINVAL);
    }
    return address;
}

}  // namespace

Socket OpenListener(const std::string& ip, uint16_t port, int backlog) {
    sockaddr_in address = MakeAddress(ip, port);
    Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket) ThrowSocketError(LastError());
    // Connections a stopped server closed keep its port in TIME_WAIT for a
    // while; without reuse a restarted server would have to move to the next
    // port. A port another socket listens on stays refused all the same.
    int on = 1;
    if (::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        ThrowSocketError(LastError());
    }
    // Replies are single small writes; waiting for Nagle only adds latency.
    // Accepted sockets take the option from the listener, which saves a call
    // per connection while a burst fills the backlog.
    ::setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ThrowSocketError(LastError());
    }
    if (::listen(socket.Get(), backlog) != 0) ThrowSocketError(LastError());
    return socket;
}

uint16_t LocalPort(Handle socket) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
    return ntohs(address.sin_port);
}

Socket Accept(Handle listener, int& error) {
    Handle handle = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (handle < 0) {
        error = LastError();
        return Socket();
    }
    error = 0;
    return Socket(handle);
}

bool IsWouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

bool IsTransientAcceptError(int error) {
    // A connection that was reset before we took it, or a signal: nothing to report.
    return error == EINTR || IsWouldBlock(error) || error == ECONNABORTED || error == EPROTO;
}

bool IsDescriptorExhaustion(int error) {
    return error == EMFILE || error == ENFILE;
}

Socket OpenReserve() {
    return Socket(::open("/dev/null", O_RDONLY | O_CLOEXEC));
}

Socket OpenStream() {
    Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket) ThrowSocketError(LastError());
    return socket;
}

void ConnectTo(Handle socket, const std::string& ip, uint16_t port) {
    sockaddr_in address = MakeAddress(ip, port);
    int rc;
    do {
        rc = ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) ThrowSocketError(LastError());
    int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

long ReceiveNow(Handle socket, char* data, size_t size) {
    for (;;) {
        ssize_t n = ::recv(socket, data, size, MSG_DONTWAIT);
        if (n >= 0) return static_cast<long>(n);
        int code = LastError();
        if (code == EINTR) continue;
        if (code == EAGAIN || code == EWOULDBLOCK) return -1;
        ThrowSocketError(code);
    }
}

void SendAll(Handle socket, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            int code = LastError();
            if (code == EINTR) continue;
            ThrowSocketError(code);
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

size_t SendNow(Handle socket, const char* data, size_t size) {
    for (;;) {
        ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return static_cast<size_t>(n);
        int code = LastError();
        if (code == EINTR) continue;
        if (IsWouldBlock(code)) return 0;
        ThrowSocketError(code);
    }
}

void ShutdownBoth(Handle socket) {
    ::shutdown(socket, SHUT_RDWR);
}

void ShutdownSending(Handle socket) {
    ::shutdown(socket, SHUT_WR);
}

WakeEvent::WakeEvent() : event_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!event_) ThrowSocketError(LastError());
}

void WakeEvent::Raise() {
    // Never read back: the event stays readable, so every waiter, present and
    // future, sees it.
    uint64_t one = 1;
    ssize_t rc;
    do {
        rc = ::write(event_.Get(), &one, sizeof one);
    } while (rc < 0 && errno == EINTR);
}

WaitResult WaitReadable(Handle socket, Handle wake, int timeout_ms) {
    pollfd fds[2] = {{socket, POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
        // poll ignores entries with a negative descriptor.
        int rc = ::poll(fds, 2, timeout_ms);
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) return WaitResult::kTimeout;
        if (fds[1].revents != 0) return WaitResult::kWoken;
        return WaitResult::kReadable;
    }
}

namespace {

uint32_t EventsFor(Interest interest) {
    switch (interest) {
        case Interest::kRead:
            return EPOLLIN;
        case Interest::kWrite:
            return EPOLLOUT;
        case Interest::kNone:
            break;
    }
    return 0;
}

void Control(Handle poller, int operation, Handle socket, void* key, Interest interest) {
    epoll_event event{};
    event.events = EventsFor(interest);
    event.data.ptr = key;
    if (::epoll_ctl(poller, operation, socket, &event) != 0) ThrowSocketError(LastError());
}

}  // namespace

Poller::Poller() : poller_(::epoll_create1(EPOLL_CLOEXEC)) {
    if (!poller_) ThrowSocketError(LastError());
}

Poller::~Poller() = default;

void Poller::Add(Handle socket, void* key, Interest interest) {
    Control(poller_.Get(), EPOLL_CTL_ADD, socket, key, interest);
}

void Poller::Modify(Handle socket, void* key, Interest interest) {
    Control(poller_.Get(), EPOLL_CTL_MOD, socket, key, interest);
}

void Poller::Remove(Handle) {
    // Closing the descriptor takes it out of the epoll set.
}

size_t Poller::Wait(PollEvent* events, int timeout_ms) {
    epoll_event raw[kMaxEvents];
    int n = ::epoll_wait(poller_.Get(), raw, static_cast<int>(kMaxEvents), timeout_ms);
    if (n < 0) {
        if (errno == EINTR) return 0;
        ThrowSocketError(LastError());
    }
    for (int i = 0; i < n; ++i) {
        const uint32_t flags = raw[i].events;
        events[i] = {raw[i].data.ptr, (flags & EPOLLIN) != 0, (flags & EPOLLOUT) != 0,
                     (flags & (EPOLLERR | EPOLLHUP)) != 0};
    }
    return static_cast<size_t>(n);
}

}  // namespace quorvane::command::net
