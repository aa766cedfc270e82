// The library browser's state as the rest of the fixture setup reads it:
// how many libraries the list holds, which one is selected, whether the
// upload view is up, and the type loaded for placing (its channel count, 0
// while none is loaded, and its four protocol names). The browser itself
// fills it (setup/library_browser.h).
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace setup {

struct LibraryList {
    int16_t entry_count = 0;       // libraries found; 0 until they are loaded
    int16_t selected_entry = -1;   // -1 none
    uint8_t upload_view = 0;       // 1 while an entry of "MARTIN UPLOAD" is selected
    uint8_t loaded_channel_count = 0;  // channels of the type loaded for placing; 0 none
    std::array<std::string, 5> loaded_protocols{};  // [1..4] protocol names of the loaded type
};

extern LibraryList library_list;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_library_list_globals();

inline bool library_loaded(const LibraryList& list) { return list.loaded_channel_count != 0; }

}  // namespace setup
