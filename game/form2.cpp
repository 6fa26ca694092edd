#include "game/form2.h"

#include <QApplication>
#include <QScreen>

#include "app/shared_values.h"
#include "game/size_mode.h"

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

}  // namespace

TForm2::TForm2(BrowserEngineFactory engineFactory) {
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowFlag(Qt::FramelessWindowHint);
    Paint(this, Qt::black);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    setFont(tahoma);
    resize(1208, 700);

    Panel1 = new QWidget(this);
    Paint(Panel1, Qt::black);

    Label1 = new QLabel(QStringLiteral("       "), Panel1);
    Label1->move(383, 9);
    QFont titleFont(QStringLiteral("Microsoft YaHei UI Light"));
    titleFont.setPixelSize(17);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    QPalette labelPalette = Label1->palette();
    labelPalette.setColor(QPalette::WindowText, palette().color(QPalette::Dark));
    Label1->setPalette(labelPalette);
    Label1->adjustSize();

    Panel3 = new QWidget(Panel1);
    Paint(Panel3, Qt::black);

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

void TForm2::GraphicButton5Click() { WebBrowser1->Refresh(); }

void TForm2::GraphicButton6Click() {
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
    Panel3->setGeometry(std::max(0, innerWidth - kButtonAreaWidth), 0, kButtonAreaWidth,
                        kStripHeight);
    Panel2->setGeometry(kPadding, kPadding + kStripHeight, innerWidth,
                        std::max(0, height() - 2 * kPadding - kStripHeight));
}

void TForm2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignPanels();
    FormResize();
}
