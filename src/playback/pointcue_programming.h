// Point-cue records: the store of a point cue with its memory and times, and
// PROGRAM POINTCUE. (Least bodies until the point-cue programming is built:
// they record their arguments.)
#pragma once
#include <cstdint>

namespace playback {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_pointcue_programming_globals();

// Stores the programmer as the point cue's memory, with its default times.
void store_pointcue_with_defaults(int16_t cue, int16_t point, int16_t page);
// PROGRAM POINTCUE on a point of a cue of a page.
void program_pointcue(int16_t mode, int16_t cue, int16_t point, int16_t page);

}  // namespace playback
