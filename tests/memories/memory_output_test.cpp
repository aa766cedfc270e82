// A memory straight into the live layer (the timecode player's road): the
// written targets are marked, so the stage follows at the next poll, and
// hand-set targets are left alone.
#include "memories/memory_output.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../programmer/programmer_test_rig.h"
#include "memories/memory_store.h"
#include "playback/output_merge.h"
#include "programmer/commands.h"
#include "runtime/console_flags.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"

namespace {

class MemoryOutput : public programmer_test::DemoRig {};

TEST_F(MemoryOutput, LiveLayerWritesAreMarkedAndReachTheStage) {
    std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
    runtime::programmer_values[9] = 140;   // fixture 1 FOCUS, universe 1 channel 9
    runtime::programmer_values[10] = 60;   // fixture 1 ZOOM, hand-set below
    ASSERT_TRUE(memories::store_memory_confirmed(30));
    runtime::layer_values[0][9] = 0;
    runtime::layer_values[0][10] = 0;
    runtime::channel_flags[10] |= runtime::FLAG_MANUAL;
    runtime::manual_values[10] = 5;
    playback::mark_channel_dirty(10);
    rig_.run_ms(20);
    memories::apply_memory_to_output(30, memories::kIntoLiveLayer);
    EXPECT_EQ(runtime::layer_values[0][9], 140);
    EXPECT_EQ(runtime::dirty_channels[9], 1);
    EXPECT_EQ(runtime::layer_values[0][10], 0) << "a hand-set target is left alone";
    rig_.run_ms(20);
    EXPECT_EQ(rig_.dmx(1, 9), 140);
    EXPECT_EQ(rig_.dmx(1, 10), 5);
    memories::apply_memory_to_output(4001, memories::kIntoLiveLayer);  // refused
    memories::apply_memory_to_output(0, memories::kThroughSetters);
}

TEST_F(MemoryOutput, ThroughTheSettersLiveEditMarksTheSelectedFixturesAsManual) {
    std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
    std::fill_n(runtime::programmer_generators, runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
    runtime::programmer_values[9] = 140;   // fixture 1 FOCUS
    runtime::programmer_values[25] = 150;  // fixture 2 FOCUS
    runtime::programmer_generators[(9 - 1) * 6 + 2] = 40;  // fixture 1 FOCUS generator SPEED
    ASSERT_TRUE(memories::store_memory_confirmed(30));
    struct Case {
        const char* what;
        uint32_t flags;
        bool marked;
    };
    const Case cases[] = {
        {"live edit", runtime::RUN_LIVE_EDIT, true},
        {"live edit but blind", runtime::RUN_LIVE_EDIT | runtime::RUN_BLIND, false},
        {"no live edit", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        runtime::channel_flags[9] &= static_cast<uint16_t>(~runtime::FLAG_MANUAL);
        runtime::channel_flags[25] &= static_cast<uint16_t>(~runtime::FLAG_MANUAL);
        runtime::generator_flags[(9 - 1) * 6 + 2] &= static_cast<uint16_t>(~runtime::FLAG_MANUAL);
        programmer::fixture_selected[1] = 1;  // fixture 2 is not selected
        runtime::run_flags = (runtime::run_flags & ~(runtime::RUN_LIVE_EDIT | runtime::RUN_BLIND)) | c.flags;
        memories::apply_memory_to_output(30, memories::kThroughSetters);
        EXPECT_EQ((runtime::channel_flags[9] & runtime::FLAG_MANUAL) != 0, c.marked);
        EXPECT_EQ((runtime::generator_flags[(9 - 1) * 6 + 2] & runtime::FLAG_MANUAL) != 0, c.marked);
        EXPECT_EQ(runtime::channel_flags[25] & runtime::FLAG_MANUAL, 0) << "fixture 2 is not selected";
    }
    runtime::run_flags &= ~(runtime::RUN_LIVE_EDIT | runtime::RUN_BLIND);
}

}  // namespace
