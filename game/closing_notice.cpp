#include "game/closing_notice.h"

#include "resources/picture_names.h"
#include "widgets/colour_key.h"
#include "widgets/layout.h"

namespace {

namespace pictures = quorvane::pictures;
using quorvane::widgets::ButtonPlace;
using quorvane::widgets::PicturePlace;

constexpr QSize kWindowSize(350, 133);
// The window's own colour, which the colour key makes see-through.
constexpr QColor kKeyedBlue(0, 0, 255);
constexpr QColor kLime(0, 255, 0);
constexpr int kTickMs = 1000;

const PicturePlace kPictures[] = {
    {"Image1", pictures::kNoticeBanner, QRect(32, 32, 281, 73)},
    {"Image2", pictures::kNoticeArrowUpLeft, QRect(6, 8, 73, 57)},
    {"Image3", pictures::kNoticeArrowUpRight, QRect(293, 9, 51, 57)},
    {"Image4", pictures::kNoticeArrowDownRight, QRect(271, 78, 66, 41)},
    {"Image5", pictures::kNoticeArrowDownLeft, QRect(6, 62, 73, 57)},
};
// The closes-in text, wider than its letters need, and the number before it.
constexpr QRect kClosesLabel(141, 78, 120, 16);
constexpr QPoint kCountdownPlace(128, 77);

}  // namespace

ClosingNotice::ClosingNotice(ApplicationServices& services) : m_services(services) {
    using namespace quorvane::widgets;
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Form3"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    resize(kWindowSize);
    paintBackground(this, kKeyedBlue);
    setFont(makeFont({"Tahoma", "DejaVu Sans"}, 11));

    for (const PicturePlace& place : kPictures) makeImage(this, place);
    const QFont countdownFont = makeFont({"Tahoma", "DejaVu Sans", "Noto Sans CJK SC"}, 13);
    QLabel* closes = makeLabel(this, "Label1", QStringLiteral("秒之后自动关闭。"),
                               kClosesLabel.topLeft(), countdownFont, kLime);
    closes->resize(kClosesLabel.size());
    m_countdownLabel =
        makeLabel(this, "Label2", QStringLiteral("5"), kCountdownPlace, countdownFont, kLime);
    makeButtons(this, this,
                {{"GraphicButton1", "Panel1", pictures::kNoticeClose, QRect(20, 20, 34, 34),
                  &ClosingNotice::onCloseClicked}});

    m_countdownTimer = new QTimer(this);
    m_countdownTimer->setObjectName(QStringLiteral("Timer1"));
    m_countdownTimer->setInterval(kTickMs);
    connect(m_countdownTimer, &QTimer::timeout, this, &ClosingNotice::onCountdownTick);

    new ColourKeyShape(this, kKeyedBlue);
}

void ClosingNotice::onCountdownTick() {
    if (m_seconds <= 0) {
        m_services.exitProcess(0);
        return;
    }
    m_countdownLabel->setText(QString::number(m_seconds));
    m_countdownLabel->adjustSize();
    --m_seconds;
}

void ClosingNotice::onCloseClicked() {
    m_services.exitProcess(0);
}
