// The dimmer channel command line on the demo rig, typed on the console keys
// and on the PC keyboard: the commands and their levels on the DMX output,
// the keys offered (LEDs), recall of the last command, the refusals.
//
// The demo rig's dimmer channels 1..12 are the intensity channels of fixtures
// 1..12: records 14, 30, 46, 62 (spots on universe 1 at 1, 17, 33, 49), 75,
// 87 (washes at 65, 77), 102, 118 (spots on universe 2 at 1, 17), 131, 143
// (washes at 33, 45), 145, 146 (dimmers at 57, 58).
#include "programmer/dimmer_command.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "memories/presets.h"
#include "programmer/programmer_values.h"
#include "programmer/value_mapping.h"
#include "programmer_test_rig.h"
#include "runtime/console_flags.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "ui/message_line.h"

namespace {

using namespace runtime;

constexpr int kRigDimmers = 12;
constexpr int16_t AT = KEY_EDIT_VALUE;
constexpr int16_t RANGE = KEY_RANGE;
constexpr int16_t PLUS = KEY_PLUS;
constexpr int16_t MINUS = KEY_MINUS;
constexpr int16_t FULL = KEY_FULL;
constexpr int16_t ENTER = KEY_ENTER;
constexpr const char* kPrompt = "Select Dimmerchannels...";

// Where dimmer channel n (1..12) of the demo rig goes out: universe, address.
struct Output {
    int universe;
    int address;
};
constexpr std::array<Output, kRigDimmers + 1> kOutputs = {{
    {0, 0}, {1, 14}, {1, 30}, {1, 46}, {1, 62}, {1, 75}, {1, 87},
    {2, 14}, {2, 30}, {2, 43}, {2, 55}, {2, 57}, {2, 58},
}};

// Digit keys of a number.
std::vector<int16_t> digits(int n) {
    std::vector<int16_t> keys;
    for (const char c : std::to_string(n)) keys.push_back(digit_key(c - '0'));
    return keys;
}

class DimmerCommandLine : public programmer_test::DemoRig {
protected:
    static int16_t record(int channel) {
        return static_cast<int16_t>(dimmer_channel_list[static_cast<size_t>(channel - 1)] + 1);
    }
    static uint16_t value(int channel) { return programmer_values[record(channel)]; }
    uint8_t out(int channel) const {
        const Output& o = kOutputs[static_cast<size_t>(channel)];
        return rig_.dmx(o.universe, o.address);
    }
    // Every dimmer channel of the rig at the same programmer value.
    void set_all(uint16_t v) {
        for (int n = 1; n <= kRigDimmers; ++n) programmer::edit_function_value(record(n), v);
        rig_.run_ms(50);
    }
    // Opens the command line and types the keys (numbers as digits).
    void type_command(std::initializer_list<std::vector<int16_t>> parts) {
        rig_.press(KEY_DIMMER);
        for (const auto& keys : parts) {
            for (const int16_t key : keys) rig_.press(key);
        }
    }
    std::vector<int16_t> k(std::initializer_list<int16_t> keys) const { return keys; }
    size_t error_beeps() const {
        size_t n = 0;
        for (const platform::Tone& tone : rig_.tones()) n += tone.freq_hz == 400 ? 1 : 0;
        return n;
    }
    static bool window_open() { return ui::current_message() == kPrompt; }
};

TEST(PercentToLevel, OneRuleRoundingUp) {
    EXPECT_EQ(programmer::percent_to_level(0), 0);
    EXPECT_EQ(programmer::percent_to_level(1), 3);
    EXPECT_EQ(programmer::percent_to_level(20), 51);
    EXPECT_EQ(programmer::percent_to_level(50), 128);
    EXPECT_EQ(programmer::percent_to_level(80), 204);
    EXPECT_EQ(programmer::percent_to_level(100), 255);
    // Shown back in percent (truncated), every level is the percentage typed.
    for (int p = 0; p <= 100; ++p) EXPECT_EQ(programmer::percent_to_level(p) * 100 / 255, p) << p;
}

TEST_F(DimmerCommandLine, WorkedExampleReachesTheDmxOutput) {
    set_all(0);
    const size_t beeps = error_beeps();
    type_command({k({digit_key(1), RANGE}), digits(10), k({MINUS, digit_key(5), AT}), digits(50)});
    EXPECT_TRUE(window_open());
    EXPECT_EQ(programmer_values[record(1)], 0);  // nothing before ENTER
    rig_.press(ENTER);
    rig_.run_ms(50);
    EXPECT_FALSE(window_open());
    for (int n = 1; n <= kRigDimmers; ++n) {
        const bool named = n <= 10 && n != 5;
        EXPECT_EQ(value(n), named ? 128 : 0) << "channel " << n;
        EXPECT_EQ(out(n), named ? 128 : 0) << "channel " << n;
    }
    EXPECT_EQ(error_beeps(), beeps);
}

TEST_F(DimmerCommandLine, TypedOnThePcKeyboard) {
    set_all(0);
    // DIMMER, 1, RANGE, 1 0, MINUS, 5, AT, 5 0, ENTER.
    rig_.type("K*1991K*20010K*1855K*18350\r");
    rig_.run_ms(300);
    EXPECT_FALSE(window_open());
    for (int n = 1; n <= kRigDimmers; ++n) {
        EXPECT_EQ(out(n), n <= 10 && n != 5 ? 128 : 0) << "channel " << n;
    }
    // FULL and a lower, typed too: 11 @ FULL, then 11 @ - 20.
    rig_.type("K*19911K*183K*186\r");
    rig_.run_ms(300);
    EXPECT_EQ(out(11), 255);
    rig_.type("K*19911K*183K*18520\r");
    rig_.run_ms(300);
    EXPECT_EQ(out(11), 255 - 51);
}

// Commands typed on a line where every dimmer channel is at 7: the channels
// that change and their level; a refused command changes nothing and beeps.
TEST_F(DimmerCommandLine, CommandsAsATableOfCases) {
    struct Case {
        const char* shown;
        std::vector<int16_t> keys;
        std::vector<int> channels;
        uint16_t level;
        bool refused;
    };
    const auto cat = [](std::initializer_list<std::vector<int16_t>> parts) {
        std::vector<int16_t> keys;
        for (const auto& p : parts) keys.insert(keys.end(), p.begin(), p.end());
        return keys;
    };
    const std::vector<int16_t> at{AT};
    const std::vector<Case> cases = {
        {"1 -> 10 - 5 @ 50", cat({digits(1), {RANGE}, digits(10), {MINUS}, digits(5), at, digits(50)}),
         {1, 2, 3, 4, 6, 7, 8, 9, 10}, 128, false},
        {"1 - 3 -> 5 @ 50", cat({digits(1), {MINUS}, digits(3), {RANGE}, digits(5), at, digits(50)}), {1, 3, 4, 5}, 128,
         false},
        {"3 -> 1 @ 50", cat({digits(3), {RANGE}, digits(1), at, digits(50)}), {}, 0, false},
        {"0 @ 50", cat({digits(0), at, digits(50)}), {}, 0, false},
        {"2 + 4 + 12 @ FULL", cat({digits(2), {PLUS}, digits(4), {PLUS}, digits(12), at, {FULL}}), {2, 4, 12}, 255,
         false},
        {"1 -> 12 - 3 - 4 @ 20", cat({digits(1), {RANGE}, digits(12), {MINUS}, digits(3), {MINUS}, digits(4), at,
                                      digits(20)}),
         {1, 2, 5, 6, 7, 8, 9, 10, 11, 12}, 51, false},
        {"6 @ 0", cat({digits(6), at, digits(0)}), {6}, 0, false},
        {"9 @ 100", cat({digits(9), at, digits(100)}), {9}, 255, false},
        {"8 -> 2048 @ 1", cat({digits(8), {RANGE}, digits(2048), at, digits(1)}), {8, 9, 10, 11, 12}, 3, false},
        {"13 @ 50 (no such dimmer)", cat({digits(13), at, digits(50)}), {}, 0, false},
        {"2049 @ 50", cat({digits(2049), at, digits(50)}), {}, 0, true},
        {"1 + 99999 @ 50", cat({digits(1), {PLUS}, digits(99999), at, digits(50)}), {}, 0, true},
        {"1 @ 101", cat({digits(1), at, digits(101)}), {}, 0, true},
        {"1 @ + 500", cat({digits(1), at, {PLUS}, digits(500)}), {}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        set_all(7);
        const size_t beeps = error_beeps();
        rig_.press(KEY_DIMMER);
        for (const int16_t key : c.keys) rig_.press(key);
        rig_.press(ENTER);
        rig_.run_ms(1000);
        EXPECT_FALSE(window_open());
        EXPECT_EQ(error_beeps(), beeps + (c.refused ? 1 : 0));
        for (int n = 1; n <= kRigDimmers; ++n) {
            const bool named = std::find(c.channels.begin(), c.channels.end(), n) != c.channels.end();
            EXPECT_EQ(value(n), named ? c.level : 7) << "channel " << n;
            EXPECT_EQ(out(n), named ? c.level : 7) << "channel " << n;
        }
    }
}

TEST_F(DimmerCommandLine, RaiseAndLowerStartFromTheProgrammerValueAPresetOrTheOutput) {
    set_all(250);
    type_command({digits(1), k({AT, PLUS}), digits(10), k({ENTER})});  // 250 + 26, kept at 255
    EXPECT_EQ(value(1), 255);
    type_command({digits(2), k({AT, MINUS}), digits(10), k({ENTER})});
    EXPECT_EQ(value(2), 250 - 26);

    // No programmer value: the output base value.
    programmer_values[record(3)] = kValueNotSet;
    output_base_values[record(3)] = 100;
    type_command({digits(3), k({AT, MINUS}), digits(10), k({ENTER})});
    EXPECT_EQ(value(3), 100 - 26);
    // Lowered past 0: kept at 0.
    type_command({digits(3), k({AT, MINUS}), digits(100), k({ENTER})});
    EXPECT_EQ(value(3), 0);

    // A reference to value preset 2: the preset's value for the record; a
    // preset that holds none for it falls back to the output base value.
    std::array<uint16_t, memories::kValuePresetValues> preset{};
    preset.fill(memories::kValueNotSet);
    preset[static_cast<size_t>(record(4))] = 60;
    memories::value_preset_table[2] = preset.data();
    programmer_values[record(4)] = 1002;
    programmer_values[record(5)] = 1002;
    output_base_values[record(5)] = 90;
    type_command({digits(4), k({PLUS}), digits(5), k({AT, PLUS}), digits(20), k({ENTER})});
    memories::value_preset_table[2] = nullptr;
    EXPECT_EQ(value(4), 60 + 51);
    EXPECT_EQ(value(5), 90 + 51);
    rig_.run_ms(50);
    EXPECT_EQ(out(4), 111);
}

TEST_F(DimmerCommandLine, LiveEditMarksTheChannelsManual) {
    run_flags |= RUN_LIVE_EDIT;
    type_command({digits(7), k({AT, FULL, ENTER})});
    EXPECT_NE(channel_flags[record(7)] & FLAG_MANUAL, 0);
    EXPECT_EQ(channel_flags[record(8)] & FLAG_MANUAL, 0);
}

TEST_F(DimmerCommandLine, TheKeysOfferedBlink) {
    rig_.press(KEY_DIMMER);
    EXPECT_TRUE(window_open());
    EXPECT_EQ(rig_.key_led(KEY_DIMMER), platform::LedState::lit);
    EXPECT_EQ(rig_.key_led(KEY_ESC), platform::LedState::blinking);
    // An empty line, no command entered yet: digits only.
    EXPECT_EQ(rig_.key_led(digit_key(0)), platform::LedState::blinking);
    for (const int16_t key : {AT, PLUS, MINUS, RANGE, FULL, ENTER, KEY_BACK}) {
        EXPECT_EQ(rig_.key_led(key), platform::LedState::off) << key;
    }
    rig_.press(digit_key(4));
    for (const int16_t key : {AT, PLUS, MINUS, RANGE, KEY_BACK}) {
        EXPECT_EQ(rig_.key_led(key), platform::LedState::blinking) << key;
    }
    EXPECT_EQ(rig_.key_led(FULL), platform::LedState::off);
    EXPECT_EQ(rig_.key_led(ENTER), platform::LedState::off);
    rig_.press(AT);
    for (const int16_t key : {PLUS, MINUS, FULL, digit_key(9)}) {
        EXPECT_EQ(rig_.key_led(key), platform::LedState::blinking) << key;
    }
    for (const int16_t key : {AT, RANGE, ENTER}) EXPECT_EQ(rig_.key_led(key), platform::LedState::off) << key;
    // ENTER is refused until a level follows the at token, also after a sign.
    rig_.press(ENTER);
    EXPECT_TRUE(window_open());
    rig_.press(PLUS);
    rig_.press(ENTER);
    EXPECT_TRUE(window_open());
    rig_.press(KEY_BACK);
    rig_.press(FULL);
    EXPECT_EQ(rig_.key_led(digit_key(1)), platform::LedState::off);
    EXPECT_EQ(rig_.key_led(ENTER), platform::LedState::blinking);
    rig_.press(digit_key(1));  // not offered after FULL: ignored
    rig_.press(ENTER);
    EXPECT_FALSE(window_open());
    EXPECT_EQ(value(4), 255);
    for (const int16_t key : {AT, PLUS, MINUS, RANGE, FULL, ENTER, KEY_BACK, KEY_DIMMER, KEY_ESC}) {
        EXPECT_EQ(rig_.key_led(key), platform::LedState::off) << key;
    }
}

TEST_F(DimmerCommandLine, TheAtKeyRecallsTheLastChannelPart) {
    set_all(0);
    // Before any command the at key does nothing on an empty line.
    rig_.press(KEY_DIMMER);
    rig_.press(AT);
    EXPECT_EQ(rig_.key_led(KEY_BACK), platform::LedState::off);
    rig_.press(KEY_ESC);
    EXPECT_FALSE(window_open());

    type_command({digits(1), k({RANGE, digit_key(3), AT}), digits(50), k({ENTER})});
    EXPECT_EQ(value(3), 128);
    // The channel part comes back: only the level is typed.
    rig_.press(KEY_DIMMER);
    EXPECT_EQ(rig_.key_led(AT), platform::LedState::blinking);
    rig_.press(AT);
    EXPECT_EQ(rig_.key_led(FULL), platform::LedState::blinking);  // the line ends with the at token
    for (const int16_t key : digits(20)) rig_.press(key);
    rig_.press(ENTER);
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(value(n), n <= 3 ? 51 : 0) << n;

    // ESC leaves without a change and keeps the last command.
    type_command({digits(4), k({AT}), digits(90), k({KEY_ESC})});
    EXPECT_FALSE(window_open());
    EXPECT_EQ(value(4), 0);
    type_command({k({AT, FULL, ENTER})});
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(value(n), n <= 3 ? 255 : 0) << n;

    // A refused command still leaves its channel part, to be mended with BACK.
    const size_t beeps = error_beeps();
    type_command({digits(2050), k({AT}), digits(10), k({ENTER})});
    rig_.run_ms(1000);
    EXPECT_EQ(error_beeps(), beeps + 1);
    type_command({k({AT, KEY_BACK, KEY_BACK, KEY_BACK, KEY_BACK, AT}), digits(10), k({ENTER})});  // 2050 -> 2
    EXPECT_EQ(value(2), 26);
    EXPECT_EQ(value(1), 255);
}

// An over-long line: keys that the token list or the window's six lines of
// 30 characters cannot take are refused with the error beep, and the line
// typed so far still works.
TEST_F(DimmerCommandLine, OverLongLinesAreRefusedKeyByKey) {
    set_all(0);
    // 96 zeros, 1 (channel 1), @, 5, 0: 100 tokens; a further 0 is refused.
    rig_.press(KEY_DIMMER);
    for (int i = 0; i < 96; ++i) rig_.press(digit_key(0));
    for (const int16_t key : {digit_key(1), AT, digit_key(5), digit_key(0)}) rig_.press(key);
    size_t beeps = error_beeps();
    rig_.press(digit_key(0));
    rig_.run_ms(1000);
    EXPECT_EQ(error_beeps(), beeps + 1);
    rig_.press(ENTER);
    EXPECT_FALSE(window_open());
    EXPECT_EQ(value(1), 128);  // 50 %, not 500 %

    // "2 + 2 + ... 2" fills 177 characters; " @ " makes 180, the window's
    // whole; a digit more is refused.
    rig_.press(KEY_DIMMER);
    for (int i = 0; i < 44; ++i) {
        rig_.press(digit_key(2));
        rig_.press(PLUS);
    }
    rig_.press(digit_key(2));
    rig_.press(AT);
    beeps = error_beeps();
    rig_.press(digit_key(5));
    rig_.run_ms(1000);
    EXPECT_EQ(error_beeps(), beeps + 1);
    EXPECT_EQ(rig_.key_led(ENTER), platform::LedState::off);  // the 5 did not go in
    // The last of the six lines is full of text.
    EXPECT_GT(platform::count_pixels(1, {6, 440, 216, 450}), 0);
    for (const int16_t key : {KEY_BACK, KEY_BACK, KEY_BACK, AT, digit_key(5), digit_key(0), ENTER}) rig_.press(key);
    EXPECT_FALSE(window_open());
    EXPECT_EQ(value(2), 128);
    EXPECT_EQ(value(3), 0);
}

TEST_F(DimmerCommandLine, TheWindowShowsTheCommand) {
    type_command({digits(1), k({RANGE}), digits(10), k({MINUS, digit_key(5), AT}), digits(50)});
    // The title bar, and "1 -> 10 - 5 @ 50" (16 characters of 6 pixels from
    // x 11) in blue on the first text line, nothing on the second.
    EXPECT_EQ(rig_.pixel(210, 360), 2);
    EXPECT_GT(platform::count_pixels(14, {30, 354, 216, 366}), 0);
    EXPECT_GT(platform::count_pixels(1, {11, 370, 16, 380}), 0);   // "1"
    EXPECT_GT(platform::count_pixels(1, {101, 370, 106, 380}), 0);  // "0" of "50"
    EXPECT_EQ(platform::count_pixels(1, {113, 370, 216, 380}), 0);
    EXPECT_EQ(platform::count_pixels(1, {6, 384, 216, 394}), 0);
    rig_.press(KEY_BACK);
    EXPECT_EQ(platform::count_pixels(1, {101, 370, 106, 380}), 0);
    rig_.press(KEY_ESC);
    EXPECT_FALSE(window_open());
    EXPECT_EQ(option_flags & OPT_SETTINGS_EDITOR, 0u);
}

TEST_F(DimmerCommandLine, NotWhileTheTimecodeScreenIsOpen) {
    option_flags |= OPT_TIMECODE_SCREEN;
    rig_.press(KEY_DIMMER);
    EXPECT_FALSE(window_open());
    EXPECT_EQ(rig_.key_led(KEY_DIMMER), platform::LedState::off);
}

}  // namespace
