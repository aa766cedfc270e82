// Cue tracking and the dark premove: an element a point memory leaves
// undefined takes the last standing value of the earlier cues of its page,
// and a dark fixture moves ahead into the position of the next cue that
// opens it. (Least bodies until tracking is built: they record their
// arguments.)
#pragma once
#include <cstdint>

namespace playback {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_tracking_globals();

// false only when the trace cache has no memory.
bool track_channel_value(int16_t record, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow);
bool track_sub_attribute_value(int32_t sub_attribute, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow);
bool track_extra_value(int16_t fixture, int16_t k, int32_t extra, uint16_t from_slot, uint16_t go_slot,
                       uint8_t no_follow);
// The per-poll job: one dark-fixture entry per poll.
void premove_dark_fixtures();
// The slot of the next cue that opens the fixture's dimmer (65535 none, -1
// when preparation is off).
int32_t premove_fixture_to_next_cue(int16_t dimmer_record, uint16_t current_slot);

}  // namespace playback
