// The fixture keys as the operator presses them on the demo rig (12 fixtures
// on page 1, keys 1..12): single keys and two-key ranges, ALL and NONE, LAST
// and NEXT, even and odd with their undo, the bank keys, the key LEDs and the
// fixture panel's frame and picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "programmer_test_rig.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/step_log.h"
#include "ui/helpers.h"

namespace {

using programmer::fixture_selected;
using runtime::KEY_EVEN;
using runtime::KEY_ODD;

class FixtureKeys : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        ASSERT_EQ(runtime::fixture_bank_counts[1], 12);
        ASSERT_EQ(runtime::fixture_page, 1);
    }
    static std::string selected() {
        std::string s;
        for (int n = 1; n <= 12; ++n) s += fixture_selected[static_cast<size_t>(n)] == 1 ? '1' : '.';
        return s;
    }
    // Holds key a, presses key b, lets a go.
    void range(int16_t a, int16_t b) {
        rig_.hold(a, 50);
        rig_.press(b);
        rig_.release(a, 50);
    }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
};

TEST_F(FixtureKeys, SingleKeysAndRanges) {
    struct Step {
        const char* what;
        int16_t key_a;
        int16_t key_b;  // 0: key a alone
        const char* after;
        int16_t current;
    };
    const Step steps[] = {
        {"key 40 stands for the page's last key", 40, 0, "...........1", 12},
        {"and toggles it off again", 40, 0, "............", -1},
        {"3 held, 40 pressed: keys 3..12", 3, 40, "..1111111111", 12},
        {"5 held, 2 pressed: 2..5 are partly selected, so selected", 5, 2, ".11111111111", 5},
        {"all of 2..5 selected: deselected; the last wash becomes current", 5, 2, ".....1111111", 10},
        {"a single key", 1, 0, "1....1111111", 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.key_b == 0) {
            rig_.press(s.key_a);
        } else {
            range(s.key_a, s.key_b);
        }
        EXPECT_EQ(selected(), s.after);
        EXPECT_EQ(runtime::current_fixture, s.current);
    }
    // The LEDs show the selection: the second colour on a selected key.
    EXPECT_EQ(led(1), runtime::LED_ON_2);
    EXPECT_EQ(led(2), runtime::LED_OFF);
    EXPECT_EQ(led(12), runtime::LED_ON_2);
    EXPECT_EQ(led(13), runtime::LED_OFF);
}

TEST_F(FixtureKeys, AnotherKeyWhileAFixtureKeyIsHeldChangesNothing) {
    rig_.press(4);
    // ALL pressed while key 7 is held ends the command and is consumed.
    range(7, runtime::KEY_ALL);
    EXPECT_EQ(selected(), "...1........");
    EXPECT_EQ(runtime::current_fixture, 4);
}

TEST_F(FixtureKeys, AllAndNone) {
    rig_.press(runtime::KEY_ALL);
    EXPECT_EQ(selected(), "111111111111");
    EXPECT_EQ(runtime::current_fixture, 12);
    rig_.press(runtime::KEY_NONE);
    EXPECT_EQ(selected(), "............");
    EXPECT_EQ(runtime::current_fixture, -1);
    EXPECT_EQ(runtime::current_fixture_type, -1);
    EXPECT_EQ(runtime::function_count, 0);
}

TEST_F(FixtureKeys, LastAndNextStepOneFixtureThroughThePage) {
    runtime::mode_flags |= runtime::MODE_FIXTURE_STEP;
    struct Step {
        const char* what;
        int16_t key;
        const char* after;
    };
    const Step steps[] = {
        {"NEXT with nothing selected: key 1", runtime::KEY_NEXT, "1..........."},
        {"NEXT: key 2 alone", runtime::KEY_NEXT, ".1.........."},
        {"LAST: back to key 1", runtime::KEY_LAST, "1..........."},
        {"LAST on key 1 wraps to the last key", runtime::KEY_LAST, "...........1"},
        {"NEXT on the last key wraps to key 1", runtime::KEY_NEXT, "1..........."},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        rig_.press(s.key);
        EXPECT_EQ(selected(), s.after);
    }
    EXPECT_EQ(runtime::current_fixture, 1);

    rig_.press(runtime::KEY_NONE);
    rig_.press(runtime::KEY_LAST);
    EXPECT_EQ(selected(), "...........1") << "LAST with nothing selected: the last key";
    // The highest selected key decides: keys 3 and 9 selected, NEXT gives 10.
    rig_.press(runtime::KEY_NONE);
    rig_.press(3);
    rig_.press(9);
    rig_.press(runtime::KEY_NEXT);
    EXPECT_EQ(selected(), ".........1..");
}

TEST_F(FixtureKeys, EvenThenOddRestoresFirst) {
    range(1, 7);
    ASSERT_EQ(selected(), "1111111.....");
    rig_.press(KEY_EVEN);
    EXPECT_EQ(selected(), ".1.1.1......");
    EXPECT_EQ(runtime::current_fixture, 6);
    EXPECT_EQ(led(KEY_EVEN), runtime::LED_ON);
    // The odd key first puts back what the even key took away.
    rig_.press(KEY_ODD);
    EXPECT_EQ(selected(), "1.1.1.1.....");
    EXPECT_EQ(runtime::current_fixture, 7);
    EXPECT_EQ(led(KEY_EVEN), runtime::LED_OFF);
    EXPECT_EQ(led(KEY_ODD), runtime::LED_ON);
    // Pressed again the odd key undoes itself.
    rig_.press(KEY_ODD);
    EXPECT_EQ(selected(), "1111111.....");
    EXPECT_EQ(led(KEY_ODD), runtime::LED_OFF);
}

TEST_F(FixtureKeys, EvenWithoutACurrentFixtureOnlySoundsTheErrorTone) {
    rig_.press(KEY_EVEN);
    rig_.run_ms(1000);
    EXPECT_EQ(selected(), "............");
    EXPECT_EQ(led(KEY_EVEN), runtime::LED_OFF);
    bool error_tone = false;
    for (const platform::Tone& tone : rig_.tones()) error_tone |= tone.freq_hz == 400 && tone.duration_ms == 800;
    EXPECT_TRUE(error_tone);
}

TEST_F(FixtureKeys, BankKeysStepAndChooseThePage) {
    struct Step {
        const char* what;
        int16_t key;
        int16_t page;
    };
    const Step steps[] = {
        {"page down on page 1 stays", runtime::KEY_BANK_DOWN, 1},
        {"page up", runtime::KEY_BANK_UP, 2},
        {"page up again", runtime::KEY_BANK_UP, 3},
        {"page down", runtime::KEY_BANK_DOWN, 2},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        rig_.press(s.key);
        EXPECT_EQ(runtime::fixture_page, s.page);
    }
    EXPECT_EQ(led(runtime::KEY_BANK_UP), runtime::LED_ON);
    EXPECT_EQ(led(runtime::KEY_BANK_DOWN), runtime::LED_OFF);

    // Both bank keys held: keys 1..10 blink, and key 10 chooses page 10.
    rig_.hold(runtime::KEY_BANK_DOWN, 50);
    rig_.hold(runtime::KEY_BANK_UP, 50);
    EXPECT_EQ(led(1), runtime::LED_BLINK_BOTH);
    EXPECT_EQ(led(2), runtime::LED_BLINK) << "the current page's key";
    EXPECT_EQ(led(11), runtime::LED_OFF);
    rig_.press(10);
    EXPECT_EQ(runtime::fixture_page, 10);
    rig_.release(runtime::KEY_BANK_UP, 50);
    rig_.release(runtime::KEY_BANK_DOWN, 50);
    rig_.press(runtime::KEY_BANK_UP);
    EXPECT_EQ(runtime::fixture_page, 10) << "page up on page 10 stays";
    // Holding 71 and 72 and pressing 4 goes to page 4.
    rig_.hold(runtime::KEY_BANK_UP, 50);
    rig_.hold(runtime::KEY_BANK_DOWN, 50);
    rig_.press(4);
    rig_.release(runtime::KEY_BANK_DOWN, 50);
    rig_.release(runtime::KEY_BANK_UP, 50);
    EXPECT_EQ(runtime::fixture_page, 4);
    // Page 4 has no fixtures: its keys are no fixture keys.
    EXPECT_EQ(led(1), runtime::LED_OFF);
    rig_.press(1);
    EXPECT_EQ(selected(), "............");
}

TEST_F(FixtureKeys, TheCurrentFixtureIsFramedInYellow) {
    // Key k's frame: (col*22 - 21, row*18 - 8) to (col*22 + 1, row*18 + 10).
    const auto frame_top = [this](int key) { return rig_.pixel(((key - 1) % 10 + 1) * 22 - 10, ((key - 1) / 10 + 1) * 18 - 8); };
    rig_.press(3);
    EXPECT_EQ(frame_top(3), 14);
    rig_.press(11);
    EXPECT_EQ(frame_top(3), 7);
    EXPECT_EQ(frame_top(11), 14);
    rig_.press(11);  // deselected: the current fixture goes back to key 3
    EXPECT_EQ(frame_top(11), 7);
    EXPECT_EQ(frame_top(3), 14);
    rig_.press(3);
    EXPECT_EQ(frame_top(3), 7);
    EXPECT_EQ(runtime::current_fixture, -1);
}

TEST_F(FixtureKeys, ThePanelIsDrawnOncePerPageAndPutBackFromItsPicture) {
    EXPECT_NE(programmer::fixture_page_images[1], nullptr);
    EXPECT_EQ(programmer::fixture_page_images[2], nullptr);
    // Key 1's cell holds fixture 1's stage colour.
    const uint8_t cell = rig_.pixel(5, 15);
    ASSERT_NE(cell, 0);
    ui::fill_box(0, 0, 221, 220, 0);
    programmer::set_fixture_page(1);
    EXPECT_EQ(rig_.pixel(5, 15), cell);
    EXPECT_EQ(rig_.pixel(1, 100), 7) << "the panel frame";
    programmer::set_fixture_page(2);
    EXPECT_NE(programmer::fixture_page_images[2], nullptr);
    EXPECT_EQ(rig_.pixel(5, 15), 0) << "page 2 has no fixtures";
}

TEST_F(FixtureKeys, TheStagePlanIsDrawnOncePerPageWithTheSelectedNumbersInYellow) {
    // Pixels of a colour in a fixture's number label: fixture 1's symbol is
    // at stage (1320, 1600), screen (283, 286), fixture 2's at (371, 286);
    // their labels 32 right and 10 below.
    const auto label = [this](int x, int colour) {
        int count = 0;
        for (int dy = 0; dy < 12; ++dy) {
            for (int dx = 0; dx < 14; ++dx) count += rig_.pixel(x + 32 + dx, 286 + 10 + dy) == colour ? 1 : 0;
        }
        return count;
    };
    const auto drawn = [](const std::string& text) {
        for (const std::string& line : platform::machine().graphics.call_log()) {
            if (line.find("\"" + text + "\"") != std::string::npos) return true;
        }
        return false;
    };
    rig_.press(runtime::fixture_key(2));
    rig_.press(runtime::fixture_key(5));
    ASSERT_EQ(selected(), ".1..1.......");
    programmer::free_fixture_page_images();  // as after a show start: no picture yet
    platform::machine().graphics.clear_call_log();
    programmer::redraw_fixture_panel();
    EXPECT_TRUE(drawn("DOWNSTAGE")) << "the page's stage text";
    EXPECT_GT(label(371, 14), 0) << "fixture 2, selected, in yellow";
    EXPECT_EQ(label(283, 14), 0) << "fixture 1, not selected";
    EXPECT_GT(label(283, 12), 0) << "in its stage colour";
    EXPECT_EQ(rig_.pixel(230, 300), 7) << "the plan's frame";
    ASSERT_NE(programmer::stage_page_images[1], nullptr);

    // Again: the page's picture is put back, the plan is not drawn anew.
    ui::fill_box(230, 239, 630, 479, 0);
    platform::machine().graphics.clear_call_log();
    programmer::redraw_fixture_panel();
    EXPECT_FALSE(drawn("DOWNSTAGE"));
    EXPECT_EQ(rig_.pixel(230, 300), 7);
    EXPECT_GT(label(283, 12), 0);

    // With the plan shown, the key colours redraw the plan's numbers too:
    // yellow when selected, else the fixture's stage colour (fixture 1: 12).
    ui::fill_box(283 + 32, 296, 371 + 32 + 14, 296 + 12, 0);
    programmer::update_fixture_key_leds();
    EXPECT_GT(label(283, 12), 0);
    EXPECT_GT(label(371, 14), 0);
}

TEST_F(FixtureKeys, FreezeDisplayMarksEachCell) {
    // Key k's mark: (col*22 - 12, row*18 - 6) to (col*22 - 7, row*18 - 3).
    const auto mark = [this](int key) { return rig_.pixel(((key - 1) % 10 + 1) * 22 - 10, ((key - 1) / 10 + 1) * 18 - 5); };
    rig_.press(2);
    const uint8_t stage = rig_.pixel(25, 15);  // key 2's cell
    programmer::fixture_freeze[3] = 1;
    struct Case {
        int16_t fixture;
        int16_t mode;
        uint8_t led;
        bool black;
    };
    const Case cases[] = {
        {3, 0, runtime::LED_BLINK_2, true},      // frozen
        {2, 0, runtime::LED_BLINK_BOTH, false},  // not frozen
        {3, 1, runtime::LED_OFF, false},         // leaving the freeze display
        {2, 1, runtime::LED_ON_2, false},        // selected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fixture " << c.fixture << " mode " << c.mode);
        programmer::paint_fixture_cell(c.fixture, c.mode);
        EXPECT_EQ(led(c.fixture), c.led);
        if (c.black) {
            EXPECT_EQ(mark(c.fixture), 0);
        } else {
            EXPECT_NE(mark(c.fixture), 0);
        }
    }
    EXPECT_EQ(mark(2), stage);
    programmer::fixture_freeze.fill(0);
}

}  // namespace
