// MIDI output: the learned codes of executed cues, starting and stopping
// playbacks and stepped sequences go out on the SMPTE/MIDI card's MIDI OUT.
#pragma once
#include <cstdint>

#include "playback/playback_state.h"

namespace synchro {

// The message send_midi_message sends.
extern playback::MidiCode midi_out_code;

// midi_out_code to the card: command 13h, then the status byte (status
// kind + channel) and the data bytes the status carries, each by command 14h.
void send_midi_message();
// The cue-selection code of cue slot 1..11200 when it can select cues.
void send_cue_midi_code(int16_t slot);
// Playback 1..42's note-on code: as stored when it starts (on 1), as a note
// off with the same note and velocity when it stops (on 0).
void send_playback_midi_code(int16_t playback, uint8_t on);
// The code of live sequence 1..4.
void send_sequence_midi_code(int16_t sequence);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_midi_output_globals();

}  // namespace synchro
