// The text-entry field at the running console (PC keys, the console's
// fixture keys, digits, POINT and BACK, the trackerball buttons, the ESC and
// ENTER LEDs) and the drawing primitives: entry cells, formatted text and
// the seven-segment digit.
#include "ui/text_entry.h"

#include <gtest/gtest.h>

#include "dialog_fixture.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "rig/console.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/startup.h"
#include "ui/screens.h"

namespace {

using platform::LedState;
using platform::Rect;

using namespace dialog_test;
using TextEntry = ConsoleDialog;

// --- edit_text_line -----------------------------------------------------------

struct Entry {
    uint8_t result = 99;
    std::string text;
};

// Runs edit_text_line on a buffer that starts as "OLD" followed by marks, so
// a write past the maximum length shows.
Entry edit(int16_t max_length, uint8_t large = 0) {
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    std::memcpy(buffer, "OLD", 4);
    Entry e;
    e.result = ui::edit_text_line(buffer, kX, kY, max_length, kBackground, kForeground, large);
    e.text = buffer;
    if (buffer[max_length + 1] != '#' && e.result == 1) e.text += "<overrun>";
    return e;
}

TEST_F(TextEntry, PcKeysGiveCapitalsAndASemicolonBecomesAColon) {
    Entry e;
    start([&] { e = edit(10); });
    rig_.type("ab;c");
    rig_.run_ms(30);
    EXPECT_GT(platform::count_pixels(kForeground, Rect{kX + 1, kY - 1, kX + 23, kY + 8}), 0);
    rig_.type("\r");
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.text, "AB:C");
}

TEST_F(TextEntry, ConsoleKeysTypeLettersDigitsAndPunctuation) {
    Entry e;
    start([&] { e = edit(20); });
    press_all({3, 1, 26, 30, 27, 28, runtime::KEY_POINT, digit_key(0), digit_key(9), 143, runtime::KEY_ENTER});
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.text, "CAZ\\:.09");  // fixture key 30 and key 143 type nothing
}

TEST_F(TextEntry, TheMaximumLengthHoldsAndBackStillWorks) {
    Entry e;
    start([&] { e = edit(3); });
    rig_.type("abcd");
    rig_.run_ms(30);
    EXPECT_EQ(platform::count_pixels(kForeground, Rect{kX + 19, kY - 1, kX + 23, kY + 8}), 0);  // no fourth cell
    press(runtime::KEY_BACK);
    rig_.type("x\b\bq");
    rig_.run_ms(30);
    press(runtime::KEY_ENTER);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(e.text, "AQ");
}

TEST_F(TextEntry, BackOnAnEmptyFieldAndTheMiddleButtonDoNothing) {
    Entry e;
    start([&] { e = edit(5); });
    press(runtime::KEY_BACK);
    click(runtime::kMouseBitMiddle);
    rig_.type("z");
    rig_.run_ms(30);
    click(runtime::kMouseBitLeft);  // ENTER
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.text, "Z");
}

TEST_F(TextEntry, EscapeLeavesTheCallersTextAsItWas) {
    Entry by_key, by_button;
    start([&] {
        by_key = edit(5);
        by_button = edit(5);
    });
    rig_.type("new");
    rig_.run_ms(30);
    press(runtime::KEY_ESC);
    rig_.type("abc");
    rig_.run_ms(30);
    click(runtime::kMouseBitRight);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(by_key.result, 0);
    EXPECT_EQ(by_key.text, "OLD");
    EXPECT_EQ(by_button.result, 0);
    EXPECT_EQ(by_button.text, "OLD");
}

TEST_F(TextEntry, AKeyPushedBackBeforeTheFieldOpenedDoesNotReachIt) {
    Entry e;
    start([&] {
        runtime::pushed_back_key = 5;  // would type 'E'
        e = edit(5);
    });
    press(2);
    press(runtime::KEY_ENTER);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(e.text, "B");
}

TEST_F(TextEntry, EscAndEnterBlinkWhileOpenAndEndOff) {
    start([&] {
        runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_ON);
        edit(5);
        settle();
    });
    EXPECT_EQ(rig_.key_led(runtime::KEY_ESC), LedState::blinking);
    EXPECT_EQ(rig_.key_led(runtime::KEY_ENTER), LedState::blinking);
    press(runtime::KEY_ENTER);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(rig_.key_led(runtime::KEY_ESC), LedState::off);
    EXPECT_EQ(rig_.key_led(runtime::KEY_ENTER), LedState::off);
}

TEST_F(TextEntry, LargeFieldCursorMovesTwelvePixelsACell) {
    start([&] { edit(5, 1); });
    EXPECT_EQ(platform::count_pixels(kForeground, Rect{kX, kY + 19, kX + 12, kY + 19}), 13);
    rig_.type("m");
    rig_.run_ms(30);
    EXPECT_EQ(platform::count_pixels(kForeground, Rect{kX + 13, kY + 19, kX + 24, kY + 19}), 12);
    EXPECT_EQ(platform::count_pixels(kForeground, Rect{kX, kY + 19, kX + 11, kY + 19}), 0);
    press(runtime::KEY_ENTER);
    ASSERT_TRUE(run_to_end());
}

// --- drawing primitives ---------------------------------------------------------

class Primitives : public ::testing::Test {
protected:
    void SetUp() override {
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
    }
    static int ink(int colour, Rect area) { return platform::count_pixels(colour, area); }
    rig::Rig rig_;
};

TEST_F(Primitives, CellsAndCursorsCoverTheirRowsAndColumns) {
    struct Case {
        const char* what;
        std::function<void()> draw;
        Rect area;  // exactly the pixels drawn
    };
    const Case cases[] = {
        {"small clear, cell 2", [] { ui::clear_entry_cell_small(50, 60, 2, 4); }, Rect{62, 59, 68, 69}},
        {"large clear, cell 1", [] { ui::clear_entry_cell_large(50, 60, 1, 4); }, Rect{62, 60, 74, 77}},
        {"small cursor, cell 3", [] { ui::draw_entry_cursor_small(50, 60, 3, 4); }, Rect{68, 69, 74, 69}},
        {"large cursor, cell 2", [] { ui::draw_entry_cursor_large(50, 60, 2, 4); }, Rect{74, 79, 86, 79}},
        {"small eraser, cell 0", [] { ui::erase_entry_cursor_small(50, 60, 0, 4); }, Rect{50, 69, 56, 69}},
        {"large eraser, cell 0", [] { ui::erase_entry_cursor_large(50, 60, 0, 4); }, Rect{50, 79, 62, 79}},
    };
    for (const Case& c : cases) {
        platform::_cleardevice();
        c.draw();
        const int area_pixels = (c.area.x2 - c.area.x1 + 1) * (c.area.y2 - c.area.y1 + 1);
        EXPECT_EQ(ink(4, c.area), area_pixels) << c.what;
        EXPECT_EQ(ink(4, Rect{0, 0, 639, 479}), area_pixels) << c.what;
        EXPECT_EQ(platform::_getcolor(), 4) << c.what;  // the colour is left set
    }
}

TEST_F(Primitives, EntryCharactersSitInTheirCells) {
    platform::_settextstyle(ui::kEntryFont, platform::kHorizontalText, ui::kEntrySmallSize);
    ui::draw_entry_char_small(50, 60, 3, 'W', 14);
    auto bounds = platform::ink_bounds(0, Rect{0, 0, 639, 479});
    ASSERT_TRUE(bounds.has_value());
    EXPECT_GE(bounds->x1, 68);
    EXPECT_LE(bounds->x2, 75);
    platform::_cleardevice();
    platform::_settextstyle(ui::kEntryFont, platform::kHorizontalText, ui::kEntryLargeSize);
    ui::draw_entry_char_large(50, 60, 3, 'W', 14);
    bounds = platform::ink_bounds(0, Rect{0, 0, 639, 479});
    ASSERT_TRUE(bounds.has_value());
    EXPECT_GE(bounds->x1, 86);
    EXPECT_LE(bounds->x2, 99);
    EXPECT_EQ(platform::_getcolor(), 14);
}

TEST_F(Primitives, ValueTextDrawsFormattedTextAndNothingWhenEmpty) {
    platform::_setcolor(12);
    ui::draw_value_text(30, 40, "%s", "");
    EXPECT_EQ(ink(12, Rect{0, 0, 639, 479}), 0);
    EXPECT_EQ(rig_.machine().graphics.call_count(platform::GraphicsCall::outtextxy), 0);
    ui::draw_value_text(30, 40, "%03d", 7);
    const auto bounds = platform::ink_bounds(0, Rect{0, 0, 639, 479});
    ASSERT_TRUE(bounds.has_value());
    EXPECT_GE(bounds->x1, 30);
    EXPECT_GE(bounds->y1, 40);
    // A text longer than the buffer is cut, not written past it.
    const std::string long_text(400, 'X');
    ui::draw_value_text(0, 300, "%s", long_text.c_str());
    EXPECT_EQ(rig_.machine().graphics.call_count(platform::GraphicsCall::outtextxy), 2);
}

// Segment midpoints of a digit at (100, 100), 20 wide and 40 high, in table order.
struct Point {
    int x, y;
};
constexpr Point kSegmentMid[7] = {{110, 100}, {119, 109}, {119, 131}, {110, 139}, {100, 131}, {100, 109}, {110, 119}};

TEST_F(Primitives, SevenSegmentDigitsLightTheirSegmentsAndDimTheRest) {
    struct Case {
        uint8_t digit;
        const char* lit;
    };
    const Case cases[] = {{8, "1111111"}, {1, "0110000"}, {0, "1111110"}, {7, "1110000"}, {2, "1101101"}};
    for (const Case& c : cases) {
        platform::_cleardevice();
        platform::_setcolor(14);
        ui::draw_seven_segment_digit(100, 100, 20, 40, c.digit);
        for (int s = 0; s < 7; ++s) {
            const int expected = c.lit[s] == '1' ? 14 : ui::kSegmentOffColour;
            EXPECT_EQ(rig_.machine().graphics.pixel(kSegmentMid[s].x, kSegmentMid[s].y), expected)
                << "digit " << int(c.digit) << " segment " << s;
        }
        EXPECT_EQ(platform::_getcolor(), 14);
    }
}

TEST_F(Primitives, SevenSegmentDotAndOtherCodes) {
    platform::_setcolor(10);
    ui::draw_seven_segment_digit(100, 100, 20, 40, ui::kSevenSegmentDot);
    EXPECT_EQ(rig_.machine().graphics.pixel(100, 139), 10);
    const int dot = ink(10, Rect{0, 0, 639, 479});
    EXPECT_GT(dot, 1);  // a thick dot, not a pixel nor a segment
    EXPECT_LE(dot, 9);
    EXPECT_EQ(ink(ui::kSegmentOffColour, Rect{0, 0, 639, 479}), 0);
    platform::_cleardevice();
    ui::draw_seven_segment_digit(100, 100, 20, 40, 11);
    EXPECT_FALSE(platform::ink_bounds(0, Rect{0, 0, 639, 479}).has_value());
    // The line style is thin again afterwards.
    platform::_line(10, 10, 20, 10);
    EXPECT_EQ(ink(10, Rect{0, 0, 639, 479}), 11);
}

}  // namespace
