// PROGRAM PLAYBACK: what a playback runs in the current cue point (memory,
// threshold, fade mode, flash fade times, flash mode, sound trigger) edited
// on the edit record and stored into the cue's slot. While the playback plays
// the cue being programmed (and the console is not blind) every change is
// loaded into it at once. A quick form assigns the current memory; the memory
// store assigns a newly stored memory with a fade-mode choice.
#pragma once
#include <cstdint>

#include "playback/playback_state.h"

namespace playback {

constexpr int16_t kPlaybackDialogPages = 6;

// The field group being edited (1 memory, 2 fade-in, 3 fade-out, 4 flash
// mode, 5 sound band, 6 trigger mode); kept from one dialog to the next.
extern int16_t playback_dialog_page;
// The memory shown in the dialog's memory list.
extern int16_t playback_dialog_memory;
// The fade mode last chosen in the quick fade-mode choice, 0..5.
extern uint8_t quick_fade_mode;
// The edit record as the dialog opened.
extern PlaybackRecord playback_edit_backup;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_program_playback_globals();

// From SELECT ITEM TO EDIT with playback key p pressed while EDIT ITEM is
// held: a second press of the key assigns the current memory at once,
// releasing EDIT ITEM opens the dialog.
void program_playback(int16_t p);
// From the memory store's quick store onto playback p: the current memory
// with a fade mode chosen on the digit keys.
void program_playback_from_memory_screen(int16_t p);

// The field editors of the dialog (page: the page shown, for the highlight).
void set_edited_playback_memory(int16_t p, int16_t memory, uint8_t redraw, int16_t page);
void clear_edited_playback_memory(int16_t p, int16_t page);
void select_playback_threshold(int16_t p, int16_t page);
void select_playback_fade_mode(int16_t p, int16_t page);
void edit_playback_fade_in_time(int16_t p, int16_t page);
void edit_playback_fade_out_time(int16_t p, int16_t page);
void cycle_playback_flash_mode(int16_t p, int16_t page);
void cycle_playback_sound_band(int16_t p, int16_t page);
void cycle_playback_trigger_mode(int16_t p, int16_t page);

// The dialog's painters.
void show_playback_dialog(int16_t p, int16_t memory, int16_t page);
void draw_playback_dialog(int16_t p);
void draw_playback_record_row(int16_t page);

}  // namespace playback
