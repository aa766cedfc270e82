// The submaster editor's membership rules and its cancel, which must put the
// stage back as well as the table.
#include "memories/submaster_editor.h"

#include <gtest/gtest.h>

#include "../programmer/programmer_test_rig.h"
#include "memories/master_state.h"
#include "playback/output_merge.h"
#include "runtime/console_state.h"
#include "runtime/show_tables.h"

namespace {

class SubmasterEditor : public programmer_test::DemoRig {
protected:
    static uint8_t in_sub1(int f) { return memories::submaster_table[1][static_cast<size_t>(f)]; }
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

}  // namespace
