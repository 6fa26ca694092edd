#include "game/size_mode.h"

#include <gtest/gtest.h>

namespace {

TEST(SizeModeTest, ScalingTruncatesTheSinglePrecisionFactor) {
    const std::pair<int, int> cases[] = {
        {1920, 1727}, {1040, 935}, {1366, 1229}, {728, 655}, {10, 8}, {0, 0}, {1, 0}, {1600, 1439},
    };
    for (auto [dimension, scaled] : cases)
        EXPECT_EQ(ScaleDimension(dimension), scaled) << dimension;
}

TEST(SizeModeTest, GeometryOfEachMode) {
    const QRect current(5, 6, 7, 8);
    struct Case {
        int mode, width, height;
        QRect expected;
    };
    const Case cases[] = {
        {0, 1920, 1040, QRect(96, 52, 1727, 935)},
        {0, 1366, 728, QRect(68, 36, 1229, 655)},
        {1, 1920, 1040, QRect(0, 0, 1920, 1040)},
        {1, 1366, 728, QRect(0, 0, 1366, 728)},
        {3, 1920, 1040, current},
        {-1, 1920, 1040, current},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeModeGeometry(static_cast<SizeMode>(c.mode), c.width, c.height, current),
                  c.expected)
            << c.mode;
}

}  // namespace
