// The older memory, generator and figure pages converted into the memories:
// item by item from small pages built here, the blocks that are refused and
// what becomes of the pages (retired, kept as a copy, or left for the next
// start when mem.dat can't be written), and pages that are cut short or
// random.
#include "datafiles/old_formats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/load_report.h"
#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/record_files.h"
#include "datafiles/warning_bar.h"
#include "memories/memory_index.h"
#include "memories/presets.h"
#include "runtime/card_discovery.h"

namespace {

using datafiles::MemoryItem;
using datafiles_test::set_i32_at;
using datafiles_test::set_u16_at;

// An older page: optional version text, 250 entries (name, a flag per
// block, an offset per block), then the blocks, each a tag and its body.
struct OldPage {
    std::vector<uint8_t> bytes;
    size_t header = 0;
    int blocks = 16;
    size_t entry_bytes = 101;

    explicit OldPage(int block_count = 16, const std::string& version = "")
        : header(version.size()), blocks(block_count), entry_bytes(21 + 5 * static_cast<size_t>(block_count)) {
        bytes.assign(version.begin(), version.end());
        bytes.resize(header + 250 * entry_bytes, 0);
        for (int j = 1; j <= 250; ++j) {
            for (int b = 1; b <= blocks; ++b) set_i32_at(bytes, offset_field(j, b), -1);
        }
    }
    size_t entry(int j) const { return header + static_cast<size_t>(j - 1) * entry_bytes; }
    size_t offset_field(int j, int b) const { return entry(j) + 21 + static_cast<size_t>(blocks + 4 * (b - 1)); }
    void name(int j, const char* text) { std::memcpy(bytes.data() + entry(j), text, std::strlen(text)); }
    // Block b of entry j under the tag of memory m.
    void block(int j, int b, int m, const std::vector<uint8_t>& body, uint8_t flag = 1) {
        char tag[32] = {};
        std::snprintf(tag, sizeof tag, "+-%04d.%02d-+", m, b);
        bytes[entry(j) + 21 + static_cast<size_t>(b - 1)] = flag;
        set_i32_at(bytes, offset_field(j, b), static_cast<int32_t>(bytes.size()));
        bytes.insert(bytes.end(), tag, tag + 11);
        bytes.insert(bytes.end(), body.begin(), body.end());
    }
};

// A mem block: 128 values, all -1 but those given (position 1..128).
std::vector<uint8_t> values(std::initializer_list<std::pair<int, int16_t>> set) {
    std::vector<uint8_t> body(256, 0xFF);
    for (const auto& [j, value] : set) set_u16_at(body, 2 * static_cast<size_t>(j - 1), static_cast<uint16_t>(value));
    return body;
}

// A gen block: all bytes 255 but parameter p of record j.
std::vector<uint8_t> generators(std::initializer_list<std::tuple<int, int, uint8_t>> set) {
    std::vector<uint8_t> body(768, 255);
    for (const auto& [j, p, value] : set) body[static_cast<size_t>((j - 1) * 6 + p - 1)] = value;
    return body;
}

// A fig block: all bytes 255 but fixture j's ten bytes.
std::vector<uint8_t> figures(int j, const std::vector<uint8_t>& fixture_bytes) {
    std::vector<uint8_t> body(100, 255);
    std::copy(fixture_bytes.begin(), fixture_bytes.end(), body.begin() + (j - 1) * 10);
    return body;
}

std::vector<MemoryItem> items_of(int m) {
    const MemoryItem* items = memories::memory_items[static_cast<size_t>(m)];
    if (items == nullptr) return {};
    return std::vector<MemoryItem>(items, items + memories::memory_index[static_cast<size_t>(m)].count);
}

std::string text_of(const std::vector<MemoryItem>& items) {
    std::string text;
    for (const MemoryItem& item : items) {
        text += "(" + std::to_string(item.kind) + "," + std::to_string(item.index) + "," + std::to_string(item.value) + ")";
    }
    return text;
}

std::string name_of(int m) { return std::string(memories::memory_name(static_cast<int16_t>(m))); }

bool report_starting(const std::string& start) {
    for (const std::string& report : datafiles::load_reports()) {
        if (report.rfind(start, 0) == 0) return true;
    }
    return false;
}

class OldMemoryPages : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::function_record_capacity = 2048;
        datafiles::init_memory_file();
        datafiles::init_memcue_file();
        datafiles::warning_bar_texts.clear();
    }
    void TearDown() override {
        datafiles::free_memory_items();
        datafiles::free_preset_tables();
        runtime::function_record_capacity = 2048;
        DataDir::TearDown();
    }

    // Two old pages: memories 3, 4, 5 on page 1 and 251,
    // 252 on page 2, of all three kinds.
    void write_example_pages() {
        OldPage mem1;
        mem1.name(3, "WASH");
        mem1.block(3, 1, 3, values({{1, 0}, {2, 255}, {5, 1000}, {128, 2000}}));
        mem1.block(3, 2, 3, values({{1, 77}}));                  // record 129
        mem1.name(4, "BROKEN");
        mem1.block(4, 1, 4, values({{3, 256}, {4, 10}}));        // 256: refused whole
        mem1.block(4, 2, 4, values({{7, 999}}));                 // 999: refused whole
        mem1.name(5, "NOT PROGRAMMED");
        mem1.block(5, 1, 5, values({{1, 50}}), 0);               // flag 0: read, not taken
        write("data/mem-0250.dat", mem1.bytes);
        OldPage mem2;
        mem2.block(1, 1, 251, values({{1, 42}}));
        mem2.block(2, 1, 251, values({{1, 43}}));                // tagged for 251, not 252
        write("data/mem-0500.dat", mem2.bytes);

        OldPage gen1;
        gen1.name(3, "IGNORED");                                 // only mem pages name memories
        gen1.block(3, 1, 3, generators({{2, 1, 10}, {2, 6, 60}}));
        gen1.block(3, 16, 3, generators({{128, 3, 0}}));         // record 2048
        write("data/gen-0250.dat", gen1.bytes);

        OldPage fig1(14, "VERSION 6.0");
        fig1.block(3, 2, 3, figures(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));  // fixture 11, as it is
        write("data/fig-0250.dat", fig1.bytes);
        OldPage fig2(14);                                        // the oldest layout
        fig2.block(1, 1, 251, figures(3, {11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
        fig2.block(1, 14, 251, figures(10, {255, 255, 255, 255, 1, 255, 255, 255, 255, 255}));
        write("data/fig-0500.dat", fig2.bytes);
    }
};

TEST_F(OldMemoryPages, EveryValueGeneratorAndFigureByteBecomesTheItemWorkedOutByHand) {
    write_example_pages();
    datafiles::convert_old_memories();

    EXPECT_EQ(text_of(items_of(3)),
              "(0,1,0)(0,2,255)(0,5,1000)(0,128,2000)(0,129,77)"  // mem page 1
              "(10,2,10)(60,2,60)(30,2048,0)"                     // gen page 1
              "(100,11,1)(110,11,2)(120,11,3)(130,11,4)(140,11,5)(150,11,6)(160,11,7)(170,11,8)(180,11,9)"
              "(190,11,10)");                                     // fig page 1, "VERSION 6.0"
    // The oldest figure layout: byte p goes to parameter 1, 2, 3, 4, 6, 7, 8,
    // 9, none, none; a set MODE becomes 0.
    EXPECT_EQ(text_of(items_of(251)),
              "(0,1,42)"
              "(100,3,11)(110,3,12)(120,3,13)(130,3,0)(150,3,15)(160,3,16)(170,3,17)(180,3,18)"
              "(150,140,1)");
    EXPECT_EQ(name_of(3), "WASH");
    EXPECT_EQ(name_of(4), "BROKEN");
    EXPECT_TRUE(items_of(4).empty());
    EXPECT_EQ(memories::memory_used[4], 0);
    EXPECT_EQ(name_of(5), "NOT PROGRAMMED");
    EXPECT_TRUE(items_of(5).empty());
    EXPECT_EQ(memories::memory_used[5], 0);
    EXPECT_TRUE(items_of(252).empty());
    EXPECT_EQ(memories::memory_used[3], 1);
    EXPECT_EQ(memories::memory_used[251], 1);
    EXPECT_EQ(memories::memory_used_count, 2);
    EXPECT_EQ(datafiles::warning_bar_texts,
              (std::vector<std::string>{"UPDATING DATA-FORMAT OF MEMORIES! PLEASE WAIT...",
                                        "UPDATING DATA-FORMAT OF FIGURE-MEMORIES! PLEASE WAIT..."}));
    // Two refused blocks on page 1, one on page 2: each file beeps.
    EXPECT_EQ(error_beeps(), 3);

    // mem.dat holds the converted memories: loaded alone it gives them back.
    const std::vector<MemoryItem> converted = items_of(3);
    datafiles::free_memory_items();
    datafiles::load_memory_file();
    EXPECT_EQ(text_of(items_of(3)), text_of(converted));
    EXPECT_EQ(items_of(251).size(), 10u);
    EXPECT_EQ(name_of(4), "BROKEN");
    EXPECT_EQ(memories::memory_used_count, 2);
}

TEST_F(OldMemoryPages, PagesAreRetiredAndThoseWithRefusedBlocksKeptAsACopyAndReported) {
    write_example_pages();
    const std::vector<uint8_t> page1 = read("data/mem-0250.dat");
    const std::vector<uint8_t> gen1 = read("data/gen-0250.dat");
    datafiles::convert_old_memories();

    for (const char* name : {"mem-0250", "mem-0500", "gen-0250", "fig-0250", "fig-0500"}) {
        EXPECT_FALSE(has(std::string("data/") + name + ".dat")) << name;
        EXPECT_TRUE(has(std::string("data/") + name + ".old")) << name;
    }
    EXPECT_EQ(read("data/mem-0250.old"), page1);
    EXPECT_EQ(read("data/gen-0250.old"), gen1);
    // What was dropped stays on file beyond the .old files' life.
    EXPECT_EQ(read("data/mem-0250.k01"), page1);
    EXPECT_TRUE(has("data/mem-0500.k01"));
    EXPECT_FALSE(has("data/gen-0250.k01"));
    EXPECT_TRUE(report_starting("MEM-0250.DAT: 2 RECORDS REFUSED, COPY IN MEM-0250.K01"));
    EXPECT_TRUE(report_starting("MEM-0500.DAT: 1 RECORDS REFUSED, COPY IN MEM-0500.K01"));
    EXPECT_EQ(datafiles::load_reports().size(), 2u);
}

TEST_F(OldMemoryPages, WithoutPageOneOnlyTheCurrentFilesAreLoaded) {
    OldPage mem2;
    mem2.block(1, 1, 251, values({{1, 42}}));
    write("data/mem-0500.dat", mem2.bytes);
    const std::vector<uint8_t> memory_file = read("data/mem.dat");
    datafiles::convert_old_memories();
    EXPECT_TRUE(items_of(251).empty());
    EXPECT_TRUE(has("data/mem-0500.dat"));
    EXPECT_EQ(read("data/mem.dat"), memory_file);
    EXPECT_TRUE(datafiles::warning_bar_texts.empty());
    EXPECT_EQ(machine_->speaker.tones.to_vector().size(), 0u);
}

TEST_F(OldMemoryPages, BlocksBeyondTheConsolesFunctionRecordsAreIgnored) {
    runtime::function_record_capacity = 256;  // blocks 1 and 2 only
    OldPage mem1;
    mem1.block(1, 2, 1, values({{128, 5}}));
    mem1.block(1, 3, 1, values({{1, 6}}));
    write("data/mem-0250.dat", mem1.bytes);
    OldPage gen1;
    gen1.block(1, 3, 1, generators({{1, 1, 7}}));
    write("data/gen-0250.dat", gen1.bytes);
    datafiles::convert_old_memories();
    EXPECT_EQ(text_of(items_of(1)), "(0,256,5)");
    EXPECT_EQ(error_beeps(), 0);
    EXPECT_TRUE(datafiles::load_reports().empty());
}

TEST_F(OldMemoryPages, WhenMemDatCantBeWrittenThePagesStayForTheNextStart) {
    write_example_pages();
    const std::vector<uint8_t> memory_file = read("data/mem.dat");
    // The new copy's name is taken by a folder: mem.dat can't be replaced.
    std::filesystem::create_directories(dir_.folder() / "data" / "mem.$$$");
    datafiles::convert_old_memories();

    EXPECT_EQ(read("data/mem.dat"), memory_file);
    for (const char* name : {"mem-0250", "mem-0500", "gen-0250", "fig-0250", "fig-0500"}) {
        EXPECT_TRUE(has(std::string("data/") + name + ".dat")) << name;
        EXPECT_FALSE(has(std::string("data/") + name + ".old")) << name;
    }
    EXPECT_TRUE(report_starting("MEM.DAT: NOT WRITTEN, OLDER MEMORY PAGES KEPT"));
    // The show still has what was converted.
    EXPECT_EQ(items_of(3).size(), 18u);
}

TEST_F(OldMemoryPages, WhenMemoryRunsOutNothingIsWrittenAndThePagesStay) {
    write_example_pages();
    const std::vector<uint8_t> memory_file = read("data/mem.dat");
    {
        // Memory 3's two value blocks fit; then memory is full.
        const datafiles_test::AllocationLimit limit(2);
        datafiles::convert_old_memories();
    }
    EXPECT_EQ(read("data/mem.dat"), memory_file);
    EXPECT_TRUE(has("data/mem-0250.dat"));
    EXPECT_TRUE(has("data/fig-0500.dat"));
    EXPECT_FALSE(has("data/gen-0250.old"));
    EXPECT_TRUE(report_starting("MEM.DAT: NOT WRITTEN (MEMORY FULL), OLDER MEMORY PAGES KEPT"));
    EXPECT_TRUE(report_starting("MEM-0500.DAT: 1 RECORDS REFUSED, 1 RECORDS NOT LOADED (MEMORY FULL)"));
    EXPECT_EQ(datafiles::old_records_not_held, 6);  // 1 mem, 2 gen, 3 fig blocks
    EXPECT_EQ(items_of(3).size(), 5u);

    // With memory enough the next start converts them whole.
    datafiles::clear_load_reports();
    datafiles::convert_old_memories();
    EXPECT_EQ(items_of(3).size(), 18u);
    EXPECT_TRUE(has("data/mem-0250.old"));
    EXPECT_FALSE(report_starting("MEM.DAT"));
}

TEST_F(OldMemoryPages, AMemDatHoldingMemoriesIsKeptAsACopyBeforeTheConversionReplacesIt) {
    MemoryItem item{0, 9, 99};
    memories::memory_index[7].count = 1;
    ASSERT_TRUE(datafiles::save_item_list_record<datafiles::MemoryIndexEntry>(datafiles::kMemoryList,
                                                                               memories::memory_index, 7, &item));
    const std::vector<uint8_t> memory_file = read("data/mem.dat");
    write_example_pages();
    datafiles::convert_old_memories();
    EXPECT_EQ(read("data/mem.k01"), memory_file);
    EXPECT_TRUE(report_starting("MEM.DAT: REPLACED BY CONVERTED OLDER FILES, COPY IN MEM.K01"));
    EXPECT_FALSE(has("data/mem-0250.dat"));
}

TEST_F(OldMemoryPages, WhenPresetsDatCantBeWrittenTheOlderPresetFilesStayAndTheShowKeepsTheirPresets) {
    datafiles::init_preset_file();
    const std::vector<uint8_t> presets = read("data/presets.dat");
    OldPage pans(16);
    pans.bytes.resize(70 * 101);  // 70 entries only
    pans.name(2, "LEFT");
    pans.block(2, 1, 2, values({{3, 128}}));
    write("data/pre-pan.dat", pans.bytes);
    std::filesystem::create_directories(dir_.folder() / "data" / "presets.$$$");
    datafiles::convert_old_presets();
    EXPECT_EQ(read("data/presets.dat"), presets);
    EXPECT_EQ(read("data/pre-pan.dat"), pans.bytes);
    EXPECT_FALSE(has("data/pre-pan.old"));
    EXPECT_TRUE(report_starting("PRESETS.DAT: NOT WRITTEN, OLDER PRESET FILES KEPT"));
    ASSERT_NE(memories::value_preset_table[2], nullptr);
    EXPECT_EQ(memories::value_preset_table[2][3], 128);

    std::filesystem::remove(dir_.folder() / "data" / "presets.$$$");
    datafiles::convert_old_presets();
    EXPECT_TRUE(has("data/pre-pan.old"));
    EXPECT_FALSE(has("data/pre-pan.dat"));
    ASSERT_NE(memories::value_preset_table[2], nullptr);
    EXPECT_EQ(memories::value_preset_table[2][3], 128);
    EXPECT_EQ(std::string(memories::preset_index[2].name.data()), "LEFT");
}

TEST_F(OldMemoryPages, APageCutShortKeepsWhatItHoldsAndIsReported) {
    OldPage mem1;
    mem1.block(1, 1, 1, values({{1, 1}}));
    mem1.block(2, 1, 2, values({{1, 2}}));
    mem1.bytes.resize(mem1.bytes.size() - 100);  // memory 2's block cut
    write("data/mem-0250.dat", mem1.bytes);
    OldPage mem2;
    mem2.bytes.resize(101 * 10 + 50);  // index cut inside entry 11
    write("data/mem-0500.dat", mem2.bytes);
    datafiles::convert_old_memories();
    EXPECT_EQ(text_of(items_of(1)), "(0,1,1)");
    EXPECT_TRUE(items_of(2).empty());
    EXPECT_TRUE(report_starting("MEM-0250.DAT: 1 RECORDS REFUSED, COPY IN MEM-0250.K01"));
    EXPECT_TRUE(report_starting("MEM-0500.DAT: CUT SHORT AFTER ENTRY 10, COPY IN MEM-0500.K01"));
}

TEST_F(OldMemoryPages, RandomAndOversizedPagesAreRefusedWithoutHarm) {
    std::mt19937 random(17);
    const size_t sizes[] = {5, 1000, 25250, 25250 + 300, 200000};
    for (size_t size : sizes) {
        for (const char* kind : {"mem", "gen", "fig"}) {
            for (int page = 1; page <= 8; ++page) {
                char name[32] = {};
                std::snprintf(name, sizeof name, "data/%s-%04d.dat", kind, 250 * page);
                write(name, random_bytes(random, size + static_cast<size_t>(page)));
            }
        }
        machine_->speaker.tones.clear();
        datafiles::clear_load_reports();
        datafiles::convert_old_memories();
        // At most the first few refusals of each of the 24 files beep.
        EXPECT_LE(error_beeps(), 24 * datafiles::kBeepedRefusals);
        for (int m = 1; m <= 4000; ++m) {
            for (const MemoryItem& item : items_of(m)) {
                const bool value = item.kind == 0 && item.index >= 1 && item.index <= 2048;
                const bool generator = item.kind >= 10 && item.kind <= 60 && item.kind % 10 == 0 &&
                                       item.index >= 1 && item.index <= 2048;
                const bool figure = item.kind >= 100 && item.kind <= 190 && item.kind % 10 == 0 &&
                                    item.index >= 1 && item.index <= 140;
                ASSERT_TRUE(value || generator || figure) << m;
                ASSERT_LE(m, 2000);
            }
            ASSERT_EQ(memories::memory_index[static_cast<size_t>(m)].name[20], '\0');
        }
        // Each page was damaged, kept and named; all were retired.
        EXPECT_GE(datafiles::load_reports().size(), 24u) << size;
        EXPECT_TRUE(has("data/mem-2000.old"));
        EXPECT_FALSE(has("data/fig-0250.dat"));
    }
}

}  // namespace
