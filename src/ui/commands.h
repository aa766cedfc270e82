// The screen commands, editors and mode keys that the key dispatcher starts,
// and the screen services its two menus call. (Least bodies until the screen
// toolkit is built.)
#pragma once
#include <cstdint>

namespace ui {


// The hold-down edit keys: TEXT (196), EDIT ITEM (228), FREEZE (230), CLR (231).
void run_text_edit_dialog();
void select_item_to_edit();
void toggle_freeze_switches();
void clear_item_dialog();

// Playbacks, sequences and fixtures frozen by the freeze switches, counted
// when the freeze command ends.
extern int16_t frozen_playback_count;
extern int16_t frozen_sequence_count;
extern int16_t frozen_fixture_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_commands_globals();

// Cue optimising (235).
void handle_optimize_key();


}  // namespace ui
