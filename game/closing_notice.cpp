#include "game/closing_notice.h"

#include "resources/picture_names.h"
#include "widgets/layout.h"

TForm3::TForm3(SharedValues& values, ApplicationServices& services)
    : Values(values), Services(services) {
    namespace pictures = quorvane::pictures;
    using namespace quorvane::widgets;

    setWindowTitle(QStringLiteral("Form3"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    resize(350, 133);
    PaintBackground(this, QColor(0, 0, 255));
    setFont(MakeFont({"Tahoma", "DejaVu Sans"}, 11));

    const QFont countdownFont = MakeFont({"Tahoma", "DejaVu Sans", "Noto Sans CJK SC"}, 13);
    const QColor lime(0, 255, 0);
    Image1 = MakeImage(this, pictures::kNoticeBanner, QRect(32, 32, 281, 73));
    Image2 = MakeImage(this, pictures::kNoticeArrowUpLeft, QRect(6, 8, 73, 57));
    Image3 = MakeImage(this, pictures::kNoticeArrowUpRight, QRect(293, 9, 51, 57));
    Image4 = MakeImage(this, pictures::kNoticeArrowDownRight, QRect(271, 78, 66, 41));
    Image5 = MakeImage(this, pictures::kNoticeArrowDownLeft, QRect(6, 62, 73, 57));
    Label1 =
        MakeLabel(this, QStringLiteral("秒之后自动关闭。"), QPoint(141, 78), countdownFont, lime);
    Label1->resize(120, 16);
    Label2 = MakeLabel(this, QStringLiteral("5"), QPoint(128, 77), countdownFont, lime);
    Panel1 = MakePanel(this, QRect(20, 20, 34, 34));
    GraphicButton1 = MakeButton(Panel1, pictures::kNoticeClose, QRect(0, 0, 35, 34));
    connect(GraphicButton1, &TGraphicButton::OnClick, this, &TForm3::GraphicButton1Click);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm3::Timer1Timer);

    ColourKey = new ColourKeyShape(this, QColor(0, 0, 255));
}

void TForm3::Timer1Timer() {
    if (Values.NoticeSeconds <= 0) {
        Services.ExitProcess(0);
        return;
    }
    Label2->setText(QString::asprintf("%i", Values.NoticeSeconds));
    Label2->adjustSize();
    --Values.NoticeSeconds;
}

void TForm3::GraphicButton1Click(QObject*) {
    Services.ExitProcess(0);
}
