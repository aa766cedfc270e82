// Console state: the display mode and the three flag words that every
// subsystem reads, the rest of the console state, and the start-up defaults
// of the console, its faders, playbacks and sequences.
#pragma once
#include <array>
#include <cstdint>

namespace runtime {

// mode_flags bits
constexpr uint32_t MODE_BACKGROUND_READY = 1u << 0;   // the periodic jobs may run
constexpr uint32_t MODE_CUE_SCREEN = 1u << 1;
constexpr uint32_t MODE_PANEL_FIELD = 7u << 2;        // right-panel number 1..5
constexpr uint32_t MODE_PLAYBACK_LABELS = 7u << 5;    // playback label mode 0..2
constexpr uint32_t MODE_BIT8 = 1u << 8;               // point-cue mode
constexpr uint32_t MODE_EVENT_INSERT = 1u << 9;       // timecode events are being inserted
constexpr uint32_t MODE_PANEL_PARAM = 0xFFu << 10;
constexpr uint32_t MODE_IN_SETUP = 1u << 18;          // the fixture setup is open
constexpr uint32_t MODE_TABLE_HALF = 3u << 19;
constexpr uint32_t MODE_SOLO_MEMORY = 1u << 21;
constexpr uint32_t MODE_CHANNEL_PAGE = 3u << 22;
constexpr uint32_t MODE_AUTO_SEQUENCES = 1u << 24;
constexpr uint32_t MODE_AUTO_PLAYBACKS = 1u << 25;
constexpr uint32_t MODE_FIXTURE_STEP = 1u << 26;
constexpr uint32_t MODE_PERCENT = 1u << 27;           // values shown in percent
constexpr uint32_t MODE_CUE_TIMING = 1u << 28;
constexpr uint32_t MODE_TRACKERBALL_PANTILT = 1u << 29;
constexpr uint32_t MODE_EDIT_MODE = 3u << 30;         // 0 absolute, 1 relative, 2 fan

// run_flags bits
constexpr uint32_t RUN_BLIND = 1u << 0;
constexpr uint32_t RUN_EFFECTS_RUNNING = 1u << 1;
constexpr uint32_t RUN_LIVE_EDIT = 1u << 2;         // programmer values go live ("Fixtures Manual")
constexpr uint32_t RUN_COPY_MEMORY_DIALOG = 1u << 3;
constexpr uint32_t RUN_CUE_COPY_DIALOG = 1u << 4;
constexpr uint32_t RUN_BIT5 = 1u << 5;
constexpr uint32_t RUN_BIT6 = 1u << 6;
constexpr uint32_t RUN_THRESHOLD_MODE = 1u << 8;
constexpr uint32_t RUN_BIT9 = 1u << 9;
constexpr uint32_t RUN_FREEZE_SWITCHES = 1u << 14;
constexpr uint32_t RUN_BIT15 = 1u << 15;
constexpr uint32_t RUN_BIT17 = 1u << 17;
constexpr uint32_t RUN_SHOW_FILE_BUSY = 1u << 18;
constexpr uint32_t RUN_CUE_MULTISELECT = 1u << 22;

// option_flags bits
constexpr uint32_t OPT_TIMECODE_SCREEN = 1u << 11;
constexpr uint32_t OPT_ANALOGUE_VIEW = 1u << 15;
constexpr uint32_t OPT_SEQUENCE_PANEL = 1u << 16;
constexpr uint32_t OPT_CUE_PANEL = 1u << 17;
constexpr uint32_t OPT_MEMORY_STATE_SHOWN = 1u << 18;
constexpr uint32_t OPT_SETTINGS_EDITOR = 1u << 19;  // a settings editor owns the lower-left frame
constexpr uint32_t OPT_OUTPUT_VALUES_VIEW = 1u << 20;
constexpr uint32_t OPT_SHOW_START_BITS = (1u << 24) - 1;  // bits 0..23, cleared at every show start

extern uint8_t display_mode;  // 1 mouse, 2 fixture faders, 3 masters, 4 playbacks, 5..8 sequences
extern uint32_t mode_flags;
extern uint32_t run_flags;
extern uint32_t option_flags;

// The rest of the console state, zeroed at every show start together with
// display_mode. (The fan shape, last of the console state, is set by the show
// start itself right after.)
extern int16_t current_fixture;
extern int16_t current_fixture_type;   // 0-based, -1 none
extern int16_t selected_function;
extern int16_t selected_function_type;
extern int16_t function_count;
extern int16_t function_page;          // 1 or 2
extern int16_t fader_bank;             // 0..3
extern int16_t selected_fader_bank0;
extern int16_t selected_fader_bank1;
extern int16_t selected_fader_bank2;
extern int16_t selected_fader_bank3;
extern int16_t macro_mode;
extern int16_t macro_fader;
extern int16_t current_grouping;       // 1..20, 21 none
extern int16_t fixture_page;           // 1..10
extern int16_t group_bank;
extern int16_t cue_screen_page;        // 1..16

// The programmer's setting words 1..4 (index 0 unused) and the belt
// resolution in bits.
constexpr int kProgrammerSettingWords = 4;
extern std::array<int16_t, kProgrammerSettingWords + 1> programmer_settings_words;
extern int16_t belt_resolution;

// The stage plan's rectangle on the screen.
struct StageView {
    int16_t left = 0;
    int16_t top = 0;
    int16_t right = 0;
    int16_t bottom = 0;
};
extern StageView stage_view;

// The wheel state of one fader of a fader bank.
struct WheelState {
    int16_t raw = 0;                  // value in its own units
    int16_t value = 0;                // fader value 0..255
    uint8_t shown = 0;                // widget position last written
    std::array<char, 9> label{};      // predefined-entry text last written
    int16_t fine = 0;                 // sub-step remainder of the belts
};

constexpr int kFunctionWheels = 32;
constexpr int kGeneratorWheels = 6;
constexpr int kFigureWheels = 10;
constexpr int kMacroWheels = 7;

// The wheel states of the four fader banks, each 1-based.
struct WheelStates {
    std::array<WheelState, kFunctionWheels + 1> functions{};
    std::array<WheelState, kGeneratorWheels + 1> generator_params{};
    std::array<WheelState, kFigureWheels + 1> figure_params{};
    std::array<WheelState, kMacroWheels + 1> macro_faders{};
};
extern WheelStates wheel_states;

// Show start: the console state and flag words, the programmer settings and
// the screen layout (set_screen_layout also runs when the fixture setup
// opens and closes).
void init_console_state();
void clear_console_state_flags();
void init_programmer_settings();
void set_screen_layout();

// Show start: the wheel states, the master and playback fader widgets with
// their records, and the four live sequences.
void reset_wheel_states();
void init_master_fader_widgets();
void init_playback_fader_widgets();
void init_sequence_records();

}  // namespace runtime
