// The memory list panel of the right-hand screen area: 70 memories a page in
// three columns, each with its number and name, the current memory
// highlighted. Pages 1..58 (page 58 holds 3991..4000). The list follows the
// current memory; while another panel occupies the area the page still
// follows but nothing is drawn.
#pragma once
#include <cstdint>

namespace memories {

constexpr int kMemoriesPerListPage = 70;
constexpr int kMemoryListPages = 58;

// Cell colours: a normal cell, and the current memory's.
constexpr int16_t kListCellBackground = 0;
constexpr int16_t kListCellText = 14;
constexpr int16_t kListCurrentBackground = 2;
constexpr int16_t kListCurrentText = 4;

// The empty frame's picture, taken the first time the list is drawn and put
// back on later draws (null until then, or when it could not be kept).
extern uint8_t* memory_list_frame_image;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_memory_list_globals();

// The list's page of memory m (1..58).
int16_t memory_list_page_of(int16_t memory);

// The whole panel showing page 1..58; it takes the panel area (OPT_MEMORY_LIST).
void draw_memory_list(int16_t page);
// m's cell at its entry (m - 1) mod 70 + 1: the box in colour, the name in
// text_colour, and "*" in colour 11 for a used memory without a name.
void draw_memory_list_cell(int16_t memory, int16_t colour, int16_t text_colour);
// memory_list_page := the current memory's page, drawn when shown and changed.
void update_memory_list_page();
// The highlight moves from former to now, on the shown page only.
void mark_current_memory(int16_t former, int16_t now);

}  // namespace memories
