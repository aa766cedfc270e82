// The multi-fixture edit on the demo rig: relative and absolute edits over
// the selection, overflow beyond the limits, the fan shapes, 16-bit pairs,
// orientation and inversion, and the entries meant for the current fixture.
#include "programmer/attribute_delta.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "programmer_edit_rig.h"
#include "runtime/step_log.h"
#include "ui/fader_widget.h"

namespace {

using programmer::apply_delta_to_selected_functions;
using programmer::kDeltaPlainPath;
using programmer::kEditAbsolute;
using programmer::kEditFan;
using programmer::kEditRelative;

class Delta : public programmer_test::EditRig {};

constexpr int16_t kPan = 1, kPanFine = 2, kTilt = 3, kGobo = 6, kGoboRotation = 7;

TEST_F(Delta, RelativePanKeepsTheOverflowAndComesBack) {
    // Washes 5 (current, pan 100) and 6 (pan 250), neither inverted.
    set_resolution(8);
    set_edit_mode(kEditRelative);
    select({5, 6});
    set(programmer_test::kWash5Pan, 100);
    set(programmer_test::kWash6Pan, 250);
    fader(kPan).value = 100;

    EXPECT_EQ(apply_delta_to_selected_functions(kPan, -20, 1, 1, 1), kDeltaPlainPath);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 120);
    EXPECT_EQ(value(programmer_test::kWash6Pan), 255);
    EXPECT_EQ(programmer::limit_overflow(programmer_test::kWash6Pan), -15);
    EXPECT_EQ(fader(kPan).value, 120);

    apply_delta_to_selected_functions(kPan, 20, 1, 1, 1);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 100);
    EXPECT_EQ(value(programmer_test::kWash6Pan), 250);
    EXPECT_EQ(programmer::limit_overflow(programmer_test::kWash6Pan), 0);

    // The edit reaches the stage: pan of wash 5 at 65, of wash 6 at 77.
    rig_.run_ms(20);
    EXPECT_EQ(rig_.dmx(1, 65), 100);
    EXPECT_EQ(rig_.dmx(1, 77), 250);
}

TEST_F(Delta, RaisesAreIgnoredOnceEveryFixtureHoldsTheLimit) {
    set_resolution(8);
    set_edit_mode(kEditRelative);
    select({5, 6});
    set(programmer_test::kWash5Pan, 250);
    set(programmer_test::kWash6Pan, 250);
    fader(kPan).value = 250;
    apply_delta_to_selected_functions(kPan, -10, 1, 1, 1);
    ASSERT_EQ(value(programmer_test::kWash6Pan), 255);
    EXPECT_EQ(programmer::pan_limit_direction, 1);
    EXPECT_EQ(programmer::limit_overflow(programmer_test::kWash6Pan), -5);

    // A further raise is dropped: nothing moves, the overflow stays.
    apply_delta_to_selected_functions(kPan, -30, 1, 1, 1);
    EXPECT_EQ(programmer::limit_overflow(programmer_test::kWash6Pan), -5);
    EXPECT_EQ(fader(kPan).value, 255);

    // Lowering by 10 gives back the 5 held in the overflow first.
    apply_delta_to_selected_functions(kPan, 10, 1, 1, 1);
    EXPECT_EQ(value(programmer_test::kWash6Pan), 250);
    EXPECT_EQ(programmer::pan_limit_direction, 0);
}

TEST_F(Delta, PanFollowsOrientationAndInversion) {
    // Wash 5 is current; the other fixture's pan moves as its mounting says.
    struct Case {
        const char* name;
        int16_t other;
        int16_t other_channel;  // the channel the edit reaches on it
        int expected;           // from 100, fader raised by 10
    };
    const Case cases[] = {
        {"same orientation", 6, kPan, 110},
        {"pan inverted (orientation 0)", 9, kPan, 90},
        {"pan and tilt swapped (orientation 1)", 3, kTilt, 110},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        set_resolution(8);
        set_edit_mode(kEditRelative);
        select({5, c.other});
        const int16_t other = record(c.other, c.other_channel);
        set(programmer_test::kWash5Pan, 100);
        set(other, 100);
        fader(kPan).value = 100;
        apply_delta_to_selected_functions(kPan, -10, 1, 1, 1);
        EXPECT_EQ(value(programmer_test::kWash5Pan), 110);
        EXPECT_EQ(value(other), c.expected);
    }
}

TEST_F(Delta, AbsoluteEditGivesEveryFixtureTheFaderPosition) {
    // The gobo rotation of three spots: absolute whatever the mode outside the fan.
    set_edit_mode(kEditRelative);
    select({1, 2, 7});
    set(record(2, kGoboRotation), 10);
    set(record(7, kGoboRotation), 200);
    fader(kGoboRotation).value = 50;
    apply_delta_to_selected_functions(kGoboRotation, -20, 1, 1, 1);
    for (int16_t f : {1, 2, 7}) EXPECT_EQ(value(record(f, kGoboRotation)), 70) << "fixture " << f;
}

TEST_F(Delta, EntryForTheCurrentFixtureOnlyMovesTheFaderAlone) {
    // Gobo value 100 is "SHAKE", flagged for the current fixture only.
    set_edit_mode(kEditAbsolute);
    select({1, 2});
    set(record(1, kGobo), 4);
    set(record(2, kGobo), 4);
    fader(kGobo).value = 44;
    runtime::clear_step_log();
    apply_delta_to_selected_functions(kGobo, -56, programmer::kSelectionUnlessCurrentOnly, 1, 1);
    EXPECT_EQ(fader(kGobo).value, 100);
    EXPECT_STREQ(fader(kGobo).label.data(), "SHAKE");
    // The gobo's fader (slot 6) shows the entry in the current-fixture colour, and nothing else is called.
    const ui::FaderWidget& widget = ui::function_fader_widgets[6];
    EXPECT_STREQ(widget.label.data(), "SHAKE");
    EXPECT_EQ(widget.label_colour, 11);
    EXPECT_EQ(runtime::logged_calls(), std::vector<std::string>{});
    EXPECT_EQ(value(record(1, kGobo)), 4);
    EXPECT_EQ(value(record(2, kGobo)), 4);

    // Selection mode 2 (the keypad) writes it all the same.
    fader(kGobo).value = 100;
    apply_delta_to_selected_functions(kGobo, 0, programmer::kSelectionAlways, 0, 0);
    EXPECT_EQ(value(record(1, kGobo)), 100);
    EXPECT_EQ(value(record(2, kGobo)), 100);
}

TEST_F(Delta, LongEntryTextsAreCutToTheLabel) {
    // Gobo value 44 is "HALF MOON": nine characters for a label of eight.
    set_edit_mode(kEditAbsolute);
    select({1});
    fader(kGobo).value = 40;
    fader(kGobo).label.fill('#');
    apply_delta_to_selected_functions(kGobo, -4, programmer::kSelectionAlways, 1, 1);
    EXPECT_STREQ(fader(kGobo).label.data(), "HALF MOO");
    EXPECT_EQ(value(record(1, kGobo)), 44);
}

TEST_F(Delta, FanWeightsOfTheFiveShapes) {
    struct Case {
        int16_t shape;
        std::vector<double> five;  // spots 1, 2, 3, 4, 7
        std::vector<double> four;  // spots 1, 2, 3, 4
    };
    const Case cases[] = {
        {1, {0, 1, 2, 3, 4}, {0, 1, 2, 3}},
        {2, {4, 3, 2, 1, 0}, {3, 2, 1, 0}},
        {3, {-2, -1, 0, 1, 2}, {-1.5, -0.5, 0.5, 1.5}},
        {4, {0, 1, 2, 1, 0}, {0, 1, 1, 0}},
        {5, {2, 1, 0, 1, 2}, {1, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        programmer::fan_shape = c.shape;
        // Wash 5 has no gobo rotation: it takes no part and keeps weight 0.
        select({1, 2, 3, 4, 5, 7});
        EXPECT_EQ(programmer::compute_fan_weights(kGoboRotation), 5);
        std::vector<double> five;
        for (int f : {1, 2, 3, 4, 7}) five.push_back(programmer::fan_weights[static_cast<size_t>(f)]);
        EXPECT_EQ(five, c.five);
        EXPECT_EQ(programmer::fan_weights[5], 0.0);
        select({1, 2, 3, 4});
        EXPECT_EQ(programmer::compute_fan_weights(kGoboRotation), 4);
        std::vector<double> four;
        for (int f : {1, 2, 3, 4}) four.push_back(programmer::fan_weights[static_cast<size_t>(f)]);
        EXPECT_EQ(four, c.four);
    }
}

TEST_F(Delta, FanShapeOneMovesThreeFixturesNoneOneAndTwoSteps) {
    constexpr int16_t kIntensity = 14;
    set_resolution(8);
    set_edit_mode(kEditFan);
    programmer::fan_shape = 1;
    select({1, 2, 3});
    for (int16_t f : {1, 2, 3}) set(record(f, kIntensity), 100);
    fader(kIntensity).value = 100;
    apply_delta_to_selected_functions(kIntensity, -1, 1, 1, 1);
    EXPECT_EQ(value(record(1, kIntensity)), 100);
    EXPECT_EQ(value(record(2, kIntensity)), 101);
    EXPECT_EQ(value(record(3, kIntensity)), 102);

    // Shape 3 with four fixtures: the middle ones half a step each way.
    programmer::fan_shape = 3;
    select({1, 2, 3, 7});
    for (int16_t f : {1, 2, 3, 7}) set(record(f, kIntensity), 100);
    fader(kIntensity).value = 100;
    apply_delta_to_selected_functions(kIntensity, -2, 1, 1, 1);
    std::vector<int> got;
    for (int16_t f : {1, 2, 3, 7}) got.push_back(value(record(f, kIntensity)));
    EXPECT_EQ(got, (std::vector<int>{97, 99, 101, 103}));

    // A single fixture: the fan is inactive and the step is the plain one.
    select({2});
    fader(kIntensity).value = 101;
    apply_delta_to_selected_functions(kIntensity, -3, 1, 1, 1);
    EXPECT_EQ(value(record(2, kIntensity)), 104);
}

TEST_F(Delta, SixteenBitPairIsEditedAsOneQuantity) {
    set_edit_mode(kEditRelative);
    select({5});
    set(programmer_test::kWash5Pan, 100);
    set(programmer_test::kWash5PanFine, 200);
    fader(kPan).value = 100;
    fader(kPanFine).value = 200;

    // At 16 bits one belt step is one fine position; the fine record comes back.
    set_resolution(16);
    EXPECT_EQ(apply_delta_to_selected_functions(kPan, -1, 1, 1, 1), programmer_test::kWash5PanFine);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 100);
    EXPECT_EQ(value(programmer_test::kWash5PanFine), 201);
    // The fine part carries into the coarse one.
    apply_delta_to_selected_functions(kPan, -56, 1, 1, 1);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 101);
    EXPECT_EQ(value(programmer_test::kWash5PanFine), 1);
    EXPECT_EQ(fader(kPanFine).value, 1);
    // At 10 bits a step is 64 fine positions.
    set_resolution(10);
    apply_delta_to_selected_functions(kPan, -4, 1, 1, 1);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 102);
    EXPECT_EQ(value(programmer_test::kWash5PanFine), 1);

    // At 8 bits the plain path edits the coarse channel alone.
    set_resolution(8);
    EXPECT_EQ(apply_delta_to_selected_functions(kPan, -1, 1, 1, 1), kDeltaPlainPath);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 103);
    EXPECT_EQ(value(programmer_test::kWash5PanFine), 1);

    // Both halves reach their DMX channels (pan 65, fine 66).
    rig_.run_ms(20);
    EXPECT_EQ(rig_.dmx(1, 65), 103);
    EXPECT_EQ(rig_.dmx(1, 66), 1);
}

TEST_F(Delta, SixteenBitPairStopsAtTheTopAndRemembersTheOverflow) {
    set_resolution(16);
    set_edit_mode(kEditRelative);
    select({5, 6});
    set(programmer_test::kWash5Pan, 100);
    set(programmer_test::kWash6Pan, 255);
    set(static_cast<int16_t>(programmer_test::kWash6Pan + 1), 250);
    fader(kPan).value = 100;
    fader(kPanFine).value = 0;
    apply_delta_to_selected_functions(kPan, -10, 1, 1, 1);
    EXPECT_EQ(value(programmer_test::kWash6Pan), 255);
    EXPECT_EQ(value(static_cast<int16_t>(programmer_test::kWash6Pan + 1)), 255);
    // 65530 + 10 goes 5 beyond the top: the two overflows hold -5 together.
    const int overflow = programmer::limit_overflow(programmer_test::kWash6Pan) * 256 +
                         programmer::limit_overflow(static_cast<int16_t>(programmer_test::kWash6Pan + 1));
    EXPECT_EQ(overflow, -5);
    apply_delta_to_selected_functions(kPan, 10, 1, 1, 1);
    EXPECT_EQ(value(programmer_test::kWash6Pan), 255);
    EXPECT_EQ(value(static_cast<int16_t>(programmer_test::kWash6Pan + 1)), 250);
}

TEST_F(Delta, RefusedChannelsEditNothing) {
    select({11});  // a dimmer: one channel
    set(record(11, 1), 40);
    fader(1).value = 40;
    for (int16_t channel : {int16_t{0}, int16_t{2}, int16_t{33}, int16_t{-5}, int16_t{32767}}) {
        EXPECT_EQ(apply_delta_to_selected_functions(channel, -10, 1, 1, 1), kDeltaPlainPath) << channel;
    }
    EXPECT_EQ(value(record(11, 1)), 40);
    EXPECT_EQ(value(record(12, 1)), runtime::kValueNotSet);
    // Without a current fixture nothing is edited either.
    programmer::deselect_all_fixtures();
    programmer::fixture_selected[11] = 1;
    apply_delta_to_selected_functions(1, -10, 1, 1, 1);
    EXPECT_EQ(value(record(11, 1)), 40);
}

TEST_F(Delta, BadStoredValuesAreClampedBeforeTheyAreMapped) {
    // A stored programmer value above 255, a reference to an empty preset and
    // a value never set give bases of 255, 0 and 0.
    set_resolution(8);
    set_edit_mode(kEditRelative);
    select({5, 6, 9});
    runtime::programmer_values[programmer_test::kWash6Pan] = 900;
    runtime::layer_values[0][programmer_test::kWash6Pan] = runtime::kValueNotSet;
    runtime::programmer_values[record(9, kPan)] = 1100;  // value preset 100, empty
    runtime::layer_values[0][record(9, kPan)] = runtime::kValueNotSet;
    fader(kPan).value = 100;
    apply_delta_to_selected_functions(kPan, 5, 1, 1, 1);
    EXPECT_EQ(value(programmer_test::kWash6Pan), 250);
    // Wash 9's pan is inverted: base 0 is position 255, lowered to 250, value 5.
    EXPECT_EQ(value(record(9, kPan)), 5);
}

}  // namespace
