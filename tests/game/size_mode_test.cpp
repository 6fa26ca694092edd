#include "game/size_mode.h"

#include <gtest/gtest.h>

namespace {

TEST(SizeModeTest, ScalingTruncatesTheSinglePrecisionFactor) {
    const std::pair<int, int> cases[] = {
        {1920, 1727}, {1040, 935}, {1366, 1229}, {728, 655}, {10, 8}, {0, 0}, {1, 0}, {1600, 1439},
    };
    for (auto [dimension, scaled] : cases)
        EXPECT_EQ(scaleDimension(dimension), scaled) << dimension;
}

// Screens as the toolkit reports them; a work area leaves out panels and docks.
const ScreenArea kLeftOfPrimary{{-1280, 0, 1280, 1024}, {-1280, 0, 1280, 1024}};
const ScreenArea kPrimaryWithTaskbar{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
const ScreenArea kAbove{{0, -900, 1600, 900}, {0, -870, 1600, 870}};  // top panel
const ScreenArea kPrimaryOnTheRight{{1280, 0, 1920, 1080}, {1280, 0, 1920, 1040}};
const ScreenArea kSecondOnTheLeft{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}};
// A 3840 x 2160 screen at 200 % beside a 100 % one: 1920 x 1080 in the
// toolkit's units, at its own origin.
const ScreenArea kHalfScale{{1920, 0, 1920, 1080}, {1920, 32, 1920, 1048}};

TEST(SizeModeTest, TheGameTakesItsPlaceOnTheScreenThatHoldsMostOfTheAnchor) {
    const std::vector<ScreenArea> negative{kPrimaryWithTaskbar, kLeftOfPrimary, kAbove};
    const std::vector<ScreenArea> primaryRight{kPrimaryOnTheRight, kSecondOnTheLeft};
    const std::vector<ScreenArea> mixedScale{kPrimaryWithTaskbar, kHalfScale};
    const QRect current(5, 6, 7, 8);
    struct Case {
        const char* name;
        std::vector<ScreenArea> screens;
        int mode;
        QRect anchor;
        QRect expected;
    };
    const Case cases[] = {
        {"primary, normal", negative, 0, {300, 200, 1127, 621}, {96, 52, 1727, 935}},
        {"primary, maximised", negative, 1, {300, 200, 1127, 621}, {0, 0, 1920, 1040}},
        {"left of the primary", negative, 0, {-1200, 100, 1127, 621}, {-1216, 51, 1151, 921}},
        {"left of the primary, maximised",
         negative,
         1,
         {-1200, 100, 1127, 621},
         {-1280, 0, 1280, 1024}},
        {"above, under a top panel", negative, 0, {100, -800, 1127, 621}, {80, -826, 1439, 782}},
        {"above, maximised", negative, 1, {100, -800, 1127, 621}, {0, -870, 1600, 870}},
        {"across two screens: the one with more of it",
         negative,
         0,
         {-300, 100, 1127, 621},
         {96, 52, 1727, 935}},
        {"primary on the right", primaryRight, 0, {1500, 200, 1127, 621}, {1376, 52, 1727, 935}},
        {"launcher moved to the left screen",
         primaryRight,
         0,
         {50, 200, 1127, 621},
         {64, 51, 1151, 921}},
        {"launcher moved to the left screen, maximised",
         primaryRight,
         1,
         {50, 200, 1127, 621},
         {0, 0, 1280, 1024}},
        {"half-scale screen", mixedScale, 0, {2000, 100, 1127, 621}, {2016, 84, 1727, 943}},
        {"half-scale screen, maximised",
         mixedScale,
         1,
         {2000, 100, 1127, 621},
         {1920, 32, 1920, 1048}},
        {"off every screen: the nearest",
         primaryRight,
         0,
         {-3000, 100, 400, 300},
         {64, 51, 1151, 921}},
        {"other mode", negative, 3, {300, 200, 1127, 621}, current},
        {"no screen", {}, 0, {300, 200, 1127, 621}, current},
    };
    for (const Case& c : cases)
        EXPECT_EQ(placeGameWindow(static_cast<SizeMode>(c.mode), c.screens, c.anchor, current),
                  c.expected)
            << c.name;
}

}  // namespace
