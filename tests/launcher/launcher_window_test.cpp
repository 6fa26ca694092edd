#include <QDateTime>
#include <QRegularExpression>

#include "launcher/deployment.h"
#include "tests/support/wait.h"
#include "tests/support/windows_fixture.h"

namespace {

using LauncherTest = WindowsFixture;

const QRegularExpression kStartPage(
    QStringLiteral("^http://%1/hot_update/url_redirect/jump1401\\.html\\?type=0&ver=(\\d+)$")
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
    EXPECT_EQ(launcher->Edit1->text(), QStringLiteral("TCPServer Start："));
    EXPECT_TRUE(launcher->IdTCPServer0->Active());
    EXPECT_TRUE(launcher->Timer1->isActive());
    EXPECT_EQ(launcher->Timer1->interval(), 60000);
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
        EXPECT_TRUE(fromClock) << "ver " << ver
                               << " is not the first draw after seeding with the time";
    }
}

}  // namespace

namespace {

using LauncherLayoutTest = WindowsFixture;

TEST_F(LauncherLayoutTest, ControlsSitWhereTheLayoutPutsThem) {
    const std::pair<QWidget*, QRect> boxes[] = {
        {launcher->Image1, QRect(0, 0, 1127, 621)},
        {launcher->Image2, QRect(600, 573, 339, 37)},
        {launcher->Edit1, QRect(128, 587, 329, 21)},
        {launcher->Button1, QRect(471, 585, 75, 25)},
        {launcher->Panel1, QRect(490, 204, 128, 35)},
        {launcher->Panel2, QRect(620, 204, 128, 35)},
        {launcher->Panel3, QRect(750, 204, 128, 35)},
        {launcher->Panel4, QRect(880, 204, 128, 36)},
        {launcher->Panel5, QRect(1064, 143, 31, 33)},
        {launcher->Panel6, QRect(486, 195, 605, 365)},
        {launcher->Panel7, QRect(1020, 143, 31, 33)},
        {launcher->Panel8, QRect(1002, 570, 88, 21)},
        {launcher->WebBrowser1, QRect(0, 0, 605, 365)},
        {launcher->GraphicButton4, QRect(0, 0, 128, 35)},
        {launcher->GraphicButton6, QRect(0, 0, 88, 21)},
    };
    for (const auto& [control, box] : boxes)
        EXPECT_EQ(control->geometry(), box) << control->objectName().toStdString();
    EXPECT_EQ(launcher->size(), QSize(1127, 621));
    EXPECT_EQ(launcher->minimumSize(), launcher->maximumSize());
    EXPECT_TRUE(launcher->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(launcher->Label1->text(), "v17.05.22.01");
    EXPECT_EQ(launcher->Label1->pos(), QPoint(1014, 602));
    EXPECT_FALSE(launcher->Image1->pixmap().isNull()) << "pictures are embedded";
}

TEST_F(LauncherLayoutTest, TheBrowserCoversTheFourLinkButtons) {
    launcher->show();
    for (TGraphicButton* link : {launcher->GraphicButton0, launcher->GraphicButton2,
                                 launcher->GraphicButton3, launcher->GraphicButton4}) {
        const QPoint centre = link->mapTo(launcher, link->rect().center());
        QWidget* top = launcher->childAt(centre);
        ASSERT_NE(top, nullptr);
        EXPECT_TRUE(launcher->WebBrowser1 == top || launcher->WebBrowser1->isAncestorOf(top));
    }
    // The close button, outside the browser's panel, is on top where it sits.
    const QPoint close = launcher->GraphicButton5->mapTo(launcher, QPoint(15, 16));
    EXPECT_EQ(launcher->childAt(close), launcher->GraphicButton5);
}

TEST_F(LauncherLayoutTest, ColourKeyLeavesTheArtworkAndCutsOutItsTransparentParts) {
    const QRegion shape = launcher->ColourKey->VisibleRegion();
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
    emit gameEngine->TopRequestStarted();
    EXPECT_TRUE(game->isVisible());

    game->hide();
    launcherEngine->CompleteNavigation("client://loadgame|http://g/q");
    EXPECT_TRUE(game->isHidden());
    ASSERT_TRUE(WaitFor([&] { return game->isVisible(); }, 1000));
    game->hide();
    emit gameEngine->TopRequestStarted();
    EXPECT_TRUE(game->isHidden()) << "a late request showed the game again";
}

}  // namespace
