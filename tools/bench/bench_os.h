#pragma once

// The plain socket and process calls of the load benchmark's own client and
// bare servers, so that they cost the same whatever the server under test
// does: POSIX calls on Linux, Winsock on Windows (bench_os.cpp).

#include <cstddef>
#include <cstdint>

#include "command/socket_layer.h"

namespace bench_os {

using quorvane::command::net::Handle;
using quorvane::command::net::Socket;

// A blocking loopback connection with Nagle off; throws std::runtime_error.
Socket ConnectBlocking(uint16_t port);
// A non-blocking socket whose connect has started; throws std::runtime_error.
Socket StartConnect(uint16_t port);
// A blocking listener on a loopback port of the system's choosing, which it
// stores in `port`; throws std::runtime_error.
Socket ListenLoopback(uint16_t& port);
// One blocking accept; invalid on failure.
Socket AcceptOne(Handle listener);
// Small writes on `socket` go out at once.
void SetNoDelay(Handle socket);
// Makes a thread waiting in AcceptOne on `listener` return.
void WakeAccept(Handle listener, uint16_t port);

// One blocking send or receive: the byte count, or a negative number on failure.
long SendOnce(Handle socket, const char* data, size_t size);
long ReceiveOnce(Handle socket, char* data, size_t size);

// Threads of this process, and its resident memory in bytes.
size_t ThreadCount();
long ResidentBytes();

}  // namespace bench_os
