// The older cue and MIDI pages converted into the cue tables: field by field
// from small pages built here, in both record layouts; the records that are
// refused; the MIDI codes merged; and pages that are random or cut short.
#include "datafiles/old_cue_pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/load_report.h"
#include "datafiles/warning_bar.h"
#include "playback/cue_tables.h"

namespace {

using datafiles_test::set_i32_at;
using datafiles_test::set_u16_at;
using playback::cue_header_table;
using playback::cue_playback_table;
using playback::cue_pointcue_table;
using playback::cue_sequence_table;

std::string tag_of(int i) {
    char tag[32] = {};
    std::snprintf(tag, sizeof tag, "+-%04d.%02d-+", (i - 1) % 70 + 1, (i - 1) / 70 + 1);
    return tag;
}

// An older cue or MIDI page: optional version text, 560 entries, then the
// records behind their tags.
struct OldPage {
    std::vector<uint8_t> bytes;
    size_t header = 0;
    size_t entry_bytes = 26;
    size_t flag_at = 21;  // in an entry; the offset follows it

    OldPage(size_t entry_size, size_t flag_position, const std::string& version = "")
        : header(version.size()), entry_bytes(entry_size), flag_at(flag_position) {
        bytes.assign(version.begin(), version.end());
        bytes.resize(header + 560 * entry_bytes, 0);
        for (int j = 1; j <= 560; ++j) set_i32_at(bytes, entry(j) + flag_at + 1, -1);
    }
    size_t entry(int j) const { return header + static_cast<size_t>(j - 1) * entry_bytes; }
    void name(int j, const char* text) { std::memcpy(bytes.data() + entry(j), text, std::strlen(text)); }
    // Entry j's record under the tag of old cue tag_cue.
    void add(int j, int tag_cue, const std::vector<uint8_t>& record, uint8_t flag = 1) {
        bytes[entry(j) + flag_at] = flag;
        set_i32_at(bytes, entry(j) + flag_at + 1, static_cast<int32_t>(bytes.size()));
        const std::string tag = tag_of(tag_cue);
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
};

OldPage cue_page(bool versioned) { return OldPage(26, 21, versioned ? "VERSION 6.01" : ""); }
OldPage midi_page() { return OldPage(5, 0); }

// Offsets in a record of the 2233-byte layout.
size_t block(int s) { return 1 + 438 * static_cast<size_t>(s - 1); }
size_t entry(int p) { return 1753 + 10 * static_cast<size_t>(p - 1); }

std::vector<uint8_t> empty_record() { return std::vector<uint8_t>(2233, 0); }

void put_code(std::vector<uint8_t>& record, size_t at, uint16_t a, uint16_t b, uint16_t c) {
    set_u16_at(record, at, a);
    set_u16_at(record, at + 2, b);
    set_u16_at(record, at + 4, c);
}

bool report_starting(const std::string& start) {
    for (const std::string& report : datafiles::load_reports()) {
        if (report.rfind(start, 0) == 0) return true;
    }
    return false;
}

std::string header_name(int slot) { return std::string(cue_header_table[static_cast<size_t>(slot)].name.data()); }

class OldCuePages : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        datafiles::warning_bar_texts.clear();
    }
    void TearDown() override {
        datafiles::release_cue_records();
        DataDir::TearDown();
    }
};

// Old cue 71: every field of sequence block 2 and playback entry 5.
std::vector<uint8_t> worked_example_record() {
    std::vector<uint8_t> record = empty_record();
    const size_t b = block(2);
    record[b] = 0x03;                              // programmed (bit 1 is not carried)
    set_u16_at(record, b + 1, 12);                 // start memory
    set_u16_at(record, b + 3, 13);                 // loop memory 1
    set_u16_at(record, b + 203, 14);               // end memory
    record[b + 205] = 3;                           // fade mode of step 1
    record[b + 307 + 101] = 70;                    // threshold of step 102
    record[b + 409] = 5;                           // loop length
    set_u16_at(record, b + 410, 1001);             // loop count
    set_u16_at(record, b + 412, 7);                // taken ten times
    record[b + 414] = 9;
    set_u16_at(record, b + 415, 250);              // fade time
    set_u16_at(record, b + 417, 30);               // wait delay
    set_u16_at(record, b + 419, 4);
    for (size_t k = 0; k < 6; ++k) record[b + 421 + k] = static_cast<uint8_t>(k + 1);
    record[b + 427] = 0x55;                        // mode
    record[b + 428] = 3;                           // sound band
    record[b + 429] = 2;                           // beats per step
    for (size_t k = 0; k < 8; ++k) record[b + 430 + k] = static_cast<uint8_t>(10 + k);
    const size_t e = entry(5);
    record[e] = 0x01;
    set_u16_at(record, e + 1, 321);                // memory
    record[e + 3] = 2;                             // fade mode
    record[e + 4] = 70;                            // threshold
    record[e + 5] = 0x21;                          // modes
    set_u16_at(record, e + 6, 15);                 // fade in
    set_u16_at(record, e + 8, 25);                 // fade out
    record[entry(43)] = 0x01;                      // entries 43 to 48 are never carried
    set_u16_at(record, entry(43) + 1, 5);
    return record;
}

TEST_F(OldCuePages, ARecordOfVersion601BecomesTheRecordsOfPointOneFieldByField) {
    OldPage page = cue_page(true);
    page.name(1, "INTRO");
    page.name(71, "SECOND GROUP");
    page.add(71, 71, worked_example_record());
    write("data/cue-0560.dat", page.bytes);

    ASSERT_TRUE(datafiles::convert_old_cues());
    EXPECT_EQ(datafiles::warning_bar_texts, std::vector<std::string>{"UPDATING DATA-FORMAT OF CUES! PLEASE WAIT..."});
    // Old cue 71 is cue 1 of group 2: its tag is "+-0001.02-+", its slot 701.
    EXPECT_EQ(tag_of(71), "+-0001.02-+");
    EXPECT_EQ(header_name(701), "SECOND GROUP");
    EXPECT_EQ(cue_header_table[701].programmed, 1);
    EXPECT_EQ(playback::cue_point_flags[71], 1);
    EXPECT_EQ(header_name(1), "INTRO");
    EXPECT_EQ(cue_header_table[1].programmed, 0);

    const playback::SequenceRecord* sequence = cue_sequence_table[(701 - 1) * 4 + 2];
    ASSERT_NE(sequence, nullptr);
    EXPECT_EQ(sequence->flags, 1);
    EXPECT_EQ(sequence->midi_code.words, (std::array<uint16_t, 3>{0, 0, 0}));
    EXPECT_EQ(sequence->start_memory, 12);
    EXPECT_EQ(sequence->loop_memories[1], 13);
    EXPECT_EQ(sequence->end_memory, 14);
    EXPECT_EQ(sequence->step_fade_modes[1], 3);
    EXPECT_EQ(sequence->step_thresholds[102], 70);
    EXPECT_EQ(sequence->loop_length, 5);
    EXPECT_EQ(sequence->loop_count, 1001);
    EXPECT_EQ(sequence->linked_cue, 70);
    EXPECT_EQ(sequence->spare_byte, 9);
    EXPECT_EQ(sequence->fade_time, 250);
    EXPECT_EQ(sequence->wait_delay, 30);
    EXPECT_EQ(sequence->spare_word, 4);
    EXPECT_EQ(sequence->reserved_a, (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(sequence->mode, 0x55);
    EXPECT_EQ(sequence->sound_band, 3);
    EXPECT_EQ(sequence->beats_per_step, 2);
    EXPECT_EQ(sequence->reserved_b, (std::array<uint8_t, 8>{10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_EQ(cue_sequence_table[(701 - 1) * 4 + 1], nullptr);

    const playback::PlaybackRecord* playback_record = cue_playback_table[(701 - 1) * 42 + 5];
    ASSERT_NE(playback_record, nullptr);
    EXPECT_EQ(playback_record->flags, 1);
    EXPECT_EQ(playback_record->memory, 321);
    EXPECT_EQ(playback_record->fade_mode, 2);
    EXPECT_EQ(playback_record->threshold, 70);
    EXPECT_EQ(playback_record->modes, 0x21);
    EXPECT_EQ(playback_record->fade_in, 15);
    EXPECT_EQ(playback_record->fade_out, 25);
    // Entry 43 would be slot 702's playback 1.
    EXPECT_EQ(cue_playback_table[(702 - 1) * 42 + 1], nullptr);
    EXPECT_EQ(cue_pointcue_table[701], nullptr);
    EXPECT_EQ(error_beeps(), 0);
    EXPECT_TRUE(datafiles::load_reports().empty());
}

TEST_F(OldCuePages, RecordsOutOfRangeAreRefusedWholeAndTheOthersTaken) {
    OldPage page = cue_page(true);
    std::vector<uint8_t> loops_1002 = empty_record();
    loops_1002[block(1)] = 1;
    set_u16_at(loops_1002, 411, 1002);
    page.add(2, 2, loops_1002);
    std::vector<uint8_t> loops_1001 = empty_record();
    loops_1001[block(1)] = 1;
    set_u16_at(loops_1001, 411, 1001);
    set_u16_at(loops_1001, 1725, 1001);
    loops_1001[2227] = 70;
    page.add(3, 3, loops_1001);
    std::vector<uint8_t> fourth_loops = empty_record();
    set_u16_at(fourth_loops, 1725, 0xFFFF);  // -1
    page.add(4, 4, fourth_loops);
    std::vector<uint8_t> threshold_71 = empty_record();
    threshold_71[entry(1)] = 1;
    threshold_71[1757] = 71;
    page.add(5, 5, threshold_71);
    std::vector<uint8_t> last_threshold_71 = empty_record();
    last_threshold_71[2227] = 71;
    page.add(6, 6, last_threshold_71);
    page.add(7, 8, loops_1001);                 // tagged for old cue 8
    page.add(9, 9, loops_1001, 0);              // sound, but the entry holds nothing
    std::vector<uint8_t> cut = loops_1001;
    cut.resize(2000);
    page.add(10, 10, cut);                      // the file ends inside it
    write("data/cue-0560.dat", page.bytes);

    ASSERT_TRUE(datafiles::convert_old_cues());
    EXPECT_EQ(cue_sequence_table[(11 - 1) * 4 + 1], nullptr);   // old cue 2
    ASSERT_NE(cue_sequence_table[(21 - 1) * 4 + 1], nullptr);   // old cue 3
    EXPECT_EQ(cue_sequence_table[(21 - 1) * 4 + 1]->loop_count, 1001);
    EXPECT_EQ(cue_playback_table[(41 - 1) * 42 + 1], nullptr);  // old cue 5
    EXPECT_EQ(cue_sequence_table[(61 - 1) * 4 + 1], nullptr);   // old cue 7
    EXPECT_EQ(cue_sequence_table[(81 - 1) * 4 + 1], nullptr);   // old cue 9
    EXPECT_EQ(cue_sequence_table[(91 - 1) * 4 + 1], nullptr);   // old cue 10
    EXPECT_EQ(playback::cue_point_flags[9], 0);
    // Six refused (cues 2, 4, 5, 6, 7, 10): the first three beep, the page
    // is kept as a copy and named.
    EXPECT_EQ(error_beeps(), datafiles::kBeepedRefusals);
    EXPECT_TRUE(report_starting("CUE-0560.DAT: 6 RECORDS REFUSED, COPY IN CUE-0560.K01"));
    EXPECT_EQ(read("data/cue-0560.k01"), page.bytes);
}

TEST_F(OldCuePages, TheOldestLayoutIsWidenedBeforeItIsRead) {
    // Only the second page: cues 1 to 560 stay empty.
    OldPage page = cue_page(false);
    page.name(1, "OLDEST");
    std::vector<uint8_t> record(2089, 0);
    record[0] = 0xFF;
    record[block(1)] = 1;
    set_u16_at(record, block(1) + 410, 3);           // loop count
    record[block(1) + 427] = 0x3D;                    // bits 0-1 01, bit 2, bit 3, bits 4-5 11
    const size_t e2 = 1753 + 7;                       // entry 2 of 7 bytes
    record[e2] = 0x03;
    set_u16_at(record, e2 + 1, 99);
    record[e2 + 3] = 4;
    record[e2 + 4] = 12;
    record[e2 + 5] = 0xEE;
    record[e2 + 6] = 0xEE;
    page.add(1, 561, record);
    std::vector<uint8_t> last_threshold(2089, 0);
    last_threshold[1753 + 47 * 7 + 4] = 71;           // entry 48's threshold, at 2227 once widened
    page.add(2, 562, last_threshold);
    write("data/cue-1120.dat", page.bytes);

    ASSERT_TRUE(datafiles::convert_old_cues());
    // Old cue 561 is cue 1 of group 9, slot 5601.
    EXPECT_EQ(header_name(5601), "OLDEST");
    const playback::SequenceRecord* sequence = cue_sequence_table[(5601 - 1) * 4 + 1];
    ASSERT_NE(sequence, nullptr);
    EXPECT_EQ(sequence->loop_count, 3);
    EXPECT_EQ(sequence->mode, 0xD5);  // 01, then 01, 01, 11 in the 2-bit fields
    const playback::PlaybackRecord* playback_record = cue_playback_table[(5601 - 1) * 42 + 2];
    ASSERT_NE(playback_record, nullptr);
    EXPECT_EQ(playback_record->flags, 1);
    EXPECT_EQ(playback_record->memory, 99);
    EXPECT_EQ(playback_record->fade_mode, 4);
    EXPECT_EQ(playback_record->threshold, 12);
    EXPECT_EQ(playback_record->modes, 0);
    EXPECT_EQ(playback_record->fade_in, 0);
    EXPECT_EQ(playback_record->fade_out, 0);
    EXPECT_EQ(cue_sequence_table[(5611 - 1) * 4 + 1], nullptr);
    EXPECT_EQ(error_beeps(), 1);
    for (int slot = 1; slot <= 5600; ++slot) ASSERT_EQ(cue_header_table[static_cast<size_t>(slot)].name[0], '\0');
}

TEST_F(OldCuePages, WithoutOlderCuePagesOnlyTheTablesAreEmptied) {
    playback::cue_header_table[5].programmed = 1;
    playback::cue_point_flags[1] = 1;
    write("data/mid-0560.dat", midi_page().bytes);
    EXPECT_FALSE(datafiles::convert_old_cues());
    EXPECT_EQ(playback::cue_header_table[5].programmed, 0);
    EXPECT_EQ(playback::cue_point_flags[1], 0);
    EXPECT_TRUE(datafiles::warning_bar_texts.empty());
}

TEST_F(OldCuePages, MidiCodesAreMergedIntoTheRecordsOrMakeRecordsOfTheirOwn) {
    OldPage cues = cue_page(true);
    std::vector<uint8_t> record = empty_record();
    record[block(1)] = 1;
    set_u16_at(record, block(1) + 1, 5);
    cues.add(1, 1, record);
    write("data/cue-0560.dat", cues.bytes);
    OldPage midi = midi_page();
    std::vector<uint8_t> codes(319, 0);
    put_code(codes, 1, 0x90, 60, 0);        // the cue's own
    put_code(codes, 7, 1, 2, 3);            // sequence 1, which has content
    put_code(codes, 13, 4, 0, 0);           // sequence 2, which has none
    put_code(codes, 31 + 41 * 6, 0, 0, 9);  // playback 42
    put_code(codes, 31 + 42 * 6, 7, 7, 7);  // playback 43: not used
    midi.add(1, 1, codes);
    midi.add(2, 3, codes);                  // tagged for old cue 3
    midi.add(3, 3, codes, 0);               // the entry holds nothing
    write("data/mid-0560.dat", midi.bytes);

    ASSERT_TRUE(datafiles::convert_old_cues());
    datafiles::convert_old_midi();
    const playback::SequenceRecord* first = cue_sequence_table[1];
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->flags, 3);
    EXPECT_EQ(first->midi_code.words, (std::array<uint16_t, 3>{1, 2, 3}));
    EXPECT_EQ(first->start_memory, 5);
    const playback::SequenceRecord* second = cue_sequence_table[2];
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->flags, 2);
    EXPECT_EQ(second->midi_code.words, (std::array<uint16_t, 3>{4, 0, 0}));
    EXPECT_EQ(second->start_memory, 0);
    EXPECT_EQ(playback::cue_sequence_index[2].present, 1);
    EXPECT_EQ(cue_sequence_table[3], nullptr);
    EXPECT_EQ(playback::cue_sequence_index[3].present, 0);
    ASSERT_NE(cue_playback_table[42], nullptr);
    EXPECT_EQ(cue_playback_table[42]->flags, 2);
    EXPECT_EQ(cue_playback_table[42]->midi_code.words, (std::array<uint16_t, 3>{0, 0, 9}));
    EXPECT_EQ(cue_playback_table[43], nullptr);
    ASSERT_NE(cue_pointcue_table[1], nullptr);
    EXPECT_EQ(cue_pointcue_table[1]->flags, 2);
    EXPECT_EQ(cue_pointcue_table[1]->midi_code.words, (std::array<uint16_t, 3>{0x90, 60, 0}));
    EXPECT_EQ(cue_pointcue_table[1]->point_memory, 0);
    EXPECT_EQ(cue_header_table[1].present, 1);
    EXPECT_EQ(cue_pointcue_table[21], nullptr);  // old cue 3: not taken
    EXPECT_EQ(cue_pointcue_table[11], nullptr);
    EXPECT_EQ(error_beeps(), 1);
    EXPECT_TRUE(report_starting("MID-0560.DAT: 1 RECORDS REFUSED, COPY IN MID-0560.K01"));
}

TEST_F(OldCuePages, TheCueFilesAreWrittenAndThePagesRetiredOnlyWhenAllThreeAreWritten) {
    datafiles::init_pointcue_file();
    datafiles::init_cue_sequence_file();
    datafiles::init_cue_playback_file();
    OldPage cues = cue_page(true);
    cues.add(71, 71, worked_example_record());
    write("data/cue-0560.dat", cues.bytes);
    write("data/mid-0560.dat", midi_page().bytes);
    const std::vector<uint8_t> sequences = read("data/cueseq.dat");

    // A folder in the way of cueplayb.dat's new copy: nothing is retired.
    std::filesystem::create_directories(dir_.folder() / "data" / "cueplayb.$$$");
    ASSERT_TRUE(datafiles::convert_old_cues());
    datafiles::convert_old_midi();
    EXPECT_FALSE(datafiles::write_converted_cues());
    EXPECT_TRUE(has("data/cue-0560.dat"));
    EXPECT_TRUE(has("data/mid-0560.dat"));
    EXPECT_FALSE(has("data/cue-0560.old"));
    EXPECT_TRUE(report_starting("CUE-0560.DAT: CUE FILES NOT WRITTEN, OLDER CUE PAGES KEPT"));

    std::filesystem::remove(dir_.folder() / "data" / "cueplayb.$$$");
    ASSERT_TRUE(datafiles::convert_old_cues());
    datafiles::convert_old_midi();
    EXPECT_TRUE(datafiles::write_converted_cues());
    EXPECT_FALSE(has("data/cue-0560.dat"));
    EXPECT_EQ(read("data/cue-0560.old"), cues.bytes);
    EXPECT_TRUE(has("data/mid-0560.old"));

    // The files hold the converted records: loaded afresh they are there.
    datafiles::release_cue_records();
    datafiles::load_pointcue_file();
    datafiles::load_cue_playback_file();
    datafiles::load_cue_sequence_file();
    ASSERT_NE(cue_sequence_table[(701 - 1) * 4 + 2], nullptr);
    EXPECT_EQ(cue_sequence_table[(701 - 1) * 4 + 2]->linked_cue, 70);
    ASSERT_NE(cue_playback_table[(701 - 1) * 42 + 5], nullptr);
    EXPECT_EQ(cue_playback_table[(701 - 1) * 42 + 5]->memory, 321);
    EXPECT_NE(read("data/cueseq.dat"), sequences);
}

TEST_F(OldCuePages, WhenMemoryRunsOutTheCueFilesAreNotWrittenAndThePagesStay) {
    datafiles::init_pointcue_file();
    datafiles::init_cue_sequence_file();
    datafiles::init_cue_playback_file();
    const std::vector<uint8_t> playbacks = read("data/cueplayb.dat");
    OldPage cues = cue_page(true);
    cues.add(71, 71, worked_example_record());  // a sequence and a playback
    write("data/cue-0560.dat", cues.bytes);
    {
        const datafiles_test::AllocationLimit limit(1);
        ASSERT_TRUE(datafiles::convert_old_cues());
        datafiles::convert_old_midi();
        EXPECT_FALSE(datafiles::write_converted_cues());
    }
    EXPECT_EQ(read("data/cueplayb.dat"), playbacks);
    EXPECT_TRUE(has("data/cue-0560.dat"));
    EXPECT_FALSE(has("data/cue-0560.old"));
    EXPECT_TRUE(report_starting("CUE-0560.DAT: 1 RECORDS NOT LOADED (MEMORY FULL), COPY IN CUE-0560.K01"));
    EXPECT_TRUE(report_starting("CUE-0560.DAT: CUE FILES NOT WRITTEN (MEMORY FULL), OLDER CUE PAGES KEPT"));
}

TEST_F(OldCuePages, RandomAndCutPagesNeverReachAnythingButPointOne) {
    std::mt19937 random(33);
    const size_t sizes[] = {7, 2000, 14560, 14572 + 3000, 400000};
    for (size_t size : sizes) {
        for (const char* name : {"data/cue-0560.dat", "data/cue-1120.dat", "data/mid-0560.dat", "data/mid-1120.dat"}) {
            write(name, random_bytes(random, size));
        }
        machine_->speaker.tones.clear();
        ASSERT_TRUE(datafiles::convert_old_cues());
        datafiles::convert_old_midi();
        EXPECT_LE(error_beeps(), 4 * datafiles::kBeepedRefusals);
        for (int slot = 1; slot <= playback::kCueSlots; ++slot) {
            const bool point_one = (slot - 1) % 10 == 0;
            if (!point_one) {
                ASSERT_EQ(cue_pointcue_table[static_cast<size_t>(slot)], nullptr) << slot;
                ASSERT_EQ(cue_header_table[static_cast<size_t>(slot)].name[0], '\0') << slot;
            }
            for (int s = 1; s <= 4; ++s) {
                const playback::SequenceRecord* sequence = cue_sequence_table[static_cast<size_t>((slot - 1) * 4 + s)];
                if (!point_one) {
                    ASSERT_EQ(sequence, nullptr);
                }
                if (sequence != nullptr) {
                    ASSERT_TRUE(sequence->flags >= 1 && sequence->flags <= 3);
                    ASSERT_LE(sequence->linked_cue, playback::kCueSlots);
                }
            }
            ASSERT_EQ(cue_header_table[static_cast<size_t>(slot)].name[20], '\0');
        }
        datafiles::release_cue_records();
    }
}

}  // namespace
