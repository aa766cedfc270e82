// The masters on the demo rig: the scaling figures, the strobe rule, the
// level sources and their precedence, the LEDs, and the marks that carry a
// master's move to the stage.
#include "memories/masters.h"

#include <gtest/gtest.h>

#include "../programmer/programmer_test_rig.h"
#include "memories/commands.h"
#include "memories/master_output.h"
#include "memories/master_state.h"
#include "memories/submaster_cells.h"
#include "playback/output_merge.h"
#include "runtime/console_flags.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "setup/dmx_inputs.h"

namespace {

constexpr int16_t kStrobe1 = 13;      // fixture 1's STROBE
constexpr int16_t kIntensity1 = 14;   // fixture 1's INTENSITY
constexpr int16_t kIntensity2 = 30;   // fixture 2's INTENSITY
constexpr int16_t kDimmer11 = 145;    // fixture 11, universe 2 address 57

class Masters : public programmer_test::DemoRig {
protected:
    static void set_levels(int16_t grand, int16_t sub1 = 255, int16_t sub2 = 255) {
        memories::master_levels[1] = grand;
        memories::master_levels[3] = sub1;
        memories::master_levels[4] = sub2;
    }
    static uint16_t sent(int16_t record) { return runtime::last_sent_values[record]; }
};

// The figures of extended-precision scaling: a full value lands one step
// low at many levels, where plain double arithmetic gives the exact ratio.
TEST(MasterScaling, GoldenFigures) {
    struct Case {
        int grand;
        int closed;
        int value;
        int expected;
    };
    const Case cases[] = {
        {128, 0, 255, 127}, {128, 0, 128, 64}, {128, 0, 1, 0},  {200, 0, 255, 199},
        {100, 0, 255, 99},  {0, 255, 0, 255},  {0, 0, 255, 0},  {255, 0, 200, 200},
    };
    for (const Case& c : cases) {
        const double factor = c.grand / 255.0;
        EXPECT_EQ(memories::scale_dimmer_value(static_cast<uint16_t>(c.value), c.closed, factor), c.expected)
            << "GRAND " << c.grand << " value " << c.value;
    }
    // GRAND 255 is the identity for every value, normal and inverted.
    for (int v = 0; v <= 255; ++v) {
        EXPECT_EQ(memories::scale_dimmer_value(static_cast<uint16_t>(v), 0, 1.0), v);
        EXPECT_EQ(memories::scale_dimmer_value(static_cast<uint16_t>(v), 255, 1.0), v);
    }
    // Plain double would give 128 here.
    EXPECT_EQ(static_cast<int>(0 - (0 - 255) * (128 / 255.0)), 128);
}

// An exact model of the scaling arithmetic, in integers: a number is m x 2^e;
// every step takes the exact result and rounds it to nearest (ties to even)
// on 64 bits (extended precision) or 53 bits (a stored double).
struct Binary {
    __int128 m = 0;
    int e = 0;
};

int bit_length(__int128 v) {
    int n = 0;
    for (; v > 0; v >>= 1) ++n;
    return n;
}

// (num / den) x 2^exp, both positive or num 0, to `bits` significant bits.
Binary round_to_bits(__int128 num, __int128 den, int exp, int bits) {
    if (num == 0) return {};
    const __int128 high = static_cast<__int128>(1) << bits;
    int k = bits - bit_length(num) + bit_length(den);  // num x 2^k / den near 2^bits
    __int128 q = 0, r = 0, d = 0;
    for (;; --k) {
        __int128 n = num;
        d = den;
        if (k >= 0) n <<= k; else d <<= -k;
        q = n / d;
        r = n % d;
        if (q < high) break;
    }
    if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
    if (q == high) {
        q >>= 1;
        --k;
    }
    return {q, exp - k};
}

Binary to_double(Binary x) { return round_to_bits(x.m, 1, x.e, 53); }

// closed - (closed - value) x factor, the factor GRAND / 255 then x SUB / 255
// for each submaster, each step in extended precision stored as a double;
// the product and difference in extended precision, truncated.
int model_scaled(int grand, std::initializer_list<int> subs, int closed, int value) {
    Binary f = to_double(round_to_bits(grand, 255, 0, 64));
    for (int sub : subs) f = to_double(round_to_bits(f.m * sub, 255, f.e, 64));
    if (f.m == 0) return closed;
    // The product (at most 61 bits) is exact; the difference is rounded.
    const __int128 n = (static_cast<__int128>(closed) << -f.e) - static_cast<__int128>(closed - value) * f.m;
    const Binary r = round_to_bits(n, 1, f.e, 64);
    return static_cast<int>(r.e >= 0 ? r.m << r.e : r.m >> -r.e);
}

TEST(MasterScaling, TheModelGivesTheKnownFigures) {
    EXPECT_EQ(model_scaled(128, {}, 0, 255), 127);
    EXPECT_EQ(model_scaled(200, {}, 0, 255), 199);
    EXPECT_EQ(model_scaled(128, {}, 0, 128), 64);
    EXPECT_EQ(model_scaled(0, {}, 255, 0), 255);
    EXPECT_EQ(model_scaled(255, {}, 0, 77), 77);
    EXPECT_EQ(model_scaled(102, {130}, 0, 255), 52);
}

TEST_F(Masters, SubmasterScalingFollowsTheExactModel) {
    memories::submaster_table[1][1] = 1;  // fixture 1 in SUB1
    memories::submaster_table[2][1] = 0;
    auto scaled = [](int closed, int value) {
        return memories::scale_dimmer_value(static_cast<uint16_t>(value), closed, memories::master_factor(1));
    };
    int wrong = 0;
    for (int grand = 0; grand <= 255; ++grand) {
        for (int sub = 0; sub <= 255; ++sub) {
            set_levels(static_cast<int16_t>(grand), static_cast<int16_t>(sub));
            for (int value : {255, 128}) {
                const int expected = model_scaled(grand, {sub}, 0, value);
                if (scaled(0, value) != expected && ++wrong <= 5) {
                    ADD_FAILURE() << "GRAND " << grand << " SUB1 " << sub << " value " << value << ": "
                                  << scaled(0, value) << ", the model " << expected;
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // Inverted dimmers (closed 255) and both submasters, at several levels.
    memories::submaster_table[2][1] = 1;
    for (int grand : {0, 1, 37, 102, 128, 200, 254, 255}) {
        for (int sub : {130, 77, 255}) {
            set_levels(static_cast<int16_t>(grand), static_cast<int16_t>(sub), 201);
            for (int value = 0; value <= 255; ++value) {
                EXPECT_EQ(scaled(255, value), model_scaled(grand, {sub, 201}, 255, value))
                    << "GRAND " << grand << " SUB " << sub << " value " << value;
            }
        }
    }
    // The worked case on its way to the stage.
    memories::submaster_table[2][1] = 0;
    set_levels(102, 130);
    memories::output_function_value_with_masters(kIntensity1, 255);
    EXPECT_EQ(sent(kIntensity1), 52);
}

TEST_F(Masters, DimmerScalingUsesGrandAndTheFixturesSubmasters) {
    memories::submaster_table[1][1] = 1;  // fixture 1 in SUB1
    set_levels(255, 0);
    memories::output_function_value_with_masters(kIntensity1, 200);
    memories::output_function_value_with_masters(kIntensity2, 200);
    memories::output_function_value_with_masters(kStrobe1, 200);
    EXPECT_EQ(sent(kIntensity1), 0) << "SUB1 at 0 closes its member";
    EXPECT_EQ(sent(kStrobe1), 0) << "SUB1 below 5 closes its member's strobe";
    EXPECT_EQ(sent(kIntensity2), 200) << "fixture 2 is not in SUB1";
    // GRAND 128 and SUB1 128 together: 255 x (128/255) x (128/255).
    set_levels(128, 128);
    memories::output_function_value_with_masters(kIntensity1, 255);
    EXPECT_EQ(sent(kIntensity1), 64);
}

// The same value sent again on every pass must follow each master move and
// each change of the fixture's submasters, never a result kept from before.
TEST_F(Masters, RepeatedValueFollowsEveryMasterChange) {
    struct Step {
        int16_t grand, sub1, sub2;
        uint8_t in_sub1, in_sub2;
        uint16_t value;
    };
    const Step steps[] = {
        {255, 255, 255, 0, 0, 255}, {128, 255, 255, 0, 0, 255}, {128, 255, 255, 1, 0, 255},
        {128, 100, 255, 1, 0, 255}, {128, 100, 255, 0, 0, 255}, {128, 100, 37, 0, 1, 255},
        {128, 100, 37, 1, 1, 255},  {128, 100, 37, 1, 1, 200},  {128, 100, 37, 1, 1, 255},
        {255, 255, 255, 0, 0, 255},
    };
    for (const Step& s : steps) {
        memories::submaster_table[1][1] = s.in_sub1;
        memories::submaster_table[2][1] = s.in_sub2;
        set_levels(s.grand, s.sub1, s.sub2);
        memories::output_function_value_with_masters(kIntensity1, s.value);
        const int expected = s.in_sub1 != 0 && s.in_sub2 != 0 ? model_scaled(s.grand, {s.sub1, s.sub2}, 0, s.value)
                             : s.in_sub1 != 0                 ? model_scaled(s.grand, {s.sub1}, 0, s.value)
                             : s.in_sub2 != 0                 ? model_scaled(s.grand, {s.sub2}, 0, s.value)
                                                              : model_scaled(s.grand, {}, 0, s.value);
        EXPECT_EQ(sent(kIntensity1), expected)
            << "GRAND " << s.grand << " SUB1 " << s.sub1 << (s.in_sub1 != 0 ? " (member)" : "") << " SUB2 " << s.sub2
            << (s.in_sub2 != 0 ? " (member)" : "") << " value " << s.value;
    }
}

TEST_F(Masters, StrobeClosesBelowFiveAndPassesFromFive) {
    set_levels(4);
    memories::output_function_value_with_masters(kStrobe1, 180);
    EXPECT_EQ(sent(kStrobe1), 0);
    set_levels(5);
    memories::output_function_value_with_masters(kStrobe1, 180);
    EXPECT_EQ(sent(kStrobe1), 180) << "a strobe is never scaled";
}

TEST_F(Masters, HeldRecordsInStepModeGoClosed) {
    set_levels(255);
    runtime::mode_flags |= runtime::MODE_FIXTURE_STEP;
    programmer::fixture_selected[2] = 1;
    memories::output_function_value_with_masters(kIntensity1, 200);
    memories::output_function_value_with_masters(kIntensity2, 200);
    EXPECT_EQ(sent(kIntensity1), 0) << "fixture 1 not selected: held at closed";
    EXPECT_EQ(sent(kIntensity2), 200);
    // Owned by a playback: scaled as usual.
    runtime::channel_flags[kIntensity1] |= static_cast<uint16_t>(3u << 9);
    memories::output_function_value_with_masters(kIntensity1, 200);
    EXPECT_EQ(sent(kIntensity1), 200);
}

TEST_F(Masters, LevelSourcesAndTheirPrecedence) {
    setup::dmx_in1_enabled = 1;
    setup::dmx_in1_start = 1;
    rig_.set_master_fader(1, 100);
    rig_.set_dmx_input(1, 11, 200);  // GRAND's external level: start + 10 for master 1
    rig_.run_ms(50);
    EXPECT_EQ(memories::master_levels[1], 200) << "DMX in 200 beats fader 100";
    rig_.set_master_fader(1, 220);
    rig_.run_ms(50);
    EXPECT_EQ(memories::master_levels[1], 220) << "fader 220 beats DMX in 200";
    // A start address beyond 496 switches the external level off.
    setup::dmx_in1_start = 497;
    rig_.set_master_fader(1, 100);
    rig_.run_ms(50);
    EXPECT_EQ(memories::master_levels[1], 100);
}

TEST_F(Masters, FlashKeyForcesFullUnlessTheKeysAreTaken) {
    rig_.set_master_fader(4, 40);
    rig_.run_ms(50);
    EXPECT_EQ(memories::master_levels[4], 40);
    rig_.hold(runtime::KEY_MASTER_4, 30);
    EXPECT_EQ(memories::master_levels[4], 255);
    rig_.release(runtime::KEY_MASTER_4, 30);
    EXPECT_EQ(memories::master_levels[4], 40);
    runtime::run_flags |= runtime::RUN_MASTER_KEYS_TAKEN;
    rig_.hold(runtime::KEY_MASTER_4, 30);
    EXPECT_EQ(memories::master_levels[4], 40);
    rig_.release(runtime::KEY_MASTER_4, 30);
    runtime::run_flags &= ~runtime::RUN_MASTER_KEYS_TAKEN;
    memories::master_timecode_flash[4] = 1;
    rig_.run_ms(20);
    EXPECT_EQ(memories::master_levels[4], 255) << "a timecode flash holds it at full";
}

TEST_F(Masters, SubmasterLedStaysOffWithoutMembers) {
    rig_.set_master_fader(3, 200);
    rig_.run_ms(50);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_MASTER_3], runtime::LED_OFF);
    memories::submaster_table[1][5] = 1;
    memories::init_submasters();
    EXPECT_EQ(memories::submaster_used[1], 1);
    memories::update_masters(1);
    rig_.run_ms(20);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_MASTER_3], runtime::LED_ON_2);
    rig_.set_master_fader(3, 3);
    rig_.run_ms(50);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_MASTER_3], runtime::LED_OFF) << "below 6 the LED is off";
}

// A move of GRAND marks the dimmers; the next poll sends the scaled value.
TEST_F(Masters, GrandMoveReachesTheStage) {
    rig_.set_master_fader(1, 255);
    runtime::layer_values[0][kDimmer11] = 255;
    playback::mark_channel_dirty(kDimmer11);
    rig_.run_ms(50);
    ASSERT_EQ(memories::master_levels[1], 255);
    EXPECT_EQ(rig_.dmx(2, 57), 255);
    rig_.set_master_fader(1, 128);
    rig_.run_ms(50);
    ASSERT_EQ(memories::master_levels[1], 128);
    EXPECT_EQ(rig_.dmx(2, 57), 127);
}

TEST_F(Masters, SelectionStopsAtTheEnds) {
    memories::selected_master = 4;
    memories::select_next_master();
    EXPECT_EQ(memories::selected_master, 4);
    memories::selected_master = 1;
    memories::select_previous_master();
    EXPECT_EQ(memories::selected_master, 1);
}

}  // namespace
