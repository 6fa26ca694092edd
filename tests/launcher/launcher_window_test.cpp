#include <QDateTime>
#include <QRegularExpression>

#include "launcher/deployment.h"
#include "tests/support/controls.h"
#include "tests/support/wait.h"
#include "tests/support/windows_fixture.h"
#include "widgets/colour_key.h"
#include "widgets/skinned_button.h"

namespace {

class LauncherTest : public WindowsFixture {
  protected:
    QLineEdit* AddressBox() { return Control<QLineEdit>(launcher, "Edit1"); }
};

const QRegularExpression kStartPage(
    QStringLiteral("^http://%1/hot_update/url_redirect/jump1401\\.html\\?type=0&ver=(\\d+)$")
        .arg(QRegularExpression::escape(deployment::kStartPageHost)));

TEST_F(LauncherTest, CreationBlanksHidesDebugControlsAndRequestsTheStartPage) {
    ASSERT_EQ(launcherEngine->navigations.size(), 2);
    EXPECT_EQ(launcherEngine->navigations[0], "about:blank");
    const auto match = kStartPage.match(launcherEngine->navigations[1]);
    ASSERT_TRUE(match.hasMatch()) << launcherEngine->navigations[1].toStdString();
    const int ver = match.captured(1).toInt();
    EXPECT_GE(ver, 0);
    EXPECT_LE(ver, 32767);
    EXPECT_TRUE(Control(launcher, "Edit1")->isHidden());
    EXPECT_TRUE(Control(launcher, "Button1")->isHidden());
    EXPECT_EQ(AddressBox()->text(), QStringLiteral("TCPServer Start："));
    EXPECT_NE(launcher->commandPort(), 0);
}

TEST_F(LauncherTest, FirstBlankPageIsStyledOnceAndLeavesTheStatusLine) {
    AddressBox()->setText("untouched");
    launcherEngine->address = "about:blank";
    launcherEngine->CompleteNavigation("about:blank");
    const QStringList expected = launcherEngine->scripts;
    EXPECT_EQ(expected.mid(0, 3),
              (QStringList{QStringLiteral("document.write('<p align=\"center\"><font "
                                          "color=\"#cccccc\">loading……</font></p>')"),
                           "document.body.style.backgroundColor='#0e0905';",
                           "document.body.scroll='no';"}));
    EXPECT_EQ(AddressBox()->text(), "untouched");

    launcherEngine->CompleteNavigation("about:blank");
    EXPECT_EQ(launcherEngine->scripts.size(), expected.size()) << "styled a second time";
    EXPECT_EQ(AddressBox()->text(), "about:blank");
}

TEST_F(LauncherTest, BlankPageWithoutDocumentIsNotScriptedButStillCountsAsStyled) {
    launcherEngine->holdsDocument = false;
    launcherEngine->CompleteNavigation("about:blank");
    EXPECT_TRUE(launcherEngine->scripts.isEmpty());
    launcherEngine->holdsDocument = true;
    launcherEngine->CompleteNavigation("about:blank");
    EXPECT_TRUE(launcherEngine->scripts.isEmpty()) << "the styling comes once, used or not";
}

TEST_F(LauncherTest, NearBlankAddressesAreNotTheFirstBlankPage) {
    for (const char* url : {"about:blank#top", "About:blank", "about:blank/"}) {
        launcherEngine->address = url;
        launcherEngine->CompleteNavigation(url);
        EXPECT_EQ(AddressBox()->text(), url);
    }
    EXPECT_TRUE(launcherEngine->scripts.isEmpty());
    launcherEngine->CompleteNavigation("about:blank");
    EXPECT_FALSE(launcherEngine->scripts.isEmpty()) << "the first real blank page is still styled";
}

TEST_F(LauncherTest, OrdinaryCompletionPutsTheBrowserAddressIntoTheStatusLine) {
    launcherEngine->address = "http://s/serverlist.html";
    launcherEngine->CompleteNavigation("http://s/frame.html");  // a frame: the top address shows
    EXPECT_EQ(AddressBox()->text(), "http://s/serverlist.html");
    EXPECT_TRUE(game->isHidden());
}

struct HandOffCase {
    const char* name;
    QString completed;
    QString gameUrl;
    bool maximised;
};

TEST_F(LauncherTest, HandOffOpensTheGameWithTheExactAddress) {
    const QString portal = QStringLiteral("http://%1/playgame_4.html").arg(deployment::kPortalHost);
    const HandOffCase cases[] = {
        {"marker", "client://loadgame|http://g/game.html?server=1&name=%E9%9D%92",
         "http://g/game.html?server=1&name=%E9%9D%92", false},
        {"full screen", "client://loadgame|http://g/game.html?a=1&windowsize=max#f",
         "http://g/game.html?a=1&windowsize=max#f", true},
        {"marker in a query", "http://g/p?x=client://loadgame|http://g/q",
         "t://loadgame|http://g/q", false},
        // The engine escapes the marker's bar in a query; the game gets what
        // the literal marker would give.
        {"escaped marker in a query", "http://g/p?x=client://loadgame%7Chttp://g/q",
         "t://loadgame|http://g/q", false},
        {"escaped marker, small hex", "client://loadgame%7chttp://g/game.html?a=%7C",
         "http://g/game.html?a=%7C", false},
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
        launcherEngine->address = "about:blank";

        launcherEngine->CompleteNavigation(c.completed);

        EXPECT_EQ(launcherEngine->calls, (QStringList{"Navigate about:blank", "Stop"}));
        EXPECT_TRUE(launcher->isHidden());
        EXPECT_TRUE(game->isVisible());
        EXPECT_EQ(gameEngine->navigations, QStringList{c.gameUrl});
        EXPECT_EQ(game->isMaximised(), c.maximised);
        EXPECT_EQ(AddressBox()->text(), "about:blank");
    }
}

TEST_F(LauncherTest, DebugModeShowsTheAddressBoxAndGoNavigatesToItsText) {
    FakeBrowserEngine* engine = nullptr;
    LauncherWindow debug(services, Factory(&engine), 0);
    EXPECT_EQ(engine->navigations, (QStringList{"about:blank", "about:blank"})) << "no start page";
    EXPECT_FALSE(Control(&debug, "Edit1")->isHidden());
    EXPECT_FALSE(Control(&debug, "Button1")->isHidden());
    engine->navigations.clear();
    debug.loadStartPage();
    EXPECT_EQ(engine->navigations, QStringList{"about:blank"});

    Control<QLineEdit>(&debug, "Edit1")->setText(" client://loadgame|http://g/ ");
    Control<QPushButton>(&debug, "Button1")->click();
    EXPECT_EQ(engine->navigations.last(), " client://loadgame|http://g/ ");
}

TEST_F(LauncherTest, EachStartPageLoadReseedsFromTheClock) {
    for (int round = 0; round < 2; ++round) {
        launcherEngine->navigations.clear();
        const auto before = static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch());
        launcher->loadStartPage();
        const auto after = static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch());
        ASSERT_EQ(launcherEngine->navigations.size(), 1);
        const int ver = kStartPage.match(launcherEngine->navigations[0]).captured(1).toInt();
        bool fromClock = false;
        for (std::uint32_t seconds = before; seconds <= after; ++seconds) {
            RuntimeRandom expected;
            expected.seed(seconds);
            fromClock = fromClock || expected.draw() == ver;
        }
        EXPECT_TRUE(fromClock) << "ver " << ver
                               << " is not the first draw after seeding with the time";
    }
}

}  // namespace

namespace {

using LauncherLayoutTest = WindowsFixture;

TEST_F(LauncherLayoutTest, TheBrowserCoversTheFourLinkButtons) {
    launcher->show();
    QWidget* browser = Control(launcher, "WebBrowser1");
    for (const char* name :
         {"GraphicButton0", "GraphicButton2", "GraphicButton3", "GraphicButton4"}) {
        QWidget* link = Control(launcher, name);
        const QPoint centre = link->mapTo(launcher, link->rect().center());
        QWidget* top = launcher->childAt(centre);
        ASSERT_NE(top, nullptr);
        EXPECT_TRUE(browser == top || browser->isAncestorOf(top)) << name;
    }
    // The close button, outside the browser's panel, is on top where it sits.
    QWidget* closeButton = Control(launcher, "GraphicButton5");
    EXPECT_EQ(launcher->childAt(closeButton->mapTo(launcher, QPoint(15, 16))), closeButton);
}

TEST_F(LauncherLayoutTest, ColourKeyLeavesTheArtworkAndCutsOutItsTransparentParts) {
    const QRegion shape =
        launcher->findChild<quorvane::widgets::ColourKeyShape*>()->visibleRegion();
    EXPECT_TRUE(shape.contains(QPoint(700, 400))) << "the browser panel";
    EXPECT_TRUE(shape.contains(QPoint(1050, 600))) << "the frame's lower edge";
    EXPECT_FALSE(shape.contains(QPoint(1115, 300))) << "transparent columns from x 1111";
    EXPECT_FALSE(shape.contains(QPoint(500, 620))) << "the last row";
    EXPECT_FALSE(shape.contains(QPoint(20, 20))) << "above the frame";
}

// The game window shows when its page has been asked for, or a quarter of a
// second later at most; a request it no longer waits for shows nothing.
TEST_F(LauncherTest, TheGameShowsOnItsPagesRequestOrAtTheLatestAfterAQuarterSecond) {
    gameEngine->requestsOnNavigate = false;
    launcherEngine->CompleteNavigation("client://loadgame|http://g/p");
    EXPECT_TRUE(game->isHidden());
    emit gameEngine->topRequestStarted();
    EXPECT_TRUE(game->isVisible());

    game->hide();
    launcherEngine->CompleteNavigation("client://loadgame|http://g/q");
    EXPECT_TRUE(game->isHidden());
    ASSERT_TRUE(WaitFor([&] { return game->isVisible(); }, 1000));
    game->hide();
    emit gameEngine->topRequestStarted();
    EXPECT_TRUE(game->isHidden()) << "a late request showed the game again";
}

}  // namespace
