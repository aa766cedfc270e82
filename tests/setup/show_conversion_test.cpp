// The show data carried over to a changed rig on the setup's save, on files
// in a temporary program directory: old and new rigs are built directly, the
// show tables filled, then the save converts, commits and is read back.
#include "setup/rig_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "datafiles/cue_memory_file.h"
#include "datafiles/data_dir.h"
#include "datafiles/default_values.h"
#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/group_files.h"
#include "datafiles/threshold_file.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "memories/memory_index.h"
#include "memories/presets.h"
#include "memories/submaster_cells.h"
#include "programmer/fixture_groups.h"
#include "rig_builder.h"
#include "runtime/card_discovery.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_save.h"
#include "setup/show_converters.h"

namespace {

using datafiles::MemoryItem;
using setup::SetupData;
using setup_test::FixtureSpec;
using setup_test::TypeSpec;
using Items = std::vector<std::tuple<int, int, int>>;  // kind, index, value

const std::vector<TypeSpec> kTypes = {{"SPOT", 3}, {"DIMMER", 1}};
// Old rig: spot A (records 1..3), spot B (4..6), dimmer C (7).
const std::vector<FixtureSpec> kOldRig = {{1, 1, 1, 1, 1}, {1, 1, 2, 4, 10}, {2, 1, 3, 7, 20}};
// A deleted: B and C keep their old first records through the edit.
const std::vector<FixtureSpec> kWithoutA = {{1, 1, 2, 4, 10}, {2, 1, 3, 7, 20}};


std::vector<std::string> statuses;
void record_status(const char* text) { statuses.emplace_back(text); }

Items items_of(const MemoryItem* items, int32_t count) {
    Items list;
    for (int32_t i = 0; items != nullptr && i < count; ++i) list.emplace_back(items[i].kind, items[i].index, items[i].value);
    return list;
}

MemoryItem* new_list(const Items& items) {
    auto* list = static_cast<MemoryItem*>(runtime::show_table_allocator(items.size() * sizeof(MemoryItem), __FILE__, __LINE__));
    for (size_t i = 0; i < items.size(); ++i) {
        list[i] = {static_cast<uint8_t>(std::get<0>(items[i])), static_cast<uint16_t>(std::get<1>(items[i])),
                   static_cast<uint16_t>(std::get<2>(items[i]))};
    }
    return list;
}

void put_memory(int m, const Items& items, const std::string& name = "") {
    memories::memory_items[static_cast<size_t>(m)] = new_list(items);
    auto& entry = memories::memory_index[static_cast<size_t>(m)];
    entry.count = static_cast<int32_t>(items.size());
    std::copy(name.begin(), name.end(), entry.name.begin());
    memories::memory_used[static_cast<size_t>(m)] = 1;
}

void put_cue_memory(int n, const Items& items) {
    datafiles::memcue_items[static_cast<size_t>(n)] = new_list(items);
    datafiles::memcue_index[static_cast<size_t>(n)].count = static_cast<int32_t>(items.size());
}

uint32_t u32_at(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

class ShowConversion : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::function_record_capacity = 2048;
        ASSERT_TRUE(runtime::allocate_show_tables());
        runtime::reset_show_tables();
        datafiles::clear_memory_index();
        datafiles::clear_memcue_index();
        datafiles::clear_preset_index();
        // The data folder as a show start leaves it.
        datafiles::init_memory_file();
        datafiles::init_memcue_file();
        datafiles::init_preset_file();
    }
    void TearDown() override {
        runtime::show_table_allocator = memcheck_allocator_;
        DataDir::TearDown();
    }

    static void go_live(const std::vector<TypeSpec>& types, const std::vector<FixtureSpec>& fixtures) {
        setup::setup_data = setup_test::make_rig(types, fixtures);
        setup::fixture_count = static_cast<int16_t>(fixtures.size());
        setup::fixture_type_count = static_cast<int16_t>(types.size());
    }
    // The setup's save as leaving it with SAVE runs it.
    bool save(const std::vector<TypeSpec>& types, const std::vector<FixtureSpec>& fixtures,
              const std::function<void(SetupData&)>& edit = {}) {
        auto edited = std::make_unique<SetupData>(setup_test::make_rig(types, fixtures));
        if (edit) edit(*edited);
        setup::renumber_fixtures_by_page(*edited);
        setup::LibraryList list;
        if (!setup::convert_show_data(*edited, list)) return false;
        const bool saved = setup::save_edited_setup(*edited, state_, record_status).saved;
        setup::finish_show_conversion(saved);
        return saved;
    }
    static bool drawn(const std::string& text) {
        for (const std::string& line : platform::machine().graphics.call_log()) {
            if (line.find("\"" + text + "\"") != std::string::npos) return true;
        }
        return false;
    }
    std::vector<std::string> names_in(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.folder() / folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    setup::AddressState state_;
    runtime::ShowTableAllocator memcheck_allocator_ = runtime::show_table_allocator;
};

TEST_F(ShowConversion, AMemoryFollowsItsFixturesAndADeletedFixturesValuesGo) {
    go_live(kTypes, kOldRig);
    // Record 2000 and fixture 600 lie outside the old rig: they go too.
    put_memory(1,
               {{0, 1, 10}, {0, 4, 40}, {0, 5, 50}, {0, 7, 70}, {0, 2000, 5}, {20, 4, 99}, {100, 1, 6}, {100, 2, 5},
                {100, 600, 1}, {203, 4, 123}},
               "LOOK");
    put_memory(2, {{0, 2, 11}, {203, 2, 5}}, "ONLY A");
    put_cue_memory(5, {{0, 7, 70}, {0, 3, 1}});
    write("data/backup/stale.dat", {1});
    ASSERT_TRUE(save(kTypes, kWithoutA));
    EXPECT_TRUE(drawn("BACKING UP DATA..."));
    EXPECT_TRUE(drawn("SAVING CONVERTED DATA..."));

    // B now on records 1..3, C on 4. The value of B's second channel has no time: none is made.
    const Items expected = {{0, 1, 40}, {0, 2, 50}, {0, 4, 70}, {20, 1, 99}, {100, 1, 5}, {203, 1, 123}};
    EXPECT_EQ(items_of(memories::memory_items[1], memories::memory_index[1].count), expected);
    EXPECT_EQ(memories::memory_index[2].count, 0);
    EXPECT_EQ(memories::memory_name(2), "ONLY A");
    EXPECT_EQ(memories::memory_used[1], 1);
    EXPECT_EQ(memories::memory_used[2], 0);
    EXPECT_EQ(memories::memory_used_count, 1);
    EXPECT_EQ(items_of(datafiles::memcue_items[5], datafiles::memcue_index[5].count), (Items{{0, 4, 70}}));

    // mem.dat: version, 4000 entries of 33 bytes, one record.
    const std::vector<uint8_t> mem = read("data/mem.dat");
    ASSERT_EQ(mem.size(), 12u + 4000 * 33 + 8 + 6 * 5);
    EXPECT_EQ(std::string(mem.begin(), mem.begin() + 12), "VERSION 6.30");
    EXPECT_EQ(std::string(mem.begin() + 12, mem.begin() + 16), "LOOK");
    EXPECT_EQ(u32_at(mem, 12 + 21), 132012u);  // offset of its tag
    EXPECT_EQ(u32_at(mem, 12 + 25), 6u);       // capacity
    EXPECT_EQ(u32_at(mem, 12 + 29), 6u);       // count
    EXPECT_EQ(std::string(mem.begin() + 45, mem.begin() + 51), "ONLY A");
    EXPECT_EQ(u32_at(mem, 45 + 21), 0xFFFFFFFFu);
    EXPECT_EQ(u32_at(mem, 45 + 25), 0u);
    EXPECT_EQ(u32_at(mem, 45 + 29), 0u);
    EXPECT_EQ(std::string(mem.begin() + 132012, mem.begin() + 132020), "+-0001-+");
    const std::vector<uint8_t> first_item(mem.begin() + 132020, mem.begin() + 132025);
    EXPECT_EQ(first_item, (std::vector<uint8_t>{0, 1, 0, 40, 0}));
    const std::vector<uint8_t> cues = read("data/memcues.dat");
    ASSERT_EQ(cues.size(), 12u + 2000 * 12 + 8 + 5);
    EXPECT_EQ(u32_at(cues, 12 + 4 * 12), 24012u);
    EXPECT_EQ(std::string(cues.begin() + 24012, cues.begin() + 24020), "+-0005-+");

    // The show loaders read the same lists back.
    datafiles::load_memory_file();
    datafiles::load_memcue_file();
    EXPECT_EQ(items_of(memories::memory_items[1], memories::memory_index[1].count), expected);
    EXPECT_EQ(memories::memory_name(2), "ONLY A");
    EXPECT_EQ(items_of(datafiles::memcue_items[5], datafiles::memcue_index[5].count), (Items{{0, 4, 70}}));
    // Nothing temporary is left; the backup holds the show as it was.
    for (const std::string& name : data_folder_names()) {
        EXPECT_FALSE(name.ends_with(".da") || name.ends_with(".$$$")) << name;
    }
    EXPECT_EQ(read("data/backup/mem.dat").size(), 12u + 4000 * 33);
    EXPECT_FALSE(has("data/backup/stale.dat"));
}

TEST_F(ShowConversion, TwoFixturesThatSwapPagesKeepTheirOwnData) {
    go_live(kTypes, kOldRig);
    put_memory(1, {{0, 1, 11}, {0, 4, 44}, {0, 7, 77}});
    // A goes to page 2: B becomes the first record, A the third.
    ASSERT_TRUE(save(kTypes, {{1, 2, 1, 1, 1}, {1, 1, 2, 4, 10}, {2, 1, 3, 7, 20}}));
    EXPECT_EQ(setup::setup_data.u16(SetupData::fixture_field(3, setup::kFixtureNumber)), 71);
    EXPECT_EQ(items_of(memories::memory_items[1], memories::memory_index[1].count),
              (Items{{0, 1, 44}, {0, 4, 77}, {0, 5, 11}}));
}

TEST_F(ShowConversion, TheProgrammerOutputAndLiveLayerAreRemappedAndEffectsRestartWithTheirParameters) {
    go_live(kTypes, kOldRig);
    runtime::programmer_values[4] = 44;
    runtime::programmer_values[1] = 11;
    runtime::programmer_generators[3 * 6 + 2] = 7;     // record 4, parameter 2
    runtime::programmer_figures[1 * 10 + 1] = 8;       // fixture 2, parameter 1
    runtime::output_base_values[7] = 170;
    runtime::generator_states[5].parameters[2] = 9;
    runtime::generator_states[5].phase = 1.5L;
    runtime::figure_states[2].parameters[0] = 3;
    runtime::figure_states[2].phase = 2.5L;
    runtime::layer_values[0][6] = 66;
    runtime::layer_generators[0][6 * 6 + 1] = 12;      // record 7, parameter 1
    ASSERT_TRUE(save(kTypes, kWithoutA));

    EXPECT_EQ(runtime::programmer_values[1], 44);
    EXPECT_EQ(runtime::programmer_values[4], 65535);   // C had no programmer value
    EXPECT_EQ(runtime::programmer_generators[2], 7);
    EXPECT_EQ(runtime::programmer_figures[1], 8);
    EXPECT_EQ(runtime::programmer_figures[11], 255);
    EXPECT_EQ(runtime::output_base_values[4], 170);
    EXPECT_EQ(runtime::output_base_values[7], 0);
    EXPECT_EQ(runtime::generator_states[2].parameters[2], 9);
    EXPECT_EQ(runtime::generator_states[2].phase, 0.0L);
    EXPECT_EQ(runtime::generator_states[5].parameters[2], 0);
    EXPECT_EQ(runtime::figure_states[1].parameters[0], 3);
    EXPECT_EQ(runtime::figure_states[1].phase, 0.0L);
    EXPECT_EQ(runtime::layer_values[0][3], 66);
    EXPECT_EQ(runtime::layer_generators[0][3 * 6 + 1], 12);
}

TEST_F(ShowConversion, PresetsGroupsAndSubmastersFollowTheirFixtures) {
    go_live(kTypes, kOldRig);
    auto* value_preset = static_cast<uint16_t*>(datafiles::allocate_preset_table(1));
    value_preset[5] = 55;
    value_preset[1] = 11;
    auto* vanished = static_cast<uint16_t*>(datafiles::allocate_preset_table(2));
    vanished[2] = 22;  // spot A only
    auto* figures = static_cast<uint8_t*>(datafiles::allocate_preset_table(491 + 1));  // figure part of effect preset 2
    figures[2 * 10] = 8;                                                               // fixture 3, parameter 1
    auto* generators = static_cast<uint8_t*>(datafiles::allocate_preset_table(421 + 2));  // generator part of effect preset 3
    generators[6 * 6 + 5] = 4;                                                             // record 7, parameter 6
    programmer::group_table[1][1] = 1;
    programmer::group_table[1][3] = 1;
    memories::submaster_table[2][2] = 200;
    ASSERT_TRUE(save(kTypes, kWithoutA));

    ASSERT_NE(memories::value_preset_table[1], nullptr);
    EXPECT_EQ(memories::value_preset_table[1][2], 55);
    EXPECT_EQ(memories::value_preset_table[1][1], 65535);
    // A preset whose fixtures all went stays, unset and unused.
    ASSERT_NE(memories::value_preset_table[2], nullptr);
    EXPECT_EQ(std::count(memories::value_preset_table[2] + 1, memories::value_preset_table[2] + 2049, uint16_t{65535}), 2048);
    EXPECT_EQ(memories::preset_used_tables[1], 1);
    EXPECT_EQ(memories::preset_used_tables[2], 0);
    EXPECT_EQ(memories::effect_preset_figures[1], nullptr);  // a null effect preset stays null
    ASSERT_NE(memories::effect_preset_figures[2], nullptr);
    EXPECT_EQ(memories::effect_preset_figures[2][1 * 10], 8);
    EXPECT_EQ(memories::effect_preset_figures[2][2 * 10], 255);
    EXPECT_EQ(memories::effect_preset_generators[3][3 * 6 + 5], 4);
    EXPECT_EQ(programmer::group_table[1][1], 0);
    EXPECT_EQ(programmer::group_table[1][2], 1);
    EXPECT_EQ(memories::submaster_table[2][1], 200);
    EXPECT_EQ(memories::submaster_table[2][2], 0);

    EXPECT_EQ(read("data/groups.dat").size(), 22764u);
    const std::vector<uint8_t> submasters = read("data/submast.dat");
    ASSERT_EQ(submasters.size(), 1412u);
    EXPECT_EQ(submasters[12 + 700 + 0], 200);
    datafiles::load_preset_file();
    EXPECT_EQ(memories::value_preset_table[1][2], 55);
    EXPECT_EQ(memories::effect_preset_figures[2][1 * 10], 8);
}

TEST_F(ShowConversion, AFixtureTakingTheSameOldFixtureIsTwiceInItsSubgroups) {
    const std::vector<TypeSpec> dimmers = {{"DIMMER", 1}};
    go_live(dimmers, {{1, 1, 1, 1, 50}, {1, 1, 2, 2, 60}});
    programmer::grouping_table[1].member_counts[1] = 2;
    programmer::grouping_table[1].member_counts[2] = 1;
    programmer::grouping_table[1].subgroup_count = 2;
    programmer::grouping_members[1] = {0, 34, 34};
    // The old second dimmer goes; a new one at the first one's address takes its data too.
    ASSERT_TRUE(save(dimmers, {{1, 1, 1, 1, 50}, {1, 1, 2, 0, 50}}));
    EXPECT_EQ(programmer::grouping_members[1], (std::vector<int16_t>{0, 34}));
    EXPECT_EQ(programmer::grouping_table[1].member_counts[1], 2);
    EXPECT_EQ(programmer::grouping_table[1].member_counts[2], 0);
    EXPECT_EQ(programmer::grouping_table[1].subgroup_count, 1);
    const std::vector<uint8_t> file = read("data/groupa.dat");
    EXPECT_EQ(file.size(), 29200u + 2 * 2);
    datafiles::load_subgroup_file();
    EXPECT_EQ(programmer::grouping_members[1], (std::vector<int16_t>{0, 34}));
}

TEST_F(ShowConversion, AThresholdsLastPartialBlockIsKeptPadded) {
    runtime::function_record_capacity = 200;
    const std::vector<TypeSpec> types = {{"BIG", 32}, {"DIMMER", 1}};
    const std::vector<FixtureSpec> bigs = {{1, 1, 1, 1}, {1, 1, 2, 33}, {1, 1, 3, 65}, {1, 1, 4, 97}, {1, 1, 5, 129}};
    go_live(types, bigs);
    uint8_t* table = datafiles::allocate_threshold_table(1);
    table[5] = 3;
    table[150] = 9;
    datafiles::threshold_index[1].name[0] = 'T';
    // A new dimmer before the others shifts every record by one.
    std::vector<FixtureSpec> edited = {{2, 1, 1, 0}};
    for (FixtureSpec f : bigs) {
        ++f.key;
        edited.push_back(f);
    }
    ASSERT_TRUE(save(types, edited));
    const std::vector<uint8_t> file = read("data/memthrsh.dat");
    ASSERT_EQ(file.size(), 7070u + 2 * (11 + 128));
    EXPECT_EQ(file[0], 'T');
    EXPECT_EQ(file[21], 1);  // block 1 present
    EXPECT_EQ(file[22], 1);  // block 2 present
    EXPECT_EQ(u32_at(file, 37), 7070u);
    EXPECT_EQ(u32_at(file, 41), 7070u + 139);
    EXPECT_EQ(std::string(file.begin() + 7070, file.begin() + 7081), "+-0001.01-+");
    EXPECT_EQ(file[7081 + 5], 3);  // record 6
    EXPECT_EQ(std::string(file.begin() + 7209, file.begin() + 7220), "+-0001.02-+");
    EXPECT_EQ(file[7220 + 22], 9);  // record 151
    EXPECT_TRUE(std::all_of(file.begin() + 7220 + 72, file.end(), [](uint8_t b) { return b == 0; }));
    datafiles::load_threshold_file();
    ASSERT_NE(datafiles::threshold_tables[1], nullptr);
    EXPECT_EQ(datafiles::threshold_tables[1][6], 3);
    EXPECT_EQ(datafiles::threshold_tables[1][151], 9);
    EXPECT_EQ(datafiles::threshold_programmed[1], 1);
}

TEST_F(ShowConversion, DefaultValuesMoveAndANewFixtureTakesItsLibrarysDefaults) {
    std::vector<uint8_t> library(setup::kFixtureTypeDefBytes);
    library[58] = 11;
    library[59] = 22;
    library[60] = 33;
    write("lib/set/WASH3.set", library);
    const std::vector<TypeSpec> types = {{"SPOT", 3}, {"DIMMER", 1}, {"WASH", 3, {0, 2, 1}, "WASH3"}};
    go_live(types, kOldRig);
    datafiles::load_default_values();
    datafiles::default_values[5] = 123;  // B's second channel
    datafiles::default_values[7] = 77;   // C
    // A goes, and a new wash on page 2 has no wash to copy from.
    std::vector<FixtureSpec> edited = kWithoutA;
    edited.push_back({3, 2, 1, 0, 30});
    ASSERT_TRUE(save(types, edited));
    const std::vector<uint8_t> values = read("data/values.def");
    ASSERT_EQ(values.size(), 4096u);
    auto value = [&](int r) { return values[static_cast<size_t>(r - 1) * 2] | values[static_cast<size_t>(r - 1) * 2 + 1] << 8; };
    EXPECT_EQ(value(2), 123);
    EXPECT_EQ(value(4), 77);
    // The new wash on records 5..7, its channels through the function map.
    EXPECT_EQ(value(5), 11);
    EXPECT_EQ(value(7), 22);
    EXPECT_EQ(value(6), 33);
    EXPECT_EQ(value(8), 70);
}

TEST_F(ShowConversion, TheFirstRigOfAShowFillsEveryDefaultFromTheLibraries) {
    std::vector<uint8_t> library(setup::kFixtureTypeDefBytes);
    library[58] = 5;
    library[59] = 6;
    write("lib/set/WASH2.set", library);
    go_live({}, {});
    write("data/setup.dat", std::vector<uint8_t>(8, 1));
    const std::vector<TypeSpec> types = {{"WASH", 2, {}, "WASH2"}, {"DIMMER", 1, {}, "MISSING"}};
    ASSERT_TRUE(save(types, {{1, 1, 1}, {2, 1, 2}, {1, 1, 3}}));
    const std::vector<uint8_t> values = read("data/values.def");
    ASSERT_EQ(values.size(), 4096u);
    const std::vector<uint8_t> head(values.begin(), values.begin() + 12);
    // Wash 5, 6; the dimmer without its library 0; wash 5, 6; then 70.
    EXPECT_EQ(head, (std::vector<uint8_t>{5, 0, 6, 0, 0, 0, 5, 0, 6, 0, 70, 0}));
    // Only the rig's own files are backed up.
    EXPECT_EQ(names_in("data/backup"), (std::vector<std::string>{"setup.dat"}));
}

TEST_F(ShowConversion, ARigWhoseOnlyChangeIsAStagePositionBacksUpItsSetupAndConvertsNothing) {
    go_live(kTypes, kOldRig);
    put_memory(1, {{0, 7, 70}});
    datafiles::save_memory_record(1);
    datafiles::load_default_values();
    // The rig's own files as a save left them.
    ASSERT_TRUE(save(kTypes, kOldRig));
    const std::vector<uint8_t> mem = read("data/mem.dat");
    ASSERT_TRUE(save(kTypes, kOldRig, [](SetupData& edited) {
        edited.set_i16(SetupData::fixture_field(2, setup::kFixtureX), 100);
    }));
    EXPECT_EQ(setup::setup_data.i16(SetupData::fixture_field(2, setup::kFixtureX)), 100);
    EXPECT_TRUE(drawn("BACKING UP SETUP..."));
    EXPECT_FALSE(drawn("BACKING UP DATA..."));
    EXPECT_EQ(read("data/mem.dat"), mem);
    EXPECT_EQ(items_of(memories::memory_items[1], memories::memory_index[1].count), (Items{{0, 7, 70}}));
    EXPECT_EQ(names_in("data/backup"),
              (std::vector<std::string>{"ch-curve.dat", "ch-patch.dat", "setup.dat", "values.def"}));
}

TEST_F(ShowConversion, WhenMemoryRunsOutNothingIsSavedAndTheShowStaysAsItWas) {
    go_live(kTypes, kOldRig);
    put_memory(1, {{0, 4, 40}});
    MemoryItem* list = memories::memory_items[1];
    ASSERT_TRUE(datafiles::save_memory_record(1));
    const std::vector<uint8_t> mem = read("data/mem.dat");
    const std::vector<uint8_t> setup_file = has("data/setup.dat") ? read("data/setup.dat") : std::vector<uint8_t>{};
    runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    EXPECT_FALSE(save(kTypes, kWithoutA));
    runtime::show_table_allocator = memcheck_allocator_;
    EXPECT_EQ(memories::memory_items[1], list);
    EXPECT_EQ(items_of(memories::memory_items[1], memories::memory_index[1].count), (Items{{0, 4, 40}}));
    EXPECT_EQ(read("data/mem.dat"), mem);
    EXPECT_EQ(has("data/setup.dat") ? read("data/setup.dat") : std::vector<uint8_t>{}, setup_file);
    EXPECT_EQ(setup::rig_fixture_count(setup::setup_data), 3);
}

TEST_F(ShowConversion, AFailedCommitPutsTheConvertedTablesBack) {
    go_live(kTypes, kOldRig);
    put_memory(1, {{0, 4, 40}});
    ASSERT_TRUE(datafiles::save_memory_record(1));
    programmer::group_table[1][3] = 1;
    const std::vector<uint8_t> mem = read("data/mem.dat");
    // setup.dat's new copy can't be written: the commit fails after every converted file was written.
    std::filesystem::create_directories(dir_.folder() / "data" / "setup.$$$");
    write("data/setup.dat", std::vector<uint8_t>(10));
    EXPECT_FALSE(save(kTypes, kWithoutA));
    EXPECT_EQ(items_of(memories::memory_items[1], memories::memory_index[1].count), (Items{{0, 4, 40}}));
    EXPECT_EQ(programmer::group_table[1][3], 1);
    EXPECT_EQ(read("data/mem.dat"), mem);
    EXPECT_EQ(read("data/setup.dat").size(), 10u);
}

TEST_F(ShowConversion, MemoryProgressIsDrawnInWholePercentStepsOnly) {
    go_live(kTypes, kOldRig);
    put_memory(3999, {{0, 4, 1}});
    statuses.clear();
    setup::keep_show_tables();  // the replaced list is freed once the conversion is kept
    ASSERT_TRUE(setup::convert_memories({}, record_status));
    const auto progress = std::count_if(statuses.begin(), statuses.end(), [](const std::string& s) {
        return s.starts_with("CONVERTING MEMORIES (");
    });
    EXPECT_EQ(progress, 100);
    EXPECT_EQ(statuses[0], "CONVERTING MEMORIES (1 %)");
    EXPECT_EQ(statuses[99], "CONVERTING MEMORIES (100 %)");
    EXPECT_EQ(statuses.back(), "SAVING MEMORIES");
    setup::release_kept_show_tables();
}

}  // namespace
