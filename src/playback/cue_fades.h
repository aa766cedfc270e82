// The timed point-cue fades: GO turns a point cue's memory into one fade
// record per element it defines; once per poll the runner moves the cue
// screen's progress bars, steps the phase machines, recomputes the fading
// elements and runs the armed follow cue. (Least bodies until the point-cue
// fades are built: they record their arguments.)
#pragma once
#include <cstdint>

namespace playback {

// The armed whole-cue follow: the cue slot (0 none) and its show time in ms.
extern uint16_t pointcue_follow_cue;
extern uint32_t pointcue_follow_time;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_fades_globals();

// Starts the fade of cue slot 1..11200's point cue (fade_in 0: its own
// fade-in time, else the override in tenths), arming the whole-cue follow.
void start_cue_fade(int16_t slot, uint16_t fade_in_tenths);
// The GO of a point cue: memory 1..2000 of cue slot 1..11200.
void go_pointcue(int16_t memory, uint16_t slot, uint8_t no_follow, uint16_t fade_in_override);
// Every fade record stands (state 4).
void reset_cue_fades();
// The per-poll job.
void run_cue_fades();
// The phase machines: the fade position of one element (-1 none, 0..65535),
// advancing its state.
int32_t step_pointcue_channel_fade(int16_t record);
int32_t step_pointcue_sub_attribute_fade(int32_t sub_attribute);
int32_t step_pointcue_extra_fade(int32_t extra);
// Loads the linked cue into one element when its HOLD ends (kind 0 channel,
// 1 generator byte, 2 figure byte).
void load_linked_pointcue_element(int32_t element, uint8_t kind);
// Runs the armed whole-cue follow when it is due.
void follow_linked_cue();

}  // namespace playback
