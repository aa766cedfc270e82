// Submasters, robot groups, preset-class masks, preset and threshold names
// and the groupings: saved at their offsets and loaded back, the older forms
// converted and written back in the current form, files of other sizes left
// alone, and a groupings file that disagrees with itself replaced (a copy kept).
#include "datafiles/group_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/record_files.h"
#include "datafiles/setup_file.h"
#include "datafiles/threshold_file.h"
#include "datafiles/warning_bar.h"
#include "memories/presets.h"
#include "memories/submaster_cells.h"
#include "programmer/fixture_groups.h"
#include "setup/setup_data.h"

namespace {

using datafiles_test::i32_at;
using datafiles_test::set_u16_at;
using datafiles_test::text_at;
using datafiles_test::u16_at;
using memories::submaster_table;
using programmer::group_names;
using programmer::group_table;
using programmer::grouping_members;
using programmer::grouping_table;

constexpr const char* kVersion = "VERSION 6.30";

std::vector<uint8_t> with_version(size_t size) {
    std::vector<uint8_t> bytes(size);
    std::memcpy(bytes.data(), kVersion, 12);
    return bytes;
}

class GroupFiles : public datafiles_test::DataDir {};

// ------------------------------------------------------------------ submasters

TEST_F(GroupFiles, SubmastersAreSavedAtTheirOffsetsAndLoadBack) {
    submaster_table[1][1] = 1;
    submaster_table[1][700] = 1;
    submaster_table[2][141] = 1;
    ASSERT_TRUE(datafiles::save_submaster_file());

    const std::vector<uint8_t> bytes = read("data/submast.dat");
    ASSERT_EQ(bytes.size(), 1412u);
    EXPECT_EQ(text_at(bytes, 0, 12), kVersion);
    EXPECT_EQ(bytes[12], 1);
    EXPECT_EQ(bytes[12 + 699], 1);
    EXPECT_EQ(bytes[712 + 140], 1);
    EXPECT_EQ(std::count(bytes.begin() + 12, bytes.end(), 1), 3);

    submaster_table = {};
    datafiles::load_submaster_file();
    EXPECT_EQ(submaster_table[1][1], 1);
    EXPECT_EQ(submaster_table[1][700], 1);
    EXPECT_EQ(submaster_table[2][141], 1);
    EXPECT_EQ(submaster_table[2][1], 0);
}

TEST_F(GroupFiles, TheOlderSubmasterFileCoversFixtures1To140AndIsRewrittenAtOnce) {
    std::vector<uint8_t> old(1400, 1);  // every byte 1, also past the two 140-byte arrays
    old[139] = 0;                        // sub master 1, fixture 140
    write("data/submast.dat", old);
    datafiles::load_submaster_file();

    EXPECT_EQ(submaster_table[1][1], 1);
    EXPECT_EQ(submaster_table[1][140], 0);
    EXPECT_EQ(submaster_table[2][140], 1);
    EXPECT_EQ(submaster_table[1][141], 0);
    EXPECT_EQ(submaster_table[2][141], 0);
    const std::vector<uint8_t> bytes = read("data/submast.dat");
    ASSERT_EQ(bytes.size(), 1412u);
    EXPECT_EQ(text_at(bytes, 0, 12), kVersion);
    EXPECT_EQ(bytes[12 + 139], 0);
    EXPECT_EQ(bytes[712 + 139], 1);
    EXPECT_EQ(bytes[712 + 140], 0);
}

TEST_F(GroupFiles, ASubmasterFileOfAnotherSizeLeavesTheTableEmptyAndTheFileAlone) {
    submaster_table[1][5] = 1;  // from an earlier show
    const std::vector<uint8_t> odd(1413, 1);
    write("data/submast.dat", odd);
    datafiles::load_submaster_file();
    EXPECT_EQ(submaster_table[1][5], 0);
    EXPECT_EQ(read("data/submast.dat"), odd);
}

// ------------------------------------------------------------------ groups

TEST_F(GroupFiles, GroupsAndTheirNamesAreSavedAtTheirOffsetsAndLoadBack) {
    group_table[1][1] = 1;
    group_table[32][700] = 1;
    std::strcpy(group_names[1].data(), "FRONT");
    std::strcpy(group_names[32].data(), "BACK TRUSS");
    ASSERT_TRUE(datafiles::save_group_file());

    const std::vector<uint8_t> bytes = read("data/groups.dat");
    ASSERT_EQ(bytes.size(), 22764u);
    EXPECT_EQ(text_at(bytes, 0, 12), kVersion);
    EXPECT_EQ(bytes[12], 1);
    EXPECT_EQ(bytes[12 + 31 * 700 + 699], 1);
    EXPECT_EQ(text_at(bytes, 22412, 6), std::string("FRONT\0", 6));
    EXPECT_EQ(text_at(bytes, 22412 + 31 * 11, 11), std::string("BACK TRUSS\0", 11));

    group_table = {};
    group_names = {};
    datafiles::load_group_file();
    EXPECT_EQ(group_table[1][1], 1);
    EXPECT_EQ(group_table[32][700], 1);
    EXPECT_EQ(group_table[1][2], 0);
    EXPECT_STREQ(group_names[1].data(), "FRONT");
    EXPECT_STREQ(group_names[32].data(), "BACK TRUSS");
}

TEST_F(GroupFiles, AGroupsFileWithoutNamesIsReadAndRewrittenWithEmptyNames) {
    std::vector<uint8_t> bytes = with_version(22412);
    bytes[12 + 2 * 700 + 9] = 1;  // group 3, fixture 10
    write("data/groups.dat", bytes);
    std::strcpy(group_names[3].data(), "STALE");
    datafiles::load_group_file();

    EXPECT_EQ(group_table[3][10], 1);
    EXPECT_STREQ(group_names[3].data(), "");
    const std::vector<uint8_t> after = read("data/groups.dat");
    ASSERT_EQ(after.size(), 22764u);
    EXPECT_EQ(after[12 + 2 * 700 + 9], 1);
    EXPECT_TRUE(std::all_of(after.begin() + 22412, after.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(GroupFiles, TheOlderGroupsFileFillsFixtures1To140OfEachGroup) {
    std::vector<uint8_t> old(4480, 0);
    for (size_t g = 0; g < 32; ++g) old[g * 140 + g] = 1;  // group g + 1, fixture g + 1
    old[31 * 140 + 139] = 1;                                // group 32, fixture 140
    write("data/groups.dat", old);
    datafiles::load_group_file();

    for (size_t g = 1; g <= 32; ++g) EXPECT_EQ(group_table[g][g], 1) << "group " << g;
    EXPECT_EQ(group_table[32][140], 1);
    int members = 0;
    for (size_t g = 1; g <= 32; ++g) {
        for (size_t f = 141; f <= 700; ++f) members += group_table[g][f];
    }
    EXPECT_EQ(members, 0);
    EXPECT_EQ(size_of("data/groups.dat"), 22764u);
}

// ------------------------------------------------------------------ preset masks

TEST_F(GroupFiles, MasksDefaultByKindWhenTheirFilesAreMissingOrOfAnotherSize) {
    write("data/DEF-COL.dat", std::vector<uint8_t>(279, 0));
    datafiles::load_default_preset_files(false);
    const auto& masks = datafiles::preset_channel_masks;
    EXPECT_EQ(masks[1][1], ~((1u << 4) | (1u << 5)));   // pan/tilt: not functions 5 and 6
    EXPECT_EQ(masks[2][70], ~(1u << 8));                 // colour: not function 9
    EXPECT_EQ(masks[3][35], 0xFFFFFFFFu);
    EXPECT_EQ(masks[4][1], 0xFFFFFFFFu);
    EXPECT_EQ(size_of("data/DEF-COL.dat"), 279u);        // left as it was
}

TEST_F(GroupFiles, MaskFilesRoundTripAndAConversionDropsFunctions6And9) {
    auto& masks = datafiles::preset_channel_masks;
    for (int kind = 1; kind <= 4; ++kind) {
        for (size_t p = 1; p <= 70; ++p) masks[static_cast<size_t>(kind)][p] = 0xFFFFFFFFu - static_cast<uint32_t>(p);
        ASSERT_TRUE(datafiles::save_default_preset_file(kind));
    }
    const std::vector<uint8_t> gobo = read("data/DEF-GOB.dat");
    ASSERT_EQ(gobo.size(), 280u);
    EXPECT_EQ(static_cast<uint32_t>(i32_at(gobo, 4 * 4)), 0xFFFFFFFFu - 5);  // preset 5

    masks = {};
    datafiles::load_default_preset_files(false);
    EXPECT_EQ(masks[1][5], 0xFFFFFFFFu - 5);
    EXPECT_EQ(masks[4][70], 0xFFFFFFFFu - 70);

    datafiles::load_default_preset_files(true);
    EXPECT_EQ(masks[1][1], 0xFFFFFFFEu & ~(1u << 5));
    EXPECT_EQ(masks[2][1], 0xFFFFFFFEu & ~(1u << 8));
    EXPECT_EQ(masks[3][1], 0xFFFFFFFEu);
    EXPECT_EQ(static_cast<uint32_t>(i32_at(read("data/DEF-PAN.dat"), 0)), 0xFFFFFFFEu & ~(1u << 5));
    EXPECT_EQ(static_cast<uint32_t>(i32_at(read("data/DEF-COL.dat"), 0)), 0xFFFFFFFEu & ~(1u << 8));
    EXPECT_EQ(static_cast<uint32_t>(i32_at(read("data/DEF-GOB.dat"), 0)), 0xFFFFFFFEu);
}

// ------------------------------------------------------------------ names in place

TEST_F(GroupFiles, RenamingColourPreset5RewritesOnlyItsNameBytes) {
    std::vector<uint8_t> presets(18492, 0xAB);
    write("data/presets.dat", presets);
    std::strcpy(memories::preset_index[75].name.data(), "DEEP BLUE");
    ASSERT_TRUE(datafiles::save_preset_name(datafiles::kColourPresets, 5));

    const std::vector<uint8_t> after = read("data/presets.dat");
    ASSERT_EQ(after.size(), presets.size());
    constexpr size_t kAt = 2454;  // 12 + 74 * 33
    EXPECT_EQ(text_at(after, kAt, 21), std::string("DEEP BLUE") + std::string(12, '\0'));
    for (size_t i = 0; i < after.size(); ++i) {
        if (i < kAt || i >= kAt + 21) {
            ASSERT_EQ(after[i], 0xAB) << "byte " << i;
        }
    }
}

TEST_F(GroupFiles, RenamingThreshold70RewritesOnlyItsNameBytes) {
    std::vector<uint8_t> thresholds(7070, 0xCD);
    write("data/memthrsh.dat", thresholds);
    std::strcpy(datafiles::threshold_index[70].name.data(), "LAST");
    ASSERT_TRUE(datafiles::save_threshold_name(70));
    const std::vector<uint8_t> after = read("data/memthrsh.dat");
    EXPECT_EQ(text_at(after, 6969, 5), std::string("LAST\0", 5));
    EXPECT_EQ(after[6968], 0xCD);
    EXPECT_EQ(after[6969 + 21], 0xCD);
}

TEST_F(GroupFiles, NameWritersRefuseNumbersOutOfRangeAndMissingFiles) {
    EXPECT_FALSE(datafiles::save_threshold_name(1));  // no memthrsh.dat
    EXPECT_FALSE(has("data/memthrsh.dat"));
    write("data/presets.dat", std::vector<uint8_t>(18492, 0));
    EXPECT_FALSE(datafiles::save_preset_name(datafiles::kEffectPresets, 71));
    EXPECT_FALSE(datafiles::save_preset_name(5, 1));
    EXPECT_FALSE(datafiles::save_threshold_name(0));
    EXPECT_EQ(read("data/presets.dat"), std::vector<uint8_t>(18492, 0));
}

// ------------------------------------------------------------------ groupings

class Groupings : public GroupFiles {
protected:
    void SetUp() override {
        GroupFiles::SetUp();
        setup::setup_data.set_u8(setup::kSetupGroupingsSaved, 1);
    }
    // Grouping 1 with subgroups of 3 and 2 members.
    static void program_grouping() {
        programmer::Grouping& g = grouping_table[1];
        std::strcpy(g.name.data(), "STAGE L/R");
        g.subgroup_count = 2;
        g.member_counts[1] = 3;
        g.member_counts[2] = 2;
        grouping_members[1] = {0, 34, 68, 102, 136};
    }
};

TEST_F(Groupings, AGroupingIsStoredAsItsRecordThenCountsAndMembers) {
    program_grouping();
    ASSERT_TRUE(datafiles::save_subgroup_file(false));

    const std::vector<uint8_t> bytes = read("data/groupa.dat");
    ASSERT_EQ(bytes.size(), 29200u + 2 * 5);
    EXPECT_EQ(text_at(bytes, 0, 10), std::string("STAGE L/R\0", 10));
    EXPECT_EQ(bytes[11], 2);
    EXPECT_EQ(u16_at(bytes, 12), 3);
    EXPECT_EQ(u16_at(bytes, 14), 2);
    // After the 100 records: 3, m1, m2, m3, 2, m4, m5, then 68 zero counts.
    const std::vector<uint16_t> expected = {3, 0, 34, 68, 2, 102, 136};
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(u16_at(bytes, 15200 + 2 * i), expected[i]) << i;
    for (size_t i = 0; i < 68; ++i) EXPECT_EQ(u16_at(bytes, 15200 + 14 + 2 * i), 0) << i;
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupGroupingsSaved), 1);
    EXPECT_EQ(size_of("data/setup.dat"), 115207u);

    grouping_table = {};
    for (auto& members : grouping_members) members.clear();
    datafiles::load_subgroup_file();
    EXPECT_STREQ(grouping_table[1].name.data(), "STAGE L/R");
    EXPECT_EQ(grouping_table[1].subgroup_count, 2);
    EXPECT_EQ(grouping_members[1], (std::vector<int16_t>{0, 34, 68, 102, 136}));
    EXPECT_TRUE(datafiles::warning_bar_texts.empty());
}

TEST_F(Groupings, AFileTheSetupDoesNotVouchForIsReplacedByAnEmptyOne) {
    program_grouping();
    ASSERT_TRUE(datafiles::save_subgroup_file(false));
    setup::setup_data.set_u8(setup::kSetupGroupingsSaved, 0);
    datafiles::load_subgroup_file();

    EXPECT_EQ(size_of("data/groupa.dat"), 29200u);
    EXPECT_EQ(grouping_table[1].subgroup_count, 0);
    EXPECT_EQ(grouping_members[1], std::vector<int16_t>(70, 0));
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupGroupingsSaved), 1);
}

TEST_F(Groupings, CountsThatDisagreeWithTheRecordsGiveTheErrorAndKeepACopy) {
    program_grouping();
    ASSERT_TRUE(datafiles::save_subgroup_file(false));
    std::vector<uint8_t> bytes = read("data/groupa.dat");
    set_u16_at(bytes, 15200 + 8, 5);  // the count of subgroup 2 says 5, its record 2
    write("data/groupa.dat", bytes);
    datafiles::load_subgroup_file();

    EXPECT_EQ(datafiles::warning_bar_texts, std::vector<std::string>{"ERROR IN SUBGROUPS..."});
    EXPECT_EQ(grouping_table[1].subgroup_count, 0);
    EXPECT_EQ(size_of("data/groupa.dat"), 29200u);
    EXPECT_EQ(read("data/groupa.k01"), bytes);
}

TEST_F(Groupings, TruncatedAndNegativeCountsAreRefusedWithoutReadingPastTheFile) {
    program_grouping();
    ASSERT_TRUE(datafiles::save_subgroup_file(false));
    const std::vector<uint8_t> whole = read("data/groupa.dat");
    std::vector<uint8_t> negative = whole;
    set_u16_at(negative, 12, 0xFFFF);            // grouping 1, subgroup 1: -1 in the record
    set_u16_at(negative, 15200, 0xFFFF);         // and on file
    for (const std::vector<uint8_t>& damaged :
         {std::vector<uint8_t>(whole.begin(), whole.end() - 3), std::vector<uint8_t>(whole.begin(), whole.begin() + 100),
          negative}) {
        datafiles::reset_warning_bar_globals();
        write("data/groupa.dat", damaged);
        datafiles::load_subgroup_file();
        EXPECT_EQ(datafiles::warning_bar_texts.size(), 1u);
        EXPECT_EQ(grouping_table[1].member_counts[1], 0);
        EXPECT_EQ(size_of("data/groupa.dat"), 29200u);
    }
}

TEST_F(Groupings, TheTemporaryTwinLeavesGroupaAlone) {
    program_grouping();
    ASSERT_TRUE(datafiles::save_subgroup_file(true));
    EXPECT_EQ(size_of("data/groupa.da"), 29210u);
    EXPECT_FALSE(has("data/groupa.dat"));
}

TEST_F(Groupings, TheFlagIsSetOnlyWhenTheFileWasWritten) {
    setup::setup_data.set_u8(setup::kSetupGroupingsSaved, 0);
    std::filesystem::remove_all(dir_.folder() / "data");  // nowhere to write
    EXPECT_FALSE(datafiles::save_subgroup_file(false));
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupGroupingsSaved), 0);
}

}  // namespace
