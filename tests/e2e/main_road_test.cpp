// The main road on the real browser engine against the bundled demo site:
// start page, every way the site enters the game, and the way back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>
#include <functional>
#include <memory>

#include "app/application.h"
#include "browser/webengine_engine.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
#include "game/closing_notice.h"
#include "game/game_window.h"
#include "launcher/deployment.h"
#include "launcher/launcher_window.h"
#include "tests/support/demo_site.h"
#include "tests/support/real_windows_fixture.h"
#include "tests/support/wait.h"

namespace {

class MainRoadTest : public RealWindowsFixture {
  protected:
    static BrowserView* LauncherPage() { return Control<BrowserView>(launcher, "WebBrowser1"); }
    static BrowserView* GamePage() { return Control<BrowserView>(game, "WebBrowser1"); }
    static QString GameTitle() { return Control<QLabel>(game, "Label1")->text(); }
    // The server list shows and has finished loading since `layouts` of its
    // loads were counted.
    static bool OnServerList(int layouts) {
        return launcher->isVisible() && LauncherPage()->location().contains("/serverlist.html") &&
               site->Count(QStringLiteral("GET /log/layout\\?page=serverlist")) > layouts;
    }
    static void BackToTheServerList() {
        QTest::mouseClick(Control(game, "GraphicButton6"), Qt::LeftButton, {}, QPoint(3, 3));
    }
};

const QString kHost = QString::fromLatin1(deployment::kStartPageHost);

TEST_F(MainRoadTest, StartPageIsRequestedThroughTheRedirectAfterTheStyledBlankPage) {
    ASSERT_TRUE(WaitFor([] { return OnServerList(0); }, 20000))
        << LauncherPage()->location().toStdString();
    const QRegularExpression request(
        QStringLiteral("GET /hot_update/url_redirect/jump1401\\.html\\?type=0&ver=(\\d+) 200"));
    const auto match = request.match(site->Log());
    ASSERT_TRUE(match.hasMatch()) << site->Log().toStdString();
    EXPECT_LE(match.captured(1).toInt(), 32767);
    EXPECT_TRUE(game->isHidden());
    EXPECT_TRUE(Control<QLineEdit>(launcher, "Edit1")->text().contains("/serverlist.html"));
}

TEST_F(MainRoadTest, JumptoFromThePageSendsTheLauncherIntoTheGame) {
    const int layouts = site->Count(QStringLiteral("GET /log/layout\\?page=serverlist"));
    ASSERT_TRUE(WaitFor([] { return OnServerList(0); }, 20000));
    const QString gameUrl =
        "http://" + kHost + "/game.html?server=3&name=%E6%9C%B1%E9%9B%80&windowsize=max";
    {
        quorvane::command::LoopbackClient client(launcher->commandPort());
        client.Send(quorvane::command::EncodeCommandText(
            u"jumpto 123456789012345678client://loadgame|" + gameUrl.toStdU16String()));
        ASSERT_TRUE(WaitFor([&] { return GameTitle() == QStringLiteral("Quorvane · 3服 朱雀"); }))
            << "title: " << GameTitle().toStdString()
            << " at: " << GamePage()->location().toStdString();
    }
    EXPECT_EQ(GamePage()->location(), gameUrl);
    EXPECT_TRUE(game->isMaximised());
    EXPECT_EQ(launcher->commandPort(), 0);
    BackToTheServerList();
    ASSERT_TRUE(WaitFor([&] { return OnServerList(layouts); }, 20000));
}

struct Entry {
    const char* element;
    QString gameUrl;
    QString title;
    bool maximised;
};

TEST_F(MainRoadTest, EveryWayOfEnteringHandsTheExactAddressToTheGameWindow) {
    const Entry entries[] = {
        {"enter-script", "http://" + kHost + "/game.html?server=1&name=%E9%9D%92%E9%BE%99",
         QStringLiteral("Quorvane · 1服 青龙"), false},
        {"enter-link", "http://" + kHost + "/game.html?server=2&name=%E7%99%BD%E8%99%8E",
         QStringLiteral("Quorvane · 2服 白虎"), false},
        {"enter-max",
         "http://" + kHost + "/game.html?server=3&name=%E6%9C%B1%E9%9B%80&windowsize=max",
         QStringLiteral("Quorvane · 3服 朱雀"), true},
        {"enter-portal", "http://" + kHost + "/playgame_4.html",
         QStringLiteral("Quorvane · 4服 玄武"), false},
        {"enter-frame", "http://" + kHost + "/game.html?server=5&name=%E9%BA%92%E9%BA%9F",
         QStringLiteral("Quorvane · 5服 麒麟"), false},
    };
    int layouts = 0;
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.element);
        ASSERT_TRUE(WaitFor([&] { return OnServerList(layouts); }, 20000))
            << LauncherPage()->location().toStdString();
        layouts = site->Count(QStringLiteral("GET /log/layout\\?page=serverlist"));
        LauncherPage()->runScript(
            QStringLiteral("document.getElementById('%1').click();").arg(entry.element));

        ASSERT_TRUE(WaitFor([&] { return GameTitle() == entry.title; }, 20000))
            << "title: " << GameTitle().toStdString()
            << " at: " << GamePage()->location().toStdString();
        EXPECT_TRUE(launcher->isHidden());
        EXPECT_TRUE(game->isVisible());
        EXPECT_EQ(GamePage()->location(), entry.gameUrl);
        EXPECT_EQ(game->isMaximised(), entry.maximised);
        EXPECT_TRUE(Control<QSystemTrayIcon>(game, "TrayIcon1")->isVisible() ||
                    !QSystemTrayIcon::isSystemTrayAvailable());

        const int requestsBefore = site->Log().count("GET /hot_update/url_redirect/jump1401.html");
        BackToTheServerList();
        EXPECT_TRUE(game->isHidden());
        EXPECT_TRUE(launcher->isVisible());
        ASSERT_TRUE(WaitFor([&] {
            return site->Log().count("GET /hot_update/url_redirect/jump1401.html") > requestsBefore;
        })) << "no fresh start page after the return";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A profile of its own, so test runs leave the player's cache and cookies alone.
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane-e2e"));
    Application app(argc, argv);
    chooseBrowserCompositing();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
