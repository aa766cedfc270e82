#include "playback/sequence_programming.h"

#include "runtime/step_log.h"

namespace playback {

void reset_sequence_programming_globals() {}

void load_sequence_from_cue(int16_t slot, int16_t sequence, uint8_t freeze) {
    runtime::log_call("playback::load_sequence_from_cue", {slot, sequence, freeze});
}
void program_sequence(int16_t sequence) { runtime::log_call("playback::program_sequence", {sequence}); }
void program_sequence_from_memory_screen(int16_t sequence) {
    runtime::log_call("playback::program_sequence_from_memory_screen", {sequence});
}
void choose_memory(int16_t memory) { runtime::log_call("playback::choose_memory", {memory}); }

}  // namespace playback
