// Loading the playbacks: a playback record into a playback's slot and its
// memory into the playback's layer, deferred while the playback runs and the
// load would change what it puts on stage; the reloads after a memory or a
// threshold table changed; the playback flash-key LEDs.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_state.h"

namespace playback {

// The cue slot 1..11200 each playback's record came from (0 none).
extern std::array<int16_t, kPlaybacks + 1> playback_cue_origin;
// The record whose load waits for playback p to stop (while playback_reload_pending).
extern std::array<PlaybackRecord, kPlaybacks + 1> playback_pending_records;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_playback_loading_globals();

// Loads the edit record (playback_table[kPlaybackEditRecord]) into playback
// p 1..42: an unprogrammed record empties the playback; a programmed one with
// a memory 1..4000 becomes p's record, its memory p's layer and its threshold
// table p's thresholds. While p runs and the load would change its output,
// the load waits for the fader to stop it (playback_reload_pending).
void load_playback_from_record(int16_t p);
// True when loading record into playback p leaves p's output as it is.
bool can_reload_playback(int16_t p, const PlaybackRecord& record);
// The load that waited for playback p's stop, through the edit record
// (which keeps its content).
void load_pending_playback(int16_t p);
// Every unfrozen playback running memory m / threshold table t takes its new content.
void reload_playbacks_for_memory(int16_t memory);
void reload_playbacks_for_threshold(int16_t threshold);
// The LEDs of the 42 playback flash keys: 10 while a load waits, 1 running,
// 2 loaded, off when empty.
void update_playback_leds();

}  // namespace playback
