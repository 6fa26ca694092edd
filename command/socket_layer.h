#pragma once

// The few socket calls the command channel makes, kept in one place: what
// both systems share is in socket_layer.cpp, the calls into the OS in
// socket_layer_posix.cpp (Linux) and socket_layer_win32.cpp (Winsock), one
// of which a build compiles.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "command/error.h"

namespace quorvane::command::net {

#ifdef _WIN32
// A SOCKET; kept free of the Winsock headers, which bring the whole Windows API.
using Handle = std::uintptr_t;
inline constexpr Handle kInvalidHandle = ~Handle{0};
#else
using Handle = int;
inline constexpr Handle kInvalidHandle = -1;
#endif

// Owns one descriptor and closes it on destruction.
class Socket {
  public:
    Socket() = default;
    explicit Socket(Handle handle) : handle_(handle) {}
    ~Socket() { Reset(); }
    Socket(Socket&& other) noexcept : handle_(other.Release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    Handle Get() const { return handle_; }
    bool Valid() const { return handle_ != kInvalidHandle; }
    explicit operator bool() const { return Valid(); }
    Handle Release();
    void Reset();

  private:
    Handle handle_ = kInvalidHandle;
};

// The error of the last failed call on this thread: errno, or on Windows
// WSAGetLastError. SocketError::Code() holds the same kind of number.
int LastError();
// "Socket Error # <code> <the system's text for it>".
std::u16string ErrorText(int code);
[[noreturn]] void ThrowSocketError(int code);

// Error codes the callers tell apart, in LastError's numbering.
extern const int kErrorAddressInUse;
// The address is taken or not allowed: another port may still do.
bool IsAddressRefused(int error);
// The peer reset (or, on Windows, the stack aborted) the connection.
bool IsConnectionReset(int error);

// A TCP socket bound to ip:port and listening, non-blocking. The port may
// still hold connections in TIME_WAIT, but no other listener.
Socket OpenListener(const std::string& ip, uint16_t port, int backlog);
uint16_t LocalPort(Handle socket);

// A non-blocking accept: the socket it returns does not block either.
// Returns an invalid socket and sets `error` when nothing could be accepted.
Socket Accept(Handle listener, int& error);
// The backlog is empty.
bool IsWouldBlock(int error);
// A connection that went away before it was taken, or a signal.
bool IsTransientAcceptError(int error);
// The process or the system has no descriptor left for the connection.
bool IsDescriptorExhaustion(int error);

// A descriptor held only to be given up when accept runs out of them, so the
// pending connection can still be taken off the backlog and closed. Invalid
// when none could be opened, and always on Windows: sockets are handles there,
// with no per-process limit a spare one could make room under, so the server
// pauses accepting instead.
Socket OpenReserve();

// An unconnected TCP socket; throws SocketError.
Socket OpenStream();
// Connects `socket` to ip:port (blocking); throws SocketError. On Windows the
// socket is non-blocking afterwards, since recv has no per-call "do not wait"
// there; SendAll waits for room by itself, so callers see no difference.
void ConnectTo(Handle socket, const std::string& ip, uint16_t port);
// Both of the above; throws SocketError.
Socket Connect(const std::string& ip, uint16_t port);

// One receive that does not wait. Returns the byte count, 0 when the peer has
// closed, -1 when nothing is there yet; throws SocketError on failure.
long ReceiveNow(Handle socket, char* data, size_t size);

// Sends every byte (blocking, no SIGPIPE); throws SocketError on failure.
void SendAll(Handle socket, const char* data, size_t size);

// One send that does not wait (no SIGPIPE). Returns the byte count, 0 when
// the socket buffer is full; throws SocketError on failure.
size_t SendNow(Handle socket, const char* data, size_t size);

// Ends both directions without releasing the descriptor, so a thread that is
// waiting in another call on it wakes up and the number cannot be reused under it.
void ShutdownBoth(Handle socket);

void ShutdownSending(Handle socket);

// A signal that stays raised once raised; any number of threads can wait on it.
class WakeEvent {
  public:
    WakeEvent();  // throws SocketError
    void Raise();
    Handle Get() const { return event_.Get(); }

  private:
    Socket event_;
};

// Waits until `socket` is readable (or closed), or `wake` is raised, or
// timeout_ms passes (-1: no limit). Pass kInvalidHandle to wait on one of them only.
enum class WaitResult { kReadable, kWoken, kTimeout };
WaitResult WaitReadable(Handle socket, Handle wake, int timeout_ms);

// Readiness of many descriptors at once, each registered with a key of the
// caller's that comes back with its events. Level-triggered: a descriptor is
// reported again as long as it stays ready. One thread uses it at a time.
enum class Interest { kNone, kRead, kWrite };
struct PollEvent {
    void* key;
    bool readable;
    bool writable;
    bool failed;  // error or hang-up; reported whatever the interest
};

class Poller {
  public:
    static constexpr size_t kMaxEvents = 256;

    Poller();  // throws SocketError
    ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    // Add and Modify throw SocketError.
    void Add(Handle socket, void* key, Interest interest);
    void Modify(Handle socket, void* key, Interest interest);
    // Forgets `socket`; call it right before closing the socket. On Linux a
    // closed descriptor leaves the poller by itself (the server never
    // duplicates one), so this costs nothing there. On Windows the poller
    // keeps a list of handles, and a handle number is reused as soon as it
    // is closed: one left in the list would stand for the next socket.
    void Remove(Handle socket);
    // Waits up to timeout_ms (-1: no limit) and fills at most kMaxEvents
    // entries; returns how many (0 on timeout or a signal).
    size_t Wait(PollEvent* events, int timeout_ms);

  private:
#ifdef _WIN32
    struct HandleList;  // socket_layer_win32.cpp
    std::unique_ptr<HandleList> handles_;
#else
    Socket poller_;
#endif
};

}  // namespace quorvane::command::net
