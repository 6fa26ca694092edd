#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "command/notices.h"
#include "command/protocol.h"
#include "command/socket_layer.h"
#include "platform/code_page.h"

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define QUORVANE_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define QUORVANE_TEST_SANITIZED 1
#endif
#endif

namespace quorvane::command::testing {

inline constexpr std::chrono::milliseconds kWait{5000};

// Sanitizers make every socket call many times slower: load tests use the
// smaller count there, so the suite stays quick under them too.
#ifdef QUORVANE_TEST_SANITIZED
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
inline constexpr size_t LoadCount(size_t plain, size_t sanitized) {
    return kSanitized ? sanitized : plain;
}

// An ordered log shared by the notice sink and the fake window actions, so a
// test can check what happened in which order across both.
class EventLog {
  public:
    void Add(std::u16string event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
        changed_.notify_all();
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
    }
    NoticeSink Sink() {
        return [this](std::u16string_view notice) { Add(std::u16string(notice)); };
    }
    bool WaitForCount(size_t count, std::chrono::milliseconds timeout = kWait) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
    }
    std::vector<std::u16string> Events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::u16string> events_;
};

// Window actions that only write down what they were asked.
class FakeActions : public CommandActions {
  public:
    explicit FakeActions(EventLog& log) : log_(log) {}
    void Navigate(std::u16string address) override { log_.Add(u"Navigate(" + address + u")"); }
    void ShowTip(std::u16string title, std::u16string text, int32_t icon_kind) override {
        log_.Add(u"ShowTip(" + title + u"|" + text + u"|" +
                 platform::FromUtf8(std::to_string(icon_kind)) + u")");
    }

  private:
    EventLog& log_;
};

inline bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Ports below the ephemeral range, so the clients of a test never take them.
inline uint16_t RandomTestPort() {
    static std::mt19937 random{std::random_device{}()};
    return static_cast<uint16_t>(std::uniform_int_distribution<int>(20000, 30000)(random));
}

inline bool PortIsFree(uint16_t port) {
    try {
        net::OpenListener("127.0.0.1", port, 1);
        return true;
    } catch (const SocketError&) {
        return false;
    }
}

// `count` consecutive loopback ports held by listening sockets, the port right
// after them free when this returns.
struct HeldPorts {
    uint16_t first = 0;
    std::vector<net::Socket> sockets;
};

inline HeldPorts HoldConsecutivePorts(size_t count) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        HeldPorts held;
        held.first = RandomTestPort();
        try {
            for (size_t i = 0; i < count; ++i) {
                held.sockets.push_back(
                    net::OpenListener("127.0.0.1", static_cast<uint16_t>(held.first + i), 1));
            }
        } catch (const SocketError&) {
            continue;
        }
        if (PortIsFree(static_cast<uint16_t>(held.first + count))) return held;
    }
    return {};
}

inline uint16_t FreeTestPort() {
    return HoldConsecutivePorts(0).first;
}

}  // namespace quorvane::command::testing
