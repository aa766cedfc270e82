#include "memcheck/heap_use.h"

#include <malloc.h>

#include "memcheck/settings.h"

namespace memcheck {

HeapUse mc_heap_use() {
    if (mc_checking_wanted()) return {mc_counters.bytes_in_use, 0};
    const struct mallinfo2 info = mallinfo2();
    return {static_cast<uint64_t>(info.uordblks) + info.hblkhd, info.fordblks};
}

}  // namespace memcheck
