#include "ui/panels.h"

namespace ui {

void redraw_memory_panel() {}

}  // namespace ui
