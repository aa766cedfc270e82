// The output merge: every poll the live layer (layer 0: programmer, sequences,
// point-cue fade) and the 42 playback layers become the base value of each
// channel, generator parameter and figure parameter that was marked dirty.
//
// Targets: channels (one per function record r), generator parameters (six
// per record, i = 6 (r - 1) + k) and figure parameters (ten per fixture,
// i = 10 (f - 1) + k). Each has its layer values (runtime::layer_values,
// layer_generators, layer_figures), a manual layer and a flag word
// (runtime::channel_flags, generator_flags, figure_flags): bit 1 fade
// permission, bit 2 frozen, bit 3 manual, bits 9-15 the owning playback.
//
// Dirty marks: a writer sets the member's mark (dirty_channels,
// dirty_sub_channels, dirty_extras) and its fixture's mark (dirty_fixtures,
// one mark per fixture for all three kinds). The merge visits a fixture's
// members only when its mark is 1 and recomputes only marked members. A fine
// record of a 16-bit pair is merged with its coarse record: marking a fine
// record marks its coarse record.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_faders.h"
#include "runtime/show_tables.h"

namespace playback {

// Fade modes 0..5 (shown 1..6).
constexpr uint8_t kFadeWithPermission = 0;
constexpr uint8_t kFadeAll = 1;
constexpr uint8_t kSnapAll = 2;
constexpr uint8_t kSnapFull = 3;
constexpr uint8_t kFadeLtpDimmers = 4;
constexpr uint8_t kFadeLtpSnap = 5;
constexpr uint8_t kLastFadeMode = 5;

// The level at which a playback starts: 8-bit level 5 as 16 bits.
constexpr int32_t kPlaybackStartLevel = 5 * 257;
constexpr int32_t kFullLevel = 65535;

// Largest direct values of the generator parameters (SWING, then SPEED, MODE,
// DELAY, SHIFT, WAIT) and of the figure parameters (X-SWING, Y-SWING, then
// the other eight).
constexpr uint8_t kSwingLimit = 127;
constexpr uint8_t kParameterLimit = 170;

// Per playback 1..42 and function record 1..2048: the fade mode each record
// follows while the playback runs (built at the playback's start).
extern std::array<std::array<uint8_t, runtime::kShowRecords + 1>, kPlaybacks + 1> playback_fade_modes;
// Per fixture 1..700: 1 when the fixture's dimmer was lit at the last build
// of a fade-mode table; reset for every fixture at the start of each build.
extern std::array<uint8_t, runtime::kShowFixtures + 1> fixture_dimmer_open;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_output_merge_globals();

// Marks record r (its coarse record when r is a fine half) and its fixture.
void mark_channel_dirty(int16_t record);
void mark_sub_attribute_dirty(int i);  // generator parameter i
void mark_extra_dirty(int i);          // figure parameter i
// Every set target of playback p's layer.
void mark_playback_channels_dirty(int16_t p);
// Dimmer and strobe records of the fixtures in submaster g (1 or 2).
void mark_group_channels_dirty(int16_t g);
// Dimmer and strobe records; in fixture step mode every target.
void mark_dimmer_channels_dirty();
// Every record, generator parameter and figure parameter.
void mark_all_channels_dirty();

// The per-poll merge of the marked targets, then the figure and generator
// ticks that send the base values.
void update_dirty_outputs();

// One target each; called by update_dirty_outputs.
void merge_channel_output(int16_t record);
void merge_dimmer_channel(int16_t record);
void merge_sub_attribute_output(int i);
void merge_fixture_extra_output(int i);

// Hands a hand-set (manual) value back to the layers.
void release_programmer_value(int16_t record);
void release_programmer_sub_attribute_value(int i);
void release_programmer_extra_value(int i);
void release_all_programmer_values();

// Fills playback_fade_modes[p] from playback p's fade mode.
void build_playback_fade_modes(int16_t p);

// The closed and open dimmer values of a function record's fixture type
// (0 and 255 when it has none); closed above open is an inverted dimmer.
void dimmer_range(int record, int& closed, int& open);

// The blend of new value v over running value c by fraction f, rounded half up.
int32_t blend_values(int32_t v, int32_t c, double f);

}  // namespace playback
