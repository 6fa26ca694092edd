#include "browser/webengine_engine.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QOpenGLContext>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QRandomGenerator>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <string>
#include <utility>

#include "browser/web_platform.h"
#include "platform/debug_output.h"
#include "platform/free_memory.h"
#include "platform/hand_off_marker.h"

namespace {

const QString kBlank = QStringLiteral("about:blank");

// The heap is handed back once the pages have settled after a discard: the
// engine frees a page's parts over the next moments, and the page loaded next
// (the server list, on the way back from a game) takes and frees more.
constexpr int kReleaseMemoryDelayMs = 3000;

void ReleaseMemoryOnceSettled(bool afterDiscard) {
    static bool pending = false;
    static QTimer* timer = [] {
        auto* t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        t->setInterval(kReleaseMemoryDelayMs);
        QObject::connect(t, &QTimer::timeout, [] {
            pending = false;
            quorvane::platform::ReleaseFreeMemory();
        });
        return t;
    }();
    pending = pending || afterDiscard;
    if (pending) timer->start();
}

// The schemes the engine loads itself; the page script reports navigations to
// any other address instead of letting the engine fail on them.
const char* const kLoadableSchemes[] = {
    "http:", "https:", "about:", "data:", "blob:", "file:", "javascript:"};

// A string as a script literal.
QString JsonText(const QString& text) {
    const QString wrapped =
        QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return wrapped.mid(1, wrapped.size() - 2);  // ["…"] → "…"
}

}  // namespace

class BridgePage : public QWebEnginePage {
  public:
    BridgePage(QWebEngineProfile* profile, WebEngineBrowserEngine* engine)
        : QWebEnginePage(profile), engine_(engine) {}

  protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override {
        if (message.startsWith(engine_->secret_))
            engine_->OnPageReport(message.mid(engine_->secret_.size()));
    }

  private:
    WebEngineBrowserEngine* engine_;
};

// Tells the engine when a top-level document is asked of the network.
class TopRequestWatcher : public QWebEngineUrlRequestInterceptor {
  public:
    explicit TopRequestWatcher(WebEngineBrowserEngine* engine)
        : QWebEngineUrlRequestInterceptor(engine), engine_(engine) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (info.resourceType() != QWebEngineUrlRequestInfo::ResourceTypeMainFrame) return;
        // Said on the engine's own thread, whichever thread asks.
        QMetaObject::invokeMethod(engine_, &BrowserEngine::TopRequestStarted, Qt::QueuedConnection);
    }

  private:
    WebEngineBrowserEngine* engine_;
};

namespace {

// Switches for the engine, read once when its first profile is made. The
// audio service, which the engine starts in a process of its own for the
// first page that plays sound, otherwise stays for the rest of the evening.
void AddEngineSwitches() {
    static const char kVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";
    QByteArray switches = qgetenv(kVariable);
    if (!switches.contains("--audio-service-quit-timeout-ms"))
        switches += " --audio-service-quit-timeout-ms=2000";
    qputenv(kVariable, switches.trimmed());
}

}  // namespace

QWebEngineProfile* SharedBrowserProfile() {
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        AddEngineSwitches();
        profile = new QWebEngineProfile(QStringLiteral("Quorvane"), QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
        WebPlatform::serveNotifications(profile);
    }
    return profile;
}

void ChooseBrowserCompositing() {
    // The engine asks for contexts shared with the application's global one,
    // which the application makes at start-up: valid whenever OpenGL works.
    const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    if (!shared || !shared->isValid()) QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

std::unique_ptr<BrowserEngine> MakeWebEngineBrowserEngine(QWidget* parent) {
    return std::make_unique<WebEngineBrowserEngine>(parent);
}

QString WebEngineBrowserEngine::BridgeScript(const QString& secret) {
    static const char* const kTemplate = R"JS(
(function () {
  var secret = %1;
  var marker = %2;
  function report(kind, url, title) {
    console.debug(secret + JSON.stringify({kind: kind, url: String(url), top: window === window.top,
                                           title: title === undefined ? '' : String(title)}));
  }
  var schemes = %3;
  function loadable(url) {
    var lower = String(url).toLowerCase();
    return schemes.some(function (scheme) { return lower.indexOf(scheme) === 0; });
  }
  report('commit', location.href);
  if (window.navigation) {
    navigation.addEventListener('navigate', function (e) {
      var url = e.destination.url;
      if (url.indexOf(marker) >= 0 && !loadable(url)) {
        if (e.cancelable) e.preventDefault();
        report('commit', url);
      }
    });
  }
  // A frame whose address the engine cannot load never gets a document of its
  // own, so its address is read from the element.
  var seen = new WeakMap();
  function checkFrame(el) {
    var src = el.getAttribute('src');
    if (src && src.indexOf(marker) >= 0 && !loadable(src) && seen.get(el) !== src) {
      seen.set(el, src);
      report('commit', src);
    }
  }
  function scan(node) {
    if (node.nodeType !== 1) return;
    if (node.tagName === 'IFRAME' || node.tagName === 'FRAME') checkFrame(node);
    if (node.querySelectorAll) node.querySelectorAll('iframe,frame').forEach(checkFrame);
  }
  new MutationObserver(function (mutations) {
    mutations.forEach(function (m) {
      if (m.type === 'attributes') checkFrame(m.target);
      else m.addedNodes.forEach(scan);
    });
  }).observe(document, {subtree: true, childList: true, attributes: true, attributeFilter: ['src']});
  window.addEventListener('load', function () { report('load', location.href, document.title); });
})();
)JS";
    QJsonArray schemes;
    for (const char* scheme : kLoadableSchemes) schemes.append(QString::fromLatin1(scheme));
    return QString::fromUtf8(kTemplate).arg(
        JsonText(secret),
        JsonText(QString::fromLatin1(kHandOffMarkerSearch.data(),
                                     static_cast<int>(kHandOffMarkerSearch.size()))),
        QString::fromUtf8(QJsonDocument(schemes).toJson(QJsonDocument::Compact)));
}

bool WebEngineBrowserEngine::IsLoadable(const QString& url) {
    for (const char* scheme : kLoadableSchemes)
        if (url.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) return true;
    return false;
}

WebEngineBrowserEngine::WebEngineBrowserEngine(QWidget* parent)
    : secret_(QStringLiteral("\x01qv%1:")
                  .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'))),
      host_(new QWidget(parent)),
      platform_(new WebPlatform(this)) {
    connect(platform_, &WebPlatform::fullScreenRequested, this,
            &BrowserEngine::fullScreenRequested);
    connect(platform_, &WebPlatform::notificationRequested, this,
            &BrowserEngine::notificationRequested);
    connect(platform_, &WebPlatform::downloadEnded, this, &BrowserEngine::downloadEnded);
    host_->setAutoFillBackground(true);
    // The engine's view draws through a scene-graph widget. Added to a window
    // already on the screen, such a widget makes the window be made anew
    // (unmapped, mapped and painted again), so the launcher would flicker when
    // its engine starts; one present from the outset spares that.
    sceneStandIn_ = new QQuickWidget(host_);
    sceneStandIn_->hide();
    auto* layout = new QVBoxLayout(host_);
    layout->setContentsMargins(0, 0, 0, 0);
}

void WebEngineBrowserEngine::Start() {
    if (page_) return;
    page_ = std::make_unique<BridgePage>(SharedBrowserProfile(), this);
    QWebEngineScript bridge;
    bridge.setName(QStringLiteral("quorvane-bridge"));
    bridge.setInjectionPoint(QWebEngineScript::DocumentCreation);
    bridge.setWorldId(QWebEngineScript::ApplicationWorld);
    bridge.setRunsOnSubFrames(true);
    bridge.setSourceCode(BridgeScript(secret_));
    page_->scripts().insert(bridge);
    page_->setUrlRequestInterceptor(new TopRequestWatcher(this));
    if (background_.isValid()) page_->setBackgroundColor(background_);

    view_ = new QWebEngineView(host_);
    view_->setPage(page_.get());
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    host_->layout()->addWidget(view_);
    platform_->attach(page_.get(), view_);
    const bool hadFocus = host_->hasFocus();
    host_->setFocusProxy(view_);
    if (hadFocus) view_->setFocus(Qt::OtherFocusReason);

    connect(page_.get(), &QWebEnginePage::loadStarted, this, [this] { busy_ = true; });
    connect(page_.get(), &QWebEnginePage::loadFinished, this,
            &WebEngineBrowserEngine::OnLoadFinished);
    connect(page_.get(), &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                OnRenderProcessEnded(static_cast<int>(status), exitCode);
            });
    connect(page_.get(), &QWebEnginePage::visibleChanged, this, [this](bool visible) {
        if (!visible) DiscardOnceIdle();
    });
    // After the window has heard of its blank page, not before.
    connect(this, &BrowserEngine::DocumentComplete, this, [this](const QString& url) {
        if (url == kBlank) DiscardOnceIdle();
    });
    for (const auto& call : std::exchange(beforeStart_, {})) call();
}

void WebEngineBrowserEngine::DiscardOnceIdle() {
    // On the next turn of the loop, unless a load has been asked for since:
    // the blank page that just completed may already be on its way out.
    QTimer::singleShot(0, this, [this, loads = loadsRequested_] {
        if (loads == loadsRequested_) DiscardIfIdle();
    });
}

void WebEngineBrowserEngine::DiscardIfIdle() {
    if (!page_ || page_->isVisible() || busy_ || hasDeferred_ || location_ != kBlank ||
        page_->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        return;
    // The page's old drawing parts go a moment after the discard and draw
    // through the window until then: the window hears of the discard once
    // they are gone, and only while the page is still discarded.
    auto parts = std::make_shared<int>(0);
    const auto told = [this, parts] {
        if (--*parts == 0 && page_ &&
            page_->lifecycleState() == QWebEnginePage::LifecycleState::Discarded)
            emit pageDiscarded();
    };
    ++*parts;
    for (QQuickWidget* part : view_->findChildren<QQuickWidget*>()) {
        ++*parts;
        connect(part, &QObject::destroyed, this, told);
    }
    page_->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
    told();
    ReleaseMemoryOnceSettled(true);
}

bool WebEngineBrowserEngine::Started(std::function<void()> call) {
    if (page_) return true;
    beforeStart_.push_back(std::move(call));
    return false;
}

WebEngineBrowserEngine::~WebEngineBrowserEngine() {
    delete view_.data();  // the view must go before the page it shows
}

QWidget* WebEngineBrowserEngine::View() {
    return host_;
}

void WebEngineBrowserEngine::Navigate(const QString& url) {
    if (!Started([this, url] { Navigate(url); })) return;
    if (!IsLoadable(url)) {
        // The engine cannot load it (a hand-off address, say): complete it as a
        // navigation that went nowhere, on the next turn of the loop like any
        // real completion.
        QTimer::singleShot(0, this, [this, url] { emit NavigateComplete2(url); });
        return;
    }
    if (url == kBlank) {
        hasDeferred_ = false;
        blankPending_ = true;
        StartLoad(url);
        return;
    }
    if (blankPending_) {
        deferredUrl_ = url;
        hasDeferred_ = true;
        return;
    }
    StartLoad(url);
}

void WebEngineBrowserEngine::StartLoad(const QString& url) {
    platform_->pageLeft();
    if (page_->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        page_->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    ++loadsRequested_;
    page_->setUrl(QUrl(url));
}

void WebEngineBrowserEngine::Stop() {
    if (!Started([this] { Stop(); })) return;
    hasDeferred_ = false;
    // A blank page on its way is itself the stop of what was showing: the
    // engine's own stop would cancel it and leave the old page running.
    if (blankPending_) return;
    page_->triggerAction(QWebEnginePage::Stop);
}

void WebEngineBrowserEngine::StartDeferredLoad() {
    blankPending_ = false;
    if (!hasDeferred_) return;
    hasDeferred_ = false;
    StartLoad(deferredUrl_);
}

void WebEngineBrowserEngine::OnLoadFinished(bool ok) {
    busy_ = false;
    ReleaseMemoryOnceSettled(false);
    if (!ok) {
        // A blank page that failed to commit must not hold back the next load.
        if (blankPending_) StartDeferredLoad();
        return;
    }
    // The bridge script never sees the load event of a blank document, and the
    // engine may tell of the finished load before the page has told of its
    // commit. So the top document is asked what it is once the engine is done;
    // whichever of this answer and the page's own report comes first completes
    // the document, and only once.
    page_->runJavaScript(QStringLiteral("[location.href, document.title]"),
                         QWebEngineScript::ApplicationWorld,
                         [self = QPointer<WebEngineBrowserEngine>(this)](const QVariant& answer) {
                             const QVariantList fields = answer.toList();
                             if (!self || fields.size() != 2) return;
                             const QString url = fields[0].toString();
                             if (!IsLoadable(url)) return;
                             if (url != self->location_) {
                                 self->location_ = url;
                                 self->hasDocument_ = true;
                             } else if (self->topLoadReported_) {
                                 return;
                             }
                             self->topLoadReported_ = true;
                             self->title_ = fields[1].toString();
                             emit self->DocumentComplete(url);
                         });
}

void WebEngineBrowserEngine::OnRenderProcessEnded(int status, int exitCode) {
    if (status == QWebEnginePage::NormalTerminationStatus) return;
    const bool reload = crashPolicy_.ShouldReload(RenderCrashPolicy::Clock::now());
    const QString notice =
        QStringLiteral("页面渲染进程异常结束：%1 (status %2, exit code %3), %4")
            .arg(LocationURL(), QString::number(status), QString::number(exitCode),
                 reload
                     ? QStringLiteral("reloading")
                     : QStringLiteral("not reloaded: the last reload was less than a minute ago"));
    quorvane::platform::OutputDebugString(notice.toStdU16String());
    if (reload) {
        ++loadsRequested_;
        page_->triggerAction(QWebEnginePage::Reload);
    }
}

void WebEngineBrowserEngine::SetBackgroundColor(const QColor& colour) {
    background_ = colour;
    QPalette palette = host_->palette();
    palette.setColor(QPalette::Window, colour);
    host_->setPalette(palette);
    if (page_) page_->setBackgroundColor(colour);
}

qint64 WebEngineBrowserEngine::RenderProcessId() const {
    return page_ ? page_->renderProcessPid() : 0;
}

void WebEngineBrowserEngine::Refresh() {
    if (!Started([this] { Refresh(); })) return;
    platform_->pageLeft();
    ++loadsRequested_;
    page_->triggerAction(QWebEnginePage::Reload);
}

void WebEngineBrowserEngine::setPageRole(PageRole role) {
    platform_->setRole(role);
}

void WebEngineBrowserEngine::setSiteHosts(const QStringList& deploymentHosts,
                                          const QString& gameAddress) {
    platform_->setSiteHosts(deploymentHosts, gameAddress);
}

void WebEngineBrowserEngine::exitFullScreen() {
    platform_->exitFullScreen();
}

void WebEngineBrowserEngine::prepareWindowRelease() {
    // The stand-in holds the window's drawing context and must go while that
    // still exists. A new one, which has drawn nothing yet, makes the window
    // come back ready for the page's view, as at the outset.
    delete sceneStandIn_.data();
    sceneStandIn_ = new QQuickWidget(host_);
    sceneStandIn_->hide();
}

QString WebEngineBrowserEngine::LocationURL() const {
    if (!location_.isEmpty() || !page_) return location_;
    return page_->url().toString();
}

void WebEngineBrowserEngine::ExecScript(const QString& code) {
    if (!Started([this, code] { ExecScript(code); })) return;
    page_->runJavaScript(code);
}

void WebEngineBrowserEngine::ClearBodyBorderWidth() {
    if (!Started([this] { ClearBodyBorderWidth(); })) return;
    page_->runJavaScript(QStringLiteral(
        "if (document.body && document.body.style) document.body.style.borderWidth = '';"));
}

void WebEngineBrowserEngine::OnPageReport(const QString& json) {
    const QJsonObject report = QJsonDocument::fromJson(json.toUtf8()).object();
    const QString kind = report.value(QStringLiteral("kind")).toString();
    const QString url = report.value(QStringLiteral("url")).toString();
    const bool top = report.value(QStringLiteral("top")).toBool();
    if (kind == QLatin1String("commit")) {
        if (top && IsLoadable(url)) {
            // A new document: what the old one opened or asked for ends.
            platform_->pageLeft();
            location_ = url;
            title_.clear();
            hasDocument_ = true;
            topLoadReported_ = false;
        }
        emit NavigateComplete2(url);
        if (top && url == kBlank && blankPending_) StartDeferredLoad();
    } else if (kind == QLatin1String("load")) {
        if (top) {
            if (topLoadReported_) return;
            topLoadReported_ = true;
            title_ = report.value(QStringLiteral("title")).toString();
        }
        emit DocumentComplete(url);
    }
}
