// The host's heap under the console's allocations.
#pragma once

namespace platform {

// Memory the console frees stays with the process for its next allocation
// instead of going back to the host: the show frees and takes again blocks
// of the same sizes all show long (the trace cache's hundred images at every
// tracked GO), and memory handed back is faulted in again page by page.
void keep_freed_heap_memory();

}  // namespace platform
