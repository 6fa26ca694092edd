#include <QDateTime>
#include <QRegularExpression>

#include "app/deployment.h"
#include "tests/support/windows_fixture.h"

namespace {

using LauncherTest = WindowsFixture;

const QRegularExpression kStartPage(QStringLiteral(
    "^http://%1/hot_update/url_redirect/jump1401\\.html\\?type=0&ver=(\\d+)$")
                                        .arg(QRegularExpression::escape(deployment::StartPageHost)));

TEST_F(LauncherTest, CreationBlanksHidesDebugControlsAndRequestsTheStartPage) {
    ASSERT_EQ(launcherEngine->navigations.size(), 2);
    EXPECT_EQ(launcherEngine->navigations[0], "about:blank");
    const auto match = kStartPage.match(launcherEngine->navigations[1]);
    ASSERT_TRUE(match.hasMatch()) << launcherEngine->navigations[1].toStdString();
    const int ver = match.captured(1).toInt();
    EXPECT_GE(ver, 0);
    EXPECT_LE(ver, 32767);
    EXPECT_TRUE(launcher->Edit1->isHidden());
    EXPECT_TRUE(launcher->Button1->isHidden());
    EXPECT_EQ(PlatformId, 1401);
    EXPECT_TRUE(FirstBlankPending);
    EXPECT_TRUE(launcher->Edit1->text().startsWith("client://loadgame|http://"));
}

TEST_F(LauncherTest, FirstBlankPageIsStyledOnceAndLeavesTheStatusLine) {
    launcher->Edit1->setText("untouched");
    launcherEngine->location = "about:blank";
    launcherEngine->CompleteNavigation("about:blank");
    const QStringList expected = TForm1::FirstBlankScripts();
    EXPECT_EQ(launcherEngine->scripts, expected);
    EXPECT_EQ(expected.mid(0, 3),
              (QStringList{QStringLiteral("document.write('<p align=\"center\"><font "
                                          "color=\"#cccccc\">loading……</font></p>')"),
                           "document.body.style.backgroundColor='#0e0905';",
                           "document.body.scroll='no';"}));
    EXPECT_FALSE(FirstBlankPending);
    EXPECT_EQ(launcher->Edit1->text(), "untouched");

    launcherEngine->CompleteNavigation("about:blank");
    EXPECT_EQ(launcherEngine->scripts.size(), expected.size()) << "styled a second time";
    EXPECT_EQ(launcher->Edit1->text(), "about:blank");
}

TEST_F(LauncherTest, BlankPageWithoutDocumentIsNotScriptedButStillCountsAsStyled) {
    launcherEngine->hasDocument = false;
    launcherEngine->CompleteNavigation("about:blank");
    EXPECT_TRUE(launcherEngine->scripts.isEmpty());
    EXPECT_FALSE(FirstBlankPending);
}

TEST_F(LauncherTest, NearBlankAddressesAreNotTheFirstBlankPage) {
    for (const char* url : {"about:blank#top", "About:blank", "about:blank/"}) {
        launcherEngine->location = url;
        launcherEngine->CompleteNavigation(url);
        EXPECT_TRUE(FirstBlankPending) << url;
        EXPECT_EQ(launcher->Edit1->text(), url);
    }
    EXPECT_TRUE(launcherEngine->scripts.isEmpty());
}

TEST_F(LauncherTest, OrdinaryCompletionPutsTheBrowserAddressIntoTheStatusLine) {
    launcherEngine->location = "http://s/serverlist.html";
    launcherEngine->CompleteNavigation("http://s/frame.html");  // a frame: the top address shows
    EXPECT_EQ(launcher->Edit1->text(), "http://s/serverlist.html");
    EXPECT_TRUE(game->isHidden());
}

struct HandOffCase {
    const char* name;
    QString completed;
    QString gameUrl;
    bool maximised;
};

TEST_F(LauncherTest, HandOffOpensTheGameWithTheExactAddress) {
    const QString portal = QStringLiteral("http://%1/playgame_4.html").arg(deployment::PortalHost);
    const HandOffCase cases[] = {
        {"marker", "client://loadgame|http://g/game.html?server=1&name=%E9%9D%92", 
         "http://g/game.html?server=1&name=%E9%9D%92", false},
        {"full screen", "client://loadgame|http://g/game.html?a=1&windowsize=max#f",
         "http://g/game.html?a=1&windowsize=max#f", true},
        {"marker in a query", "http://g/p?x=client://loadgame|http://g/q",
         "t://loadgame|http://g/q", false},
        {"portal", portal, portal, false},
        {"empty game address", "client://loadgame|", "", false},
        {"chinese game address", QStringLiteral("client://loadgame|http://g/游戏?n=青龙"),
         QStringLiteral("http://g/游戏?n=青龙"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        launcher->show();
        game->hide();
        launcherEngine->calls.clear();
        gameEngine->navigations.clear();
        launcherEngine->location = "about:blank";

        launcherEngine->CompleteNavigation(c.completed);

        EXPECT_EQ(launcherEngine->calls, (QStringList{"Navigate about:blank", "Stop"}));
        EXPECT_TRUE(launcher->isHidden());
        EXPECT_TRUE(game->isVisible());
        EXPECT_EQ(gameEngine->navigations, QStringList{c.gameUrl});
        EXPECT_EQ(game->Maximised, c.maximised);
        EXPECT_EQ(launcher->Edit1->text(), "about:blank");
    }
}

TEST_F(LauncherTest, DebugModeShowsTheAddressBoxAndGoNavigatesToItsText) {
    PlatformId = 0;
    launcherEngine->navigations.clear();
    launcher->LoadStartPage();
    EXPECT_EQ(launcherEngine->navigations, QStringList{"about:blank"});
    EXPECT_FALSE(launcher->Edit1->isHidden());
    EXPECT_FALSE(launcher->Button1->isHidden());

    launcher->Edit1->setText(" client://loadgame|http://g/ ");
    launcher->Button1->click();
    EXPECT_EQ(launcherEngine->navigations.last(), " client://loadgame|http://g/ ");
}

TEST_F(LauncherTest, EachStartPageLoadReseedsFromTheClock) {
    for (int round = 0; round < 2; ++round) {
        launcherEngine->navigations.clear();
        const auto before = static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch());
        launcher->LoadStartPage();
        const auto after = static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch());
        ASSERT_EQ(launcherEngine->navigations.size(), 1);
        const int ver = kStartPage.match(launcherEngine->navigations[0]).captured(1).toInt();
        bool fromClock = false;
        for (std::uint32_t seconds = before; seconds <= after; ++seconds) {
            RuntimeRandom expected;
            expected.Seed(seconds);
            fromClock = fromClock || expected.Draw() == ver;
        }
        EXPECT_TRUE(fromClock) << "ver " << ver << " is not the first draw after seeding with the time";
    }
}

}  // namespace
