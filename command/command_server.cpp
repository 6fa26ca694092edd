#include "command/command_server.h"

#include <mutex>
#include <optional>
#include <utility>

#include "command/error.h"

namespace quorvane::command {

void ExecuteCommand(TcpConnection& connection, ServerKind kind, TcpServer& server,
                    CommandActions& actions) {
    const size_t size = connection.InputBufferSize();
    if (size == 0) return;
    if (!server.Active()) {  // being stopped: leave the bytes unread
        connection.Disconnect();
        return;
    }
    const std::string message = connection.ReadBytes(size);
    auto live_count = [&server] {
        std::lock_guard<ConnectionList> lock(server.Connections());
        return server.Connections().Count();
    };
    std::optional<Reply> reply = HandleMessage(message, kind, live_count, actions);
    if (!reply) return;
    connection.Write(reply->bytes);
    if (reply->close_after) connection.Close();
}

bool IsAddressError(int error_code) {
    return net::IsAddressRefused(error_code);
}

CommandServer::CommandServer(ServerKind kind, uint16_t& port, CommandActions& actions,
                             NoticeSink notices)
    : kind_(kind), port_(port), actions_(actions), notices_(std::move(notices)) {
    server_.SetMaxConnections(kind == ServerKind::kGame ? 1 : 0);
    server_.on_execute = [this](TcpConnection& c) { ExecuteCommand(c, kind_, server_, actions_); };
    server_.on_connect = [this](TcpConnection& c) { OnConnect(c); };
    server_.on_disconnect = [this](TcpConnection& c) { OnDisconnect(c); };
    server_.on_exception = [this](TcpConnection& c, const std::u16string& m) { OnException(c, m); };
    server_.on_listen_exception = [this](const std::u16string& m) { OnListenException(m); };
}

CommandServer::~CommandServer() {
    Stop();
}

StartResult CommandServer::Start() {
    if (server_.Active()) return StartResult::kAlreadyActive;
    // One full round of the port space: if none of them can be bound, more
    // rounds will not help either.
    for (uint32_t attempt = 0; attempt <= 0xFFFF; ++attempt) {
        try {
            server_.ClearBindings();
            Binding& binding = server_.AddBinding();
            binding.ip = kLoopbackAddress;
            binding.port = port_;
            server_.SetActive(true);
            return StartResult::kStarted;
        } catch (const std::exception& e) {
            port_ = static_cast<uint16_t>(port_ + 1);
            const auto* socket_error = dynamic_cast<const SocketError*>(&e);
            if (socket_error == nullptr || !IsAddressError(socket_error->Code())) {
                OnListenException(MessageOf(e));
                return StartResult::kFailed;
            }
        } catch (...) {
            port_ = static_cast<uint16_t>(port_ + 1);
            OnListenException(u"Unknown error");
            return StartResult::kFailed;
        }
    }
    OnListenException(u"No port on 127.0.0.1 can be bound");
    return StartResult::kFailed;
}

void CommandServer::Stop() {
    // The loop drops what each connection still holds, closes it and writes
    // its disconnect notice before the server reports inactive.
    server_.SetActive(false);
}

void CommandServer::Notice(std::u16string_view prefix, std::u16string_view text) {
    if (!notices_) return;
    std::u16string notice;
    notice.reserve(prefix.size() + text.size());
    notice.append(prefix).append(text);
    notices_(notice);
}

void CommandServer::OnConnect(TcpConnection&) {
    // Only the game window's server logs arrivals; the launcher's stays quiet.
    if (kind_ == ServerKind::kGame) {
        Notice(kConnectedNotice, LocalDateTimeText(std::chrono::system_clock::now()));
    }
}

void CommandServer::OnDisconnect(TcpConnection&) {
    Notice(kind_ == ServerKind::kGame ? kDisconnectedNotice : kLauncherDisconnectedNotice,
           LocalDateTimeText(std::chrono::system_clock::now()));
}

void CommandServer::OnException(TcpConnection&, const std::u16string& message) {
    Notice(kExceptionNotice, message);
}

void CommandServer::OnListenException(const std::u16string& message) {
    Notice(kListenExceptionNotice, message);
}

}  // namespace quorvane::command
