#include "widgets/frame_hit_test.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace quorvane::widgets;

// A point relative to the window's top-left corner and the answer expected there.
struct Probe {
    int dx;
    int dy;
    int expected;
};

// Each table runs on a window on the primary monitor and on one left of and
// above it, where every coordinate is negative.
const QRect kWindows[] = {QRect(96, 52, 1727, 935), QRect(-1800, -1000, 1727, 935)};

void ExpectAnswers(int (*hitTest)(const QRect&, const QPoint&), const std::vector<Probe>& probes) {
    for (const QRect& window : kWindows) {
        for (const Probe& p : probes) {
            const QPoint point(window.x() + p.dx, window.y() + p.dy);
            EXPECT_EQ(hitTest(window, point), p.expected)
                << "window " << window.x() << "," << window.y() << " offset (" << p.dx << ", "
                << p.dy << ")";
        }
    }
}

TEST(GameWindowHitTest, AnswersEachBandCornerAndCaption) {
    constexpr int W = 1727;
    constexpr int H = 935;
    ExpectAnswers(&gameWindowHitTest, {
                                          {0, 0, HitTopLeft},
                                          {2, 2, HitTopLeft},
                                          {W - 1, 0, HitTopRight},
                                          {W - 2, 2, HitTopRight},
                                          {0, H - 1, HitBottomLeft},
                                          {2, H - 2, HitBottomLeft},
                                          {W - 1, H - 1, HitBottomRight},
                                          {W - 2, H - 2, HitBottomRight},
                                          // Left band three columns wide, right band two.
                                          {2, 10, HitLeft},
                                          {0, 500, HitLeft},
                                          {3, 500, HitDefault},
                                          {-1, 500, HitDefault},
                                          {W - 1, 10, HitRight},
                                          {W - 2, 500, HitRight},
                                          {W - 3, 500, HitDefault},
                                          // Bottom band two rows, top band rows T+1 and T+2 only.
                                          {10, H - 1, HitBottom},
                                          {3, H - 2, HitBottom},
                                          {10, H - 3, HitDefault},
                                          {10, 1, HitTop},
                                          {W - 3, 2, HitTop},
                                          // The topmost row outside the corners drags.
                                          {10, 0, HitCaption},
                                          {W - 3, 0, HitCaption},
                                          {3, 0, HitCaption},
                                          // Caption band down to T+30.
                                          {10, 3, HitCaption},
                                          {800, 30, HitCaption},
                                          {800, 31, HitDefault},
                                          {3, 40, HitDefault},
                                      });
}

TEST(LauncherHitTest, RightAndBottomBandsResizeEverythingElseDrags) {
    constexpr int W = 1127;
    constexpr int H = 621;
    for (const QRect window : {QRect(200, 100, W, H), QRect(-1500, -700, W, H)}) {
        const struct {
            int dx, dy, expected;
        } probes[] = {
            {W - 1, 10, HitRight},
            {W - 2, 300, HitRight},
            {W - 2, 0, HitRight},
            {W - 3, 300, HitCaption},
            {10, H - 1, HitBottom},
            {0, H - 2, HitBottom},
            {10, H - 3, HitCaption},
            {W - 1, H - 1, HitBottomRight},
            {W - 2, H - 2, HitBottomRight},
            {W - 3, H - 2, HitBottom},
            {W - 2, H - 3, HitRight},
            // No bands at the left and top edges.
            {0, 0, HitCaption},
            {0, 300, HitCaption},
            {500, 0, HitCaption},
            {500, 300, HitCaption},
            // Outside the window the framework answers.
            {-1, 10, HitDefault},
            {10, -1, HitDefault},
        };
        for (const auto& p : probes) {
            EXPECT_EQ(launcherHitTest(window, QPoint(window.x() + p.dx, window.y() + p.dy)),
                      p.expected)
                << "window " << window.x() << "," << window.y() << " offset (" << p.dx << ", "
                << p.dy << ")";
        }
    }
}

TEST(EdgesOfHit, ResizeAnswersGrabTheirEdgesOthersNone) {
    EXPECT_EQ(edgesOfHit(HitLeft), Qt::LeftEdge);
    EXPECT_EQ(edgesOfHit(HitRight), Qt::RightEdge);
    EXPECT_EQ(edgesOfHit(HitTop), Qt::TopEdge);
    EXPECT_EQ(edgesOfHit(HitBottom), Qt::BottomEdge);
    EXPECT_EQ(edgesOfHit(HitTopLeft), Qt::TopEdge | Qt::LeftEdge);
    EXPECT_EQ(edgesOfHit(HitTopRight), Qt::TopEdge | Qt::RightEdge);
    EXPECT_EQ(edgesOfHit(HitBottomLeft), Qt::BottomEdge | Qt::LeftEdge);
    EXPECT_EQ(edgesOfHit(HitBottomRight), Qt::BottomEdge | Qt::RightEdge);
    EXPECT_EQ(edgesOfHit(HitCaption), Qt::Edges());
    EXPECT_EQ(edgesOfHit(HitDefault), Qt::Edges());
}

}  // namespace
