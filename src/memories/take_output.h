// Take output (TAKE OUTPUT, 198, held while choosing): what the stage shows
// now (the merged value, the running generator and figure parameters) goes
// into the programmer for the chosen fixtures, functions or classes; values
// that equal a stored preset become references to it again. Key 186 takes
// the lit fixtures and clears the dark ones.
#pragma once
#include <cstdint>

namespace memories {

// The dispatcher's handler of TAKE OUTPUT (198).
void run_take_output_to_programmer();

// The take of function record r of fixture f: the value and effect bytes
// replaced by the stage's where they differ, then the preset match.
void take_function_output(int16_t fixture, int16_t record);
// Finishes one function: direct values matched back to presets 1..70 of the
// function's class, figure bytes to effect presets, and the stage values
// sent back through the setters.
void take_function_output_into_programmer(int16_t record);

}  // namespace memories
