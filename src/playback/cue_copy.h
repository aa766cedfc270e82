// Copying between cue slots: a whole cue onto another (its point cue with a
// cue memory of its own, its sequences and playbacks laid over the
// destination's), the live playbacks and sequences into a cue, and one live
// playback or sequence onto another of the live cue; and the release of a
// cue memory. The clears of cue_editing.h share the record rules here.
//
// Two rules hold for every record a copy or clear touches: a learned MIDI
// code (flag bit 1 and the code) belongs to the slot and stays; a record
// left with neither bit 0 nor bit 1 is freed, and its file entry written.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <new>

#include "playback/cue_tables.h"

namespace playback {

// A cue record's flag bits kept through a clear or a copy.
template <typename Record>
void clear_keeping_midi_code(Record& record) {
    const bool learned = (record.flags & CUE_RECORD_MIDI) != 0;
    const MidiCode code = record.midi_code;
    record = Record{};
    if (learned) {
        record.midi_code = code;
        record.flags = CUE_RECORD_MIDI;
    }
}

template <typename Record>
void copy_keeping_midi_code(Record& destination, const Record& source) {
    const uint8_t learned = destination.flags & CUE_RECORD_MIDI;
    const MidiCode code = destination.midi_code;
    destination = source;
    destination.midi_code = code;
    destination.flags = static_cast<uint8_t>((destination.flags & ~CUE_RECORD_MIDI) | learned);
}

// A block for a new cue record; null, with "NOT ENOUGH MEMORY" and the
// error beep, when memory runs out. Freed with free_cue_record_block.
void* new_cue_record_block(size_t bytes);
void free_cue_record_block(void* record);

// A new record for a table entry with initial as its content (null when
// memory runs out, reported).
template <typename Record>
Record* new_cue_record(const Record& initial) {
    void* block = new_cue_record_block(sizeof(Record));
    return block == nullptr ? nullptr : new (block) Record{initial};
}

// Frees a record left with neither its own content nor a MIDI code.
template <typename Record>
void free_cue_record_if_empty(Record*& record) {
    if (record == nullptr || (record->flags & (CUE_RECORD_IN_CUE | CUE_RECORD_MIDI)) != 0) return;
    free_cue_record_block(record);
    record = nullptr;
}

// Releases cue memory n (1..2000): its used mark, its items, its file entry;
// the free count on screen follows. Out of range does nothing.
void free_memcue(int16_t n);

// Copies cue slot source onto destination (both 1..11200); nothing but the
// beep when the source is not programmed.
void copy_cue(int16_t source, int16_t destination);

// Copies the selected live sequences (1 = selected, index 0 unused) and
// playbacks into cue slot: programmed ones over the slot's records, unprogrammed
// ones clear the slot's record if it has one. Every record entry of the slot
// is written.
void store_live_items_in_cue(int16_t slot, const std::array<uint8_t, kSequences + 1>& sequences,
                             const std::array<uint8_t, kPlaybacks + 1>& playbacks);

// Live sequence (playback) source onto destination in the live cue, then the
// destination reloaded from it.
void copy_sequence_in_cue(int16_t source, int16_t destination);
void copy_playback_in_cue(int16_t source, int16_t destination);

// The cue slot the live playbacks and sequences were last loaded from (the
// current cue), 0 when none.
int16_t live_cue_slot();

}  // namespace playback
