// Small procedural-painting toolkit shared by the artwork generators: seeded
// randomness, noise, blurs and brush effects. Everything here is deterministic so
// that a rerun reproduces the committed pictures byte for byte.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <functional>

class QPainter;

namespace artwork {

// SplitMix64: tiny, well distributed and, unlike std::uniform_real_distribution,
// gives the same sequence on every standard library.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint32_t next();
    double uniform();  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

  private:
    std::uint64_t state_;
};

double hashNoise(int x, int y, std::uint32_t seed);         // [0, 1)
double valueNoise(double x, double y, std::uint32_t seed);  // smooth, [0, 1)
double fbm(double x, double y, int octaves, std::uint32_t seed);

double smoothstep(double edge0, double edge1, double x);
QColor mix(const QColor& a, const QColor& b, double t);
QColor scaled(const QColor& c, double factor);

// The scale pictures are painted at: 1, or 2 for screens at 200 % (the
// pictures named with "@2x"). Every picture keeps its size and coordinates in
// its own units; at 2 it has twice as many pixels each way, as its device
// pixel ratio says, and painters draw into it in its own units.
int pictureScale();
void setPictureScale(int scale);

// A picture of width x height in its own units at the picture scale:
// transparent ARGB32_Premultiplied.
QImage blankImage(int width, int height);

// Pixel loops see every pixel of a scaled picture; this is where pixel (x, y)
// lies in the picture's own units, and it is (x, y) itself at scale 1.
inline double unitsOf(int pixel, const QImage& image) {
    return pixel / image.devicePixelRatio();
}

// Loads a font by family name; aborts when the family is not installed, since a
// silent fallback would change the pictures.
QFont fontByFamily(const QString& family, int pixelSize, int weight, bool italic = false);

// Multiplies colour channels by a brightness field of fractal noise; `scale`
// is the size of its features in the picture's own units.
void grainTexture(QImage& image, double strength, double scale, std::uint32_t seed);
void scaleBrightness(QImage& image, double factor);
void toGrey(QImage& image, const QColor& tint);
void boxBlur(QImage& image, int radius, int passes);

// Blurred, tinted copy of the coverage of `shape`, for glows and soft shadows.
// `radius` is in the picture's own units.
QImage glowOf(const QImage& shape, const QColor& colour, int radius, double gain);

// A ridge line of hills filled down to `bottom`; `freq` is in features per pixel.
QPainterPath ridgePath(double x0, double x1, double baseY, double amplitude, double bottom,
                       double freq, std::uint32_t seed);

// Soft, irregular ink-wash blots inside `area`.
void inkWash(QPainter& p, const QRectF& area, const QColor& colour, int blots, std::uint32_t seed);

// Lettering with a brush feel: the glyph coverage is roughened along its edges and
// streaked like a dry brush. `paintFill` paints the letter body over the whole
// canvas; only what lies under the glyphs is kept.
QImage brushLettering(const QSize& size, const QPainterPath& glyphs,
                      const std::function<void(QPainter&)>& paintFill, double dryness,
                      std::uint32_t seed);

// Path of a text run whose left baseline starts at `origin`.
QPainterPath textPath(const QString& text, const QFont& font, const QPointF& origin);

// Path of a text run centred in `box` (by its ink bounds).
QPainterPath centredTextPath(const QString& text, const QFont& font, const QRectF& box);

}  // namespace artwork

namespace artwork {

// Palette image with entry 0 fully transparent: pixels under half coverage become
// transparent, the rest are reduced to at most 255 colours by median cut.
QImage toPaletteImage(const QImage& image);

}  // namespace artwork
