#include "game/form2.h"

#include <QApplication>
#include <QScreen>

#include "app/shared_values.h"
#include "game/size_mode.h"
#include "resources/picture_names.h"

namespace {

constexpr int kPadding = 2;
constexpr int kStripHeight = 45;
constexpr int kButtonAreaWidth = 422;

void Paint(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

// A picture control: unscaled at its box's top-left unless stretched.
QLabel* MakeImage(QWidget* parent, const char* picture, const QRect& box, bool stretch = false) {
    auto* image = new QLabel(parent);
    image->setGeometry(box);
    image->setPixmap(QPixmap(QString::fromLatin1(picture)));
    image->setScaledContents(stretch);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

TGraphicButton* MakeButton(QWidget* parent, const quorvane::pictures::Skins& skins, const QRect& box) {
    auto* button = new TGraphicButton(parent);
    button->setGeometry(box);
    button->SetSkinNormal(QPixmap(QString::fromLatin1(skins.normal)));
    button->SetSkinOver(QPixmap(QString::fromLatin1(skins.hover)));
    button->SetSkinDown(QPixmap(QString::fromLatin1(skins.pressed)));
    return button;
}

}  // namespace

TForm2::TForm2(BrowserEngineFactory engineFactory) {
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowFlag(Qt::FramelessWindowHint);
    Paint(this, Qt::black);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    setFont(tahoma);
    resize(1208, 700);

    namespace pictures = quorvane::pictures;
    // Controls in creation order; later siblings stack above earlier ones.
    Panel1 = new QWidget(this);
    Paint(Panel1, Qt::black);
    Image1 = MakeImage(Panel1, pictures::kGameStrip, QRect(0, 0, 782, 45), true);

    Label1 = new QLabel(QStringLiteral("       "), Panel1);
    Label1->move(383, 9);
    QFont titleFont;
    titleFont.setFamilies({QStringLiteral("Microsoft YaHei UI Light"), QStringLiteral("Noto Sans CJK SC")});
    titleFont.setPixelSize(17);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    QPalette labelPalette = Label1->palette();
    labelPalette.setColor(QPalette::WindowText, QColor(160, 160, 160));  // button shadow
    Label1->setPalette(labelPalette);
    Label1->adjustSize();

    Image4 = MakeImage(Panel1, pictures::kGameFigure, QRect(0, 0, 110, 45));
    Image3 = MakeImage(Panel1, pictures::kGameTitle, QRect(74, 2, 101, 45));

    Panel3 = new QWidget(Panel1);
    Paint(Panel3, Qt::black);
    Image2 = MakeImage(Panel3, pictures::kGameStripRight, QRect(0, 0, 422, 45));
    GraphicButton1 = MakeButton(Panel3, pictures::kGameExit, QRect(358, 2, 57, 24));
    GraphicButton2 = MakeButton(Panel3, pictures::kGameSizeToggle, QRect(329, 2, 29, 24));
    GraphicButton3 = MakeButton(Panel3, pictures::kGameMinimise, QRect(300, 2, 29, 24));
    GraphicButton4 = MakeButton(Panel3, pictures::kGameHide, QRect(170, 18, 81, 24));
    GraphicButton5 = MakeButton(Panel3, pictures::kGameRefresh, QRect(85, 18, 81, 24));
    GraphicButton5->SetOnClick(this, &TForm2::GraphicButton5Click);
    GraphicButton6 = MakeButton(Panel3, pictures::kGameSwitchServer, QRect(0, 18, 81, 24));
    GraphicButton6->SetOnClick(this, &TForm2::GraphicButton6Click);

    Panel2 = new QWidget(this);
    Paint(Panel2, QColor(128, 0, 128));

    WebBrowser1 = new TWebBrowser(Panel2, engineFactory ? engineFactory(Panel2) : nullptr);
    WebBrowser1->move(-2, -2);
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
