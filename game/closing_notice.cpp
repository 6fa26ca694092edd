#include "game/closing_notice.h"

#include "resources/picture_names.h"
#include "widgets/layout.h"

ClosingNotice::ClosingNotice(ApplicationServices& services) : m_services(services) {
    namespace pictures = quorvane::pictures;
    using namespace quorvane::widgets;

    setWindowTitle(QStringLiteral("Form3"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    resize(350, 133);
    PaintBackground(this, QColor(0, 0, 255));
    setFont(MakeFont({"Tahoma", "DejaVu Sans"}, 11));

    const QFont countdownFont = MakeFont({"Tahoma", "DejaVu Sans", "Noto Sans CJK SC"}, 13);
    const QColor lime(0, 255, 0);
    m_banner = MakeImage(this, pictures::kNoticeBanner, QRect(32, 32, 281, 73));
    m_arrowUpLeft = MakeImage(this, pictures::kNoticeArrowUpLeft, QRect(6, 8, 73, 57));
    m_arrowUpRight = MakeImage(this, pictures::kNoticeArrowUpRight, QRect(293, 9, 51, 57));
    m_arrowDownRight = MakeImage(this, pictures::kNoticeArrowDownRight, QRect(271, 78, 66, 41));
    m_arrowDownLeft = MakeImage(this, pictures::kNoticeArrowDownLeft, QRect(6, 62, 73, 57));
    m_closesLabel =
        MakeLabel(this, QStringLiteral("秒之后自动关闭。"), QPoint(141, 78), countdownFont, lime);
    m_closesLabel->resize(120, 16);
    m_countdownLabel = MakeLabel(this, QStringLiteral("5"), QPoint(128, 77), countdownFont, lime);
    m_closePanel = MakePanel(this, QRect(20, 20, 34, 34));
    m_closeButton = MakeButton(m_closePanel, pictures::kNoticeClose, QRect(0, 0, 35, 34));
    connect(m_closeButton, &SkinnedButton::clicked, this, &ClosingNotice::onCloseClicked);

    m_countdownTimer = new QTimer(this);
    m_countdownTimer->setInterval(1000);
    connect(m_countdownTimer, &QTimer::timeout, this, &ClosingNotice::onCountdownTick);

    m_colourKey = new ColourKeyShape(this, QColor(0, 0, 255));
}

void ClosingNotice::onCountdownTick() {
    if (m_noticeSeconds <= 0) {
        m_services.exitProcess(0);
        return;
    }
    m_countdownLabel->setText(QString::asprintf("%i", m_noticeSeconds));
    m_countdownLabel->adjustSize();
    --m_noticeSeconds;
}

void ClosingNotice::onCloseClicked(QObject*) {
    m_services.exitProcess(0);
}
