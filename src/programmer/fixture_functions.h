// Fixture functions as the programmer addresses them: the function record of
// a fixture's channel, and the function of another type that answers to the
// same named function (the cross-type map).
#pragma once
#include <cstdint>

namespace programmer {

// The function record of channel n (1..32) of fixture f: the fixture's first
// function record plus n - 1; 0 for a fixture outside 1..700.
int16_t get_function_record_index(int16_t fixture, int16_t channel);

// The 1-based channel of type B (0-based type index) that carries the same
// named function as channel c (1-based) of type A; 0 when B has none, or
// when either type is not loaded. STROBO answers STROBO, a dimmer function
// the lowest dimmer function of B, PAN and TILT and their fine halves their
// counterparts, and the colour, gobo, effect, prism, iris, zoom, focus and
// frost slots the same slot; knives and unnamed functions have none.
int map_function_between_types(int type_a, int channel, int type_b);

// The range a record's value is kept in by the effect engines: the first
// sub-function of its library function, or the whole 0..255 when the
// function has no sub-functions (or its type is not loaded).
void function_range(int16_t record, int& lo, int& hi);

}  // namespace programmer
