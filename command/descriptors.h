#pragma once

// The process's descriptor budget. Every live command connection holds one
// descriptor, and the usual soft limit (1,024) is far below what a burst of
// page connections can reach.

#include <cstdint>

namespace quorvane::command {

// The most RaiseDescriptorLimit asks for: far more connections than the
// command servers ever see, while keeping per-process tables small.
inline constexpr uint64_t kDescriptorLimitCap = 65536;

// Raises the soft RLIMIT_NOFILE to the hard limit, capped at
// kDescriptorLimitCap; never lowers it. Returns the soft limit in force
// afterwards (0 if it cannot be read). Call once at start-up, before threads
// that open descriptors exist.
//
// Windows has no such limit: sockets are handles, bounded only by the
// system's memory. There it does nothing and returns UINT64_MAX.
uint64_t RaiseDescriptorLimit();

}  // namespace quorvane::command
