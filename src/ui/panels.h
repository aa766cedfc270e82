// Main-screen panels: the 16 control-channel faders at the top right, the
// two views of the right panel (analogue faders of the 4 masters and 42
// playbacks, and the sequence panel of sequences A to D), and the memory /
// cue panel of the left column with the labels of the current memory and the
// current cue.
//
// The panels only draw: the states they show belong to the programmer, the
// memories, the playbacks and the sequences. The two right-panel views are
// drawn whole once and captured; afterwards their picture is put back and
// only what changes is drawn over it.
//
// Regions (inclusive corners):
//   control-channel faders  (229, 0)-(639, 104)
//   analogue fader view     (229, 107)-(639, 479)
//   sequence panel          (230, 106)-(630, 236)
//   memory / cue panel      (1, 281)-(221, 315)
#pragma once
#include <cstdint>

namespace ui {

// The bar colour of the 16 function faders as the panel lays them out (red).
constexpr int16_t kControlFaderBarColour = 4;

// The captured pictures of the two right-panel views (image layout of the
// graphics stand-in); null until the view is first drawn, or when the
// allocation failed (the view is then drawn whole again next time).
extern uint8_t* analogue_view_image;
extern uint8_t* sequence_panel_image;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_panels_globals();
// End of a show: frees both panel pictures.
void free_panel_images();

// The 16 control-channel faders with their title strip (top right).
void draw_control_channel_faders();

// The right panel's view of the 4 master and 42 playback faders.
void show_analogue_faders();

// The sequence panel: all four sequences with their states, control bars,
// step labels and the cue each was started from.
void draw_sequence_panel();
// The four header frames, yellow for a programmed sequence.
void draw_sequence_header_frames();
// A box drawn over part of the sequence panel (a time entry): before it,
// cover_sequence_panel makes the panel count as hidden, so that running
// sequences do not draw over the box, and says whether it was shown; after
// it, uncover_sequence_panel blanks the box and draws the panel again when
// it was shown.
bool cover_sequence_panel();
void uncover_sequence_panel(bool was_shown, int16_t x1, int16_t y1, int16_t x2, int16_t y2);
// The page and cue sequence s (1..4) was started from, in its header.
void draw_sequence_origin(int16_t s);
// Step label k of sequence s (0 step memory, 1 fade time, 2 wait delay) from
// playback::sequence_step_labels.
void draw_sequence_step_label(int16_t s, int16_t k);

// The memory / cue panel: its frame and both labels, then the current row.
void draw_cue_panel();
// The highlight of the active row and both labels.
void draw_current_memory_panel();
// Upper row: the current memory (name and number) or, once the programmer
// was loaded from a cue, that cue and its cue memory. point is 1..10, cue
// memory -1 for none.
void draw_current_memory_label(int16_t memory, int16_t page, int16_t cue, int16_t point, int16_t cue_memory);
// Lower row: the current cue position (page, cue, point 1..10).
void draw_current_cue_label(int16_t page, int16_t cue, int16_t point);

// The current memory / cue panel and the in-use status below it.
void redraw_memory_panel();

// The sequence panel of the right panel, and the analogue fader view.
void draw_sequence_panel();
void show_analogue_faders();

}  // namespace ui
