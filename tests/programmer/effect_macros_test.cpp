// The effect macro engine on the demo rig: macros applied by named function
// (DIMMER, IRIS, FIGURE), words left unset, WAVE and STEP-LOOP spreads by
// fixture order and by grouping, and the re-application of the tuning faders.
#include "programmer/effect_macros.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "effect_macro_fixture.h"
#include "programmer/fixture_groups.h"
#include "programmer/groupings.h"
#include "programmer_edit_rig.h"
#include "runtime/console_state.h"
#include "setup/fixture_type.h"

namespace {

using namespace programmer_test;
using programmer::macro_states;

constexpr int kMacro = 9;
// Records of the demo rig.
constexpr int kSpot1Intensity = 14, kSpot1Iris = 11, kWash5Intensity = 75, kDimmer11 = 145;

class EffectMacros : public EditRig {
protected:
    void SetUp() override {
        EditRig::SetUp();
        runtime::current_grouping = 21;
    }
    static void select_all_of(std::initializer_list<int16_t> fixtures) { select(fixtures); }
    static uint8_t state(int fixture, int k) { return macro_states[static_cast<size_t>(fixture)][static_cast<size_t>(k)]; }
};

TEST_F(EffectMacros, DimmerLevelReachesEveryDimmerChannelAndLeavesTheGeneratorsAlone) {
    datafiles::EffectMacro& macro = clear_macro(kMacro);
    set_block(macro, kDimmerBlock, {{kCenter, 200}});
    select_all_of({1, 5, 11});
    const uint8_t swing_before = generator(kSpot1Intensity, 1);
    const uint16_t iris_before = value(kSpot1Iris);

    programmer::apply_macro(kMacro);
    rig_.run_ms(20);

    for (const int r : {kSpot1Intensity, kWash5Intensity, kDimmer11}) EXPECT_EQ(value(static_cast<int16_t>(r)), 200) << r;
    EXPECT_EQ(rig_.dmx(1, 14), 200) << "the spot's intensity goes out";
    EXPECT_EQ(rig_.dmx(2, 57), 200) << "the dimmer goes out";
    EXPECT_EQ(generator(kSpot1Intensity, 1), swing_before);
    EXPECT_EQ(value(kSpot1Iris), iris_before) << "no IRIS block: the iris is left alone";
    for (const int f : {1, 5, 11}) EXPECT_EQ(state(f, 1), kMacro) << f;
    EXPECT_EQ(state(2, 1), 0) << "not selected";
}

TEST_F(EffectMacros, AChannelTakesTheFirstEnabledBlockThatMatches) {
    // The spot's IRIS function also flagged as a dimmer.
    setup::fixture_type_defs[1]->bytes[setup::kTypeDimmerFlags + 10] = 1;
    datafiles::EffectMacro& macro = clear_macro(kMacro);
    set_block(macro, kDimmerBlock, {{kSwingW, 50}});
    set_block(macro, kIrisBlock, {{kSwingW, 20}});
    select_all_of({1});

    programmer::apply_macro(kMacro);
    EXPECT_EQ(generator(kSpot1Iris, 1), 50) << "DIMMER enabled: the dimmer block wins";
    EXPECT_EQ(generator(kSpot1Intensity, 1), 50);

    macro.line_flags = static_cast<uint16_t>(macro.line_flags & ~(1u << 1));  // DIMMER disabled
    programmer::apply_macro(kMacro);
    EXPECT_EQ(generator(kSpot1Iris, 1), 20) << "DIMMER disabled: the IRIS block";
}

TEST_F(EffectMacros, WordsNotSetOrOutOfRangeAreSkippedAndTheOthersWritten) {
    select_all_of({1});
    const int r = kSpot1Intensity;
    // Known bytes first, so that a skipped word shows as unchanged.
    const int16_t known[7] = {10, 11, 12, 13, 14, 15, 16};
    programmer::store_macro_block(1, 14, known);
    ASSERT_EQ(value(r), 10);

    const int16_t block[7] = {-1, 128, 90, -1, 170, 171, 0};
    programmer::store_macro_block(1, 14, block);
    EXPECT_EQ(value(r), 10) << "level -1";
    EXPECT_EQ(generator(r, 1), 11) << "SWING 128 is above its 127";
    EXPECT_EQ(generator(r, 2), 90);
    EXPECT_EQ(generator(r, 3), 13) << "MODE -1";
    EXPECT_EQ(generator(r, 4), 170);
    EXPECT_EQ(generator(r, 5), 15) << "SHIFT 171 is above its 170";
    EXPECT_EQ(generator(r, 6), 0);
}

TEST_F(EffectMacros, FigureGoesToTheOrientedPanAndTiltWithHalfSwings) {
    datafiles::EffectMacro& macro = clear_macro(kMacro);
    set_figure(macro, {{kXCenter, 0}, {kYCenter, 100}, {kXSwingW, 100}, {kYSwingW, 61}, {kFigSpeedW, 20}});
    select_all_of({1, 4, 11});
    const uint16_t pan_fine_before = value(record_of(1, 2));
    const uint8_t dimmer_swing_before = figure(11, 1);

    programmer::apply_macro(kMacro);

    // Fixture 1, orientation 0: pan inverted, tilt as it is.
    EXPECT_EQ(value(record_of(1, 1)), 255);
    EXPECT_EQ(value(record_of(1, 3)), 100);
    EXPECT_EQ(value(record_of(1, 2)), pan_fine_before) << "fine channels take no figure word";
    // Fixture 4, orientation 3: both inverted and swapped.
    EXPECT_EQ(value(record_of(4, 3)), 255) << "pan word on the tilt channel";
    EXPECT_EQ(value(record_of(4, 1)), 155) << "tilt word inverted on the pan channel";
    // Pan/tilt mode 2: swings halved.
    EXPECT_EQ(figure(1, 1), 50);
    EXPECT_EQ(figure(1, 2), 30);
    EXPECT_EQ(figure(1, 3), 20);
    // The dimmer has no pan and tilt.
    EXPECT_EQ(figure(11, 1), dimmer_swing_before);
    EXPECT_EQ(state(11, 1), kMacro) << "recorded also where no block matched";
}

TEST_F(EffectMacros, UnknownOrEmptyMacrosDoNothing) {
    clear_macro(kMacro);
    select_all_of({1});
    for (const int16_t m : {int16_t{0}, int16_t{71}, int16_t{kMacro}}) {
        programmer::apply_macro(m);
        EXPECT_EQ(state(1, 1), 0) << m;
    }
}

// Six spots with a macro of two blocks, the dimmer's own DELAY 50.
class MacroSpreads : public EffectMacros {
protected:
    void SetUp() override {
        EffectMacros::SetUp();
        datafiles::EffectMacro& macro = clear_macro(kMacro);
        set_block(macro, kDimmerBlock, {{kSwingW, 100}, {kDelayW, 50}});
        set_block(macro, kFrostBlock, {{kSwingW, 10}});
        select_all_of({1, 2, 3, 4, 7, 8});
        programmer::apply_macro(kMacro);
    }
    static std::vector<int> bytes(int channel, int k) {
        std::vector<int> out;
        for (const int f : kSpots) out.push_back(generator(record_of(f, channel), k));
        return out;
    }
    static constexpr std::array<int, 6> kSpots = {1, 2, 3, 4, 7, 8};
};

TEST_F(MacroSpreads, WaveOfFourStaggersDelaysInFixtureOrder) {
    programmer::apply_macro_wave(4);
    EXPECT_EQ(bytes(12, 4), (std::vector<int>{0, 42, 84, 126, 0, 42})) << "FROST";
    EXPECT_EQ(bytes(14, 4), (std::vector<int>{50, 92, 134, 6, 50, 92})) << "DIMMER: own DELAY added, wrapped at 170";
    EXPECT_EQ(bytes(14, 5), (std::vector<int>(6, 0)));
    EXPECT_EQ(bytes(14, 6), (std::vector<int>(6, 0)));
    EXPECT_EQ(state(8, 5), 4);
}

TEST_F(MacroSpreads, RandomWaveOverOneEntryGivesEveryFixtureOffsetZero) {
    programmer::apply_macro_wave(36);
    EXPECT_EQ(bytes(12, 4), (std::vector<int>(6, 0)));
}

TEST_F(MacroSpreads, RandomWaveUsesEachOffsetOnce) {
    programmer::apply_macro_wave(35 + 6);
    std::vector<int> delays = bytes(12, 4);
    std::sort(delays.begin(), delays.end());
    EXPECT_EQ(delays, (std::vector<int>{0, 28, 56, 84, 112, 140}));
}

TEST_F(MacroSpreads, WaveAfterStepLoopClearsShiftAndWait) {
    programmer::apply_macro_step(3);
    ASSERT_EQ(bytes(12, 5), (std::vector<int>{0, 1, 2, 0, 1, 2}));
    ASSERT_EQ(bytes(12, 6), (std::vector<int>(6, 8)));
    programmer::apply_macro_wave(2);
    EXPECT_EQ(bytes(12, 5), (std::vector<int>(6, 0)));
    EXPECT_EQ(bytes(12, 6), (std::vector<int>(6, 0)));
    EXPECT_EQ(bytes(12, 4), (std::vector<int>{0, 85, 0, 85, 0, 85}));
}

TEST_F(MacroSpreads, OnlyFixturesCarryingTheCurrentFixturesMacroTakeTheSpread) {
    datafiles::EffectMacro& other = clear_macro(kMacro + 1);
    set_block(other, kFrostBlock, {{kSwingW, 30}});
    select_all_of({2});
    programmer::apply_macro(kMacro + 1);
    const int fixture2_delay = generator(record_of(2, 12), 4);
    select_all_of({1, 2, 3, 4, 7, 8});
    programmer::apply_macro_wave(4);
    EXPECT_EQ(bytes(12, 4), (std::vector<int>{0, fixture2_delay, 42, 84, 126, 0})) << "fixture 2 carries another macro";
    EXPECT_EQ(state(2, 5), 0);
}

TEST_F(MacroSpreads, GroupingOrdersTheSpreadBySubgroup) {
    // Grouping 1: subgroup 1 fixture 3, subgroup 2 fixtures 1 and 2; 4, 7, 8 in none.
    programmer::grouping_table[1].subgroup_count = 2;
    programmer::grouping_table[1].member_counts[1] = 1;
    programmer::grouping_table[1].member_counts[2] = 2;
    programmer::grouping_members[1] = {2 * 34, 0 * 34, 1 * 34};
    ASSERT_EQ(programmer::find_grouping_subgroup(3, 1), 0);
    ASSERT_EQ(programmer::find_grouping_subgroup(2, 1), 1);
    ASSERT_EQ(programmer::find_grouping_subgroup(4, 1), -1);
    const std::vector<int> before = bytes(12, 4);
    runtime::current_grouping = 1;

    programmer::apply_macro_wave(2);
    const std::vector<int> after = bytes(12, 4);
    EXPECT_EQ(after[0], 85);
    EXPECT_EQ(after[1], 85);
    EXPECT_EQ(after[2], 0);
    EXPECT_EQ(after[3], before[3]) << "outside the grouping";
    EXPECT_EQ(state(4, 5), 0);
    EXPECT_EQ(state(3, 5), 2);
}

struct StepCase {
    uint8_t loop_effect;
    std::vector<int> delays, shifts;
    int wait;
};

TEST_F(EffectMacros, StepLoopTakesTurnsByLoopEffectQuarters) {
    const StepCase cases[] = {
        {0, {0, 0, 0}, {0, 1, 2}, 8},   // 0 counts as 4 quarters: one whole period each
        {2, {0, 85, 0}, {0, 0, 1}, 2},  // half periods
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.loop_effect);
        datafiles::EffectMacro& macro = clear_macro(kMacro);
        set_block(macro, kDimmerBlock, {{kSwingW, 100}});  // one block: the counter moves per channel
        macro.loop_effect = c.loop_effect;
        select_all_of({1, 2, 3});
        programmer::apply_macro(kMacro);
        programmer::apply_macro_step(3);
        for (int i = 0; i < 3; ++i) {
            const int r = record_of(i + 1, 14);
            EXPECT_EQ(generator(r, 4), c.delays[static_cast<size_t>(i)]) << i;
            EXPECT_EQ(generator(r, 5), c.shifts[static_cast<size_t>(i)]) << i;
            EXPECT_EQ(generator(r, 6), c.wait) << i;
        }
        EXPECT_EQ(state(1, 6), 3);
    }
}

TEST_F(EffectMacros, StepLoopBeyondTheLimitsLeavesShiftAndWaitButWritesDelay) {
    datafiles::EffectMacro& macro = clear_macro(kMacro);
    set_block(macro, kDimmerBlock, {{kSwingW, 100}, {kShiftW, 9}, {kWaitW, 9}});
    macro.loop_effect = 255;  // 10837.5 units per turn: WAIT 4 * 255 - 4, SHIFT 191 at the fourth
    select_all_of({1, 2, 3, 4});
    programmer::apply_macro(kMacro);
    programmer::apply_macro_step(4);
    const int r4 = record_of(4, 14);
    EXPECT_EQ(generator(r4, 4), 32512 % 170) << "the DELAY of position 32512";
    EXPECT_EQ(generator(r4, 5), 9) << "SHIFT 191 is above 170";
    EXPECT_EQ(generator(r4, 6), 9) << "WAIT 1016 is above 170";
    EXPECT_EQ(generator(record_of(2, 14), 5), 63) << "SHIFT 63 fits";
}

TEST_F(EffectMacros, FigureOnlyMacroStillStaggersItsFixtures) {
    datafiles::EffectMacro& macro = clear_macro(kMacro);
    set_figure(macro, {{kXSwingW, 80}, {kYSwingW, 80}, {kFigSpeedW, 30}});
    select_all_of({1, 2, 3});
    programmer::apply_macro(kMacro);
    programmer::apply_macro_wave(4);
    EXPECT_EQ(figure(1, 8), 0);
    EXPECT_EQ(figure(2, 8), 42);
    EXPECT_EQ(figure(3, 8), 84);
}

TEST_F(EffectMacros, SwingFaderScalesTheMacrosOwnSwings) {
    datafiles::EffectMacro& macro = clear_macro(kMacro);
    set_block(macro, kDimmerBlock, {{kSwingW, 100}, {kSpeedW, 40}});
    set_figure(macro, {{kXSwingW, 100}, {kYSwingW, 60}});
    select_all_of({1, 2});
    programmer::apply_macro(kMacro);
    struct Case {
        int16_t fader_value;
        int swing, x_swing, y_swing, state;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0},
        {128, 50, 25, 15, 85},
        {255, 100, 50, 30, 170},  // the macro's own swings (figure swings halved by the type)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fader_value);
        programmer::reapply_macro(2, c.fader_value);
        for (const int f : {1, 2}) {
            EXPECT_EQ(generator(record_of(f, 14), 1), c.swing);
            EXPECT_EQ(figure(f, 1), c.x_swing);
            EXPECT_EQ(figure(f, 2), c.y_swing);
            EXPECT_EQ(state(f, 2), c.state);
        }
        EXPECT_EQ(generator(record_of(1, 14), 2), 40) << "SPEED untouched";
    }
}

TEST_F(EffectMacros, ModeSpeedAndWaitFadersSetTheirStates) {
    datafiles::EffectMacro& macro = clear_macro(kMacro);
    set_block(macro, kDimmerBlock, {{kSwingW, 100}});
    set_figure(macro, {{kXSwingW, 100}});
    select_all_of({1});
    programmer::apply_macro(kMacro);
    struct Case {
        int16_t fader;
        int16_t value;
        int generator_param, generator_value, figure_param, figure_value;
    };
    const Case cases[] = {
        {4, 1, 3, 0, 4, 0},      // mode cell 1: waveform 1
        {4, 7, 3, 4, 4, 4},      // mode cell 2: waveform 2, backward
        {4, 13, 3, 8, 4, 0},     // mode cell 3
        {3, 255, 2, 170, 3, 170},
        {7, 40, 6, 26, 10, 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fader << " at " << c.value);
        programmer::reapply_macro(c.fader, c.value);
        EXPECT_EQ(generator(kSpot1Intensity, c.generator_param), c.generator_value);
        EXPECT_EQ(figure(1, c.figure_param), c.figure_value);
        EXPECT_EQ(state(1, c.fader), c.generator_value);
    }
}

TEST(EffectMacroSpreadTables, WaveChoicesInOrder) {
    const programmer::WaveSpread four = programmer::build_wave_spread(4);
    ASSERT_EQ(four.count, 4);
    EXPECT_EQ(std::vector<int>(four.offsets.begin(), four.offsets.begin() + 4), (std::vector<int>{0, 42, 84, 126}));
    const programmer::WaveSpread all = programmer::build_wave_spread(35);
    EXPECT_EQ(all.count, 35);
    EXPECT_EQ(all.offsets[34], 34 * 4);
}

}  // namespace
