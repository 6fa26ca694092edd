#pragma once

// A threaded TCP server: one listener thread per binding, one worker thread per
// connection, a lockable list of the live connections. Handlers run on the
// worker of their connection (the listen-exception handler on the listener).

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "command/socket_layer.h"

namespace quorvane::command {

class TcpServer;

// One accepted connection. The worker thread of the connection is its only
// reader; Close, Disconnect, Connected and the input-buffer calls may also come
// from other threads (the stop loop does so).
class TcpConnection {
  public:
    // The most one receive moves into the input buffer.
    static constexpr size_t kReceiveChunk = 32768;

    explicit TcpConnection(net::Socket socket);
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    size_t InputBufferSize() const;
    void InputBufferClear();
    // Moves exactly `count` bytes from the front of the input buffer; throws
    // Error if fewer are held (the protocol never asks for more than it has).
    std::string ReadBytes(size_t count);

    // Sends every byte, or holds them while write buffering is open. Throws
    // Error when the connection is closed or the send fails.
    void Write(std::string_view bytes);
    void WriteBufferOpen();
    void WriteBufferFlush();
    void WriteBufferClear();

    // Ends the connection at once: the peer sees the close now, the descriptor
    // is released when the worker is done with it.
    void Close();
    void Disconnect();
    // Open and not closed by the peer, or unread bytes remain.
    bool Connected() const;

  private:
    friend class TcpServer;

    // Worker side: true while more bytes may still arrive.
    bool MayReceive() const;
    // Moves what has arrived (at most kReceiveChunk) without waiting; returns
    // the number of bytes moved. Throws SocketError on a receive failure.
    size_t ReceiveAvailable();

    net::Socket socket_;
    std::unique_ptr<char[]> receive_chunk_;  // worker only
    mutable std::mutex mutex_;
    std::string input_;
    std::string write_buffer_;
    bool write_buffering_ = false;
    bool closed_ = false;
    bool peer_closed_ = false;
};

// The list of connections that have a worker. Lock it (std::lock_guard works)
// around Count and Item; whoever holds it must not wait for another thread.
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

    // Handlers and settings are read by the server's threads without a lock:
    // change them only while the server is inactive.
    ConnectionHandler on_execute;
    ConnectionHandler on_connect;
    ConnectionHandler on_disconnect;
    ExceptionHandler on_exception;
    ListenExceptionHandler on_listen_exception;

    void ClearBindings() { bindings_.clear(); }
    Binding& AddBinding() { return bindings_.emplace_back(); }
    const std::vector<Binding>& Bindings() const { return bindings_; }

    // 0: no limit. Otherwise a connection accepted while this many are live is
    // closed at once without a worker, a handler or a notice.
    void SetMaxConnections(size_t limit) { max_connections_ = limit; }
    size_t MaxConnections() const { return max_connections_; }

    bool Active() const { return active_.load(std::memory_order_acquire); }
    // true: binds and listens on every binding, throwing (and leaving nothing
    // open) on failure. false: stops listening, disconnects every live
    // connection and returns once every worker has run its last handler and
    // released its connection (the threads are joined at the next activation
    // or on destruction).
    void SetActive(bool active);

    ConnectionList& Connections() { return connections_; }

    // The port the binding at `index` actually listens on (differs from the
    // binding's port when that was 0); 0 while inactive.
    uint16_t ListeningPort(size_t index = 0) const;

  private:
    struct Listener {
        net::Socket socket;
        std::thread thread;
    };
    struct Worker {
        std::thread thread;
        std::unique_ptr<TcpConnection> connection;
        bool finished = false;
    };

    void Activate();
    void Deactivate();
    void ListenLoop(net::Handle listener);
    void Admit(net::Socket socket);
    void RunWorker(std::list<Worker>::iterator worker);
    void ServeConnection(TcpConnection& connection);
    void RemoveLive(TcpConnection* connection);
    void ReapFinishedWorkers();
    void JoinAllWorkers();
    void ReportListenError(const std::u16string& message);

    std::vector<Binding> bindings_;
    size_t max_connections_ = 0;
    std::atomic<bool> active_{false};
    std::atomic<bool> stopping_{false};
    std::unique_ptr<net::WakeEvent> stop_event_;
    std::vector<Listener> listeners_;
    ConnectionList connections_;

    std::mutex workers_mutex_;
    std::list<Worker> workers_;
    std::condition_variable workers_done_;
    size_t running_workers_ = 0;   // started and not yet finished
    size_t finished_workers_ = 0;  // finished and not yet joined
};

}  // namespace quorvane::command
