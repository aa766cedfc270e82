// The name browser: the box in which the operator names the show or the
// timecode list to save or load. A name field, the sorted names that exist
// already (15 a page, three columns of five), and for shows the eight data
// items to include. The operator types a new name or picks one, may delete
// an existing show, archive or list, and confirms.
//
// It reads show_file_operation and show_file_medium, leaves the chosen name
// in selected_file_names and the chosen items in data_item_selected
// (show_files.h).
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "datafiles/show_files.h"

namespace datafiles {

constexpr int kMaxBrowserNames = 512;
constexpr int kBrowserRows = 5;
constexpr int kBrowserColumns = 3;
constexpr int kBrowserPageNames = kBrowserRows * kBrowserColumns;

// Results of the browser's three parts, and what the small state machine
// makes of them.
enum BrowserResult : uint8_t {
    kBrowserCancel = 0,   // ESC (or the last name deleted)
    kBrowserConfirm = 1,  // ENTER
    kBrowserToList = 2,
    kBrowserToField = 3,
    kBrowserBack = 4,     // to the part that led here
    kBrowserToItems = 5,
};

// The names of the list, [1..browser_name_count], in byte order.
extern std::array<ShowName, kMaxBrowserNames + 1> browser_names;
extern uint16_t browser_name_count;
extern uint8_t browser_page;
extern uint8_t browser_cursor_row;
extern uint8_t browser_cursor_column;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_name_browser_globals();

// 1 when the operator confirmed a name, 0 when cancelled or when the box
// can't be drawn (no memory for the picture under it).
uint8_t browse_names();

// The list for show_file_medium: the show folders of data\, the archives of
// drive A: or the lists of data\, each name cut at its first "." and put in
// capitals as a directory search of DOS reports them, sorted.
void build_browser_names();

// Name n of page p, column c, row r: (p - 1) * 15 + (c - 1) * 5 + r.
int browser_name_index(int page, int column, int row);

// The parts of the browser; each returns a BrowserResult.
uint8_t edit_browser_name();
uint8_t select_browser_name();
uint8_t select_data_items();
// Deletes the highlighted name after asking; the list keys' LEDs blink again.
void delete_browser_name();

void draw_save_load_box();
void draw_name_browser_list(int16_t colour);

}  // namespace datafiles
