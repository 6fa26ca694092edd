#include <QGuiApplication>
#include <QScreen>

#include "game/size_mode.h"
#include "tests/support/windows_fixture.h"

namespace {

using GameWindowTest = WindowsFixture;

void ExpectBrowserFitted(GameWindow& game) {
    EXPECT_EQ(game.m_browser->pos(), QPoint(-2, -2));
    EXPECT_EQ(game.m_browser->size(), game.m_browserPanel->size() + QSize(6, 6));
}

TEST_F(GameWindowTest, ConstructionTakesNinetyPercentOfTheWorkArea) {
    EXPECT_FALSE(game->m_maximised);
    EXPECT_FALSE(game->m_gameLoaded);
    EXPECT_FLOAT_EQ(game->m_sizeFactor, 0.9f);
    EXPECT_EQ(game->width(), ScaleDimension(game->m_workAreaWidth));
    EXPECT_EQ(game->height(), ScaleDimension(game->m_workAreaHeight));
    EXPECT_TRUE(game->isHidden());
    EXPECT_FALSE(game->m_trayIcon->isVisible());
}

TEST_F(GameWindowTest, SizeModesToggleRecentreAndRefitTheBrowser) {
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect normal = SizeModeGeometry(SizeMode::Normal, workArea, QRect());
    game->applySizeMode(SizeMode::Normal);
    EXPECT_EQ(game->geometry(), normal);
    ExpectBrowserFitted(*game);

    game->move(30, 20);  // dragged away
    game->applySizeMode(SizeMode::Toggle);
    EXPECT_TRUE(game->m_maximised);
    EXPECT_EQ(game->geometry(), workArea);
    ExpectBrowserFitted(*game);

    game->applySizeMode(SizeMode::Toggle);
    EXPECT_FALSE(game->m_maximised);
    EXPECT_EQ(game->geometry(), normal);

    game->m_browser->resize(10, 10);
    game->applySizeMode(static_cast<SizeMode>(7));
    EXPECT_FALSE(game->m_maximised);
    EXPECT_EQ(game->geometry(), normal);
    ExpectBrowserFitted(*game);
}

TEST_F(GameWindowTest, ResizingKeepsStripFrameAndBrowserFit) {
    game->show();
    for (QSize size : {QSize(800, 500), QSize(1500, 900), QSize(430, 120)}) {
        game->resize(size);
        EXPECT_EQ(game->m_titleStrip->geometry(), QRect(2, 2, size.width() - 4, 45));
        EXPECT_EQ(game->m_buttonArea->geometry().right(), game->m_titleStrip->width() - 1);
        EXPECT_EQ(game->m_browserPanel->geometry(),
                  QRect(2, 47, size.width() - 4, size.height() - 49));
        ExpectBrowserFitted(*game);
        // The exit button stays 422 - 358 px in from the strip's right end;
        // the title and the left pictures stay where they were.
        EXPECT_EQ(game->m_exitButton->mapTo(game, QPoint(0, 0)),
                  QPoint(size.width() - 2 - 422 + 358, 2 + 2));
        EXPECT_EQ(game->m_titleLabel->pos(), QPoint(383, 9));
        EXPECT_EQ(game->m_stripLettering->geometry(), QRect(74, 2, 101, 45));
        EXPECT_EQ(game->m_stripBackground->width(), game->m_buttonArea->x());
    }
}

TEST_F(GameWindowTest, OpenGameChoosesTheSizeModeFromTheAddress) {
    const std::pair<QString, bool> cases[] = {
        {"http://g/game.html?windowsize=max", true},
        {"http://g/game.html#windowsize=max", true},
        {"http://g/game.html?xwindowsize=maxx", true},
        {"http://g/game.html?WindowSize=Max", false},
        {"http://g/game.html", false},
        {"", false},
    };
    for (const auto& [url, maximised] : cases) {
        gameEngine->navigations.clear();
        game->openGame(url);
        EXPECT_EQ(gameEngine->navigations, QStringList{url});
        EXPECT_EQ(game->m_maximised, maximised) << url.toStdString();
        EXPECT_TRUE(game->m_gameLoaded);
        EXPECT_TRUE(game->m_trayIcon->isVisible());
        ExpectBrowserFitted(*game);
    }
}

TEST_F(GameWindowTest, DocumentsBeforeAnyGameAreIgnored) {
    game->m_browser->setVisible(false);
    gameEngine->title = "Early";
    gameEngine->CompleteDocument("http://g/");
    EXPECT_TRUE(game->m_titleLabel->text().trimmed().isEmpty());
    EXPECT_FALSE(gameEngine->calls.contains("clearBodyBorderWidth"));
    EXPECT_TRUE(game->m_browser->isHidden());
}

TEST_F(GameWindowTest, EveryCompletedDocumentShowsTheTitle) {
    game->show();
    game->openGame("http://g/game.html");
    game->m_browser->setVisible(false);
    gameEngine->title = QStringLiteral("Quorvane · 1服 青龙");
    gameEngine->CompleteDocument("http://g/frame.html");
    EXPECT_EQ(game->m_titleLabel->text(), QStringLiteral("Quorvane · 1服 青龙"));
    EXPECT_FALSE(game->m_browser->isHidden());
    EXPECT_TRUE(gameEngine->calls.contains("clearBodyBorderWidth"));

    gameEngine->title.clear();
    gameEngine->CompleteDocument("http://g/game.html");
    EXPECT_EQ(game->m_titleLabel->text(), "");

    // Without an HTML document the title is left as it was.
    gameEngine->title = "ignored";
    gameEngine->holdsDocument = false;
    gameEngine->CompleteDocument("http://g/picture.png");
    EXPECT_EQ(game->m_titleLabel->text(), "");
}

TEST_F(GameWindowTest, RefreshSkipsBlankPagesButTheButtonDoesNot) {
    const std::pair<QString, bool> cases[] = {
        {"http://g/game.html", true},
        {"about:blank", false},
        {"http://g/?back=about:blank", false},
        {"About:Blank", true},
    };
    for (const auto& [location, refreshes] : cases) {
        gameEngine->calls.clear();
        gameEngine->address = location;
        game->refreshUnlessBlank();
        EXPECT_EQ(gameEngine->calls.contains("Refresh"), refreshes) << location.toStdString();
        gameEngine->calls.clear();
        game->onRefreshClicked(game->m_refreshButton);
        EXPECT_EQ(gameEngine->calls, QStringList{"Refresh"});
    }
}

TEST_F(GameWindowTest, ReturnToTheLauncherBlanksHidesAndReloadsTheStartPage) {
    launcher->hide();
    game->show();
    game->openGame("http://g/game.html?windowsize=max");
    launcherEngine->navigations.clear();
    gameEngine->navigations.clear();

    game->onSwitchServerClicked(game->m_switchServerButton);

    EXPECT_EQ(gameEngine->navigations, QStringList{"about:blank"});
    EXPECT_TRUE(game->isHidden());
    EXPECT_FALSE(game->m_trayIcon->isVisible());
    EXPECT_TRUE(launcher->isVisible());
    ASSERT_EQ(launcherEngine->navigations.size(), 1);
    EXPECT_TRUE(launcherEngine->navigations[0].contains("/hot_update/url_redirect/jump1401.html"));
    EXPECT_TRUE(game->m_gameLoaded);
    EXPECT_TRUE(game->m_maximised);

    // The blank page's completion still runs the document sequence.
    game->m_titleLabel->setText("Quorvane");
    gameEngine->title.clear();
    gameEngine->CompleteDocument("about:blank");
    EXPECT_EQ(game->m_titleLabel->text(), "");
}

TEST_F(GameWindowTest, ClosingNoticeIsBuiltHiddenWithItsKeyedBackground) {
    EXPECT_TRUE(notice->isHidden());
    EXPECT_EQ(notice->size(), QSize(350, 133));
    EXPECT_TRUE(notice->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(notice->m_closesLabel->text(), QStringLiteral("秒之后自动关闭。"));
    EXPECT_EQ(notice->m_countdownLabel->text(), "5");
    EXPECT_FALSE(notice->m_countdownTimer->isActive());
    EXPECT_EQ(notice->m_countdownTimer->interval(), 1000);
    const QRegion shape = notice->m_colourKey->VisibleRegion();
    EXPECT_FALSE(shape.contains(QPoint(2, 130))) << "blue background is keyed";
    EXPECT_TRUE(shape.contains(notice->m_banner->geometry().center())) << "the banner shows";
    EXPECT_TRUE(shape.contains(QPoint(37, 37))) << "the close button shows";
}

}  // namespace
