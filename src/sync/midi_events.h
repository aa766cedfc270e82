// The MIDI event that the MIDI input hands to the key reader, the tables
// that turn an event into a cue, and the services the key reader calls.
// (Least bodies until the MIDI input and the timecode lists are built.)
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace synchro {

// Three words in the layout of a MIDI code: word 1 the status word (status
// in the high byte, channel in the low byte), words 2 and 3 the data words
// (data 1 in the high byte of word 2). Beat: 0xF800; show-control GO: 0xF0xx
// with the cue slot in word 2; open cue list: 0xF1xx with the list number.
struct MidiEvent {
    std::array<uint16_t, 3> words{};
};

constexpr int kMidiStatusBytes = 256;
constexpr int kMidiCueClasses = 5;   // cue-select classes 1..5
constexpr int kMidiChannels = 128;   // 0..127
constexpr int kMidiDataValues = 128; // 0..127
constexpr uint16_t kLastCueSlot = 11200;

extern MidiEvent midi_event;
// The MIDI statuses listened to, from the MIDI definitions: the name of each
// status byte (empty = not listened to) and the ring words of its message,
// the status word included, 1..3 (0 = no message of its own).
extern std::array<std::string, kMidiStatusBytes> midi_status_names;
extern std::array<uint8_t, kMidiStatusBytes> midi_status_words;
// Cue-select class 1..5 of each status byte, 0 when the status cannot select cues.
extern std::array<uint8_t, kMidiStatusBytes> midi_status_class;
// Cue slot 1..11200 by [class][channel][data 1], 0 = none.
using MidiCueTable =
    std::array<std::array<std::array<uint16_t, kMidiDataValues>, kMidiChannels>, kMidiCueClasses + 1>;
extern MidiCueTable midi_cue_lookup;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_midi_events_globals();

// Opens the timecode list registered for a list number (list_open.h).
void open_list_by_midi_number(uint16_t list);
// A flash key of fader 1..4 (masters) or 101..142 (playbacks 1..42) went
// down (1) or up (0): its F event while the list records (timecode_record.h).
bool record_fader_event(int16_t fader, uint8_t pressed);

}  // namespace synchro
