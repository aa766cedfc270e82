// Take output on the demo rig: TAKE OUTPUT held, the stage's values come into
// the programmer for what is chosen, references that still match stay, plain
// values turn back into the first preset that holds them, and key 186 takes
// the lit fixtures and clears the dark ones.
#include "memories/take_output.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/preset_file.h"
#include "programmer/programmer_values.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "ui/memory_access.h"

namespace {

using namespace runtime;

constexpr uint16_t kNotSet = 65535;
// Fixture 5 (WASHCMY): records 65..76, CTO (a colour function that is not
// part of the mix) 72, intensity 75; fixture 6: 77..88, intensity 87.
// Fixtures 11 and 12 (DIMMER): records 145 and 146.
constexpr int16_t kCto = 72;

class TakeOutput : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        std::fill_n(programmer_values, kShowRecords + 1, kNotSet);
        std::fill_n(programmer_generators, kShowGeneratorBytes + 1, uint8_t{255});
        std::fill_n(programmer_figures, kShowFigureBytes + 1, uint8_t{255});
    }

    // Colour preset p (value preset slot 70 + p) holding value v for record r.
    static void colour_preset(int p, int16_t r, uint16_t v) {
        auto* table = static_cast<uint16_t*>(datafiles::allocate_preset_table(static_cast<int16_t>(70 + p)));
        ASSERT_NE(table, nullptr);
        table[r] = v;
    }

    // The stage shows v on record r.
    void on_stage(int16_t r, uint16_t v) {
        programmer::set_function_value(r, v);
        rig_.run_ms(30);
        ASSERT_EQ(output_base_values[r], v);
    }

    void take_with(int16_t key) {
        rig_.hold(KEY_TAKE_OUTPUT, 30);
        rig_.press(key, 20);
        rig_.release(KEY_TAKE_OUTPUT, 50);
    }
};

struct MatchCase {
    const char* name;
    uint16_t programmed;
    uint16_t stage;
    uint16_t expected;
};

TEST_F(TakeOutput, ReferencesThatStillMatchStayAndPlainValuesFindTheirPreset) {
    colour_preset(5, kCto, 80);
    colour_preset(7, kCto, 90);
    const MatchCase cases[] = {
        {"preset 5 still equals the stage: its reference stays", 1075, 80, 1075},
        {"the stage differs: preset 7 holds the new value", 1075, 90, 1077},
        {"no preset holds it: the plain value", 1075, 91, 91},
        {"nothing programmed: the stage, matched to preset 5", kNotSet, 80, 1075},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        on_stage(kCto, c.stage);
        programmer_values[kCto] = c.programmed;
        take_with(fixture_key(5));
        EXPECT_EQ(programmer_values[kCto], c.expected);
    }
}

TEST_F(TakeOutput, KeyTwelveHeldThenKeyFiveTakesFixturesFiveToTwelve) {
    rig_.hold(KEY_TAKE_OUTPUT, 30);
    rig_.hold(fixture_key(12), 20);
    rig_.press(fixture_key(5), 20);
    rig_.release(fixture_key(12), 20);
    rig_.release(KEY_TAKE_OUTPUT, 50);
    EXPECT_EQ(programmer_values[64], kNotSet) << "fixture 4";
    for (int16_t r : {65, 76, 77, 145, 146}) EXPECT_EQ(programmer_values[r], output_base_values[r]) << r;
}

TEST_F(TakeOutput, LitFixturesAreTakenAndDarkOnesCleared) {
    on_stage(145, 9);    // fixture 11 at 9 with SWING 0: dark
    on_stage(146, 200);  // fixture 12: lit
    on_stage(75, 5);     // fixture 5's intensity: the whole wash dark
    on_stage(87, 100);   // fixture 6's: lit
    programmer_values[145] = 9;
    programmer_values[69] = 30;  // fixture 5's cyan, programmed
    programmer_values[1] = 50;   // fixture 1's pan; its intensity is at 0
    take_with(KEY_FULL);
    EXPECT_EQ(programmer_values[145], kNotSet);
    EXPECT_EQ(programmer_values[146], 200);
    EXPECT_EQ(programmer_values[69], kNotSet);
    EXPECT_EQ(programmer_values[75], kNotSet);
    EXPECT_EQ(programmer_values[87], 100);
    EXPECT_EQ(programmer_values[77], output_base_values[77]) << "fixture 6's pan comes along";
    EXPECT_EQ(programmer_values[1], kNotSet) << "a dark spot is cleared too";
}

TEST_F(TakeOutput, ADarkDimmerOfAnAllDimmerFixtureLosesItsGeneratorAndTimes) {
    on_stage(145, 4);  // fixture 11, one dimmer channel: dark
    const size_t generators = (145 - 1) * kGeneratorBytesPerRecord;
    programmer_generators[generators + 2] = 50;  // SPEED set, SWING not: still dark
    const size_t times = (145 - 1) * kTimeSlotsPerRecord;
    for (size_t s = 1; s <= kTimeSlotsPerRecord; ++s) {
        programmer_times[times + s] = 77;
        programmer_time_set[times + s] = 1;
    }
    take_with(KEY_FULL);
    EXPECT_EQ(programmer_values[145], kNotSet);
    for (size_t p = 1; p <= kGeneratorBytesPerRecord; ++p) EXPECT_EQ(programmer_generators[generators + p], 255) << p;
    for (size_t s = 1; s <= kTimeSlotsPerRecord; ++s) {
        EXPECT_EQ(programmer_times[times + s], ui::default_times[(s - 1) % 5 + 1]) << s;
        EXPECT_EQ(programmer_time_set[times + s], 0) << s;
    }
}

TEST_F(TakeOutput, ADimmerWithTheGoboPresetFlagFindsItsGoboPreset) {
    function_record_table[146].gobo_role = 1;  // fixture 12's dimmer, flagged for gobo presets
    auto* gobo2 = static_cast<uint16_t*>(datafiles::allocate_preset_table(140 + 2));
    ASSERT_NE(gobo2, nullptr);
    gobo2[146] = 200;
    on_stage(146, 200);
    take_with(fixture_key(12));
    EXPECT_EQ(programmer_values[146], 1142) << "gobo preset 2 holds the stage's value";
}

}  // namespace
