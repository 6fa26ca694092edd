#pragma once

#include <QLabel>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <cstdint>
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

namespace quorvane::widgets {
template <class Window>
struct ButtonPlace;
}

// The game window: shows the game page in a borderless frame with its own
// title strip, a tray icon and a command server for the page. F5 and F9 act
// on it from the first game on, whichever window has the keyboard.
class GameWindow : public QWidget, private GameKeyFilterHost {
    Q_OBJECT
  public:
    // Without a factory the browser uses the real engine. The window keeps
    // `services` for its whole life.
    explicit GameWindow(ApplicationServices& services,
                        BrowserEngineFactory engineFactory = nullptr);
    ~GameWindow() override;

    // The hosts the client was built for, which together with the game
    // address make up the game's own site.
    void setDeploymentHosts(const QStringList& hosts) { m_deploymentHosts = hosts; }
    // Starts the browser's engine, which holds the event loop for a while.
    void startBrowser();
    // Opens a game the launcher handed over: the window takes its size from
    // the address, its tray icon shows and its command server listens.
    void openGame(const QString& url);
    // A balloon at the tray icon (or, without a tray, the desktop's
    // notification) with these texts; an icon kind, if given, stays for later
    // balloons. The command server's showTip, the pages' notifications and
    // the download notices all come this way. `onClick` runs if the player
    // clicks a tray balloon. Answers whether it showed: not while the tray
    // icon is hidden.
    bool showTip(const QString& title, const QString& text,
                 std::optional<QSystemTrayIcon::MessageIcon> icon,
                 std::function<void()> onClick = nullptr);

    // The size mode: all of the work area, or nine tenths of it.
    bool isMaximised() const { return m_maximised; }
    // The port the command server listens on, 0 while it listens on none.
    std::uint16_t commandPort() const;

  signals:
    // The player goes back to the server list: the game page is blank, the
    // window and its tray icon are hidden; the launcher is to show and load
    // its start page.
    void serverListRequested();
    // The exit's countdown ran out: the closing notice is to show. (The exit
    // ends the process before; see onExitTimer.)
    void closingNoticeRequested();
    // The engine has asked the network for the page the window is to show.
    void pageRequested();
    // A balloon showed, at the tray or through the desktop's notifications.
    void balloonShown(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The strip's skinned buttons: where each is and what a click does.
    static const std::initializer_list<quorvane::widgets::ButtonPlace<GameWindow>>& buttons();
    void createTitleStrip();
    void createBrowser(BrowserEngineFactory engineFactory);
    void createTray();
    void createCommandServer();
    void createFrame();

    // What the key filter asks of the window.
    bool isInsideBrowser(const QObject* target) const override;
    bool isGameLoaded() const override { return m_gameLoaded; }
    bool isGameWindowVisible() const override { return isVisible(); }
    bool inFullScreen() const override { return m_fullScreen; }
    void refreshUnlessBlank() override;
    void hideToTray() override;
    void restoreFromTray() override;
    void leaveFullScreen() override;

    void onDocumentCompleted();
    void onExitClicked();
    void onSizeToggleClicked();
    void onMinimiseClicked();
    void onHideClicked();
    void onRefreshClicked();
    void onSwitchServerClicked();
    void onTrayDoubleClicked();
    void onExitTimer();
    void onStripPressed(Qt::MouseButton button, const QPoint& screenPoint);
    void onStripDoubleClicked();

    void applySizeMode(SizeMode mode);
    void alignPanels();
    void fitBrowser();
    void setFullScreen(bool on);
    bool showBalloon(std::function<void()> onClick = nullptr);
    void showNotification(std::shared_ptr<PageNotification> notification);
    void closeNotification();
    void showDownloadEnded(const QString& path, bool saved);

    ApplicationServices& m_services;
    QStringList m_deploymentHosts;

    QWidget* m_titleStrip = nullptr;
    QLabel* m_stripBackground = nullptr;
    QLabel* m_titleLabel = nullptr;
    QWidget* m_buttonArea = nullptr;
    QLabel* m_buttonAreaBackground = nullptr;
    QWidget* m_browserPanel = nullptr;
    BrowserView* m_browser = nullptr;

    QSystemTrayIcon* m_trayIcon = nullptr;
    // Where balloons go on a desktop without a tray.
    quorvane::notifications::DesktopNotifications* m_desktopNotifications = nullptr;
    // The next balloon's texts and icon; the icon stays until a command
    // changes it.
    QString m_balloonTitle;
    QString m_balloonText;
    QSystemTrayIcon::MessageIcon m_balloonIcon = QSystemTrayIcon::NoIcon;
    std::function<void()> m_balloonClicked;
    // The page's notification on the balloon, closed when the balloon goes.
    std::shared_ptr<PageNotification> m_notification;
    QTimer* m_notificationTimer = nullptr;

    // The port the command server tries first; a failed start moves it on.
    std::uint16_t m_commandPort = quorvane::command::kGameFirstPort;
    std::unique_ptr<quorvane::command::CommandActions> m_commandActions;
    std::unique_ptr<quorvane::command::CommandServer> m_commandServer;
    std::unique_ptr<GameKeyFilter> m_keyFilter;
    quorvane::widgets::CaptionDrag* m_titleDrag = nullptr;

    // Half-second ticks from the exit to the closing notice.
    QTimer* m_exitTimer = nullptr;
    std::int32_t m_exitTicks = 2;

    // True from the first game on, for the rest of the process.
    bool m_gameLoaded = false;
    bool m_maximised = false;
    bool m_fullScreen = false;
    QRect m_geometryBeforeFullScreen;
};
