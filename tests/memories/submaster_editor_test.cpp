// The submaster editor's membership rules and its cancel, which must put the
// stage back as well as the table.
#include "memories/submaster_editor.h"

#include <gtest/gtest.h>

#include "../programmer/programmer_test_rig.h"
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "memories/master_state.h"
#include "memories/masters.h"
#include "platform/graphics.h"
#include "playback/output_merge.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panels.h"

namespace {

using runtime::fixture_key;
using runtime::group_key;
using runtime::KEY_ESC;
using runtime::master_key;

constexpr int16_t kSub1Key = master_key(3);
constexpr int16_t kSub2Key = master_key(4);

class SubmasterEditor : public programmer_test::DemoRig {
protected:
    static uint8_t in_sub1(int f) { return memories::submaster_table[1][static_cast<size_t>(f)]; }
    // The members of SUB1 among the demo rig's 12 fixtures, as '1' and '.'.
    static std::string sub1() {
        std::string s;
        for (int f = 1; f <= 12; ++f) s += in_sub1(f) != 0 ? '1' : '.';
        return s;
    }
    // The fixture marker of key k on page 1 (fixture k on the demo rig).
    uint8_t marker(int k) const { return rig_.pixel(22 * ((k - 1) % 10) + 12, 18 * ((k - 1) / 10) + 13); }

    // Keys held and let go, 100 ms apart from t, while the console runs a
    // modal command the test starts; a key of the form {a, b} holds a and
    // presses b.
    uint32_t script(uint32_t t, std::initializer_list<std::vector<int16_t>> keys) {
        for (const std::vector<int16_t>& chord : keys) {
            for (int16_t key : chord) {
                rig_.at(t, [this, key] { rig_.hold(key); });
                t += 40;
            }
            for (auto it = chord.rbegin(); it != chord.rend(); ++it) {
                const int16_t key = *it;
                rig_.at(t, [this, key] { rig_.release(key); });
                t += 40;
            }
            t += 60;
        }
        return t;
    }
    // Something to note at a moment of the script.
    void at(uint32_t t, std::function<void()> note) { rig_.at(t, std::move(note)); }
};

TEST_F(SubmasterEditor, RangeJoinsUnlessEveryFixtureAlreadyBelongs) {
    runtime::fixture_page = 1;  // fixtures 1..12 on keys 1..12
    for (int f = 3; f <= 8; ++f) memories::submaster_table[1][static_cast<size_t>(f)] = 1;
    memories::toggle_submaster_range(1, 8, 3);  // either order
    for (int f = 3; f <= 8; ++f) EXPECT_EQ(in_sub1(f), 0) << f;
    memories::submaster_table[1][5] = 1;  // one belongs, the rest not
    memories::toggle_submaster_range(1, 3, 8);
    for (int f = 3; f <= 8; ++f) EXPECT_EQ(in_sub1(f), 1) << f;
    EXPECT_EQ(in_sub1(2), 0);
    EXPECT_EQ(in_sub1(9), 0);
    // A key past the page's fixtures counts as its last key.
    memories::toggle_submaster_range(1, 10, 70);
    EXPECT_EQ(in_sub1(12), 1);
    memories::set_submaster_page(1, 0);
    for (int f = 1; f <= 12; ++f) EXPECT_EQ(in_sub1(f), 0) << f;
    memories::toggle_submaster_range(3, 1, 2);  // no such submaster
    EXPECT_EQ(memories::submaster_table[2][1], 0);
}

// ESC puts back the membership and the stage; nothing is kept.
TEST_F(SubmasterEditor, CancelRestoresTheStageAndWritesNothing) {
    constexpr int16_t kDimmer11 = 145;  // fixture 11 on key 11, universe 2 address 57
    runtime::fixture_page = 1;
    rig_.set_master_fader(3, 0);  // SUB1 at 0
    runtime::layer_values[0][kDimmer11] = 200;
    playback::mark_channel_dirty(kDimmer11);
    rig_.run_ms(30);
    ASSERT_EQ(rig_.dmx(2, 57), 200);

    memories::begin_submaster_edit(1);
    memories::toggle_submaster_range(1, 11, 11);
    rig_.run_ms(30);
    EXPECT_EQ(rig_.dmx(2, 57), 0) << "the change shows at once";
    memories::cancel_submaster_edit(1);
    rig_.run_ms(30);
    EXPECT_EQ(in_sub1(11), 0);
    EXPECT_EQ(rig_.dmx(2, 57), 200) << "the cancelled membership leaves the stage too";
    EXPECT_EQ(memories::submaster_used[1], 0);
    EXPECT_EQ(memories::master_led_locked[3], 0);

    // Kept: the used flag follows.
    memories::begin_submaster_edit(1);
    memories::toggle_submaster_range(1, 11, 11);
    memories::keep_submaster_edit(1);
    EXPECT_EQ(memories::submaster_used[1], 1);
}

// A kept session: fixture keys, a range and a group join SUB1; while the
// editor runs its title box stands in the memory panel, the other
// submaster's LED tells its level, the programmer's group flags are parked
// and the page shows the members; on leaving, the file and used flag follow
// and the group flags, the flash key LED and the cue panel are back.
TEST_F(SubmasterEditor, AKeptSessionShowsItsMembersAndPutsTheScreenBack) {
    runtime::fixture_page = 1;
    programmer::group_table[1][7] = programmer::group_table[1][8] = 1;
    programmer::group_selected[3] = 1;  // the programmer's own selection
    memories::submaster_table[2][12] = 1;
    memories::update_submaster_used_flag(2);
    rig_.set_master_fader(3, 0);    // SUB1 dark
    rig_.set_master_fader(4, 100);  // SUB2 half way: colour 2
    rig_.run_ms(30);
    ASSERT_EQ(memories::master_levels[4], 100);

    struct During {
        uint8_t title_outer = 0, title_inner = 0, sub2_led = 0, esc_led = 0, flash_led = 0, key2_led = 0, key13_led = 0;
        uint8_t marker2 = 0, marker1 = 0, group1_led = 0;
        int group3_flag = -1, selected_master = 0;
        std::string message;
    } during;
    uint32_t t = script(100, {{fixture_key(2)}, {fixture_key(3), fixture_key(5)}, {group_key(1)}});
    at(t, [&] {
        during.title_outer = rig_.pixel(4, 284);
        during.title_inner = rig_.pixel(14, 290);
        during.sub2_led = rig_.key_led_state(kSub2Key);
        during.esc_led = rig_.key_led_state(KEY_ESC);
        during.flash_led = rig_.key_led_state(kSub1Key);
        during.key2_led = rig_.key_led_state(fixture_key(2));
        during.key13_led = rig_.key_led_state(fixture_key(13));
        during.marker2 = marker(2);
        during.marker1 = marker(1);
        during.group1_led = rig_.key_led_state(group_key(1));
        during.group3_flag = programmer::group_selected[3];
        during.selected_master = memories::selected_master;
        during.message = ui::current_message();
    });
    script(t + 50, {{kSub1Key}});
    memories::edit_master(1);
    rig_.run_ms(30);  // the LED ring is taken

    EXPECT_EQ(during.title_outer, 12);
    EXPECT_EQ(during.title_inner, 4);
    EXPECT_EQ(during.sub2_led, runtime::LED_ON_2);
    EXPECT_EQ(during.esc_led, runtime::LED_BLINK);
    EXPECT_EQ(during.flash_led, runtime::LED_ON_BOTH);
    EXPECT_EQ(during.key2_led, runtime::LED_ON_BOTH) << "a member";
    EXPECT_EQ(during.key13_led, runtime::LED_OFF) << "above the page's 12 fixtures";
    EXPECT_EQ(during.marker2, 0) << "a member's marker is black";
    EXPECT_EQ(during.marker1, programmer::fixture_stage_colour(1));
    EXPECT_EQ(during.group1_led, runtime::LED_ON_2) << "group 1 applied";
    EXPECT_EQ(during.group3_flag, 0) << "the programmer's groups are parked";
    EXPECT_EQ(during.selected_master, 3);
    EXPECT_EQ(during.message, "PROGRAM SUBMASTER (ESC=CANCEL)");

    EXPECT_EQ(sub1(), ".1111.11....");
    const std::vector<uint8_t> file = dir_.read_file("data/submast.dat");
    ASSERT_GE(file.size(), 12u + 12);
    EXPECT_EQ(file[12 + 1], 1) << "fixture 2 stored";
    EXPECT_EQ(file[12 + 7], 1) << "fixture 8 stored";
    EXPECT_EQ(memories::submaster_used[1], 1);
    EXPECT_EQ(programmer::group_selected[3], 1);
    EXPECT_EQ(programmer::group_selected[1], 0);
    EXPECT_EQ(rig_.key_led_state(group_key(1)), runtime::LED_OFF);
    EXPECT_EQ(rig_.key_led_state(group_key(3)), runtime::LED_ON_2);
    EXPECT_EQ(rig_.key_led_state(kSub1Key), runtime::LED_OFF) << "SUB1 is dark";
    EXPECT_EQ(rig_.key_led_state(KEY_ESC), runtime::LED_OFF);
    EXPECT_EQ(rig_.key_led_state(fixture_key(2)), runtime::LED_OFF) << "the normal look: not selected";
    EXPECT_EQ(marker(2), programmer::fixture_stage_colour(2));
    EXPECT_EQ(memories::master_led_locked[3], 0);
    // The cue panel is drawn again.
    std::vector<uint8_t> drawn;
    for (int y = 281; y <= 315; ++y) {
        for (int x = 1; x <= 221; ++x) drawn.push_back(rig_.pixel(x, y));
    }
    ui::draw_cue_panel();
    std::vector<uint8_t> redrawn;
    for (int y = 281; y <= 315; ++y) {
        for (int x = 1; x <= 221; ++x) redrawn.push_back(rig_.pixel(x, y));
    }
    EXPECT_TRUE(drawn == redrawn) << "the cue panel is not drawn again";
}

// ESC: the membership as it was, no file, and the flash key's LED by the
// submaster's level again (not left lit by the editor).
TEST_F(SubmasterEditor, EscPutsTheMembershipBackAndTheFlashKeyLedByItsLevel) {
    runtime::fixture_page = 1;
    memories::submaster_table[1][4] = 1;
    memories::update_submaster_used_flag(1);
    rig_.set_master_fader(3, 255);
    rig_.run_ms(30);
    const bool had_file = dir_.has_file("data/submast.dat");
    const std::vector<uint8_t> file_before = had_file ? dir_.read_file("data/submast.dat") : std::vector<uint8_t>{};
    script(100, {{runtime::KEY_NONE}, {KEY_ESC}});
    memories::edit_master(1);
    rig_.run_ms(30);  // the LED ring is taken
    EXPECT_EQ(sub1(), "...1........");
    EXPECT_EQ(dir_.has_file("data/submast.dat"), had_file);
    if (had_file) {
        EXPECT_EQ(dir_.read_file("data/submast.dat"), file_before) << "nothing written";
    }
    EXPECT_EQ(rig_.key_led_state(kSub1Key), runtime::LED_ON) << "SUB1 full: colour 1";

    rig_.set_master_fader(3, 0);
    rig_.run_ms(30);
    script(100, {{KEY_ESC}});
    memories::edit_master(1);
    rig_.run_ms(30);  // the LED ring is taken
    EXPECT_EQ(rig_.key_led_state(kSub1Key), runtime::LED_OFF) << "SUB1 dark";
}

// BANK UP shows page 2 (no fixtures on the demo rig: every key dark); BANK
// DOWN brings page 1 back with its members' LEDs.
TEST_F(SubmasterEditor, BankKeysShowTheOtherPageInTheEditingLook) {
    runtime::fixture_page = 1;
    memories::submaster_table[1][6] = 1;
    int16_t page_up = 0, page_down = 0;
    uint8_t key6_up = 9, key6_down = 9;
    uint32_t t = script(100, {{runtime::KEY_BANK_UP}});
    at(t, [&] {
        page_up = runtime::fixture_page;
        key6_up = rig_.key_led_state(fixture_key(6));
    });
    t = script(t + 50, {{runtime::KEY_BANK_DOWN}});
    at(t, [&] {
        page_down = runtime::fixture_page;
        key6_down = rig_.key_led_state(fixture_key(6));
    });
    script(t + 50, {{KEY_ESC}});
    memories::edit_master(1);
    rig_.run_ms(30);  // the LED ring is taken
    EXPECT_EQ(page_up, 2);
    EXPECT_EQ(key6_up, runtime::LED_OFF);
    EXPECT_EQ(page_down, 1);
    EXPECT_EQ(key6_down, runtime::LED_ON_BOTH);
}

// Groups applied to SUB2: a fixture of two applied groups stays while one of
// them is applied; in group bank 2 two group keys together apply the range.
TEST_F(SubmasterEditor, GroupsJoinAndLeaveByWhatStaysApplied) {
    runtime::fixture_page = 1;
    programmer::group_table[1][5] = programmer::group_table[2][5] = 1;
    programmer::group_table[1][1] = 1;
    programmer::group_table[18][9] = 1;
    programmer::group_selected.fill(0);
    auto sub2 = [](int f) { return memories::submaster_table[2][static_cast<size_t>(f)]; };

    script(100, {{group_key(1)}});
    memories::edit_submaster_groups(2, group_key(1));
    script(100, {{group_key(2)}});
    memories::edit_submaster_groups(2, group_key(2));
    EXPECT_EQ(sub2(1), 1);
    EXPECT_EQ(sub2(5), 1);
    script(100, {{group_key(1)}});
    memories::edit_submaster_groups(2, group_key(1));  // group 1 no longer applied
    EXPECT_EQ(sub2(1), 0);
    EXPECT_EQ(sub2(5), 1) << "group 2 still holds it";
    EXPECT_EQ(rig_.key_led_state(group_key(1)), runtime::LED_OFF);
    EXPECT_EQ(rig_.key_led_state(group_key(2)), runtime::LED_ON_2);

    memories::edit_submaster_groups(2, runtime::KEY_GROUP_BANK);
    ASSERT_EQ(runtime::group_bank, 2);
    script(100, {{group_key(1), group_key(3)}});
    memories::edit_submaster_groups(2, group_key(1));
    for (int g = 17; g <= 19; ++g) EXPECT_EQ(programmer::group_selected[static_cast<size_t>(g)], 1) << g;
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(rig_.key_led_state(group_key(k)), runtime::LED_ON_2) << k;
    EXPECT_EQ(rig_.key_led_state(group_key(4)), runtime::LED_OFF);
    EXPECT_EQ(sub2(9), 1) << "group 18's member";

    // Another key first ends the handler with no change.
    script(100, {{runtime::KEY_ALL}});
    memories::edit_submaster_groups(2, group_key(5));
    EXPECT_EQ(programmer::group_selected[21], 0);
}

// A fixture's cell: a member while editing black with both LED colours; else
// its stage colour, its LED green only in the normal look when selected; a
// fixture of another page draws nothing.
TEST_F(SubmasterEditor, CellsShowMembershipWhileEditingAndSelectionAfter) {
    runtime::fixture_page = 1;
    memories::submaster_table[1][3] = 1;
    programmer::fixture_selected[4] = programmer::fixture_selected[3] = 1;
    struct Case {
        int fixture;
        uint8_t mode;
        bool black;
        uint8_t led;
    };
    const Case cases[] = {
        {3, 0, true, runtime::LED_ON_BOTH}, {3, 1, false, runtime::LED_ON_2}, {4, 0, false, runtime::LED_OFF},
        {4, 1, false, runtime::LED_ON_2},   {5, 1, false, runtime::LED_OFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fixture " << c.fixture << " mode " << int{c.mode});
        memories::draw_submaster_cell(1, static_cast<int16_t>(c.fixture), c.mode);
        rig_.run_ms(10);
        EXPECT_EQ(marker(c.fixture), c.black ? 0 : programmer::fixture_stage_colour(static_cast<int16_t>(c.fixture)));
        EXPECT_EQ(rig_.key_led_state(fixture_key(c.fixture)), c.led);
    }
    runtime::fixture_page = 2;
    ui::fill_box(0, 0, 221, 220, 1);
    memories::draw_submaster_cell(1, 3, 0);
    EXPECT_EQ(marker(3), 1) << "fixture 3 is not on page 2";
}

}  // namespace
