// The demo rig with helpers to put playbacks on stage for the merge tests.
//
// Demo rig records used here: fixture 1 (SPOT16) pan 1 / pan fine 2, tilt
// 3 / 4, colour wheel 5 (no fade permission), focus 9 (fade permission),
// strobe 13, intensity 14; fixture 11 (DIMMER) intensity 145; fixture 12
// intensity 146.
#pragma once
#include <gtest/gtest.h>

#include "../programmer/programmer_test_rig.h"
#include "playback/output_merge.h"
#include "playback/playback_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"

namespace merge_test {

constexpr int16_t kPan = 1;
constexpr int16_t kPanFine = 2;
constexpr int16_t kColourWheel = 5;  // snaps: no fade permission
constexpr int16_t kFocus = 9;        // fades
constexpr int16_t kStrobe = 13;
constexpr int16_t kIntensity = 14;
constexpr int16_t kDimmer11 = 145;
constexpr int16_t kDimmer12 = 146;

class MergeRig : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        for (int p = 1; p <= playback::kPlaybacks; ++p) clear_layer(p);
    }

    static void clear_layer(int p) {
        const auto layer = static_cast<size_t>(p);
        std::fill_n(runtime::layer_values[layer], runtime::kShowRecords + 1, runtime::kValueNotSet);
        std::fill_n(runtime::layer_generators[layer], runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
        std::fill_n(runtime::layer_figures[layer], runtime::kShowFigureBytes + 1, runtime::kByteNotSet);
        std::fill_n(runtime::playback_thresholds[layer], runtime::kShowRecords + 1, uint8_t{0});
    }

    // Playback p running at level with fade mode m (its table built).
    static void run_playback(int p, int32_t level, uint8_t mode = playback::kFadeAll) {
        const auto i = static_cast<size_t>(p);
        playback::playback_table[i].fade_mode = mode;
        playback::playback_table[i].flags = 1;
        playback::playback_active[i] = level >= playback::kPlaybackStartLevel ? 1 : 0;
        playback::playback_levels[i] = level;
        playback::build_playback_fade_modes(static_cast<int16_t>(p));
    }

    static void stop_playback(int p) {
        playback::playback_active[static_cast<size_t>(p)] = 0;
        playback::playback_levels[static_cast<size_t>(p)] = 0;
    }

    static void set_value(int layer, int16_t record, uint16_t value) {
        runtime::layer_values[static_cast<size_t>(layer)][record] = value;
    }
    static void set_threshold(int p, int16_t record, uint8_t byte) {
        runtime::playback_thresholds[static_cast<size_t>(p)][record] = byte;
    }
    static uint16_t base(int16_t record) { return runtime::output_base_values[record]; }
    static int owner(int16_t record) { return (runtime::channel_flags[record] >> 9) & 0x7F; }
    static void set_permission(int16_t record, bool on) {
        uint16_t& flags = runtime::channel_flags[record];
        flags = on ? static_cast<uint16_t>(flags | runtime::FLAG_FADES) : static_cast<uint16_t>(flags & ~runtime::FLAG_FADES);
    }

    // One merge pass on the test's thread (the console waits for the baton).
    static void merge_now() { playback::update_dirty_outputs(); }
};

}  // namespace merge_test
