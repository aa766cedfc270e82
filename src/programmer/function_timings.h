// Function timings: the five times of every function record (DELAY-IN,
// FADE-IN, DELAY-OUT, FADE-OUT, HOLD) in three timing groups, set from the
// timing bank of the fader panel (faders 2 to 6, belts, trackerball, keypad,
// with the fan) and from the time keys 396..400, which set one kind of time
// on a chosen split of fixtures and channels.
//
// Times are tenths of a second, 0..30000; 32000 is infinite, allowed for
// DELAY-OUT and HOLD only. A time equal to the default of its kind is stored
// with its set flag 0. The arrays are runtime::programmer_times and
// programmer_time_set: element (r - 1) * 15 + (g - 1) * 5 + k.
#pragma once
#include <array>
#include <cstdint>

namespace programmer {

constexpr int kTimeKinds = 5;
constexpr int kTimingGroups = 3;
constexpr int16_t kDelayIn = 1, kFadeIn = 2, kDelayOut = 3, kFadeOut = 4, kHold = 5;
constexpr int kTimeMax = 30000;        // 50 minutes
constexpr int kTimeInfinite = 32000;
constexpr int kTimeCancelled = 63000;  // a cancelled time entry

// The program's default time of each kind 1..5 (index 0 unused); the memory
// unpack refills it from the show.
extern std::array<uint16_t, kTimeKinds + 1> default_times;

// Bytes 0..2: timing groups 1..3 (0 absent, 1 enabled, 2 present but off;
// the third also says that the pan/tilt legend is shown); byte 3
// (kActiveTimingGroup): the active group 1..3 whose times the faders show
// (0 none).
constexpr int kActiveTimingGroup = 3;
extern std::array<uint8_t, kTimingGroups + 1> timing_group_flags;

// One timing fader per kind 1..5: the time written to the selection, the
// time shown and the bar level (time / 353 rounded up, infinite as 30000).
struct TimingFader {
    int16_t written = 0;
    int16_t shown = 0;
    uint8_t level = 0;
};
extern std::array<TimingFader, kTimeKinds + 1> timing_faders;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_function_timings_globals();

// The TIMING key (142): enters the timing bank from bank 0, leaves it from
// bank 3; nothing in banks 1 and 2.
void start_timing_edit_mode();

// Drawing of the timing bank: the wide or narrow fader layout, the labels,
// the five times of the active group and the group legend.
void lay_out_fader_panel(int16_t wide);
void show_timing_fader_labels();
void load_times_to_faders();
void show_timing_group_labels();

// Belt, trackerball and keypad edits of time kind k (1..5) by delta d (d
// below 0 raises the time; 0 writes the fader's time as it stands). Without
// the fan a belt step of |d| 3 counts 5 tenths, 4..5 count 15, 6..9 count 30
// and 10 or more 60.
void edit_times_by_wheel(int16_t kind, int16_t delta);

// Time t of kind k on every channel (no pan/tilt role, or PAN) of every
// selected fixture, in all three groups.
void apply_time_to_selected_fixtures(int16_t kind, uint16_t time);
// Time t of kind k on the chosen channels of the reference fixture f
// (flags[c] for channel c 1..32; classes[1..3] pan/tilt, gobo, colour) and
// their counterparts on every selected fixture.
void apply_time_to_split_selection(int16_t fixture, int16_t kind, uint16_t time,
                                   const std::array<uint8_t, 33>& channel_flags,
                                   const std::array<uint8_t, 5>& class_flags);

// The time keys DELAY IN (396) .. HOLD (400).
void run_edit_time_screen(int16_t key);

// EDIT VALUE (183) in the timing bank: minutes, seconds and tenths typed in.
void edit_fader_timing_value();

// The tenths of a time entry: minutes * 600 + seconds * 10 + tenths, where a
// tenths field of 10 or more is taken as hundredths and minutes from 50 give
// 50:00.0.
int32_t time_from_fields(int32_t minutes, int32_t seconds, int32_t tenths);

}  // namespace programmer
