// The library browser's state (LibraryList), the one list of the program:
// the libraries of "lib\" sorted by type name, the manufacturer names that
// filter them, the pages both panels show, the selection, and the library
// loaded for placing fixtures: its type definition, stage symbol and
// function map. Built by setup/library_browser_index.h; other setup
// modules read the selection and the loaded library.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/library_files.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace setup {

constexpr const char* kUploadManufacturer = "MARTIN UPLOAD";
constexpr const char* kMartinManufacturer = "MARTIN";

using LibraryEntry = datafiles::LibraryEntry;
using FixtureDrawing = std::array<uint8_t, kFixtureDrawingBytes>;
using FunctionMap = std::array<uint8_t, kMaxTypeChannels>;

struct LibraryList {
    std::vector<LibraryEntry> entries;        // sorted by type name
    std::vector<std::string> manufacturers;   // "MARTIN", "MARTIN UPLOAD", then the others in order
    int16_t entry_count = 0;                  // libraries found; 0 until they are loaded
    int16_t selected_entry = -1;              // 0-based, -1 none
    int16_t manufacturer_count = 0;
    int16_t selected_manufacturer = -1;       // 0-based, -1 none
    int16_t manufacturer_pages = 1;           // pages of 4 names
    int16_t manufacturer_page = -1;           // 0-based, -1 before the first drawing
    int16_t filtered_count = 0;               // libraries of the selected manufacturer
    int16_t library_pages = 1;                // pages of 6 libraries
    int16_t library_page = -1;
    uint8_t upload_mode = 0;                  // 1 while an entry of "MARTIN UPLOAD" is selected
    FixtureTypeDef loaded_type{};             // channel count 0 while none is loaded
    FixtureDrawing loaded_drawing{};
    FunctionMap function_map{};
};

extern LibraryList library_list;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_library_list_globals();

inline bool library_loaded(const LibraryList& list) { return list.loaded_type.channel_count() != 0; }

// The NUL-terminated text of an entry's field.
template <size_t N>
std::string entry_text(const std::array<char, N>& field) {
    std::string text;
    for (size_t i = 0; i < N && field[i] != '\0'; ++i) text.push_back(field[i]);
    return text;
}

}  // namespace setup
