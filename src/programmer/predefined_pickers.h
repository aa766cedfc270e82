// The predefined pickers of the PREDEFINED command: a grid of ready-made
// values for the fader selected in the current bank, over the right-hand
// screen area (x 229..639, y 105..479), and a map of the 70 fixture keys in
// the upper left that shows which keys pick a cell. Fixture key k, or a left
// click on the cell, picks cell k; each pick is applied at once to the
// selected fixtures, and the picker stays open for more picks until a key
// ends it.
//
//   bank 0  the predefined entries of the selected function
//   bank 1  generator MODE (12), WAVE (70), STEP (70), groupings; fader 1 the
//           entries of the selected function
//   bank 2  figure MODE (2), lissajous (36), polygon (13), ROTATE, WAVE and
//           STEP (70 each), groupings
//
// The PREDEFINED key latches: let go within 500 ms of the opening with no
// second press, the picker closes; a second press within those 500 ms keeps
// it open until another key ends it, and holding the key keeps it open until
// it is let go.
#pragma once
#include <cstdint>

namespace programmer {

constexpr uint32_t kPickerLatch_ms = 500;
constexpr int kPickerColumns = 6;
constexpr int kPickerKeyCells = 70;
constexpr int16_t kPickerTallRow = 62;   // 36 cells
constexpr int16_t kPickerShortRow = 31;  // 72 cells
// The lissajous figures the picker offers (of the 40 in the table).
constexpr int kOfferedLissajous = 36;

// The channel, generator and figure pickers. latch is the PREDEFINED
// command's latch flag, kept while the command repeats its pickers. Each
// returns the key whose press ended it, 0 when a release of PREDEFINED did.
int16_t run_subfunction_picker(int16_t& latch);
int16_t run_generator_picker(int16_t& latch);
int16_t run_figure_picker(int16_t& latch);

// The grid area and the key map panel of each bank's picker, for the
// bank's selected fader (the grouping editor redraws them when it returns).
void draw_subfunction_picker_grid();
void draw_generator_picker_grid();
void draw_figure_picker_grid();
void draw_subfunction_picker_titles();
void draw_generator_picker_titles();
void draw_figure_picker_titles();

// Key k's number (1..70) on the key map, in a colour.
void draw_picker_cell_number(int16_t k, int16_t colour);
// The frame of grid cell (column 1..6, row) in a colour.
void frame_picker_cell(int16_t column, int16_t row, int16_t colour);

// Whether fader 1..16 of a bank leads to a picker.
bool is_picker_fader(int16_t bank, int16_t fader);
// The cells the picker of a bank's fader offers (1..72), 0 when none.
int picker_cells_offered(int16_t bank, int16_t fader);

}  // namespace programmer
