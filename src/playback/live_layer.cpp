#include "playback/live_layer.h"

#include "runtime/step_log.h"

namespace playback {

void reset_live_layer_globals() {}

void compute_layer_zero_channel(int16_t record) { runtime::log_call("playback::compute_layer_zero_channel", {record}); }
void compute_layer_zero_dimmer(int16_t record) { runtime::log_call("playback::compute_layer_zero_dimmer", {record}); }
void compute_layer_zero_sub_attribute(int32_t sub_attribute) {
    runtime::log_call("playback::compute_layer_zero_sub_attribute", {sub_attribute});
}
void compute_layer_zero_extra(int32_t extra) { runtime::log_call("playback::compute_layer_zero_extra", {extra}); }
void build_step_fade_modes(int16_t sequence) { runtime::log_call("playback::build_step_fade_modes", {sequence}); }
void rebuild_fading_channel_list() { runtime::log_call("playback::rebuild_fading_channel_list"); }
// Runs on every pass of the poll: records nothing.
bool run_fading_elements() { return false; }

}  // namespace playback
