// What an HTML5 game page gets of the desktop, on the real engine and driven
// as a player drives it: clicks and keys through the window system into the
// probe page (demo/site/tests/platform.html), which tells the site's log what
// each of its requests came to. The player's web browser is a stand-in
// xdg-open, first on PATH, that writes down what it is given.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

#include "browser/popup_window.h"
#include "command/loopback_client.h"
#include "command/protocol.h"
#include "game/game_window.h"
#include "launcher/launcher_window.h"
#include "player_support.h"
#include "tests/support/real_windows_fixture.h"

namespace {

const QString kProbeTitle = QStringLiteral("Quorvane · 网页能力");

std::string Describe(const QRect& r) {
    return QStringLiteral("%1x%2+%3+%4")
        .arg(r.width())
        .arg(r.height())
        .arg(r.x())
        .arg(r.y())
        .toStdString();
}

class WebPlatformTest : public RealWindowsFixture {
  protected:
    static void SetUpTestSuite() {
        standIn = std::make_unique<QTemporaryDir>();
        const QString script = standIn->filePath(QStringLiteral("xdg-open"));
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\n").arg(OpenedLog()).toUtf8());
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        qputenv("PATH", (standIn->path() + QLatin1Char(':')).toUtf8() + qgetenv("PATH"));
        QDir(Downloads()).removeRecursively();

        RealWindowsFixture::SetUpTestSuite();
        ASSERT_TRUE(
            WaitFor([] { return site->Count(QStringLiteral("GET /log/layout")) > 0; }, 30000));
        JumpTo(u"client://loadgame|http://" +
               QString::fromLatin1(deployment::kStartPageHost).toStdU16String() +
               u"/tests/platform.html");
    }
    static void TearDownTestSuite() {
        RealWindowsFixture::TearDownTestSuite();
        standIn.reset();
    }

    static QString OpenedLog() { return standIn->filePath(QStringLiteral("opened.log")); }
    static QStringList Opened() {
        QFile log(OpenedLog());
        if (!log.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    static QString Downloads() {
        return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    }

    // How many times the probe page told the site `what` with these fields.
    static int Told(const QString& what, const QString& fields = QString()) {
        return site->Count(QStringLiteral("GET /log/probe\\?what=%1%2 ")
                               .arg(what, fields.isEmpty() ? QString() : "&" + fields));
    }
    static bool WaitTold(const QString& what, const QString& fields, int timeoutMs = 10000) {
        return WaitFor([&] { return Told(what, fields) > 0; }, timeoutMs);
    }

    // Clicks a control of a page, at the place the page last reported for it.
    static void ClickControl(QWidget* view, const QString& page, const QString& id,
                             int button = 1) {
        const QString log = site->Log();
        const int line = static_cast<int>(log.lastIndexOf("GET /log/layout?page=" + page));
        ASSERT_GE(line, 0) << "the " << page.toStdString() << " page told no layout";
        const auto place = QRegularExpression("[?&]" + id + "=(\\d+),(\\d+)")
                               .match(log.mid(line).section('\n', 0, 0));
        ASSERT_TRUE(place.hasMatch()) << id.toStdString();
        ClickAt(view->mapToGlobal(QPoint(place.captured(1).toInt(), place.captured(2).toInt())), 1,
                button);
    }
    static void ClickProbe(const QString& id, int button = 1) {
        ClickControl(Control<BrowserView>(game, "WebBrowser1"), QStringLiteral("platform"), id,
                     button);
        Play(300);
    }

    static PopupWindow* ShownPopup() {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* popup = qobject_cast<PopupWindow*>(window); popup && popup->isVisible())
                return popup;
        return nullptr;
    }
    // The balloon at the tray icon that shows `title`, if one shows.
    static QWidget* Balloon(const QString& title) {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->inherits("QBalloonTip") && window->isVisible())
                for (const QLabel* label : window->findChildren<QLabel*>())
                    if (label->text() == title) return window;
        return nullptr;
    }

    static inline std::unique_ptr<QTemporaryDir> standIn;
};

TEST_F(WebPlatformTest, TheGameSoundsWithoutAClickAndEveryRequestIsAnswered) {
    ASSERT_TRUE(WaitFor(
        [] { return game->isVisible() && Control<QLabel>(game, "Label1")->text() == kProbeTitle; },
        20000))
        << site->Log().toStdString();
    ASSERT_TRUE(WaitFor([] { return site->Count("GET /log/layout\\?page=platform&") > 0; }));
    EXPECT_TRUE(WaitTold("sound", "result=granted-played"));
    EXPECT_TRUE(WaitTold("audiocontext", "state=running"));
    EXPECT_TRUE(WaitTold("notification-permission", "result=granted"));
    EXPECT_TRUE(WaitTold("clipboard", "result=NotAllowedError"));
    EXPECT_TRUE(WaitTold("location", "result=denied-1"));
    // No microphone or camera on this desktop; what counts is the answer.
    EXPECT_TRUE(WaitTold("microphone", "result=\\w+"));
    EXPECT_TRUE(WaitTold("camera", "result=\\w+"));
}

TEST_F(WebPlatformTest, FullScreenCoversTheScreenAndEscapeOrF9GiveTheWindowBack) {
    const QRect window = XGeometry(game->winId());
    const QRect screen = game->screen()->geometry();
    ASSERT_NE(window, screen);

    ClickProbe(QStringLiteral("fullscreen"));
    EXPECT_TRUE(WaitTold("fullscreen", "on=1"));
    EXPECT_TRUE(WaitFor([&] { return XGeometry(game->winId()) == screen; }, 10000))
        << "the game window did not cover the screen: " << Describe(XGeometry(game->winId()));
    EXPECT_FALSE(Control(game, "Panel1")->isVisible()) << "the title strip shows in full screen";
    Play(500);
    Screenshot(QStringLiteral("web-fullscreen"));
    // Pointer lock, which games take in full screen, stays granted.
    ClickProbe(QStringLiteral("lock"));
    EXPECT_TRUE(WaitTold("pointerlock", "on=1"));
    EXPECT_TRUE(WaitTold("pointerlock", "on=0")) << "the page could not give the pointer back";

    PressKeys(QStringLiteral("Escape"));
    EXPECT_TRUE(WaitTold("fullscreen", "on=0"));
    EXPECT_TRUE(WaitFor([&] { return XGeometry(game->winId()) == window; }, 10000))
        << "back at " << Describe(XGeometry(game->winId())) << ", not " << Describe(window);
    EXPECT_TRUE(Control(game, "Panel1")->isVisible());

    // F5 reloads the page, which leaves full screen.
    const int loads = site->Count("GET /tests/platform.html ");
    ClickProbe(QStringLiteral("fullscreen"));
    ASSERT_TRUE(WaitFor([&] { return XGeometry(game->winId()) == screen; }, 10000));
    PressKeys(QStringLiteral("F5"));
    EXPECT_TRUE(WaitFor([&] { return site->Count("GET /tests/platform.html ") > loads; }));
    EXPECT_TRUE(WaitFor([&] { return XGeometry(game->winId()) == window; }, 10000));
    ASSERT_TRUE(WaitFor([&] { return site->Count("GET /log/layout\\?page=platform&") > loads; }));

    // F9 leaves full screen on its way to the tray; the page sees itself hidden.
    ClickProbe(QStringLiteral("fullscreen"));
    ASSERT_TRUE(WaitFor([&] { return XGeometry(game->winId()) == screen; }, 10000));
    PressKeys(QStringLiteral("F9"));
    ASSERT_TRUE(WaitFor([] { return game->isHidden(); }));
    EXPECT_TRUE(WaitTold("visibility", "state=hidden"));
    ClickAt(Control<QSystemTrayIcon>(game, "TrayIcon1")->geometry().center(), 2);
    ASSERT_TRUE(WaitFor([] { return game->isVisible(); }));
    EXPECT_TRUE(WaitFor([&] { return XGeometry(game->winId()) == window; }, 10000));
    EXPECT_TRUE(WaitTold("visibility", "state=visible"));
}

TEST_F(WebPlatformTest, APopupOpensInFrontOfTheGameAndTalksToItsOpener) {
    ClickProbe(QStringLiteral("popup"));
    EXPECT_TRUE(WaitFor([] { return site->Count("GET /tests/pay.html ") == 1; }));
    EXPECT_TRUE(WaitTold("popup-page", "opener=1"));
    EXPECT_TRUE(WaitTold("message", "data=paid"));
    PopupWindow* popup = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (popup = ShownPopup()) != nullptr; }));
    EXPECT_TRUE(WaitFor([&] { return popup->windowTitle() == QStringLiteral("充值中心"); }));
    ASSERT_TRUE(WaitFor([] { return site->Count("GET /log/layout\\?page=pay&") > 0; }));
    Play(500);
    Screenshot(QStringLiteral("web-popup"));

    // Its page closes it.
    QPointer<PopupWindow> closing = popup;
    ClickControl(popup->view(), QStringLiteral("pay"), QStringLiteral("close"));
    EXPECT_TRUE(WaitFor([&] { return closing.isNull(); })) << "window.close() left the popup";
}

TEST_F(WebPlatformTest, LinksAndPlainNewWindowsGoToTheDefaultBrowserUnloaded) {
    const QString link = QStringLiteral(
        "http://localhost:8731/tests/elsewhere.html?from=game&q=%7C%E8%AE%BA%E5%9D%9B");
    ClickProbe(QStringLiteral("link"));
    ClickProbe(QStringLiteral("open"));
    ClickProbe(QStringLiteral("link"), 2);  // a middle click
    EXPECT_TRUE(WaitFor([] { return Opened().size() >= 3; }));
    Play(500);
    EXPECT_EQ(Opened(),
              (QStringList{link, "http://localhost:8731/tests/elsewhere.html?from=open", link}));
    EXPECT_EQ(site->Count("GET /tests/elsewhere.html"), 0) << "the client loaded it itself";
}

TEST_F(WebPlatformTest, ANotificationShowsAsABalloonWhoseClickBringsTheGameBack) {
    ClickProbe(QStringLiteral("notify"));  // it comes three seconds later
    PressKeys(QStringLiteral("F9"));
    ASSERT_TRUE(WaitFor([] { return game->isHidden(); }));
    QWidget* balloon = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (balloon = Balloon(QStringLiteral("公会战"))) != nullptr; }, 10000));
    EXPECT_TRUE(Balloon(QStringLiteral("攻城战将在 1 分钟后开始")));
    EXPECT_TRUE(WaitTold("notification", "event=show"));
    Screenshot(QStringLiteral("web-notification"));

    ClickAt(balloon->geometry().center());
    EXPECT_TRUE(WaitFor([] { return game->isVisible(); })) << "the game stayed in the tray";
    EXPECT_TRUE(WaitTold("notification", "event=click"));
    EXPECT_TRUE(WaitTold("notification", "event=close"));
}

TEST_F(WebPlatformTest, EachClickSavesOneDownloadUnderANameOfItsOwn) {
    ClickProbe(QStringLiteral("download"));
    ASSERT_TRUE(WaitFor([] { return QFile::exists(Downloads() + "/replay.json"); }));
    ClickProbe(QStringLiteral("download"));
    ClickProbe(QStringLiteral("download-twice"));  // one click, two downloads: one is saved
    ASSERT_TRUE(WaitFor([] { return QFile::exists(Downloads() + "/replay (2).json"); }));
    Play(1500);
    const std::pair<const char*, const char*> saved[] = {
        {"replay.json", "replay #1\n"},
        {"replay (1).json", "replay #2\n"},
        {"replay (2).json", "replay #3\n"},
    };
    QStringList names;
    for (const auto& [name, bytes] : saved) {
        QFile file(Downloads() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(file.readAll(), QByteArray(bytes)) << name;
        names << QString::fromUtf8(name);
    }
    EXPECT_EQ(QDir(Downloads()).entryList(QDir::Files, QDir::Name),
              (QStringList{"replay (1).json", "replay (2).json", "replay.json"}))
        << "the second download of one click was saved too";

    // The balloon tells where; a click on it opens the folder.
    QWidget* balloon = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (balloon = Balloon(QStringLiteral("下载完成"))) != nullptr; }));
    const int opened = static_cast<int>(Opened().size());
    ClickAt(balloon->geometry().center());
    EXPECT_TRUE(WaitFor([&] { return Opened().size() > opened; }));
    EXPECT_EQ(Opened().value(opened), QUrl::fromLocalFile(Downloads()).toString());
}

TEST_F(WebPlatformTest, APageElsewhereIsRefusedAndTheGamesPopupsCloseWhenItIsLeft) {
    ClickProbe(QStringLiteral("popup"));
    QPointer<PopupWindow> popup;
    ASSERT_TRUE(WaitFor([&] { return (popup = ShownPopup()) != nullptr; }));
    Play(300);

    ClickProbe(QStringLiteral("leave"));
    EXPECT_TRUE(WaitFor([&] { return popup.isNull(); })) << "the popup outlived its game page";
    EXPECT_TRUE(WaitTold("notification-permission", "host=elsewhere&result=denied"));
    EXPECT_TRUE(WaitTold("sound", "host=elsewhere&result=NotAllowedError"));
    ASSERT_TRUE(
        WaitFor([] { return site->Count("GET /log/layout\\?page=platform&host=elsewhere") > 0; }));
    Play(300);
    ClickControl(Control<BrowserView>(game, "WebBrowser1"),
                 QStringLiteral("platform&host=elsewhere"), QStringLiteral("fullscreen"));
    EXPECT_TRUE(WaitTold("fullscreen-request", "host=elsewhere&result=TypeError"));
    EXPECT_TRUE(Control(game, "Panel1")->isVisible());
}

}  // namespace
