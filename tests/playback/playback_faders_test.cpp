// The playbacks on the demo rig: faders start and stop them, flash keys in
// their three modes, the pick-up of a flash by the fader, DMX input, the
// sound trigger, and what reaches the stage.
#include "playback/playback_flash.h"

#include <gtest/gtest.h>

#include "../programmer/programmer_test_rig.h"
#include "memories/master_state.h"
#include "memories/memory_store.h"
#include "playback/cue_tables.h"
#include "playback/playback_labels.h"
#include "playback/playback_loading.h"
#include "playback/playback_record.h"
#include "runtime/card_discovery.h"
#include "runtime/key_codes.h"
#include "runtime/mouse_input.h"
#include "runtime/show_tables.h"
#include "setup/dmx_inputs.h"
#include "sync/sync_services.h"
#include "ui/fader_widget.h"

namespace {

using playback::PlaybackRecord;

constexpr int16_t kDimmer11 = 145;  // fixture 11, universe 2 address 57

class PlaybackFaders : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        // Memory 5: fixture 11's dimmer at 200.
        runtime::programmer_values[kDimmer11] = 200;
        ASSERT_TRUE(memories::store_memory_confirmed(5));
        runtime::programmer_values[kDimmer11] = runtime::kValueNotSet;
        rig_.set_master_fader(2, 255);  // FLASH full
        for (int p = 1; p <= 10; ++p) rig_.set_playback_fader(p, 0);
        rig_.run_ms(20);
    }
    // Playback p loaded with memory 5 in a flash mode, with its fade times.
    static void load(int p, uint8_t flash_mode, uint16_t fade_in = 0, uint16_t fade_out = 0) {
        PlaybackRecord record{};
        record.flags = playback::kProgrammed;
        record.memory = 5;
        record.fade_in = fade_in;
        record.fade_out = fade_out;
        playback::set_playback_flash_mode(record, flash_mode);
        playback::playback_table[playback::kPlaybackEditRecord] = record;
        playback::load_playback_from_record(static_cast<int16_t>(p));
    }
    static uint8_t state(int p) { return playback::playback_flash_state[static_cast<size_t>(p)]; }
    static int32_t level(int p) { return playback::playback_levels[static_cast<size_t>(p)]; }
    static int16_t bar(int p) { return ui::get_fader_widget_bar_colour(ui::playback_fader_widgets[static_cast<size_t>(p)]); }
    void fader(int p, uint8_t v) {
        rig_.set_playback_fader(p, v);
        rig_.run_ms(30);
    }
};

TEST_F(PlaybackFaders, LevelFiveStartsThePlaybackAndItsMemoryReachesTheStage) {
    load(1, playback::kFlashModeFlash);
    fader(1, 4);
    EXPECT_EQ(level(1), 4 * 257);
    EXPECT_EQ(playback::playback_active[1], 0) << "level 4 (1028) stays stopped";
    fader(1, 5);
    EXPECT_EQ(playback::playback_active[1], 1) << "level 5 (1285) starts";
    fader(1, 255);
    EXPECT_EQ(rig_.dmx(2, 57), 200);
    const ui::FaderWidget& widget = ui::playback_fader_widgets[1];
    EXPECT_EQ(widget.shown != 0 ? widget.level : widget.saved_level, 113);
    fader(1, 0);
    EXPECT_EQ(playback::playback_active[1], 0);
    EXPECT_EQ(rig_.dmx(2, 57), 0);
    // A playback without a memory is never started by its fader.
    fader(2, 255);
    EXPECT_EQ(playback::playback_active[2], 0);
    EXPECT_EQ(level(2), 65535);
}

// Fade in over 1 s to the FLASH master, hold, fade back over 2 s; the bar
// green, then light cyan, then red.
TEST_F(PlaybackFaders, FlashFadesInHoldsAndFadesBackToTheFader) {
    load(1, playback::kFlashModeFlash, 10, 20);
    rig_.hold(runtime::playback_key(1), 500);
    EXPECT_EQ(state(1), playback::kFlashFadingIn);
    EXPECT_NEAR(level(1), 32767, 400);
    EXPECT_EQ(bar(1), playback::kBarFlashOn);
    EXPECT_EQ(playback::playback_active[1], 1) << "a flash starts the playback";
    rig_.run_ms(600);
    EXPECT_EQ(state(1), playback::kFlashHolding);
    EXPECT_EQ(level(1), 65535);
    rig_.set_master_fader(2, 128);
    rig_.run_ms(30);
    EXPECT_EQ(level(1), 128 * 257) << "the hold follows the FLASH master";
    // Back to the fader at the full-range rate of 2 s: half the range in 1 s.
    rig_.release(runtime::playback_key(1), 500);
    EXPECT_EQ(state(1), playback::kFlashFadingOut);
    EXPECT_NEAR(level(1), 128 * 257 - 65535 / 4, 400);
    EXPECT_EQ(bar(1), playback::kBarFlashOut);
    rig_.run_ms(600);
    EXPECT_EQ(state(1), playback::kFlashIdle);
    EXPECT_EQ(level(1), 0);
    EXPECT_EQ(bar(1), playback::kBarIdle);
    EXPECT_EQ(playback::playback_active[1], 0);
}

TEST_F(PlaybackFaders, ToggleIgnoresTheReleaseAndKillEndsTheOtherKillOfItsCue) {
    load(1, playback::kFlashModeToggle);
    rig_.press(runtime::playback_key(1));
    rig_.run_ms(30);
    EXPECT_EQ(state(1), playback::kFlashHolding) << "fade-in 0 reaches the flash level at once";
    rig_.press(runtime::playback_key(1));
    rig_.run_ms(30);
    EXPECT_EQ(state(1), playback::kFlashIdle);

    // Playbacks 3 and 4 both KILL and loaded from cue slot 1; 5 KILL from slot 11.
    for (const int p : {3, 4, 5}) {
        load(p, playback::kFlashModeKill);
        PlaybackRecord record = playback::playback_table[static_cast<size_t>(p)];
        const int slot = p == 5 ? 11 : 1;
        playback::store_playback_in_cue(static_cast<int16_t>(p), slot, record);
        playback::playback_cue_origin[static_cast<size_t>(p)] = static_cast<int16_t>(slot);
    }
    rig_.press(runtime::playback_key(3));
    rig_.press(runtime::playback_key(5));
    rig_.run_ms(30);
    ASSERT_EQ(state(3), playback::kFlashHolding);
    ASSERT_EQ(state(5), playback::kFlashHolding);
    rig_.press(runtime::playback_key(4));
    rig_.run_ms(30);
    EXPECT_EQ(state(4), playback::kFlashHolding);
    EXPECT_EQ(state(3), playback::kFlashIdle) << "killed by 4 of the same cue";
    EXPECT_EQ(state(5), playback::kFlashHolding) << "another cue's KILL stays";
}

TEST_F(PlaybackFaders, MovingTheFaderThroughAHeldFlashPicksItUp) {
    load(1, playback::kFlashModeFlash);
    rig_.set_master_fader(2, 200);
    rig_.hold(runtime::playback_key(1), 50);
    ASSERT_EQ(state(1), playback::kFlashHolding);
    fader(1, 100);
    EXPECT_EQ(state(1), playback::kFlashHolding) << "below the flash level";
    EXPECT_EQ(level(1), 200 * 257);
    fader(1, 230);
    EXPECT_EQ(state(1), playback::kFlashIdle) << "moved through 200";
    EXPECT_EQ(level(1), 230 * 257);
    rig_.release(runtime::playback_key(1), 30);
    EXPECT_EQ(level(1), 230 * 257) << "the release of a picked-up flash changes nothing";
}

TEST_F(PlaybackFaders, DmxInputAboveTheFaderIsUsed) {
    setup::dmx_in1_enabled = 1;
    setup::dmx_in1_start = 1;
    fader(1, 60);
    rig_.set_dmx_input(1, 1, 150);
    rig_.run_ms(30);
    EXPECT_EQ(level(1), 150 * 257);
    rig_.set_dmx_input(1, 1, 20);
    rig_.run_ms(30);
    EXPECT_EQ(level(1), 60 * 257);
}

// Beats on two successive polls: press, release, press.
TEST_F(PlaybackFaders, SoundTriggerFlashesOnEachBeat) {
    load(1, playback::kFlashModeFlash);
    playback::set_playback_sound_band(playback::playback_table[1], 2);
    const auto scan = [](uint32_t beats) {
        synchro::audio_band_beats[2] = beats;
        playback::scan_playback_faders(0);
        return state(1);
    };
    for (int poll = 1; poll <= 6; ++poll) EXPECT_EQ(scan(0), playback::kFlashIdle) << poll;
    EXPECT_EQ(scan(1), playback::kFlashFadingIn) << "a beat presses";
    EXPECT_EQ(scan(2), playback::kFlashFadingOut) << "a beat right after the press releases";
    EXPECT_EQ(scan(2), playback::kFlashFadingIn) << "and the next poll presses again";
    for (int poll = 1; poll <= 3; ++poll) EXPECT_EQ(scan(2), playback::kFlashHolding) << poll;
    EXPECT_EQ(scan(2), playback::kFlashFadingOut) << "four polls after the press";

    // Without a hardware fader the sound trigger does not run.
    runtime::hw_option_flags.analogue_playbacks = 0;
    playback::playback_flash_state[1] = playback::kFlashIdle;
    EXPECT_EQ(scan(3), playback::kFlashIdle);
}

TEST_F(PlaybackFaders, TrackerballMovesTheOnScreenLevelOnlyWithoutAHardwareFader) {
    playback::selected_playback = 2;
    runtime::mouse_y = -40;
    playback::apply_trackerball_to_playback();
    EXPECT_EQ(playback::playback_fader_states[2].screen_level, 0) << "a hardware fader: unchanged";
    runtime::hw_option_flags.analogue_playbacks = 0;
    playback::apply_trackerball_to_playback();
    EXPECT_EQ(playback::playback_fader_states[2].screen_level, 40);
    runtime::mouse_y = -300;
    playback::apply_trackerball_to_playback();
    EXPECT_EQ(playback::playback_fader_states[2].screen_level, 255);
    runtime::mouse_y = 0;
    rig_.run_ms(30);
    EXPECT_EQ(level(2), 65535);
}

}  // namespace
