// The sequence commands: start and stop, GO, direction, SYNC and trigger mode
// of sequences 1..4. (Least bodies until the commands are built: they record
// their arguments.)
#pragma once
#include <cstdint>

namespace playback {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sequence_commands_globals();

// Starts or stops sequence 1..4 (mode 1 from the operator).
void toggle_sequence_run(int16_t sequence, uint8_t mode);

}  // namespace playback
