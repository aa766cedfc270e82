// The effect macros: the 70 recipes of datafiles::effect_macro_table put on
// the selected fixtures. A macro names functions (DIMMER, IRIS, RED ...
// EFFECTPAR2) and gives each a level and the six generator parameters, and
// pan and tilt a figure; every channel of a selected fixture takes the first
// enabled block that matches its function, and its set words go into the
// programmer through the value, generator and figure setters.
//
// On the fixtures that carry the current fixture's macro, WAVE staggers the
// DELAY phases, STEP-LOOP makes the subgroups take turns (DELAY, SHIFT,
// WAIT), both in the order of the current grouping's subgroups (fixture
// order without one), and reapply_macro sets one tuning parameter (SWING,
// SPEED, MODE or WAIT) from a macro fader. Per fixture macro_states keeps
// the macro applied and the macro faders' states, which the macro panel
// shows.
#pragma once
#include <array>
#include <cstdint>

#include "programmer/commands.h"

namespace programmer {

constexpr int kMacroFaderCount = 7;
constexpr int kMacroCount = 70;
constexpr int kSpreadChoices = 35;     // choices 1..35 in order, 36..70 the same in random order
constexpr int kDelaySpan = 170;        // DELAY offsets are 170ths of a period
constexpr int16_t kMacroWordUnset = -1;

// The macro fader entries of macro_states.
enum MacroFader : int {
    kMacroNumber = 1, kMacroSwing, kMacroSpeed, kMacroMode, kMacroWave, kMacroStep, kMacroWait
};

// The largest state of macro fader 1..7 (index 0 unused).
constexpr std::array<uint8_t, kMacroFaderCount + 1> macro_fader_limits = {0, 70, 170, 170, 170, 70, 70, 170};

// [fixture 1..700][macro fader 1..7]: 1 the macro applied (0 none), 2 to 4
// and 7 the SWING, SPEED, MODE and WAIT states, 5 and 6 the WAVE and
// STEP-LOOP choices last applied. Zeroed at every show start.
extern std::array<std::array<uint8_t, kMacroFaderCount + 1>, kFixtures + 1> macro_states;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_effect_macros_globals();
// Show start: no fixture carries a macro.
void clear_macro_states();

// Macro m (1..70) on every selected fixture, recorded as the fixture's macro
// also where no block matched. An unknown or empty macro does nothing.
void apply_macro(int16_t macro);
// WAVE choice w (1..70) and STEP-LOOP choice s (1..70) on the selected
// fixtures that carry the current fixture's macro.
void apply_macro_wave(int16_t wave);
void apply_macro_step(int16_t step);
// Macro fader k (2 SWING, 3 SPEED, 4 MODE, 7 WAIT) at fader value v
// (0..255), re-applied to the same fixtures.
void reapply_macro(int16_t fader, int16_t value);

// The set words of one function block (level, SWING .. WAIT) on channel
// 1..32 of fixture f, and of a FIGURE block (pan, tilt, X-SWING .. WAIT) on
// fixture f. A word outside its range, -1 included, is skipped.
void store_macro_block(int16_t fixture, int16_t channel, const int16_t* block);
void store_macro_pantilt_block(int16_t fixture, const int16_t* block);

// The offsets of a WAVE choice: entries 0..n-1 (n = ((w - 1) mod 35) + 1)
// with offset (i - 1) * (170 div n) for entry i, shuffled for choices 36..70.
struct WaveSpread {
    int count = 0;
    std::array<int16_t, kSpreadChoices> offsets{};
};
WaveSpread build_wave_spread(int16_t wave);

// The turns of a STEP-LOOP choice with a step of loop_effect quarter
// periods (0 taken as 4): entry i starts (i - 1) steps after the first,
// as a DELAY within the period and whole periods of SHIFT; one WAIT, the
// rest of the cycle in quarter periods.
struct StepSpread {
    int count = 0;
    std::array<int16_t, kSpreadChoices> delays{};
    std::array<int16_t, kSpreadChoices> shifts{};
    int wait = 0;
};
StepSpread build_step_spread(int16_t step, uint8_t loop_effect);

}  // namespace programmer
