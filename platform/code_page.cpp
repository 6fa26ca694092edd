#include "platform/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace quorvane::platform {
namespace {

// The most UTF-16 code units handed to iconv in one call when encoding. Their
// GBK, at most two bytes each, fits the converter's buffer at once: iconv
// decodes its input again when the output runs out of room.
constexpr size_t kLongestStretch = 512;

constexpr const char* kNativeUtf16 =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-16LE" : "UTF-16BE";

thread_local std::uint64_t converter_input_bytes = 0;

// One iconv descriptor per direction and thread, opened on first use: opening
// one costs more than converting a whole command, and a descriptor must not be
// shared between threads.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much of [in, in+size) as possible. Returns the number of input
    // bytes consumed; stops at the first sequence that cannot be converted.
    size_t Convert(const char* in, size_t size, std::string& out) {
        converter_input_bytes += size;
        char buffer[1024];
        auto* src = const_cast<char*>(in);
        size_t left = size;
        while (left > 0) {
            char* dst = buffer;
            size_t room = sizeof buffer;
            size_t rc = iconv(cd_, &src, &left, &dst, &room);
            out.append(buffer, dst - buffer);
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) break;
        }
        return size - left;
    }

    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t cd_;
};

// The thread's converter for one direction, in its initial state: a call that
// ended in an exception may have left it mid-sequence.
Converter& ConverterTo(const char* to, const char* from, std::unique_ptr<Converter>& slot) {
    if (!slot) slot = std::make_unique<Converter>(to, from);
    slot->Reset();
    return *slot;
}

Converter& ToGbk() {
    thread_local std::unique_ptr<Converter> converter;
    return ConverterTo("GBK", kNativeUtf16, converter);
}

Converter& FromGbk() {
    thread_local std::unique_ptr<Converter> converter;
    return ConverterTo("UTF-16LE", "GBK", converter);
}

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

std::uint64_t ConverterInputBytes() {
    return converter_input_bytes;
}

std::string ToAnsi(std::u16string_view text) {
    if (IsAscii(text.data(), text.size())) return std::string(text.begin(), text.end());
    // iconv reads the code units where they lie, so nothing is copied for it.
    Converter& converter = ToGbk();
    const char* const data = reinterpret_cast<const char*>(text.data());
    std::string out;
    out.reserve(text.size());
    // iconv decodes all it is given before it reports a character GBK lacks,
    // so what it is given past that character is work thrown away. After such
    // a character the stretch starts at one code unit and doubles while the
    // text converts, which keeps the thrown-away work below the work done.
    size_t stretch = kLongestStretch;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        while (end < text.size() && end - i < stretch) {
            const char16_t c = text[end];
            if (IsHighSurrogate(c) && end + 1 < text.size() && IsLowSurrogate(text[end + 1])) {
                end += 2;  // a pair is never cut: iconv would wait for its second half
            } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
                break;
            } else {
                ++end;
            }
        }
        if (end == i) {  // an unpaired surrogate
            out.push_back('?');
            ++i;
            continue;
        }
        i += converter.Convert(data + 2 * i, 2 * (end - i), out) / 2;
        if (i < end) {
            // Unrepresentable character: one '?' per code unit.
            const size_t units = IsHighSurrogate(text[i]) ? 2 : 1;
            out.append(units, '?');
            i += units;
            converter.Reset();
            stretch = 1;
        } else {
            stretch = std::min(stretch * 2, kLongestStretch);
        }
    }
    return out;
}

std::u16string FromAnsi(std::string_view bytes) {
    if (IsAscii(bytes.data(), bytes.size())) return std::u16string(bytes.begin(), bytes.end());
    Converter& converter = FromGbk();
    std::string le;
    size_t i = 0;
    while (i < bytes.size()) {
        i += converter.Convert(bytes.data() + i, bytes.size() - i, le);
        if (i < bytes.size()) {
            le.append("?\0", 2);
            ++i;
            converter.Reset();
        }
    }
    std::u16string out(le.size() / 2, u'\0');
    for (size_t k = 0; k < out.size(); ++k) {
        out[k] = static_cast<char16_t>(static_cast<unsigned char>(le[2 * k]) |
                                       (static_cast<unsigned char>(le[2 * k + 1]) << 8));
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
