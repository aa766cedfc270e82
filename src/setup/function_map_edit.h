// The engine of the function patching dialog: the check that no two
// functions of a library share a channel, and the keeping of an edited map
// in the library's ".pat" file and in the setup's copy of a placed type.
//
// Engine only: the dialog is drawn by setup/function_patching.h.
#pragma once
#include <cstdint>
#include <optional>

#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

// Two functions (1-based) on one channel (1-based).
struct FunctionClash {
    int first = 0;
    int first_channel = 0;
    int second = 0;
    int second_channel = 0;
};

// The first pair i < j among functions 1..channels whose map entries are
// equal, in the order i, then j; none when every function has its own channel.
std::optional<FunctionClash> find_function_clash(const FunctionMap& map, int channels);

// Writes the 32 map bytes to "lib\pat\<stem>.pat" of the selected library
// (a file that cannot be written is skipped) and into the map of the
// setup's type of the same name, when the setup has it.
void keep_function_map(const LibraryList& list, SetupData& setup);

}  // namespace setup
