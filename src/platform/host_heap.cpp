#include "platform/host_heap.h"

#include <malloc.h>

namespace platform {

namespace {
// Free memory at the top of the heap up to this size is kept: more than the
// largest set of blocks the console frees and takes again at once.
constexpr int kKeptFreeBytes = 64 * 1024 * 1024;
// Blocks up to this size come from the heap, not from mappings of their own
// that would go back to the host at every free (the C library's own upper
// limit, which fixing the kept size above no longer lets it reach by itself).
constexpr int kLargestHeapBlockBytes = 32 * 1024 * 1024;
}  // namespace

void keep_freed_heap_memory() {
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlockBytes);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
}

}  // namespace platform
