// Patch conflicts: the list worked out from small rigs made in memory (the
// pair rule by card, protocol name and address, one entry per fixture pair,
// card entries first, slots past a card's end, bad soft patch entries), the
// list's order against the plain every-slot-against-every-later-slot rule,
// and on the setup screen: a stored double patch listed at entry and
// blocking SAVE, the list's pages, and a repaired rig back to "FUNCTION
// PATCHING".
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/machine.h"
#include "rig_builder.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "setup/patch_conflicts.h"
#include "setup/soft_patch.h"
#include "setup_screen_rig.h"

namespace {

using setup::PatchConflict;
using setup::SetupData;

constexpr const char* kDmxOut = "DMX OUT ";

// Fixture records: number, channels, card, address, protocol (type t has
// the fixture's channel count; only the record's own count is read).
struct Fixture {
    int number;
    int channels;
    uint8_t card;
    int16_t address;
    const char* protocol = kDmxOut;
};

SetupData rig_of(const std::vector<Fixture>& fixtures) {
    SetupData d;
    for (size_t i = 0; i < fixtures.size(); ++i) {
        const int f = static_cast<int>(i) + 1;
        setup::FixtureRecord r;
        r.number = static_cast<uint16_t>(fixtures[i].number);
        r.channel_count = static_cast<uint8_t>(fixtures[i].channels);
        r.card = fixtures[i].card;
        r.address = fixtures[i].address;
        r.protocol = fixtures[i].protocol;
        r.stage_colour = 2;
        setup::write_fixture(d, f, r);
    }
    d.set_i16(setup::kSetupFixtureCount, static_cast<int16_t>(fixtures.size()));
    return d;
}

std::vector<std::array<std::string, 2>> lines_of(const std::vector<PatchConflict>& conflicts) {
    std::vector<std::array<std::string, 2>> out;
    for (const PatchConflict& c : conflicts) out.push_back(setup::patch_conflict_lines(c));
    return out;
}

class PatchConflictList : public ::testing::Test {
protected:
    void SetUp() override { setup::soft_patch_list.clear(); }
    void TearDown() override { setup::soft_patch_list.clear(); }
};

TEST_F(PatchConflictList, EntriesFollowTheSlotRulesAndTheirLinesNameKeyThenPage) {
    struct Case {
        const char* what;
        std::vector<Fixture> fixtures;
        std::vector<setup::SoftPatchEntry> entries;
        std::vector<std::array<std::string, 2>> lines;
    };
    const Case cases[] = {
        {"overlapping by 7 slots: one entry at the first shared slot",
         {{1, 16, 1, 1}, {2, 16, 1, 10}},
         {},
         {{"Fixt. 1.1 F10 Ad.1.10", "  &  2.1 F 1 Ad.1.10"}}},
        {"the same addresses under another protocol name", {{1, 16, 1, 1}, {2, 16, 1, 10, "MARTIN  "}}, {}, {}},
        {"the same address on another card", {{1, 16, 1, 1}, {2, 16, 2, 10}}, {}, {}},
        {"fixture 75 is key 5 of page 2", {{75, 4, 1, 1}, {3, 4, 1, 4}}, {}, {{"Fixt. 5.2 F 4 Ad.1. 4", "  &  3.1 F 1 Ad.1. 4"}}},
        {"multipatch slots are DMX OUT; a fixture may conflict with itself",
         {{1, 16, 1, 1}, {2, 4, 1, setup::kMultipatchAddress}},
         {{2, 3, 1, 5}, {2, 4, 1, 6}, {2, 1, 1, 300}, {2, 2, 1, 300}},
         {{"Fixt. 1.1 F 5 Ad.1. 5", "  &  2.1 F 3 Ad.1. 5"}, {"Fixt. 2.1 F 1 Ad.1.300", "  &  2.1 F 2 Ad.1.300"}}},
        {"a split fixture: the dimmer as channel 1, the block from channel 2",
         {{1, 4, 1, 101}, {2, 4, 1, setup::kSoftPatchAddress}},
         {{2, 50, 1, 50}, {2, 104, 1, 102}},
         {{"Fixt. 1.1 F 2 Ad.1.102", "  &  2.1 F 2 Ad.1.102"}}},
        {"channels past address 512 are reported once per fixture",
         {{1, 16, 1, 510}},
         {},
         {{"Fixt. 1.1 F 4 Ad.1.513", "  past address 512"}}},
        {"entries naming no fixture, function, card or address are passed over",
         {{1, 16, 1, 1}, {2, 2, 1, setup::kMultipatchAddress}},
         {{9, 1, 1, 1}, {2, 3, 1, 2}, {2, 1, 0, 1}, {2, 1, 5, 1}, {2, 1, 1, 0}, {2, 1, 1, 513}, {-10, 1, 1, 1}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SetupData d = rig_of(c.fixtures);
        setup::soft_patch_list = c.entries;
        const setup::PatchConflictResult result = setup::find_patch_conflicts(d);
        EXPECT_EQ(lines_of(result.conflicts), c.lines);
        for (size_t f = 1; f < result.colours.size(); ++f) {
            const bool in_pair = std::any_of(result.conflicts.begin(), result.conflicts.end(), [&](const PatchConflict& p) {
                return p.fixture_a == c.fixtures[f - 1].number || p.fixture_b == c.fixtures[f - 1].number;
            });
            EXPECT_EQ(result.colours[f], in_pair ? 4 : 2) << "record " << f;
        }
    }
}

TEST_F(PatchConflictList, A513thSlotOnCard2PutsTheCardEntryFirst) {
    std::vector<Fixture> fixtures;
    for (int i = 0; i < 16; ++i) fixtures.push_back({i + 1, 32, 2, static_cast<int16_t>(1 + 32 * i)});
    fixtures.push_back({17, 1, 1, 1});
    fixtures.push_back({18, 1, 1, 1});
    SetupData d = rig_of(fixtures);
    EXPECT_EQ(lines_of(setup::find_patch_conflicts(d).conflicts),
              (std::vector<std::array<std::string, 2>>{{"Fixt.17.1 F 1 Ad.1. 1", "  & 18.1 F 1 Ad.1. 1"}}));
    fixtures.push_back({19, 1, 2, setup::kMultipatchAddress});
    d = rig_of(fixtures);
    setup::soft_patch_list = {{19, 1, 2, 100}};
    const auto lines = lines_of(setup::find_patch_conflicts(d).conflicts);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], (std::array<std::string, 2>{"513 channels taken on", "  Card 2 (Max 512)"}));
    EXPECT_EQ(lines[1][0], "Fixt. 4.1 F 4 Ad.2.100");
    EXPECT_EQ(lines[2][0], "Fixt.17.1 F 1 Ad.1. 1");
}

// The list by the plain rule: every slot against every later one, in slot
// order, each fixture pair at its first shared slot.
std::vector<std::array<int, 6>> model_pairs(const SetupData& d) {
    struct Slot {
        int number, channel, card, address;
        std::string protocol;
    };
    std::vector<Slot> slots;
    for (int f = 1; f <= d.stored_fixture_count(); ++f) {
        const setup::FixtureRecord r = setup::read_fixture(d, f);
        if (r.address >= 1) {
            for (int c = 1; c <= r.channel_count; ++c) slots.push_back({r.number, c, r.card, r.address + c - 1, r.protocol});
        } else {
            for (const setup::SoftPatchEntry& e : setup::soft_patch_list) {
                if (e.fixture == f) slots.push_back({r.number, e.function, e.card, e.address, kDmxOut});
            }
        }
    }
    std::vector<std::array<int, 6>> out;
    for (size_t i = 0; i < slots.size(); ++i) {
        for (size_t j = i + 1; j < slots.size(); ++j) {
            const Slot& a = slots[i];
            const Slot& b = slots[j];
            if (a.card != b.card || a.address != b.address || a.protocol != b.protocol) continue;
            const bool listed = std::any_of(out.begin(), out.end(), [&](const std::array<int, 6>& p) {
                return (p[0] == a.number && p[2] == b.number) || (p[0] == b.number && p[2] == a.number);
            });
            if (!listed) out.push_back({a.number, a.channel, b.number, b.channel, b.card, b.address});
        }
    }
    return out;
}

TEST_F(PatchConflictList, ThePairsComeInTheOrderOfThePlainRuleOnRandomRigs) {
    std::mt19937 random(36);
    for (int round = 0; round < 20; ++round) {
        std::vector<Fixture> fixtures;
        const int count = 30;
        setup::soft_patch_list.clear();
        for (int f = 1; f <= count; ++f) {
            const int kind = static_cast<int>(random() % 4);
            const int channels = static_cast<int>(random() % 12) + 1;
            const uint8_t card = static_cast<uint8_t>(random() % 2 + 1);
            if (kind == 0) {
                fixtures.push_back({f, channels, card, setup::kMultipatchAddress});
                for (int e = 0; e < 4; ++e) {
                    setup::soft_patch_list.push_back({static_cast<int16_t>(f), static_cast<int16_t>(random() % channels + 1),
                                                      static_cast<uint8_t>(random() % 2 + 1), static_cast<int16_t>(random() % 120 + 1)});
                }
            } else {
                fixtures.push_back({f, channels, card, static_cast<int16_t>(random() % 120 + 1), kind == 1 ? "MARTIN  " : kDmxOut});
            }
        }
        std::shuffle(setup::soft_patch_list.begin(), setup::soft_patch_list.end(), random);
        const SetupData d = rig_of(fixtures);
        std::vector<std::array<int, 6>> found;
        for (const PatchConflict& c : setup::find_patch_conflicts(d).conflicts) {
            found.push_back({c.fixture_a, c.channel_a, c.fixture_b, c.channel_b, c.card, c.address});
        }
        EXPECT_EQ(found, model_pairs(d)) << "round " << round;
    }
}

TEST_F(PatchConflictList, WithoutMemoryTheRigCountsAsNotClean) {
    const SetupData d = rig_of({{1, 16, 1, 1}, {2, 16, 1, 10}});
    setup::setup_list_memory = [](size_t) { return false; };
    const setup::PatchConflictResult result = setup::find_patch_conflicts(d);
    setup::setup_list_memory = [](size_t) { return true; };
    EXPECT_TRUE(result.out_of_memory);
}

// ------------------------------------------------------------------ on the setup screen

class ConflictPanel : public setup_test::SetupScreen {
protected:
    // The setup opened with what its entry draws kept in the call log.
    void open_keeping_log() {
        rig_.press(runtime::KEY_SETUP, setup_test::kLongHold_ms);
        platform::machine().graphics.clear_call_log();
        rig_.press(runtime::KEY_DIGIT_1, 20);
        rig_.run_ms(50);
        ASSERT_NE(runtime::mode_flags & runtime::MODE_IN_SETUP, 0u);
    }
    void change_page_and_back() {
        rig_.press(runtime::KEY_BANK_UP, 20);
        rig_.press(runtime::KEY_BANK_DOWN, 20);
        rig_.run_ms(50);
    }
};

TEST_F(ConflictPanel, AStoredDoublePatchIsListedAtEntryAndBlocksSaveUntilRepaired) {
    // Fixture 12 onto fixture 11's address in the live rig.
    setup::setup_data.set_i16(SetupData::fixture_field(12, setup::kFixtureAddress), 57);
    open_keeping_log();
    EXPECT_EQ(setup::patch_conflict_count, 1);
    EXPECT_TRUE(setup_test::drawn("PATCH CONFLICTS"));
    EXPECT_TRUE(setup_test::drawn("Fixt.11.1 F 1 Ad.2.57"));
    EXPECT_TRUE(setup_test::drawn("  & 12.1 F 1 Ad.2.57"));
    rig_.press(runtime::KEY_SETUP, setup_test::kLongHold_ms);
    rig_.press(runtime::KEY_DIGIT_1, 20);
    rig_.run_ms(50);
    EXPECT_TRUE(setup_test::status_drawn("SOLVE PATCH CONFLICTS FIRST"));
    EXPECT_NE(runtime::mode_flags & runtime::MODE_IN_SETUP, 0u);
    // Readdressed: the next computation empties the list.
    setup::setup_edit_copy.set_i16(SetupData::fixture_field(12, setup::kFixtureAddress), 58);
    platform::machine().graphics.clear_call_log();
    change_page_and_back();
    EXPECT_EQ(setup::patch_conflict_count, 0);
    EXPECT_TRUE(setup_test::drawn("FUNCTION PATCHING"));
}

TEST_F(ConflictPanel, WithoutMemoryForTheListConflictsCountAsPresent) {
    open();
    setup::setup_edit_copy.set_i16(SetupData::fixture_field(12, setup::kFixtureAddress), 57);
    setup::setup_list_memory = [](size_t) { return false; };
    change_page_and_back();
    EXPECT_NE(setup::patch_conflict_count, 0) << "SAVE stays refused";
    EXPECT_TRUE(setup_test::drawn("NOT ENOUGH MEMORY"));
    setup::setup_list_memory = [](size_t) { return true; };
}

TEST_F(ConflictPanel, TheShowStartEmptiesTheList) {
    setup::setup_data.set_i16(SetupData::fixture_field(12, setup::kFixtureAddress), 57);
    open();
    ASSERT_EQ(setup::patch_conflict_count, 1);
    rig_.press(runtime::KEY_SETUP, setup_test::kLongHold_ms);
    rig_.press(runtime::KEY_DIGIT_2, 20);  // NOT SAVE
    rig_.run_ms(50);
    ASSERT_EQ(runtime::mode_flags & runtime::MODE_IN_SETUP, 0u);
    EXPECT_EQ(setup::patch_conflict_count, 1) << "kept until the next computation";
    runtime::init_fixture_tables();
    EXPECT_EQ(setup::patch_conflict_count, 0);
    EXPECT_TRUE(setup::patch_conflicts.empty());
}

TEST_F(ConflictPanel, TwelveEntriesPageElevenAndOneAndTheArrowsStopAtTheEnds) {
    open();
    // Record 12 multipatched onto the first slot of each other fixture, and
    // twice onto address 200: 11 pairs and one with itself.
    setup::SetupData& d = setup::setup_edit_copy;
    d.set_i16(SetupData::fixture_field(12, setup::kFixtureAddress), setup::kMultipatchAddress);
    setup::soft_patch_list.clear();
    for (int f = 1; f <= 11; ++f) {
        const setup::FixtureRecord r = fixture(f);
        setup::soft_patch_list.push_back({12, 1, r.card, r.address});
    }
    setup::soft_patch_list.push_back({12, 1, 1, 200});
    setup::soft_patch_list.push_back({12, 1, 1, 200});
    change_page_and_back();
    ASSERT_EQ(setup::patch_conflict_count, 12);
    struct Step {
        int16_t arrow_y;
        int page;
    };
    const Step steps[] = {{210, 0}, {415, 1}, {415, 1}, {210, 0}};
    for (const Step& s : steps) {
        platform::machine().graphics.clear_call_log();
        click(622, s.arrow_y);
        EXPECT_EQ(setup::conflict_list_page, s.page);
        EXPECT_EQ(setup_test::drawn("Fixt.12.1 F 1 Ad.1.200"), s.page == 1);
        EXPECT_EQ(setup_test::drawn("Fixt. 1.1 F 1 Ad.1. 1"), s.page == 0);
    }
}

}  // namespace
