// Main-screen panels. (Least body until the panels are built.)
#pragma once

namespace ui {

// The current memory / cue panel and the in-use status below it.
void redraw_memory_panel();

}  // namespace ui
