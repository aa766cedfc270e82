// Set functions to default values (SELECT FUNCTIONS, 143, held while
// choosing): chosen functions go back to their channel's default value and
// their effects stop (SWING, or X-SWING and Y-SWING, at 0); the new values go
// to the stage at once through the setters.
#pragma once
#include <cstdint>

namespace memories {

// Channel c of fixture f. both: value and effect; otherwise FIGURE (144)
// decides: up the value only, held the effect only.
void set_function_to_default(int16_t fixture, int16_t channel, bool both);

// The dispatcher's handler of SELECT FUNCTIONS (143).
void run_set_functions_to_default();

}  // namespace memories
