#include "sync/midi_codes.h"

#include <cstdio>

#include "datafiles/cue_files.h"
#include "playback/cue_copy.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_loading.h"
#include "playback/sequence_programming.h"

namespace synchro {

namespace {

using playback::CUE_RECORD_MIDI;

size_t sequence_entry(int slot, int s) { return static_cast<size_t>((slot - 1) * playback::kSequences + s); }
size_t playback_entry(int slot, int p) { return static_cast<size_t>((slot - 1) * playback::kPlaybacks + p); }

template <typename Record>
MidiCode learned_code(const Record* record) {
    return record != nullptr && (record->flags & CUE_RECORD_MIDI) != 0 ? record->midi_code : MidiCode{};
}

uint16_t& lookup_entry(const MidiCode& code, uint8_t cue_class) {
    return midi_cue_lookup[cue_class][code_channel(code)][code_data1(code)];
}

// A row's code into its record: present codes create the record and set its
// flag; an absent code clears the code of an existing record.
template <typename Record>
void write_code(Record*& record, const MidiCode& code, bool present) {
    if (present) {
        if (record == nullptr) record = playback::new_cue_record(Record{});
        if (record == nullptr) return;  // reported; the row is skipped
        record->midi_code = code;
        record->flags |= CUE_RECORD_MIDI;
    } else if (record != nullptr) {
        record->midi_code = MidiCode{};
        record->flags &= static_cast<uint8_t>(~CUE_RECORD_MIDI);
    }
}

}  // namespace

bool code_in_range(const MidiCode& code) {
    return code_channel(code) < kMidiChannels && code_data1(code) < kMidiDataValues;
}

uint8_t cue_select_class(const MidiCode& code) {
    const uint8_t cue_class = midi_status_class[code_status(code)];
    return cue_class >= 1 && cue_class <= kMidiCueClasses && code_in_range(code) ? cue_class : 0;
}

void rebuild_midi_cue_table() {
    midi_cue_lookup = {};
    for (int slot = 1; slot <= playback::kCueSlots; ++slot) {
        playback::PointcueRecord* record = playback::cue_pointcue_table[static_cast<size_t>(slot)];
        if (record == nullptr || (record->flags & CUE_RECORD_MIDI) == 0 || !code_present(record->midi_code)) continue;
        const uint8_t cue_class = cue_select_class(record->midi_code);
        if (cue_class == 0) {
            record->midi_code = MidiCode{};
        } else {
            lookup_entry(record->midi_code, cue_class) = static_cast<uint16_t>(slot);
        }
    }
}

void load_cue_midi_codes(int slot, MidiCodeEditBuffer& buffer) {
    buffer = MidiCodeEditBuffer{};
    if (!playback::valid_cue_slot(slot)) return;
    buffer.rows[kCueSelectionRow] = learned_code(playback::cue_pointcue_table[static_cast<size_t>(slot)]);
    for (int s = 1; s <= playback::kSequences; ++s) {
        buffer.rows[static_cast<size_t>(kFirstSequenceRow + s - 1)] =
            learned_code(playback::cue_sequence_table[sequence_entry(slot, s)]);
    }
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        buffer.rows[static_cast<size_t>(kFirstPlaybackRow + p - 1)] =
            learned_code(playback::cue_playback_table[playback_entry(slot, p)]);
    }
}

bool accepts_learned_code(int row, const MidiEvent& event, const MidiCode& current) {
    const MidiCode code{event.words};
    const uint8_t status = code_status(code);
    if (status == kMidiControlChange || status == kMidiNoteOff) return false;
    if (code.words == current.words) return false;
    if (row == kCueSelectionRow) return cue_select_class(code) != 0;
    if (row < kFirstPlaybackRow) return row >= kFirstSequenceRow;
    return row <= kMidiCodeRows && (status == kMidiNoteOn || status == kMidiClockBeat);
}

std::string same_code_message(int other_slot) {
    const int cue = playback::cue_slot_cue(other_slot);
    const int point = playback::cue_slot_point(other_slot) - 1;
    const int page = playback::cue_slot_page(other_slot);
    char text[64];
    if (point == 0) {
        std::snprintf(text, sizeof text, "CUE %d (PAGE %d) USES THE SAME CODE", cue, page);
    } else {
        std::snprintf(text, sizeof text, "CUE %d.%d (PAGE %d) USES THE SAME CODE", cue, point, page);
    }
    return text;
}

int store_edited_midi_codes(int slot, MidiCodeEditBuffer& buffer, const MidiCode& opened) {
    MidiCode& selection = buffer.rows[kCueSelectionRow];
    if (code_present(selection) && !code_in_range(selection)) selection = MidiCode{};
    const uint8_t cue_class = code_present(selection) ? cue_select_class(selection) : 0;
    if (cue_class != 0) {
        const uint16_t entry = lookup_entry(selection, cue_class);
        // The opened code's own entry is this cue's; another cue's entry refuses the store.
        if (entry != 0 && entry != slot) return entry;
    }
    // Only a store that succeeds gives up the code as it was opened.
    const uint8_t opened_class = cue_select_class(opened);
    if (opened_class != 0 && lookup_entry(opened, opened_class) == slot) lookup_entry(opened, opened_class) = 0;
    if (cue_class != 0) lookup_entry(selection, cue_class) = static_cast<uint16_t>(slot);

    buffer.flags = 0;
    for (int row = 1; row <= kMidiCodeRows; ++row) {
        if (code_present(buffer.rows[static_cast<size_t>(row)])) buffer.flags |= kEditBufferHasCodes;
    }
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        if (playback::playback_cue_origin[static_cast<size_t>(p)] == slot) {
            playback::playback_midi_codes[static_cast<size_t>(p)] = buffer.rows[static_cast<size_t>(kFirstPlaybackRow + p - 1)];
        }
    }
    for (int s = 1; s <= playback::kSequences; ++s) {
        if (playback::sequence_cue_origin(static_cast<int16_t>(s)) == slot) {
            playback::sequence_midi_codes[static_cast<size_t>(s)] = buffer.rows[static_cast<size_t>(kFirstSequenceRow + s - 1)];
        }
    }
    store_cue_midi_codes(slot, buffer);
    rebuild_midi_cue_table();
    return 0;
}

void store_cue_midi_codes(int slot, const MidiCodeEditBuffer& buffer) {
    if (!playback::valid_cue_slot(slot)) return;
    const bool any = (buffer.flags & kEditBufferHasCodes) != 0;
    auto row_code = [&](int row) { return any ? buffer.rows[static_cast<size_t>(row)] : MidiCode{}; };
    auto row_present = [&](int row) { return any && code_present(buffer.rows[static_cast<size_t>(row)]); };

    playback::PointcueRecord*& pointcue = playback::cue_pointcue_table[static_cast<size_t>(slot)];
    write_code(pointcue, row_code(kCueSelectionRow), row_present(kCueSelectionRow));
    for (int s = 1; s <= playback::kSequences; ++s) {
        const int row = kFirstSequenceRow + s - 1;
        write_code(playback::cue_sequence_table[sequence_entry(slot, s)], row_code(row), row_present(row));
    }
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        const int row = kFirstPlaybackRow + p - 1;
        write_code(playback::cue_playback_table[playback_entry(slot, p)], row_code(row), row_present(row));
    }

    playback::free_cue_record_if_empty(pointcue);
    for (int s = 1; s <= playback::kSequences; ++s) playback::free_cue_record_if_empty(playback::cue_sequence_table[sequence_entry(slot, s)]);
    for (int p = 1; p <= playback::kPlaybacks; ++p) playback::free_cue_record_if_empty(playback::cue_playback_table[playback_entry(slot, p)]);

    const auto cue = static_cast<int16_t>(playback::cue_slot_cue(slot));
    const auto point = static_cast<int16_t>(playback::cue_slot_point(slot));
    const auto page = static_cast<int16_t>(playback::cue_slot_page(slot));
    datafiles::save_pointcue_record(cue, point, page);
    for (int16_t s = 1; s <= playback::kSequences; ++s) datafiles::save_cue_sequence_record(cue, point, page, s);
    for (int16_t p = 1; p <= playback::kPlaybacks; ++p) datafiles::save_cue_playback_record(cue, point, page, p);
}

}  // namespace synchro
