// The library browser's engine: the list of libraries built from
// "lib\fulllib.dat" (or, without a consistent index, from a scan of
// "lib\set"), sorted, its manufacturer filter and the pages of both panels,
// and the reading of a chosen library's type, symbol and function map.
//
// Engine only: the panels are drawn by setup/library_browser.h.
#pragma once
#include <cstdint>
#include <string>

#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int kManufacturerRows = 4;
constexpr int kLibraryRows = 6;

// Builds the list anew: the index's entries, else the scan's; manufacturers
// gathered, both sorted, the first manufacturer selected and pages counted.
void load_fixture_libraries(LibraryList& list);
// Entries by type name and manufacturers by name, byte by byte; then
// "MARTIN UPLOAD" and "MARTIN" moved to the front in that order of moves.
void sort_library_list(LibraryList& list);
// The libraries of the selected manufacturer and their pages; the page of
// the selected library when it is one of them, else page 0.
void count_library_list_pages(LibraryList& list);
// The entry of row k (0-based) among the selected manufacturer's libraries,
// -1 when there is none.
int16_t find_library_by_row(const LibraryList& list, int16_t row);
// The selected library's manufacturer becomes the filter (after a fixture
// was picked on the stage plan).
void sync_browser_to_library(LibraryList& list);
std::string selected_manufacturer_name(const LibraryList& list);

// "%s\lib\<folder>\<stem>.<extension>" of an entry on the program directory.
std::string library_file_path(const LibraryEntry& entry, const char* folder, const char* extension);
// The setup's type slot (0-based) whose name equals the type name, -1 none.
int find_setup_type(const SetupData& setup, const std::string& type_name);
// Reads entry e's files into the list: its type definition, and either its
// ".drw" and ".pat" (identity map without one) or, for a type the setup
// already has, the setup's own drawing and map. False, with the list's
// loaded library cleared, when the type or the drawing cannot be read.
bool load_library_files(LibraryList& list, int16_t e, const SetupData& setup);

}  // namespace setup
