#pragma once

// What the command channel's tests and benchmarks ask of the system beside
// the socket layer the servers use: connects that do not wait, as a burst of
// clients makes them, and the process's thread count. Not part of the client.

#ifdef _WIN32
#include "command/winsock.h"
#else
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstddef>
#include <cstdint>

#include "command/socket_layer.h"

namespace quorvane::probe {

// 127.0.0.1 with `port`, for the system's own socket calls.
inline sockaddr_in LoopbackAddress(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A non-blocking socket whose connect to the loopback port has started;
// invalid when it could not be started.
command::net::Socket StartConnect(uint16_t port);

// Threads of this process.
size_t ThreadCount();

}  // namespace quorvane::probe
