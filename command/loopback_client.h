#pragma once

// A minimal client of the command servers, for tools and tests.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "command/socket_layer.h"

namespace quorvane::command {

class LoopbackClient {
  public:
    // Connects to 127.0.0.1:port; throws SocketError.
    explicit LoopbackClient(uint16_t port);
    // Connects a socket opened earlier (net::OpenStream), which needs no new
    // descriptor now; throws SocketError.
    LoopbackClient(net::Socket unconnected, uint16_t port);

    // Throws SocketError.
    void Send(std::string_view bytes);

    // Waits up to `timeout` for bytes and returns what one receive gives; an
    // empty string when the server has closed (or reset) the connection;
    // std::nullopt when the time ran out.
    std::optional<std::string> Receive(std::chrono::milliseconds timeout);

    // Collects bytes until `count` have come, the server closes or `timeout`
    // passes since the call; returns what came.
    std::string ReceiveAtLeast(size_t count, std::chrono::milliseconds timeout);

    // Collects bytes until the server closes; std::nullopt if it did not close
    // within `timeout`.
    std::optional<std::string> ReceiveUntilClosed(std::chrono::milliseconds timeout);

    // Half-close: the server sees the end of the stream, replies still come.
    void FinishSending();

    bool ClosedByServer() const { return closed_by_server_; }
    void Close() { socket_.Reset(); }

  private:
    net::Socket socket_;
    bool closed_by_server_ = false;
};

}  // namespace quorvane::command
