#include "playback/cue_tables.h"

#include "memcheck/memcheck.h"

namespace playback {

std::array<CueHeader, kCueSlots + 1> cue_header_table{};
std::array<PointcueRecord*, kCueSlots + 1> cue_pointcue_table{};
std::array<SequenceRecord*, kCueSequenceRecords + 1> cue_sequence_table{};
std::array<PlaybackRecord*, kCuePlaybackRecords + 1> cue_playback_table{};
std::array<CueRecordIndexEntry, kCueSequenceRecords + 1> cue_sequence_index{};
std::array<CueRecordIndexEntry, kCuePlaybackRecords + 1> cue_playback_index{};
std::array<uint8_t, kCues + 1> cue_point_flags{};
int16_t cue_used_count = 0;
std::array<int32_t, kCueTimes> current_cue_times{};
PointcueRecord pointcue_edit_record{};
int16_t pointcue_edit_cue = -1;

namespace {

template <typename Record, size_t N>
void free_records(std::array<Record*, N>& table) {
    for (Record*& record : table) {
        if (record != nullptr) memcheck::mc_free_at(record, __FILE__, __LINE__);
        record = nullptr;
    }
}

}  // namespace

void free_cue_records() {
    free_records(cue_pointcue_table);
    free_records(cue_sequence_table);
    free_records(cue_playback_table);
}

std::array<uint16_t, kCueTimes> pointcue_times(const PointcueRecord& record) {
    return {record.delay_in, record.fade_in, record.delay_out, record.fade_out, record.hold};
}

PointcueRecord* programmed_pointcue(int slot) {
    if (slot < 1 || slot > kCueSlots) return nullptr;
    PointcueRecord* record = cue_pointcue_table[static_cast<size_t>(slot)];
    return record != nullptr && (record->flags & CUE_RECORD_IN_CUE) != 0 ? record : nullptr;
}

void reset_cue_tables_globals() {
    free_cue_records();
    cue_header_table = {};
    cue_sequence_index = {};
    cue_playback_index = {};
    cue_point_flags = {};
    cue_used_count = 0;
    current_cue_times = {};
    pointcue_edit_record = {};
    pointcue_edit_cue = -1;
}

}  // namespace playback
