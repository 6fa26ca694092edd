#include "command/protocol.h"

#include <algorithm>

#include "command/error.h"
#include "platform/code_page.h"
#include "platform/hand_off_marker.h"

namespace quorvane::command {
namespace {

constexpr char16_t kDelimiter = u'#';
constexpr char16_t kQuote = u'"';

bool IsBlank(char16_t c) {
    return c >= 0x0001 && c <= 0x0020;
}

std::u16string Decimal(uint64_t value) {
    return platform::FromUtf8(std::to_string(value));
}

Error ListIndexError(size_t index) {
    return Error(u"List index out of bounds (" + Decimal(index) + u")");
}

const std::u16string& EchoPrefix() {
    // Kept as its GBK bytes and read through the ANSI code page, like the
    // other stored Chinese literals.
    static const std::u16string prefix = platform::FromAnsi("\xB7\xFE\xCE\xF1\xC6\xF7\xA3\xBA");
    return prefix;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

}  // namespace

std::optional<BalloonIcon> BalloonIconFor(int32_t icon_kind) {
    switch (icon_kind) {
        case 0:
            return BalloonIcon::kNone;
        case 1:
            return BalloonIcon::kInfo;
        case 2:
            return BalloonIcon::kWarning;
        case 3:
            return BalloonIcon::kError;
        default:
            return std::nullopt;
    }
}

bool IsPolicyRequest(std::string_view message) {
    std::u16string text = platform::FromAnsi(message);
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && text[begin] <= 0x20) ++begin;
    while (end > begin && text[end - 1] <= 0x20) --end;
    return std::u16string_view(text).substr(begin, end - begin) == kPolicyRequest;
}

std::u16string DecodeCommandText(std::string_view message) {
    if (message.size() == 1) {
        throw Error(
            u"No mapping for the Unicode character exists in the target multi-byte code page");
    }
    std::u16string text(message.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(message[2 * i]) |
                                        (static_cast<unsigned char>(message[2 * i + 1]) << 8));
    }
    return text;
}

std::string EncodeCommandText(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::vector<std::u16string> SplitFields(std::u16string_view text) {
    // The text ends at its first U+0000; what follows is never split.
    const size_t end = std::min(text.find(u'\0'), text.size());
    std::vector<std::u16string> fields;
    size_t i = 0;
    auto skip_blanks = [&] {
        while (i < end && IsBlank(text[i])) ++i;
    };

    skip_blanks();
    while (i < end) {
        std::u16string field;
        if (text[i] == kQuote) {
            ++i;
            while (i < end) {
                if (text[i] == kQuote) {
                    if (i + 1 < end && text[i + 1] == kQuote) {  // doubled: one literal quote
                        field.push_back(kQuote);
                        i += 2;
                        continue;
                    }
                    ++i;  // closing mark
                    break;
                }
                field.push_back(text[i++]);
            }
        } else {
            const size_t start = i;
            while (i < end && text[i] != kDelimiter && !IsBlank(text[i])) ++i;
            field.assign(text.substr(start, i - start));
        }
        fields.push_back(std::move(field));
        skip_blanks();
        if (i < end && text[i] == kDelimiter) {
            if (i + 1 == end) fields.emplace_back();  // a trailing '#' closes an empty field
            ++i;
            skip_blanks();
        }
    }
    return fields;
}

// The integer forms a command's numeric field takes:
//   leading U+0020 spaces (no other blank), one optional '+' or '-', then either
//   - decimal digits (leading zeros free) whose value lies in
//     [-2147483648, 2147483647], or
//   - hex digits of either case after "$", "x", "X", "0x" or "0X". Hex takes
//     any 32-bit pattern (at most 8 significant digits, leading zeros free) and
//     reads it as two's complement, so "$FFFFFFFF" is -1; a '-' then negates
//     that value with 32-bit wrap-around ("-$FFFFFFFF" is 1, "-$80000000" is
//     -2147483648).
// At least one digit is required and nothing may follow the digits: no
// trailing blank, no fraction or exponent, ASCII digits only.
std::optional<int32_t> ParseInteger(std::u16string_view text) {
    const size_t n = text.size();
    auto at = [&](size_t k) -> char16_t { return k < n ? text[k] : u'\0'; };
    size_t i = 0;
    while (at(i) == u' ') ++i;
    bool negative = false;
    if (at(i) == u'-') {
        negative = true;
        ++i;
    } else if (at(i) == u'+') {
        ++i;
    }

    bool any_digit = false;
    int32_t result = 0;
    const char16_t c = at(i);
    if (c == u'$' || c == u'x' || c == u'X' ||
        (c == u'0' && (at(i + 1) == u'x' || at(i + 1) == u'X'))) {
        i += (c == u'0') ? 2 : 1;
        uint32_t value = 0;
        for (int digit; (digit = HexDigit(at(i))) >= 0; ++i) {
            if (value > 0x0FFFFFFFu) return std::nullopt;  // a ninth significant digit
            value = (value << 4) | static_cast<uint32_t>(digit);
            any_digit = true;
        }
        const uint32_t bits = negative ? 0u - value : value;
        result = static_cast<int32_t>(bits);
    } else {
        const uint64_t limit = negative ? 2147483648u : 2147483647u;
        uint64_t value = 0;
        for (; at(i) >= u'0' && at(i) <= u'9'; ++i) {
            value = value * 10 + (at(i) - u'0');
            if (value > limit) return std::nullopt;
            any_digit = true;
        }
        result = static_cast<int32_t>(negative ? 0u - static_cast<uint32_t>(value)
                                               : static_cast<uint32_t>(value));
    }
    if (!any_digit || i != n) return std::nullopt;
    return result;
}

std::optional<Reply> HandleMessage(std::string_view message, ServerKind kind,
                                   const std::function<size_t()>& live_count,
                                   CommandActions& actions) {
    if (IsPolicyRequest(message)) return Reply{std::string(kPolicyReply), true};

    const std::u16string text = DecodeCommandText(message);
    std::vector<std::u16string> fields = SplitFields(text);
    if (fields.empty()) throw ListIndexError(0);
    const std::u16string& word = fields[0];

    if (word == u"check") {
        return Reply{platform::ToAnsi(u"count:" + Decimal(live_count())), false};
    }
    if (word == u"jumpto" && kind == ServerKind::kLauncher) {
        if (fields.size() < 2) throw ListIndexError(1);
        // The page prefixes the address with the hand-off marker's length of
        // characters, whatever they are.
        std::u16string address = fields[1].size() > kHandOffMarkerLength
                                     ? fields[1].substr(kHandOffMarkerLength)
                                     : std::u16string();
        actions.Navigate(std::move(address));
        return std::nullopt;
    }
    if (word == u"showTip" && kind == ServerKind::kGame) {
        if (fields.size() < 4) throw ListIndexError(fields.size());
        std::optional<int32_t> icon_kind = ParseInteger(fields[3]);
        if (!icon_kind) throw Error(u"'" + fields[3] + u"' is not a valid integer value");
        actions.ShowTip(std::move(fields[1]), std::move(fields[2]), *icon_kind);
        return std::nullopt;
    }
    return Reply{platform::ToAnsi(EchoPrefix() + text), false};
}

}  // namespace quorvane::command
