#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "browser/browser_engine.h"
#include "browser/render_crash_policy.h"

class QQuickWidget;
class QTimer;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class BridgePage;
class WebPlatform;

// The browser profile every window shares: a named, persistent profile whose
// disk cache and cookie store live under the user's data directory, so the
// cache can be cleared while the login cookies stay.
QWebEngineProfile* sharedBrowserProfile();

// Call once the application object exists and before the first engine:
// where the window system offers no OpenGL at all, pages are composed in
// software instead of the engine's views failing to render (and crashing).
// Where OpenGL exists, the engine's own choice of WebGL or canvas stands.
void chooseBrowserCompositing();

// Qt WebEngine behind the engine interface.
//
// Qt's URL type cannot hold addresses such as "client://loadgame|…" (the "|"
// makes them invalid), and every Qt-side navigation hook sees them mangled or
// not at all. So navigations are observed from inside the page: a script
// injected into every frame at document creation reports each committed
// document's location.href verbatim, intercepts navigations to addresses the
// engine cannot load (reporting their exact text) and reports each finished
// load with the document's title. Reports travel as console messages carrying
// a per-engine secret, from an isolated script world the page cannot reach.
class WebEngineBrowserEngine : public BrowserEngine {
    Q_OBJECT
  public:
    explicit WebEngineBrowserEngine(QWidget* parent);
    ~WebEngineBrowserEngine() override;

    QWidget* view() override;
    void start() override;
    void navigate(const QString& url) override;
    void stop() override;
    void refresh() override;
    QString location() const override;
    bool hasDocument() const override { return m_hasDocument; }
    void runScript(const QString& code) override;
    QString documentTitle() const override { return m_title; }
    void clearBodyBorderWidth() override;
    void setBackgroundColor(const QColor& colour) override;
    qint64 renderProcessId() const override;
    void setPageRole(PageRole role) override;
    void setSiteHosts(const QStringList& deploymentHosts, const QString& gameAddress) override;
    void exitFullScreen() override;
    void prepareWindowRelease() override;

    // Text of the bridge script for a given secret (exposed for tests).
    static QString bridgeScript(const QString& secret);
    // Whether the engine can load an address itself; others are only reported.
    static bool isLoadable(const QString& url);

  private:
    friend class BridgePage;
    void onPageReport(const QString& json);
    void onLoadFinished(bool ok);
    void onRenderProcessEnded(int status, int exitCode);
    void startLoad(const QString& url);
    void deferLoad(const QString& url);
    void startDeferredLoad();
    // A hidden window's blank page keeps no render process: it is discarded,
    // and comes back by itself when the window shows or the page is sent
    // elsewhere.
    void discardIfIdle();
    void discardOnceIdle(int loads);
    // Whether the engine has started; until then calls wait in `m_beforeStart`.
    bool started(std::function<void()> call);

    QString m_secret;
    // Holds the engine's view once started, and shows the page's colour before.
    QPointer<QWidget> m_host;
    // A scene-graph widget, never shown, that is there from the outset (see
    // the constructor).
    QPointer<QQuickWidget> m_sceneStandIn;
    std::vector<std::function<void()>> m_beforeStart;
    QColor m_background;
    std::unique_ptr<BridgePage> m_page;
    QPointer<QWebEngineView> m_view;
    QString m_location;
    QString m_title;
    bool m_busy = false;
    bool m_hasDocument = false;
    // A load asked for while the blank page is still on its way waits for the
    // blank page to commit, so scripts run in the blank page before it goes.
    bool m_blankPending = false;
    QString m_deferredUrl;
    bool m_hasDeferred = false;
    // How long the deferred load still waits (kBlankPageWaitMs).
    QTimer* m_blankWait = nullptr;
    // Whether the page was last discarded: coming back, the engine reloads
    // the blank page it held, and that reload counts as a blank page on its
    // way, so no load asked for meanwhile is lost to it.
    bool m_wasDiscarded = false;
    // Whether the page reported the load event of the current top document;
    // documents the bridge script never reaches (blank pages) complete when
    // the engine says the load has finished.
    bool m_topLoadReported = false;
    // Loads asked of the engine so far, so that a discard decided before the
    // latest of them is not carried out.
    int m_loadsRequested = 0;
    RenderCrashPolicy m_crashPolicy;
    // Answers what the page asks of the desktop; made with the engine, so the
    // window's role and site are known before the page exists.
    WebPlatform* m_platform = nullptr;
};
