// The save of the fixture setup on files in a temporary program directory:
// the five files at their sizes also for an empty rig, first channels as a
// running sum, every save leaving the channel curves off, and the reload of
// the type libraries keeping a definition whose library went missing.
#include "setup/setup_save.h"

#include <gtest/gtest.h>

#include <vector>

#include "datafiles/data_dir.h"
#include "datafiles/setup_file.h"
#include "demo_rig_files.h"
#include "runtime/card_discovery.h"
#include "setup/fixture_type.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"
#include "setup/soft_patch.h"

namespace {

using setup::SetupData;

void no_status(const char*) {}

class SetupSave : public datafiles_test::DataDir {
protected:
    void TearDown() override {
        datafiles::free_fixture_type_defs();
        DataDir::TearDown();
    }
    setup::AddressState state_;
};

TEST_F(SetupSave, AnEmptyRigWritesEveryFileWhole) {
    SetupData edited;
    edited.set_u8(setup::kSetupColourLibrary, 1);
    const setup::SaveResult result = setup::save_edited_setup(edited, state_, no_status);
    ASSERT_TRUE(result.saved);
    EXPECT_EQ(read("data/setup.dat").size(), 115207u);
    EXPECT_EQ(read("data/soft.dat").size(), 14336u);
    const std::vector<uint8_t> patch = read("data/ch-patch.dat");
    ASSERT_EQ(patch.size(), 36864u);
    EXPECT_TRUE(std::all_of(patch.begin(), patch.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(read("data/dimpatch.dat").size(), 2048u);
    EXPECT_EQ(read("data/ch-curve.dat").size(), 4864u);
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupPatchCompiled), 1);
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupSoftPatchSaved), 1);
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupDefaultValuesSaved), 1);
}

TEST_F(SetupSave, FirstChannelsAreARunningSumAndEverySaveTurnsTheCurvesOff) {
    SetupData edited;
    const int counts[] = {12, 16, 1};
    for (int f = 1; f <= 3; ++f) {
        edited.set_u8(SetupData::fixture_field(f, setup::kFixtureChannelCount), static_cast<uint8_t>(counts[f - 1]));
        edited.set_u16(SetupData::fixture_field(f, setup::kFixtureFirstRecord), 999);  // stale
    }
    edited.set_u16(setup::kSetupFixtureCount, 3);
    setup::channel_output_scale[7] = 3;
    setup::channel_curve_flags[7] = 2;
    setup::custom_curve_tables[2][10] = 0;
    ASSERT_TRUE(setup::save_edited_setup(edited, state_, no_status).saved);
    const uint16_t firsts[] = {1, 13, 29};
    const std::vector<uint8_t> file = read("data/setup.dat");
    for (int f = 1; f <= 3; ++f) {
        const size_t at = 12 + SetupData::fixture_field(f, setup::kFixtureFirstRecord);
        EXPECT_EQ(file[at] | file[at + 1] << 8, firsts[f - 1]) << f;
    }
    const std::vector<uint8_t> curves = read("data/ch-curve.dat");
    EXPECT_EQ(curves[6], 255);
    EXPECT_EQ(curves[2048 + 6], 0);
    EXPECT_EQ(curves[4096 + 256 + 10], 10);
}

TEST_F(SetupSave, SoftPatchEntriesOutOfRangeAreDroppedAndTheRestStored) {
    SetupData edited;
    edited.set_u8(SetupData::fixture_field(1, setup::kFixtureChannelCount), 2);
    edited.set_u8(SetupData::type_channel_count_field(1), 2);
    edited.set_i16(SetupData::fixture_field(1, setup::kFixtureAddress), 0);
    edited.set_u16(setup::kSetupFixtureCount, 1);
    setup::soft_patch_list = {{1, 1, 1, 5}, {2, 1, 1, 6}, {1, 2, 9, 7}};
    const setup::SaveResult result = setup::save_edited_setup(edited, state_, no_status);
    ASSERT_TRUE(result.saved);
    EXPECT_EQ(result.dropped_soft_entries, 2);
    const std::vector<uint8_t> soft = read("data/soft.dat");
    EXPECT_EQ(soft[4 * 7], 1);            // slot 5: fixture 1
    EXPECT_EQ(soft[5 * 7], 0xFF);         // slot 6: free
    EXPECT_EQ(setup::channel_patch_tables[5][5], 1);
}

TEST_F(SetupSave, AReloadKeepsTheDefinitionOfALibraryThatWentMissing) {
    runtime::function_record_capacity = 2048;
    setup_test::lay_out_demo_rig(dir_);
    datafiles::load_setup_file();
    ASSERT_NE(setup::fixture_type_defs[2], nullptr);
    const std::string name = setup::fixture_type_defs[2]->name();
    remove("lib/set/WASHCMY.SET");
    datafiles::reload_type_libraries();
    ASSERT_NE(setup::fixture_type_defs[2], nullptr);
    EXPECT_EQ(setup::fixture_type_defs[2]->name(), name);
    EXPECT_EQ(setup::fixture_type_defs[2]->channel_count(), 12);
    EXPECT_EQ(setup::fixture_type_defs[1]->channel_count(), 16);
    EXPECT_TRUE(std::find(datafiles::setup_load_messages.begin(), datafiles::setup_load_messages.end(),
                          "ERROR : LIBRARY 'WASHCMY.SET' NOT FOUND!") != datafiles::setup_load_messages.end());
}

}  // namespace
