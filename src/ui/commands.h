// The screen commands, editors and mode keys that the key dispatcher starts,
// and the screen services its two menus call. (Least bodies until the screen
// toolkit is built.)
#pragma once
#include <cstdint>

namespace ui {

// Main-screen mode keys.
void select_relative_mode();      // 74
void toggle_fixture_step_mode();  // 75
void toggle_programmer_flag();    // 147
void start_fan_mode_edit();       // 74 while 246 is held

// The CUE key.
void run_cue_key();

// Panel keys 161..163, the arrow digits 173, 175, 177, 179 by wheel mode,
// EDIT VALUE (183), page up and down in the shown panel.
void handle_panel_key(int16_t key);
void dispatch_mode_key(int16_t key);
void dispatch_mode_action();
void show_previous_panel_page();
void show_next_panel_page();
// Saves the right panel's picture and takes the master and playback widgets
// off the screen.
void save_panel_picture();

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

// Transparent modes: 0 sequences, 1 playbacks, stepped by keys 388 and 389;
// the editor of the second function of 73.
void cycle_transparent_mode(uint8_t which);
void edit_transparent_mode();
// Tracing mode of cue page 1..16; the solo-memory editor.
void edit_tracing_mode(uint8_t page);
void edit_solo_memory();

// The global settings editor.
void edit_global_settings();

}  // namespace ui
