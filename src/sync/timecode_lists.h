// Timecode event lists: the event record, the one loaded list, its text
// file "%s\data\%s.lst" (source name, rate name, then a "T %09.3lf" line and
// the event text per event) and its order.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace synchro {

constexpr size_t kEventTextBytes = 20;  // 19 characters and the NUL
constexpr size_t kListNameChars = 8;
constexpr int32_t kListGrowth = 20;

// Marks of the table editor in TimecodeEvent::flags.
constexpr uint8_t EVENT_MARK_1 = 1u << 0;
constexpr uint8_t EVENT_MARK_2 = 1u << 1;

struct TimecodeEvent {
    uint8_t flags = 0;
    double time = 0.0;  // list time in seconds
    std::array<char, kEventTextBytes> text{};
};

// The loaded list: events[1..count] in a heap block of capacity records
// (events[0] unused).
struct TimecodeList {
    TimecodeEvent* events = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;
};
extern TimecodeList timecode_list;

// How the list's block grows: realloc's contract (null when memory runs
// out, the old block then kept). A test may put a failing one in place.
using TimecodeListReallocator = void* (*)(void* block, size_t bytes);
extern TimecodeListReallocator timecode_list_reallocator;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_timecode_lists_globals();

inline TimecodeEvent& timecode_event(int32_t i) { return timecode_list.events[i]; }
std::string_view event_text(const TimecodeEvent& event);
void set_event_text(TimecodeEvent& event, std::string_view text);
// Room for one more event: the block grows to count + 20 records when full;
// false when memory ran out (the list is kept).
bool reserve_timecode_event();
// Room for exactly one more (the END event at the end of a recording).
bool reserve_one_timecode_event();
// Room for n more: the block grows to exactly count + n records when it
// lacks room; false when memory ran out (the list is kept).
bool reserve_timecode_events(int32_t n);
// Inserts an event at index i (1..count + 1); the events from i on move up.
// False when memory ran out.
bool insert_timecode_event(int32_t i, double time, std::string_view text);

bool save_timecode_list(const std::string& name);
bool load_timecode_list(const std::string& name);
bool sort_timecode_events();
void free_timecode_list();
// A list name the console accepts: 1..8 characters.
bool valid_list_name(std::string_view name);

}  // namespace synchro
