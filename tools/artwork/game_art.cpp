// Game window: title-strip pieces and the strip's button skins.

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>

#include "artwork.h"
#include "paint_kit.h"

namespace artwork {
namespace {

const QString kSans = QStringLiteral("Noto Sans CJK SC");
const QString kScript = QStringLiteral("Z003 [urw]");

const QColor kNavyTop(24, 42, 76);
const QColor kNavyBottom(10, 22, 46);

// The strip texture is a function of absolute x, so the left strip and the
// right-hand piece share one look even though they are separate pictures.
QImage navyStrip(int width, int xOffset, std::uint32_t seed) {
    QImage img = blankImage(width, 45);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const double uy = unitsOf(y, img);
        const QColor base = mix(kNavyTop, kNavyBottom, uy / 44.0);
        for (int x = 0; x < img.width(); ++x) {
            const double gx = unitsOf(x, img) + xOffset;
            // Long, soft horizontal washes plus fine paper grain.
            const double wash = fbm(gx / 140.0, uy / 30.0, 4, seed) - 0.5;
            const double grain =
                hashNoise(static_cast<int>(gx), static_cast<int>(uy), seed + 3) - 0.5;
            const double f = 1.0 + 0.45 * wash + 0.06 * grain;
            line[x] = qRgb(std::clamp(static_cast<int>(base.red() * f), 0, 255),
                           std::clamp(static_cast<int>(base.green() * f), 0, 255),
                           std::clamp(static_cast<int>(base.blue() * f), 0, 255));
        }
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Faint ink-wash mountains drifting through the strip.
    p.translate(-xOffset, 0);
    p.fillPath(ridgePath(0, 1920, 40, 22, 45, 0.012, seed + 11), QColor(70, 110, 170, 28));
    p.fillPath(ridgePath(0, 1920, 46, 14, 45, 0.02, seed + 12), QColor(4, 10, 24, 60));
    inkWash(p, QRectF(0, 0, 1920, 45), QColor(90, 130, 190, 22), 30, seed + 13);
    p.resetTransform();
    p.setPen(QColor(52, 80, 124));
    p.drawLine(0, 0, width - 1, 0);
    p.setPen(QColor(4, 10, 22));
    p.drawLine(0, 44, width - 1, 44);
    return img;
}

QImage rightStrip() {
    QImage img = navyStrip(420, 1500, 21);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A faint cloud-scroll ornament closing off the right end.
    p.setBrush(Qt::NoBrush);
    const QColor faint(120, 160, 215, 60);
    p.setPen(QPen(faint, 1.2));
    for (int i = 0; i < 4; ++i) {
        const double x = 312 + i * 26;
        p.drawArc(QRectF(x, 27, 16, 16), 0, 300 * 16);
        p.drawArc(QRectF(x + 4, 31, 8, 8), 90 * 16, 270 * 16);
    }
    p.drawLine(QPointF(262, 35), QPointF(308, 35));
    p.setPen(QPen(QColor(120, 160, 215, 40), 1.0));
    p.drawLine(QPointF(262, 38), QPointF(300, 38));
    QPainterPath leaf;
    leaf.moveTo(404, 10);
    leaf.cubicTo(418, 16, 418, 30, 404, 42);
    leaf.cubicTo(412, 30, 412, 18, 404, 10);
    p.fillPath(leaf, QColor(120, 160, 215, 45));
    return img;
}

QImage figureFragment() {
    QImage full = blankImage(1127, 621);
    {
        QPainter p(&full);
        paintHeroine(p);
    }
    // Head and shoulders, scaled to the strip's height.
    const int s = pictureScale();
    QImage crop = full.copy(QRect(196 * s, 34 * s, 293 * s, 120 * s))
                      .scaled(110 * s, 45 * s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    crop.setDevicePixelRatio(s);
    toGrey(crop, QColor(178, 186, 202));

    QImage img = blankImage(110, 45);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    inkWash(p, QRectF(0, 0, 60, 45), QColor(150, 160, 180, 60), 6, 41);
    p.drawImage(0, 0, crop);
    // Ink speckles, thinning out to the right.
    Rng rng(43);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 260; ++i) {
        const double x = 30 + 80 * std::pow(rng.uniform(), 1.6);
        const double y = rng.range(2, 43);
        const int a = static_cast<int>(rng.range(40, 170) * (1.0 - (x - 30) / 90.0));
        const int g = static_cast<int>(rng.range(120, 200));
        p.setBrush(QColor(g, g, g + 10, std::max(a, 0)));
        const double r = rng.range(0.4, 1.6);
        p.drawEllipse(QPointF(x, y), r, r * rng.range(0.6, 1.0));
    }
    p.end();
    // Dissolve the fragment along a ragged front.
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const double uy = unitsOf(y, img);
        for (int x = 0; x < img.width(); ++x) {
            const double ux = unitsOf(x, img);
            const double front = ux + 28.0 * (fbm(ux / 6.0, uy / 6.0, 3, 47) - 0.5);
            const double keep = 1.0 - smoothstep(50, 104, front);
            const QRgb px = line[x];
            line[x] =
                qRgba(static_cast<int>(qRed(px) * keep), static_cast<int>(qGreen(px) * keep),
                      static_cast<int>(qBlue(px) * keep), static_cast<int>(qAlpha(px) * keep));
        }
    }
    return img;
}

QImage titleLettering() {
    const int w = 101;
    const int h = 41;
    QImage img = blankImage(w, h);
    // Dark ink wash with dry, broken edges.
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const double uy = unitsOf(y, img);
        for (int x = 0; x < img.width(); ++x) {
            const double ux = unitsOf(x, img);
            const double dx = (ux - 50.0) / 50.0;
            const double dy = (uy - 21.0) / 19.0;
            const double r = std::sqrt(dx * dx * 0.8 + dy * dy * 0.9);
            const double n = fbm(ux / 7.0, uy / 3.0, 4, 61);
            const double a = std::clamp((1.05 - r) * 2.2 + (n - 0.5) * 1.6, 0.0, 0.88);
            const int alpha = static_cast<int>(a * 255);
            line[x] = qRgba(8 * alpha / 255, 12 * alpha / 255, 22 * alpha / 255, alpha);
        }
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QFont font = fontByFamily(kScript, 34, QFont::Normal, true);
    QPainterPath glyphs = textPath(QStringLiteral("Quorvane"), font, QPointF(0, 0));
    const QRectF ink = glyphs.boundingRect();
    const double s = std::min(84.0 / ink.width(), 30.0 / ink.height());
    QTransform t;
    t.translate(45, 19);
    t.scale(s, s);
    t.translate(-ink.center().x(), -ink.center().y());
    glyphs = t.map(glyphs);
    const QImage letters = brushLettering(
        QSize(w, h), glyphs,
        [](QPainter& lp) { lp.fillRect(0, 0, 101, 41, QColor(250, 250, 252)); }, 0.25, 63);
    p.drawImage(0, 0, letters);

    // Small red seal with a carved-out mark.
    const QRectF seal(87, 26, 11, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(196, 36, 40));
    p.drawRoundedRect(seal, 1.5, 1.5);
    p.setPen(QPen(QColor(250, 226, 220), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(seal.adjusted(1.5, 1.5, -1.5, -1.5));
    p.drawLine(QPointF(seal.center().x(), seal.top() + 3),
               QPointF(seal.center().x(), seal.bottom() - 3));
    p.drawLine(QPointF(seal.left() + 3, seal.center().y()),
               QPointF(seal.right() - 3, seal.center().y()));
    return img;
}

// Window-control tabs hanging from the top edge of the strip. `tone` darkens the
// tab for hover and press; the mark stays readable.
enum class Corner { None, BottomLeft, BottomRight };

QPainterPath tabOutline(const QRectF& r, Corner corner, double radius) {
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.topRight());
    if (corner == Corner::BottomRight) {
        path.lineTo(r.right(), r.bottom() - radius);
        path.quadTo(r.bottomRight(), QPointF(r.right() - radius, r.bottom()));
    } else {
        path.lineTo(r.bottomRight());
    }
    if (corner == Corner::BottomLeft) {
        path.lineTo(r.left() + radius, r.bottom());
        path.quadTo(r.bottomLeft(), QPointF(r.left(), r.bottom() - radius));
    } else {
        path.lineTo(r.bottomLeft());
    }
    path.closeSubpath();
    return path;
}

QImage controlTab(int w, Corner corner, double tone, const QPainterPath& mark, bool separator) {
    QImage img = blankImage(w, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = tabOutline(QRectF(0, 0, w, 24), corner, 6);
    QLinearGradient g(QPointF(0, 0), QPointF(0, 24));
    g.setColorAt(0.0, scaled(QColor(34, 58, 100), tone));
    g.setColorAt(1.0, scaled(QColor(16, 32, 62), tone));
    p.fillPath(outline, g);
    p.setPen(QPen(scaled(QColor(70, 100, 150), tone), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tabOutline(QRectF(0.5, -1, w - 1, 24.5), corner, 5.5));
    if (separator) {
        p.setPen(QPen(QColor(8, 16, 32), 1.0));
        p.drawLine(QPointF(0.5, 3), QPointF(0.5, 21));
    }
    p.setPen(QPen(QColor(160, 180, 210), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(mark);
    return img;
}

QImage actionTab(const QString& text, const QPainterPath& icon, bool filledIcon, double tone,
                 bool pressed) {
    QImage img = blankImage(81, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, 80, 23);
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0.0, scaled(QColor(48, 80, 132), tone));
    g.setColorAt(0.5, scaled(QColor(28, 52, 94), tone));
    g.setColorAt(1.0, scaled(QColor(18, 36, 70), tone));
    p.setPen(QPen(scaled(QColor(84, 120, 176), tone), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(box, 6, 6);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    p.drawLine(QPointF(5, 1.5), QPointF(76, 1.5));

    const QPointF shift = pressed ? QPointF(0.5, 1) : QPointF(0, 0);
    p.translate(shift);
    p.setPen(QPen(QColor(200, 225, 250), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (filledIcon) {
        p.fillPath(icon, QColor(200, 225, 250));
    } else {
        p.setBrush(Qt::NoBrush);
        p.drawPath(icon);
    }
    const QFont font = fontByFamily(kSans, 12, QFont::Normal);
    QPainterPath glyphs = textPath(text, font, QPointF(0, 0));
    const QRectF ink = glyphs.boundingRect();
    glyphs.translate(QPointF(27 + (48 - ink.width()) / 2, 12) -
                     QPointF(ink.left(), ink.center().y()));
    p.fillPath(glyphs.translated(0.8, 0.8), QColor(4, 10, 24, 170));
    p.fillPath(glyphs, QColor(224, 236, 250));
    return img;
}

QPainterPath downArrowIcon() {
    QPainterPath path;
    path.moveTo(16, 6);
    path.lineTo(16, 15);
    path.moveTo(12, 11.5);
    path.lineTo(16, 15.5);
    path.lineTo(20, 11.5);
    path.moveTo(10.5, 18.5);
    path.lineTo(21.5, 18.5);
    return path;
}

QPainterPath circularArrowsIcon() {
    QPainterPath path;
    const QRectF ring(10.5, 6.5, 11, 11);
    path.arcMoveTo(ring, 100);
    path.arcTo(ring, 100, 150);
    path.arcMoveTo(ring, 280);
    path.arcTo(ring, 280, 150);
    // Arrowheads at the end of each arc.
    const auto head = [&path, &ring](double angle, double dir) {
        const double rad = angle * M_PI / 180.0;
        const QPointF tip(ring.center().x() + 5.5 * std::cos(rad),
                          ring.center().y() - 5.5 * std::sin(rad));
        const QPointF tangent(-std::sin(rad) * dir, -std::cos(rad) * dir);
        const QPointF normal(std::cos(rad), -std::sin(rad));
        path.moveTo(tip - tangent * 3.2 + normal * 2.4);
        path.lineTo(tip);
        path.lineTo(tip - tangent * 3.2 - normal * 2.4);
    };
    head(250, 1);
    head(70, 1);
    return path;
}

QPainterPath aeroplaneIcon() {
    // Drawn pointing up, then tilted to the upper right.
    QPainterPath plane;
    plane.moveTo(0, -7);
    plane.cubicTo(1.2, -6, 1.2, -4, 1.2, -2.5);
    plane.lineTo(7, 1.5);
    plane.lineTo(7, 3);
    plane.lineTo(1.2, 1);
    plane.lineTo(1, 5);
    plane.lineTo(3, 6.8);
    plane.lineTo(3, 7.8);
    plane.lineTo(0, 7);
    plane.lineTo(-3, 7.8);
    plane.lineTo(-3, 6.8);
    plane.lineTo(-1, 5);
    plane.lineTo(-1.2, 1);
    plane.lineTo(-7, 3);
    plane.lineTo(-7, 1.5);
    plane.lineTo(-1.2, -2.5);
    plane.cubicTo(-1.2, -4, -1.2, -6, 0, -7);
    plane.closeSubpath();
    QTransform t;
    t.translate(16, 12);
    t.rotate(45);
    return t.map(plane);
}

}  // namespace

Pictures gamePictures() {
    Pictures out;
    out.push_back({quorvane::pictures::kGameStrip, navyStrip(1500, 0, 21), Storage::Opaque});
    out.push_back({quorvane::pictures::kGameStripRight, rightStrip(), Storage::Opaque});
    out.push_back({quorvane::pictures::kGameFigure, figureFragment(), Storage::Alpha});
    out.push_back({quorvane::pictures::kGameTitle, titleLettering(), Storage::Alpha});

    // Window controls: hover darker, pressed darker still.
    const double tones[] = {1.0, 0.78, 0.58};
    QPainterPath cross;
    cross.moveTo(24.5, 7.5);
    cross.lineTo(32.5, 15.5);
    cross.moveTo(32.5, 7.5);
    cross.lineTo(24.5, 15.5);
    QPainterPath line;
    line.moveTo(10, 12.5);
    line.lineTo(19, 12.5);
    QImage exitSkins[3];
    QImage toggleSkins[3];
    QImage minimiseSkins[3];
    for (int i = 0; i < 3; ++i) {
        exitSkins[i] = controlTab(57, Corner::BottomRight, tones[i], cross, true);
        // The toggle has no alpha; its ground is the full tab, squares and all.
        toggleSkins[i] = controlTab(29, Corner::None, tones[i], QPainterPath(), true);
        {
            QPainter p(&toggleSkins[i]);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(160, 180, 210), 1.1));
            p.drawRect(QRectF(9.5, 6.5, 8, 8));
            p.fillRect(QRectF(12.5, 9.5, 8, 8), scaled(QColor(24, 44, 80), tones[i]));
            p.drawRect(QRectF(12.5, 9.5, 8, 8));
        }
        minimiseSkins[i] = controlTab(29, Corner::BottomLeft, tones[i], line, false);
    }
    addSkins(out, quorvane::pictures::kGameExit, exitSkins[0], exitSkins[1], exitSkins[2],
             Storage::Alpha);
    addSkins(out, quorvane::pictures::kGameSizeToggle, toggleSkins[0], toggleSkins[1],
             toggleSkins[2], Storage::Opaque);
    addSkins(out, quorvane::pictures::kGameMinimise, minimiseSkins[0], minimiseSkins[1],
             minimiseSkins[2], Storage::Alpha);

    // Action tabs: hover a shade lighter, pressed darker.
    struct Action {
        const quorvane::pictures::Skins& names;
        const char16_t* text;
        QPainterPath icon;
        bool filledIcon;
    };
    const Action actions[] = {
        {quorvane::pictures::kGameHide, u"隐藏", downArrowIcon(), false},
        {quorvane::pictures::kGameRefresh, u"刷新(F5)", circularArrowsIcon(), false},
        {quorvane::pictures::kGameSwitchServer, u"换服(F9)", aeroplaneIcon(), true},
    };
    for (const Action& a : actions) {
        const QString text = QString::fromUtf16(a.text);
        addSkins(out, a.names, actionTab(text, a.icon, a.filledIcon, 1.0, false),
                 actionTab(text, a.icon, a.filledIcon, 1.22, false),
                 actionTab(text, a.icon, a.filledIcon, 0.7, true), Storage::Alpha);
    }
    return out;
}

}  // namespace artwork
