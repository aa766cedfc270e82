// Sub-function value mapping: a function whose DMX range the type divides
// into sub-functions (value ranges with gaps between them) is shown and
// edited on a gap-free fader scale 0..255, where every position belongs to
// one sub-function and each gap is shared out between its two neighbours.
#pragma once
#include <array>
#include <cstdint>

#include "setup/fixture_type.h"

namespace programmer {

// First and last fader position of sub-function k (1..10) of library
// function f (1..32) of type 1..40 of the show; 0-based index 0 unused.
using SubFunctionPositions =
    std::array<std::array<std::array<uint8_t, setup::kSubFunctions + 1>, setup::kMaxTypeChannels + 1>,
               setup::kMaxFixtureTypes + 1>;
extern SubFunctionPositions subfunction_low_positions;
extern SubFunctionPositions subfunction_high_positions;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_value_mapping_globals();

// Fills both tables for every loaded type of the show and every library
// function up to the type's channel count (show start, after the types load).
void init_subfunction_ranges();

// DMX value v of library function f of type index t (0-based) as a fader
// position, and back. A function without sub-functions, an unloaded type or
// a function outside 1..32 gives 0.
uint8_t map_value_to_fader(int type_index, int function, uint8_t value);
uint8_t map_fader_to_value(int type_index, int function, uint8_t position);

// The predefined entry (1..35) of library function f of the current fixture
// type whose range holds v: the last entry whose value is not above v. 1
// without a current type.
int find_predefined_entry(int function, int16_t value);

// A percentage 0..100 as a DMX level 0..255: p * 2.55 rounded up, in whole
// numbers (1 % gives 3, 50 % gives 128, 100 % gives 255). Rounding up makes
// the level shown back in percent (level * 100 / 255, truncated) the
// percentage typed. Every command that takes a level in percent uses it.
uint8_t percent_to_level(int percent);

}  // namespace programmer
