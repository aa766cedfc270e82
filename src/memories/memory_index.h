// The memory tables of the show: the index (name and place on file of each
// memory 1..4000), the item list of each memory and its used flag (index 0
// unused). The memory file fills and writes them.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "datafiles/record_files.h"

namespace memories {

constexpr int kMemories = 4000;
constexpr int kMemoryNameBytes = 21;  // 20 characters and the terminator

using datafiles::MemoryIndexEntry;
using datafiles::MemoryItem;

// Name, offset of the record on file (-1 none), capacity of its place on
// file in items, and item count of each memory.
inline std::array<MemoryIndexEntry, kMemories + 1> memory_index{};
// The item list of each memory, `count` items long; null = empty memory,
// whatever its count says.
inline std::array<MemoryItem*, kMemories + 1> memory_items{};
// 1 when the memory is programmed.
inline std::array<uint8_t, kMemories + 1> memory_used{};
// The number of memories whose used flag is 1.
inline uint16_t memory_used_count = 0;

// Every global of this module back to its value at program load (a clean start for each test).
inline void reset_memory_index_globals() {
    memory_index = {};  // the item lists are the memory file's: reset_memory_file_globals frees them
    memory_used = {};
    memory_used_count = 0;
}

// Name of memory 1..4000 (at most 20 characters); empty when unnamed or out of range.
inline std::string_view memory_name(int16_t memory) {
    if (memory < 1 || memory > kMemories) return {};
    const auto& name = memory_index[static_cast<size_t>(memory)].name;
    return std::string_view(name.data(), strnlen(name.data(), kMemoryNameBytes - 1));
}

}  // namespace memories
