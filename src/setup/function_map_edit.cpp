#include "setup/function_map_edit.h"

#include "datafiles/whole_files.h"
#include "platform/dos_files.h"
#include "setup/library_browser_index.h"

namespace setup {

std::optional<FunctionClash> find_function_clash(const FunctionMap& map, int channels) {
    for (int i = 1; i < channels; ++i) {
        for (int j = i + 1; j <= channels; ++j) {
            const uint8_t a = map[static_cast<size_t>(i - 1)];
            const uint8_t b = map[static_cast<size_t>(j - 1)];
            if (a == b) return FunctionClash{i, a + 1, j, b + 1};
        }
    }
    return std::nullopt;
}

void keep_function_map(const LibraryList& list, SetupData& setup) {
    if (list.selected_entry < 0 || list.selected_entry >= list.entry_count) return;
    const LibraryEntry& entry = list.entries[static_cast<size_t>(list.selected_entry)];
    // The folder may be missing from an installation; a map that cannot be
    // written still reaches the setup below.
    const std::string folder = datafiles::program_path("lib\\pat");
    if (!platform::dos_exists(folder.c_str())) platform::dos_mkdir(folder.c_str());
    (void)datafiles::write_file(library_file_path(entry, "pat", "pat"), list.function_map);
    const int t = find_setup_type(setup, entry_text(entry.type_name));
    if (t < 0) return;
    for (int k = 0; k < kMaxTypeChannels; ++k) {
        setup.set_u8(SetupData::type_function_map_field(t + 1, k), list.function_map[static_cast<size_t>(k)]);
    }
}

}  // namespace setup
