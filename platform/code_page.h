#pragma once

#include <string>
#include <string_view>

namespace quorvane::platform {

// The system's "ANSI code page" is GBK (code page 936). Text inside the program
// is UTF-16; these convert at the edges where byte-exact GBK matters (URL tests,
// command replies, stored GBK literals).

// UTF-16 to GBK. A character GBK cannot represent becomes the code page's
// default character '?', one byte per UTF-16 code unit it came from, as the
// Windows converter does. Unpaired surrogates count as unrepresentable.
std::string ToAnsi(std::u16string_view text);

// GBK to UTF-16. A byte sequence that is not valid GBK becomes '?' per byte,
// so the result never loses the length information of the input completely.
std::u16string FromAnsi(std::string_view bytes);

// UTF-16 <-> UTF-8, for the debug channel, error texts and tools. Malformed
// UTF-8 becomes U+FFFD; neither direction can fail.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view bytes);

}  // namespace quorvane::platform
