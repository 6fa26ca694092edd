#include "game/game_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

#include "platform/debug_output.h"
#include "platform/shell_open.h"
#include "resources/picture_names.h"
#include "widgets/layout.h"

namespace {

constexpr int kPadding = 2;
constexpr int kStripHeight = 45;
constexpr int kButtonAreaWidth = 422;

// Window actions asked for by the command server's workers: carried out on the
// GUI thread, never waited for.
class GameCommandActions : public quorvane::command::CommandActions {
  public:
    explicit GameCommandActions(GameWindow* form) : form_(form) {}
    void Navigate(std::u16string) override {}
    void ShowTip(std::u16string title, std::u16string text, std::int32_t iconKind) override {
        QMetaObject::invokeMethod(
            form_,
            [form = form_, title = QString::fromStdU16String(title),
             text = QString::fromStdU16String(text), iconKind] {
                std::optional<QSystemTrayIcon::MessageIcon> kind;
                if (auto icon = quorvane::command::BalloonIconFor(iconKind)) {
                    static const QSystemTrayIcon::MessageIcon kIcons[] = {
                        QSystemTrayIcon::NoIcon, QSystemTrayIcon::Information,
                        QSystemTrayIcon::Warning, QSystemTrayIcon::Critical};
                    kind = kIcons[static_cast<int>(*icon)];
                }
                form->showTip(title, text, kind);
            },
            Qt::QueuedConnection);
    }

  private:
    GameWindow* form_;
};

// What the key filter needs of the window and its browser.
class GameWindowKeyHost : public GameKeyFilterHost {
  public:
    explicit GameWindowKeyHost(GameWindow& form) : form_(form) {}
    bool isInsideBrowser(const QObject* target) const override {
        const auto* widget = qobject_cast<const QWidget*>(target);
        return widget && form_.m_browser->isAncestorOf(widget);
    }
    bool isGameLoaded() const override { return form_.m_gameLoaded; }
    bool isGameWindowVisible() const override { return form_.isVisible(); }
    void refreshUnlessBlank() override { form_.refreshUnlessBlank(); }
    void hideToTray() override { form_.hideToTray(); }
    void restoreFromTray() override { form_.restoreFromTray(); }
    bool inFullScreen() const override { return form_.inFullScreen(); }
    void leaveFullScreen() override { form_.exitFullScreen(); }

  private:
    GameWindow& form_;
};

const QString kHideBalloonTitle = QStringLiteral("游戏已经最小化");
const QString kHideBalloonText = QStringLiteral("恢复请双击右下角游戏图标。");

// A balloon stays this long, unless the player clicks it or another replaces it.
constexpr int kBalloonMs = 10000;

}  // namespace

GameWindow::GameWindow(ApplicationServices& services, BrowserEngineFactory engineFactory)
    : m_services(services) {
    namespace pictures = quorvane::pictures;
    using namespace quorvane::widgets;

    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowFlag(Qt::FramelessWindowHint);
    PaintBackground(this, Qt::black);
    setFont(MakeFont({"Tahoma", "DejaVu Sans"}, 11));
    resize(1208, 700);

    // Controls in creation order. m_titleStrip, m_buttonArea, m_browserPanel, m_stripBackground and
    // m_buttonAreaBackground follow the window's size (alignPanels); the rest keep their places.
    m_titleStrip = MakePanel(this, QRect(2, 2, 1204, 45), Qt::black);
    m_stripBackground = MakeImage(m_titleStrip, pictures::kGameStrip, QRect(0, 0, 782, 45), true);
    m_titleLabel = MakeLabel(m_titleStrip, QStringLiteral("       "), QPoint(383, 9),
                             MakeFont({"Microsoft YaHei UI Light", "Noto Sans CJK SC"}, 17, true),
                             QColor(160, 160, 160));  // the button-shadow grey
    m_stripFigure = MakeImage(m_titleStrip, pictures::kGameFigure, QRect(0, 0, 110, 45));
    m_stripLettering = MakeImage(m_titleStrip, pictures::kGameTitle, QRect(74, 2, 101, 45));

    m_buttonArea = MakePanel(m_titleStrip, QRect(782, 0, 422, 45), Qt::black);
    m_buttonAreaBackground =
        MakeImage(m_buttonArea, pictures::kGameStripRight, QRect(0, 0, 422, 45));
    m_exitButton = MakeButton(m_buttonArea, pictures::kGameExit, QRect(358, 2, 57, 24));
    connect(m_exitButton, &SkinnedButton::clicked, this, &GameWindow::onExitClicked);
    m_sizeToggleButton = MakeButton(m_buttonArea, pictures::kGameSizeToggle, QRect(329, 2, 29, 24));
    connect(m_sizeToggleButton, &SkinnedButton::clicked, this, &GameWindow::onSizeToggleClicked);
    m_minimiseButton = MakeButton(m_buttonArea, pictures::kGameMinimise, QRect(300, 2, 29, 24));
    connect(m_minimiseButton, &SkinnedButton::clicked, this, &GameWindow::onMinimiseClicked);
    m_hideButton = MakeButton(m_buttonArea, pictures::kGameHide, QRect(170, 18, 81, 24));
    connect(m_hideButton, &SkinnedButton::clicked, this, &GameWindow::onHideClicked);
    m_refreshButton = MakeButton(m_buttonArea, pictures::kGameRefresh, QRect(85, 18, 81, 24));
    connect(m_refreshButton, &SkinnedButton::clicked, this, &GameWindow::onRefreshClicked);
    m_switchServerButton =
        MakeButton(m_buttonArea, pictures::kGameSwitchServer, QRect(0, 18, 81, 24));
    connect(m_switchServerButton, &SkinnedButton::clicked, this,
            &GameWindow::onSwitchServerClicked);

    m_browserPanel = MakePanel(this, QRect(2, 47, 1204, 651), QColor(128, 0, 128));
    m_browser =
        new BrowserView(m_browserPanel, engineFactory ? engineFactory(m_browserPanel) : nullptr);
    m_browser->setGeometry(-2, -2, 911, 560);
    connect(m_browser, &BrowserView::documentCompleted, this, &GameWindow::onDocumentCompleted);
    m_browser->setPageRole(PageRole::Game);
    connect(m_browser, &BrowserView::windowReleasable, this, [this] { destroy(); });
    connect(m_browser, &BrowserView::fullScreenRequested, this, &GameWindow::setFullScreen);
    connect(m_browser, &BrowserView::notificationRequested, this, &GameWindow::showNotification);
    connect(m_browser, &BrowserView::downloadEnded, this, &GameWindow::showDownloadEnded);

    m_trayIcon = new QSystemTrayIcon(QApplication::windowIcon(), this);
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
    m_exitTimer = new QTimer(this);
    m_exitTimer->setInterval(500);
    connect(m_exitTimer, &QTimer::timeout, this, &GameWindow::onExitTimer);
    m_desktopNotifications = new quorvane::notifications::DesktopNotifications(this);
    m_commandActions = std::make_unique<GameCommandActions>(this);
    m_commandServer = std::make_unique<quorvane::command::CommandServer>(
        quorvane::command::ServerKind::kGame, m_commandPort, *m_commandActions);

    // Only the strip's background pictures and the title carry mouse handlers.
    for (QWidget* caption :
         {static_cast<QWidget*>(m_stripBackground), static_cast<QWidget*>(m_buttonAreaBackground),
          static_cast<QWidget*>(m_titleLabel)})
        caption->installEventFilter(this);
    m_frame = new FramelessFrame(this, &GameWindowHitTest,
                                 [this] { return !m_maximised && !m_fullScreen; });
    m_titleDrag = new CaptionDrag(this);
    m_keyFilterHost = std::make_unique<GameWindowKeyHost>(*this);
    m_keyFilter = std::make_unique<GameKeyFilter>(*m_keyFilterHost);

    m_maximised = false;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect workArea = screen->availableGeometry();
        m_workAreaWidth = workArea.width();
        m_workAreaHeight = workArea.height();
    }
    m_sizeFactor = kSizeFactor;
    resize(ScaleDimension(m_workAreaWidth, m_sizeFactor),
           ScaleDimension(m_workAreaHeight, m_sizeFactor));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    alignPanels();
}

GameWindow::~GameWindow() {
    // Workers must be gone before the actions they call into.
    m_commandServer->Stop();
}

void GameWindow::openGame(const QString& url) {
    m_services.setInputFilter(m_keyFilter.get());
    m_browser->setSiteHosts(m_deploymentHosts, url);
    m_browser->navigate(url);
    m_gameLoaded = true;
    applySizeMode(url.contains(QLatin1String("windowsize=max")) ? SizeMode::Maximised
                                                                : SizeMode::Normal);
    m_trayIcon->show();
    startCommandServer();
}

void GameWindow::startCommandServer() {
    m_commandServer->Start();
}

void GameWindow::stopCommandServer() {
    m_commandServer->Stop();
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
    // The tray keeps at most 63 characters of a title and 255 of a text, and
    // shows a balloon only while the icon itself is shown.
    if (!m_trayIcon->isVisible()) return false;
    if (m_services.systemTrayAvailable()) {
        m_balloonClicked = std::move(onClick);
        m_trayIcon->showMessage(m_balloonTitle.left(63), m_balloonText.left(255), m_balloonIcon,
                                kBalloonMs);
    } else {
        // No tray to show it: the desktop's notifications, or the debug channel.
        m_desktopNotifications->Show(m_balloonTitle.left(63), m_balloonText.left(255),
                                     m_balloonIcon, kBalloonMs);
    }
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

void GameWindow::exitFullScreen() {
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
    exitFullScreen();
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
        setWindowState(windowState() | Qt::WindowMinimized);
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

void GameWindow::onHideClicked(QObject*) {
    hideToTray();
}

void GameWindow::onTrayDoubleClicked() {
    restoreFromTray();
}

void GameWindow::onSizeToggleClicked(QObject*) {
    applySizeMode(SizeMode::Toggle);
}

void GameWindow::onMinimiseClicked(QObject*) {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void GameWindow::onStripPressed(Qt::MouseButton button, const QPoint& screenPoint) {
    if (m_maximised || button != Qt::LeftButton) return;
    // The move starts once the pointer travels, so a double-click stays one.
    m_titleDrag->Press(screenPoint);
}
void GameWindow::onButtonAreaPressed(Qt::MouseButton button, const QPoint& screenPoint) {
    onStripPressed(button, screenPoint);
}
void GameWindow::onTitlePressed(Qt::MouseButton button, const QPoint& screenPoint) {
    onStripPressed(button, screenPoint);
}
void GameWindow::onStripDoubleClicked() {
    m_titleDrag->Cancel();
    applySizeMode(SizeMode::Toggle);
}
void GameWindow::onButtonAreaDoubleClicked() {
    onStripDoubleClicked();
}
void GameWindow::onTitleDoubleClicked() {
    onStripDoubleClicked();
}

bool GameWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool twice = event->type() == QEvent::MouseButtonDblClick;
        const QPoint at = mouse->globalPosition().toPoint();
        if (watched == m_stripBackground)
            twice ? onStripDoubleClicked() : onStripPressed(mouse->button(), at);
        if (watched == m_buttonAreaBackground)
            twice ? onButtonAreaDoubleClicked() : onButtonAreaPressed(mouse->button(), at);
        if (watched == m_titleLabel)
            twice ? onTitleDoubleClicked() : onTitlePressed(mouse->button(), at);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void GameWindow::onExitClicked(QObject*) {
    if (!m_services.askYesNo(this, QStringLiteral("亲，确定要退出游戏吗？"),
                             QStringLiteral("呜呜呜。。。")))
        return;
    m_browser->stop();
    close();  // not the main window: this hides it
    m_exitTicks = 2;
    try {
        m_browser->navigate(QStringLiteral("about:blank"));
        m_trayIcon->hide();
        m_exitTimer->start();
        stopCommandServer();
    } catch (...) {
        // The process ends whatever happens here; a failure of the fallback
        // itself must not keep a half-closed game alive.
        try {
            m_browser->navigate(QStringLiteral("about:blank"));
            m_trayIcon->hide();
            stopCommandServer();
        } catch (...) {
        }
    }
    leaveProcess();
}

void GameWindow::leaveProcess() {
    m_services.exitProcess(0);
}

void GameWindow::onExitTimer() {
    --m_exitTicks;
    if (m_exitTicks == 0) {
        m_exitTimer->stop();
        emit closingNoticeRequested();
    }
}

void GameWindow::onDocumentCompleted(BrowserView*, const QString&) {
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

void GameWindow::onRefreshClicked(QObject*) {
    m_browser->refresh();
}

void GameWindow::onSwitchServerClicked(QObject*) {
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
        setGeometry(PlaceGameWindow(mode, DesktopScreens(), anchor, geometry()));
        alignPanels();
    }
    fitBrowser();
}

void GameWindow::fitBrowser() {
    // The browser overhangs its panel by two pixels left and top and four
    // right and bottom, where the panel clips it; in full screen the page
    // covers the screen exactly.
    if (m_fullScreen) {
        m_browser->setGeometry(m_browserPanel->rect());
        return;
    }
    m_browser->setGeometry(-2, -2, m_browserPanel->width() + 6, m_browserPanel->height() + 6);
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
