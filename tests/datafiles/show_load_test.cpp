// The show start loads every data file in one order; the memories and presets
// on file reach the show tables, a damaged memory file is named once without
// stalling the start, and the older preset files are converted on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cue_file_bytes.h"
#include "data_dir.h"
#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/group_files.h"
#include "datafiles/load_report.h"
#include "datafiles/record_files.h"
#include "memories/memory_index.h"
#include "memories/presets.h"
#include "rig/console.h"
#include "runtime/config_records.h"
#include "runtime/step_log.h"
#include "sync/sync_services.h"
#include "ui/message_line.h"

namespace {

using datafiles::MemoryIndexEntry;
using datafiles::MemoryItem;
using Steps = std::vector<std::string>;

// The loads of a show start without older files, in their order.
const Steps kShowLoads = {
    "convert_old_memories()", "load_memory_file()", "load_memcue_file()", "convert_memory_time_items()",
    "convert_memcue_time_items()", "convert_old_presets()", "load_preset_file()", "load_threshold_file()",
    "convert_old_cues()", "load_default_preset_files(false)", "load_midi_spec_file()", "load_soundin_config()",
    "load_pointcue_file()", "load_cue_playback_file()", "load_cue_sequence_file()", "check_pointcue_consistency(0)",
    "load_setup_file()", "load_figure_drawings()", "load_symbol_drawings()", "load_filter_catalogues()",
    "load_patch_curves()", "load_channel_curves()", "load_subgroup_file()", "load_group_file()",
    "load_submaster_file()", "synchro::load_timecode_list(runtime::current_list_name)", "load_macro_file()",
};

// The steps logged by the last load of the show, up to its last loader.
Steps show_loads() {
    const Steps all = runtime::logged_steps();
    auto first = std::find(all.begin(), all.end(), "datafiles::load_all_data()");
    if (first == all.end()) return {};
    auto last = std::find(first, all.end(), "load_macro_file()");
    if (last == all.end()) return {};
    return Steps(first + 1, last + 1);
}

// An item-list file as the engine writes it: the version text, `entries`
// index entries of 33 bytes, then the records, each a tag and its items.
struct ItemListFile {
    std::vector<uint8_t> bytes;
    const char* tag_format;

    ItemListFile(const char* version, int entries, const char* tag) : tag_format(tag) {
        bytes.assign(version, version + std::strlen(version));
        bytes.resize(12 + static_cast<size_t>(entries) * 33);
        for (int e = 1; e <= entries; ++e) set_entry(e, MemoryIndexEntry{});
    }
    void set_entry(int e, const MemoryIndexEntry& entry) {
        datafiles::encode(entry, std::span<uint8_t, 33>(bytes.data() + 12 + static_cast<size_t>(e - 1) * 33, 33));
    }
    // Appends entry e's record and points its entry at it.
    void add(int e, const char* name, const std::vector<MemoryItem>& items, int tag_number = 0) {
        MemoryIndexEntry entry;
        std::strncpy(entry.name.data(), name, entry.name.size() - 1);
        entry.offset = static_cast<int32_t>(bytes.size());
        entry.capacity = static_cast<int32_t>(items.size());
        entry.count = static_cast<int32_t>(items.size());
        set_entry(e, entry);
        char tag[16] = {};
        std::snprintf(tag, sizeof tag, tag_format, tag_number != 0 ? tag_number : e);
        bytes.insert(bytes.end(), tag, tag + std::strlen(tag));
        for (const MemoryItem& item : items) {
            uint8_t field[5];
            datafiles::encode(item, std::span<uint8_t, 5>(field));
            bytes.insert(bytes.end(), field, field + 5);
        }
    }
};

ItemListFile memory_file() { return ItemListFile("VERSION 6.30", 4000, "+-%04d-+"); }
ItemListFile preset_file() { return ItemListFile("VERSION 6.31", 560, "+-%03d-+"); }

std::vector<MemoryItem> loaded_memory(int m) {
    const MemoryItem* items = memories::memory_items[static_cast<size_t>(m)];
    if (items == nullptr) return {};
    return std::vector<MemoryItem>(items, items + memories::memory_index[static_cast<size_t>(m)].count);
}

bool same(const std::vector<MemoryItem>& a, const std::vector<MemoryItem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const MemoryItem& x, const MemoryItem& y) {
        return x.kind == y.kind && x.index == y.index && x.value == y.value;
    });
}

// An older preset file: 70 entries (name, a present flag per block, an
// offset per block), then blocks of a tag "+-%04d.%02d-+" and the values.
struct OldPresetFile {
    std::vector<uint8_t> bytes;
    int blocks;
    size_t entry_size;  // 21 + 5 * blocks
    explicit OldPresetFile(int block_count) : blocks(block_count), entry_size(21 + 5 * static_cast<size_t>(block_count)) {
        bytes.resize(70 * entry_size);
        for (int i = 1; i <= 70; ++i) {
            for (int b = 1; b <= blocks; ++b) datafiles_test::set_i32_at(bytes, offset_field(i, b), -1);
        }
    }
    size_t entry(int i) const { return static_cast<size_t>(i - 1) * entry_size; }
    size_t offset_field(int i, int b) const { return entry(i) + 21 + static_cast<size_t>(blocks + 4 * (b - 1)); }
    void block(int i, int b, const std::string& tag, const std::vector<uint8_t>& payload) {
        bytes[entry(i) + 21 + static_cast<size_t>(b - 1)] = 1;
        datafiles_test::set_i32_at(bytes, offset_field(i, b), static_cast<int32_t>(bytes.size()));
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        bytes.insert(bytes.end(), payload.begin(), payload.end());
    }
};

class ShowLoad : public ::testing::Test {
protected:
    ShowLoad() { runtime::clear_step_log(); }

    void write(const std::string& name, const std::vector<uint8_t>& bytes) { dir_.write_file("data/" + name, bytes); }
    std::vector<uint8_t> read(const std::string& name) { return dir_.read_file("data/" + name); }
    bool has(const std::string& name) { return dir_.has_file("data/" + name); }
    void start() { rig::start_console(rig_, dir_); }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
};

TEST_F(ShowLoad, TheShowStartLoadsEveryFileInOrderAndPassesTheLoadersTheirArguments) {
    datafiles::last_default_preset_conversion_flag = -1;
    start();
    ASSERT_FALSE(rig_.finished());
    EXPECT_EQ(show_loads(), kShowLoads);
    EXPECT_EQ(datafiles::last_default_preset_conversion_flag, 0);
    EXPECT_EQ(runtime::current_list_name, "LOAD");  // "LIST LOAD" of the demo ini
    // Without older cue pages nothing is compacted at the start.
    const Steps loads = show_loads();
    EXPECT_EQ(std::count(loads.begin(), loads.end(), "compact_cue_sequence_file(1)"), 0);
}

TEST_F(ShowLoad, StoredMemoriesAndPresetsReachTheShowTables) {
    const std::vector<MemoryItem> opening = {{0, 1, 255}, {10, 17, 128}, {95, 2048, 3}};
    const std::vector<MemoryItem> last = {{0, 512, 40}};
    ItemListFile memories = memory_file();
    memories.add(12, "OPENING", opening);
    memories.add(4000, "", last);
    write("mem.dat", memories.bytes);
    ItemListFile presets = preset_file();
    presets.add(5, "AMBER", {{0, 3, 200}, {0, 2048, 7}});
    write("presets.dat", presets.bytes);
    // memcues.dat: cue memory 2 holds one item.
    std::vector<uint8_t> cues(12 + 2000 * 12);
    std::memcpy(cues.data(), "VERSION 6.01", 12);
    for (size_t n = 1; n <= 2000; ++n) datafiles_test::set_i32_at(cues, 12 + (n - 1) * 12, -1);
    datafiles_test::set_i32_at(cues, 12 + 12, static_cast<int32_t>(cues.size()));
    datafiles_test::set_i32_at(cues, 12 + 12 + 4, 1);
    datafiles_test::set_i32_at(cues, 12 + 12 + 8, 1);
    const std::vector<uint8_t> record = {'+', '-', '0', '0', '0', '2', '-', '+', 201, 9, 0, 77, 0};
    cues.insert(cues.end(), record.begin(), record.end());
    write("memcues.dat", cues);
    // A point cue holds cue memory 2, so that the start keeps it.
    datafiles_test::CueFileBytes pointcues(datafiles::kPointcueFile);
    playback::PointcueRecord point;
    point.flags = playback::CUE_RECORD_IN_CUE;
    point.point_memory = 2;
    pointcues.add(15, datafiles_test::pointcue_bytes(point));
    write("cuemem.dat", pointcues.bytes);

    start();
    ASSERT_FALSE(rig_.finished());
    EXPECT_TRUE(same(loaded_memory(12), opening));
    EXPECT_EQ(memories::memory_name(12), "OPENING");
    EXPECT_TRUE(same(loaded_memory(4000), last));
    EXPECT_TRUE(loaded_memory(11).empty());
    ASSERT_NE(memories::value_preset_table[5], nullptr);
    EXPECT_EQ(memories::value_preset_table[5][3], 200);
    EXPECT_EQ(memories::value_preset_table[5][2048], 7);
    EXPECT_EQ(std::string(memories::preset_index[5].name.data()), "AMBER");
    EXPECT_EQ(memories::value_preset_table[6], nullptr);
    ASSERT_NE(datafiles::memcue_items[2], nullptr);
    EXPECT_EQ(datafiles::memcue_index[2].count, 1);
    EXPECT_EQ(datafiles::memcue_items[2][0].kind, 201);
    EXPECT_EQ(datafiles::memcue_items[2][0].index, 9);
    EXPECT_EQ(datafiles::memcue_items[2][0].value, 77);
    EXPECT_EQ(datafiles::memcue_used_count, 1);
    EXPECT_TRUE(datafiles::load_reports().empty());
    EXPECT_EQ(read("mem.dat"), memories.bytes);  // loading never rewrites mem.dat
}

// A record whose tag names another memory costs that memory only; the
// message line names the file once the main screen is up.
TEST_F(ShowLoad, AMemoryWithAWrongTagIsRefusedWhileTheOthersLoad) {
    ItemListFile memories = memory_file();
    memories.add(7, "", {{0, 1, 1}}, 8);
    memories.add(9, "", {{0, 2, 2}});
    write("mem.dat", memories.bytes);
    start();
    ASSERT_FALSE(rig_.finished());
    EXPECT_TRUE(loaded_memory(7).empty());
    EXPECT_TRUE(same(loaded_memory(9), {{0, 2, 2}}));
    EXPECT_EQ(ui::current_message(), "MEM.DAT: 1 RECORDS REFUSED");
    EXPECT_EQ(read("mem.dat"), memories.bytes);
}

// A mem.dat whose index points all over a file of random bytes: a few beeps,
// one message, and the start goes on in good time.
TEST_F(ShowLoad, ARandomMemoryFileDoesNotStallTheStart) {
    std::mt19937 random(21);
    std::vector<uint8_t> bytes(400'000);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    std::memcpy(bytes.data(), "VERSION 6.30", 12);
    for (size_t m = 0; m < 4000; ++m) {
        datafiles_test::set_i32_at(bytes, 12 + m * 33 + 21, static_cast<int32_t>(132'012 + random() % 260'000));
        datafiles_test::set_i32_at(bytes, 12 + m * 33 + 29, static_cast<int32_t>(random() % 40));
    }
    write("mem.dat", bytes);
    start();
    ASSERT_FALSE(rig_.finished());
    EXPECT_LT(rig_.machine().clock.now_ms, 60'000u);
    const std::string message(ui::current_message());
    EXPECT_EQ(message.rfind("MEM.DAT: ", 0), 0u) << message;
    EXPECT_NE(message.find(" RECORDS REFUSED"), std::string::npos) << message;
    EXPECT_EQ(read("mem.dat"), bytes);
}

std::vector<uint8_t> value_block(int position, int16_t value) {
    std::vector<uint8_t> block(256, 0xFF);  // every record not set
    datafiles_test::set_u16_at(block, 2 * static_cast<size_t>(position), static_cast<uint16_t>(value));
    return block;
}

// All five older preset files present: presets.dat is written from them
// once, loaded, and the older files are kept as .old.
TEST_F(ShowLoad, OlderPresetFilesAreConvertedOnceAndRetired) {
    OldPresetFile pans(16);
    std::memcpy(pans.bytes.data() + pans.entry(3), "CENTRE", 6);
    pans.block(3, 1, "+-0003.01-+", value_block(4, 128));  // record 5
    write("PRE-PAN.dat", pans.bytes);
    write("PRE-COL.dat", OldPresetFile(16).bytes);
    write("PRE-GOB.dat", OldPresetFile(16).bytes);
    write("pre-gen.dat", OldPresetFile(16).bytes);
    write("pre-fig.dat", OldPresetFile(14).bytes);

    start();
    ASSERT_FALSE(rig_.finished());
    const Steps loads = show_loads();
    const Steps preset_step(std::find(loads.begin(), loads.end(), "convert_old_presets()"),
                            std::find(loads.begin(), loads.end(), "load_threshold_file()"));
    EXPECT_EQ(preset_step, (Steps{"convert_old_presets()", "convert_old_value_preset_file()",
                                  "convert_old_figure_preset_file()", "convert_old_generator_preset_file()",
                                  "compact_preset_file(true)", "load_preset_file()"}));
    ASSERT_NE(memories::value_preset_table[3], nullptr);
    EXPECT_EQ(memories::value_preset_table[3][5], 128);
    EXPECT_EQ(std::string(memories::preset_index[3].name.data()), "CENTRE");
    for (const char* name : {"PRE-PAN", "PRE-COL", "PRE-GOB", "pre-gen", "pre-fig"}) {
        EXPECT_FALSE(has(std::string(name) + ".dat")) << name;
        EXPECT_TRUE(has(std::string(name) + ".old")) << name;
    }
    EXPECT_EQ(read("PRE-PAN.old"), pans.bytes);

    // The file written holds the preset: a start without the older files
    // loads it from presets.dat alone.
    const std::vector<uint8_t> written = read("presets.dat");
    EXPECT_EQ(datafiles_test::text_at(written, 0, 12), "VERSION 6.31");
    EXPECT_EQ(datafiles_test::i32_at(written, 12 + 2 * 33 + 29), 1);  // entry 3 holds one item
}

}  // namespace
