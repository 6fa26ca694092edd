#pragma once

// A TCP server driven by one event-loop thread per server: that thread accepts,
// receives, runs every handler, writes and closes. A connection is never
// touched by two threads, so a slow or silent peer costs a descriptor and a
// few hundred bytes, not a thread, and stopping is one wake-up and one join.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "command/socket_layer.h"

namespace quorvane::command {

class TcpServer;

// One accepted connection. It belongs to the loop thread: call its methods
// from the handlers only.
class TcpConnection {
  public:
    // The most one receive moves into the input buffer.
    static constexpr size_t kReceiveChunk = 32768;
    // The most bytes held for a peer that does not read; a write beyond it
    // fails, which ends the connection instead of the server's memory.
    static constexpr size_t kMaxPendingOutput = size_t{4} << 20;

    explicit TcpConnection(net::Socket socket);
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    size_t InputBufferSize() const { return input_.size(); }
    void InputBufferClear() { input_.clear(); }
    // Moves exactly `count` bytes from the front of the input buffer; throws
    // Error if fewer are held (the protocol never asks for more than it has).
    std::string ReadBytes(size_t count);

    // Sends what the socket takes now and keeps the rest for the loop to send
    // when the peer reads. Throws Error when the connection is closed, the send fails or more than
    // kMaxPendingOutput would be waiting.
    void Write(std::string_view bytes);

    // Ends the connection once the handler returns and what was written has
    // gone out; nothing more can be written.
    void Close();
    void Disconnect() { Close(); }
    // Open and not closed by the peer, or unread bytes remain.
    bool Connected() const { return (!closed_ && !peer_closed_) || !input_.empty(); }

  private:
    friend class TcpServer;

    bool HasPendingOutput() const { return output_sent_ < output_.size(); }
    void Send(std::string_view bytes);
    // Sends what the socket takes of the pending bytes; throws SocketError.
    void SendPending();

    net::Socket socket_;
    std::string input_;
    std::string output_;  // written, not yet taken by the socket, from output_sent_ on
    size_t output_sent_ = 0;
    size_t index_ = 0;  // in the server's live lists
    net::Interest interest_ = net::Interest::kNone;
    bool closed_ = false;
    bool peer_closed_ = false;
    bool ended_ = false;
};

// The live connections. Lock it (std::lock_guard works) around Count and Item;
// any thread may read Count, Item is for the handlers (the loop thread).
class ConnectionList {
  public:
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    size_t Count() const { return items_.size(); }
    TcpConnection& Item(size_t index) const { return *items_.at(index); }

  private:
    friend class TcpServer;
    std::mutex mutex_;
    std::vector<TcpConnection*> items_;
};

struct Binding {
    std::string ip;
    uint16_t port = 0;
};

class TcpServer {
  public:
    using ConnectionHandler = std::function<void(TcpConnection&)>;
    using ExceptionHandler = std::function<void(TcpConnection&, const std::u16string& message)>;
    using ListenExceptionHandler = std::function<void(const std::u16string& message)>;

    static constexpr int kListenBacklog = 15;

    TcpServer() = default;
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    // Every handler runs on the loop thread, one at a time: messages of a
    // connection are handled in order, and a handler that blocks holds up
    // every connection. An exception out of a handler ends only the
    // connection it was called for (disconnect, then exception). Handlers and
    // settings are read without a lock: change them only while inactive.
    ConnectionHandler on_execute;
    ConnectionHandler on_connect;
    ConnectionHandler on_disconnect;
    ExceptionHandler on_exception;
    ListenExceptionHandler on_listen_exception;

    void ClearBindings() { bindings_.clear(); }
    Binding& AddBinding() { return bindings_.emplace_back(); }
    const std::vector<Binding>& Bindings() const { return bindings_; }

    // 0: no limit. Otherwise a connection accepted while this many are live is
    // closed at once without a handler or a notice.
    void SetMaxConnections(size_t limit) { max_connections_ = limit; }
    size_t MaxConnections() const { return max_connections_; }

    bool Active() const { return active_.load(std::memory_order_acquire); }
    // true: binds and listens on every binding, throwing (and leaving nothing
    // open) on failure, then starts the loop thread. false: wakes the loop,
    // which ends every live connection (disconnect handler each) and exits;
    // returns once it has been joined and the ports are free. Not from a
    // handler.
    void SetActive(bool active);

    ConnectionList& Connections() { return connections_; }

    // The port the binding at `index` actually listens on (differs from the
    // binding's port when that was 0); 0 while inactive.
    uint16_t ListeningPort(size_t index = 0) const;

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kAcceptPause{100};
    static constexpr size_t kEventsBetweenAccepts = 32;

    void Activate();
    void Deactivate();
    void Run();
    void Serve();
    bool IsListener(const void* key) const;
    void AcceptAll();
    void AcceptPending(net::Handle listener);
    enum class Shed { kOne, kBacklogEmpty, kImpossible };
    // Gives up the reserve descriptor to take one pending connection off the
    // backlog and close it, then takes the reserve back.
    Shed ShedPending(net::Handle listener);
    void PauseAccepting();
    void ResumeAccepting();
    void Admit(net::Socket socket);
    void OnReadable(TcpConnection& connection);
    void OnWritable(TcpConnection& connection);
    void Settle(TcpConnection& connection);
    // Runs one step of a connection's handling, then settles it or ends it.
    template <typename Step>
    void Handle(TcpConnection& connection, Step step);
    void End(TcpConnection& connection, bool failed, std::u16string error);
    void EndAll();
    void ReportListenError(const std::u16string& message);

    std::vector<Binding> bindings_;
    size_t max_connections_ = 0;
    std::atomic<bool> active_{false};
    ConnectionList connections_;

    // Set up by Activate before the loop starts, released after it is joined;
    // in between only the loop thread touches them.
    std::thread loop_;
    std::unique_ptr<net::WakeEvent> stop_event_;
    std::unique_ptr<net::Poller> poller_;
    std::vector<net::Socket> listeners_;
    net::Socket reserve_;
    std::unique_ptr<char[]> receive_buffer_;
    std::vector<std::unique_ptr<TcpConnection>> live_;  // same order as connections_.items_
    // Ended during the current batch of events, freed after it: a later event
    // of the batch may still name them.
    std::vector<std::unique_ptr<TcpConnection>> ended_;
    int reported_accept_error_ = 0;
    bool accept_paused_ = false;
    Clock::time_point accept_resume_at_;
};

}  // namespace quorvane::command
