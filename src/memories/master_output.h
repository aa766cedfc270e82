// A record's value on its way to the channel level setter when it changed:
// plain, or scaled by the grand master and the fixture's submasters (dimmer
// and shutter functions). The effect engines call them for every record on
// every pass, so they record nothing.
#pragma once
#include <cstdint>

namespace memories {

// Sends value v of function record r when it differs from the level last
// sent (in fixture step mode a held record may take the solo memory's value).
void output_function_value(int16_t record, uint16_t value);

// The same with the masters' scaling: a dimmer value moves toward the type's
// closed value by the masters' factor; a strobe closes while GRAND or one of
// the fixture's submasters is below 5. Held records (fixture step mode) go
// to the closed value or the solo memory's value.
void output_function_value_with_masters(int16_t record, uint16_t value);

// The factor of fixture f: GRAND / 255, times SUB1 / 255 and SUB2 / 255 for
// the submasters it belongs to, each step stored as a double.
double master_factor(int16_t fixture);
// closed - (closed - v) x factor in extended precision, truncated.
uint16_t scale_dimmer_value(uint16_t value, int closed, double factor);

}  // namespace memories
