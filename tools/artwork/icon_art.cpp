// Application icon: the brush-written initial on a night-blue tile.

#include <QLinearGradient>
#include <QPainter>
#include <utility>

#include "artwork.h"
#include "paint_kit.h"

namespace artwork {
namespace {

QImage icon256() {
    const int size = 256;
    QImage img = blankImage(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(8, 8, 240, 240);
    QLinearGradient g(tile.topLeft(), tile.bottomRight());
    g.setColorAt(0.0, QColor(32, 70, 130));
    g.setColorAt(1.0, QColor(8, 20, 46));
    p.setPen(QPen(QColor(110, 200, 240), 6.0));
    p.setBrush(g);
    p.drawRoundedRect(tile.adjusted(3, 3, -3, -3), 48, 48);
    p.end();
    grainTexture(img, 0.08, 30.0, 808);

    const QFont font = fontByFamily(QStringLiteral("Z003 [urw]"), 196, QFont::Normal, true);
    QPainterPath glyph = textPath(QStringLiteral("Q"), font, QPointF(0, 0));
    glyph.translate(QPointF(124, 126) - glyph.boundingRect().center());
    QImage mask = blankImage(size, size);
    {
        QPainter mp(&mask);
        mp.setRenderHint(QPainter::Antialiasing);
        mp.fillPath(glyph, Qt::white);
    }
    QPainter q(&img);
    q.drawImage(0, 0, glowOf(mask, QColor(60, 220, 255), 8, 1.2));
    q.drawImage(0, 0,
                brushLettering(
                    QSize(size, size), glyph,
                    [](QPainter& lp) {
                        QLinearGradient lg(QPointF(0, 30), QPointF(0, 220));
                        lg.setColorAt(0.0, QColor(230, 255, 255));
                        lg.setColorAt(1.0, QColor(60, 190, 235));
                        lp.fillRect(0, 0, 256, 256, lg);
                    },
                    0.3, 809));
    // Red seal in the corner, as on a signed painting.
    q.setRenderHint(QPainter::Antialiasing);
    q.setPen(Qt::NoPen);
    q.setBrush(QColor(200, 40, 44));
    q.drawRoundedRect(QRectF(184, 184, 34, 34), 4, 4);
    q.setPen(QPen(QColor(255, 230, 220), 3.0));
    q.setBrush(Qt::NoBrush);
    q.drawRect(QRectF(190, 190, 22, 22));
    q.drawLine(QPointF(201, 193), QPointF(201, 209));
    return img;
}

// Icons for the desktop's icon theme only, not resources of the program.
const std::pair<const char*, int> kThemeIconSizes[] = {
    {"icons/quorvane_16.png", 16}, {"icons/quorvane_32.png", 32},   {"icons/quorvane_48.png", 48},
    {"icons/quorvane_64.png", 64}, {"icons/quorvane_128.png", 128}, {"icons/quorvane_256.png", 256},
};

}  // namespace

Pictures iconPictures() {
    const QImage large = icon256();
    const auto scaled = [&](int size) {
        const int pixels = size * pictureScale();
        QImage image =
            large.scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image.setDevicePixelRatio(pictureScale());
        return image;
    };
    Pictures pictures = {
        {quorvane::pictures::kAppIcon, large, Storage::Alpha},
        {quorvane::pictures::kAppIconSmall, scaled(32), Storage::Alpha},
    };
    // The desktop's icon theme takes these sizes; the package installs them.
    for (const auto& [name, size] : kThemeIconSizes)
        pictures.push_back({name, scaled(size), Storage::Alpha});
    return pictures;
}

}  // namespace artwork
