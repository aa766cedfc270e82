#include "setup/library_browser_index.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "datafiles/whole_files.h"
#include "runtime/card_access.h"

namespace setup {

namespace {

constexpr const char* kLoadingText = "LOADING LIBRARIES...";


bool read_exact(const std::string& path, std::span<uint8_t> into) {
    uint32_t size_bytes = 0;
    if (!datafiles::lookup_file_size(path, size_bytes) || size_bytes != into.size()) return false;
    return datafiles::read_whole_file(path, into);
}

// Moves a name to the front, shifting the names before it down by one.
void move_to_front(std::vector<std::string>& names, const char* name) {
    const auto found = std::find(names.begin(), names.end(), name);
    if (found != names.end()) std::rotate(names.begin(), found, found + 1);
}

int16_t pages_of(int count, int rows) { return static_cast<int16_t>((count - 1) / rows + 1); }

}  // namespace

std::string library_file_path(const LibraryEntry& entry, const char* folder, const char* extension) {
    return datafiles::program_path(("lib\\" + std::string(folder) + "\\" + entry_text(entry.stem) + "." + extension).c_str());
}

void load_fixture_libraries(LibraryList& list) {
    runtime::show_console_message(kLoadingText);
    list.entries.clear();
    list.manufacturers.clear();
    list.entry_count = list.manufacturer_count = 0;
    list.selected_entry = list.selected_manufacturer = -1;
    list.manufacturer_pages = list.library_pages = 1;
    list.manufacturer_page = list.library_page = -1;
    list.filtered_count = 0;
    list.entries = datafiles::read_library_index();
    if (list.entries.empty()) list.entries = datafiles::scan_library_types();
    list.entry_count = static_cast<int16_t>(std::min<size_t>(list.entries.size(), INT16_MAX));
    list.entries.resize(static_cast<size_t>(list.entry_count));
    for (const LibraryEntry& entry : list.entries) {
        const std::string maker = entry_text(entry.manufacturer);
        if (std::find(list.manufacturers.begin(), list.manufacturers.end(), maker) == list.manufacturers.end()) {
            list.manufacturers.push_back(maker);
        }
    }
    list.manufacturer_count = static_cast<int16_t>(list.manufacturers.size());
    list.manufacturer_pages = pages_of(list.manufacturer_count, kManufacturerRows);
    sort_library_list(list);
    if (list.manufacturer_count > 0) {
        list.selected_manufacturer = 0;
        count_library_list_pages(list);
    }
}

void sort_library_list(LibraryList& list) {
    std::sort(list.entries.begin(), list.entries.end(), [](const LibraryEntry& a, const LibraryEntry& b) {
        return std::strncmp(a.type_name.data(), b.type_name.data(), a.type_name.size()) < 0;
    });
    std::sort(list.manufacturers.begin(), list.manufacturers.end());
    move_to_front(list.manufacturers, kUploadManufacturer);
    move_to_front(list.manufacturers, kMartinManufacturer);
}

std::string selected_manufacturer_name(const LibraryList& list) {
    const int m = list.selected_manufacturer;
    return m >= 0 && m < static_cast<int>(list.manufacturers.size()) ? list.manufacturers[static_cast<size_t>(m)] : "";
}

void count_library_list_pages(LibraryList& list) {
    list.filtered_count = 0;
    list.library_pages = 0;
    list.library_page = -1;
    if (list.selected_manufacturer < 0) return;
    const std::string maker = selected_manufacturer_name(list);
    for (int e = 0; e < list.entry_count; ++e) {
        if (entry_text(list.entries[static_cast<size_t>(e)].manufacturer) != maker) continue;
        ++list.filtered_count;
        if (e == list.selected_entry) list.library_page = static_cast<int16_t>((list.filtered_count - 1) / kLibraryRows);
    }
    list.library_pages = pages_of(list.filtered_count, kLibraryRows);
    // A selected library of another manufacturer: the panel opens on its first page.
    if (list.library_page < 0) list.library_page = 0;
}

int16_t find_library_by_row(const LibraryList& list, int16_t row) {
    if (list.selected_manufacturer < 0 || row < 0) return -1;
    const std::string maker = selected_manufacturer_name(list);
    int seen = 0;
    for (int e = 0; e < list.entry_count; ++e) {
        if (entry_text(list.entries[static_cast<size_t>(e)].manufacturer) != maker) continue;
        if (seen++ == row) return static_cast<int16_t>(e);
    }
    return -1;
}

void sync_browser_to_library(LibraryList& list) {
    if (list.selected_entry < 0 || list.selected_entry >= list.entry_count) return;
    const std::string maker = entry_text(list.entries[static_cast<size_t>(list.selected_entry)].manufacturer);
    const auto found = std::find(list.manufacturers.begin(), list.manufacturers.end(), maker);
    if (found == list.manufacturers.end()) {
        list.selected_manufacturer = list.manufacturer_page = -1;
        return;
    }
    list.selected_manufacturer = static_cast<int16_t>(found - list.manufacturers.begin());
    list.manufacturer_page = static_cast<int16_t>(list.selected_manufacturer / kManufacturerRows);
    count_library_list_pages(list);
}

int find_setup_type(const SetupData& setup, const std::string& type_name) {
    const int count = std::min<int>(setup.stored_type_count(), kMaxFixtureTypes);
    for (int t = 0; t < count; ++t) {
        if (setup.text(SetupData::type_name_field(t + 1), kTypeNameBytes) == type_name) return t;
    }
    return -1;
}

bool load_library_files(LibraryList& list, int16_t e, const SetupData& setup) {
    if (e < 0 || e >= list.entry_count) return false;
    const LibraryEntry& entry = list.entries[static_cast<size_t>(e)];
    FixtureTypeDef type{};
    FixtureDrawing drawing{};
    const int t = find_setup_type(setup, entry_text(entry.type_name));
    bool read = read_exact(library_file_path(entry, "set", "set"), type.bytes) && type.channel_count() >= 1 &&
                type.channel_count() <= kMaxTypeChannels;
    if (read && t < 0) read = read_exact(library_file_path(entry, "drw", "drw"), drawing);
    if (!read) {
        // Nothing of another library may stay loaded under this one's name.
        list.loaded_type = FixtureTypeDef{};
        list.loaded_drawing = {};
        list.selected_entry = -1;
        return false;
    }
    list.loaded_type = type;
    if (t >= 0) {
        for (size_t b = 0; b < drawing.size(); ++b) drawing[b] = setup.u8(SetupData::type_drawing_field(t + 1) + b);
        for (int k = 0; k < kMaxTypeChannels; ++k) {
            list.function_map[static_cast<size_t>(k)] = setup.u8(SetupData::type_function_map_field(t + 1, k));
        }
    } else if (!read_exact(library_file_path(entry, "pat", "pat"), list.function_map)) {
        std::iota(list.function_map.begin(), list.function_map.end(), uint8_t{0});
    }
    list.loaded_drawing = drawing;
    return true;
}

}  // namespace setup
