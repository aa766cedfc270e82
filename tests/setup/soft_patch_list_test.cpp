// The soft patch list's operations on lists made in memory: the three
// delete modes (each also dropping the entries marked removed), the purge
// of a killed fixture's entries, the look-up of a fixture's dimmer or
// block, and the start-address rule of a split entry's conflict.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "setup/soft_patch.h"

namespace {

using setup::SoftPatchEntry;
using Entries = std::vector<SoftPatchEntry>;

class SoftPatchListOps : public ::testing::Test {
protected:
    void TearDown() override { setup::soft_patch_list.clear(); }
};

TEST_F(SoftPatchListOps, EveryDeleteModeDropsTheRemovedEntries) {
    // Fixture 3's function 2 has 13 entries: 11 on page 0, 2 on page 1.
    Entries base;
    for (int16_t a = 1; a <= 13; ++a) base.push_back({3, 2, 1, a});
    base.insert(base.begin() + 4, {5, -100, 1, 99});
    base.push_back({3, 1, 2, 7});
    base.push_back({4, 2, 1, 1});
    struct Case {
        const char* what;
        int mode;
        int row;
        int page;
        bool changed;
        std::vector<int16_t> gone;  // addresses of fixture 3 function 2 removed
    };
    const Case cases[] = {
        {"mode 0: row 12 on page 1", 0, 12, 1, true, {12}},
        {"mode 0: row 2 on page 0", 0, 2, 0, true, {2}},
        {"mode 0: row 2 is not on page 1", 0, 2, 1, false, {}},
        {"mode 0: no row", 0, 0, 0, false, {}},
        {"mode 1: the function's every entry", 1, 0, 0, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
        {"mode 2: only the removed ones", 2, 0, 0, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setup::soft_patch_list = base;
        const int selected = c.mode == 0 ? setup::soft_patch_row_entry(3, 2, c.row, c.page) : -1;
        EXPECT_EQ(setup::delete_soft_patch_entries(3, 2, c.mode, selected), c.changed);
        Entries expected;
        for (const SoftPatchEntry& e : base) {
            if (!c.changed) {
                expected.push_back(e);
                continue;
            }
            const bool gone = e.function == -100 || (e.fixture == 3 && e.function == 2 &&
                                                     std::find(c.gone.begin(), c.gone.end(), e.address) != c.gone.end());
            if (!gone) expected.push_back(e);
        }
        EXPECT_EQ(setup::soft_patch_list, expected);
    }
}

TEST_F(SoftPatchListOps, ThePurgeDropsTheKilledFixturesEntriesOnly) {
    setup::soft_patch_list = {{1, 1, 1, 1}, {-10, 1, 1, 2}, {2, 50, 1, 3}, {-10, 104, 1, 4}, {2, 101, 1, 4}};
    setup::purge_killed_soft_patch_entries();
    EXPECT_EQ(setup::soft_patch_list, (Entries{{1, 1, 1, 1}, {2, 50, 1, 3}, {2, 101, 1, 4}}));
}

TEST_F(SoftPatchListOps, WithoutMemoryADeleteKeepsTheList) {
    setup::soft_patch_list = {{1, 1, 1, 1}, {1, 1, 1, 2}, {1, 2, 1, 3}};
    setup::setup_list_memory = [](size_t) { return false; };
    EXPECT_FALSE(setup::delete_soft_patch_entries(1, 1, 1, -1));
    EXPECT_EQ(setup::soft_patch_list.size(), 3u);
    EXPECT_FALSE(setup::append_list_entry(setup::soft_patch_list, SoftPatchEntry{2, 1, 1, 9}));
    EXPECT_EQ(setup::soft_patch_list.size(), 3u);
    setup::setup_list_memory = [](size_t) { return true; };
}

TEST_F(SoftPatchListOps, TheLookUpFindsTheDimmerOrAnyBlockAndPresetsNone) {
    setup::soft_patch_list = {{1, 50, 2, 10}, {2, 106, 1, 20}, {2, 50, 1, 19}};
    int16_t function = 101;
    uint8_t card = 0;
    int16_t address = 0;
    EXPECT_EQ(setup::find_soft_patch_entry(2, function, card, address), 1);
    EXPECT_EQ(function, 106);
    EXPECT_EQ(card, 1);
    EXPECT_EQ(address, 20);
    function = 101;
    EXPECT_EQ(setup::find_soft_patch_entry(1, function, card, address), -1);
    EXPECT_EQ(card, 100);
    EXPECT_EQ(address, -1);
}

TEST_F(SoftPatchListOps, ASplitEntryConflictsOnlyWithAnotherFixturesEqualStart) {
    setup::soft_patch_list = {{1, 50, 1, 10}, {1, 104, 1, 11}, {2, 50, 1, 12}, {2, 104, 1, 20}};
    struct Case {
        int16_t fixture;
        int16_t function;
        int16_t address;
        int conflict;
    };
    const Case cases[] = {
        {1, 50, 11, -1},   // into its own block
        {1, 104, 12, 2},   // onto fixture 2's dimmer
        {1, 104, 19, -1},  // over fixture 2's block start, not at it
        {2, 50, 10, 0},
    };
    for (const Case& c : cases) {
        const int own = setup::last_soft_patch_entry(c.fixture, c.function);
        EXPECT_EQ(setup::split_patch_conflict(own, c.fixture, 1, c.address), c.conflict) << c.fixture << " " << c.address;
    }
}

}  // namespace
