#pragma once

// The byte-level protocol of the loopback command servers, free of sockets so
// it can be exercised (and fuzzed) on plain byte strings.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::command {

enum class ServerKind { kLauncher, kGame };

// The window actions a command asks for. Commands run on the server's loop
// thread while the GUI thread may be waiting for that thread to end (stopping
// the server), so an implementation must hand the work to the GUI thread and
// return at once, never waiting for it.
class CommandActions {
  public:
    virtual ~CommandActions() = default;
    // Launcher: navigate the browser to `address` (may be empty).
    virtual void Navigate(std::u16string address) = 0;
    // Game window: show a tray balloon; `icon_kind` is the parsed integer,
    // see BalloonIconFor for what it means.
    virtual void ShowTip(std::u16string title, std::u16string text, int32_t icon_kind) = 0;
};

enum class BalloonIcon { kNone, kInfo, kWarning, kError };
// 0..3 choose an icon; any other value keeps the tray icon's previous one
// (std::nullopt), which is why the caller, not this function, holds that state.
std::optional<BalloonIcon> BalloonIconFor(int32_t icon_kind);

inline constexpr std::u16string_view kPolicyRequest = u"<policy-file-request/>";
inline constexpr std::string_view kPolicyReply =
    "<?xml version=\"1.0\" ?> <cross-domain-policy> "
    "<allow-access-from domain=\"*\" to-ports=\"*\"/> </cross-domain-policy>";

// The message's bytes read through the ANSI code page (GBK) and trimmed of
// U+0000..U+0020 at both ends equal the policy request.
bool IsPolicyRequest(std::string_view message);

// UTF-16LE, an odd last byte dropped, no byte-order-mark handling. A message of
// exactly one byte holds no code unit and is refused with Error.
std::u16string DecodeCommandText(std::string_view message);
// The reverse, for clients.
std::string EncodeCommandText(std::u16string_view text);

// Cuts text into fields: delimiter '#', quote '"', blanks U+0001..U+0020 also
// separate, U+0000 ends the text.
std::vector<std::u16string> SplitFields(std::u16string_view text);

// A signed 32-bit integer, decimal or hex ($, x or 0x prefix) after leading
// spaces and an optional sign; std::nullopt when `text` is not one. See the
// definition for the exact accepted forms.
std::optional<int32_t> ParseInteger(std::u16string_view text);

struct Reply {
    std::string bytes;         // already in the ANSI code page
    bool close_after = false;  // the policy reply ends the connection
};

// Handles one message. `live_count` gives the server's number of live
// connections for "check". Returns the reply, if any; throws Error for a
// failing command (no reply is written then).
std::optional<Reply> HandleMessage(std::string_view message, ServerKind kind,
                                   const std::function<size_t()>& live_count,
                                   CommandActions& actions);

}  // namespace quorvane::command
