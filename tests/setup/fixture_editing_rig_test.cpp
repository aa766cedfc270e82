// The rig editor's engine on small rigs: numbering a fixture onto a page,
// dragging keys, storing a placed fixture and removing one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/address_list_slots.h"
#include "setup/fixture_editing_rig.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan_items.h"

namespace {

using setup::SetupData;

struct Fixture {
    int type_index;
    int number;
};

// Records in the given order; types named T0, T1, ...
SetupData rig_of(const std::vector<Fixture>& fixtures, int types) {
    SetupData d;
    for (int t = 1; t <= types; ++t) d.set_text(SetupData::type_name_field(t), 21, "T" + std::to_string(t - 1));
    d.set_u8(setup::kSetupTypeCount, static_cast<uint8_t>(types));
    int f = 0;
    for (const Fixture& x : fixtures) {
        setup::FixtureRecord r;
        r.type_index = static_cast<uint16_t>(x.type_index);
        r.number = static_cast<uint16_t>(x.number);
        setup::write_fixture(d, ++f, r);
    }
    d.set_i16(setup::kSetupFixtureCount, static_cast<int16_t>(f));
    return d;
}

std::vector<int> numbers(const SetupData& d) {
    std::vector<int> n;
    for (int f = 1; f <= setup::rig_fixture_count(d); ++f) n.push_back(setup::fixture_number_of(d, f));
    return n;
}

// X is type 0, Y type 1. Page 1 holds Y, X, X, Y, Y at keys 1..5; the
// fixture coming in (record 6, type X) lies on page 2 with a Y behind it.
TEST(FixtureNumbers, AFixtureGoesBehindTheLastOfItsTypeAndItsOldPageClosesUp) {
    SetupData d = rig_of({{1, 1}, {0, 2}, {0, 3}, {1, 4}, {1, 5}, {0, 71}, {1, 72}}, 2);
    EXPECT_EQ(setup::number_fixture_on_page(d, 6, 1), 4);
    EXPECT_EQ(numbers(d), (std::vector<int>{1, 2, 3, 5, 6, 4, 71}));
    // Onto a page without its type: at the end.
    SetupData e = rig_of({{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {0, 141}}, 2);
    EXPECT_EQ(setup::number_fixture_on_page(e, 6, 1), 6);
    EXPECT_EQ(setup::count_page_fixtures(e)[3], 0);
}

TEST(FixtureNumbers, DraggingAKeyShiftsTheKeysBetween) {
    std::vector<Fixture> nine;
    for (int k = 1; k <= 9; ++k) nine.push_back({0, k});
    struct Case {
        int s, t;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {3, 7, {1, 2, 7, 3, 4, 5, 6, 8, 9}},
        {7, 3, {1, 2, 4, 5, 6, 7, 3, 8, 9}},
        {3, 10, {1, 2, 3, 4, 5, 6, 7, 8, 9}},  // an empty key: nothing
        {3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const Case& c : cases) {
        SetupData d = rig_of(nine, 1);
        EXPECT_EQ(setup::move_fixture_key(d, 1, c.s, c.t), c.expected != numbers(rig_of(nine, 1))) << c.s << "->" << c.t;
        EXPECT_EQ(numbers(d), c.expected) << c.s << "->" << c.t;
    }
}

setup::LibraryList library(const char* name, int channels, uint8_t rule) {
    setup::LibraryList list;
    setup::LibraryEntry entry;
    std::copy_n(name, std::string(name).size(), entry.type_name.begin());
    std::copy_n("NEWLIB", 6, entry.stem.begin());
    list.entries.push_back(entry);
    list.entry_count = 1;
    list.selected_entry = 0;
    list.loaded_type.bytes[setup::kTypeChannelCount] = static_cast<uint8_t>(channels);
    list.loaded_type.bytes[setup::kTypeSoftPatchRule] = rule;
    list.loaded_drawing[5] = 0x42;
    list.function_map[0] = 3;
    return list;
}

TEST(PlacedFixtures, ANewRecordStartsFromZerosWithItsTypeAddressAndProtocol) {
    SetupData d = rig_of({{0, 1}}, 1);
    // Old bytes where the next record goes (a fixture erased before).
    for (size_t b = 0; b < setup::kFixtureRecordBytes; ++b) d.set_u8(SetupData::fixture_field(2, 0) + b, 0xFF);
    setup::AddressState state;
    state.selected_card = 2;
    state.selected_protocol = 1;
    state.protocol_names[2][1] = "DMX OUT ";
    setup::AddressPanel panel;
    panel.address_increment = 16;
    const setup::LibraryList list = library("NEW SPOT", 16, 0);
    const setup::Placement placement{3, 0, 4000, 5000, 7, 12};
    ASSERT_EQ(setup::store_placed_fixture(d, state, list, panel, placement), 2);
    const setup::FixtureRecord r = setup::read_fixture(d, 2);
    EXPECT_EQ(r.type_index, 1) << "a new type slot";
    EXPECT_EQ(d.text(SetupData::type_name_field(2), 21), "NEW SPOT");
    EXPECT_EQ(d.text(SetupData::type_file_name_field(2), 9), "NEWLIB");
    EXPECT_EQ(d.u8(SetupData::type_drawing_field(2) + 5), 0x42);
    EXPECT_EQ(d.u8(SetupData::type_function_map_field(2, 0)), 3);
    EXPECT_EQ(d.u8(SetupData::type_channel_count_field(2)), 16);
    EXPECT_EQ(r.address, 33);
    EXPECT_EQ(r.input_address, 33);
    EXPECT_EQ(r.card, 2);
    EXPECT_EQ(r.protocol, "DMX OUT ");
    EXPECT_EQ(r.orientation, 7);
    EXPECT_EQ(r.x, 4000);
    EXPECT_EQ(r.channel_count, 16);
    EXPECT_EQ(r.function_settings, (std::array<uint8_t, 32>{})) << "nothing of the erased fixture";
    EXPECT_EQ(d.u8(SetupData::fixture_field(2, setup::kFixtureReserved)), 0);
    // The address a placement gives by the library's soft-patch rule.
    struct Case {
        uint8_t rule;
        int16_t slot;
        uint8_t multipatch;
        int16_t address;
    };
    const Case cases[] = {{1, 28, 1, 0}, {2, 3, 0, -1}, {0, 3, 0, 33}, {1, 3, 0, 33}};
    for (const Case& c : cases) {
        EXPECT_EQ(setup::placement_address(panel, library("X", 16, c.rule), {c.slot, c.multipatch, 0, 0, 0, 0}), c.address)
            << int{c.rule};
    }
}

TEST(RemovedFixtures, TheLastOfATypeFreesItsSlotAndSoftPatchEntriesFollow) {
    // A: r1 #1 and r5 #71; B: r2 #2 only; C: r3 #3 and r4 #4.
    SetupData d = rig_of({{0, 1}, {1, 2}, {2, 3}, {2, 4}, {0, 71}}, 3);
    setup::soft_patch_list = {{2, 50, 1, 10}, {3, 1, 1, 20}, {5, 1, 2, 30}, {1, 2, 1, 40}};
    ASSERT_TRUE(setup::remove_fixture(d, 2));
    EXPECT_EQ(setup::rig_fixture_count(d), 4);
    EXPECT_EQ(setup::rig_type_count(d), 2);
    EXPECT_EQ(d.text(SetupData::type_name_field(2), 21), "T2");
    EXPECT_EQ(d.text(SetupData::type_name_field(3), 21), "") << "the freed last slot";
    std::vector<int> types;
    for (int f = 1; f <= 4; ++f) types.push_back(setup::read_fixture(d, f).type_index);
    EXPECT_EQ(types, (std::vector<int>{0, 1, 1, 0}));
    EXPECT_EQ(numbers(d), (std::vector<int>{1, 2, 3, 71})) << "page 1 closes up, page 2 keeps its number";
    std::vector<int> owners;
    for (const setup::SoftPatchEntry& e : setup::soft_patch_list) owners.push_back(e.fixture);
    EXPECT_EQ(owners, (std::vector<int>{setup::kKilledSoftPatchEntry, 2, 4, 1}));
    for (size_t b = 0; b < setup::kFixtureRecordBytes; ++b) ASSERT_EQ(d.u8(SetupData::fixture_field(5, 0) + b), 0) << b;
    EXPECT_FALSE(setup::remove_fixture(d, 5));
    setup::soft_patch_list.clear();
}

TEST(InputAddresses, TogglingAt100Gives100Then0) {
    SetupData d = rig_of({{0, 1}}, 1);
    d.set_i16(SetupData::fixture_field(1, setup::kFixtureAddress), 100);
    d.set_i16(SetupData::fixture_field(1, setup::kFixtureInputAddress), 0);
    setup::flip_fixture_input_address(d, 1);
    EXPECT_EQ(setup::read_fixture(d, 1).input_address, 100);
    setup::flip_fixture_input_address(d, 1);
    EXPECT_EQ(setup::read_fixture(d, 1).input_address, 0);
}

}  // namespace
