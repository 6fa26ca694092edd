// The windows on the real engine, driven the way a player drives them: keys
// and clicks go through the window system (XTest) to whatever has the focus,
// the demo site's pages log what they receive, and the site's request log is
// the record. Nothing here hands an event to a page object.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "app/application.h"
#include "browser/webengine_engine.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
#include "game/closing_notice.h"
#include "game/game_window.h"
#include "launcher/launcher_window.h"
#include "player_support.h"
#include "tests/support/demo_site.h"
#include "tests/support/ports.h"
#include "tests/support/real_windows_fixture.h"
#include "tests/support/wait.h"

namespace {

const QString kHost = QString::fromLatin1(deployment::kStartPageHost);

// Acts on a message box from outside, as a player would: waits until the box
// with the caption is the active window, then runs the shell lines in order.
// The test's own thread meanwhile sits in the box's message loop; should the
// lines leave the box open, it is closed so the test can go on and fail.
class BoxPlayer {
  public:
    BoxPlayer(const QString& caption, QStringList lines) {
        thread_ = std::thread([caption, lines = std::move(lines), this] {
            QString script = QStringLiteral(
                                 "for i in $(seq 150); do [ \"$(xdotool getactivewindow "
                                 "getwindowname 2>/dev/null)\" = '%1' ] && break; sleep 0.1; "
                                 "done; [ \"$(xdotool getactivewindow getwindowname)\" = '%1' ]")
                                 .arg(caption);
            for (const QString& line : lines) script += QStringLiteral(" && ") + line;
            shown_ = std::system(script.toUtf8().constData()) == 0;
            done_ = true;
        });
        QObject::connect(&rescue_, &QTimer::timeout, [this] {
            if (!done_) return;
            if (QWidget* box = QApplication::activeModalWidget()) {
                leftOpen_ = true;
                box->close();
            }
        });
        rescue_.start(100);
    }
    ~BoxPlayer() { thread_.join(); }
    // The box came up and every line ran.
    bool Done() const { return done_; }
    bool Played() const { return done_ && shown_ && !leftOpen_; }

  private:
    std::atomic<bool> done_{false};
    std::atomic<bool> shown_{false};
    bool leftOpen_ = false;
    QTimer rescue_;
    std::thread thread_;
};

class PlayerRoadTest : public RealWindowsFixture {
  protected:
    static int KeysAt(const QString& page, const QString& key) {
        return site->Count(
            QStringLiteral("GET /log/key\\?page=%1(&server=\\d+)?&key=%2 ").arg(page, key));
    }
    // Types one key and expects the page to get it exactly once.
    // The player types once the window shows as active.
    static void ExpectTypedInto(const QString& page, const QString& key) {
        QWidget* window = page == QLatin1String("game") ? static_cast<QWidget*>(game)
                                                        : static_cast<QWidget*>(launcher);
        const QString id = QString::number(window->winId());
        EXPECT_TRUE(WaitFor([&] { return Shell(QStringLiteral("xdotool getactivewindow")) == id; }))
            << page.toStdString() << " window never became active";
        const int before = KeysAt(page, key);
        PressKeys(key);
        const bool arrived = WaitFor([&] { return KeysAt(page, key) > before; }, 5000);
        if (!arrived) Screenshot(QStringLiteral("missed-key-") + key);
        EXPECT_TRUE(arrived)
            << "the " << page.toStdString() << " page never got " << key.toStdString()
            << "; active window: "
            << Shell(QStringLiteral("xdotool getactivewindow getwindowname")).toStdString()
            << ", focus in the program: "
            << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                            : "none");
        Play(400);
        EXPECT_EQ(KeysAt(page, key), before + 1) << key.toStdString();
    }

    // Waits for the server list's next load and clicks one of its entries.
    static void EnterServer(const QString& entry, int layoutsBefore) {
        ASSERT_TRUE(WaitFor(
            [&] { return site->Count(QStringLiteral("GET /log/layout")) > layoutsBefore; }, 20000))
            << "the server list never finished loading";
        const QString log = site->Log();
        const int line = log.lastIndexOf(QStringLiteral("GET /log/layout"));
        const QRegularExpression place(entry + QStringLiteral("=(\\d+),(\\d+)"));
        const auto match = place.match(log, line);
        ASSERT_TRUE(match.hasMatch()) << entry.toStdString();
        Play(300);
        ClickAt(Control<BrowserView>(launcher, "WebBrowser1")
                    ->mapToGlobal(QPoint(match.captured(1).toInt(), match.captured(2).toInt())));
    }

    static bool GameShows(const QString& title) {
        return game->isVisible() && Control<QLabel>(game, "Label1")->text() == title;
    }
};

TEST_F(PlayerRoadTest, TheServerListTakesTypedKeysWithoutAClick) {
    ASSERT_TRUE(WaitFor([] { return site->Count(QStringLiteral("GET /log/layout")) > 0; }, 30000));
    ExpectTypedInto(QStringLiteral("serverlist"), QStringLiteral("q"));
}

TEST_F(PlayerRoadTest, TheHandOffBlanksTheLauncherAndTheGameTakesTheKeys) {
    EnterServer(QStringLiteral("enter-script"), 0);
    ASSERT_TRUE(WaitFor([] { return GameShows(QStringLiteral("Quorvane · 1服 青龙")); }, 20000))
        << Control<QLabel>(game, "Label1")->text().toStdString();
    EXPECT_TRUE(WaitFor([] {
        return Control<BrowserView>(launcher, "WebBrowser1")->location() ==
                   QLatin1String("about:blank") &&
               Control<QLineEdit>(launcher, "Edit1")->text() == QLatin1String("about:blank");
    })) << "launcher at "
        << Control<BrowserView>(launcher, "WebBrowser1")->location().toStdString()
        << ", last completion " << Control<QLineEdit>(launcher, "Edit1")->text().toStdString();
    ASSERT_TRUE(WaitFor([] { return site->Count(QStringLiteral("GET /log/load\\?page=game")); }))
        << site->Log().toStdString();

    // The player sees the game running before typing: the engine hands the new
    // page the keyboard a moment after its first load, and a key pressed within
    // that moment is lost to the page.
    Play(1500);
    ExpectTypedInto(QStringLiteral("game"), QStringLiteral("w"));
    ExpectTypedInto(QStringLiteral("game"), QStringLiteral("a"));
    Screenshot(QStringLiteral("game-after-typing"));

    // Whatever was on its way when the list went is in by now.
    Play(500);
    const int launcherRequests = site->Count(QStringLiteral("GET /serverlist/"));
    Play(5000);
    EXPECT_EQ(site->Count(QStringLiteral("GET /serverlist/")), launcherRequests)
        << "the hidden launcher kept fetching";
    EXPECT_EQ(Control<BrowserView>(launcher, "WebBrowser1")->engine().renderProcessId(), 0)
        << "the hidden launcher's blank page keeps a render process";
}

TEST_F(PlayerRoadTest, F5ReloadsTheGameAndThePageKeepsTheKeys) {
    const int loads = site->Count(QStringLiteral("GET /log/load\\?page=game"));
    PressKeys(QStringLiteral("F5"));
    ASSERT_TRUE(WaitFor(
        [&] { return site->Count(QStringLiteral("GET /log/load\\?page=game")) > loads; }, 10000));
    ExpectTypedInto(QStringLiteral("game"), QStringLiteral("s"));
}

TEST_F(PlayerRoadTest, F9HidesToTheTrayAndADoubleClickThereBringsTheGameBack) {
    PressKeys(QStringLiteral("F9"));
    ASSERT_TRUE(WaitFor([] { return game->isHidden(); }));
    const QRect icon = Control<QSystemTrayIcon>(game, "TrayIcon1")->geometry();
    ASSERT_TRUE(icon.isValid()) << "no tray icon to double-click";
    ClickAt(icon.center(), 2);
    ASSERT_TRUE(WaitFor([] { return game->isVisible(); }));
    ExpectTypedInto(QStringLiteral("game"), QStringLiteral("d"));
}

TEST_F(PlayerRoadTest, WithTheExitBoxOpenF9AndF5ChangeNothingAndTheBoxSpeaksChinese) {
    const int gameRequests = site->Count(QStringLiteral("GET /game.html"));
    QStringList buttons;
    bool gameHidden = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            for (QAbstractButton* button : box->buttons())
                if (!buttons.contains(button->text())) buttons << button->text();
        gameHidden = gameHidden || game->isHidden();
    });
    watch.start(50);
    {
        BoxPlayer player(QStringLiteral("呜呜呜。。。"),
                         {QStringLiteral("sleep 0.5"), QStringLiteral("xdotool key F9"),
                          QStringLiteral("sleep 0.3"), QStringLiteral("xdotool key F5"),
                          QStringLiteral("sleep 1.5"),
                          QStringLiteral("(import -window root shots/exit-box.png || true)"),
                          QStringLiteral("xdotool key Escape")});
        ClickOn(Control(game, "GraphicButton1"));
        EXPECT_TRUE(
            WaitFor([&] { return player.Done() && !QApplication::activeModalWidget(); }, 20000));
        EXPECT_TRUE(player.Played());
    }
    watch.stop();
    EXPECT_FALSE(gameHidden) << "F9 acted behind the box";
    EXPECT_EQ(site->Count(QStringLiteral("GET /game.html")), gameRequests)
        << "F5 acted behind the box";
    EXPECT_EQ(buttons.size(), 2);
    EXPECT_TRUE(buttons.filter(QStringLiteral("是")).size() == 1 &&
                buttons.filter(QStringLiteral("否")).size() == 1)
        << buttons.join(' ').toStdString();
    ExpectTypedInto(QStringLiteral("game"), QStringLiteral("f"));
}

TEST_F(PlayerRoadTest, TheWayBackEmptiesTheTitleAndAMarkupTitleShowsAsText) {
    const int layouts = site->Count(QStringLiteral("GET /log/layout"));
    ClickOn(Control(game, "GraphicButton6"));
    EXPECT_TRUE(WaitFor([] { return game->isHidden() && launcher->isVisible(); }));
    EXPECT_TRUE(WaitFor([] { return Control<QLabel>(game, "Label1")->text().isEmpty(); }))
        << "title left after the return: " << Control<QLabel>(game, "Label1")->text().toStdString();
    EXPECT_TRUE(WaitFor([] {
        return Control<BrowserView>(game, "WebBrowser1")->engine().renderProcessId() == 0;
    })) << "the game's blanked page keeps a render process";

    // F9 still brings the game window back, with its blank page, and takes it
    // away again.
    PressKeys(QStringLiteral("F9"));
    ASSERT_TRUE(WaitFor([] { return game->isVisible(); }));
    EXPECT_EQ(Control<BrowserView>(game, "WebBrowser1")->location(), QStringLiteral("about:blank"));
    EXPECT_TRUE(Control<QLabel>(game, "Label1")->text().isEmpty());
    Play(500);
    PressKeys(QStringLiteral("F9"));
    ASSERT_TRUE(WaitFor([] { return game->isHidden(); }));

    EnterServer(QStringLiteral("enter-markup"), layouts);
    const QString title = QStringLiteral("Quorvane · 7服 <b>试炼</b>");
    ASSERT_TRUE(WaitFor([&] { return GameShows(title); }, 20000))
        << Control<QLabel>(game, "Label1")->text().toStdString();
    // As text the brackets take their room; as markup only 试炼 would show.
    EXPECT_GE(Control<QLabel>(game, "Label1")->sizeHint().width(),
              Control<QLabel>(game, "Label1")->fontMetrics().horizontalAdvance(title));
}

TEST_F(PlayerRoadTest, ANarrowWindowKeepsItsButtonsAtTheRightEnd) {
    Shell(QStringLiteral("xdotool windowsize %1 400 500").arg(game->winId()));
    ASSERT_TRUE(WaitFor([] { return game->width() == 400; }));
    Play(300);
    const QRect window(game->mapToGlobal(QPoint(0, 0)), game->size());
    for (QWidget* button : {static_cast<QWidget*>(Control(game, "GraphicButton1")),
                            static_cast<QWidget*>(Control(game, "GraphicButton2")),
                            static_cast<QWidget*>(Control(game, "GraphicButton3"))}) {
        const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
        EXPECT_TRUE(window.contains(onScreen)) << "a strip button left the window";
    }
    Screenshot(QStringLiteral("narrow-window"));
    // The exit button still answers a click there.
    BoxPlayer player(QStringLiteral("呜呜呜。。。"), {QStringLiteral("xdotool key Escape")});
    ClickOn(Control(game, "GraphicButton1"));
    EXPECT_TRUE(
        WaitFor([&] { return player.Done() && !QApplication::activeModalWidget(); }, 20000));
    EXPECT_TRUE(player.Played());
}

TEST_F(PlayerRoadTest, AKilledPageRendererIsLoadedAgain) {
    const qint64 renderer = Control<BrowserView>(game, "WebBrowser1")->engine().renderProcessId();
    ASSERT_GT(renderer, 0);
    const int loads = site->Count(QStringLiteral("GET /log/load\\?page=game&server=7"));
    ASSERT_EQ(::kill(static_cast<pid_t>(renderer), SIGKILL), 0);
    EXPECT_TRUE(WaitFor(
        [&] { return site->Count(QStringLiteral("GET /log/load\\?page=game&server=7")) > loads; },
        15000))
        << "the game page stayed dead";
}

// The client as a program of its own: quit through the exit box with a live
// connection, started again at once.
TEST(PlayerRestartTest, AQuickRestartListensOnTheSamePortsAndAddressesArriveIntact) {
    DemoSite site;
    ASSERT_TRUE(site.Start());
    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedChannels);
    client.start(QStringLiteral(QUORVANE_CLIENT), {});
    ASSERT_TRUE(WaitFor([] { return !PortIsFree(quorvane::command::kLauncherFirstPort); }, 30000));

    // An address with characters the code page cannot hold reaches the site
    // as the player's text, not as question marks.
    JumpTo(u"client://loadgame|http://" + kHost.toStdU16String() +
           u"/game.html?server=8&name=한국");
    EXPECT_TRUE(WaitFor(
        [&] {
            return site.Count(
                       QStringLiteral("GET /game.html\\?server=8&name=%ED%95%9C%EA%B5%AD ")) > 0;
        },
        20000))
        << site.Log().toStdString();
    ASSERT_TRUE(WaitFor([] { return !PortIsFree(quorvane::command::kGameFirstPort); }, 10000));

    quorvane::command::LoopbackClient live(quorvane::command::kGameFirstPort);
    live.Send(quorvane::command::EncodeCommandText(u"check"));
    ASSERT_TRUE(live.Receive(std::chrono::seconds(5)).has_value());

    // Exit, answered Yes with the Enter key.
    QString game;
    ASSERT_TRUE(WaitFor([&] {
        game = Shell(QStringLiteral("xdotool search --onlyvisible --name '^Quorvane$'"));
        return !game.isEmpty();
    }));
    const QRect at = XGeometry(game.toULongLong());
    // The exit button sits 64 px in from the right end of the 422 px button
    // area, inside the 2 px frame.
    ClickAt(QPoint(at.x() + at.width() - 2 - 422 + 358 + 28, at.y() + 2 + 2 + 12));
    { BoxPlayer player(QStringLiteral("呜呜呜。。。"), {QStringLiteral("xdotool key Return")}); }
    ASSERT_TRUE(client.waitForFinished(10000));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);

    client.start(QStringLiteral(QUORVANE_CLIENT), {});
    ASSERT_TRUE(WaitFor([] { return !PortIsFree(quorvane::command::kLauncherFirstPort); }, 30000));
    JumpTo(u"client://loadgame|http://" + kHost.toStdU16String() + u"/game.html?server=1");
    EXPECT_TRUE(WaitFor([] { return !PortIsFree(quorvane::command::kGameFirstPort); }, 20000))
        << "the game window does not listen on its port after a quick restart";
    EXPECT_TRUE(PortIsFree(quorvane::command::kGameFirstPort + 1));
    client.terminate();
    client.waitForFinished(5000);
}

// The demo game on the real client, entered as the page would enter it: it
// draws frames in the game window with the OpenGL the display offers, and
// falls back to a canvas drawn in software where the display offers none.
TEST(GameSceneTest, TheDemoGameDrawsFramesInTheGameWindowWithAndWithoutOpenGl) {
    DemoSite site;
    ASSERT_TRUE(site.Start());
    const struct {
        const char* name;
        const char* glIntegration;  // empty: the display's own
        const char* renderers;
    } cases[] = {
        {"display's OpenGL", "", "(canvas|webgl)"},
        {"no OpenGL at all", "none", "canvas"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess client;
        client.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (*c.glIntegration)
            environment.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), c.glIntegration);
        client.setProcessEnvironment(environment);
        client.start(QStringLiteral(QUORVANE_CLIENT), {});
        ASSERT_TRUE(
            WaitFor([] { return !PortIsFree(quorvane::command::kLauncherFirstPort); }, 30000));
        const int before = site.Count(QStringLiteral("GET /log/fps"));
        JumpTo(u"client://loadgame|http://" + kHost.toStdU16String() + u"/game.html?server=1");
        // Two reports: the first may cover the scene's start alone.
        const QString drawn =
            QStringLiteral("GET /log/fps\\?page=game&server=1&renderer=%1&fps=[\\d.]+&frames=[1-9]")
                .arg(QLatin1String(c.renderers));
        EXPECT_TRUE(WaitFor([&] { return site.Count(drawn) >= before + 2; }, 40000))
            << site.Log().toStdString();
        Screenshot(*c.glIntegration ? QStringLiteral("game-scene-without-opengl")
                                    : QStringLiteral("game-scene"));
        EXPECT_EQ(client.state(), QProcess::Running) << "the client ended while drawing";
        client.terminate();
        client.waitForFinished(10000);
        ASSERT_TRUE(WaitFor([] { return PortIsFree(quorvane::command::kGameFirstPort); }, 10000));
    }
}

}  // namespace

int main(int argc, char** argv) {
    Application app(argc, argv);
    chooseBrowserCompositing();
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/app_icon.png")));
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
