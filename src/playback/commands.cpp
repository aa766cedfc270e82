#include "playback/commands.h"

#include "playback/cue_tables.h"
#include "playback/playback_jobs.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/step_log.h"

namespace playback {

namespace {

// LAST or NEXT: the nearest programmed slot in that direction from the live
// cue, gone to with the key lit meanwhile; nothing past slot 1 or 11200.
void go_to_nearest_programmed_cue(int16_t key, int step) {
    runtime::set_key_led(key, runtime::LED_ON);
    for (int slot = current_cue_slot() + step; valid_cue_slot(slot); slot += step) {
        if (cue_header_table[static_cast<size_t>(slot)].programmed == 1) {
            go_to_cue(static_cast<uint16_t>(slot), 1, 0);
            break;
        }
    }
    runtime::set_key_led(key, runtime::LED_OFF);
}

}  // namespace

void go_to_previous_cue() { go_to_nearest_programmed_cue(runtime::KEY_LAST, -1); }
void go_to_next_cue() { go_to_nearest_programmed_cue(runtime::KEY_NEXT, +1); }

void store_sequences_in_cue() { runtime::log_call("playback::store_sequences_in_cue"); }
void select_sequence_control(int16_t sequence, int16_t control) {
    runtime::log_call("playback::select_sequence_control", {sequence, control});
}

// Run on every pass of the poll or the main loop: they record nothing.
void apply_trackerball_to_sequence(int16_t) {}

void select_previous_sequence_control(int16_t sequence) {
    runtime::log_call("playback::select_previous_sequence_control", {sequence});
}
void select_next_sequence_control(int16_t sequence) {
    runtime::log_call("playback::select_next_sequence_control", {sequence});
}
void edit_sequence_times() { runtime::log_call("playback::edit_sequence_times"); }

}  // namespace playback
