// The multi-fixture edit: the operator moves the fader of one channel c of
// the current fixture, and the same named function of every selected fixture
// follows, as the same value (absolute) or as the same movement added to each
// fixture's own value (relative), in fan mode scaled per fixture so that the
// selection spreads out. Pan and tilt follow each fixture's orientation and
// inversion; a 16-bit pair is edited as one quantity q = position * 256 +
// fraction; a fixture pushed past 0 or 255 remembers by how far, so that the
// spread comes back when the movement returns.
//
// Per-record state lives in the show tables (reset at every show start):
// relative_values is runtime::wheel_last_values, relative positions and
// fractions are the two step-remainder tables, the limit overflows the two
// counter tables. All are read as signed 16-bit values.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/show_tables.h"

namespace programmer {

// Return values of apply_delta_to_selected_functions besides a fine record.
constexpr int16_t kDeltaPlainPath = -1;
constexpr int16_t kDeltaWidePath = -2;

// Selection modes: 1 the selection unless the entry reached is for the
// current fixture only, 2 the selection always, any other only the fader.
constexpr uint8_t kSelectionUnlessCurrentOnly = 1;
constexpr uint8_t kSelectionAlways = 2;

// Edit modes (the two bits of runtime::MODE_EDIT_MODE).
constexpr int kEditAbsolute = 0;
constexpr int kEditRelative = 1;
constexpr int kEditFan = 2;

// The fan factor of each fixture 1..700, recomputed at every fan edit.
extern std::array<double, runtime::kShowFixtures + 1> fan_weights;
// -1 when the last relative pan or tilt edit left every selected fixture at
// the low limit, 1 at the high limit, 0 otherwise; plain and 16-bit paths.
extern int16_t pan_limit_direction;
extern int16_t tilt_limit_direction;
extern int16_t pan_limit_direction_16;
extern int16_t tilt_limit_direction_16;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_attribute_delta_globals();

// The edit mode now (kEditAbsolute, kEditRelative or kEditFan).
int edit_mode();
// The change in 1/256 of a position that one belt step makes at the present
// belt resolution (256 at 8 bits .. 1 at 16 bits), and 1 above 8 bits.
int16_t belt_step();
uint8_t belt_fine_mode();

// The per-record caches, signed, by function record (a record outside the
// tables reads 0 and is not written).
int16_t limit_overflow(int16_t record);
void set_limit_overflow(int16_t record, int16_t overflow);
int16_t limit_overflow_fine(int16_t record);
int16_t relative_position(int16_t record);
int16_t relative_fraction(int16_t record);

// Numbers the selected fixtures that have a counterpart of channel c of the
// current type in patch order and shapes them by fan_shape 1..5; returns how
// many take part (the fan is active from 2).
int compute_fan_weights(int16_t channel);

// Channel c of the current type moved by delta d (old fader position minus
// new: a negative d raises); selection mode s, fine allowed w (the 16-bit
// path), reset r (clears the sub-step overflow of the edited record first).
// Returns the current fixture's fine record when a 16-bit pair was edited (its
// belt must be rewritten too), kDeltaWidePath for the 16-bit/fan path without
// one, kDeltaPlainPath for the plain path. A channel outside the current
// type, or no current fixture, edits nothing (kDeltaPlainPath).
int16_t apply_delta_to_selected_functions(int16_t channel, int16_t delta, uint8_t selection_mode,
                                          uint8_t fine_allowed, uint8_t reset);

// The plain path of the above: whole positions, no fan.
void apply_delta_without_fan(int16_t channel, int16_t delta, uint8_t selection_mode);
// The same edit of the default values (the default-value screen): the
// selected fixtures' defaults move, relative edits starting from each
// fixture's default; the fan mode acts as relative.
void apply_delta_to_default_values(int16_t channel, int16_t delta, uint8_t selection_mode);

// The channel that an edit of channel ch reaches on fixture f: the oriented
// counterpart of its pan and tilt channels, else the knife remap, else ch.
int16_t oriented_channel(int16_t fixture, int16_t channel);
// Channel c of the current type on fixture f (the cross-type map), 0 none.
int16_t counterpart_channel(int16_t fixture, int16_t channel);
// The fader channel of the current fixture that shows fine record r: the
// oriented PAN fine or TILT fine channel for a pan or tilt fine record, else
// the record's own channel.
int16_t fine_fader_channel(int16_t record);

}  // namespace programmer
