// The launcher's buttons, timer, command server and message filter, driven
// the way the player and the page reach them.
#include <QTest>

#include "app/application.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
#include "launcher/deployment.h"
#include "tests/support/ports.h"
#include "tests/support/wait.h"
#include "tests/support/windows_fixture.h"

namespace {

using quorvane::command::EncodeCommandText;
using quorvane::command::LoopbackClient;
using namespace std::chrono_literals;

class FakeUrlCache : public quorvane::platform::UrlCache {
  public:
    explicit FakeUrlCache(QWidget* window) : window_(window) {}
    std::uint32_t FindFirst(quorvane::platform::UrlCacheEntryInfo*, std::uint32_t&,
                            quorvane::platform::UrlCacheHandle&) override {
        ++walks;
        cursorDuringWalk = window_->cursor().shape();
        return quorvane::platform::kCacheNoMoreItems;
    }
    std::uint32_t FindNext(quorvane::platform::UrlCacheHandle,
                           quorvane::platform::UrlCacheEntryInfo*, std::uint32_t&) override {
        return quorvane::platform::kCacheNoMoreItems;
    }
    void DeleteEntry(std::u16string_view) override {}
    void Close(quorvane::platform::UrlCacheHandle) override {}
    int walks = 0;
    Qt::CursorShape cursorDuringWalk = Qt::ArrowCursor;

  private:
    QWidget* window_;
};

using LauncherCommandsTest = WindowsFixture;

TEST_F(LauncherCommandsTest, ServerRunsFromCreationUntilTheHandOffAndNeverReturns) {
    ASSERT_TRUE(launcher->m_commandServer->Active());
    const uint16_t port = launcher->m_commandServer->ListeningPort();
    EXPECT_GE(port, 3581);
    {
        LoopbackClient client(port);
        client.Send(EncodeCommandText(u"check"));
        EXPECT_EQ(client.Receive(2s), std::optional<std::string>("count:1"));
    }
    launcherEngine->CompleteNavigation("client://loadgame|http://g/game.html");
    EXPECT_FALSE(launcher->m_commandServer->Active());
    EXPECT_TRUE(PortIsFree(port));
    EXPECT_TRUE(game->m_commandServer->Active());

    game->onSwitchServerClicked(game->m_switchServerButton);
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_FALSE(launcher->m_commandServer->Active()) << "a return must not restart it";
}

TEST_F(LauncherCommandsTest, TimerStopsTheServerOnceAndCloseStopsTheTimer) {
    launcher->onServerTimeout();
    EXPECT_FALSE(launcher->m_commandServer->Active());
    EXPECT_FALSE(launcher->m_serverTimer->isActive());
}

TEST_F(LauncherCommandsTest, JumptoNavigatesTheLauncherAndCanEnterTheGame) {
    LoopbackClient client(launcher->m_commandServer->ListeningPort());
    client.Send(EncodeCommandText(u"jumpto 123456789012345678client://loadgame|http://g/j?x=1"));
    ASSERT_TRUE(WaitFor([&] { return launcherEngine->navigations.size() == 3; }));
    EXPECT_EQ(launcherEngine->navigations.last(), "client://loadgame|http://g/j?x=1");
    EXPECT_EQ(client.Receive(200ms), std::nullopt) << "jumpto answers nothing";

    launcherEngine->CompleteNavigation(launcherEngine->navigations.last());
    EXPECT_EQ(gameEngine->navigations, QStringList{"http://g/j?x=1"});
    EXPECT_TRUE(game->isVisible());
}

TEST_F(LauncherCommandsTest, LinkButtonsTakeConsecutiveDrawsAfterTheStartPageSeed) {
    launcher->m_random.Seed(1);  // as if the start page had loaded at second 1
    const QString host = QString::fromLatin1(deployment::LinkHost);
    const QString expected[] = {
        "http://" + host + "/publish/hot_update/url_redirect/jump1401.html?type=1&ver=130",
        "http://" + host + "/publish/hot_update/url_redirect/jump1401.html?type=2&ver=10982",
        "http://" + host + "/publish/hot_update/url_redirect/jump1401.html?type=3&ver=1090",
        "http://" + host + "/publish/hot_update/url_redirect/jump1401.html?type=4&ver=11656",
    };
    const LinkPage types[] = {LinkPage::OfficialSite, LinkPage::TopUp, LinkPage::CustomerService,
                              LinkPage::GameCentre};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(launcher->linkPageUrl(types[i]), expected[i]);

    // A start-page load reseeds from the clock, so the sequence starts over.
    launcher->m_random.Seed(1);
    EXPECT_EQ(launcher->linkPageUrl(LinkPage::TopUp),
              QString(expected[1]).replace("ver=10982", "ver=130"));
}

TEST_F(LauncherCommandsTest, ClearCacheAsksFirstAndWalksTheCacheOnlyOnYes) {
    auto cache = std::make_unique<FakeUrlCache>(launcher);
    FakeUrlCache* walked = cache.get();
    launcher->m_urlCache = std::move(cache);
    const Qt::CursorShape before = launcher->cursor().shape();
    QString asked;
    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer);
        services.answer = [&](QWidget*, const QString& t, const QString& c) {
            asked = t + "|" + c;
            return answer;
        };
        launcher->onClearCacheClicked(launcher->m_clearCacheButton);
        EXPECT_EQ(asked, QStringLiteral("确定要清除浏览器缓存？|确认"));
        EXPECT_EQ(walked->walks, answer ? 1 : 0);
        if (answer) {
            EXPECT_EQ(walked->cursorDuringWalk, Qt::WaitCursor);
        }
        EXPECT_EQ(launcher->cursor().shape(), before);
        EXPECT_NE(launcher->cursor().shape(), Qt::WaitCursor) << "cursor is back to normal";
    }
}

TEST_F(LauncherCommandsTest, FilterSwallowsControlNAndRightClicksInTheBrowserOnly) {
    launcher->show();
    launcher->m_addressBox->show();  // as in the debug launcher, to type into
    launcher->m_addressBox->clear();
    launcher->m_addressBox->setFocus();
    QTest::keyClick(launcher->m_addressBox, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(launcher->m_addressBox, Qt::Key_N);
    EXPECT_EQ(launcher->m_addressBox->text(), "n") << "Ctrl+N is swallowed, N alone is not";

    struct Probe : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            presses += e->type() == QEvent::MouseButtonPress || e->type() == QEvent::ContextMenu;
            return false;
        }
    };
    Probe inBrowser, outside;
    QWidget* view = launcherEngine->view();
    view->installEventFilter(&inBrowser);
    launcher->m_addressBox->installEventFilter(&outside);
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(launcher->m_addressBox, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(inBrowser.presses, 0);
    EXPECT_GE(outside.presses, 1);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(inBrowser.presses, 1) << "left clicks pass";
}

TEST_F(LauncherCommandsTest, DraggingTheArtworkMovesTheFixedSizeWindow) {
    launcher->show();
    launcher->move(100, 100);
    // Positions are in window coordinates; the window follows the mouse, so the
    // release lands where the press did, relative to the moved window.
    QTest::mousePress(launcher->windowHandle(), Qt::LeftButton, {},
                      QPoint(100, 300));  // the heroine
    QTest::mouseMove(launcher->windowHandle(), QPoint(140, 320));
    QTest::mouseRelease(launcher->windowHandle(), Qt::LeftButton, {}, QPoint(100, 300));
    EXPECT_EQ(launcher->pos(), QPoint(140, 120));
    // The right band offers a resize, but the size holds.
    QTest::mousePress(launcher->windowHandle(), Qt::LeftButton, {}, QPoint(1126, 300));
    QTest::mouseMove(launcher->windowHandle(), QPoint(1000, 300));
    QTest::mouseRelease(launcher->windowHandle(), Qt::LeftButton, {}, QPoint(1000, 300));
    EXPECT_EQ(launcher->size(), QSize(1127, 621));
}

TEST(LauncherCloseTest, CloseStopsTheServerFreesItsPortAndEndsWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TestServices services;
            LauncherWindow launcher(services, [](QWidget* parent) {
                return std::make_unique<FakeBrowserEngine>(parent);
            });
            launcher.show();
            const uint16_t port = launcher.m_commandServer->ListeningPort();
            QTimer::singleShot(0, &launcher,
                               [&] { launcher.onCloseClicked(launcher.m_closeButton); });
            const int code = QApplication::exec();
            std::exit(PortIsFree(port) && !launcher.m_serverTimer->isActive() ? code : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
