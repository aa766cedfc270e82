// The setup file and the fixture type libraries, on files in a
// temporary program directory: the demo rig loads at its sizes, a library
// that fails its checks gives its message while the rest loads, the older
// layouts convert, and a setup that is refused or not recognised is kept on
// disk while the show starts with an empty rig.
#include "datafiles/setup_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "datafiles/data_dir.h"
#include "demo_rig_files.h"
#include "runtime/card_discovery.h"
#include "setup/fixture_type.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"

namespace {

using datafiles::SetupFileState;
using datafiles_test::set_u16_at;
using datafiles_test::text_at;
using datafiles_test::u16_at;
using setup::SetupData;

constexpr size_t kVersion = 12;
constexpr const char* kKeptText = "SETUP.DAT IS KEPT UNCHANGED - THE SHOW STARTS WITH AN EMPTY RIG!";

// Offset in setup.dat of field `field` of fixture f.
size_t fixture_at(int f, size_t field) { return kVersion + SetupData::fixture_field(f, field); }

class SetupFile : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::function_record_capacity = 2048;
        setup_test::lay_out_demo_rig(dir_);
        setup_ = read("data/setup.dat");
    }
    void TearDown() override {
        datafiles::free_fixture_type_defs();
        DataDir::TearDown();
    }

    bool said(const std::string& text) const {
        const auto& m = datafiles::setup_load_messages;
        return std::find(m.begin(), m.end(), text) != m.end();
    }
    int tones_of(uint64_t duration_ms) const {
        int count = 0;
        for (const platform::Tone& tone : machine_->speaker.tones.to_vector()) {
            count += tone.freq_hz == 400 && tone.duration_ms == duration_ms;
        }
        return count;
    }
    // The show starts with nothing of the setup.
    static void expect_empty_rig() {
        EXPECT_EQ(setup::fixture_count, 0);
        EXPECT_EQ(setup::fixture_type_count, 0);
        EXPECT_EQ(setup::setup_data.u8(setup::kSetupColourLibrary), 1);
        EXPECT_EQ(setup::setup_data.stored_fixture_count(), 0);
        for (size_t t = 1; t <= 40; ++t) EXPECT_EQ(setup::fixture_type_defs[t], nullptr);
    }

    std::vector<uint8_t> setup_;  // the demo rig's setup.dat
};

TEST_F(SetupFile, TheDemoRigLoadsAtItsSizes) {
    ASSERT_EQ(setup_.size(), 115207u);
    ASSERT_EQ(text_at(setup_, 0, 12), "VERSION 7.01");
    datafiles::load_setup_file();
    EXPECT_EQ(datafiles::setup_file_state, SetupFileState::loaded);
    EXPECT_FALSE(datafiles::setup_file_kept);
    EXPECT_TRUE(datafiles::setup_load_messages.empty());
    EXPECT_EQ(setup::fixture_count, 12);
    EXPECT_EQ(setup::fixture_type_count, 3);
    const std::pair<const char*, int> types[] = {{"GENERIC SPOT 16CH", 16}, {"GENERIC WASH CMY", 12}, {"GENERIC DIMMER", 1}};
    for (size_t t = 1; t <= 3; ++t) {
        ASSERT_NE(setup::fixture_type_defs[t], nullptr) << t;
        EXPECT_EQ(setup::fixture_type_defs[t]->name(), types[t - 1].first);
        EXPECT_EQ(setup::fixture_type_defs[t]->channel_count(), types[t - 1].second);
        EXPECT_EQ(setup::setup_data.text(SetupData::type_name_field(static_cast<int>(t)), 21), types[t - 1].first);
    }
    EXPECT_EQ(setup::fixture_type_defs[4], nullptr);
    // The type record is the file's image; the symbol went into the setup.
    EXPECT_EQ(std::vector<uint8_t>(setup::fixture_type_defs[1]->bytes.begin(), setup::fixture_type_defs[1]->bytes.end()),
              read("lib/set/SPOT16.SET"));
    const std::vector<uint8_t> drawing = read("lib/drw/WASHCMY.DRW");
    ASSERT_EQ(drawing.size(), 992u);
    EXPECT_TRUE(std::equal(drawing.begin(), drawing.end(),
                           setup::setup_data.bytes.begin() + static_cast<std::ptrdiff_t>(SetupData::type_drawing_field(2))));
    // A current file with its start settings is not written again.
    EXPECT_EQ(read("data/setup.dat"), setup_);
    const setup::FixtureRecord seven = setup::read_fixture(setup::setup_data, 7);
    EXPECT_EQ(seven.card, 2);
    EXPECT_EQ(seven.address, 1);
    EXPECT_EQ(seven.first_record, 89);
    EXPECT_EQ(seven.protocol, "DMX OUT ");
}

TEST_F(SetupFile, WithoutASetupTheEmptySetupIsWrittenWithItsDefaults) {
    remove("data/setup.dat");
    datafiles::load_setup_file();
    EXPECT_EQ(datafiles::setup_file_state, SetupFileState::missing);
    expect_empty_rig();
    const std::vector<uint8_t> file = read("data/setup.dat");
    ASSERT_EQ(file.size(), 115207u);
    EXPECT_EQ(text_at(file, 0, 12), "VERSION 7.01");
    EXPECT_EQ(file[kVersion + 0], 1);
    const uint8_t starts[] = {6, 7, 0, 0, 1};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(file[kVersion + 0xC3A0 + i], starts[i]);
    const uint16_t times[] = {0, 20, 32000, 0, 32000};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(u16_at(file, kVersion + 0xC389 + 2 * i), times[i]);
    EXPECT_EQ(file[kVersion + 0xC363], 0);
    EXPECT_EQ(file[kVersion + 0xC364], 1);
    EXPECT_TRUE(said("UPDATING DATA-FORMAT OF SETUP! PLEASE WAIT..."));
    EXPECT_EQ(tones_of(300), 1);
    EXPECT_FALSE(has("data/dimpatch.dat"));
}

TEST_F(SetupFile, ALibraryThatFailsItsChecksGivesItsMessageAndTheRestLoads) {
    struct Case {
        const char* what;
        std::function<void()> damage;
        const char* message;
    };
    const Case cases[] = {
        {"missing", [this] { remove("lib/set/WASHCMY.SET"); }, "ERROR : LIBRARY 'WASHCMY.SET' NOT FOUND!"},
        {"a byte short",
         [this] {
             std::vector<uint8_t> bytes = read("lib/set/WASHCMY.SET");
             bytes.pop_back();
             write("lib/set/WASHCMY.SET", bytes);
         },
         "ERROR : FORMAT OF LIBRARY 'WASHCMY.SET' IS INVALID!"},
        {"33 channels",
         [this] {
             std::vector<uint8_t> bytes = read("lib/set/WASHCMY.SET");
             bytes[57] = 33;
             write("lib/set/WASHCMY.SET", bytes);
         },
         "ERROR : FORMAT OF LIBRARY 'WASHCMY.SET' IS INVALID!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setup_test::lay_out_demo_rig(dir_);
        c.damage();
        datafiles::load_setup_file();
        EXPECT_TRUE(said(c.message));
        // Fixtures of that type exist, so its zeroed record takes their count.
        EXPECT_TRUE(said("ERROR IN SETUP-DATA : PLEASE CLEAR THE SETUP AND MAKE A NEW ONE!"));
        EXPECT_EQ(setup::fixture_count, 12);
        ASSERT_NE(setup::fixture_type_defs[2], nullptr);
        EXPECT_EQ(setup::fixture_type_defs[2]->name(), "");
        EXPECT_EQ(setup::fixture_type_defs[2]->channel_count(), 12);
        EXPECT_EQ(setup::fixture_type_defs[1]->name(), "GENERIC SPOT 16CH");
        EXPECT_EQ(setup::fixture_type_defs[3]->name(), "GENERIC DIMMER");
        EXPECT_EQ(read("data/setup.dat"), setup_);
    }
    EXPECT_EQ(tones_of(2000), 3);
}

TEST_F(SetupFile, ALibraryFileNameThatIsAPathNamesNoLibrary) {
    std::vector<uint8_t> file = setup_;
    const char* path = "..\\X";
    std::memcpy(file.data() + kVersion + SetupData::type_file_name_field(3), path, std::strlen(path) + 1);
    write("data/setup.dat", file);
    datafiles::load_setup_file();
    EXPECT_TRUE(said("ERROR : LIBRARY '..\\X.SET' NOT FOUND!"));
    EXPECT_EQ(setup::fixture_type_defs[1]->name(), "GENERIC SPOT 16CH");
}

TEST_F(SetupFile, ASymbolOfTheWrongSizeIsSkippedSilently) {
    std::vector<uint8_t> drawing = read("lib/drw/SPOT16.DRW");
    drawing.push_back(0);
    write("lib/drw/SPOT16.DRW", drawing);
    datafiles::load_setup_file();
    EXPECT_TRUE(datafiles::setup_load_messages.empty());
    // The setup keeps the symbol it was stored with.
    EXPECT_TRUE(std::equal(drawing.begin(), drawing.end() - 1,
                           setup_.begin() + static_cast<std::ptrdiff_t>(kVersion + SetupData::type_drawing_field(1))));
}

// ------------------------------------------------------------------ older layouts

// The demo rig's block as a 6.30 or 6.03 file: the same offsets up to the
// fixture count, then 30-byte records.
std::vector<uint8_t> old_versioned_file(const std::vector<uint8_t>& current, bool v630) {
    const size_t block_bytes = v630 ? 71095 : 54294;
    std::vector<uint8_t> file(12 + block_bytes, 0);
    std::memcpy(file.data(), v630 ? "VERSION 6.30" : "VERSION 6.03", 12);
    uint8_t* block = file.data() + 12;
    const uint8_t* now = current.data() + 12;
    std::memcpy(block, now, 0xC342);
    const uint16_t count = static_cast<uint16_t>(now[0xC342] | now[0xC343] << 8);
    const size_t records = v630 ? 0xC3AF : 0xC3AE;
    if (v630) {
        block[0xC342] = static_cast<uint8_t>(count), block[0xC343] = static_cast<uint8_t>(count >> 8);
        block[0xC344] = 1, block[0xC345] = 1, block[0xC346] = 33, block[0xC348] = 1;  // DMX input 1, follow modes
        block[0xC3A8] = 1;   // MIDI show written
        block[0xC3AE] = 1;   // default values written
        block[0xC394] = 9;   // global setting 1
    } else {
        block[0xC342] = static_cast<uint8_t>(count);
        block[0xC343] = 1, block[0xC344] = 1, block[0xC345] = 33, block[0xC347] = 1;
        block[0xC3AD] = 1;
    }
    for (size_t f = 1; f <= count; ++f) {
        std::memcpy(block + records + 30 * (f - 1), now + 0xC3AF + 93 * (f - 1), 29);
    }
    return file;
}

void expect_demo_fixtures(const std::vector<uint8_t>& demo) {
    for (int f = 1; f <= 12; ++f) {
        for (size_t at = 0; at <= 0x1C; ++at) {
            EXPECT_EQ(setup::setup_data.u8(SetupData::fixture_field(f, at)), demo[fixture_at(f, at)]) << f << " +" << at;
        }
    }
}

TEST_F(SetupFile, The630LayoutConvertsToTheCurrentOneAndIsWrittenBack) {
    setup::dimmer_patch_table[5] = 3;
    write("data/setup.dat", old_versioned_file(setup_, true));
    datafiles::load_setup_file();
    EXPECT_EQ(datafiles::setup_file_state, SetupFileState::converted);
    EXPECT_EQ(setup::fixture_count, 12);
    EXPECT_EQ(setup::fixture_type_count, 3);
    expect_demo_fixtures(setup_);
    const SetupData& d = setup::setup_data;
    EXPECT_EQ(d.u8(0xC344), 1);
    EXPECT_EQ(d.u16(0xC346), 33);
    EXPECT_EQ(d.u8(0xC348), 1);
    EXPECT_EQ(d.u8(setup::kSetupMidiShowSaved), 1);
    EXPECT_EQ(d.u8(setup::kSetupDefaultValuesSaved), 1);
    EXPECT_EQ(d.u8(setup::kSetupGlobalSettings), 9);
    EXPECT_EQ(d.u8(setup::kSetupConvertedMark), 1);
    EXPECT_EQ(d.u8(setup::kSetupStartDefaults), 6);
    const std::vector<uint8_t> file = read("data/setup.dat");
    ASSERT_EQ(file.size(), 115207u);
    EXPECT_EQ(text_at(file, 0, 12), "VERSION 7.01");
    EXPECT_TRUE(std::equal(d.bytes.begin(), d.bytes.end(), file.begin() + 12));
    EXPECT_EQ(read("data/dimpatch.dat"), std::vector<uint8_t>(2048, 0));
    EXPECT_EQ(setup::dimmer_patch_table[5], 0);
    EXPECT_EQ(setup::fixture_type_defs[1]->name(), "GENERIC SPOT 16CH");
}

TEST_F(SetupFile, The603LayoutConvertsWithItsShiftedFields) {
    write("data/setup.dat", old_versioned_file(setup_, false));
    datafiles::load_setup_file();
    EXPECT_EQ(datafiles::setup_file_state, SetupFileState::converted);
    EXPECT_EQ(setup::fixture_count, 12);
    expect_demo_fixtures(setup_);
    const SetupData& d = setup::setup_data;
    EXPECT_EQ(d.u8(0xC344), 1);
    EXPECT_EQ(d.u8(0xC345), 1);
    EXPECT_EQ(d.u16(0xC346), 33);
    EXPECT_EQ(d.u8(0xC348), 1);
    EXPECT_EQ(d.u8(setup::kSetupDefaultValuesSaved), 1);
    EXPECT_EQ(read("data/setup.dat").size(), 115207u);
    EXPECT_EQ(read("data/dimpatch.dat").size(), 2048u);
}

TEST_F(SetupFile, TheUnversionedLayoutConvertsWithTwentyTypesAndNoEllipses) {
    std::vector<uint8_t> old(30726, 0);
    old[0x0] = 2;                             // ROSCO
    old[0x1] = 1, old[0x2] = 1;               // one line on page 1
    old[0x44E] = 1, old[0x44F] = 2;           // one rectangle on page 2
    old[0x89B] = 1, old[0x89C] = 3;           // one text on page 3
    old[0x138C] = 2;                          // two types
    std::memcpy(&old[0x138D], "SPOT16", 7);
    std::memcpy(&old[0x138D + 9], "DIMMER", 7);
    std::memcpy(&old[0x1441], "OLD SPOT", 9);
    old[0x15E5] = 0xAB;                       // first byte of the first type's symbol
    set_u16_at(old, 0x6365, 12);              // stage colour of type 0
    set_u16_at(old, 0x6365 + 2, 14);          // of type 1
    old[0x638D] = 16, old[0x638D + 1] = 1;    // channel counts
    for (size_t k = 0; k < 32; ++k) old[0x63A1 + k] = static_cast<uint8_t>(k), old[0x63A1 + 32 + k] = static_cast<uint8_t>(k);
    old[0x6621] = 1;                          // the first flag of type 1
    old[0x68A1] = 2;                          // two fixtures
    old[0x68A2] = 1, old[0x68A3] = 1, old[0x68A4] = 40, old[0x68A6] = 1;
    const auto record = [&old](size_t f, int16_t x, uint8_t orientation, uint16_t type, uint16_t number, uint8_t card,
                               int16_t address, const char* protocol, uint16_t first, uint8_t channels) {
        const size_t at = 0x68B6 + 28 * (f - 1);
        set_u16_at(old, at, static_cast<uint16_t>(x));
        set_u16_at(old, at + 2, 77);
        old[at + 4] = orientation;
        set_u16_at(old, at + 5, type);
        set_u16_at(old, at + 7, number);
        old[at + 9] = card;
        set_u16_at(old, at + 0xA, static_cast<uint16_t>(address));
        set_u16_at(old, at + 0xC, static_cast<uint16_t>(address));
        std::memcpy(&old[at + 0xE], protocol, std::strlen(protocol) + 1);
        set_u16_at(old, at + 0x17, first);
        old[at + 0x19] = channels;
    };
    record(1, 10, 3, 0, 5, 1, 1, "DMX OUT ", 1, 16);
    record(2, 20, 0, 1, 6, 2, 100, "DMX", 17, 1);
    write("data/setup.dat", old);
    datafiles::load_setup_file();
    EXPECT_EQ(datafiles::setup_file_state, SetupFileState::converted);
    const SetupData& d = setup::setup_data;
    EXPECT_EQ(d.u8(0), 2);
    EXPECT_EQ(d.u8(setup::kSetupEllipseCount), 0);
    EXPECT_EQ(d.u8(setup::kSetupLineCount), 1);
    EXPECT_EQ(d.u8(setup::kSetupLines), 1);
    EXPECT_EQ(d.u8(setup::kSetupRects), 2);
    EXPECT_EQ(d.u8(setup::kSetupTexts), 3);
    EXPECT_EQ(setup::fixture_type_count, 2);
    EXPECT_EQ(d.text(SetupData::type_file_name_field(2), 9), "DIMMER");
    // The symbol comes from the library's drawing file when it has one.
    EXPECT_EQ(d.u8(SetupData::type_drawing_field(1)), read("lib/drw/SPOT16.DRW")[0]);
    EXPECT_EQ(d.u8(SetupData::type_channel_count_field(1)), 16);
    EXPECT_EQ(d.u8(SetupData::type_function_map_field(2, 31)), 31);
    EXPECT_EQ(d.u8(SetupData::type_function_flag_field(1, 0)), 1);
    EXPECT_EQ(d.u8(0xC344), 1);
    EXPECT_EQ(d.u16(0xC346), 40);
    EXPECT_EQ(setup::fixture_count, 2);
    const setup::FixtureRecord one = setup::read_fixture(d, 1);
    EXPECT_EQ(one.x, 10);
    EXPECT_EQ(one.y, 77);
    EXPECT_EQ(one.orientation, 3);
    EXPECT_EQ(one.stage_colour, 12);
    EXPECT_EQ(one.number, 5);
    EXPECT_EQ(one.protocol, "DMX OUT ");
    EXPECT_EQ(one.first_record, 1);
    EXPECT_EQ(one.channel_count, 16);
    const setup::FixtureRecord two = setup::read_fixture(d, 2);
    EXPECT_EQ(two.type_index, 1);
    EXPECT_EQ(two.stage_colour, 14);
    EXPECT_EQ(two.card, 2);
    EXPECT_EQ(two.address, 100);
    EXPECT_EQ(two.protocol, "DMX");
    // The library's type name replaces the stored one.
    EXPECT_EQ(d.text(SetupData::type_name_field(1), 21), "GENERIC SPOT 16CH");
    EXPECT_EQ(read("data/setup.dat").size(), 115207u);
    EXPECT_EQ(read("data/dimpatch.dat"), std::vector<uint8_t>(2048, 0));
}

TEST_F(SetupFile, AnOlderLayoutWithMoreFixturesThanItHoldsIsRefusedAndKept) {
    std::vector<uint8_t> file = old_versioned_file(setup_, false);
    file[12 + 0xC342] = 141;  // the 6.03 layout holds 140 fixtures
    write("data/setup.dat", file);
    datafiles::load_setup_file();
    EXPECT_EQ(datafiles::setup_file_state, SetupFileState::refused);
    expect_empty_rig();
    EXPECT_EQ(read("data/setup.dat"), file);
    EXPECT_FALSE(has("data/dimpatch.dat"));
}

// ------------------------------------------------------------------ refused and unrecognised files

TEST_F(SetupFile, AFixtureBeyondTheChannelsRefusesTheSetupAndTheFileIsKept) {
    struct Case {
        const char* what;
        int capacity;
        size_t field;
        uint16_t value;
    };
    const Case cases[] = {
        {"address past the card", 2048, setup::kFixtureAddress, 500},
        {"first record past the capacity", 2048, setup::kFixtureFirstRecord, 2040},
        {"first record past a smaller capacity", 1024, setup::kFixtureFirstRecord, 1020},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        runtime::function_record_capacity = static_cast<int16_t>(c.capacity);
        std::vector<uint8_t> file = setup_;
        set_u16_at(file, fixture_at(2, c.field), c.value);
        write("data/setup.dat", file);
        datafiles::load_setup_file();
        EXPECT_EQ(datafiles::setup_file_state, SetupFileState::refused);
        EXPECT_TRUE(datafiles::setup_file_kept);
        expect_empty_rig();
        EXPECT_TRUE(said("SETUP CAN NOT BE LOADED : SOME FIXTURE-ADDRESSES ARE INVALID!"));
        EXPECT_TRUE(said("MAKE A NEW SETUP OR RUN 'CONFIG.EXE' TO CHANGE THE NUMBER OF CHANNELS!"));
        EXPECT_TRUE(said(kKeptText));
        EXPECT_EQ(read("data/setup.dat"), file);
        // The automatic writers of the show leave it as well.
        datafiles::save_setup_file();
        EXPECT_EQ(read("data/setup.dat"), file);
    }
    EXPECT_EQ(tones_of(4000), 3);
}

TEST_F(SetupFile, EveryCountAndIndexIsCheckedBeforeUseAndACraftedFileLosesNothingElse) {
    struct Case {
        const char* what;
        size_t at;         // offset in setup.dat
        int width;         // 1 or 2 bytes
        uint16_t value;
    };
    const Case cases[] = {
        {"fixture count 701", kVersion + 0xC342, 2, 701},
        {"fixture count -1", kVersion + 0xC342, 2, 0xFFFF},
        {"type count 41", kVersion + 0x1969, 1, 41},
        {"type index past the types", fixture_at(3, setup::kFixtureTypeIndex), 2, 3},
        {"type index 65535", fixture_at(3, setup::kFixtureTypeIndex), 2, 0xFFFF},
        {"channel count 0", fixture_at(3, setup::kFixtureChannelCount), 1, 0},
        {"channel count 33", fixture_at(3, setup::kFixtureChannelCount), 1, 33},
        {"first function record 0", fixture_at(3, setup::kFixtureFirstRecord), 2, 0},
        {"card 5", fixture_at(3, setup::kFixtureCard), 1, 5},
        {"card 0", fixture_at(3, setup::kFixtureCard), 1, 0},
        {"address -2", fixture_at(3, setup::kFixtureAddress), 2, 0xFFFE},
        {"a type of 33 channels", kVersion + 0xB91A + 1, 1, 33},
    };
    const std::vector<uint8_t> dimpatch(2048, 7);
    write("data/dimpatch.dat", dimpatch);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file = setup_;
        file[c.at] = static_cast<uint8_t>(c.value);
        if (c.width == 2) file[c.at + 1] = static_cast<uint8_t>(c.value >> 8);
        write("data/setup.dat", file);
        datafiles::load_setup_file();
        EXPECT_EQ(datafiles::setup_file_state, SetupFileState::refused);
        expect_empty_rig();
        EXPECT_TRUE(said("SETUP CAN NOT BE LOADED : THE SETUP-DATA IS OUT OF RANGE!"));
        EXPECT_TRUE(said(kKeptText));
        EXPECT_EQ(read("data/setup.dat"), file);
        EXPECT_EQ(read("data/dimpatch.dat"), dimpatch);
        EXPECT_EQ(read("lib/set/SPOT16.SET").size(), 47097u);
    }
}

TEST_F(SetupFile, ASetupOfAnUnknownSizeIsKeptAndTheRigIsEmpty) {
    for (size_t size : {size_t{115208}, size_t{115206}, size_t{1}}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> file = setup_;
        file.resize(size, 0x55);
        write("data/setup.dat", file);
        datafiles::load_setup_file();
        EXPECT_EQ(datafiles::setup_file_state, SetupFileState::unrecognised);
        EXPECT_TRUE(datafiles::setup_file_kept);
        expect_empty_rig();
        EXPECT_TRUE(said("SETUP CAN NOT BE LOADED : UNKNOWN FORMAT OF SETUP.DAT!"));
        EXPECT_TRUE(said(kKeptText));
        EXPECT_EQ(read("data/setup.dat"), file);
        EXPECT_FALSE(has("data/dimpatch.dat"));
    }
}

TEST_F(SetupFile, AVersionTextThatDoesNotMatchItsSizeIsNotRecognised) {
    std::vector<uint8_t> file = setup_;
    std::memcpy(file.data(), "VERSION 6.30", 12);  // a 6.30 text on a current-size file
    write("data/setup.dat", file);
    datafiles::load_setup_file();
    EXPECT_EQ(datafiles::setup_file_state, SetupFileState::unrecognised);
    EXPECT_EQ(read("data/setup.dat"), file);
}

TEST_F(SetupFile, TheFixtureSetupsSaveReplacesAKeptFile) {
    write("data/setup.dat", std::vector<uint8_t>(10, 1));
    datafiles::load_setup_file();
    ASSERT_TRUE(datafiles::setup_file_kept);
    datafiles::save_setup_file_replacing_kept();
    EXPECT_FALSE(datafiles::setup_file_kept);
    EXPECT_EQ(read("data/setup.dat").size(), 115207u);
}

TEST_F(SetupFile, RandomFilesAtEachSizeAreLoadedOrRefusedWithoutHarm) {
    std::mt19937 random(9);
    const std::pair<size_t, const char*> layouts[] = {
        {115207, "VERSION 7.01"}, {71107, "VERSION 6.30"}, {54306, "VERSION 6.03"}, {30726, nullptr}};
    for (int round = 0; round < 12; ++round) {
        for (const auto& [size, version] : layouts) {
            std::vector<uint8_t> file = random_bytes(random, size);
            if (version != nullptr) std::memcpy(file.data(), version, 12);
            write("data/setup.dat", file);
            datafiles::load_setup_file();
            EXPECT_GE(setup::fixture_count, 0);
            EXPECT_LE(setup::fixture_count, 700);
            EXPECT_LE(setup::fixture_type_count, 40);
            if (datafiles::setup_file_state == SetupFileState::refused) {
                EXPECT_EQ(read("data/setup.dat"), file);
            }
        }
    }
}

// ------------------------------------------------------------------ the block in memory

TEST(SetupData, TheBlockIs115195BytesAndTheFieldsSitAtTheirOffsets) {
    static_assert(setup::kSetupDataBytes == 115195);
    static_assert(setup::kSetupFixtures + 700 * 93 == 115195);
    EXPECT_EQ(setup::kSetupTypeCount, 6505u);
    EXPECT_EQ(setup::kSetupFixtureCount, 49986u);
    EXPECT_EQ(setup::kSetupPatchCompiled, 50024u);
    EXPECT_EQ(setup::kSetupDefaultValuesSaved, 50094u);
    EXPECT_EQ(SetupData::fixture_field(700, 92), 115194u);
}

TEST(SetupData, ACopyCarriesNamesAsStringsAndKeepsTheSoloMemory) {
    SetupData from;
    from.bytes.fill(0x5A);
    from.set_text(SetupData::type_name_field(1), 21, "SPOT");
    from.bytes[SetupData::type_name_field(1) + 10] = 'X';  // behind the NUL
    from.set_i16(setup::kSetupSoloMemory, 12);
    from.set_u16(setup::kSetupFixtureCount, 2);
    SetupData to;
    setup::copy_setup_data(to, from);
    EXPECT_EQ(to.text(SetupData::type_name_field(1), 21), "SPOT");
    EXPECT_EQ(to.u8(SetupData::type_name_field(1) + 10), 0);
    EXPECT_EQ(to.u8(SetupData::type_file_name_field(40)), 0x5A);
    EXPECT_EQ(to.u8(SetupData::type_file_name_field(40) + 8), 0);  // a name without NUL is cut to 8
    // A setup visit and save must not lose the show's solo memory.
    EXPECT_EQ(to.i16(setup::kSetupSoloMemory), 12);
    EXPECT_EQ(to.u8(setup::kSetupGroupingsSaved), 0x5A);
    EXPECT_EQ(to.u8(setup::kSetupGroupingsSaved + 1), 0x5A);  // reserved
    // Every fixture record is copied, also those behind the count.
    EXPECT_EQ(to.u8(SetupData::fixture_field(700, 92)), 0x5A);
    EXPECT_EQ(to.u8(setup::kSetupDefaultValuesSaved), 0x5A);
    EXPECT_EQ(to.u8(setup::kSetupPatchCompiled), 0x5A);
    EXPECT_EQ(to.u8(setup::kSetupGroupKeyOption + 4), 0x5A);
}

}  // namespace
