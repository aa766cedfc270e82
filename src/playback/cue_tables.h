// The cue tables: the header of every cue slot (name, programmed flag and
// place of its record on file), the point flags of every whole cue, and the
// times of the cue fade last started. (The cue files fill the tables; until
// the cues are built they stay empty.)
//
// A cue page holds 70 cues of 10 points; slot (page - 1) * 700 + (cue - 1) *
// 10 + point. Point 1 is the cue itself.
#pragma once
#include <array>
#include <cstdint>

#include "datafiles/record_files.h"

namespace playback {

constexpr int kCuePages = 16;
constexpr int kCuesPerPage = 70;
constexpr int kPointsPerCue = 10;
constexpr int kCues = kCuePages * kCuesPerPage;      // 1120 whole cues
constexpr int kCueSlots = kCues * kPointsPerCue;     // 11200 cue slots

// Cue point flags of a whole cue.
constexpr uint8_t kCuePointNone = 0;
constexpr uint8_t kCuePointOwn = 1;          // the cue's own point is programmed
constexpr uint8_t kCuePointOthersOnly = 2;   // only other points of it are programmed

// The header of a cue slot, in the form the point-cue file keeps it.
using datafiles::CueHeader;

// Per cue slot 1..11200 and per whole cue 1..1120 (index 0 unused).
extern std::array<CueHeader, kCueSlots + 1> cue_header_table;
extern std::array<uint8_t, kCues + 1> cue_point_flags;
// The number of programmed cue slots.
extern int16_t cue_used_count;

constexpr int kCueTimes = 5;  // delay in, fade in, delay out, fade out, hold

// The times of the cue fade last started, in tenths of a second; 32000 is infinite.
extern std::array<int32_t, kCueTimes> current_cue_times;

// The times of the point-cue record open in the point-cue editor, in time-kind
// order (DELAY IN, FADE IN, DELAY OUT, FADE OUT, HOLD), tenths of a second.
extern std::array<uint16_t, kCueTimes> pointcue_edit_times;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_tables_globals();

}  // namespace playback
