#include "ui/value_table.h"

#include "runtime/step_log.h"

namespace ui {

int16_t table_function = 0;
int16_t table_fixture_type = 0;
int16_t table_refresh_interval = 0;

void reset_value_table_globals() {
    table_function = 0;
    table_fixture_type = 0;
    table_refresh_interval = 0;
}

void open_table_view() { runtime::log_call("ui::open_table_view"); }
void draw_table_view(int16_t half) { runtime::log_call("ui::draw_table_view", {half}); }
void draw_table_view_header() { runtime::log_call("ui::draw_table_view_header"); }
void draw_table_cells() { runtime::log_call("ui::draw_table_cells"); }
void format_table_value(int16_t fixture, int16_t column, int16_t value, int16_t colour, int16_t, uint8_t) {
    runtime::log_call("ui::format_table_value", {fixture, column, value, colour});
}
void recolour_table_cell(int16_t fixture, int16_t column, int16_t colour) {
    runtime::log_call("ui::recolour_table_cell", {fixture, column, colour});
}
void refresh_table_view() { runtime::log_call("ui::refresh_table_view"); }
void refresh_preset_cells(int16_t index, int16_t kind, int16_t value, int16_t mark_colour, uint8_t) {
    runtime::log_call("ui::refresh_preset_cells", {index, kind, value, mark_colour});
}
void refresh_playback_cells(int16_t index, int16_t kind) { runtime::log_call("ui::refresh_playback_cells", {index, kind}); }
// Run on every pass of the main loop: it records nothing.
void show_output_values() {}
void show_previous_table_page() { runtime::log_call("ui::show_previous_table_page"); }
void show_next_table_page() { runtime::log_call("ui::show_next_table_page"); }
void toggle_table_view() { runtime::log_call("ui::toggle_table_view"); }
void redraw_fixture_column() { runtime::log_call("ui::redraw_fixture_column"); }
TableRange get_table_range() { return {}; }
int16_t get_function_cell_colour(int16_t) { return 0; }
uint8_t get_library_cell_colour(int16_t) { return 0; }
int16_t get_cell_colour(int16_t) { return 0; }
int16_t get_output_cell_colour(int16_t) { return 0; }

}  // namespace ui
