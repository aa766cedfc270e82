// Undo on the demo rig: UNDO held and a fixture or fader key gives the chosen
// entries back from the look the programmer was loaded from, in the
// programmer only.
#include "memories/programmer_undo.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../programmer/programmer_test_rig.h"
#include "memories/memories.h"
#include "memories/memory_store.h"
#include "programmer/commands.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace {

using namespace runtime;

constexpr uint16_t kNotSet = 65535;
constexpr uint8_t kByteNotSet = 255;

size_t generator(int record, int p) { return static_cast<size_t>((record - 1) * 6 + p); }
size_t figure(int fixture, int p) { return static_cast<size_t>((fixture - 1) * 10 + p); }
size_t slot(int record, int s) { return static_cast<size_t>((record - 1) * 15 + s); }

class ProgrammerUndo : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        programmer_test::empty_programmer_with_default_times();
        for (size_t s = 1; s <= kShowTimeSlots; ++s) {
            programmer_times[s] = ui::default_times[(s - 1) % 5 + 1];
        }
    }

    // Memory 20 holds fixture 3 (SPOT16, records 33..48): pan 120, pan's
    // SWING 40, X-SWING 60, pan's fade in 77 and its delay out at the
    // default 13 (stored, flagged).
    static void store_memory_20() {
        programmer_values[33] = 120;
        programmer_generators[generator(33, 1)] = 40;
        programmer_figures[figure(3, 1)] = 60;
        programmer_times[slot(33, 2)] = 77;
        programmer_time_set[slot(33, 2)] = 1;
        programmer_times[slot(33, 3)] = 13;
        programmer_time_set[slot(33, 3)] = 1;
        ASSERT_TRUE(memories::store_memory_confirmed(20));
        memories::current_memory = 20;
        memories::programmer_from_cue = 0;
    }

    // The operator's edits after the recall.
    static void edit_fixture_3() {
        programmer_values[33] = 5;
        programmer_values[34] = 9;
        programmer_generators[generator(33, 1)] = 3;
        programmer_generators[generator(34, 2)] = 4;
        programmer_figures[figure(3, 1)] = 1;
        programmer_times[slot(33, 2)] = 88;
        programmer_times[slot(34, 1)] = 99;
        programmer_time_set[slot(34, 1)] = 1;
    }

    void undo_with(int16_t key) {
        rig_.hold(KEY_UNDO, 30);
        rig_.press(key, 20);
        rig_.release(KEY_UNDO, 50);
    }
};

TEST_F(ProgrammerUndo, AFixtureGetsBackTheCurrentMemoryAndTheStageStays) {
    store_memory_20();
    edit_fixture_3();
    programmer_values[49] = 7;  // fixture 4 is not chosen
    const uint8_t pan_on_stage = rig_.dmx(1, 33);
    undo_with(fixture_key(3));
    EXPECT_EQ(programmer_values[33], 120);
    EXPECT_EQ(programmer_values[34], kNotSet);
    EXPECT_EQ(programmer_generators[generator(33, 1)], 40);
    EXPECT_EQ(programmer_generators[generator(34, 2)], kByteNotSet);
    EXPECT_EQ(programmer_figures[figure(3, 1)], 60);
    EXPECT_EQ(programmer_times[slot(33, 2)], 77);
    EXPECT_EQ(programmer_time_set[slot(33, 2)], 1);
    EXPECT_EQ(programmer_times[slot(33, 3)], 13);
    EXPECT_EQ(programmer_time_set[slot(33, 3)], 0) << "a time equal to its default is not stored again";
    EXPECT_EQ(programmer_times[slot(34, 1)], 11);
    EXPECT_EQ(programmer_time_set[slot(34, 1)], 0);
    EXPECT_EQ(programmer_values[49], 7);
    rig_.run_ms(30);
    EXPECT_EQ(rig_.dmx(1, 33), pan_on_stage);
}

TEST_F(ProgrammerUndo, AFaderRangeUndoesThoseFunctionsOfTheSelection) {
    store_memory_20();
    edit_fixture_3();
    programmer_values[35] = 44;  // tilt, channel 3: not chosen
    programmer::fixture_selected[3] = 1;
    current_fixture = 3;
    function_page = 1;
    fader_bank = 0;
    rig_.hold(KEY_UNDO, 30);
    rig_.hold(fader_key(2), 20);
    rig_.press(fader_key(1), 20);
    rig_.release(fader_key(2), 20);
    rig_.release(KEY_UNDO, 50);
    EXPECT_EQ(programmer_values[33], 120);
    EXPECT_EQ(programmer_values[34], kNotSet);
    EXPECT_EQ(programmer_figures[figure(3, 1)], 60) << "pan brings the fixture's figure";
    EXPECT_EQ(programmer_values[35], 44);
}

TEST_F(ProgrammerUndo, ACueWithoutCueMemoryLeavesNothingSetAndDefaultTimes) {
    edit_fixture_3();
    memories::programmer_from_cue = 1;
    memories::programmer_cue_page = 1;
    memories::programmer_cue_number = 2;
    memories::programmer_cue_point = 1;
    memories::programmer_cue_memory = -1;
    undo_with(fixture_key(3));
    for (int r = 33; r <= 48; ++r) {
        EXPECT_EQ(programmer_values[r], kNotSet) << r;
        EXPECT_EQ(programmer_generators[generator(r, 1)], kByteNotSet) << r;
        EXPECT_EQ(programmer_time_set[slot(r, 1)], 0) << r;
    }
    EXPECT_EQ(programmer_times[slot(34, 1)], 11);
    EXPECT_EQ(programmer_figures[figure(3, 1)], kByteNotSet);
}

}  // namespace
