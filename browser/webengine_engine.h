#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "browser/browser_engine.h"
#include "browser/render_crash_policy.h"

class QQuickWidget;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class BridgePage;
class WebPlatform;

// The browser profile every window shares: a named, persistent profile whose
// disk cache and cookie store live under the user's data directory, so the
// cache can be cleared while the login cookies stay.
QWebEngineProfile* SharedBrowserProfile();

// Call once the application object exists and before the first engine:
// where the window system offers no OpenGL at all, pages are composed in
// software instead of the engine's views failing to render (and crashing).
// Where OpenGL exists, the engine's own choice of WebGL or canvas stands.
void ChooseBrowserCompositing();

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

    QWidget* View() override;
    void Start() override;
    void Navigate(const QString& url) override;
    void Stop() override;
    void Refresh() override;
    QString LocationURL() const override;
    bool Busy() const override { return busy_; }
    bool HasDocument() const override { return hasDocument_; }
    void ExecScript(const QString& code) override;
    QString DocumentTitle() const override { return title_; }
    void ClearBodyBorderWidth() override;
    void SetBackgroundColor(const QColor& colour) override;
    qint64 RenderProcessId() const override;
    void setPageRole(PageRole role) override;
    void setSiteHosts(const QStringList& deploymentHosts, const QString& gameAddress) override;
    void exitFullScreen() override;
    void prepareWindowRelease() override;

    // Text of the bridge script for a given secret (exposed for tests).
    static QString BridgeScript(const QString& secret);
    // Whether the engine can load an address itself; others are only reported.
    static bool IsLoadable(const QString& url);

  private:
    friend class BridgePage;
    void OnPageReport(const QString& json);
    void OnLoadFinished(bool ok);
    void OnRenderProcessEnded(int status, int exitCode);
    void StartLoad(const QString& url);
    void StartDeferredLoad();
    // A hidden window's blank page keeps no render process: it is discarded,
    // and comes back by itself when the window shows or the page is sent
    // elsewhere.
    void DiscardIfIdle();
    void DiscardOnceIdle();
    // Whether the engine has started; until then calls wait in `beforeStart_`.
    bool Started(std::function<void()> call);

    QString secret_;
    // Holds the engine's view once started, and shows the page's colour before.
    QPointer<QWidget> host_;
    // A scene-graph widget, never shown, that is there from the outset (see
    // the constructor).
    QPointer<QQuickWidget> sceneStandIn_;
    std::vector<std::function<void()>> beforeStart_;
    QColor background_;
    std::unique_ptr<BridgePage> page_;
    QPointer<QWebEngineView> view_;
    QString location_;
    QString title_;
    bool busy_ = false;
    bool hasDocument_ = false;
    // A load asked for while the blank page is still on its way waits for the
    // blank page to commit, so scripts run in the blank page before it goes.
    bool blankPending_ = false;
    QString deferredUrl_;
    bool hasDeferred_ = false;
    // Whether the page reported the load event of the current top document;
    // documents the bridge script never reaches (blank pages) complete when
    // the engine says the load has finished.
    bool topLoadReported_ = false;
    // Loads asked of the engine so far, so that a discard decided before the
    // latest of them is not carried out.
    int loadsRequested_ = 0;
    RenderCrashPolicy crashPolicy_;
    // Answers what the page asks of the desktop; made with the engine, so the
    // window's role and site are known before the page exists.
    WebPlatform* platform_ = nullptr;
};
