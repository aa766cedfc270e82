// Sub-function value mapping both ways, the predefined entry a value falls
// in, and the cross-type function map. A type made here holds one function
// per rule; the demo rig shows the tables as the show start builds them.
#include "programmer/value_mapping.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "programmer/fixture_functions.h"
#include "programmer_test_rig.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "setup/fixture_type.h"

namespace {

using programmer::map_fader_to_value;
using programmer::map_value_to_fader;

struct SubFunction {
    uint8_t from;
    uint8_t to;
};

// A type in slot 1 of the show (type index 0), the only one loaded; the
// types in place before are put back afterwards.
class MadeType : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = setup::fixture_type_defs;
        setup::fixture_type_defs.fill(nullptr);
        type_ = std::make_unique<setup::FixtureTypeDef>();
        type_->bytes[setup::kTypeChannelCount] = 8;
        set_function(1, {{0, 10}, {20, 30}});
        // function 2 has no sub-function table
        set_function(3, {{0, 255}});
        set_function(4, {{0, 10}, {20, 30}}, true);
        set_function(5, {{0, 100}, {200, 255}});
        set_function(6, {{5, 5}, {10, 255}});
        set_function(7, {{0, 25}, {76, 255}});
        setup::fixture_type_defs[1] = type_.get();
        programmer::init_subfunction_ranges();
    }
    void TearDown() override {
        setup::fixture_type_defs = saved_;
        programmer::init_subfunction_ranges();
        runtime::current_fixture_type = -1;
    }
    void set_function(int f, std::initializer_list<SubFunction> subs, bool invert = false) {
        const size_t table = setup::FixtureTypeDef::sub_table(f);
        int k = 0;
        for (const SubFunction& s : subs) {
            ++k;
            type_->bytes[table + setup::kSubFrom + k - 1] = s.from;
            type_->bytes[table + setup::kSubTo + k - 1] = s.to;
        }
        type_->bytes[table + setup::kSubCount] = static_cast<uint8_t>(k);
        type_->bytes[table + setup::kSubInvert] = invert ? 1 : 0;
    }
    void set_entry_value(int f, int entry, uint8_t value) {
        type_->bytes[setup::FixtureTypeDef::function_def(f) + setup::kFunctionEntryValues + entry] = value;
    }

    std::unique_ptr<setup::FixtureTypeDef> type_;
    std::array<setup::FixtureTypeDef*, setup::kMaxFixtureTypes + 1> saved_{};
};

TEST_F(MadeType, FaderRangesShareTheGaps) {
    const auto& low = programmer::subfunction_low_positions[1];
    const auto& high = programmer::subfunction_high_positions[1];
    EXPECT_EQ(high[1][1], 15);
    EXPECT_EQ(low[1][2], 16);
    EXPECT_EQ(high[1][2], 255);
    EXPECT_EQ(low[1][1], 0);
    EXPECT_EQ(high[5][1], 150);
    EXPECT_EQ(high[6][1], 7);
    EXPECT_EQ(low[6][2], 8);
    EXPECT_EQ(high[7][1], 50);
}

TEST_F(MadeType, ValueToFader) {
    struct Case {
        int function;
        uint8_t value;
        uint8_t position;
    };
    const Case cases[] = {
        {1, 0, 0},   {1, 10, 15},  {1, 12, 16},  {1, 20, 16},  {1, 30, 255}, {1, 31, 255}, {1, 200, 255},
        {2, 0, 0},   {2, 77, 0},   {2, 255, 0},
        {3, 0, 0},   {3, 128, 128}, {3, 255, 255},
        {4, 0, 255}, {4, 10, 240}, {4, 30, 0},
        {5, 9, 13},  // 13.5: an exact half rounds down
        {6, 5, 0},   {6, 7, 8},    // a single-value sub-function sits at its first position
        {7, 12, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "function " << c.function << " value " << int(c.value));
        EXPECT_EQ(map_value_to_fader(0, c.function, c.value), c.position);
    }
}

TEST_F(MadeType, FaderToValue) {
    struct Case {
        int function;
        uint8_t position;
        uint8_t value;
    };
    const Case cases[] = {
        {1, 15, 10}, {1, 16, 20}, {1, 255, 30}, {1, 0, 0},   {1, 14, 9},
        {2, 0, 0},   {2, 200, 0},
        {3, 0, 0},   {3, 99, 99},  {3, 255, 255},
        {4, 255, 0}, {4, 0, 30},
        {7, 25, 12},  // 12.5 rounds down
        {7, 27, 13},  // 13.5 rounds down
        {5, 19, 13},  // 12.67 rounds up
        {5, 20, 13},  // 13.33 rounds down
        {6, 0, 5},   {6, 7, 5},    // the whole range of a single value gives it
        {6, 8, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "function " << c.function << " position " << int(c.position));
        EXPECT_EQ(map_fader_to_value(0, c.function, c.position), c.value);
    }
}

TEST_F(MadeType, ValuesFromAGapNeverComeBack) {
    // Every position of the two-sub-function scale gives a value of one of
    // its sub-functions, never one inside the gap 11..19.
    for (int p = 0; p <= 255; ++p) {
        const uint8_t v = map_fader_to_value(0, 1, static_cast<uint8_t>(p));
        EXPECT_TRUE(v <= 10 || (v >= 20 && v <= 30)) << "position " << p << " gives " << int(v);
    }
}

TEST_F(MadeType, UnknownTypesAndFunctionsMapToZero) {
    for (int t : {-1, 1, 39, 40, 1000}) {
        EXPECT_EQ(map_value_to_fader(t, 1, 12), 0) << t;
        EXPECT_EQ(map_fader_to_value(t, 1, 200), 0) << t;
    }
    for (int f : {0, -3, 33, 300}) {
        EXPECT_EQ(map_value_to_fader(0, f, 12), 0) << f;
        EXPECT_EQ(map_fader_to_value(0, f, 200), 0) << f;
    }
}

TEST_F(MadeType, PredefinedEntryOfAValue) {
    runtime::current_fixture_type = 0;
    // All 35 entries present, at values 1..35.
    for (int e = 0; e < setup::kPredefinedEntries; ++e) set_entry_value(3, e, static_cast<uint8_t>(e + 1));
    EXPECT_EQ(programmer::find_predefined_entry(3, 0), 1);   // below entry 2's value
    EXPECT_EQ(programmer::find_predefined_entry(3, 1), 1);
    EXPECT_EQ(programmer::find_predefined_entry(3, 2), 2);
    EXPECT_EQ(programmer::find_predefined_entry(3, 17), 17);
    EXPECT_EQ(programmer::find_predefined_entry(3, 255), 35);
    // A zero value ends the list.
    set_entry_value(3, 5, 0);
    EXPECT_EQ(programmer::find_predefined_entry(3, 255), 5);
    runtime::current_fixture_type = -1;
    EXPECT_EQ(programmer::find_predefined_entry(3, 255), 1);
}

// --- the demo rig ---------------------------------------------------------------

class DemoRigMapping : public programmer_test::DemoRig {};

TEST_F(DemoRigMapping, ShowStartBuildsTheFaderRanges) {
    // SPOT16 (type 1): the colour wheel's ranges lie back to back, so value
    // and position agree; the iris runs inverted.
    EXPECT_EQ(programmer::subfunction_high_positions[1][5][7], 127);
    EXPECT_EQ(programmer::subfunction_low_positions[1][5][8], 128);
    for (int v : {0, 9, 10, 55, 127, 128, 255}) {
        EXPECT_EQ(map_value_to_fader(0, 5, static_cast<uint8_t>(v)), v);
        EXPECT_EQ(map_fader_to_value(0, 5, static_cast<uint8_t>(v)), v);
    }
    EXPECT_EQ(map_value_to_fader(0, 11, 0), 255);
    EXPECT_EQ(map_value_to_fader(0, 11, 200), 55);
    EXPECT_EQ(map_fader_to_value(0, 11, 255), 0);
}

TEST_F(DemoRigMapping, PredefinedEntryOfTheColourWheel) {
    runtime::current_fixture_type = 0;
    const setup::FixtureTypeDef* spot = setup::type_def_of_index(0);
    ASSERT_NE(spot, nullptr);
    struct Case {
        int16_t value;
        const char* text;
    };
    const Case cases[] = {{5, "WHITE"}, {14, "WHITE"}, {15, "DEEP RED"}, {60, "VIOLET"}, {255, "WHEEL SPIN"}};
    for (const Case& c : cases) {
        const int entry = programmer::find_predefined_entry(5, c.value);
        EXPECT_EQ(spot->entry_text(5, entry - 1), c.text) << c.value;
    }
}

TEST_F(DemoRigMapping, CrossTypeMap) {
    // Types: 0 SPOT16, 1 WASHCMY, 2 DIMMER.
    struct Case {
        int type_a;
        int channel;
        int type_b;
        int expected;
    };
    const Case cases[] = {
        {0, 14, 1, 11},  // dimmer to dimmer
        {0, 14, 2, 1},
        {2, 1, 0, 14},
        {0, 13, 1, 10},  // STROBO
        {0, 13, 2, 0},   // no STROBO on a dimmer
        {0, 1, 1, 1},    // PAN and its fine half
        {0, 2, 1, 2},
        {0, 4, 1, 4},    // the fine half of TILT
        {0, 2, 2, 0},
        {0, 5, 1, 8},    // COLOR1
        {0, 10, 1, 9},   // ZOOM
        {0, 6, 1, 0},    // GOBO1: the wash has none
        {0, 16, 1, 0},   // an unnamed function
        {1, 5, 0, 0},    // RED: the spot has none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type_a << "/" << c.channel << " -> " << c.type_b);
        EXPECT_EQ(programmer::map_function_between_types(c.type_a, c.channel, c.type_b), c.expected);
        EXPECT_EQ(runtime::type_function_map[c.type_a + 1][c.channel][c.type_b + 1], c.expected);
    }
    EXPECT_EQ(runtime::type_function_map[1][7][1], 7);
}

}  // namespace
