// The playback and sequence functions that the key reader's key groups and
// its MIDI input call, with the live state they read: the live cue and the
// sequences' live MIDI codes. The sequence commands take mode 1 when the
// operator gives them (their timecode event is recorded), 0 when a cue or a
// replayed event does.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_flash.h"
#include "playback/playback_state.h"

namespace playback {

// The trigger-mode field of a sequence record's mode byte (0 = automatic).
constexpr uint8_t SEQUENCE_TRIGGER_MODE = 3u << 4;

// The live cue: page 1..16, cue 1..70, point 1..10 (point 1 is the cue itself).
extern int16_t current_cue_page;
extern int16_t current_cue;
extern int16_t current_cue_point;
// The cue timing view's fade phase (10: no cue fade running) and the cue slot
// the point-cue engine started last (-1 none).
extern uint8_t cue_fade_phase;
extern int16_t last_pointcue_started;

// The MIDI code of each live sequence 1..4, taken from its cue at load.
extern std::array<MidiCode, kSequences + 1> sequence_midi_codes;

// The note flag of each playback 1..42: set by a note on, cleared by a note
// off, inverted by a MIDI beat.
extern std::array<uint8_t, kPlaybacks + 1> playback_note_flags;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_key_groups_globals();

// GO of sequence 1..4, or with 0 of every running sequence that is not
// automatic; a stopped or automatic sequence ignores it. On a beat sequence
// the operator's GO is also a tempo tap.
void go_sequence(int16_t sequence, uint8_t mode);
// direction -1 cycles to the next direction.
void set_sequence_direction(int16_t sequence, uint8_t mode, int16_t direction);
void toggle_sequence_sync(int16_t sequence, uint8_t mode);
// trigger -1 cycles to the next trigger mode.
void set_sequence_trigger_mode(int16_t sequence, uint8_t mode, int16_t trigger);

}  // namespace playback
