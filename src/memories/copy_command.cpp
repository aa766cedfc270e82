#include "memories/copy_command.h"

#include "runtime/step_log.h"

namespace memories {

void reset_copy_command_globals() {}

void run_copy_memory_items() { runtime::log_call("memories::run_copy_memory_items"); }

}  // namespace memories
