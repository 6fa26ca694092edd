#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>

#include "game/size_mode.h"
#include "tests/support/controls.h"
#include "tests/support/windows_fixture.h"
#include "widgets/colour_key.h"

namespace {

class GameWindowTest : public WindowsFixture {
  protected:
    QWidget* Browser() { return Control(game, "WebBrowser1"); }
    QLabel* Title() { return Control<QLabel>(game, "Label1"); }
    QSystemTrayIcon* TrayIcon() { return Control<QSystemTrayIcon>(game, "TrayIcon1"); }
    void ExpectBrowserFitted() {
        EXPECT_EQ(Browser()->pos(), QPoint(-2, -2));
        EXPECT_EQ(Browser()->size(), Control(game, "Panel2")->size() + QSize(6, 6));
    }
    void Click(const char* button) {
        QTest::mouseClick(Control(game, button), Qt::LeftButton, {}, QPoint(3, 3));
    }
};

TEST_F(GameWindowTest, ConstructionTakesNinetyPercentOfTheWorkArea) {
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_FALSE(game->isMaximised());
    EXPECT_EQ(game->width(), scaleDimension(workArea.width()));
    EXPECT_EQ(game->height(), scaleDimension(workArea.height()));
    EXPECT_TRUE(game->isHidden());
    EXPECT_FALSE(TrayIcon()->isVisible());
}

TEST_F(GameWindowTest, TheSizeToggleRecentresAndRefitsTheBrowser) {
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect normal = sizeModeGeometry(SizeMode::Normal, workArea, QRect());
    game->show();
    game->openGame("http://g/game.html");
    EXPECT_EQ(game->geometry(), normal);
    ExpectBrowserFitted();

    game->move(30, 20);  // dragged away
    Click("GraphicButton2");
    EXPECT_TRUE(game->isMaximised());
    EXPECT_EQ(game->geometry(), workArea);
    ExpectBrowserFitted();

    Click("GraphicButton2");
    EXPECT_FALSE(game->isMaximised());
    EXPECT_EQ(game->geometry(), normal);
}

TEST_F(GameWindowTest, ResizingKeepsStripFrameAndBrowserFit) {
    game->show();
    for (QSize size : {QSize(800, 500), QSize(1500, 900), QSize(430, 120)}) {
        game->resize(size);
        QWidget* strip = Control(game, "Panel1");
        QWidget* buttonArea = Control(game, "Panel3");
        EXPECT_EQ(strip->geometry(), QRect(2, 2, size.width() - 4, 45));
        EXPECT_EQ(buttonArea->geometry().right(), strip->width() - 1);
        EXPECT_EQ(Control(game, "Panel2")->geometry(),
                  QRect(2, 47, size.width() - 4, size.height() - 49));
        ExpectBrowserFitted();
        // The exit button stays 422 - 358 px in from the strip's right end;
        // the title and the left pictures stay where they were.
        EXPECT_EQ(Control(game, "GraphicButton1")->mapTo(game, QPoint(0, 0)),
                  QPoint(size.width() - 2 - 422 + 358, 2 + 2));
        EXPECT_EQ(Title()->pos(), QPoint(383, 9));
        EXPECT_EQ(Control(game, "Image1")->width(), buttonArea->x());
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
        EXPECT_EQ(game->isMaximised(), maximised) << url.toStdString();
        EXPECT_TRUE(TrayIcon()->isVisible());
        ExpectBrowserFitted();
    }
}

TEST_F(GameWindowTest, DocumentsBeforeAnyGameAreIgnored) {
    Browser()->setVisible(false);
    gameEngine->title = "Early";
    gameEngine->CompleteDocument("http://g/");
    EXPECT_TRUE(Title()->text().trimmed().isEmpty());
    EXPECT_FALSE(gameEngine->calls.contains("clearBodyBorderWidth"));
    EXPECT_TRUE(Browser()->isHidden());
}

TEST_F(GameWindowTest, EveryCompletedDocumentShowsTheTitle) {
    game->show();
    game->openGame("http://g/game.html");
    Browser()->setVisible(false);
    gameEngine->title = QStringLiteral("Quorvane · 1服 青龙");
    gameEngine->CompleteDocument("http://g/frame.html");
    EXPECT_EQ(Title()->text(), QStringLiteral("Quorvane · 1服 青龙"));
    EXPECT_FALSE(Browser()->isHidden());
    EXPECT_TRUE(gameEngine->calls.contains("clearBodyBorderWidth"));

    gameEngine->title.clear();
    gameEngine->CompleteDocument("http://g/game.html");
    EXPECT_EQ(Title()->text(), "");

    // Without an HTML document the title is left as it was.
    gameEngine->title = "ignored";
    gameEngine->holdsDocument = false;
    gameEngine->CompleteDocument("http://g/picture.png");
    EXPECT_EQ(Title()->text(), "");
}

TEST_F(GameWindowTest, F5SkipsBlankPagesButTheRefreshButtonDoesNot) {
    game->show();
    game->openGame("http://g/game.html");
    const std::pair<QString, bool> cases[] = {
        {"http://g/game.html", true},
        {"about:blank", false},
        {"http://g/?back=about:blank", false},
        {"About:Blank", true},
    };
    for (const auto& [location, refreshes] : cases) {
        gameEngine->calls.clear();
        gameEngine->address = location;
        QTest::keyClick(gameEngine->view(), Qt::Key_F5);
        EXPECT_EQ(gameEngine->calls.contains("Refresh"), refreshes) << location.toStdString();
        gameEngine->calls.clear();
        Click("GraphicButton5");
        EXPECT_EQ(gameEngine->calls, QStringList{"Refresh"});
    }
}

TEST_F(GameWindowTest, ReturnToTheLauncherBlanksHidesAndReloadsTheStartPage) {
    launcher->hide();
    game->show();
    game->openGame("http://g/game.html?windowsize=max");
    launcherEngine->navigations.clear();
    gameEngine->navigations.clear();

    Click("GraphicButton6");

    EXPECT_EQ(gameEngine->navigations, QStringList{"about:blank"});
    EXPECT_TRUE(game->isHidden());
    EXPECT_FALSE(TrayIcon()->isVisible());
    EXPECT_TRUE(launcher->isVisible());
    ASSERT_EQ(launcherEngine->navigations.size(), 1);
    EXPECT_TRUE(launcherEngine->navigations[0].contains("/hot_update/url_redirect/jump1401.html"));
    EXPECT_TRUE(game->isMaximised());

    // The blank page's completion still runs the document sequence.
    Title()->setText("Quorvane");
    gameEngine->title.clear();
    gameEngine->CompleteDocument("about:blank");
    EXPECT_EQ(Title()->text(), "");
}

TEST_F(GameWindowTest, ClosingNoticeIsBuiltHiddenWithItsKeyedBackground) {
    EXPECT_TRUE(notice->isHidden());
    EXPECT_TRUE(notice->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Control<QLabel>(notice, "Label1")->text(), QStringLiteral("秒之后自动关闭。"));
    EXPECT_EQ(Control<QLabel>(notice, "Label2")->text(), "5");
    EXPECT_FALSE(Control<QTimer>(notice, "Timer1")->isActive());
    const QRegion shape = notice->findChild<quorvane::widgets::ColourKeyShape*>()->visibleRegion();
    EXPECT_FALSE(shape.contains(QPoint(2, 130))) << "blue background is keyed";
    EXPECT_TRUE(shape.contains(Control(notice, "Image1")->geometry().center()))
        << "the banner shows";
    EXPECT_TRUE(shape.contains(QPoint(37, 37))) << "the close button shows";
}

}  // namespace
