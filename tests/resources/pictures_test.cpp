// Checks the embedded pictures against what the window layouts rely on: pixel
// sizes, transparency, the windows' colour keys and how the button skins differ.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <ostream>
#include <vector>

#include "resources/picture_names.h"

namespace {

namespace pics = quorvane::pictures;

enum class Alpha { Yes, No, Palette };

struct Expected {
    const char* path;
    int width;
    int height;
    Alpha alpha;
};

void PrintTo(const Expected& e, std::ostream* os) {
    *os << e.path;
}

std::vector<Expected> allPictures() {
    std::vector<Expected> v = {
        {pics::kLauncherBackground, 1127, 621, Alpha::Yes},
        {pics::kLauncherAdvisory, 339, 37, Alpha::Yes},
        {pics::kGameStrip, 1500, 45, Alpha::No},
        {pics::kGameFigure, 110, 45, Alpha::Yes},
        {pics::kGameTitle, 101, 41, Alpha::Yes},
        {pics::kGameStripRight, 420, 45, Alpha::No},
        {pics::kNoticeBanner, 280, 66, Alpha::Palette},
        {pics::kNoticeArrowUpLeft, 62, 43, Alpha::Yes},
        {pics::kNoticeArrowUpRight, 45, 59, Alpha::Yes},
        {pics::kNoticeArrowDownRight, 67, 43, Alpha::Yes},
        {pics::kNoticeArrowDownLeft, 49, 57, Alpha::Yes},
        {pics::kAppIcon, 256, 256, Alpha::Yes},
        {pics::kAppIconSmall, 32, 32, Alpha::Yes},
    };
    const struct {
        pics::Skins skins;
        int width;
        int height;
        Alpha alpha;
    } skinSets[] = {
        {pics::kLauncherLinkOfficialSite, 128, 35, Alpha::No},
        {pics::kLauncherLinkTopUp, 128, 35, Alpha::No},
        {pics::kLauncherLinkService, 128, 35, Alpha::No},
        {pics::kLauncherLinkGameCentre, 128, 35, Alpha::No},
        {pics::kLauncherClose, 31, 33, Alpha::Yes},
        {pics::kLauncherMinimise, 31, 33, Alpha::Yes},
        {pics::kLauncherClearCache, 88, 21, Alpha::Yes},
        {pics::kGameExit, 57, 24, Alpha::Yes},
        {pics::kGameSizeToggle, 29, 24, Alpha::No},
        {pics::kGameMinimise, 29, 24, Alpha::Yes},
        {pics::kGameHide, 81, 24, Alpha::Yes},
        {pics::kGameRefresh, 81, 24, Alpha::Yes},
        {pics::kGameSwitchServer, 81, 24, Alpha::Yes},
        {pics::kNoticeClose, 35, 34, Alpha::Yes},
    };
    for (const auto& s : skinSets) {
        for (const char* path : {s.skins.normal, s.skins.hover, s.skins.pressed})
            v.push_back({path, s.width, s.height, s.alpha});
    }
    return v;
}

QImage load(const char* path) {
    return QImage(QString::fromLatin1(path));
}

class PictureTest : public ::testing::TestWithParam<Expected> {};

TEST_P(PictureTest, LoadsWithItsSizeAndTransparency) {
    const Expected& e = GetParam();
    const QImage img = load(e.path);
    ASSERT_FALSE(img.isNull()) << "not embedded or not decodable";
    EXPECT_EQ(img.width(), e.width);
    EXPECT_EQ(img.height(), e.height);
    switch (e.alpha) {
        case Alpha::No:
            EXPECT_FALSE(img.hasAlphaChannel());
            break;
        case Alpha::Yes:
            EXPECT_TRUE(img.hasAlphaChannel());
            EXPECT_NE(img.format(), QImage::Format_Indexed8);
            break;
        case Alpha::Palette: {
            ASSERT_EQ(img.format(), QImage::Format_Indexed8);
            bool hasClearEntry = false;
            for (QRgb c : img.colorTable()) hasClearEntry = hasClearEntry || qAlpha(c) == 0;
            EXPECT_TRUE(hasClearEntry) << "no transparent palette entry";
            break;
        }
    }
}

// Each picture has a twin painted for 200 % screens, named the toolkit's way:
// twice the pixels each way, the same kind of transparency, and the reader
// takes its pixel ratio from the name.
TEST_P(PictureTest, HasATwinAtTwiceThePixels) {
    const Expected& e = GetParam();
    QString twin = QString::fromLatin1(e.path);
    twin.insert(twin.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
    const QImage img(twin);
    ASSERT_FALSE(img.isNull()) << "not embedded or not decodable";
    EXPECT_EQ(img.size(), QSize(e.width, e.height) * 2);
    EXPECT_EQ(img.devicePixelRatio(), 2.0);
    EXPECT_EQ(img.hasAlphaChannel(), e.alpha != Alpha::No);
    EXPECT_EQ(img.format() == QImage::Format_Indexed8, e.alpha == Alpha::Palette);
}

INSTANTIATE_TEST_SUITE_P(Embedded, PictureTest, ::testing::ValuesIn(allPictures()));

// Every launcher picture: an opaque pure-black pixel would punch a hole in the
// window through its black colour key.
// Every notice picture: same for pure blue under the notice's blue key.
struct KeyRule {
    const char* path;
    QRgb forbidden;
};

void PrintTo(const KeyRule& r, std::ostream* os) {
    *os << r.path;
}

std::vector<KeyRule> keyRules() {
    std::vector<KeyRule> v;
    for (const Expected& e : allPictures()) {
        const QString p = QString::fromLatin1(e.path);
        if (p.startsWith(QLatin1String(":/images/launcher_"))) v.push_back({e.path, qRgb(0, 0, 0)});
        if (p.startsWith(QLatin1String(":/images/notice_"))) v.push_back({e.path, qRgb(0, 0, 255)});
    }
    return v;
}

class ColourKeyTest : public ::testing::TestWithParam<KeyRule> {};

TEST_P(ColourKeyTest, HasNoVisiblePixelOfTheKeyColour) {
    const QImage img = load(GetParam().path).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(img.isNull());
    const bool black = GetParam().forbidden == qRgb(0, 0, 0);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            // Black is only a hole where it is opaque; blue shows wherever it is drawn.
            const bool visible = black ? qAlpha(px) == 255 : qAlpha(px) != 0;
            ASSERT_FALSE(visible && (px | 0xff000000u) == GetParam().forbidden)
                << "at " << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Embedded, ColourKeyTest, ::testing::ValuesIn(keyRules()));

TEST(LauncherBackground, IsOpaqueAndDarkWhereControlsSitAndClearAtTheRim) {
    const QImage img = load(pics::kLauncherBackground).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(img.isNull());
    const QRect underControls[] = {
        {486, 195, 605, 365},  // browser panel
        {1064, 143, 31, 33},   // close
        {1020, 143, 31, 33},   // minimise
        {1002, 570, 88, 21},   // clear cache
        {600, 573, 339, 37},   // advisory
        {1014, 602, 66, 13},   // version label
    };
    for (const QRect& r : underControls) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb px = img.pixel(x, y);
                ASSERT_EQ(qAlpha(px), 255) << "at " << x << ", " << y;
                ASSERT_LT(qGray(px), 110) << "at " << x << ", " << y;
            }
        }
    }
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (x >= 1111 || y == img.height() - 1 || (y < 20 && x > 320 && x < 560)) {
                ASSERT_EQ(qAlpha(img.pixel(x, y)), 0) << "at " << x << ", " << y;
            }
        }
    }
}

// Average brightness of the visible pixels, to compare skins of one button.
double brightness(const char* path) {
    const QImage img = load(path).convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    double weight = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            sum += qGray(px) * qAlpha(px);
            weight += qAlpha(px);
        }
    }
    return weight > 0 ? sum / weight : 0.0;
}

enum class Change { Same, Darker, Lighter };

struct SkinRule {
    const char* name;
    pics::Skins skins;
    Change hover;    // relative to normal
    Change pressed;  // relative to normal
    bool pressedDarkerThanHover;
};

void PrintTo(const SkinRule& r, std::ostream* os) {
    *os << r.name;
}

const SkinRule kSkinRules[] = {
    {"launcher official site", pics::kLauncherLinkOfficialSite, Change::Same, Change::Darker, true},
    {"launcher top-up", pics::kLauncherLinkTopUp, Change::Same, Change::Darker, true},
    {"launcher service", pics::kLauncherLinkService, Change::Same, Change::Darker, true},
    {"launcher game centre", pics::kLauncherLinkGameCentre, Change::Same, Change::Darker, true},
    {"launcher close", pics::kLauncherClose, Change::Same, Change::Same, false},
    {"launcher minimise", pics::kLauncherMinimise, Change::Same, Change::Same, false},
    {"launcher clear cache", pics::kLauncherClearCache, Change::Same, Change::Same, false},
    {"game exit", pics::kGameExit, Change::Darker, Change::Darker, true},
    {"game size toggle", pics::kGameSizeToggle, Change::Darker, Change::Darker, true},
    {"game minimise", pics::kGameMinimise, Change::Darker, Change::Darker, true},
    {"game hide", pics::kGameHide, Change::Lighter, Change::Darker, true},
    {"game refresh", pics::kGameRefresh, Change::Lighter, Change::Darker, true},
    {"game switch server", pics::kGameSwitchServer, Change::Lighter, Change::Darker, true},
    {"notice close", pics::kNoticeClose, Change::Lighter, Change::Same, false},
};

class SkinTest : public ::testing::TestWithParam<SkinRule> {};

void expectChange(const char* base, const char* other, Change change) {
    switch (change) {
        case Change::Same:
            EXPECT_EQ(load(base), load(other)) << other << " should repeat " << base;
            break;
        case Change::Darker:
            EXPECT_LT(brightness(other), brightness(base) - 3.0) << other;
            break;
        case Change::Lighter:
            EXPECT_GT(brightness(other), brightness(base) + 3.0) << other;
            break;
    }
}

TEST_P(SkinTest, HoverAndPressedDifferAsDesigned) {
    const SkinRule& r = GetParam();
    expectChange(r.skins.normal, r.skins.hover, r.hover);
    expectChange(r.skins.normal, r.skins.pressed, r.pressed);
    if (r.pressedDarkerThanHover) {
        EXPECT_LT(brightness(r.skins.pressed), brightness(r.skins.hover)) << r.skins.pressed;
    }
}

INSTANTIATE_TEST_SUITE_P(Embedded, SkinTest, ::testing::ValuesIn(kSkinRules));

}  // namespace
