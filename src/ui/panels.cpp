#include "ui/panels.h"

#include "ui/message_line.h"
#include "ui/message_neighbours.h"

namespace ui {

void redraw_memory_panel() {
    draw_current_memory_panel();
    show_in_use_status();
}

}  // namespace ui
