// Cue tracking and the dark premove: an element a point memory leaves
// undefined takes the last standing value of the earlier cues of its page,
// and a dark fixture moves ahead into the position of the next cue that
// opens it. Both set up fade records that the cue fade runner then plays.
//
// A value stands in a cue when its time group there has an endless DELAY
// OUT; the group is the one that times the element at a GO (a tilt channel:
// group 1 of its fixture's PAN record; a figure byte of a fixture without a
// PAN function: the point cue's own times).
#pragma once
#include <cstdint>

namespace playback {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_tracking_globals();

// The dark-fixture entry the last premove poll visited (0 before the first).
extern int16_t premove_cursor;

// Whether tracing / preparation is on for cue page 1..16: the page's own
// setting (1 on, 2 off), or with 0 the global setting.
bool cue_page_tracing_on(int page);
bool cue_page_preparation_on(int page);

// One element each: false only when the trace cache has no memory.
bool track_channel_value(int16_t record, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow);
bool track_sub_attribute_value(int32_t sub_attribute, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow);
bool track_extra_value(int16_t fixture, int16_t k, int32_t extra, uint16_t from_slot, uint16_t go_slot,
                       uint8_t no_follow);

// The GO's tracking, all elements at once: the GO names the undefined
// elements while tracking is on, then one walk down the cue slots unpacks
// each slot's memory once and tries the elements still untracked that its
// items name (the same result as tracking each element on its own, without
// unpacking a memory once per element and slot). run_deferred_tracking
// returns whether tracking is still on (false when it was off or the trace
// cache ran out of memory).
void begin_cue_tracking(bool on);
bool cue_tracking_active();
void defer_channel_tracking(int16_t record);
void defer_sub_attribute_tracking(int32_t sub_attribute);
void defer_extra_tracking(int16_t fixture, int16_t k, int32_t extra);
bool run_deferred_tracking(uint16_t from_slot, uint16_t go_slot, uint8_t no_follow);
// A tracked GO forgets the last premove of every dark fixture.
void forget_prepared_cues();

// The per-poll job: one dark-fixture entry per poll.
void premove_dark_fixtures();
// The slot of the next cue that opens the fixture's dimmer (65535 none, -1
// when preparation is off).
int32_t premove_fixture_to_next_cue(int16_t dimmer_record, uint16_t current_slot);

}  // namespace playback
