#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
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
#include "widgets/skinned_button.h"

using quorvane::widgets::SkinnedButton;

class QCloseEvent;
class ProfileUrlCache;

// The launcher window: shows the site's server list and hands the player over
// to the game window when the page asks for it.
class LauncherWindow : public QWidget {
    Q_OBJECT
  public:
    // Without a factory the browser uses the real engine. The window keeps
    // the references for its whole life.
    // The platform number goes into the site's addresses; 0 makes the debug
    // launcher with an address box instead of the start page.
    LauncherWindow(ApplicationServices& services, BrowserEngineFactory engineFactory = nullptr,
                   std::int32_t platformId = deployment::BuiltPlatformId);
    ~LauncherWindow() override;

    void loadStartPage();
    // Starts the browser's engine, which holds the event loop for a while:
    // the owner calls it once the launcher's pictures are on the screen.
    void startBrowser();
    void runPageScript(const QString& code);
    void onNavigationCompleted(BrowserView* sender, const QString& url);
    void onGoClicked();
    void onOfficialSiteClicked(QObject* sender);  // official site
    void onMinimiseClicked(QObject* sender);      // minimise
    void onTopUpClicked(QObject* sender);         // top-up centre
    void onServiceClicked(QObject* sender);       // customer service
    void onGameCentreClicked(QObject* sender);    // game centre
    void onCloseClicked(QObject* sender);         // close
    void onClearCacheClicked(QObject* sender);    // clear the browser cache
    void onServerTimeout();

    void startCommandServer();
    void stopCommandServer();

  signals:
    // The page sent the player into the game at this address. The launcher
    // has stopped its server, blanked its page and hidden itself; the game
    // window is to show and open the address.
    void gameRequested(const QString& gameUrl);

  public:
    // The link page a button opens, with the next number of the generator.
    QString linkPageUrl(LinkPage type);

    // The scripts that dress the first blank page, in the order they run.
    static QStringList firstBlankScripts();
    // The hosts of the game's site the client was built for.
    static QStringList deploymentHosts();

    // Controls in creation order.
    QLabel* m_artwork = nullptr;       // the artwork
    QLabel* m_versionLabel = nullptr;  // version
    QLabel* m_advisory = nullptr;      // healthy-gaming advisory
    QLineEdit* m_addressBox = nullptr;
    QPushButton* m_goButton = nullptr;
    QWidget* m_officialSitePanel = nullptr;
    SkinnedButton* m_officialSiteButton = nullptr;
    QWidget* m_topUpPanel = nullptr;
    SkinnedButton* m_topUpButton = nullptr;
    QWidget* m_servicePanel = nullptr;
    SkinnedButton* m_serviceButton = nullptr;
    QWidget* m_gameCentrePanel = nullptr;
    SkinnedButton* m_gameCentreButton = nullptr;
    QWidget* m_closePanel = nullptr;
    SkinnedButton* m_closeButton = nullptr;
    QWidget* m_browserPanel = nullptr;
    BrowserView* m_browser = nullptr;
    QWidget* m_minimisePanel = nullptr;
    SkinnedButton* m_minimiseButton = nullptr;
    QWidget* m_clearCachePanel = nullptr;
    SkinnedButton* m_clearCacheButton = nullptr;
    // Components.
    std::unique_ptr<quorvane::command::CommandActions> m_commandActions;
    std::unique_ptr<quorvane::command::CommandServer> m_commandServer;
    QTimer* m_serverTimer = nullptr;
    quorvane::widgets::ColourKeyShape* m_colourKey = nullptr;
    quorvane::widgets::FramelessFrame* m_frame = nullptr;

    // The browser's web cache; the real engine's profile unless a test sets one.
    std::unique_ptr<quorvane::platform::UrlCache> m_urlCache;

    // Shared with the link buttons, which draw without seeding.
    RuntimeRandom m_random;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void startUp();
    bool m_realEngine = false;
    const std::int32_t m_platformId;
    // True until the first blank page has been dressed, which happens once.
    bool m_firstBlankPending = true;
    // The port the command server tries first; a failed start moves it on.
    std::uint16_t m_commandPort = quorvane::command::kLauncherFirstPort;
    ApplicationServices& m_services;
    void handOff(const QString& gameUrl);
    bool cacheClearRunning() const;
    void onCacheClearFinished();

    // The real engine's cache, which clears in the background; null on a
    // test's cache.
    ProfileUrlCache* m_profileCache = nullptr;
    // A hand-off that came while the cache was being cleared, carried out
    // once the clear is done.
    std::optional<QString> m_deferredHandOff;
    void openLinkPage(LinkPage type);

    // Installed over the application's input at the window's creation.
    LauncherKeyFilter* m_keyFilter = nullptr;
};
