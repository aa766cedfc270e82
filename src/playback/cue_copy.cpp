#include "playback/cue_copy.h"

#include <new>

#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "playback/cue_editing.h"
#include "playback/commands.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_record.h"
#include "playback/playback_state.h"
#include "playback/pointcue_programming.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/show_tables.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace playback {

namespace {

constexpr int32_t kCopyBeep_hz = 800;
constexpr uint32_t kCopyBeep_ms = 100;
constexpr int32_t kErrorBeep_hz = 400;
constexpr uint32_t kErrorBeep_ms = 2000;
constexpr uint8_t kRunStateBits = 0x03;

struct SlotPlace {
    int16_t page = 0, cue = 0, point = 0;
};
SlotPlace place_of(int slot) {
    return {static_cast<int16_t>(cue_slot_page(slot)), static_cast<int16_t>(cue_slot_cue(slot)),
            static_cast<int16_t>(cue_slot_point(slot))};
}

bool valid_slot(int slot) { return slot >= 1 && slot <= kCueSlots; }
bool valid_memcue(int n) { return n >= 1 && n <= datafiles::kCueMemories; }

void error_beep() { ui::beep_interruptible(kErrorBeep_hz, kErrorBeep_ms); }
void not_enough_memory() {
    ui::show_message("NOT ENOUGH MEMORY");
    error_beep();
}

size_t sequence_entry(int slot, int s) { return static_cast<size_t>((slot - 1) * kSequences + s); }
size_t playback_entry(int slot, int p) { return static_cast<size_t>((slot - 1) * kPlaybacks + p); }

SequenceRecord new_sequence_record() {
    SequenceRecord record{};
    record.loop_count = kInfiniteLoops;
    return record;
}

// Copies a programmed source record over the slot's entry (allocated when
// missing, with initial as its content), keeping the entry's MIDI code.
template <typename Record>
void lay_over(Record*& entry, const Record& source, const Record& initial) {
    if (entry == nullptr) entry = new_cue_record(initial);
    if (entry != nullptr) copy_keeping_midi_code(*entry, source);
}

bool grid_shown() { return (runtime::option_flags & runtime::OPT_CUE_GRID) != 0; }

// A cue memory of its own for a copied point cue: a copy of the source's
// items in the lowest free cue memory. 0 when none is free, the source has
// no items or the list cannot be had (each reported but the empty source).
int16_t copy_memcue(int source) {
    const int32_t count = datafiles::memcue_index[static_cast<size_t>(source)].count;
    const datafiles::MemoryItem* items = datafiles::memcue_items[static_cast<size_t>(source)];
    int n = 1;
    while (n <= datafiles::kCueMemories && datafiles::memcue_used[static_cast<size_t>(n)] != 0) ++n;
    if (n > datafiles::kCueMemories) {
        ui::show_message("MAXIMUM 2000 POINTCUEMEMORIES !");
        error_beep();
        return 0;
    }
    if (count < 1 || items == nullptr) return 0;
    const size_t bytes = static_cast<size_t>(count) * sizeof(datafiles::MemoryItem);
    auto* list = static_cast<datafiles::MemoryItem*>(runtime::show_table_allocator(bytes, __FILE__, __LINE__));
    if (list == nullptr) {
        not_enough_memory();
        return 0;
    }
    for (int32_t i = 0; i < count; ++i) list[i] = items[i];
    datafiles::memcue_items[static_cast<size_t>(n)] = list;
    datafiles::memcue_index[static_cast<size_t>(n)].count = count;
    datafiles::memcue_used[static_cast<size_t>(n)] = 1;
    ++datafiles::memcue_used_count;
    ui::draw_free_cuemem_count(static_cast<int16_t>(datafiles::kCueMemories - datafiles::memcue_used_count));
    datafiles::save_memcue_record(static_cast<int16_t>(n));
    return static_cast<int16_t>(n);
}

void copy_pointcue(int source, int destination) {
    const PointcueRecord* from = programmed_pointcue(source);
    if (from == nullptr) return;
    PointcueRecord*& to = cue_pointcue_table[static_cast<size_t>(destination)];
    if (to == nullptr) {
        to = new_cue_record(PointcueRecord{});
        if (to == nullptr) return;
    } else if ((to->flags & CUE_RECORD_IN_CUE) != 0 && valid_memcue(to->point_memory)) {
        free_memcue(to->point_memory);
    }
    copy_keeping_midi_code(*to, *from);
    drop_point_memory(*to);
    if (!valid_memcue(from->point_memory)) return;
    const int16_t n = copy_memcue(from->point_memory);
    if (n == 0) return;
    to->flags |= CUE_RECORD_IN_CUE;
    to->point_memory = n;
}

void save_sequences_and_playbacks(int slot) {
    const SlotPlace at = place_of(slot);
    for (int s = 1; s <= kSequences; ++s) {
        free_cue_record_if_empty(cue_sequence_table[sequence_entry(slot, s)]);
        datafiles::save_cue_sequence_record(at.cue, at.point, at.page, static_cast<int16_t>(s));
    }
    for (int p = 1; p <= kPlaybacks; ++p) {
        free_cue_record_if_empty(cue_playback_table[playback_entry(slot, p)]);
        datafiles::save_cue_playback_record(at.cue, at.point, at.page, static_cast<int16_t>(p));
    }
}

void refresh(int slot) {
    const SlotPlace at = place_of(slot);
    refresh_stored_cue(at.cue, at.page, at.point);
}

}  // namespace

void* new_cue_record_block(size_t bytes) {
    void* block = runtime::show_table_allocator(bytes, __FILE__, __LINE__);
    if (block == nullptr) not_enough_memory();
    return block;
}

void free_cue_record_block(void* record) { memcheck::mc_free_at(record, __FILE__, __LINE__); }

int16_t live_cue_slot() {
    if (current_cue_page < 1 || current_cue < 1 || current_cue_point < 1) return 0;
    return static_cast<int16_t>(cue_index(current_cue_page, current_cue, current_cue_point));
}

void free_memcue(int16_t n) {
    if (!valid_memcue(n)) return;
    const auto at = static_cast<size_t>(n);
    if (datafiles::memcue_used[at] == 1) {
        --datafiles::memcue_used_count;
        datafiles::memcue_used[at] = 0;
    }
    datafiles::memcue_index[at].count = 0;
    if (datafiles::memcue_items[at] != nullptr) memcheck::mc_free_at(datafiles::memcue_items[at], __FILE__, __LINE__);
    datafiles::memcue_items[at] = nullptr;
    datafiles::save_memcue_record(n);
    ui::draw_free_cuemem_count(static_cast<int16_t>(datafiles::kCueMemories - datafiles::memcue_used_count));
}

void copy_cue(int16_t source, int16_t destination) {
    ui::beep_interruptible(kCopyBeep_hz, kCopyBeep_ms);
    if (!valid_slot(source) || !valid_slot(destination) || source == destination) return;
    if (cue_header_table[static_cast<size_t>(source)].programmed == 0) return;
    copy_pointcue(source, destination);
    for (int s = 1; s <= kSequences; ++s) {
        const SequenceRecord* from = cue_sequence_table[sequence_entry(source, s)];
        if (from == nullptr || (from->flags & CUE_RECORD_IN_CUE) == 0) continue;
        lay_over(cue_sequence_table[sequence_entry(destination, s)], *from, new_sequence_record());
    }
    for (int p = 1; p <= kPlaybacks; ++p) {
        const PlaybackRecord* from = cue_playback_table[playback_entry(source, p)];
        if (from == nullptr || (from->flags & CUE_RECORD_IN_CUE) == 0) continue;
        lay_over(cue_playback_table[playback_entry(destination, p)], *from, PlaybackRecord{});
    }
    cue_header_table[static_cast<size_t>(destination)].name = cue_header_table[static_cast<size_t>(source)].name;
    refresh(destination);
    save_sequences_and_playbacks(destination);
    free_cue_record_if_empty(cue_pointcue_table[static_cast<size_t>(destination)]);
    const SlotPlace at = place_of(destination);
    datafiles::save_pointcue_record(at.cue, at.point, at.page);
    if (grid_shown()) draw_cue_grid();
}

void store_live_items_in_cue(int16_t slot, const std::array<uint8_t, kSequences + 1>& sequences,
                             const std::array<uint8_t, kPlaybacks + 1>& playbacks) {
    ui::beep_interruptible(kCopyBeep_hz, kCopyBeep_ms);
    if (!valid_slot(slot)) return;
    for (int s = 1; s <= kSequences; ++s) {
        if (sequences[static_cast<size_t>(s)] != 1) continue;
        const SequenceRecord& live = sequence_table[static_cast<size_t>(s)];
        SequenceRecord*& entry = cue_sequence_table[sequence_entry(slot, s)];
        if ((live.flags & CUE_RECORD_IN_CUE) != 0) {
            lay_over(entry, live, new_sequence_record());
        } else if (entry != nullptr) {
            copy_keeping_midi_code(*entry, live);
        }
    }
    for (int p = 1; p <= kPlaybacks; ++p) {
        if (playbacks[static_cast<size_t>(p)] != 1) continue;
        const PlaybackRecord& live = playback_table[static_cast<size_t>(p)];
        PlaybackRecord*& entry = cue_playback_table[playback_entry(slot, p)];
        if ((live.flags & CUE_RECORD_IN_CUE) != 0) {
            lay_over(entry, live, PlaybackRecord{});
        } else if (entry != nullptr) {
            copy_keeping_midi_code(*entry, live);
        }
    }
    refresh(slot);
    save_sequences_and_playbacks(slot);
    if (grid_shown()) draw_cue_grid();
}

void copy_sequence_in_cue(int16_t source, int16_t destination) {
    ui::beep_interruptible(kCopyBeep_hz, kCopyBeep_ms);
    const int slot = live_cue_slot();
    if (source < 1 || source > kSequences || destination < 1 || destination > kSequences || slot == 0) return;
    const SequenceRecord& live = sequence_table[static_cast<size_t>(source)];
    SequenceRecord*& entry = cue_sequence_table[sequence_entry(slot, destination)];
    if ((live.flags & CUE_RECORD_IN_CUE) != 0) {
        lay_over(entry, live, new_sequence_record());
    } else if (entry != nullptr) {
        copy_keeping_midi_code(*entry, live);
    }
    refresh(slot);
    free_cue_record_if_empty(entry);
    const SlotPlace at = place_of(slot);
    datafiles::save_cue_sequence_record(at.cue, at.point, at.page, destination);
    load_sequence_from_cue(static_cast<int16_t>(slot), destination, 0);
    const SequenceRecord& now = sequence_table[static_cast<size_t>(destination)];
    if ((now.mode & kRunStateBits) == 1 && (now.flags & CUE_RECORD_IN_CUE) == 0) toggle_sequence_run(destination, 0);
}

void copy_playback_in_cue(int16_t source, int16_t destination) {
    ui::beep_interruptible(kCopyBeep_hz, kCopyBeep_ms);
    const int slot = live_cue_slot();
    if (source < 1 || source > kPlaybacks || destination < 1 || destination > kPlaybacks || slot == 0) return;
    store_playback_in_cue(destination, slot, playback_table[static_cast<size_t>(source)]);
    load_playback_from_cue(static_cast<int16_t>(slot), destination);
}

}  // namespace playback
