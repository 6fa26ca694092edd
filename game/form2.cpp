#include "game/form2.h"

#include <QApplication>
#include <QScreen>

#include "app/shared_values.h"
#include "game/size_mode.h"
#include "resources/picture_names.h"
#include "widgets/layout.h"

namespace {

constexpr int kPadding = 2;
constexpr int kStripHeight = 45;
constexpr int kButtonAreaWidth = 422;

}  // namespace

TForm2::TForm2(BrowserEngineFactory engineFactory) {
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
    GraphicButton2 = MakeButton(Panel3, pictures::kGameSizeToggle, QRect(329, 2, 29, 24));
    GraphicButton3 = MakeButton(Panel3, pictures::kGameMinimise, QRect(300, 2, 29, 24));
    GraphicButton4 = MakeButton(Panel3, pictures::kGameHide, QRect(170, 18, 81, 24));
    GraphicButton5 = MakeButton(Panel3, pictures::kGameRefresh, QRect(85, 18, 81, 24));
    GraphicButton5->SetOnClick(this, &TForm2::GraphicButton5Click);
    GraphicButton6 = MakeButton(Panel3, pictures::kGameSwitchServer, QRect(0, 18, 81, 24));
    GraphicButton6->SetOnClick(this, &TForm2::GraphicButton6Click);

    Panel2 = MakePanel(this, QRect(2, 47, 1204, 651), QColor(128, 0, 128));
    WebBrowser1 = new TWebBrowser(Panel2, engineFactory ? engineFactory(Panel2) : nullptr);
    WebBrowser1->setGeometry(-2, -2, 911, 560);
    connect(WebBrowser1, &TWebBrowser::OnDocumentComplete, this,
            &TForm2::WebBrowser1DocumentComplete);

    TrayIcon1 = new QSystemTrayIcon(QApplication::windowIcon(), this);
    TrayIcon1->setToolTip(QApplication::applicationName());

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

TForm2::~TForm2() = default;

void TForm2::OpenGame(const QString& url) {
    WebBrowser1->Navigate(url);
    GameLoaded = true;
    ApplySizeMode(url.contains(QLatin1String("windowsize=max")) ? 1 : 0);
    TrayIcon1->show();
}

void TForm2::WebBrowser1DocumentComplete(TWebBrowser*, const QString&) {
    if (!GameLoaded) return;
    WebBrowser1->setVisible(true);
    WebBrowser1->setFocus();
    if (!WebBrowser1->HasDocument()) return;
    WebBrowser1->ClearBodyBorderWidth();
    Label1->setText(WebBrowser1->DocumentTitle());
    Label1->adjustSize();
}

void TForm2::RefreshUnlessBlank() {
    if (WebBrowser1->LocationURL().contains(QLatin1String("about:blank"))) return;
    WebBrowser1->Refresh();
}

void TForm2::GraphicButton5Click(QObject*) { WebBrowser1->Refresh(); }

void TForm2::GraphicButton6Click(QObject*) {
    WebBrowser1->Navigate(QStringLiteral("about:blank"));
    hide();
    TrayIcon1->hide();
    Form1->show();
    Form1->LoadStartPage();
}

void TForm2::ApplySizeMode(int mode) {
    if (mode == 2) mode = Maximised ? 0 : 1;
    if (mode == 0 || mode == 1) {
        Maximised = mode == 1;
        setGeometry(SizeModeGeometry(mode, WorkAreaWidth, WorkAreaHeight, geometry()));
        AlignPanels();
    }
    FormResize();
}

void TForm2::FormResize() {
    WebBrowser1->resize(Panel2->width() + 6, Panel2->height() + 6);
}

void TForm2::AlignPanels() {
    const int innerWidth = std::max(0, width() - 2 * kPadding);
    Panel1->setGeometry(kPadding, kPadding, innerWidth, kStripHeight);
    const int buttonAreaLeft = std::max(0, innerWidth - kButtonAreaWidth);
    Panel3->setGeometry(buttonAreaLeft, 0, kButtonAreaWidth, kStripHeight);
    Image1->setGeometry(0, 0, buttonAreaLeft, kStripHeight);
    Panel2->setGeometry(kPadding, kPadding + kStripHeight, innerWidth,
                        std::max(0, height() - 2 * kPadding - kStripHeight));
}

void TForm2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignPanels();
    FormResize();
}
