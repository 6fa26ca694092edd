// The pictures of the three windows, each painted by one function per window.
#pragma once

#include <QImage>
#include <vector>

#include "resources/picture_names.h"

class QPainter;

namespace artwork {

// How a picture is written: with an alpha channel, fully opaque, or as a palette
// image whose transparency lives in one palette entry.
enum class Storage { Alpha, Opaque, Palette };

struct Picture {
    const char* resource;  // a quorvane::pictures constant, or a path of its own
    QImage image;
    Storage storage;
};

using Pictures = std::vector<Picture>;

void addSkins(Pictures& out, const quorvane::pictures::Skins& names, const QImage& normal,
              const QImage& hover, const QImage& pressed, Storage storage);

Pictures launcherPictures();
Pictures gamePictures();
Pictures noticePictures();
Pictures iconPictures();

// The heroine in white, drawn in launcher-background coordinates (about x 20..470,
// y 35..619) onto whatever the painter targets.
void paintHeroine(QPainter& p);

}  // namespace artwork
