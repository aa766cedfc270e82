// The soft patch list and the channel patch compiler on small rigs made in
// memory, with the worked figures of the patch rules: block fixtures
// back to back per card, multipatched functions sharing one position per
// card, a split fixture's dimmer and block; the address map and the patch
// conflict count that read the same list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/address_state.h"
#include "setup/patch_compiler.h"
#include "setup/patch_conflicts.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"
#include "setup/soft_patch.h"

namespace {

using setup::channel_patch_tables;
using setup::SetupData;
using setup::SoftPatchEntry;

constexpr const char* kDmxOut = "DMX OUT ";

// A rig in the live setup: type t (1-based) of n channels with the
// identity function map; fixtures appended with their first channels.
class Rig : public ::testing::Test {
protected:
    void SetUp() override {
        for (int c = 1; c <= 4; ++c) {
            state_.protocol_names[static_cast<size_t>(c)] = {"", kDmxOut, "MARTIN  ", "NONE    ", "NONE    "};
        }
    }
    static void add_type(int t, int n) {
        SetupData& d = setup::setup_data;
        d.set_u8(SetupData::type_channel_count_field(t), static_cast<uint8_t>(n));
        for (int k = 0; k < 32; ++k) d.set_u8(SetupData::type_function_map_field(t, k), static_cast<uint8_t>(k));
        d.set_u8(setup::kSetupTypeCount, static_cast<uint8_t>(std::max<int>(d.u8(setup::kSetupTypeCount), t)));
    }
    // Fixture f of type t (1-based) on a card at an address.
    void add_fixture(int t, int card, int16_t address, const char* protocol = kDmxOut) {
        const int f = ++fixtures_;
        setup::FixtureRecord r;
        r.type_index = static_cast<uint16_t>(t - 1);
        r.number = static_cast<uint16_t>(f);
        r.card = static_cast<uint8_t>(card);
        r.address = address;
        r.protocol = protocol;
        r.channel_count = setup::setup_data.u8(SetupData::type_channel_count_field(t));
        r.first_record = static_cast<uint16_t>(next_record_);
        next_record_ += r.channel_count;
        setup::write_fixture(setup::setup_data, f, r);
        setup::setup_data.set_u16(setup::kSetupFixtureCount, static_cast<uint16_t>(f));
        setup::fixture_count = static_cast<int16_t>(f);
    }
    static uint16_t table(int k, int index) { return channel_patch_tables[static_cast<size_t>(k)][static_cast<size_t>(index)]; }
    void compile() const { setup::compile_channel_patch(state_); }

    setup::AddressState state_;
    int fixtures_ = 0;
    int next_record_ = 1;
};

TEST_F(Rig, AnEmptyRigGivesNineZeroTablesAndIsMarkedCompiled) {
    compile();
    for (int k = 0; k < 9; ++k) {
        for (int i = 1; i <= 2048; ++i) ASSERT_EQ(table(k, i), 0) << k << " " << i;
    }
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupPatchCompiled), 1);
}

TEST_F(Rig, BlockFixturesOnACardTakeItsPositionsBackToBack) {
    add_type(1, 16);
    add_type(2, 8);
    add_fixture(1, 2, 1);
    add_fixture(2, 2, 17);
    compile();
    for (int l = 1; l <= 16; ++l) EXPECT_EQ(table(0, l), 512 + l) << l;
    for (int l = 17; l <= 24; ++l) EXPECT_EQ(table(0, l), 528 + l - 16) << l;
    EXPECT_EQ(table(0, 25), 0);
    // Protocol 1 of card 2: slot 513 + i sends position i + 1.
    EXPECT_EQ(table(5, 513), 1);
    EXPECT_EQ(table(5, 536), 24);
    EXPECT_EQ(table(6, 513), 0);
}

TEST_F(Rig, AFixtureOnItsCardsSecondProtocolFillsOnlyThatProtocolsTable) {
    add_type(1, 4);
    add_fixture(1, 1, 10, "MARTIN  ");
    compile();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(table(6, 10 + i), i + 1);
        EXPECT_EQ(table(5, 10 + i), 0);
        EXPECT_EQ(table(7, 10 + i), 0);
    }
}

TEST_F(Rig, AMultipatchedFunctionSharesOnePositionPerCardAndTakesAPatchSlotPerCard) {
    add_type(1, 3);
    add_fixture(1, 1, setup::kMultipatchAddress);
    setup::soft_patch_list = {{1, 1, 1, 1}, {1, 1, 1, 100}, {1, 2, 1, 5}, {1, 2, 3, 7}};
    compile();
    // Function 1 on card 1 twice: one position for both slots.
    EXPECT_EQ(table(0, 1), 1);
    EXPECT_EQ(table(5, 1), 1);
    EXPECT_EQ(table(5, 100), 1);
    // Function 2 on cards 1 and 3: table 0 on card 1, table 1 on card 3.
    EXPECT_EQ(table(0, 2), 2);
    EXPECT_EQ(table(1, 2), 1024 + 1);
    EXPECT_EQ(table(5, 5), 2);
    EXPECT_EQ(table(5, 1024 + 7), 1);
    // Function 3 is not patched but takes its logical channel.
    EXPECT_EQ(table(0, 3), 0);
    EXPECT_EQ(setup::dimmer_patch_table[1], 0);
}

TEST_F(Rig, ASplitFixtureSendsItsDimmerAndItsBlockAtTheirOwnAddresses) {
    add_type(1, 12);
    add_fixture(1, 1, setup::kSoftPatchAddress);
    setup::soft_patch_list = {{1, 50, 1, 1}, {1, 112, 1, 20}};
    compile();
    EXPECT_EQ(table(5, 1), 1);
    for (int a = 20; a <= 30; ++a) EXPECT_EQ(table(5, a), a - 18) << a;
    EXPECT_EQ(table(5, 31), 0);
    EXPECT_EQ(table(5, 2), 0);
    for (int l = 1; l <= 12; ++l) EXPECT_EQ(table(0, l), l) << l;
}

TEST_F(Rig, ASplitFixtureWithAPartMissingDoesNotShiftTheFixturesAfterIt) {
    add_type(1, 12);
    add_type(2, 4);
    add_fixture(1, 1, setup::kSoftPatchAddress);  // records 1..12
    add_fixture(2, 2, 1);                         // records 13..16
    setup::soft_patch_list = {{1, 50, 1, 1}};     // no block entry
    compile();
    EXPECT_EQ(table(0, 1), 1);
    EXPECT_EQ(table(0, 2), 0);
    // The second fixture's records keep their numbers: 13 is its first channel.
    EXPECT_EQ(table(0, 13), 513);
    EXPECT_EQ(table(0, 16), 516);
    EXPECT_EQ(table(0, 17), 0);
}

TEST_F(Rig, ABlockLongerThanItsFixtureOrPastTheCardEndWritesNothingBeyond) {
    add_type(1, 4);
    add_type(2, 2);
    add_fixture(1, 1, setup::kSoftPatchAddress);  // records 1..4
    add_fixture(2, 1, 100);                       // records 5..6
    setup::soft_patch_list = {{1, 50, 1, 1}, {1, 132, 1, 510}};  // a 32-channel block for a 4-channel fixture
    compile();
    EXPECT_EQ(table(0, 4), 4);
    EXPECT_EQ(table(5, 512), 4);     // the fixture's own three block channels: 510..512
    EXPECT_EQ(table(0, 5), 5);       // the next fixture is untouched
    EXPECT_EQ(table(5, 100), 5);
    EXPECT_EQ(table(5, 513), 0);     // nothing spills onto card 2
}

TEST_F(Rig, TheDmxInputTableIsFilledOnlyWithBothInputsOff) {
    add_type(1, 2);
    add_fixture(1, 1, 30);
    setup::setup_data.set_i16(SetupData::fixture_field(1, setup::kFixtureInputAddress), 30);
    compile();
    EXPECT_EQ(table(4, 31), 31);
    setup::setup_data.set_u8(setup::kSetupDmxIn2Enabled, 1);
    compile();
    EXPECT_EQ(table(4, 31), 0);
}

// ------------------------------------------------------------------ the list

TEST(SoftPatchList, TheListIsTheTablesEntriesInSlotOrderAndTheLaterEntryForASlotWins) {
    setup::soft_patch_table[600] = {2, 50, 2, 88};
    setup::soft_patch_table[3] = {1, 3, 1, 3};
    setup::load_soft_patch_list();
    ASSERT_EQ(setup::soft_patch_list.size(), 2u);
    EXPECT_EQ(setup::soft_patch_list[0].fixture, 1);
    EXPECT_EQ(setup::soft_patch_list[1].fixture, 2);

    setup::soft_patch_list = {{1, 1, 1, 9}, {2, 1, 1, 9}, {1, 2, 4, 512}};
    EXPECT_EQ(setup::fill_soft_patch_table(2), 0);
    EXPECT_EQ(setup::soft_patch_table[9].fixture, 2);
    EXPECT_EQ(setup::soft_patch_table[2048].function, 2);
    EXPECT_EQ(setup::soft_patch_table[600].fixture, -1);  // the old table is gone
}

TEST(SoftPatchList, EntriesOutOfRangeOrNamingNoFixtureAreDroppedWhenStored) {
    struct Case {
        SoftPatchEntry entry;
        bool kept;
    };
    const Case cases[] = {
        {{3, 1, 1, 1}, true},    {{4, 1, 1, 1}, false},  {{0, 1, 1, 1}, false},   {{1, 33, 1, 1}, false},
        {{1, 50, 1, 1}, true},   {{1, 100, 1, 1}, false}, {{1, 132, 1, 1}, true},  {{1, 133, 1, 1}, false},
        {{1, 1, 0, 1}, false},   {{1, 1, 5, 1}, false},  {{1, 1, 4, 0}, false},   {{1, 1, 4, 513}, false},
    };
    for (const Case& c : cases) {
        setup::soft_patch_list = {c.entry};
        EXPECT_EQ(setup::fill_soft_patch_table(3), c.kept ? 0 : 1)
            << c.entry.fixture << " " << c.entry.function << " " << int{c.entry.card} << " " << c.entry.address;
    }
}

// ------------------------------------------------------------------ address map and conflicts

TEST_F(Rig, TheAddressMapEntersSplitBlocksByTheirCodeAndTheLaterFixtureWins) {
    add_type(1, 4);
    add_type(2, 2);
    add_fixture(1, 1, setup::kSoftPatchAddress);
    add_fixture(1, 1, setup::kSoftPatchAddress);
    add_fixture(2, 1, 40);
    add_fixture(2, 1, 41);
    setup::soft_patch_list = {{1, 50, 1, 1}, {1, 104, 1, 10}, {2, 50, 1, 2}, {2, 101, 1, 20}};
    setup::build_address_map(state_, setup::setup_data);
    const auto& map = state_.address_map[1][1];
    EXPECT_EQ(map[1], 1);
    EXPECT_EQ(map[10], 1);
    EXPECT_EQ(map[12], 1);
    EXPECT_EQ(map[13], 0);  // block 104: three addresses
    EXPECT_EQ(map[2], 2);
    EXPECT_EQ(map[20], 0);  // block 101: none
    EXPECT_EQ(map[40], 3);
    EXPECT_EQ(map[41], 4);  // shared by fixtures 3 and 4: the later one
    EXPECT_EQ(map[42], 4);
    EXPECT_EQ(state_.used_channels[1], 1 + 3 + 1 + 0 + 2 + 2);
}

TEST_F(Rig, ConflictsCountSharedSlotsPerFixturePairAndOverfullCards) {
    add_type(1, 4);
    add_fixture(1, 1, 1);
    add_fixture(1, 1, 3);               // shares 3 and 4 with fixture 1: one pair
    add_fixture(1, 1, 3, "MARTIN  ");   // the same addresses under another protocol: none
    EXPECT_EQ(setup::count_patch_conflicts(setup::setup_data), 1);
    add_fixture(1, 1, setup::kMultipatchAddress);
    setup::soft_patch_list = {{4, 1, 1, 4}};  // multipatch slots are "DMX OUT ": with fixtures 1 and 2
    EXPECT_EQ(setup::count_patch_conflicts(setup::setup_data), 3);
}

TEST_F(Rig, MoreThan512SlotsOnACardIsAConflictWithoutAnySharedSlot) {
    add_type(1, 32);
    for (int i = 0; i < 16; ++i) add_fixture(1, 2, static_cast<int16_t>(1 + 32 * i));
    EXPECT_EQ(setup::count_patch_conflicts(setup::setup_data), 0);
    add_fixture(1, 2, setup::kMultipatchAddress);
    setup::soft_patch_list = {{17, 1, 2, 1}};
    // 513 slots on card 2, and fixture 17 shares address 1 with fixture 1.
    EXPECT_EQ(setup::count_patch_conflicts(setup::setup_data), 2);
}

}  // namespace
