// The COPY command: fixtures and functions chosen with COPY held, copied into
// fixtures, memories or cues. (Least body until the command is built: it
// records its call.)
#pragma once
#include <cstdint>

namespace memories {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_copy_command_globals();

void run_copy_memory_items();  // 205

}  // namespace memories
