// The value setter and the colour rule, on the demo rig: which layer an edit
// reaches, what it marks for the output merge, and the DMX bytes that follow.
#include "programmer/programmer_values.h"

#include <gtest/gtest.h>

#include "programmer/fixture_functions.h"
#include "programmer_test_rig.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/console_flags.h"

namespace {

using programmer::kColourHeldBack;
using programmer::kColourReachesStage;
using runtime::FLAG_FROZEN;
using runtime::FLAG_MANUAL;

constexpr int16_t kPan1 = 1;       // fixture 1, coarse pan
constexpr int16_t kPanFine1 = 2;   // fixture 1, fine pan
constexpr int16_t kIris1 = 11;     // fixture 1, plain 8-bit channel

class ValueSetter : public programmer_test::DemoRig {
protected:
    static uint16_t live(int16_t r) { return runtime::layer_values[0][r]; }
    static uint8_t dirty(int16_t r) { return runtime::dirty_channels[r]; }
    static void clear_marks() {
        for (int r = 0; r <= runtime::function_record_count; ++r) runtime::dirty_channels[r] = 0;
        for (size_t f = 0; f <= runtime::kShowFixtures; ++f) runtime::dirty_fixtures[f] = 0;
    }
};

TEST_F(ValueSetter, RecordIndexOfAFixtureChannel) {
    EXPECT_EQ(programmer::get_function_record_index(1, 1), 1);
    EXPECT_EQ(programmer::get_function_record_index(7, 1), 89);
    EXPECT_EQ(programmer::get_function_record_index(7, 16), 104);
    EXPECT_EQ(programmer::get_function_record_index(12, 1), 146);
}

TEST_F(ValueSetter, LiveEditReachesTheDmxOutput) {
    programmer::edit_function_value(kIris1, 200);
    EXPECT_EQ(runtime::programmer_values[kIris1], 200);
    EXPECT_EQ(live(kIris1), 200);
    EXPECT_EQ(dirty(kIris1), 1);
    EXPECT_EQ(runtime::dirty_fixtures[1], 1);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 11), 200);
    EXPECT_EQ(dirty(kIris1), 0);
    // Fixture 7 lies on the second universe.
    programmer::edit_function_value(programmer::get_function_record_index(7, 14), 255);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(2, 14), 255);
}

TEST_F(ValueSetter, LivePathRefusals) {
    struct Case {
        const char* name;
        void (*arrange)();
    };
    const Case cases[] = {
        {"blind", [] { runtime::run_flags |= runtime::RUN_BLIND; }},
        {"frozen", [] { runtime::channel_flags[kIris1] |= FLAG_FROZEN; }},
        {"sequence 3 running", [] { playback::sequence_table[3].mode = 1; }},
        {"point-cue fade", [] { runtime::cue_fade_records.channels[kIris1].state = 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t run_flags = runtime::run_flags;
        runtime::layer_values[0][kIris1] = 40;
        clear_marks();
        c.arrange();
        programmer::edit_function_value(kIris1, 90);
        EXPECT_EQ(runtime::programmer_values[kIris1], 90);  // the programmer keeps the edit
        EXPECT_EQ(live(kIris1), 40);
        EXPECT_EQ(dirty(kIris1), 0);
        EXPECT_EQ(runtime::dirty_fixtures[1], 0);
        EXPECT_EQ(programmer::get_function_value_colour(kIris1), kColourHeldBack);
        runtime::run_flags = run_flags;
        runtime::channel_flags[kIris1] &= static_cast<uint16_t>(~FLAG_FROZEN);
        playback::sequence_table[3].mode = 0;
        runtime::cue_fade_records.channels[kIris1].state = 0;
    }
    EXPECT_EQ(programmer::get_function_value_colour(kIris1), kColourReachesStage);
}

TEST_F(ValueSetter, UnchangedValueMarksNothing) {
    programmer::set_function_value(kIris1, 77);
    clear_marks();
    programmer::set_function_value(kIris1, 77);
    EXPECT_EQ(dirty(kIris1), 0);
    EXPECT_EQ(runtime::dirty_fixtures[1], 0);
}

TEST_F(ValueSetter, FineEditMarksTheCoarseRecord) {
    clear_marks();
    programmer::set_function_value(kPanFine1, 9);
    EXPECT_EQ(live(kPanFine1), 9);
    EXPECT_EQ(dirty(kPan1), 1);
    EXPECT_EQ(dirty(kPanFine1), 0);
    // The merge sends both halves of the pair from the coarse record.
    programmer::set_function_value(kPan1, 130);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 1), 130);
    EXPECT_EQ(rig_.dmx(1, 2), 9);
}

TEST_F(ValueSetter, LiveEditHoldsTheFinePartnerAtItsOutput) {
    runtime::run_flags |= runtime::RUN_LIVE_EDIT;
    programmer::fixture_selected[1] = 1;
    runtime::output_base_values[kPanFine1] = 33;
    programmer::edit_function_value(kPan1, 140);
    EXPECT_NE(runtime::channel_flags[kPan1] & FLAG_MANUAL, 0);
    EXPECT_EQ(runtime::manual_values[kPan1], 140);
    EXPECT_NE(runtime::channel_flags[kPanFine1] & FLAG_MANUAL, 0);
    EXPECT_EQ(runtime::manual_values[kPanFine1], 33);
    EXPECT_EQ(live(kPan1), runtime::kValueNotSet);  // the live layer is left alone
    EXPECT_EQ(programmer::get_function_value_colour(kPan1), kColourReachesStage);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 1), 140);
    EXPECT_EQ(rig_.dmx(1, 2), 33);
    // A partner already manual keeps its own manual value.
    runtime::output_base_values[kPanFine1] = 99;
    programmer::edit_function_value(kPan1, 150);
    EXPECT_EQ(runtime::manual_values[kPanFine1], 33);
}

TEST_F(ValueSetter, ManualRecordOfAnUnselectedFixtureTakesTheLivePath) {
    runtime::channel_flags[kIris1] |= FLAG_MANUAL;
    programmer::set_function_value(kIris1, 60);
    EXPECT_EQ(live(kIris1), 60);
    EXPECT_NE(runtime::manual_values[kIris1], 60);
}

TEST_F(ValueSetter, InBlindNothingIsWrittenNorMarked) {
    runtime::run_flags |= runtime::RUN_LIVE_EDIT | runtime::RUN_BLIND;
    programmer::fixture_selected[1] = 1;
    clear_marks();
    const uint16_t manual_before = runtime::manual_values[kPan1];
    programmer::edit_function_value(kPan1, 210);
    EXPECT_EQ(runtime::programmer_values[kPan1], 210);
    EXPECT_EQ(runtime::channel_flags[kPan1] & FLAG_MANUAL, 0);  // blind sets no manual flag
    EXPECT_EQ(runtime::manual_values[kPan1], manual_before);
    EXPECT_EQ(live(kPan1), runtime::kValueNotSet);
    EXPECT_EQ(dirty(kPan1), 0);
    EXPECT_EQ(programmer::get_function_value_colour(kPan1), kColourHeldBack);
    runtime::channel_flags[kPan1] |= FLAG_MANUAL;
    EXPECT_EQ(programmer::get_function_value_colour(kPan1), kColourHeldBack);
}

TEST_F(ValueSetter, PlaybackOwnedRecordIsWrittenButShownHeldBack) {
    runtime::channel_flags[kIris1] |= static_cast<uint16_t>(5u << 9);
    programmer::set_function_value(kIris1, 120);
    EXPECT_EQ(live(kIris1), 120);
    EXPECT_EQ(dirty(kIris1), 1);
    EXPECT_EQ(programmer::get_function_value_colour(kIris1), kColourHeldBack);
    // A manual value wins over the owner in the colour rule.
    runtime::channel_flags[kIris1] |= FLAG_MANUAL;
    EXPECT_EQ(programmer::get_function_value_colour(kIris1), kColourReachesStage);
}

TEST_F(ValueSetter, RecordsOutsideTheRigAreRefused) {
    for (int16_t r : {int16_t{0}, int16_t{-1}, int16_t{147}, int16_t{2048}, int16_t{32767}}) {
        SCOPED_TRACE(r);
        programmer::edit_function_value(r, 10);
        programmer::set_function_value(r, 10);
        EXPECT_EQ(programmer::get_function_value_colour(r), kColourHeldBack);
    }
    EXPECT_EQ(runtime::programmer_values[147], runtime::kValueNotSet);
    EXPECT_EQ(live(147), runtime::kValueNotSet);
}

}  // namespace
