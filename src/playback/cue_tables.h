// The cue tables: the header of every cue slot (name, programmed flag and
// place of its point-cue record on file), the point-cue, sequence and
// playback records each cue slot owns, the indexes of the sequence and
// playback files, the point flags of every whole cue, and the times of the
// cue fade last started. The cue files (datafiles/cue_files.h) fill and
// write these tables; the records themselves are heap blocks owned by the
// pointer tables (null = no record).
//
// A cue page holds 70 cues of 10 points; slot k = (page - 1) * 700 + (cue -
// 1) * 10 + point. Point 1 is the cue itself. Slot k owns sequence records
// (k - 1) * 4 + s (s = 1..4) and playback records (k - 1) * 42 + p (p =
// 1..42).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datafiles/record_files.h"
#include "playback/playback_state.h"

namespace playback {

constexpr int kCuePages = 16;
constexpr int kCuesPerPage = 70;
constexpr int kPointsPerCue = 10;
constexpr int kCues = kCuePages * kCuesPerPage;      // 1120 whole cues
constexpr int kCueSlots = kCues * kPointsPerCue;     // 11200 cue slots
constexpr int kCueSequenceRecords = kCueSlots * kSequences;  // 44800
constexpr int kCuePlaybackRecords = kCueSlots * kPlaybacks;  // 470400

// Cue point flags of a whole cue.
constexpr uint8_t kCuePointNone = 0;
constexpr uint8_t kCuePointOwn = 1;          // the cue's own point is programmed
constexpr uint8_t kCuePointOthersOnly = 2;   // only other points of it are programmed

// Flag bits of the first byte of a point-cue, sequence or playback record.
enum CueRecordFlag : uint8_t {
    CUE_RECORD_IN_CUE = 0x01,  // point cue: in use; sequence, playback: programmed in the cue
    CUE_RECORD_MIDI = 0x02,    // a MIDI code is learned
};

// A point cue's own cue memory and its times. 23 bytes on file: +0 flags,
// +1 MIDI code, +7 point memory, +9 fade mode, +10 link mode, +11 linked
// cue, +13 DELAY-IN, +15 FADE-IN, +17 HOLD, +19 FADE-OUT, +21 DELAY-OUT
// (times in tenths, 32000 infinite).
constexpr int16_t kNoPointMemory = -1;  // 65535 on file
struct PointcueRecord {
    uint8_t flags = 0;
    MidiCode midi_code;
    int16_t point_memory = 0;  // cue memory 1..2000; 0 or -1 none
    uint8_t fade_mode = 0;
    uint8_t link_mode = 0;
    int16_t linked_cue = 0;    // cue slot 1..11200, 0 none
    uint16_t delay_in = 0;
    uint16_t fade_in = 0;
    uint16_t hold = 0;
    uint16_t fade_out = 0;
    uint16_t delay_out = 0;
};

// The bytes of each record on file (PlaybackRecord and SequenceRecord:
// playback_state.h).
constexpr size_t kPointcueRecordBytes = 23;
constexpr size_t kPlaybackRecordBytes = 16;
constexpr size_t kSequenceRecordBytes = 444;

// The header of a cue slot and the index entry of a sequence or playback
// record, in the forms the cue files keep them.
using datafiles::CueHeader;
using datafiles::CueRecordIndexEntry;

// Per cue slot 1..11200, per whole cue 1..1120, per sequence record
// 1..44800 and per playback record 1..470400 (index 0 unused).
extern std::array<CueHeader, kCueSlots + 1> cue_header_table;
extern std::array<PointcueRecord*, kCueSlots + 1> cue_pointcue_table;
extern std::array<SequenceRecord*, kCueSequenceRecords + 1> cue_sequence_table;
extern std::array<PlaybackRecord*, kCuePlaybackRecords + 1> cue_playback_table;
extern std::array<CueRecordIndexEntry, kCueSequenceRecords + 1> cue_sequence_index;
extern std::array<CueRecordIndexEntry, kCuePlaybackRecords + 1> cue_playback_index;
extern std::array<uint8_t, kCues + 1> cue_point_flags;
// The programmed cue slots.
extern int16_t cue_used_count;

constexpr int kCueTimes = 5;  // delay in, fade in, delay out, fade out, hold

// The times of the cue fade last started, in tenths of a second; 32000 is infinite.
extern std::array<int32_t, kCueTimes> current_cue_times;

// The point-cue record open in the point-cue editor, and its cue slot - 1
// (-1 while no editor is open). A tool that changes that cue's stored record
// changes this copy too.
extern PointcueRecord pointcue_edit_record;
extern int16_t pointcue_edit_cue;

// A record's five times in time-kind order (DELAY IN, FADE IN, DELAY OUT,
// FADE OUT, HOLD), tenths of a second.
std::array<uint16_t, kCueTimes> pointcue_times(const PointcueRecord& record);

// The page (1..16), cue (1..70) and point (1..10) of cue slot 1..11200.
constexpr int cue_slot_page(int slot) { return (slot - 1) / (kCuesPerPage * kPointsPerCue) + 1; }
constexpr int cue_slot_cue(int slot) { return (slot - 1) / kPointsPerCue % kCuesPerPage + 1; }
constexpr int cue_slot_point(int slot) { return (slot - 1) % kPointsPerCue + 1; }
// The cue slot of a page, cue and point (the reverse of the three above).
constexpr int cue_slot_of(int page, int cue, int point) {
    return (page - 1) * kCuesPerPage * kPointsPerCue + (cue - 1) * kPointsPerCue + point;
}
constexpr bool valid_cue_slot(int slot) { return slot >= 1 && slot <= kCueSlots; }

// The name of cue slot 1..11200 up to its terminator (empty for no name or
// a slot out of range; a name without a terminator ends at 20 characters).
std::string_view cue_slot_name(int slot);

// The cue slot of the live cue (current_cue_page, current_cue, current_cue_point).
int current_cue_slot();

// Whether cue slot 1..11200 has a programmed playback p, sequence s, or
// point-cue record (flags bit 0; a record kept only for its MIDI code is not).
bool cue_playback_programmed(int slot, int p);
bool cue_sequence_programmed(int slot, int s);

// Recomputes the programmed byte of cue slot 1..11200 from its records and
// the point flags of its cue; the new programmed state (false for a slot
// out of range).
bool update_cue_programmed_flag(int16_t slot);

// The point-cue record of cue slot 1..11200 when it is in use (flags bit
// 0), else null (also for a slot out of range).
PointcueRecord* programmed_pointcue(int slot);

// Frees every point-cue, sequence and playback record and nulls its pointer.
void free_cue_records();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_tables_globals();

}  // namespace playback
