#include "playback/cue_fades.h"

#include "runtime/step_log.h"

namespace playback {

uint16_t pointcue_follow_cue = 0;
uint32_t pointcue_follow_time = 0;

void reset_cue_fades_globals() {
    pointcue_follow_cue = 0;
    pointcue_follow_time = 0;
}

void start_cue_fade(int16_t slot, uint16_t fade_in_tenths) {
    runtime::log_call("playback::start_cue_fade", {slot, fade_in_tenths});
}
void go_pointcue(int16_t memory, uint16_t slot, uint8_t no_follow, uint16_t fade_in_override) {
    runtime::log_call("playback::go_pointcue", {memory, slot, no_follow, fade_in_override});
}
void reset_cue_fades() { runtime::log_call("playback::reset_cue_fades"); }
// Runs on every pass of the poll: records nothing.
void run_cue_fades() {}
int32_t step_pointcue_channel_fade(int16_t record) {
    runtime::log_call("playback::step_pointcue_channel_fade", {record});
    return -1;
}
int32_t step_pointcue_sub_attribute_fade(int32_t sub_attribute) {
    runtime::log_call("playback::step_pointcue_sub_attribute_fade", {sub_attribute});
    return -1;
}
int32_t step_pointcue_extra_fade(int32_t extra) {
    runtime::log_call("playback::step_pointcue_extra_fade", {extra});
    return -1;
}
void load_linked_pointcue_element(int32_t element, uint8_t kind) {
    runtime::log_call("playback::load_linked_pointcue_element", {element, kind});
}
void follow_linked_cue() { runtime::log_call("playback::follow_linked_cue"); }

}  // namespace playback
