#include "playback/cue_tracking.h"

#include "runtime/step_log.h"

namespace playback {

void reset_cue_tracking_globals() {}

bool track_channel_value(int16_t record, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow) {
    runtime::log_call("playback::track_channel_value", {record, from_slot, go_slot, no_follow});
    return true;
}
bool track_sub_attribute_value(int32_t sub_attribute, uint16_t from_slot, uint16_t go_slot, uint8_t no_follow) {
    runtime::log_call("playback::track_sub_attribute_value", {sub_attribute, from_slot, go_slot, no_follow});
    return true;
}
bool track_extra_value(int16_t fixture, int16_t k, int32_t extra, uint16_t from_slot, uint16_t go_slot,
                       uint8_t no_follow) {
    runtime::log_call("playback::track_extra_value", {fixture, k, extra, from_slot, go_slot, no_follow});
    return true;
}
// Runs on every pass of the poll: records nothing.
void premove_dark_fixtures() {}
int32_t premove_fixture_to_next_cue(int16_t dimmer_record, uint16_t current_slot) {
    runtime::log_call("playback::premove_fixture_to_next_cue", {dimmer_record, current_slot});
    return 65535;
}

}  // namespace playback
