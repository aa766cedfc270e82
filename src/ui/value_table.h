// The value table of the right panel. (Least bodies until it is built.)
#pragma once

namespace ui {

// Opens the table in the right panel, redraws its cells, and pages it.
void open_table_view();
void refresh_table_view();
void show_previous_table_page();
void show_next_table_page();

}  // namespace ui
