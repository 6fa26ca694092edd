#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "browser/browser_view.h"
#include "command/command_server.h"
#include "launcher/deployment.h"
#include "launcher/launcher_key_filter.h"
#include "launcher/link_pages.h"
#include "launcher/runtime_random.h"
#include "platform/application_services.h"
#include "platform/url_cache.h"
#include "widgets/colour_key.h"
#include "widgets/frameless_frame.h"

class QCloseEvent;
class ProfileUrlCache;
namespace quorvane::widgets {
template <class Window>
struct ButtonPlace;
}

// The launcher window: shows the site's server list and hands the player over
// to the game window when the page asks for it. Its page's plug-in content
// can talk to it through a command server for the first minute.
class LauncherWindow : public QWidget {
    Q_OBJECT
  public:
    // Without a factory the browser uses the real engine. The platform number
    // goes into the site's addresses; 0 makes the debug launcher, with an
    // address box instead of the start page. The window keeps `services` for
    // its whole life.
    LauncherWindow(ApplicationServices& services, BrowserEngineFactory engineFactory = nullptr,
                   std::int32_t platformId = deployment::kBuiltPlatformId);
    ~LauncherWindow() override;

    // The hosts of the game's site the client is built for.
    static QStringList deploymentHosts();

    // Starts the browser's engine, which holds the event loop for a while:
    // the owner calls it once the launcher's pictures are on the screen.
    void startBrowser();
    // Loads the start page anew, with a fresh number against caches; the
    // debug launcher shows its address box instead.
    void loadStartPage();
    // The web cache the clear button empties: the engine's own unless one is
    // given here before the browser starts.
    void setUrlCache(std::unique_ptr<quorvane::platform::UrlCache> cache);
    // The port the command server listens on, 0 while it listens on none.
    std::uint16_t commandPort() const;

  signals:
    // The page sent the player into the game at this address. The launcher
    // has stopped its server, blanked its page and hidden itself; the game
    // window is to show and open the address.
    void gameRequested(const QString& gameUrl);
    // A document of the launcher's page (the top one or a frame) has loaded.
    void pageLoaded(const QString& url);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // The window's skinned buttons: where each is and what a click does.
    static const std::initializer_list<quorvane::widgets::ButtonPlace<LauncherWindow>>& buttons();
    void createPictures();
    void createDebugControls();
    void createBrowser(BrowserEngineFactory engineFactory);
    void createButtons();
    void createCommandServer();
    void createFrame();
    void startUp();

    void onNavigationCompleted(const QString& url);
    void onGoClicked();
    void onOfficialSiteClicked();
    void onTopUpClicked();
    void onServiceClicked();
    void onGameCentreClicked();
    void onMinimiseClicked();
    void onCloseClicked();
    void onClearCacheClicked();
    void onServerTimeout();
    void onCacheClearFinished();

    void startCommandServer();
    void stopCommandServer();
    void openLinkPage(LinkPage type);
    void runPageScript(const QString& code);
    void handOff(const QString& gameUrl);
    bool cacheClearRunning() const;

    ApplicationServices& m_services;
    const std::int32_t m_platformId;
    // The real engine's web cache is made when the browser starts.
    const bool m_realEngine;

    QLabel* m_artwork = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_advisory = nullptr;
    // The debug launcher's address box, and everyone's status line.
    QLineEdit* m_addressBox = nullptr;
    QPushButton* m_goButton = nullptr;
    BrowserView* m_browser = nullptr;

    // True until the first blank page has been dressed, which happens once.
    bool m_firstBlankPending = true;
    // The port the command server tries first; a failed start moves it on.
    std::uint16_t m_commandPort = quorvane::command::kLauncherFirstPort;
    std::unique_ptr<quorvane::command::CommandActions> m_commandActions;
    std::unique_ptr<quorvane::command::CommandServer> m_commandServer;
    // Ends the command server a minute after the start.
    QTimer* m_serverTimer = nullptr;
    LauncherKeyFilter* m_keyFilter = nullptr;

    std::unique_ptr<quorvane::platform::UrlCache> m_urlCache;
    // The real engine's cache, which clears in the background; null on a
    // given cache.
    ProfileUrlCache* m_profileCache = nullptr;
    // A hand-off that came while the cache was being cleared, carried out
    // once the clear is done.
    std::optional<QString> m_deferredHandOff;

    // Seeded by each start page; the link buttons draw from it unseeded.
    RuntimeRandom m_random;
};
