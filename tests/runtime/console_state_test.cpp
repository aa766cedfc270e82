// The console state at show start, and the start-up state of the masters,
// playbacks and sequences with their fader widgets.
#include "runtime/console_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "datafiles/data_files.h"
#include "memories/master_state.h"
#include "platform/machine.h"
#include "playback/playback_state.h"
#include "playback/playback_wing.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "setup/dmx_inputs.h"
#include "ui/fader_widget.h"

namespace {

class ConsoleState : public ::testing::Test {
protected:
    void SetUp() override { platform::install_machine(machine_.get()); }
    void TearDown() override { platform::install_machine(nullptr); }

    // A console card at C800h, so that the console displays can be read.
    void fit_console_card() {
        machine_->cards.fit(0);
        bool carry = false;
        runtime::console_card_selector = platform::dpmi_segment_to_selector(0xC800, carry);
        ASSERT_FALSE(carry);
    }
    std::string lcd_line(int display, int line) { return machine_->cards.lcd_line(0, display, line); }

private:
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

std::string text_of(const std::array<char, ui::kFaderLabelBytes>& label) { return std::string(label.data()); }

// --- console state --------------------------------------------------------------

TEST_F(ConsoleState, ShowStartDefaults) {
    runtime::display_mode = 7;
    runtime::mode_flags = 0xFFFFFFFFu;
    runtime::run_flags = 0xFFFFFFFFu;
    runtime::option_flags = 0xFFFFFFFFu;
    runtime::current_fixture = 12;
    runtime::fader_bank = 3;
    runtime::macro_mode = 1;

    runtime::init_console_state();
    runtime::clear_console_state_flags();

    EXPECT_EQ(runtime::display_mode, 2);
    EXPECT_EQ(runtime::mode_flags, 0x53484C05u);
    EXPECT_EQ((runtime::mode_flags & runtime::MODE_PANEL_PARAM) >> 10, 19u);
    EXPECT_EQ((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> 2, 1u);
    EXPECT_EQ((runtime::mode_flags & runtime::MODE_EDIT_MODE) >> 30, 1u);  // relative
    EXPECT_EQ(runtime::mode_flags & (runtime::MODE_POINT_CUE_KEYS | runtime::MODE_EVENT_INSERT), 0u);
    EXPECT_EQ(runtime::run_flags, runtime::RUN_EFFECTS_RUNNING);
    EXPECT_EQ(runtime::option_flags, 0xFF000000u);  // bits 0-23 cleared, the rest kept
    EXPECT_EQ(runtime::cue_screen_page, 1);
    EXPECT_EQ(runtime::fixture_page, 1);
    EXPECT_EQ(runtime::group_bank, 1);
    EXPECT_EQ(runtime::current_fixture, 0);
    EXPECT_EQ(runtime::fader_bank, 0);
    EXPECT_EQ(runtime::macro_mode, 0);
}

TEST_F(ConsoleState, ProgrammerSettingsKeepTheWordsNotNamed) {
    runtime::programmer_settings_words = {0, 9, 9, 9, 9};
    runtime::belt_resolution = 16;
    runtime::init_programmer_settings();
    EXPECT_EQ(runtime::programmer_settings_words[1], 1);
    EXPECT_EQ(runtime::programmer_settings_words[2], 9);
    EXPECT_EQ(runtime::programmer_settings_words[3], 64);
    EXPECT_EQ(runtime::programmer_settings_words[4], 0);
    EXPECT_EQ(runtime::belt_resolution, 10);
}

TEST_F(ConsoleState, StageViewFollowsTheFixtureSetup) {
    runtime::mode_flags = 0;
    runtime::set_screen_layout();
    EXPECT_EQ(runtime::stage_view.left, 230);
    EXPECT_EQ(runtime::stage_view.top, 250);
    EXPECT_EQ(runtime::stage_view.right, 630);
    EXPECT_EQ(runtime::stage_view.bottom, 475);
    runtime::mode_flags = runtime::MODE_IN_SETUP;
    runtime::set_screen_layout();
    EXPECT_EQ(runtime::stage_view.left, 116);
    EXPECT_EQ(runtime::stage_view.top, 200);
    EXPECT_EQ(runtime::stage_view.right, 464);
    EXPECT_EQ(runtime::stage_view.bottom, 425);
}

TEST_F(ConsoleState, WheelStatesOfAllFourBanksAreZeroed) {
    runtime::wheel_states.functions[32].value = 200;
    runtime::wheel_states.functions[1].label[0] = 'X';
    runtime::wheel_states.generator_params[6].raw = 50;
    runtime::wheel_states.figure_params[10].fine = -3;
    runtime::wheel_states.macro_faders[7].shown = 85;
    runtime::reset_wheel_states();
    EXPECT_EQ(runtime::wheel_states.functions[32].value, 0);
    EXPECT_EQ(runtime::wheel_states.functions[1].label[0], '\0');
    EXPECT_EQ(runtime::wheel_states.generator_params[6].raw, 0);
    EXPECT_EQ(runtime::wheel_states.figure_params[10].fine, 0);
    EXPECT_EQ(runtime::wheel_states.macro_faders[7].shown, 0);
}

// --- masters --------------------------------------------------------------------

TEST_F(ConsoleState, MastersStartAtFullUnlessAFaderOrDmxInput1SetsThem) {
    struct Case {
        uint8_t analogue_masters;
        uint8_t dmx_in1_enabled;
        int16_t dmx_in1_start;
        int16_t set_level;
    };
    const Case cases[] = {
        {0, 0, 0, 255},    // no analogue masters, DMX input 1 off and without a start address
        {0, 0, 1, 255},    // DMX input 1 off, whatever start address is stored
        {0, 0, 100, 255},
        {0, 0, 496, 255},
        {0, 2, 100, 255},  // an enable byte other than 1 is not on
        {0, 1, 0, 255},    // on, but no start address
        {0, 1, 497, 255},  // on, at a start address beyond 496
        {0, 1, 1, 0},
        {0, 1, 100, 0},
        {0, 1, 496, 0},
        {1, 0, 0, 0},
        {1, 0, 100, 0},
        {1, 1, 100, 0},
        {1, 1, 497, 0},
    };
    for (const Case& c : cases) {
        runtime::hw_option_flags.analogue_masters = c.analogue_masters;
        setup::dmx_in1_enabled = c.dmx_in1_enabled;
        setup::dmx_in1_start = c.dmx_in1_start;
        memories::master_set_levels.fill(77);
        runtime::init_master_fader_widgets();
        for (int m = 1; m <= 4; ++m) {
            EXPECT_EQ(memories::master_set_levels[static_cast<size_t>(m)], c.set_level)
                << "analogue " << int{c.analogue_masters} << ", DMX input 1 enable " << int{c.dmx_in1_enabled}
                << ", start " << c.dmx_in1_start << ", master " << m;
        }
    }
}

TEST_F(ConsoleState, MasterRecordsAndSelectionAreCleared) {
    memories::selected_master = 3;
    memories::master_selection[4] = 1;
    memories::master_records[2].value = 120;
    memories::master_records[2].direction = 1;
    memories::master_timecode_flash[1] = 1;
    memories::master_levels[4] = 200;
    runtime::init_master_fader_widgets();
    EXPECT_EQ(memories::selected_master, 1);
    EXPECT_EQ(memories::master_selection[4], 0);
    EXPECT_EQ(memories::master_records[2].value, 0);
    EXPECT_EQ(memories::master_records[2].direction, 0);
    EXPECT_EQ(memories::master_timecode_flash[1], 0);
    EXPECT_EQ(memories::master_levels[4], 0);
}

TEST_F(ConsoleState, MasterWidgetsArePlacedColouredAndLabelled) {
    struct Expected {
        int16_t x;
        int16_t bar_colour;
        const char* label;
    };
    const Expected expected[] = {{260, 4, "GRAND"}, {285, 2, "FLASH"}, {310, 14, "SUB1"}, {335, 14, "SUB2"}};
    runtime::init_master_fader_widgets();
    for (int m = 1; m <= 4; ++m) {
        const ui::FaderWidget& w = ui::master_fader_widgets[static_cast<size_t>(m)];
        const Expected& e = expected[m - 1];
        EXPECT_EQ(w.x, e.x) << m;
        EXPECT_EQ(w.y, 124);
        EXPECT_EQ(w.width, 22);
        EXPECT_EQ(w.height, 115);
        EXPECT_EQ(w.bar_width, 7);
        // Hidden until the main screen shows it: the colours, number and
        // label wait in the saved copies.
        EXPECT_EQ(w.shown, 0);
        EXPECT_EQ(w.full_redraw_pending, 1);
        EXPECT_EQ(w.saved_frame_colour, 14);
        EXPECT_EQ(w.saved_label_background_colour, 8);
        EXPECT_EQ(w.saved_label_colour, 15);
        EXPECT_EQ(w.saved_number_colour, 10);
        EXPECT_EQ(w.saved_strip_colour, 8);
        EXPECT_EQ(w.saved_bar_background_colour, 0);
        EXPECT_EQ(w.saved_bar_colour, e.bar_colour);
        EXPECT_EQ(w.saved_number, -1);
        EXPECT_EQ(text_of(w.saved_label), e.label);
        EXPECT_EQ(w.saved_level, 0);
        EXPECT_EQ(w.label_mode, 1);
        EXPECT_EQ(w.label_option, 0);
    }
}

// --- playbacks ------------------------------------------------------------------

TEST_F(ConsoleState, PlaybackWidgetsSitOnThreePanels) {
    struct Case {
        int playback;
        int16_t x;
        int16_t y;
    };
    // Three rows down the analogue fader view: beside the masters, then two
    // full rows, the last ending inside the view's bottom line (y 479).
    const Case cases[] = {{1, 385, 124}, {10, 610, 124}, {11, 235, 243}, {26, 610, 243}, {27, 235, 362}, {42, 610, 362}};
    runtime::init_playback_fader_widgets();
    for (const Case& c : cases) {
        const ui::FaderWidget& w = ui::playback_fader_widgets[static_cast<size_t>(c.playback)];
        EXPECT_EQ(w.x, c.x) << c.playback;
        EXPECT_EQ(w.y, c.y) << c.playback;
        EXPECT_EQ(w.width, 22);
        EXPECT_EQ(w.height, 115);
        EXPECT_EQ(w.bar_width, 7);
        EXPECT_EQ(w.saved_number, c.playback);
        EXPECT_EQ(text_of(w.saved_label), "");
        EXPECT_EQ(w.saved_frame_colour, 10);
        EXPECT_EQ(w.saved_label_background_colour, 8);
        EXPECT_EQ(w.saved_label_colour, 15);
        EXPECT_EQ(w.saved_number_colour, 10);
        EXPECT_EQ(w.saved_strip_colour, 8);
        EXPECT_EQ(w.saved_bar_background_colour, 0);
        EXPECT_EQ(w.saved_bar_colour, 4);
        EXPECT_EQ(w.label_mode, 0);
        EXPECT_EQ(w.label_option, 1);
    }
}

TEST_F(ConsoleState, PlaybackAreaIsClearedAndTheWingShowsEmptyLines) {
    fit_console_card();
    playback::playback_table[43].memory = 12;
    playback::playback_table[5].flags = 1;
    playback::playback_midi_codes[7].words[0] = 0x90;
    playback::playback_active[42] = 1;
    playback::selected_playback = 30;
    playback::playback_fader_states[11].value = 99;
    playback::playback_timecode_flash[11] = 1;
    playback::wing_bank = 1;

    runtime::init_playback_fader_widgets();

    EXPECT_EQ(playback::playback_table[43].memory, 0);
    EXPECT_EQ(playback::playback_table[5].flags, 0);
    EXPECT_EQ(playback::playback_midi_codes[7].words[0], 0);
    EXPECT_EQ(playback::playback_active[42], 0);
    EXPECT_EQ(playback::selected_playback, 1);
    EXPECT_EQ(playback::playback_fader_states[11].value, 0);
    EXPECT_EQ(playback::playback_timecode_flash[11], 0);
    EXPECT_EQ(playback::wing_bank, 0);
    EXPECT_EQ(runtime::key_led_cache[374], 1);
    EXPECT_EQ(runtime::key_led_cache[375], 0);
    EXPECT_STREQ(playback::wing_lcd_texts[1].data(), " 1 -----------------");
    EXPECT_STREQ(playback::wing_lcd_texts[32].data(), "32 -----------------");
    // Names 1..16 on the playback name displays 5..8, four to a display.
    EXPECT_EQ(lcd_line(5, 0), " 1 -----------------");
    EXPECT_EQ(lcd_line(8, 3), "16 -----------------");
}

TEST_F(ConsoleState, FollowSettingsOfTheShowSetTheAutoModes) {
    struct Case {
        uint16_t show_default;  // low byte playbacks, high byte sequences
        bool auto_playbacks;
        bool auto_sequences;
    };
    const Case cases[] = {{0x0101, true, true}, {0x0000, false, false}, {0x0201, true, false}, {0x0102, false, true}};
    for (const Case& c : cases) {
        datafiles::transp_show_default = c.show_default;
        // Each bit starts opposite to what the show asks for.
        runtime::mode_flags = (c.auto_playbacks ? 0u : runtime::MODE_AUTO_PLAYBACKS) |
                              (c.auto_sequences ? 0u : runtime::MODE_AUTO_SEQUENCES);
        runtime::init_playback_fader_widgets();
        runtime::init_sequence_records();
        EXPECT_EQ((runtime::mode_flags & runtime::MODE_AUTO_PLAYBACKS) != 0, c.auto_playbacks) << c.show_default;
        EXPECT_EQ((runtime::mode_flags & runtime::MODE_AUTO_SEQUENCES) != 0, c.auto_sequences) << c.show_default;
    }
}

// --- sequences ------------------------------------------------------------------

TEST_F(ConsoleState, SequencesStartEmptyWithInfiniteLoops) {
    for (int s = 1; s <= 4; ++s) {
        playback::SequenceRecord& record = playback::sequence_table[static_cast<size_t>(s)];
        record.flags = 1;
        record.start_memory = 12;
        record.mode = 1;
        record.loop_count = 3;
        playback::sequence_crossfade[static_cast<size_t>(s)] = {1, 1000, 64535};
        playback::sequence_selected_control[static_cast<size_t>(s)] = 3;
    }
    runtime::init_sequence_records();
    for (int s = 1; s <= 4; ++s) {
        const auto i = static_cast<size_t>(s);
        const playback::SequenceRecord& record = playback::sequence_table[i];
        EXPECT_EQ(record.flags, 0) << s;
        EXPECT_EQ(record.start_memory, 0);
        EXPECT_EQ(record.mode, 0);
        EXPECT_EQ(record.loop_count, 1001);
        EXPECT_EQ(playback::sequence_crossfade[i].running, 0);
        EXPECT_EQ(playback::sequence_crossfade[i].progress, 0u);
        EXPECT_EQ(playback::sequence_crossfade[i].inverse_progress, 65535u);
        EXPECT_EQ(playback::sequence_selected_control[i], 2);
    }
}

}  // namespace
