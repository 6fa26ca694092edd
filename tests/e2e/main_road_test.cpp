// The main road on the real browser engine against the bundled demo site:
// start page, every way the site enters the game, and the way back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
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
    static bool OnServerList() {
        return Form1->isVisible() && Form1->m_browser->location().contains("/serverlist.html") &&
               !Form1->m_browser->isBusy();
    }
};

const QString kHost = QString::fromLatin1(deployment::StartPageHost);

TEST_F(MainRoadTest, StartPageIsRequestedThroughTheRedirectAfterTheStyledBlankPage) {
    ASSERT_TRUE(WaitFor(OnServerList, 20000)) << Form1->m_browser->location().toStdString();
    const QRegularExpression request(
        QStringLiteral("GET /hot_update/url_redirect/jump1401\\.html\\?type=0&ver=(\\d+) 200"));
    const auto match = request.match(site->Log());
    ASSERT_TRUE(match.hasMatch()) << site->Log().toStdString();
    EXPECT_LE(match.captured(1).toInt(), 32767);
    EXPECT_TRUE(Form2->isHidden());
    EXPECT_TRUE(Form1->m_addressBox->text().contains("/serverlist.html"));
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
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.element);
        ASSERT_TRUE(WaitFor(OnServerList, 20000)) << Form1->m_browser->location().toStdString();
        Form1->m_browser->runScript(
            QStringLiteral("document.getElementById('%1').click();").arg(entry.element));

        ASSERT_TRUE(WaitFor([&] { return Form2->m_titleLabel->text() == entry.title; }, 20000))
            << "title: " << Form2->m_titleLabel->text().toStdString()
            << " at: " << Form2->m_browser->location().toStdString();
        EXPECT_TRUE(Form1->isHidden());
        EXPECT_TRUE(Form2->isVisible());
        EXPECT_EQ(Form2->m_browser->location(), entry.gameUrl);
        EXPECT_EQ(Form2->m_maximised, entry.maximised);
        EXPECT_TRUE(Form2->m_trayIcon->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable());

        const int requestsBefore = site->Log().count("GET /hot_update/url_redirect/jump1401.html");
        Form2->onSwitchServerClicked(Form2->m_switchServerButton);
        EXPECT_TRUE(Form2->isHidden());
        EXPECT_TRUE(Form1->isVisible());
        ASSERT_TRUE(WaitFor([&] {
            return site->Log().count("GET /hot_update/url_redirect/jump1401.html") > requestsBefore;
        })) << "no fresh start page after the return";
    }
}

TEST_F(MainRoadTest, JumptoFromThePageSendsTheLauncherIntoTheGame) {
    ASSERT_TRUE(WaitFor(OnServerList, 20000));
    // The launcher's server stopped at the earlier hand-offs; this one starts
    // afresh as at a new start of the program.
    Form1->m_commandServer->Start();
    ASSERT_TRUE(Form1->m_commandServer->Active());
    const QString gameUrl =
        "http://" + kHost + "/game.html?server=3&name=%E6%9C%B1%E9%9B%80&windowsize=max";
    {
        quorvane::command::LoopbackClient client(Form1->m_commandServer->ListeningPort());
        client.Send(quorvane::command::EncodeCommandText(
            u"jumpto 123456789012345678client://loadgame|" + gameUrl.toStdU16String()));
        ASSERT_TRUE(WaitFor([&] {
            return Form2->m_titleLabel->text() == QStringLiteral("Quorvane · 3服 朱雀");
        })) << "title: "
            << Form2->m_titleLabel->text().toStdString()
            << " at: " << Form2->m_browser->location().toStdString();
    }
    EXPECT_EQ(Form2->m_browser->location(), gameUrl);
    EXPECT_TRUE(Form2->m_maximised);
    EXPECT_FALSE(Form1->m_commandServer->Active());
    Form2->onSwitchServerClicked(Form2->m_switchServerButton);
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
