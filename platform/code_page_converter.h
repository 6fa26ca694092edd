#pragma once

// What code_page.cpp needs of the operating system's GBK converter. Each
// system has one implementation (iconv on POSIX, the code-page functions of
// Windows); the rules around them, the ASCII shortcut, unpaired surrogates and
// invalid bytes, are code_page.cpp's alone.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane::platform::code_page_detail {

// The byte that stands for a character the other side cannot hold.
inline constexpr char kDefaultChar = '?';

// Appends the GBK form of `run`, which holds no unpaired surrogate. A
// character GBK lacks becomes one kDefaultChar per UTF-16 code unit, and none
// is replaced by a look-alike. The work done grows linearly with the run.
void EncodeRun(std::u16string_view run, std::string& out);

// Appends the UTF-16 form of the longest prefix of `bytes` that is valid GBK
// and returns its length in bytes. The work done grows linearly with that
// prefix, not with what follows it.
std::size_t DecodeValidPrefix(std::string_view bytes, std::u16string& out);

}  // namespace quorvane::platform::code_page_detail
