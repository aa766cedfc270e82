// Learned MIDI codes: the lookup table that turns a received code into a
// cue slot, what the code editor accepts, and how its edits are stored into
// a cue's point-cue, sequence and playback records.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "playback/playback_state.h"
#include "sync/midi_events.h"

namespace synchro {

using playback::MidiCode;

// Rows of the code editor: 1 the cue selection, 2..5 sequences A..D, 6..47 playbacks 1..42.
constexpr int kCueSelectionRow = 1;
constexpr int kFirstSequenceRow = 2;
constexpr int kFirstPlaybackRow = kFirstSequenceRow + playback::kSequences;
constexpr int kMidiCodeRows = kFirstPlaybackRow + playback::kPlaybacks - 1;  // 47

constexpr uint8_t kMidiNoteOff = 0x80;
constexpr uint8_t kMidiNoteOn = 0x90;
constexpr uint8_t kMidiControlChange = 0xB0;
constexpr uint8_t kMidiClockBeat = 0xF8;

struct MidiCodeEditBuffer {
    uint8_t flags = 0;  // bit 0: at least one code present
    std::array<MidiCode, kMidiCodeRows + 1> rows{};  // [1..47]
};
constexpr uint8_t kEditBufferHasCodes = 0x01;

constexpr uint8_t code_status(const MidiCode& code) { return static_cast<uint8_t>(code.words[0] >> 8); }
constexpr uint8_t code_channel(const MidiCode& code) { return static_cast<uint8_t>(code.words[0]); }
constexpr uint8_t code_data1(const MidiCode& code) { return static_cast<uint8_t>(code.words[1] >> 8); }
constexpr bool code_present(const MidiCode& code) { return code.words[0] != 0; }

// Channel and data 1 within 0..127 (what a lookup entry can hold).
bool code_in_range(const MidiCode& code);
// A cue-select class 1..5 and both numbers in range; the class, 0 when not usable.
uint8_t cue_select_class(const MidiCode& code);

// Fills midi_cue_lookup from every learned point-cue code (a later slot wins);
// a code whose status lost its class or whose numbers are out of range is
// zeroed in its record.
void rebuild_midi_cue_table();

// The codes of cue slot's records into the buffer (flag 0).
void load_cue_midi_codes(int slot, MidiCodeEditBuffer& buffer);
// Whether a received event becomes the code of an editor row.
bool accepts_learned_code(int row, const MidiEvent& event, const MidiCode& current);

// Stores the edited codes of cue slot; opened is the cue-selection code as
// the editor opened it. 0 when stored, else the slot that already uses the
// cue-selection code (nothing stored, the lookup table unchanged).
int store_edited_midi_codes(int slot, MidiCodeEditBuffer& buffer, const MidiCode& opened);
// "CUE %d (PAGE %d) USES THE SAME CODE" or "CUE %d.%d (PAGE %d) ..." for that slot.
std::string same_code_message(int other_slot);
// Writes the buffer's codes into cue slot's records, frees those left empty
// and saves all 47.
void store_cue_midi_codes(int slot, const MidiCodeEditBuffer& buffer);

}  // namespace synchro
