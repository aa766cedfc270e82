// Layer 0 from the step sources on the demo rig: which source sets an
// element and with what value (thresholds, fade modes, the early path of
// dark fixtures), dimmers highest or latest, 16-bit pairs, generator and
// figure bytes, the step fade modes and the fading lists.
#include "playback/live_layer.h"

#include <gtest/gtest.h>

#include <vector>

#include "memories/presets.h"
#include "merge_test_rig.h"
#include "playback/output_merge.h"
#include "playback/sequence_engine.h"
#include "runtime/fixture_tables.h"
#include "setup/fixture_type.h"

namespace {

using namespace merge_test;
constexpr uint16_t kNotSet = runtime::kValueNotSet;
constexpr uint8_t kByteNotSet = runtime::kByteNotSet;
constexpr int16_t kTilt = 3;
constexpr int16_t kTiltFine = 4;
constexpr int16_t kZoomRecord = 10;
constexpr int kFixture1 = 1;

class LiveLayer : public MergeRig {
protected:
    void SetUp() override {
        MergeRig::SetUp();
        for (int s = 1; s <= 5; ++s) playback::clear_sequence_step(static_cast<uint8_t>(s));
    }

    static runtime::SequenceStepBuffer& images(int src) { return runtime::sequence_step_buffers[static_cast<size_t>(src)]; }

    // Sequence s running at the progress, every record in fade mode m.
    static void run_sequence(int s, uint32_t progress, uint8_t mode = playback::kFadeAll) {
        playback::sequence_table[static_cast<size_t>(s)].mode = 1;
        playback::sequence_table[static_cast<size_t>(s)].flags = 1;
        playback::sequence_crossfade[static_cast<size_t>(s)].progress = progress;
        playback::sequence_channel_fade_modes[static_cast<size_t>(s)].fill(mode);
    }
    static void step_value(int s, int16_t record, uint16_t from, uint16_t to) {
        images(s).previous_values[record] = from;
        images(s).current_values[record] = to;
    }
    static void threshold(int s, int16_t record, uint8_t byte) {
        runtime::sequence_thresholds[static_cast<size_t>(s)][record] = byte;
    }
    static uint16_t layer0(int16_t record) { return runtime::layer_values[0][record]; }
    static int source_of(uint16_t flags) { return (flags >> 5) & 0xF; }
    static uint8_t& closed_byte(int16_t record) {
        auto* type = const_cast<setup::FixtureTypeDef*>(setup::type_def_of_index(runtime::function_record_table[record].type));
        return type->bytes[setup::kTypeDimmerClosed];
    }
};

// ------------------------------------------------------------------ plain channels

struct MixCase {
    const char* what;
    uint32_t progress;
    uint8_t threshold;
    uint8_t mode;
    bool permission;
    uint16_t expected;
};

TEST_F(LiveLayer, ChannelMixFollowsProgressThresholdAndFadeMode) {
    // Focus from 40 to 240 (a difference of 200).
    const std::vector<MixCase> cases = {
        {"start", 0, 0, playback::kFadeAll, true, 40},
        {"a quarter, rounded half up: 40 + 200 x 16384/65535 = 90.0008", 16384, 0, playback::kFadeAll, true, 90},
        {"half", 32768, 0, playback::kFadeAll, true, 140},
        {"complete", 65535, 0, playback::kFadeAll, true, 240},
        {"threshold 128 (32896) reached halfway to it: f = (49215 - 32896) / 32639 = 0.49998", 49215, 128,
         playback::kFadeAll, true, 140},
        {"threshold 255 (T = 65534): one step before the end nothing moved", 65534, 255, playback::kFadeAll, true, 40},
        {"threshold 255 at the end", 65535, 255, playback::kFadeAll, true, 240},
        {"mode 0 with fade permission fades", 32768, 0, playback::kFadeWithPermission, true, 140},
        {"mode 0 without fade permission snaps", 1, 0, playback::kFadeWithPermission, false, 240},
        {"mode 4 without fade permission snaps", 1, 0, playback::kFadeLtpDimmers, false, 240},
        {"mode 2 snaps", 1, 0, playback::kSnapAll, true, 240},
        {"mode 3 snaps", 1, 0, playback::kSnapFull, true, 240},
        {"mode 5, threshold 0: the early path snaps at the start", 0, 0, playback::kFadeLtpSnap, true, 240},
        {"mode 5 halfway to threshold 128: f = 16448 / 32896", 16448, 128, playback::kFadeLtpSnap, true, 140},
        {"mode 5 completes by the threshold", 32896, 128, playback::kFadeLtpSnap, true, 240},
        {"mode 5 on an exact half: 40 + 200 x 2056 / 32896 = 52.5 rounds up", 2056, 128, playback::kFadeLtpSnap, true,
         53},
        {"mode 5 without permission snaps at once", 0, 128, playback::kFadeLtpSnap, false, 240},
    };
    for (const MixCase& c : cases) {
        set_value(0, kFocus, kNotSet);
        set_permission(kFocus, c.permission);
        run_sequence(1, c.progress, c.mode);
        step_value(1, kFocus, 40, 240);
        threshold(1, kFocus, c.threshold);
        playback::compute_layer_zero_channel(kFocus);
        EXPECT_EQ(layer0(kFocus), c.expected) << c.what;
    }
}

TEST_F(LiveLayer, BelowItsThresholdASequenceLeavesTheChannelToTheNext) {
    // Sequences 2 and 3 both define focus; 2 wins while its progress has
    // reached the threshold, 3 sets it before.
    set_permission(kFocus, true);
    run_sequence(2, 20000);
    run_sequence(3, 65535);
    step_value(2, kFocus, 0, 100);
    step_value(3, kFocus, 0, 30);
    threshold(2, kFocus, 128);

    playback::compute_layer_zero_channel(kFocus);
    EXPECT_EQ(layer0(kFocus), 30);
    EXPECT_EQ(source_of(runtime::channel_flags[kFocus]), 3);

    playback::sequence_crossfade[2].progress = 65535;
    playback::compute_layer_zero_channel(kFocus);
    EXPECT_EQ(layer0(kFocus), 100);
    EXPECT_EQ(source_of(runtime::channel_flags[kFocus]), 2);
    EXPECT_EQ(runtime::dirty_channels[kFocus], 1);
    EXPECT_EQ(runtime::dirty_fixtures[kFixture1], 1);
}

TEST_F(LiveLayer, AStoppedSequenceOrAnUndefinedValueSetsNothing) {
    set_value(0, kFocus, 77);
    run_sequence(1, 65535);
    step_value(1, kFocus, 0, kNotSet);
    playback::compute_layer_zero_channel(kFocus);
    EXPECT_EQ(layer0(kFocus), 77);

    step_value(1, kFocus, 0, 10);
    playback::sequence_table[1].mode = 0;  // stopped
    playback::compute_layer_zero_channel(kFocus);
    EXPECT_EQ(layer0(kFocus), 77);
    EXPECT_EQ(runtime::dirty_channels[kFocus], 0);
}

TEST_F(LiveLayer, APresetReferenceResolvesAndADeletedPresetFallsThrough) {
    std::vector<uint16_t> preset(memories::kValuePresetValues, kNotSet);
    preset[kFocus] = 200;
    memories::value_preset_table[5] = preset.data();
    run_sequence(1, 65535);
    run_sequence(2, 65535);
    step_value(1, kFocus, 0, 1005);
    step_value(2, kFocus, 0, 33);

    playback::compute_layer_zero_channel(kFocus);
    EXPECT_EQ(layer0(kFocus), 200);

    memories::value_preset_table[5] = nullptr;  // deleted
    playback::compute_layer_zero_channel(kFocus);
    EXPECT_EQ(layer0(kFocus), 33);
    EXPECT_EQ(source_of(runtime::channel_flags[kFocus]), 2);
}

// ------------------------------------------------------------------ 16-bit pairs

TEST_F(LiveLayer, APairWithAFineRangeMixesOnSixteenBitsAndMapsBack) {
    // Tilt fine range 10..200: fine 10 is 0, 200 is 255 in the mix.
    runtime::function_record_table[kTiltFine].range_min = 10;
    runtime::function_record_table[kTiltFine].range_max = 200;
    set_permission(kTilt, true);
    run_sequence(1, 16384);
    step_value(1, kTilt, 100, 101);
    step_value(1, kTiltFine, 10, 200);
    // 25600 + 511 x 16384/65535 = 25727.75 -> 25728: coarse 100, low byte
    // 128 -> trunc(128 x 190 / 255 + 10) = 105.
    playback::compute_layer_zero_channel(kTilt);
    EXPECT_EQ(layer0(kTilt), 100);
    EXPECT_EQ(layer0(kTiltFine), 105);
    EXPECT_EQ(source_of(runtime::channel_flags[kTiltFine]), 1);

    // The whole crossfade never steps back.
    int last = 0;
    for (uint32_t p = 0; p <= 65535; p += 1024) {
        playback::sequence_crossfade[1].progress = p;
        playback::compute_layer_zero_channel(kTilt);
        const int combined = layer0(kTilt) * 256 + layer0(kTiltFine);
        EXPECT_GE(combined, last) << p;
        last = combined;
    }
    playback::sequence_crossfade[1].progress = 65535;
    playback::compute_layer_zero_channel(kTilt);
    EXPECT_EQ(layer0(kTilt), 101);
    EXPECT_EQ(layer0(kTiltFine), 200);
}

TEST_F(LiveLayer, AFineRangeWithoutWidthCountsAsTheFullRange) {
    runtime::function_record_table[kTiltFine].range_min = 50;
    runtime::function_record_table[kTiltFine].range_max = 50;
    set_permission(kTilt, true);
    run_sequence(1, 32768);
    step_value(1, kTilt, 0, 1);
    step_value(1, kTiltFine, 0, 0);
    // 0 -> 256 halfway: 128 as coarse 0, fine 128.
    playback::compute_layer_zero_channel(kTilt);
    EXPECT_EQ(layer0(kTilt), 0);
    EXPECT_EQ(layer0(kTiltFine), 128);
}

TEST_F(LiveLayer, APairSnapsBothHalvesAndTakesAnUndefinedFineAsZero) {
    run_sequence(1, 10, playback::kSnapAll);
    step_value(1, kTilt, 0, 90);
    step_value(1, kTiltFine, 0, kNotSet);
    set_value(0, kTiltFine, 77);
    playback::compute_layer_zero_channel(kTilt);
    EXPECT_EQ(layer0(kTilt), 90);
    EXPECT_EQ(layer0(kTiltFine), 0);
}

// ------------------------------------------------------------------ dimmers

TEST_F(LiveLayer, TheHighestRunningSequenceHoldsTheDimmer) {
    run_sequence(1, 65535);
    run_sequence(2, 65535);
    step_value(1, kDimmer11, 0, 100);
    step_value(2, kDimmer11, 0, 200);
    playback::compute_layer_zero_dimmer(kDimmer11);
    EXPECT_EQ(layer0(kDimmer11), 200);
    EXPECT_EQ(source_of(runtime::channel_flags[kDimmer11]), 2);
    EXPECT_EQ(runtime::sequence_run_buffer[2][kDimmer11], 1);

    // Sequence 2's next step leaves the dimmer undefined: it still holds the
    // value it last gave.
    step_value(2, kDimmer11, 200, kNotSet);
    step_value(1, kDimmer11, 100, 50);
    playback::compute_layer_zero_dimmer(kDimmer11);
    EXPECT_EQ(layer0(kDimmer11), 200);
    EXPECT_EQ(runtime::sequence_dimmer_values[1][kDimmer11], 50);

    // Once sequence 2 stops, sequence 1's value is the highest.
    playback::sequence_table[2].mode = 0;
    playback::compute_layer_zero_dimmer(kDimmer11);
    EXPECT_EQ(layer0(kDimmer11), 50);
}

TEST_F(LiveLayer, AnInvertedDimmerTakesTheLowest) {
    closed_byte(kDimmer11) = 255;
    (&closed_byte(kDimmer11))[1] = 0;  // open value
    run_sequence(1, 65535);
    run_sequence(2, 65535);
    step_value(1, kDimmer11, 0, 100);
    step_value(2, kDimmer11, 0, 200);
    playback::compute_layer_zero_dimmer(kDimmer11);
    EXPECT_EQ(layer0(kDimmer11), 100);
    EXPECT_EQ(source_of(runtime::channel_flags[kDimmer11]), 1);
}

TEST_F(LiveLayer, ADimmerInALatestTakesPrecedenceModeWinsOverHigherOnes) {
    set_permission(kDimmer11, true);
    run_sequence(1, 65535);
    run_sequence(2, 32768, playback::kFadeLtpDimmers);
    step_value(1, kDimmer11, 0, 250);
    step_value(2, kDimmer11, 0, 20);
    playback::compute_layer_zero_dimmer(kDimmer11);
    EXPECT_EQ(layer0(kDimmer11), 10);  // sequence 2 halfway from 0 to 20
    EXPECT_EQ(source_of(runtime::channel_flags[kDimmer11]), 2);

    // Mode 5 does not take the early path on a dimmer: with fade permission
    // it crossfades over the whole progress.
    run_sequence(2, 32768, playback::kFadeLtpSnap);
    playback::compute_layer_zero_dimmer(kDimmer11);
    EXPECT_EQ(layer0(kDimmer11), 10);
}

// ------------------------------------------------------------------ generator and figure bytes

TEST_F(LiveLayer, GeneratorBytesAreClampedToTheirLimits) {
    run_sequence(1, 65535);
    const int swing = (kFocus - 1) * 6 + 1;
    const int speed = swing + 1;
    images(1).current_generators[swing] = 150;
    images(1).current_generators[speed] = 180;
    playback::compute_layer_zero_sub_attribute(swing);
    playback::compute_layer_zero_sub_attribute(speed);
    EXPECT_EQ(runtime::layer_generators[0][swing], 127);
    EXPECT_EQ(runtime::layer_generators[0][speed], 170);
    EXPECT_EQ(runtime::dirty_sub_channels[swing], 1);
    EXPECT_EQ(source_of(runtime::generator_flags[swing]), 1);
}

TEST_F(LiveLayer, SwingExtrasKeepAFractionDuringACrossfade) {
    run_sequence(1, 16384);
    const int x_swing = (kFixture1 - 1) * 10 + 1;
    const int speed = (kFixture1 - 1) * 10 + 3;
    for (int i : {x_swing, speed}) {
        runtime::figure_flags[static_cast<size_t>(i)] |= runtime::FLAG_FADES;
        images(1).previous_figures[i] = 10;
        images(1).previous_figure_fractions[i] = 0;
        images(1).current_figures[i] = 11;
    }
    // 2560 -> 2816 a quarter of the way: 2624 = 10 and fraction 64.
    playback::compute_layer_zero_extra(x_swing);
    playback::compute_layer_zero_extra(speed);
    EXPECT_EQ(runtime::layer_figures[0][x_swing], 10);
    EXPECT_EQ(runtime::layer_figures_extra[x_swing], 64);
    EXPECT_EQ(runtime::layer_figures[0][speed], 10);
    EXPECT_EQ(runtime::layer_figures_extra[speed], 0);
    EXPECT_EQ(runtime::dirty_extras[x_swing], 1);

    // No extra passes its limit.
    playback::sequence_crossfade[1].progress = 65535;
    images(1).current_figures[x_swing] = 140;
    images(1).current_figures[speed] = 175;
    playback::compute_layer_zero_extra(x_swing);
    playback::compute_layer_zero_extra(speed);
    EXPECT_EQ(runtime::layer_figures[0][x_swing], 127);
    EXPECT_EQ(runtime::layer_figures_extra[x_swing], 0);
    EXPECT_EQ(runtime::layer_figures[0][speed], 170);
}

// ------------------------------------------------------------------ step fade modes

TEST_F(LiveLayer, ModeFiveMovesTheChannelsOfDarkFixturesEarly) {
    runtime::output_base_values[kIntensity] = 0;   // fixture 1 dark
    runtime::output_base_values[17 + 13] = 200;    // fixture 2 lit (its intensity)
    playback::sequence_step_fade_mode[1] = playback::kFadeLtpSnap;
    playback::build_step_fade_modes(1);
    const auto& modes = playback::sequence_channel_fade_modes[1];
    EXPECT_EQ(modes[kIntensity], playback::kFadeLtpSnap);
    EXPECT_EQ(modes[kFocus], playback::kFadeLtpSnap);
    EXPECT_EQ(modes[17 + 13], playback::kFadeLtpDimmers);
    EXPECT_EQ(modes[17 + 8], playback::kFadeWithPermission);
    // A dimmer channel at 0 is dark.
    EXPECT_EQ(modes[kDimmer11], playback::kFadeLtpSnap);

    playback::sequence_step_fade_mode[1] = playback::kSnapAll;
    playback::build_step_fade_modes(1);
    EXPECT_EQ(modes[kFocus], playback::kSnapAll);
    EXPECT_EQ(modes[kIntensity], playback::kSnapAll);
}

// ------------------------------------------------------------------ fading lists

TEST_F(LiveLayer, TheListsHoldWhatMustBeRecomputedOrWaitForItsHold) {
    // Sequence 1 fades focus; its colour wheel step is complete and shown.
    run_sequence(1, 1000);
    step_value(1, kFocus, 0, 100);
    step_value(1, kColourWheel, 30, 30);
    set_value(0, kColourWheel, 30);
    // The point cue holds dimmer 12 at 50, waiting for its HOLD to load a link.
    runtime::CueFadeRecord& cue = runtime::cue_fade_records.channels[kDimmer12];
    cue.state = 4;
    cue.linked_cue = 12;
    cue.hold = 5000;
    step_value(5, kDimmer12, 50, 50);
    set_value(0, kDimmer12, 50);

    playback::rebuild_fading_channel_list();
    EXPECT_EQ(runtime::cue_fade_lists.channels[kFocus], playback::kFadingRecompute);
    EXPECT_EQ(runtime::cue_fade_lists.channels[kColourWheel], 0);
    EXPECT_EQ(runtime::cue_fade_lists.channels[kDimmer12], playback::kFadingHoldWait);
    EXPECT_NE(runtime::cue_fade_lists.fixtures[kFixture1] & playback::kFadingChannels, 0);
    EXPECT_NE(runtime::cue_fade_lists.fixtures[12] & playback::kFadingChannels, 0);
    EXPECT_EQ(runtime::cue_fade_lists.fixtures[2], 0);

    // Complete but not yet shown: still recomputed; shown: out of the list.
    playback::sequence_crossfade[1].progress = 65535;
    playback::rebuild_fading_channel_list();
    EXPECT_EQ(runtime::cue_fade_lists.channels[kFocus], playback::kFadingRecompute);
    playback::compute_layer_zero_channel(kFocus);
    playback::rebuild_fading_channel_list();
    EXPECT_EQ(runtime::cue_fade_lists.channels[kFocus], 0);
}

TEST_F(LiveLayer, ADimmerLooksAtEverySourceUntilOneMakesItFade) {
    run_sequence(1, 65535);
    run_sequence(2, 100);
    step_value(1, kDimmer11, 0, 0);   // settled and shown
    set_value(0, kDimmer11, 0);
    step_value(2, kDimmer11, 0, 255);
    step_value(1, kFocus, 0, 0);
    step_value(2, kFocus, 0, 255);
    set_value(0, kFocus, 0);
    playback::rebuild_fading_channel_list();
    EXPECT_EQ(runtime::cue_fade_lists.channels[kDimmer11], playback::kFadingRecompute);
    EXPECT_EQ(runtime::cue_fade_lists.channels[kFocus], 0);  // stops at sequence 1
}

TEST_F(LiveLayer, APairWhoseFineHalfAloneChangesIsStillMixed) {
    run_sequence(1, 100);
    step_value(1, kTilt, 80, 80);
    step_value(1, kTiltFine, 0, 200);
    set_value(0, kTilt, 80);
    playback::rebuild_fading_channel_list();
    EXPECT_EQ(runtime::cue_fade_lists.channels[kTilt], playback::kFadingRecompute);
}

TEST_F(LiveLayer, TheElementPassRecomputesListedElementsButNotHandSetOnes) {
    run_sequence(1, 65535);
    step_value(1, kFocus, 0, 120);
    step_value(1, kZoomRecord, 0, 60);
    runtime::channel_flags[kZoomRecord] |= runtime::FLAG_MANUAL;
    const int swing = (kFocus - 1) * 6 + 1;
    images(1).current_generators[swing] = 40;
    playback::rebuild_fading_channel_list();

    EXPECT_FALSE(playback::run_fading_elements());
    EXPECT_EQ(layer0(kFocus), 120);
    EXPECT_EQ(layer0(kZoomRecord), kNotSet);
    EXPECT_EQ(runtime::cue_fade_lists.channels[kZoomRecord], playback::kFadingRecompute);  // still listed
    EXPECT_EQ(runtime::layer_generators[0][swing], 40);
    EXPECT_EQ(layer0(kColourWheel), kNotSet);
}

}  // namespace
