// The output merge on the demo rig: priorities, blends, thresholds and fade
// modes checked against a small model of the rule; dimmers, 16-bit pairs,
// generator and figure parameters, the manual layer, frozen channels and the
// dirty marks that decide what is merged.
#include "playback/output_merge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "memories/presets.h"
#include "merge_test_rig.h"
#include "runtime/console_flags.h"
#include "setup/fixture_type.h"

namespace {

using namespace merge_test;
using playback::kFadeAll;
using playback::kFadeLtpDimmers;
using playback::kFadeLtpSnap;
using playback::kFadeWithPermission;
using playback::kSnapAll;
using playback::kSnapFull;
constexpr uint16_t kNotSet = 65535;

// ---------------------------------------------------------------- the model

struct Source {
    int p = 1;
    int32_t level = 65535;   // below 1285 the playback is not active
    uint8_t threshold = 0;
    uint8_t mode = kFadeAll;
    uint16_t value = kNotSet;
};

struct Result {
    int value = 0;
    int owner = 0;
};

// The rule for an 8-bit channel without the dimmer flag, written plainly:
// the layer-0 value, then every active playback from 42 down to 1; one whose
// threshold is reached (or whose mode is 5) owns the channel and snaps or
// blends its value over what is there.
Result model(uint16_t layer0, bool permission, std::vector<Source> sources) {
    std::sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) { return a.p > b.p; });
    Result r{layer0 == kNotSet ? 0 : layer0, 0};
    for (const Source& s : sources) {
        if (s.level < 1285 || s.value == kNotSet) continue;
        const double t = s.threshold * 257.0;
        const double tc = t >= 65535 ? 65534 : std::max(t, 1285.0);
        double f = 0;
        bool snap = false;
        if (s.mode == 5) {
            f = s.level < tc ? s.level / tc : 1.0;
            snap = !permission;
        } else {
            if (t > s.level) continue;
            f = std::max(0.0, (s.level - tc) / (65535.0 - tc));
            snap = ((s.mode == 0 || s.mode == 4) && !permission) || s.mode == 2 || s.mode == 3;
        }
        r.owner = s.p;
        if (s.value == r.value) continue;
        r.value = snap ? s.value : static_cast<int>(std::floor(s.value * f + r.value * (1.0 - f) + 0.5));
    }
    return r;
}

class OutputMerge : public MergeRig {
protected:
    // Puts the sources on stage for record r and merges it once.
    Result merge_record(int16_t r, uint16_t layer0, bool permission, const std::vector<Source>& sources) {
        set_permission(r, permission);
        set_value(0, r, layer0);
        for (const Source& s : sources) {
            run_playback(s.p, s.level, s.mode);
            set_value(s.p, r, s.value);
            set_threshold(s.p, r, s.threshold);
        }
        playback::mark_channel_dirty(r);
        merge_now();
        Result out{base(r), owner(r)};
        for (const Source& s : sources) {
            stop_playback(s.p);
            clear_layer(s.p);
        }
        return out;
    }
};

// The merge's known cases, each against the model and against its
// worked-out figure.
TEST_F(OutputMerge, TableOfCasesAgainstTheModelAndTheGivenFigures) {
    struct Case {
        const char* name;
        uint16_t layer0;
        bool permission;
        std::vector<Source> sources;
        Result expected;
    };
    const std::vector<Case> cases = {
        {"no playback: the live layer, no owner", 77, true, {}, {77, 0}},
        {"live layer not set counts as 0", kNotSet, true, {}, {0, 0}},
        {"two snaps: the lower-numbered wins and owns",
         10, true, {{3, 65535, 0, kSnapAll, 50}, {10, 65535, 0, kSnapAll, 200}}, {50, 3}},
        {"crossfade at full over a snap: f = 1",
         10, true, {{3, 65535, 0, kFadeAll, 60}, {10, 65535, 0, kSnapAll, 200}}, {60, 3}},
        {"crossfade at its threshold over a snap: f = 0",
         10, true, {{3, 100 * 257, 100, kFadeAll, 60}, {10, 65535, 0, kSnapAll, 200}}, {200, 3}},
        {"threshold 0 at the start level: f = 0", 40, true, {{1, 1285, 0, kFadeAll, 240}}, {40, 1}},
        {"threshold 0 at full: f = 1", 40, true, {{1, 65535, 0, kFadeAll, 240}}, {240, 1}},
        {"threshold 255 below full does not qualify", 40, true, {{1, 65534, 255, kFadeAll, 240}}, {40, 0}},
        {"threshold 255 at full: f = 1", 40, true, {{1, 65535, 255, kFadeAll, 240}}, {240, 1}},
        {"threshold just above the level", 40, true, {{1, 2 * 257 * 10 - 1, 20, kSnapAll, 240}}, {40, 0}},
        {"127.5 rounds up", 0, true, {{1, 33410, 0, kFadeAll, 255}}, {128, 1}},
        {"127.49 rounds down", 0, true, {{1, 33409, 0, kFadeAll, 255}}, {127, 1}},
        {"mode 0 without fade permission snaps", 0, false, {{1, 20000, 0, kFadeWithPermission, 200}}, {200, 1}},
        {"mode 0 with fade permission fades", 0, true, {{1, 33410, 0, kFadeWithPermission, 200}}, {100, 1}},
        {"mode 3 snaps at the threshold", 0, true, {{1, 33410, 0, kSnapFull, 200}}, {200, 1}},
        {"mode 4 is mode 0 for a non-dimmer", 0, false, {{1, 20000, 0, kFadeLtpDimmers, 90}}, {90, 1}},
        {"entry 5 without permission snaps whatever the threshold",
         0, false, {{1, 1285, 255, kFadeLtpSnap, 180}}, {180, 1}},
        {"entry 5 with permission: complete at the threshold",
         0, true, {{1, 100 * 257, 100, kFadeLtpSnap, 180}}, {180, 1}},
        {"entry 5 with permission: half way to the threshold",
         0, true, {{1, 50 * 257, 100, kFadeLtpSnap, 180}}, {90, 1}},
        {"crossfade blends from what the higher playbacks made",
         0, true, {{2, 33410, 0, kFadeAll, 200}, {9, 65535, 0, kSnapAll, 100}}, {150, 2}},
        {"a stopped playback takes no part", 30, true, {{1, 1000, 0, kSnapAll, 200}}, {30, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result want = model(c.layer0, c.permission, c.sources);
        EXPECT_EQ(want.value, c.expected.value) << "model";
        EXPECT_EQ(want.owner, c.expected.owner) << "model";
        const Result got = merge_record(kFocus, c.layer0, c.permission, c.sources);
        EXPECT_EQ(got.value, c.expected.value);
        EXPECT_EQ(got.owner, c.expected.owner);
    }
}

// Random stages of up to four playbacks, each merged and modelled.
TEST_F(OutputMerge, RandomStagesFollowTheModel) {
    std::mt19937 random(20261210);
    auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int round = 0; round < 300; ++round) {
        std::vector<Source> sources;
        std::array<bool, 43> taken{};
        const int n = pick(0, 4);
        for (int k = 0; k < n; ++k) {
            int p = pick(1, 42);
            while (taken[static_cast<size_t>(p)]) p = p % 42 + 1;
            taken[static_cast<size_t>(p)] = true;
            const auto value = static_cast<uint16_t>(pick(0, 9) == 0 ? kNotSet : pick(0, 255));
            const uint8_t thresholds[] = {0, 1, 5, 100, 200, 254, 255};
            sources.push_back({p, pick(0, 9) == 0 ? 65535 : pick(0, 65535),
                               thresholds[pick(0, 6)], static_cast<uint8_t>(pick(0, 5)), value});
        }
        const auto layer0 = static_cast<uint16_t>(pick(0, 5) == 0 ? kNotSet : pick(0, 255));
        const bool permission = pick(0, 1) == 1;
        const Result want = model(layer0, permission, sources);
        const Result got = merge_record(kFocus, layer0, permission, sources);
        ASSERT_EQ(got.value, want.value) << "round " << round;
        ASSERT_EQ(got.owner, want.owner) << "round " << round;
    }
}

// Writes reach the merge through their marks, a poll after each: the result
// does not depend on the order in which the layers were written.
TEST_F(OutputMerge, EveryOrderOfTheWritesGivesTheSameOutput) {
    const std::vector<Source> sources = {
        {4, 40000, 20, kFadeAll, 210}, {7, 65535, 0, kSnapAll, 90}, {12, 30000, 0, kFadeAll, 30}};
    const Result want = model(15, true, sources);
    std::array<int, 3> order = {0, 1, 2};
    do {
        set_permission(kFocus, true);
        set_value(0, kFocus, 15);
        playback::mark_channel_dirty(kFocus);
        merge_now();
        for (const int k : order) {
            const Source& s = sources[static_cast<size_t>(k)];
            run_playback(s.p, s.level, s.mode);
            set_threshold(s.p, kFocus, s.threshold);
            set_value(s.p, kFocus, s.value);
            playback::mark_playback_channels_dirty(static_cast<int16_t>(s.p));
            merge_now();
        }
        EXPECT_EQ(base(kFocus), want.value);
        EXPECT_EQ(owner(kFocus), want.owner);
        for (const Source& s : sources) {
            stop_playback(s.p);
            clear_layer(s.p);
        }
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(OutputMerge, PresetReferencesResolvePerRecordAndAnEmptyPresetStillOwns) {
    static std::array<uint16_t, runtime::kShowRecords + 1> preset5;
    preset5.fill(kNotSet);
    preset5[kFocus] = 120;
    memories::value_preset_table[5] = preset5.data();
    const Result resolved = merge_record(kFocus, 10, true, {{6, 65535, 0, kSnapAll, 1005}});
    memories::value_preset_table[5] = nullptr;
    EXPECT_EQ(resolved.value, 120);
    EXPECT_EQ(resolved.owner, 6);
    const Result empty = merge_record(kFocus, 10, true, {{6, 65535, 0, kSnapAll, 1005}});
    EXPECT_EQ(empty.value, 10);
    EXPECT_EQ(empty.owner, 6);
}

// ---------------------------------------------------------------- marks

TEST_F(OutputMerge, OnlyMarkedMembersAreMerged) {
    run_playback(1, 65535, kSnapAll);
    set_value(1, kFocus, 200);
    set_value(1, kColourWheel, 50);
    merge_now();
    EXPECT_EQ(base(kFocus), 0) << "written without a mark: not merged";
    playback::mark_channel_dirty(kFocus);
    merge_now();
    EXPECT_EQ(base(kFocus), 200);
    EXPECT_EQ(base(kColourWheel), 0) << "same fixture, not marked";
    EXPECT_EQ(runtime::dirty_channels[kFocus], 0);
    EXPECT_EQ(runtime::dirty_fixtures[1], 0);
    // A member mark without its fixture's mark waits.
    runtime::dirty_channels[kColourWheel] = 1;
    merge_now();
    EXPECT_EQ(base(kColourWheel), 0);
    runtime::dirty_fixtures[1] = 1;
    merge_now();
    EXPECT_EQ(base(kColourWheel), 50);
}

TEST_F(OutputMerge, APlaybackLevelChangeMarksEverySetTargetOfItsLayer) {
    run_playback(2, 65535, kSnapAll);
    set_value(2, kFocus, 10);
    set_value(2, kDimmer12, 20);
    runtime::layer_generators[2][(kFocus - 1) * 6 + 1] = 5;
    runtime::layer_figures[2][3] = 7;
    playback::mark_playback_channels_dirty(2);
    EXPECT_EQ(runtime::dirty_channels[kFocus], 1);
    EXPECT_EQ(runtime::dirty_channels[kDimmer12], 1);
    EXPECT_EQ(runtime::dirty_channels[kColourWheel], 0);
    EXPECT_EQ(runtime::dirty_sub_channels[(kFocus - 1) * 6 + 1], 1);
    EXPECT_EQ(runtime::dirty_extras[3], 1);
    EXPECT_EQ(runtime::dirty_fixtures[1], 1);
    EXPECT_EQ(runtime::dirty_fixtures[12], 1);
    EXPECT_EQ(runtime::dirty_fixtures[11], 0);
}

// ---------------------------------------------------------------- manual, frozen

TEST_F(OutputMerge, ManualValueOverridesAndItsReleaseHandsBackToTheLayers) {
    run_playback(1, 65535, kSnapAll);
    set_value(1, kFocus, 200);
    runtime::channel_flags[kFocus] |= runtime::FLAG_MANUAL;
    runtime::manual_values[kFocus] = 33;
    playback::mark_channel_dirty(kFocus);
    merge_now();
    EXPECT_EQ(base(kFocus), 33);
    // Released while playback 1 owns it: the playback takes over, layer 0 stays.
    playback::merge_channel_output(kFocus);
    ASSERT_EQ(owner(kFocus), 1);
    set_value(0, kFocus, 12);
    playback::release_programmer_value(kFocus);
    EXPECT_EQ(runtime::channel_flags[kFocus] & runtime::FLAG_MANUAL, 0);
    EXPECT_EQ(runtime::manual_values[kFocus], kNotSet);
    EXPECT_EQ(runtime::layer_values[0][kFocus], 12);
    merge_now();
    EXPECT_EQ(base(kFocus), 200);
    // Released with no owner: layer 0 keeps the hand-set value.
    stop_playback(1);
    playback::mark_channel_dirty(kFocus);
    merge_now();
    runtime::channel_flags[kFocus] |= runtime::FLAG_MANUAL;
    runtime::manual_values[kFocus] = 44;
    playback::release_programmer_value(kFocus);
    EXPECT_EQ(runtime::layer_values[0][kFocus], 44);
    merge_now();
    EXPECT_EQ(base(kFocus), 44);
}

TEST_F(OutputMerge, FrozenChannelKeepsItsOutputUntilUnfrozenAndMarked) {
    set_value(0, kFocus, 70);
    playback::mark_channel_dirty(kFocus);
    merge_now();
    runtime::channel_flags[kFocus] |= runtime::FLAG_FROZEN;
    run_playback(3, 65535, kSnapAll);
    set_value(3, kFocus, 250);
    playback::mark_playback_channels_dirty(3);
    merge_now();
    EXPECT_EQ(base(kFocus), 70);
    runtime::channel_flags[kFocus] &= static_cast<uint16_t>(~runtime::FLAG_FROZEN);
    merge_now();
    EXPECT_EQ(base(kFocus), 70) << "lifting the freeze alone merges nothing";
    playback::mark_channel_dirty(kFocus);
    merge_now();
    EXPECT_EQ(base(kFocus), 250);
}

// ---------------------------------------------------------------- dimmers

TEST_F(OutputMerge, DimmerRuleHighestLowestOrLatest) {
    struct Case {
        const char* name;
        bool inverted;
        std::vector<Source> sources;
        int expected;
    };
    const std::vector<Case> cases = {
        {"highest of two snaps", false, {{1, 65535, 0, kSnapAll, 90}, {5, 65535, 0, kSnapAll, 200}}, 200},
        {"mode 1 scales up from closed", false, {{1, 33410, 0, kFadeAll, 200}}, 100},
        {"inverted: lowest wins", true, {{1, 65535, 0, kSnapAll, 90}, {5, 65535, 0, kSnapAll, 40}}, 40},
        {"LTP: the lower-numbered playback's value even when darker",
         false, {{1, 65535, 0, kFadeLtpDimmers, 30}, {5, 65535, 0, kSnapAll, 200}}, 30},
        {"below threshold takes no part", false, {{1, 1285, 200, kSnapAll, 255}}, 0},
    };
    setup::FixtureTypeDef* type = setup::fixture_type_defs[3];  // DIMMER
    ASSERT_NE(type, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        type->bytes[setup::kTypeDimmerClosed] = c.inverted ? 255 : 0;
        type->bytes[setup::kTypeDimmerClosed + 1] = c.inverted ? 0 : 255;
        set_value(0, kDimmer11, c.inverted ? 255 : 0);
        for (const Source& s : c.sources) {
            run_playback(s.p, s.level, s.mode);
            set_value(s.p, kDimmer11, s.value);
            set_threshold(s.p, kDimmer11, s.threshold);
        }
        playback::mark_channel_dirty(kDimmer11);
        merge_now();
        EXPECT_EQ(base(kDimmer11), c.expected);
        for (const Source& s : c.sources) {
            stop_playback(s.p);
            clear_layer(s.p);
        }
    }
}

// ---------------------------------------------------------------- 16-bit pairs

TEST_F(OutputMerge, SixteenBitPairCrossfadesOnCoarseAndFine) {
    set_value(0, kPan, 0);
    set_value(0, kPanFine, 0);
    run_playback(1, 33410, kFadeAll);  // f = 0.5
    set_value(1, kPan, 1);
    set_value(1, kPanFine, 0);
    playback::mark_playback_channels_dirty(1);
    merge_now();
    // Half of 256 (1 x 256 + 0) is 128: coarse 0, fine 128.
    EXPECT_EQ(base(kPan), 0);
    EXPECT_EQ(base(kPanFine), 128);
    EXPECT_EQ(owner(kPan), 1);
    EXPECT_EQ(owner(kPanFine), 1);
}

TEST_F(OutputMerge, FineRangesMapOntoTheFullByteAndADegenerateRangeCountsAsFull) {
    struct Case {
        const char* name;
        uint8_t min, max;
        uint16_t fine;
        int coarse_out, fine_out;
    };
    const Case cases[] = {
        {"0..255 stands", 0, 255, 77, 100, 77},
        {"0..127: 127 is the top of the fine byte", 0, 127, 127, 100, 127},
        {"0..127: 64 maps to 129 and back", 0, 127, 64, 100, 64},
        {"min = max counts as 0..255", 100, 100, 77, 100, 77},
        {"max below min counts as 0..255", 200, 10, 77, 100, 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtime::function_record_table[kPanFine].range_min = c.min;
        runtime::function_record_table[kPanFine].range_max = c.max;
        run_playback(1, 65535, kSnapAll);
        set_value(1, kPan, 100);
        set_value(1, kPanFine, c.fine);
        playback::mark_channel_dirty(kPanFine);  // the fine half marks its coarse half
        merge_now();
        EXPECT_EQ(base(kPan), c.coarse_out);
        EXPECT_EQ(base(kPanFine), c.fine_out);
    }
}

TEST_F(OutputMerge, ManualPairWithAnUnsetFinePartnerOutputsZero) {
    runtime::output_base_values[kPanFine] = 99;
    runtime::channel_flags[kPan] |= runtime::FLAG_MANUAL;
    runtime::manual_values[kPan] = 120;
    runtime::manual_values[kPanFine] = kNotSet;
    playback::mark_channel_dirty(kPan);
    merge_now();
    EXPECT_EQ(base(kPan), 120);
    EXPECT_EQ(base(kPanFine), 0);
}

// A dimmer that is the coarse half of a pair: its fine half follows the
// source whose value is output, not a stale value.
TEST_F(OutputMerge, SixteenBitDimmerWritesItsFineHalf) {
    constexpr int16_t kFineOfDimmer = 15;  // fixture 1's P/T SPEED, made the fine half here
    runtime::function_record_table[kIntensity].kind = setup::kKindCoarse;
    runtime::function_record_table[kIntensity].fine_partner = kFineOfDimmer;
    runtime::function_record_table[kFineOfDimmer].kind = setup::kKindFine;
    runtime::function_record_table[kFineOfDimmer].fine_partner = kIntensity;
    runtime::output_base_values[kFineOfDimmer] = 222;
    set_value(0, kIntensity, kNotSet);
    set_value(0, kFineOfDimmer, kNotSet);
    run_playback(1, 65535, kSnapAll);
    set_value(1, kIntensity, 180);
    set_value(1, kFineOfDimmer, 17);
    playback::mark_playback_channels_dirty(1);
    merge_now();
    EXPECT_EQ(base(kIntensity), 180);
    EXPECT_EQ(base(kFineOfDimmer), 17);
    stop_playback(1);
    playback::mark_channel_dirty(kIntensity);
    merge_now();
    EXPECT_EQ(base(kIntensity), 0);
    EXPECT_EQ(base(kFineOfDimmer), 0) << "the live layer holds nothing: 0, not the playback's old byte";
}

// ---------------------------------------------------------------- fade-mode table

TEST_F(OutputMerge, FadeModeSixSplitsLitAndDarkFixtures) {
    runtime::output_base_values[kIntensity] = 200;  // fixture 1 lit
    runtime::output_base_values[kDimmer11] = 0;     // fixture 11 dark
    run_playback(4, 65535, kFadeLtpSnap);
    const auto& table = playback::playback_fade_modes[4];
    EXPECT_EQ(table[kIntensity], kFadeLtpDimmers);
    EXPECT_EQ(table[kFocus], kFadeWithPermission);
    EXPECT_EQ(table[kDimmer11], kFadeLtpSnap);
    run_playback(5, 65535, kSnapAll);
    EXPECT_EQ(playback::playback_fade_modes[5][kFocus], kSnapAll);
}

// A fixture without a dimmer never reads an earlier build's answer.
TEST_F(OutputMerge, FixtureWithoutDimmerIsDarkAtEveryBuild) {
    for (int16_t r = 1; r <= 16; ++r) runtime::function_record_table[r].dimmer = 0;  // fixture 1 loses its dimmer
    playback::fixture_dimmer_open[1] = 1;  // left by an earlier build
    run_playback(4, 65535, kFadeLtpSnap);
    EXPECT_EQ(playback::fixture_dimmer_open[1], 0);
    EXPECT_EQ(playback::playback_fade_modes[4][kFocus], kFadeLtpSnap);
}

// ---------------------------------------------------------------- parameters

// Bytes 181..250 refer to effect presets; what a preset holds is capped at
// the parameter's limit (a stored SWING 200 goes out as 127).
TEST_F(OutputMerge, ParametersResolveEffectPresetsAreCappedAndFigureFractionsKept) {
    const int swing = (kFocus - 1) * 6 + 1;
    const int speed = swing + 1;
    static std::array<uint8_t, memories::kGeneratorPartBytes> generators;
    static std::array<uint8_t, memories::kFigurePartBytes> figures;
    generators.fill(255);
    figures.fill(255);
    generators[static_cast<size_t>(swing - 1)] = 200;
    generators[static_cast<size_t>(speed - 1)] = 175;
    figures[3] = 200;  // fixture 1's MODE
    memories::effect_preset_generators[1] = generators.data();
    memories::effect_preset_figures[1] = figures.data();
    run_playback(1, 65535, kSnapAll);
    runtime::layer_generators[1][swing] = 181;
    runtime::layer_generators[1][speed] = 181;
    runtime::layer_generators[1][speed + 1] = 182;  // MODE from preset 2, which is empty
    playback::mark_playback_channels_dirty(1);
    merge_now();
    EXPECT_EQ(runtime::generator_states[kFocus].parameters[0], 127);
    EXPECT_EQ(runtime::generator_states[kFocus].parameters[1], 170);
    EXPECT_EQ(runtime::generator_states[kFocus].parameters[2], 0) << "an empty preset counts as not set";
    EXPECT_EQ((runtime::generator_flags[swing] >> 9) & 0x7F, 1);
    EXPECT_EQ((runtime::generator_flags[speed + 1] >> 9) & 0x7F, 1) << "an empty preset still owns";

    // Figures of fixture 1: X-SWING 101 faded half way from 0 keeps a
    // fraction; MODE 200 from the preset is capped at 170.
    stop_playback(1);
    clear_layer(1);
    run_playback(2, 33410, kFadeAll);
    runtime::figure_flags[1] |= runtime::FLAG_FADES;
    runtime::layer_figures[0][1] = 0;
    runtime::layer_figures[2][1] = 101;
    run_playback(3, 65535, kSnapAll);
    runtime::layer_figures[3][4] = 181;
    playback::mark_playback_channels_dirty(2);
    playback::mark_playback_channels_dirty(3);
    merge_now();
    memories::effect_preset_generators[1] = nullptr;
    memories::effect_preset_figures[1] = nullptr;
    EXPECT_EQ(runtime::figure_states[1].parameters[0], 50);  // 101 x 256 / 2 = 12928 = 50 x 256 + 128
    EXPECT_EQ(runtime::figure_states[1].parameters[3], 170);
}

// ---------------------------------------------------------------- to DMX

TEST_F(OutputMerge, APlaybackReachesTheDmxOutputThroughTheEngines) {
    rig_.set_master_fader(1, 255);
    run_playback(1, 65535, kSnapAll);
    set_value(1, kDimmer11, 200);
    set_value(1, kFocus, 99);
    playback::mark_playback_channels_dirty(1);
    rig_.run_ms(30);
    EXPECT_EQ(rig_.dmx(2, 57), 200);
    EXPECT_EQ(rig_.dmx(1, 9), 99);
    stop_playback(1);
    playback::mark_playback_channels_dirty(1);
    rig_.run_ms(30);
    EXPECT_EQ(rig_.dmx(2, 57), 0);
    EXPECT_EQ(rig_.dmx(1, 9), 0);
}

TEST_F(OutputMerge, BlendRoundsHalfUp) {
    EXPECT_EQ(playback::blend_values(255, 0, 0.5), 128);
    EXPECT_EQ(playback::blend_values(0, 255, 0.5), 128);
    EXPECT_EQ(playback::blend_values(254, 0, 0.5), 127);
    EXPECT_EQ(playback::blend_values(200, 100, 0.0), 100);
    EXPECT_EQ(playback::blend_values(200, 100, 1.0), 200);
}

}  // namespace
