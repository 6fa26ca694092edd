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
    explicit GameCommandActions(TForm2* form) : form_(form) {}
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
                form->ShowTip(title, text, kind);
            },
            Qt::QueuedConnection);
    }

  private:
    TForm2* form_;
};

// What the key filter needs of the window and its browser.
class GameWindowKeyHost : public GameKeyFilterHost {
  public:
    explicit GameWindowKeyHost(TForm2& form) : form_(form) {}
    bool IsInsideBrowser(const QObject* target) const override {
        const auto* widget = qobject_cast<const QWidget*>(target);
        return widget && form_.WebBrowser1->isAncestorOf(widget);
    }
    bool GameLoaded() const override { return form_.GameLoaded; }
    bool GameWindowVisible() const override { return form_.isVisible(); }
    void RefreshUnlessBlank() override { form_.RefreshUnlessBlank(); }
    void HideToTray() override { form_.HideToTray(); }
    void RestoreFromTray() override { form_.RestoreFromTray(); }
    bool InFullScreen() const override { return form_.inFullScreen(); }
    void LeaveFullScreen() override { form_.exitFullScreen(); }
    void Trace(std::u16string_view text) override { quorvane::platform::OutputDebugString(text); }

  private:
    TForm2& form_;
};

const QString kHideBalloonTitle = QStringLiteral("游戏已经最小化");
const QString kHideBalloonText = QStringLiteral("恢复请双击右下角游戏图标。");

// A balloon stays this long, unless the player clicks it or another replaces it.
constexpr int kBalloonMs = 10000;

}  // namespace

TForm2::TForm2(SharedValues& values, ApplicationServices& services,
               BrowserEngineFactory engineFactory)
    : Values(values), Services(services) {
    namespace pictures = quorvane::pictures;
    using namespace quorvane::widgets;

    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowFlag(Qt::FramelessWindowHint);
    PaintBackground(this, Qt::black);
    setFont(MakeFont({"Tahoma", "DejaVu Sans"}, 11));
    resize(1208, 700);

    // Controls in creation order. Panel1, Panel3, Panel2, Image1 and Image2
    // follow the window's size (AlignPanels); the rest keep their places.
    Panel1 = MakePanel(this, QRect(2, 2, 1204, 45), Qt::black);
    Image1 = MakeImage(Panel1, pictures::kGameStrip, QRect(0, 0, 782, 45), true);
    Label1 = MakeLabel(Panel1, QStringLiteral("       "), QPoint(383, 9),
                       MakeFont({"Microsoft YaHei UI Light", "Noto Sans CJK SC"}, 17, true),
                       QColor(160, 160, 160));  // the button-shadow grey
    Image4 = MakeImage(Panel1, pictures::kGameFigure, QRect(0, 0, 110, 45));
    Image3 = MakeImage(Panel1, pictures::kGameTitle, QRect(74, 2, 101, 45));

    Panel3 = MakePanel(Panel1, QRect(782, 0, 422, 45), Qt::black);
    Image2 = MakeImage(Panel3, pictures::kGameStripRight, QRect(0, 0, 422, 45));
    GraphicButton1 = MakeButton(Panel3, pictures::kGameExit, QRect(358, 2, 57, 24));
    connect(GraphicButton1, &TGraphicButton::OnClick, this, &TForm2::GraphicButton1Click);
    GraphicButton2 = MakeButton(Panel3, pictures::kGameSizeToggle, QRect(329, 2, 29, 24));
    connect(GraphicButton2, &TGraphicButton::OnClick, this, &TForm2::GraphicButton2Click);
    GraphicButton3 = MakeButton(Panel3, pictures::kGameMinimise, QRect(300, 2, 29, 24));
    connect(GraphicButton3, &TGraphicButton::OnClick, this, &TForm2::GraphicButton3Click);
    GraphicButton4 = MakeButton(Panel3, pictures::kGameHide, QRect(170, 18, 81, 24));
    connect(GraphicButton4, &TGraphicButton::OnClick, this, &TForm2::GraphicButton4Click);
    GraphicButton5 = MakeButton(Panel3, pictures::kGameRefresh, QRect(85, 18, 81, 24));
    connect(GraphicButton5, &TGraphicButton::OnClick, this, &TForm2::GraphicButton5Click);
    GraphicButton6 = MakeButton(Panel3, pictures::kGameSwitchServer, QRect(0, 18, 81, 24));
    connect(GraphicButton6, &TGraphicButton::OnClick, this, &TForm2::GraphicButton6Click);

    Panel2 = MakePanel(this, QRect(2, 47, 1204, 651), QColor(128, 0, 128));
    WebBrowser1 = new TWebBrowser(Panel2, engineFactory ? engineFactory(Panel2) : nullptr);
    WebBrowser1->setGeometry(-2, -2, 911, 560);
    connect(WebBrowser1, &TWebBrowser::OnDocumentComplete, this,
            &TForm2::WebBrowser1DocumentComplete);
    WebBrowser1->setPageRole(PageRole::Game);
    connect(WebBrowser1, &TWebBrowser::windowReleasable, this, [this] { destroy(); });
    connect(WebBrowser1, &TWebBrowser::fullScreenRequested, this, &TForm2::setFullScreen);
    connect(WebBrowser1, &TWebBrowser::notificationRequested, this, &TForm2::showNotification);
    connect(WebBrowser1, &TWebBrowser::downloadEnded, this, &TForm2::showDownloadEnded);

    TrayIcon1 = new QSystemTrayIcon(QApplication::windowIcon(), this);
    TrayIcon1->setToolTip(QApplication::applicationName());
    connect(TrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) TrayIcon1DblClick();
            });
    connect(TrayIcon1, &QSystemTrayIcon::messageClicked, this, [this] {
        if (auto clicked = std::exchange(m_balloonClicked, nullptr)) clicked();
    });
    m_notificationTimer = new QTimer(this);
    m_notificationTimer->setSingleShot(true);
    m_notificationTimer->setInterval(kBalloonMs);
    connect(m_notificationTimer, &QTimer::timeout, this, &TForm2::closeNotification);
    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    Notifications = new quorvane::notifications::DesktopNotifications(this);
    CommandActions = std::make_unique<GameCommandActions>(this);
    IdTCPServer1 = std::make_unique<quorvane::command::CommandServer>(
        quorvane::command::ServerKind::kGame, Values.GameCommandPort, *CommandActions);

    // Only the strip's background pictures and the title carry mouse handlers.
    for (QWidget* caption : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(Image2),
                             static_cast<QWidget*>(Label1)})
        caption->installEventFilter(this);
    Frame = new FramelessFrame(this, &GameWindowHitTest,
                               [this] { return !Maximised && !m_fullScreen; });
    TitleDrag = new CaptionDrag(this);
    keyFilterHost_ = std::make_unique<GameWindowKeyHost>(*this);
    KeyFilter = std::make_unique<GameKeyFilter>(*keyFilterHost_);

    Maximised = false;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect workArea = screen->availableGeometry();
        WorkAreaWidth = workArea.width();
        WorkAreaHeight = workArea.height();
    }
    SizeFactor = kSizeFactor;
    resize(ScaleDimension(WorkAreaWidth, SizeFactor), ScaleDimension(WorkAreaHeight, SizeFactor));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    AlignPanels();
}

TForm2::~TForm2() {
    // Workers must be gone before the actions they call into.
    IdTCPServer1->Stop();
}

void TForm2::OpenGame(const QString& url) {
    Services.SetOnMessage(
        [self = QPointer<TForm2>(this)](const AppMessage& message, bool& handled) {
            if (self) self->AEMessage(message, handled);
        });
    WebBrowser1->setSiteHosts(m_deploymentHosts, url);
    WebBrowser1->Navigate(url);
    GameLoaded = true;
    ApplySizeMode(url.contains(QLatin1String("windowsize=max")) ? SizeMode::Maximised
                                                                : SizeMode::Normal);
    TrayIcon1->show();
    StartCommandServer();
}

void TForm2::AEMessage(const AppMessage& message, bool& handled) {
    KeyFilter->AEMessage(message, handled);
}

void TForm2::StartCommandServer() {
    IdTCPServer1->Start();
}

void TForm2::StopCommandServer() {
    IdTCPServer1->Stop();
}

bool TForm2::ShowTip(const QString& title, const QString& text,
                     std::optional<QSystemTrayIcon::MessageIcon> icon,
                     std::function<void()> onClick) {
    BalloonTitle = title;
    BalloonHint = text;
    if (icon) BalloonFlags = *icon;
    return ShowBalloonHint(std::move(onClick));
}

bool TForm2::ShowBalloonHint(std::function<void()> onClick) {
    // A new balloon takes the place of the one showing, and of its click.
    m_balloonClicked = nullptr;
    closeNotification();
    // The tray keeps at most 63 characters of a title and 255 of a text, and
    // shows a balloon only while the icon itself is shown.
    if (!TrayIcon1->isVisible()) return false;
    if (Services.SystemTrayAvailable()) {
        m_balloonClicked = std::move(onClick);
        TrayIcon1->showMessage(BalloonTitle.left(63), BalloonHint.left(255), BalloonFlags,
                               kBalloonMs);
    } else {
        // No tray to show it: the desktop's notifications, or the debug channel.
        Notifications->Show(BalloonTitle.left(63), BalloonHint.left(255), BalloonFlags, kBalloonMs);
    }
    return true;
}

void TForm2::showNotification(std::shared_ptr<PageNotification> notification) {
    const bool shown =
        ShowTip(notification->title(), notification->message(), QSystemTrayIcon::Information,
                [this, clicked = std::weak_ptr<PageNotification>(notification)] {
                    TrayIcon1DblClick();
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

void TForm2::closeNotification() {
    m_notificationTimer->stop();
    if (auto closed = std::exchange(m_notification, nullptr))
        closed->report(PageNotification::Event::Closed);
}

void TForm2::showDownloadEnded(const QString& path, bool saved) {
    const QFileInfo file(path);
    if (!saved) {
        ShowTip(QStringLiteral("下载失败"), QStringLiteral("%1 没有保存。").arg(file.fileName()),
                QSystemTrayIcon::Warning);
        return;
    }
    ShowTip(QStringLiteral("下载完成"),
            QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(file.absoluteFilePath())),
            QSystemTrayIcon::Information,
            [folder = file.absolutePath()] { ShellOpen(QUrl::fromLocalFile(folder).toString()); });
}

void TForm2::exitFullScreen() {
    // The engine tells the window back through setFullScreen.
    WebBrowser1->exitFullScreen();
    setFullScreen(false);
}

void TForm2::setFullScreen(bool on) {
    if (on == m_fullScreen) return;
    m_fullScreen = on;
    if (on) {
        m_geometryBeforeFullScreen = geometry();
        Panel1->hide();
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setGeometry(m_geometryBeforeFullScreen);
        Panel1->show();
    }
    AlignPanels();
    FormResize();
}

void TForm2::HideToTray() {
    if (!isVisible()) return;
    // Back from the tray the game shows in its window, not over the screen.
    exitFullScreen();
    if (Services.SystemTrayAvailable()) {
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
    BalloonTitle = kHideBalloonTitle;
    BalloonHint = kHideBalloonText;
    ShowBalloonHint();
}

void TForm2::RestoreFromTray() {
    if (!isVisible()) {
        show();
        // Back from the tray, the player types into the game at once.
        activateWindow();
    }
    if (windowState() & Qt::WindowMinimized) setWindowState(Qt::WindowMaximized);
}

void TForm2::GraphicButton4Click(QObject*) {
    HideToTray();
}

void TForm2::TrayIcon1DblClick() {
    RestoreFromTray();
}

void TForm2::GraphicButton2Click(QObject*) {
    ApplySizeMode(SizeMode::Toggle);
}

void TForm2::GraphicButton3Click(QObject*) {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void TForm2::Image1MouseDown(Qt::MouseButton button, const QPoint& screenPoint) {
    if (Maximised || button != Qt::LeftButton) return;
    // The move starts once the pointer travels, so a double-click stays one.
    TitleDrag->Press(screenPoint);
}
void TForm2::Image2MouseDown(Qt::MouseButton button, const QPoint& screenPoint) {
    Image1MouseDown(button, screenPoint);
}
void TForm2::Label1MouseDown(Qt::MouseButton button, const QPoint& screenPoint) {
    Image1MouseDown(button, screenPoint);
}
void TForm2::Image1DblClick() {
    TitleDrag->Cancel();
    ApplySizeMode(SizeMode::Toggle);
}
void TForm2::Image2DblClick() {
    Image1DblClick();
}
void TForm2::Label1DblClick() {
    Image1DblClick();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool twice = event->type() == QEvent::MouseButtonDblClick;
        const QPoint at = mouse->globalPosition().toPoint();
        if (watched == Image1) twice ? Image1DblClick() : Image1MouseDown(mouse->button(), at);
        if (watched == Image2) twice ? Image2DblClick() : Image2MouseDown(mouse->button(), at);
        if (watched == Label1) twice ? Label1DblClick() : Label1MouseDown(mouse->button(), at);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm2::GraphicButton1Click(QObject*) {
    if (!Services.AskYesNo(this, QStringLiteral("亲，确定要退出游戏吗？"),
                           QStringLiteral("呜呜呜。。。")))
        return;
    WebBrowser1->Stop();
    close();  // not the main window: this hides it
    Values.ExitTicks = 2;
    try {
        WebBrowser1->Navigate(QStringLiteral("about:blank"));
        TrayIcon1->hide();
        Timer1->start();
        StopCommandServer();
    } catch (...) {
        // The process ends whatever happens here; a failure of the fallback
        // itself must not keep a half-closed game alive.
        try {
            WebBrowser1->Navigate(QStringLiteral("about:blank"));
            TrayIcon1->hide();
            StopCommandServer();
        } catch (...) {
        }
    }
    LeaveProcess();
}

void TForm2::LeaveProcess() {
    Services.ExitProcess(0);
}

void TForm2::Timer1Timer() {
    --Values.ExitTicks;
    if (Values.ExitTicks == 0) {
        Timer1->stop();
        emit ClosingNoticeRequested();
    }
}

void TForm2::WebBrowser1DocumentComplete(TWebBrowser*, const QString&) {
    if (!GameLoaded) return;
    WebBrowser1->setVisible(true);
    WebBrowser1->FocusPage();
    if (!WebBrowser1->HasDocument()) return;
    WebBrowser1->ClearBodyBorderWidth();
    Label1->setText(WebBrowser1->DocumentTitle());
    Label1->adjustSize();
}

void TForm2::RefreshUnlessBlank() {
    if (WebBrowser1->LocationURL().contains(QLatin1String("about:blank"))) return;
    WebBrowser1->Refresh();
}

void TForm2::GraphicButton5Click(QObject*) {
    WebBrowser1->Refresh();
}

void TForm2::GraphicButton6Click(QObject*) {
    WebBrowser1->Navigate(QStringLiteral("about:blank"));
    hide();
    TrayIcon1->hide();
    emit ServerListRequested();
}

void TForm2::ApplySizeMode(SizeMode mode) {
    if (mode == SizeMode::Toggle) mode = Maximised ? SizeMode::Normal : SizeMode::Maximised;
    if (mode == SizeMode::Normal || mode == SizeMode::Maximised) {
        Maximised = mode == SizeMode::Maximised;
        // The screen the window is on; before it shows, the one it is to open on.
        const QRect anchor = isVisible() ? frameGeometry() : screen()->geometry();
        setGeometry(PlaceGameWindow(mode, DesktopScreens(), anchor, geometry()));
        AlignPanels();
    }
    FormResize();
}

void TForm2::FormResize() {
    // The browser overhangs its panel by two pixels left and top and four
    // right and bottom, where the panel clips it; in full screen the page
    // covers the screen exactly.
    if (m_fullScreen) {
        WebBrowser1->setGeometry(Panel2->rect());
        return;
    }
    WebBrowser1->setGeometry(-2, -2, Panel2->width() + 6, Panel2->height() + 6);
}

void TForm2::AlignPanels() {
    if (m_fullScreen) {
        Panel2->setGeometry(rect());
        return;
    }
    const int innerWidth = std::max(0, width() - 2 * kPadding);
    Panel1->setGeometry(kPadding, kPadding, innerWidth, kStripHeight);
    // The buttons stay at the right end however narrow the window gets; the
    // area's left part goes past the strip's left edge instead.
    const int buttonAreaLeft = innerWidth - kButtonAreaWidth;
    Panel3->setGeometry(buttonAreaLeft, 0, kButtonAreaWidth, kStripHeight);
    Image1->setGeometry(0, 0, std::max(0, buttonAreaLeft), kStripHeight);
    Panel2->setGeometry(kPadding, kPadding + kStripHeight, innerWidth,
                        std::max(0, height() - 2 * kPadding - kStripHeight));
}

void TForm2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignPanels();
    FormResize();
}
