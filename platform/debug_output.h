#pragma once

#include <string_view>

namespace quorvane::platform {

// The debugger-output channel: each call is one notice, written to stderr as one
// UTF-8 line in a single write so notices from different threads never mix.
void OutputDebugString(std::u16string_view text);

}  // namespace quorvane::platform
