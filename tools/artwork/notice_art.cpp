// Closing notice: banner, four pointing arrows and the round close button.
// The notice window keys out pure blue; the blue-free palette here keeps clear
// of it and main.cpp verifies it.

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>

#include "artwork.h"
#include "paint_kit.h"

namespace artwork {
namespace {

void paintBattleScene(QPainter& p, const QRectF& area) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, QColor(38, 22, 30));
    sky.setColorAt(0.55, QColor(110, 44, 24));
    sky.setColorAt(0.75, QColor(150, 70, 30));
    sky.setColorAt(1.0, QColor(40, 20, 16));
    p.fillRect(area, sky);

    // Fires on the horizon and the smoke above them.
    Rng rng(501);
    for (int i = 0; i < 5; ++i) {
        const QPointF c(rng.range(area.left() + 20, area.right() - 20), area.top() + 44);
        QRadialGradient fire(c, 30);
        fire.setColorAt(0.0, QColor(255, 170, 60, 150));
        fire.setColorAt(1.0, QColor(255, 120, 40, 0));
        p.fillRect(area, fire);
    }
    inkWash(p, QRectF(area.left(), area.top(), area.width(), 34), QColor(30, 20, 24, 150), 14, 502);
    p.fillPath(ridgePath(area.left(), area.right(), area.top() + 44, 14, area.bottom(), 0.03, 503),
               QColor(54, 26, 22));

    // The host: soldiers with spears and banners, a few riders among them.
    const QColor ink(22, 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    for (double x = area.left() + 2; x < area.right(); x += rng.range(5.0, 9.0)) {
        const double ground = area.bottom() - rng.range(0, 3);
        const bool rider = rng.uniform() < 0.12;
        const double h = rider ? 17 : rng.range(10, 13);
        if (rider) {
            p.drawEllipse(QRectF(x - 6, ground - 10, 13, 6));
            p.drawRect(QRectF(x - 5, ground - 5, 1.6, 5));
            p.drawRect(QRectF(x + 4, ground - 5, 1.6, 5));
            p.drawEllipse(QRectF(x + 5, ground - 14, 4, 6));
        }
        p.drawRect(QRectF(x - 1.5, ground - h, 3.2, h - (rider ? 8 : 0)));
        p.drawEllipse(QPointF(x, ground - h - 1.5), 1.9, 1.9);
        const double lean = rng.range(-0.35, 0.35);
        const double len = rng.range(14, 24);
        const QPointF foot(x + 1.5, ground - 4);
        const QPointF top = foot + QPointF(std::sin(lean) * len, -std::cos(lean) * len - h);
        p.setPen(QPen(ink, 0.9));
        p.drawLine(foot, top);
        p.setPen(Qt::NoPen);
        if (rng.uniform() < 0.22) {
            QPainterPath flag;
            flag.moveTo(top);
            flag.lineTo(top + QPointF(8, 2.5));
            flag.lineTo(top + QPointF(0, 6));
            flag.closeSubpath();
            p.fillPath(flag, QColor(120, 24, 20));
        }
    }
    // Embers drifting up.
    for (int i = 0; i < 40; ++i) {
        const QPointF c(rng.range(area.left(), area.right()), rng.range(area.top(), area.bottom()));
        p.setBrush(QColor(255, static_cast<int>(rng.range(120, 200)), 60,
                          static_cast<int>(rng.range(80, 200))));
        p.drawEllipse(c, 0.8, 0.8);
    }
    // Dim it so the lettering carries the picture.
    p.fillRect(area, QColor(10, 6, 8, 45));
}

QImage banner() {
    QImage img = blankImage(280, 66);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(0, 0, 280, 66);
    const QRectF inner = outer.adjusted(5, 5, -5, -5);
    QPainterPath frame;
    frame.addRoundedRect(outer, 7, 7);
    QLinearGradient wood(outer.topLeft(), outer.bottomLeft());
    wood.setColorAt(0.0, QColor(176, 118, 62));
    wood.setColorAt(0.3, QColor(120, 72, 34));
    wood.setColorAt(0.7, QColor(96, 56, 26));
    wood.setColorAt(1.0, QColor(150, 96, 48));
    p.fillPath(frame, wood);
    p.setPen(QPen(QColor(220, 170, 100), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);

    p.save();
    QPainterPath scene;
    scene.addRoundedRect(inner, 3, 3);
    p.setClipPath(scene);
    paintBattleScene(p, inner);
    p.restore();
    p.setPen(QPen(QColor(50, 26, 10), 1.5));
    p.drawRoundedRect(inner, 3, 3);
    // Brass studs at the corners.
    for (const QPointF& c : {QPointF(5, 5), QPointF(275, 5), QPointF(5, 61), QPointF(275, 61)}) {
        QRadialGradient g(c - QPointF(0.8, 0.8), 3.2);
        g.setColorAt(0, QColor(255, 230, 160));
        g.setColorAt(1, QColor(140, 90, 30));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(c, 3.0, 3.0);
    }

    const QFont font = fontByFamily(QStringLiteral("Noto Sans CJK SC"), 20, QFont::Black);
    const QPainterPath glyphs =
        centredTextPath(QStringLiteral("下次进入游戏，请点这里！"), font,
                        QRectF(inner.left(), inner.top() + 3, inner.width(), 40));
    p.strokePath(glyphs, QPen(QColor(40, 16, 4), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QLinearGradient gold(QPointF(0, 20), QPointF(0, 46));
    gold.setColorAt(0.0, QColor(255, 250, 200));
    gold.setColorAt(0.5, QColor(255, 214, 90));
    gold.setColorAt(1.0, QColor(240, 150, 40));
    p.fillPath(glyphs, gold);
    return img;
}

// A glowing arrow from the corner opposite (dx, dy) towards the (dx, dy) corner.
QImage arrow(int w, int h, int dx, int dy) {
    const double margin = 6.0;
    const QPointF tip(dx < 0 ? margin : w - margin, dy < 0 ? margin : h - margin);
    const QPointF tail(dx < 0 ? w - margin : margin, dy < 0 ? h - margin : margin);
    QPointF d = tip - tail;
    const double len = std::hypot(d.x(), d.y());
    d /= len;
    const QPointF n(-d.y(), d.x());
    const double headLen = std::min(22.0, len * 0.42);
    const QPointF neck = tip - d * headLen;

    QPainterPath shape;
    shape.moveTo(tail + n * 4.0);
    shape.lineTo(neck + n * 6.5);
    shape.lineTo(neck + n * 13.0 - d * 3.0);
    shape.lineTo(tip);
    shape.lineTo(neck - n * 13.0 - d * 3.0);
    shape.lineTo(neck - n * 6.5);
    shape.lineTo(tail - n * 4.0);
    shape.quadTo(tail - d * 3.0, tail + n * 4.0);
    shape.closeSubpath();

    QImage mask = blankImage(w, h);
    {
        QPainter mp(&mask);
        mp.setRenderHint(QPainter::Antialiasing);
        mp.fillPath(shape, Qt::white);
    }
    QImage img = glowOf(mask, QColor(255, 150, 30), 3, 1.8);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(tail, tip);
    g.setColorAt(0.0, QColor(230, 90, 10));
    g.setColorAt(0.6, QColor(255, 160, 30));
    g.setColorAt(1.0, QColor(255, 236, 140));
    p.setPen(QPen(QColor(170, 60, 6), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(shape);
    p.setPen(QPen(QColor(255, 250, 210, 170), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(tail + d * 4, neck - d * 1);
    return img;
}

QImage closeButton(double tone) {
    QImage img = blankImage(35, 34);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(17.5, 17.0);
    QConicalGradient rim(c, 45);
    rim.setColorAt(0.0, QColor(240, 178, 122));
    rim.setColorAt(0.25, QColor(138, 75, 32));
    rim.setColorAt(0.5, QColor(232, 160, 96));
    rim.setColorAt(0.75, QColor(120, 62, 26));
    rim.setColorAt(1.0, QColor(240, 178, 122));
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(c, 16.0, 16.0);
    QRadialGradient face(c - QPointF(3, 4), 15);
    face.setColorAt(0.0, scaled(QColor(255, 190, 80), tone));
    face.setColorAt(0.6, scaled(QColor(235, 110, 10), tone));
    face.setColorAt(1.0, scaled(QColor(160, 56, 4), tone));
    p.setBrush(face);
    p.drawEllipse(c, 12.8, 12.8);
    QRadialGradient gloss(c - QPointF(0, 7), 10);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 110));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(gloss);
    p.drawEllipse(QRectF(c.x() - 9, c.y() - 12, 18, 10));

    QPainterPath cross;
    cross.moveTo(c + QPointF(-5.5, -5.5));
    cross.lineTo(c + QPointF(5.5, 5.5));
    cross.moveTo(c + QPointF(5.5, -5.5));
    cross.lineTo(c + QPointF(-5.5, 5.5));
    p.strokePath(cross.translated(0.6, 0.8),
                 QPen(QColor(110, 40, 0, 160), 3.4, Qt::SolidLine, Qt::RoundCap));
    p.strokePath(cross, QPen(QColor(255, 255, 255), 3.0, Qt::SolidLine, Qt::RoundCap));
    return img;
}

}  // namespace

Pictures noticePictures() {
    Pictures out;
    out.push_back({quorvane::pictures::kNoticeBanner, banner(), Storage::Palette});
    out.push_back({quorvane::pictures::kNoticeArrowUpLeft, arrow(62, 43, -1, -1), Storage::Alpha});
    out.push_back({quorvane::pictures::kNoticeArrowUpRight, arrow(45, 59, 1, -1), Storage::Alpha});
    out.push_back({quorvane::pictures::kNoticeArrowDownRight, arrow(67, 43, 1, 1), Storage::Alpha});
    out.push_back({quorvane::pictures::kNoticeArrowDownLeft, arrow(49, 57, -1, 1), Storage::Alpha});
    // Hover brighter; the pressed skin repeats the normal one.
    const QImage normal = closeButton(1.0);
    addSkins(out, quorvane::pictures::kNoticeClose, normal, closeButton(1.25), normal,
             Storage::Alpha);
    return out;
}

}  // namespace artwork
