#pragma once

// The few socket calls the command channel makes, kept in one place so a
// Winsock build only has to replace this file and its .cpp.

#include <cstddef>
#include <cstdint>
#include <string>

#include "command/error.h"

namespace quorvane::command::net {

using Handle = int;
inline constexpr Handle kInvalidHandle = -1;

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

int LastError();
std::u16string ErrorText(int code);
[[noreturn]] void ThrowSocketError(int code);

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
// when none could be opened.
Socket OpenReserve();

// An unconnected TCP socket; throws SocketError.
Socket OpenStream();
// Connects `socket` to ip:port (blocking); throws SocketError.
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
    // Add and Modify throw SocketError. A closed descriptor leaves the poller
    // by itself (the server never duplicates one).
    void Add(Handle socket, void* key, Interest interest);
    void Modify(Handle socket, void* key, Interest interest);
    // Waits up to timeout_ms (-1: no limit) and fills at most kMaxEvents
    // entries; returns how many (0 on timeout or a signal).
    size_t Wait(PollEvent* events, int timeout_ms);

  private:
    Socket poller_;
};

}  // namespace quorvane::command::net
