// The numeric entry dialogs, driven at the running console: digits typed on
// the console keypad and the PC keyboard, BACK, ENTER and ESC, the
// trackerball buttons, the variants' own keys, the field's cells on the
// screen and the keys that blink while it is open.
#include "ui/entry_dialogs.h"

#include <gtest/gtest.h>

#include "dialog_fixture.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "datafiles/data_files.h"
#include "platform/graphics.h"
#include "rig/console.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "programmer/fixture_groups.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_leds.h"
#include "runtime/keyboard_isr.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "sync/sync_services.h"
#include "ui/screens.h"
#include "ui/text_entry.h"

namespace {

using platform::LedState;
using platform::Rect;

using namespace dialog_test;
using EntryDialog = ConsoleDialog;

// --- edit_number --------------------------------------------------------------

TEST_F(EntryDialog, ConsoleKeysGiveTheNumberOrTheEmptyAndCancelResults) {
    struct Case {
        const char* what;
        int16_t initial;
        int16_t max_digits;
        std::vector<int16_t> keys;
        int16_t expected;
    };
    const Case cases[] = {
        {"initial 25, one more digit fits", 25, 3, {digit_key(7), runtime::KEY_ENTER}, 257},
        {"a fourth digit is ignored", 25, 3, {digit_key(7), digit_key(8), runtime::KEY_ENTER}, 257},
        {"BACK twice empties the field", 25, 3, {runtime::KEY_BACK, runtime::KEY_BACK, runtime::KEY_ENTER}, -2},
        {"BACK on an empty field does nothing", -1, 3, {runtime::KEY_BACK, digit_key(4), runtime::KEY_ENTER}, 4},
        {"BACK then a new digit", -1, 3,
         {digit_key(1), digit_key(2), runtime::KEY_BACK, digit_key(9), runtime::KEY_ENTER}, 19},
        {"ENTER keeps the initial value", 25, 3, {runtime::KEY_ENTER}, 25},
        {"ESC with digits cancels", 25, 3, {digit_key(1), runtime::KEY_ESC}, -1},
        {"leading zeros", -1, 4, {digit_key(0), digit_key(0), digit_key(7), runtime::KEY_ENTER}, 7},
        {"other keys are ignored", -1, 3,
         {runtime::KEY_FIXTURE_1, runtime::KEY_POINT, runtime::KEY_MINUS, digit_key(5), runtime::KEY_ENTER}, 5},
        {"memory 4000", -1, 4, {digit_key(4), digit_key(0), digit_key(0), digit_key(0), runtime::KEY_ENTER}, 4000},
    };
    std::vector<int16_t> results;
    start([&] {
        for (const Case& c : cases) {
            results.push_back(ui::edit_number(c.initial, kX, kY, c.max_digits, kBackground, kForeground, 0));
        }
    });
    for (size_t i = 0; i < std::size(cases); ++i) {
        press_all(cases[i].keys);
        ASSERT_EQ(results.size(), i + 1) << cases[i].what;
        EXPECT_EQ(results[i], cases[i].expected) << cases[i].what;
    }
    ASSERT_TRUE(run_to_end());
}

TEST_F(EntryDialog, PcDigitsCountOnceEachAndAFiveDigitEntryBeyond16BitsStaysOutOfRange) {
    int16_t typed = 0, large = 0;
    start([&] {
        typed = ui::edit_number(-1, kX, kY, 3, kBackground, kForeground, 0);
        large = ui::edit_number(-1, kX, kY, 5, kBackground, kForeground, 0);
    });
    type("12");  // each arrives as a press and a release
    type("\r");
    type("65537\r");
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(typed, 12);
    EXPECT_EQ(large, 32767);  // not 1: a wrapped value would pass as memory 1
}

TEST_F(EntryDialog, TheFieldShowsTheDigitsAndTheCursorInTheirCells) {
    int16_t result = 0;
    start([&] { result = ui::edit_number(25, kX, kY, 3, kBackground, kForeground, 0); });
    EXPECT_GT(cell_ink(0), 0);
    EXPECT_GT(cell_ink(1), 0);
    EXPECT_EQ(cell_ink(2), 0);
    EXPECT_EQ(cursor_ink(2), ui::kEntrySmallCell_px - 1);
    EXPECT_EQ(cursor_ink(1), 0);

    press(runtime::KEY_BACK);
    EXPECT_EQ(cell_ink(1), 0);
    EXPECT_EQ(cursor_ink(1), ui::kEntrySmallCell_px - 1);
    EXPECT_EQ(cursor_ink(2), 0);
    EXPECT_EQ(platform::count_pixels(kBackground, Rect{kX + 6, kY - 1, kX + 11, kY + 8}), 60);

    press(digit_key(8));
    press(digit_key(8));
    EXPECT_GT(cell_ink(2), 0);
    EXPECT_EQ(cursor_ink(3), ui::kEntrySmallCell_px - 1);
    press(runtime::KEY_ENTER);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(result, 288);
    EXPECT_EQ(cursor_ink(3), 0);  // erased on the way out
}

TEST_F(EntryDialog, LargeCellsAreTwelvePixelsWide) {
    start([&] { ui::edit_number(7, kX, kY, 3, kBackground, kForeground, 1); });
    const auto ink = platform::ink_bounds(kBackground, Rect{kX - 2, kY - 2, kX + 60, kY + 25});
    ASSERT_TRUE(ink.has_value());
    EXPECT_GE(ink->x1, kX);
    EXPECT_LT(ink->x1, kX + 12);
    // The cursor under cell 1 of the large field.
    EXPECT_EQ(platform::count_pixels(kForeground, Rect{kX + 12, kY + 19, kX + 24, kY + 19}), 13);
    press(runtime::KEY_ENTER);
    ASSERT_TRUE(run_to_end());
}

TEST_F(EntryDialog, TrackerballButtonsEndTheField) {
    int16_t right = 0, left_empty = 0, left_digits = 0;
    start([&] {
        right = ui::edit_number(42, kX, kY, 3, kBackground, kForeground, 0);
        left_empty = ui::edit_number(-1, kX, kY, 3, kBackground, kForeground, 0);
        left_digits = ui::edit_number(-1, kX, kY, 3, kBackground, kForeground, 0);
    });
    rig_.click(runtime::kMouseBitRight);
    rig_.click(runtime::kMouseBitLeft);
    press(digit_key(6));
    rig_.click(runtime::kMouseBitMiddle);  // does nothing
    rig_.click(runtime::kMouseBitLeft);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(right, -1);
    EXPECT_EQ(left_empty, -2);
    EXPECT_EQ(left_digits, 6);
}

TEST_F(EntryDialog, AcceptedKeysBlinkWhileOpenAndComeBackAfter) {
    start([&] {
        runtime::set_key_led(digit_key(3), runtime::LED_ON);
        runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_OFF);
        ui::edit_number(-1, kX, kY, 3, kBackground, kForeground, 0);
        settle();
    });
    for (int d = 0; d <= 9; ++d) EXPECT_EQ(rig_.key_led(digit_key(d)), LedState::blinking) << d;
    EXPECT_EQ(rig_.key_led(runtime::KEY_BACK), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_ESC), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_ENTER), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_POINT), LedState::off);  // not taken by the plain field
    press(runtime::KEY_ESC);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(rig_.key_led(digit_key(3)), LedState::lit);
    EXPECT_EQ(rig_.key_led(digit_key(4)), LedState::off);
    EXPECT_EQ(rig_.key_led(runtime::KEY_ENTER), LedState::off);
    EXPECT_EQ(rig_.key_led(runtime::KEY_ESC), LedState::off);
}

// --- edit_memory_number ------------------------------------------------------------

TEST_F(EntryDialog, MemoryNumberPagesTheMemoryListWhileTheFieldStaysOpen) {
    int16_t result = 0;
    start([&] {
        runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
        runtime::fixture_page = 4;
        runtime::group_bank = 1;
        programmer::group_selected[2] = 1;
        runtime::option_flags &= ~runtime::OPT_MEMORY_LIST;
        result = ui::edit_memory_number(-1, kX, kY, 4, kBackground, kForeground, 0);
    });
    runtime::clear_step_log();
    press(digit_key(1));
    press(runtime::KEY_PAGE_DOWN);  // the memory list is not shown: ignored
    press(runtime::KEY_PANEL_2);
    const std::vector<std::string> first = runtime::logged_steps();
    EXPECT_EQ(std::count(first.begin(), first.end(), "programmer::set_fixture_page(runtime::fixture_page)"), 1);
    EXPECT_EQ(std::count(first.begin(), first.end(), "handle_panel_key(key)"), 1);
    EXPECT_EQ(std::count(first.begin(), first.end(), "show_next_panel_page()"), 0);
    EXPECT_EQ(runtime::fixture_page, 4);
    // The cue screen left for fixture page 4, then panel 2 shows the memory list.
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_CUE_SCREEN, 0u) << "the fixture page is shown again";
    EXPECT_NE(runtime::option_flags & runtime::OPT_FIXTURE_PANEL, 0u);
    std::vector<std::string> calls = runtime::logged_calls();
    std::erase_if(calls, [](const std::string& c) { return c.rfind("playback::draw_sequence_control", 0) == 0; });
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(runtime::group_key(2))], runtime::LED_ON_2)
        << "the group LEDs are back with the fixture page";
    EXPECT_NE(runtime::option_flags & runtime::OPT_MEMORY_LIST, 0u) << "the memory list drew itself";

    runtime::clear_step_log();
    press(runtime::KEY_PAGE_DOWN);
    press(runtime::KEY_PAGE_UP);
    press(runtime::KEY_PANEL_2);  // off the cue screen: no page change
    const std::vector<std::string> second = runtime::logged_steps();
    EXPECT_EQ(std::count(second.begin(), second.end(), "show_next_panel_page()"), 1);
    EXPECT_EQ(std::count(second.begin(), second.end(), "show_previous_panel_page()"), 1);
    EXPECT_EQ(std::count(second.begin(), second.end(), "handle_panel_key(key)"), 1);
    EXPECT_EQ(std::count(second.begin(), second.end(), "programmer::set_fixture_page(runtime::fixture_page)"), 0);
    EXPECT_FALSE(body_done_);

    press(digit_key(2));
    press(runtime::KEY_ENTER);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(result, 12);
}

// --- edit_fixture_value ------------------------------------------------------------

TEST_F(EntryDialog, FixtureValuePointAndExitKeys) {
    struct Case {
        const char* what;
        std::vector<int16_t> keys;
        int16_t expected;
        uint8_t exit_key;
    };
    const std::vector<Case> cases = {
        {"one digit then POINT", {digit_key(3), runtime::KEY_POINT}, 3003, 0},
        {"two digits then POINT", {digit_key(1), digit_key(2), runtime::KEY_POINT}, -1, 0},
        {"POINT on an empty field", {runtime::KEY_POINT}, -1, 0},
        {"key 185 after 7", {digit_key(7), runtime::KEY_MINUS}, 7, 2},
        {"key 184 after 12", {digit_key(1), digit_key(2), runtime::KEY_PLUS}, 12, 1},
        {"key 200 on an empty field", {runtime::KEY_RANGE}, 0, 3},
        {"ENTER", {digit_key(9), runtime::KEY_ENTER}, 9, 0},
        {"ENTER on an empty field", {runtime::KEY_ENTER}, -2, 0},
        {"ESC", {digit_key(9), runtime::KEY_ESC}, -1, 0},
    };
    std::vector<int16_t> results;
    std::vector<uint8_t> exits;
    start([&] {
        for (size_t i = 0; i < cases.size(); ++i) {
            uint8_t exit = 99;
            results.push_back(ui::edit_fixture_value(-1, kX, kY, 3, kBackground, kForeground, 0, &exit));
            exits.push_back(exit);
        }
    });
    for (size_t i = 0; i < cases.size(); ++i) {
        press_all(cases[i].keys);
        ASSERT_EQ(results.size(), i + 1) << cases[i].what;
        EXPECT_EQ(results[i], cases[i].expected) << cases[i].what;
        EXPECT_EQ(exits[i], cases[i].exit_key) << cases[i].what;
    }
    ASSERT_TRUE(run_to_end());
}

TEST_F(EntryDialog, FixtureValueLeavesItsOwnKeysOffAndRestoresTheOthers) {
    start([&] {
        runtime::set_key_led(runtime::KEY_PLUS, runtime::LED_ON);
        runtime::set_key_led(runtime::KEY_RANGE, runtime::LED_ON);
        runtime::set_key_led(runtime::KEY_BACK, runtime::LED_ON);
        uint8_t exit = 0;
        ui::edit_fixture_value(-1, kX, kY, 3, kBackground, kForeground, 0, &exit);
        settle();
    });
    EXPECT_EQ(rig_.key_led(runtime::KEY_PLUS), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_MINUS), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_RANGE), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_BACK), LedState::blinking);
    press(runtime::KEY_ENTER);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(rig_.key_led(runtime::KEY_PLUS), LedState::off);
    EXPECT_EQ(rig_.key_led(runtime::KEY_MINUS), LedState::off);
    EXPECT_EQ(rig_.key_led(runtime::KEY_RANGE), LedState::off);
    EXPECT_EQ(rig_.key_led(runtime::KEY_BACK), LedState::lit);
}

// --- edit_step_value ---------------------------------------------------------------

TEST_F(EntryDialog, StepValueExitReasons) {
    struct Case {
        const char* what;
        uint8_t allow_186;
        std::vector<int16_t> keys;
        int16_t expected;
        int16_t reason;
    };
    const std::vector<Case> cases = {
        {"POINT after 4", 0, {digit_key(4), runtime::KEY_POINT}, 4, 1},
        {"EDIT VALUE after 12", 0, {digit_key(1), digit_key(2), runtime::KEY_EDIT_VALUE}, 12, 1},
        {"POINT with no digit", 0, {runtime::KEY_POINT}, 0, 1},
        {"ENTER after 30", 0, {digit_key(3), digit_key(0), runtime::KEY_ENTER}, 30, 0},
        {"ENTER on an empty field", 0, {runtime::KEY_ENTER}, 0, 2},
        {"ESC", 0, {digit_key(5), runtime::KEY_ESC}, 0, 3},
        {"SELECT FUNCTIONS", 0, {digit_key(5), runtime::KEY_SELECT_FUNCTIONS}, 0, 4},
        {"186 not allowed is ignored", 0, {digit_key(2), runtime::KEY_FULL, runtime::KEY_ENTER}, 2, 0},
        {"186 allowed", 1, {digit_key(2), runtime::KEY_FULL}, 2, 5},
    };
    std::vector<int16_t> results;
    std::vector<int16_t> reasons;
    start([&] {
        for (const Case& c : cases) {
            int16_t reason = 99;
            results.push_back(ui::edit_step_value(-1, kX, kY, 2, kBackground, kForeground, 0, c.allow_186, &reason));
            reasons.push_back(reason);
        }
    });
    for (size_t i = 0; i < cases.size(); ++i) {
        press_all(cases[i].keys);
        ASSERT_EQ(results.size(), i + 1) << cases[i].what;
        EXPECT_EQ(results[i], cases[i].expected) << cases[i].what;
        EXPECT_EQ(reasons[i], cases[i].reason) << cases[i].what;
    }
    ASSERT_TRUE(run_to_end());
}

TEST_F(EntryDialog, StepValueCursorSitsUpAndLeftAndItsKeysAreRestored) {
    start([&] {
        runtime::set_key_led(runtime::KEY_POINT, runtime::LED_ON);
        int16_t reason = 0;
        ui::edit_step_value(-1, kX, kY, 2, kBackground, kForeground, 0, 1, &reason);
        settle();
    });
    EXPECT_EQ(cursor_ink(0, 3), ui::kEntrySmallCell_px - 1);
    EXPECT_EQ(cursor_ink(0, 0), 0);
    EXPECT_EQ(rig_.key_led(runtime::KEY_POINT), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_SELECT_FUNCTIONS), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_FULL), LedState::blinking);
    press(digit_key(1));
    EXPECT_GT(cell_ink(0), 0);  // the digits stay at (x, y)
    EXPECT_EQ(cursor_ink(1, 3), ui::kEntrySmallCell_px - 1);
    press(runtime::KEY_POINT);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(rig_.key_led(runtime::KEY_POINT), LedState::lit);
    EXPECT_EQ(rig_.key_led(runtime::KEY_SELECT_FUNCTIONS), LedState::off);
    EXPECT_EQ(rig_.key_led(runtime::KEY_FULL), LedState::off);
}

// --- parse_int ----------------------------------------------------------------------

TEST(ParseInt, LeadingDigitsAndSaturation) {
    struct Case {
        const char* text;
        int16_t expected;
    };
    const Case cases[] = {
        {"", 0},        {"0", 0},          {"25", 25},        {"007", 7},       {"12ab", 12},
        {"ab12", 0},    {"  42", 42},      {"-17", -17},      {"32767", 32767}, {"32768", 32767},
        {"65537", 32767}, {"99999999999", 32767}, {"-32768", -32768}, {"-99999", -32768},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::parse_int(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(ui::parse_int(nullptr), 0);
}

}  // namespace
