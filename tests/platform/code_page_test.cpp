#include "platform/code_page.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <iconv.h>
#endif

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::platform {
namespace {

struct AnsiCase {
    std::u16string text;
    std::string bytes;
};

TEST(CodePageTest, ConvertsBothWaysForRepresentableText) {
    const AnsiCase cases[] = {
        {u"", ""},
        {u"client://loadgame|http://a/b?c=1", "client://loadgame|http://a/b?c=1"},
        {u"服务器：", "\xB7\xFE\xCE\xF1\xC6\xF7\xA3\xBA"},
        {u"游戏已经最小化", "\xD3\xCE\xCF\xB7\xD2\xD1\xBE\xAD\xD7\xEE\xD0\xA1\xBB\xAF"},
        {u"\u6863\u6365", "\xB5\xB5\x92\xCC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToAnsi(c.text), c.bytes);
        EXPECT_EQ(FromAnsi(c.bytes), c.text);
    }
}

TEST(CodePageTest, UnrepresentableCharactersBecomeTheDefaultCharacter) {
    // Long runs cross the lengths the encoder hands to the converter at once,
    // with a surrogate pair right at such an edge.
    const std::u16string run(511, u'a');
    const AnsiCase cases[] = {
        {u"a\u0E01b", "a?b"},  // Thai is not in GBK
        {u"\uD55C\uAD6D\uC5B4", "???"},
        {u"x\U0001F600y", "x??y"},  // one '?' per code unit
        {u"\U00020000", "??"},
        {u"\u00B7\u30FB\u20AC", "\xA1\xA4?\x80"},
        // Look-alikes a converter may offer in their place: no stand-ins.
        {u"\u223C\u00A0", "??"},
        {u"\uFEFFx", "?x"},  // no byte-order mark handling
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
        {std::u16string(u"a\xD800"), "a?"},  // lone surrogates
        {std::u16string(u"\xD800"
                        u"a\xDC00"),
         "?a?"},
        {std::u16string(u"\xDC00\xD800"), "??"},  // a pair the wrong way round
        {u"a\uD55Cb\u670D\U0001F600c\u0E01\u0E01", "a?b\xB7\xFE??c??"},
        {run + u"\U0001F600\u670D" + run + u"\u0E01" + run, std::string(511, 'a') + "??\xB7\xFE" +
                                                                std::string(511, 'a') + "?" +
                                                                std::string(511, 'a')},
        {run + u'\xD800' + run + u"\u670D",
         std::string(511, 'a') + "?" + std::string(511, 'a') + "\xB7\xFE"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToAnsi(c.text), c.bytes) << ToUtf8(c.text);
    }
}

TEST(CodePageTest, ThreadsConvertAtTheSameTimeWithoutDisturbingEachOther) {
    // Every command-server thread converts; a converter shared between them
    // would mix their texts.
    std::u16string text;
    for (int i = 0; i < 300; ++i) text += u"服务器ก😀a";
    const std::string expected = ToAnsi(text);
    const std::u16string decoded = FromAnsi(expected);
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                if (ToAnsi(text) != expected) ++mismatches;
                if (FromAnsi(expected) != decoded) ++mismatches;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches, 0);
}

#ifndef _WIN32
// What this thread has handed the system's converter, watched from outside:
// the suite links with the converter's entry point wrapped. Windows converts
// each run in a single call, so only the iconv side can go quadratic.
thread_local std::uint64_t handedBytes = 0;

}  // namespace
}  // namespace quorvane::platform

extern "C" size_t __real_iconv(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft);
extern "C" size_t __wrap_iconv(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft) {
    if (in && *in && inLeft) quorvane::platform::handedBytes += *inLeft;
    return __real_iconv(cd, in, inLeft, out, outLeft);
}

namespace quorvane::platform {
namespace {

TEST(CodePageTest, EncodingCostGrowsLinearlyWithUnrepresentableCharacters) {
    // What the converter is handed measures the work: quadratic encoding
    // hands it four times more per character when the text grows fourfold.
    const AnsiCase units[] = {
        {u"\u0E01", "?"},
        {u"a\u0E01", "a?"},
        {u"\U0001F600", "??"},
        {u"\u670D\uD55C", "\xB7\xFE?"},
    };
    for (const auto& unit : units) {
        auto cost = [&](size_t count) {
            std::u16string text;
            std::string bytes;
            for (size_t k = 0; k < count; ++k) {
                text += unit.text;
                bytes += unit.bytes;
            }
            const std::uint64_t before = handedBytes;
            EXPECT_EQ(ToAnsi(text), bytes);
            return handedBytes - before;
        };
        const std::uint64_t small = cost(4096);
        const std::uint64_t large = cost(16384);
        EXPECT_GT(small, 0u);
        EXPECT_LT(large, 8 * small) << ToUtf8(unit.text);
    }
}
#endif

TEST(CodePageTest, InvalidGbkBytesDecodeToQuestionMarks) {
    // Long enough that a converter working in stretches meets the invalid
    // bytes deep inside one.
    std::string longBytes;
    for (int i = 0; i < 700; ++i) longBytes += "\xB7\xFE";
    longBytes += "\xFF";
    for (int i = 0; i < 300; ++i) longBytes += "\xB7\xFE";
    longBytes += "\x81";
    const std::u16string longDecoded =
        std::u16string(700, u'\u670D') + u"?" + std::u16string(300, u'\u670D') + u"?";
    const std::pair<std::string, std::u16string> cases[] = {
        {"a\xFF", u"a?"},
        {"\x81", u"?"},  // a lead byte with nothing after it
        {"a\x81", u"a?"},
        {"\xFF\xFF", u"??"},
        // A trail byte GBK does not allow: only the lead byte is lost, the
        // byte after it is read on its own.
        {"\x81\x7F", u"?\x7F"},
        {"\x81 b", u"? b"},
        {"\xB7\xFE\xFF\xB7\xFE", u"\u670D?\u670D"},
        {"\x80", u"\u20AC"},
        {"\xA1\xA4", u"\u00B7"},
        {longBytes, longDecoded},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(FromAnsi(bytes), text) << bytes.size() << " bytes";
    }
}

// The user-defined areas of GBK: Windows' code page 936 (as Wine 8 has it)
// maps them to private-use characters both ways, glibc's GBK holds none of
// them. A8BF is one more private-use character on Windows (U+E7C8) and
// invalid in glibc's GBK.
TEST(CodePageTest, UserDefinedAreasFollowTheSystemsTable) {
    struct Case {
        std::string bytes;
        std::u16string glibc;
        std::u16string windows;
    };
    const Case cases[] = {
        {"\xAA\xA1", u"??", u"\uE000"},
        {"\xA1\x40", u"?@", u"\uE4C6"},
        {"\xFE\xFE", u"??", u"\uE4C5"},
        {"\xA8\xBF", u"??", u"\uE7C8"},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        EXPECT_EQ(FromAnsi(c.bytes), c.windows) << ToUtf8(c.windows);
        EXPECT_EQ(ToAnsi(c.windows), c.bytes) << ToUtf8(c.windows);
#else
        EXPECT_EQ(FromAnsi(c.bytes), c.glibc) << ToUtf8(c.windows);
        EXPECT_EQ(ToAnsi(c.windows), "?") << ToUtf8(c.windows);
#endif
    }
}

TEST(CodePageTest, Utf8RoundTrip) {
    const std::u16string text = u"TCP连接成功：2026-12-09 \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(u"："), "\xEF\xBC\x9A");
}

TEST(CodePageTest, Utf8DecodesWellFormedTextAndReplacesTheRest) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"Broken pipe", u"Broken pipe"},
        {"\xE6\x9C\x8D\xE5\x8A\xA1", u"服务"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
        {"\xE6\x9C", u"\uFFFD\uFFFD"},            // cut short
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(FromUtf8(bytes), text) << bytes;
    }
}

}  // namespace
}  // namespace quorvane::platform
