#pragma once

// The few things the command suites ask of the OS beyond the socket layer
// itself: socket options a peer uses to misbehave, raw connects for bursts,
// thread counts and scheduling. Linux and Windows each have their calls in
// os_helpers.cpp; the tests above them are the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "command/socket_layer.h"
#include "testing/os_probe.h"

namespace quorvane::command::testing {

// The error of binding a fresh loopback socket to `port` with no option set
// (in LastError's numbering); 0 when the bind succeeds.
int PlainBindError(uint16_t port);

// The next close of `socket` resets the connection instead of ending it.
void SetAbortiveClose(net::Handle socket);

using probe::StartConnect;

// Waits up to timeout_ms for any of `items` to become ready for what it
// waits for; marks the ready ones and returns how many there are. Items with
// an invalid handle are left alone.
struct Readiness {
    net::Handle handle = net::kInvalidHandle;
    bool for_writing = false;
    bool ready = false;  // out; also set for an error or a hang-up
};
size_t WaitForAny(std::vector<Readiness>& items, int timeout_ms);

// Whether a program this one starts would get `socket` too.
bool IsInheritable(net::Handle socket);
// Whether small writes on `socket` go out at once (no Nagle).
bool HasNoDelay(net::Handle socket);

// Runs the program at `path` with the given arguments (UTF-8) and waits up to
// 30 s for it; its exit code, or -1 when it could not be run or did not end.
int RunProgram(const std::string& path, const std::vector<std::string>& arguments);

using probe::ThreadCount;

// The calling thread runs only when nothing else wants the processor.
void RunAtIdlePriority();

// While it lives, the calling thread and the threads it starts run on one
// processor only; the affinity it found comes back after.
class OneProcessor {
  public:
    OneProcessor();
    ~OneProcessor();
    OneProcessor(const OneProcessor&) = delete;
    OneProcessor& operator=(const OneProcessor&) = delete;

  private:
    std::uintptr_t saved_[16] = {};
};

// The socket layer's error codes the tests name, in LastError's numbering.
int DescriptorExhaustionError();
int ConnectionResetError();

// Whether this Windows program runs under Wine, whose behaviour differs from
// Windows in ways some tests write down. Always false on Linux.
bool RunningUnderWine();

}  // namespace quorvane::command::testing
