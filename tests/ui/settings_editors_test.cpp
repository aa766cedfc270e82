// The settings editors as an operator opens and works them: SHIFT (246) held
// with CUE, STEP, MODE or a cue-page key, or SETUP held then 2. Each stores on
// ENTER only (the setup file on disk, the transparency entries) and changes
// nothing on ESC.
#include "ui/settings_editors.h"

#include <gtest/gtest.h>
#include "runtime/key_leds.h"
#include "runtime/config_records.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "datafiles/data_files.h"
#include "playback/key_groups.h"
#include "playback/playback_wing.h"
#include "programmer/programmer_jobs.h"
#include "rig/console.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;

constexpr uint32_t kSettle_ms = 20;
constexpr size_t kSetupFileHeader = 12;  // "VERSION 7.01"
const std::string kSetupFile = "data/setup.dat";

uint8_t edit_mode() { return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_EDIT_MODE) >> 30); }

class SettingsEditors : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    void SetUp() override {
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        runtime::display_mode = 2;
        runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
        rig.run_ms(kSettle_ms);
        runtime::clear_step_log();
    }

    // SHIFT held, the key pressed: its editor opens; SHIFT stays held.
    void open_with_shift(int16_t key) {
        rig.hold(KEY_SHIFT, kSettle_ms);
        rig.press(key, 10);
        ASSERT_NE(runtime::option_flags & runtime::OPT_SETTINGS_EDITOR, 0u) << key;
    }
    void keys(std::initializer_list<int16_t> pressed) {
        for (const int16_t key : pressed) rig.press(key, 5);
    }
    // The last key (ENTER or ESC) closes the editor; SHIFT goes up.
    void close_with(int16_t key) {
        rig.press(key, 10);
        EXPECT_EQ(runtime::option_flags & runtime::OPT_SETTINGS_EDITOR, 0u);
        rig.release(KEY_SHIFT, kSettle_ms);
    }

    // Entry i of transp.dat as written: playbacks, sequences.
    std::array<uint8_t, 2> transp_file_entry(size_t i) const {
        const std::vector<uint8_t> file = dir.read_file("data/transp.dat");
        return {file.at((i - 1) * 2), file.at((i - 1) * 2 + 1)};
    }

    uint8_t setup_file_byte(size_t offset) const { return dir.read_file(kSetupFile).at(kSetupFileHeader + offset); }
    uint16_t setup_file_word(size_t offset) const {
        const std::vector<uint8_t> file = dir.read_file(kSetupFile);
        return static_cast<uint16_t>(file.at(kSetupFileHeader + offset) | (file.at(kSetupFileHeader + offset + 1) << 8));
    }
};

// --- transparent modes ----------------------------------------------------------------

TEST_F(SettingsEditors, TransparentModesAreStoredOnEnter) {
    playback::current_cue_page = 1;
    playback::current_cue = 2;
    playback::current_cue_point = 1;  // slot 11
    datafiles::transp_show_default = 0x0101;  // both show defaults OFF
    datafiles::transp_table[11] = {2, 2};     // both DEFAULT
    open_with_shift(KEY_CUE);
    keys({KEY_EDIT_ITEM,                                  // row 1: playbacks default OFF -> ON
          KEY_DOWN, KEY_DOWN,                             // row 3
          KEY_EDIT_ITEM, KEY_EDIT_ITEM, KEY_EDIT_ITEM,    // DEFAULT, OFF, ON, DEFAULT: back where it was
          KEY_DOWN, KEY_EDIT_ITEM, KEY_EDIT_ITEM});       // row 4: DEFAULT, OFF, ON
    close_with(KEY_ENTER);
    EXPECT_EQ(datafiles::transp_show_default, 0x0100);  // playbacks ON (0), sequences OFF (1)
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_AUTO_PLAYBACKS, 0u);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_AUTO_SEQUENCES, 0u);
    EXPECT_EQ(datafiles::transp_table[11], (std::array<uint8_t, 2>{2, 1}));  // sequences ON, playbacks DEFAULT
    EXPECT_EQ(playback::playback_transparent_mode, 2);
    EXPECT_EQ(playback::sequence_transparent_mode, 1);
    EXPECT_EQ(transp_file_entry(11201), (std::array<uint8_t, 2>{0, 1}));
    EXPECT_EQ(transp_file_entry(11), (std::array<uint8_t, 2>{2, 1}));
    // The info line's LEDs: playbacks DEFAULT blink, sequences ON lit.
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(KEY_TRANSPARENT_PLB)], runtime::LED_BLINK);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(KEY_TRANSPARENT_SEQ)], runtime::LED_ON);
}

TEST_F(SettingsEditors, TransparentEditorEscChangesNothing) {
    playback::current_cue = 3;
    datafiles::transp_show_default = 0x0001;
    datafiles::transp_table[21] = {0, 1};
    const std::vector<uint8_t> before = dir.read_file("data/transp.dat");
    constexpr uint32_t kAutoBits = runtime::MODE_AUTO_PLAYBACKS | runtime::MODE_AUTO_SEQUENCES;
    runtime::mode_flags = (runtime::mode_flags & ~kAutoBits) | runtime::MODE_AUTO_PLAYBACKS;
    open_with_shift(KEY_CUE);
    for (int row = 1; row <= 4; ++row) keys({KEY_EDIT_ITEM, KEY_DOWN});
    close_with(KEY_ESC);
    EXPECT_EQ(datafiles::transp_show_default, 0x0001);
    EXPECT_EQ(datafiles::transp_table[21], (std::array<uint8_t, 2>{0, 1}));
    EXPECT_EQ(runtime::mode_flags & kAutoBits, runtime::MODE_AUTO_PLAYBACKS);
    EXPECT_EQ(dir.read_file("data/transp.dat"), before);
}

TEST_F(SettingsEditors, TransparentEditorRowsStopAtTheFirstAndLast) {
    datafiles::transp_show_default = 0x0101;
    datafiles::transp_table[1] = {0, 0};
    open_with_shift(KEY_CUE);
    keys({KEY_UP, KEY_EDIT_ITEM});                                          // still row 1
    keys({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_EDIT_ITEM});  // row 4: OFF -> ON
    close_with(KEY_ENTER);
    EXPECT_EQ(datafiles::transp_show_default, 0x0100);
    EXPECT_EQ(datafiles::transp_table[1], (std::array<uint8_t, 2>{0, 1}));
}

TEST_F(SettingsEditors, NoEditorOpensWhileTheTimecodeScreenIsOpen) {
    runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
    rig.hold(KEY_SHIFT, kSettle_ms);
    for (const int16_t key : {KEY_CUE, KEY_STEP, KEY_MODE}) {
        rig.press(key, 10);
        EXPECT_EQ(runtime::option_flags & runtime::OPT_SETTINGS_EDITOR, 0u) << key;
    }
    rig.release(KEY_SHIFT, kSettle_ms);
    runtime::option_flags &= ~runtime::OPT_TIMECODE_SCREEN;
}

TEST_F(SettingsEditors, TransparentModeKeysCycleZeroOneTwo) {
    playback::sequence_transparent_mode = 1;
    rig.press(KEY_TRANSPARENT_SEQ, 10);
    EXPECT_EQ(playback::sequence_transparent_mode, 2);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(KEY_TRANSPARENT_SEQ)], runtime::LED_BLINK);  // the info line's LED follows
    rig.press(KEY_TRANSPARENT_SEQ, 10);
    EXPECT_EQ(playback::sequence_transparent_mode, 0);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(KEY_TRANSPARENT_SEQ)], runtime::LED_OFF);
    playback::playback_transparent_mode = 7;
    rig.press(KEY_TRANSPARENT_PLB, 10);
    EXPECT_EQ(playback::playback_transparent_mode, 0);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(KEY_TRANSPARENT_PLB)], runtime::LED_OFF);
}

// --- tracing mode ---------------------------------------------------------------------

TEST_F(SettingsEditors, TracingModeOfACuePageIsWrittenToTheSetupFile) {
    runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
    setup::setup_data.set_u8(setup::kSetupCuePageTracing + 3, 1);  // page 4 traces
    open_with_shift(group_key(4));
    keys({KEY_DOWN, KEY_EDIT_ITEM,                                // global trace OFF -> ON
          KEY_DOWN, KEY_DOWN, KEY_EDIT_ITEM, KEY_EDIT_ITEM});     // page 4 trace: ON, OFF, DEFAULT
    close_with(KEY_ENTER);
    EXPECT_EQ(setup::setup_data.u8(0xC39F), 1);
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupCuePageTracing + 3), 0);
    EXPECT_EQ(setup_file_byte(0xC39F), 1);
    EXPECT_EQ(setup_file_byte(0xC368 + 4), 0);
}

TEST_F(SettingsEditors, TracingEditorEscWritesNothing) {
    runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
    const std::vector<uint8_t> before = dir.read_file(kSetupFile);
    open_with_shift(group_key(16));
    keys({KEY_EDIT_ITEM, KEY_DOWN, KEY_EDIT_ITEM, KEY_DOWN, KEY_EDIT_ITEM, KEY_DOWN, KEY_EDIT_ITEM});
    close_with(KEY_ESC);
    EXPECT_EQ(dir.read_file(kSetupFile), before);
    EXPECT_EQ(setup::setup_data.u8(0xC39E), before.at(kSetupFileHeader + 0xC39E));
    EXPECT_EQ(setup::setup_data.u8(0xC378 + 16), before.at(kSetupFileHeader + 0xC378 + 16));
}

// --- solo memory ----------------------------------------------------------------------

TEST_F(SettingsEditors, SoloMemoryOutOfRangeBecomesNone) {
    struct Case {
        std::vector<int16_t> typed;  // digits, then how the field closes
        int16_t stored;
    };
    const std::vector<Case> cases = {
        {{digit_key(2), digit_key(5), digit_key(0), digit_key(0), KEY_ENTER}, 2500},
        {{digit_key(4), digit_key(0), digit_key(0), digit_key(1), KEY_ENTER}, 0},
        {{digit_key(4), digit_key(0), digit_key(0), digit_key(0), KEY_ENTER}, 4000},
        {{digit_key(0), KEY_ENTER}, 0},
        {{digit_key(6), digit_key(5), digit_key(5), digit_key(3), digit_key(7), KEY_ENTER}, 0},  // no wrap to 1
        {{digit_key(7), KEY_ESC}, 0},
        {{KEY_ENTER}, 0},
    };
    for (const Case& c : cases) {
        setup::setup_data.set_i16(setup::kSetupSoloMemory, 12);
        open_with_shift(KEY_STEP);
        rig.press(KEY_EDIT_ITEM, 10);
        for (const int16_t key : c.typed) rig.press(key, 5);
        close_with(KEY_ENTER);
        EXPECT_EQ(setup::setup_data.i16(setup::kSetupSoloMemory), c.stored);
        EXPECT_EQ(static_cast<int16_t>(setup_file_word(0xC34B)), c.stored);
        EXPECT_EQ((runtime::mode_flags & runtime::MODE_SOLO_MEMORY) != 0, c.stored >= 1) << c.stored;
    }
}

TEST_F(SettingsEditors, SoloMemoryEscKeepsTheStoredMemory) {
    setup::setup_data.set_i16(setup::kSetupSoloMemory, 12);
    runtime::mode_flags &= ~runtime::MODE_SOLO_MEMORY;
    const std::vector<uint8_t> before = dir.read_file(kSetupFile);
    open_with_shift(KEY_STEP);
    keys({KEY_EDIT_ITEM, digit_key(9), KEY_ENTER});
    close_with(KEY_ESC);
    EXPECT_EQ(setup::setup_data.i16(setup::kSetupSoloMemory), 12);
    EXPECT_EQ(dir.read_file(kSetupFile), before);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_SOLO_MEMORY, 0u);  // from the unchanged memory
}

// --- fan mode -------------------------------------------------------------------------

TEST_F(SettingsEditors, FanShapeIsChosenOnEnterOnly) {
    runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;  // absolute
    programmer::fan_shape = 3;
    open_with_shift(KEY_MODE);
    keys({KEY_DOWN, KEY_DOWN, KEY_DOWN});  // 4, 5, still 5
    close_with(KEY_ENTER);
    EXPECT_EQ(edit_mode(), 2);
    EXPECT_EQ(programmer::fan_shape, 5);

    runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;
    programmer::fan_shape = 3;
    open_with_shift(KEY_MODE);
    keys({KEY_DOWN, KEY_DOWN});
    close_with(KEY_ESC);
    EXPECT_EQ(edit_mode(), 0);
    EXPECT_EQ(programmer::fan_shape, 3);

    programmer::fan_shape = 1;
    open_with_shift(KEY_MODE);
    keys({KEY_UP});
    close_with(KEY_ENTER);
    EXPECT_EQ(programmer::fan_shape, 1);
}

// --- global settings ------------------------------------------------------------------

TEST(GlobalSettingsValues, RowTextsAsTheEditorShowsThem) {
    ui::GlobalSettingsCopy copy;
    copy.show_defaults = {1, 0};
    copy.settings[0] = 1;   // row 3 MODE
    copy.settings[1] = 7;   // row 4 VIEWMODE, a stray value
    copy.settings[6] = 1;   // row 9 CUEFADING
    copy.settings[7] = 0;   // row 10 VALUES
    copy.times = {32000, 605, 0, 30000, 599};
    copy.extras = {1, 9, 0, 0, 0};
    struct Case {
        uint8_t row;
        const char* text;
    };
    const Case cases[] = {
        {1, "OFF"}, {2, "ON"}, {3, "CUE"}, {4, "VALUES"}, {5, "OFF"}, {9, "OFF"}, {10, "DIGIT."},
        {20, "ON"}, {21, "infinite"}, {22, " 1m 0.5s"}, {23, " 0m 0.0s"}, {24, "50m 0.0s"}, {25, " 0m59.9s"},
        {26, "DISABLED"},
    };
    for (const Case& c : cases) {
        char text[16]{};
        ui::global_settings_value_text(copy, c.row, text, sizeof text);
        EXPECT_STREQ(text, c.text) << int{c.row};
    }
}

TEST(GlobalSettingsValues, AutomaticMemoryNumbersStepEightTimesBackToOne) {
    ui::GlobalSettingsCopy copy;
    copy.settings[12] = 1;  // row 15
    std::vector<std::string> shown;
    for (int i = 0; i <= 8; ++i) {
        char text[16]{};
        ui::global_settings_value_text(copy, 15, text, sizeof text);
        shown.emplace_back(text);
        ui::change_global_setting(copy, 15);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"1", "501", "1001", "1501", "2001", "2501", "3001", "3501", "1"}));
}

TEST(TimeEntry, CancelKeepsTheTimeAndBeyondFiftyMinutesGivesTheDefault) {
    struct Case {
        uint16_t answer;
        uint16_t current;
        uint8_t kind;
        uint16_t result;
    };
    const Case cases[] = {
        {63000, 77, 2, 77},      // cancelled
        {30000, 5, 2, 30000},    // 50 minutes is accepted
        {30001, 5, 2, 20},       // fade in default
        {32000, 5, 3, 32000},    // delay out default: infinite
        {40000, 5, 1, 0},        // delay in default
        {31000, 5, 5, 32000},    // hold default
        {0, 5, 4, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::time_entry_result(c.answer, c.current, c.kind), c.result) << c.answer << " kind " << int{c.kind};
    }
}

class GlobalSettings : public SettingsEditors {
protected:
    void open() {
        rig.press(KEY_SETUP, 1500);
        rig.press(digit_key(2), 10);
    }
};

TEST_F(GlobalSettings, RowsWrapAndEnterWritesTheSetupFile) {
    datafiles::transp_show_default = 0x0101;
    setup::setup_data.set_u8(0xC364, 0);   // cue tracking NORMAL
    setup::setup_data.set_u8(0xC3A0, 8);   // automatic playback memories from 3501
    open();
    keys({KEY_UP, KEY_EDIT_ITEM});         // row 26: NORMAL -> FULL
    keys({KEY_DOWN, KEY_EDIT_ITEM});       // row 1: playbacks OFF -> ON
    for (int i = 0; i < 14; ++i) keys({KEY_DOWN});
    keys({KEY_EDIT_ITEM});                 // row 15: 8 -> 1
    keys({KEY_ENTER});
    EXPECT_EQ(setup_file_byte(0xC364), 1);
    EXPECT_EQ(setup_file_byte(0xC3A0), 1);
    EXPECT_EQ(datafiles::transp_show_default, 0x0100);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_AUTO_PLAYBACKS, 0u);
    EXPECT_EQ(transp_file_entry(11201), (std::array<uint8_t, 2>{0, 1}));
    EXPECT_EQ(runtime::option_flags & runtime::OPT_SETTINGS_EDITOR, 0u);
}

TEST_F(GlobalSettings, DefaultTimeRowsTakeTheTimeEntry) {
    setup::setup_data.set_u16(setup::kSetupDefaultTimes + 2, 55);  // fade in 5.5 s
    open();
    keys({KEY_UP, KEY_UP, KEY_UP, KEY_UP, KEY_UP});  // row 22: fade in
    keys({KEY_EDIT_ITEM});
    // The time entry asks for the minutes; ENTER on no digits answers the
    // row's default (2.0 s), and the editor's ENTER writes it.
    EXPECT_EQ(ui::current_message(), "EDIT Timing (Minutes)");
    keys({KEY_ENTER});
    keys({KEY_ENTER});
    EXPECT_EQ(setup_file_word(0xC38B), 20);
}

TEST_F(GlobalSettings, EscWritesNothing) {
    const std::vector<uint8_t> before = dir.read_file(kSetupFile);
    const std::vector<uint8_t> transp_before = dir.read_file("data/transp.dat");
    const uint16_t show_default = datafiles::transp_show_default;
    const uint32_t mode_flags = runtime::mode_flags & (runtime::MODE_AUTO_PLAYBACKS | runtime::MODE_AUTO_SEQUENCES);
    open();
    for (int row = 1; row <= 20; ++row) keys({KEY_EDIT_ITEM, KEY_DOWN});
    keys({KEY_ESC});
    EXPECT_EQ(dir.read_file(kSetupFile), before);
    EXPECT_EQ(datafiles::transp_show_default, show_default);
    EXPECT_EQ(runtime::mode_flags & (runtime::MODE_AUTO_PLAYBACKS | runtime::MODE_AUTO_SEQUENCES), mode_flags);
    EXPECT_EQ(dir.read_file("data/transp.dat"), transp_before);
    EXPECT_EQ(runtime::option_flags & runtime::OPT_SETTINGS_EDITOR, 0u);
}

}  // namespace
