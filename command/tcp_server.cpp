#include "command/tcp_server.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/code_page.h"

namespace quorvane::command {

// ---------------------------------------------------------------- connection

TcpConnection::TcpConnection(net::Socket socket) : socket_(std::move(socket)) {}

size_t TcpConnection::InputBufferSize() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return input_.size();
}

void TcpConnection::InputBufferClear() {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.clear();
}

std::string TcpConnection::ReadBytes(size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count > input_.size()) throw Error(u"Not enough data in the input buffer");
    std::string bytes;
    if (count == input_.size()) {
        bytes.swap(input_);
    } else {
        bytes.assign(input_, 0, count);
        input_.erase(0, count);
    }
    return bytes;
}

void TcpConnection::Write(std::string_view bytes) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_) throw Error(u"Not Connected");
    if (write_buffering_) {
        write_buffer_.append(bytes);
        return;
    }
    lock.unlock();
    // The send may block on a peer that does not read; a Close from another
    // thread shuts the socket down, which ends the send with an error.
    if (!bytes.empty()) net::SendAll(socket_.Get(), bytes.data(), bytes.size());
}

void TcpConnection::WriteBufferOpen() {
    std::lock_guard<std::mutex> lock(mutex_);
    write_buffering_ = true;
}

void TcpConnection::WriteBufferFlush() {
    std::string pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (write_buffer_.empty()) return;
        if (closed_) throw Error(u"Not Connected");
        pending.swap(write_buffer_);
    }
    net::SendAll(socket_.Get(), pending.data(), pending.size());
}

void TcpConnection::WriteBufferClear() {
    std::lock_guard<std::mutex> lock(mutex_);
    write_buffer_.clear();
}

void TcpConnection::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    closed_ = true;
    write_buffering_ = false;
    // Shutdown rather than close: the worker may be inside poll/recv/send on
    // this descriptor right now, and a closed number could be handed to the
    // next accepted connection under its feet. The worker closes it at the end.
    net::ShutdownBoth(socket_.Get());
}

void TcpConnection::Disconnect() {
    Close();
}

bool TcpConnection::Connected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return (!closed_ && !peer_closed_) || !input_.empty();
}

bool TcpConnection::MayReceive() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !closed_ && !peer_closed_;
}

size_t TcpConnection::ReceiveAvailable() {
    // On the heap: a 32 KiB stack array would have every one of its pages
    // probed (stack-clash protection) in each of possibly a thousand threads.
    if (!receive_chunk_) receive_chunk_.reset(new char[kReceiveChunk]);
    char* chunk = receive_chunk_.get();
    long n = net::ReceiveNow(socket_.Get(), chunk, kReceiveChunk);
    std::lock_guard<std::mutex> lock(mutex_);
    if (n == 0) {
        peer_closed_ = true;
        return 0;
    }
    if (n < 0 || closed_) return 0;  // nothing yet, or closed meanwhile
    input_.append(chunk, static_cast<size_t>(n));
    return static_cast<size_t>(n);
}

// -------------------------------------------------------------------- server

TcpServer::~TcpServer() {
    SetActive(false);
    JoinAllWorkers();
}

void TcpServer::JoinAllWorkers() {
    std::list<Worker> workers;
    {
        std::lock_guard<std::mutex> lock(workers_mutex_);
        workers.splice(workers.end(), workers_);
        finished_workers_ = 0;
    }
    for (Worker& worker : workers) {
        if (worker.thread.joinable()) worker.thread.join();
    }
}

void TcpServer::SetActive(bool active) {
    if (active == Active()) return;
    if (active) {
        Activate();
    } else {
        Deactivate();
    }
}

uint16_t TcpServer::ListeningPort(size_t index) const {
    if (index >= listeners_.size()) return 0;
    return net::LocalPort(listeners_[index].socket.Get());
}

void TcpServer::Activate() {
    if (bindings_.empty()) throw Error(u"No bindings to listen on");
    std::vector<Listener> listeners;
    listeners.reserve(bindings_.size());
    for (const Binding& binding : bindings_) {
        listeners.push_back({net::OpenListener(binding.ip, binding.port, kListenBacklog), {}});
    }
    auto stop_event = std::make_unique<net::WakeEvent>();
    JoinAllWorkers();  // those of the previous activation have all finished

    stop_event_ = std::move(stop_event);
    stopping_.store(false);
    listeners_ = std::move(listeners);
    active_.store(true, std::memory_order_release);
    try {
        for (Listener& listener : listeners_) {
            listener.thread = std::thread(&TcpServer::ListenLoop, this, listener.socket.Get());
        }
    } catch (const std::system_error& e) {
        Deactivate();  // joins the listeners already started and closes every socket
        throw Error(u"Cannot start the listener thread: " + platform::FromUtf8(e.what()));
    }
}

void TcpServer::Deactivate() {
    active_.store(false, std::memory_order_release);
    stopping_.store(true);
    // One raise wakes the listeners and every idle worker together.
    stop_event_->Raise();
    for (Listener& listener : listeners_) {
        if (listener.thread.joinable()) listener.thread.join();
    }
    listeners_.clear();  // closes the listening sockets: the port is free again

    {
        std::lock_guard<ConnectionList> lock(connections_);
        for (TcpConnection* connection : connections_.items_) connection->Close();
    }

    // No listener is left to add workers. Wait until each has run its last
    // handler and released its connection; the threads themselves are joined
    // later (next activation or destruction), so the teardown of a thousand
    // thread stacks does not hold up the caller.
    std::unique_lock<std::mutex> lock(workers_mutex_);
    workers_done_.wait(lock, [this] { return running_workers_ == 0; });
    lock.unlock();
    stop_event_.reset();
}

void TcpServer::ListenLoop(net::Handle listener) {
    int last_reported = 0;
    while (!stopping_.load()) {
        if (net::WaitReadable(listener, stop_event_->Get(), -1) == net::WaitResult::kWoken) break;
        int error = 0;
        net::Socket socket = net::Accept(listener, error);
        if (socket) {
            last_reported = 0;
            if (stopping_.load()) break;  // the socket closes on the way out
            Admit(std::move(socket));
            continue;
        }
        if (net::IsTransientAcceptError(error)) continue;
        // Out of descriptors or memory, say: the pending connection stays
        // queued and the listener would spin on it. Report a run of the same
        // error once and give the system a moment before trying again.
        if (error != last_reported) {
            last_reported = error;
            ReportListenError(net::ErrorText(error));
        }
        net::WaitReadable(net::kInvalidHandle, stop_event_->Get(), 100);
    }
}

void TcpServer::ReportListenError(const std::u16string& message) {
    if (!on_listen_exception) return;
    try {
        on_listen_exception(message);
    } catch (...) {
        // A failing report must not end the listener.
    }
}

void TcpServer::Admit(net::Socket socket) {
    auto connection = std::make_unique<TcpConnection>(std::move(socket));
    TcpConnection* raw = connection.get();
    {
        // The entry goes in here, under the same lock as the limit test, so
        // two connections arriving together cannot both pass a limit of one.
        std::lock_guard<ConnectionList> lock(connections_);
        if (max_connections_ > 0 && connections_.items_.size() >= max_connections_) return;
        connections_.items_.push_back(raw);
    }
    ReapFinishedWorkers();
    try {
        std::lock_guard<std::mutex> lock(workers_mutex_);
        workers_.push_back({std::thread(), std::move(connection), false});
        auto worker = std::prev(workers_.end());
        try {
            worker->thread = std::thread(&TcpServer::RunWorker, this, worker);
        } catch (...) {
            connection = std::move(worker->connection);
            workers_.erase(worker);
            throw;
        }
        ++running_workers_;
    } catch (const std::exception& e) {
        // No thread for it (or no memory): drop this connection, keep serving.
        RemoveLive(raw);
        ReportListenError(MessageOf(e));
    }
}

void TcpServer::RunWorker(std::list<Worker>::iterator worker) {
    ServeConnection(*worker->connection);
    // Out of the list by now, so nobody else reaches the connection: release
    // it (and its descriptor) before taking the lock all workers share.
    worker->connection.reset();
    std::lock_guard<std::mutex> lock(workers_mutex_);
    worker->finished = true;
    ++finished_workers_;
    if (--running_workers_ == 0) workers_done_.notify_all();
}

void TcpServer::ServeConnection(TcpConnection& connection) {
    std::u16string error;
    bool failed = false;
    try {
        if (on_connect) on_connect(connection);
        if (on_execute) on_execute(connection);
        while (!stopping_.load() && connection.MayReceive()) {
            // Sleep until bytes arrive, the peer closes or the server stops.
            auto woke = net::WaitReadable(connection.socket_.Get(), stop_event_->Get(), -1);
            if (woke == net::WaitResult::kWoken || stopping_.load()) break;
            size_t received = connection.ReceiveAvailable();
            if (!connection.Connected()) break;
            if (received > 0 && on_execute) on_execute(connection);
        }
    } catch (const std::exception& e) {
        failed = true;
        error = MessageOf(e);
    } catch (...) {
        failed = true;
        error = u"Unknown error";
    }
    try {
        if (on_disconnect) on_disconnect(connection);
    } catch (const std::exception& e) {
        if (!failed) error = MessageOf(e);
        failed = true;
    } catch (...) {
        if (!failed) error = u"Unknown error";
        failed = true;
    }
    RemoveLive(&connection);
    if (failed && on_exception) {
        try {
            on_exception(connection, error);
        } catch (...) {
            // Nothing is left to report it to.
        }
    }
}

void TcpServer::RemoveLive(TcpConnection* connection) {
    std::lock_guard<ConnectionList> lock(connections_);
    auto& items = connections_.items_;
    items.erase(std::remove(items.begin(), items.end(), connection), items.end());
}

void TcpServer::ReapFinishedWorkers() {
    std::lock_guard<std::mutex> lock(workers_mutex_);
    if (finished_workers_ == 0) return;
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->finished) {
            it->thread.join();  // it has nothing left to do but return
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
    finished_workers_ = 0;
}

}  // namespace quorvane::command
