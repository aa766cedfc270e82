// The CD position keys of the timecode screens, the trigger time and the
// slow status poll that notices a disc being changed or taken out. They work
// on the disc table of cd_requests.h; the position shows on the timecode
// display (draw_timecode_digits) and a track change redraws the clock area.
#pragma once
#include <cstdint>

namespace synchro {

// 1 while a CD position key is handled: the background poll then runs no
// timecode tick.
extern uint8_t cd_keys_active;

// Every global of this module back to its value at program load.
void reset_cd_keys_globals();

// Keys 183 (EDIT VALUE), 184 (+) and 185 (-) on a timecode screen with the
// CDROM source and a ready disc. A tap steps a track (184, 185) or recalls
// the trigger time (183); held for 750 ms, 184 and 185 wind one second every
// 50 ms and 183 enters and stores the trigger time. A playing disc pauses
// meanwhile and plays on from the new position.
void edit_cd_trigger_time(int16_t key);
void move_cd_position(int seconds);
void step_cd_track(int tracks);
void recall_cd_trigger();
void rewind_cd_to_start();

// The background poll's CD job (timecode screen open, a drive, the CDROM
// source): the clock deltas are summed and every 5001 ms the drive's status
// is read (check_cd_disc).
void poll_cd_status();
// The first track that holds the frame; 1 when none does.
int cd_track_holding(int32_t frames);

}  // namespace synchro
