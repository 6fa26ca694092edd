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
    EXPECT_TRUE(launcher->m_addressBox->isHidden());
    EXPECT_TRUE(launcher->m_goButton->isHidden());
    EXPECT_EQ(launcher->m_addressBox->text(), QStringLiteral("TCPServer Start："));
    EXPECT_TRUE(launcher->m_commandServer->Active());
    EXPECT_TRUE(launcher->m_serverTimer->isActive());
    EXPECT_EQ(launcher->m_serverTimer->interval(), 60000);
}

TEST_F(LauncherTest, FirstBlankPageIsStyledOnceAndLeavesTheStatusLine) {
    launcher->m_addressBox->setText("untouched");
    launcherEngine->address = "about:blank";
    launcherEngine->CompleteNavigation("about:blank");
    const QStringList expected = LauncherWindow::firstBlankScripts();
    EXPECT_EQ(launcherEngine->scripts, expected);
    EXPECT_EQ(expected.mid(0, 3),
              (QStringList{QStringLiteral("document.write('<p align=\"center\"><font "
                                          "color=\"#cccccc\">loading……</font></p>')"),
                           "document.body.style.backgroundColor='#0e0905';",
                           "document.body.scroll='no';"}));
    EXPECT_EQ(launcher->m_addressBox->text(), "untouched");

    launcherEngine->CompleteNavigation("about:blank");
    EXPECT_EQ(launcherEngine->scripts.size(), expected.size()) << "styled a second time";
    EXPECT_EQ(launcher->m_addressBox->text(), "about:blank");
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
        EXPECT_EQ(launcher->m_addressBox->text(), url);
    }
    EXPECT_TRUE(launcherEngine->scripts.isEmpty());
    launcherEngine->CompleteNavigation("about:blank");
    EXPECT_FALSE(launcherEngine->scripts.isEmpty()) << "the first real blank page is still styled";
}

TEST_F(LauncherTest, OrdinaryCompletionPutsTheBrowserAddressIntoTheStatusLine) {
    launcherEngine->address = "http://s/serverlist.html";
    launcherEngine->CompleteNavigation("http://s/frame.html");  // a frame: the top address shows
    EXPECT_EQ(launcher->m_addressBox->text(), "http://s/serverlist.html");
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
        launcherEngine->address = "about:blank";

        launcherEngine->CompleteNavigation(c.completed);

        EXPECT_EQ(launcherEngine->calls, (QStringList{"Navigate about:blank", "Stop"}));
        EXPECT_TRUE(launcher->isHidden());
        EXPECT_TRUE(game->isVisible());
        EXPECT_EQ(gameEngine->navigations, QStringList{c.gameUrl});
        EXPECT_EQ(game->m_maximised, c.maximised);
        EXPECT_EQ(launcher->m_addressBox->text(), "about:blank");
    }
}

TEST_F(LauncherTest, DebugModeShowsTheAddressBoxAndGoNavigatesToItsText) {
    FakeBrowserEngine* engine = nullptr;
    LauncherWindow debug(services, Factory(&engine), 0);
    EXPECT_EQ(engine->navigations, (QStringList{"about:blank", "about:blank"})) << "no start page";
    EXPECT_FALSE(debug.m_addressBox->isHidden());
    EXPECT_FALSE(debug.m_goButton->isHidden());
    engine->navigations.clear();
    debug.loadStartPage();
    EXPECT_EQ(engine->navigations, QStringList{"about:blank"});

    debug.m_addressBox->setText(" client://loadgame|http://g/ ");
    debug.m_goButton->click();
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
        {launcher->m_artwork, QRect(0, 0, 1127, 621)},
        {launcher->m_advisory, QRect(600, 573, 339, 37)},
        {launcher->m_addressBox, QRect(128, 587, 329, 21)},
        {launcher->m_goButton, QRect(471, 585, 75, 25)},
        {launcher->m_officialSitePanel, QRect(490, 204, 128, 35)},
        {launcher->m_topUpPanel, QRect(620, 204, 128, 35)},
        {launcher->m_servicePanel, QRect(750, 204, 128, 35)},
        {launcher->m_gameCentrePanel, QRect(880, 204, 128, 36)},
        {launcher->m_closePanel, QRect(1064, 143, 31, 33)},
        {launcher->m_browserPanel, QRect(486, 195, 605, 365)},
        {launcher->m_minimisePanel, QRect(1020, 143, 31, 33)},
        {launcher->m_clearCachePanel, QRect(1002, 570, 88, 21)},
        {launcher->m_browser, QRect(0, 0, 605, 365)},
        {launcher->m_gameCentreButton, QRect(0, 0, 128, 35)},
        {launcher->m_clearCacheButton, QRect(0, 0, 88, 21)},
    };
    for (const auto& [control, box] : boxes)
        EXPECT_EQ(control->geometry(), box) << control->objectName().toStdString();
    EXPECT_EQ(launcher->size(), QSize(1127, 621));
    EXPECT_EQ(launcher->minimumSize(), launcher->maximumSize());
    EXPECT_TRUE(launcher->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(launcher->m_versionLabel->text(), "v17.05.22.01");
    EXPECT_EQ(launcher->m_versionLabel->pos(), QPoint(1014, 602));
    EXPECT_FALSE(launcher->m_artwork->pixmap().isNull()) << "pictures are embedded";
}

TEST_F(LauncherLayoutTest, TheBrowserCoversTheFourLinkButtons) {
    launcher->show();
    for (SkinnedButton* link : {launcher->m_officialSiteButton, launcher->m_topUpButton,
                                launcher->m_serviceButton, launcher->m_gameCentreButton}) {
        const QPoint centre = link->mapTo(launcher, link->rect().center());
        QWidget* top = launcher->childAt(centre);
        ASSERT_NE(top, nullptr);
        EXPECT_TRUE(launcher->m_browser == top || launcher->m_browser->isAncestorOf(top));
    }
    // The close button, outside the browser's panel, is on top where it sits.
    const QPoint close = launcher->m_closeButton->mapTo(launcher, QPoint(15, 16));
    EXPECT_EQ(launcher->childAt(close), launcher->m_closeButton);
}

TEST_F(LauncherLayoutTest, ColourKeyLeavesTheArtworkAndCutsOutItsTransparentParts) {
    const QRegion shape = launcher->m_colourKey->VisibleRegion();
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
