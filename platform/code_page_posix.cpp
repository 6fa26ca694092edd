// GBK conversion through iconv.

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>

#include "platform/code_page_converter.h"

namespace quorvane::platform::code_page_detail {
namespace {

// The most UTF-16 code units handed to iconv in one call when encoding. Their
// GBK, at most two bytes each, fits the converter's buffer at once: iconv
// decodes its input again when the output runs out of room.
constexpr size_t kLongestStretch = 512;

constexpr const char* kNativeUtf16 =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-16LE" : "UTF-16BE";

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

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

void EncodeRun(std::u16string_view run, std::string& out) {
    // iconv reads the code units where they lie, so nothing is copied for it.
    Converter& converter = ToGbk();
    const char* const data = reinterpret_cast<const char*>(run.data());
    // iconv decodes all it is given before it reports a character GBK lacks,
    // so what it is given past that character is work thrown away. After such
    // a character the stretch starts at one code unit and doubles while the
    // text converts, which keeps the thrown-away work below the work done.
    size_t stretch = kLongestStretch;
    size_t i = 0;
    while (i < run.size()) {
        size_t end = std::min(run.size(), i + stretch);
        // A pair is never cut: iconv would wait for its second half.
        if (end < run.size() && IsHighSurrogate(run[end - 1])) ++end;
        i += converter.Convert(data + 2 * i, 2 * (end - i), out) / 2;
        if (i < end) {
            // Unrepresentable character: one default character per code unit.
            const size_t units = IsHighSurrogate(run[i]) ? 2 : 1;
            out.append(units, kDefaultChar);
            i += units;
            converter.Reset();
            stretch = 1;
        } else {
            stretch = std::min(stretch * 2, kLongestStretch);
        }
    }
}

size_t DecodeValidPrefix(std::string_view bytes, std::u16string& out) {
    std::string le;
    const size_t consumed = FromGbk().Convert(bytes.data(), bytes.size(), le);
    for (size_t k = 0; k + 1 < le.size(); k += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(le[k]) |
                                            (static_cast<unsigned char>(le[k + 1]) << 8)));
    }
    return consumed;
}

}  // namespace quorvane::platform::code_page_detail
