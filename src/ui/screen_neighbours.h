// What the main screen reads and calls from other modules that are not
// built yet: two flag bits of the console state, the fixture and point-cue
// panels of the left column, the current cue times, the control-channel
// faders and free counters, the freeze counts and the memory status. Each
// name is declared in its owner's namespace; the owner's own module takes it
// over and these least bodies go.
#pragma once
#include <array>
#include <cstdint>

namespace runtime {

constexpr uint32_t RUN_LIVE_EDIT = 1u << 2;         // run_flags: programmer values go live ("Fixtures Manual")
constexpr uint32_t OPT_SETTINGS_EDITOR = 1u << 19;  // option_flags: a settings editor owns the lower-left frame

}  // namespace runtime

namespace programmer {

// The fixture selection panel of the left column and the group key LEDs.
void draw_fixture_screen();
void update_group_leds();

}  // namespace programmer

namespace playback {

constexpr int kCueTimes = 5;  // delay in, fade in, delay out, fade out, hold

// The times of the cue fade last started, in tenths of a second; 32000 is infinite.
extern std::array<int32_t, kCueTimes> current_cue_times;

// The cue screen's point-cue panel in the left column.
void draw_point_cue_panel();

}  // namespace playback

namespace ui {

// The 16 control-channel faders with their title strip (top right).
void draw_control_channel_faders();
// The box of the three free counters above the lower-left frame.
void draw_free_counters();

// Playbacks, sequences and fixtures frozen by the freeze switches.
extern int16_t frozen_playback_count;
extern int16_t frozen_sequence_count;
extern int16_t frozen_fixture_count;

// The free-memory state last shown: level 0 normal, 1 low, 2 critical; percent free.
extern uint8_t status_level;
extern int16_t status_percent;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_screen_neighbours_globals();

}  // namespace ui
