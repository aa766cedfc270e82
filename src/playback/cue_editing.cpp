#include "playback/cue_editing.h"

#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"
#include "playback/commands.h"
#include "playback/cue_copy.h"
#include "playback/cue_tables.h"
#include "playback/playback_record.h"
#include "playback/playback_state.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/step_log.h"
#include "ui/edit_keys.h"

namespace playback {

int32_t time_dialog_reply = kTimeDialogEscape;

void reset_cue_editing_globals() { time_dialog_reply = kTimeDialogEscape; }

namespace {

bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }
bool slot_in_range(int slot) { return slot >= 1 && slot <= kCueSlots; }
size_t sequence_entry(int slot, int s) { return static_cast<size_t>((slot - 1) * kSequences + s); }
size_t playback_entry(int slot, int p) { return static_cast<size_t>((slot - 1) * kPlaybacks + p); }

template <typename Record>
bool programmed(const Record* record) {
    return record != nullptr && (record->flags & CUE_RECORD_IN_CUE) != 0;
}

// A record left with neither its programmed bit nor a MIDI code is freed.
template <typename Record>
void free_if_empty(Record*& record) {
    if (record == nullptr || (record->flags & (CUE_RECORD_IN_CUE | CUE_RECORD_MIDI)) != 0) return;
    memcheck::mc_free_at(record, __FILE__, __LINE__);
    record = nullptr;
}

void refresh(int slot) {
    refresh_stored_cue(static_cast<int16_t>(cue_slot_cue(slot)), static_cast<int16_t>(cue_slot_page(slot)),
                       static_cast<int16_t>(cue_slot_point(slot)));
}

// Releases the point cue's cue memory and clears the record, its MIDI code kept.
void clear_pointcue(PointcueRecord& record) {
    if (record.point_memory >= 1 && record.point_memory <= datafiles::kCueMemories) free_memcue(record.point_memory);
    clear_keeping_midi_code(record);
}

int sequence_origin_slot(int s) {
    const auto at = static_cast<size_t>(s);
    if (sequence_origin_page[at] < 1) return 0;
    return cue_index(sequence_origin_page[at], sequence_origin_cue[at], sequence_origin_point[at]);
}

bool live_programmed(const SequenceRecord& record) { return (record.flags & CUE_RECORD_IN_CUE) != 0; }
bool live_programmed(const PlaybackRecord& record) { return (record.flags & CUE_RECORD_IN_CUE) != 0; }

}  // namespace

void clear_cue(int16_t slot) {
    if (!slot_in_range(slot)) return;
    const int16_t cue = static_cast<int16_t>(cue_slot_cue(slot));
    const int16_t page = static_cast<int16_t>(cue_slot_page(slot));
    const int16_t point = static_cast<int16_t>(cue_slot_point(slot));
    if (cue_header_table[static_cast<size_t>(slot)].programmed == 1) {
        for (int s = 1; s <= kSequences; ++s) {
            SequenceRecord* record = cue_sequence_table[sequence_entry(slot, s)];
            if (programmed(record)) clear_keeping_midi_code(*record);
        }
        for (int p = 1; p <= kPlaybacks; ++p) {
            PlaybackRecord* record = cue_playback_table[playback_entry(slot, p)];
            if (programmed(record)) clear_keeping_midi_code(*record);
        }
        PointcueRecord*& pointcue = cue_pointcue_table[static_cast<size_t>(slot)];
        if (programmed(pointcue)) clear_pointcue(*pointcue);
        refresh(slot);
        cue_header_table[static_cast<size_t>(slot)].name = {};
        datafiles::save_pointcue_name(cue, point, page);
        if ((runtime::option_flags & runtime::OPT_CUE_GRID) != 0) draw_cue_grid();
        for (int s = 1; s <= kSequences; ++s) {
            free_if_empty(cue_sequence_table[sequence_entry(slot, s)]);
            datafiles::save_cue_sequence_record(cue, point, page, static_cast<int16_t>(s));
        }
        for (int p = 1; p <= kPlaybacks; ++p) {
            free_if_empty(cue_playback_table[playback_entry(slot, p)]);
            datafiles::save_cue_playback_record(cue, point, page, static_cast<int16_t>(p));
        }
        free_if_empty(pointcue);
        datafiles::save_pointcue_record(cue, point, page);
    }
    if (blind()) return;
    // The live sequences and playbacks that came from this cue find it empty.
    for (int s = 1; s <= kSequences; ++s) {
        const auto at = static_cast<size_t>(s);
        if (ui::sequence_freeze[at] == 1 || !live_programmed(sequence_table[at]) || sequence_origin_slot(s) != slot) continue;
        load_sequence_from_cue(slot, static_cast<int16_t>(s), ui::sequence_freeze[at]);
    }
    for (int p = 1; p <= kPlaybacks; ++p) {
        const auto at = static_cast<size_t>(p);
        if (ui::playback_freeze[at] != 0 || !live_programmed(playback_table[at]) || playback_cue_origin[at] != slot) continue;
        load_playback_from_cue(slot, static_cast<int16_t>(p));
    }
}

void clear_cue_memory(int16_t slot) {
    if (!slot_in_range(slot)) return;
    PointcueRecord*& pointcue = cue_pointcue_table[static_cast<size_t>(slot)];
    if (!programmed(pointcue)) return;
    clear_pointcue(*pointcue);
    refresh(slot);
    free_if_empty(pointcue);
    datafiles::save_pointcue_record(static_cast<int16_t>(cue_slot_cue(slot)), static_cast<int16_t>(cue_slot_point(slot)),
                                    static_cast<int16_t>(cue_slot_page(slot)));
}

void clear_cue_sequence(int16_t slot, int16_t sequence) {
    if (!slot_in_range(slot) || sequence < 1 || sequence > kSequences) return;
    SequenceRecord*& record = cue_sequence_table[sequence_entry(slot, sequence)];
    if (programmed(record)) {
        clear_keeping_midi_code(*record);
        refresh(slot);
        free_if_empty(record);
        datafiles::save_cue_sequence_record(static_cast<int16_t>(cue_slot_cue(slot)),
                                            static_cast<int16_t>(cue_slot_point(slot)),
                                            static_cast<int16_t>(cue_slot_page(slot)), sequence);
    }
    const auto at = static_cast<size_t>(sequence);
    if (blind() || ui::sequence_freeze[at] == 1) return;
    if (sequence_origin_slot(sequence) == live_cue_slot() && !live_programmed(sequence_table[at])) return;
    load_sequence_from_cue(slot, sequence, ui::sequence_freeze[at]);
}

void clear_cue_playback(int16_t slot, int16_t playback) {
    if (!slot_in_range(slot) || playback < 1 || playback > kPlaybacks) return;
    PlaybackRecord*& record = cue_playback_table[playback_entry(slot, playback)];
    if (programmed(record)) {
        clear_keeping_midi_code(*record);
        refresh(slot);
        free_if_empty(record);
        datafiles::save_cue_playback_record(static_cast<int16_t>(cue_slot_cue(slot)),
                                            static_cast<int16_t>(cue_slot_point(slot)),
                                            static_cast<int16_t>(cue_slot_page(slot)), playback);
    }
    const auto at = static_cast<size_t>(playback);
    if (blind() || ui::playback_freeze[at] != 0) return;
    if (playback_cue_origin[at] == live_cue_slot() && !live_programmed(playback_table[at])) return;
    load_playback_from_cue(slot, playback);
}

void load_playback_from_cue(int16_t slot, int16_t playback) {
    if (!slot_in_range(slot) || playback < 1 || playback > kPlaybacks) return;
    const PlaybackRecord* stored = cue_playback_table[playback_entry(slot, playback)];
    const PlaybackRecord copy = stored != nullptr ? *stored : PlaybackRecord{};
    const auto at = static_cast<size_t>(playback);
    if (!can_reload_playback(playback, copy)) {
        // Running with other content: the load waits for the stop.
        playback_linked_cue[at] = static_cast<uint16_t>(slot);
        playback_reload_pending[at] = 0;
        draw_playback_label(playback, 1, kLabelPending);
        return;
    }
    if (programmed(&copy) && (copy.memory < 1 || copy.memory > memories::kMemories)) return;
    playback_cue_origin[at] = slot;
    // The playback answers the cue record's learned MIDI code, or none.
    playback_midi_codes[at] = (copy.flags & CUE_RECORD_MIDI) != 0 ? copy.midi_code : MidiCode{};
    // The loader takes its record from the edit record, which is given back.
    const PlaybackRecord edit = playback_table[kPlaybackEditRecord];
    playback_table[kPlaybackEditRecord] = copy;
    load_playback_from_record(playback);
    playback_table[kPlaybackEditRecord] = edit;
    playback_linked_cue[at] = 0;
    playback_reload_pending[at] = 0;
}

}  // namespace playback
