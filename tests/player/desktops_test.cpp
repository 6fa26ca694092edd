// The client on the desktops players have besides the first one: without a
// tray, at 200 %, under Wayland, on two monitors and with an input method.
// Each suite runs on a desktop of its own that desktop.sh starts (see the
// CMakeLists), and drives the windows the way a player does: keys and clicks
// through the window system, the demo site's log as the record.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include "app/application.h"
#include "browser/webengine_engine.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
#include "game/game_window.h"
#include "game/size_mode.h"
#include "launcher/launcher_window.h"
#include "player_support.h"
#include "resources/picture_names.h"
#include "tests/support/demo_site.h"
#include "tests/support/ports.h"
#include "tests/support/real_windows_fixture.h"
#include "tests/support/wait.h"
#include "widgets/skinned_button.h"

namespace {

const QString kHost = QString::fromLatin1(deployment::kStartPageHost);

QRgb DesktopBackground() {
    return QColor(qEnvironmentVariable("QUORVANE_DESKTOP_BACKGROUND")).rgb();
}

class DesktopFixture : public RealWindowsFixture {
  protected:
    static void WaitForTheServerList() {
        ASSERT_TRUE(
            WaitFor([] { return site->Count(QStringLiteral("GET /log/layout")) > 0; }, 30000))
            << "the server list never finished loading";
    }
    // Clicks one of the server list's entries where the page says it is.
    static void EnterServer(const QString& entry) {
        const QString log = site->Log();
        const auto match = QRegularExpression(entry + QStringLiteral("=(\\d+),(\\d+)"))
                               .match(log, log.lastIndexOf(QStringLiteral("GET /log/layout")));
        ASSERT_TRUE(match.hasMatch()) << entry.toStdString();
        Play(300);
        ClickAt(Control<BrowserView>(launcher, "WebBrowser1")
                    ->mapToGlobal(QPoint(match.captured(1).toInt(), match.captured(2).toInt())));
    }
    static bool GameRunning(const QString& server) {
        return game->isVisible() &&
               site->Count(QStringLiteral("GET /log/load\\?page=game&server=") + server) > 0;
    }
    static QString WindowState(QWidget* window) {
        return Shell(
            QStringLiteral("xprop -id %1 WM_STATE | grep 'window state'").arg(window->winId()));
    }
    // Asks the window manager to activate the window, as a taskbar does when
    // the player picks it, until the window is back on the screen; a request
    // that overtakes the minimising is lost.
    static bool PickFromTheTaskbar(QWidget* window) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Shell(QStringLiteral("xdotool windowactivate %1").arg(window->winId()));
            if (WaitFor([&] { return WindowState(window).contains(QLatin1String("Normal")); },
                        3000))
                return true;
        }
        return false;
    }
};

// ---------------------------------------------------------------------------
// No tray host: openbox with a notification service (dunst) on the session
// bus, and the C locale.

class NoTrayDesktopTest : public DesktopFixture {
  protected:
    static QString Notifications() {
        QFile log(qEnvironmentVariable("QUORVANE_NOTIFICATION_LOG"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }
};

TEST_F(NoTrayDesktopTest, TheMarkerEscapedInAQueryHandsOver) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "this desktop has a tray";
    WaitForTheServerList();
    QString handed;
    QObject::connect(launcher, &LauncherWindow::gameRequested,
                     [&](const QString& url) { handed = url; });
    const std::u16string address = u"http://" + kHost.toStdU16String() +
                                   u"/tests/reload.html?from=client://loadgame|http://" +
                                   kHost.toStdU16String() + u"/game.html?server=1";
    JumpTo(address);
    // The engine loads the page with the marker's bar escaped, and the
    // launcher hands over what the literal marker gives.
    EXPECT_TRUE(WaitFor(
        [] {
            return site->Count(
                QStringLiteral("GET /tests/reload.html\\?from=client://loadgame%7C"));
        },
        15000))
        << site->Log().toStdString();
    ASSERT_TRUE(WaitFor([&] { return !handed.isEmpty(); }, 15000)) << "no hand-off";
    EXPECT_EQ(handed.toStdU16String(), address.substr(18));
    EXPECT_TRUE(launcher->isHidden());
    EXPECT_TRUE(WaitFor([] { return !PortIsFree(quorvane::command::kGameFirstPort); }, 10000));

    // Back to the list and into a real game, for the cases below.
    ASSERT_TRUE(WaitFor([] { return game->isVisible(); }));
    const int layouts = site->Count(QStringLiteral("GET /log/layout"));
    ClickOn(Control(game, "GraphicButton6"));
    ASSERT_TRUE(
        WaitFor([&] { return site->Count(QStringLiteral("GET /log/layout")) > layouts; }, 20000));
    EnterServer(QStringLiteral("enter-script"));
    ASSERT_TRUE(WaitFor([] { return GameRunning(QStringLiteral("1")); }, 20000));
}

TEST_F(NoTrayDesktopTest, F9MinimisesToTheTaskbarAndActivationBringsItBack) {
    ASSERT_TRUE(GameRunning(QStringLiteral("1")));
    Play(1500);
    // The player looks at the game; it has the keyboard.
    Shell(QStringLiteral("xdotool windowactivate --sync %1").arg(game->winId()));
    Shell(QStringLiteral("xdotool key F9"));
    // Iconic, not withdrawn: the window manager keeps it for the taskbar.
    EXPECT_TRUE(WaitFor([] { return WindowState(game).contains(QLatin1String("Iconic")); }))
        << WindowState(game).toStdString();
    EXPECT_TRUE(WaitFor([] {
        return Notifications().contains(
            QStringLiteral("Quorvane|游戏已经最小化|恢复请双击右下角游戏图标。|"));
    })) << Notifications().toStdString();
    Screenshot(QStringLiteral("no-tray-minimised"));

    // What a taskbar does when the player picks the window.
    EXPECT_TRUE(PickFromTheTaskbar(game)) << WindowState(game).toStdString();
    const int keys = site->Count(QStringLiteral("GET /log/key\\?page=game&server=1&key=g "));
    Play(500);
    Shell(QStringLiteral("xdotool key g"));
    EXPECT_TRUE(WaitFor(
        [&] {
            return site->Count(QStringLiteral("GET /log/key\\?page=game&server=1&key=g ")) > keys;
        },
        5000))
        << "the game page lost the keys";

    // The hide button does the same.
    ClickOn(Control(game, "GraphicButton4"));

    EXPECT_TRUE(WaitFor([] { return WindowState(game).contains(QLatin1String("Iconic")); }));
    EXPECT_TRUE(PickFromTheTaskbar(game)) << WindowState(game).toStdString();
}

TEST_F(NoTrayDesktopTest, ShowTipReachesTheNotificationService) {
    quorvane::command::LoopbackClient client(quorvane::command::kGameFirstPort);
    client.Send(quorvane::command::EncodeCommandText(u"showTip 公告 \"今晚八点 攻城战开启！\" 3"));
    EXPECT_TRUE(WaitFor([] {
        return Notifications().contains(QStringLiteral("Quorvane|公告|今晚八点 攻城战开启！|")) &&
               Notifications().contains(QStringLiteral("|CRITICAL"));
    })) << Notifications().toStdString();
    Screenshot(QStringLiteral("no-tray-notification"));
}

// The strip's double-click toggles the size in both modes.
TEST_F(NoTrayDesktopTest, ADoubleClickOnTheStripTogglesBothWays) {
    const QRect workArea = game->screen()->availableGeometry();
    ASSERT_FALSE(game->isMaximised());
    for (bool maximised : {true, false, true, false}) {
        ClickAt(Control(game, "Image1")->mapToGlobal(QPoint(200, 25)), 2);
        EXPECT_TRUE(WaitFor([&] { return game->isMaximised() == maximised; }, 3000))
            << "double-click " << (maximised ? "to" : "from") << " maximised";
        EXPECT_TRUE(WaitFor([&] { return (game->frameGeometry() == workArea) == maximised; }))
            << "at " << game->frameGeometry().x() << "," << game->frameGeometry().y();
        Play(500);  // no double-click out of two
    }
}

// Under the C locale the exit question's buttons are as Chinese as the
// question.
TEST_F(NoTrayDesktopTest, TheExitBoxIsChineseUnderTheCLocale) {
    QStringList buttons;
    QTimer::singleShot(1500, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            for (QAbstractButton* button : box->buttons()) buttons << button->text();
            Screenshot(QStringLiteral("no-tray-exit-box"));
            box->reject();
        }
    });
    // The box runs a loop of its own: the timer reads and closes it in there.
    ClickOn(Control(game, "GraphicButton1"));
    EXPECT_TRUE(
        WaitFor([&] { return !buttons.isEmpty() && !QApplication::activeModalWidget(); }, 10000));
    EXPECT_EQ(buttons.filter(QStringLiteral("是")).size(), 1) << buttons.join(' ').toStdString();
    EXPECT_EQ(buttons.filter(QStringLiteral("否")).size(), 1) << buttons.join(' ').toStdString();
}

// ---------------------------------------------------------------------------
// 200 %: QT_SCALE_FACTOR=2 on a 3840 x 2160 screen.

class HiDpiDesktopTest : public DesktopFixture {};

TEST_F(HiDpiDesktopTest, TheLauncherIsDrawnAsAt100PercentAndItsCloseButtonCloses) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    WaitForTheServerList();
    Play(1000);
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("root.png"));
    Shell(QStringLiteral("import -window root ") + shot);
    Screenshot(QStringLiteral("launcher-at-200"));
    const QImage screen = QImage(shot).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(screen.isNull());

    // At 100 % the launcher shows every pixel of its artwork that is not
    // transparent; at 200 % each of them is four pixels of the screen.
    const QImage artwork = QImage(QString::fromLatin1(quorvane::pictures::kLauncherBackground))
                               .convertToFormat(QImage::Format_ARGB32);
    qint64 expected = 0;
    for (int y = 0; y < artwork.height(); ++y)
        for (int x = 0; x < artwork.width(); ++x) expected += qAlpha(artwork.pixel(x, y)) > 0;
    expected *= 4;
    const QRect window(OnScreen(launcher->geometry().topLeft()), launcher->size() * 2);
    qint64 drawn = 0;
    for (int y = window.top(); y <= window.bottom(); ++y)
        for (int x = window.left(); x <= window.right(); ++x)
            drawn += (screen.pixel(x, y) & 0xffffffu) != (DesktopBackground() & 0xffffffu);
    EXPECT_NEAR(static_cast<double>(drawn) / expected, 1.0, 0.02)
        << drawn << " screen pixels drawn, " << expected << " expected";
    // The logo's top, the figure's head and the window buttons are drawn; the
    // transparent corner is not.
    for (const QPoint& logical :
         {QPoint(792, 40), QPoint(262, 60), QPoint(1079, 159), QPoint(1035, 159)}) {
        EXPECT_NE(screen.pixel(window.topLeft() + logical * 2) & 0xffffffu,
                  DesktopBackground() & 0xffffffu)
            << "nothing drawn at " << logical.x() << "," << logical.y();
    }
    EXPECT_EQ(screen.pixel(window.topLeft() + QPoint(4, 4)) & 0xffffffu,
              DesktopBackground() & 0xffffffu);
    // The pictures are the ones painted for 200 %.
    EXPECT_EQ(Control<quorvane::widgets::SkinnedButton>(launcher, "GraphicButton5")
                  ->normalSkin()
                  .devicePixelRatio(),
              2.0);

    ClickOn(Control(launcher, "GraphicButton5"));
    EXPECT_TRUE(WaitFor([] { return launcher->isHidden(); })) << "the close button missed";
    EXPECT_TRUE(WaitFor([] { return PortIsFree(quorvane::command::kLauncherFirstPort); }));
}

// ---------------------------------------------------------------------------
// Wayland: weston's headless compositor, which has no window shapes and no
// tray. No input goes through it, so the page's plug-in content hands over.

class WaylandDesktopTest : public DesktopFixture {};

TEST_F(WaylandDesktopTest, TheLauncherHasNoBlackBoxAndTheHandOffWorks) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"));
    WaitForTheServerList();
    Play(1500);
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    ASSERT_TRUE(shooter.waitForFinished(10000));
    const QStringList shots = QDir(dir.path()).entryList({QStringLiteral("*.png")});
    ASSERT_EQ(shots.size(), 1) << "no compositor screenshot";
    QDir().mkpath(QStringLiteral("shots"));
    QFile::copy(dir.filePath(shots.first()), QStringLiteral("shots/launcher-on-wayland.png"));
    const QImage screen = QImage(dir.filePath(shots.first())).convertToFormat(QImage::Format_RGB32);
    // The artwork has no black pixel; a black box around it would be many.
    qint64 black = 0, desktop = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            const QRgb px = screen.pixel(x, y) & 0xffffffu;
            black += px == 0;
            desktop += px == (DesktopBackground() & 0xffffffu);
        }
    }
    EXPECT_LT(black, 200) << "black pixels around the artwork";
    // The launcher's transparent parts show the desktop: more of it than the
    // screen less the launcher's whole rectangle.
    EXPECT_GT(desktop, qint64{screen.width()} * screen.height() - 1127 * 621);

    JumpTo(u"client://loadgame|http://" + kHost.toStdU16String() + u"/game.html?server=3");
    EXPECT_TRUE(WaitFor([] { return GameRunning(QStringLiteral("3")); }, 30000))
        << site->Log().toStdString();
    EXPECT_TRUE(launcher->isHidden());
}

// ---------------------------------------------------------------------------
// Two monitors: the primary one on the right, a smaller one on its left.

class TwoMonitorDesktopTest : public DesktopFixture {};

TEST_F(TwoMonitorDesktopTest, TheGameOpensAndTogglesOnTheLaunchersMonitor) {
    ASSERT_TRUE(WaitFor([] { return QGuiApplication::screens().size() == 2; }));
    QScreen* left = QGuiApplication::screenAt(QPoint(10, 10));
    ASSERT_NE(left, nullptr);
    ASSERT_NE(left, QGuiApplication::primaryScreen());
    WaitForTheServerList();
    ASSERT_EQ(launcher->screen(), QGuiApplication::primaryScreen());

    // The player drags the launcher by its artwork onto the left monitor.
    const QPoint grip = launcher->mapToGlobal(QPoint(200, 420));
    const QPoint to = left->geometry().center() - QPoint(1127 / 2, 621 / 2) + QPoint(200, 420);
    ShellWhileRunning(
        QStringLiteral("xdotool mousemove --sync %1 %2 mousedown 1 sleep 0.3 "
                       "mousemove --sync %3 %4 sleep 0.3 mousemove --sync %5 %6 sleep 0.3 "
                       "mouseup 1")
            .arg(grip.x())
            .arg(grip.y())
            .arg(grip.x() - 40)
            .arg(grip.y())
            .arg(to.x())
            .arg(to.y()));
    ASSERT_TRUE(WaitFor([&] { return launcher->screen() == left; }, 5000))
        << "the launcher stayed at " << launcher->geometry().x() << "," << launcher->geometry().y();

    Play(500);
    EnterServer(QStringLiteral("enter-script"));
    ASSERT_TRUE(WaitFor([] { return GameRunning(QStringLiteral("1")); }, 20000));
    const QRect workArea = left->availableGeometry();
    EXPECT_TRUE(WaitFor([&] {
        return game->frameGeometry() == sizeModeGeometry(SizeMode::Normal, workArea, QRect());
    })) << "game at "
        << game->frameGeometry().x() << "," << game->frameGeometry().y() << " " << game->width()
        << "x" << game->height();
    Play(1500);
    Screenshot(QStringLiteral("game-on-the-second-monitor"));

    ClickOn(Control(game, "GraphicButton2"));
    EXPECT_TRUE(WaitFor([&] { return game->frameGeometry() == workArea; }));
    ClickOn(Control(game, "GraphicButton2"));
    EXPECT_TRUE(WaitFor([&] {
        return game->frameGeometry() == sizeModeGeometry(SizeMode::Normal, workArea, QRect());
    }));
}

// ---------------------------------------------------------------------------
// An input method: fcitx5 with pinyin, through its Qt frontend.

class InputMethodDesktopTest : public DesktopFixture {};

// F5 and F9 typed while pinyin is being composed neither reload nor hide the
// game, and the composed words still arrive. (This fcitx5 keeps F5 and F9 to
// itself while it composes; the application's own part is in its suite.)
TEST_F(InputMethodDesktopTest, F5AndF9WhileComposingPinyinGoToTheInputMethod) {
    WaitForTheServerList();
    JumpTo(u"client://loadgame|http://" + kHost.toStdU16String() + u"/tests/compose.html");
    const auto loads = [] { return site->Count(QStringLiteral("GET /log/load\\?page=compose")); };
    ASSERT_TRUE(WaitFor([&] { return game->isVisible() && loads() > 0; }, 20000));
    Play(1500);
    ClickAt(Control<BrowserView>(game, "WebBrowser1")->mapToGlobal(QPoint(100, 20)));
    Play(500);

    Shell(QStringLiteral("xdotool type --delay 120 nihao"));
    ASSERT_TRUE(WaitFor([] {
        return site->Count(QStringLiteral("GET /log/composing\\?page=compose&text=")) > 0;
    })) << "no composition began: "
        << site->Log().toStdString();
    Shell(QStringLiteral("xdotool key --delay 200 F5 F9"));
    // The input method hands back what it does not use a moment later; the
    // composition is still open then.
    Play(1500);
    EXPECT_EQ(loads(), 1) << "F5 reloaded the page during the composition";
    EXPECT_TRUE(game->isVisible() && !(game->windowState() & Qt::WindowMinimized))
        << "F9 hid the game during the composition";
    Shell(QStringLiteral("xdotool key space"));
    EXPECT_TRUE(WaitFor([] {
        return site->Count(QStringLiteral(
                   "GET /log/committed\\?page=compose&text=%E4%BD%A0%E5%A5%BD ")) > 0;
    })) << "你好 was not committed: "
        << site->Log().toStdString();
    EXPECT_EQ(loads(), 1) << "F5 reloaded the page during the composition";
    EXPECT_TRUE(game->isVisible() && !(game->windowState() & Qt::WindowMinimized))
        << "F9 hid the game during the composition";
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
