// The cue files: point cues, cue sequences and cue playbacks stored record
// by record and read back by a fresh load, the place rule, the refusals of a
// damaged file, compaction, and the check of the point cues against the cue
// memories.
#include "datafiles/cue_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cue_file_bytes.h"
#include "data_dir.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/load_report.h"
#include "memcheck/memcheck.h"
#include "playback/cue_tables.h"
#include "rig/console.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/main_loop.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "ui/message_line.h"

namespace {

using datafiles_test::CueFileBytes;
using datafiles_test::i32_at;
using datafiles_test::text_at;
using playback::CUE_RECORD_IN_CUE;
using playback::CUE_RECORD_MIDI;
using playback::PlaybackRecord;
using playback::PointcueRecord;
using playback::SequenceRecord;

constexpr const char* kPointcues = "data/cuemem.dat";
constexpr const char* kSequences = "data/cueseq.dat";
constexpr const char* kPlaybacks = "data/cueplayb.dat";

// A record in the table, allocated as the cue code allocates it.
template <typename Record>
Record* put(Record*& slot, const Record& value) {
    if (slot != nullptr) memcheck::mc_free_at(slot, __FILE__, __LINE__);
    slot = new (memcheck::mc_malloc_at(sizeof(Record), __FILE__, __LINE__)) Record(value);
    return slot;
}

PointcueRecord point_cue(int16_t cue_memory, uint16_t fade_in) {
    PointcueRecord record;
    record.flags = CUE_RECORD_IN_CUE;
    record.midi_code.words = {0x90, 60, 127};
    record.point_memory = cue_memory;
    record.fade_mode = 3;
    record.link_mode = 1;
    record.linked_cue = 11200;
    record.delay_in = 5;
    record.fade_in = fade_in;
    record.hold = 32000;
    record.fade_out = 40;
    record.delay_out = 7;
    return record;
}

PlaybackRecord playback_snapshot(int16_t memory) {
    PlaybackRecord record;
    record.flags = CUE_RECORD_IN_CUE | CUE_RECORD_MIDI;
    record.midi_code.words = {0xB0, 7, 1};
    record.memory = memory;
    record.fade_mode = 5;
    record.threshold = 70;
    record.modes = 0x25;
    record.fade_in = 600;
    record.fade_out = 60000;
    return record;
}

SequenceRecord sequence_snapshot(uint16_t start_memory) {
    SequenceRecord record;
    record.flags = CUE_RECORD_IN_CUE;
    record.midi_code.words = {0xC0, 3, 0};
    record.start_memory = start_memory;
    record.loop_memories[1] = 11;
    record.loop_memories[100] = 3999;
    record.end_memory = 4000;
    record.step_fade_modes[1] = 1;
    record.step_fade_modes[102] = 5;
    record.step_thresholds[50] = 70;
    record.loop_length = 100;
    record.loop_count = 1001;
    record.linked_cue = 11200;
    record.spare_byte = 9;
    record.fade_time = 250;
    record.wait_delay = 100;
    record.spare_word = 0xBEEF;
    record.reserved_a = {1, 2, 3, 4, 5, 6};
    record.mode = 0x91;
    record.sound_band = 4;
    record.beats_per_step = 3;
    record.reserved_b = {8, 7, 6, 5, 4, 3, 2, 1};
    return record;
}

// Records compare by their bytes on file.
bool same(const PointcueRecord* a, const PointcueRecord& b) {
    return a != nullptr && datafiles_test::pointcue_bytes(*a) == datafiles_test::pointcue_bytes(b);
}
bool same(const PlaybackRecord* a, const PlaybackRecord& b) {
    return a != nullptr && datafiles_test::playback_bytes(*a) == datafiles_test::playback_bytes(b);
}
bool same(const SequenceRecord* a, const SequenceRecord& b) {
    return a != nullptr && datafiles_test::sequence_bytes(*a) == datafiles_test::sequence_bytes(b);
}

class CueFiles : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        datafiles::init_pointcue_file();
        datafiles::init_cue_sequence_file();
        datafiles::init_cue_playback_file();
        datafiles::init_memcue_file();
    }
    // The next show start: every table emptied, then the files loaded.
    void reload() {
        datafiles::release_cue_records();
        datafiles::load_pointcue_file();
        datafiles::load_cue_playback_file();
        datafiles::load_cue_sequence_file();
    }
};

// ------------------------------------------------------------------ round trips and the place rule

TEST_F(CueFiles, EveryRecordKindRoundTripsThroughSaveAndAFreshLoad) {
    put(playback::cue_pointcue_table[1], point_cue(17, 300));
    std::strcpy(playback::cue_header_table[1].name.data(), "OPENING");
    put(playback::cue_playback_table[470400], playback_snapshot(4000));
    put(playback::cue_sequence_table[44800], sequence_snapshot(12));

    ASSERT_TRUE(datafiles::save_pointcue_record(1, 1, 1));
    ASSERT_TRUE(datafiles::save_pointcue_name(1, 1, 1));
    ASSERT_TRUE(datafiles::save_cue_playback_record(70, 10, 16, 42));   // record 470400
    ASSERT_TRUE(datafiles::save_cue_sequence_record(70, 10, 16, 4));    // record 44800
    ASSERT_TRUE(datafiles::save_cue_sequence_record(2, 1, 1, 1));       // slot 11: record 41
    EXPECT_EQ(playback::cue_sequence_index[41].present, 0);             // 41 holds no record

    // Slot 1's tag carries five digits, playback record 470400's six.
    const std::vector<uint8_t> pointcues = read(kPointcues);
    EXPECT_EQ(text_at(pointcues, 302412, 9), "+-00001-+");
    EXPECT_EQ(i32_at(pointcues, 12 + 23), 302412);
    EXPECT_EQ(pointcues.at(12 + 21), 1);  // programmed
    EXPECT_EQ(pointcues.at(12 + 22), 1);  // present
    EXPECT_EQ(text_at(pointcues, 12, 7), "OPENING");
    EXPECT_EQ(pointcues.at(12 + 7), 0);
    const std::vector<uint8_t> playbacks = read(kPlaybacks);
    EXPECT_EQ(text_at(playbacks, 2352012, 10), "+-470400-+");
    EXPECT_EQ(playbacks.size(), 2352012u + 10 + 16);
    EXPECT_EQ(i32_at(playbacks, 12 + 470399 * 5 + 1), 2352012);

    reload();
    EXPECT_TRUE(same(playback::cue_pointcue_table[1], point_cue(17, 300)));
    EXPECT_EQ(std::string(playback::cue_header_table[1].name.data()), "OPENING");
    EXPECT_TRUE(same(playback::cue_playback_table[470400], playback_snapshot(4000)));
    EXPECT_TRUE(same(playback::cue_sequence_table[44800], sequence_snapshot(12)));
    EXPECT_EQ(playback::cue_sequence_table[41], nullptr);
    EXPECT_EQ(playback::cue_pointcue_table[2], nullptr);
    EXPECT_TRUE(datafiles::load_reports().empty());
}

TEST_F(CueFiles, SavingAProgrammedPointCueMarksItsWholeCue) {
    put(playback::cue_pointcue_table[23], point_cue(1, 0));  // cue 3, point 3 of page 1
    ASSERT_TRUE(datafiles::save_pointcue_record(3, 3, 1));
    EXPECT_EQ(playback::cue_point_flags[3], playback::kCuePointOthersOnly);
    put(playback::cue_pointcue_table[21], point_cue(2, 0));  // the cue's own point
    ASSERT_TRUE(datafiles::save_pointcue_record(3, 1, 1));
    EXPECT_EQ(playback::cue_point_flags[3], playback::kCuePointOwn);
    ASSERT_TRUE(datafiles::save_pointcue_record(3, 3, 1));
    EXPECT_EQ(playback::cue_point_flags[3], playback::kCuePointOwn);  // 2 only over 0
    EXPECT_EQ(playback::cue_header_table[23].programmed, 1);
}

TEST_F(CueFiles, ASavedRecordKeepsItsPlaceAndARecordNotPresentWritesOnlyItsEntry) {
    SequenceRecord* record = put(playback::cue_sequence_table[9], sequence_snapshot(1));
    ASSERT_TRUE(datafiles::save_cue_sequence_record(1, 3, 1, 1));  // slot 3, sequence 1: record 9
    put(playback::cue_sequence_table[2], sequence_snapshot(2));
    ASSERT_TRUE(datafiles::save_cue_sequence_record(1, 1, 1, 2));
    const uintmax_t size = size_of(kSequences);
    const int32_t place = playback::cue_sequence_index[9].offset;
    EXPECT_EQ(place, 224012);

    record->start_memory = 77;
    ASSERT_TRUE(datafiles::save_cue_sequence_record(1, 3, 1, 1));
    EXPECT_EQ(size_of(kSequences), size);  // rewritten in place
    EXPECT_EQ(datafiles_test::u16_at(read(kSequences), 224012 + 9 + 7), 77);

    // Neither bit set: the entry says not present, the place stays and so do the bytes.
    record->flags = 0;
    ASSERT_TRUE(datafiles::save_cue_sequence_record(1, 3, 1, 1));
    std::vector<uint8_t> file = read(kSequences);
    EXPECT_EQ(file.at(12 + 8 * 5), 0);
    EXPECT_EQ(i32_at(file, 12 + 8 * 5 + 1), place);
    EXPECT_EQ(text_at(file, 224012, 9), "+-00009-+");

    // Only a MIDI code learned: present again, in the old place.
    record->flags = CUE_RECORD_MIDI;
    record->start_memory = 78;
    ASSERT_TRUE(datafiles::save_cue_sequence_record(1, 3, 1, 1));
    file = read(kSequences);
    EXPECT_EQ(file.size(), size);
    EXPECT_EQ(file.at(12 + 8 * 5), 1);
    EXPECT_EQ(datafiles_test::u16_at(file, 224012 + 9 + 7), 78);
}

// ------------------------------------------------------------------ refused saves

TEST_F(CueFiles, NumbersOutOfRangeAreRefusedWithAMessageAndNothingIsWritten) {
    const std::vector<uint8_t> pointcues = read(kPointcues);
    const std::vector<uint8_t> sequences = read(kSequences);
    const std::vector<uint8_t> playbacks = read(kPlaybacks);
    struct Case {
        const char* what;
        bool (*save)();
        const char* message;
    };
    const Case cases[] = {
        {"cue 0", [] { return datafiles::save_pointcue_record(0, 1, 1); }, "ERROR SAVING CUEMEM.DAT"},
        {"cue 71", [] { return datafiles::save_pointcue_record(71, 1, 1); }, "ERROR SAVING CUEMEM.DAT"},
        {"point 11", [] { return datafiles::save_pointcue_record(1, 11, 1); }, "ERROR SAVING CUEMEM.DAT"},
        {"page 17", [] { return datafiles::save_pointcue_record(1, 1, 17); }, "ERROR SAVING CUEMEM.DAT"},
        {"name, page 0", [] { return datafiles::save_pointcue_name(1, 1, 0); }, "ERROR SAVING CUEMEM.DAT"},
        {"sequence 5", [] { return datafiles::save_cue_sequence_record(1, 1, 1, 5); }, "ERROR SAVING CUESEQ.DAT"},
        {"playback 43", [] { return datafiles::save_cue_playback_record(1, 1, 1, 43); }, "ERROR SAVING CUEPLAYB.DAT"},
        {"playback 0", [] { return datafiles::save_cue_playback_record(1, 1, 1, 0); }, "ERROR SAVING CUEPLAYB.DAT"},
    };
    for (const Case& c : cases) {
        ui::show_message("READY");
        EXPECT_FALSE(c.save()) << c.what;
        EXPECT_EQ(ui::current_message(), c.message) << c.what;
    }
    EXPECT_EQ(read(kPointcues), pointcues);
    EXPECT_EQ(read(kSequences), sequences);
    EXPECT_EQ(read(kPlaybacks), playbacks);
}

TEST_F(CueFiles, AFileThatCannotBeOpenedChangesNothingAndIsReported) {
    put(playback::cue_pointcue_table[12], point_cue(4, 10));
    remove(kPointcues);
    EXPECT_FALSE(datafiles::save_pointcue_record(2, 2, 1));
    EXPECT_EQ(ui::current_message(), "ERROR SAVING CUEMEM.DAT");
    EXPECT_EQ(playback::cue_header_table[12].programmed, 0);
    EXPECT_EQ(playback::cue_header_table[12].present, 0);
    EXPECT_EQ(playback::cue_header_table[12].offset, -1);
    EXPECT_EQ(playback::cue_point_flags[2], 0);
    EXPECT_FALSE(has(kPointcues));

    put(playback::cue_playback_table[1], playback_snapshot(1));
    remove(kPlaybacks);
    EXPECT_FALSE(datafiles::save_cue_playback_record(1, 1, 1, 1));
    EXPECT_EQ(ui::current_message(), "ERROR SAVING CUEPLAYB.DAT");
    EXPECT_EQ(playback::cue_playback_index[1].present, 0);
}

// ------------------------------------------------------------------ damaged files

// Records 1 to 3 of cueseq.dat, then record 2 spoilt as each case says:
// records 1 and 3 still load, record 2 is dropped and its entry emptied.
TEST_F(CueFiles, ADamagedRecordIsRefusedWhileTheRestLoads) {
    struct Case {
        const char* what;
        void (*spoil)(CueFileBytes& file);
        int beeps;
    };
    const Case cases[] = {
        {"tag of another record", [](CueFileBytes& f) { f.bytes.at(static_cast<size_t>(f.offset_of(2)) + 6) = '7'; }, 1},
        {"offset inside the index", [](CueFileBytes& f) { f.set_place(2, 1, 4000); }, 1},
        {"offset past the end", [](CueFileBytes& f) { f.set_place(2, 1, static_cast<int32_t>(f.bytes.size()) - 100); }, 1},
        {"offset far beyond the end", [](CueFileBytes& f) { f.set_place(2, 1, 0x7FFFFFF0); }, 1},
        {"negative offset", [](CueFileBytes& f) { f.set_place(2, 1, -5); }, 0},
    };
    for (const Case& c : cases) {
        CueFileBytes file(datafiles::kCueSequenceFile);
        for (int32_t n = 1; n <= 3; ++n) file.add(n, datafiles_test::sequence_bytes(sequence_snapshot(static_cast<uint16_t>(n))));
        c.spoil(file);
        write(kSequences, file.bytes);
        const int beeps_before = error_beeps();
        datafiles::clear_load_reports();
        datafiles::load_cue_sequence_file();
        EXPECT_TRUE(same(playback::cue_sequence_table[1], sequence_snapshot(1))) << c.what;
        EXPECT_EQ(playback::cue_sequence_table[2], nullptr) << c.what;
        EXPECT_TRUE(same(playback::cue_sequence_table[3], sequence_snapshot(3))) << c.what;
        EXPECT_EQ(playback::cue_sequence_index[2].present, 0) << c.what;
        EXPECT_EQ(playback::cue_sequence_index[2].offset, -1) << c.what;
        EXPECT_EQ(error_beeps() - beeps_before, c.beeps) << c.what;
        ASSERT_EQ(datafiles::load_reports().size(), 1u) << c.what;
        EXPECT_EQ(datafiles::load_reports()[0], "CUESEQ.DAT: 1 RECORDS REFUSED") << c.what;
        EXPECT_EQ(read(kSequences), file.bytes) << c.what;  // a damaged file is left as it is
    }
}

// Two records whose bytes overlap would spoil each other at their next save.
TEST_F(CueFiles, RecordsThatOverlapAreBothRefused) {
    CueFileBytes file(datafiles::kCuePlaybackFile);
    const int32_t first = file.add(1, datafiles_test::playback_bytes(playback_snapshot(1)));
    // Record 2's tag and bytes lie inside record 1's: its tag written there.
    const std::string tag = datafiles::record_tag(datafiles::kCuePlaybackFile, 2);
    file.bytes.resize(static_cast<size_t>(first) + 10 + 4);
    file.bytes.insert(file.bytes.end(), tag.begin(), tag.end());
    file.bytes.resize(static_cast<size_t>(first) + 10 + 4 + 10 + 16, 0);
    file.set_place(2, 1, first + 14);
    file.add(3, datafiles_test::playback_bytes(playback_snapshot(3)));
    write(kPlaybacks, file.bytes);
    datafiles::load_cue_playback_file();
    EXPECT_EQ(playback::cue_playback_table[1], nullptr);
    EXPECT_EQ(playback::cue_playback_table[2], nullptr);
    EXPECT_TRUE(same(playback::cue_playback_table[3], playback_snapshot(3)));
    ASSERT_EQ(datafiles::load_reports().size(), 1u);
    EXPECT_EQ(datafiles::load_reports()[0], "CUEPLAYB.DAT: 2 RECORDS REFUSED");
}

// A record with present 0 is read and its tag checked, but not kept; its
// place is used again at its next save.
TEST_F(CueFiles, ARecordNotPresentIsNotLoadedButKeepsItsPlace) {
    CueFileBytes file(datafiles::kPointcueFile);
    const int32_t place = file.add(40, datafiles_test::pointcue_bytes(point_cue(9, 1)), 0);
    write(kPointcues, file.bytes);
    datafiles::load_pointcue_file();
    EXPECT_EQ(playback::cue_pointcue_table[40], nullptr);
    EXPECT_EQ(playback::cue_header_table[40].offset, place);
    put(playback::cue_pointcue_table[40], point_cue(9, 2));
    ASSERT_TRUE(datafiles::save_pointcue_record(4, 10, 1));
    EXPECT_EQ(playback::cue_header_table[40].offset, place);
    EXPECT_EQ(size_of(kPointcues), file.bytes.size());
}

TEST_F(CueFiles, AFileWithoutVersionTextIsReadFromOffsetZeroAndWrittenAnewWithIt) {
    CueFileBytes file(datafiles::kCueSequenceFile, "");
    file.add(7, datafiles_test::sequence_bytes(sequence_snapshot(70)));
    ASSERT_EQ(file.offset_of(7), 224000);
    write(kSequences, file.bytes);
    datafiles::load_cue_sequence_file();
    EXPECT_TRUE(same(playback::cue_sequence_table[7], sequence_snapshot(70)));
    EXPECT_TRUE(datafiles::load_reports().empty());

    // Written anew with the version text, so that updates find the index at 12.
    const std::vector<uint8_t> rewritten = read(kSequences);
    EXPECT_EQ(text_at(rewritten, 0, 12), "VERSION 6.01");
    EXPECT_EQ(rewritten.size(), 224012u + 9 + 444);
    EXPECT_EQ(i32_at(rewritten, 12 + 6 * 5 + 1), 224012);
    playback::cue_sequence_table[7]->end_memory = 5;
    ASSERT_TRUE(datafiles::save_cue_sequence_record(1, 2, 1, 3));  // slot 2, sequence 3: record 7
    EXPECT_EQ(size_of(kSequences), rewritten.size());
    datafiles::load_cue_sequence_file();
    ASSERT_NE(playback::cue_sequence_table[7], nullptr);
    EXPECT_EQ(playback::cue_sequence_table[7]->end_memory, 5);
}

// A file cut short inside its index: the entries read load, the file is
// written anew whole (a copy of it kept), and the message says where it ended.
TEST_F(CueFiles, AFileCutShortInItsIndexLoadsWhatItHoldsAndIsRebuiltWithACopyKept) {
    CueFileBytes file(datafiles::kCueSequenceFile);
    file.add(2, datafiles_test::sequence_bytes(sequence_snapshot(3)));
    file.add(1500, datafiles_test::sequence_bytes(sequence_snapshot(4)));
    // Cut two bytes into entry 1001: entry 2 still points behind the index.
    std::vector<uint8_t> cut(file.bytes.begin(), file.bytes.begin() + 12 + 1000 * 5 + 2);
    write(kSequences, cut);
    datafiles::load_cue_sequence_file();
    EXPECT_EQ(playback::cue_sequence_table[2], nullptr);  // its record lay beyond the cut
    ASSERT_EQ(datafiles::load_reports().size(), 1u);
    EXPECT_EQ(datafiles::load_reports()[0], "CUESEQ.DAT: 1 RECORDS REFUSED, CUT SHORT AFTER ENTRY 1000, COPY IN CUESEQ.K01");
    EXPECT_EQ(read("data/cueseq.k01"), cut);
    EXPECT_EQ(size_of(kSequences), 224012u);  // whole again, without the lost record
}

TEST_F(CueFiles, AFileCutShortInItsRecordsLosesOnlyTheCutRecord) {
    CueFileBytes file(datafiles::kCuePlaybackFile);
    file.add(5, datafiles_test::playback_bytes(playback_snapshot(5)));
    file.add(6, datafiles_test::playback_bytes(playback_snapshot(6)));
    file.bytes.resize(file.bytes.size() - 3);
    write(kPlaybacks, file.bytes);
    datafiles::load_cue_playback_file();
    EXPECT_TRUE(same(playback::cue_playback_table[5], playback_snapshot(5)));
    EXPECT_EQ(playback::cue_playback_table[6], nullptr);
    ASSERT_EQ(datafiles::load_reports().size(), 1u);
    EXPECT_EQ(datafiles::load_reports()[0], "CUEPLAYB.DAT: 1 RECORDS REFUSED");
}

// ------------------------------------------------------------------ compaction

TEST_F(CueFiles, CompactionLeavesTheSameRecordsInASmallerFileInRecordOrder) {
    put(playback::cue_playback_table[300], playback_snapshot(1));
    put(playback::cue_playback_table[2], playback_snapshot(2));
    PlaybackRecord* gone = put(playback::cue_playback_table[9], playback_snapshot(9));
    ASSERT_TRUE(datafiles::save_cue_playback_record(1, 8, 1, 6));  // slot 8, playback 6: record 300
    ASSERT_TRUE(datafiles::save_cue_playback_record(1, 1, 1, 2));
    ASSERT_TRUE(datafiles::save_cue_playback_record(1, 1, 1, 9));
    // Record 9 is cleared and freed; record 2 has only flags 0 but is held.
    gone->flags = 0;
    ASSERT_TRUE(datafiles::save_cue_playback_record(1, 1, 1, 9));
    memcheck::mc_free_at(gone, __FILE__, __LINE__);
    playback::cue_playback_table[9] = nullptr;
    playback::cue_playback_table[2]->flags = 0;
    const uintmax_t before = size_of(kPlaybacks);

    ASSERT_TRUE(datafiles::compact_cue_playback_file(1));
    const std::vector<uint8_t> file = read(kPlaybacks);
    EXPECT_EQ(file.size(), 2352012u + 2 * 26);
    EXPECT_LT(file.size(), before);
    EXPECT_EQ(text_at(file, 2352012, 10), "+-000002-+");
    EXPECT_EQ(text_at(file, 2352012 + 26, 10), "+-000300-+");
    EXPECT_EQ(file.at(12 + 8 * 5), 0);   // record 9 gone
    EXPECT_EQ(i32_at(file, 12 + 8 * 5 + 1), -1);
    EXPECT_EQ(playback::cue_playback_index[300].offset, 2352012 + 26);
    EXPECT_FALSE(has("data/cueplayb.da"));
    EXPECT_FALSE(has("data/cueplayb.$$$"));

    reload();
    ASSERT_NE(playback::cue_playback_table[2], nullptr);  // kept although its flags are 0
    EXPECT_EQ(playback::cue_playback_table[2]->memory, 2);
    EXPECT_TRUE(same(playback::cue_playback_table[300], playback_snapshot(1)));
    EXPECT_EQ(playback::cue_playback_table[9], nullptr);
}

TEST_F(CueFiles, CompactionWithoutReplaceLeavesTheNewCopyBeside) {
    put(playback::cue_pointcue_table[3], point_cue(3, 3));
    ASSERT_TRUE(datafiles::save_pointcue_record(1, 3, 1));
    ASSERT_TRUE(datafiles::save_pointcue_record(1, 3, 1));
    const std::vector<uint8_t> before = read(kPointcues);
    ASSERT_TRUE(datafiles::compact_pointcue_file(0));
    EXPECT_EQ(read(kPointcues), before);
    EXPECT_EQ(size_of("data/cuemem.da"), 302412u + 32);
}

// Memory runs out while the playbacks load: what was not loaded stays on
// file, the message says so, and no compaction may drop it.
TEST_F(CueFiles, ACompactionAfterALoadThatRanShortOfMemoryDropsNothing) {
    CueFileBytes file(datafiles::kCuePlaybackFile);
    for (int32_t n = 1; n <= 5; ++n) file.add(n * 1000, datafiles_test::playback_bytes(playback_snapshot(static_cast<int16_t>(n))));
    write(kPlaybacks, file.bytes);
    {
        datafiles_test::AllocationLimit limit(3);
        datafiles::load_cue_playback_file();
    }
    EXPECT_TRUE(same(playback::cue_playback_table[3000], playback_snapshot(3)));
    EXPECT_EQ(playback::cue_playback_table[4000], nullptr);
    ASSERT_EQ(datafiles::load_reports().size(), 1u);
    EXPECT_EQ(datafiles::load_reports()[0], "CUEPLAYB.DAT: 2 RECORDS NOT LOADED (MEMORY FULL)");

    EXPECT_FALSE(datafiles::compact_cue_playback_file(1));
    EXPECT_EQ(ui::current_message(), "ERROR SAVING CUEPLAYB.DAT");
    EXPECT_EQ(read(kPlaybacks), file.bytes);

    datafiles::load_cue_playback_file();  // with memory enough, all of it again
    EXPECT_TRUE(same(playback::cue_playback_table[5000], playback_snapshot(5)));
    EXPECT_TRUE(datafiles::compact_cue_playback_file(1));
}

// ------------------------------------------------------------------ the check against the cue memories

// Cue memory m in use with one item, as the cue-memory file loads it.
void use_cue_memory(int m) {
    auto* item = static_cast<datafiles::MemoryItem*>(memcheck::mc_malloc_at(sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
    *item = {0, 1, 255};
    datafiles::memcue_items[static_cast<size_t>(m)] = item;
    datafiles::memcue_index[static_cast<size_t>(m)].count = 1;
    datafiles::memcue_used[static_cast<size_t>(m)] = 1;
    ASSERT_TRUE(datafiles::save_memcue_record(static_cast<int16_t>(m)));
}

TEST_F(CueFiles, TheCheckCountsProgrammedSlotsFromPointCuesSequencesAndPlaybacks) {
    use_cue_memory(5);
    put(playback::cue_pointcue_table[702], point_cue(5, 0));       // page 2, cue 1, point 2
    put(playback::cue_sequence_table[(31 - 1) * 4 + 4], sequence_snapshot(1));  // slot 31: cue 4, point 1
    put(playback::cue_playback_table[(55 - 1) * 42 + 42], playback_snapshot(1));  // slot 55: cue 6, point 5
    SequenceRecord midi_only = sequence_snapshot(1);
    midi_only.flags = CUE_RECORD_MIDI;
    put(playback::cue_sequence_table[(60 - 1) * 4 + 1], midi_only);  // a MIDI code alone programs nothing
    playback::cue_header_table[99].programmed = 1;                  // stale
    datafiles::check_pointcue_consistency(0);
    EXPECT_EQ(playback::cue_used_count, 3);
    EXPECT_EQ(playback::cue_header_table[702].programmed, 1);
    EXPECT_EQ(playback::cue_header_table[31].programmed, 1);
    EXPECT_EQ(playback::cue_header_table[55].programmed, 1);
    EXPECT_EQ(playback::cue_header_table[60].programmed, 0);
    EXPECT_EQ(playback::cue_header_table[99].programmed, 0);
    EXPECT_EQ(playback::cue_point_flags[71], playback::kCuePointOthersOnly);
    EXPECT_EQ(playback::cue_point_flags[4], playback::kCuePointOwn);
    EXPECT_EQ(playback::cue_point_flags[6], playback::kCuePointOthersOnly);
    EXPECT_EQ(datafiles::memcue_used_count, 1);
}

TEST_F(CueFiles, APointCueWhoseCueMemoryIsNotInUseLosesItAndTheFileIsCompacted) {
    put(playback::cue_pointcue_table[8], point_cue(44, 0));
    ASSERT_TRUE(datafiles::save_pointcue_record(1, 8, 1));
    ASSERT_TRUE(datafiles::save_pointcue_record(1, 8, 1));
    datafiles::check_pointcue_consistency(0);
    EXPECT_EQ(playback::cue_pointcue_table[8]->point_memory, playback::kNoPointMemory);
    EXPECT_EQ(playback::cue_pointcue_table[8]->flags & CUE_RECORD_IN_CUE, 0);
    EXPECT_EQ(playback::cue_header_table[8].programmed, 0);
    // Compacted: one record behind the index, which holds no cue memory.
    const std::vector<uint8_t> file = read(kPointcues);
    EXPECT_EQ(file.size(), 302412u + 32);
    EXPECT_EQ(datafiles_test::u16_at(file, 302412 + 9 + 7), 65535);
}

TEST_F(CueFiles, ACueMemoryNoPointCueHoldsIsFreedWithAMessageOnlyByTheFullCheck) {
    use_cue_memory(6);
    use_cue_memory(7);
    put(playback::cue_pointcue_table[1], point_cue(7, 0));
    datafiles::check_pointcue_consistency(1);
    EXPECT_NE(datafiles::memcue_items[6], nullptr);

    datafiles::check_pointcue_consistency(0);
    EXPECT_EQ(datafiles::memcue_items[6], nullptr);
    EXPECT_EQ(datafiles::memcue_used[6], 0);
    EXPECT_EQ(datafiles::memcue_index[6].count, 0);
    EXPECT_NE(datafiles::memcue_items[7], nullptr);
    EXPECT_EQ(datafiles::memcue_used_count, 1);
    // memcues.dat compacted: cue memory 7's record alone.
    EXPECT_EQ(size_of("data/memcues.dat"), 24012u + 8 + 5);
}

// While the point cues are not all loaded, a cue memory nothing seems to
// hold may belong to one of those left out: it is kept.
TEST_F(CueFiles, NoCueMemoryIsFreedWhileThePointCuesWereNotAllRead) {
    use_cue_memory(6);
    CueFileBytes file(datafiles::kPointcueFile);
    file.add(1, datafiles_test::pointcue_bytes(point_cue(6, 0)), 1, 2);  // a wrong tag
    write(kPointcues, file.bytes);
    datafiles::load_pointcue_file();
    datafiles::check_pointcue_consistency(0);
    EXPECT_NE(datafiles::memcue_items[6], nullptr);
    EXPECT_EQ(datafiles::memcue_used[6], 1);
}

// ------------------------------------------------------------------ the warnings, on a running console

namespace warnings {

// Whether the text was drawn (on the warning strip) since the log was cleared.
bool drawn(const platform::Machine& machine, const std::string& text) {
    const std::string quoted = "\"" + text + "\"";
    for (const std::string& line : machine.graphics.call_log()) {
        if (line.rfind("_outtextxy(", 0) == 0 && line.find(quoted) != std::string::npos) return true;
    }
    return false;
}

size_t steps_logged(const std::string& step) {
    const std::vector<std::string> steps = runtime::logged_steps();
    return static_cast<size_t>(std::count(steps.begin(), steps.end(), step));
}

// Cue memories 1..count in use, one item each, as memcues.dat.
std::vector<uint8_t> cue_memory_file(int count) {
    std::vector<uint8_t> bytes(12 + 2000 * 12);
    std::memcpy(bytes.data(), "VERSION 6.30", 12);
    for (size_t n = 1; n <= 2000; ++n) datafiles_test::set_i32_at(bytes, 12 + (n - 1) * 12, -1);
    for (int m = 1; m <= count; ++m) {
        const size_t entry = 12 + static_cast<size_t>(m - 1) * 12;
        datafiles_test::set_i32_at(bytes, entry, static_cast<int32_t>(bytes.size()));
        datafiles_test::set_i32_at(bytes, entry + 4, 1);
        datafiles_test::set_i32_at(bytes, entry + 8, 1);
        const std::string tag = datafiles::record_tag(datafiles::kMemCueFile, m);
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        for (uint8_t b : {0, 1, 0, 255, 0}) bytes.push_back(b);
    }
    return bytes;
}

class CueWarnings : public ::testing::Test {
protected:
    void map() {
        dir_.map_drive(rig_.machine());
        rig_.machine().cards.fit(0, rig::demo_console_card());
    }
    bool shows(const std::string& text, uint32_t limit_ms = 60'000) {
        return rig_.run_until([&] { return drawn(rig_.machine(), text); }, limit_ms);
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

// Two point cues on one cue memory at the show start: the later slot loses
// it, after a message pair that a console key and a PC key answer.
TEST_F(CueWarnings, AtTheShowStartTheLaterOfTwoPointCuesOnOneCueMemoryLosesIt) {
    CueFileBytes pointcues(datafiles::kPointcueFile);
    pointcues.add(4, datafiles_test::pointcue_bytes(point_cue(2, 11)));
    pointcues.add(9, datafiles_test::pointcue_bytes(point_cue(2, 22)));
    dir_.write_file("data/cuemem.dat", pointcues.bytes);
    dir_.write_file("data/memcues.dat", cue_memory_file(2));
    map();
    rig_.start([] { runtime::console_main(rig::ProgramDir::program_path().c_str()); });
    ASSERT_TRUE(shows("CUE 1.8 Page 1 uses an illegal cuememory and is deleted! Press a Key!"));
    rig_.run_ms(1'000);
    EXPECT_FALSE(drawn(rig_.machine(), "(SAME AS CUE 1.3 Page 1) ! Press a Key!"));  // it waits
    rig_.press(1);  // a console key
    ASSERT_TRUE(shows("(SAME AS CUE 1.3 Page 1) ! Press a Key!", 5'000));
    rig_.type("x");
    ASSERT_TRUE(rig_.run_until([] { return runtime::main_loop_passes > 0; }, 60'000));

    ASSERT_NE(playback::cue_pointcue_table[4], nullptr);
    EXPECT_EQ(playback::cue_pointcue_table[4]->flags & CUE_RECORD_IN_CUE, CUE_RECORD_IN_CUE);
    EXPECT_EQ(playback::cue_header_table[4].programmed, 1);
    EXPECT_EQ(playback::cue_header_table[9].programmed, 0);
    EXPECT_EQ(playback::cue_used_count, 1);
    // Cue memory 1, which no point cue holds, is gone; on file slot 9's
    // record is no longer present.
    EXPECT_EQ(datafiles::memcue_items[1], nullptr);
    EXPECT_NE(datafiles::memcue_items[2], nullptr);
    const std::vector<uint8_t> file = dir_.read_file("data/cuemem.dat");
    EXPECT_EQ(file.at(12 + 8 * 27 + 22), 0);
    EXPECT_EQ(file.at(12 + 3 * 27 + 22), 1);
}

// The warning at a save waits for a key of any source while the show runs on.
TEST_F(CueWarnings, TheWarningAtASaveKeepsTheShowRunningAndTakesAConsoleKey) {
    map();
    bool saved = false;
    bool done = false;
    rig_.start([&] {
        rig::start_console_parts();
        runtime::mode_flags |= runtime::MODE_BACKGROUND_READY;
        put(playback::cue_pointcue_table[1], point_cue(8, 1));
        put(playback::cue_pointcue_table[2], point_cue(8, 2));
        saved = datafiles::save_pointcue_record(1, 2, 1);
        done = true;
    });
    ASSERT_TRUE(shows("CUE 1.0 Page 1 uses an illegal cuememory which is illegal! Press a Key!"));
    const size_t jobs = steps_logged("playback::run_sequences()");
    rig_.run_ms(500);
    EXPECT_GT(steps_logged("playback::run_sequences()"), jobs);  // the periodic jobs go on
    EXPECT_FALSE(done);
    rig_.press(1);
    ASSERT_TRUE(shows("(SAME AS CUE 1.1 Page 1) ! Press a Key!", 5'000));
    rig_.press(2);
    ASSERT_TRUE(rig_.run_until([&] { return done; }, 5'000));
    EXPECT_TRUE(saved);  // saved all the same
    EXPECT_EQ(playback::cue_header_table[2].present, 1);
}

}  // namespace warnings

}  // namespace

namespace {

// Another version text still heads the index: the records load, the file
// is written anew with "VERSION 6.01", and the old one is kept.
TEST_F(CueFiles, AFileWithAnotherVersionTextLoadsAndIsRewrittenWithACopyKept) {
    CueFileBytes file(datafiles::kCuePlaybackFile, "VERSION 9.99");
    file.add(12, datafiles_test::playback_bytes(playback_snapshot(12)));
    write(kPlaybacks, file.bytes);
    datafiles::load_cue_playback_file();
    EXPECT_TRUE(same(playback::cue_playback_table[12], playback_snapshot(12)));
    ASSERT_EQ(datafiles::load_reports().size(), 1u);
    EXPECT_EQ(datafiles::load_reports()[0], "CUEPLAYB.DAT: UNKNOWN VERSION, COPY IN CUEPLAYB.K01");
    EXPECT_EQ(read("data/cueplayb.k01"), file.bytes);
    EXPECT_EQ(text_at(read(kPlaybacks), 0, 12), "VERSION 6.01");
    datafiles::load_cue_playback_file();
    EXPECT_TRUE(same(playback::cue_playback_table[12], playback_snapshot(12)));
}

}  // namespace
