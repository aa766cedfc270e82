// What the timecode engine asks of the timecode screen: the seven-segment
// clock digits and the start-time entry on them, the status line, the CD
// line and the transport panel of the source. Each draws only while the
// timecode screen is open; display_time (timecode_clock.h) is kept always.
#pragma once
#include <cstdint>

namespace synchro {

// The clock digits show t seconds at the selected rate and t becomes
// display_time. While a list plays or records only the digit pairs that
// changed are drawn again.
void draw_timecode_digits(double t);
// The start-time entry on the digits; returns the key that ended it. The
// entered time (0..86400 s) is in display_time whatever the key.
int16_t edit_start_time();
// The status line: list name, source and rate.
void draw_timecode_header();
// The CD line: the whole line when full, else only its current-track field.
// Records its call in the step log, so that the CD keys are tested by what
// they redraw.
void draw_timecode_clock(bool full);
// The time panel, or the LAST/NEXT panel of the MANUAL source.
void redraw_timecode_transport();

// Every global of this module back to its value at program load.
void reset_timecode_display_globals();
// The next draw of the digits draws all of them.
void forget_drawn_digits();
// True while the timecode screen is open: what it shows may be drawn.
bool timecode_screen_open();

}  // namespace synchro
