// What the timecode engine asks of the timecode screen: the clock digits, the
// source and rate fields, the clock panel and the start-time entry. (Least
// bodies until the timecode screen is built: they record their arguments.)
#pragma once
#include <cstdint>

namespace synchro {

// The seven-segment clock digits show t seconds; the time shown is kept in
// display_time (timecode_clock.h).
void draw_timecode_digits(double t);
// The source and rate fields of the timecode screen's header.
void redraw_timecode_source_field();
void redraw_timecode_rate_field();
// The clock panel (the CD track line with the CDROM source).
void redraw_timecode_clock_panel();
// The transport panels: PLAY/STOP/EDIT/MODE, or LAST/NEXT of the MANUAL source.
void redraw_timecode_transport();
// The start-time entry; returns the key that ended it.
int16_t edit_start_time();

}  // namespace synchro
