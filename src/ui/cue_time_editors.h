// Tools of the cue screen: the time keys, the fade-in launch and the link
// time set one thing on every cue of the multiselect list (cue_selection.h)
// at once; OPTIMIZE takes out of the current point cue every value that the
// nearest programmed cue before it on the same page already gives.
#pragma once
#include <cstdint>

namespace ui {

// The time dialog's answer (tenths) above which the tools take a time as not
// given: 100 minutes is the most it accepts.
constexpr int32_t kLongestToolTime_tenths = 60000;

// Key 396..400 (DELAY IN, FADE IN, DELAY OUT, FADE OUT, HOLD): that time of
// every listed programmed point cue; ESC or an answer out of range sets the
// key's default.
void edit_multiselect_cue_time(int16_t key);
// "FADE-IN LAUNCH": starts the list with the time given (0 s gives one tenth); ESC starts nothing.
void edit_fade_in_launch();
// "LINK TIME": chains the listed cues by follow links with a hold time, or clears their links.
void edit_link_time();

// Cue slot 1..11200: removes from the programmer what the nearer earlier cues
// of its page give, and stores the rest as the point cue's memory.
void optimize_cues(int16_t slot);
// OPTIMIZE (235): optimize_cues on the live cue.
void handle_optimize_key();

}  // namespace ui
