// The timecode screen as its keys open it. (Least body until synchronisation
// is built.)
#pragma once
#include <cstdint>

namespace synchro {

// 211 PLAY, 212 REC, 214 EDIT, 215 mode.
void run_timecode_screen(int16_t key);

// The timecode screen's header ("LIST:", "SYNC.:", "FR.:"), its running-time
// display, and its transport panels (PLAY/STOP/EDIT/MODE, or LAST/NEXT of the
// manual time source).
void draw_timecode_header();
void draw_timecode_clock(int16_t mode);
void draw_transport_panel();
void draw_manual_transport_panel();

}  // namespace synchro
