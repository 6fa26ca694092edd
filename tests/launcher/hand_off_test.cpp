#include "launcher/hand_off.h"

#include <gtest/gtest.h>

#include "launcher/runtime_random.h"

namespace {

const SiteHosts kHosts{"start.example:81", "portal.example"};

TEST(RuntimeRandomTest, ReproducesTheRuntimeSequence) {
    // Values computed independently from the generator's definition.
    struct Case {
        std::uint32_t seed;
        std::vector<int> draws;
    };
    const Case cases[] = {
        {0, {346, 130, 10982, 1090, 11656}},
        {1, {130, 10982, 1090, 11656, 7117}},
        {1765270000u, {31771, 25066, 31120, 1749, 21155}},
        {0xFFFFFFFFu, {561, 22046, 20874}},
    };
    for (const auto& c : cases) {
        RuntimeRandom random;
        random.seed(c.seed);
        for (int expected : c.draws) EXPECT_EQ(random.draw(), expected) << "seed " << c.seed;
    }
}

TEST(RuntimeRandomTest, ReseedingRestartsTheSequence) {
    RuntimeRandom random;
    random.seed(42);
    const int first = random.draw();
    random.draw();
    random.seed(42);
    EXPECT_EQ(random.draw(), first);
}

TEST(StartPageUrlTest, JoinsTheFivePieces) {
    EXPECT_EQ(buildStartPageUrl("127.0.0.1:8731", 1401, 0),
              "http://127.0.0.1:8731/hot_update/url_redirect/jump1401.html?type=0&ver=0");
    EXPECT_EQ(buildStartPageUrl("h", 1401, 32767),
              "http://h/hot_update/url_redirect/jump1401.html?type=0&ver=32767");
    EXPECT_EQ(buildStartPageUrl("h", -7, 5),
              "http://h/hot_update/url_redirect/jump-7.html?type=0&ver=5");
}

TEST(ClassifyCompletionTest, DecidesEveryBranch) {
    struct Case {
        const char* name;
        std::string url;
        bool firstBlankPending;
        CompletionAction action;
        std::string gameUrl;
    };
    const Case cases[] = {
        {"first blank", "about:blank", true, CompletionAction::StyleFirstBlank, ""},
        {"later blank", "about:blank", false, CompletionAction::StatusOnly, ""},
        {"blank in capitals", "About:Blank", true, CompletionAction::StatusOnly, ""},
        {"blank with fragment", "about:blank#x", true, CompletionAction::StatusOnly, ""},
        {"blank with blank", "about:blank ", true, CompletionAction::StatusOnly, ""},
        {"marker at the start", "client://loadgame|http://g/game.html?s=1&windowsize=max", false,
         CompletionAction::HandOffCut, "http://g/game.html?s=1&windowsize=max"},
        {"marker wins over the blank test", "client://loadgame|about:blank", true,
         CompletionAction::HandOffCut, "about:blank"},
        {"marker inside a query", "http://s/p?next=client://loadgame|http://g/x", false,
         CompletionAction::HandOffCut, "ient://loadgame|http://g/x"},
        {"marker without the c", "lient://loadgame|http://g/", false, CompletionAction::HandOffCut,
         "ttp://g/"},
        {"marker alone", "client://loadgame|", false, CompletionAction::HandOffCut, ""},
        {"marker in capitals", "CLIENT://LOADGAME|http://g/", false, CompletionAction::StatusOnly,
         ""},
        {"portal page", "http://portal.example/playgame_4.html?u=1", false,
         CompletionAction::HandOffWhole, "http://portal.example/playgame_4.html?u=1"},
        {"portal over https does not match", "https://portal.example/playgame_", false,
         CompletionAction::StatusOnly, ""},
        {"portal inside a query", "http://s/?to=http://portal.example/playgame_2", false,
         CompletionAction::HandOffWhole, "http://s/?to=http://portal.example/playgame_2"},
        {"start host index", "http://start.example:81/index.php", false,
         CompletionAction::HandOffWhole, "http://start.example:81/index.php"},
        {"portal host index is not a portal", "http://portal.example/index", false,
         CompletionAction::StatusOnly, ""},
        {"start host play page is not a portal", "http://start.example:81/playgame_1", false,
         CompletionAction::StatusOnly, ""},
        {"portal in capitals", "http://PORTAL.example/playgame_1", false,
         CompletionAction::StatusOnly, ""},
        {"ordinary page", "http://start.example:81/serverlist.html", false,
         CompletionAction::StatusOnly, ""},
    };
    for (const auto& c : cases) {
        const CompletionDecision decision = classifyCompletion(c.url, c.firstBlankPending, kHosts);
        EXPECT_EQ(decision.action, c.action) << c.name;
        EXPECT_EQ(decision.gameUrl, c.gameUrl) << c.name;
    }
}

TEST(ClassifyCompletionTest, CutsBytesNotCharacters) {
    // The cut is made on the GBK form: a two-byte character before the marker
    // leaves the marker's tail in the game URL, exactly as the bytes fall.
    const std::string gbkUrl =
        "\xD3\xCE"
        "client://loadgame|http://g/";
    const CompletionDecision decision = classifyCompletion(gbkUrl, false, kHosts);
    EXPECT_EQ(decision.action, CompletionAction::HandOffCut);
    EXPECT_EQ(decision.gameUrl, "e|http://g/");
}

TEST(WithLiteralHandOffMarkerTest, UnescapesTheMarkersBarOnly) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"http://s/p?f=client://loadgame%7Chttp://g/?a=%7C",
         u"http://s/p?f=client://loadgame|http://g/?a=%7C"},
        {u"client://loadgame%7chttp://g/", u"client://loadgame|http://g/"},
        {u"a=lient://loadgame%7C&b=client://loadgame%7C",
         u"a=lient://loadgame|&b=client://loadgame|"},
        {u"client://loadgame|http://g/", u"client://loadgame|http://g/"},
        {u"client://loadgame%7", u"client://loadgame%7"},
        {u"client://loadgame%7Dx", u"client://loadgame%7Dx"},
        {u"client://LOADGAME%7Cx", u"client://LOADGAME%7Cx"},
        {u"http://g/游戏?client://loadgame%7C", u"http://g/游戏?client://loadgame|"},
    };
    for (const auto& [url, literal] : cases) EXPECT_EQ(withLiteralHandOffMarker(url), literal);
}

TEST(DropAnsiBytesTest, KeepsTheTextTheCodePageCannotHold) {
    // The cut counts bytes of the GBK form: one per ASCII character, two per
    // Chinese character, one '?' per unit GBK has no place for.
    struct Case {
        std::u16string url;
        std::u16string rest;
    };
    const Case cases[] = {
        {u"client://loadgame|http://h/g.html?name=한국", u"http://h/g.html?name=한국"},
        {u"client://loadgame|http://h/게임/😀?a=b", u"http://h/게임/😀?a=b"},
        {u"游戏://loadgame|http://h/", u"tp://h/"},  // 4 + 14 bytes
        {u"한국://loadgame|http://h/", u"://h/"},    // 2 + 16 bytes
        {u"x\U0001F600://loadgame|abcdef", u"def"},  // a pair is two '?'
        {u"1234567890123456游戏", u"戏"},            // 16 + 2 bytes: 游 is cut out
        {u"12345678901234567游戏", u"?戏"},          // the cut splits 游 (D3 CE)
        {u"client://loadgame|", u""},
        {u"short", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(dropAnsiBytes(c.url, kHandOffMarkerLength), c.rest);
}

}  // namespace
