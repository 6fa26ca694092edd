#include "browser/web_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNavigationRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineNotification>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "browser/popup_window.h"
#include "platform/debug_output.h"
#include "platform/shell_open.h"

namespace {

void notice(const QString& text) {
    quorvane::platform::OutputDebugString(text.toStdU16String());
}

std::optional<PageRequest> requestFor(QWebEnginePage::Feature feature) {
    switch (feature) {
        case QWebEnginePage::Notifications:
            return PageRequest::Notifications;
        case QWebEnginePage::Geolocation:
            return PageRequest::Location;
        case QWebEnginePage::MediaAudioCapture:
            return PageRequest::Microphone;
        case QWebEnginePage::MediaVideoCapture:
            return PageRequest::Camera;
        case QWebEnginePage::MediaAudioVideoCapture:
            return PageRequest::CameraAndMicrophone;
        case QWebEnginePage::MouseLock:
            return PageRequest::PointerLock;
        case QWebEnginePage::DesktopVideoCapture:
            return PageRequest::ScreenCapture;
        case QWebEnginePage::DesktopAudioVideoCapture:
            return PageRequest::ScreenCaptureWithSound;
    }
    return std::nullopt;
}

NewWindowKind kindOf(QWebEngineNewWindowRequest::DestinationType destination) {
    switch (destination) {
        case QWebEngineNewWindowRequest::InNewDialog:
            return NewWindowKind::Dialog;
        case QWebEngineNewWindowRequest::InNewTab:
            return NewWindowKind::Tab;
        case QWebEngineNewWindowRequest::InNewBackgroundTab:
            return NewWindowKind::BackgroundTab;
        case QWebEngineNewWindowRequest::InNewWindow:
            break;
    }
    return NewWindowKind::Window;
}

// The one window whose pages' notifications the player sees: the game's.
QPointer<WebPlatform>& notificationWindow() {
    static QPointer<WebPlatform> window;
    return window;
}

QString downloadFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    QDir().mkpath(folder);
    return folder;
}

}  // namespace

WebPlatform::WebPlatform(QObject* parent) : QObject(parent) {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

WebPlatform::~WebPlatform() {
    for (const QPointer<PopupWindow>& popup : m_popups) delete popup.data();
}

void WebPlatform::serveNotifications(QWebEngineProfile* profile) {
    profile->setNotificationPresenter([](std::unique_ptr<QWebEngineNotification> notification) {
        WebPlatform* window = notificationWindow();
        if (!window) {
            notification->close();
            return;
        }
        std::shared_ptr<QWebEngineNotification> page(std::move(notification));
        auto shown = std::make_shared<PageNotification>(
            page->title(), page->message(), [page](PageNotification::Event event) {
                switch (event) {
                    case PageNotification::Event::Shown:
                        page->show();
                        break;
                    case PageNotification::Event::Clicked:
                        page->click();
                        break;
                    case PageNotification::Event::Closed:
                        page->close();
                        break;
                }
            });
        emit window->notificationRequested(std::move(shown));
    });
}

void WebPlatform::setRole(PageRole role) {
    m_role = role;
    if (role == PageRole::Game) notificationWindow() = this;
    if (m_page) applySettings(m_page, role, m_page->url());
}

void WebPlatform::setSiteHosts(const QStringList& deploymentHosts, const QString& gameAddress) {
    m_site.setDeploymentHosts(deploymentHosts);
    m_site.setGameAddress(gameAddress);
}

void WebPlatform::attach(QWebEnginePage* page, QWidget* view) {
    m_page = page;
    m_view = view;
    watch(page, m_role);
    connect(page, &QWebEnginePage::fullScreenRequested, this, &WebPlatform::onFullScreen);
    connect(page->profile(), &QWebEngineProfile::downloadRequested, this, &WebPlatform::onDownload);
}

void WebPlatform::watch(QWebEnginePage* page, PageRole role) {
    applySettings(page, role, page->url());
    connect(page, &QWebEnginePage::navigationRequested, this,
            [this, page](QWebEngineNavigationRequest& request) {
                if (request.isMainFrame()) applySettings(page, roleOf(page), request.url());
            });
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
            [this, page](const QUrl& origin, QWebEnginePage::Feature feature) {
                onPermission(page, origin, feature);
            });
    connect(page, &QWebEnginePage::newWindowRequested, this,
            [this, page](QWebEngineNewWindowRequest& request) { onNewWindow(page, request); });
    // Neither the disk nor protocol handlers are a game's business.
    connect(page, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(page, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
}

void WebPlatform::applySettings(QWebEnginePage* page, PageRole role, const QUrl& address) const {
    // The engine decides these from settings of the whole page, so they
    // follow the document the page is going to. Full screen that the page may
    // not have is refused by the engine itself at once.
    const RequestContext context{role, m_site.contains(address)};
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled,
                           allows(PageRequest::FullScreen, context));
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture,
                           !allows(PageRequest::SoundWithoutGesture, context));
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste,
                           allows(PageRequest::ClipboardRead, context));
}

PageRole WebPlatform::roleOf(const QWebEnginePage* page) const {
    return page == m_page ? m_role : PageRole::Popup;
}

RequestContext WebPlatform::contextFor(const QWebEnginePage* page, const QUrl& origin,
                                       bool playerGesture) const {
    return RequestContext{roleOf(page), m_site.contains(origin), playerGesture};
}

bool WebPlatform::owns(const QWebEnginePage* page) const {
    if (!page) return false;
    if (page == m_page) return true;
    return std::any_of(m_popups.begin(), m_popups.end(),
                       [page](const QPointer<PopupWindow>& p) { return p && p->page() == page; });
}

QWidget* WebPlatform::windowOf(const QWebEnginePage* page) const {
    for (const QPointer<PopupWindow>& popup : m_popups)
        if (popup && popup->page() == page) return popup;
    return m_view ? m_view->window() : nullptr;
}

bool WebPlatform::insideOurViews(const QObject* object) const {
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (!widget) return false;
    if (m_view && (m_view == widget || m_view->isAncestorOf(widget))) return true;
    return std::any_of(m_popups.begin(), m_popups.end(), [widget](const QPointer<PopupWindow>& p) {
        return p && p->isAncestorOf(widget);
    });
}

bool WebPlatform::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::KeyPress) && event->spontaneous() &&
        insideOurViews(watched))
        m_playerGesture = true;
    return false;
}

void WebPlatform::onPermission(QWebEnginePage* page, const QUrl& origin,
                               QWebEnginePage::Feature feature) {
    const std::optional<PageRequest> request = requestFor(feature);
    const bool granted = request && allows(*request, contextFor(page, origin));
    page->setFeaturePermission(
        origin, feature,
        granted ? QWebEnginePage::PermissionGrantedByUser : QWebEnginePage::PermissionDeniedByUser);
}

void WebPlatform::onFullScreen(QWebEngineFullScreenRequest request) {
    if (!request.toggleOn()) {
        request.accept();
        if (std::exchange(m_fullScreen, false)) emit fullScreenRequested(false);
        return;
    }
    // A frame may ask as well, when the page lets it (allowfullscreen): the
    // page decides for its frames.
    if (!allows(PageRequest::FullScreen, contextFor(m_page, m_page->url()))) {
        // Seldom here: the page's settings refuse it first. A refused request
        // would leave the page's promise waiting for ever, so it is let in
        // and ended at once, which the page hears as full screen that ended.
        request.accept();
        m_page->triggerAction(QWebEnginePage::ExitFullScreen);
        return;
    }
    request.accept();
    if (!std::exchange(m_fullScreen, true)) emit fullScreenRequested(true);
}

void WebPlatform::exitFullScreen() {
    if (!std::exchange(m_fullScreen, false)) return;
    // The page hears of it from the engine; the window is told at once.
    if (m_page) m_page->triggerAction(QWebEnginePage::ExitFullScreen);
    emit fullScreenRequested(false);
}

void WebPlatform::pageLeft() {
    exitFullScreen();
    for (const QPointer<PopupWindow>& popup : std::exchange(m_popups, {}))
        if (popup) popup->close();
}

void WebPlatform::onNewWindow(QWebEnginePage* opener, QWebEngineNewWindowRequest& request) {
    const QUrl address = request.requestedUrl();
    const RequestContext context = contextFor(opener, opener->url(), request.isUserInitiated());
    const bool withinLimit =
        context.playerGesture && m_openLimit.tryOpen(WindowOpenLimit::Clock::now());
    switch (decideNewWindow(kindOf(request.destination()), address, context, withinLimit)) {
        case NewWindowTarget::ClientPopup:
            openPopup(opener, request);
            return;
        case NewWindowTarget::DefaultBrowser:
            // Not loaded here first: the address goes out as the page wrote it.
            ShellOpen(address.toString(QUrl::FullyEncoded));
            return;
        case NewWindowTarget::Refused:
            notice(QStringLiteral("新窗口被拒绝：%1 (%2)")
                       .arg(address.toString(QUrl::FullyEncoded),
                            !context.playerGesture
                                ? QStringLiteral("no click or key of the player's")
                            : !withinLimit ? QStringLiteral("too many windows this minute")
                                           : QStringLiteral("not a web address")));
            return;
    }
}

void WebPlatform::openPopup(QWebEnginePage* opener, QWebEngineNewWindowRequest& request) {
    // The player is to see the popup, which a full-screen game would cover.
    exitFullScreen();
    m_popups.erase(std::remove(m_popups.begin(), m_popups.end(), nullptr), m_popups.end());
    auto* popup = new PopupWindow(opener->profile(), windowOf(opener));
    m_popups.emplace_back(popup);
    watch(popup->page(), PageRole::Popup);
    request.openIn(popup->page());
    popup->showFor(request.requestedGeometry());
}

void WebPlatform::onDownload(QWebEngineDownloadRequest* download) {
    QWebEnginePage* page = download->page();
    if (!owns(page)) return;
    const RequestContext context =
        contextFor(page, page->url(), std::exchange(m_playerGesture, false));
    if (!allows(PageRequest::Download, context)) {
        notice(QStringLiteral("下载被拒绝：%1 (%2)")
                   .arg(download->url().toString(),
                        context.playerGesture ? QStringLiteral("not the game's page")
                                              : QStringLiteral("one download per click")));
        download->cancel();
        return;
    }
    const QDir folder(downloadFolder());
    const QString name = freeDownloadName(safeDownloadName(download->suggestedFileName()),
                                          [&folder](const QString& candidate) {
                                              return QFileInfo::exists(folder.filePath(candidate));
                                          });
    const QString path = folder.filePath(name);
    // The name is taken at once, so a second download started before this one
    // ends cannot pick it too; the engine writes over the empty file.
    QFile placeholder(path);
    if (name.isEmpty() || !placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        notice(QStringLiteral("下载失败：%1 (%2)").arg(path, placeholder.errorString()));
        download->cancel();
        emit downloadEnded(path, false);
        return;
    }
    placeholder.close();
    download->setDownloadDirectory(folder.path());
    download->setDownloadFileName(name);
    connect(download, &QWebEngineDownloadRequest::isFinishedChanged, this, [this, download, path] {
        if (!download->isFinished()) return;
        const bool saved = download->state() == QWebEngineDownloadRequest::DownloadCompleted;
        if (!saved && QFileInfo(path).size() == 0) QFile::remove(path);
        emit downloadEnded(path, saved);
    });
    download->accept();
}
