// The heroine of the launcher artwork: a swordswoman in white robes, facing the
// panel on the right, with wind pulling her hair, sleeves and ribbon to the left.

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>
#include <vector>

#include "artwork.h"
#include "paint_kit.h"

namespace artwork {
namespace {

// Band of varying width along a centre line; tapering bands give hair, ribbons
// and sleeves the flowing look a constant-width stroke cannot.
QPainterPath band(const QPainterPath& centre, double w0, double w1, double wave = 0.0,
                  int steps = 60) {
    std::vector<QPointF> left;
    std::vector<QPointF> right;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const QPointF a = centre.pointAtPercent(std::max(0.0, t - 0.005));
        const QPointF b = centre.pointAtPercent(std::min(1.0, t + 0.005));
        QPointF n(-(b.y() - a.y()), b.x() - a.x());
        const double len = std::hypot(n.x(), n.y());
        if (len > 0) n /= len;
        const double w = (w0 + (w1 - w0) * t) * (1.0 + wave * std::sin(t * 9.0)) / 2.0;
        const QPointF c = centre.pointAtPercent(t);
        left.push_back(c + n * w);
        right.push_back(c - n * w);
    }
    QPainterPath path;
    path.moveTo(left.front());
    for (const QPointF& pt : left) path.lineTo(pt);
    for (auto it = right.rbegin(); it != right.rend(); ++it) path.lineTo(*it);
    path.closeSubpath();
    return path;
}

QPainterPath curve(QPointF a, QPointF c1, QPointF c2, QPointF b) {
    QPainterPath p(a);
    p.cubicTo(c1, c2, b);
    return p;
}

const QColor kOutline(64, 84, 120);
const QColor kHair(22, 26, 40);
const QColor kHairSheen(70, 86, 122);

QBrush robeBrush(const QRectF& box) {
    QLinearGradient g(box.topLeft(), box.topRight());
    g.setColorAt(0.0, QColor(150, 166, 196));
    g.setColorAt(0.45, QColor(222, 230, 242));
    g.setColorAt(0.8, QColor(250, 252, 255));
    g.setColorAt(1.0, QColor(208, 222, 240));
    return QBrush(g);
}

void paintRobePart(QPainter& p, const QPainterPath& path) {
    p.setPen(QPen(kOutline, 1.4));
    p.setBrush(robeBrush(path.boundingRect()));
    p.drawPath(path);
}

void paintFolds(QPainter& p, const QPainterPath& clip, QPointF from0, QPointF from1, QPointF to0,
                QPointF to1, int count, std::uint32_t seed) {
    Rng rng(seed);
    p.save();
    p.setClipPath(clip);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        const double t = (i + rng.range(0.1, 0.9)) / count;
        const QPointF a = from0 + (from1 - from0) * t;
        const QPointF b = to0 + (to1 - to0) * std::pow(t, 0.9);
        const QPointF along = b - a;
        const QPointF c1 = a + along * rng.range(0.2, 0.4) + QPointF(rng.range(-22, 22), 0);
        const QPointF c2 = a + along * rng.range(0.6, 0.8) + QPointF(rng.range(-22, 22), 0);
        // Folds start a little below the seam and fade before the hem at random.
        const QPointF start = a + along * rng.range(0.0, 0.15);
        const QPointF end = a + along * rng.range(0.75, 1.0);
        QColor c(110, 130, 168, static_cast<int>(rng.range(50, 130)));
        p.setPen(QPen(c, rng.range(0.7, 2.2), Qt::SolidLine, Qt::RoundCap));
        QPainterPath fold(start);
        fold.cubicTo(c1, c2, end);
        p.drawPath(fold);
        // A light edge beside each fold gives the cloth its relief.
        p.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
        p.drawPath(fold.translated(1.6, 0));
    }
    p.restore();
}

void paintRibbon(QPainter& p) {
    QLinearGradient g(QPointF(20, 200), QPointF(330, 300));
    g.setColorAt(0.0, QColor(120, 220, 240, 40));
    g.setColorAt(0.5, QColor(150, 230, 250, 150));
    g.setColorAt(1.0, QColor(190, 240, 255, 200));
    p.setBrush(g);
    p.setPen(QPen(QColor(120, 200, 230, 120), 1.0));
    p.drawPath(band(curve({222, 185}, {140, 120}, {60, 230}, {26, 160}), 16, 4, 0.35));
    p.drawPath(band(curve({330, 300}, {250, 420}, {120, 330}, {40, 430}), 14, 3, 0.3));
}

void paintBackHair(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kHair);
    p.drawPath(band(curve({248, 80}, {200, 170}, {230, 260}, {130, 390}), 52, 6, 0.12));
    p.drawPath(band(curve({240, 90}, {170, 150}, {150, 230}, {84, 300}), 30, 4, 0.2));
    Rng rng(31);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 34; ++i) {
        const double dx = rng.range(-16, 16);
        QColor c = kHairSheen;
        c.setAlpha(static_cast<int>(rng.range(50, 170)));
        p.setPen(QPen(c, rng.range(0.5, 1.3)));
        const double end = rng.range(0.6, 1.0);
        p.drawPath(curve({244 + dx * 0.6, 86}, {205 + dx, 170}, {222 + dx * 1.5, 250},
                         {248 + (135 + dx * 2 - 248) * end, 90 + (285 + dx) * end}));
    }
    // Loose strands lifted by the wind.
    for (int i = 0; i < 7; ++i) {
        const double y0 = rng.range(110, 250);
        p.setPen(
            QPen(QColor(22, 26, 40, static_cast<int>(rng.range(120, 220))), rng.range(0.6, 1.2)));
        p.drawPath(curve({220 - (y0 - 110) * 0.35, y0}, {170 - rng.range(0, 40), y0 - 30},
                         {130 - rng.range(0, 40), y0 + 10}, {90 - rng.range(0, 50), y0 - 20}));
    }
}

void paintBackSleeve(QPainter& p) {
    QPainterPath s;
    s.moveTo(222, 172);
    s.cubicTo(180, 200, 120, 260, 62, 326);
    s.cubicTo(70, 350, 86, 372, 104, 380);
    s.cubicTo(140, 350, 170, 336, 200, 330);
    s.cubicTo(220, 300, 232, 250, 236, 210);
    s.closeSubpath();
    paintRobePart(p, s);
    paintFolds(p, s, {215, 185}, {232, 220}, {70, 330}, {190, 335}, 7, 5);
    // Cuff trim.
    p.setPen(QPen(QColor(70, 140, 200), 3.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve({64, 330}, {80, 355}, {95, 372}, {104, 378}));
}

QPainterPath skirtPath() {
    QPainterPath s;
    s.moveTo(228, 292);
    s.cubicTo(200, 380, 150, 470, 88, 540);
    s.cubicTo(64, 566, 40, 586, 22, 600);
    s.cubicTo(60, 606, 90, 612, 104, 619);
    s.lineTo(430, 619);
    s.cubicTo(400, 520, 330, 420, 304, 292);
    s.closeSubpath();
    return s;
}

void paintSkirt(QPainter& p) {
    const QPainterPath s = skirtPath();
    paintRobePart(p, s);
    paintFolds(p, s, {232, 300}, {300, 300}, {40, 610}, {420, 619}, 16, 11);
    // Pale blue under-robe showing at the front opening.
    QPainterPath inner;
    inner.moveTo(282, 300);
    inner.cubicTo(300, 400, 330, 500, 360, 619);
    inner.lineTo(318, 619);
    inner.cubicTo(300, 500, 285, 400, 272, 300);
    inner.closeSubpath();
    QLinearGradient g(QPointF(270, 300), QPointF(330, 619));
    g.setColorAt(0, QColor(150, 200, 235));
    g.setColorAt(1, QColor(90, 140, 200));
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(g);
    p.drawPath(inner);
}

void paintTorso(QPainter& p) {
    QPainterPath t;
    t.moveTo(212, 172);
    t.cubicTo(228, 154, 250, 146, 268, 146);
    t.cubicTo(292, 146, 308, 152, 322, 166);
    t.cubicTo(318, 210, 310, 250, 304, 296);
    t.lineTo(226, 296);
    t.cubicTo(224, 250, 220, 210, 214, 176);
    t.closeSubpath();
    paintRobePart(p, t);
    paintFolds(p, t, {240, 200}, {300, 200}, {232, 292}, {300, 292}, 6, 17);
    // Crossed collar with a blue trim.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 130, 195), 4.0, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(curve({252, 148}, {262, 186}, {276, 212}, {292, 234}));
    p.drawPath(curve({294, 149}, {290, 174}, {282, 196}, {272, 212}));
    p.setPen(QPen(QColor(200, 235, 255), 1.0));
    p.drawPath(curve({254, 148}, {264, 186}, {278, 211}, {293, 232}));
}

void paintBelt(QPainter& p) {
    QPainterPath belt;
    belt.moveTo(225, 280);
    belt.cubicTo(250, 276, 280, 276, 306, 280);
    belt.lineTo(305, 302);
    belt.cubicTo(280, 298, 250, 298, 227, 302);
    belt.closeSubpath();
    QLinearGradient g(QPointF(0, 278), QPointF(0, 302));
    g.setColorAt(0, QColor(80, 160, 220));
    g.setColorAt(1, QColor(30, 80, 150));
    p.setPen(QPen(QColor(20, 50, 100), 1.0));
    p.setBrush(g);
    p.drawPath(belt);
    // Sash ends flutter with the wind.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 130, 200));
    p.drawPath(band(curve({262, 298}, {250, 350}, {210, 380}, {170, 440}), 12, 5, 0.25));
    p.setBrush(QColor(40, 100, 175));
    p.drawPath(band(curve({270, 298}, {262, 340}, {236, 390}, {206, 460}), 10, 4, 0.3));
    // Jade pendant.
    p.setPen(QPen(QColor(30, 90, 80), 1.0));
    p.setBrush(QColor(110, 210, 180));
    p.drawEllipse(QPointF(288, 318), 5.5, 7.0);
    p.setPen(QPen(QColor(200, 60, 60), 1.5));
    p.drawLine(QPointF(288, 302), QPointF(288, 311));
}

void paintSword(QPainter& p) {
    const QPointF hand(320, 322);
    const QPointF tip(150, 594);
    QPointF d = tip - hand;
    const double len = std::hypot(d.x(), d.y());
    d /= len;
    const QPointF n(-d.y(), d.x());
    const QPointF guard = hand + d * 16;
    const QPointF pommel = hand - d * 30;

    // Blade with a glow, so it reads against both the white robe and the night.
    QPainterPath blade;
    blade.moveTo(guard + n * 5);
    blade.lineTo(tip - d * 26 + n * 4);
    blade.lineTo(tip);
    blade.lineTo(tip - d * 26 - n * 4);
    blade.lineTo(guard - n * 5);
    blade.closeSubpath();
    QImage shape = blankImage(qRound(p.device()->width() / p.device()->devicePixelRatio()),
                              qRound(p.device()->height() / p.device()->devicePixelRatio()));
    {
        QPainter sp(&shape);
        sp.setTransform(p.transform());
        sp.setRenderHint(QPainter::Antialiasing);
        sp.fillPath(blade, Qt::white);
    }
    p.save();
    p.resetTransform();
    p.drawImage(0, 0, glowOf(shape, QColor(90, 230, 255), 5, 1.6));
    p.restore();

    QLinearGradient steel(guard + n * 5, guard - n * 5);
    steel.setColorAt(0.0, QColor(150, 170, 195));
    steel.setColorAt(0.45, QColor(245, 250, 255));
    steel.setColorAt(0.55, QColor(180, 200, 222));
    steel.setColorAt(1.0, QColor(110, 130, 160));
    p.setPen(QPen(QColor(60, 80, 110), 0.8));
    p.setBrush(steel);
    p.drawPath(blade);
    p.setPen(QPen(QColor(255, 255, 255, 170), 0.8));
    p.drawLine(guard, tip - d * 20);

    // Grip, guard and pommel.
    p.setPen(QPen(QColor(30, 30, 50), 7.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pommel, guard);
    p.setPen(QPen(QColor(150, 60, 50), 2.0, Qt::DotLine));
    p.drawLine(pommel + d * 4, guard - d * 3);
    p.setPen(QPen(QColor(120, 95, 50), 1.0));
    p.setBrush(QColor(205, 170, 90));
    QPainterPath guardShape;
    guardShape.moveTo(guard + n * 15 - d * 2);
    guardShape.quadTo(guard + d * 5, guard - n * 15 - d * 2);
    guardShape.quadTo(guard + d * 1, guard + n * 15 - d * 2);
    p.drawPath(guardShape);
    p.drawEllipse(pommel, 5.0, 5.0);
    // Red tassel from the pommel, blown to the left.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 40, 45));
    p.drawPath(band(curve(pommel, pommel + QPointF(-20, -6), pommel + QPointF(-36, 10),
                          pommel + QPointF(-62, 4)),
                    6, 2, 0.2));
}

void paintFrontArm(QPainter& p) {
    QPainterPath sleeve;
    sleeve.moveTo(300, 168);
    sleeve.cubicTo(332, 172, 350, 210, 356, 250);
    sleeve.cubicTo(372, 300, 398, 350, 404, 408);
    sleeve.cubicTo(388, 418, 372, 416, 360, 410);
    sleeve.cubicTo(350, 380, 340, 350, 330, 326);
    sleeve.cubicTo(316, 300, 300, 260, 296, 220);
    sleeve.closeSubpath();
    paintRobePart(p, sleeve);
    paintFolds(p, sleeve, {315, 180}, {340, 240}, {360, 405}, {400, 405}, 6, 23);
    p.setPen(QPen(QColor(70, 140, 200), 3.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve({360, 410}, {372, 416}, {388, 418}, {404, 408}));
}

void paintHand(QPainter& p) {
    QRadialGradient g(QPointF(322, 318), 10);
    g.setColorAt(0, QColor(252, 232, 220));
    g.setColorAt(1, QColor(228, 192, 176));
    p.setPen(QPen(QColor(170, 120, 105), 0.8));
    p.setBrush(g);
    QPainterPath h;
    h.moveTo(310, 310);
    h.cubicTo(318, 304, 330, 306, 334, 314);
    h.cubicTo(336, 324, 330, 332, 320, 332);
    h.cubicTo(312, 330, 306, 320, 310, 310);
    p.drawPath(h);
    p.setPen(QPen(QColor(170, 120, 105, 160), 0.7));
    p.drawLine(QPointF(318, 318), QPointF(330, 320));
    p.drawLine(QPointF(316, 324), QPointF(328, 326));
}

void paintHead(QPainter& p) {
    // Neck.
    p.setPen(QPen(QColor(170, 120, 105), 0.8));
    p.setBrush(QColor(240, 210, 196));
    QPainterPath neck;
    neck.moveTo(262, 118);
    neck.lineTo(281, 118);
    neck.cubicTo(280, 132, 283, 144, 288, 152);
    neck.lineTo(258, 152);
    neck.cubicTo(262, 144, 263, 132, 262, 118);
    neck.closeSubpath();
    p.drawPath(neck);

    // Hair mass behind the face, then the bun with its pin.
    p.setPen(Qt::NoPen);
    p.setBrush(kHair);
    p.drawEllipse(QRectF(234, 58, 60, 64));
    p.drawEllipse(QPointF(250, 52), 17, 13);
    p.setPen(QPen(kHairSheen, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(238, 42, 26, 20), 30 * 16, 120 * 16);
    p.drawArc(QRectF(240, 62, 44, 40), 40 * 16, 100 * 16);
    p.setPen(QPen(QColor(210, 220, 235), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(226, 62), QPointF(284, 40));
    p.setPen(QPen(QColor(20, 90, 80), 0.8));
    p.setBrush(QColor(90, 220, 200));
    p.drawEllipse(QPointF(285, 40), 4.0, 4.0);
    p.setPen(QPen(QColor(200, 50, 55), 1.2));
    p.drawLine(QPointF(286, 44), QPointF(289, 62));
    p.drawLine(QPointF(284, 44), QPointF(284, 60));

    // Face in three-quarter view, chin towards the right.
    QPainterPath face;
    face.moveTo(250, 84);
    face.cubicTo(252, 70, 282, 66, 292, 82);
    face.cubicTo(296, 96, 294, 110, 286, 120);
    face.cubicTo(280, 128, 272, 131, 266, 129);
    face.cubicTo(256, 124, 250, 110, 250, 84);
    face.closeSubpath();
    QRadialGradient skin(QPointF(276, 98), 34);
    skin.setColorAt(0, QColor(255, 240, 230));
    skin.setColorAt(1, QColor(236, 204, 188));
    p.setPen(QPen(QColor(170, 120, 105), 0.8));
    p.setBrush(skin);
    p.drawPath(face);
    p.setPen(Qt::NoPen);
    QRadialGradient blush(QPointF(280, 111), 7);
    blush.setColorAt(0, QColor(240, 140, 140, 90));
    blush.setColorAt(1, QColor(240, 140, 140, 0));
    p.setBrush(blush);
    p.drawEllipse(QPointF(280, 111), 7, 5);

    // Calm, lowered eyes; brows; a hint of nose and lips.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(50, 30, 30), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(curve({262, 99}, {265, 102.5}, {270, 102.5}, {273, 99.5}));
    p.drawPath(curve({281, 98.5}, {283, 101.5}, {287, 101.5}, {289, 99}));
    p.setPen(QPen(QColor(60, 40, 40), 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(curve({261, 92}, {265, 89}, {271, 89}, {274, 91}));
    p.drawPath(curve({281, 90.5}, {284, 88.5}, {288, 88.5}, {290, 90}));
    p.setPen(QPen(QColor(190, 140, 125), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(287, 103), QPointF(289, 110));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(205, 80, 85));
    p.drawEllipse(QPointF(283.5, 117.5), 3.6, 1.7);

    // Fringe and a lock falling in front of the shoulder.
    p.setBrush(kHair);
    QPainterPath fringe;
    fringe.moveTo(246, 92);
    fringe.cubicTo(244, 70, 270, 58, 294, 76);
    fringe.cubicTo(296, 82, 295, 86, 294, 88);
    fringe.cubicTo(288, 80, 282, 80, 278, 86);
    fringe.cubicTo(274, 80, 266, 80, 262, 88);
    fringe.cubicTo(258, 84, 254, 86, 252, 96);
    fringe.closeSubpath();
    p.drawPath(fringe);
    p.drawPath(band(curve({292, 82}, {300, 120}, {292, 160}, {304, 214}), 7, 2, 0.1));
    p.drawPath(band(curve({250, 88}, {246, 110}, {250, 130}, {244, 150}), 7, 2, 0.1));
}

}  // namespace

void paintHeroine(QPainter& p) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    paintRibbon(p);
    paintBackHair(p);
    paintBackSleeve(p);
    paintSkirt(p);
    paintTorso(p);
    paintBelt(p);
    paintHead(p);
    paintFrontArm(p);
    paintSword(p);
    paintHand(p);
    p.restore();
}

}  // namespace artwork
