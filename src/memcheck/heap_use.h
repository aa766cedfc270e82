// How much of the program's own heap is in use and how much it holds free:
// the figures of the console's memory status. While the checker checks, its
// count of the bytes in live blocks; otherwise the C library's count of its
// heap (arena and separately mapped blocks in use, free arena bytes).
#pragma once
#include <cstdint>

namespace memcheck {

struct HeapUse {
    uint64_t used_bytes = 0;
    uint64_t free_bytes = 0;
};

HeapUse mc_heap_use();

}  // namespace memcheck
