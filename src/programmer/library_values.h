// Values set on every selected fixture at once from a choice made elsewhere:
// a colour of the filter library (the colour screen), a predefined entry of
// the selected function (the pickers), the pan/tilt flip, and the phase
// spreads WAVE, STEP and ROTATE that give the generators or figures of the
// selected fixtures successive phase offsets, in fixture order, in the order
// of the current grouping's subgroups, or shuffled.
//
// Every value goes through the edit step (programmer array, manual flag while
// live edit is on and blind off, then the setter), and each operation ends
// with a fader refresh unless the faders follow the output. Fixtures are
// visited in patch order 1..fixture_count.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "runtime/fixture_tables.h"

namespace programmer {

// Spread items 1..70: the group size is (k - 1) mod 35 + 1; items 36..70
// give the same offsets in random order.
constexpr int kSpreadItems = 70;
constexpr int kSpreadGroupMax = 35;
// The phase range of a spread: the DELAY and ROTATE limits.
constexpr int kSpreadRange = 170;

// [type 1..40]: the catalogue colour last applied to the type (1-based), the
// colour screen's cursor; 0 before any.
extern std::array<int16_t, runtime::kTypes + 1> last_color;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_library_values_globals();

// Catalogue colour n (1-based) on the RED, GREEN and BLUE functions of every
// fixture whose selected byte is 1 and whose type has a colour table; then one
// background poll.
void apply_library_color(int16_t n);

// Picker item k of the selected function's predefined entries, matched by
// name on every selected fixture's type (match_key); a fixture whose type has
// no matching entry is left alone. While the default-values screen runs only
// the default values change.
void apply_predefined_value(int16_t k);

// The name by which predefined entries of different types match: the first
// 8 characters without their spaces, in capitals.
std::string predefined_match_key(const std::string& text);

// Pan turned by 180 degrees and tilt mirrored on the selected fixtures whose
// type gives its pan and tilt ranges in degrees.
void flip_pan_tilt();

// The phase spreads of picker item k (1..70).
void apply_wave_to_generator(int16_t k);
void apply_step_to_generator(int16_t k);
void apply_rotate_to_figure(int16_t k);
void apply_wave_to_figure(int16_t k);
void apply_step_to_figure(int16_t k);

}  // namespace programmer
