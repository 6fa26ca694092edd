#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace quorvane::command {

// Receives each notice as one string; it may be called from any server thread.
using NoticeSink = std::function<void(std::u16string_view notice)>;

// The process's debugger output.
NoticeSink DebugOutputSink();

inline constexpr std::u16string_view kConnectedNotice = u"TCP连接成功：";
inline constexpr std::u16string_view kDisconnectedNotice = u"TCP断开连接：";
inline constexpr std::u16string_view kLauncherDisconnectedNotice = u"TCP Disconnected：";
inline constexpr std::u16string_view kExceptionNotice = u"TCPServer异常：";
inline constexpr std::u16string_view kListenExceptionNotice = u"TCPServer侦听异常：";
// What the launcher shows in its address box once its server runs.
inline constexpr std::u16string_view kServerStartText = u"TCPServer Start：";

// The date-time text of the notices, as Chinese-locale regional settings write
// it: short date "yyyy/M/d", a space, long time "H:mm:ss". At exactly midnight
// (00:00:00.000) only the date is written. `local` is a broken-down local time.
std::u16string FormatDateTime(const std::tm& local, int milliseconds);

// The same for a point in time, in the process's local time zone.
std::u16string LocalDateTimeText(std::chrono::system_clock::time_point when);

}  // namespace quorvane::command
