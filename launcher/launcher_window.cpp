#include "launcher/launcher_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QScreen>
#include <utility>

#include "browser/profile_url_cache.h"
#include "browser/webengine_engine.h"
#include "launcher/hand_off.h"
#include "platform/code_page.h"
#include "platform/desktop_shortcut.h"
#include "platform/shell_open.h"
#include "widgets/layout.h"
#include "widgets/window_system.h"

namespace {

namespace pictures = quorvane::pictures;
using quorvane::widgets::ButtonPlace;
using quorvane::widgets::PicturePlace;

constexpr QSize kWindowSize(1127, 621);
// Where the page shows: the artwork's panel for the server list.
constexpr QRect kBrowserArea(486, 195, 605, 365);
// The loading page's colour, which the browser area shows until the first
// page paints, never a white flash.
constexpr QColor kLoadingColour(0x0e, 0x09, 0x05);
// The page's plug-in content talks to the launcher for its first minute only.
constexpr int kCommandServerLifeMs = 60 * 1000;

const PicturePlace kArtwork{"Image1", pictures::kLauncherBackground,
                            QRect(QPoint(0, 0), kWindowSize)};
const PicturePlace kAdvisory{"Image2", pictures::kLauncherAdvisory, QRect(600, 573, 339, 37)};
constexpr QPoint kVersionPlace(1014, 602);

// The debug launcher's address box starts with a sample hand-off address.
constexpr QRect kAddressBox(128, 587, 329, 21);
constexpr QRect kGoButton(471, 585, 75, 25);

}  // namespace

// Each button sits in a panel of its own, as the old layout had it.
const std::initializer_list<ButtonPlace<LauncherWindow>>& LauncherWindow::buttons() {
    static const std::initializer_list<ButtonPlace<LauncherWindow>> table = {
        {"GraphicButton0", "Panel1", pictures::kLauncherLinkOfficialSite, QRect(490, 204, 128, 35),
         &LauncherWindow::onOfficialSiteClicked},
        {"GraphicButton2", "Panel2", pictures::kLauncherLinkTopUp, QRect(620, 204, 128, 35),
         &LauncherWindow::onTopUpClicked},
        {"GraphicButton3", "Panel3", pictures::kLauncherLinkService, QRect(750, 204, 128, 35),
         &LauncherWindow::onServiceClicked},
        {"GraphicButton4", "Panel4", pictures::kLauncherLinkGameCentre, QRect(880, 204, 128, 35),
         &LauncherWindow::onGameCentreClicked},
        {"GraphicButton5", "Panel5", pictures::kLauncherClose, QRect(1064, 143, 31, 33),
         &LauncherWindow::onCloseClicked},
        {"GraphicButton1", "Panel7", pictures::kLauncherMinimise, QRect(1020, 143, 31, 33),
         &LauncherWindow::onMinimiseClicked},
        {"GraphicButton6", "Panel8", pictures::kLauncherClearCache, QRect(1002, 570, 88, 21),
         &LauncherWindow::onClearCacheClicked},
    };
    return table;
}

namespace {

std::string ansiOf(const QString& text) {
    return quorvane::platform::ToAnsi(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

// The scripts that dress the first blank page, in the order they run.
QStringList firstBlankScripts() {
    return {
        QStringLiteral("document.write('<p align=\"center\"><font color=\"#cccccc\">loading"
                       "\u2026\u2026</font></p>')"),
        QStringLiteral("document.body.style.backgroundColor='#0e0905';"),
        QStringLiteral("document.body.scroll='no';"),
        // The engine ignores body.scroll; this is how it hides the scroll bars.
        QStringLiteral("document.documentElement.style.overflow='hidden';"),
    };
}

// Navigations asked for by the command server's workers: carried out on the
// GUI thread, never waited for.
class LauncherCommandActions : public quorvane::command::CommandActions {
  public:
    explicit LauncherCommandActions(BrowserView* browser) : m_browser(browser) {}
    void Navigate(std::u16string address) override {
        QMetaObject::invokeMethod(
            m_browser,
            [browser = m_browser, address = QString::fromStdU16String(address)] {
                browser->navigate(address);
            },
            Qt::QueuedConnection);
    }
    void ShowTip(std::u16string, std::u16string, std::int32_t) override {}

  private:
    BrowserView* m_browser;
};

}  // namespace

LauncherWindow::LauncherWindow(ApplicationServices& services, BrowserEngineFactory engineFactory,
                               std::int32_t platformId)
    : m_services(services), m_platformId(platformId), m_realEngine(!engineFactory) {
    using namespace quorvane::widgets;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(kWindowSize);
    // The window's own colour is black, which the colour key makes
    // see-through: only the artwork's outline remains of the window.
    paintBackground(this, Qt::black);
    setFont(makeFont({"Tahoma", "DejaVu Sans"}, 11));

    createPictures();
    createDebugControls();
    createButtons();
    createBrowser(std::move(engineFactory));
    createCommandServer();
    createFrame();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    startUp();
}

LauncherWindow::~LauncherWindow() {
    // Workers must be gone before the actions they call into.
    m_commandServer->Stop();
}

void LauncherWindow::createPictures() {
    using namespace quorvane::widgets;
    m_artwork = makeImage(this, kArtwork);
    m_versionLabel = makeLabel(this, "Label1", QStringLiteral(QUORVANE_VERSION_TEXT), kVersionPlace,
                               makeFont({"Tahoma", "DejaVu Sans"}, 11), QColor(128, 128, 128));
    m_advisory = makeImage(this, kAdvisory);
}

void LauncherWindow::createDebugControls() {
    m_addressBox = new QLineEdit(this);
    m_addressBox->setObjectName(QStringLiteral("Edit1"));
    m_addressBox->setGeometry(kAddressBox);
    m_addressBox->setText(
        QStringLiteral("client://loadgame|http://%1/game.html?server=1&name=%E9%9D%92%E9%BE%99")
            .arg(QString::fromLatin1(deployment::kPortalHost)));
    m_goButton = new QPushButton(QStringLiteral("GO"), this);
    m_goButton->setObjectName(QStringLiteral("Button1"));
    m_goButton->setGeometry(kGoButton);
    connect(m_goButton, &QPushButton::clicked, this, &LauncherWindow::onGoClicked);
    setTabOrder(m_addressBox, m_goButton);
}

void LauncherWindow::createButtons() {
    quorvane::widgets::makeButtons(this, this, buttons());
}

void LauncherWindow::createBrowser(BrowserEngineFactory engineFactory) {
    QWidget* panel = quorvane::widgets::makePanel(this, "Panel6", kBrowserArea);
    m_browser = new BrowserView(panel, engineFactory ? engineFactory(panel) : nullptr);
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    m_browser->setGeometry(panel->rect());
    m_browser->setBackgroundColor(kLoadingColour);
    m_browser->setPageRole(PageRole::Launcher);
    m_browser->setSiteHosts(deploymentHosts());
    // The page holds the keyboard from the start, so the player can type
    // into the server list without clicking it first.
    m_browser->setFocus();
    connect(m_browser, &BrowserView::navigationCompleted, this,
            &LauncherWindow::onNavigationCompleted);
    // Each new page gets the keyboard, unless the player is typing an address
    // into the debug launcher's box.
    connect(m_browser, &BrowserView::documentCompleted, this, [this](const QString& url) {
        if (!m_addressBox->hasFocus() && !m_goButton->hasFocus()) m_browser->focusPage();
        emit pageLoaded(url);
    });
    connect(m_browser, &BrowserView::windowReleasable, this, [this] { destroy(); });
}

void LauncherWindow::createCommandServer() {
    m_commandActions = std::make_unique<LauncherCommandActions>(m_browser);
    m_commandServer = std::make_unique<quorvane::command::CommandServer>(
        quorvane::command::ServerKind::kLauncher, m_commandPort, *m_commandActions);
    m_serverTimer = new QTimer(this);
    m_serverTimer->setObjectName(QStringLiteral("Timer1"));
    m_serverTimer->setInterval(kCommandServerLifeMs);
    connect(m_serverTimer, &QTimer::timeout, this, &LauncherWindow::onServerTimeout);
    m_serverTimer->start();
}

void LauncherWindow::createFrame() {
    using namespace quorvane::widgets;
    m_keyFilter = new LauncherKeyFilter(m_browser, this);
    new ColourKeyShape(this, Qt::black, {m_browser});
    // The artwork, the advisory and the version label have no window of their
    // own: they are the launcher's surface, which drags the window.
    auto* frame = new FramelessFrame(this, &launcherHitTest);
    frame->addSurface(m_artwork);
    frame->addSurface(m_versionLabel);
    frame->addSurface(m_advisory);
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

QStringList LauncherWindow::deploymentHosts() {
    return {QString::fromLatin1(deployment::kStartPageHost),
            QString::fromLatin1(deployment::kPortalHost),
            QString::fromLatin1(deployment::kLinkHost)};
}

void LauncherWindow::startBrowser() {
    // The cache learns of cookies from the moment it exists, so it comes
    // before the engine loads anything.
    if (m_realEngine && !m_urlCache) {
        auto cache = std::make_unique<ProfileUrlCache>(sharedBrowserProfile());
        m_profileCache = cache.get();
        connect(m_profileCache, &ProfileUrlCache::clearFinished, this,
                &LauncherWindow::onCacheClearFinished);
        m_urlCache = std::move(cache);
    }
    m_browser->startEngine();
}

void LauncherWindow::setUrlCache(std::unique_ptr<quorvane::platform::UrlCache> cache) {
    m_profileCache = nullptr;
    m_urlCache = std::move(cache);
}

std::uint16_t LauncherWindow::commandPort() const {
    return m_commandServer->Active() ? m_commandServer->ListeningPort() : 0;
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

void LauncherWindow::openLinkPage(LinkPage type) {
    ShellOpen(QString::fromStdString(
        buildLinkPageUrl(deployment::kLinkHost, m_platformId, type, m_random.draw())));
}

void LauncherWindow::onOfficialSiteClicked() {
    openLinkPage(LinkPage::OfficialSite);
}

void LauncherWindow::onTopUpClicked() {
    openLinkPage(LinkPage::TopUp);
}

void LauncherWindow::onServiceClicked() {
    openLinkPage(LinkPage::CustomerService);
}

void LauncherWindow::onGameCentreClicked() {
    openLinkPage(LinkPage::GameCentre);
}

void LauncherWindow::onMinimiseClicked() {
    quorvane::widgets::minimiseWindow(this);
}

void LauncherWindow::onCloseClicked() {
    m_serverTimer->stop();
    stopCommandServer();
    close();
}

void LauncherWindow::onClearCacheClicked() {
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
    return m_profileCache && m_profileCache->isClearing();
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
    m_random.seed(static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch()));
    const int ver = m_random.draw();
    m_browser->navigate(
        QString::fromStdString(buildStartPageUrl(deployment::kStartPageHost, m_platformId, ver)));
}

void LauncherWindow::runPageScript(const QString& code) {
    if (!m_browser->hasDocument()) return;
    m_browser->runScript(code);
}

void LauncherWindow::onNavigationCompleted(const QString& completedUrl) {
    const QString url = QString::fromStdU16String(withLiteralHandOffMarker(std::u16string_view(
        reinterpret_cast<const char16_t*>(completedUrl.utf16()), completedUrl.size())));
    const std::string ansiUrl = ansiOf(url);
    const CompletionDecision decision =
        classifyCompletion(ansiUrl, m_firstBlankPending,
                           SiteHosts{deployment::kStartPageHost, deployment::kPortalHost});

    switch (decision.action) {
        case CompletionAction::StyleFirstBlank:
            for (const QString& script : firstBlankScripts()) runPageScript(script);
            m_firstBlankPending = false;
            return;
        case CompletionAction::HandOffCut:
            handOff(QString::fromStdU16String(dropAnsiBytes(
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
