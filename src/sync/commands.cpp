#include "sync/commands.h"

#include "runtime/step_log.h"

namespace synchro {

void run_timecode_screen(int16_t key) { runtime::log_call("synchro::run_timecode_screen", {key}); }

}  // namespace synchro
