#include "platform/host_heap.h"

#include <malloc.h>

namespace platform {

namespace {
// Free memory at the top of the heap up to this size is kept: more than the
// largest set of blocks the console frees and takes again at once.
constexpr int kKeptFreeBytes = 64 * 1024 * 1024;
}  // namespace

void keep_freed_heap_memory() { mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes); }

}  // namespace platform
