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
#include "launcher/launcher_key_filter.h"
#include "launcher/link_pages.h"
#include "launcher/runtime_random.h"
#include "platform/application_services.h"
#include "platform/shared_values.h"
#include "platform/url_cache.h"
#include "widgets/colour_key.h"
#include "widgets/frameless_frame.h"
#include "widgets/skinned_button.h"

using quorvane::widgets::TGraphicButton;

class QCloseEvent;
class ProfileUrlCache;

// The launcher window: shows the site's server list and hands the player over
// to the game window when the page asks for it.
class TForm1 : public QWidget, private LauncherKeyFilterHost {
    Q_OBJECT
  public:
    // Without a factory the browser uses the real engine. The window keeps
    // the references for its whole life.
    TForm1(SharedValues& values, ApplicationServices& services,
           BrowserEngineFactory engineFactory = nullptr);
    ~TForm1() override;

    void LoadStartPage();
    // Starts the browser's engine, which holds the event loop for a while:
    // the owner calls it once the launcher's pictures are on the screen.
    void StartBrowser();
    void RunPageScript(const QString& code);
    void WebBrowser1NavigateComplete2(TWebBrowser* sender, const QString& url);
    void Button1Click();
    void GraphicButton0Click(QObject* sender);  // official site
    void GraphicButton1Click(QObject* sender);  // minimise
    void GraphicButton2Click(QObject* sender);  // top-up centre
    void GraphicButton3Click(QObject* sender);  // customer service
    void GraphicButton4Click(QObject* sender);  // game centre
    void GraphicButton5Click(QObject* sender);  // close
    void GraphicButton6Click(QObject* sender);  // clear the browser cache
    void Timer1Timer();

    void StartCommandServer();
    void StopCommandServer();
    // The application-wide filter this window installs at its creation.
    void AEMessage(const AppMessage& message, bool& handled);

  signals:
    // The page sent the player into the game at this address. The launcher
    // has stopped its server, blanked its page and hidden itself; the game
    // window is to show and open the address.
    void GameRequested(const QString& gameUrl);

  public:
    // The link page a button opens, with the next number of the generator.
    QString LinkPageUrl(LinkPage type);

    // The scripts that dress the first blank page, in the order they run.
    static QStringList FirstBlankScripts();
    // The hosts of the game's site the client was built for.
    static QStringList DeploymentHosts();

    // Controls in creation order.
    QLabel* Image1 = nullptr;  // the artwork
    QLabel* Label1 = nullptr;  // version
    QLabel* Image2 = nullptr;  // healthy-gaming advisory
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QWidget* Panel1 = nullptr;
    TGraphicButton* GraphicButton0 = nullptr;
    QWidget* Panel2 = nullptr;
    TGraphicButton* GraphicButton2 = nullptr;
    QWidget* Panel3 = nullptr;
    TGraphicButton* GraphicButton3 = nullptr;
    QWidget* Panel4 = nullptr;
    TGraphicButton* GraphicButton4 = nullptr;
    QWidget* Panel5 = nullptr;
    TGraphicButton* GraphicButton5 = nullptr;
    QWidget* Panel6 = nullptr;
    TWebBrowser* WebBrowser1 = nullptr;
    QWidget* Panel7 = nullptr;
    TGraphicButton* GraphicButton1 = nullptr;
    QWidget* Panel8 = nullptr;
    TGraphicButton* GraphicButton6 = nullptr;
    // Components.
    std::unique_ptr<quorvane::command::CommandActions> CommandActions;
    std::unique_ptr<quorvane::command::CommandServer> IdTCPServer0;
    QTimer* Timer1 = nullptr;
    quorvane::widgets::ColourKeyShape* ColourKey = nullptr;
    quorvane::widgets::FramelessFrame* Frame = nullptr;

    // The browser's web cache; the real engine's profile unless a test sets one.
    std::unique_ptr<quorvane::platform::UrlCache> UrlCacheStore;

    // Shared with the link buttons, which draw without seeding.
    RuntimeRandom Random;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormCreate();
    bool RealEngine = false;
    SharedValues& Values;
    ApplicationServices& Services;
    void HandOff(const QString& gameUrl);
    bool CacheClearRunning() const;
    void CacheClearFinished();

    // The real engine's cache, which clears in the background; null on a
    // test's cache.
    ProfileUrlCache* ProfileCache = nullptr;
    // A hand-off that came while the cache was being cleared, carried out
    // once the clear is done.
    std::optional<QString> DeferredHandOff;
    void OpenLinkPage(LinkPage type);
    bool IsInsideBrowser(const QObject* target) const override;

    LauncherKeyFilter KeyFilter{*this};
};
