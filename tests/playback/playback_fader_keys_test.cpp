// A playback raised and lowered from the PC keys of its fader, as a person at
// the PC moves the console's playback faders.
#include "host/fader_keys.h"

#include <gtest/gtest.h>

#include "../programmer/programmer_test_rig.h"
#include "memories/memory_store.h"
#include "playback/playback_loading.h"
#include "playback/playback_record.h"
#include "playback/playback_state.h"
#include "runtime/show_tables.h"

namespace {

class FaderKeysOnStage : public programmer_test::DemoRig {};

// Fixture 11's dimmer (universe 2, address 57) at 200 in memory 5 on
// playback 1: the keys bring it up step by step and take it out again.
TEST_F(FaderKeysOnStage, APlaybackFollowsItsFaderKeys) {
    constexpr int16_t kDimmer11 = 145;
    runtime::programmer_values[kDimmer11] = 200;
    ASSERT_TRUE(memories::store_memory_confirmed(5));
    runtime::programmer_values[kDimmer11] = runtime::kValueNotSet;
    programmer_test::load_playback_with_memory(1, 5);
    rig_.set_playback_fader(1, 0);
    rig_.run_ms(30);
    ASSERT_EQ(rig_.dmx(2, 57), 0);

    const auto key = [&](bool shift) {
        host::move_console_playback_fader(rig_.machine().cards, host::fader_move_of('1', shift));
        rig_.run_ms(30);
    };
    for (int i = 0; i < 4; ++i) key(false);  // raw 128
    EXPECT_EQ(playback::playback_active[1], 1);
    EXPECT_NEAR(rig_.dmx(2, 57), 100, 5) << "the fader at about half: about half of 200";
    for (int i = 0; i < 4; ++i) key(false);
    EXPECT_EQ(rig_.dmx(2, 57), 200);
    for (int i = 0; i < 8; ++i) key(true);
    EXPECT_EQ(rig_.dmx(2, 57), 0);
    EXPECT_EQ(playback::playback_active[1], 0);
}

}  // namespace
