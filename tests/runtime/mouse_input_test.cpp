// The trackerball and mouse through the machine's mouse driver, with the
// whole console started on the demo program directory.
#include "runtime/mouse_input.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/mouse.h"
#include "rig/console.h"
#include "runtime/console_state.h"

namespace {

using platform::kMouseLeft;
using platform::kMouseMiddle;
using platform::kMouseRight;

class MouseInput : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    // Starts the console; the test then holds the baton, so the readings it
    // makes itself are the only ones until it runs the rig again.
    void start(bool with_driver = true) {
        rig.machine().mouse.installed = with_driver;
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        runtime::trackerball_card_mode = 0;
        runtime::mode_flags &= ~runtime::MODE_IN_SETUP;
    }
    platform::Mouse& driver() { return rig.machine().mouse; }
};

TEST_F(MouseInput, StartUpFindsTheDriverWithTheCursorHiddenAndEveryButtonUp) {
    start();
    EXPECT_NE(runtime::mouse_present, 0);
    EXPECT_EQ(runtime::mouse_cursor_shown, 0);
    EXPECT_FALSE(driver().cursor_shown());
    EXPECT_EQ(runtime::mouse_button_released[runtime::kMouseLeft], 1);
    EXPECT_EQ(runtime::mouse_button_released[runtime::kMouseRight], 1);
    EXPECT_EQ(runtime::mouse_button_released[runtime::kMouseMiddle], 1);
}

struct Motion {
    int dx_mickeys;
    int dy_mickeys;
    int16_t steps_x;
    int16_t steps_y;
    int16_t rest_x;
    int16_t rest_y;
};

TEST_F(MouseInput, MickeysBecomeStepsOfFiveWithTheRestCarriedAndTruncatedTowardZero) {
    start();
    const std::vector<Motion> readings = {
        {3, -3, 0, 0, 3, -3},     // below one step on either side: nothing yet
        {4, -4, 1, -1, 2, -2},    // 7 and -7: one step each way, 2 and -2 left
        {0, 0, 0, 0, 2, -2},      // no movement keeps the rest
        {13, 12, 3, 2, 0, 0},     // 15 and 10: whole steps, nothing left
        {-9, 24, -1, 4, -4, 4},   // -9: -1 step and -4; 24: 4 steps and 4
        {2, -2, 0, 0, -2, 2},     // the rest can change sign without a step
        {0, 0, 0, 0, -2, 2},
    };
    for (size_t i = 0; i < readings.size(); ++i) {
        const Motion& m = readings[i];
        rig.move_trackerball(m.dx_mickeys, m.dy_mickeys);
        runtime::read_trackerball(0);
        EXPECT_EQ(runtime::mouse_x, m.steps_x) << "reading " << i;
        EXPECT_EQ(runtime::mouse_y, m.steps_y) << "reading " << i;
        EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisX], m.rest_x) << "reading " << i;
        EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisY], m.rest_y) << "reading " << i;
    }
    EXPECT_EQ(runtime::trackerball_resolution, 5);
}

TEST_F(MouseInput, AFullCountWithTheCarriedRestDoesNotOverflow) {
    start();
    rig.move_trackerball(4, -4);
    runtime::read_trackerball(0);
    rig.move_trackerball(40000, -40000);  // the driver gives 32767 and -32768
    runtime::read_trackerball(0);
    EXPECT_EQ(runtime::mouse_x, 6554);    // 32771 mickeys
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisX], 1);
    EXPECT_EQ(runtime::mouse_y, -6554);   // -32772 mickeys
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisY], -2);
}

TEST_F(MouseInput, TheMainLoopReadsTheTrackerballOnEveryPassOutsideMouseMode) {
    start();
    runtime::display_mode = 2;
    rig.move_trackerball(3, 0);
    rig.run_ms(1);
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisX], 3);
    EXPECT_EQ(driver().motion_x_mickeys, 0);  // taken from the driver
    rig.move_trackerball(4, 0);
    rig.run_ms(1);
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisX], 2);
}

TEST_F(MouseInput, TheMainLoopReadsTheCursorPositionInMouseMode) {
    start();
    runtime::display_mode = 1;
    runtime::set_mouse_position(57, 93);
    rig.run_ms(1);
    EXPECT_EQ(runtime::mouse_x, 57);
    EXPECT_EQ(runtime::mouse_y, 93);
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisX], 0);
}

TEST_F(MouseInput, TheCardsTrackerballModeDropsTheMovementOutsideTheSetup) {
    start();
    rig.move_trackerball(3, -2);
    runtime::read_trackerball(0);
    ASSERT_EQ(runtime::trackerball_remainders[runtime::kAxisX], 3);

    runtime::trackerball_card_mode = 1;
    rig.move_trackerball(12, 12);
    runtime::read_trackerball(0);
    EXPECT_EQ(runtime::mouse_x, 0);
    EXPECT_EQ(runtime::mouse_y, 0);
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisX], 0);
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisY], 0);
    runtime::set_mouse_position(100, 120);
    runtime::read_mouse(0);
    EXPECT_EQ(runtime::mouse_x, 0);
    EXPECT_EQ(runtime::mouse_y, 0);

    // Switched off again, nothing of the dropped movement comes back.
    runtime::trackerball_card_mode = 0;
    runtime::read_trackerball(0);
    EXPECT_EQ(runtime::mouse_x, 0);
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisX], 0);

    // Inside the fixture setup the trackerball moves in either mode.
    runtime::trackerball_card_mode = 1;
    runtime::mode_flags |= runtime::MODE_IN_SETUP;
    rig.move_trackerball(10, -6);
    runtime::read_trackerball(0);
    EXPECT_EQ(runtime::mouse_x, 2);
    EXPECT_EQ(runtime::mouse_y, -1);
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisY], -1);
    runtime::set_mouse_position(100, 120);
    runtime::read_mouse(0);
    EXPECT_EQ(runtime::mouse_x, 100);
    EXPECT_EQ(runtime::mouse_y, 120);
}

enum class Reader { trackerball, mouse };

struct ButtonReading {
    uint16_t down;
    uint8_t held;
    Reader reader;
    int16_t event;
};

TEST_F(MouseInput, AButtonIsReportedOncePerPressLeftBeforeRightBeforeMiddle) {
    start();
    const std::vector<ButtonReading> readings = {
        {kMouseLeft, 0, Reader::trackerball, runtime::kMouseLeft},       // fresh press
        {kMouseLeft, 0, Reader::trackerball, runtime::kMouseNoButton},   // still down
        {kMouseLeft, 1, Reader::trackerball, runtime::kMouseLeft},       // held asked for
        {kMouseLeft, 0, Reader::mouse, runtime::kMouseNoButton},
        {0, 0, Reader::trackerball, runtime::kMouseNoButton},            // released
        {kMouseLeft, 0, Reader::mouse, runtime::kMouseLeft},             // pressed again
        {kMouseLeft | kMouseRight, 0, Reader::trackerball, runtime::kMouseRight},  // left held, right fresh
        {kMouseLeft | kMouseRight | kMouseMiddle, 0, Reader::trackerball, runtime::kMouseMiddle},
        {kMouseLeft | kMouseRight | kMouseMiddle, 1, Reader::mouse, runtime::kMouseLeft},
        {0, 0, Reader::mouse, runtime::kMouseNoButton},
        {kMouseLeft | kMouseRight, 0, Reader::trackerball, runtime::kMouseLeft},   // both at once: left
        {kMouseLeft | kMouseRight, 0, Reader::trackerball, runtime::kMouseNoButton},
        {kMouseRight, 0, Reader::trackerball, runtime::kMouseNoButton},  // right was down throughout
        {kMouseRight, 1, Reader::trackerball, runtime::kMouseRight},
        {kMouseMiddle, 0, Reader::mouse, runtime::kMouseMiddle},         // a press seen by either reader
        {kMouseMiddle, 0, Reader::trackerball, runtime::kMouseNoButton}, // is not fresh for the other
        {0, 0, Reader::trackerball, runtime::kMouseNoButton},
    };
    for (size_t i = 0; i < readings.size(); ++i) {
        const ButtonReading& r = readings[i];
        rig.set_trackerball_buttons(r.down);
        if (r.reader == Reader::trackerball) {
            runtime::read_trackerball(r.held);
        } else {
            runtime::read_mouse(r.held);
        }
        EXPECT_EQ(runtime::mouse_buttons, r.event) << "reading " << i;
    }
}

TEST_F(MouseInput, TheReleasedFlagsFollowTheButtonsOfTheLastReading) {
    start();
    rig.set_trackerball_buttons(kMouseLeft | kMouseMiddle);
    runtime::read_trackerball(0);
    EXPECT_EQ(runtime::mouse_button_released[runtime::kMouseLeft], 0);
    EXPECT_EQ(runtime::mouse_button_released[runtime::kMouseRight], 1);
    EXPECT_EQ(runtime::mouse_button_released[runtime::kMouseMiddle], 0);
    runtime::init_mouse();  // the reset marks every button up again
    EXPECT_EQ(runtime::mouse_button_released[runtime::kMouseLeft], 1);
    EXPECT_EQ(runtime::mouse_button_released[runtime::kMouseMiddle], 1);
    runtime::read_mouse(0);
    EXPECT_EQ(runtime::mouse_buttons, runtime::kMouseLeft);
}

TEST_F(MouseInput, TheRangeConfinesTheCursorThatReadMouseReports) {
    start();
    runtime::set_mouse_range(3, 12, 210, 203);  // over the fixture panel
    EXPECT_EQ(driver().x_min, 3);
    EXPECT_EQ(driver().y_min, 12);
    EXPECT_EQ(driver().x_max, 210);
    EXPECT_EQ(driver().y_max, 203);
    runtime::set_mouse_position(500, 400);
    runtime::read_mouse(0);
    EXPECT_EQ(runtime::mouse_x, 210);
    EXPECT_EQ(runtime::mouse_y, 203);
    rig.move_trackerball(-1000, -1000);
    runtime::read_mouse(0);
    EXPECT_EQ(runtime::mouse_x, 3);
    EXPECT_EQ(runtime::mouse_y, 12);

    runtime::set_mouse_range(0, 0, 640, 480);
    rig.move_trackerball(44, 71);
    runtime::read_mouse(0);
    EXPECT_EQ(runtime::mouse_x, 47);
    EXPECT_EQ(runtime::mouse_y, 83);
}

TEST_F(MouseInput, ParkedAt200200TheTrackerballRolled50UpReadsPosition150) {
    start();
    runtime::set_mouse_range(0, 0, 640, 480);
    runtime::set_mouse_position(200, 200);
    rig.move_trackerball(0, -50);
    runtime::read_mouse(0);
    EXPECT_EQ(runtime::mouse_x, 200);
    EXPECT_EQ(runtime::mouse_y, 150);
}

TEST_F(MouseInput, TheCursorIsShownOrHiddenOnlyOnAChange) {
    start();
    runtime::show_mouse_cursor(0);  // a known state: hidden
    ASSERT_FALSE(driver().cursor_shown());
    const int16_t hidden_level = driver().cursor_level;
    runtime::show_mouse_cursor(0);  // already hidden: the driver's hide count stays
    EXPECT_EQ(driver().cursor_level, hidden_level);
    EXPECT_EQ(runtime::mouse_cursor_shown, 0);

    runtime::show_mouse_cursor(1);
    EXPECT_TRUE(driver().cursor_shown());
    EXPECT_EQ(runtime::mouse_cursor_shown, 1);
    runtime::show_mouse_cursor(1);
    runtime::show_mouse_cursor(0);
    EXPECT_FALSE(driver().cursor_shown());
    EXPECT_EQ(runtime::mouse_cursor_shown, 0);
    runtime::show_mouse_cursor(1);
    EXPECT_TRUE(driver().cursor_shown());
}

struct PointCase {
    int16_t px;
    int16_t py;
    bool inside;
};

TEST_F(MouseInput, APointIsInARectangleOnlyStrictlyInside) {
    start();
    const std::vector<PointCase> cases = {
        {20, 30, true},  {11, 21, true},  {29, 39, true},
        {10, 30, false}, {30, 30, false}, {20, 20, false}, {20, 40, false},  // on the border
        {9, 30, false},  {31, 30, false}, {20, 19, false}, {20, 41, false},
    };
    for (const PointCase& c : cases) {
        EXPECT_EQ(runtime::is_point_in_rect(10, 20, 30, 40, c.px, c.py), c.inside) << c.px << "," << c.py;
    }
}

TEST_F(MouseInput, WithoutADriverNothingMovesNothingIsPressedAndNothingIsHit) {
    start(false);
    EXPECT_EQ(runtime::mouse_present, 0);

    rig.move_trackerball(50, 50);
    rig.set_trackerball_buttons(kMouseLeft);
    runtime::mouse_x = 7;
    runtime::mouse_y = 7;
    runtime::mouse_buttons = 1;
    runtime::read_trackerball(1);
    EXPECT_EQ(runtime::mouse_x, 0);
    EXPECT_EQ(runtime::mouse_y, 0);
    EXPECT_EQ(runtime::mouse_buttons, runtime::kMouseNoButton);
    EXPECT_EQ(runtime::trackerball_remainders[runtime::kAxisX], 0);

    runtime::mouse_x = 7;
    runtime::mouse_buttons = 1;
    runtime::read_mouse(1);
    EXPECT_EQ(runtime::mouse_x, 0);
    EXPECT_EQ(runtime::mouse_y, 0);
    EXPECT_EQ(runtime::mouse_buttons, runtime::kMouseNoButton);

    EXPECT_FALSE(runtime::is_point_in_rect(10, 20, 30, 40, 20, 30));
    runtime::show_mouse_cursor(1);
    EXPECT_EQ(runtime::mouse_cursor_shown, 0);

    // The console keeps running without it.
    runtime::display_mode = 1;
    rig.run_ms(20);
    runtime::display_mode = 2;
    rig.run_ms(20);
    EXPECT_FALSE(rig.finished());
    EXPECT_EQ(runtime::mouse_x, 0);
}

}  // namespace
