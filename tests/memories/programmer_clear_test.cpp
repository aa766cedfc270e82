// The programmer clear and set-to-defaults commands on the demo rig, driven
// as an operator does: the command key held, the keys held with it deciding
// what goes, fixture, group, fader and class keys choosing what.
#include "memories/programmer_clear.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/default_values.h"
#include "memories/function_defaults.h"
#include "programmer/commands.h"
#include "programmer/fixture_groups.h"
#include "programmer/function_timings.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace {

using namespace runtime;

constexpr uint16_t kNotSet = 65535;
constexpr uint8_t kByteNotSet = 255;

// Demo rig records: fixture 3 (SPOT16) holds records 33..48, pan 33, tilt 35;
// fixture 5 (WASHCMY) 65..76: pan 65, tilt 67, cyan 69, magenta 70, yellow
// 71, intensity 75.
constexpr int kFixture3First = 33;
constexpr int kSpotChannels = 16;

size_t generator(int record, int p) { return static_cast<size_t>((record - 1) * 6 + p); }
size_t figure(int fixture, int p) { return static_cast<size_t>((fixture - 1) * 10 + p); }
size_t slot(int record, int s) { return static_cast<size_t>((record - 1) * 15 + s); }

// Which entries of a fixture kept their programmed contents.
struct Kept {
    bool values, generators, figures, times;
};

class ProgrammerClear : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        programmer_test::empty_programmer_with_default_times();
    }

    // Every entry of fixture f programmed: values 100, generator bytes 7,
    // figure bytes 9, times 500 flagged as set.
    static void program_fixture(int fixture, int first_record, int channels) {
        for (int r = first_record; r < first_record + channels; ++r) {
            programmer_values[r] = 100;
            for (int p = 1; p <= 6; ++p) programmer_generators[generator(r, p)] = 7;
            for (int s = 1; s <= 15; ++s) {
                programmer_times[slot(r, s)] = 500;
                programmer_time_set[slot(r, s)] = 1;
            }
        }
        for (int p = 1; p <= 10; ++p) programmer_figures[figure(fixture, p)] = 9;
    }

    static Kept kept_of(int fixture, int first_record, int channels) {
        Kept k{true, true, true, true};
        for (int r = first_record; r < first_record + channels; ++r) {
            k.values = k.values && programmer_values[r] == 100;
            for (int p = 1; p <= 6; ++p) k.generators = k.generators && programmer_generators[generator(r, p)] == 7;
            for (int s = 1; s <= 15; ++s) k.times = k.times && programmer_times[slot(r, s)] == 500;
        }
        for (int p = 1; p <= 10; ++p) k.figures = k.figures && programmer_figures[figure(fixture, p)] == 9;
        return k;
    }
    static bool all_cleared(int fixture, int first_record, int channels, bool values, bool effects, bool times) {
        for (int r = first_record; r < first_record + channels; ++r) {
            if (values && programmer_values[r] != kNotSet) return false;
            for (int p = 1; p <= 6; ++p) {
                if (effects && programmer_generators[generator(r, p)] != kByteNotSet) return false;
            }
            for (int s = 1; s <= 15; ++s) {
                const uint16_t expected = ui::default_times[static_cast<size_t>((s - 1) % 5 + 1)];
                if (times && (programmer_times[slot(r, s)] != expected || programmer_time_set[slot(r, s)] != 0)) return false;
            }
        }
        for (int p = 1; p <= 10; ++p) {
            if (effects && programmer_figures[figure(fixture, p)] != kByteNotSet) return false;
        }
        return true;
    }

    // CLEAR held, the modifier keys held with it, one key pressed, all let go.
    void clear_with(std::vector<int16_t> modifiers, int16_t key) {
        rig_.hold(KEY_CLEAR, 30);
        for (int16_t m : modifiers) rig_.hold(m, 20);
        rig_.press(key, 20);
        for (int16_t m : modifiers) rig_.release(m, 20);
        rig_.release(KEY_CLEAR, 600);
    }
};

struct ModeCase {
    const char* name;
    std::vector<int16_t> held;
    Kept expect;
};

TEST_F(ProgrammerClear, KeysHeldWithClearDecideWhatAFixtureLoses) {
    const std::vector<ModeCase> cases = {
        {"nothing held: everything", {}, {false, false, false, false}},
        {"FIGURE: effects", {KEY_FIGURE}, {true, false, false, true}},
        {"TIMING: times only", {KEY_TIMING}, {true, true, true, false}},
        {"FIGURE and TIMING: effects and times", {KEY_FIGURE, KEY_TIMING}, {true, false, false, false}},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        program_fixture(3, kFixture3First, kSpotChannels);
        program_fixture(4, 49, kSpotChannels);
        const uint8_t pan_before = rig_.dmx(1, 33);
        clear_with(c.held, fixture_key(3));
        const Kept k = kept_of(3, kFixture3First, kSpotChannels);
        EXPECT_EQ(k.values, c.expect.values);
        EXPECT_EQ(k.generators, c.expect.generators);
        EXPECT_EQ(k.figures, c.expect.figures);
        EXPECT_EQ(k.times, c.expect.times);
        EXPECT_TRUE(all_cleared(3, kFixture3First, kSpotChannels, !c.expect.values, !c.expect.generators,
                                !c.expect.times));
        // The neighbour is untouched, and a clear changes nothing on stage.
        const Kept n = kept_of(4, 49, kSpotChannels);
        EXPECT_TRUE(n.values && n.generators && n.figures && n.times);
        EXPECT_EQ(rig_.dmx(1, 33), pan_before);
    }
}

TEST_F(ProgrammerClear, TwoFixtureKeysClearTheRangeBetweenThemInEitherOrder) {
    for (int f = 1; f <= 6; ++f) program_fixture(f, f <= 4 ? (f - 1) * 16 + 1 : 65 + (f - 5) * 12, f <= 4 ? 16 : 12);
    rig_.hold(KEY_CLEAR, 30);
    rig_.hold(fixture_key(5), 20);
    rig_.press(fixture_key(2), 20);
    rig_.release(fixture_key(5), 20);
    rig_.release(KEY_CLEAR, 600);
    EXPECT_TRUE(kept_of(1, 1, 16).values);
    for (int f = 2; f <= 4; ++f) EXPECT_TRUE(all_cleared(f, (f - 1) * 16 + 1, 16, true, true, true)) << f;
    EXPECT_TRUE(all_cleared(5, 65, 12, true, true, true));
    EXPECT_TRUE(kept_of(6, 77, 12).values);
}

TEST_F(ProgrammerClear, LiveEditKeyWithAGroupHandsTheGroupBackToTheLayers) {
    programmer::group_table[1][3] = 1;
    programmer::group_table[1][4] = 1;
    // Hand-set manual values on fixtures 3, 4 and 5.
    for (int r : {33, 49, 69}) {
        manual_values[r] = 200;
        channel_flags[r] |= FLAG_MANUAL;
    }
    manual_generators[generator(35, 1)] = 60;
    generator_flags[generator(35, 1)] |= FLAG_MANUAL;
    manual_figures[figure(4, 1)] = 70;
    figure_flags[figure(4, 1)] |= FLAG_MANUAL;
    program_fixture(3, kFixture3First, kSpotChannels);
    clear_with({KEY_LIVE_EDIT}, group_key(1));
    EXPECT_EQ(channel_flags[33] & FLAG_MANUAL, 0);
    EXPECT_EQ(channel_flags[49] & FLAG_MANUAL, 0);
    EXPECT_EQ(generator_flags[generator(35, 1)] & FLAG_MANUAL, 0);
    EXPECT_EQ(figure_flags[figure(4, 1)] & FLAG_MANUAL, 0);
    EXPECT_NE(channel_flags[69] & FLAG_MANUAL, 0) << "fixture 5 is in no chosen group";
    // A release leaves the programmer itself alone.
    EXPECT_TRUE(kept_of(3, kFixture3First, kSpotChannels).values);
}

TEST_F(ProgrammerClear, ClassKeysClearTheirFunctionsOfTheSelection) {
    programmer::fixture_selected[5] = 1;
    current_fixture = 5;
    program_fixture(5, 65, 12);
    // Colour (153): cyan, magenta, yellow and CTO; never the dimmer, which
    // carries the colour flag too.
    clear_with({}, KEY_PRESET_3);
    for (int r : {69, 70, 71, 72}) EXPECT_EQ(programmer_values[r], kNotSet) << r;
    EXPECT_EQ(programmer_values[75], 100) << "the intensity is a dimmer";
    EXPECT_EQ(programmer_values[65], 100);
    // Pan/tilt (151) with FIGURE held: the fixture's figure bytes go, the pan
    // value and all times stay.
    clear_with({KEY_FIGURE}, KEY_PRESET_1);
    EXPECT_EQ(programmer_values[65], 100);
    EXPECT_EQ(programmer_figures[figure(5, 1)], kByteNotSet);
    EXPECT_EQ(programmer_times[slot(65, 1)], 500);
    EXPECT_EQ(programmer_generators[generator(65, 1)], 7) << "pan/tilt functions keep their generator bytes";
}

TEST_F(ProgrammerClear, TiltTimesAreThePanFunctionsSlots) {
    program_fixture(3, kFixture3First, kSpotChannels);
    memories::clear_function_entries(3, 3, memories::kClearTimes);  // channel 3: TILT
    EXPECT_TRUE(all_cleared(3, 33, 1, false, false, true)) << "PAN's slots reset";
    EXPECT_EQ(programmer_times[slot(35, 1)], 500) << "TILT's own slots stay";
    EXPECT_EQ(programmer_values[35], 100);
    // Nothing happens while the faders show another bank.
    fader_bank = 1;
    memories::clear_function_entries(3, 3, memories::kClearAll);
    EXPECT_EQ(programmer_values[35], 100);
}

TEST_F(ProgrammerClear, TimingBankFadersResetTheirKindsInTheShownRunsOnly) {
    programmer::fixture_selected[3] = 1;
    current_fixture = 3;
    function_page = 1;
    selected_fader_bank0 = 14;  // INTENSITY: record 46
    fader_bank = 3;
    programmer::timing_group_flags = {1, 2, 0, 1};
    program_fixture(3, kFixture3First, kSpotChannels);
    rig_.hold(KEY_CLEAR, 30);
    rig_.hold(fader_key(2), 20);
    rig_.press(fader_key(3), 20);
    rig_.release(fader_key(2), 20);
    rig_.release(KEY_CLEAR, 600);
    // Run 1: delay in (kind 1) and fade in (kind 2) back to their defaults.
    EXPECT_EQ(programmer_times[slot(46, 1)], 11);
    EXPECT_EQ(programmer_times[slot(46, 2)], 12);
    EXPECT_EQ(programmer_time_set[slot(46, 2)], 0);
    EXPECT_EQ(programmer_times[slot(46, 3)], 500);
    // Run 2 is not shown: kept.
    EXPECT_EQ(programmer_times[slot(46, 6)], 500);
    EXPECT_EQ(programmer_values[46], 100);
}

TEST_F(ProgrammerClear, ClearTappedTwiceWithinHalfASecondClearsTheSelection) {
    programmer::fixture_selected[1] = 1;
    programmer::fixture_selected[2] = 1;
    program_fixture(1, 1, 16);
    program_fixture(2, 17, 16);
    program_fixture(3, 33, 16);
    rig_.press(KEY_CLEAR, 20);
    rig_.press(KEY_CLEAR, 20);
    rig_.run_ms(600);
    EXPECT_TRUE(all_cleared(1, 1, 16, true, true, true));
    EXPECT_TRUE(all_cleared(2, 17, 16, true, true, true));
    EXPECT_TRUE(kept_of(3, 33, 16).values) << "not selected";
    // Taps 600 ms apart clear nothing.
    program_fixture(1, 1, 16);
    rig_.press(KEY_CLEAR, 20);
    rig_.run_ms(600);
    rig_.press(KEY_CLEAR, 20);
    rig_.run_ms(600);
    EXPECT_TRUE(kept_of(1, 1, 16).values);
}

// ------------------------------------------------------------ set to defaults

class FunctionDefaults : public ProgrammerClear {
protected:
    void default_with(std::vector<int16_t> modifiers, int16_t key) {
        rig_.hold(KEY_SELECT_FUNCTIONS, 30);
        for (int16_t m : modifiers) rig_.hold(m, 20);
        rig_.press(key, 20);
        for (int16_t m : modifiers) rig_.release(m, 20);
        rig_.release(KEY_SELECT_FUNCTIONS, 600);
    }
};

TEST_F(FunctionDefaults, FixtureKeysSetValuesToDefaultsAndLeavePanTiltAlone) {
    ASSERT_NE(datafiles::default_values, nullptr);
    datafiles::default_values[69] = 40;      // cyan
    datafiles::default_values[70] = kNotSet; // magenta has no default
    datafiles::default_values[75] = 255;     // intensity full
    program_fixture(5, 65, 12);
    default_with({}, fixture_key(5));
    EXPECT_EQ(programmer_values[69], 40);
    EXPECT_EQ(programmer_values[70], kNotSet);
    EXPECT_EQ(programmer_values[75], 255);
    EXPECT_EQ(programmer_values[65], 100) << "pan needs a pan/tilt key";
    EXPECT_EQ(programmer_generators[generator(69, 1)], 7) << "FIGURE up: values only";
    // The value goes to the stage at once: fixture 5's intensity is
    // universe 1 channel 65 + 10.
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 75), 255);
}

TEST_F(FunctionDefaults, FigureHeldStopsEffectsAndKeepsValues) {
    program_fixture(5, 65, 12);
    default_with({KEY_FIGURE}, fixture_key(5));
    EXPECT_EQ(programmer_values[69], 100);
    EXPECT_EQ(programmer_generators[generator(69, 1)], 0) << "SWING 0";
    EXPECT_EQ(programmer_generators[generator(69, 2)], 7) << "only SWING";
    EXPECT_EQ(programmer_figures[figure(5, 1)], 9) << "fixture keys skip pan/tilt";
}

TEST_F(FunctionDefaults, DoubleTapResetsValueAndEffectOfEverythingSelected) {
    programmer::fixture_selected[5] = 1;
    datafiles::default_values[65] = 128;
    program_fixture(5, 65, 12);
    rig_.press(KEY_SELECT_FUNCTIONS, 20);
    rig_.press(KEY_SELECT_FUNCTIONS, 20);
    rig_.run_ms(600);
    EXPECT_EQ(programmer_values[65], 128);
    EXPECT_EQ(programmer_figures[figure(5, 1)], 0) << "X-SWING";
    EXPECT_EQ(programmer_figures[figure(5, 2)], 0) << "Y-SWING";
    EXPECT_EQ(programmer_figures[figure(5, 3)], 9);
    EXPECT_EQ(programmer_generators[generator(69, 1)], 0);
}

}  // namespace
