// The fader tests: analogue faders (menu item F) and digital belts (G).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hwtest/auto_test.h"
#include "hwtest/fader_tests.h"
#include "hwtest/test_menu.h"
#include "quandrix_rig.h"

namespace {

using platform::LedState;
using quandrix_rig::card_with;
using quandrix_rig::LayoutKey;
using quandrix_rig::Quandrix;
using quandrix_rig::text_at;
using quandrix_rig::text_on_line;

void start_with(Quandrix& q, uint8_t options, const std::vector<LayoutKey>& keys = {}) {
    q.write_layout(keys);
    q.cards().fit(0, card_with(options));
    q.start();
}

// Fader i of the walk: masters 1..4, then playbacks.
void set_fader(Quandrix& q, int i, uint8_t raw) {
    if (i < 4) {
        q.rig.set_master_fader(i + 1, raw);
    } else {
        q.rig.set_playback_fader(i - 3, raw);
    }
}

void bottom_to_top(Quandrix& q, int i) {
    set_fader(q, i, 0);
    q.rig.run_ms(20);
    set_fader(q, i, 255);
    q.rig.run_ms(80);
}

// --- the gauge ----------------------------------------------------------------------------

TEST(FaderGauge, TopAndBottom) {
    struct Case {
        int value;
        bool top;
        bool bottom;
    };
    for (const Case& c : std::vector<Case>{{0, false, true}, {1, false, false}, {251, false, false},
                                           {252, true, false}, {255, true, false}}) {
        hwtest::FaderGauge g;
        g.value = c.value;
        EXPECT_EQ(hwtest::gauge_at_top(g), c.top) << c.value;
        EXPECT_EQ(hwtest::gauge_at_bottom(g), c.bottom) << c.value;
    }
}

// --- analogue faders ------------------------------------------------------------------------

TEST(AnalogueFaderTest, GaugesFollowTheFaders) {
    Quandrix q;
    start_with(q, quandrix_rig::kAnalogueFaders);
    q.rig.set_playback_fader(27, 90);
    q.type("F");
    EXPECT_EQ(text_at(q.machine(), 225, 80), "CHECKING ANALOGUE FADERS");
    EXPECT_EQ(q.status_text(),
              "+++++++++++++ MOVE SELECTED SLIDER FROM BOTTOM TO TOP (ESC=CANCEL) +++++++++++++");
    EXPECT_EQ(text_at(q.machine(), 110, 100), "M");
    EXPECT_EQ(text_at(q.machine(), 110, 160), "S");
    // Master 1 at x 140, playback 27 at x 140, y 440 (drawn without the wing).
    EXPECT_EQ(text_at(q.machine(), 143, 202), "1");
    EXPECT_EQ(text_at(q.machine(), 139, 442), "27");
    EXPECT_EQ(text_at(q.machine(), 135, 339), "090");
    EXPECT_EQ(q.rig.pixel(146, 440 - 30), 14) << "90 / 3 = 30 lines lit";
    EXPECT_EQ(q.rig.pixel(146, 440 - 31), 0);

    q.rig.set_playback_fader(27, 30);
    q.rig.run_ms(20);
    EXPECT_EQ(text_at(q.machine(), 135, 339), "030");
    EXPECT_EQ(q.rig.pixel(146, 440 - 10), 14);
    EXPECT_EQ(q.rig.pixel(146, 440 - 11), 0) << "lines above the new level go black";
}

TEST(AnalogueFaderTest, WalkWithoutTheWingPassesAfterPlaybackTen) {
    Quandrix q;
    std::vector<LayoutKey> keys = {{1, 0, 0}, {281, 1, 1}, {282, 2, 1}, {291, 3, 1}, {300, 4, 1}};
    start_with(q, quandrix_rig::kAnalogueFaders, keys);
    for (int i = 0; i < 14; ++i) set_fader(q, i, 255);  // all at the top already
    q.type("F");
    EXPECT_EQ(q.cards().led(0, 0, 0), LedState::lit);
    EXPECT_EQ(q.cards().led(0, 1, 1), LedState::blinking) << "master 1's flash key";
    EXPECT_EQ(q.cards().led(0, 1, 2), LedState::off);

    q.rig.run_ms(100);
    EXPECT_EQ(q.cards().led(0, 1, 1), LedState::blinking) << "the top alone does not count";
    set_fader(q, 0, 0);
    q.rig.run_ms(20);
    set_fader(q, 0, 251);
    q.rig.run_ms(50);
    EXPECT_EQ(q.cards().led(0, 1, 1), LedState::blinking) << "251 is not the top";
    set_fader(q, 0, 252);
    q.rig.run_ms(100);
    EXPECT_EQ(q.cards().led(0, 1, 1), LedState::off);
    EXPECT_EQ(q.cards().led(0, 1, 2), LedState::blinking) << "master 2 next";

    for (int i = 1; i < 13; ++i) bottom_to_top(q, i);
    EXPECT_EQ(q.cards().led(0, 1, 4), LedState::blinking) << "playback 10 last";
    EXPECT_EQ(q.result_text(), "");
    bottom_to_top(q, 13);
    EXPECT_EQ(text_on_line(q.machine(), 270).text, "TEST OK");
    EXPECT_EQ(q.cards().led(0, 0, 0), LedState::off);
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestAnalogueFaders], 1);
    EXPECT_EQ(q.rig.pixel(600, 440), 7) << "panel repainted";
}

// The card reports the playback wing (cell 1127, bit 6): the walk goes on
// over the wing's playbacks 11 to 42 before the test passes.
TEST(AnalogueFaderTest, WalkWithTheWingGoesOnToPlayback42) {
    Quandrix q;
    q.write_layout({{1, 0, 0}, {300, 4, 1}, {301, 5, 1}, {332, 6, 1}});
    platform::CardSettings card = card_with(quandrix_rig::kAnalogueFaders);
    card.options_2 = 0x40;  // the wing connected
    q.cards().fit(0, card);
    q.start();
    ASSERT_TRUE(hwtest::console_kind.has_wing);
    for (int i = 0; i < 46; ++i) set_fader(q, i, 255);
    q.type("F");
    for (int i = 0; i < 13; ++i) bottom_to_top(q, i);
    EXPECT_EQ(q.cards().led(0, 1, 4), LedState::blinking) << "playback 10";
    bottom_to_top(q, 13);
    EXPECT_EQ(q.result_text(), "") << "not done after playback 10";
    EXPECT_EQ(text_on_line(q.machine(), 270).text, "");
    EXPECT_EQ(q.cards().led(0, 1, 5), LedState::blinking) << "playback 11's flash key next";
    for (int i = 14; i < 45; ++i) bottom_to_top(q, i);
    EXPECT_EQ(q.cards().led(0, 1, 6), LedState::blinking) << "playback 42 last";
    EXPECT_EQ(text_on_line(q.machine(), 270).text, "");
    bottom_to_top(q, 45);
    EXPECT_EQ(text_on_line(q.machine(), 270).text, "TEST OK");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestAnalogueFaders], 1);
}

TEST(AnalogueFaderTest, EscCancels) {
    Quandrix q;
    start_with(q, quandrix_rig::kAnalogueFaders);
    q.type("F");
    bottom_to_top(q, 0);
    q.type("\x1b");
    EXPECT_EQ(text_on_line(q.machine(), 270).text, "ERROR : ANALOGUE FADER-TEST NOT COMPLETED!");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestAnalogueFaders], 0);
}

TEST(AnalogueFaderTest, WithoutFadersReports) {
    Quandrix q;
    start_with(q, quandrix_rig::kHardwareKeys);
    q.type("F", 1000);  // during the long beep
    EXPECT_EQ(q.status_text(),
              "++++++++++++++++++++++ ERROR : NO ANALOGUE FADERS FOUND ++++++++++++++++++++++++++");
    EXPECT_EQ(q.machine().speaker.freq_hz, 400);
    EXPECT_EQ(text_at(q.machine(), 225, 80), "");
}

// --- digital faders -------------------------------------------------------------------------

// Belt i of the walk: sequence belts 1..12, then function belts 1..16.
void belt_reports(Quandrix& q, int i, uint8_t value, uint8_t status = 255) {
    if (i < 12) {
        q.rig.set_sequence_belt(i + 1, 0, value);
        q.rig.set_sequence_belt(i + 1, 1, status);
    } else {
        q.rig.set_function_belt(i - 11, 0, value);
        q.rig.set_function_belt(i - 11, 1, status);
    }
}

uint8_t belt_status(Quandrix& q, int i) {
    return i < 12 ? q.cards().sequence_belt(0, i + 1, 1) : q.cards().function_belt(0, i - 11, 1);
}

TEST(DigitalFaderTest, UnreportedBeltKeepsSweepingUntilEsc) {
    Quandrix q;
    start_with(q, quandrix_rig::kSequenceBelts | quandrix_rig::kFunctionBelts);
    q.type("G");
    EXPECT_EQ(text_at(q.machine(), 230, 107), "CHECKING DIGITAL FADERS");
    // The ramp rises one step per 5 ms; the value goes out at most every 51 ms.
    const int first = q.cards().sequence_belt(0, 1, 0);
    q.rig.run_ms(204);
    const int rise = q.cards().sequence_belt(0, 1, 0) - first;
    EXPECT_GE(rise, 30);
    EXPECT_LE(rise, 51);
    EXPECT_EQ(q.cards().sequence_belt(0, 2, 0), 0) << "only the selected belt is driven";
    EXPECT_EQ(q.cards().sequence_belt(0, 1, 1), 0);

    q.rig.run_ms(1000);  // up to the top and falling again
    const int falling = q.cards().sequence_belt(0, 1, 0);
    q.rig.run_ms(200);
    EXPECT_LT(q.cards().sequence_belt(0, 1, 0), falling);
    EXPECT_EQ(q.result_text(), "");

    q.type("\x1b");
    EXPECT_EQ(q.result_text(), "ERROR : DIGITAL FADER-TEST NOT COMPLETED!");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestDigitalFaders], 0);
}

TEST(DigitalFaderTest, ReportedBeltsWalkAllTwentyEight) {
    Quandrix q;
    start_with(q, quandrix_rig::kSequenceBelts | quandrix_rig::kFunctionBelts);
    q.type("G");
    for (int i = 0; i < 28; ++i) {
        SCOPED_TRACE(i);
        belt_reports(q, i, 0);
        q.rig.run_ms(20);
        EXPECT_EQ(belt_status(q, i), 128) << "acknowledged";
        belt_reports(q, i, 120, 85);
        q.rig.run_ms(20);
        if (i == 0) {
            EXPECT_EQ(text_at(q.machine(), 95, 139), "120");
        }
        belt_reports(q, i, 252, 85);
        q.rig.run_ms(100);  // past the step's beep
    }
    EXPECT_EQ(q.result_text(), "TEST OK");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestDigitalFaders], 1);
}

TEST(DigitalFaderTest, MissingFunctionBeltsBeepsAndGoesOn) {
    Quandrix q;
    start_with(q, quandrix_rig::kSequenceBelts);
    q.type("G", 1000);  // during the long beep
    EXPECT_EQ(q.status_text(),
              "+++++++++++++++++ ERROR : DIGITAL FADERS FUNCTIONS NOT FOUND ++++++++++++++++++++");
    EXPECT_EQ(q.machine().speaker.freq_hz, 400);
    q.rig.run_ms(1500);
    EXPECT_EQ(q.rig.tones().front().duration_ms, 2000u);
    EXPECT_EQ(q.status_text(),
              "+++++++++++++ MOVE SELECTED SLIDER FROM BOTTOM TO TOP (ESC=CANCEL) +++++++++++++");
    EXPECT_EQ(text_at(q.machine(), 230, 107), "CHECKING DIGITAL FADERS");
}

TEST(DigitalFaderTest, WithoutBeltsReports) {
    Quandrix q;
    start_with(q, quandrix_rig::kAnalogueFaders);
    q.type("G", 1000);  // during the long beep
    EXPECT_EQ(q.status_text(),
              "++++++++++++++++++++++++ ERROR : NO DIGITAL FADERS FOUND ++++++++++++++++++++++++++");
    EXPECT_EQ(text_at(q.machine(), 230, 107), "");
}

}  // namespace
