// The panel tests: LEDs (menu item D), keys (E), displays (H), trackerball (I).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hwtest/auto_test.h"
#include "hwtest/card_scan.h"
#include "hwtest/panel_tests.h"
#include "hwtest/test_menu.h"
#include "quandrix_rig.h"

namespace {

using platform::LedState;
using quandrix_rig::card_with;
using quandrix_rig::LayoutKey;
using quandrix_rig::Quandrix;
using quandrix_rig::text_at;

constexpr int kSecondLedRowOffset = 8;  // the layout file's default offsets: column 0, row 8

void start_with(Quandrix& q, uint8_t options, const std::vector<LayoutKey>& keys) {
    q.write_layout(keys);
    q.cards().fit(0, card_with(options));
    q.start();
}

LedState first_led(Quandrix& q, const LayoutKey& k) { return q.cards().led(0, k.row, k.column); }
LedState second_led(Quandrix& q, const LayoutKey& k) { return q.cards().led(0, k.row + kSecondLedRowOffset, k.column); }

// --- LED test --------------------------------------------------------------------------------

TEST(LedTest, KeyGroups) {
    // Without a layout, no key has an LED: only the fixed groups are known.
    EXPECT_TRUE(hwtest::is_two_led_key(1));
    EXPECT_TRUE(hwtest::is_two_led_key(70));
    EXPECT_FALSE(hwtest::is_two_led_key(71));
    EXPECT_TRUE(hwtest::is_two_led_key(257));
    EXPECT_FALSE(hwtest::is_two_led_key(258));
    EXPECT_TRUE(hwtest::is_two_led_key(332));
    EXPECT_FALSE(hwtest::is_two_led_key(333));
    EXPECT_TRUE(hwtest::is_single_green_led_key(227));
    EXPECT_TRUE(hwtest::is_single_green_led_key(375));
    EXPECT_FALSE(hwtest::is_single_green_led_key(376));
    EXPECT_FALSE(hwtest::is_single_red_led_key(100)) << "no LED in the layout";
}

// Key 1 has two LEDs, key 71 a green one, key 100 a red one, key 80 none.
const LayoutKey kTwoLed{1, 0, 0};
const LayoutKey kGreen{71, 1, 0};
const LayoutKey kRed{100, 2, 0};

TEST(LedTest, FourPhasesAnsweredYesPass) {
    Quandrix q;
    start_with(q, quandrix_rig::kHardwareKeys, {kTwoLed, kGreen, kRed});
    q.type("D");
    EXPECT_EQ(text_at(q.machine(), 260, 107), "CHECKING LEDS");
    EXPECT_EQ(q.status_text(), "++++++++ CHECK LEDS AND ANSWER QUESTIONS WITH [Y]ES OR [N]O (ESC=CANCEL) ++++++++");

    struct Phase {
        int y;
        const char* question;
        LedState two_first, two_second, green, red;
    };
    const LedState on = LedState::lit;
    const LedState off = LedState::off;
    const std::vector<Phase> phases = {
        {138, "ARE ONLY GREEN LEDS ACTIVE? (Y/N)", off, on, on, off},
        {168, "ARE ONLY RED LEDS ACTIVE? (Y/N)", on, off, off, on},
        {198, "ARE ALL LEDS ACTIVE? (Y/N)", off, on, on, on},
        {228, "ARE ALL LEDS ACTIVE? (Y/N)", on, off, on, on},
    };
    for (const Phase& p : phases) {
        SCOPED_TRACE(p.y);
        EXPECT_EQ(text_at(q.machine(), 180, p.y), p.question);
        EXPECT_EQ(q.rig.pixel(170, p.y - 8), 10) << "light green while asked";
        EXPECT_EQ(first_led(q, kTwoLed), p.two_first);
        EXPECT_EQ(second_led(q, kTwoLed), p.two_second);
        EXPECT_EQ(first_led(q, kGreen), p.green);
        EXPECT_EQ(first_led(q, kRed), p.red);
        q.type("y");
        EXPECT_EQ(q.rig.pixel(170, p.y - 8), 2) << "green once answered";
    }
    EXPECT_EQ(q.result_text(), "TEST OK");
    EXPECT_EQ(first_led(q, kGreen), LedState::off);
    EXPECT_EQ(first_led(q, kRed), LedState::off);
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestLeds], 1);
}

TEST(LedTest, NoInPhaseTwoKeepsItsLedsLit) {
    Quandrix q;
    start_with(q, quandrix_rig::kHardwareKeys, {kTwoLed, kGreen, kRed});
    q.type("DYN", 1000);
    EXPECT_EQ(q.result_text(), "ERROR : SOME LEDS DON'T WORK!");
    EXPECT_EQ(text_at(q.machine(), 180, 198), "") << "no third question";
    EXPECT_EQ(first_led(q, kTwoLed), LedState::lit);
    EXPECT_EQ(first_led(q, kRed), LedState::lit);
    EXPECT_EQ(first_led(q, kGreen), LedState::off);
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestLeds], 0);
}

TEST(LedTest, EscCancelsAndSwitchesTheLedsOff) {
    Quandrix q;
    start_with(q, quandrix_rig::kHardwareKeys, {kTwoLed, kGreen, kRed});
    q.type("DYYX\x1b", 1000);
    EXPECT_EQ(q.result_text(), "ERROR : LED-TEST NOT COMPLETED!");
    EXPECT_EQ(first_led(q, kRed), LedState::off);
    EXPECT_EQ(second_led(q, kTwoLed), LedState::off);
}

TEST(LedTest, WithoutHardwareKeysReportsAndBeeps) {
    Quandrix q;
    start_with(q, quandrix_rig::kDisplays, {kTwoLed});
    q.type("D", 1000);  // during the long beep
    EXPECT_EQ(q.status_text(),
              "++++++++++++++++++++++++ ERROR : NO HARDWARE-LEDS FOUND ++++++++++++++++++++++++++");
    EXPECT_EQ(q.machine().speaker.freq_hz, 400);
    EXPECT_EQ(q.result_text(), "");
    q.rig.run_ms(1500);
    ASSERT_FALSE(q.rig.tones().empty());
    EXPECT_EQ(q.rig.tones().back().duration_ms, 2000u);
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestLeds], 0);
}

// --- key test --------------------------------------------------------------------------------

TEST(KeyTest, SkipRulesFollowTheOptions) {
    Quandrix q;
    std::vector<LayoutKey> keys;
    for (const int k : {5, 227, 251, 253, 254, 259, 281, 291, 300, 301, 302}) keys.push_back({k, k % 48, k / 48});
    start_with(q, quandrix_rig::kHardwareKeys, keys);
    struct Case {
        int key;
        bool plain;        // keys only
        bool with_belts;   // plus sequence belts and analogue faders
    };
    const std::vector<Case> cases = {
        {5, true, true},     {6, false, false},   {227, false, false}, {251, false, true},
        {253, false, false}, {254, false, true},  {259, false, false}, {281, false, true},
        {291, false, true},  {300, false, true},  {301, true, true},   {302, false, false},
    };
    for (const Case& c : cases) {
        hwtest::console_option_flags.sequence_belts = false;
        hwtest::console_option_flags.analogue_faders = false;
        EXPECT_EQ(hwtest::is_key_tested(c.key), c.plain) << c.key;
        hwtest::console_option_flags.sequence_belts = true;
        hwtest::console_option_flags.analogue_faders = true;
        EXPECT_EQ(hwtest::is_key_tested(c.key), c.with_belts) << c.key;
    }
}

TEST(KeyTest, EachKeyPressedAndReleasedInTurn) {
    Quandrix q;
    const LayoutKey a{252, 3, 1};
    const LayoutKey skipped{253, 4, 1};
    const LayoutKey b{254, 5, 1};
    start_with(q, quandrix_rig::kHardwareKeys | quandrix_rig::kSequenceBelts, {a, skipped, b});
    q.type("E");
    EXPECT_EQ(q.status_text(), "++++++++++++++++++++++++ PRESS THE SELECTED KEY (ESC=CANCEL) ++++++++++++++++++++++++");
    EXPECT_EQ(first_led(q, a), LedState::blinking);
    EXPECT_EQ(second_led(q, a), LedState::blinking);

    q.cards().press(0, a.row, a.column);
    q.rig.run_ms(100);
    EXPECT_EQ(text_at(q.machine(), 180, 138), "KEY [252] PRESSED");
    EXPECT_EQ(q.rig.pixel(171, 131), 10);
    q.cards().release(0, a.row, a.column);
    q.rig.run_ms(100);
    EXPECT_EQ(text_at(q.machine(), 180, 138), "KEY [252] RELEASED");
    EXPECT_EQ(first_led(q, a), LedState::off);
    EXPECT_EQ(first_led(q, skipped), LedState::off) << "253 is never asked for";
    EXPECT_EQ(first_led(q, b), LedState::blinking);

    q.cards().press(0, b.row, b.column);
    q.rig.run_ms(100);
    q.cards().release(0, b.row, b.column);
    q.rig.run_ms(100);
    EXPECT_EQ(q.result_text(), "TEST OK");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestKeys], 1);
}

// The card reports the playback wing (cell 1127, bit 6): the wing's flash
// keys 301 to 332 and the keys up to 401 are asked for too.
TEST(KeyTest, AWingConsoleIsAskedForTheKeysAbove301) {
    struct Case {
        uint8_t options;
        uint8_t options_2;
        bool wing;
    };
    const Case cases[] = {
        {quandrix_rig::kHardwareKeys, 0x00, false},
        {quandrix_rig::kHardwareKeys, 0x40, true},    // the wing connected
        {quandrix_rig::kHardwareKeys | quandrix_rig::kAnalogueFaders | 0x40, 0x00, true},  // fitted
        {quandrix_rig::kHardwareKeys | 0x40, 0x00, false},  // no wing without the analogue faders
    };
    for (const Case& c : cases) {
        Quandrix q;
        const LayoutKey first{1, 0, 0};
        const LayoutKey wing_flash{332, 20, 2};
        const LayoutKey last{401, 21, 2};
        q.write_layout({first, wing_flash, last});
        platform::CardSettings card = card_with(c.options);
        card.options_2 = c.options_2;
        q.cards().fit(0, card);
        q.start();
        EXPECT_EQ(hwtest::console_kind.has_wing, c.wing) << int{c.options} << " " << int{c.options_2};
        q.type("E");
        q.cards().press(0, first.row, first.column);
        q.rig.run_ms(100);
        q.cards().release(0, first.row, first.column);
        q.rig.run_ms(100);
        if (!c.wing) {
            EXPECT_EQ(q.result_text(), "TEST OK") << "the keys above 301 are not asked for";
            continue;
        }
        EXPECT_EQ(q.result_text(), "");
        EXPECT_EQ(first_led(q, wing_flash), LedState::blinking) << "playback 42's flash key next";
        for (const LayoutKey& k : {wing_flash, last}) {
            q.cards().press(0, k.row, k.column);
            q.rig.run_ms(100);
            q.cards().release(0, k.row, k.column);
            q.rig.run_ms(100);
        }
        EXPECT_EQ(q.result_text(), "TEST OK");
    }
}

TEST(KeyTest, AnotherKeyClearsThePressOfTheSelectedKey) {
    Quandrix q;
    const LayoutKey selected{1, 0, 0};
    const LayoutKey other{2, 1, 0};
    start_with(q, quandrix_rig::kHardwareKeys, {selected, other});
    q.type("E");
    q.cards().press(0, selected.row, selected.column);
    q.rig.run_ms(100);
    q.cards().press(0, other.row, other.column);
    q.rig.run_ms(100);
    EXPECT_EQ(text_at(q.machine(), 180, 138), "KEY [2] PRESSED");
    EXPECT_EQ(q.rig.pixel(171, 131), 2) << "green for another key";
    EXPECT_EQ(first_led(q, other), LedState::lit);
    q.cards().release(0, selected.row, selected.column);
    q.rig.run_ms(100);
    EXPECT_EQ(text_at(q.machine(), 180, 138), "KEY [1] RELEASED");
    EXPECT_EQ(q.rig.pixel(171, 131), 2);
    EXPECT_EQ(first_led(q, selected), LedState::blinking) << "still the selected key";
    q.cards().release(0, other.row, other.column);
    q.rig.run_ms(100);
    EXPECT_EQ(first_led(q, other), LedState::off);

    q.type("\x1b");
    EXPECT_EQ(q.result_text(), "ERROR : KEY-TEST NOT COMPLETED!");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestKeys], 0);
}

// --- display test ----------------------------------------------------------------------------

TEST(DisplayTest, WritesTheTestTextAndClearsTheFirstFive) {
    Quandrix q;
    start_with(q, quandrix_rig::kDisplays, {});
    q.type("H");
    EXPECT_EQ(text_at(q.machine(), 180, 138), "TESTING DISPLAYS...");
    EXPECT_EQ(text_at(q.machine(), 180, 168), "IS THE DISPLAY-INFO CORRECT? (Y/N)");
    const std::vector<std::string> first_lines = {
        "*TEST-MASTERDISPLAY*", "*TEST-DISPLAY-SEQ.A*", "*TEST-DISPLAY-SEQ.B*",
        "*TEST-DISPLAY-SEQ.C*", "*TEST-DISPLAY-SEQ.D*", "*TEST-PLB 1-4       ",
        "*TEST-PLB 5-8       ", "*TEST-PLB 9-12      ", "*TEST-PLB 13-16     "};
    for (int d = 0; d < 9; ++d) {
        EXPECT_EQ(q.cards().lcd_line(0, d, 0), first_lines[static_cast<size_t>(d)]);
        EXPECT_EQ(q.cards().lcd_line(0, d, 1), "********************");
        EXPECT_EQ(q.cards().lcd_line(0, d, 2), "*-------ZELK-------*");
        EXPECT_EQ(q.cards().lcd_line(0, d, 3), "********************");
    }
    q.type("\x1b");
    EXPECT_EQ(q.result_text(), "") << "Esc is no answer here";
    q.type("y");
    EXPECT_EQ(q.result_text(), "TEST OK");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestDisplays], 1);
    EXPECT_EQ(q.cards().lcd_line(0, 0, 0), std::string(20, ' '));
    EXPECT_EQ(q.cards().lcd_line(0, 4, 2), std::string(20, ' '));
    EXPECT_EQ(q.cards().lcd_line(0, 5, 0), "*TEST-PLB 1-4       ");
}

TEST(DisplayTest, NoFails) {
    Quandrix q;
    start_with(q, quandrix_rig::kDisplays, {});
    q.type("HN");
    EXPECT_EQ(q.result_text(), "ERROR : SOME DISPLAYS DON'T WORK!");
}

// --- trackerball test ----------------------------------------------------------------------

struct Point {
    int x;
    int y;
};
// Inside the upper-left, upper-right, lower-left and lower-right corners.
const std::vector<Point> kCornerPoints = {{50, 150}, {580, 150}, {50, 330}, {580, 330}};

void move_to(Quandrix& q, Point p) {
    q.rig.move_trackerball(p.x - q.machine().mouse.x, p.y - q.machine().mouse.y);
    q.rig.run_ms(20);
}

// A click as a person makes it: the button held, then time to see the corner change.
constexpr uint32_t kClickDown_ms = 50;
constexpr uint32_t kClickUp_ms = 150;

TEST(TrackerballTest, FourCornersWithEachButton) {
    Quandrix q;
    start_with(q, 0, {});
    q.type("I");
    EXPECT_EQ(text_at(q.machine(), 245, 107), "CHECKING TRACKERBALL");
    EXPECT_EQ(text_at(q.machine(), 340, 218), "Y-POSTION :");
    EXPECT_EQ(text_at(q.machine(), 280, 218), "320");
    EXPECT_EQ(text_at(q.machine(), 430, 218), "240");
    EXPECT_TRUE(q.machine().mouse.cursor_shown());

    const std::vector<uint16_t> masks = {1, 2, 4, 4};
    const std::vector<int> colours = {9, 12, 2, 5};
    for (size_t phase = 0; phase < 4; ++phase) {
        SCOPED_TRACE(phase);
        EXPECT_EQ(q.rig.pixel(50, 150), colours[phase]);
        for (const Point& p : kCornerPoints) {
            move_to(q, p);
            q.rig.click(masks[phase], kClickDown_ms, kClickUp_ms);
        }
    }
    EXPECT_EQ(text_at(q.machine(), 294, 168), "BUTTON 4 RELEASED");
    EXPECT_EQ(text_at(q.machine(), 280, 218), "580");
    EXPECT_EQ(q.result_text(), "TEST OK");
    EXPECT_EQ(q.rig.pixel(580, 330), 7);
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestTrackerball], 1);
}

TEST(TrackerballTest, WrongButtonOrMarkedCornerMarksNothing) {
    Quandrix q;
    start_with(q, 0, {});
    q.type("I");
    move_to(q, kCornerPoints[0]);
    q.rig.set_trackerball_buttons(2);
    q.rig.run_ms(50);
    EXPECT_EQ(text_at(q.machine(), 294, 168), "BUTTON 2 PRESSED");
    EXPECT_TRUE(q.machine().speaker.sounding());
    q.rig.set_trackerball_buttons(0);
    q.rig.run_ms(50);
    EXPECT_EQ(text_at(q.machine(), 294, 168), "BUTTON 2 RELEASED");
    EXPECT_EQ(q.rig.pixel(50, 150), 9) << "wrong button";

    q.rig.click(1, kClickDown_ms, kClickUp_ms);
    EXPECT_EQ(q.rig.pixel(50, 150), 7);
    q.rig.click(1, kClickDown_ms, kClickUp_ms);  // the same corner again
    for (size_t c = 1; c < 3; ++c) {
        move_to(q, kCornerPoints[c]);
        q.rig.click(1, kClickDown_ms, kClickUp_ms);
    }
    EXPECT_EQ(q.rig.pixel(580, 330), 9) << "still the first phase: one corner left";
    q.type("\x1b");
    EXPECT_EQ(q.result_text(), "ERROR : TRACKERBALL-TEST NOT COMPLETED!");
    EXPECT_EQ(q.rig.pixel(580, 330), 7);
}

TEST(TrackerballTest, WithoutDriverReports) {
    Quandrix q;
    q.machine().mouse.installed = false;
    start_with(q, 0, {});
    q.type("I", 1000);  // during the long beep
    EXPECT_EQ(q.status_text(),
              "++++++++++++++++++++++++ ERROR : MOUSE-DRIVER NOT FOUND +++++++++++++++++++++++++");
    EXPECT_EQ(q.result_text(), "");
}

}  // namespace
