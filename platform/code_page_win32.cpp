// GBK conversion through the Windows code-page functions, code page 936.

#include <windows.h>

#include <algorithm>
#include <array>

#include "platform/code_page_converter.h"

namespace quorvane::platform::code_page_detail {
namespace {

constexpr UINT kGbk = 936;

// The most characters handed to MultiByteToWideChar in one call while looking
// for the end of the valid prefix.
constexpr size_t kLongestStretch = 512;

const wchar_t* Wide(const char16_t* text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");
    return reinterpret_cast<const wchar_t*>(text);
}

// The lead bytes of double-byte characters, as the system's code page tells them.
const std::array<bool, 256>& LeadBytes() {
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> lead{};
        for (int b = 0; b < 256; ++b) lead[b] = IsDBCSLeadByteEx(kGbk, static_cast<BYTE>(b)) != 0;
        return lead;
    }();
    return table;
}

// Decodes all of `bytes` or nothing: MB_ERR_INVALID_CHARS makes a byte sequence
// the table does not hold an error instead of a silent U+003F or a private
// use character.
bool DecodeStrictly(std::string_view bytes, std::u16string& out) {
    const size_t start = out.size();
    out.resize(start + bytes.size());
    const int written = MultiByteToWideChar(
        kGbk, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
        reinterpret_cast<wchar_t*>(&out[start]), static_cast<int>(bytes.size()));
    out.resize(start + static_cast<size_t>(std::max(written, 0)));
    return written > 0;
}

}  // namespace

void EncodeRun(std::u16string_view run, std::string& out) {
    // Every code unit becomes at most two bytes, so one call converts the run.
    // WC_NO_BEST_FIT_CHARS keeps characters GBK lacks from turning into
    // look-alikes (U+30FB into the middle dot of U+00B7, say); a surrogate
    // pair becomes two default characters.
    const size_t start = out.size();
    out.resize(start + 2 * run.size());
    const char defaultChar[] = {kDefaultChar, '\0'};
    const int written = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, Wide(run.data()),
                                            static_cast<int>(run.size()), &out[start],
                                            static_cast<int>(2 * run.size()), defaultChar, nullptr);
    out.resize(start + static_cast<size_t>(std::max(written, 0)));
}

size_t DecodeValidPrefix(std::string_view bytes, std::u16string& out) {
    // The strict call says only that a stretch holds an invalid sequence, not
    // where. Stretches start at one character and double while they decode; a
    // stretch that fails is taken up again from one character. So a failure
    // costs no more than the successes before it, and the invalid sequence is
    // the one-character stretch that fails.
    const auto& lead = LeadBytes();
    size_t consumed = 0;
    size_t stretch = 1;
    while (consumed < bytes.size()) {
        size_t end = consumed;
        size_t characters = 0;
        while (end < bytes.size() && characters < stretch) {
            end += lead[static_cast<unsigned char>(bytes[end])] && end + 1 < bytes.size() ? 2 : 1;
            ++characters;
        }
        if (DecodeStrictly(bytes.substr(consumed, end - consumed), out)) {
            consumed = end;
            stretch = std::min(stretch * 2, kLongestStretch);
        } else if (characters == 1) {
            break;
        } else {
            stretch = 1;
        }
    }
    return consumed;
}

}  // namespace quorvane::platform::code_page_detail
