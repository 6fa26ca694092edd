#include <QGuiApplication>
#include <QScreen>

#include "game/size_mode.h"
#include "tests/support/windows_fixture.h"

namespace {

using GameWindowTest = WindowsFixture;

void ExpectBrowserFitted(TForm2& game) {
    EXPECT_EQ(game.WebBrowser1->pos(), QPoint(-2, -2));
    EXPECT_EQ(game.WebBrowser1->size(), game.Panel2->size() + QSize(6, 6));
}

TEST_F(GameWindowTest, ConstructionTakesNinetyPercentOfTheWorkArea) {
    EXPECT_FALSE(game->Maximised);
    EXPECT_FALSE(game->GameLoaded);
    EXPECT_FLOAT_EQ(game->SizeFactor, 0.9f);
    EXPECT_EQ(game->width(), ScaleDimension(game->WorkAreaWidth));
    EXPECT_EQ(game->height(), ScaleDimension(game->WorkAreaHeight));
    EXPECT_TRUE(game->isHidden());
    EXPECT_FALSE(game->TrayIcon1->isVisible());
}

TEST_F(GameWindowTest, SizeModesToggleRecentreAndRefitTheBrowser) {
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect normal = SizeModeGeometry(SizeMode::Normal, workArea, QRect());
    game->ApplySizeMode(SizeMode::Normal);
    EXPECT_EQ(game->geometry(), normal);
    ExpectBrowserFitted(*game);

    game->move(30, 20);  // dragged away
    game->ApplySizeMode(SizeMode::Toggle);
    EXPECT_TRUE(game->Maximised);
    EXPECT_EQ(game->geometry(), workArea);
    ExpectBrowserFitted(*game);

    game->ApplySizeMode(SizeMode::Toggle);
    EXPECT_FALSE(game->Maximised);
    EXPECT_EQ(game->geometry(), normal);

    game->WebBrowser1->resize(10, 10);
    game->ApplySizeMode(static_cast<SizeMode>(7));
    EXPECT_FALSE(game->Maximised);
    EXPECT_EQ(game->geometry(), normal);
    ExpectBrowserFitted(*game);
}

TEST_F(GameWindowTest, ResizingKeepsStripFrameAndBrowserFit) {
    game->show();
    for (QSize size : {QSize(800, 500), QSize(1500, 900), QSize(430, 120)}) {
        game->resize(size);
        EXPECT_EQ(game->Panel1->geometry(), QRect(2, 2, size.width() - 4, 45));
        EXPECT_EQ(game->Panel3->geometry().right(), game->Panel1->width() - 1);
        EXPECT_EQ(game->Panel2->geometry(), QRect(2, 47, size.width() - 4, size.height() - 49));
        ExpectBrowserFitted(*game);
        // The exit button stays 422 - 358 px in from the strip's right end;
        // the title and the left pictures stay where they were.
        EXPECT_EQ(game->GraphicButton1->mapTo(game, QPoint(0, 0)),
                  QPoint(size.width() - 2 - 422 + 358, 2 + 2));
        EXPECT_EQ(game->Label1->pos(), QPoint(383, 9));
        EXPECT_EQ(game->Image3->geometry(), QRect(74, 2, 101, 45));
        EXPECT_EQ(game->Image1->width(), game->Panel3->x());
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
        game->OpenGame(url);
        EXPECT_EQ(gameEngine->navigations, QStringList{url});
        EXPECT_EQ(game->Maximised, maximised) << url.toStdString();
        EXPECT_TRUE(game->GameLoaded);
        EXPECT_TRUE(game->TrayIcon1->isVisible());
        ExpectBrowserFitted(*game);
    }
}

TEST_F(GameWindowTest, DocumentsBeforeAnyGameAreIgnored) {
    game->WebBrowser1->setVisible(false);
    gameEngine->title = "Early";
    gameEngine->CompleteDocument("http://g/");
    EXPECT_TRUE(game->Label1->text().trimmed().isEmpty());
    EXPECT_FALSE(gameEngine->calls.contains("ClearBodyBorderWidth"));
    EXPECT_TRUE(game->WebBrowser1->isHidden());
}

TEST_F(GameWindowTest, EveryCompletedDocumentShowsTheTitle) {
    game->show();
    game->OpenGame("http://g/game.html");
    game->WebBrowser1->setVisible(false);
    gameEngine->title = QStringLiteral("Quorvane · 1服 青龙");
    gameEngine->CompleteDocument("http://g/frame.html");
    EXPECT_EQ(game->Label1->text(), QStringLiteral("Quorvane · 1服 青龙"));
    EXPECT_FALSE(game->WebBrowser1->isHidden());
    EXPECT_TRUE(gameEngine->calls.contains("ClearBodyBorderWidth"));

    gameEngine->title.clear();
    gameEngine->CompleteDocument("http://g/game.html");
    EXPECT_EQ(game->Label1->text(), "");

    // Without an HTML document the title is left as it was.
    gameEngine->title = "ignored";
    gameEngine->hasDocument = false;
    gameEngine->CompleteDocument("http://g/picture.png");
    EXPECT_EQ(game->Label1->text(), "");
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
        gameEngine->location = location;
        game->RefreshUnlessBlank();
        EXPECT_EQ(gameEngine->calls.contains("Refresh"), refreshes) << location.toStdString();
        gameEngine->calls.clear();
        game->GraphicButton5Click(game->GraphicButton5);
        EXPECT_EQ(gameEngine->calls, QStringList{"Refresh"});
    }
}

TEST_F(GameWindowTest, ReturnToTheLauncherBlanksHidesAndReloadsTheStartPage) {
    launcher->hide();
    game->show();
    game->OpenGame("http://g/game.html?windowsize=max");
    launcherEngine->navigations.clear();
    gameEngine->navigations.clear();

    game->GraphicButton6Click(game->GraphicButton6);

    EXPECT_EQ(gameEngine->navigations, QStringList{"about:blank"});
    EXPECT_TRUE(game->isHidden());
    EXPECT_FALSE(game->TrayIcon1->isVisible());
    EXPECT_TRUE(launcher->isVisible());
    ASSERT_EQ(launcherEngine->navigations.size(), 1);
    EXPECT_TRUE(launcherEngine->navigations[0].contains("/hot_update/url_redirect/jump1401.html"));
    EXPECT_TRUE(game->GameLoaded);
    EXPECT_TRUE(game->Maximised);

    // The blank page's completion still runs the document sequence.
    game->Label1->setText("Quorvane");
    gameEngine->title.clear();
    gameEngine->CompleteDocument("about:blank");
    EXPECT_EQ(game->Label1->text(), "");
}

TEST_F(GameWindowTest, ClosingNoticeIsBuiltHiddenWithItsKeyedBackground) {
    EXPECT_TRUE(notice->isHidden());
    EXPECT_EQ(notice->size(), QSize(350, 133));
    EXPECT_TRUE(notice->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(notice->Label1->text(), QStringLiteral("秒之后自动关闭。"));
    EXPECT_EQ(notice->Label2->text(), "5");
    EXPECT_FALSE(notice->Timer1->isActive());
    EXPECT_EQ(notice->Timer1->interval(), 1000);
    const QRegion shape = notice->ColourKey->VisibleRegion();
    EXPECT_FALSE(shape.contains(QPoint(2, 130))) << "blue background is keyed";
    EXPECT_TRUE(shape.contains(notice->Image1->geometry().center())) << "the banner shows";
    EXPECT_TRUE(shape.contains(QPoint(37, 37))) << "the close button shows";
}

}  // namespace
