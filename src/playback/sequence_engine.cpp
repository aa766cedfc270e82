#include "playback/sequence_engine.h"

#include "runtime/step_log.h"

namespace playback {

void reset_sequence_engine_globals() {}

// Runs on every pass of the poll: records nothing.
void run_sequences() {}
void advance_sequence_step(int16_t sequence) { runtime::log_call("playback::advance_sequence_step", {sequence}); }
void load_sequence_step(int16_t source, int16_t memory, int16_t threshold) {
    runtime::log_call("playback::load_sequence_step", {source, memory, threshold});
}
void clear_sequence_step(uint8_t source) { runtime::log_call("playback::clear_sequence_step", {source}); }
void update_sequence_crossfade(int16_t sequence) { runtime::log_call("playback::update_sequence_crossfade", {sequence}); }
void update_sequence_go_leds() { runtime::log_call("playback::update_sequence_go_leds"); }
int32_t get_random_below(int32_t n) {
    runtime::log_call("playback::get_random_below", {n});
    return 0;
}

}  // namespace playback
