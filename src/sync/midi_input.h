// MIDI input from the SMPTE/MIDI card: the ring of words its driver fills,
// assembled into messages one word per call, MIDI Show Control GO and
// OPEN_CUE_LIST decoded from System Exclusive, and the card's MIDI clock
// count turned into beats (one per 24 clocks).
#pragma once
#include <cstdint>

namespace synchro {

// Special event statuses (the high byte of the event's word 1).
constexpr uint8_t kMidiEventShowGo = 0xF0;    // word 2: the cue slot
constexpr uint8_t kMidiEventOpenList = 0xF1;  // word 2: the list number 0..127
constexpr uint8_t kMidiEventBeat = 0xF8;
constexpr int kSysexBufferBytes = 256;

// One ring word; true when midi_event holds a new event (the poll then
// raises the MIDI input flag). False at once without the card.
bool poll_midi_input();
// Drops every word waiting in the ring.
void reset_midi_input();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_midi_input_globals();

}  // namespace synchro
