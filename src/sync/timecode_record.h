// Timecode recording: the REC command's loop and end, and the hooks that the
// memory recall, the cues, the sequence operations and the flash keys call,
// which insert their event into the loaded list at the list time (mode 2),
// or keep it as the learned event of the table editor (mode 3).
#pragma once
#include <array>
#include <cstdint>

#include "memories/master_faders.h"
#include "playback/playback_state.h"
#include "sync/timecode_lists.h"

namespace synchro {

constexpr int32_t kMostRecordedEvents = 10000;
constexpr double kNotPressed = -1.0;

// List time at which a flash key went down, kNotPressed none.
extern std::array<double, memories::kMasters + 1> master_flash_pressed_at;
extern std::array<double, playback::kPlaybacks + 1> playback_flash_pressed_at;
extern TimecodeEvent learned_event;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_timecode_record_globals();
// Override flags, remaining times and playback flash states cleared;
// pressed-at times set to at.
void reset_fader_overrides(double pressed_at = 0.0);

void record_timecode_events();
bool run_timecode_record_loop();
bool finish_timecode_recording();

bool record_memory_event(int16_t memory);
// record_cue_event, record_sequence_event: sync_services.h;
// record_fader_event: midi_events.h.

}  // namespace synchro
