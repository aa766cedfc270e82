// A show start on a program directory that still holds files of older
// versions: the converted memories and cues are what the show has and what
// the current files hold afterwards, the older files end as .old, and
// random older files cost only themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/cue_files.h"
#include "datafiles/load_report.h"
#include "datafiles/memory_file.h"
#include "memories/memory_index.h"
#include "playback/cue_tables.h"
#include "rig/console.h"
#include "ui/message_line.h"

namespace {

using datafiles_test::set_i32_at;
using datafiles_test::set_u16_at;

std::string tag(int number, int block) {
    char text[32] = {};
    std::snprintf(text, sizeof text, "+-%04d.%02d-+", number, block);
    return text;
}

// Memory page 1 with memory 3 holding two values in block 1.
std::vector<uint8_t> memory_page() {
    std::vector<uint8_t> page(250 * 101, 0);
    for (size_t j = 0; j < 250; ++j) {
        for (size_t b = 0; b < 16; ++b) set_i32_at(page, j * 101 + 37 + 4 * b, -1);
    }
    const size_t entry = 2 * 101;
    std::memcpy(page.data() + entry, "CONVERTED", 9);
    page[entry + 21] = 1;
    set_i32_at(page, entry + 37, static_cast<int32_t>(page.size()));
    const std::string block_tag = tag(3, 1);
    page.insert(page.end(), block_tag.begin(), block_tag.end());
    std::vector<uint8_t> body(256, 0xFF);
    set_u16_at(body, 0, 128);
    set_u16_at(body, 2 * 9, 1005);
    page.insert(page.end(), body.begin(), body.end());
    return page;
}

// Cue page 1 with old cue 71 holding playback 3 on memory 3; MIDI page 1
// with a code for its sequence 4.
std::vector<uint8_t> cue_page() {
    std::vector<uint8_t> page = {'V', 'E', 'R', 'S', 'I', 'O', 'N', ' ', '6', '.', '0', '1'};
    page.resize(12 + 560 * 26, 0);
    for (size_t j = 0; j < 560; ++j) set_i32_at(page, 12 + j * 26 + 22, -1);
    const size_t entry = 12 + 70 * 26;
    std::memcpy(page.data() + entry, "OLD CUE 71", 10);
    page[entry + 21] = 1;
    set_i32_at(page, entry + 22, static_cast<int32_t>(page.size()));
    const std::string record_tag = tag(1, 2);
    page.insert(page.end(), record_tag.begin(), record_tag.end());
    std::vector<uint8_t> record(2233, 0);
    record[1753 + 20] = 1;
    set_u16_at(record, 1753 + 21, 3);
    record[1753 + 24] = 7;
    page.insert(page.end(), record.begin(), record.end());
    return page;
}

std::vector<uint8_t> midi_page() {
    std::vector<uint8_t> page(560 * 5, 0);
    for (size_t j = 0; j < 560; ++j) set_i32_at(page, j * 5 + 1, -1);
    page[70 * 5] = 1;
    set_i32_at(page, 70 * 5 + 1, static_cast<int32_t>(page.size()));
    const std::string record_tag = tag(1, 2);
    page.insert(page.end(), record_tag.begin(), record_tag.end());
    std::vector<uint8_t> record(319, 0);
    set_u16_at(record, 7 + 3 * 6, 0x91);
    page.insert(page.end(), record.begin(), record.end());
    return page;
}

class OldFilesStart : public ::testing::Test {
protected:
    void write(const std::string& name, const std::vector<uint8_t>& bytes) { dir_.write_file("data/" + name, bytes); }
    std::vector<uint8_t> read(const std::string& name) { return dir_.read_file("data/" + name); }
    bool has(const std::string& name) { return dir_.has_file("data/" + name); }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
};

TEST_F(OldFilesStart, TheShowHasTheConvertedDataAndTheCurrentFilesHoldIt) {
    write("mem-0250.dat", memory_page());
    write("cue-0560.dat", cue_page());
    write("mid-0560.dat", midi_page());
    rig::start_console(rig_, dir_);
    ASSERT_FALSE(rig_.finished());

    // The memories as converted.
    const auto memory_three = [] {
        const datafiles::MemoryItem* items = memories::memory_items[3];
        std::string text;
        for (int k = 0; items != nullptr && k < memories::memory_index[3].count; ++k) {
            text += std::to_string(items[k].kind) + "," + std::to_string(items[k].index) + "," +
                    std::to_string(items[k].value) + ";";
        }
        return text;
    };
    EXPECT_EQ(memory_three(), "0,1,128;0,10,1005;");
    EXPECT_EQ(memories::memory_name(3), "CONVERTED");
    // The cues as loaded from the cue files written by the conversion.
    const playback::PlaybackRecord* record = playback::cue_playback_table[(701 - 1) * 42 + 3];
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->flags, 1);
    EXPECT_EQ(record->memory, 3);
    EXPECT_EQ(record->threshold, 7);
    const playback::SequenceRecord* sequence = playback::cue_sequence_table[(701 - 1) * 4 + 4];
    ASSERT_NE(sequence, nullptr);
    EXPECT_EQ(sequence->flags, 2);
    EXPECT_EQ(sequence->midi_code.words[0], 0x91);
    EXPECT_EQ(std::string(playback::cue_header_table[701].name.data()), "OLD CUE 71");
    EXPECT_EQ(playback::cue_header_table[701].programmed, 1);

    for (const char* name : {"mem-0250", "cue-0560", "mid-0560"}) {
        EXPECT_FALSE(has(std::string(name) + ".dat")) << name;
        EXPECT_TRUE(has(std::string(name) + ".old")) << name;
    }
    EXPECT_TRUE(datafiles::load_reports().empty());

    // mem.dat holds what the show has: loaded alone it gives the same.
    datafiles::free_memory_items();
    datafiles::load_memory_file();
    EXPECT_EQ(memory_three(), "0,1,128;0,10,1005;");
}

TEST_F(OldFilesStart, RandomOlderFilesAreNamedAndKeptAndTheStartGoesOn) {
    std::mt19937 random(8);
    std::vector<uint8_t> noise(30000);
    for (const char* name : {"mem-0250.dat", "gen-0250.dat", "fig-0250.dat", "cue-0560.dat", "mid-0560.dat"}) {
        for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
        write(name, noise);
    }
    rig::start_console(rig_, dir_);
    ASSERT_FALSE(rig_.finished());
    EXPECT_LT(rig_.machine().clock.now_ms, 120'000u);
    // Each file is named in the reports, the first of them on the message line.
    const std::string message(ui::current_message());
    EXPECT_EQ(message.rfind("MEM-0250.DAT: ", 0), 0u) << message;
    std::string reports;
    for (const std::string& report : datafiles::load_reports()) reports += report + ";";
    for (const char* name : {"MEM-0250.DAT: ", "GEN-0250.DAT: ", "FIG-0250.DAT: ", "CUE-0560.DAT: ", "MID-0560.DAT: "}) {
        EXPECT_NE(reports.find(name), std::string::npos) << name << reports;
    }
    // What could not be converted stays on file.
    EXPECT_TRUE(has("mem-0250.k01"));
    EXPECT_TRUE(has("cue-0560.k01"));
    EXPECT_TRUE(has("mem-0250.old"));
}

}  // namespace
