#include "playback/cue_tables.h"

#include <cstring>

#include "memcheck/memcheck.h"
#include "playback/key_groups.h"

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

std::string_view cue_slot_name(int slot) {
    if (!valid_cue_slot(slot)) return {};
    const auto& name = cue_header_table[static_cast<size_t>(slot)].name;
    return {name.data(), strnlen(name.data(), name.size() - 1)};
}

int current_cue_slot() { return cue_slot_of(current_cue_page, current_cue, current_cue_point); }

bool cue_playback_programmed(int slot, int p) {
    if (!valid_cue_slot(slot) || p < 1 || p > kPlaybacks) return false;
    const PlaybackRecord* record = cue_playback_table[static_cast<size_t>((slot - 1) * kPlaybacks + p)];
    return record != nullptr && (record->flags & CUE_RECORD_IN_CUE) != 0;
}

bool cue_sequence_programmed(int slot, int s) {
    if (!valid_cue_slot(slot) || s < 1 || s > kSequences) return false;
    const SequenceRecord* record = cue_sequence_table[static_cast<size_t>((slot - 1) * kSequences + s)];
    return record != nullptr && (record->flags & CUE_RECORD_IN_CUE) != 0;
}

bool update_cue_programmed_flag(int16_t slot) {
    if (!valid_cue_slot(slot)) return false;
    bool programmed = false;
    for (int s = 1; s <= kSequences && !programmed; ++s) programmed = cue_sequence_programmed(slot, s);
    if (!programmed) programmed = programmed_pointcue(slot) != nullptr;
    for (int p = 1; p <= kPlaybacks && !programmed; ++p) programmed = cue_playback_programmed(slot, p);
    cue_header_table[static_cast<size_t>(slot)].programmed = programmed ? 1 : 0;

    // The point flags of the whole cue: its own point first, then any other.
    const int first = (slot - 1) / kPointsPerCue * kPointsPerCue + 1;
    uint8_t flags = kCuePointNone;
    if (cue_header_table[static_cast<size_t>(first)].programmed == 1) {
        flags = kCuePointOwn;
    } else {
        for (int k = first + 1; k < first + kPointsPerCue; ++k) {
            if (cue_header_table[static_cast<size_t>(k)].programmed == 1) flags = kCuePointOthersOnly;
        }
    }
    cue_point_flags[static_cast<size_t>((slot - 1) / kPointsPerCue + 1)] = flags;
    return programmed;
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
