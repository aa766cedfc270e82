// The default values file: read when the setup says it belongs to the rig
// and it has its size, otherwise built from the fixture types and written
// with the setup file; channels no fixture uses keep "no default".
#include "datafiles/default_values.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/data_files.h"
#include "memcheck/memcheck.h"
#include "runtime/card_discovery.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/bitmap_fonts.h"
#include "ui/helpers.h"

namespace {

using datafiles::default_values;
using datafiles::kNoDefaultValue;
using setup::setup_data;
using setup::SetupData;
using datafiles_test::set_u16_at;
using datafiles_test::text_at;
using datafiles_test::u16_at;

constexpr size_t kSetupFileBytes = 12 + 115195;
constexpr size_t kDefaultValuesByteOnFile = 50106;

// A rig of two fixture types and three fixtures:
//   type 1: 3 channels carrying library functions 3, 1, 2 (0-based 2, 0, 1),
//           library default values 100, 150, 200 for functions 1, 2, 3;
//   type 2: 2 channels carrying functions 1, 2, defaults 7, 8;
//   fixture 1: type 1 on records 10..12; fixture 2: type 2 on records 20..21;
//   fixture 3: type 1 on records 2047..2049, past the 2048 records.
class DefaultValues : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::function_record_capacity = 2048;
        setup_data = {};
        add_type(1, {2, 0, 1}, {100, 150, 200});
        add_type(2, {0, 1}, {7, 8});
        add_fixture(1, 0, 10, 3);
        add_fixture(2, 1, 20, 2);
        add_fixture(3, 0, 2047, 3);
        setup::fixture_count = 3;
    }
    void TearDown() override {
        datafiles::free_default_values();
        for (auto*& type : setup::fixture_type_defs) type = nullptr;
        DataDir::TearDown();
    }

    void add_type(size_t t, const std::vector<uint8_t>& functions, const std::vector<uint8_t>& defaults) {
        types_.push_back(std::make_unique<setup::FixtureTypeDef>());
        setup::FixtureTypeDef& type = *types_.back();
        for (size_t k = 0; k < defaults.size(); ++k) type.bytes[setup::kTypeDefaultValues + k] = defaults[k];
        setup::fixture_type_defs[t] = &type;
        runtime::type_channel_function[t] = {};
        for (size_t c = 0; c < functions.size(); ++c) runtime::type_channel_function[t][c] = functions[c];
    }
    static void add_fixture(int16_t f, uint16_t type_index, uint16_t first_record, uint8_t channels) {
        setup_data.set_u16(SetupData::fixture_field(f, setup::kFixtureTypeIndex), type_index);
        setup_data.set_u16(SetupData::fixture_field(f, setup::kFixtureFirstRecord), first_record);
        setup_data.set_u8(SetupData::fixture_field(f, setup::kFixtureChannelCount), channels);
    }
    static std::vector<uint8_t> values_file(uint16_t first) {
        std::vector<uint8_t> bytes(4096);
        for (size_t r = 1; r <= 2048; ++r) set_u16_at(bytes, (r - 1) * 2, static_cast<uint16_t>(first + r));
        return bytes;
    }
    // The values the rig's types give, checked in the table and in values.def.
    void expect_rebuilt() const {
        ASSERT_NE(default_values, nullptr);
        const std::vector<uint8_t> file = read("data/values.def");
        ASSERT_EQ(file.size(), 4096u);
        const std::pair<size_t, uint16_t> expected[] = {
            {9, kNoDefaultValue}, {10, 200}, {11, 100}, {12, 150}, {13, kNoDefaultValue},
            {20, 7}, {21, 8}, {22, kNoDefaultValue},
            {2046, kNoDefaultValue}, {2047, 200}, {2048, 100}, {1, kNoDefaultValue},
        };
        for (const auto& [record, value] : expected) {
            EXPECT_EQ(default_values[record], value) << "record " << record;
            EXPECT_EQ(u16_at(file, (record - 1) * 2), value) << "record " << record << " on file";
        }
    }
    void expect_setup_written() const {
        const std::vector<uint8_t> setup = read("data/setup.dat");
        ASSERT_EQ(setup.size(), kSetupFileBytes);
        EXPECT_EQ(text_at(setup, 0, 12), "VERSION 7.01");
        EXPECT_EQ(setup[kDefaultValuesByteOnFile], 1);
        EXPECT_EQ(setup_data.u8(setup::kSetupDefaultValuesSaved), 1);
        // The rest of the record as it is in memory.
        EXPECT_EQ(u16_at(setup, 12 + SetupData::fixture_field(2, setup::kFixtureFirstRecord)), 20);
    }

    std::vector<std::unique_ptr<setup::FixtureTypeDef>> types_;
};

TEST_F(DefaultValues, ATrustedFileIsReadAsItIs) {
    setup_data.set_u8(setup::kSetupDefaultValuesSaved, 1);
    const std::vector<uint8_t> file = values_file(1000);
    write("data/values.def", file);
    datafiles::load_default_values();
    ASSERT_NE(default_values, nullptr);
    for (size_t r = 1; r <= 2048; ++r) ASSERT_EQ(default_values[r], 1000 + r) << r;
    EXPECT_EQ(read("data/values.def"), file);
    EXPECT_FALSE(has("data/setup.dat"));
}

TEST_F(DefaultValues, AFileThatCannotBeTrustedIsRebuiltFromTheTypes) {
    struct Case {
        const char* what;
        size_t file_size;  // 0: no file
        uint8_t written_byte;
    };
    const Case cases[] = {
        {"4095 bytes", 4095, 1},
        {"4097 bytes", 4097, 1},
        {"never written for this rig", 4096, 0},
        {"missing", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        datafiles::free_default_values();
        remove("data/setup.dat");
        remove("data/values.def");
        if (c.file_size != 0) write("data/values.def", std::vector<uint8_t>(c.file_size, 0x33));
        setup_data.set_u8(setup::kSetupDefaultValuesSaved, c.written_byte);
        datafiles::load_default_values();
        expect_rebuilt();
        expect_setup_written();
    }
}

TEST_F(DefaultValues, ARebuiltFileIsTrustedAtTheNextStart) {
    datafiles::load_default_values();
    ASSERT_TRUE(has("data/values.def"));
    const std::vector<uint8_t> written = read("data/values.def");
    default_values[10] = 1;  // changed in memory only
    add_type(1, {0, 1, 2}, {1, 2, 3});  // the types no longer matter
    datafiles::load_default_values();
    EXPECT_EQ(default_values[10], 200);
    EXPECT_EQ(read("data/values.def"), written);
}

TEST_F(DefaultValues, SavingWritesTheTableAndMarksItInTheSetup) {
    datafiles::load_default_values();
    default_values[5] = 42;
    default_values[2048] = 0;
    setup_data.set_u8(setup::kSetupDefaultValuesSaved, 0);
    datafiles::save_default_values();
    const std::vector<uint8_t> file = read("data/values.def");
    ASSERT_EQ(file.size(), 4096u);
    EXPECT_EQ(u16_at(file, 4 * 2), 42);
    EXPECT_EQ(u16_at(file, 2047 * 2), 0);
    expect_setup_written();
}

TEST_F(DefaultValues, ChannelsThatCannotBePlacedAreSkipped) {
    datafiles::load_default_values();
    std::fill_n(default_values, 2049, kNoDefaultValue);
    struct Case {
        const char* what;
        int16_t fixture;
        uint16_t type_index;
        uint16_t first_record;
        uint8_t function;
        int16_t channel;
    };
    const Case cases[] = {
        {"type not loaded", 4, 5, 100, 0, 1},
        {"type beyond the 40", 4, 40, 100, 0, 1},
        {"function beyond the 32", 4, 0, 100, 32, 1},
        {"record 0", 4, 0, 0, 0, 1},
        {"channel 0", 4, 0, 100, 0, 0},
        {"channel 33", 4, 0, 100, 0, 33},
        {"fixture 701", 701, 0, 100, 0, 1},
    };
    for (const Case& c : cases) {
        if (c.fixture <= setup::kMaxFixtures) add_fixture(c.fixture, c.type_index, c.first_record, 1);
        runtime::type_channel_function[1][0] = c.function;
        datafiles::set_default_value_from_type(c.fixture, c.channel);
        for (size_t r = 0; r <= 2048; ++r) ASSERT_EQ(default_values[r], kNoDefaultValue) << c.what << ", record " << r;
    }
    // With a smaller capacity the records beyond it are not written either.
    runtime::function_record_capacity = 100;
    add_fixture(4, 0, 100, 2);
    runtime::type_channel_function[1] = {0, 1};
    datafiles::set_default_value_from_type(4, 1);
    datafiles::set_default_value_from_type(4, 2);
    EXPECT_EQ(default_values[100], 100);
    EXPECT_EQ(default_values[101], kNoDefaultValue);
}

TEST_F(DefaultValues, WithoutMemoryForTheTableNothingIsReadBuiltOrWritten) {
    runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    datafiles::load_default_values();
    runtime::show_table_allocator = memcheck::mc_malloc_at;
    EXPECT_EQ(default_values, nullptr);
    EXPECT_FALSE(has("data/values.def"));
    EXPECT_FALSE(has("data/setup.dat"));
    datafiles::save_default_values();
    EXPECT_FALSE(has("data/values.def"));
}

TEST_F(DefaultValues, RandomAndTruncatedFilesAreReadOrRebuilt) {
    std::mt19937 random(4096);
    setup_data.set_u8(setup::kSetupDefaultValuesSaved, 1);
    for (const size_t size : {size_t{1}, size_t{2048}, size_t{4096}, size_t{5000}}) {
        SCOPED_TRACE(size);
        const std::vector<uint8_t> bytes = random_bytes(random, size);
        write("data/values.def", bytes);
        datafiles::load_default_values();
        ASSERT_NE(default_values, nullptr);
        if (size == 4096) {
            EXPECT_EQ(default_values[1], u16_at(bytes, 0));
            EXPECT_EQ(default_values[2048], u16_at(bytes, 4094));
        } else {
            expect_rebuilt();
        }
    }
}

// The default-values step draws its progress line, then loads.
TEST_F(DefaultValues, TheStepDrawsItsProgressLineThenLoads) {
    ui::load_fonts();
    datafiles::load_default_values_step();
    const platform::Rect line{200, 235, 639, 242};
    const std::string shown = platform::region_text(line);
    platform::_cleardevice();
    ui::draw_bitmap_text(200, 235, 12, "  - Loading Default Fixture-values");
    EXPECT_EQ(shown, platform::region_text(line));
    EXPECT_GT(platform::count_pixels(12, line), 0);
    ASSERT_NE(default_values, nullptr);
    EXPECT_EQ(default_values[10], 200);
}

}  // namespace
