#include "command/loopback_client.h"

#include <utility>

#include "command/command_server.h"

namespace quorvane::command {

LoopbackClient::LoopbackClient(uint16_t port) : socket_(net::Connect(kLoopbackAddress, port)) {}

LoopbackClient::LoopbackClient(net::Socket unconnected, uint16_t port)
    : socket_(std::move(unconnected)) {
    net::ConnectTo(socket_.Get(), kLoopbackAddress, port);
}

void LoopbackClient::Send(std::string_view bytes) {
    net::SendAll(socket_.Get(), bytes.data(), bytes.size());
}

void LoopbackClient::FinishSending() {
    net::ShutdownSending(socket_.Get());
}

std::optional<std::string> LoopbackClient::Receive(std::chrono::milliseconds timeout) {
    if (closed_by_server_) return std::string();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int wait_ms = static_cast<int>(std::max<long long>(left.count(), 0));
        if (net::WaitReadable(socket_.Get(), net::kInvalidHandle, wait_ms) ==
            net::WaitResult::kTimeout) {
            return std::nullopt;
        }
        char buffer[65536];
        long n;
        try {
            n = net::ReceiveNow(socket_.Get(), buffer, sizeof buffer);
        } catch (const SocketError& e) {
            if (!net::IsConnectionReset(e.Code())) throw;
            n = 0;
        }
        if (n == 0) {
            closed_by_server_ = true;
            return std::string();
        }
        if (n > 0) return std::string(buffer, static_cast<size_t>(n));
        // Woken without data (spurious): wait again for what is left.
    }
}

std::string LoopbackClient::ReceiveAtLeast(size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string bytes;
    while (bytes.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        std::optional<std::string> part = Receive(std::max(left, std::chrono::milliseconds(0)));
        if (!part || part->empty()) break;
        bytes += *part;
    }
    return bytes;
}

std::optional<std::string> LoopbackClient::ReceiveUntilClosed(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string bytes;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        std::optional<std::string> part = Receive(std::max(left, std::chrono::milliseconds(0)));
        if (!part) return std::nullopt;
        if (part->empty()) return bytes;
        bytes += *part;
    }
}

}  // namespace quorvane::command
