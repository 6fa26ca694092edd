#include "launcher/launcher_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QScreen>
#include <utility>

#include "browser/profile_url_cache.h"
#include "browser/webengine_engine.h"
#include "launcher/deployment.h"
#include "launcher/hand_off.h"
#include "platform/code_page.h"
#include "platform/desktop_shortcut.h"
#include "platform/shell_open.h"
#include "widgets/layout.h"

namespace {

std::string AnsiOf(const QString& text) {
    return quorvane::platform::ToAnsi(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

// Window actions asked for by the command server's workers: carried out on the
// GUI thread, never waited for.
class LauncherCommandActions : public quorvane::command::CommandActions {
  public:
    explicit LauncherCommandActions(LauncherWindow* form) : form_(form) {}
    void Navigate(std::u16string address) override {
        QMetaObject::invokeMethod(
            form_,
            [form = form_, address = QString::fromStdU16String(address)] {
                form->m_browser->navigate(address);
            },
            Qt::QueuedConnection);
    }
    void ShowTip(std::u16string, std::u16string, std::int32_t) override {}

  private:
    LauncherWindow* form_;
};

}  // namespace

LauncherWindow::LauncherWindow(ApplicationServices& services, BrowserEngineFactory engineFactory,
                               std::int32_t platformId)
    : m_platformId(platformId), m_services(services) {
    namespace pictures = quorvane::pictures;
    using namespace quorvane::widgets;

    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(1127, 621);
    // The default colour paints black, which the colour key makes see-through:
    // only the artwork's outline remains of the window.
    PaintBackground(this, Qt::black);
    setFont(MakeFont({"Tahoma", "DejaVu Sans"}, 11));

    m_artwork = MakeImage(this, pictures::kLauncherBackground, QRect(0, 0, 1127, 621));
    m_versionLabel = MakeLabel(this, QStringLiteral("v17.05.22.01"), QPoint(1014, 602),
                               MakeFont({"Tahoma", "DejaVu Sans"}, 11), QColor(128, 128, 128));
    m_advisory = MakeImage(this, pictures::kLauncherAdvisory, QRect(600, 573, 339, 37));

    m_addressBox = new QLineEdit(this);
    m_addressBox->setGeometry(128, 587, 329, 21);
    m_addressBox->setText(
        QStringLiteral("client://loadgame|http://%1/game.html?server=1&name=%E9%9D%92%E9%BE%99")
            .arg(QString::fromLatin1(deployment::PortalHost)));
    m_goButton = new QPushButton(QStringLiteral("GO"), this);
    m_goButton->setGeometry(471, 585, 75, 25);
    connect(m_goButton, &QPushButton::clicked, this, [this] { onGoClicked(); });

    m_officialSitePanel = MakePanel(this, QRect(490, 204, 128, 35));
    m_officialSiteButton =
        MakeButton(m_officialSitePanel, pictures::kLauncherLinkOfficialSite, QRect(0, 0, 128, 35));
    connect(m_officialSiteButton, &SkinnedButton::clicked, this,
            &LauncherWindow::onOfficialSiteClicked);
    m_topUpPanel = MakePanel(this, QRect(620, 204, 128, 35));
    m_topUpButton = MakeButton(m_topUpPanel, pictures::kLauncherLinkTopUp, QRect(0, 0, 128, 35));
    connect(m_topUpButton, &SkinnedButton::clicked, this, &LauncherWindow::onTopUpClicked);
    m_servicePanel = MakePanel(this, QRect(750, 204, 128, 35));
    m_serviceButton =
        MakeButton(m_servicePanel, pictures::kLauncherLinkService, QRect(0, 0, 128, 35));
    connect(m_serviceButton, &SkinnedButton::clicked, this, &LauncherWindow::onServiceClicked);
    m_gameCentrePanel = MakePanel(this, QRect(880, 204, 128, 36));
    m_gameCentreButton =
        MakeButton(m_gameCentrePanel, pictures::kLauncherLinkGameCentre, QRect(0, 0, 128, 35));
    connect(m_gameCentreButton, &SkinnedButton::clicked, this,
            &LauncherWindow::onGameCentreClicked);
    m_closePanel = MakePanel(this, QRect(1064, 143, 31, 33));
    m_closeButton = MakeButton(m_closePanel, pictures::kLauncherClose, QRect(0, 0, 31, 33));
    connect(m_closeButton, &SkinnedButton::clicked, this, &LauncherWindow::onCloseClicked);

    m_browserPanel = MakePanel(this, QRect(486, 195, 605, 365));
    m_browser =
        new BrowserView(m_browserPanel, engineFactory ? engineFactory(m_browserPanel) : nullptr);
    m_browser->setGeometry(0, 0, 605, 365);
    // The engine paints the loading page's colour until the first page does,
    // never a white flash.
    m_browser->setBackgroundColor(QColor(0x0e, 0x09, 0x05));
    // The page holds the keyboard from the start, so the player can type
    // into the server list without clicking it first.
    m_browser->setFocus();
    m_browser->setPageRole(PageRole::Launcher);
    connect(m_browser, &BrowserView::windowReleasable, this, [this] { destroy(); });
    m_browser->setSiteHosts(deploymentHosts());
    connect(m_browser, &BrowserView::navigationCompleted, this,
            &LauncherWindow::onNavigationCompleted);
    // Each new page gets the keyboard, unless the player is typing an address
    // into the debug URL box.
    connect(m_browser, &BrowserView::documentCompleted, this, [this] {
        if (!m_addressBox->hasFocus() && !m_goButton->hasFocus()) m_browser->focusPage();
    });

    m_minimisePanel = MakePanel(this, QRect(1020, 143, 31, 33));
    m_minimiseButton =
        MakeButton(m_minimisePanel, pictures::kLauncherMinimise, QRect(0, 0, 31, 33));
    connect(m_minimiseButton, &SkinnedButton::clicked, this, &LauncherWindow::onMinimiseClicked);
    m_clearCachePanel = MakePanel(this, QRect(1002, 570, 88, 21));
    m_clearCacheButton =
        MakeButton(m_clearCachePanel, pictures::kLauncherClearCache, QRect(0, 0, 88, 21));
    connect(m_clearCacheButton, &SkinnedButton::clicked, this,
            &LauncherWindow::onClearCacheClicked);
    setTabOrder(m_addressBox, m_goButton);

    m_commandActions = std::make_unique<LauncherCommandActions>(this);
    m_commandServer = std::make_unique<quorvane::command::CommandServer>(
        quorvane::command::ServerKind::kLauncher, m_commandPort, *m_commandActions);
    m_serverTimer = new QTimer(this);
    m_serverTimer->setInterval(60000);
    connect(m_serverTimer, &QTimer::timeout, this, &LauncherWindow::onServerTimeout);
    m_serverTimer->start();

    m_keyFilter = new LauncherKeyFilter(m_browser, this);
    m_colourKey = new ColourKeyShape(this, Qt::black, {m_browser});
    // The artwork, the advisory and the version label have no window of their
    // own: they are the launcher's surface, which drags the window.
    m_frame = new FramelessFrame(this, &LauncherHitTest);
    m_frame->AddSurface(m_artwork);
    m_frame->AddSurface(m_versionLabel);
    m_frame->AddSurface(m_advisory);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    m_realEngine = !engineFactory;
    startUp();
}

LauncherWindow::~LauncherWindow() {
    // Workers must be gone before the actions they call into.
    m_commandServer->Stop();
}

void LauncherWindow::startBrowser() {
    // The cache learns of cookies from the moment it exists, so it comes
    // before the engine loads anything.
    if (m_realEngine && !m_urlCache) {
        auto cache = std::make_unique<ProfileUrlCache>(sharedBrowserProfile());
        m_profileCache = cache.get();
        connect(m_profileCache, &ProfileUrlCache::ClearFinished, this,
                &LauncherWindow::onCacheClearFinished);
        m_urlCache = std::move(cache);
    }
    m_browser->startEngine();
}

void LauncherWindow::startUp() {
    m_services.setInputFilter(m_keyFilter);
    // The browser carries these out once it has started (startBrowser).
    m_browser->navigate(QStringLiteral("about:blank"));
    m_addressBox->hide();
    m_goButton->hide();
    loadStartPage();
    quorvane::platform::PlaceDesktopShortcut();
    startCommandServer();
}

void LauncherWindow::startCommandServer() {
    m_commandServer->Start();
    m_addressBox->setText(
        QString::fromStdU16String(std::u16string(quorvane::command::kServerStartText)));
}

void LauncherWindow::stopCommandServer() {
    m_commandServer->Stop();
}

void LauncherWindow::onServerTimeout() {
    stopCommandServer();
    m_serverTimer->stop();
}

QString LauncherWindow::linkPageUrl(LinkPage type) {
    return QString::fromStdString(
        BuildLinkPageUrl(deployment::LinkHost, m_platformId, type, m_random.Draw()));
}

void LauncherWindow::openLinkPage(LinkPage type) {
    ShellOpen(linkPageUrl(type));
}

void LauncherWindow::onOfficialSiteClicked(QObject*) {
    openLinkPage(LinkPage::OfficialSite);
}
void LauncherWindow::onTopUpClicked(QObject*) {
    openLinkPage(LinkPage::TopUp);
}
void LauncherWindow::onServiceClicked(QObject*) {
    openLinkPage(LinkPage::CustomerService);
}
void LauncherWindow::onGameCentreClicked(QObject*) {
    openLinkPage(LinkPage::GameCentre);
}

void LauncherWindow::onMinimiseClicked(QObject*) {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void LauncherWindow::onCloseClicked(QObject*) {
    if (m_serverTimer->isActive()) m_serverTimer->stop();
    stopCommandServer();
    close();
}

void LauncherWindow::onClearCacheClicked(QObject*) {
    // A clear goes on after its click; a second one would only restart the
    // engine's network once more while the first puts the cookies back.
    if (cacheClearRunning()) return;
    if (!m_services.askYesNo(this, QStringLiteral("确定要清除浏览器缓存？"),
                             QStringLiteral("确认")))
        return;
    setCursor(Qt::WaitCursor);
    if (m_urlCache) quorvane::platform::ClearUrlCache(*m_urlCache);
    if (!cacheClearRunning()) unsetCursor();
}

bool LauncherWindow::cacheClearRunning() const {
    return m_profileCache && m_profileCache->IsClearing();
}

void LauncherWindow::onCacheClearFinished() {
    unsetCursor();
    if (auto gameUrl = std::exchange(m_deferredHandOff, std::nullopt)) handOff(*gameUrl);
}

void LauncherWindow::loadStartPage() {
    if (m_platformId == 0) {
        m_browser->navigate(QStringLiteral("about:blank"));
        m_addressBox->show();
        m_goButton->show();
        return;
    }
    m_random.Seed(static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch()));
    const int ver = m_random.Draw();
    m_browser->navigate(
        QString::fromStdString(BuildStartPageUrl(deployment::StartPageHost, m_platformId, ver)));
}

QStringList LauncherWindow::firstBlankScripts() {
    return {
        QStringLiteral("document.write('<p align=\"center\"><font color=\"#cccccc\">loading"
                       "\u2026\u2026</font></p>')"),
        QStringLiteral("document.body.style.backgroundColor='#0e0905';"),
        QStringLiteral("document.body.scroll='no';"),
        // The engine ignores body.scroll; this is how it hides the scroll bars.
        QStringLiteral("document.documentElement.style.overflow='hidden';"),
    };
}

QStringList LauncherWindow::deploymentHosts() {
    return {QString::fromLatin1(deployment::StartPageHost),
            QString::fromLatin1(deployment::PortalHost), QString::fromLatin1(deployment::LinkHost)};
}

void LauncherWindow::runPageScript(const QString& code) {
    if (!m_browser->hasDocument()) return;
    m_browser->runScript(code);
}

void LauncherWindow::onNavigationCompleted(BrowserView*, const QString& completedUrl) {
    const QString url = QString::fromStdU16String(WithLiteralHandOffMarker(std::u16string_view(
        reinterpret_cast<const char16_t*>(completedUrl.utf16()), completedUrl.size())));
    const std::string ansiUrl = AnsiOf(url);
    const CompletionDecision decision = ClassifyCompletion(
        ansiUrl, m_firstBlankPending, SiteHosts{deployment::StartPageHost, deployment::PortalHost});

    switch (decision.action) {
        case CompletionAction::StyleFirstBlank:
            for (const QString& script : firstBlankScripts()) runPageScript(script);
            m_firstBlankPending = false;
            return;
        case CompletionAction::HandOffCut:
            handOff(QString::fromStdU16String(DropAnsiBytes(
                std::u16string_view(reinterpret_cast<const char16_t*>(url.utf16()), url.size()),
                kHandOffMarkerLength)));
            break;
        case CompletionAction::HandOffWhole:
            handOff(url);
            break;
        case CompletionAction::StatusOnly:
            break;
    }
    m_addressBox->setText(m_browser->location());
}

void LauncherWindow::handOff(const QString& gameUrl) {
    // While the cache is cleared the engine's network restarts and the login
    // cookies are put back: the game's first requests would go out without
    // them, so the hand-off waits for the clear.
    if (cacheClearRunning()) {
        m_deferredHandOff = gameUrl;
        return;
    }
    stopCommandServer();
    m_browser->navigate(QStringLiteral("about:blank"));
    m_browser->stop();
    hide();
    emit gameRequested(gameUrl);
}

void LauncherWindow::onGoClicked() {
    m_browser->navigate(m_addressBox->text());
}

void LauncherWindow::closeEvent(QCloseEvent* event) {
    // The launcher is the main window: closing it ends the application.
    QWidget::closeEvent(event);
    if (event->isAccepted()) QApplication::quit();
}
