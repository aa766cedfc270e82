#include "playback/sequence_controls.h"

#include "runtime/step_log.h"

namespace playback {

std::array<std::array<int16_t, kSequenceControls + 1>, kSequences + 1> sequence_control_positions{};
std::array<std::array<StepLabel, kStepLabels>, kSequences + 1> sequence_step_labels{};

void reset_sequence_controls_globals() {
    sequence_control_positions = {};
    sequence_step_labels = {};
}

void draw_sequence_control_bar(int16_t change, int16_t sequence, int16_t control) {
    runtime::log_call("playback::draw_sequence_control_bar", {change, sequence, control});
    if (sequence < 1 || sequence > kSequences || control < 1 || control > kSequenceControls) return;
    int16_t& bar = sequence_control_positions[static_cast<size_t>(sequence)][static_cast<size_t>(control)];
    bar = static_cast<int16_t>(bar + change);
}

void set_sequence_control(int16_t sequence, int16_t control, int16_t delta) {
    runtime::log_call("playback::set_sequence_control", {sequence, control, delta});
}

void write_sequence_control(int16_t belt, int16_t value) {
    runtime::log_call("playback::write_sequence_control", {belt, value});
}

void draw_sequence_control_marker(int16_t colour, int16_t sequence) {
    runtime::log_call("playback::draw_sequence_control_marker", {colour, sequence});
}

// Runs on every pass of the poll: records nothing.
void read_sequence_controls() {}
void update_sequence_leds(int16_t sequence) { runtime::log_call("playback::update_sequence_leds", {sequence}); }

}  // namespace playback
