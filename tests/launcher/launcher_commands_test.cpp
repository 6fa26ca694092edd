// The launcher's buttons, timer, command server and message filter, driven
// the way the player and the page reach them.
#include <QDateTime>
#include <QDesktopServices>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <optional>

#include "app/application.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
#include "launcher/deployment.h"
#include "launcher/runtime_random.h"
#include "tests/support/controls.h"
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

// Stands in for the player's web browser.
class Browser : public QObject {
    Q_OBJECT
  public:
    QStringList opened;
  public slots:
    void open(const QUrl& url) { opened << url.toString(); }
};

void Click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3));
}

using LauncherCommandsTest = WindowsFixture;

TEST_F(LauncherCommandsTest, ServerRunsFromCreationUntilTheHandOffAndNeverReturns) {
    const uint16_t port = launcher->commandPort();
    EXPECT_GE(port, 3581);
    {
        LoopbackClient client(port);
        client.Send(EncodeCommandText(u"check"));
        EXPECT_EQ(client.Receive(2s), std::optional<std::string>("count:1"));
    }
    launcherEngine->CompleteNavigation("client://loadgame|http://g/game.html");
    EXPECT_EQ(launcher->commandPort(), 0);
    EXPECT_TRUE(PortIsFree(port));
    EXPECT_NE(game->commandPort(), 0);

    Click(Control(game, "GraphicButton6"));
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_EQ(launcher->commandPort(), 0) << "a return must not restart it";
}

TEST_F(LauncherCommandsTest, AMinuteAfterTheStartTheServerStops) {
    auto* timer = Control<QTimer>(launcher, "Timer1");
    ASSERT_TRUE(timer->isActive());
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
    EXPECT_EQ(launcher->commandPort(), 0);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(LauncherCommandsTest, JumptoNavigatesTheLauncherAndCanEnterTheGame) {
    LoopbackClient client(launcher->commandPort());
    client.Send(EncodeCommandText(u"jumpto 123456789012345678client://loadgame|http://g/j?x=1"));
    ASSERT_TRUE(WaitFor([&] { return launcherEngine->navigations.size() == 3; }));
    EXPECT_EQ(launcherEngine->navigations.last(), "client://loadgame|http://g/j?x=1");
    EXPECT_EQ(client.Receive(200ms), std::nullopt) << "jumpto answers nothing";

    launcherEngine->CompleteNavigation(launcherEngine->navigations.last());
    EXPECT_EQ(gameEngine->navigations, QStringList{"http://g/j?x=1"});
    EXPECT_TRUE(game->isVisible());
}

// The link buttons draw from the generator the start page seeded with the
// time, each the next number.
TEST_F(LauncherCommandsTest, LinkButtonsTakeTheDrawsAfterTheStartPages) {
    const QRegularExpression ver(QStringLiteral("&ver=(\\d+)$"));
    const int startVer = ver.match(launcherEngine->navigations.last()).captured(1).toInt();
    const auto now = static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch());
    std::optional<std::uint32_t> seed;
    for (std::uint32_t second = now; second + 5 > now && !seed; --second) {
        RuntimeRandom candidate;
        candidate.seed(second);
        if (candidate.draw() == startVer) seed = second;
    }
    ASSERT_TRUE(seed) << "the start page's number came from no recent second";
    RuntimeRandom expected;
    expected.seed(*seed);
    expected.draw();  // the start page's

    Browser browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    for (const char* name :
         {"GraphicButton0", "GraphicButton2", "GraphicButton3", "GraphicButton4"})
        Click(Control(launcher, name));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    const QString jump = "http://" + QString::fromLatin1(deployment::kLinkHost) +
                         "/publish/hot_update/url_redirect/jump1401.html?type=%1&ver=%2";
    QStringList wanted;
    for (int type = 1; type <= 4; ++type) wanted << jump.arg(type).arg(expected.draw());
    EXPECT_EQ(browser.opened, wanted);
}

TEST_F(LauncherCommandsTest, ClearCacheAsksFirstAndWalksTheCacheOnlyOnYes) {
    auto cache = std::make_unique<FakeUrlCache>(launcher);
    FakeUrlCache* walked = cache.get();
    launcher->setUrlCache(std::move(cache));
    const Qt::CursorShape before = launcher->cursor().shape();
    QString asked;
    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer);
        services.answer = [&](QWidget*, const QString& t, const QString& c) {
            asked = t + "|" + c;
            return answer;
        };
        Click(Control(launcher, "GraphicButton6"));
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
    auto* addressBox = Control<QLineEdit>(launcher, "Edit1");
    addressBox->show();  // as in the debug launcher, to type into
    addressBox->clear();
    addressBox->setFocus();
    QTest::keyClick(addressBox, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(addressBox, Qt::Key_N);
    EXPECT_EQ(addressBox->text(), "n") << "Ctrl+N is swallowed, N alone is not";

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
    addressBox->installEventFilter(&outside);
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(addressBox, Qt::RightButton, {}, QPoint(5, 5));
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
            const uint16_t port = launcher.commandPort();
            QTimer::singleShot(0, &launcher, [&] { Click(Control(&launcher, "GraphicButton5")); });
            const int code = QApplication::exec();
            std::exit(PortIsFree(port) && !Control<QTimer>(&launcher, "Timer1")->isActive() ? code
                                                                                            : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace

#include "launcher_commands_test.moc"
