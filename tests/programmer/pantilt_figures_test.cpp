// Pan/tilt figures on the demo rig: the polygon outlines and lissajous
// ratios, and what reaches the 16-bit pan and tilt channels through the
// merge: orientation, inversion, fine carry and the coarse limit.
#include "programmer/pantilt_figures.h"

#include <gtest/gtest.h>

#include <cmath>

#include "programmer/channel_generators.h"
#include "programmer/programmer_values.h"
#include "programmer_test_rig.h"
#include "runtime/console_flags.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"

namespace {

using programmer::kFigure2;
using programmer::kXSwing;

const long double kPi = std::acos(-1.0L);
constexpr int kSpeed = 100;  // speed squared 10000: 62.5 ms per radian

// The phase (ms) at which a figure of speed 100 reaches angle q.
long double phase_at(long double q) { return q * 1000.0L / (kSpeed * kSpeed * programmer::kEffectAngularScale); }

struct Point {
    float x, y;
};

Point polygon(int figure2, long double q) {
    programmer::shared_phase_valid = {};
    long double phase = phase_at(q);
    Point p{};
    programmer::compute_polygon_point(kSpeed, kSpeed, 0, static_cast<int16_t>(figure2), 0, 0, 0, &phase, &p.x, &p.y);
    return p;
}

Point lissajous(int figure1, int figure2, long double q) {
    programmer::shared_phase_valid = {};
    long double phase = phase_at(q);
    Point p{};
    programmer::compute_lissajous_point(kSpeed, kSpeed, 0, static_cast<int16_t>(figure1),
                                        static_cast<int16_t>(figure2), 0, 0, 0, &phase, &p.x, &p.y);
    return p;
}

class Figures : public programmer_test::DemoRig {
protected:
    // Fixture f's figure, frozen at angle q: SPEED 0 with a previous speed
    // holds the figure where it stands.
    static void hold_figure(int16_t fixture, uint8_t x_swing, uint8_t y_swing, uint8_t figure1, long double q) {
        runtime::FigureState& g = runtime::figure_states[fixture];
        g.previous_speed = kSpeed;
        g.phase = phase_at(q);
        const int16_t first = static_cast<int16_t>((fixture - 1) * programmer::kFigureParams);
        const uint8_t values[programmer::kFigureParams] = {x_swing, y_swing, 0, 0, figure1, 0, 0, 0, 0, 0};
        for (int k = 1; k <= programmer::kFigureParams; ++k)
            programmer::set_figure_param(static_cast<int16_t>(first + k), values[k - 1]);
    }
    static void set_base(int16_t record, uint16_t value) { programmer::set_function_value(record, value); }
};

TEST(FigurePaths, PolygonOutlines) {
    struct Case {
        int row;
        long double q;
        float x, y;
    };
    const Case cases[] = {
        {8, 0, 1, 0},           {8, kPi / 2, 0, 1},          {8, kPi, -1, 0},     {8, 3 * kPi / 2, 0, -1},
        {8, kPi / 4, 0.5f, 0.5f},                                                   // the diamond's edge
        {9, kPi / 4, 1, 1},     {9, 3 * kPi / 4, -1, 1},     {9, kPi / 8, 1, 0.41421f},  // the square
        {1, kPi / 2, 0, 0.6f},  {1, kPi / 4, 0.5f, 0.5f},    {1, 0.4 * kPi, 0.19495f, 0.6f},  // cut flat at 0.6
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " at " << static_cast<double>(c.q));
        const Point p = polygon(150 + c.row, c.q);
        EXPECT_NEAR(p.x, c.x, 2e-3);
        EXPECT_NEAR(p.y, c.y, 2e-3);
    }
}

TEST(FigurePaths, AnglesAfterManyTurnsStayOnTheOutline) {
    for (int row = 1; row <= 13; ++row) {
        for (long double q : {kPi / 4, kPi / 2, 5 * kPi / 4, 1.0L}) {
            const Point first = polygon(150 + row, q);
            const Point later = polygon(150 + row, q + 2 * kPi * 300);
            ASSERT_TRUE(std::isfinite(later.x) && std::isfinite(later.y)) << "row " << row;
            EXPECT_NEAR(later.x, first.x, 2e-3) << "row " << row;
            EXPECT_NEAR(later.y, first.y, 2e-3) << "row " << row;
        }
    }
}

TEST(FigurePaths, Figure2ChoosesRatioOrPolygonRow) {
    // 140..150 is the last ratio (6:5), 151 polygon row 1, 163 and above row 13.
    const long double q = 0.7L;
    EXPECT_EQ(lissajous(0, 150, q).y, lissajous(0, 140, q).y);
    EXPECT_NE(lissajous(0, 150, q).y, lissajous(0, 139, q).y);
    EXPECT_EQ(polygon(151, kPi / 2).y, 0.6f);
    EXPECT_EQ(polygon(170, q).x, polygon(163, q).x);
    EXPECT_NE(polygon(162, 3 * kPi / 4).x, polygon(163, 3 * kPi / 4).x);
    // 1:1 with the second axis half a turn on: y mirrors x.
    const Point p = lissajous(85, 0, kPi / 2);
    EXPECT_FLOAT_EQ(p.x, 1.0f);
    EXPECT_FLOAT_EQ(p.y, -1.0f);
}

TEST(FigurePaths, NoSpeedAtAllIsTheBasePosition) {
    long double phase = 500;
    float x = 9, y = 9;
    programmer::compute_polygon_point(0, 0, 0, 158, 0, 0, 0, &phase, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(phase, 500);
}

// Fixture 1 (SPOT16 at 1, hung straight: the pan axis inverted) and fixture
// 3 (at 33, hung a quarter turn: axes swapped, none inverted).
TEST_F(Figures, SixteenBitPanAndTiltFollowTheHangingOfTheFixture) {
    for (int16_t r : {1, 3, 33, 35}) set_base(r, 100);
    hold_figure(1, 10, 20, 85, kPi / 2);  // x = 1, y = -1
    hold_figure(3, 10, 20, 85, kPi / 2);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 1), 90);   // pan: -10 (inverted)
    EXPECT_EQ(rig_.dmx(1, 2), 0);
    EXPECT_EQ(rig_.dmx(1, 3), 80);   // tilt: -20
    EXPECT_EQ(rig_.dmx(1, 33), 80);  // pan takes Y
    EXPECT_EQ(rig_.dmx(1, 35), 110); // tilt takes X
}

TEST_F(Figures, AFineOverflowCarriesIntoTheCoarseByte) {
    set_base(1, 100);
    set_base(2, 200);
    set_base(3, 100);
    set_base(4, 0);
    hold_figure(1, 1, 1, 85, kPi / 6);  // x = 0.5: 128 fine steps, inverted on pan
    rig_.run_ms(50);
    // 100 * 256 + 200 - 128 = 100 * 256 + 72.
    EXPECT_EQ(rig_.dmx(1, 1), 100);
    EXPECT_EQ(rig_.dmx(1, 2), 72);
    // y = -0.5 on tilt: 100 * 256 - 128 = 99 * 256 + 128.
    EXPECT_EQ(rig_.dmx(1, 3), 99);
    EXPECT_EQ(rig_.dmx(1, 4), 128);
}

TEST_F(Figures, AtTheCoarseLimitOnlyTheCoarseByteGoesOut) {
    set_base(1, 5);
    set_base(2, 77);
    set_base(3, 100);
    rig_.run_ms(50);
    ASSERT_EQ(rig_.dmx(1, 2), 77);
    hold_figure(1, 10, 10, 85, kPi / 2);  // pan 5 - 10: below the range
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 1), 0);
    EXPECT_EQ(rig_.dmx(1, 2), 77);
}

TEST_F(Figures, AFigureThatStopsLeavesTheBasePosition) {
    for (int16_t r : {1, 3}) set_base(r, 100);
    hold_figure(1, 10, 20, 85, kPi / 2);
    rig_.run_ms(50);
    ASSERT_EQ(rig_.dmx(1, 1), 90);
    hold_figure(1, 0, 0, 85, kPi / 2);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 1), 100);
    EXPECT_EQ(rig_.dmx(1, 3), 100);
}

TEST_F(Figures, WheelSetsOnlyFixturesWithPanAndTilt) {
    programmer::fixture_selected[1] = 1;
    programmer::fixture_selected[11] = 1;  // a dimmer: no figure
    runtime::fader_bank = 2;
    runtime::run_flags |= runtime::RUN_LIVE_EDIT;
    programmer::apply_wheel_to_figure_param(kXSwing, -300);
    EXPECT_EQ(runtime::wheel_states.figure_params[kXSwing].value, 255);
    EXPECT_EQ(runtime::programmer_figures[kXSwing], 127);  // X-SWING stops at 127
    EXPECT_EQ(runtime::manual_figures[kXSwing], 127);
    EXPECT_NE(runtime::figure_flags[kXSwing] & runtime::FLAG_MANUAL, 0);
    EXPECT_EQ(runtime::programmer_figures[10 * 10 + kXSwing], runtime::kByteNotSet);
    programmer::apply_wheel_to_figure_param(kFigure2, -90);  // 90 fader units of two thirds
    EXPECT_EQ(runtime::programmer_figures[kFigure2], 60);
    EXPECT_EQ(programmer::get_figure_param_colour(kFigure2), programmer::kColourReachesStage);
    runtime::run_flags |= runtime::RUN_BLIND;
    EXPECT_EQ(programmer::get_figure_param_colour(kFigure2), programmer::kColourHeldBack);
}

}  // namespace
