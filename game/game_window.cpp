#include "game/game_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMargins>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "platform/shell_open.h"
#include "resources/picture_names.h"
#include "widgets/layout.h"
#include "widgets/window_system.h"

namespace {

namespace pictures = quorvane::pictures;
using quorvane::widgets::ButtonPlace;
using quorvane::widgets::PicturePlace;

// The frame around the strip and the page.
constexpr int kPadding = 2;
constexpr int kStripHeight = 45;
// The strip's right end, with the window's buttons; it keeps its width and
// stays at the right however narrow the window gets.
constexpr int kButtonAreaWidth = 422;
// The page overhangs its panel by two pixels left and top and four right and
// bottom, where the panel clips it: a page's own edge never shows.
constexpr QMargins kPageOverhang(2, 2, 4, 4);

const PicturePlace kStripFigure{"Image4", pictures::kGameFigure, QRect(0, 0, 110, 45)};
const PicturePlace kStripLettering{"Image3", pictures::kGameTitle, QRect(74, 2, 101, 45)};
constexpr QPoint kTitlePlace(383, 9);
// Until a page gives it a title, the strip's title is a few blanks.
const QString kBlankTitle = QStringLiteral("       ");
constexpr QColor kTitleGrey(160, 160, 160);  // the button-shadow grey
constexpr QColor kBrowserPanelColour(128, 0, 128);

}  // namespace

const std::initializer_list<ButtonPlace<GameWindow>>& GameWindow::buttons() {
    static const std::initializer_list<ButtonPlace<GameWindow>> table = {
        {"GraphicButton1", nullptr, pictures::kGameExit, QRect(358, 2, 57, 24),
         &GameWindow::onExitClicked},
        {"GraphicButton2", nullptr, pictures::kGameSizeToggle, QRect(329, 2, 29, 24),
         &GameWindow::onSizeToggleClicked},
        {"GraphicButton3", nullptr, pictures::kGameMinimise, QRect(300, 2, 29, 24),
         &GameWindow::onMinimiseClicked},
        {"GraphicButton4", nullptr, pictures::kGameHide, QRect(170, 18, 81, 24),
         &GameWindow::onHideClicked},
        {"GraphicButton5", nullptr, pictures::kGameRefresh, QRect(85, 18, 81, 24),
         &GameWindow::onRefreshClicked},
        {"GraphicButton6", nullptr, pictures::kGameSwitchServer, QRect(0, 18, 81, 24),
         &GameWindow::onSwitchServerClicked},
    };
    return table;
}

namespace {

const QString kHideBalloonTitle = QStringLiteral("游戏已经最小化");
const QString kHideBalloonText = QStringLiteral("恢复请双击右下角游戏图标。");
// A balloon stays this long, unless the player clicks it or another replaces it.
constexpr int kBalloonMs = 10000;
// The tray keeps at most this much of a balloon's title and text.
constexpr int kBalloonTitleMax = 63;
constexpr int kBalloonTextMax = 255;
constexpr int kExitTickMs = 500;

// Balloons asked for by the command server's workers: shown on the GUI
// thread, never waited for.
class GameCommandActions : public quorvane::command::CommandActions {
  public:
    explicit GameCommandActions(GameWindow* window) : m_window(window) {}
    void Navigate(std::u16string) override {}
    void ShowTip(std::u16string title, std::u16string text, std::int32_t iconKind) override {
        QMetaObject::invokeMethod(
            m_window,
            [window = m_window, title = QString::fromStdU16String(title),
             text = QString::fromStdU16String(text), iconKind] {
                std::optional<QSystemTrayIcon::MessageIcon> kind;
                if (auto icon = quorvane::command::BalloonIconFor(iconKind)) {
                    static const QSystemTrayIcon::MessageIcon kIcons[] = {
                        QSystemTrayIcon::NoIcon, QSystemTrayIcon::Information,
                        QSystemTrayIcon::Warning, QSystemTrayIcon::Critical};
                    kind = kIcons[static_cast<int>(*icon)];
                }
                window->showTip(title, text, kind);
            },
            Qt::QueuedConnection);
    }

  private:
    GameWindow* m_window;
};

}  // namespace

GameWindow::GameWindow(ApplicationServices& services, BrowserEngineFactory engineFactory)
    : m_services(services) {
    using namespace quorvane::widgets;
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowFlag(Qt::FramelessWindowHint);
    paintBackground(this, Qt::black);
    setFont(makeFont({"Tahoma", "DejaVu Sans"}, 11));

    createTitleStrip();
    createBrowser(std::move(engineFactory));
    createTray();
    createCommandServer();
    createFrame();

    // Until a game places it on its screen, the window takes nine tenths of
    // the primary screen's work area, in the middle of that screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect workArea = screen->availableGeometry();
        resize(scaleDimension(workArea.width()), scaleDimension(workArea.height()));
        move(screen->geometry().center() - rect().center());
    }
    alignPanels();
}

GameWindow::~GameWindow() {
    // Workers must be gone before the actions they call into.
    m_commandServer->Stop();
}

void GameWindow::createTitleStrip() {
    using namespace quorvane::widgets;
    // The strip, its background and the button area follow the window's
    // width (alignPanels); the rest keep their places.
    m_titleStrip = makePanel(this, "Panel1", QRect(), Qt::black);
    m_stripBackground = makeImage(m_titleStrip, {"Image1", pictures::kGameStrip, QRect()}, true);
    m_titleLabel =
        makeLabel(m_titleStrip, "Label1", kBlankTitle, kTitlePlace,
                  makeFont({"Microsoft YaHei UI Light", "Noto Sans CJK SC"}, 17, true), kTitleGrey);
    makeImage(m_titleStrip, kStripFigure);
    makeImage(m_titleStrip, kStripLettering);
    m_buttonArea = makePanel(m_titleStrip, "Panel3", QRect(), Qt::black);
    m_buttonAreaBackground = makeImage(m_buttonArea, {"Image2", pictures::kGameStripRight,
                                                      QRect(0, 0, kButtonAreaWidth, kStripHeight)});
    makeButtons(this, m_buttonArea, buttons());
    // The strip's background pictures and the title move the window; the
    // other pictures do nothing.
    for (QWidget* caption :
         {static_cast<QWidget*>(m_stripBackground), static_cast<QWidget*>(m_buttonAreaBackground),
          static_cast<QWidget*>(m_titleLabel)})
        caption->installEventFilter(this);
}

void GameWindow::createBrowser(BrowserEngineFactory engineFactory) {
    m_browserPanel = quorvane::widgets::makePanel(this, "Panel2", QRect(), kBrowserPanelColour);
    m_browser =
        new BrowserView(m_browserPanel, engineFactory ? engineFactory(m_browserPanel) : nullptr);
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    m_browser->setPageRole(PageRole::Game);
    connect(m_browser, &BrowserView::documentCompleted, this, &GameWindow::onDocumentCompleted);
    connect(m_browser, &BrowserView::topRequestStarted, this, &GameWindow::pageRequested);
    connect(m_browser, &BrowserView::fullScreenRequested, this, &GameWindow::setFullScreen);
    connect(m_browser, &BrowserView::notificationRequested, this, &GameWindow::showNotification);
    connect(m_browser, &BrowserView::downloadEnded, this, &GameWindow::showDownloadEnded);
    connect(m_browser, &BrowserView::windowReleasable, this, [this] { destroy(); });
}

void GameWindow::createTray() {
    m_trayIcon = new QSystemTrayIcon(QApplication::windowIcon(), this);
    m_trayIcon->setObjectName(QStringLiteral("TrayIcon1"));
    m_trayIcon->setToolTip(QApplication::applicationName());
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) onTrayDoubleClicked();
            });
    connect(m_trayIcon, &QSystemTrayIcon::messageClicked, this, [this] {
        if (auto clicked = std::exchange(m_balloonClicked, nullptr)) clicked();
    });
    m_notificationTimer = new QTimer(this);
    m_notificationTimer->setSingleShot(true);
    m_notificationTimer->setInterval(kBalloonMs);
    connect(m_notificationTimer, &QTimer::timeout, this, &GameWindow::closeNotification);
    m_desktopNotifications = new quorvane::notifications::DesktopNotifications(this);
}

void GameWindow::createCommandServer() {
    m_commandActions = std::make_unique<GameCommandActions>(this);
    m_commandServer = std::make_unique<quorvane::command::CommandServer>(
        quorvane::command::ServerKind::kGame, m_commandPort, *m_commandActions);
    m_exitTimer = new QTimer(this);
    m_exitTimer->setObjectName(QStringLiteral("Timer1"));
    m_exitTimer->setInterval(kExitTickMs);
    connect(m_exitTimer, &QTimer::timeout, this, &GameWindow::onExitTimer);
}

void GameWindow::createFrame() {
    new quorvane::widgets::FramelessFrame(this, &quorvane::widgets::gameWindowHitTest,
                                          [this] { return !m_maximised && !m_fullScreen; });
    m_titleDrag = new quorvane::widgets::CaptionDrag(this);
    m_keyFilter = std::make_unique<GameKeyFilter>(static_cast<GameKeyFilterHost&>(*this));
}

void GameWindow::startBrowser() {
    m_browser->startEngine();
}

void GameWindow::openGame(const QString& url) {
    m_services.setInputFilter(m_keyFilter.get());
    m_browser->setSiteHosts(m_deploymentHosts, url);
    m_browser->navigate(url);
    m_gameLoaded = true;
    applySizeMode(url.contains(QLatin1String("windowsize=max")) ? SizeMode::Maximised
                                                                : SizeMode::Normal);
    m_trayIcon->show();
    // A game opened again finds the server still running, on the same port.
    m_commandServer->Start();
}

std::uint16_t GameWindow::commandPort() const {
    return m_commandServer->Active() ? m_commandServer->ListeningPort() : 0;
}

bool GameWindow::isInsideBrowser(const QObject* target) const {
    const auto* widget = qobject_cast<const QWidget*>(target);
    return widget && m_browser->isAncestorOf(widget);
}

bool GameWindow::showTip(const QString& title, const QString& text,
                         std::optional<QSystemTrayIcon::MessageIcon> icon,
                         std::function<void()> onClick) {
    m_balloonTitle = title;
    m_balloonText = text;
    if (icon) m_balloonIcon = *icon;
    return showBalloon(std::move(onClick));
}

bool GameWindow::showBalloon(std::function<void()> onClick) {
    // A new balloon takes the place of the one showing, and of its click.
    m_balloonClicked = nullptr;
    closeNotification();
    // Balloons show only while the icon itself is shown.
    if (!m_trayIcon->isVisible()) return false;
    const QString title = m_balloonTitle.left(kBalloonTitleMax);
    const QString text = m_balloonText.left(kBalloonTextMax);
    if (m_services.systemTrayAvailable()) {
        m_balloonClicked = std::move(onClick);
        m_trayIcon->showMessage(title, text, m_balloonIcon, kBalloonMs);
    } else {
        // No tray to show it: the desktop's notifications, or the debug channel.
        m_desktopNotifications->show(title, text, m_balloonIcon, kBalloonMs);
    }
    emit balloonShown(title, text, m_balloonIcon);
    return true;
}

void GameWindow::showNotification(std::shared_ptr<PageNotification> notification) {
    const bool shown =
        showTip(notification->title(), notification->message(), QSystemTrayIcon::Information,
                [this, clicked = std::weak_ptr<PageNotification>(notification)] {
                    onTrayDoubleClicked();
                    if (auto page = clicked.lock()) page->report(PageNotification::Event::Clicked);
                    // The balloon is gone with the click.
                    closeNotification();
                });
    // Without a balloon to show it on, the page hears at once that it closed.
    if (!shown) return;
    m_notification = std::move(notification);
    m_notification->report(PageNotification::Event::Shown);
    m_notificationTimer->start();
}

void GameWindow::closeNotification() {
    m_notificationTimer->stop();
    if (auto closed = std::exchange(m_notification, nullptr))
        closed->report(PageNotification::Event::Closed);
}

void GameWindow::showDownloadEnded(const QString& path, bool saved) {
    const QFileInfo file(path);
    if (!saved) {
        showTip(QStringLiteral("下载失败"), QStringLiteral("%1 没有保存。").arg(file.fileName()),
                QSystemTrayIcon::Warning);
        return;
    }
    showTip(QStringLiteral("下载完成"),
            QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(file.absoluteFilePath())),
            QSystemTrayIcon::Information,
            [folder = file.absolutePath()] { ShellOpen(QUrl::fromLocalFile(folder).toString()); });
}

void GameWindow::leaveFullScreen() {
    // The engine tells the window back through setFullScreen.
    m_browser->exitFullScreen();
    setFullScreen(false);
}

void GameWindow::setFullScreen(bool on) {
    if (on == m_fullScreen) return;
    m_fullScreen = on;
    if (on) {
        m_geometryBeforeFullScreen = geometry();
        m_titleStrip->hide();
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setGeometry(m_geometryBeforeFullScreen);
        m_titleStrip->show();
    }
    alignPanels();
    fitBrowser();
}

void GameWindow::hideToTray() {
    if (!isVisible()) return;
    // Back from the tray the game shows in its window, not over the screen.
    leaveFullScreen();
    if (m_services.systemTrayAvailable()) {
        hide();
    } else if ((windowState() & Qt::WindowMinimized) && !isActiveWindow()) {
        // Without a tray the taskbar stands in for it: F9 brings back what it
        // sent there. (The toolkit may learn late that the window manager
        // brought it back; a window with the focus is on the screen.)
        setWindowState(windowState() & ~Qt::WindowMinimized);
        activateWindow();
        return;
    } else {
        // A hidden window could never be found again without a tray.
        quorvane::widgets::minimiseWindow(this);
    }
    m_balloonTitle = kHideBalloonTitle;
    m_balloonText = kHideBalloonText;
    showBalloon();
}

void GameWindow::restoreFromTray() {
    if (!isVisible()) {
        show();
        // Back from the tray, the player types into the game at once.
        activateWindow();
    }
    if (windowState() & Qt::WindowMinimized) setWindowState(Qt::WindowMaximized);
}

void GameWindow::onHideClicked() {
    hideToTray();
}

void GameWindow::onTrayDoubleClicked() {
    restoreFromTray();
}

void GameWindow::onSizeToggleClicked() {
    applySizeMode(SizeMode::Toggle);
}

void GameWindow::onMinimiseClicked() {
    quorvane::widgets::minimiseWindow(this);
}

void GameWindow::onStripPressed(Qt::MouseButton button, const QPoint& screenPoint) {
    if (m_maximised || button != Qt::LeftButton) return;
    // The move starts once the pointer travels, so a double-click stays one.
    m_titleDrag->press(screenPoint);
}

void GameWindow::onStripDoubleClicked() {
    m_titleDrag->cancel();
    applySizeMode(SizeMode::Toggle);
}

bool GameWindow::eventFilter(QObject*, QEvent* event) {
    // Only the strip's captions are watched.
    if (event->type() == QEvent::MouseButtonDblClick) {
        onStripDoubleClicked();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        onStripPressed(mouse->button(), mouse->globalPosition().toPoint());
        return true;
    }
    return false;
}

void GameWindow::onExitClicked() {
    if (!m_services.askYesNo(this, QStringLiteral("亲，确定要退出游戏吗？"),
                             QStringLiteral("呜呜呜。。。")))
        return;
    m_browser->stop();
    close();  // not the main window: this hides it
    m_exitTicks = 2;
    // The process ends whatever happens here: each step is tried on its own,
    // so one that fails leaves nothing behind that the others would quieten.
    const std::function<void()> steps[] = {
        [this] { m_browser->navigate(QStringLiteral("about:blank")); },
        [this] { m_trayIcon->hide(); },
        [this] { m_exitTimer->start(); },
        [this] { m_commandServer->Stop(); },
    };
    for (const auto& step : steps) {
        try {
            step();
        } catch (...) {
        }
    }
    m_services.exitProcess(0);
}

// The exit ends the process before this timer can fire: the countdown to the
// closing notice, and the notice itself, are kept for an exit that would
// rather show the notice first.
void GameWindow::onExitTimer() {
    if (--m_exitTicks > 0) return;
    m_exitTimer->stop();
    emit closingNoticeRequested();
}

void GameWindow::onDocumentCompleted() {
    if (!m_gameLoaded) return;
    m_browser->setVisible(true);
    m_browser->focusPage();
    if (!m_browser->hasDocument()) return;
    m_browser->clearBodyBorderWidth();
    m_titleLabel->setText(m_browser->documentTitle());
    m_titleLabel->adjustSize();
}

void GameWindow::refreshUnlessBlank() {
    if (m_browser->location().contains(QLatin1String("about:blank"))) return;
    m_browser->refresh();
}

void GameWindow::onRefreshClicked() {
    m_browser->refresh();
}

void GameWindow::onSwitchServerClicked() {
    m_browser->navigate(QStringLiteral("about:blank"));
    hide();
    m_trayIcon->hide();
    emit serverListRequested();
}

void GameWindow::applySizeMode(SizeMode mode) {
    if (mode == SizeMode::Toggle) mode = m_maximised ? SizeMode::Normal : SizeMode::Maximised;
    if (mode == SizeMode::Normal || mode == SizeMode::Maximised) {
        m_maximised = mode == SizeMode::Maximised;
        // The screen the window is on; before it shows, the one it is to open on.
        const QRect anchor = isVisible() ? frameGeometry() : screen()->geometry();
        setGeometry(placeGameWindow(mode, DesktopScreens(), anchor, geometry()));
        alignPanels();
    }
    fitBrowser();
}

void GameWindow::fitBrowser() {
    // In full screen the page covers the screen exactly.
    const QRect panel = m_browserPanel->rect();
    m_browser->setGeometry(m_fullScreen ? panel : panel.marginsAdded(kPageOverhang));
}

void GameWindow::alignPanels() {
    if (m_fullScreen) {
        m_browserPanel->setGeometry(rect());
        return;
    }
    const int innerWidth = std::max(0, width() - 2 * kPadding);
    m_titleStrip->setGeometry(kPadding, kPadding, innerWidth, kStripHeight);
    // The buttons stay at the right end however narrow the window gets; the
    // area's left part goes past the strip's left edge instead.
    const int buttonAreaLeft = innerWidth - kButtonAreaWidth;
    m_buttonArea->setGeometry(buttonAreaLeft, 0, kButtonAreaWidth, kStripHeight);
    m_stripBackground->setGeometry(0, 0, std::max(0, buttonAreaLeft), kStripHeight);
    m_browserPanel->setGeometry(kPadding, kPadding + kStripHeight, innerWidth,
                                std::max(0, height() - 2 * kPadding - kStripHeight));
}

void GameWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    alignPanels();
    fitBrowser();
}
