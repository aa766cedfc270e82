// Main-screen panels: the control-channel faders at the top right and the
// memory / cue panel of the left column. (Least bodies until the panels are
// built.)
#pragma once

namespace ui {

// The 16 control-channel faders with their title strip (top right).
void draw_control_channel_faders();

// The memory / cue panel: its frame and both labels, then the current row.
void draw_cue_panel();
// The highlight of the active row and both labels.
void draw_current_memory_panel();

// The current memory / cue panel and the in-use status below it.
void redraw_memory_panel();

// The sequence panel of the right panel, and the analogue fader view.
void draw_sequence_panel();
void show_analogue_faders();

}  // namespace ui
