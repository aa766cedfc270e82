// The preset file: packing the three kinds of tables, storing one entry,
// loading and unpacking, rewriting a file with a wrong version text or a bad
// record, running out of memory, and loading truncated and random files.
#include "datafiles/preset_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "memories/presets.h"
#include "runtime/show_tables.h"
#include "ui/bitmap_fonts.h"

namespace {

using datafiles::MemoryItem;
using datafiles_test::i32_at;
using datafiles_test::text_at;
using datafiles_test::u16_at;
using memories::effect_preset_figures;
using memories::effect_preset_generators;
using memories::preset_index;
using memories::preset_used_tables;
using memories::value_preset_table;

constexpr size_t kFirstRecord = 18492;
constexpr const char* kFile = "data/presets.dat";

size_t entry_at(int e) { return 12 + static_cast<size_t>(e - 1) * 33; }

uint16_t* value_table(int16_t n) { return static_cast<uint16_t*>(datafiles::allocate_preset_table(n)); }
uint8_t* generator_part(int16_t n) { return static_cast<uint8_t*>(datafiles::allocate_preset_table(420 + n)); }
uint8_t* figure_part(int16_t n) { return static_cast<uint8_t*>(datafiles::allocate_preset_table(490 + n)); }

void expect_item_at(const std::vector<uint8_t>& file, size_t at, uint8_t kind, uint16_t index, uint16_t value) {
    EXPECT_EQ(file.at(at), kind);
    EXPECT_EQ(u16_at(file, at + 1), index);
    EXPECT_EQ(u16_at(file, at + 3), value);
}

class PresetFile : public datafiles_test::DataDir {
protected:
    // The file as stored, marked with the older version text so that the
    // loader would rewrite it, loaded while memory runs out after one table;
    // the file's bytes.
    std::vector<uint8_t> load_an_older_file_with_one_allocation() {
        std::vector<uint8_t> file = read(kFile);
        std::memcpy(file.data(), "VERSION 6.30", 12);
        write(kFile, file);
        datafiles::free_preset_tables();
        const datafiles_test::AllocationLimit limit(1);
        datafiles::load_preset_file();
        return file;
    }

    void SetUp() override {
        DataDir::SetUp();
        runtime::show_table_allocator = memcheck::mc_malloc_at;
        datafiles::init_preset_file();
    }
    void TearDown() override {
        datafiles::free_preset_tables();
        DataDir::TearDown();
    }
};

TEST_F(PresetFile, ANewFileIs18492BytesAndLoadsAs560EmptyEntries) {
    const std::vector<uint8_t> before = read(kFile);
    ASSERT_EQ(before.size(), kFirstRecord);
    EXPECT_EQ(text_at(before, 0, 12), "VERSION 6.31");
    datafiles::load_preset_file();
    for (int e = 1; e <= 560; ++e) {
        ASSERT_EQ(preset_used_tables[e], 0) << e;
        ASSERT_EQ(preset_index[e].offset, -1) << e;
    }
    for (int n = 1; n <= 420; ++n) ASSERT_EQ(value_preset_table[n], nullptr);
    EXPECT_EQ(read(kFile), before);
    EXPECT_EQ(error_beeps(), 0);
}

TEST_F(PresetFile, AColourPresetIsStoredAsOneItemUnderItsTag) {
    value_table(71)[3] = 128;
    ASSERT_TRUE(datafiles::pack_preset_items(71));
    const std::vector<uint8_t> file = read(kFile);
    ASSERT_EQ(file.size(), kFirstRecord + 7 + 5);
    EXPECT_EQ(text_at(file, kFirstRecord, 7), "+-071-+");
    expect_item_at(file, kFirstRecord + 7, 0, 3, 128);
    EXPECT_EQ(i32_at(file, entry_at(71) + 21), 18492);
    EXPECT_EQ(i32_at(file, entry_at(71) + 25), 1);
    EXPECT_EQ(i32_at(file, entry_at(71) + 29), 1);

    datafiles::load_preset_file();
    ASSERT_NE(value_preset_table[71], nullptr);
    EXPECT_EQ(value_preset_table[71][3], 128);
    EXPECT_EQ(value_preset_table[71][2], 65535);
    EXPECT_EQ(preset_used_tables[71], 1);
}

TEST_F(PresetFile, AnEffectPresetWritesItsGeneratorAndFigureParts) {
    generator_part(2)[(10 - 1) * 6 + 1] = 40;  // SPEED of function record 10
    figure_part(2)[(4 - 1) * 10 + 0] = 90;     // X-SWING of fixture 4
    ASSERT_TRUE(datafiles::pack_effect_preset_generators(2));
    ASSERT_TRUE(datafiles::pack_effect_preset_figures(2));
    const std::vector<uint8_t> file = read(kFile);
    ASSERT_EQ(file.size(), kFirstRecord + 2 * 12);
    EXPECT_EQ(text_at(file, kFirstRecord, 7), "+-422-+");
    expect_item_at(file, kFirstRecord + 7, 20, 10, 40);
    EXPECT_EQ(text_at(file, kFirstRecord + 12, 7), "+-492-+");
    expect_item_at(file, kFirstRecord + 19, 100, 4, 90);
    EXPECT_EQ(i32_at(file, entry_at(422) + 21), 18492);
    EXPECT_EQ(i32_at(file, entry_at(492) + 21), 18504);

    datafiles::load_preset_file();
    EXPECT_EQ(effect_preset_generators[2][(10 - 1) * 6 + 1], 40);
    EXPECT_EQ(effect_preset_generators[2][(10 - 1) * 6 + 0], 255);
    EXPECT_EQ(effect_preset_figures[2][30], 90);
    EXPECT_EQ(effect_preset_figures[2][31], 255);
    EXPECT_EQ(preset_used_tables[422], 1);
    EXPECT_EQ(preset_used_tables[492], 1);
    EXPECT_EQ(preset_used_tables[421], 0);
}

TEST_F(PresetFile, EveryParameterAndTheLastRecordAndFixtureRoundTrip) {
    uint8_t* generators = generator_part(70);
    for (int p = 0; p < 6; ++p) generators[(2048 - 1) * 6 + p] = static_cast<uint8_t>(p + 1);
    uint8_t* figures = figure_part(70);
    for (int p = 0; p < 10; ++p) figures[(700 - 1) * 10 + p] = static_cast<uint8_t>(200 + p);
    uint16_t* values = value_table(420);
    values[2048] = 32767;
    values[1] = 0;
    values[5] = 32768;  // negative as a signed number: not packed
    ASSERT_TRUE(datafiles::pack_effect_preset_generators(70));
    ASSERT_TRUE(datafiles::pack_effect_preset_figures(70));
    ASSERT_TRUE(datafiles::pack_preset_items(420));
    const std::vector<uint8_t> file = read(kFile);
    EXPECT_EQ(i32_at(file, entry_at(490) + 29), 6);
    EXPECT_EQ(i32_at(file, entry_at(560) + 29), 10);
    EXPECT_EQ(i32_at(file, entry_at(420) + 29), 2);
    const size_t figure_record = static_cast<size_t>(i32_at(file, entry_at(560) + 21));
    expect_item_at(file, figure_record + 7, 100, 700, 200);
    expect_item_at(file, figure_record + 7 + 9 * 5, 190, 700, 209);

    datafiles::load_preset_file();
    for (int p = 0; p < 6; ++p) EXPECT_EQ(effect_preset_generators[70][(2048 - 1) * 6 + p], p + 1);
    for (int p = 0; p < 10; ++p) EXPECT_EQ(effect_preset_figures[70][(700 - 1) * 10 + p], 200 + p);
    EXPECT_EQ(value_preset_table[420][2048], 32767);
    EXPECT_EQ(value_preset_table[420][1], 0);
    EXPECT_EQ(value_preset_table[420][5], 65535);
}

TEST_F(PresetFile, StoringAnEmptyTableWritesCountZeroAndNoRecord) {
    value_table(5);
    ASSERT_TRUE(datafiles::pack_preset_items(5));
    EXPECT_EQ(size_of(kFile), kFirstRecord);
    EXPECT_EQ(i32_at(read(kFile), entry_at(5) + 29), 0);
    datafiles::load_preset_file();
    EXPECT_EQ(preset_used_tables[5], 0);

    EXPECT_FALSE(datafiles::pack_preset_items(421));
    EXPECT_FALSE(datafiles::pack_effect_preset_figures(71));
    EXPECT_FALSE(datafiles::save_preset_record(561, 1, nullptr));
}

TEST_F(PresetFile, AnOlderVersionTextIsLoadedAndRewrittenAtOnce) {
    value_table(140)[9] = 77;
    ASSERT_TRUE(datafiles::pack_preset_items(140));
    std::vector<uint8_t> file = read(kFile);
    std::memcpy(file.data(), "VERSION 6.30", 12);
    write(kFile, file);
    datafiles::load_preset_file();
    EXPECT_EQ(value_preset_table[140][9], 77);
    file = read(kFile);
    EXPECT_EQ(text_at(file, 0, 12), "VERSION 6.31");
    EXPECT_EQ(file.size(), kFirstRecord + 12);
    EXPECT_EQ(data_folder_names(), std::vector<std::string>{"presets.dat"});
}

TEST_F(PresetFile, AWrongTagCostsThatPresetAndTheFileIsCompacted) {
    value_table(7)[1] = 1;
    value_table(8)[2] = 2;
    value_table(8)[3] = 3;
    ASSERT_TRUE(datafiles::pack_preset_items(7));
    ASSERT_TRUE(datafiles::pack_preset_items(8));
    std::vector<uint8_t> file = read(kFile);
    std::memcpy(file.data() + kFirstRecord, "+-009-+", 7);
    write(kFile, file);
    datafiles::free_preset_tables();
    datafiles::load_preset_file();
    EXPECT_EQ(error_beeps(), 1);
    EXPECT_EQ(value_preset_table[7], nullptr);
    EXPECT_EQ(preset_used_tables[7], 0);
    EXPECT_EQ(value_preset_table[8][3], 3);
    file = read(kFile);
    ASSERT_EQ(file.size(), kFirstRecord + 7 + 10);
    EXPECT_EQ(text_at(file, kFirstRecord, 7), "+-008-+");
    EXPECT_EQ(i32_at(file, entry_at(7) + 21), -1);
    EXPECT_EQ(i32_at(file, entry_at(8) + 21), 18492);
    EXPECT_EQ(preset_index[8].offset, 18492);
}

TEST_F(PresetFile, ItemsOfOtherKindsOrOutOfRangeIndexesAreSkipped) {
    // Entry 1 (value), 421 (generator) and 491 (figure), each with one good
    // item and three that point nowhere.
    std::vector<uint8_t> file = read(kFile);
    struct Record {
        int entry;
        std::vector<MemoryItem> items;
    };
    const Record records[] = {
        {1, {{0, 4, 44}, {0, 0, 1}, {0, 2049, 1}, {10, 5, 1}}},
        {421, {{60, 2048, 66}, {70, 1, 1}, {15, 1, 1}, {10, 0, 1}}},
        {491, {{190, 1, 19}, {90, 1, 1}, {200, 1, 1}, {100, 701, 1}}},
    };
    for (const Record& r : records) {
        datafiles_test::set_i32_at(file, entry_at(r.entry) + 21, static_cast<int32_t>(file.size()));
        datafiles_test::set_i32_at(file, entry_at(r.entry) + 25, 4);
        datafiles_test::set_i32_at(file, entry_at(r.entry) + 29, 4);
        char tag[8];
        std::snprintf(tag, sizeof tag, "+-%03d-+", r.entry);
        file.insert(file.end(), tag, tag + 7);
        for (const MemoryItem& item : r.items) {
            file.push_back(item.kind);
            file.push_back(static_cast<uint8_t>(item.index));
            file.push_back(static_cast<uint8_t>(item.index >> 8));
            file.push_back(static_cast<uint8_t>(item.value));
            file.push_back(static_cast<uint8_t>(item.value >> 8));
        }
    }
    write(kFile, file);
    datafiles::load_preset_file();
    EXPECT_EQ(datafiles::pack_preset_entry(1).size(), 1u);
    EXPECT_EQ(value_preset_table[1][4], 44);
    EXPECT_EQ(datafiles::pack_preset_entry(421).size(), 1u);
    EXPECT_EQ(effect_preset_generators[1][(2048 - 1) * 6 + 5], 66);
    EXPECT_EQ(datafiles::pack_preset_entry(491).size(), 1u);
    EXPECT_EQ(effect_preset_figures[1][9], 19);
    EXPECT_EQ(error_beeps(), 0);
}

TEST_F(PresetFile, CompactionWithoutReplaceLeavesTheNewCopyBeside) {
    value_table(3)[1] = 10;
    ASSERT_TRUE(datafiles::pack_preset_items(3));
    value_table(3)[2] = 20;
    ASSERT_TRUE(datafiles::pack_preset_items(3));  // grows: appended
    const std::vector<uint8_t> before = read(kFile);
    ASSERT_EQ(before.size(), kFirstRecord + 12 + 17);
    ASSERT_TRUE(datafiles::compact_preset_file(false));
    EXPECT_EQ(read(kFile), before);
    const std::vector<uint8_t> copy = read("data/presets.da");
    ASSERT_EQ(copy.size(), kFirstRecord + 17);
    EXPECT_EQ(i32_at(copy, entry_at(3) + 21), 18492);
    EXPECT_EQ(i32_at(copy, entry_at(3) + 25), 2);
}

TEST_F(PresetFile, RunningOutOfMemoryStopsTheLoadAndKeepsTheFile) {
    for (int16_t n = 1; n <= 3; ++n) {
        value_table(n)[n] = static_cast<uint16_t>(n);
        ASSERT_TRUE(datafiles::pack_preset_items(n));
    }
    const std::vector<uint8_t> file = load_an_older_file_with_one_allocation();
    EXPECT_EQ(preset_used_tables[1], 1);
    EXPECT_EQ(preset_used_tables[2], 0);
    EXPECT_EQ(preset_used_tables[3], 0);
    EXPECT_EQ(error_beeps(), 1);
    int long_beeps = 0;
    for (const platform::Tone& tone : machine_->speaker.tones.to_vector()) {
        long_beeps += tone.freq_hz == 400 && tone.duration_ms == 1500;
    }
    EXPECT_EQ(long_beeps, 1);
    EXPECT_EQ(read(kFile), file);
}

// A file cut short: the presets whose entry and record are whole load, the
// file is compacted at once and keeps every one of them, and the cut file is
// kept beside it first.
TEST_F(PresetFile, ATruncatedFileIsCompactedWithEveryIntactPresetAndKeptAsACopy) {
    for (int16_t n = 1; n <= 30; ++n) {
        value_table(n)[static_cast<size_t>(n) * 3] = static_cast<uint16_t>(n);
        ASSERT_TRUE(datafiles::pack_preset_items(n));
    }
    const std::vector<uint8_t> whole = read(kFile);
    const size_t cuts[] = {0, 7, 12, 500, kFirstRecord - 1, kFirstRecord + 4, kFirstRecord + 40, kFirstRecord + 150,
                           whole.size() - 1};
    int copies = 0;
    for (size_t cut : cuts) {
        SCOPED_TRACE(cut);
        const std::vector<uint8_t> bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        write(kFile, bytes);
        datafiles::free_preset_tables();
        datafiles::load_preset_file();
        std::vector<bool> intact(31, false);
        for (int n = 1; n <= 30; ++n) {
            const size_t record_end = static_cast<size_t>(i32_at(whole, entry_at(n) + 21)) + 7 + 5;
            intact[static_cast<size_t>(n)] = entry_at(n) + 33 <= cut && record_end <= cut;
        }
        // The copy of the cut file, named in the one message.
        char copy[32];
        std::snprintf(copy, sizeof copy, "data/presets.k%02d", ++copies);
        EXPECT_EQ(read(copy), bytes);
        ASSERT_EQ(datafiles::load_reports().size(), 1u);
        char copy_name[32];
        std::snprintf(copy_name, sizeof copy_name, "PRESETS.K%02d", copies);
        EXPECT_NE(datafiles::load_reports()[0].find(std::string(", COPY IN ") + copy_name), std::string::npos);
        datafiles::clear_load_reports();
        // The compacted file loads cleanly with every intact preset and no other.
        const std::vector<uint8_t> compacted = read(kFile);
        EXPECT_EQ(text_at(compacted, 0, 12), "VERSION 6.31");
        machine_->speaker.tones.clear();
        datafiles::free_preset_tables();
        datafiles::load_preset_file();
        EXPECT_EQ(error_beeps(), 0);
        EXPECT_EQ(read(kFile), compacted);
        for (int16_t n = 1; n <= 30; ++n) {
            ASSERT_EQ(preset_used_tables[n], intact[static_cast<size_t>(n)] ? 1 : 0) << n;
            if (intact[static_cast<size_t>(n)]) {
                EXPECT_EQ(value_preset_table[n][static_cast<size_t>(n) * 3], n);
            }
        }
    }
}

TEST_F(PresetFile, RandomFilesAreKeptAsACopyAndRewrittenAfterAFewBeeps) {
    std::mt19937 random(11);
    ui::load_fonts();
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        std::vector<uint8_t> bytes = random_bytes(random, kFirstRecord + 300 + 100'000 * static_cast<size_t>(round));
        if (round % 2 == 0) {
            for (int e = 1; e <= 560; e += 7) {
                datafiles_test::set_i32_at(bytes, entry_at(e) + 21, static_cast<int32_t>(kFirstRecord + random() % 300));
                datafiles_test::set_i32_at(bytes, entry_at(e) + 25, static_cast<int32_t>(random() % 60));
                datafiles_test::set_i32_at(bytes, entry_at(e) + 29, static_cast<int32_t>(random() % 60));
            }
        }
        write(kFile, bytes);
        machine_->speaker.tones.clear();
        datafiles::clear_load_reports();
        const uint64_t started_ms = now_ms();
        datafiles::load_preset_file();
        EXPECT_LT(now_ms() - started_ms, 5'000u);
        EXPECT_LE(error_beeps(), 3);
        char copy[32];
        std::snprintf(copy, sizeof copy, "data/presets.k%02d", round + 1);
        EXPECT_EQ(read(copy), bytes);
        ASSERT_EQ(datafiles::load_reports().size(), 1u);
        EXPECT_EQ(datafiles::load_reports()[0].rfind("PRESETS.DAT: ", 0), 0u);
        EXPECT_EQ(text_at(read(kFile), 0, 12), "VERSION 6.31");
        // The rewritten file loads cleanly.
        machine_->speaker.tones.clear();
        const std::vector<uint8_t> rewritten = read(kFile);
        datafiles::load_preset_file();
        EXPECT_EQ(error_beeps(), 0);
        EXPECT_EQ(read(kFile), rewritten);
    }
}

TEST_F(PresetFile, RunningOutOfMemoryAtTheLastEntryKeepsTheFileAsItIs) {
    value_table(1)[1] = 1;
    figure_part(70)[0] = 7;
    ASSERT_TRUE(datafiles::pack_preset_items(1));
    ASSERT_TRUE(datafiles::pack_effect_preset_figures(70));
    const std::vector<uint8_t> file = load_an_older_file_with_one_allocation();
    EXPECT_EQ(preset_used_tables[1], 1);
    EXPECT_EQ(preset_used_tables[560], 0);
    EXPECT_EQ(read(kFile), file);
    EXPECT_FALSE(datafiles::compact_preset_file(true));
    EXPECT_EQ(read(kFile), file);
}

// ------------------------------------------------------------------ older preset files

// An old preset file: a header, 70 index entries (name, block flags, block
// offsets), then the blocks that are added.
struct OldFile {
    std::vector<uint8_t> bytes;
    size_t header = 0;
    size_t entry_bytes = 101;
    int blocks = 16;

    OldFile(std::string version, size_t entry_size, int block_count)
        : header(version.size()), entry_bytes(entry_size), blocks(block_count) {
        bytes.assign(version.begin(), version.end());
        bytes.resize(header + 70 * entry_bytes, 0);
        for (int i = 1; i <= 70; ++i) {
            for (int b = 1; b <= blocks; ++b) datafiles_test::set_i32_at(bytes, offset_field(i, b), -1);
        }
    }
    size_t entry(int i) const { return header + static_cast<size_t>(i - 1) * entry_bytes; }
    size_t offset_field(int i, int b) const { return entry(i) + 21 + static_cast<size_t>(blocks + 4 * (b - 1)); }
    void name(int i, const char* text) { std::memcpy(bytes.data() + entry(i), text, std::strlen(text)); }
    void block(int i, int b, const std::string& tag, const std::vector<uint8_t>& payload, uint8_t present = 1) {
        bytes[entry(i) + 21 + static_cast<size_t>(b - 1)] = present;
        datafiles_test::set_i32_at(bytes, offset_field(i, b), static_cast<int32_t>(bytes.size()));
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        bytes.insert(bytes.end(), payload.begin(), payload.end());
    }
};

std::vector<uint8_t> value_block(std::initializer_list<std::pair<int, int16_t>> set) {
    std::vector<uint8_t> block(256);
    for (size_t i = 0; i < 128; ++i) datafiles_test::set_u16_at(block, 2 * i, 0xFFFF);
    for (const auto& [i, value] : set) datafiles_test::set_u16_at(block, 2 * static_cast<size_t>(i), static_cast<uint16_t>(value));
    return block;
}

TEST_F(PresetFile, OldValuePresetsAreConvertedBlockByBlock) {
    OldFile colours("", 101, 16);
    colours.name(2, "DEEP RED");
    colours.block(2, 1, "+-0072.01-+", value_block({{2, 200}, {3, 0}}));   // records 3 and 4
    colours.block(2, 2, "+-0073.02-+", value_block({{0, 9}}));             // wrong tag
    colours.block(2, 3, "+-0072.03-+", value_block({{0, 256}}));           // out of range
    colours.block(2, 4, "+-0072.04-+", value_block({{0, 7}}), 0);          // not present
    colours.block(2, 16, "+-0072.16-+", value_block({{127, 255}}));        // record 2048
    write("data/PRE-COL.dat", colours.bytes);
    OldFile pans("", 101, 16);
    pans.block(70, 1, "+-0070.01-+", value_block({{0, 5}}));
    pans.block(70, 2, "+-0070.02-+", std::vector<uint8_t>(100, 0));  // short
    write("data/PRE-PAN.dat", pans.bytes);

    datafiles::convert_old_value_preset_file();
    EXPECT_EQ(error_beeps(), 3);
    // What was refused stays on file: each file is kept as a copy and named.
    EXPECT_EQ(datafiles::load_reports(),
              (std::vector<std::string>{"PRE-PAN.DAT: 1 RECORDS REFUSED, COPY IN PRE-PAN.K01",
                                        "PRE-COL.DAT: 2 RECORDS REFUSED, COPY IN PRE-COL.K01"}));
    EXPECT_EQ(read("data/PRE-COL.k01"), colours.bytes);
    EXPECT_EQ(std::string(preset_index[72].name.data()), "DEEP RED");
    ASSERT_NE(value_preset_table[72], nullptr);
    EXPECT_EQ(value_preset_table[72][3], 200);
    EXPECT_EQ(value_preset_table[72][4], 0);
    EXPECT_EQ(value_preset_table[72][1], 65535);
    EXPECT_EQ(value_preset_table[72][129], 65535);
    EXPECT_EQ(value_preset_table[72][257], 65535);
    EXPECT_EQ(value_preset_table[72][385], 65535);
    EXPECT_EQ(value_preset_table[72][2048], 255);
    EXPECT_EQ(value_preset_table[70][1], 5);
    EXPECT_EQ(value_preset_table[141], nullptr);

    ASSERT_TRUE(datafiles::compact_preset_file(true));
    datafiles::load_preset_file();
    EXPECT_EQ(value_preset_table[72][3], 200);
    EXPECT_EQ(value_preset_table[72][2048], 255);
    EXPECT_EQ(datafiles::pack_preset_entry(72).size(), 3u);
    EXPECT_EQ(preset_used_tables[72], 1);
    EXPECT_EQ(memories::preset_index[72].name[0], 'D');
}

TEST_F(PresetFile, OldGeneratorPartsAreConverted) {
    OldFile generators("", 101, 16);
    generators.name(1, "CIRCLE");
    std::vector<uint8_t> last(768, 255);
    last[767] = 12;  // WAIT of function record 2048
    generators.block(1, 16, "+-0631.16-+", last);
    generators.block(3, 1, "+-0633.01-+", std::vector<uint8_t>(700, 1));  // short
    write("data/pre-gen.dat", generators.bytes);
    datafiles::convert_old_generator_preset_file();
    EXPECT_EQ(error_beeps(), 1);
    EXPECT_EQ(std::string(preset_index[421].name.data()), "CIRCLE");
    ASSERT_NE(effect_preset_generators[1], nullptr);
    EXPECT_EQ(effect_preset_generators[1][(2048 - 1) * 6 + 5], 12);
    EXPECT_EQ(effect_preset_generators[3], nullptr);
    const std::vector<MemoryItem> items = datafiles::pack_preset_entry(421);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].kind, 60);
    EXPECT_EQ(items[0].index, 2048);
}

TEST_F(PresetFile, OldFigurePartsAreCopiedOrRemappedByTheirLayout) {
    std::vector<uint8_t> fixture_bytes(100, 255);
    for (int p = 0; p < 10; ++p) fixture_bytes[10 + static_cast<size_t>(p)] = static_cast<uint8_t>(p + 1);  // fixture 2
    OldFile newer("VERSION 6.0", 91, 14);
    newer.block(1, 2, "+-0631.02-+", fixture_bytes);  // fixtures 11..20
    write("data/pre-fig.dat", newer.bytes);
    datafiles::convert_old_figure_preset_file();
    ASSERT_NE(effect_preset_figures[1], nullptr);
    for (int p = 0; p < 10; ++p) EXPECT_EQ(effect_preset_figures[1][(12 - 1) * 10 + p], p + 1);

    datafiles::free_preset_tables();
    OldFile oldest("", 91, 14);
    oldest.block(5, 1, "+-0635.01-+", fixture_bytes);  // fixtures 1..10
    write("data/pre-fig.dat", oldest.bytes);
    datafiles::convert_old_figure_preset_file();
    ASSERT_NE(effect_preset_figures[5], nullptr);
    const uint8_t* fixture = effect_preset_figures[5] + 10;
    // Byte p goes to parameter 1, 2, 3, 4, 6, 7, 8, 9, none, none; a set MODE becomes 0.
    const int expected[10] = {1, 2, 3, 0, 255, 5, 6, 7, 8, 255};
    for (int q = 0; q < 10; ++q) EXPECT_EQ(fixture[q], expected[q]) << q;
    EXPECT_EQ(effect_preset_figures[5][3], 255);  // MODE not set stays not set
    EXPECT_EQ(error_beeps(), 0);
}

TEST_F(PresetFile, MissingOrRandomOldFilesConvertWithoutHarm) {
    datafiles::convert_old_value_preset_file();
    datafiles::convert_old_generator_preset_file();
    datafiles::convert_old_figure_preset_file();
    for (int e = 1; e <= 560; ++e) ASSERT_EQ(preset_index[e].name[0], '\0');
    std::mt19937 random(5);
    const char* files[] = {"data/PRE-GOB.dat", "data/pre-gen.dat", "data/pre-fig.dat"};
    for (int round = 0; round < 4; ++round) {
        for (const char* file : files) write(file, random_bytes(random, 7070 + 2000 * static_cast<size_t>(round)));
        machine_->speaker.tones.clear();
        datafiles::convert_old_value_preset_file();
        datafiles::convert_old_generator_preset_file();
        datafiles::convert_old_figure_preset_file();
        // At most the first few bad blocks of each file beep.
        EXPECT_LE(error_beeps(), 3 * 3);
        for (int e = 1; e <= 560; ++e) ASSERT_EQ(preset_index[e].name[20], '\0');
        ASSERT_TRUE(datafiles::compact_preset_file(true));
    }
}

}  // namespace
