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

void releaseMemoryOnceSettled(bool afterDiscard) {
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

// A load waiting for a blank page to arrive starts anyway after this long. A
// blank page takes a tenth of a second or so, the first one, which waits for
// the engine's first render process, up to a second or two on a busy machine.
// But the engine, waking a discarded page, has been seen (rarely) never to
// report the blank page it reloads, and the game would then never load.
constexpr int kBlankPageWaitMs = 5000;

// The schemes the engine loads itself; the page script reports navigations to
// any other address instead of letting the engine fail on them.
const char* const kLoadableSchemes[] = {
    "http:", "https:", "about:", "data:", "blob:", "file:", "javascript:"};

// A string as a script literal.
QString jsonText(const QString& text) {
    const QString wrapped =
        QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return wrapped.mid(1, wrapped.size() - 2);  // ["…"] → "…"
}

}  // namespace

class BridgePage : public QWebEnginePage {
  public:
    BridgePage(QWebEngineProfile* profile, WebEngineBrowserEngine* engine)
        : QWebEnginePage(profile), m_engine(engine) {}

  protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override {
        if (message.startsWith(m_engine->m_secret))
            m_engine->onPageReport(message.mid(m_engine->m_secret.size()));
    }

  private:
    WebEngineBrowserEngine* m_engine;
};

// Tells the engine when a top-level document is asked of the network.
class TopRequestWatcher : public QWebEngineUrlRequestInterceptor {
  public:
    explicit TopRequestWatcher(WebEngineBrowserEngine* engine)
        : QWebEngineUrlRequestInterceptor(engine), m_engine(engine) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (info.resourceType() != QWebEngineUrlRequestInfo::ResourceTypeMainFrame) return;
        // Said on the engine's own thread, whichever thread asks.
        QMetaObject::invokeMethod(m_engine, &BrowserEngine::topRequestStarted,
                                  Qt::QueuedConnection);
    }

  private:
    WebEngineBrowserEngine* m_engine;
};

namespace {

// Switches for the engine, read once when its first profile is made. The
// audio service, which the engine starts in a process of its own for the
// first page that plays sound, otherwise stays for the rest of the evening.
void addEngineSwitches() {
    static const char kVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";
    QByteArray switches = qgetenv(kVariable);
    if (!switches.contains("--audio-service-quit-timeout-ms"))
        switches += " --audio-service-quit-timeout-ms=2000";
    qputenv(kVariable, switches.trimmed());
}

}  // namespace

QWebEngineProfile* sharedBrowserProfile() {
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        addEngineSwitches();
        profile = new QWebEngineProfile(QStringLiteral("Quorvane"), QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
        WebPlatform::serveNotifications(profile);
    }
    return profile;
}

void chooseBrowserCompositing() {
    // The engine asks for contexts shared with the application's global one,
    // which the application makes at start-up: valid whenever OpenGL works.
    const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    if (!shared || !shared->isValid()) QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

std::unique_ptr<BrowserEngine> makeWebEngineBrowserEngine(QWidget* parent) {
    return std::make_unique<WebEngineBrowserEngine>(parent);
}

QString WebEngineBrowserEngine::bridgeScript(const QString& secret) {
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
        jsonText(secret),
        jsonText(QString::fromLatin1(kHandOffMarkerSearch.data(),
                                     static_cast<int>(kHandOffMarkerSearch.size()))),
        QString::fromUtf8(QJsonDocument(schemes).toJson(QJsonDocument::Compact)));
}

bool WebEngineBrowserEngine::isLoadable(const QString& url) {
    for (const char* scheme : kLoadableSchemes)
        if (url.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) return true;
    return false;
}

WebEngineBrowserEngine::WebEngineBrowserEngine(QWidget* parent)
    : m_secret(QStringLiteral("\x01qv%1:")
                   .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'))),
      m_host(new QWidget(parent)),
      m_platform(new WebPlatform(this)) {
    connect(m_platform, &WebPlatform::fullScreenRequested, this,
            &BrowserEngine::fullScreenRequested);
    connect(m_platform, &WebPlatform::notificationRequested, this,
            &BrowserEngine::notificationRequested);
    connect(m_platform, &WebPlatform::downloadEnded, this, &BrowserEngine::downloadEnded);
    m_blankWait = new QTimer(this);
    m_blankWait->setSingleShot(true);
    m_blankWait->setInterval(kBlankPageWaitMs);
    connect(m_blankWait, &QTimer::timeout, this, [this] {
        if (!m_hasDeferred) return;
        quorvane::platform::OutputDebugString(
            QStringLiteral("空白页 %1 ms 内没有完成，照常打开：%2")
                .arg(QString::number(kBlankPageWaitMs), m_deferredUrl)
                .toStdU16String());
        startDeferredLoad();
    });
    m_host->setAutoFillBackground(true);
    // The engine's view draws through a scene-graph widget. Added to a window
    // already on the screen, such a widget makes the window be made anew
    // (unmapped, mapped and painted again), so the launcher would flicker when
    // its engine starts; one present from the outset spares that.
    m_sceneStandIn = new QQuickWidget(m_host);
    m_sceneStandIn->hide();
    auto* layout = new QVBoxLayout(m_host);
    layout->setContentsMargins(0, 0, 0, 0);
}

void WebEngineBrowserEngine::start() {
    if (m_page) return;
    m_page = std::make_unique<BridgePage>(sharedBrowserProfile(), this);
    QWebEngineScript bridge;
    bridge.setName(QStringLiteral("quorvane-bridge"));
    bridge.setInjectionPoint(QWebEngineScript::DocumentCreation);
    bridge.setWorldId(QWebEngineScript::ApplicationWorld);
    bridge.setRunsOnSubFrames(true);
    bridge.setSourceCode(bridgeScript(m_secret));
    m_page->scripts().insert(bridge);
    m_page->setUrlRequestInterceptor(new TopRequestWatcher(this));
    if (m_background.isValid()) m_page->setBackgroundColor(m_background);

    m_view = new QWebEngineView(m_host);
    m_view->setPage(m_page.get());
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_host->layout()->addWidget(m_view);
    m_platform->attach(m_page.get(), m_view);
    const bool hadFocus = m_host->hasFocus();
    m_host->setFocusProxy(m_view);
    if (hadFocus) m_view->setFocus(Qt::OtherFocusReason);

    connect(m_page.get(), &QWebEnginePage::loadStarted, this, [this] { m_busy = true; });
    connect(m_page.get(), &QWebEnginePage::loadFinished, this,
            &WebEngineBrowserEngine::onLoadFinished);
    connect(m_page.get(), &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                onRenderProcessEnded(static_cast<int>(status), exitCode);
            });
    connect(m_page.get(), &QWebEnginePage::lifecycleStateChanged, this,
            [this](QWebEnginePage::LifecycleState state) {
                const bool active = state == QWebEnginePage::LifecycleState::Active;
                if (active && m_wasDiscarded) m_blankPending = true;
                m_wasDiscarded = state == QWebEnginePage::LifecycleState::Discarded;
            });
    connect(m_page.get(), &QWebEnginePage::visibleChanged, this, [this](bool visible) {
        if (!visible) discardOnceIdle(m_loadsRequested);
    });
    for (const auto& call : std::exchange(m_beforeStart, {})) call();
}

void WebEngineBrowserEngine::discardOnceIdle(int loads) {
    // On the next turn of the loop, unless a load has been asked for since
    // `loads`: the blank page may already be on its way out.
    QTimer::singleShot(0, this, [this, loads] {
        if (loads == m_loadsRequested) discardIfIdle();
    });
}

void WebEngineBrowserEngine::discardIfIdle() {
    if (!m_page || m_page->isVisible() || m_busy || m_hasDeferred || m_location != kBlank ||
        m_page->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        return;
    // The page's old drawing parts go a moment after the discard and draw
    // through the window until then: the window hears of the discard once
    // they are gone, and only while the page is still discarded.
    auto parts = std::make_shared<int>(0);
    const auto told = [this, parts] {
        if (--*parts == 0 && m_page &&
            m_page->lifecycleState() == QWebEnginePage::LifecycleState::Discarded)
            emit pageDiscarded();
    };
    ++*parts;
    for (QQuickWidget* part : m_view->findChildren<QQuickWidget*>()) {
        ++*parts;
        connect(part, &QObject::destroyed, this, told);
    }
    m_page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
    told();
    releaseMemoryOnceSettled(true);
}

bool WebEngineBrowserEngine::started(std::function<void()> call) {
    if (m_page) return true;
    m_beforeStart.push_back(std::move(call));
    return false;
}

WebEngineBrowserEngine::~WebEngineBrowserEngine() {
    delete m_view.data();  // the view must go before the page it shows
}

QWidget* WebEngineBrowserEngine::view() {
    return m_host;
}

void WebEngineBrowserEngine::navigate(const QString& url) {
    if (!started([this, url] { navigate(url); })) return;
    if (!isLoadable(url)) {
        // The engine cannot load it (a hand-off address, say): complete it as a
        // navigation that went nowhere, on the next turn of the loop like any
        // real completion.
        QTimer::singleShot(0, this, [this, url] { emit navigationCompleted(url); });
        return;
    }
    if (url == kBlank) {
        m_hasDeferred = false;
        m_blankPending = true;
        startLoad(url);
        return;
    }
    if (m_blankPending) {
        deferLoad(url);
        return;
    }
    startLoad(url);
}

void WebEngineBrowserEngine::deferLoad(const QString& url) {
    m_deferredUrl = url;
    m_hasDeferred = true;
    m_blankWait->start();
}

void WebEngineBrowserEngine::startLoad(const QString& url) {
    m_platform->pageLeft();
    ++m_loadsRequested;
    if (m_page->lifecycleState() != QWebEnginePage::LifecycleState::Active) {
        // Waking reloads the blank page the engine held; the load asked for
        // follows it, as after any blank page.
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
        if (m_blankPending) {
            if (url != kBlank) deferLoad(url);
            return;
        }
    }
    m_page->setUrl(QUrl(url));
}

void WebEngineBrowserEngine::stop() {
    if (!started([this] { stop(); })) return;
    m_hasDeferred = false;
    // A blank page on its way is itself the stop of what was showing: the
    // engine's own stop would cancel it and leave the old page running.
    if (m_blankPending) return;
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebEngineBrowserEngine::startDeferredLoad() {
    m_blankPending = false;
    m_blankWait->stop();
    if (!m_hasDeferred) return;
    m_hasDeferred = false;
    startLoad(m_deferredUrl);
}

void WebEngineBrowserEngine::onLoadFinished(bool ok) {
    m_busy = false;
    releaseMemoryOnceSettled(false);
    if (!ok) {
        // A blank page that failed to commit must not hold back the next load.
        if (m_blankPending) startDeferredLoad();
        return;
    }
    // The bridge script never sees the load event of a blank document, and the
    // engine may tell of the finished load before the page has told of its
    // commit. So the top document is asked what it is once the engine is done;
    // whichever of this answer and the page's own report comes first completes
    // the document, and only once.
    m_page->runJavaScript(QStringLiteral("[location.href, document.title]"),
                          QWebEngineScript::ApplicationWorld,
                          [self = QPointer<WebEngineBrowserEngine>(this),
                           loads = m_loadsRequested](const QVariant& answer) {
                              const QVariantList fields = answer.toList();
                              if (!self || fields.size() != 2) return;
                              const QString url = fields[0].toString();
                              if (!isLoadable(url)) return;
                              // A blank page the bridge never heard commit
                              // still lets the load waiting on it go.
                              if (url == kBlank && self->m_blankPending) self->startDeferredLoad();
                              if (url != self->m_location) {
                                  self->m_location = url;
                                  self->m_hasDocument = true;
                              } else if (self->m_topLoadReported) {
                                  return;
                              }
                              self->m_topLoadReported = true;
                              self->m_title = fields[1].toString();
                              emit self->documentCompleted(url);
                              // After the window has heard of its blank page,
                              // and only if nothing was asked for since it
                              // finished: the answer may come after the next
                              // load has started.
                              if (self && url == kBlank) self->discardOnceIdle(loads);
                          });
}

void WebEngineBrowserEngine::onRenderProcessEnded(int status, int exitCode) {
    if (status == QWebEnginePage::NormalTerminationStatus) return;
    const bool reload = m_crashPolicy.shouldReload(RenderCrashPolicy::Clock::now());
    const QString notice =
        QStringLiteral("页面渲染进程异常结束：%1 (status %2, exit code %3), %4")
            .arg(location(), QString::number(status), QString::number(exitCode),
                 reload
                     ? QStringLiteral("reloading")
                     : QStringLiteral("not reloaded: the last reload was less than a minute ago"));
    quorvane::platform::OutputDebugString(notice.toStdU16String());
    if (reload) {
        ++m_loadsRequested;
        m_page->triggerAction(QWebEnginePage::Reload);
    }
}

void WebEngineBrowserEngine::setBackgroundColor(const QColor& colour) {
    m_background = colour;
    QPalette palette = m_host->palette();
    palette.setColor(QPalette::Window, colour);
    m_host->setPalette(palette);
    if (m_page) m_page->setBackgroundColor(colour);
}

qint64 WebEngineBrowserEngine::renderProcessId() const {
    return m_page ? m_page->renderProcessPid() : 0;
}

void WebEngineBrowserEngine::refresh() {
    if (!started([this] { refresh(); })) return;
    m_platform->pageLeft();
    ++m_loadsRequested;
    m_page->triggerAction(QWebEnginePage::Reload);
}

void WebEngineBrowserEngine::setPageRole(PageRole role) {
    m_platform->setRole(role);
}

void WebEngineBrowserEngine::setSiteHosts(const QStringList& deploymentHosts,
                                          const QString& gameAddress) {
    m_platform->setSiteHosts(deploymentHosts, gameAddress);
}

void WebEngineBrowserEngine::exitFullScreen() {
    m_platform->exitFullScreen();
}

void WebEngineBrowserEngine::prepareWindowRelease() {
    // The stand-in holds the window's drawing context and must go while that
    // still exists. A new one, which has drawn nothing yet, makes the window
    // come back ready for the page's view, as at the outset.
    delete m_sceneStandIn.data();
    m_sceneStandIn = new QQuickWidget(m_host);
    m_sceneStandIn->hide();
}

QString WebEngineBrowserEngine::location() const {
    if (!m_location.isEmpty() || !m_page) return m_location;
    return m_page->url().toString();
}

void WebEngineBrowserEngine::runScript(const QString& code) {
    if (!started([this, code] { runScript(code); })) return;
    m_page->runJavaScript(code);
}

void WebEngineBrowserEngine::clearBodyBorderWidth() {
    if (!started([this] { clearBodyBorderWidth(); })) return;
    m_page->runJavaScript(QStringLiteral(
        "if (document.body && document.body.style) document.body.style.borderWidth = '';"));
}

void WebEngineBrowserEngine::onPageReport(const QString& json) {
    const QJsonObject report = QJsonDocument::fromJson(json.toUtf8()).object();
    const QString kind = report.value(QStringLiteral("kind")).toString();
    const QString url = report.value(QStringLiteral("url")).toString();
    const bool top = report.value(QStringLiteral("top")).toBool();
    if (kind == QLatin1String("commit")) {
        if (top && isLoadable(url)) {
            // A new document: what the old one opened or asked for ends.
            m_platform->pageLeft();
            m_location = url;
            m_title.clear();
            m_hasDocument = true;
            m_topLoadReported = false;
        }
        emit navigationCompleted(url);
        if (top && url == kBlank && m_blankPending) startDeferredLoad();
    } else if (kind == QLatin1String("load")) {
        if (top) {
            if (m_topLoadReported) return;
            m_topLoadReported = true;
            m_title = report.value(QStringLiteral("title")).toString();
        }
        emit documentCompleted(url);
    }
}
