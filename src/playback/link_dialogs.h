// The link-cue dialogs of PROGRAM SEQUENCE and PROGRAM POINTCUE and the
// minutes / seconds / tenths time entry. (Least bodies until they are built:
// they record their arguments.)
#pragma once
#include <cstdint>

namespace playback {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_link_dialogs_globals();

// The link of sequence 1..4 being programmed.
void select_sequence_linked_cue(int16_t sequence);
// The link of the point cue being programmed.
void select_pointcue_linked_cue();
// The minutes, seconds and tenths entry under a prompt, at most max_minutes:
// the time in tenths, the default when the operator asks for it,
// kTimeEntryCancelled when cancelled.
constexpr int32_t kTimeEntryCancelled = 63000;
int32_t edit_timing_value(int16_t max_minutes, const char* prompt, int16_t default_time);

}  // namespace playback
