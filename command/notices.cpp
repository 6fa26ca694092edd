#include "command/notices.h"

#include <cstdio>

#include "command/error.h"
#include "platform/code_page.h"
#include "platform/debug_output.h"

namespace quorvane::command {

NoticeSink DebugOutputSink() {
    return [](std::u16string_view notice) { platform::OutputDebugString(notice); };
}

std::u16string FormatDateTime(const std::tm& local, int milliseconds) {
    char text[64];
    int length = std::snprintf(text, sizeof text, "%d/%d/%d", local.tm_year + 1900,
                               local.tm_mon + 1, local.tm_mday);
    if (local.tm_hour != 0 || local.tm_min != 0 || local.tm_sec != 0 || milliseconds != 0) {
        length += std::snprintf(text + length, sizeof text - length, " %d:%02d:%02d", local.tm_hour,
                                local.tm_min, local.tm_sec);
    }
    return platform::FromUtf8(std::string_view(text, static_cast<size_t>(length)));
}

std::u16string LocalDateTimeText(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto since_epoch = when.time_since_epoch();
    const auto seconds = duration_cast<std::chrono::seconds>(since_epoch);
    auto millis = duration_cast<milliseconds>(since_epoch - seconds).count();
    std::time_t time = static_cast<std::time_t>(seconds.count());
    if (millis < 0) {  // before 1970: keep the fraction positive
        millis += 1000;
        --time;
    }
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &time);
#else
    localtime_r(&time, &local);
#endif
    return FormatDateTime(local, static_cast<int>(millis));
}

}  // namespace quorvane::command
