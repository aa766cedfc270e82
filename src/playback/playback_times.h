// The hold-key commands on the current cue's playback records: holding
// FLASH, TOGGLE or KILL and pressing flash keys sets those playbacks' flash
// mode; holding a time key (DELAY IN .. HOLD) and pressing flash keys (fade
// times) or CUE (the point cue's five times) asks for a time and sets it.
// Also the minutes / seconds / tenths time entry the playback dialog and the
// cue tools use.
#pragma once
#include <cstdint>

namespace playback {

// What the time entry answers when the operator cancels.
constexpr int32_t kTimeEntryEscape = 63000;

// Which time edit_playback_times sets.
constexpr int16_t kTimeDelayIn = 0;
constexpr int16_t kTimeFadeIn = 1;
constexpr int16_t kTimeDelayOut = 2;
constexpr int16_t kTimeFadeOut = 3;
constexpr int16_t kTimeHold = 4;

// 0 FLASH, 1 TOGGLE, 2 KILL, while key 390 + mode is held.
void select_flash_mode_playbacks(int16_t mode);
// 0 DELAY-IN, 1 FADE-IN, 2 DELAY-OUT, 3 FADE-OUT, 4 HOLD, while key 396 + which is held.
void edit_playback_times(int16_t which);
// Minutes (0..max_minutes), seconds and tenths typed in turn under caption
// (fields split by '@'): the time in tenths of a second, kTimeEntryEscape
// when cancelled. Minutes equal to max_minutes give exactly max_minutes x 600.
int32_t edit_time_value(int16_t max_minutes, const char* caption);

}  // namespace playback
