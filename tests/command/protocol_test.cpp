#include "command/protocol.h"

#include <gtest/gtest.h>

#include <ctime>

#include "command/error.h"
#include "command/notices.h"
#include "platform/code_page.h"
#include "test_support.h"

namespace quorvane::command {
namespace {

using testing::EventLog;
using testing::FakeActions;

std::string Utf16(std::u16string_view text) {
    return EncodeCommandText(text);
}

struct SplitCase {
    std::u16string text;
    std::vector<std::u16string> fields;
};

TEST(SplitFieldsTest, FollowsTheDelimitedTextRules) {
    const SplitCase cases[] = {
        {u"", {}},
        {u" \t\r\n", {}},
        {u"check", {u"check"}},
        {u"check#anything", {u"check", u"anything"}},
        {u"check anything", {u"check", u"anything"}},
        {u"  a  #  b  ", {u"a", u"b"}},
        {u"a##b", {u"a", u"", u"b"}},
        {u"#a", {u"", u"a"}},
        {u"a#", {u"a", u""}},
        {u"#", {u"", u""}},
        {u"a# ", {u"a"}},  // the '#' is not the last character, so no empty field
        {u"a #", {u"a", u""}},
        {u"\"a b#c\"#d", {u"a b#c", u"d"}},
        {u"\"say \"\"hi\"\"\"", {u"say \"hi\""}},
        {u"\"open ended", {u"open ended"}},
        {u"\"\"", {u""}},
        {u"ab\"cd", {u"ab\"cd"}},  // a quote inside a field is ordinary
        {u"\"ab\"cd", {u"ab", u"cd"}},
        {u"showTip#t#hello world#2", {u"showTip", u"t", u"hello", u"world", u"2"}},
        {std::u16string(u"check\0#x", 8), {u"check"}},
        {std::u16string(u"a#\0b", 4), {u"a", u""}},
        {std::u16string(u"\0check", 6), {}},
        {std::u16string(u"\"a\0b\"", 5), {u"a"}},
        {u"\x01\x1F"
         u"a\x7F"
         u"b",
         {u"a\x7F"
          u"b"}},  // U+007F is not a blank
        {u"\uFEFFcheck", {u"\uFEFFcheck"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitFields(c.text), c.fields) << platform::ToUtf8(c.text);
    }
}

struct IntegerCase {
    std::u16string text;
    std::optional<int32_t> value;
};

TEST(ParseIntegerTest, AcceptsDecimalAndHexFormsOnly) {
    const IntegerCase cases[] = {
        {u"0", 0},
        {u"2", 2},
        {u"  7", 7},
        {u"+5", 5},
        {u"-5", -5},
        {u"-0", 0},
        {u"007", 7},
        {u"2147483647", 2147483647},
        {u"-2147483648", INT32_MIN},
        {u"00000000002147483647", 2147483647},
        {u"$1f", 31},
        {u"x1F", 31},
        {u"X10", 16},
        {u"0x10", 16},
        {u"0X7fffffff", 2147483647},
        {u"-$10", -16},
        {u"$FFFFFFFF", -1},
        {u"$80000000", INT32_MIN},
        {u"-$FFFFFFFF", 1},
        {u"-$80000000", INT32_MIN},
        {u"$000000000001", 1},
        {u"", std::nullopt},
        {u" ", std::nullopt},
        {u"abc", std::nullopt},
        {u"+", std::nullopt},
        {u"-", std::nullopt},
        {u"$", std::nullopt},
        {u"0x", std::nullopt},
        {u"7 ", std::nullopt},
        {u"\t7", std::nullopt},
        {u"- 7", std::nullopt},
        {u"1.0", std::nullopt},
        {u"1e3", std::nullopt},
        {u"2147483648", std::nullopt},
        {u"-2147483649", std::nullopt},
        {u"99999999999", std::nullopt},
        {u"$100000000", std::nullopt},
        {u"0x1g", std::nullopt},
        {u"--1", std::nullopt},
        {u"\uFF11", std::nullopt},  // fullwidth digit one
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInteger(c.text), c.value) << platform::ToUtf8(c.text);
    }
}

TEST(BalloonIconTest, MapsKnownKindsAndKeepsThePreviousOtherwise) {
    EXPECT_EQ(BalloonIconFor(0), BalloonIcon::kNone);
    EXPECT_EQ(BalloonIconFor(1), BalloonIcon::kInfo);
    EXPECT_EQ(BalloonIconFor(2), BalloonIcon::kWarning);
    EXPECT_EQ(BalloonIconFor(3), BalloonIcon::kError);
    for (int32_t other : {-1, 4, 7, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(BalloonIconFor(other), std::nullopt) << other;
    }
}

TEST(DecodeCommandTextTest, ReadsLittleEndianPairsAndDropsAnOddByte) {
    EXPECT_EQ(DecodeCommandText(""), u"");
    EXPECT_EQ(DecodeCommandText("check"), u"\u6863\u6365");
    EXPECT_EQ(DecodeCommandText(std::string("\xFF\xFE"
                                            "a\0",
                                            4)),
              u"\uFEFFa");
    EXPECT_EQ(DecodeCommandText(Utf16(u"服务")), u"服务");
    try {
        DecodeCommandText("x");
        FAIL() << "a single byte must not decode";
    } catch (const Error& e) {
        EXPECT_EQ(
            e.Message(),
            u"No mapping for the Unicode character exists in the target multi-byte code page");
    }
}

TEST(PolicyTest, RecognisesTheTrimmedRequestOnly) {
    EXPECT_EQ(kPolicyReply.size(), 112u);
    const std::string request = "<policy-file-request/>";
    EXPECT_TRUE(IsPolicyRequest(request));
    EXPECT_TRUE(IsPolicyRequest(request + std::string(1, '\0')));
    EXPECT_TRUE(IsPolicyRequest(" \r\n" + request + "\r\n\t"));
    EXPECT_FALSE(IsPolicyRequest("<POLICY-FILE-REQUEST/>"));
    EXPECT_FALSE(IsPolicyRequest(request + "x"));
    EXPECT_FALSE(IsPolicyRequest("\x81" + request));  // a stray GBK lead byte is a character
    EXPECT_FALSE(IsPolicyRequest(Utf16(u"<policy-file-request/>")));
}

// HandleMessage without sockets: the whole command matrix of both servers.
class HandleMessageTest : public ::testing::Test {
  protected:
    std::optional<Reply> Handle(std::string_view message, ServerKind kind) {
        return HandleMessage(
            message, kind, [] { return size_t{3}; }, actions_);
    }
    std::u16string ErrorOf(std::string_view message, ServerKind kind) {
        try {
            Handle(message, kind);
        } catch (const Error& e) {
            return e.Message();
        }
        return u"(no error)";
    }

    EventLog log_;
    FakeActions actions_{log_};
};

const std::string kEcho = "\xB7\xFE\xCE\xF1\xC6\xF7\xA3\xBA";

TEST_F(HandleMessageTest, RepliesOfBothServers) {
    struct Case {
        std::string message;
        ServerKind kind;
        std::string reply;
    };
    const Case cases[] = {
        {Utf16(u"check"), ServerKind::kGame, "count:3"},
        {Utf16(u"check#x y"), ServerKind::kLauncher, "count:3"},
        {Utf16(u" check extra"), ServerKind::kLauncher, "count:3"},
        {"check", ServerKind::kGame, kEcho + "\xB5\xB5\x92\xCC"},
        {Utf16(u"Check"), ServerKind::kGame, kEcho + "Check"},
        {Utf16(u"jumpto#123456789012345678http://a/"), ServerKind::kGame,
         kEcho + "jumpto#123456789012345678http://a/"},
        {Utf16(u"showTip#a#b#1"), ServerKind::kLauncher, kEcho + "showTip#a#b#1"},
        {Utf16(u"<POLICY-FILE-REQUEST/>"), ServerKind::kGame, kEcho + "<POLICY-FILE-REQUEST/>"},
        {Utf16(std::u16string(u"check\0check\0", 12)), ServerKind::kGame, "count:3"},
        {Utf16(u"checkcheck"), ServerKind::kGame, kEcho + "checkcheck"},
        // The echo carries the whole text, past a U+0000, and GBK's '?' for the rest.
        {Utf16(std::u16string(u"hi\0you", 6)), ServerKind::kGame,
         kEcho + std::string("hi\0you", 6)},
        {Utf16(u"a\u0E01"), ServerKind::kGame, kEcho + "a?"},
    };
    for (const auto& c : cases) {
        std::optional<Reply> reply = Handle(c.message, c.kind);
        ASSERT_TRUE(reply.has_value()) << c.message;
        EXPECT_EQ(reply->bytes, c.reply);
        EXPECT_FALSE(reply->close_after);
    }
    EXPECT_TRUE(log_.Events().empty());
}

TEST_F(HandleMessageTest, PolicyRequestGetsThePolicyAndCloses) {
    std::optional<Reply> reply =
        Handle(std::string("<policy-file-request/>\0", 23), ServerKind::kGame);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->bytes, kPolicyReply);
    EXPECT_TRUE(reply->close_after);
}

TEST_F(HandleMessageTest, WindowActionsGetTheirFields) {
    struct Case {
        std::u16string message;
        ServerKind kind;
        std::u16string event;
    };
    const Case cases[] = {
        {u"jumpto#client://loadgame|http://g/?windowsize=max", ServerKind::kLauncher,
         u"Navigate(http://g/?windowsize=max)"},
        {u"jumpto#123456789012345678", ServerKind::kLauncher, u"Navigate()"},
        {u"jumpto#short", ServerKind::kLauncher, u"Navigate()"},
        {u"showTip#Title#Text#2", ServerKind::kGame, u"ShowTip(Title|Text|2)"},
        {u"showTip#\"A title\"#\"a # text\"#$7", ServerKind::kGame, u"ShowTip(A title|a # text|7)"},
        // An unquoted blank in the text shifts the later fields.
        {u"showTip#T#two 3#ignored", ServerKind::kGame, u"ShowTip(T|two|3)"},
    };
    for (const auto& c : cases) {
        log_.Clear();
        EXPECT_FALSE(Handle(Utf16(c.message), c.kind).has_value()) << platform::ToUtf8(c.message);
        EXPECT_EQ(log_.Events(), std::vector<std::u16string>{c.event});
    }
}

TEST_F(HandleMessageTest, FailuresCarryTheirMessages) {
    struct Case {
        std::string message;
        ServerKind kind;
        std::u16string error;
    };
    const Case cases[] = {
        {"x", ServerKind::kGame,
         u"No mapping for the Unicode character exists in the target multi-byte code page"},
        {std::string(2, '\0'), ServerKind::kGame, u"List index out of bounds (0)"},
        {Utf16(u"  \t"), ServerKind::kLauncher, u"List index out of bounds (0)"},
        {Utf16(u"jumpto"), ServerKind::kLauncher, u"List index out of bounds (1)"},
        {Utf16(u"showTip"), ServerKind::kGame, u"List index out of bounds (1)"},
        {Utf16(u"showTip#a"), ServerKind::kGame, u"List index out of bounds (2)"},
        {Utf16(u"showTip#a#b"), ServerKind::kGame, u"List index out of bounds (3)"},
        {Utf16(u"showTip#a#b#abc"), ServerKind::kGame, u"'abc' is not a valid integer value"},
        {Utf16(u"showTip#a#b#"), ServerKind::kGame, u"'' is not a valid integer value"},
        {Utf16(u"showTip#T#two words#1"), ServerKind::kGame,
         u"'words' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf(c.message, c.kind), c.error) << platform::ToUtf8(c.error);
    }
    EXPECT_TRUE(log_.Events().empty());  // a failed command asks for no action
}

TEST(FormatDateTimeTest, WritesShortDateAndLongTime) {
    auto at = [](int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        return t;
    };
    EXPECT_EQ(FormatDateTime(at(2026, 12, 9, 14, 5, 7), 0), u"2026/12/9 14:05:07");
    EXPECT_EQ(FormatDateTime(at(2026, 1, 2, 9, 0, 0), 0), u"2026/1/2 9:00:00");
    EXPECT_EQ(FormatDateTime(at(2026, 1, 2, 0, 0, 0), 0), u"2026/1/2");
    EXPECT_EQ(FormatDateTime(at(2026, 1, 2, 0, 0, 0), 1), u"2026/1/2 0:00:00");
    EXPECT_EQ(FormatDateTime(at(2026, 1, 2, 0, 0, 1), 0), u"2026/1/2 0:00:01");
}

// The notices' time: the point's local broken-down time with its milliseconds
// (on Windows through the runtime's localtime_s).
TEST(FormatDateTimeTest, LocalTextIsThePointsLocalTime) {
    using namespace std::chrono;
    for (const long long millis : {1765289107123LL, 1765289107000LL, 86400000LL}) {
        const system_clock::time_point when{milliseconds(millis)};
        const std::time_t seconds = static_cast<std::time_t>(millis / 1000);
        const std::tm local = *std::localtime(&seconds);
        EXPECT_EQ(LocalDateTimeText(when), FormatDateTime(local, static_cast<int>(millis % 1000)))
            << millis;
    }
}

}  // namespace
}  // namespace quorvane::command
