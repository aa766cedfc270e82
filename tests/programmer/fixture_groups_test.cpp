// The group keys as the operator uses them on the demo rig (12 fixtures on
// keys 1..12 of page 1): stores with a group key and STORE and with STORE
// held, taps that toggle, two-key ranges in both banks, shared members, the
// key LEDs, the name list, and the groups file kept across a restart.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "programmer/fixture_groups.h"
#include "programmer/fixture_selection.h"
#include "programmer_test_rig.h"
#include "rig/clean_start.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/config_records.h"
#include "runtime/key_leds.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"

namespace {

using programmer::fixture_selected;
using programmer::group_selected;
using programmer::group_table;
using runtime::group_key;
using runtime::KEY_GROUP_BANK;
using runtime::KEY_GROUP_STORE;

constexpr size_t kGroupsFileNames = 12 + 32 * 700;

std::string selection_of(const std::array<uint8_t, programmer::kFixtures + 1>& table) {
    std::string s;
    for (size_t n = 1; n <= 12; ++n) s += table[n] == 1 ? '1' : '.';
    return s;
}

std::string members(int g) {
    std::string s;
    for (size_t n = 1; n <= 12; ++n) s += group_table[static_cast<size_t>(g)][n] == 1 ? '1' : '.';
    return s;
}

uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }

class FixtureGroups : public programmer_test::DemoRig {
protected:
    std::string selected() const { return selection_of(fixture_selected); }
    // Holds key a, presses key b, lets a go.
    void range(int16_t a, int16_t b) {
        rig_.hold(a, 50);
        rig_.press(b);
        rig_.release(a, 50);
    }
    // Selects exactly the fixtures on keys first..last (none when 0).
    void select_keys(int16_t first, int16_t last) {
        rig_.press(runtime::KEY_NONE);
        if (first == 0) return;
        if (first == last) {
            rig_.press(runtime::fixture_key(first));
        } else {
            range(runtime::fixture_key(first), runtime::fixture_key(last));
        }
    }
    // Holds group key k, presses STORE.
    void store_into_key(int k) { range(group_key(k), KEY_GROUP_STORE); }
    std::vector<uint8_t> groups_file() const { return dir_.read_file("data/groups.dat"); }
};

TEST_F(FixtureGroups, GroupKeyAndStoreStoresTheSelectionAndATapTogglesIt) {
    select_keys(2, 4);
    store_into_key(1);
    EXPECT_EQ(members(1), ".111........");
    EXPECT_EQ(programmer::group_used[1], 1);
    // The file holds the membership at once: fixture n of group 1 at 12 + n - 1.
    const std::vector<uint8_t> file = groups_file();
    ASSERT_EQ(file.size(), 22764u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 12), "VERSION 6.30");
    EXPECT_EQ(file[12 + 0], 0);
    EXPECT_EQ(file[12 + 1], 1);
    EXPECT_EQ(file[12 + 3], 1);
    EXPECT_EQ(file[12 + 4], 0);
    EXPECT_EQ(led(KEY_GROUP_STORE), runtime::LED_OFF);
    // Storing is no selection of the group.
    EXPECT_EQ(group_selected[1], 0);

    select_keys(0, 0);
    ASSERT_EQ(selected(), "............");
    rig_.press(group_key(1));
    EXPECT_EQ(selected(), ".111........");
    EXPECT_EQ(group_selected[1], 1);
    EXPECT_EQ(led(group_key(1)), runtime::LED_ON_2);
    EXPECT_EQ(runtime::current_fixture, 4);  // the member with the highest patch index

    rig_.press(group_key(1));
    EXPECT_EQ(selected(), "............");
    EXPECT_EQ(group_selected[1], 0);
    EXPECT_EQ(led(group_key(1)), runtime::LED_OFF);
    EXPECT_EQ(runtime::current_fixture, -1);
    EXPECT_EQ(runtime::current_fixture_type, -1);
}

TEST_F(FixtureGroups, DeselectingAGroupKeepsMembersOfAnotherSelectedGroup) {
    select_keys(1, 3);
    store_into_key(1);  // 1..3
    select_keys(3, 5);
    store_into_key(2);  // 3..5
    select_keys(0, 0);
    rig_.press(group_key(1));
    rig_.press(group_key(2));
    ASSERT_EQ(selected(), "11111.......");
    rig_.press(group_key(2));
    EXPECT_EQ(selected(), "111.........") << "fixture 3 is still in the selected group 1";
    EXPECT_EQ(runtime::current_fixture, 3);
    // Deselecting group 1 takes its members and leaves a fixture selected by
    // hand that is no member of it.
    rig_.press(runtime::fixture_key(5));
    rig_.press(group_key(1));
    EXPECT_EQ(selected(), "....1.......");
    EXPECT_EQ(runtime::current_fixture, 5);
}

TEST_F(FixtureGroups, DeselectingTheCurrentFixtureMovesCurrentToTheHighestOfTheCurrentType) {
    // Group 1: a spot (1) and a wash (5); group 2: the spot 2 and the wash 6.
    for (int n : {1, 5}) group_table[1][static_cast<size_t>(n)] = 1;
    for (int n : {2, 6}) group_table[2][static_cast<size_t>(n)] = 1;
    rig_.press(group_key(1));
    rig_.press(group_key(2));
    ASSERT_EQ(runtime::current_fixture, 6);
    const int16_t wash_type = runtime::current_fixture_type;
    rig_.press(group_key(2));
    EXPECT_EQ(selected(), "1...1.......");
    EXPECT_EQ(runtime::current_fixture, 5) << "a wash like the fixture that left, not the spot 1";
    EXPECT_EQ(runtime::current_fixture_type, wash_type);
}

TEST_F(FixtureGroups, TwoGroupKeysActOnTheRangeOfTheBankShown) {
    group_table[18][7] = 1;
    group_table[19][9] = 1;
    rig_.press(KEY_GROUP_BANK);
    EXPECT_EQ(runtime::group_bank, 2);
    EXPECT_EQ(led(KEY_GROUP_BANK), runtime::LED_ON);
    range(group_key(3), group_key(1));
    for (int g = 17; g <= 19; ++g) EXPECT_EQ(group_selected[static_cast<size_t>(g)], 1) << "group " << g;
    EXPECT_EQ(group_selected[20], 0);
    EXPECT_EQ(group_selected[1] + group_selected[2] + group_selected[3], 0);
    EXPECT_EQ(selected(), "......1.1...");
    EXPECT_EQ(runtime::current_fixture, 9);  // highest member of the highest group with members
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(led(group_key(k)), runtime::LED_ON_2);
    // The same range again, all selected: deselected.
    range(group_key(1), group_key(3));
    for (int g = 17; g <= 19; ++g) EXPECT_EQ(group_selected[static_cast<size_t>(g)], 0);
    EXPECT_EQ(selected(), "............");
    // Back to bank 1: its LEDs show bank 1's groups.
    rig_.press(KEY_GROUP_BANK);
    EXPECT_EQ(runtime::group_bank, 1);
    EXPECT_EQ(led(KEY_GROUP_BANK), runtime::LED_OFF);
}

TEST_F(FixtureGroups, AnEmptyGroupIsMarkedSelectedAndChangesNoFixture) {
    rig_.press(runtime::fixture_key(2));
    rig_.press(group_key(5));
    EXPECT_EQ(group_selected[5], 1);
    EXPECT_EQ(led(group_key(5)), runtime::LED_ON_2);
    EXPECT_EQ(selected(), ".1..........");
    EXPECT_EQ(runtime::current_fixture, 2);
}

TEST_F(FixtureGroups, StoreHeldStoresTheSelectionIntoEveryGroupKeyPressed) {
    group_table[4][12] = 1;  // used before, so it blinks in the second colour
    select_keys(6, 7);
    rig_.hold(KEY_GROUP_STORE, 50);
    EXPECT_EQ(led(KEY_GROUP_STORE), runtime::LED_ON);
    EXPECT_EQ(led(group_key(4)), runtime::LED_BLINK_2);
    EXPECT_EQ(led(group_key(2)), runtime::LED_BLINK_BOTH);
    rig_.press(group_key(2));
    rig_.press(group_key(4));
    EXPECT_EQ(led(group_key(2)), runtime::LED_BLINK_2) << "now used";
    rig_.release(KEY_GROUP_STORE, 50);
    EXPECT_EQ(members(2), ".....11.....");
    EXPECT_EQ(members(4), ".....11.....");
    EXPECT_EQ(led(KEY_GROUP_STORE), runtime::LED_OFF);
    EXPECT_EQ(led(group_key(2)), runtime::LED_OFF);
    EXPECT_EQ(led(group_key(4)), runtime::LED_OFF);
    // ESC ends the store as well: a group key pressed after it stores nothing.
    rig_.hold(KEY_GROUP_STORE, 50);
    rig_.press(runtime::KEY_ESC);
    rig_.press(group_key(9));
    rig_.release(KEY_GROUP_STORE, 50);
    EXPECT_EQ(members(9), "............");
}

TEST_F(FixtureGroups, StoringAnEmptySelectionEmptiesTheGroupAndClearsItsName) {
    group_table[3][1] = 1;
    std::strcpy(programmer::group_names[3].data(), "FRONT");
    select_keys(0, 0);
    store_into_key(3);
    EXPECT_EQ(members(3), "............");
    EXPECT_EQ(programmer::group_used[3], 0);
    EXPECT_EQ(programmer::group_names[3][0], '\0');
    const std::vector<uint8_t> file = groups_file();
    ASSERT_EQ(file.size(), 22764u);
    EXPECT_EQ(file[kGroupsFileNames + 2 * 11], 0) << "the name is gone from the file too";
}

TEST_F(FixtureGroups, StoringIntoAnUnnamedGroupAsksItsNameWhenTheShowSaysSo) {
    setup::setup_data.set_u8(setup::kSetupGroupKeyOption, 1);
    select_keys(1, 1);
    rig_.hold(KEY_GROUP_STORE, 50);
    rig_.press(group_key(6));
    EXPECT_EQ(std::string(ui::current_message()), "GIVE THE NAME OF GROUP 6");
    rig_.type("truss\r");
    rig_.run_ms(400);
    rig_.release(KEY_GROUP_STORE, 50);
    EXPECT_STREQ(programmer::group_names[6].data(), "TRUSS");
    EXPECT_EQ(members(6), "1...........");
    const std::vector<uint8_t> file = groups_file();
    ASSERT_EQ(file.size(), 22764u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data() + kGroupsFileNames + 5 * 11)), "TRUSS");
}

TEST_F(FixtureGroups, TheNameDialogKeepsTheOldNameWhenCancelledAndRefusesABadGroup) {
    std::strcpy(programmer::group_names[2].data(), "SIDE");
    rig_.at(100, [this] { rig_.type("\x1b"); });
    programmer::edit_group_names(2);
    EXPECT_STREQ(programmer::group_names[2].data(), "SIDE");
    rig_.at(100, [this] { rig_.type("ABCDEFGHIJKL\r"); });
    programmer::edit_group_names(2);
    EXPECT_STREQ(programmer::group_names[2].data(), "ABCDEFGHIJ") << "at most 10 characters";
    programmer::edit_group_names(33);
    EXPECT_STREQ(programmer::group_names[2].data(), "ABCDEFGHIJ");
}

TEST_F(FixtureGroups, NoneClearsTheSelectedGroups) {
    group_table[1][1] = 1;
    rig_.press(group_key(1));
    ASSERT_EQ(group_selected[1], 1);
    rig_.press(runtime::KEY_NONE);
    EXPECT_EQ(group_selected[1], 0);
    EXPECT_EQ(led(group_key(1)), runtime::LED_OFF);
}

TEST(FixtureGroupsRestart, GroupsAndNamesSurviveARestart) {
    rig::ProgramDir dir = rig::ProgramDir::demo();
    setup_test::lay_out_demo_rig(dir);
    {
        rig::Rig rig;
        rig::start_console(rig, dir);
        programmer::fixture_selected.fill(0);
        rig.press(runtime::fixture_key(11));
        rig.hold(group_key(16), 50);
        rig.press(KEY_GROUP_STORE);
        rig.release(group_key(16), 50);
        rig.at(100, [&rig] { rig.type("dimmers\r"); });
        programmer::edit_group_names(16);
    }
    rig::reset_global_state();
    {
        rig::Rig rig;
        rig::start_console(rig, dir);
        EXPECT_EQ(members(16), "..........1.");
        EXPECT_STREQ(programmer::group_names[16].data(), "DIMMERS");
    }
}

}  // namespace
