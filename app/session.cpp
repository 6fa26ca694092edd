#include "app/session.h"

#include <QEvent>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>

namespace {

// The longest the browsers wait for the launcher's first paint.
constexpr int kBrowsersStartLatestMs = 1000;

// Calls `then` on the turn of the loop after `window` first painted, by which
// time the picture is on the screen.
class AfterFirstPaint : public QObject {
  public:
    AfterFirstPaint(QWidget* window, std::function<void()> then)
        : QObject(window), m_then(std::move(then)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_then) {
            QTimer::singleShot(0, parent(), std::exchange(m_then, nullptr));
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> m_then;
};

// The longest the game window waits for its page's request before it shows.
constexpr int kGameShowLatestMs = 250;

// The game window's first paint holds the loop for a good part of a second,
// while the engine needs the loop for a few turns to send the game page's
// request. So the game window shows once that request is out, or a moment
// later at most, for an address that makes no request.
void showOnceTheGameIsRequested(GameWindow* game) {
    auto pending = std::make_shared<QMetaObject::Connection>();
    auto show = [game, pending] {
        if (!*pending) return;
        QObject::disconnect(*pending);
        *pending = {};
        game->show();
        // A shown window takes the keyboard, as the launcher had it: the game
        // page is to get the player's keys without a click.
        game->activateWindow();
    };
    *pending = QObject::connect(game, &GameWindow::pageRequested, game, show);
    QTimer::singleShot(kGameShowLatestMs, game, show);
}

}  // namespace

Session::Session(ApplicationServices& services, BrowserEngineFactory launcherEngine,
                 BrowserEngineFactory gameEngine, LauncherShow launcherShow)
    // The launcher's creation runs its whole start (start page, shortcut,
    // command server) before the other windows exist, and needs none of them.
    : m_launcher(std::make_unique<LauncherWindow>(services, std::move(launcherEngine))) {
    // The window system maps the launcher while the others are being made.
    if (launcherShow == LauncherShow::kAtOnce) m_launcher->show();
    m_game = std::make_unique<GameWindow>(services, std::move(gameEngine));
    m_game->setDeploymentHosts(LauncherWindow::deploymentHosts());
    m_notice = std::make_unique<ClosingNotice>(services);
    LauncherWindow* launcher = m_launcher.get();
    GameWindow* game = m_game.get();
    ClosingNotice* notice = m_notice.get();
    QObject::connect(launcher, &LauncherWindow::gameRequested, game,
                     [game, launcher](const QString& gameUrl) {
                         // The game opens where the player was looking: on the launcher's screen.
                         game->setScreen(launcher->screen());
                         game->startBrowser();
                         showOnceTheGameIsRequested(game);
                         game->openGame(gameUrl);
                     });
    QObject::connect(game, &GameWindow::serverListRequested, launcher, [launcher] {
        launcher->show();
        launcher->activateWindow();
        launcher->loadStartPage();
    });
    QObject::connect(game, &GameWindow::closingNoticeRequested, notice, &QWidget::show);

    // The launcher's own pictures need no engine, and the engines hold the
    // loop for a good part of a second while they start: the launcher is on
    // the screen first, its browser showing the loading colour till then.
    new AfterFirstPaint(launcher, [this] { startBrowsers(); });
    QTimer::singleShot(kBrowsersStartLatestMs, launcher, [this] { startBrowsers(); });
}

void Session::startBrowsers() {
    if (std::exchange(m_browsersStarted, true)) return;
    m_launcher->startBrowser();
    // The game's engine starts once the start page is in, not to hold up its
    // loading; a hand-off before then starts it itself.
    GameWindow* game = m_game.get();
    auto waiting = std::make_shared<QMetaObject::Connection>();
    *waiting = QObject::connect(m_launcher.get(), &LauncherWindow::pageLoaded, game,
                                [game, waiting](const QString& url) {
                                    if (url == QLatin1String("about:blank")) return;
                                    QObject::disconnect(*waiting);
                                    game->startBrowser();
                                });
}
