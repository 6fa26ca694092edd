#pragma once

// A window's command server: the TCP server wired to the command protocol and
// the notices, with the start (port advance) and stop logic both windows share.

#include <cstdint>
#include <string>

#include "command/notices.h"
#include "command/protocol.h"
#include "command/tcp_server.h"

namespace quorvane::command {

inline constexpr char kLoopbackAddress[] = "127.0.0.1";

// The first ports the two windows' servers try; a port that cannot be bound
// moves a server on to the next.
inline constexpr std::uint16_t kLauncherFirstPort = 3581;
inline constexpr std::uint16_t kGameFirstPort = 10803;

// The execute step both windows share: takes every byte the connection holds
// as one message, answers it, and throws Error for a failing command.
void ExecuteCommand(TcpConnection& connection, ServerKind kind, TcpServer& server,
                    CommandActions& actions);

enum class StartResult {
    kStarted,        // now listening on the port variable's value
    kAlreadyActive,  // nothing changed
    kFailed,         // gave up; a listen-exception notice says why
};

class CommandServer {
  public:
    // `port` is the window's process-wide port variable; Start reads it and
    // advances it past ports that cannot be bound. `actions` and `port` must
    // outlive this object. The launcher kind allows any number of connections,
    // the game kind one.
    CommandServer(ServerKind kind, uint16_t& port, CommandActions& actions,
                  NoticeSink notices = DebugOutputSink());
    ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

    // GUI thread. Binds 127.0.0.1:port and activates; on an address that is
    // taken (or not allowed) tries the next port, wrapping 65535 to 0. Gives up
    // after one full round of ports, or at once on an error no other port can
    // cure. Never rebinds an active server.
    StartResult Start();
    // GUI thread. Closes every live connection (each with its disconnect
    // notice) and deactivates; returns once the server's thread has ended.
    // Nothing happens on an inactive server.
    void Stop();

    bool Active() const { return server_.Active(); }
    // The port actually listened on (the system's choice after a wrap to 0).
    uint16_t ListeningPort() const { return server_.ListeningPort(); }
    ServerKind Kind() const { return kind_; }

    // The component itself, for a window that wants to bind its own handler
    // methods; those can forward to ExecuteCommand and the On* methods below.
    TcpServer& Component() { return server_; }

    void OnConnect(TcpConnection& connection);
    void OnDisconnect(TcpConnection& connection);
    void OnException(TcpConnection& connection, const std::u16string& message);
    void OnListenException(const std::u16string& message);

  private:
    void Notice(std::u16string_view prefix, std::u16string_view text);

    ServerKind kind_;
    uint16_t& port_;
    CommandActions& actions_;
    NoticeSink notices_;
    TcpServer server_;
};

// Whether a failed bind may succeed on another port.
bool IsAddressError(int error_code);

}  // namespace quorvane::command
