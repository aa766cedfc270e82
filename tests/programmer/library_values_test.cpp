// Values applied to the whole selection from a choice: library colours,
// predefined entries matched by name across types, the pan/tilt flip and
// the WAVE, STEP and ROTATE phase spreads, on the demo rig.
#include "programmer/library_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "datafiles/default_values.h"
#include "datafiles/library_files.h"
#include "programmer/channel_generators.h"
#include "programmer/fixture_groups.h"
#include "programmer/pantilt_figures.h"
#include "programmer_edit_rig.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "setup/fixture_type.h"

namespace {

constexpr int16_t kSpotStrobe = 13, kSpotIntensity = 14, kWashStrobe = 10;
constexpr int16_t kWashCyan = 5, kWashMagenta = 6, kWashYellow = 7;

class LibraryValues : public programmer_test::EditRig {
protected:
    // Bank 0 selects channel `channel` of the current type.
    static void select_channel(int16_t channel) {
        runtime::function_page = static_cast<int16_t>((channel - 1) / 16 + 1);
        runtime::selected_fader_bank0 = static_cast<int16_t>((channel - 1) % 16 + 1);
    }
    static uint8_t generator(int16_t fixture, int16_t channel, int param) {
        return runtime::programmer_generators[(record(fixture, channel) - 1) * 6 + param];
    }
    static uint8_t figure(int16_t fixture, int param) { return runtime::programmer_figures[(fixture - 1) * 10 + param]; }
    // Grouping 1 with the given subgroups of fixtures (patch indexes).
    static void make_grouping(const std::vector<std::vector<int16_t>>& subgroups) {
        programmer::Grouping& g = programmer::grouping_table[1];
        g = {};
        programmer::grouping_members[1].clear();
        for (size_t s = 0; s < subgroups.size(); ++s) {
            g.member_counts[s + 1] = static_cast<int16_t>(subgroups[s].size());
            for (int16_t f : subgroups[s]) programmer::grouping_members[1].push_back(static_cast<int16_t>((f - 1) * 34));
        }
        g.subgroup_count = static_cast<uint8_t>(subgroups.size());
        runtime::current_grouping = 1;
    }
    // Entry e's text of a function of the wash type, as its library file would hold it.
    static void set_wash_entry_text(int function, int e, const char* text) {
        setup::FixtureTypeDef* wash = setup::fixture_type_defs[2];
        const size_t at = setup::FixtureTypeDef::function_def(function) + setup::kFunctionEntryTexts + setup::kEntryTextBytes * static_cast<size_t>(e);
        std::memset(&wash->bytes[at], 0, setup::kEntryTextBytes);
        std::memcpy(&wash->bytes[at], text, std::strlen(text));
    }
    static void set_wash_entry(int function, int e, const char* text, uint8_t value) {
        set_wash_entry_text(function, e, text);
        setup::fixture_type_defs[2]->bytes[setup::FixtureTypeDef::function_def(function) + setup::kFunctionEntryValues +
                                           static_cast<size_t>(e)] = value;
    }
};

TEST_F(LibraryValues, WaveSpreadsTheDelaysOfTheSelectedFunctionInFixtureOrder) {
    select({1, 2, 3, 4, 5});
    select_channel(kSpotIntensity);
    programmer::apply_wave_to_generator(4);
    // The wash's intensity answers to the spot's dimmer function.
    const std::vector<std::pair<int16_t, int16_t>> order = {{1, kSpotIntensity}, {2, kSpotIntensity}, {3, kSpotIntensity},
                                                            {4, kSpotIntensity}, {5, 11}};
    const uint8_t delays[] = {0, 42, 84, 126, 0};
    for (size_t i = 0; i < order.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(generator(order[i].first, order[i].second, programmer::kDelay), delays[i]);
        EXPECT_EQ(generator(order[i].first, order[i].second, programmer::kShift), 0);
        EXPECT_EQ(generator(order[i].first, order[i].second, programmer::kWait), 0);
    }
    EXPECT_EQ(generator(6, 11, programmer::kDelay), 255) << "not selected";
    EXPECT_EQ(generator(1, kSpotStrobe, programmer::kDelay), 255) << "another function";
}

TEST_F(LibraryValues, RandomWaveGivesTheSameOffsetsShuffled) {
    select({1, 2, 3, 4, 7});
    select_channel(kSpotIntensity);
    std::srand(7);
    programmer::apply_wave_to_generator(35 + 4);
    std::vector<int> delays;
    for (int16_t f : {1, 2, 3, 4}) delays.push_back(generator(f, kSpotIntensity, programmer::kDelay));
    EXPECT_EQ(generator(7, kSpotIntensity, programmer::kDelay), delays[0]) << "the fifth takes the first slot again";
    std::sort(delays.begin(), delays.end());
    EXPECT_EQ(delays, (std::vector<int>{0, 42, 84, 126}));
}

TEST_F(LibraryValues, StepSplitsQuarterTurnsIntoDelayAndShift) {
    struct Case {
        const char* what;
        int16_t mode_raw;
        std::array<uint8_t, 4> delay, shift;
        uint8_t wait;
    };
    const Case cases[] = {
        {"mode classes 1 to 8: half turns", 31, {0, 85, 0, 85}, {0, 0, 1, 1}, 4},
        {"mode classes 9 to 12: whole turns", 32, {0, 0, 0, 0}, {0, 1, 2, 3}, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        select({1, 2, 3, 4});
        select_channel(kSpotIntensity);
        runtime::wheel_states.generator_params[programmer::kMode].raw = c.mode_raw;
        programmer::apply_step_to_generator(4);
        for (int16_t f = 1; f <= 4; ++f) {
            EXPECT_EQ(generator(f, kSpotIntensity, programmer::kDelay), c.delay[f - 1]) << f;
            EXPECT_EQ(generator(f, kSpotIntensity, programmer::kShift), c.shift[f - 1]) << f;
            EXPECT_EQ(generator(f, kSpotIntensity, programmer::kWait), c.wait) << f;
        }
    }
}

TEST_F(LibraryValues, RandomStepKeepsEachDelayWithItsShift) {
    select({1, 2, 3, 4});
    select_channel(kSpotIntensity);
    runtime::wheel_states.generator_params[programmer::kMode].raw = 0;
    std::srand(11);
    programmer::apply_step_to_generator(35 + 4);
    std::vector<std::pair<int, int>> pairs;
    for (int16_t f = 1; f <= 4; ++f) {
        pairs.emplace_back(generator(f, kSpotIntensity, programmer::kDelay), generator(f, kSpotIntensity, programmer::kShift));
        EXPECT_EQ(generator(f, kSpotIntensity, programmer::kWait), 4);
    }
    std::sort(pairs.begin(), pairs.end());
    EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {85, 0}, {85, 1}}));
}

TEST_F(LibraryValues, AGroupingOrdersTheSpreadAndLeavesOutsidersAlone) {
    select({1, 2, 3});
    select_channel(kSpotIntensity);
    make_grouping({{2}, {1}});
    programmer::apply_wave_to_generator(2);
    EXPECT_EQ(generator(2, kSpotIntensity, programmer::kDelay), 0);
    EXPECT_EQ(generator(1, kSpotIntensity, programmer::kDelay), 85);
    EXPECT_EQ(generator(3, kSpotIntensity, programmer::kDelay), 255) << "in no subgroup";

    programmer::apply_rotate_to_figure(2);
    EXPECT_EQ(figure(2, programmer::kRotate), 0);
    EXPECT_EQ(figure(1, programmer::kRotate), 85);
    EXPECT_EQ(figure(3, programmer::kRotate), 255);
}

TEST_F(LibraryValues, FigureSpreadsGoOneOffsetPerFixtureWithPanAndTilt) {
    select({1, 2, 11, 5});  // fixture 11 is a dimmer without pan and tilt
    programmer::apply_rotate_to_figure(3);
    EXPECT_EQ(figure(1, programmer::kRotate), 0);
    EXPECT_EQ(figure(2, programmer::kRotate), 56);
    EXPECT_EQ(figure(5, programmer::kRotate), 112);
    EXPECT_EQ(figure(11, programmer::kRotate), 255);

    programmer::apply_wave_to_figure(2);
    EXPECT_EQ(figure(1, programmer::kFigureDelay), 0);
    EXPECT_EQ(figure(2, programmer::kFigureDelay), 85);
    EXPECT_EQ(figure(5, programmer::kFigureDelay), 0);
    EXPECT_EQ(figure(5, programmer::kFigureShift), 0);
    EXPECT_EQ(figure(5, programmer::kFigureWait), 0);

    programmer::apply_step_to_figure(3);
    EXPECT_EQ(figure(1, programmer::kFigureShift), 0);
    EXPECT_EQ(figure(2, programmer::kFigureShift), 1);
    EXPECT_EQ(figure(5, programmer::kFigureShift), 2);
    EXPECT_EQ(figure(5, programmer::kFigureWait), 8);
}

TEST_F(LibraryValues, SpreadsGoLiveThroughTheSetters) {
    runtime::run_flags |= runtime::RUN_LIVE_EDIT;
    select({1, 2});
    select_channel(kSpotIntensity);
    programmer::apply_wave_to_generator(2);
    const int byte = (record(2, kSpotIntensity) - 1) * 6 + programmer::kDelay;
    EXPECT_NE(runtime::generator_flags[byte] & runtime::FLAG_MANUAL, 0);
    EXPECT_EQ(runtime::manual_generators[byte], 85);
}

TEST_F(LibraryValues, FlipTurnsPanHalfATurnAndMirrorsTilt) {
    const int16_t pan = runtime::fixture_pantilt_table[1].pan.record;
    const int16_t tilt = runtime::fixture_pantilt_table[1].tilt.record;
    ASSERT_EQ(runtime::function_record_table[pan].range_max, 255);
    struct Case {
        uint16_t pan_before, tilt_before, pan_after, tilt_after;
    };
    // A spot turns its pan through 540 degrees and its tilt through 270.
    const Case cases[] = {{0, 55, 85, 200}, {255, 255, 170, 0}, {85, 0, 0, 255}, {128, 128, 42, 127}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pan_before);
        select({1});
        runtime::output_base_values[pan] = c.pan_before;
        runtime::output_base_values[tilt] = c.tilt_before;
        programmer::flip_pan_tilt();
        EXPECT_EQ(value(pan), c.pan_after);
        EXPECT_EQ(value(tilt), c.tilt_after);
    }
}

TEST_F(LibraryValues, FlipSkipsARecordWithoutARangeAndRunsOnShiftWithKey148) {
    select({1, 2});
    const int16_t pan1 = runtime::fixture_pantilt_table[1].pan.record;
    const int16_t pan2 = runtime::fixture_pantilt_table[2].pan.record;
    runtime::function_record_table[pan1].range_max = 0;
    runtime::output_base_values[pan1] = 0;
    runtime::output_base_values[pan2] = 0;
    rig_.hold(runtime::KEY_SHIFT, 50);
    rig_.press(runtime::KEY_TRACKERBALL_PANTILT);
    rig_.release(runtime::KEY_SHIFT, 50);
    EXPECT_EQ(value(pan1), 65535) << "a range of 0 is left alone";
    EXPECT_EQ(value(pan2), 85);
}

TEST_F(LibraryValues, MatchKeysIgnoreSpacesCaseAndWhatFollowsTheEighthCharacter) {
    struct Case {
        const char* a;
        const char* b;
        bool match;
    };
    const Case cases[] = {
        {"DEEP RED", "deepred", true},
        {"GOBO SPIN FAST", "Gobo SpiN slow", true},
        {"OPEN", "OPENED", false},
        {"  OPEN  ", "OPEN", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(programmer::predefined_match_key(c.a) == programmer::predefined_match_key(c.b), c.match)
            << c.a << " / " << c.b;
    }
}

TEST_F(LibraryValues, PredefinedEntryFindsTheSameNameOnOtherTypes) {
    select({1, 5, 11});  // a spot, a wash, a dimmer
    select_channel(kSpotStrobe);
    // The spot's strobe offers "OPEN" 255, "CLOSED" 16, "STROBE" 140; the
    // wash's strobe "OPEN" 255 and "STROBE" 140, both after the function's
    // own name "STROBE" (value 0), which is no value to match.
    programmer::apply_predefined_value(3);
    EXPECT_EQ(value(record(1, kSpotStrobe)), 140);
    EXPECT_EQ(value(record(5, kWashStrobe)), 140);
    EXPECT_EQ(value(record(11, 1)), 65535) << "the dimmer has no such entry";

    // An entry only the spot has leaves the wash unchanged.
    programmer::apply_predefined_value(2);
    EXPECT_EQ(value(record(1, kSpotStrobe)), 16);
    EXPECT_EQ(value(record(5, kWashStrobe)), 140);

    // Spelt otherwise on the wash, it still matches.
    set_wash_entry_text(kWashStrobe, 1, "op en");
    programmer::apply_predefined_value(1);
    EXPECT_EQ(value(record(5, kWashStrobe)), 255);
}

TEST_F(LibraryValues, PredefinedEntryOfValueZeroMatchesWhereItEndsTheList) {
    // The wash's strobe lists "OPEN" 255 and "STROBE" 140 (entries 1, 2);
    // entries 3 and 4 are set per case. The spot's item 2 is "CLOSED" 16.
    struct Case {
        const char* what;
        const char* text3;
        uint8_t value3;
        const char* text4;
        uint8_t value4;
        int expected;
    };
    const Case cases[] = {
        {"a real CLOSED at 0 ends the list and matches", "CLOSED", 0, "", 0, 0},
        {"a CLOSED with a value matches", "CLOSED", 7, "", 0, 7},
        {"nothing after the first value 0 is looked at", "SHUT", 0, "CLOSED", 9, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set_wash_entry(kWashStrobe, 3, c.text3, c.value3);
        set_wash_entry(kWashStrobe, 4, c.text4, c.value4);
        runtime::programmer_values[record(5, kWashStrobe)] = 65535;
        select({1, 5});
        select_channel(kSpotStrobe);
        programmer::apply_predefined_value(2);
        EXPECT_EQ(value(record(1, kSpotStrobe)), 16);
        EXPECT_EQ(value(record(5, kWashStrobe)), c.expected);
    }
}

TEST_F(LibraryValues, PredefinedInDefaultModeSetsOnlyTheDefaultValues) {
    ASSERT_NE(datafiles::default_values, nullptr);
    select({1});
    select_channel(kSpotStrobe);
    const int16_t r = record(1, kSpotStrobe);
    runtime::run_flags |= runtime::RUN_DEFAULT_MODE;
    programmer::apply_predefined_value(2);
    runtime::run_flags &= ~runtime::RUN_DEFAULT_MODE;
    EXPECT_EQ(datafiles::default_values[r], 16);
    EXPECT_EQ(value(r), 65535);
}

TEST_F(LibraryValues, LibraryColourGoesOnTheMixChannelsOfFixturesWithATable) {
    ASSERT_EQ(datafiles::color_library_count, 20);
    select({1, 5, 6});
    programmer::apply_library_color(3);  // filter 3: 0, 70, 200
    for (int16_t f : {5, 6}) {
        EXPECT_EQ(value(record(f, kWashCyan)), 0);
        EXPECT_EQ(value(record(f, kWashMagenta)), 70);
        EXPECT_EQ(value(record(f, kWashYellow)), 200);
    }
    EXPECT_EQ(programmer::last_color[2], 3);
    EXPECT_EQ(programmer::last_color[1], 0) << "the spot has no colour table";
    EXPECT_EQ(value(record(1, 5)), 65535);
}

}  // namespace
