// The timing bank of the fader panel: the five times of the selected channel
// per timing group. (Least bodies until the function timings are built.)
#pragma once
#include <array>
#include <cstdint>

namespace programmer {

// Bytes 0..2: timing groups 1..3 (0 absent, else 1 or 2); byte 3: the active
// group 1..3 whose times the faders show (0 none).
constexpr int kTimingGroups = 3;
constexpr int kActiveTimingGroup = 3;
extern std::array<uint8_t, kTimingGroups + 1> timing_group_flags;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_function_timings_globals();

// Places the 16 function fader widgets narrow (wide 0) or wide (wide 1)
// and sets or clears RUN_TIMINGS_DISPLAY.
void lay_out_fader_panel(uint8_t wide);
// The times of the active group of the selected channel into the timing faders.
void load_times_to_faders();
// The group legend of the timing bank.
void show_timing_group_labels();
// EDIT VALUE on a time fader: the minutes, seconds and milliseconds entry.
void edit_fader_timing_value();

}  // namespace programmer
