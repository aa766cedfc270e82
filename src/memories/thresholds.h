// Thresholds 1..70: per function record a start level that a playback (or
// sequence step) naming the threshold lets its channel pass before the
// channel takes part in the crossfade. This module programs them: the
// THRESHOLDS screen, the programming loop with the wheels or a typed
// percentage, the store (whole-percent grid, the pan/tilt rule), the names,
// and the grid and names-list painters the playback dialogs share.
//
// The tables and names are the threshold file's (datafiles/threshold_file.h);
// the threshold being programmed is runtime::threshold_levels, which the
// function faders and the value table show while RUN_THRESHOLD_MODE is set.
#pragma once
#include <array>
#include <cstdint>

#include "setup/fixture_type.h"

namespace memories {

constexpr int kThresholdCount = 70;
// Threshold names: at most 19 characters in the 21-byte field.
constexpr int kThresholdNameChars = 19;

// The functions selected for the threshold being programmed: per type index
// 0..39 and library function 0..31, 1 when selected.
using ThresholdFunctionMarks =
    std::array<std::array<uint8_t, setup::kMaxTypeChannels>, setup::kMaxFixtureTypes>;
extern ThresholdFunctionMarks threshold_function_marks;
// Whether channel n of the current type is marked for the threshold being programmed.
bool threshold_channel_marked(int n);
// The names list and the grid, drawn once and kept as pictures.
extern uint8_t* threshold_grid_picture;
extern uint8_t* threshold_list_picture;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_thresholds_globals();

// A level 0..255 on the whole-percent grid: p = trunc(b / 2.55), then
// trunc(ceil(p * 2.55)) (2 gives 0, 128 and 255 stay).
uint8_t quantise_threshold_level(int level);
// A whole percentage 0..100 as a level: trunc(ceil(p * 2.55)) (1 % is 3).
uint8_t threshold_percent_level(int percent);

// The THRESHOLDS screen and the names editor are run_threshold_screen and
// edit_threshold_names (memory_editors.h); the wheel handler and the names
// list are decrease_function_level, redraw_thresholds and mark_threshold_cell
// (commands.h).
// Programs threshold t (1..70): ESC leaves the table as it was, THRESHOLD stores.
void program_threshold(int16_t threshold);
// The typed percentage for the selected functions (EDIT VALUE in program_threshold).
void select_threshold_functions(int16_t threshold);
// Stores the work table as threshold t: quantised, the pan/tilt rule applied,
// saved, named when unnamed, its playbacks reloaded. A table left all zero
// is freed. False when memory ran out ("NOT ENOUGH MEMORY"; nothing stored).
bool store_threshold(int16_t threshold);

// The 70-cell grid, one cell highlighted (old repainted; 0 none), one cell
// repainted as programmed or not.
void draw_threshold_grid();
void select_threshold_cell(int16_t threshold, int16_t old_threshold);
void mark_threshold_grid_cell(int16_t threshold);

}  // namespace memories
