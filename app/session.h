#pragma once

#include <memory>

#include "browser/browser_view.h"
#include "game/closing_notice.h"
#include "game/game_window.h"
#include "launcher/launcher_window.h"
#include "platform/application_services.h"

// One run of the client: the three windows, made in the launcher, game,
// notice order, and the only place that knows all three. The windows reach one
// another through the signals wired here.
class Session {
  public:
    // When the launcher first shows: at once, before the other windows are
    // made (the player sees it sooner; nothing can reach them before the
    // event loop runs), or when the caller shows it.
    enum class LauncherShow { kByCaller, kAtOnce };

    // Without factories the browsers use the real engine.
    explicit Session(ApplicationServices& services, BrowserEngineFactory launcherEngine = nullptr,
                     BrowserEngineFactory gameEngine = nullptr,
                     LauncherShow launcherShow = LauncherShow::kByCaller);

    // Starts the launcher's browser now rather than after its first paint,
    // and the game's once the start page is in; later calls change nothing.
    void startBrowsers();

    LauncherWindow* launcher() const { return m_launcher.get(); }
    GameWindow* game() const { return m_game.get(); }
    ClosingNotice* notice() const { return m_notice.get(); }

  private:
    // Made in this order and destroyed the other way round.
    std::unique_ptr<LauncherWindow> m_launcher;
    std::unique_ptr<GameWindow> m_game;
    std::unique_ptr<ClosingNotice> m_notice;
    bool m_browsersStarted = false;
};
