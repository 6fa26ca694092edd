#include "command/tcp_server.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/code_page.h"

namespace quorvane::command {

// ---------------------------------------------------------------- connection

TcpConnection::TcpConnection(net::Socket socket) : socket_(std::move(socket)) {}

std::string TcpConnection::ReadBytes(size_t count) {
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
    if (closed_) throw Error(u"Not Connected");
    Send(bytes);
}

void TcpConnection::Close() {
    closed_ = true;
}

void TcpConnection::Send(std::string_view bytes) {
    if (bytes.empty()) return;
    if (!HasPendingOutput()) {
        // The usual case: the socket takes the whole reply at once.
        const size_t sent = net::SendNow(socket_.Get(), bytes.data(), bytes.size());
        bytes.remove_prefix(sent);
        if (bytes.empty()) return;
        output_.clear();
        output_sent_ = 0;
    }
    if (output_.size() - output_sent_ + bytes.size() > kMaxPendingOutput) {
        throw Error(u"Output buffer full: the peer does not read");
    }
    output_.append(bytes);
}

void TcpConnection::SendPending() {
    while (HasPendingOutput()) {
        const size_t sent = net::SendNow(socket_.Get(), output_.data() + output_sent_,
                                         output_.size() - output_sent_);
        if (sent == 0) return;
        output_sent_ += sent;
    }
    // Everything is out: give the memory back, an idle connection keeps none.
    std::string().swap(output_);
    output_sent_ = 0;
}

// -------------------------------------------------------------------- server

TcpServer::~TcpServer() {
    SetActive(false);
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
    if (!Active() || index >= listeners_.size()) return 0;
    return net::LocalPort(listeners_[index].Get());
}

void TcpServer::Activate() {
    if (bindings_.empty()) throw Error(u"No bindings to listen on");
    std::vector<net::Socket> listeners;
    listeners.reserve(bindings_.size());
    for (const Binding& binding : bindings_) {
        listeners.push_back(net::OpenListener(binding.ip, binding.port, kListenBacklog));
    }
    auto poller = std::make_unique<net::Poller>();
    auto stop_event = std::make_unique<net::WakeEvent>();
    poller->Add(stop_event->Get(), stop_event.get(), net::Interest::kRead);
    for (net::Socket& listener : listeners) {
        poller->Add(listener.Get(), &listener, net::Interest::kRead);
    }

    listeners_ = std::move(listeners);
    poller_ = std::move(poller);
    stop_event_ = std::move(stop_event);
    // Without a reserve the loop still serves; it only cannot shed connections
    // while descriptors run out, and pauses accepting instead.
    reserve_ = net::OpenReserve();
    receive_buffer_ = std::make_unique<char[]>(TcpConnection::kReceiveChunk);
    reported_accept_error_ = 0;
    accept_paused_ = false;
    // Active before the first message can arrive: a handler that finds the
    // server inactive takes it for a stop under way.
    active_.store(true, std::memory_order_release);
    try {
        loop_ = std::thread(&TcpServer::Run, this);
    } catch (const std::system_error& e) {
        active_.store(false, std::memory_order_release);
        listeners_.clear();
        poller_.reset();
        stop_event_.reset();
        reserve_.Reset();
        throw Error(u"Cannot start the server thread: " + platform::FromUtf8(e.what()));
    }
}

void TcpServer::Deactivate() {
    if (std::this_thread::get_id() == loop_.get_id()) {
        throw Error(u"A server cannot be stopped from its own handler");
    }
    active_.store(false, std::memory_order_release);
    stop_event_->Raise();
    loop_.join();
    listeners_.clear();  // the ports are free again
    poller_.reset();
    stop_event_.reset();
    reserve_.Reset();
    receive_buffer_.reset();
}

void TcpServer::Run() {
    try {
        Serve();
    } catch (const std::exception& e) {
        // The poller itself failed: nothing can be served any more. Say so,
        // let every connection go and wait for the stop.
        ReportListenError(MessageOf(e));
        ended_.clear();
        EndAll();
        net::WaitReadable(net::kInvalidHandle, stop_event_->Get(), -1);
    }
}

void TcpServer::Serve() {
    net::PollEvent events[net::Poller::kMaxEvents];
    for (;;) {
        int timeout_ms = -1;
        if (accept_paused_) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(accept_resume_at_ - Clock::now());
            timeout_ms = static_cast<int>(std::max<long long>(left.count(), 0));
        }
        const size_t count = poller_->Wait(events, timeout_ms);
        if (accept_paused_ && Clock::now() >= accept_resume_at_) ResumeAccepting();
        size_t since_accept = 0;
        for (size_t i = 0; i < count; ++i) {
            const net::PollEvent& event = events[i];
            if (event.key == stop_event_.get()) {
                // Dropping the poller first forgets every descriptor in one
                // go, so each close below skips that step.
                poller_.reset();
                ended_.clear();
                EndAll();
                return;
            }
            if (IsListener(event.key)) {
                AcceptAll();
                since_accept = 0;
                continue;
            }
            // A long batch of messages must not leave the backlog (15 places)
            // full meanwhile: the kernel drops what does not fit.
            if (++since_accept == kEventsBetweenAccepts) {
                AcceptAll();
                since_accept = 0;
            }
            auto& connection = *static_cast<TcpConnection*>(event.key);
            if (connection.ended_) continue;
            if (event.writable || (event.failed && connection.HasPendingOutput())) {
                OnWritable(connection);
            } else if (event.readable || event.failed) {
                OnReadable(connection);
            }
        }
        ended_.clear();
    }
}

bool TcpServer::IsListener(const void* key) const {
    for (const net::Socket& socket : listeners_) {
        if (key == &socket) return true;
    }
    return false;
}

void TcpServer::AcceptAll() {
    if (accept_paused_) return;
    for (net::Socket& socket : listeners_) {
        AcceptPending(socket.Get());
        if (accept_paused_) return;
    }
}

void TcpServer::AcceptPending(net::Handle listener) {
    // Until the backlog is empty: it holds only 15, and a connection the
    // kernel cannot queue is retried by its client only a second later.
    for (;;) {
        int error = 0;
        net::Socket socket = net::Accept(listener, error);
        if (socket) {
            reported_accept_error_ = 0;
            Admit(std::move(socket));
            continue;
        }
        if (net::IsWouldBlock(error)) return;
        if (net::IsTransientAcceptError(error)) continue;
        Shed shed = Shed::kImpossible;
        // Out of descriptors, accept fails even on an empty backlog: only a
        // connection actually waiting is worth a notice.
        if (net::IsDescriptorExhaustion(error)) shed = ShedPending(listener);
        if (shed == Shed::kBacklogEmpty) return;
        // Report a run of the same error once.
        if (error != reported_accept_error_) {
            reported_accept_error_ = error;
            ReportListenError(net::ErrorText(error));
        }
        if (shed == Shed::kOne) continue;
        // Left in the backlog the connection would wake the loop at once
        // again: stop listening for a moment instead of spinning.
        PauseAccepting();
        return;
    }
}

TcpServer::Shed TcpServer::ShedPending(net::Handle listener) {
    if (!reserve_) reserve_ = net::OpenReserve();
    if (!reserve_) return Shed::kImpossible;
    reserve_.Reset();
    int error = 0;
    const bool taken = net::Accept(listener, error).Valid();  // and closed at once
    reserve_ = net::OpenReserve();
    if (taken) return Shed::kOne;
    return net::IsWouldBlock(error) ? Shed::kBacklogEmpty : Shed::kImpossible;
}

void TcpServer::PauseAccepting() {
    for (net::Socket& listener : listeners_) {
        poller_->Modify(listener.Get(), &listener, net::Interest::kNone);
    }
    accept_paused_ = true;
    accept_resume_at_ = Clock::now() + kAcceptPause;
}

void TcpServer::ResumeAccepting() {
    for (net::Socket& listener : listeners_) {
        poller_->Modify(listener.Get(), &listener, net::Interest::kRead);
    }
    accept_paused_ = false;
}

void TcpServer::Admit(net::Socket socket) {
    if (max_connections_ > 0 && live_.size() >= max_connections_) return;  // closes it
    auto owned = std::make_unique<TcpConnection>(std::move(socket));
    TcpConnection& connection = *owned;
    try {
        poller_->Add(connection.socket_.Get(), &connection, net::Interest::kRead);
        connection.interest_ = net::Interest::kRead;
        if (live_.size() == live_.capacity()) live_.reserve(std::max<size_t>(16, 2 * live_.size()));
        std::lock_guard<ConnectionList> lock(connections_);
        connections_.items_.push_back(&connection);
    } catch (const std::exception& e) {
        // No memory for it: drop this connection, keep serving.
        poller_->Remove(connection.socket_.Get());
        ReportListenError(MessageOf(e));
        return;
    }
    connection.index_ = live_.size();
    live_.push_back(std::move(owned));
    Handle(connection, [this, &connection] {
        if (on_connect) on_connect(connection);
        if (on_execute) on_execute(connection);
    });
}

void TcpServer::OnReadable(TcpConnection& connection) {
    Handle(connection, [this, &connection] {
        // One receive is one message: the protocol has no framing of its own.
        char* chunk = receive_buffer_.get();
        const long n =
            net::ReceiveNow(connection.socket_.Get(), chunk, TcpConnection::kReceiveChunk);
        if (n == 0) {
            connection.peer_closed_ = true;
        } else if (n > 0 && !connection.closed_) {
            connection.input_.append(chunk, static_cast<size_t>(n));
            if (on_execute) on_execute(connection);
        }
    });
}

void TcpServer::OnWritable(TcpConnection& connection) {
    Handle(connection, [&connection] { connection.SendPending(); });
}

template <typename Step>
void TcpServer::Handle(TcpConnection& connection, Step step) {
    // A failure ends only its own connection; the loop serves the others on.
    try {
        step();
    } catch (const std::exception& e) {
        End(connection, true, MessageOf(e));
        return;
    } catch (...) {
        End(connection, true, u"Unknown error");
        return;
    }
    Settle(connection);
}

void TcpServer::Settle(TcpConnection& connection) {
    if (connection.ended_) return;
    const bool pending = connection.HasPendingOutput();
    if (!pending && (connection.closed_ || connection.peer_closed_)) {
        End(connection, false, {});
        return;
    }
    // While replies wait for the peer, its next messages wait in the socket:
    // a peer that sends without reading cannot make the server hold more.
    const net::Interest wanted = pending ? net::Interest::kWrite : net::Interest::kRead;
    if (wanted == connection.interest_) return;
    try {
        poller_->Modify(connection.socket_.Get(), &connection, wanted);
        connection.interest_ = wanted;
    } catch (const std::exception& e) {
        End(connection, true, MessageOf(e));
    }
}

void TcpServer::End(TcpConnection& connection, bool failed, std::u16string error) {
    connection.ended_ = true;
    connection.closed_ = true;
    try {
        if (on_disconnect) on_disconnect(connection);
    } catch (const std::exception& e) {
        if (!failed) error = MessageOf(e);
        failed = true;
    } catch (...) {
        if (!failed) error = u"Unknown error";
        failed = true;
    }
    // Out of both lists by swapping the last entry into its place.
    const size_t index = connection.index_;
    {
        std::lock_guard<ConnectionList> lock(connections_);
        auto& items = connections_.items_;
        items[index] = items.back();
        items.pop_back();
    }
    ended_.push_back(std::move(live_[index]));
    live_[index] = std::move(live_.back());
    live_.pop_back();
    if (index < live_.size()) live_[index]->index_ = index;
    if (failed && on_exception) {
        try {
            on_exception(connection, error);
        } catch (...) {
            // Nothing is left to report it to.
        }
    }
    // Last, so a peer that sees the close finds every notice already written.
    if (poller_) poller_->Remove(connection.socket_.Get());
    connection.socket_.Reset();
}

void TcpServer::EndAll() {
    // From the back, so each removal moves nothing.
    while (!live_.empty()) {
        TcpConnection& connection = *live_.back();
        connection.input_.clear();
        End(connection, false, {});
        ended_.clear();
    }
}

void TcpServer::ReportListenError(const std::u16string& message) {
    if (!on_listen_exception) return;
    try {
        on_listen_exception(message);
    } catch (...) {
        // A failing report must not end the loop.
    }
}

}  // namespace quorvane::command
