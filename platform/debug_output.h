#pragma once

#include <string_view>

#ifdef _WIN32
// Windows names its own function OutputDebugString through a macro; without
// it, this header's function keeps its name in every translation unit,
// whichever of the two headers comes first.
#include <debugapi.h>
#undef OutputDebugString
#endif

namespace quorvane::platform {

// The debugger-output channel: each call is one notice. On Windows it is one
// OutputDebugStringW call with the text as it is (up to a NUL it may hold);
// elsewhere it is one UTF-8 line on stderr written in a single write, so
// notices from different threads never mix.
void OutputDebugString(std::u16string_view text);

}  // namespace quorvane::platform
