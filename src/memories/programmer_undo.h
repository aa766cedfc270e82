// Undo of programmer entries (UNDO, 378, held while choosing): the chosen
// fixtures or functions get back, in the programmer only, what the look the
// programmer was loaded from holds: the current memory, or the cue memory of
// the cue it was loaded from. The stage is not touched.
#pragma once

namespace memories {

// The dispatcher's handler of UNDO (378).
void run_undo_screen();

}  // namespace memories
