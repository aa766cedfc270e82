// The memory index as the console displays read it: the name of each memory
// 1..4000 (index 0 unused). The memory file fills it.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace memories {

constexpr int kMemories = 4000;
constexpr int kMemoryNameBytes = 21;  // 20 characters and the terminator

struct MemoryIndexEntry {
    std::array<char, kMemoryNameBytes> name{};
};

inline std::array<MemoryIndexEntry, kMemories + 1> memory_index{};

// Name of memory 1..4000 (at most 20 characters); empty when unnamed or out of range.
inline std::string_view memory_name(int16_t memory) {
    if (memory < 1 || memory > kMemories) return {};
    const auto& name = memory_index[static_cast<size_t>(memory)].name;
    return std::string_view(name.data(), strnlen(name.data(), kMemoryNameBytes - 1));
}

}  // namespace memories
