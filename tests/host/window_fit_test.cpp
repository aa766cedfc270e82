// The window's picture scaled with its aspect kept.
#include "host/window_fit.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr host::Size kLayout = {1264, 752};

TEST(WindowFit, TheWindowStartsAtTheLargestWholeMultipleThatFits) {
    const struct {
        host::Size usable;
        host::Size start;
    } cases[] = {
        {{1600, 1200}, {1264, 752}},  // once
        {{2560, 1600}, {2528, 1504}},  // twice
        {{3840, 2160}, {2528, 1504}},  // the height allows only twice
        {{1024, 700}, {1024, 609}},   // less than once: the largest of the aspect
        {{1264, 752}, {1264, 752}},
    };
    for (const auto& c : cases) {
        const host::Size start = host::start_window_size(kLayout, c.usable);
        EXPECT_EQ(start.width, c.start.width) << c.usable.width << "x" << c.usable.height;
        EXPECT_EQ(start.height, c.start.height) << c.usable.width << "x" << c.usable.height;
        EXPECT_LE(start.width, c.usable.width);
        EXPECT_LE(start.height, c.usable.height);
    }
}

TEST(WindowFit, ThePictureKeepsItsAspectCentredBetweenBands) {
    const struct {
        host::Size window;
        host::Viewport view;
    } cases[] = {
        {{1264, 752}, {0, 0, 1264, 752}},
        {{1024, 700}, {0, 45, 1024, 609}},    // wider than tall: bands above and below
        {{2000, 752}, {368, 0, 1264, 752}},   // wide: bands left and right
        {{2528, 1504}, {0, 0, 2528, 1504}},
        {{640, 1000}, {0, 309, 640, 381}},
    };
    for (const auto& c : cases) {
        const host::Viewport v = host::letterbox(kLayout, c.window);
        EXPECT_EQ(v.x, c.view.x) << c.window.width << "x" << c.window.height;
        EXPECT_EQ(v.y, c.view.y) << c.window.width << "x" << c.window.height;
        EXPECT_EQ(v.width, c.view.width) << c.window.width << "x" << c.window.height;
        EXPECT_EQ(v.height, c.view.height) << c.window.width << "x" << c.window.height;
        // Undistorted: the two scales differ by less than a pixel's worth.
        const double sx = static_cast<double>(v.width) / kLayout.width;
        const double sy = static_cast<double>(v.height) / kLayout.height;
        EXPECT_LT(std::abs(sx - sy) * kLayout.height, 1.0);
    }
    const host::Viewport none = host::letterbox(kLayout, {0, 0});
    EXPECT_EQ(none.width, 0);
}

TEST(WindowFit, WindowPointsMapBackToTheLayoutAndBandsToNothing) {
    const host::Size window = {1024, 700};
    const host::Viewport v = host::letterbox(kLayout, window);  // 0,45 1024x609
    const auto at = [&](int x, int y) { return host::window_to_layout(kLayout, v, {x, y}); };
    ASSERT_TRUE(at(0, 45));
    EXPECT_EQ(at(0, 45)->x, 0);
    EXPECT_EQ(at(0, 45)->y, 0);
    ASSERT_TRUE(at(1023, 653));
    EXPECT_EQ(at(1023, 653)->x, 1262);
    EXPECT_EQ(at(1023, 653)->y, 750);
    ASSERT_TRUE(at(512, 349));
    EXPECT_EQ(at(512, 349)->x, 632);
    EXPECT_EQ(at(512, 349)->y, 375);
    EXPECT_FALSE(at(500, 44)) << "the band above";
    EXPECT_FALSE(at(500, 654)) << "the band below";
    EXPECT_FALSE(at(-1, 300));
}

}  // namespace
