// make_artwork [output-dir]
//
// Paints every picture of the launcher, the game window and the closing notice and
// writes them as PNG files (default: resources/images of the source tree), each
// once more at twice the pixels for screens at 200 %, named the toolkit's way
// ("launcher_close_normal@2x.png"); the desktop's theme icons come in sizes of
// their own and are painted once. The
// output depends on nothing but this code and the installed fonts, so a rerun
// reproduces the committed files byte for byte. Run it off-screen:
//   QT_QPA_PLATFORM=offscreen make_artwork resources/images

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QRect>
#include <cstdio>
#include <cstring>

#include "artwork.h"
#include "paint_kit.h"

namespace artwork {

void addSkins(Pictures& out, const quorvane::pictures::Skins& names, const QImage& normal,
              const QImage& hover, const QImage& pressed, Storage storage) {
    out.push_back({names.normal, normal, storage});
    out.push_back({names.hover, hover, storage});
    out.push_back({names.pressed, pressed, storage});
}

}  // namespace artwork

namespace {

using artwork::Picture;
using artwork::Storage;

int failures = 0;

void fail(const Picture& pic, const char* what, int x, int y) {
    std::fprintf(stderr, "make_artwork: %s: %s at (%d, %d)\n", pic.resource, what, x, y);
    ++failures;
}

bool startsWith(const char* s, const char* prefix) {
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

// The launcher keys out pure black: an opaque black pixel would be a hole in the
// window. Lift those by one step, invisible to the eye but not to the key.
void liftBlack(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            if (qAlpha(px) == 0)
                line[x] = 0;
            else if ((px & 0x00ffffffu) == 0)
                line[x] = qRgba(1, 1, 1, qAlpha(px));
        }
    }
}

// The notice keys out pure blue; same idea.
void nudgeBlue(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 0 && (line[x] & 0x00ffffffu) == 0x0000ffu)
                line[x] = qRgba(0, 0, 254, qAlpha(line[x]));
        }
    }
}

QImage finish(Picture& pic) {
    const bool launcher = startsWith(pic.resource, ":/images/launcher_");
    const bool notice = startsWith(pic.resource, ":/images/notice_");
    switch (pic.storage) {
        case Storage::Opaque: {
            QImage img = pic.image.convertToFormat(QImage::Format_RGB32);
            if (launcher) liftBlack(img);
            if (notice) nudgeBlue(img);
            return img;
        }
        case Storage::Alpha: {
            QImage img = pic.image.convertToFormat(QImage::Format_ARGB32);
            if (launcher) liftBlack(img);
            if (notice) nudgeBlue(img);
            return img;
        }
        case Storage::Palette: {
            QImage img = pic.image.convertToFormat(QImage::Format_ARGB32);
            if (notice) nudgeBlue(img);
            QImage indexed = artwork::toPaletteImage(img);
            QVector<QRgb> table = indexed.colorTable();
            for (QRgb& c : table)
                if (qAlpha(c) != 0 && (c & 0x00ffffffu) == 0x0000ffu) c = qRgb(0, 0, 254);
            indexed.setColorTable(table);
            return indexed;
        }
    }
    return pic.image;
}

void checkKeyColours(const Picture& pic, const QImage& img) {
    const bool launcher = startsWith(pic.resource, ":/images/launcher_");
    const bool notice = startsWith(pic.resource, ":/images/notice_");
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            if (launcher && qAlpha(px) == 255 && (px & 0x00ffffffu) == 0)
                return fail(pic, "opaque black pixel", x, y);
            if (notice && qAlpha(px) != 0 && (px & 0x00ffffffu) == 0x0000ffu)
                return fail(pic, "pure blue pixel", x, y);
        }
    }
}

// The launcher's controls sit on fixed spots of the background; those must be
// dark, opaque artwork, and the rim of the window must be see-through.
void checkLauncherBackground(const Picture& pic, const QImage& img) {
    const int s = artwork::pictureScale();
    const QRect darkSpots[] = {
        {1064, 143, 31, 33}, {1020, 143, 31, 33}, {1002, 570, 88, 21},
        {600, 573, 339, 37}, {1014, 602, 66, 13}, {486, 195, 605, 365},
    };
    for (const QRect& spot : darkSpots) {
        const QRect r(spot.topLeft() * s, spot.size() * s);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb px = img.pixel(x, y);
                if (qAlpha(px) != 255) return fail(pic, "see-through pixel under a control", x, y);
                if (qGray(px) > 110) return fail(pic, "bright pixel under a control", x, y);
            }
        }
    }
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if ((x >= 1111 * s || y >= img.height() - s) && qAlpha(img.pixel(x, y)) != 0)
                return fail(pic, "artwork on the transparent rim", x, y);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString outDir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(ARTWORK_DEFAULT_OUTPUT_DIR);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "make_artwork: cannot create %s\n", qPrintable(outDir));
        return 1;
    }

    int written = 0;
    for (const int scale : {1, 2}) {
        artwork::setPictureScale(scale);
        artwork::Pictures all;
        for (auto* make : {artwork::launcherPictures, artwork::gamePictures,
                           artwork::noticePictures, artwork::iconPictures}) {
            artwork::Pictures part = make();
            for (Picture& pic : part) all.push_back(std::move(pic));
        }
        for (Picture& pic : all) {
            // Resources are written by file name; other pictures keep their folder.
            const QString resource = QString::fromLatin1(pic.resource);
            const bool isResource = resource.startsWith(QLatin1String(":/"));
            if (scale != 1 && !isResource) continue;
            const QImage img = finish(pic);
            checkKeyColours(pic, img);
            if (std::strcmp(pic.resource, quorvane::pictures::kLauncherBackground) == 0)
                checkLauncherBackground(pic, img);

            QString name = isResource ? resource.section(QLatin1Char('/'), -1) : resource;
            if (scale != 1)
                name.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(scale));
            QDir(outDir).mkpath(QFileInfo(QDir(outDir).filePath(name)).path());
            QImageWriter writer(QDir(outDir).filePath(name), "png");
            if (!writer.write(img)) {
                std::fprintf(stderr, "make_artwork: writing %s: %s\n", qPrintable(name),
                             qPrintable(writer.errorString()));
                return 1;
            }
            ++written;
        }
    }
    if (failures != 0) {
        std::fprintf(stderr, "make_artwork: %d picture(s) break a colour-key or layout rule\n",
                     failures);
        return 1;
    }
    std::printf("make_artwork: wrote %d pictures to %s\n", written, qPrintable(outDir));
    return 0;
}
