// The list side of the timecode table's editing operations: the selection
// state of events, a time split into fields and stepped with carries, marked
// events shifted or copied by frames, events removed, and captured events
// placed. No drawing here: the table editor's operations (timecode_edit.h)
// call these and redraw.
#pragma once
#include <array>
#include <cstdint>

#include "sync/timecode_lists.h"

namespace synchro {

// Selection state of an event (bits 0-1 of its flags): unmarked, marked, or
// the landing mark a copy gives its first copy for a moment.
constexpr uint8_t kEventStateBits = EVENT_MARK_1 | EVENT_MARK_2;
constexpr uint8_t kEventUnmarked = 0;
constexpr uint8_t kEventMarked = 1;
constexpr uint8_t kEventLanding = 2;

constexpr double kLatestListTime = 86400.0;  // list times are 0..24 h

uint8_t event_state(const TimecodeEvent& event);
void set_event_state(TimecodeEvent& event, uint8_t state);
bool is_end_event(const TimecodeEvent& event);
double clamp_list_time(double t);

// A time as its fields 1..4: hours, minutes, seconds, frames (index 0 unused).
constexpr int16_t kTimeFields = 4;
using TimeFields = std::array<int16_t, kTimeFields + 1>;

TimeFields split_time_fields(double t);
// The fields as list time at the selected rate, 0.0..86400.0.
double time_fields_seconds(const TimeFields& fields);
// Largest value of a field: 23, 59, 59, and the last frame of the selected
// rate (74 for the CDROM source).
int16_t time_field_limit(int16_t field);
// One up (+1) or down (-1) on a field; past its limit it wraps and carries
// into the field on its left, up to the hours, which wrap 23 <-> 0.
void step_time_field(TimeFields& fields, int16_t field, int direction);

// Every marked event but `except` moved by delta frames at the selected
// rate, each limited to 0.0..86400.0.
void shift_marked_events(int32_t except, int32_t delta_frames);
// Marked events (state 1); without_end leaves "END" events out.
int32_t count_marked_events(bool without_end);
void clear_event_marks();
// Event i removed; the events after it move up.
void remove_timecode_event(int32_t i);
// Every run of marked events removed.
void remove_marked_events();

enum class CopyResult { copied, nothing_marked, list_full, no_memory };
// Copies every marked event but "END" to time + offset frames (limited to
// 0.0..86400.0), unmarked, and sorts the list; landing is the first copy's
// index afterwards. A copy that would take the list past limit events, or
// that memory cannot hold, copies nothing.
CopyResult copy_marked_events(int32_t offset_frames, int32_t limit, int32_t& landing);

// A captured event at the cursor's place, with the cursor event's time
// (0.0 in an empty list). False when memory ran out (nothing placed).
bool insert_captured_event(int32_t cursor, const TimecodeEvent& captured);
// A captured event added at the end: before a final "END" with the time of
// the event before it, else after the last event with its time. Returns its
// index, 0 when memory ran out.
int32_t add_captured_event(const TimecodeEvent& captured);

}  // namespace synchro
