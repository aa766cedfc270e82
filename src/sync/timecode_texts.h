// What the timecode table and the LAST/NEXT fields say about an event: the
// time column's "hh/mm/ss/ff", the event column's long text with memory and
// cue names, and the short text of the MANUAL transport fields. Formatting
// only: no drawing, and nothing allocated.
#pragma once
#include <array>
#include <cstddef>
#include <string_view>

namespace synchro {

// Room for the longest text: "PAGE 16 - CUE 70.9 [" with a 20-character name.
constexpr size_t kEventLineBytes = 64;
using EventLine = std::array<char, kEventLineBytes>;

constexpr const char* kEventErrorText = "!! ERROR !!";

// The time column: t split at the selected rate, "%02d/%02d/%02d/%02d".
EventLine format_event_time(double t);
// The event column of an event text; the first letter counts as a capital.
// Texts whose numbers are missing or name nothing that exists read
// "!! ERROR !!"; an F event of a fader other than 1..4 or above 100 reads "".
EventLine format_event_row_text(std::string_view text);
// The short text of the LAST and NEXT fields; the first letter counts as it
// stands, so an event in small letters reads "!! ERROR !!".
EventLine format_event_short_text(std::string_view text);

}  // namespace synchro
