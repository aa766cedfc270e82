// The fixture selection on the demo rig (12 fixtures on page 1): key ranges,
// the current fixture after deselection, the edited type and the freeze
// flags.
#include "programmer/fixture_selection.h"

#include <gtest/gtest.h>

#include "programmer/fader_panel.h"
#include "programmer/programmer_values.h"
#include "programmer_test_rig.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"

namespace {

using programmer::fixture_selected;

class Selection : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        ASSERT_EQ(runtime::fixture_bank_counts[1], 12);
        runtime::fixture_page = 1;
    }
    static std::string selected() {
        std::string s;
        for (int n = 1; n <= 12; ++n) s += fixture_selected[n] == 1 ? '1' : '.';
        return s;
    }
};

TEST_F(Selection, KeyRangesSelectAndDeselect) {
    struct Step {
        int16_t key_a;
        int16_t key_b;
        const char* after;
        int16_t current;
    };
    // Key 40 on a page of 12 stands for key 12; the order of the keys does
    // not matter; a range all selected is deselected.
    const Step steps[] = {
        {3, 40, "..1111111111", 12},
        {3, 40, "............", -1},
        {5, 2, ".1111.......", 5},
        {2, 5, "............", -1},
        {1, 2, "11..........", 2},
        {4, 6, "11.111......", 6},   // a current fixture outside the range gives way to its end
        {4, 6, "11..........", 2},   // and comes back to the last selected key
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.key_a << "+" << s.key_b);
        programmer::apply_fixture_key_range(s.key_a, s.key_b);
        EXPECT_EQ(selected(), s.after);
        EXPECT_EQ(runtime::current_fixture, s.current);
    }
    EXPECT_EQ(runtime::current_fixture_type, 0);
    programmer::deselect_fixture_range(1, 2);
    EXPECT_EQ(runtime::current_fixture_type, -1);
    EXPECT_EQ(runtime::function_count, 0);
}

TEST_F(Selection, KeyRangeSelectsTheKeyedFixturesWhateverTheirPatchOrder) {
    // Keys 2 and 10 swap their fixtures: keys 1..3 carry patch indexes 1, 10, 3.
    std::swap(runtime::fixture_bank_keys[1][2], runtime::fixture_bank_keys[1][10]);
    programmer::apply_fixture_key_range(1, 3);
    EXPECT_EQ(selected(), "1.1......1..");
    // All three keyed fixtures are selected, so the same keys deselect them.
    programmer::apply_fixture_key_range(3, 1);
    EXPECT_EQ(selected(), "............");
}

TEST_F(Selection, KeysOnAnEmptyPageDoNothing) {
    runtime::fixture_page = 4;
    programmer::apply_fixture_key_range(1, 5);
    EXPECT_EQ(selected(), "............");
}

TEST_F(Selection, AllAndNone) {
    programmer::select_all_fixtures();
    EXPECT_EQ(selected(), "111111111111");
    EXPECT_EQ(runtime::current_fixture, 12);
    EXPECT_EQ(runtime::current_fixture_type, 2);  // the dimmer
    programmer::deselect_all_fixtures();
    EXPECT_EQ(selected(), "............");
    EXPECT_EQ(runtime::current_fixture, -1);
}

TEST_F(Selection, NewCurrentFixturePrefersTheCurrentType) {
    programmer::select_fixture_range(1, 12);
    programmer::make_fixture_current(5);  // a wash
    ASSERT_EQ(runtime::current_fixture_type, 1);
    programmer::deselect_fixture_range(5, 5);
    // Searched from the last key down: fixture 10 is the last wash.
    EXPECT_EQ(runtime::current_fixture, 10);
    programmer::deselect_fixture_range(6, 10);
    EXPECT_EQ(runtime::current_fixture, 12);
}

TEST_F(Selection, CurrentFixtureStaysWhenTheOthersLieOnAFarPage) {
    // Fixtures 1..10 on page 1, 11 and 12 on page 5; page 3 is shown.
    runtime::fixture_bank_counts[1] = 10;
    runtime::fixture_bank_counts[5] = 2;
    runtime::fixture_bank_keys[5][1] = 10;
    runtime::fixture_bank_keys[5][2] = 11;
    programmer::select_fixture_range(11, 12);
    programmer::select_fixture_range(1, 1);
    ASSERT_EQ(runtime::current_fixture, 1);
    runtime::fixture_page = 3;
    programmer::deselect_fixture_range(1, 1);
    EXPECT_EQ(runtime::current_fixture, 1);
    EXPECT_EQ(selected(), "..........11");
}

TEST_F(Selection, EditedTypeCarriesTheSelectedFunction) {
    programmer::select_fixture_range(1, 1);  // a spot
    ASSERT_EQ(runtime::current_fixture_type, 0);
    EXPECT_EQ(runtime::function_count, 16);
    runtime::selected_function = 14;  // the spot's intensity
    programmer::make_fixture_current(5);  // the wash's intensity is function 11
    EXPECT_EQ(runtime::current_fixture_type, 1);
    EXPECT_EQ(runtime::function_count, 12);
    EXPECT_EQ(runtime::function_page, 1);
    EXPECT_EQ(runtime::selected_fader_bank0, 11);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT, 0u);

    // Without a counterpart: the type's remembered page and fader, clamped
    // to its functions; pan and tilt give the trackerball to them.
    runtime::selected_function = 6;  // the wash's magenta: no slot on the spot
    programmer::remembered_page[1] = 1;
    programmer::remembered_fader[1] = 9;
    programmer::make_fixture_current(1);
    EXPECT_EQ(runtime::selected_fader_bank0, 9);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT, 0u);

    // A dimmer has no pan and tilt: the figure bank is left; page 2 fader 16
    // lies beyond its one function.
    runtime::selected_function = 0;
    runtime::fader_bank = 2;
    programmer::remembered_page[3] = 2;
    programmer::remembered_fader[3] = 16;
    programmer::make_fixture_current(11);
    EXPECT_EQ(runtime::current_fixture_type, 2);
    EXPECT_EQ(runtime::fader_bank, 0);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT, 0u);
    EXPECT_EQ(runtime::function_page, 1);
    EXPECT_EQ(runtime::selected_fader_bank0, 1);
}

TEST_F(Selection, FreezeSwitchesHoldTheFixturesChannels) {
    programmer::fixture_freeze[2] = 1;
    programmer::apply_fixture_freeze_flags();
    EXPECT_NE(runtime::channel_flags[17] & runtime::FLAG_FROZEN, 0);
    EXPECT_NE(runtime::channel_flags[32] & runtime::FLAG_FROZEN, 0);
    EXPECT_EQ(runtime::channel_flags[16] & runtime::FLAG_FROZEN, 0);
    EXPECT_EQ(runtime::channel_flags[33] & runtime::FLAG_FROZEN, 0);
    EXPECT_NE(runtime::generator_flags[16 * 6 + 1] & runtime::FLAG_FROZEN, 0);
    EXPECT_NE(runtime::figure_flags[10 + 10] & runtime::FLAG_FROZEN, 0);
    EXPECT_EQ(runtime::figure_flags[10] & runtime::FLAG_FROZEN, 0);
    // A frozen fixture's output keeps its level.
    programmer::edit_function_value(17 + 13, 255);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 17 + 13), 0);
    programmer::fixture_freeze[2] = 0;
    programmer::apply_fixture_freeze_flags();
    EXPECT_EQ(runtime::channel_flags[17] & runtime::FLAG_FROZEN, 0);
    programmer::edit_function_value(17 + 13, 255);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 17 + 13), 255);
    programmer::fixture_freeze.fill(0);
}

TEST_F(Selection, TheTimingBankTimesPanAndTiltOnThePanChannel) {
    struct Case {
        const char* what;
        uint8_t remembered_fader;
        int16_t selected_function;
    };
    const Case cases[] = {
        {"the intensity keeps its channel", 14, 14},
        {"tilt fine is timed on the pan channel", 4, 1},
        {"pan fine too", 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        programmer::deselect_fixture_range(1, 12);
        runtime::fader_bank = programmer::kTimingBank;
        runtime::selected_function = 0;
        runtime::selected_fader_bank3 = 1;
        programmer::remembered_page[1] = 1;
        programmer::remembered_fader[1] = c.remembered_fader;
        programmer::select_fixture_range(1, 1);
        EXPECT_EQ(runtime::selected_function, c.selected_function);
        EXPECT_EQ(runtime::selected_fader_bank0, c.selected_function);
        EXPECT_EQ(runtime::selected_function_type, 0);
        EXPECT_EQ(runtime::selected_fader_bank3, 2) << "the first time fader";
    }
}

}  // namespace
