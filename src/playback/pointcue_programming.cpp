#include "playback/pointcue_programming.h"

#include "runtime/step_log.h"

namespace playback {

void reset_pointcue_programming_globals() {}

void store_pointcue_with_defaults(int16_t cue, int16_t point, int16_t page) {
    runtime::log_call("playback::store_pointcue_with_defaults", {cue, point, page});
}
void program_pointcue(int16_t mode, int16_t cue, int16_t point, int16_t page) {
    runtime::log_call("playback::program_pointcue", {mode, cue, point, page});
}

}  // namespace playback
