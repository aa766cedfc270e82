#include "runtime/console_state.h"

#include <cstdio>

#include "datafiles/data_files.h"
#include "memories/master_state.h"
#include "playback/playback_state.h"
#include "playback/playback_wing.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "setup/dmx_inputs.h"
#include "ui/fader_widget.h"

namespace runtime {

uint8_t display_mode = 0;
uint32_t mode_flags = 0;
uint32_t run_flags = 0;
uint32_t option_flags = 0;

int16_t current_fixture = 0;
int16_t current_fixture_type = 0;
int16_t selected_function = 0;
int16_t selected_function_type = 0;
int16_t function_count = 0;
int16_t function_page = 0;
int16_t fader_bank = 0;
int16_t selected_fader_bank0 = 0;
int16_t selected_fader_bank1 = 0;
int16_t selected_fader_bank2 = 0;
int16_t selected_fader_bank3 = 0;
int16_t macro_mode = 0;
int16_t macro_fader = 0;
int16_t current_grouping = 0;
int16_t fixture_page = 0;
int16_t group_bank = 0;
int16_t cue_screen_page = 0;

std::array<int16_t, kProgrammerSettingWords + 1> programmer_settings_words{};
int16_t belt_resolution = 0;
StageView stage_view{};
WheelStates wheel_states{};

namespace {

// No current fixture, function, fader bank, macro, grouping or page.
void clear_selection_state() {
    current_fixture = 0;
    current_fixture_type = 0;
    selected_function = 0;
    selected_function_type = 0;
    function_count = 0;
    function_page = 0;
    fader_bank = 0;
    selected_fader_bank0 = 0;
    selected_fader_bank1 = 0;
    selected_fader_bank2 = 0;
    selected_fader_bank3 = 0;
    macro_mode = 0;
    macro_fader = 0;
    current_grouping = 0;
    fixture_page = 0;
    group_bank = 0;
}

}  // namespace

void reset_console_state_globals() {
    display_mode = 0;
    mode_flags = 0;
    run_flags = 0;
    option_flags = 0;
    clear_selection_state();
    cue_screen_page = 0;
    programmer_settings_words = {};
    belt_resolution = 0;
    stage_view = {};
    wheel_states = {};
}

namespace {

// mode_flags fields at show start
constexpr uint32_t kPanelFieldShift = 2;
constexpr uint32_t kPanelParamLowShift = 10;   // bits 10-13
constexpr uint32_t kPanelParamHighShift = 14;  // bits 14-17
constexpr uint32_t kTableHalfShift = 19;
constexpr uint32_t kChannelPageShift = 22;
constexpr uint32_t kEditModeShift = 30;
constexpr uint32_t kEditModeRelative = 1;

constexpr StageView kStageViewMain = {230, 250, 630, 475};
constexpr StageView kStageViewSetup = {116, 200, 464, 425};

constexpr int16_t kBeltResolutionBits = 10;
constexpr int16_t kFanSettingWord = 64;

// Master widgets: bar colours and labels of GRAND, FLASH, SUB1, SUB2.
constexpr std::array<int16_t, memories::kMasters + 1> kMasterBarColours = {0, 4, 2, 14, 14};
constexpr std::array<const char*, memories::kMasters + 1> kMasterLabels = {"", "GRAND", "FLASH", "SUB1", "SUB2"};
constexpr int16_t kFaderWidgetWidth = 22;
constexpr int16_t kFaderWidgetHeight = 115;
constexpr int16_t kFaderBarWidth = 7;
constexpr int16_t kMasterWidgetTop = 124;
constexpr int16_t kFullLevel = 255;
constexpr int16_t kLastDmxIn1Start = 496;  // the block's 18 channels still fit the 512

constexpr int kConsoleNamePlaybacks = 16;
constexpr uint8_t kFadeTimeControl = 2;

// Screen x of playback p's widget: three rows of panels side by side.
int16_t playback_widget_x(int p) {
    if (p <= 10) return static_cast<int16_t>(25 * p + 360);
    if (p <= 26) return static_cast<int16_t>(25 * p - 40);
    return static_cast<int16_t>(25 * p - 440);
}

// Screen y of playback p's widget: playbacks 1..10 beside the masters, then
// one row each for 11..26 and 27..42, three pixels apart, the last ending
// just inside the analogue fader view's bottom line (y 479). (A single row at
// the top would lie over the control channel faders, with the three rows on
// top of one another.)
constexpr int16_t kPlaybackRowStep = kFaderWidgetHeight + 4;
constexpr int16_t kPlaybackRowTops[] = {kMasterWidgetTop, kMasterWidgetTop + kPlaybackRowStep,
                                        kMasterWidgetTop + 2 * kPlaybackRowStep};
int16_t playback_widget_y(int p) {
    if (p <= 10) return kPlaybackRowTops[0];
    if (p <= 26) return kPlaybackRowTops[1];
    return kPlaybackRowTops[2];
}

void set_mode_flag(uint32_t bit, bool on) { mode_flags = on ? (mode_flags | bit) : (mode_flags & ~bit); }

// The show-wide follow settings (1 = OFF in the transparency file's last entry).
bool playback_follow_setting() { return (datafiles::transp_show_default & 1u) != 0; }
bool sequence_follow_setting() { return ((datafiles::transp_show_default >> 8) & 1u) != 0; }

// DMX input 1 sets the masters while it is switched on with a start address
// whose block fits the input, as the key reader takes it for the remote cue.
bool dmx_in1_drives_masters() {
    return setup::dmx_in1_enabled == 1 && setup::dmx_in1_start >= 1 && setup::dmx_in1_start <= kLastDmxIn1Start;
}

void clear_wheel_bank(auto& bank) { bank.fill(WheelState{}); }

}  // namespace

void init_console_state() {
    display_mode = 0;
    clear_selection_state();

    display_mode = 2;
    mode_flags = MODE_BACKGROUND_READY | (1u << kPanelFieldShift) | (3u << kPanelParamLowShift) |
                 (1u << kPanelParamHighShift) | (1u << kTableHalfShift) | (1u << kChannelPageShift) |
                 MODE_AUTO_SEQUENCES | MODE_AUTO_PLAYBACKS | MODE_CUE_TIMING | (kEditModeRelative << kEditModeShift);
    run_flags = RUN_EFFECTS_RUNNING;
    cue_screen_page = 1;
    fixture_page = 1;
    group_bank = 1;
}

void clear_console_state_flags() {
    mode_flags &= ~(MODE_POINT_CUE_KEYS | MODE_EVENT_INSERT);
    option_flags &= ~OPT_OUTPUT_VALUES_VIEW;
    option_flags &= ~OPT_SHOW_START_BITS;
}

void init_programmer_settings() {
    programmer_settings_words[1] = 1;
    belt_resolution = kBeltResolutionBits;
    programmer_settings_words[3] = kFanSettingWord;
    programmer_settings_words[4] = 0;
}

void set_screen_layout() { stage_view = (mode_flags & MODE_IN_SETUP) != 0 ? kStageViewSetup : kStageViewMain; }

void reset_wheel_states() {
    clear_wheel_bank(wheel_states.functions);
    clear_wheel_bank(wheel_states.generator_params);
    clear_wheel_bank(wheel_states.figure_params);
    clear_wheel_bank(wheel_states.macro_faders);
}

void init_master_fader_widgets() {
    memories::master_selection.fill(0);
    memories::selected_master = 1;
    memories::master_records.fill(memories::MasterFaderRecord{});
    memories::master_set_levels.fill(0);
    memories::master_timecode_flash.fill(0);
    memories::master_timecode_remaining_s.fill(0.0);
    memories::master_levels.fill(0);
    const bool level_from_screen = hw_option_flags.analogue_masters == 0 && !dmx_in1_drives_masters();
    for (int m = 1; m <= memories::kMasters; ++m) {
        const auto i = static_cast<size_t>(m);
        if (level_from_screen) memories::master_set_levels[i] = kFullLevel;
        ui::FaderWidget& widget = ui::master_fader_widgets[i];
        ui::set_fader_widget_colours(widget, 14, 8, 15, 10, 8, 0, kMasterBarColours[i]);
        ui::set_fader_widget_geometry(widget, static_cast<int16_t>(25 * m + 235), kMasterWidgetTop,
                                      kFaderWidgetWidth, kFaderWidgetHeight);
        ui::set_fader_widget_bar_width(widget, kFaderBarWidth);
        ui::set_fader_widget_number(widget, -1);
        ui::set_fader_widget_label(widget, kMasterLabels[i]);
        ui::set_fader_widget_level(widget, 0);
        ui::set_fader_widget_label_mode(widget, 1);
        ui::set_fader_widget_option(widget, 0);
    }
}

void init_playback_fader_widgets() {
    set_mode_flag(MODE_AUTO_PLAYBACKS, playback_follow_setting());
    playback::playback_table.fill(playback::PlaybackRecord{});
    playback::playback_midi_codes.fill(playback::MidiCode{});
    playback::playback_active.fill(0);
    playback::selected_playback = 1;
    playback::playback_fader_states.fill(playback::PlaybackFaderRecord{});
    playback::playback_timecode_flash.fill(0);
    playback::playback_timecode_remaining_s.fill(0.0);
    for (auto& text : playback::wing_lcd_texts) text.fill('\0');
    playback::wing_bank = 0;
    set_key_led(KEY_WING_BANK_1, LED_ON);
    set_key_led(KEY_WING_BANK_2, LED_OFF);

    for (int line = 1; line <= playback::kWingLcdLines; ++line) {
        std::array<char, playback::kWingLcdTextBytes> text{};
        std::snprintf(text.data(), text.size(), "%2d -----------------", line);
        playback::set_wing_lcd_text(static_cast<int16_t>(line), text.data());
    }
    for (int p = 1; p <= kConsoleNamePlaybacks; ++p) show_playback_name(static_cast<int16_t>(p));

    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        ui::FaderWidget& widget = ui::playback_fader_widgets[static_cast<size_t>(p)];
        ui::set_fader_widget_colours(widget, 10, 8, 15, 10, 8, 0, 4);
        ui::set_fader_widget_geometry(widget, playback_widget_x(p), playback_widget_y(p), kFaderWidgetWidth,
                                      kFaderWidgetHeight);
        ui::set_fader_widget_bar_width(widget, kFaderBarWidth);
        ui::set_fader_widget_number(widget, static_cast<int16_t>(p));
        ui::set_fader_widget_label(widget, "");
        ui::set_fader_widget_level(widget, 0);
        ui::set_fader_widget_label_mode(widget, 0);
        ui::set_fader_widget_option(widget, 1);
    }
}

void init_sequence_records() {
    set_mode_flag(MODE_AUTO_SEQUENCES, sequence_follow_setting());
    playback::sequence_table.fill(playback::SequenceRecord{});
    playback::sequence_crossfade.fill(playback::SequenceCrossfade{});
    playback::sequence_selected_control.fill(0);
    for (int s = 1; s <= playback::kSequences; ++s) {
        const auto i = static_cast<size_t>(s);
        playback::sequence_table[i].loop_count = playback::kInfiniteLoops;
        playback::sequence_crossfade[i].progress = 0;
        playback::sequence_crossfade[i].inverse_progress = 65535;
        playback::sequence_selected_control[i] = kFadeTimeControl;
    }
}

}  // namespace runtime
