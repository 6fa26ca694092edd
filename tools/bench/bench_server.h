#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "command/command_server.h"

// The server both benchmarks measure: a launcher-kind command server on a
// port of the system's choosing, with no window behind it and its notices
// discarded.
struct NoActions : quorvane::command::CommandActions {
    void Navigate(std::u16string) override {}
    void ShowTip(std::u16string, std::u16string, std::int32_t) override {}
};

struct BenchServer {
    BenchServer()
        : server(quorvane::command::ServerKind::kLauncher, port, actions,
                 [](std::u16string_view) {}) {
        if (server.Start() != quorvane::command::StartResult::kStarted)
            throw std::runtime_error("cannot start");
    }
    std::uint16_t port = 0;
    NoActions actions;
    quorvane::command::CommandServer server;
};

inline size_t LiveCount(quorvane::command::CommandServer& server) {
    auto& list = server.Component().Connections();
    std::lock_guard<quorvane::command::ConnectionList> lock(list);
    return list.Count();
}

// Waits up to `limit` for `count` live connections; false when they did not come.
inline bool WaitForLive(quorvane::command::CommandServer& server, size_t count,
                        std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (LiveCount(server) < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}
