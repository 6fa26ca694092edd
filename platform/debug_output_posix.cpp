#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/code_page.h"
#include "platform/debug_output.h"

namespace quorvane::platform {

void OutputDebugString(std::u16string_view text) {
    std::string line = ToUtf8(text);
    line.push_back('\n');
    // A single write(2) of a line this size is atomic with respect to other
    // writers on the same descriptor; loop only for the rare partial write.
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
}

}  // namespace quorvane::platform
