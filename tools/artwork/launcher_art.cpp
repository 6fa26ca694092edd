// Launcher window: background artwork, advisory text and button skins.

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>

#include "artwork.h"
#include "paint_kit.h"

namespace artwork {
namespace {

constexpr int kWidth = 1127;
constexpr int kHeight = 621;
// Where the browser panel lies; the frame is drawn around it.
const QRect kBrowserRect(486, 195, 605, 365);
// The plate carrying the landscape and the frame; the rim outside it stays clear.
const QRectF kPlate(14, 128, 1096, 492);

const QString kSans = QStringLiteral("Noto Sans CJK SC");
const QString kScript = QStringLiteral("Z003 [urw]");

QPainterPath platePath() {
    QPainterPath path;
    path.addRoundedRect(kPlate, 18, 18);
    return path;
}

void paintLandscape(QPainter& p) {
    QLinearGradient sky(QPointF(0, kPlate.top()), QPointF(0, kPlate.bottom()));
    sky.setColorAt(0.0, QColor(18, 40, 78));
    sky.setColorAt(0.5, QColor(14, 32, 64));
    sky.setColorAt(1.0, QColor(6, 14, 30));
    p.fillRect(kPlate, sky);

    // Moonlit halo behind the heroine so the white robes stand out.
    QRadialGradient halo(QPointF(262, 250), 300);
    halo.setColorAt(0.0, QColor(120, 190, 235, 150));
    halo.setColorAt(0.35, QColor(60, 120, 190, 90));
    halo.setColorAt(1.0, QColor(20, 50, 100, 0));
    p.fillRect(kPlate, halo);
    p.setPen(Qt::NoPen);
    QRadialGradient moon(QPointF(150, 210), 46);
    moon.setColorAt(0.0, QColor(235, 245, 255, 200));
    moon.setColorAt(0.8, QColor(190, 220, 245, 150));
    moon.setColorAt(1.0, QColor(190, 220, 245, 0));
    p.setBrush(moon);
    p.drawEllipse(QPointF(150, 210), 46, 46);

    // Ink-wash mountain ranges, lighter with distance, with mist between them.
    struct Range {
        double base, amp, freq;
        QColor colour;
        std::uint32_t seed;
    };
    const Range ranges[] = {
        {330, 120, 0.006, QColor(46, 82, 130, 200), 3},
        {410, 140, 0.005, QColor(30, 58, 100, 220), 4},
        {500, 120, 0.007, QColor(18, 38, 70, 235), 5},
        {580, 90, 0.009, QColor(10, 22, 44, 245), 6},
    };
    for (const Range& r : ranges) {
        const QPainterPath hills = ridgePath(kPlate.left(), kPlate.right(), r.base, r.amp,
                                             kPlate.bottom(), r.freq, r.seed);
        QLinearGradient g(QPointF(0, r.base - r.amp), QPointF(0, r.base + 80));
        g.setColorAt(0.0, r.colour);
        g.setColorAt(1.0, scaled(r.colour, 0.6));
        p.fillPath(hills, g);
        QLinearGradient mist(QPointF(0, r.base - 10), QPointF(0, r.base + 50));
        mist.setColorAt(0.0, QColor(150, 190, 230, 0));
        mist.setColorAt(0.5, QColor(150, 190, 230, 40));
        mist.setColorAt(1.0, QColor(150, 190, 230, 0));
        p.fillRect(QRectF(kPlate.left(), r.base - 10, kPlate.width(), 60), mist);
    }
    inkWash(p, QRectF(20, 150, 420, 200), QColor(170, 210, 240, 40), 10, 77);

    // Drifting motes of light around the heroine.
    Rng rng(78);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 70; ++i) {
        const QPointF c(rng.range(24, 460), rng.range(140, 600));
        const double r = rng.range(1.0, 3.2);
        QRadialGradient mote(c, r * 2.2);
        mote.setColorAt(0.0, QColor(220, 250, 255, static_cast<int>(rng.range(120, 230))));
        mote.setColorAt(1.0, QColor(120, 220, 255, 0));
        p.setBrush(mote);
        p.drawEllipse(c, r * 2.2, r * 2.2);
    }
}

void paintFrame(QPainter& p) {
    // Darken the landscape towards the panel so the page reads on a calm ground.
    QLinearGradient shade(QPointF(380, 0), QPointF(480, 0));
    shade.setColorAt(0.0, QColor(6, 14, 32, 0));
    shade.setColorAt(1.0, QColor(6, 14, 32, 235));
    p.fillRect(QRectF(380, kPlate.top(), kPlate.right() - 380, kPlate.height()), shade);

    // Header band above the panel, carrying the window buttons.
    const QRectF header(470, 134, 634, 50);
    QLinearGradient hg(header.topLeft(), header.bottomLeft());
    hg.setColorAt(0.0, QColor(22, 48, 90));
    hg.setColorAt(1.0, QColor(10, 24, 50));
    p.setPen(QPen(QColor(58, 104, 160), 1.0));
    p.setBrush(hg);
    p.drawRoundedRect(header, 6, 6);
    // Faint cloud scrolls along the header.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 9; ++i) {
        const double x = 500 + i * 56;
        p.setPen(QPen(QColor(90, 150, 210, 45), 1.2));
        p.drawArc(QRectF(x, 146, 26, 26), 0, 270 * 16);
        p.drawArc(QRectF(x + 8, 154, 12, 12), 90 * 16, 270 * 16);
    }
    // Plinth behind the window buttons.
    p.setPen(QPen(QColor(40, 80, 130), 1.0));
    p.setBrush(QColor(8, 18, 38));
    p.drawRoundedRect(QRectF(1012, 139, 90, 41), 5, 5);

    // Bevelled frame around the browser panel.
    const QRectF outer = QRectF(kBrowserRect).adjusted(-10, -10, 10, 10);
    QPainterPath ring;
    ring.addRoundedRect(outer, 6, 6);
    ring.addRect(kBrowserRect);
    ring.setFillRule(Qt::OddEvenFill);
    QLinearGradient fg(outer.topLeft(), outer.bottomRight());
    fg.setColorAt(0.0, QColor(40, 86, 150));
    fg.setColorAt(0.5, QColor(18, 46, 92));
    fg.setColorAt(1.0, QColor(30, 70, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(fg);
    p.drawPath(ring);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 180, 235), 1.0));
    p.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.setPen(QPen(QColor(6, 16, 36), 2.0));
    p.drawRect(QRectF(kBrowserRect).adjusted(-1, -1, 1, 1));
    p.setPen(QPen(QColor(90, 170, 230, 160), 1.0));
    p.drawRect(QRectF(kBrowserRect).adjusted(-3.5, -3.5, 3.5, 3.5));
    p.fillRect(kBrowserRect, QColor(8, 16, 32));

    // Jade-cyan corner studs.
    for (const QPointF& c :
         {outer.topLeft(), outer.topRight(), outer.bottomLeft(), outer.bottomRight()}) {
        QPainterPath d;
        d.moveTo(c + QPointF(0, -7));
        d.lineTo(c + QPointF(7, 0));
        d.lineTo(c + QPointF(0, 7));
        d.lineTo(c + QPointF(-7, 0));
        d.closeSubpath();
        QRadialGradient g(c, 7);
        g.setColorAt(0, QColor(200, 250, 255));
        g.setColorAt(1, QColor(40, 150, 200));
        p.setPen(QPen(QColor(10, 40, 70), 1.0));
        p.setBrush(g);
        p.drawPath(d);
    }

    // Footer band for the advisory, the clear-cache button and the version.
    const QRectF footer(470, 568, 636, 48);
    QLinearGradient bg(footer.topLeft(), footer.bottomLeft());
    bg.setColorAt(0.0, QColor(12, 26, 52));
    bg.setColorAt(1.0, QColor(6, 14, 30));
    p.setPen(QPen(QColor(40, 78, 128), 1.0));
    p.setBrush(bg);
    p.drawRoundedRect(footer, 5, 5);
}

void paintPlateBorder(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(70, 130, 190), 2.0));
    p.drawRoundedRect(kPlate.adjusted(1, 1, -1, -1), 17, 17);
    p.setPen(QPen(QColor(150, 210, 245, 110), 1.0));
    p.drawRoundedRect(kPlate.adjusted(4.5, 4.5, -4.5, -4.5), 14, 14);
}

void paintTitle(QPainter& p) {
    const QFont font = fontByFamily(kScript, 124, QFont::Normal, true);
    QPainterPath glyphs = textPath(QStringLiteral("Quorvane"), font, QPointF(0, 0));
    const QRectF ink = glyphs.boundingRect();
    glyphs.translate(QPointF(792, 70) - ink.center());

    // A sweeping brush stroke beneath the name, as if written in one breath.
    QPainterPath sweep;
    sweep.moveTo(520, 118);
    sweep.cubicTo(640, 100, 860, 96, 1060, 84);
    sweep.cubicTo(880, 108, 700, 118, 560, 126);
    sweep.closeSubpath();
    glyphs.addPath(sweep);
    glyphs.setFillRule(Qt::WindingFill);

    const QSize size(kWidth, kHeight);
    QImage mask = blankImage(kWidth, kHeight);
    {
        QPainter mp(&mask);
        mp.setRenderHint(QPainter::Antialiasing);
        mp.fillPath(glyphs, Qt::white);
    }
    p.drawImage(0, 0, glowOf(mask, QColor(4, 20, 40, 230), 6, 2.2));
    p.drawImage(0, 0, glowOf(mask, QColor(60, 220, 255), 9, 0.9));
    const QImage letters = brushLettering(
        size, glyphs,
        [&](QPainter& lp) {
            QLinearGradient g(QPointF(0, 10), QPointF(0, 128));
            g.setColorAt(0.0, QColor(225, 255, 255));
            g.setColorAt(0.4, QColor(110, 230, 250));
            g.setColorAt(1.0, QColor(30, 150, 210));
            lp.fillRect(QRect(QPoint(0, 0), size), g);
        },
        0.35, 404);
    p.drawImage(0, 0, letters);
}

QImage background() {
    QImage img = blankImage(kWidth, kHeight);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    {
        QImage plate = blankImage(kWidth, kHeight);
        QPainter pp(&plate);
        pp.setRenderHint(QPainter::Antialiasing);
        pp.setClipPath(platePath());
        paintLandscape(pp);
        pp.end();
        grainTexture(plate, 0.10, 40.0, 9);
        // Clip again with coverage so the rounded corners stay smooth.
        QImage shaped = blankImage(kWidth, kHeight);
        QPainter sp(&shaped);
        sp.setRenderHint(QPainter::Antialiasing);
        sp.fillPath(platePath(), Qt::white);
        sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
        sp.drawImage(0, 0, plate);
        sp.end();
        p.drawImage(0, 0, shaped);
    }
    paintFrame(p);
    paintPlateBorder(p);
    paintHeroine(p);
    paintTitle(p);
    p.end();
    return img;
}

QImage advisory() {
    QImage img = blankImage(339, 37);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font = fontByFamily(kSans, 12, QFont::Normal);
    const QString lines[] = {
        QStringLiteral("抵制不良游戏 拒绝盗版游戏 注意自我保护 谨防受骗上当"),
        QStringLiteral("适度游戏益脑 沉迷游戏伤身 合理安排时间 享受健康生活"),
    };
    // Spread the characters so both lines span the picture evenly.
    const double natural = QFontMetricsF(font).horizontalAdvance(lines[0]);
    font.setLetterSpacing(QFont::AbsoluteSpacing, (335.0 - natural) / (lines[0].size() - 1));
    p.setFont(font);
    p.setPen(QColor(150, 150, 150));
    p.drawText(QRectF(0, 0, 339, 18), Qt::AlignCenter, lines[0]);
    p.drawText(QRectF(0, 18, 339, 18), Qt::AlignCenter, lines[1]);
    return img;
}

QImage linkBar(const QString& text, bool pressed) {
    QImage img = blankImage(128, 35);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(QPointF(0, 0), QPointF(0, 35));
    g.setColorAt(0.0, QColor(44, 92, 156));
    g.setColorAt(0.48, QColor(22, 56, 112));
    g.setColorAt(0.52, QColor(16, 44, 94));
    g.setColorAt(1.0, QColor(12, 32, 70));
    p.fillRect(img.rect(), g);
    p.setPen(QPen(QColor(100, 170, 230), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 127, 34));
    p.setPen(QPen(QColor(6, 18, 40), 1.0));
    p.drawRect(QRectF(1.5, 1.5, 125, 32));
    // Small jade diamonds either side of the words.
    for (double x : {13.0, 115.0}) {
        QPainterPath d;
        d.moveTo(x, 13.5);
        d.lineTo(x + 4, 17.5);
        d.lineTo(x, 21.5);
        d.lineTo(x - 4, 17.5);
        d.closeSubpath();
        p.fillPath(d, QColor(120, 220, 240));
    }
    const QFont font = fontByFamily(kSans, 16, QFont::Bold);
    const QPainterPath glyphs = centredTextPath(text, font, QRectF(0, 0, 128, 35));
    p.fillPath(glyphs.translated(1, 1), QColor(4, 12, 28, 200));
    QLinearGradient tg(QPointF(0, 9), QPointF(0, 26));
    tg.setColorAt(0.0, QColor(250, 255, 255));
    tg.setColorAt(1.0, QColor(170, 220, 250));
    p.fillPath(glyphs, tg);
    p.end();
    if (pressed) scaleBrightness(img, 0.68);
    return img;
}

QImage glowingMark(const QPainterPath& mark, double width) {
    QImage shape = blankImage(31, 33);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        p.strokePath(mark, QPen(Qt::white, width + 2.0, Qt::SolidLine, Qt::RoundCap));
    }
    QImage img = glowOf(shape, QColor(140, 220, 255), 3, 1.3);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.strokePath(mark, QPen(QColor(255, 255, 255), width, Qt::SolidLine, Qt::RoundCap));
    return img;
}

QImage clearCacheBar() {
    QImage img = blankImage(88, 21);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(QPointF(0, 0), QPointF(0, 21));
    g.setColorAt(0.0, QColor(34, 62, 104));
    g.setColorAt(1.0, QColor(14, 28, 54));
    p.setPen(QPen(QColor(80, 130, 190), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 87, 20), 4, 4);
    const QFont font = fontByFamily(kSans, 12, QFont::Normal);
    p.fillPath(centredTextPath(QStringLiteral("清除缓存"), font, QRectF(0, 0, 88, 21)),
               QColor(200, 220, 240));
    return img;
}

}  // namespace

Pictures launcherPictures() {
    Pictures out;
    out.push_back({quorvane::pictures::kLauncherBackground, background(), Storage::Alpha});
    out.push_back({quorvane::pictures::kLauncherAdvisory, advisory(), Storage::Alpha});

    struct Link {
        const quorvane::pictures::Skins& names;
        const char16_t* text;
    };
    const Link links[] = {
        {quorvane::pictures::kLauncherLinkOfficialSite, u"官方网站"},
        {quorvane::pictures::kLauncherLinkTopUp, u"充值中心"},
        {quorvane::pictures::kLauncherLinkService, u"客服中心"},
        {quorvane::pictures::kLauncherLinkGameCentre, u"游戏中心"},
    };
    for (const Link& link : links) {
        const QString text = QString::fromUtf16(link.text);
        const QImage normal = linkBar(text, false);
        addSkins(out, link.names, normal, normal, linkBar(text, true), Storage::Opaque);
    }

    QPainterPath cross;
    cross.moveTo(10, 11);
    cross.lineTo(21, 22);
    cross.moveTo(21, 11);
    cross.lineTo(10, 22);
    const QImage close = glowingMark(cross, 2.4);
    addSkins(out, quorvane::pictures::kLauncherClose, close, close, close, Storage::Alpha);

    QPainterPath dash;
    dash.moveTo(9, 17);
    dash.lineTo(22, 17);
    const QImage minimise = glowingMark(dash, 2.6);
    addSkins(out, quorvane::pictures::kLauncherMinimise, minimise, minimise, minimise,
             Storage::Alpha);

    const QImage clear = clearCacheBar();
    addSkins(out, quorvane::pictures::kLauncherClearCache, clear, clear, clear, Storage::Alpha);
    return out;
}

}  // namespace artwork
