#pragma once

#include <QLabel>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "browser/browser_view.h"
#include "command/command_server.h"
#include "game/game_key_filter.h"
#include "game/size_mode.h"
#include "notifications/desktop_notifications.h"
#include "platform/application_services.h"
#include "widgets/frameless_frame.h"
#include "widgets/skinned_button.h"

using quorvane::widgets::SkinnedButton;

// The game window: shows the game page in a borderless frame with its own
// title strip, a tray icon and a command server for the page.
class GameWindow : public QWidget {
    Q_OBJECT
  public:
    // Without a factory the browser uses the real engine. The window keeps
    // the references for its whole life.
    GameWindow(ApplicationServices& services, BrowserEngineFactory engineFactory = nullptr);
    ~GameWindow() override;

    void openGame(const QString& url);
    void onDocumentCompleted(BrowserView* sender, const QString& url);
    void refreshUnlessBlank();
    void applySizeMode(SizeMode mode);
    void fitBrowser();
    void hideToTray();
    void restoreFromTray();
    // Shows a balloon at the tray icon with the given texts; an icon kind, if
    // given, stays for later balloons. The command server's showTip, the
    // pages' notifications and the download notices all come this way.
    // Answers whether the balloon shows: not while the icon is hidden.
    bool showTip(const QString& title, const QString& text,
                 std::optional<QSystemTrayIcon::MessageIcon> icon,
                 std::function<void()> onClick = nullptr);
    // Shows the balloon with the current texts and icon; `onClick` runs if the
    // player clicks this balloon (where the balloon is the tray's).
    bool showBalloon(std::function<void()> onClick = nullptr);

    // The hosts the client was built for, which together with the game
    // address make up the game's own site.
    void setDeploymentHosts(const QStringList& hosts) { m_deploymentHosts = hosts; }
    // Full screen, as the page asked for it: the window covers its screen,
    // without the title strip or frame.
    bool inFullScreen() const { return m_fullScreen; }
    // Leaves full screen; the page hears of it, and the window goes back to
    // the size mode and place it had.
    void exitFullScreen();

    void onExitClicked(QObject* sender);          // exit
    void onSizeToggleClicked(QObject* sender);    // size toggle
    void onMinimiseClicked(QObject* sender);      // minimise
    void onHideClicked(QObject* sender);          // hide to tray
    void onRefreshClicked(QObject* sender);       // refresh
    void onSwitchServerClicked(QObject* sender);  // back to the server list
    void onTrayDoubleClicked();
    void onExitTimer();
    void onStripPressed(Qt::MouseButton button, const QPoint& screenPoint);
    void onButtonAreaPressed(Qt::MouseButton button, const QPoint& screenPoint);
    void onTitlePressed(Qt::MouseButton button, const QPoint& screenPoint);
    void onStripDoubleClicked();
    void onButtonAreaDoubleClicked();
    void onTitleDoubleClicked();

    void startCommandServer();
    void stopCommandServer();

  signals:
    // The player goes back to the server list: the game page is blank, the
    // window and its tray icon are hidden; the launcher is to show and load
    // its start page.
    void serverListRequested();
    // The exit's countdown ran out: the closing notice is to show.
    void closingNoticeRequested();

  public:
    // Controls in creation order.
    QWidget* m_titleStrip = nullptr;      // title strip
    QLabel* m_stripBackground = nullptr;  // strip background, stretched
    QLabel* m_titleLabel = nullptr;       // page title
    QLabel* m_stripFigure = nullptr;      // figure at the strip's left end
    QLabel* m_stripLettering = nullptr;   // title lettering
    QWidget* m_buttonArea = nullptr;      // the strip's button area at its right end
    QLabel* m_buttonAreaBackground = nullptr;
    SkinnedButton* m_exitButton = nullptr;
    SkinnedButton* m_sizeToggleButton = nullptr;
    SkinnedButton* m_minimiseButton = nullptr;
    SkinnedButton* m_hideButton = nullptr;
    SkinnedButton* m_refreshButton = nullptr;
    SkinnedButton* m_switchServerButton = nullptr;
    QWidget* m_browserPanel = nullptr;  // browser panel
    BrowserView* m_browser = nullptr;
    // Components.
    QSystemTrayIcon* m_trayIcon = nullptr;
    // Where balloons go on a desktop without a tray.
    quorvane::notifications::DesktopNotifications* m_desktopNotifications = nullptr;
    QTimer* m_exitTimer = nullptr;
    std::unique_ptr<quorvane::command::CommandActions> m_commandActions;
    std::unique_ptr<quorvane::command::CommandServer> m_commandServer;
    quorvane::widgets::FramelessFrame* m_frame = nullptr;
    quorvane::widgets::CaptionDrag* m_titleDrag = nullptr;  // the title strip's moves

    // The next balloon's texts and icon; the icon stays until a command changes it.
    QString m_balloonTitle;
    QString m_balloonText;
    QSystemTrayIcon::MessageIcon m_balloonIcon = QSystemTrayIcon::NoIcon;

    bool m_gameLoaded = false;
    // The primary screen's work area at construction, which sizes the window
    // until a game places it on its screen.
    int m_workAreaWidth = 0;
    int m_workAreaHeight = 0;
    float m_sizeFactor = 0.0f;
    bool m_maximised = false;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The port the command server tries first; a failed start moves it on.
    std::uint16_t m_commandPort = quorvane::command::kGameFirstPort;
    // Half-second ticks from the exit to the closing notice.
    std::int32_t m_exitTicks = 2;
    ApplicationServices& m_services;
    void alignPanels();
    void leaveProcess();
    void setFullScreen(bool on);
    void showNotification(std::shared_ptr<PageNotification> notification);
    void closeNotification();
    void showDownloadEnded(const QString& path, bool saved);

    QStringList m_deploymentHosts;
    bool m_fullScreen = false;
    QRect m_geometryBeforeFullScreen;
    std::function<void()> m_balloonClicked;
    // The page's notification on the balloon, closed when the balloon goes.
    std::shared_ptr<PageNotification> m_notification;
    QTimer* m_notificationTimer = nullptr;

    std::unique_ptr<GameKeyFilterHost> m_keyFilterHost;
    std::unique_ptr<GameKeyFilter> m_keyFilter;
};
