// The game window's keys, tray, command server, exit and closing notice,
// driven the way the player and the page reach them.
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include "app/application.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
#include "tests/support/controls.h"
#include "tests/support/ports.h"
#include "tests/support/wait.h"
#include "tests/support/windows_fixture.h"

namespace {

using quorvane::command::EncodeCommandText;
using quorvane::command::LoopbackClient;
using namespace std::chrono_literals;

class GameBehaviourTest : public WindowsFixture {
  protected:
    void OpenTheGame(const QString& url = "http://g/game.html") {
        launcher->hide();
        game->show();
        game->openGame(url);
        gameEngine->address = url;
        gameEngine->calls.clear();
    }
    QWidget* Page() { return gameEngine->view(); }
    QSystemTrayIcon* TrayIcon() { return Control<QSystemTrayIcon>(game, "TrayIcon1"); }
    void Click(QObject* window, const char* button) {
        QTest::mouseClick(Control(window, button), Qt::LeftButton, {}, QPoint(3, 3));
    }
    // The balloons the game window showed: title, text and icon kind each.
    QSignalSpy balloons{game, &GameWindow::balloonShown};
};

TEST_F(GameBehaviourTest, ServerStartsWithTheGameAndKeepsItsPortAcrossReturns) {
    EXPECT_EQ(game->commandPort(), 0);
    OpenTheGame();
    const uint16_t port = game->commandPort();
    EXPECT_GE(port, 10803);
    Click(game, "GraphicButton6");
    EXPECT_EQ(game->commandPort(), port) << "the server runs on while the launcher shows";
    OpenTheGame("http://g/other.html");
    EXPECT_EQ(game->commandPort(), port);

    LoopbackClient first(port);
    first.Send(EncodeCommandText(u"check"));
    EXPECT_EQ(first.Receive(2s), std::optional<std::string>("count:1"));
    LoopbackClient second(port);  // one connection at most: closed at once
    EXPECT_EQ(second.ReceiveUntilClosed(2s), std::optional<std::string>(""));
}

TEST_F(GameBehaviourTest, ShowTipShowsItsBalloonAndTheIconKindStays) {
    OpenTheGame();
    LoopbackClient client(game->commandPort());
    client.Send(EncodeCommandText(u"showTip 公告 \"活动 开始\" 2"));
    ASSERT_TRUE(balloons.wait(2000));
    EXPECT_EQ(balloons.takeFirst(),
              (QVariantList{QStringLiteral("公告"), QStringLiteral("活动 开始"),
                            QVariant::fromValue(QSystemTrayIcon::Warning)}));

    client.Send(EncodeCommandText(u"showTip t2 x 7"));
    ASSERT_TRUE(balloons.wait(2000));
    EXPECT_EQ(balloons.takeFirst().at(2).value<QSystemTrayIcon::MessageIcon>(),
              QSystemTrayIcon::Warning)
        << "7 keeps the kind";

    QTest::keyClick(Page(), Qt::Key_F9);
    ASSERT_EQ(balloons.count(), 1);
    EXPECT_EQ(balloons.takeFirst(), (QVariantList{QStringLiteral("游戏已经最小化"),
                                                  QStringLiteral("恢复请双击右下角游戏图标。"),
                                                  QVariant::fromValue(QSystemTrayIcon::Warning)}))
        << "the hide balloon keeps the kind too";
}

TEST_F(GameBehaviourTest, HideAndRestoreFollowTheWindowState) {
    OpenTheGame();
    Click(game, "GraphicButton4");
    EXPECT_TRUE(game->isHidden());
    EXPECT_TRUE(TrayIcon()->isVisible());
    EXPECT_EQ(balloons.count(), 1);

    emit TrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(game->isVisible());
    EXPECT_FALSE(game->windowState() & Qt::WindowMaximized) << "a normal window stays normal";

    Click(game, "GraphicButton3");
    EXPECT_TRUE(game->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(game->isMaximised()) << "minimising leaves the size mode alone";
    emit TrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(game->windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(game->windowState() & Qt::WindowMinimized);
}

// Without a tray a hidden window could never be found again: F9 and the hide
// button send it to the taskbar, and F9 brings it back from there.
TEST_F(GameBehaviourTest, WithoutATrayTheTaskbarStandsInForIt) {
    services.trayAvailable = false;
    OpenTheGame();
    QTest::keyClick(Page(), Qt::Key_F9);
    EXPECT_TRUE(game->isVisible());
    EXPECT_TRUE(game->windowState() & Qt::WindowMinimized);
    ASSERT_EQ(balloons.count(), 1);
    EXPECT_EQ(balloons.takeFirst().at(0).toString(), QStringLiteral("游戏已经最小化"));

    QTest::keyClick(Page(), Qt::Key_F9);
    EXPECT_FALSE(game->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(balloons.count(), 0) << "no message on the way back";

    Click(game, "GraphicButton4");
    EXPECT_TRUE(game->isVisible());
    EXPECT_TRUE(game->windowState() & Qt::WindowMinimized);

    // A tray that has come since takes the window as before.
    services.trayAvailable = true;
    game->setWindowState(Qt::WindowNoState);
    Click(game, "GraphicButton4");
    EXPECT_TRUE(game->isHidden());
}

TEST_F(GameBehaviourTest, KeysThroughTheRealEventPath) {
    OpenTheGame();
    struct Probe : QObject {
        QList<int> keys;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() != QEvent::KeyPress) return false;
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt) keys << key;
            return false;
        }
    } probe;
    Page()->installEventFilter(&probe);

    QTest::keyClick(Page(), Qt::Key_F5);
    QTest::keyClick(Page(), Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(gameEngine->calls.count("Refresh"), 2);
    QTest::keyClick(Page(), Qt::Key_F5, Qt::AltModifier);  // a system key: left alone
    EXPECT_EQ(gameEngine->calls.count("Refresh"), 2);
    gameEngine->address = "about:blank";
    QTest::keyClick(Page(), Qt::Key_F5);
    EXPECT_EQ(gameEngine->calls.count("Refresh"), 2) << "F5 on a blank page does nothing";

    QTest::keyClick(Page(), Qt::Key_Return);
    QTest::keyClick(Page(), Qt::Key_Escape);
    QTest::keyClick(Page(), Qt::Key_A);
    QTest::keyClick(Page(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(probe.keys, (QList<int>{Qt::Key_F5, Qt::Key_Return, Qt::Key_Escape, Qt::Key_A}))
        << "each passed key reaches the page once (Alt+F5 included); F5 and Ctrl+N never";

    QTest::keyClick(Page(), Qt::Key_F9);
    EXPECT_TRUE(game->isHidden());
    QTest::keyClick(Control(launcher, "Edit1"), Qt::Key_F9);  // the filter sees every window's keys
    EXPECT_TRUE(game->isVisible());
}

TEST_F(GameBehaviourTest, TitleStripDragsOnlyInNormalModeAndDoubleClickToggles) {
    OpenTheGame();
    const QPoint before = game->pos();
    QWidget* stripBackground = Control(game, "Image1");
    const QPoint onStrip = stripBackground->mapTo(game, QPoint(200, 20));
    QTest::mousePress(game->windowHandle(), Qt::RightButton, {}, onStrip);
    QTest::mouseRelease(game->windowHandle(), Qt::RightButton, {}, onStrip);
    EXPECT_EQ(game->pos(), before) << "other buttons do nothing";

    QTest::mousePress(game->windowHandle(), Qt::LeftButton, {}, onStrip);
    QTest::mouseMove(game->windowHandle(), onStrip + QPoint(30, 10));
    QTest::mouseRelease(game->windowHandle(), Qt::LeftButton, {}, onStrip);
    EXPECT_EQ(game->pos(), before + QPoint(30, 10));

    QTest::mouseDClick(stripBackground, Qt::LeftButton, {}, QPoint(200, 20));
    EXPECT_TRUE(game->isMaximised());
    const QPoint maximisedAt = game->pos();
    QTest::mousePress(game->windowHandle(), Qt::LeftButton, {}, onStrip);
    QTest::mouseMove(game->windowHandle(), onStrip + QPoint(30, 10));
    QTest::mouseRelease(game->windowHandle(), Qt::LeftButton, {}, onStrip + QPoint(30, 10));
    EXPECT_EQ(game->pos(), maximisedAt) << "no drag while maximised";
    Click(game, "GraphicButton2");
    EXPECT_FALSE(game->isMaximised());
}

TEST_F(GameBehaviourTest, ExitAnsweredNoChangesNothing) {
    OpenTheGame();
    QString asked;
    services.answer = [&](QWidget* owner, const QString& text, const QString& caption) {
        asked = text + "|" + caption + "|" + (owner == game ? "owned" : "unowned");
        return false;
    };
    Click(game, "GraphicButton1");
    EXPECT_EQ(asked, QStringLiteral("亲，确定要退出游戏吗？|呜呜呜。。。|owned"));
    EXPECT_TRUE(game->isVisible());
    EXPECT_TRUE(TrayIcon()->isVisible());
    EXPECT_NE(game->commandPort(), 0);
    EXPECT_TRUE(gameEngine->calls.isEmpty());
}

TEST(GameExitTest, YesEndsTheProcessWithZeroAndTheGamePortFree) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto factory = [](QWidget* parent) {
                return std::make_unique<FakeBrowserEngine>(parent);
            };
            TestServices services;
            Session session(services, factory, factory);
            GameWindow& game = *session.game();
            game.show();
            game.openGame("http://g/game.html");
            const uint16_t port = game.commandPort();
            LoopbackClient client(port);  // a live connection the exit must close
            services.answer = [](QWidget*, const QString&, const QString&) { return true; };
            services.exit = [&](int code) {
                std::exit(PortIsFree(port) && !game.isVisible() ? code : 3);
            };
            QTest::mouseClick(Control(&game, "GraphicButton1"), Qt::LeftButton, {}, QPoint(3, 3));
            std::exit(4);  // the exit never returns
        },
        ::testing::ExitedWithCode(0), "");
}

// The exit ends the process before the countdown to the closing notice, so
// nothing starts the notice's own; both are kept, and count as they should.
TEST_F(GameBehaviourTest, ClosingNoticeCountsDownAndEnds) {
    int exits = 0;
    int exitCode = -1;
    services.exit = [&](int code) {
        ++exits;
        exitCode = code;
    };
    auto* exitTimer = Control<QTimer>(game, "Timer1");
    ASSERT_TRUE(QMetaObject::invokeMethod(exitTimer, "timeout"));
    EXPECT_TRUE(notice->isHidden());
    ASSERT_TRUE(QMetaObject::invokeMethod(exitTimer, "timeout"));
    EXPECT_TRUE(notice->isVisible()) << "the second half-second shows the notice";

    auto* countdown = Control<QTimer>(notice, "Timer1");
    auto* number = Control<QLabel>(notice, "Label2");
    QStringList shown;
    for (int tick = 1; tick <= 7; ++tick) {
        ASSERT_TRUE(QMetaObject::invokeMethod(countdown, "timeout"));
        shown << number->text();
    }
    EXPECT_EQ(shown, (QStringList{"7", "6", "5", "4", "3", "2", "1"}));
    EXPECT_EQ(exits, 0);
    ASSERT_TRUE(QMetaObject::invokeMethod(countdown, "timeout"));
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(exitCode, 0);

    Click(notice, "GraphicButton1");
    EXPECT_EQ(exits, 2);
}

}  // namespace
