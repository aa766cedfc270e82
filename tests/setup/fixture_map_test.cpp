// Which old fixture each fixture of an edited rig takes its data from: the
// sort by page and key, the three matching passes, the check whether the
// show data must be converted at all, and the record pairs the data move along.
#include "setup/fixture_map.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rig_builder.h"
#include "setup/soft_patch.h"

namespace {

using setup::FixtureMap;
using setup::SetupData;
using setup_test::FixtureSpec;
using setup_test::TypeSpec;

const std::vector<TypeSpec> kTypes = {{"SPOT", 3}, {"DIMMER", 1}, {"WASH", 2}};

int number_of(const SetupData& setup, int f) { return setup.u16(SetupData::fixture_field(f, setup::kFixtureNumber)); }

std::vector<int16_t> mapped(const FixtureMap& map, int count) { return {map.begin() + 1, map.begin() + 1 + count}; }

TEST(FixtureMap, TheSortPutsRecordsInPageAndKeyOrderAndTheSoftPatchListFollows) {
    // Records 1..4: page 2 key 1, page 1 key 5, page 1 key 2 (gap before it), page 9 key 70.
    auto setup = std::make_unique<SetupData>(setup_test::make_rig(
        kTypes, {{1, 2, 1, 1}, {2, 1, 5, 4}, {3, 1, 2, 5}, {2, 9, 70, 7}}));
    setup::soft_patch_list = {{1, 1, 1, 10}, {3, 2, 1, 20}, {4, 1, 2, 30}};
    setup::sort_fixtures_by_page(*setup);
    EXPECT_EQ(number_of(*setup, 1), 2);
    EXPECT_EQ(number_of(*setup, 2), 5);
    EXPECT_EQ(number_of(*setup, 3), 71);
    EXPECT_EQ(number_of(*setup, 4), 630);
    // Whole records move: the wash (old record 3) carries its first record 5.
    EXPECT_EQ(setup->u16(SetupData::fixture_field(1, setup::kFixtureFirstRecord)), 5);
    EXPECT_EQ(setup->u16(SetupData::fixture_field(1, setup::kFixtureTypeIndex)), 2);
    EXPECT_EQ(setup::soft_patch_list[0].fixture, 3);
    EXPECT_EQ(setup::soft_patch_list[1].fixture, 1);
    EXPECT_EQ(setup::soft_patch_list[2].fixture, 4);
    const setup::PageCounts pages = setup::count_page_fixtures(*setup);
    EXPECT_EQ(pages[1], 2);
    EXPECT_EQ(pages[2], 1);
    EXPECT_EQ(pages[9], 1);
    EXPECT_EQ(setup::fixtures_before_page(pages, 9), 3);
}

TEST(FixtureMap, ThePassesFindTheSameFixtureThenTheSamePlaceThenTheSameType) {
    // Old: spot at 1 (addr 1), spot at 4 (addr 20), dimmer at 7 (addr 50, card 2), wash at 8.
    const auto old_rig = std::make_unique<SetupData>(setup_test::make_rig(
        kTypes, {{1, 1, 1, 1, 1}, {1, 1, 2, 4, 20}, {2, 1, 3, 7, 50, 2}, {3, 1, 4, 8, 60}}));
    struct Case {
        const char* what;
        std::vector<FixtureSpec> edited;
        std::vector<int16_t> expected;
    };
    const Case cases[] = {
        {"unchanged", {{1, 1, 1, 1, 1}, {1, 1, 2, 4, 20}, {2, 1, 3, 7, 50, 2}, {3, 1, 4, 8, 60}}, {1, 2, 3, 4}},
        {"pages swapped: each finds itself by its first record",
         {{1, 1, 1, 4, 20}, {1, 2, 1, 1, 1}, {2, 1, 3, 7, 50, 2}, {3, 1, 4, 8, 60}}, {2, 1, 3, 4}},
        {"a spot deleted", {{1, 1, 2, 4, 20}, {2, 1, 3, 7, 50, 2}, {3, 1, 4, 8, 60}}, {2, 3, 4}},
        {"a new dimmer at the old one's place (pass 2)", {{2, 1, 1, 0, 50, 2}}, {3}},
        {"a new spot takes the first unclaimed spot (pass 3)", {{1, 1, 1, 4, 20}, {1, 1, 2, 0, 99}}, {2, 1}},
        {"a retyped fixture is new", {{3, 1, 1, 1, 1}, {3, 1, 2, 8, 60}}, {0, 4}},
        {"a type found nowhere in the old rig", {{1, 1, 1, 1, 1}, {2, 1, 2, 7, 50, 2}, {4, 1, 3, 0, 5}}, {1, 3, 0}},
    };
    for (const Case& c : cases) {
        std::vector<TypeSpec> types = kTypes;
        types.push_back({"STROBE", 1});
        const auto edited = std::make_unique<SetupData>(setup_test::make_rig(types, c.edited));
        FixtureMap map{};
        setup::match_fixtures(*edited, *old_rig, map);
        EXPECT_EQ(mapped(map, static_cast<int>(c.edited.size())), c.expected) << c.what;
    }
}

TEST(FixtureMap, TheSamePlacePassIgnoresClaimsSoTwoFixturesMayTakeOneOldFixture) {
    const auto old_rig = std::make_unique<SetupData>(setup_test::make_rig(kTypes, {{2, 1, 1, 1, 50}, {2, 1, 2, 2, 60}}));
    // Both new dimmers sit at the first old one's address; the second old one stays unclaimed.
    const auto edited = std::make_unique<SetupData>(setup_test::make_rig(kTypes, {{2, 1, 1, 0, 50}, {2, 1, 2, 0, 50}}));
    FixtureMap map{};
    setup::match_fixtures(*edited, *old_rig, map);
    EXPECT_EQ(mapped(map, 2), (std::vector<int16_t>{1, 1}));
}

TEST(FixtureMap, TheRigCountsAsChangedByEachRule) {
    const std::vector<FixtureSpec> fixtures = {{1, 1, 1, 1}, {2, 1, 2, 4}};
    const auto old_rig = std::make_unique<SetupData>(setup_test::make_rig(kTypes, fixtures));
    struct Case {
        const char* what;
        std::vector<TypeSpec> types;
        std::vector<FixtureSpec> fixtures;
        std::vector<int16_t> map;
        int expected;
    };
    const Case cases[] = {
        {"unchanged", kTypes, fixtures, {1, 2}, 0},
        {"another fixture count", kTypes, {{1, 1, 1, 1}}, {1}, 1},
        {"another channel sum", {{"SPOT", 3}, {"DIMMER", 2}, {"WASH", 2}}, fixtures, {1, 2}, 1},
        {"a fixture taking another's data", kTypes, fixtures, {2, 2}, 1},
        {"a type's function map changed", {{"SPOT", 3, {0, 2, 1}}, {"DIMMER", 1}, {"WASH", 2}}, fixtures, {1, 2}, 1},
        {"only a stage position moved", kTypes, {{1, 1, 1, 1, 7}, {2, 1, 2, 4}}, {1, 2}, 0},
    };
    for (const Case& c : cases) {
        const auto edited = std::make_unique<SetupData>(setup_test::make_rig(c.types, c.fixtures));
        FixtureMap map{};
        std::copy(c.map.begin(), c.map.end(), map.begin() + 1);
        EXPECT_EQ(setup::check_patch_changed(*edited, *old_rig, map), c.expected) << c.what;
    }
    // An old rig without fixtures has no show data to convert.
    const auto empty = std::make_unique<SetupData>();
    const auto edited = std::make_unique<SetupData>(setup_test::make_rig(kTypes, fixtures));
    EXPECT_EQ(setup::check_patch_changed(*edited, *empty, FixtureMap{}), 0);
}

TEST(FixtureMap, PairsFollowTheFunctionMapsAndSkipWhatLiesOutsideTheRigs) {
    // Old: spot (map 0,2,1) at 1, dimmer at 4. New: the dimmer first, the spot
    // with the identity map after it.
    const auto old_rig = std::make_unique<SetupData>(
        setup_test::make_rig({{"SPOT", 3, {0, 2, 1}}, {"DIMMER", 1}}, {{1, 1, 1, 1}, {2, 1, 2, 4}}));
    auto edited = std::make_unique<SetupData>(setup_test::make_rig({{"DIMMER", 1}, {"SPOT", 3}}, {{1, 1, 1, 4}, {2, 1, 2, 1}}));
    setup::number_function_records(*edited);
    FixtureMap map{};
    map[1] = 2;
    map[2] = 1;
    setup::ConversionPairs pairs = setup::conversion_pairs(*edited, *old_rig, map, 2048);
    std::vector<std::pair<int, int>> records;
    for (const setup::RecordPair& p : pairs.records) records.emplace_back(p.new_record, p.old_record);
    EXPECT_EQ(records, (std::vector<std::pair<int, int>>{{1, 4}, {2, 1}, {3, 3}, {4, 2}}));
    ASSERT_EQ(pairs.fixtures.size(), 2u);
    EXPECT_EQ(pairs.fixtures[0].old_fixture, 2);

    // A capacity of 2 cuts the records past it; a source past the old rig,
    // and a map entry at or past the channel count, give nothing.
    pairs = setup::conversion_pairs(*edited, *old_rig, map, 2);
    EXPECT_EQ(pairs.records.size(), 1u);
    map[1] = 3;
    edited->set_u8(SetupData::type_function_map_field(2, 1), 3);
    pairs = setup::conversion_pairs(*edited, *old_rig, map, 2048);
    records.clear();
    for (const setup::RecordPair& p : pairs.records) records.emplace_back(p.new_record, p.old_record);
    EXPECT_EQ(records, (std::vector<std::pair<int, int>>{{2, 1}, {4, 2}}));
    ASSERT_EQ(pairs.fixtures.size(), 1u);
}

}  // namespace
