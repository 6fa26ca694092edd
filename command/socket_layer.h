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

// A TCP socket bound to ip:port and listening. The port may still hold
// connections in TIME_WAIT, but no other listener.
Socket OpenListener(const std::string& ip, uint16_t port, int backlog);
uint16_t LocalPort(Handle socket);

// Returns an invalid socket and sets `error` when nothing could be accepted.
Socket Accept(Handle listener, int& error);
bool IsTransientAcceptError(int error);

// Connects to ip:port (blocking); throws SocketError.
Socket Connect(const std::string& ip, uint16_t port);

// One receive that does not wait. Returns the byte count, 0 when the peer has
// closed, -1 when nothing is there yet; throws SocketError on failure.
long ReceiveNow(Handle socket, char* data, size_t size);

// Sends every byte (blocking, no SIGPIPE); throws SocketError on failure.
void SendAll(Handle socket, const char* data, size_t size);

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

}  // namespace quorvane::command::net
