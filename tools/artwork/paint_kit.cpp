#include "paint_kit.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace artwork {

std::uint32_t Rng::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

double Rng::uniform() {
    return next() / 4294967296.0;
}

double hashNoise(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x27d4eb2dU;
    h ^= static_cast<std::uint32_t>(x) * 0x85ebca6bU;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xc2b2ae35U;
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h / 4294967296.0;
}

double valueNoise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double tx = smoothstep(0.0, 1.0, x - fx);
    const double ty = smoothstep(0.0, 1.0, y - fy);
    const double a = hashNoise(ix, iy, seed);
    const double b = hashNoise(ix + 1, iy, seed);
    const double c = hashNoise(ix, iy + 1, seed);
    const double d = hashNoise(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double fbm(double x, double y, int octaves, std::uint32_t seed) {
    double sum = 0.0;
    double amp = 0.5;
    double norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * valueNoise(x, y, seed + 101u * static_cast<std::uint32_t>(i));
        norm += amp;
        x *= 2.03;
        y *= 2.03;
        amp *= 0.5;
    }
    return sum / norm;
}

double smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                            static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QColor scaled(const QColor& c, double factor) {
    auto ch = [factor](int v) {
        return std::clamp(static_cast<int>(std::lround(v * factor)), 0, 255);
    };
    return QColor(ch(c.red()), ch(c.green()), ch(c.blue()), c.alpha());
}

namespace {
int gPictureScale = 1;
}  // namespace

int pictureScale() {
    return gPictureScale;
}

void setPictureScale(int scale) {
    gPictureScale = scale;
}

QImage blankImage(int width, int height) {
    QImage img(width * gPictureScale, height * gPictureScale, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(gPictureScale);
    img.fill(Qt::transparent);
    return img;
}

QFont fontByFamily(const QString& family, int pixelSize, int weight, bool italic) {
    if (!QFontDatabase::families().contains(family)) {
        std::fprintf(stderr, "make_artwork: font family '%s' is not installed\n",
                     qPrintable(family));
        std::exit(2);
    }
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

namespace {

// Works on premultiplied pixels so colour never leaks into transparent areas.
template <typename Fn>
void forEachPixel(QImage& image, Fn fn) {
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = fn(x, y, line[x]);
    }
}

int clampByte(double v) {
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

}  // namespace

void grainTexture(QImage& image, double strength, double scale, std::uint32_t seed) {
    forEachPixel(image, [&](int x, int y, QRgb px) {
        const int a = qAlpha(px);
        if (a == 0) return px;
        const double n = fbm(unitsOf(x, image) / scale, unitsOf(y, image) / scale, 4, seed) - 0.5;
        const double fine = hashNoise(x, y, seed ^ 0xabcdu) - 0.5;
        const double f = 1.0 + strength * (2.0 * n + 0.35 * fine);
        return qRgba(std::min(clampByte(qRed(px) * f), a), std::min(clampByte(qGreen(px) * f), a),
                     std::min(clampByte(qBlue(px) * f), a), a);
    });
}

void scaleBrightness(QImage& image, double factor) {
    forEachPixel(image, [&](int, int, QRgb px) {
        const int a = qAlpha(px);
        return qRgba(std::min(clampByte(qRed(px) * factor), a),
                     std::min(clampByte(qGreen(px) * factor), a),
                     std::min(clampByte(qBlue(px) * factor), a), a);
    });
}

void toGrey(QImage& image, const QColor& tint) {
    forEachPixel(image, [&](int, int, QRgb px) {
        const int a = qAlpha(px);
        const double lum = (0.3 * qRed(px) + 0.59 * qGreen(px) + 0.11 * qBlue(px)) / 255.0;
        return qRgba(std::min(clampByte(lum * tint.red()), a),
                     std::min(clampByte(lum * tint.green()), a),
                     std::min(clampByte(lum * tint.blue()), a), a);
    });
}

void boxBlur(QImage& image, int radius, int passes) {
    // The radius is in the picture's own units.
    radius = static_cast<int>(radius * image.devicePixelRatio());
    if (radius <= 0) return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    std::vector<int> acc(static_cast<size_t>(std::max(w, h)) * 4);
    std::vector<QRgb> buf(static_cast<size_t>(std::max(w, h)));
    auto blurLine = [&](auto get, auto set, int n) {
        for (int i = 0; i < n; ++i) buf[static_cast<size_t>(i)] = get(i);
        int sum[4] = {0, 0, 0, 0};
        const int window = 2 * radius + 1;
        auto add = [&](int idx, int sign) {
            if (idx < 0 || idx >= n) return;
            const QRgb p = buf[static_cast<size_t>(idx)];
            sum[0] += sign * qRed(p);
            sum[1] += sign * qGreen(p);
            sum[2] += sign * qBlue(p);
            sum[3] += sign * qAlpha(p);
        };
        for (int i = -radius; i < radius; ++i) add(i, 1);
        for (int i = 0; i < n; ++i) {
            add(i + radius, 1);
            set(i, qRgba(sum[0] / window, sum[1] / window, sum[2] / window, sum[3] / window));
            add(i - radius, -1);
        }
    };
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            blurLine([&](int i) { return line[i]; }, [&](int i, QRgb v) { line[i] = v; }, w);
        }
        for (int x = 0; x < w; ++x) {
            blurLine(
                [&](int i) { return reinterpret_cast<const QRgb*>(image.constScanLine(i))[x]; },
                [&](int i, QRgb v) { reinterpret_cast<QRgb*>(image.scanLine(i))[x] = v; }, h);
        }
    }
}

QImage glowOf(const QImage& shape, const QColor& colour, int radius, double gain) {
    QImage glow = shape.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    boxBlur(glow, radius, 3);
    forEachPixel(glow, [&](int, int, QRgb px) {
        const int a = clampByte(qAlpha(px) * gain * colour.alphaF());
        return qRgba(colour.red() * a / 255, colour.green() * a / 255, colour.blue() * a / 255, a);
    });
    return glow;
}

QPainterPath ridgePath(double x0, double x1, double baseY, double amplitude, double bottom,
                       double freq, std::uint32_t seed) {
    QPainterPath path;
    path.moveTo(x0, bottom);
    for (double x = x0; x <= x1 + 0.5; x += 2.0) {
        const double n = fbm(x * freq, 0.5, 5, seed);
        // Sharpened peaks read as mountains rather than waves.
        const double peak = std::pow(std::abs(2.0 * n - 1.0), 0.8);
        path.lineTo(x, baseY - amplitude * (0.35 * n + 0.65 * (1.0 - peak)));
    }
    path.lineTo(x1, bottom);
    path.closeSubpath();
    return path;
}

void inkWash(QPainter& p, const QRectF& area, const QColor& colour, int blots, std::uint32_t seed) {
    Rng rng(seed);
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < blots; ++i) {
        const QPointF c(rng.range(area.left(), area.right()), rng.range(area.top(), area.bottom()));
        const double rx = rng.range(0.08, 0.3) * area.width();
        const double ry = rng.range(0.3, 0.9) * area.height();
        QRadialGradient g(c, 1.0);
        QColor inner = colour;
        inner.setAlphaF(static_cast<float>(colour.alphaF() * rng.range(0.5, 1.0)));
        QColor outer = colour;
        outer.setAlpha(0);
        g.setColorAt(0.0, inner);
        g.setColorAt(0.55, mix(inner, outer, 0.5));
        g.setColorAt(1.0, outer);
        p.save();
        p.translate(c);
        p.rotate(rng.range(-20, 20));
        p.scale(rx, ry);
        p.translate(-c);
        p.setBrush(g);
        p.drawEllipse(c, 1.0, 1.0);
        p.restore();
    }
    p.restore();
}

QImage brushLettering(const QSize& size, const QPainterPath& glyphs,
                      const std::function<void(QPainter&)>& paintFill, double dryness,
                      std::uint32_t seed) {
    QImage body = blankImage(size.width(), size.height());
    {
        QPainter p(&body);
        p.setRenderHint(QPainter::Antialiasing);
        paintFill(p);
    }
    QImage mask = blankImage(size.width(), size.height());
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(glyphs, Qt::white);
    }
    for (int y = 0; y < body.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(body.scanLine(y));
        const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < body.width(); ++x) {
            const int cover = qAlpha(m[x]);
            if (cover == 0) {
                line[x] = 0;
                continue;
            }
            // Ragged edges where coverage is partial, streaks across the body.
            const double edge = 1.0 - std::abs(2.0 * cover / 255.0 - 1.0);
            const double rough = (hashNoise(x, y, seed) - 0.5) * 1.4 * edge;
            const double streak = fbm(unitsOf(x, body) / 9.0, unitsOf(y, body) / 1.6, 3, seed + 7);
            const double dry = 1.0 - dryness * smoothstep(0.55, 0.8, streak);
            const double f = std::clamp((cover / 255.0 + rough) * dry, 0.0, 1.0);
            const QRgb px = line[x];
            const int a = clampByte(qAlpha(px) * f);
            line[x] =
                qRgba(std::min(clampByte(qRed(px) * f), a), std::min(clampByte(qGreen(px) * f), a),
                      std::min(clampByte(qBlue(px) * f), a), a);
        }
    }
    return body;
}

QPainterPath textPath(const QString& text, const QFont& font, const QPointF& origin) {
    QPainterPath path;
    path.addText(origin, font, text);
    return path;
}

QPainterPath centredTextPath(const QString& text, const QFont& font, const QRectF& box) {
    QPainterPath path = textPath(text, font, QPointF(0, 0));
    const QRectF ink = path.boundingRect();
    return path.translated(box.center() - ink.center());
}

}  // namespace artwork

namespace artwork {

namespace {

struct ColourBox {
    std::vector<QRgb> colours;
    int widestChannel() const {
        int lo[3] = {255, 255, 255};
        int hi[3] = {0, 0, 0};
        for (QRgb c : colours) {
            const int ch[3] = {qRed(c), qGreen(c), qBlue(c)};
            for (int i = 0; i < 3; ++i) {
                lo[i] = std::min(lo[i], ch[i]);
                hi[i] = std::max(hi[i], ch[i]);
            }
        }
        int best = 0;
        for (int i = 1; i < 3; ++i)
            if (hi[i] - lo[i] > hi[best] - lo[best]) best = i;
        return (hi[best] - lo[best]) > 0 ? best : -1;
    }
    QRgb average() const {
        long long sum[3] = {0, 0, 0};
        for (QRgb c : colours) {
            sum[0] += qRed(c);
            sum[1] += qGreen(c);
            sum[2] += qBlue(c);
        }
        const long long n = static_cast<long long>(colours.size());
        return qRgb(static_cast<int>((sum[0] + n / 2) / n), static_cast<int>((sum[1] + n / 2) / n),
                    static_cast<int>((sum[2] + n / 2) / n));
    }
};

int channelOf(QRgb c, int ch) {
    return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c);
}

}  // namespace

QImage toPaletteImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    std::vector<ColourBox> boxes(1);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) >= 128) boxes[0].colours.push_back(line[x] | 0xff000000u);
    }
    // Split the most populous splittable box until the palette is full.
    while (boxes.size() < 255) {
        int pick = -1;
        size_t most = 1;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].colours.size() > most && boxes[i].widestChannel() >= 0) {
                most = boxes[i].colours.size();
                pick = static_cast<int>(i);
            }
        }
        if (pick < 0) break;
        ColourBox& box = boxes[static_cast<size_t>(pick)];
        const int ch = box.widestChannel();
        std::stable_sort(box.colours.begin(), box.colours.end(),
                         [ch](QRgb a, QRgb b) { return channelOf(a, ch) < channelOf(b, ch); });
        ColourBox upper;
        const auto half = box.colours.begin() + static_cast<long>(box.colours.size() / 2);
        upper.colours.assign(half, box.colours.end());
        box.colours.erase(half, box.colours.end());
        boxes.push_back(std::move(upper));
    }
    QVector<QRgb> palette;
    palette.push_back(qRgba(0, 0, 0, 0));
    for (const ColourBox& box : boxes)
        if (!box.colours.empty()) palette.push_back(box.average());

    QImage out(image.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) < 128) {
                dst[x] = 0;
                continue;
            }
            int best = 1;
            int bestDist = 1 << 30;
            for (int i = 1; i < palette.size(); ++i) {
                const int dr = qRed(palette[i]) - qRed(line[x]);
                const int dg = qGreen(palette[i]) - qGreen(line[x]);
                const int db = qBlue(palette[i]) - qBlue(line[x]);
                const int dist = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                if (dist < bestDist) {
                    bestDist = dist;
                    best = i;
                }
            }
            dst[x] = static_cast<uchar>(best);
        }
    }
    return out;
}

}  // namespace artwork
