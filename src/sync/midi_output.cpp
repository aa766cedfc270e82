#include "sync/midi_output.h"

#include "platform/sync_card.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "runtime/step_log.h"
#include "sync/midi_codes.h"
#include "sync/sync_services.h"

namespace synchro {

namespace {

constexpr uint16_t kCommandMidiBegin = 0x13;
constexpr uint16_t kCommandMidiByte = 0x14;
constexpr int kNoMessage = -1;  // as platform::midi_data_bytes says it

// Data bytes of the status on the wire; kNoMessage for a status that cannot
// stand as a three-word code (SysEx and undefined statuses), so that no
// receiver reads stray bytes as a message of their own.
int data_bytes_of(uint8_t status) { return status >= kMidiClockBeat ? 0 : platform::midi_data_bytes(status); }

void send_code(const MidiCode& code) {
    midi_out_code = code;
    send_midi_message();
}

}  // namespace

playback::MidiCode midi_out_code;

void reset_midi_output_globals() { midi_out_code = {}; }

void send_midi_message() {
    const auto status = static_cast<uint8_t>(code_status(midi_out_code) + code_channel(midi_out_code));
    const int data_bytes = data_bytes_of(status);
    // A channel beyond 127 (from a damaged cue file) can wrap the sum below
    // 80h: a data byte is no status to send.
    if (data_bytes == kNoMessage || (status & 0x80) == 0) return;
    send_card_command(kCommandMidiBegin);
    send_card_command(kCommandMidiByte, status);
    if (data_bytes >= 1) send_card_command(kCommandMidiByte, code_data1(midi_out_code));
    if (data_bytes >= 2) send_card_command(kCommandMidiByte, static_cast<uint8_t>(midi_out_code.words[1]));
}

// The cue and sequence sends are logged as calls, so that a test of the
// caller sees what was asked also where no code is learned.
void send_cue_midi_code(int16_t slot) {
    runtime::log_call("synchro::send_cue_midi_code", {slot});
    if (!playback::valid_cue_slot(slot)) return;
    const playback::PointcueRecord* record = playback::cue_pointcue_table[static_cast<size_t>(slot)];
    if (record == nullptr || (record->flags & playback::CUE_RECORD_MIDI) == 0) return;
    if (!code_present(record->midi_code) || cue_select_class(record->midi_code) == 0) return;
    send_code(record->midi_code);
}

void send_playback_midi_code(int16_t playback, uint8_t on) {
    if (playback < 1 || playback > playback::kPlaybacks) return;
    MidiCode code = playback::playback_midi_codes[static_cast<size_t>(playback)];
    if (code_status(code) != kMidiNoteOn) return;
    if (on == 0) code.words[0] = static_cast<uint16_t>(kMidiNoteOff << 8 | code_channel(code));
    send_code(code);
}

void send_sequence_midi_code(int16_t sequence) {
    runtime::log_call("synchro::send_sequence_midi_code", {sequence});
    if (sequence < 1 || sequence > playback::kSequences) return;
    const MidiCode& code = playback::sequence_midi_codes[static_cast<size_t>(sequence)];
    if (code_status(code) != 0) send_code(code);
}

}  // namespace synchro
