#include "platform/code_page.h"

#include <type_traits>

#include "platform/code_page_converter.h"

namespace quorvane::platform {
namespace {

// ASCII is the same in both encodings; most commands and replies are nothing
// else, and need no converter at all.
template <typename Unit>
bool IsAscii(const Unit* units, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (static_cast<std::make_unsigned_t<Unit>>(units[i]) >= 0x80) return false;
    }
    return true;
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::string ToAnsi(std::u16string_view text) {
    if (IsAscii(text.data(), text.size())) return std::string(text.begin(), text.end());
    std::string out;
    out.reserve(text.size());
    // Converters disagree about surrogates without their other half, so they
    // never see one: each is a default character of its own.
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        while (end < text.size()) {
            const char16_t c = text[end];
            if (IsHighSurrogate(c) && end + 1 < text.size() && IsLowSurrogate(text[end + 1])) {
                end += 2;
            } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
                break;
            } else {
                ++end;
            }
        }
        if (end == i) {
            out.push_back(code_page_detail::kDefaultChar);
            ++i;
        } else {
            code_page_detail::EncodeRun(text.substr(i, end - i), out);
            i = end;
        }
    }
    return out;
}

std::u16string FromAnsi(std::string_view bytes) {
    if (IsAscii(bytes.data(), bytes.size())) return std::u16string(bytes.begin(), bytes.end());
    std::u16string out;
    out.reserve(bytes.size());
    // A byte that starts no valid sequence becomes a default character and
    // decoding goes on with the next byte, so a broken lead byte cannot
    // swallow the character after it.
    size_t i = 0;
    while (i < bytes.size()) {
        i += code_page_detail::DecodeValidPrefix(bytes.substr(i), out);
        if (i < bytes.size()) {
            out.push_back(static_cast<char16_t>(code_page_detail::kDefaultChar));
            ++i;
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Decoded by hand rather than through iconv: building an error message must
// not itself fail when the process is out of descriptors (iconv loads its
// modules from files on first use).
std::u16string FromUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t length = lead < 0x80           ? 1
                        : (lead >> 5) == 0x6  ? 2
                        : (lead >> 4) == 0xE  ? 3
                        : (lead >> 3) == 0x1E ? 4
                                              : 0;
        char32_t c = length == 1   ? lead
                     : length == 2 ? lead & 0x1F
                     : length == 3 ? lead & 0x0F
                                   : lead & 0x07;
        bool valid = length != 0 && i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && c >= kSmallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (!valid) {
            text.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(c));
        }
        i += length;
    }
    return text;
}

}  // namespace quorvane::platform
