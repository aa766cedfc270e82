#include "playback/pointcue_programming.h"

#include <algorithm>
#include <new>

#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "playback/cue_copy.h"
#include "playback/playback_record.h"
#include "runtime/show_tables.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"

namespace playback {

void reset_pointcue_programming_globals() {}

namespace {

constexpr int32_t kErrorBeepHz = 400;
constexpr uint32_t kErrorBeep_ms = 2000;

size_t at(int n) { return static_cast<size_t>(n); }
bool valid_cue_memory(int n) { return n >= 1 && n <= datafiles::kCueMemories; }
bool in_use(const PointcueRecord& r) { return (r.flags & CUE_RECORD_IN_CUE) != 0; }
bool buffer_empty() { return memories::pack_count <= 0 || memories::pack_buffer == nullptr; }

void report(const char* message) {
    ui::show_message("%s", message);
    ui::beep(kErrorBeepHz, kErrorBeep_ms);
}

// The lowest cue memory not in use; 0 when all 2000 are.
int16_t lowest_free_cue_memory() {
    for (int n = 1; n <= datafiles::kCueMemories; ++n) {
        if (datafiles::memcue_used[at(n)] == 0) return static_cast<int16_t>(n);
    }
    return 0;
}

PointcueRecord* new_record() {
    void* block = runtime::show_table_allocator(sizeof(PointcueRecord), __FILE__, __LINE__);
    return block != nullptr ? new (block) PointcueRecord{} : nullptr;
}

// The slot's learned MIDI code (and bit 1) stays with the slot whatever is stored over it.
void keep_midi_code(PointcueRecord& r, const PointcueRecord& slot_record) {
    r.flags = static_cast<uint8_t>((r.flags & ~CUE_RECORD_MIDI) | (slot_record.flags & CUE_RECORD_MIDI));
    r.midi_code = slot_record.midi_code;
}

// Cue memory n := the pack buffer; false (the cue memory as it was) when the list cannot be had.
bool write_work_buffer(int16_t n) {
    const auto k = at(n);
    datafiles::MemoryItem* list = nullptr;
    const auto count = static_cast<size_t>(std::max(memories::pack_count, 0));
    if (!buffer_empty()) {
        list = static_cast<datafiles::MemoryItem*>(
            runtime::show_table_allocator(count * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
        if (list == nullptr) {
            report("NOT ENOUGH MEMORY");
            return false;
        }
        std::copy_n(memories::pack_buffer, count, list);
    }
    if (datafiles::memcue_used[k] == 1) {
        datafiles::memcue_used[k] = 0;
        if (datafiles::memcue_used_count > 0) --datafiles::memcue_used_count;
    }
    if (datafiles::memcue_items[k] != nullptr) memcheck::mc_free_at(datafiles::memcue_items[k], __FILE__, __LINE__);
    datafiles::memcue_items[k] = list;
    datafiles::memcue_index[k].count = list != nullptr ? static_cast<int32_t>(count) : 0;
    if (list != nullptr) {
        datafiles::memcue_used[k] = 1;
        ++datafiles::memcue_used_count;
    }
    ui::draw_free_cuemem_count(static_cast<int16_t>(datafiles::kCueMemories - datafiles::memcue_used_count));
    datafiles::save_memcue_record(n);  // also empties the trace cache
    return true;
}

// First of a store with bit 0 set: the point memory settled against the
// pack buffer. False when the store is abandoned (no free cue memory).
bool settle_point_memory(PointcueRecord& r) {
    if (r.point_memory == kNewPointMemory) {
        const int16_t n = lowest_free_cue_memory();
        if (n == 0) {
            report("MAXIMUM 2000 POINTCUEMEMORIES !");
            return false;
        }
        if (buffer_empty()) {
            report("CUEMEMORY EMPTY !");
            drop_point_memory(r);
        } else if (write_work_buffer(n)) {
            r.point_memory = n;
        } else {
            drop_point_memory(r);
        }
        return true;
    }
    if (!valid_cue_memory(r.point_memory)) {
        if (buffer_empty() && r.linked_cue == 0) r.flags = static_cast<uint8_t>(r.flags & ~CUE_RECORD_IN_CUE);
        return true;
    }
    const bool emptied = buffer_empty();
    if (write_work_buffer(r.point_memory) && emptied) drop_point_memory(r);
    return true;
}

}  // namespace

void drop_point_memory(PointcueRecord& r) {
    r.point_memory = kNoPointMemory;
    if (r.linked_cue == 0) r.flags = static_cast<uint8_t>(r.flags & ~CUE_RECORD_IN_CUE);
}

void store_work_buffer_in_cue_memory(int16_t cue_memory) {
    if (valid_cue_memory(cue_memory)) write_work_buffer(cue_memory);
}

void store_pointcue_in_cue(int16_t slot, PointcueRecord& record) {
    if (!valid_cue_slot(slot)) return;
    PointcueRecord*& entry = cue_pointcue_table[at(slot)];
    // The cue memory the slot holds now: freed below when the stored record no longer names it.
    const int16_t previous = entry != nullptr && in_use(*entry) && valid_cue_memory(entry->point_memory)
                                 ? entry->point_memory
                                 : int16_t{0};
    bool written = false;
    if (in_use(record)) {
        if (entry == nullptr) entry = new_record();
        if (entry == nullptr) {
            report("NOT ENOUGH MEMORY");
        } else if (settle_point_memory(record)) {
            keep_midi_code(record, *entry);
            *entry = record;
            written = true;
        }
    } else if (entry != nullptr) {
        keep_midi_code(record, *entry);
        *entry = record;
        written = true;
    }
    if (written && previous != 0) {
        const bool still_named = in_use(*entry) && entry->point_memory == previous;
        if (!still_named) free_memcue(previous);
    }
    if (entry != nullptr && (entry->flags & (CUE_RECORD_IN_CUE | CUE_RECORD_MIDI)) == 0) {
        memcheck::mc_free_at(entry, __FILE__, __LINE__);
        entry = nullptr;
    }
    const auto cue = static_cast<int16_t>(cue_slot_cue(slot));
    const auto point = static_cast<int16_t>(cue_slot_point(slot));
    const auto page = static_cast<int16_t>(cue_slot_page(slot));
    // The count of programmed cues goes by the header as it was before this
    // store, and the save marks the header programmed: count first.
    refresh_stored_cue(cue, page, point);
    datafiles::save_pointcue_record(cue, point, page);
}

void store_pointcue_with_defaults(int16_t cue, int16_t point, int16_t page) {
    ui::beep(800, 100);
    const int slot = cue_slot_of(page, cue, point);
    if (!valid_cue_slot(slot) || cue < 1 || cue > kCuesPerPage || point < 1 || point > kPointsPerCue) return;
    PointcueRecord& r = pointcue_edit_record;
    const PointcueRecord* stored = programmed_pointcue(slot);
    if (stored == nullptr) {
        r = PointcueRecord{};
        r.point_memory = kNewPointMemory;
    } else {
        r = *stored;
        if (!valid_cue_memory(r.point_memory)) r.point_memory = kNewPointMemory;
    }
    r.flags |= CUE_RECORD_IN_CUE;
    const std::array<uint16_t, ui::kTimeKinds + 1>& times = ui::default_times;
    r.delay_in = times[1];
    r.fade_in = times[2];
    r.delay_out = times[3];
    r.fade_out = times[4];
    r.hold = times[5];
    store_pointcue_in_cue(static_cast<int16_t>(slot), r);
}

}  // namespace playback
