// The predefined pickers of the PREDEFINED command: a grid of ready-made
// values for the selected fader, picked with the fixture keys. (Least bodies
// until the pickers are built: each records its call and returns the next
// key pressed, as a picker returns the key that ended it.)
#pragma once
#include <cstdint>

namespace programmer {

// The channel, generator and figure pickers. latch is the PREDEFINED
// command's latch flag, kept while the command repeats its pickers. Each
// returns the key whose press ended it, 0 when a release of PREDEFINED did.
int16_t run_subfunction_picker(int16_t& latch);
int16_t run_generator_picker(int16_t& latch);
int16_t run_figure_picker(int16_t& latch);

// The frame of grid cell (column 1..6, row) of the picker shown, and the
// number of key k (1..70) at its place in the key map, in a colour.
void frame_picker_cell(int16_t column, int16_t row, int16_t colour);
void draw_picker_cell_number(int16_t key, int16_t colour);

}  // namespace programmer
