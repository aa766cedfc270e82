// The masters' show state beside their fader records (master_faders.h): the
// level set on screen, the timecode flash and its remaining time, the
// effective level and the master selection, numbered 1 to 4 (index 0 unused).
#pragma once
#include <array>
#include <cstdint>

#include "memories/master_faders.h"

namespace memories {

// Level given with the trackerball or the screen while the console has no
// analogue master faders; 255 at show start when nothing else sets it.
extern std::array<int16_t, kMasters + 1> master_set_levels;
// 1 while a timecode flash event holds the master at full.
extern std::array<uint8_t, kMasters + 1> master_timecode_flash;
// Seconds the timecode flash still runs; counted down by the timer step.
extern std::array<double, kMasters + 1> master_timecode_remaining_s;
// Effective level 0..255 that every user of the masters reads.
extern std::array<int16_t, kMasters + 1> master_levels;

extern std::array<uint8_t, kMasters + 1> master_selection;
extern uint8_t selected_master;  // 1..4, the master the trackerball moves
// 1 while the master's key LED belongs to the submaster editor.
extern std::array<uint8_t, kMasters + 1> master_led_locked;
// Per submaster 1..2: 1 while at least one fixture belongs to it.
extern std::array<uint8_t, 3> submaster_used;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_master_state_globals();

}  // namespace memories
