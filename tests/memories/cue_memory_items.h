// Cue memories for the tests, as lists of items {kind, index, value}: one
// put in place as if loaded from the cue-memory file, and one read back.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "datafiles/cue_memory_file.h"
#include "runtime/show_tables.h"

namespace cue_memory_test {

using Items = std::vector<std::array<int, 3>>;

// Cue memory n in use with the given items.
inline void use_cue_memory(int n, const Items& items) {
    const auto at = static_cast<size_t>(n);
    auto* list = static_cast<datafiles::MemoryItem*>(
        runtime::show_table_allocator(items.size() * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
    for (size_t i = 0; i < items.size(); ++i) {
        list[i] = {static_cast<uint8_t>(items[i][0]), static_cast<uint16_t>(items[i][1]),
                   static_cast<uint16_t>(items[i][2])};
    }
    datafiles::memcue_items[at] = list;
    datafiles::memcue_index[at].count = static_cast<int32_t>(items.size());
    datafiles::memcue_used[at] = 1;
    ++datafiles::memcue_used_count;
}

// The items of cue memory n, empty when it has none.
inline Items cue_memory_items(int n) {
    Items out;
    const auto at = static_cast<size_t>(n);
    const datafiles::MemoryItem* list = datafiles::memcue_items[at];
    for (int32_t k = 0; list != nullptr && k < datafiles::memcue_index[at].count; ++k) {
        out.push_back({list[k].kind, list[k].index, list[k].value});
    }
    return out;
}

}  // namespace cue_memory_test
