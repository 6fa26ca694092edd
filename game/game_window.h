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
#include "platform/shared_values.h"
#include "widgets/frameless_frame.h"
#include "widgets/skinned_button.h"

using quorvane::widgets::TGraphicButton;

// The game window: shows the game page in a borderless frame with its own
// title strip, a tray icon and a command server for the page.
class TForm2 : public QWidget {
    Q_OBJECT
  public:
    // Without a factory the browser uses the real engine. The window keeps
    // the references for its whole life.
    TForm2(SharedValues& values, ApplicationServices& services,
           BrowserEngineFactory engineFactory = nullptr);
    ~TForm2() override;

    void OpenGame(const QString& url);
    void WebBrowser1DocumentComplete(TWebBrowser* sender, const QString& url);
    void RefreshUnlessBlank();
    void ApplySizeMode(SizeMode mode);
    void FormResize();
    void HideToTray();
    void RestoreFromTray();
    // Shows a balloon at the tray icon with the given texts; an icon kind, if
    // given, stays for later balloons. The command server's showTip, the
    // pages' notifications and the download notices all come this way.
    // Answers whether the balloon shows: not while the icon is hidden.
    bool ShowTip(const QString& title, const QString& text,
                 std::optional<QSystemTrayIcon::MessageIcon> icon,
                 std::function<void()> onClick = nullptr);
    // Shows the balloon with the current texts and icon; `onClick` runs if the
    // player clicks this balloon (where the balloon is the tray's).
    bool ShowBalloonHint(std::function<void()> onClick = nullptr);

    // The hosts the client was built for, which together with the game
    // address make up the game's own site.
    void setDeploymentHosts(const QStringList& hosts) { m_deploymentHosts = hosts; }
    // Full screen, as the page asked for it: the window covers its screen,
    // without the title strip or frame.
    bool inFullScreen() const { return m_fullScreen; }
    // Leaves full screen; the page hears of it, and the window goes back to
    // the size mode and place it had.
    void exitFullScreen();

    void GraphicButton1Click(QObject* sender);  // exit
    void GraphicButton2Click(QObject* sender);  // size toggle
    void GraphicButton3Click(QObject* sender);  // minimise
    void GraphicButton4Click(QObject* sender);  // hide to tray
    void GraphicButton5Click(QObject* sender);  // refresh
    void GraphicButton6Click(QObject* sender);  // back to the server list
    void TrayIcon1DblClick();
    void Timer1Timer();
    void Image1MouseDown(Qt::MouseButton button, const QPoint& screenPoint);
    void Image2MouseDown(Qt::MouseButton button, const QPoint& screenPoint);
    void Label1MouseDown(Qt::MouseButton button, const QPoint& screenPoint);
    void Image1DblClick();
    void Image2DblClick();
    void Label1DblClick();

    void StartCommandServer();
    void StopCommandServer();
    // The application-wide filter, installed by OpenGame.
    void AEMessage(const AppMessage& message, bool& handled);

  signals:
    // The player goes back to the server list: the game page is blank, the
    // window and its tray icon are hidden; the launcher is to show and load
    // its start page.
    void ServerListRequested();
    // The exit's countdown ran out: the closing notice is to show.
    void ClosingNoticeRequested();

  public:
    // Controls in creation order.
    QWidget* Panel1 = nullptr;  // title strip
    QLabel* Image1 = nullptr;   // strip background, stretched
    QLabel* Label1 = nullptr;   // page title
    QLabel* Image4 = nullptr;   // figure at the strip's left end
    QLabel* Image3 = nullptr;   // title lettering
    QWidget* Panel3 = nullptr;  // the strip's button area at its right end
    QLabel* Image2 = nullptr;
    TGraphicButton* GraphicButton1 = nullptr;
    TGraphicButton* GraphicButton2 = nullptr;
    TGraphicButton* GraphicButton3 = nullptr;
    TGraphicButton* GraphicButton4 = nullptr;
    TGraphicButton* GraphicButton5 = nullptr;
    TGraphicButton* GraphicButton6 = nullptr;
    QWidget* Panel2 = nullptr;  // browser panel
    TWebBrowser* WebBrowser1 = nullptr;
    // Components.
    QSystemTrayIcon* TrayIcon1 = nullptr;
    // Where balloons go on a desktop without a tray.
    quorvane::notifications::DesktopNotifications* Notifications = nullptr;
    QTimer* Timer1 = nullptr;
    std::unique_ptr<quorvane::command::CommandActions> CommandActions;
    std::unique_ptr<quorvane::command::CommandServer> IdTCPServer1;
    quorvane::widgets::FramelessFrame* Frame = nullptr;
    quorvane::widgets::CaptionDrag* TitleDrag = nullptr;  // the title strip's moves

    // The next balloon's texts and icon; the icon stays until a command changes it.
    QString BalloonTitle;
    QString BalloonHint;
    QSystemTrayIcon::MessageIcon BalloonFlags = QSystemTrayIcon::NoIcon;

    bool GameLoaded = false;
    // The primary screen's work area at construction, which sizes the window
    // until a game places it on its screen.
    int WorkAreaWidth = 0;
    int WorkAreaHeight = 0;
    float SizeFactor = 0.0f;
    bool Maximised = false;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    SharedValues& Values;
    ApplicationServices& Services;
    void AlignPanels();
    void LeaveProcess();
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

    std::unique_ptr<GameKeyFilterHost> keyFilterHost_;
    std::unique_ptr<GameKeyFilter> KeyFilter;
};
