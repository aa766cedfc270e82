#include "sync/timecode_event_edit.h"

#include <algorithm>
#include <string_view>

#include "sync/timecode_clock.h"

namespace synchro {

namespace {

constexpr std::string_view kEndText = "END";
constexpr std::array<int16_t, kTimeFields + 1> kFieldLimits = {0, 23, 59, 59, 0};  // frames: by the rate

TimecodeEvent* events_begin() { return timecode_list.events + 1; }
TimecodeEvent* events_end() { return timecode_list.events + timecode_list.count + 1; }

bool is_marked(const TimecodeEvent& event) { return event_state(event) == kEventMarked; }

}  // namespace

uint8_t event_state(const TimecodeEvent& event) { return event.flags & kEventStateBits; }

void set_event_state(TimecodeEvent& event, uint8_t state) {
    event.flags = static_cast<uint8_t>((event.flags & ~kEventStateBits) | (state & kEventStateBits));
}

bool is_end_event(const TimecodeEvent& event) { return event_text(event) == kEndText; }

double clamp_list_time(double t) { return std::clamp(t, 0.0, kLatestListTime); }

TimeFields split_time_fields(double t) {
    TimeFields fields{};
    split_timecode(t, fields[1], fields[2], fields[3], fields[4]);
    return fields;
}

double time_fields_seconds(const TimeFields& fields) {
    return clamp_list_time(convert_timecode_to_seconds(fields[1], fields[2], fields[3], fields[4]));
}

int16_t time_field_limit(int16_t field) {
    if (field == kTimeFields) return static_cast<int16_t>(std::max(timecode_fps() - 1, 0));
    return kFieldLimits[static_cast<size_t>(field)];
}

void step_time_field(TimeFields& fields, int16_t field, int direction) {
    for (int16_t f = field; f >= 1; --f) {
        int16_t& value = fields[static_cast<size_t>(f)];
        const int16_t limit = time_field_limit(f);
        value = static_cast<int16_t>(value + direction);
        if (value > limit) {
            value = 0;
        } else if (value < 0) {
            value = limit;
        } else {
            return;  // no carry or borrow
        }
    }
}

void shift_marked_events(int32_t except, int32_t delta_frames) {
    for (int32_t i = 1; i <= timecode_list.count; ++i) {
        TimecodeEvent& event = timecode_event(i);
        if (i == except || !is_marked(event)) continue;
        event.time = clamp_list_time(convert_frames_to_seconds(convert_seconds_to_frames(event.time) + delta_frames));
    }
}

int32_t count_marked_events(bool without_end) {
    return static_cast<int32_t>(std::count_if(events_begin(), events_end(), [without_end](const TimecodeEvent& e) {
        return is_marked(e) && !(without_end && is_end_event(e));
    }));
}

void clear_event_marks() {
    std::for_each(events_begin(), events_end(), [](TimecodeEvent& e) { set_event_state(e, kEventUnmarked); });
}

void remove_timecode_event(int32_t i) {
    std::copy(timecode_list.events + i + 1, events_end(), timecode_list.events + i);
    --timecode_list.count;
}

void remove_marked_events() {
    TimecodeEvent* kept = std::remove_if(events_begin(), events_end(), is_marked);
    timecode_list.count = static_cast<int32_t>(kept - events_begin());
}

CopyResult copy_marked_events(int32_t offset_frames, int32_t limit, int32_t& landing) {
    landing = 0;
    const int32_t n = count_marked_events(true);
    if (n == 0) return CopyResult::nothing_marked;
    if (timecode_list.count + n > limit) return CopyResult::list_full;
    if (!reserve_timecode_events(n)) return CopyResult::no_memory;
    const int32_t count = timecode_list.count;
    int32_t added = 0;
    for (int32_t i = 1; i <= count; ++i) {
        const TimecodeEvent& event = timecode_event(i);
        if (!is_marked(event) || is_end_event(event)) continue;
        TimecodeEvent& copy = timecode_event(count + ++added);
        copy = event;
        set_event_state(copy, added == 1 ? kEventLanding : kEventUnmarked);
        copy.time = clamp_list_time(convert_frames_to_seconds(convert_seconds_to_frames(event.time) + offset_frames));
    }
    timecode_list.count += n;
    sort_timecode_events();
    for (int32_t i = 1; i <= timecode_list.count && landing == 0; ++i) {
        if (event_state(timecode_event(i)) == kEventLanding) landing = i;
    }
    if (landing != 0) set_event_state(timecode_event(landing), kEventUnmarked);
    return CopyResult::copied;
}

bool insert_captured_event(int32_t cursor, const TimecodeEvent& captured) {
    const double at = timecode_list.count == 0 ? 0.0 : timecode_event(cursor).time;
    const int32_t i = timecode_list.count == 0 ? 1 : cursor;
    if (!insert_timecode_event(i, at, event_text(captured))) return false;
    return true;
}

int32_t add_captured_event(const TimecodeEvent& captured) {
    const int32_t count = timecode_list.count;
    int32_t i = count + 1;
    double at = 0.0;
    if (count > 0) {
        const bool end_last = is_end_event(timecode_event(count));
        if (end_last) i = count;
        at = timecode_event(end_last && count > 1 ? count - 1 : count).time;
    }
    return insert_timecode_event(i, at, event_text(captured)) ? i : 0;
}

}  // namespace synchro
