// The game window's keys, tray, command server, exit and closing notice,
// driven the way the player and the page reach them.
#include <QTest>

#include "app/application.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
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
};

TEST_F(GameBehaviourTest, ServerStartsWithTheGameAndKeepsItsPortAcrossReturns) {
    EXPECT_FALSE(game->m_commandServer->Active());
    OpenTheGame();
    ASSERT_TRUE(game->m_commandServer->Active());
    const uint16_t port = game->m_commandServer->ListeningPort();
    EXPECT_GE(port, 10803);
    game->onSwitchServerClicked(game->m_switchServerButton);
    EXPECT_TRUE(game->m_commandServer->Active());
    OpenTheGame("http://g/other.html");
    EXPECT_EQ(game->m_commandServer->ListeningPort(), port);

    LoopbackClient first(port);
    first.Send(EncodeCommandText(u"check"));
    EXPECT_EQ(first.Receive(2s), std::optional<std::string>("count:1"));
    LoopbackClient second(port);  // one connection at most: closed at once
    EXPECT_EQ(second.ReceiveUntilClosed(2s), std::optional<std::string>(""));
}

TEST_F(GameBehaviourTest, ShowTipSetsTheBalloonAndItsIconKindStays) {
    OpenTheGame();
    LoopbackClient client(game->m_commandServer->ListeningPort());
    client.Send(EncodeCommandText(u"showTip 公告 \"活动 开始\" 2"));
    ASSERT_TRUE(WaitFor([&] { return game->m_balloonTitle == QStringLiteral("公告"); }));
    EXPECT_EQ(game->m_balloonText, QStringLiteral("活动 开始"));
    EXPECT_EQ(game->m_balloonIcon, QSystemTrayIcon::Warning);

    client.Send(EncodeCommandText(u"showTip t2 x 7"));
    ASSERT_TRUE(WaitFor([&] { return game->m_balloonTitle == "t2"; }));
    EXPECT_EQ(game->m_balloonIcon, QSystemTrayIcon::Warning) << "7 keeps the kind";

    game->hideToTray();
    EXPECT_EQ(game->m_balloonTitle, QStringLiteral("游戏已经最小化"));
    EXPECT_EQ(game->m_balloonText, QStringLiteral("恢复请双击右下角游戏图标。"));
    EXPECT_EQ(game->m_balloonIcon, QSystemTrayIcon::Warning) << "the hide balloon keeps it too";
}

TEST_F(GameBehaviourTest, HideAndRestoreFollowTheWindowState) {
    OpenTheGame();
    game->hideToTray();
    EXPECT_TRUE(game->isHidden());
    EXPECT_TRUE(game->m_trayIcon->isVisible());

    game->m_balloonTitle = "unchanged";
    game->hideToTray();  // already hidden: no balloon
    EXPECT_EQ(game->m_balloonTitle, "unchanged");

    game->onTrayDoubleClicked();
    EXPECT_TRUE(game->isVisible());
    EXPECT_FALSE(game->windowState() & Qt::WindowMaximized) << "a normal window stays normal";

    game->onMinimiseClicked(game->m_minimiseButton);
    EXPECT_TRUE(game->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(game->m_maximised) << "minimising leaves the size mode alone";
    game->onTrayDoubleClicked();
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
    EXPECT_EQ(game->m_balloonTitle, QStringLiteral("游戏已经最小化"));

    game->m_balloonTitle = "unchanged";
    QTest::keyClick(Page(), Qt::Key_F9);
    EXPECT_FALSE(game->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(game->m_balloonTitle, "unchanged") << "no message on the way back";

    game->onHideClicked(game->m_hideButton);
    EXPECT_TRUE(game->isVisible());
    EXPECT_TRUE(game->windowState() & Qt::WindowMinimized);

    // A tray that has come since takes the window as before.
    services.trayAvailable = true;
    game->hideToTray();
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
    QTest::keyClick(launcher->m_addressBox, Qt::Key_F9);  // the filter sees every window's keys
    EXPECT_TRUE(game->isVisible());
}

TEST_F(GameBehaviourTest, TitleStripDragsOnlyInNormalModeAndDoubleClickToggles) {
    OpenTheGame();
    game->applySizeMode(SizeMode::Normal);
    const QPoint before = game->pos();
    const QPoint onStrip = game->m_stripBackground->mapTo(game, QPoint(200, 20));
    QTest::mousePress(game->windowHandle(), Qt::RightButton, {}, onStrip);
    QTest::mouseRelease(game->windowHandle(), Qt::RightButton, {}, onStrip);
    EXPECT_EQ(game->pos(), before) << "other buttons do nothing";

    QTest::mousePress(game->windowHandle(), Qt::LeftButton, {}, onStrip);
    QTest::mouseMove(game->windowHandle(), onStrip + QPoint(30, 10));
    QTest::mouseRelease(game->windowHandle(), Qt::LeftButton, {}, onStrip);
    EXPECT_EQ(game->pos(), before + QPoint(30, 10));

    QTest::mouseDClick(game->m_stripBackground, Qt::LeftButton, {}, QPoint(200, 20));
    EXPECT_TRUE(game->m_maximised);
    const QPoint maximisedAt = game->pos();
    QTest::mousePress(game->windowHandle(), Qt::LeftButton, {}, onStrip);
    QTest::mouseMove(game->windowHandle(), onStrip + QPoint(30, 10));
    QTest::mouseRelease(game->windowHandle(), Qt::LeftButton, {}, onStrip + QPoint(30, 10));
    EXPECT_EQ(game->pos(), maximisedAt) << "no drag while maximised";
    game->onSizeToggleClicked(game->m_sizeToggleButton);
    EXPECT_FALSE(game->m_maximised);
}

TEST_F(GameBehaviourTest, ExitAnsweredNoChangesNothing) {
    OpenTheGame();
    QString asked;
    services.answer = [&](QWidget* owner, const QString& text, const QString& caption) {
        asked = text + "|" + caption + "|" + (owner == Form2 ? "owned" : "unowned");
        return false;
    };
    game->onExitClicked(game->m_exitButton);
    EXPECT_EQ(asked, QStringLiteral("亲，确定要退出游戏吗？|呜呜呜。。。|owned"));
    EXPECT_TRUE(game->isVisible());
    EXPECT_TRUE(game->m_trayIcon->isVisible());
    EXPECT_TRUE(game->m_commandServer->Active());
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
            GameWindow& game = *session.m_game;
            game.show();
            game.openGame("http://g/game.html");
            const uint16_t port = game.m_commandServer->ListeningPort();
            LoopbackClient client(port);  // a live connection the exit must close
            services.answer = [](QWidget*, const QString&, const QString&) { return true; };
            services.exit = [&](int code) {
                std::exit(PortIsFree(port) && !game.isVisible() ? code : 3);
            };
            game.onExitClicked(game.m_exitButton);
            std::exit(4);  // the exit never returns
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(GameBehaviourTest, ClosingNoticeCountsDownAndEnds) {
    int exits = 0;
    int exitCode = -1;
    services.exit = [&](int code) {
        ++exits;
        exitCode = code;
    };
    game->m_exitTimer->start();
    game->onExitTimer();
    EXPECT_TRUE(notice->isHidden());
    game->onExitTimer();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_FALSE(game->m_exitTimer->isActive());

    QStringList shown;
    for (int tick = 1; tick <= 7; ++tick) {
        notice->onCountdownTick();
        shown << notice->m_countdownLabel->text();
    }
    EXPECT_EQ(shown, (QStringList{"7", "6", "5", "4", "3", "2", "1"}));
    EXPECT_EQ(exits, 0);
    notice->onCountdownTick();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(exitCode, 0);

    notice->onCloseClicked(notice->m_closeButton);
    EXPECT_EQ(exits, 2);
}

}  // namespace
