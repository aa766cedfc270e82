// A record's value on its way to the channel level setter when it changed:
// plain, or scaled by the grand master and the fixture's submasters (dimmer
// and shutter functions). Until the masters are built both send the value
// as it is; they run on every pass of the effect engines, so they record
// nothing.
#pragma once
#include <cstdint>

namespace memories {

// Sends value v of function record r when it differs from the level last
// sent (in fixture step mode a held record may take the solo memory's value).
void output_function_value(int16_t record, uint16_t value);

// The same with the masters' scaling of intensity and shutter values.
void output_function_value_with_masters(int16_t record, uint16_t value);

}  // namespace memories
