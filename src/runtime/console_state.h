// Console state: the display mode and the three flag words that every
// subsystem reads (their bits in console_flags.h), the rest of the console
// state, and the start-up defaults of the console, its faders, playbacks and
// sequences.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/console_flags.h"

namespace runtime {

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
