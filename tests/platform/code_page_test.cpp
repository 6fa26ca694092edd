#include "platform/code_page.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(ToAnsi(u"a\u0E01b"), "a?b");                // Thai is not in GBK
    EXPECT_EQ(ToAnsi(u"x\U0001F600y"), "x??y");           // one '?' per code unit
    EXPECT_EQ(ToAnsi(std::u16string(u"a\xD800")), "a?");  // lone surrogate
}

TEST(CodePageTest, InvalidGbkBytesDecodeToQuestionMarks) {
    EXPECT_EQ(FromAnsi("a\xFF"), u"a?");
    EXPECT_EQ(FromAnsi("\x81"), u"?");  // a lead byte with nothing after it
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
