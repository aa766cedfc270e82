#include "sync/timecode_play.h"

#include "runtime/step_log.h"

namespace synchro {

// Least body until the play command is built: records its arguments.
bool run_timecode_play(int16_t& cursor, int16_t& row, int16_t& column, uint8_t autoplay) {
    runtime::log_call("synchro::run_timecode_play", {cursor, row, column, autoplay});
    return true;
}

}  // namespace synchro
