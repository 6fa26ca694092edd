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
    explicit LauncherCommandActions(TForm1* form) : form_(form) {}
    void Navigate(std::u16string address) override {
        QMetaObject::invokeMethod(
            form_,
            [form = form_, address = QString::fromStdU16String(address)] {
                form->WebBrowser1->Navigate(address);
            },
            Qt::QueuedConnection);
    }
    void ShowTip(std::u16string, std::u16string, std::int32_t) override {}

  private:
    TForm1* form_;
};

}  // namespace

TForm1::TForm1(SharedValues& values, ApplicationServices& services,
               BrowserEngineFactory engineFactory)
    : Values(values), Services(services) {
    Values.PlatformId = deployment::BuiltPlatformId;
    Values.FirstBlankPending = true;

    namespace pictures = quorvane::pictures;
    using namespace quorvane::widgets;

    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(1127, 621);
    // The default colour paints black, which the colour key makes see-through:
    // only the artwork's outline remains of the window.
    PaintBackground(this, Qt::black);
    setFont(MakeFont({"Tahoma", "DejaVu Sans"}, 11));

    Image1 = MakeImage(this, pictures::kLauncherBackground, QRect(0, 0, 1127, 621));
    Label1 = MakeLabel(this, QStringLiteral("v17.05.22.01"), QPoint(1014, 602),
                       MakeFont({"Tahoma", "DejaVu Sans"}, 11), QColor(128, 128, 128));
    Image2 = MakeImage(this, pictures::kLauncherAdvisory, QRect(600, 573, 339, 37));

    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(128, 587, 329, 21);
    Edit1->setText(
        QStringLiteral("client://loadgame|http://%1/game.html?server=1&name=%E9%9D%92%E9%BE%99")
            .arg(QString::fromLatin1(deployment::PortalHost)));
    Button1 = new QPushButton(QStringLiteral("GO"), this);
    Button1->setGeometry(471, 585, 75, 25);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    Panel1 = MakePanel(this, QRect(490, 204, 128, 35));
    GraphicButton0 = MakeButton(Panel1, pictures::kLauncherLinkOfficialSite, QRect(0, 0, 128, 35));
    connect(GraphicButton0, &TGraphicButton::OnClick, this, &TForm1::GraphicButton0Click);
    Panel2 = MakePanel(this, QRect(620, 204, 128, 35));
    GraphicButton2 = MakeButton(Panel2, pictures::kLauncherLinkTopUp, QRect(0, 0, 128, 35));
    connect(GraphicButton2, &TGraphicButton::OnClick, this, &TForm1::GraphicButton2Click);
    Panel3 = MakePanel(this, QRect(750, 204, 128, 35));
    GraphicButton3 = MakeButton(Panel3, pictures::kLauncherLinkService, QRect(0, 0, 128, 35));
    connect(GraphicButton3, &TGraphicButton::OnClick, this, &TForm1::GraphicButton3Click);
    Panel4 = MakePanel(this, QRect(880, 204, 128, 36));
    GraphicButton4 = MakeButton(Panel4, pictures::kLauncherLinkGameCentre, QRect(0, 0, 128, 35));
    connect(GraphicButton4, &TGraphicButton::OnClick, this, &TForm1::GraphicButton4Click);
    Panel5 = MakePanel(this, QRect(1064, 143, 31, 33));
    GraphicButton5 = MakeButton(Panel5, pictures::kLauncherClose, QRect(0, 0, 31, 33));
    connect(GraphicButton5, &TGraphicButton::OnClick, this, &TForm1::GraphicButton5Click);

    Panel6 = MakePanel(this, QRect(486, 195, 605, 365));
    WebBrowser1 = new TWebBrowser(Panel6, engineFactory ? engineFactory(Panel6) : nullptr);
    WebBrowser1->setGeometry(0, 0, 605, 365);
    // The engine paints the loading page's colour until the first page does,
    // never a white flash.
    WebBrowser1->SetBackgroundColor(QColor(0x0e, 0x09, 0x05));
    // The page holds the keyboard from the start, so the player can type
    // into the server list without clicking it first.
    WebBrowser1->setFocus();
    WebBrowser1->setPageRole(PageRole::Launcher);
    connect(WebBrowser1, &TWebBrowser::windowReleasable, this, [this] { destroy(); });
    WebBrowser1->setSiteHosts(DeploymentHosts());
    connect(WebBrowser1, &TWebBrowser::OnNavigateComplete2, this,
            &TForm1::WebBrowser1NavigateComplete2);
    // Each new page gets the keyboard, unless the player is typing an address
    // into the debug URL box.
    connect(WebBrowser1, &TWebBrowser::OnDocumentComplete, this, [this] {
        if (!Edit1->hasFocus() && !Button1->hasFocus()) WebBrowser1->FocusPage();
    });

    Panel7 = MakePanel(this, QRect(1020, 143, 31, 33));
    GraphicButton1 = MakeButton(Panel7, pictures::kLauncherMinimise, QRect(0, 0, 31, 33));
    connect(GraphicButton1, &TGraphicButton::OnClick, this, &TForm1::GraphicButton1Click);
    Panel8 = MakePanel(this, QRect(1002, 570, 88, 21));
    GraphicButton6 = MakeButton(Panel8, pictures::kLauncherClearCache, QRect(0, 0, 88, 21));
    connect(GraphicButton6, &TGraphicButton::OnClick, this, &TForm1::GraphicButton6Click);
    setTabOrder(Edit1, Button1);

    CommandActions = std::make_unique<LauncherCommandActions>(this);
    IdTCPServer0 = std::make_unique<quorvane::command::CommandServer>(
        quorvane::command::ServerKind::kLauncher, Values.LauncherCommandPort, *CommandActions);
    Timer1 = new QTimer(this);
    Timer1->setInterval(60000);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();

    ColourKey = new ColourKeyShape(this, Qt::black, {WebBrowser1});
    // The artwork, the advisory and the version label have no window of their
    // own: they are the launcher's surface, which drags the window.
    Frame = new FramelessFrame(this, &LauncherHitTest);
    Frame->AddSurface(Image1);
    Frame->AddSurface(Label1);
    Frame->AddSurface(Image2);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    RealEngine = !engineFactory;
    FormCreate();
}

TForm1::~TForm1() {
    // Workers must be gone before the actions they call into.
    IdTCPServer0->Stop();
}

void TForm1::StartBrowser() {
    // The cache learns of cookies from the moment it exists, so it comes
    // before the engine loads anything.
    if (RealEngine && !UrlCacheStore) {
        auto cache = std::make_unique<ProfileUrlCache>(SharedBrowserProfile());
        ProfileCache = cache.get();
        connect(ProfileCache, &ProfileUrlCache::ClearFinished, this, &TForm1::CacheClearFinished);
        UrlCacheStore = std::move(cache);
    }
    WebBrowser1->StartEngine();
}

void TForm1::FormCreate() {
    Services.SetOnMessage(
        [self = QPointer<TForm1>(this)](const AppMessage& message, bool& handled) {
            if (self) self->AEMessage(message, handled);
        });
    // The browser carries these out once it has started (StartBrowser).
    WebBrowser1->Navigate(QStringLiteral("about:blank"));
    Edit1->hide();
    Button1->hide();
    LoadStartPage();
    quorvane::platform::PlaceDesktopShortcut();
    StartCommandServer();
}

void TForm1::StartCommandServer() {
    IdTCPServer0->Start();
    Edit1->setText(QString::fromStdU16String(std::u16string(quorvane::command::kServerStartText)));
}

void TForm1::StopCommandServer() {
    IdTCPServer0->Stop();
}

void TForm1::Timer1Timer() {
    StopCommandServer();
    Timer1->stop();
}

void TForm1::AEMessage(const AppMessage& message, bool& handled) {
    KeyFilter.AEMessage(message, handled);
}

bool TForm1::IsInsideBrowser(const QObject* target) const {
    const auto* widget = qobject_cast<const QWidget*>(target);
    return widget && WebBrowser1->isAncestorOf(widget);
}

QString TForm1::LinkPageUrl(LinkPage type) {
    return QString::fromStdString(
        BuildLinkPageUrl(deployment::LinkHost, Values.PlatformId, type, Random.Draw()));
}

void TForm1::OpenLinkPage(LinkPage type) {
    ShellOpen(LinkPageUrl(type));
}

void TForm1::GraphicButton0Click(QObject*) {
    OpenLinkPage(LinkPage::OfficialSite);
}
void TForm1::GraphicButton2Click(QObject*) {
    OpenLinkPage(LinkPage::TopUp);
}
void TForm1::GraphicButton3Click(QObject*) {
    OpenLinkPage(LinkPage::CustomerService);
}
void TForm1::GraphicButton4Click(QObject*) {
    OpenLinkPage(LinkPage::GameCentre);
}

void TForm1::GraphicButton1Click(QObject*) {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void TForm1::GraphicButton5Click(QObject*) {
    if (Timer1->isActive()) Timer1->stop();
    StopCommandServer();
    close();
}

void TForm1::GraphicButton6Click(QObject*) {
    // A clear goes on after its click; a second one would only restart the
    // engine's network once more while the first puts the cookies back.
    if (CacheClearRunning()) return;
    if (!Services.AskYesNo(this, QStringLiteral("确定要清除浏览器缓存？"), QStringLiteral("确认")))
        return;
    setCursor(Qt::WaitCursor);
    if (UrlCacheStore) quorvane::platform::ClearUrlCache(*UrlCacheStore);
    if (!CacheClearRunning()) unsetCursor();
}

bool TForm1::CacheClearRunning() const {
    return ProfileCache && ProfileCache->IsClearing();
}

void TForm1::CacheClearFinished() {
    unsetCursor();
    if (auto gameUrl = std::exchange(DeferredHandOff, std::nullopt)) HandOff(*gameUrl);
}

void TForm1::LoadStartPage() {
    if (Values.PlatformId == 0) {
        WebBrowser1->Navigate(QStringLiteral("about:blank"));
        Edit1->show();
        Button1->show();
        return;
    }
    Random.Seed(static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch()));
    const int ver = Random.Draw();
    WebBrowser1->Navigate(QString::fromStdString(
        BuildStartPageUrl(deployment::StartPageHost, Values.PlatformId, ver)));
}

QStringList TForm1::FirstBlankScripts() {
    return {
        QStringLiteral("document.write('<p align=\"center\"><font color=\"#cccccc\">loading"
                       "\u2026\u2026</font></p>')"),
        QStringLiteral("document.body.style.backgroundColor='#0e0905';"),
        QStringLiteral("document.body.scroll='no';"),
        // The engine ignores body.scroll; this is how it hides the scroll bars.
        QStringLiteral("document.documentElement.style.overflow='hidden';"),
    };
}

QStringList TForm1::DeploymentHosts() {
    return {QString::fromLatin1(deployment::StartPageHost),
            QString::fromLatin1(deployment::PortalHost), QString::fromLatin1(deployment::LinkHost)};
}

void TForm1::RunPageScript(const QString& code) {
    if (!WebBrowser1->HasDocument()) return;
    WebBrowser1->ExecScript(code);
}

void TForm1::WebBrowser1NavigateComplete2(TWebBrowser*, const QString& completedUrl) {
    const QString url = QString::fromStdU16String(WithLiteralHandOffMarker(std::u16string_view(
        reinterpret_cast<const char16_t*>(completedUrl.utf16()), completedUrl.size())));
    const std::string ansiUrl = AnsiOf(url);
    const CompletionDecision decision =
        ClassifyCompletion(ansiUrl, Values.FirstBlankPending,
                           SiteHosts{deployment::StartPageHost, deployment::PortalHost});

    switch (decision.action) {
        case CompletionAction::StyleFirstBlank:
            for (const QString& script : FirstBlankScripts()) RunPageScript(script);
            Values.FirstBlankPending = false;
            return;
        case CompletionAction::HandOffCut:
            HandOff(QString::fromStdU16String(DropAnsiBytes(
                std::u16string_view(reinterpret_cast<const char16_t*>(url.utf16()), url.size()),
                kHandOffMarkerLength)));
            break;
        case CompletionAction::HandOffWhole:
            HandOff(url);
            break;
        case CompletionAction::StatusOnly:
            break;
    }
    Edit1->setText(WebBrowser1->LocationURL());
}

void TForm1::HandOff(const QString& gameUrl) {
    // While the cache is cleared the engine's network restarts and the login
    // cookies are put back: the game's first requests would go out without
    // them, so the hand-off waits for the clear.
    if (CacheClearRunning()) {
        DeferredHandOff = gameUrl;
        return;
    }
    StopCommandServer();
    WebBrowser1->Navigate(QStringLiteral("about:blank"));
    WebBrowser1->Stop();
    hide();
    emit GameRequested(gameUrl);
}

void TForm1::Button1Click() {
    WebBrowser1->Navigate(Edit1->text());
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The launcher is the main window: closing it ends the application.
    QWidget::closeEvent(event);
    if (event->isAccepted()) QApplication::quit();
}
