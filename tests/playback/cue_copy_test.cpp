// Clearing and copying cue slots: learned MIDI codes stay with their slot,
// emptied records leave the tables and the files, cue memories are released
// or duplicated, and the live playbacks and sequences that came from a
// cleared cue are reloaded unless frozen.
#include "playback/cue_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>

#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "merge_test_rig.h"
#include "playback/cue_editing.h"
#include "playback/cue_tables.h"
#include "playback/playback_loading.h"
#include "playback/key_groups.h"
#include "playback/playback_record.h"
#include "playback/playback_state.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "ui/edit_keys.h"
#include "ui/message_line.h"

namespace {

using playback::CUE_RECORD_IN_CUE;
using playback::CUE_RECORD_MIDI;
using playback::PlaybackRecord;
using playback::PointcueRecord;
using playback::SequenceRecord;

const int16_t kCue5 = static_cast<int16_t>(playback::cue_index(1, 5, 1));  // cue 5.0
const int16_t kCue7 = static_cast<int16_t>(playback::cue_index(1, 7, 1));  // cue 7.0

size_t playback_at(int slot, int p) { return static_cast<size_t>((slot - 1) * playback::kPlaybacks + p); }
size_t sequence_at(int slot, int s) { return static_cast<size_t>((slot - 1) * playback::kSequences + s); }
PlaybackRecord*& cue_playback(int slot, int p) { return playback::cue_playback_table[playback_at(slot, p)]; }
SequenceRecord*& cue_sequence(int slot, int s) { return playback::cue_sequence_table[sequence_at(slot, s)]; }
PointcueRecord*& pointcue(int slot) { return playback::cue_pointcue_table[static_cast<size_t>(slot)]; }

template <typename Record>
Record* make(Record*& entry, uint8_t flags) {
    void* block = runtime::show_table_allocator(sizeof(Record), __FILE__, __LINE__);
    entry = new (block) Record{};
    entry->flags = flags;
    return entry;
}

class CueCopy : public merge_test::MergeRig {
protected:
    // A programmed cue slot with a name.
    static void program_slot(int slot, const char* name) {
        auto& header = playback::cue_header_table[static_cast<size_t>(slot)];
        header.programmed = 1;
        header.name = {};
        std::copy_n(name, std::min<size_t>(std::char_traits<char>::length(name), 20), header.name.begin());
    }
    static PlaybackRecord* playback_with(int slot, int p, int16_t memory, uint16_t midi_first_word = 0) {
        PlaybackRecord* record = make(cue_playback(slot, p), CUE_RECORD_IN_CUE);
        record->memory = memory;
        record->fade_in = 30;
        if (midi_first_word != 0) {
            record->flags |= CUE_RECORD_MIDI;
            record->midi_code.words = {midi_first_word, 60, 127};
        }
        return record;
    }
    // Cue memory n in use with count items.
    static void use_memcue(int n, int count) {
        const auto at = static_cast<size_t>(n);
        auto* items = static_cast<datafiles::MemoryItem*>(
            runtime::show_table_allocator(static_cast<size_t>(count) * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
        for (int i = 0; i < count; ++i) items[i] = {1, static_cast<uint16_t>(100 + i), static_cast<uint16_t>(200 + i)};
        datafiles::memcue_items[at] = items;
        datafiles::memcue_index[at].count = count;
        datafiles::memcue_used[at] = 1;
        ++datafiles::memcue_used_count;
    }
    static std::string name_of(int slot) { return playback::cue_header_table[static_cast<size_t>(slot)].name.data(); }
    static int calls_of(const std::string& call) {
        const auto calls = runtime::logged_calls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }
};

TEST_F(CueCopy, ClearingACueKeepsLearnedCodesAndReleasesItsCueMemory) {
    program_slot(kCue5, "OPENING");
    playback_with(kCue5, 3, 11, 0x90);
    playback_with(kCue5, 4, 12);
    make(cue_sequence(kCue5, 2), CUE_RECORD_IN_CUE)->start_memory = 5;
    use_memcue(7, 2);
    make(pointcue(kCue5), CUE_RECORD_IN_CUE)->point_memory = 7;
    playback_with(kCue5 + 1, 1, 13);  // point 1 of the same cue
    const uint16_t used_before = datafiles::memcue_used_count;

    playback::clear_cue(kCue5);

    ASSERT_NE(cue_playback(kCue5, 3), nullptr) << "a record with a learned code stays";
    EXPECT_EQ(cue_playback(kCue5, 3)->flags, CUE_RECORD_MIDI);
    EXPECT_EQ(cue_playback(kCue5, 3)->midi_code.words[0], 0x90);
    EXPECT_EQ(cue_playback(kCue5, 3)->memory, 0);
    EXPECT_EQ(cue_playback(kCue5, 3)->fade_in, 0);
    EXPECT_EQ(playback::cue_playback_index[playback_at(kCue5, 3)].present, 1) << "and is on file";
    EXPECT_EQ(cue_playback(kCue5, 4), nullptr);
    EXPECT_EQ(playback::cue_playback_index[playback_at(kCue5, 4)].present, 0);
    EXPECT_EQ(cue_sequence(kCue5, 2), nullptr);
    EXPECT_EQ(pointcue(kCue5), nullptr);
    EXPECT_EQ(datafiles::memcue_used[7], 0);
    EXPECT_EQ(datafiles::memcue_items[7], nullptr);
    EXPECT_EQ(datafiles::memcue_index[7].count, 0);
    EXPECT_EQ(datafiles::memcue_used_count, used_before - 1);
    EXPECT_EQ(name_of(kCue5), "");
    ASSERT_NE(cue_playback(kCue5 + 1, 1), nullptr) << "the point cues of the cue are not touched";
    EXPECT_EQ(cue_playback(kCue5 + 1, 1)->memory, 13);
}

TEST_F(CueCopy, ClearingACueReloadsWhatCameFromItUnlessFrozen) {
    program_slot(kCue5, "A");
    playback_with(kCue5, 6, 11);
    for (int s : {1, 2}) {
        playback::sequence_table[static_cast<size_t>(s)].flags = 1;
        playback::sequence_origin_page[static_cast<size_t>(s)] = 1;
        playback::sequence_origin_cue[static_cast<size_t>(s)] = 5;
        playback::sequence_origin_point[static_cast<size_t>(s)] = 1;
    }
    ui::sequence_freeze[1] = 1;
    for (int p : {6, 7}) {
        playback::playback_table[static_cast<size_t>(p)].flags = 1;
        playback::playback_cue_origin[static_cast<size_t>(p)] = kCue5;
    }
    playback::playback_table[8].flags = 1;
    playback::playback_linked_cue[8] = static_cast<uint16_t>(kCue5);  // waits for cue 5.0, came from elsewhere
    ui::playback_freeze[7] = 1;
    runtime::clear_step_log();
    playback::clear_cue(kCue5);
    // Sequence 2 finds the cue empty and is cleared; frozen 1 keeps its record.
    EXPECT_EQ(playback::sequence_table[2].flags, 0);
    EXPECT_EQ(playback::sequence_table[1].flags, 1) << "frozen";
    // Playback 6 finds the cue empty and is cleared; frozen 7 keeps its record.
    EXPECT_EQ(playback::playback_table[6].flags, 0);
    EXPECT_EQ(playback::playback_cue_origin[6], kCue5);
    EXPECT_EQ(playback::playback_table[7].flags, 1) << "frozen";
    EXPECT_EQ(playback::playback_table[8].flags, 1) << "not from this cue";

    playback::playback_table[6].flags = 1;
    runtime::run_flags |= runtime::RUN_BLIND;
    playback::clear_cue(kCue5);
    EXPECT_EQ(playback::playback_table[6].flags, 1) << "blind";
    runtime::run_flags &= ~runtime::RUN_BLIND;
}

TEST_F(CueCopy, ClearingOnePartLeavesTheRest) {
    program_slot(kCue5, "PARTS");
    playback_with(kCue5, 2, 11);
    playback_with(kCue5, 9, 12, 0x91);
    make(cue_sequence(kCue5, 3), CUE_RECORD_IN_CUE);
    use_memcue(4, 1);
    make(pointcue(kCue5), CUE_RECORD_IN_CUE | CUE_RECORD_MIDI)->point_memory = 4;

    playback::clear_cue_playback(kCue5, 2);
    EXPECT_EQ(cue_playback(kCue5, 2), nullptr);
    EXPECT_NE(cue_playback(kCue5, 9), nullptr);
    playback::clear_cue_playback(kCue5, 9);
    ASSERT_NE(cue_playback(kCue5, 9), nullptr);
    EXPECT_EQ(cue_playback(kCue5, 9)->flags, CUE_RECORD_MIDI);

    playback::clear_cue_memory(kCue5);
    ASSERT_NE(pointcue(kCue5), nullptr) << "its MIDI code keeps the point cue";
    EXPECT_EQ(pointcue(kCue5)->flags, CUE_RECORD_MIDI);
    EXPECT_EQ(pointcue(kCue5)->point_memory, 0);
    EXPECT_EQ(datafiles::memcue_used[4], 0);
    EXPECT_NE(cue_sequence(kCue5, 3), nullptr);

    playback::clear_cue_sequence(kCue5, 3);
    EXPECT_EQ(cue_sequence(kCue5, 3), nullptr);
    EXPECT_EQ(name_of(kCue5), "PARTS") << "a part's clear keeps the name";
}

// Cue 5.0 onto 7.0: 7.0 has playbacks 1 and 2, 5.0 only playback 1.
TEST_F(CueCopy, CopyingLaysTheSourcesPartsOverTheDestination) {
    program_slot(kCue5, "FIVE");
    playback_with(kCue5, 1, 51, 0x95);
    use_memcue(7, 3);
    PointcueRecord* source_point = make(pointcue(kCue5), CUE_RECORD_IN_CUE);
    source_point->point_memory = 7;
    source_point->fade_in = 45;
    program_slot(kCue7, "SEVEN");
    playback_with(kCue7, 1, 71, 0x97);
    playback_with(kCue7, 2, 72);
    const uint16_t used_before = datafiles::memcue_used_count;

    playback::copy_cue(kCue5, kCue7);

    ASSERT_NE(cue_playback(kCue7, 1), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 1)->memory, 51) << "5.0's playback 1";
    EXPECT_EQ(cue_playback(kCue7, 1)->midi_code.words[0], 0x97) << "with 7.0's own MIDI code";
    EXPECT_EQ(cue_playback(kCue7, 1)->flags, CUE_RECORD_IN_CUE | CUE_RECORD_MIDI);
    ASSERT_NE(cue_playback(kCue7, 2), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 2)->memory, 72) << "7.0's own playback 2 stays";
    EXPECT_EQ(name_of(kCue7), "FIVE");

    ASSERT_NE(pointcue(kCue7), nullptr);
    const int16_t n = pointcue(kCue7)->point_memory;
    EXPECT_EQ(n, 1) << "the lowest free cue memory";
    EXPECT_EQ(pointcue(kCue7)->flags & CUE_RECORD_IN_CUE, CUE_RECORD_IN_CUE);
    EXPECT_EQ(pointcue(kCue7)->fade_in, 45);
    EXPECT_EQ(datafiles::memcue_index[1].count, 3);
    ASSERT_NE(datafiles::memcue_items[1], nullptr);
    EXPECT_NE(datafiles::memcue_items[1], datafiles::memcue_items[7]) << "a list of its own";
    EXPECT_EQ(datafiles::memcue_items[1][2].index, 102);
    EXPECT_EQ(datafiles::memcue_used_count, used_before + 1);
    EXPECT_EQ(source_point->point_memory, 7) << "the source keeps its own";
    EXPECT_EQ(cue_playback(kCue5, 1)->midi_code.words[0], 0x95);
}

TEST_F(CueCopy, CopyingFromAnUnprogrammedCueChangesNothing) {
    playback_with(kCue7, 2, 72);
    make(cue_playback(kCue5, 2), CUE_RECORD_IN_CUE)->memory = 52;  // a record, but the cue is not programmed
    playback::copy_cue(kCue5, kCue7);
    EXPECT_EQ(cue_playback(kCue7, 2)->memory, 72);
    EXPECT_EQ(pointcue(kCue7), nullptr);
}

TEST_F(CueCopy, WithoutAFreeCueMemoryTheCopyKeepsNoPointMemory) {
    program_slot(kCue5, "FULL");
    use_memcue(7, 2);
    PointcueRecord* source = make(pointcue(kCue5), CUE_RECORD_IN_CUE);
    source->point_memory = 7;
    source->hold = 80;
    // The destination's learned code keeps its point-cue record.
    make(pointcue(kCue7), CUE_RECORD_MIDI)->midi_code.words = {0x99, 1, 2};
    datafiles::memcue_used.fill(1);
    playback::copy_cue(kCue5, kCue7);
    EXPECT_EQ(ui::current_message(), "MAXIMUM 2000 POINTCUEMEMORIES !");
    ASSERT_NE(pointcue(kCue7), nullptr);
    EXPECT_EQ(pointcue(kCue7)->point_memory, playback::kNoPointMemory);
    EXPECT_EQ(pointcue(kCue7)->flags, CUE_RECORD_MIDI) << "not in use";
    EXPECT_EQ(pointcue(kCue7)->hold, 80) << "the times are copied";
    EXPECT_EQ(pointcue(kCue7)->midi_code.words[0], 0x99);
    datafiles::memcue_used.fill(0);
}

// No memory for a new sequence record: that record is skipped, the
// playbacks are still copied.
void* refuse_sequence_records(size_t size, const char* file, unsigned line) {
    if (size == sizeof(SequenceRecord)) return nullptr;
    return memcheck::mc_malloc_at(size, file, line);
}

TEST_F(CueCopy, ARecordWithoutMemoryIsSkippedAndTheRestCopied) {
    program_slot(kCue5, "TIGHT");
    make(cue_sequence(kCue5, 1), CUE_RECORD_IN_CUE)->start_memory = 9;
    playback_with(kCue5, 4, 54);
    const auto allocator = runtime::show_table_allocator;
    runtime::show_table_allocator = refuse_sequence_records;
    playback::copy_cue(kCue5, kCue7);
    runtime::show_table_allocator = allocator;
    EXPECT_EQ(ui::current_message(), "NOT ENOUGH MEMORY");
    EXPECT_EQ(cue_sequence(kCue7, 1), nullptr);
    ASSERT_NE(cue_playback(kCue7, 4), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 4)->memory, 54);
}

TEST_F(CueCopy, LiveItemsGoIntoACueAsSelected) {
    playback::sequence_table[1].flags = 1;
    playback::sequence_table[1].start_memory = 21;
    playback::playback_table[2].flags = 0;  // not programmed: clears the cue's record, its code kept
    playback::playback_table[3].flags = 1;  // not selected
    playback::playback_table[3].memory = 33;
    playback_with(kCue7, 2, 72, 0x92);
    std::array<uint8_t, playback::kSequences + 1> sequences{};
    std::array<uint8_t, playback::kPlaybacks + 1> playbacks{};
    sequences[1] = 1;
    playbacks[2] = 1;
    playback::store_live_items_in_cue(kCue7, sequences, playbacks);
    ASSERT_NE(cue_sequence(kCue7, 1), nullptr);
    EXPECT_EQ(cue_sequence(kCue7, 1)->start_memory, 21);
    ASSERT_NE(cue_playback(kCue7, 2), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 2)->flags, CUE_RECORD_MIDI);
    EXPECT_EQ(cue_playback(kCue7, 2)->memory, 0);
    EXPECT_EQ(cue_playback(kCue7, 3), nullptr);
}

TEST_F(CueCopy, OneLivePlaybackOntoAnotherOfTheLiveCue) {
    playback::current_cue_page = 1;
    playback::current_cue = 7;
    playback::current_cue_point = 1;
    playback::playback_table[5].flags = 1;
    playback::playback_table[5].memory = 55;
    runtime::clear_step_log();
    playback::playback_table[5].flags |= CUE_RECORD_MIDI;  // a code the live record carries along
    playback::playback_table[5].midi_code.words = {0x95, 5, 5};
    playback_with(kCue7, 9, 79, 0x99);
    playback::playback_table[6] = playback::playback_table[5];
    runtime::clear_step_log();
    playback::copy_playback_in_cue(5, 8);
    ASSERT_NE(cue_playback(kCue7, 8), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 8)->memory, 55);
    EXPECT_EQ(cue_playback(kCue7, 8)->flags, CUE_RECORD_IN_CUE) << "no code of its own, none taken";
    EXPECT_EQ(playback::playback_cue_origin[8], kCue7) << "playback 8 loads from the live cue";
    // Onto a record with a learned code: the destination keeps its code.
    playback::copy_playback_in_cue(6, 9);
    ASSERT_NE(cue_playback(kCue7, 9), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 9)->memory, 55);
    EXPECT_EQ(cue_playback(kCue7, 9)->flags, CUE_RECORD_IN_CUE | CUE_RECORD_MIDI);
    EXPECT_EQ(cue_playback(kCue7, 9)->midi_code.words[0], 0x99);
    EXPECT_EQ(playback::playback_midi_codes[9].words[0], 0x99) << "the live playback answers the cue's code";
}

// A point cue that only links to another cue (no point memory) is copied
// with its link and times.
TEST_F(CueCopy, ALinkOnlyPointCueIsCopiedWithItsLink) {
    program_slot(kCue5, "LINK");
    PointcueRecord* source = make(pointcue(kCue5), CUE_RECORD_IN_CUE);
    source->point_memory = playback::kNoPointMemory;
    source->link_mode = 1;
    source->linked_cue = kCue7;
    source->hold = 50;
    playback::update_cue_programmed_flag(kCue5);
    playback::copy_cue(kCue5, 31);
    ASSERT_NE(pointcue(31), nullptr);
    EXPECT_EQ(pointcue(31)->flags, CUE_RECORD_IN_CUE);
    EXPECT_EQ(pointcue(31)->linked_cue, kCue7);
    EXPECT_EQ(pointcue(31)->hold, 50);
    EXPECT_EQ(pointcue(31)->point_memory, playback::kNoPointMemory);
    EXPECT_EQ(playback::cue_header_table[31].programmed, 1);
}

}  // namespace
