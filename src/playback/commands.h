// The cue, sequence and playback commands that the key dispatcher starts.
#pragma once
#include <cstdint>

#include "playback/playback_flash.h"
#include "playback/playback_labels.h"
#include "playback/playback_times.h"
#include "playback/link_dialogs.h"

namespace playback {

// Cue page 1..16 becomes the shown cue page.
void show_cue_page(int16_t page);
// The nearest programmed cue below or above the current one.
void go_to_previous_cue();
void go_to_next_cue();
void run_copy_dialog();         // COPY on the cue screen
void store_sequences_in_cue();  // 229
// Sequence 1..4, control 1..3.
void select_sequence_control(int16_t sequence, int16_t control);
// The LEDs of the point-cue keys for the current cue.
void update_point_cue_leds();

// The trackerball steps of this reading on sequence 1..4.
void apply_trackerball_to_sequence(int16_t sequence);
// The selection among the controls of sequence 1..4.
void select_previous_sequence_control(int16_t sequence);
void select_next_sequence_control(int16_t sequence);
// The typed FADE TIME or WAIT DELAY of the selected sequence's active
// control: seconds with decimals, 0 to 655.35 (the time field's reach).
void edit_sequence_times();
// Typed seconds ("2", "2.01", ".5") as whole hundredths, digits past the
// second decimal dropped; -1 for any other text. Exact: no binary fraction.
long typed_time_hundredths(const char* text);
// The cue grid of the shown cue page (right panel).
void draw_cue_grid();

}  // namespace playback
