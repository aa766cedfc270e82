// The value table in the right-hand panel of the main screen: one row per
// fixture key of half a fixture page (35 rows), one column per channel or
// parameter. By fader bank and console mode it shows the programmer's channel
// values, one function's generator parameters, the figure parameters, one
// function's times, the default values, the threshold percentages or the
// live output levels.
//
// Every drawn cell is cached (value, text colour, mark), so a redraw draws
// only what changed. The output view refreshes itself from the main loop,
// spread over passes, and gives way to any operator input.
#pragma once
#include <array>
#include <cstdint>

namespace ui {

constexpr int kTableRows = 35;          // fixture keys of one half page
constexpr int kTableColumns = 16;       // columns of one channel page
constexpr int kTableValueColumns = 32;  // columns a fixture may fill (two channel pages)
constexpr int kTableFixtures = 700;

// Value codes that a cell shows.
constexpr int16_t kCellEmpty = -1;                 // nothing: the cell is cleared
constexpr int16_t kCellInfinite = 32000;           // a time: "INFIN"
constexpr int16_t kFirstPresetReference = 1001;    // 1001..1070 P, ..1140 C, ..1210 G
constexpr int16_t kFirstEffectReference = 181;     // 181..250 in parameter columns: E or F
// Text colours above 1000 mark a parked channel: 1001 "IGN", 1002 "OFF", 1003 "RST".
constexpr int16_t kParkedColourBase = 1000;

// Mark kinds beside a value.
constexpr uint8_t MARK_NONE = 0;
constexpr uint8_t MARK_PANTILT_TIMES = 1;  // the fixture's PAN record has times set
constexpr uint8_t MARK_TIMES = 2;          // the record has times set

// The function and type whose generator or timing values the table shows.
extern int16_t table_function;
extern int16_t table_fixture_type;
// The output view refreshes when runtime::free_counter_a exceeds this (ms).
extern int16_t table_refresh_interval;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_value_table_globals();

// Enters the table (the panel-mode switch calls it).
void open_table_view();
// Grid, header, titles, the fixture column and every cell, for half 1 or 2.
void draw_table_view(int16_t half);
// While the table is shown: drawn again whole in its current mode and half.
void redraw_table_view();
void draw_table_view_header();
// Every cell of the shown range from the current data; only changes are drawn.
void draw_table_cells();
// One cell: value (-1 none), text colour, mark colour and mark kind; drawn
// only when something changed since the last draw.
void format_table_value(int16_t fixture, int16_t column, int16_t value, int16_t colour, int16_t mark_colour,
                        uint8_t mark_kind);
// Rewrites a cell's cached text in a new colour.
void recolour_table_cell(int16_t fixture, int16_t column, int16_t colour);
// Recolours every shown cell that holds a value (banks 0-2).
void refresh_table_view();
// After a record's or parameter's value changed: kind 0 function record, 1
// generator parameter, 2 figure parameter.
void refresh_preset_cells(int16_t index, int16_t kind, int16_t value, int16_t mark_colour, uint8_t mark_kind);
// After the owner of a record's or parameter's output changed: recolours its cell.
void refresh_playback_cells(int16_t index, int16_t kind);
// The output view's periodic refresh (main loop).
void show_output_values();
// The page keys while the table is open.
void show_previous_table_page();
void show_next_table_page();
// Digital or percent.
void toggle_table_view();
// The key-number column with the selection and the current fixture, while
// the table is shown.
void redraw_fixture_column();

// The shown range: first and last fixture, first and last index (function
// record, generator or figure parameter by bank); all 0 when nothing is shown.
struct TableRange {
    int16_t first_fixture = 0;
    int16_t last_fixture = 0;
    int16_t first_index = 0;
    int16_t last_index = 0;
};
TableRange get_table_range();

// Colour and mark rules of a function record.
int16_t get_function_cell_colour(int16_t record);  // mark colour in the programmer views
uint8_t get_library_cell_colour(int16_t record);   // mark kind in the programmer views
int16_t get_cell_colour(int16_t record);           // mark colour in the output view
int16_t get_output_cell_colour(int16_t record);    // text colour in the output view

}  // namespace ui
