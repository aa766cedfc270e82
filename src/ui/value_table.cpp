#include "ui/value_table.h"

#include "runtime/step_log.h"

namespace ui {

void open_table_view() { runtime::log_call("ui::open_table_view"); }
void refresh_table_view() { runtime::log_call("ui::refresh_table_view"); }
void show_previous_table_page() { runtime::log_call("ui::show_previous_table_page"); }
void show_next_table_page() { runtime::log_call("ui::show_next_table_page"); }

}  // namespace ui
