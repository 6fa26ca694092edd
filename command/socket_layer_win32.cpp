// The socket layer's calls into Winsock.

#include <algorithm>
#include <climits>
#include <string>
#include <unordered_map>
#include <vector>

#include "command/socket_layer.h"
#include "command/winsock.h"
#include "platform/code_page.h"

namespace quorvane::command::net {

static_assert(sizeof(Handle) == sizeof(SOCKET) && kInvalidHandle == INVALID_SOCKET,
              "Handle must hold a SOCKET");

namespace {

SOCKET Native(Handle handle) {
    return static_cast<SOCKET>(handle);
}

// Winsock is started with the first socket this process opens and cleaned up
// at exit, once per process whichever thread comes first.
class WinsockSession {
  public:
    WinsockSession() {
        WSADATA data;
        error_ = ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() {
        if (error_ == 0) ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    int Error() const { return error_; }

  private:
    int error_;
};

void EnsureWinsock() {
    static const WinsockSession session;
    if (session.Error() != 0) ThrowSocketError(session.Error());
}

// Sockets are not inherited by programs this one starts (the user's web
// browser, say), which would otherwise keep the ports busy.
Socket OpenSocket(int type, int protocol) {
    EnsureWinsock();
    Socket socket(static_cast<Handle>(::WSASocketW(
        AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT)));
    if (!socket) ThrowSocketError(LastError());
    return socket;
}

int SetNonBlocking(Handle socket) {
    u_long on = 1;
    return ::ioctlsocket(Native(socket), FIONBIO, &on) == 0 ? 0 : LastError();
}

void SetNoDelay(Handle socket) {
    // Replies are single small writes; waiting for Nagle only adds latency.
    BOOL on = TRUE;
    ::setsockopt(Native(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                 sizeof on);
}

sockaddr_in MakeAddress(const std::string& ip, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) {
        throw SocketError(u"Invalid address: " + platform::FromUtf8(ip), WSAEINVAL);
    }
    return address;
}

int Length(size_t size) {
    return static_cast<int>(std::min<size_t>(size, INT_MAX));
}

void WaitWritable(Handle socket) {
    WSAPOLLFD entry{Native(socket), POLLWRNORM, 0};
    ::WSAPoll(&entry, 1, -1);
}

}  // namespace

void Socket::Reset() {
    if (handle_ != kInvalidHandle) ::closesocket(Native(handle_));
    handle_ = kInvalidHandle;
}

int LastError() {
    return ::WSAGetLastError();
}

std::u16string ErrorText(int code) {
    std::u16string text = u"Socket Error # " + platform::FromUtf8(std::to_string(code));
    wchar_t buffer[512];
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, static_cast<DWORD>(code), 0, buffer,
                                    sizeof buffer / sizeof buffer[0], nullptr);
    // The system's texts end in a line break; some codes have no text at all.
    while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' ||
                          buffer[length - 1] == L' ')) {
        --length;
    }
    if (length > 0) {
        text += u' ';
        text.append(buffer, buffer + length);  // wchar_t is UTF-16 here
    }
    return text;
}

const int kErrorAddressInUse = WSAEADDRINUSE;

bool IsAddressRefused(int error) {
    // WSAEACCES: a port another program holds for exclusive use.
    return error == WSAEADDRINUSE || error == WSAEACCES;
}

bool IsConnectionReset(int error) {
    return error == WSAECONNRESET || error == WSAECONNABORTED;
}

Socket OpenListener(const std::string& ip, uint16_t port, int backlog) {
    sockaddr_in address = MakeAddress(ip, port);
    Socket socket = OpenSocket(SOCK_STREAM, IPPROTO_TCP);
    // Neither SO_REUSEADDR nor SO_EXCLUSIVEADDRUSE. On Windows the first would
    // let this socket take a port another program listens on, and the second
    // keeps a port from being bound again while connections a stopped
    // server accepted are still closing, which would move a restarted
    // server to the next port. A plain bind is refused on a port another
    // socket holds and passes connections in TIME_WAIT.
    if (int error = SetNonBlocking(socket.Get())) ThrowSocketError(error);
    if (::bind(Native(socket.Get()), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
        0) {
        ThrowSocketError(LastError());
    }
    if (::listen(Native(socket.Get()), backlog) != 0) ThrowSocketError(LastError());
    return socket;
}

uint16_t LocalPort(Handle socket) {
    sockaddr_in address{};
    int size = sizeof address;
    if (::getsockname(Native(socket), reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
    return ntohs(address.sin_port);
}

Socket Accept(Handle listener, int& error) {
    Socket socket(static_cast<Handle>(::accept(Native(listener), nullptr, nullptr)));
    if (!socket) {
        error = LastError();
        return Socket();
    }
    // An accepted socket is inheritable whatever its listener is.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(Native(socket.Get())), HANDLE_FLAG_INHERIT, 0);
    error = SetNonBlocking(socket.Get());
    if (error != 0) return Socket();
    SetNoDelay(socket.Get());
    return socket;
}

bool IsWouldBlock(int error) {
    return error == WSAEWOULDBLOCK;
}

bool IsTransientAcceptError(int error) {
    // A connection that was reset before we took it: nothing to report.
    return error == WSAEINTR || IsWouldBlock(error) || error == WSAECONNRESET ||
           error == WSAECONNABORTED;
}

bool IsDescriptorExhaustion(int error) {
    return error == WSAEMFILE || error == WSAENOBUFS;
}

Socket OpenReserve() {
    return Socket();
}

Socket OpenStream() {
    return OpenSocket(SOCK_STREAM, IPPROTO_TCP);
}

void ConnectTo(Handle socket, const std::string& ip, uint16_t port) {
    sockaddr_in address = MakeAddress(ip, port);
    if (::connect(Native(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
        0) {
        ThrowSocketError(LastError());
    }
    SetNoDelay(socket);
    if (int error = SetNonBlocking(socket)) ThrowSocketError(error);
}

long ReceiveNow(Handle socket, char* data, size_t size) {
    const int n = ::recv(Native(socket), data, Length(size), 0);
    if (n >= 0) return n;
    const int code = LastError();
    if (IsWouldBlock(code)) return -1;
    ThrowSocketError(code);
}

void SendAll(Handle socket, const char* data, size_t size) {
    while (size > 0) {
        const int n = ::send(Native(socket), data, Length(size), 0);
        if (n < 0) {
            const int code = LastError();
            if (!IsWouldBlock(code)) ThrowSocketError(code);
            WaitWritable(socket);
            continue;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

size_t SendNow(Handle socket, const char* data, size_t size) {
    // Winsock raises no signal for a peer that has gone.
    const int n = ::send(Native(socket), data, Length(size), 0);
    if (n >= 0) return static_cast<size_t>(n);
    const int code = LastError();
    if (IsWouldBlock(code)) return 0;
    ThrowSocketError(code);
}

void ShutdownBoth(Handle socket) {
    ::shutdown(Native(socket), SD_BOTH);
}

void ShutdownSending(Handle socket) {
    ::shutdown(Native(socket), SD_SEND);
}

// No eventfd on Windows: a UDP socket connected to itself. Raise sends it one
// datagram, which is never read, so the socket stays readable for good.
WakeEvent::WakeEvent() : event_(OpenSocket(SOCK_DGRAM, IPPROTO_UDP)) {
    sockaddr_in address = MakeAddress("127.0.0.1", 0);
    int size = sizeof address;
    if (::bind(Native(event_.Get()), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
            0 ||
        ::getsockname(Native(event_.Get()), reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        ::connect(Native(event_.Get()), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) != 0) {
        ThrowSocketError(LastError());
    }
    if (int error = SetNonBlocking(event_.Get())) ThrowSocketError(error);
}

void WakeEvent::Raise() {
    // A full buffer means earlier datagrams wait unread: raised already.
    const char one = 1;
    ::send(Native(event_.Get()), &one, 1, 0);
}

WaitResult WaitReadable(Handle socket, Handle wake, int timeout_ms) {
    // WSAPoll refuses a list that names no socket, and reports an invalid
    // one as such: only the valid ones go in.
    WSAPOLLFD entries[2];
    ULONG count = 0;
    int wake_index = -1;
    if (socket != kInvalidHandle) entries[count++] = {Native(socket), POLLRDNORM, 0};
    if (wake != kInvalidHandle) {
        wake_index = static_cast<int>(count);
        entries[count++] = {Native(wake), POLLRDNORM, 0};
    }
    if (count == 0) {
        ::Sleep(timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
        return WaitResult::kTimeout;
    }
    if (::WSAPoll(entries, count, timeout_ms) <= 0) return WaitResult::kTimeout;
    if (wake_index >= 0 && entries[wake_index].revents != 0) return WaitResult::kWoken;
    return WaitResult::kReadable;
}

// WSAPoll over a list of the handles with an interest: kNone takes a handle
// off the list, since a list entry asking for nothing still reports hang-ups
// on Windows. Every operation is O(1) but the wait, which WSAPoll makes O(n).
struct Poller::HandleList {
    static constexpr size_t kNotPolled = ~size_t{0};
    struct Entry {
        void* key;
        size_t slot;  // in polled, or kNotPolled
    };
    std::unordered_map<Handle, Entry> entries;
    std::vector<WSAPOLLFD> polled;
    std::vector<void*> keys;  // of each polled slot
    size_t first = 0;         // where the next Wait starts looking

    void Poll(Handle socket, Entry& entry, Interest interest) {
        const SHORT events = interest == Interest::kRead    ? POLLRDNORM
                             : interest == Interest::kWrite ? POLLWRNORM
                                                            : 0;
        if (events == 0) {
            Unpoll(entry);
            return;
        }
        if (entry.slot == kNotPolled) {
            // Room first, so a failing allocation leaves the lists as they were.
            if (polled.size() == polled.capacity())
                polled.reserve(std::max<size_t>(16, 2 * polled.size()));
            if (keys.size() == keys.capacity()) keys.reserve(polled.capacity());
            entry.slot = polled.size();
            polled.push_back({Native(socket), events, 0});
            keys.push_back(entry.key);
        } else {
            polled[entry.slot].events = events;
            keys[entry.slot] = entry.key;
        }
    }

    void Unpoll(Entry& entry) {
        if (entry.slot == kNotPolled) return;
        const size_t slot = entry.slot;
        entry.slot = kNotPolled;
        if (slot + 1 != polled.size()) {
            polled[slot] = polled.back();
            keys[slot] = keys.back();
            entries.at(static_cast<Handle>(polled[slot].fd)).slot = slot;
        }
        polled.pop_back();
        keys.pop_back();
    }
};

Poller::Poller() : handles_(std::make_unique<HandleList>()) {
    EnsureWinsock();
}

Poller::~Poller() = default;

void Poller::Add(Handle socket, void* key, Interest interest) {
    auto [it, added] =
        handles_->entries.try_emplace(socket, HandleList::Entry{key, HandleList::kNotPolled});
    if (!added) ThrowSocketError(WSAEINVAL);
    try {
        handles_->Poll(socket, it->second, interest);
    } catch (...) {
        handles_->entries.erase(it);
        throw;
    }
}

void Poller::Modify(Handle socket, void* key, Interest interest) {
    auto it = handles_->entries.find(socket);
    if (it == handles_->entries.end()) ThrowSocketError(WSAENOTSOCK);
    it->second.key = key;
    handles_->Poll(socket, it->second, interest);
}

void Poller::Remove(Handle socket) {
    auto it = handles_->entries.find(socket);
    if (it == handles_->entries.end()) return;
    handles_->Unpoll(it->second);
    handles_->entries.erase(it);
}

size_t Poller::Wait(PollEvent* events, int timeout_ms) {
    HandleList& list = *handles_;
    if (list.polled.empty()) {
        ::Sleep(timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
        return 0;
    }
    const int ready =
        ::WSAPoll(list.polled.data(), static_cast<ULONG>(list.polled.size()), timeout_ms);
    if (ready < 0) {
        const int code = LastError();
        if (code == WSAEINTR) return 0;
        ThrowSocketError(code);
    }
    // Level-triggered like epoll: what does not fit now is reported next
    // time, from where this call stopped, so no handle waits for ever
    // behind a busy crowd.
    const size_t size = list.polled.size();
    const size_t start = list.first < size ? list.first : 0;
    size_t count = 0;
    for (size_t k = 0; k < size && count < kMaxEvents; ++k) {
        const size_t slot = (start + k) % size;
        const SHORT flags = list.polled[slot].revents;
        if (flags == 0) continue;
        events[count++] = {list.keys[slot], (flags & (POLLRDNORM | POLLRDBAND)) != 0,
                           (flags & POLLWRNORM) != 0,
                           (flags & (POLLERR | POLLHUP | POLLNVAL)) != 0};
        if (count == kMaxEvents) list.first = (slot + 1) % size;
    }
    return count;
}

}  // namespace quorvane::command::net
