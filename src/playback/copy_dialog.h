// The COPY dialog of the cue screen: while COPY is held the operator chooses
// what to copy (a programmed cue slot of the shown page, or live playbacks
// and sequences), then, while TO-ITEM is held, where to: another cue slot,
// or, for exactly one playback or one sequence, another playback or
// sequence of the live cue. The copying is cue_copy.h's.
#pragma once
#include <cstdint>

namespace playback {

// run_copy_dialog (commands.h) is the dialog, started by COPY on the cue screen.

// The caption: kind 1 "FROM CUE P%d C%d[.%d]", kind 2 "TO CUE ..." (point 0
// leaves the point out); other kinds draw nothing.
void draw_copy_cue_caption(int16_t kind, int16_t page, int16_t cue, int16_t point);

// The destination cue slot, or 0 when abandoned: started with a cue key of
// the shown page (cue 1..70, digit 0) or a first digit of an overall cue
// number (cue 0, digit 1..9).
int16_t enter_destination_cue(int16_t cue, int16_t digit);

// The read-out of the destination: "P %d" while no cue is chosen (cue -1),
// else "P %d C %d.%d  R %d.%d" with the overall cue number.
void draw_destination_cue(int16_t page, int16_t cue, int16_t p);

}  // namespace playback
