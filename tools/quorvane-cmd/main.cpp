// quorvane-cmd: sends one command to a command server on 127.0.0.1 and prints
// the reply. For site developers testing their Flash side, and for scripts.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
// shellapi.h needs windows.h first.
#include "command/winsock.h"
// clang-format off
#include <shellapi.h>
// clang-format on
#endif

#include "command/command_server.h"
#include "command/error.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
#include "platform/code_page.h"
#include "platform/hand_off_marker.h"

namespace {

using quorvane::command::LoopbackClient;
namespace platform = quorvane::platform;

enum ExitCode {
    kOk = 0,
    kUsage = 1,
    kConnectFailed = 2,
    kNoReply = 3,         // a reply was expected and none came in time
    kClosedByServer = 4,  // the server ended the connection instead of answering
    kSendFailed = 5,
    kReceiveFailed = 6,
};

void PrintUsage(std::ostream& out) {
    out << "usage: quorvane-cmd [--port N] [--timeout MS] [--hex] COMMAND\n"
           "options:\n"
           "  --port N      the server's port; default "
        << quorvane::command::kLauncherFirstPort << " (launcher), the game window's is "
        << quorvane::command::kGameFirstPort
        << "\n"
           "  --timeout MS  how long to wait for a reply; default 2000\n"
           "  --hex         print the reply's bytes in hex rather than as text\n"
           "commands:\n"
           "  check                    number of live connections\n"
           "  jumpto ADDR              launcher: navigate (ADDR without the 18-character marker)\n"
           "  showtip TITLE TEXT KIND  game window: tray balloon (KIND 0 none, 1 info,\n"
           "                           2 warning, 3 error; another integer keeps the icon)\n"
           "  policy                   the socket-policy request\n"
           "  raw HEX                  these bytes as they are, e.g. 6300680065006300\n"
           "jumpto and showtip get no reply: they are done once sent (a reply that\n"
           "comes anyway, an echo from the other kind of server, is printed).\n"
           "exit codes:\n"
           "  0  done: the reply printed, or jumpto or showtip sent; also --help\n"
           "  1  usage: unknown command or option, wrong argument count, bad N, MS,\n"
           "     HEX or KIND\n"
           "  2  cannot connect\n"
           "  3  no reply within the timeout\n"
           "  4  the server closed the connection without a reply\n"
           "  5  sending failed\n"
           "  6  receiving failed\n";
}

std::optional<std::string> FromHex(const std::string& hex) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string bytes;
    int high = -1;
    for (char c : hex) {
        if (c == ' ' || c == ':') continue;
        int value = nibble(c);
        if (value < 0) return std::nullopt;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<char>(high << 4 | value));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return bytes;
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char b : bytes) {
        if (!hex.empty()) hex.push_back(' ');
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    return hex;
}

// Quote a field so blanks and '#' inside it survive the server's splitting.
std::u16string Quoted(const std::u16string& field) {
    std::u16string out = u"\"";
    for (char16_t c : field) {
        out.push_back(c);
        if (c == u'"') out.push_back(u'"');
    }
    out.push_back(u'"');
    return out;
}

// The arguments in UTF-8. Windows hands argv over in the ANSI code page,
// which cannot hold every character of a balloon's text: the arguments come
// from the UTF-16 command line there.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 0; i < count; ++i) {
        std::u16string text;
        for (const wchar_t* c = wide[i]; *c != L'\0'; ++c)
            text.push_back(static_cast<char16_t>(*c));
        arguments.push_back(platform::ToUtf8(text));
    }
    ::LocalFree(wide);
    return arguments;
#else
    return std::vector<std::string>(argv, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** raw_argv) {
    const std::vector<std::string> arguments = Utf8Arguments(argc, raw_argv);
    argc = static_cast<int>(arguments.size());
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    uint16_t port = quorvane::command::kLauncherFirstPort;
    int timeout_ms = 2000;
    bool hex = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--port" || arg == "--timeout") && i + 1 < argc) {
            const char* text = argv[++i];
            char* end = nullptr;
            errno = 0;
            const long value = std::strtol(text, &end, 10);
            const long largest = arg == "--port" ? 65535 : std::numeric_limits<int>::max();
            if (end == text || *end != '\0' || errno != 0 || value < 0 || value > largest) {
                PrintUsage(std::cerr);
                return kUsage;
            }
            (arg == "--port" ? void(port = static_cast<uint16_t>(value))
                             : void(timeout_ms = static_cast<int>(value)));
        } else if (arg == "--hex") {
            hex = true;
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(std::cout);
            return kOk;
        } else {
            args.push_back(arg);
        }
    }
    if (args.empty()) {
        PrintUsage(std::cerr);
        return kUsage;
    }

    const std::string& command = args[0];
    std::string request;
    bool expects_reply = true;
    if (command == "check" && args.size() == 1) {
        request = quorvane::command::EncodeCommandText(u"check");
    } else if (command == "jumpto" && args.size() == 2) {
        // The server drops the marker's length of characters from the address.
        request = quorvane::command::EncodeCommandText(
            u"jumpto#" + Quoted(platform::FromUtf8(std::string(kHandOffMarker) + args[1])));
        expects_reply = false;
    } else if (command == "showtip" && args.size() == 4) {
        // The server refuses a KIND it cannot read by closing the connection,
        // which a command without reply cannot tell from any other close. So
        // KIND is checked here, and sent quoted so the server reads the same.
        const std::u16string kind = platform::FromUtf8(args[3]);
        if (!quorvane::command::ParseInteger(kind)) {
            std::cerr << "quorvane-cmd: KIND is not an integer: " << args[3] << "\n";
            return kUsage;
        }
        request = quorvane::command::EncodeCommandText(
            u"showTip#" + Quoted(platform::FromUtf8(args[1])) + u"#" +
            Quoted(platform::FromUtf8(args[2])) + u"#" + Quoted(kind));
        expects_reply = false;
    } else if (command == "policy" && args.size() == 1) {
        request = std::string("<policy-file-request/>") + '\0';
    } else if (command == "raw" && args.size() == 2) {
        std::optional<std::string> bytes = FromHex(args[1]);
        if (!bytes) {
            std::cerr << "quorvane-cmd: not hex: " << args[1] << "\n";
            return kUsage;
        }
        request = *bytes;
    } else {
        PrintUsage(std::cerr);
        return kUsage;
    }

    std::optional<LoopbackClient> client;
    try {
        client.emplace(port);
    } catch (const quorvane::command::Error& e) {
        std::cerr << "quorvane-cmd: cannot connect to 127.0.0.1:" << port << ": " << e.what()
                  << "\n";
        return kConnectFailed;
    }
    try {
        client->Send(request);
    } catch (const quorvane::command::Error& e) {
        std::cerr << "quorvane-cmd: send failed: " << e.what() << "\n";
        return kSendFailed;
    }

    // A window action is done once sent: no reply comes by design, and the
    // server may close the connection at once (a hand-off closes the
    // launcher's server). A short wait still shows an echo, which means the
    // server on that port is the other kind.
    const int wait_ms = expects_reply ? timeout_ms : std::min(timeout_ms, 300);
    std::optional<std::string> reply;
    try {
        reply = client->Receive(std::chrono::milliseconds(wait_ms));
        // Replies have no terminator: take what comes first, then whatever
        // follows closely (a long echo may arrive in several pieces).
        while (reply && !reply->empty()) {
            std::optional<std::string> more = client->Receive(std::chrono::milliseconds(50));
            if (!more || more->empty()) break;
            *reply += *more;
        }
    } catch (const quorvane::command::Error& e) {
        // Once part of a reply has come, that part is the answer.
        if ((!reply || reply->empty()) && expects_reply) {
            std::cerr << "quorvane-cmd: receive failed: " << e.what() << "\n";
            return kReceiveFailed;
        }
    }
    if (!reply || reply->empty()) {
        if (!expects_reply) return kOk;
        if (!reply) {
            std::cerr << "quorvane-cmd: no reply within " << timeout_ms << " ms\n";
            return kNoReply;
        }
        std::cerr << "quorvane-cmd: the server closed the connection without a reply\n";
        return kClosedByServer;
    }
    if (hex) {
        std::cout << ToHex(*reply) << "\n";
    } else {
        std::cout << platform::ToUtf8(platform::FromAnsi(*reply)) << "\n";
    }
    return kOk;
}
