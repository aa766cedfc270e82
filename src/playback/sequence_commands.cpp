#include "playback/sequence_commands.h"

#include "runtime/step_log.h"

namespace playback {

void reset_sequence_commands_globals() {}

void toggle_sequence_run(int16_t sequence, uint8_t mode) {
    runtime::log_call("playback::toggle_sequence_run", {sequence, mode});
}

}  // namespace playback
