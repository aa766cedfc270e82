// The multi-fixture edit: one named function of every selected fixture set
// absolutely or moved relatively, with fan spread and 16-bit pairs. (Least
// bodies until the attribute delta is built.)
#pragma once
#include <cstdint>

namespace programmer {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_attribute_delta_globals();

// Channel c of the current type moved by delta d (old fader position minus
// new); selection mode s, fine allowed w, reset r. Returns the fine record of
// an edited 16-bit pair, -2 for the 16-bit/fan path without one, -1 for the
// plain path.
int16_t apply_delta_to_selected_functions(int16_t channel, int16_t delta, uint8_t selection_mode,
                                          uint8_t fine_allowed, uint8_t reset);

// The plain path of the above.
void apply_delta_without_fan(int16_t channel, int16_t delta, uint8_t selection_mode);

}  // namespace programmer
