// Storing point cues on the demo rig: a new point memory takes the lowest
// free cue memory, every refusal leaves records and cue memories as they
// were, an emptied point cue frees its cue memory, learned MIDI codes and
// links stay with their slot, and the quick store takes the programmer's
// default times.
#include "playback/pointcue_programming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <vector>

#include "../memories/cue_memory_items.h"
#include "../programmer/programmer_test_rig.h"
#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/cue_memories.h"
#include "memories/memories.h"
#include "platform/speaker.h"
#include "playback/cue_tables.h"
#include "runtime/show_tables.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"

namespace {

using datafiles::MemoryItem;
using playback::CUE_RECORD_IN_CUE;
using playback::CUE_RECORD_MIDI;
using playback::PointcueRecord;
using cue_memory_test::Items;
using cue_memory_test::cue_memory_items;
using cue_memory_test::use_cue_memory;

constexpr int kSlot = playback::cue_slot_of(2, 12, 4);  // 814

PointcueRecord*& slot_record(int slot) { return playback::cue_pointcue_table[static_cast<size_t>(slot)]; }

class PointcueStore : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
        std::fill_n(runtime::programmer_generators, runtime::kShowGeneratorBytes + 1, uint8_t{255});
        std::fill_n(runtime::programmer_figures, runtime::kShowFigureBytes + 1, uint8_t{255});
        std::fill_n(runtime::programmer_time_set, runtime::kShowTimeSlots + 1, uint8_t{0});
    }

    static PointcueRecord* put_record(int slot, uint8_t flags, int16_t point_memory) {
        void* block = runtime::show_table_allocator(sizeof(PointcueRecord), __FILE__, __LINE__);
        PointcueRecord* record = new (block) PointcueRecord{};
        record->flags = flags;
        record->point_memory = point_memory;
        slot_record(slot) = record;
        return record;
    }
    static void learn_midi(PointcueRecord& record) {
        record.flags |= CUE_RECORD_MIDI;
        record.midi_code.words = {0x90, 61, 127};
    }
    // The programmer with two values packed into the pack buffer.
    static void pack_two_values() {
        runtime::programmer_values[5] = 100;
        runtime::programmer_values[9] = 200;
        ASSERT_TRUE(memories::pack_cue_work_buffer());
        ASSERT_EQ(memories::pack_count, 2);
    }
    static PointcueRecord new_content() {
        PointcueRecord record;
        record.flags = CUE_RECORD_IN_CUE;
        record.point_memory = playback::kNewPointMemory;
        record.fade_in = 25;
        return record;
    }
};

TEST_F(PointcueStore, NewContentTakesTheLowestFreeCueMemory) {
    for (int n : {1, 2, 4}) use_cue_memory(n, {{0, 1, 1}});
    pack_two_values();
    PointcueRecord record = new_content();
    playback::store_pointcue_in_cue(kSlot, record);

    ASSERT_NE(slot_record(kSlot), nullptr);
    EXPECT_EQ(slot_record(kSlot)->point_memory, 3);
    EXPECT_EQ(slot_record(kSlot)->fade_in, 25);
    EXPECT_EQ(record.point_memory, 3) << "the caller sees the number given";
    EXPECT_EQ(cue_memory_items(3), (Items{{0, 5, 100}, {0, 9, 200}}));
    EXPECT_EQ(datafiles::memcue_used[3], 1);
    EXPECT_EQ(datafiles::memcue_used_count, 4);
    EXPECT_EQ(playback::cue_header_table[kSlot].programmed, 1);

    // Both files hold it: a fresh load finds the record and its items.
    datafiles::load_memcue_file();
    datafiles::load_pointcue_file();
    ASSERT_NE(slot_record(kSlot), nullptr);
    EXPECT_EQ(slot_record(kSlot)->point_memory, 3);
    EXPECT_EQ(cue_memory_items(3), (Items{{0, 5, 100}, {0, 9, 200}}));
}

// The free-cue counter: each newly programmed slot counts once, also when
// other cues are programmed already (the save marks the header itself).
TEST_F(PointcueStore, EachNewlyProgrammedSlotCountsOnce) {
    const uint16_t cues_before = playback::cue_used_count;
    for (const int slot : {kSlot, kSlot + 1}) {
        pack_two_values();
        PointcueRecord record = new_content();
        playback::store_pointcue_in_cue(static_cast<int16_t>(slot), record);
    }
    EXPECT_EQ(playback::cue_used_count, cues_before + 2);
    PointcueRecord again = *slot_record(kSlot);
    playback::store_pointcue_in_cue(kSlot, again);
    EXPECT_EQ(playback::cue_used_count, cues_before + 2) << "storing a programmed slot again counts nothing";
}

TEST_F(PointcueStore, WithEveryCueMemoryUsedNothingChanges) {
    datafiles::memcue_used.fill(1);
    datafiles::memcue_used_count = 2000;
    PointcueRecord* old = put_record(kSlot, CUE_RECORD_IN_CUE, 0);
    old->linked_cue = 40;
    old->hold = 70;
    pack_two_values();
    PointcueRecord record = new_content();
    playback::store_pointcue_in_cue(kSlot, record);
    EXPECT_EQ(ui::current_message(), "MAXIMUM 2000 POINTCUEMEMORIES !");
    ASSERT_EQ(slot_record(kSlot), old);
    EXPECT_EQ(old->point_memory, 0);
    EXPECT_EQ(old->linked_cue, 40);
    EXPECT_EQ(old->hold, 70);
    EXPECT_EQ(datafiles::memcue_used_count, 2000);
    const auto tones = rig_.tones();
    EXPECT_TRUE(std::any_of(tones.begin(), tones.end(), [](const platform::Tone& t) { return t.freq_hz == 400; }));
    datafiles::memcue_used.fill(0);
    datafiles::memcue_used_count = 0;
}

TEST_F(PointcueStore, NewContentWithAnEmptyBufferIsNotStored) {
    memories::free_cue_work_buffer();
    PointcueRecord record = new_content();
    playback::store_pointcue_in_cue(kSlot, record);
    EXPECT_EQ(ui::current_message(), "CUEMEMORY EMPTY !");
    EXPECT_EQ(slot_record(kSlot), nullptr);
    EXPECT_EQ(datafiles::memcue_used_count, 0);
}

// An empty buffer frees the point cue's cue memory; the record goes unless
// it keeps a learned MIDI code or a link.
TEST_F(PointcueStore, AnEmptiedPointCueFreesItsCueMemory) {
    struct Case {
        const char* what;
        bool midi;
        int16_t linked_cue;
        bool record_stays;
        uint8_t flags_after;
    };
    const Case cases[] = {
        {"nothing else: the record goes", false, 0, false, 0},
        {"a learned MIDI code keeps the record", true, 0, true, CUE_RECORD_MIDI},
        {"a link keeps the record in use", false, 33, true, CUE_RECORD_IN_CUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        use_cue_memory(7, {{0, 1, 50}, {0, 2, 60}});
        PointcueRecord* old = put_record(kSlot, CUE_RECORD_IN_CUE, 7);
        if (c.midi) learn_midi(*old);
        old->linked_cue = c.linked_cue;
        const uint16_t used = datafiles::memcue_used_count;
        memories::free_cue_work_buffer();
        PointcueRecord record = *old;
        playback::store_pointcue_in_cue(kSlot, record);

        EXPECT_EQ(datafiles::memcue_used[7], 0);
        EXPECT_EQ(datafiles::memcue_items[7], nullptr);
        EXPECT_EQ(datafiles::memcue_used_count, used - 1);
        ASSERT_EQ(slot_record(kSlot) != nullptr, c.record_stays);
        if (c.record_stays) {
            EXPECT_EQ(slot_record(kSlot)->flags, c.flags_after);
            EXPECT_EQ(slot_record(kSlot)->point_memory, playback::kNoPointMemory) << "it names no freed memory";
            EXPECT_EQ(slot_record(kSlot)->linked_cue, c.linked_cue);
        }
        if (slot_record(kSlot) != nullptr) memcheck::mc_free_at(slot_record(kSlot), __FILE__, __LINE__);
        slot_record(kSlot) = nullptr;
    }
}

// A clear (bit 0 clear) keeps the slot's MIDI code and frees the cue memory
// the slot held.
TEST_F(PointcueStore, ClearingKeepsTheLearnedCodeAndFreesTheCueMemory) {
    for (const bool midi : {true, false}) {
        SCOPED_TRACE(midi ? "with a MIDI code" : "without");
        use_cue_memory(12, {{0, 3, 9}});
        PointcueRecord* old = put_record(kSlot, CUE_RECORD_IN_CUE, 12);
        if (midi) learn_midi(*old);
        PointcueRecord cleared;  // all zero: no MIDI code of its own
        cleared.point_memory = playback::kNoPointMemory;
        playback::store_pointcue_in_cue(kSlot, cleared);
        EXPECT_EQ(datafiles::memcue_used[12], 0);
        if (midi) {
            ASSERT_NE(slot_record(kSlot), nullptr);
            EXPECT_EQ(slot_record(kSlot)->flags, CUE_RECORD_MIDI);
            EXPECT_EQ(slot_record(kSlot)->midi_code.words, (std::array<uint16_t, 3>{0x90, 61, 127}));
            memcheck::mc_free_at(slot_record(kSlot), __FILE__, __LINE__);
            slot_record(kSlot) = nullptr;
        } else {
            EXPECT_EQ(slot_record(kSlot), nullptr);
        }
    }
}

// Row 1 cleared in the dialog (point memory -1, a link kept): the old cue
// memory is not left in use without an owner.
TEST_F(PointcueStore, ARecordThatNoLongerNamesItsCueMemoryFreesIt) {
    use_cue_memory(5, {{0, 3, 9}});
    PointcueRecord* old = put_record(kSlot, CUE_RECORD_IN_CUE, 5);
    old->linked_cue = 20;
    pack_two_values();  // what the dialog loaded: it is not written anywhere
    PointcueRecord record = *old;
    record.point_memory = playback::kNoPointMemory;
    playback::store_pointcue_in_cue(kSlot, record);
    ASSERT_NE(slot_record(kSlot), nullptr);
    EXPECT_EQ(slot_record(kSlot)->flags, CUE_RECORD_IN_CUE);
    EXPECT_EQ(slot_record(kSlot)->linked_cue, 20);
    EXPECT_EQ(datafiles::memcue_used[5], 0);
    EXPECT_EQ(datafiles::memcue_used_count, 0);
}

TEST_F(PointcueStore, TheFirstStoreOntoAMidiOnlySlotKeepsItsCode) {
    PointcueRecord* midi_only = put_record(kSlot, 0, 0);
    learn_midi(*midi_only);
    pack_two_values();
    PointcueRecord record = new_content();  // begun from zeros, as the dialog does
    playback::store_pointcue_in_cue(kSlot, record);
    ASSERT_NE(slot_record(kSlot), nullptr);
    EXPECT_EQ(slot_record(kSlot)->flags, CUE_RECORD_IN_CUE | CUE_RECORD_MIDI);
    EXPECT_EQ(slot_record(kSlot)->midi_code.words, (std::array<uint16_t, 3>{0x90, 61, 127}));
    EXPECT_EQ(slot_record(kSlot)->point_memory, 1);
}

TEST_F(PointcueStore, NoRoomForTheItemsLeavesTheCueMemoryFree) {
    pack_two_values();
    PointcueRecord record = new_content();
    const auto allocator = runtime::show_table_allocator;
    // The record itself can be had; the item list cannot.
    static int calls = 0;
    calls = 0;
    runtime::show_table_allocator = [](size_t bytes, const char* file, unsigned line) -> void* {
        return ++calls == 1 ? memcheck::mc_malloc_at(bytes, file, line) : nullptr;
    };
    playback::store_pointcue_in_cue(kSlot, record);
    runtime::show_table_allocator = allocator;
    EXPECT_EQ(ui::current_message(), "NOT ENOUGH MEMORY");
    EXPECT_EQ(datafiles::memcue_used[1], 0);
    EXPECT_EQ(datafiles::memcue_used_count, 0);
    EXPECT_EQ(slot_record(kSlot), nullptr) << "no record names a cue memory that holds nothing";
}

TEST_F(PointcueStore, QuickStoreOnAnEmptySlotTakesTheDefaultTimes) {
    ui::default_times = {0, 5, 20, 32000, 40, 32000};
    pack_two_values();
    playback::store_pointcue_with_defaults(12, 4, 2);
    const PointcueRecord* r = slot_record(kSlot);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->flags, CUE_RECORD_IN_CUE);
    EXPECT_EQ(r->point_memory, 1);
    EXPECT_EQ(r->fade_mode, 0);
    EXPECT_EQ(r->link_mode, 0);
    EXPECT_EQ(r->linked_cue, 0);
    EXPECT_EQ(r->delay_in, 5);
    EXPECT_EQ(r->fade_in, 20);
    EXPECT_EQ(r->delay_out, 32000);
    EXPECT_EQ(r->fade_out, 40);
    EXPECT_EQ(r->hold, 32000);
    EXPECT_EQ(cue_memory_items(1), (Items{{0, 5, 100}, {0, 9, 200}}));
}

TEST_F(PointcueStore, QuickStoreRewritesTheSlotsCueMemoryAndKeepsItsSettings) {
    use_cue_memory(17, {{0, 1, 1}, {0, 2, 2}, {0, 3, 3}});
    PointcueRecord* old = put_record(kSlot, CUE_RECORD_IN_CUE, 17);
    learn_midi(*old);
    old->fade_mode = 3;
    old->link_mode = 1;
    old->linked_cue = 55;
    ui::default_times = {0, 1, 2, 3, 4, 5};
    pack_two_values();
    playback::store_pointcue_with_defaults(12, 4, 2);
    const PointcueRecord* r = slot_record(kSlot);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->point_memory, 17);
    EXPECT_EQ(cue_memory_items(17), (Items{{0, 5, 100}, {0, 9, 200}}));
    EXPECT_EQ(datafiles::memcue_used_count, 1);
    EXPECT_EQ(r->fade_mode, 3);
    EXPECT_EQ(r->link_mode, 1);
    EXPECT_EQ(r->linked_cue, 55);
    EXPECT_EQ(r->flags, CUE_RECORD_IN_CUE | CUE_RECORD_MIDI);
    EXPECT_EQ(r->midi_code.words, (std::array<uint16_t, 3>{0x90, 61, 127}));
    EXPECT_EQ(r->delay_in, 1);
    EXPECT_EQ(r->hold, 5);
    EXPECT_EQ(r->delay_out, 3);
}

}  // namespace
