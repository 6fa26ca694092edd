#pragma once

// What the command channel's tests and benchmarks ask of the system beside
// the socket layer the servers use: connects that do not wait, as a burst of
// clients makes them, and the process's thread count. Not part of the client.

#include <cstddef>
#include <cstdint>

#include "command/socket_layer.h"

namespace quorvane::command::probe {

// A non-blocking socket whose connect to the loopback port has started;
// invalid when it could not be started.
net::Socket StartConnect(uint16_t port);

// Threads of this process.
size_t ThreadCount();

}  // namespace quorvane::command::probe
