// The macro fader panel and the macro picker. In macro mode the fader panel
// shows seven macro faders for the current fixture instead of a bank: the
// macro number, SWING, SPEED, MODE, the WAVE and STEP-LOOP choices (on the
// faders labelled "DELAY" and "SHIFT") and WAIT, loaded from
// programmer::macro_states. A wheel on SWING, SPEED, MODE or WAIT re-applies
// the macro with the new value. The picker is the grid of choices the effect
// wizard shows for the macro, effect-mode, wave, loop and grouping steps:
// key-map box in the upper left, grid in the right panel, cell n also being
// fixture key n.
//
// Grid geometry, which the wizard's mouse hit test relies on: the grid fills
// (229, 105)-(639, 479) in 6 columns of 68 pixels; rows are 31 pixels high
// for the 70-choice pickers, 62 for the others; cell n lies in row
// (n - 1) / 6 + 1 and column (n - 1) % 6 + 1.
#pragma once
#include <array>
#include <cstdint>

namespace programmer {

// Fader 16 stands for the grouping step of the wizard.
constexpr int16_t kGroupingStep = 16;
constexpr int16_t kGridLeft = 229;
constexpr int16_t kGridTop = 105;
constexpr int16_t kCellWidth = 68;
constexpr int16_t kShortRow = 31;
constexpr int16_t kTallRow = 62;

// One fader unit in state units per macro fader 1..7 (index 0 unused):
// 1 for the macro number and the WAVE and STEP-LOOP choices, two thirds for
// the others, so that a state of 170 shows as 255.
extern const std::array<double, 8> macro_fader_scale;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_macro_panel_globals();

// Widgets 1..7 for the macro faders, 8..16 erased, the title "MACRO EDIT".
void build_macro_panel();
// The current grouping's box in the panel header.
void draw_macro_grouping_header();
// The seven faders from the current fixture's macro states.
void refresh_macro_faders();
// Fader k (1..7) moved by delta (old position minus new): the value drops by
// delta within 0..255; SWING, SPEED, MODE and WAIT re-apply the macro.
void apply_macro_wheel(int16_t fader, int16_t delta);

// The number of cells a picker step offers (70, 12 or 21; 0 for other steps)
// and its row height.
int16_t macro_picker_choices(int16_t step);
int16_t macro_picker_row_height(int16_t step);
// Whether cell k is a choice of the step's picker (the grouping step also
// offers 23, 25, 28, 31 and 32).
bool macro_picker_cell_active(int16_t step, int16_t cell);

// Title and key-map box of the picker for runtime::macro_fader, and the
// fixture key LEDs of its choices.
void draw_macro_picker_titles();
// The picker grid for runtime::macro_fader.
void draw_macro_picker_grid();

}  // namespace programmer
