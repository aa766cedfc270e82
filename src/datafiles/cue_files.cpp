#include "datafiles/cue_files.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datafiles/cue_memory_file.h"
#include "datafiles/load_report.h"
#include "datafiles/record_files.h"
#include "datafiles/whole_files.h"
#include "memcheck/memcheck.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "runtime/key_reader.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace datafiles {

using playback::CUE_RECORD_IN_CUE;
using playback::CUE_RECORD_MIDI;
using playback::PlaybackRecord;
using playback::PointcueRecord;
using playback::SequenceRecord;
using runtime::at;

namespace {

// The percentage of each loader on the cue line of the "Loading Data" screen.
constexpr int16_t kPercentY = 165;
constexpr int16_t kPointcuePercentX = 330;
constexpr int16_t kPlaybackPercentX = 450;
constexpr int16_t kSequencePercentX = 580;
constexpr int16_t kPercentColour = 14;
constexpr int16_t kEraseColour = 0;
constexpr int kProgressLineColour = 12;

// A failed save: the message and this tone, which any input ends early.
constexpr int32_t kSaveErrorBeepHz = 600;
constexpr uint32_t kSaveErrorBeep_ms = 2000;

// The warnings of the point cues: a strip across the foot of the screen.
constexpr int kBarTop = 460;
constexpr int kBarBottom = 480;
constexpr int kBarTextY = 466;
constexpr int kScreenWidth = 640;
constexpr int kSolidFill = 1;
constexpr int kBarColour = 4;
constexpr int kBarTextColour = 14;
constexpr int kBlack = 0;
constexpr int32_t kWarningBeepHz = 400;
constexpr uint32_t kWarningBeep_ms = 600;

constexpr uint8_t kPresenceFlags = CUE_RECORD_IN_CUE | CUE_RECORD_MIDI;

// What the last load of a file left.
struct CueFileState {
    int32_t unloaded = 0;          // records memory could not hold: they stay on file only
    bool whole = false;            // found, and nothing refused or unloaded
    bool rewrite_pending = false;  // the file still lacks its version text or some of its index
};

// ------------------------------------------------------------------ records field by field

template <typename Record>
constexpr size_t kRecordBytes = 0;
template <>
constexpr size_t kRecordBytes<PointcueRecord> = playback::kPointcueRecordBytes;
template <>
constexpr size_t kRecordBytes<PlaybackRecord> = playback::kPlaybackRecordBytes;
template <>
constexpr size_t kRecordBytes<SequenceRecord> = playback::kSequenceRecordBytes;

template <typename Entry>
constexpr size_t kEntryBytes = 0;
template <>
constexpr size_t kEntryBytes<CueHeader> = kCueHeaderBytes;
template <>
constexpr size_t kEntryBytes<CueRecordIndexEntry> = kCueRecordIndexEntryBytes;

// The MIDI code right behind the flags byte of every cue record.
void put_midi_code(std::span<uint8_t> bytes, const playback::MidiCode& code) {
    for (size_t w = 0; w < code.words.size(); ++w) put_u16(bytes, 1 + 2 * w, code.words[w]);
}

void get_midi_code(std::span<const uint8_t> bytes, playback::MidiCode& code) {
    for (size_t w = 0; w < code.words.size(); ++w) code.words[w] = get_u16(bytes, 1 + 2 * w);
}

// ------------------------------------------------------------------ the three files

// One cue file and the tables it fills.
template <typename Entry, typename Record>
struct CueFile {
    const RecordFileLayout& layout;
    std::span<Entry> index;     // entries 1..N
    std::span<Record*> records; // records 1..N
    CueFileState& state;
    int16_t percent_x;
    const char* compact_copy;  // "cuemem.da"
};

std::array<CueFileState, 3> file_states{};

CueFile<CueHeader, PointcueRecord> pointcue_file() {
    return {kPointcueFile, playback::cue_header_table, playback::cue_pointcue_table, file_states[0],
            kPointcuePercentX, "cuemem.da"};
}
CueFile<CueRecordIndexEntry, SequenceRecord> sequence_file() {
    return {kCueSequenceFile, playback::cue_sequence_index, playback::cue_sequence_table, file_states[1],
            kSequencePercentX, "cueseq.da"};
}
CueFile<CueRecordIndexEntry, PlaybackRecord> playback_file() {
    return {kCuePlaybackFile, playback::cue_playback_index, playback::cue_playback_table, file_states[2],
            kPlaybackPercentX, "cueplayb.da"};
}

template <typename Record>
bool record_present(const Record* record) {
    return record != nullptr && (record->flags & kPresenceFlags) != 0;
}

template <typename Entry>
void empty_entry_place(Entry& entry) {
    entry.present = 0;
    entry.offset = kNotOnFile;
}

// The header of a slot whose index entry a file could not give.
void empty_entry(CueHeader& header) { header = CueHeader{}; }
void empty_entry(CueRecordIndexEntry& entry) { entry = CueRecordIndexEntry{}; }

template <typename Record>
void free_record(Record*& record) {
    if (record != nullptr) memcheck::mc_free_at(record, __FILE__, __LINE__);
    record = nullptr;
}

// A record from the show-table allocator; null when memory has run out.
template <typename Record>
Record* new_record(const Record& value) {
    void* block = runtime::show_table_allocator(sizeof(Record), __FILE__, __LINE__);
    return block == nullptr ? nullptr : new (block) Record(value);
}

void report_save_error(const RecordFileLayout& layout) {
    ui::show_message("ERROR SAVING %s", shown_file_name(record_file_path(layout)).c_str());
    ui::beep_interruptible(kSaveErrorBeepHz, kSaveErrorBeep_ms);
}

bool valid_cue_memory(int16_t m) { return m >= 1 && m <= kCueMemories; }

bool cue_memory_in_use(int16_t m) {
    return valid_cue_memory(m) && memcue_used[at(m)] == 1 && memcue_items[at(m)] != nullptr;
}

// ------------------------------------------------------------------ loading

void draw_percent(int16_t x, int16_t colour, int percent) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%d", percent);
    ui::draw_bitmap_text(x, kPercentY, colour, text.data());
}

// What a load read of one file, besides the tables.
struct CueFileRead {
    bool found = false;
    bool version_matched = false;
    bool other_version = false;  // a version text other than the layout's
    int32_t entries_read = 0;
    int32_t refused = 0;
};

// A record's place, for the check that no two records overlap.
struct RecordPlace {
    int64_t offset = 0;
    int32_t n = 0;
};

template <typename Entry, typename Record>
bool compact_cue_file(const CueFile<Entry, Record>& file, bool replace);

// Reads the index (from the version text's end, or from 0 when the file
// has none) and every record it points at; see load_pointcue_file.
template <typename Entry, typename Record>
CueFileRead read_cue_file(const CueFile<Entry, Record>& file) {
    constexpr size_t kBytes = kEntryBytes<Entry>;
    constexpr size_t kRecord = kRecordBytes<Record>;
    const RecordFileLayout& layout = file.layout;
    const int32_t entries = layout.entries;
    for (Record*& record : file.records) free_record(record);
    for (Entry& entry : file.index) empty_entry(entry);
    CueFileRead read;
    FILE* stream = platform::dos_fopen(record_file_path(layout).c_str(), "rb");
    if (stream == nullptr) return read;
    read.found = true;
    const int64_t file_size = stream_size(stream);
    std::array<char, kVersionTextChars> text{};
    const bool has_text = std::fread(text.data(), 1, text.size(), stream) == text.size();
    read.version_matched = has_text && std::equal(text.begin(), text.end(), layout.version_text);
    // Another version text still heads the index; only a file without one
    // has its index from offset 0.
    read.other_version = has_text && !read.version_matched && std::string_view(text.data(), 8) == "VERSION ";
    const int64_t header =
        read.version_matched || read.other_version ? static_cast<int64_t>(version_text_chars(layout)) : 0;
    std::vector<uint8_t> bytes(static_cast<size_t>(entries) * kBytes);
    const bool positioned = std::fseek(stream, static_cast<long>(header), SEEK_SET) == 0;
    const size_t got = positioned ? std::fread(bytes.data(), 1, bytes.size(), stream) : 0;
    read.entries_read = static_cast<int32_t>(got / kBytes);
    for (int32_t n = 1; n <= read.entries_read; ++n) {
        decode(std::span<const uint8_t, kBytes>(bytes.data() + static_cast<size_t>(n - 1) * kBytes, kBytes),
               file.index[at(n)]);
    }

    const int64_t first_record = header + static_cast<int64_t>(entries) * static_cast<int64_t>(kBytes);
    const size_t tag_length = tag_chars(layout);
    const auto record_length = static_cast<int64_t>(tag_length + kRecord);
    int64_t position = positioned ? header + static_cast<int64_t>(got) : -1;
    std::vector<uint8_t> record_bytes(tag_length + kRecord);
    std::vector<RecordPlace> places;
    Refusals refusals;
    int shown_percent = -1;
    for (int32_t n = 1; n <= entries; ++n) {
        Entry& entry = file.index[at(n)];
        if (entry.offset != kNotOnFile) {
            bool refused = false;
            bool silently = false;
            if (entry.offset < 0) {
                silently = true;
            } else if (entry.offset < first_record || entry.offset + record_length > file_size) {
                refused = true;  // inside the index, or running past the end
            } else if (position != entry.offset &&
                       std::fseek(stream, static_cast<long>(entry.offset), SEEK_SET) != 0) {
                silently = true;
                position = -1;
            } else {
                position = entry.offset;
                if (std::fread(record_bytes.data(), 1, record_bytes.size(), stream) != record_bytes.size()) {
                    refused = true;
                    position = -1;
                } else {
                    position += record_length;
                    const std::string tag = record_tag(layout, n);
                    refused = !std::equal(tag.begin(), tag.end(), record_bytes.begin());
                }
            }
            if (refused || silently) {
                refusals.refuse(refused);
                empty_entry_place(entry);
            } else {
                places.push_back({entry.offset, n});
                if (entry.present == 1) {
                    Record record;
                    decode(std::span<const uint8_t, kRecord>(record_bytes.data() + tag_length, kRecord), record);
                    file.records[at(n)] = new_record(record);
                    if (file.records[at(n)] == nullptr) ++file.state.unloaded;
                }
            }
        }
        const int percent = static_cast<int>(static_cast<int64_t>(n) * 100 / entries);
        if (percent != shown_percent) {
            if (shown_percent >= 0) draw_percent(file.percent_x, kEraseColour, shown_percent);
            draw_percent(file.percent_x, kPercentColour, percent);
            shown_percent = percent;
        }
    }
    std::fclose(stream);

    // Two records that share bytes would spoil each other at their next
    // save in place: neither is kept.
    std::sort(places.begin(), places.end(), [](const RecordPlace& a, const RecordPlace& b) { return a.offset < b.offset; });
    std::vector<int32_t> overlapping;
    for (size_t i = 0; i + 1 < places.size(); ++i) {
        if (places[i + 1].offset >= places[i].offset + record_length) continue;
        overlapping.push_back(places[i].n);
        overlapping.push_back(places[i + 1].n);
    }
    std::sort(overlapping.begin(), overlapping.end());
    overlapping.erase(std::unique(overlapping.begin(), overlapping.end()), overlapping.end());
    for (const int32_t n : overlapping) {
        refusals.refuse();
        empty_entry_place(file.index[at(n)]);
        free_record(file.records[at(n)]);
    }
    read.refused = refusals.count;
    platform::_setcolor(kProgressLineColour);
    return read;
}

template <typename Entry, typename Record>
void load_cue_file(const CueFile<Entry, Record>& file) {
    file.state = {};
    const CueFileRead read = read_cue_file(file);
    const bool cut_short = read.found && read.entries_read < file.layout.entries;
    file.state.whole = read.found && read.refused == 0 && !cut_short && file.state.unloaded == 0;
    // The updates write the index behind the version text: a file without
    // it, or without all of its index, is written anew before any update.
    std::string kept_copy;
    if (read.found && (!read.version_matched || cut_short)) {
        file.state.rewrite_pending = true;
        if (file.state.unloaded == 0) {
            const std::string path = record_file_path(file.layout);
            const bool keep = read.refused > 0 || cut_short || read.other_version;
            if (keep) kept_copy = keep_copy(path);
            if (!keep || !kept_copy.empty()) file.state.rewrite_pending = !compact_cue_file(file, true);
        }
    }
    if (read.refused > 0 || cut_short || read.other_version || file.state.unloaded > 0) {
        FileDamage damage;
        damage.other_version = read.other_version;
        damage.refused = read.refused;
        damage.entries = file.layout.entries;
        damage.entries_read = read.entries_read;
        damage.unloaded = file.state.unloaded;
        report_damaged_file(record_file_path(file.layout), damage, kept_copy);
    }
}

// ------------------------------------------------------------------ compaction

template <typename Entry, typename Record>
bool build_compacted_file(const CueFile<Entry, Record>& file, std::vector<uint8_t>& bytes, std::vector<Entry>& entries) {
    constexpr size_t kBytes = kEntryBytes<Entry>;
    constexpr size_t kRecord = kRecordBytes<Record>;
    const RecordFileLayout& layout = file.layout;
    const size_t records = static_cast<size_t>(
        std::count_if(file.records.begin() + 1, file.records.end(), [](const Record* r) { return r != nullptr; }));
    const int64_t size = index_end(layout) + static_cast<int64_t>(records * (tag_chars(layout) + kRecord));
    if (size > INT32_MAX) return false;
    bytes.assign(static_cast<size_t>(index_end(layout)), 0);
    bytes.reserve(static_cast<size_t>(size));
    std::copy_n(layout.version_text, version_text_chars(layout), bytes.begin());
    entries.assign(file.index.begin(), file.index.end());
    std::array<uint8_t, kRecord> record_bytes{};
    for (int32_t n = 1; n <= layout.entries; ++n) {
        Entry& entry = entries[at(n)];
        empty_entry_place(entry);
        const Record* record = file.records[at(n)];
        if (record != nullptr) {
            entry.present = 1;
            entry.offset = static_cast<int32_t>(bytes.size());
            const std::string tag = record_tag(layout, n);
            encode(*record, std::span<uint8_t, kRecord>(record_bytes));
            bytes.insert(bytes.end(), tag.begin(), tag.end());
            bytes.insert(bytes.end(), record_bytes.begin(), record_bytes.end());
        }
        encode(entry, std::span<uint8_t, kBytes>(bytes.data() + index_position(layout, n), kBytes));
    }
    return true;
}

template <typename Entry, typename Record>
bool compact_cue_file(const CueFile<Entry, Record>& file, bool replace) {
    std::vector<uint8_t> bytes;
    std::vector<Entry> entries;
    bool written = file.state.unloaded == 0 && build_compacted_file(file, bytes, entries);
    if (written) {
        written = replace ? replace_file(record_file_path(file.layout), bytes)
                          : write_file(data_path(file.compact_copy), bytes);
    }
    if (!written) {
        report_save_error(file.layout);
        return false;
    }
    std::copy(entries.begin(), entries.end(), file.index.begin());
    if (replace) file.state.rewrite_pending = false;
    return true;
}

// ------------------------------------------------------------------ saving

// Writes record n and its entry from a copy of the entry; the tables take
// the copy only once the file holds it.
template <typename Entry, typename Record>
bool write_cue_record(const CueFile<Entry, Record>& file, int32_t n, Entry& entry) {
    constexpr size_t kRecord = kRecordBytes<Record>;
    const Record* record = file.records[at(n)];
    entry.present = record_present(record) ? 1 : 0;
    std::array<uint8_t, kRecord> payload{};
    if (entry.present == 1) encode(*record, std::span<uint8_t, kRecord>(payload));
    const bool written = !file.state.rewrite_pending &&
                         write_fixed_record(file.layout, n, entry, std::span<const uint8_t>(payload));
    if (!written) report_save_error(file.layout);
    return written;
}

// The strip at the foot of the screen with a warning, and its tone.
void show_warning(const char* text) {
    platform::_setfillstyle(kSolidFill, kBarColour);
    platform::_bar(0, kBarTop, kScreenWidth, kBarBottom);
    platform::_setcolor(kBarTextColour);
    platform::_outtextxy((kScreenWidth - platform::_textwidth(text)) / 2 + 1, kBarTextY, text);
    ui::beep_interruptible(kWarningBeepHz, kWarningBeep_ms);
}

void clear_warning() {
    platform::_setfillstyle(kSolidFill, kBlack);
    platform::_bar(0, kBarTop, kScreenWidth, kBarBottom);
}

// Any key of any source; the show runs on meanwhile.
void wait_for_any_key() {
    int16_t key = 0;
    while (!runtime::get_key(&key)) key = 0;
}

// "CUE 12.3 Page 2": the cue, the point as shown (point 1 reads .0) and the page of slot k.
struct ShownCue {
    int cue = 0;
    int point = 0;
    int page = 0;
};
ShownCue shown_cue(int32_t k) {
    return {(k - 1) % 700 / 10 + 1, (k - 1) % 10, (k - 1) / 700 + 1};
}

// The pair of messages about a cue memory that two point cues hold: the
// slot named first is the one in question, the second the other holder.
void warn_shared_cue_memory(const char* first_format, int32_t first, int32_t other) {
    std::array<char, 100> text{};
    const ShownCue a = shown_cue(first);
    std::snprintf(text.data(), text.size(), first_format, a.cue, a.point, a.page);
    show_warning(text.data());
    wait_for_any_key();
    const ShownCue b = shown_cue(other);
    std::snprintf(text.data(), text.size(), "(SAME AS CUE %d.%d Page %d) ! Press a Key!", b.cue, b.point, b.page);
    show_warning(text.data());
    wait_for_any_key();
    clear_warning();
}

constexpr const char* kSharedAtSave = "CUE %d.%d Page %d uses an illegal cuememory which is illegal! Press a Key!";
constexpr const char* kSharedAtLoad = "CUE %d.%d Page %d uses an illegal cuememory and is deleted! Press a Key!";

void warn_other_holders(int32_t k) {
    const PointcueRecord* own = playback::cue_pointcue_table[at(k)];
    if (own == nullptr || (own->flags & CUE_RECORD_IN_CUE) == 0 || !valid_cue_memory(own->point_memory)) return;
    for (int32_t j = 1; j <= playback::kCueSlots; ++j) {
        const PointcueRecord* other = playback::cue_pointcue_table[at(j)];
        if (j == k || other == nullptr || (other->flags & CUE_RECORD_IN_CUE) == 0) continue;
        if (other->point_memory == own->point_memory) warn_shared_cue_memory(kSharedAtSave, j, k);
    }
}

// A programmed slot k marks its whole cue: 1 when k is the cue's own point,
// else 2 unless the cue is marked already.
void mark_whole_cue(int32_t k) {
    uint8_t& flag = playback::cue_point_flags[at((k - 1) / playback::kPointsPerCue + 1)];
    if ((k - 1) % playback::kPointsPerCue == 0) {
        flag = playback::kCuePointOwn;
    } else if (flag == playback::kCuePointNone) {
        flag = playback::kCuePointOthersOnly;
    }
}

int32_t sequence_record_number(int32_t k, int16_t sequence) { return (k - 1) * playback::kSequences + sequence; }
int32_t playback_record_number(int32_t k, int16_t playback) { return (k - 1) * playback::kPlaybacks + playback; }


}  // namespace

// ------------------------------------------------------------------ records

void encode(const PointcueRecord& record, std::span<uint8_t, playback::kPointcueRecordBytes> bytes) {
    bytes[0] = record.flags;
    put_midi_code(bytes, record.midi_code);
    put_u16(bytes, 7, static_cast<uint16_t>(record.point_memory));
    bytes[9] = record.fade_mode;
    bytes[10] = record.link_mode;
    put_u16(bytes, 11, static_cast<uint16_t>(record.linked_cue));
    put_u16(bytes, 13, record.delay_in);
    put_u16(bytes, 15, record.fade_in);
    put_u16(bytes, 17, record.hold);
    put_u16(bytes, 19, record.fade_out);
    put_u16(bytes, 21, record.delay_out);
}

void encode(const PlaybackRecord& record, std::span<uint8_t, playback::kPlaybackRecordBytes> bytes) {
    bytes[0] = record.flags;
    put_midi_code(bytes, record.midi_code);
    put_u16(bytes, 7, static_cast<uint16_t>(record.memory));
    bytes[9] = record.fade_mode;
    bytes[10] = record.threshold;
    bytes[11] = record.modes;
    put_u16(bytes, 12, record.fade_in);
    put_u16(bytes, 14, record.fade_out);
}

void encode(const SequenceRecord& record, std::span<uint8_t, playback::kSequenceRecordBytes> bytes) {
    bytes[0] = record.flags;
    put_midi_code(bytes, record.midi_code);
    put_u16(bytes, 7, record.start_memory);
    for (size_t i = 1; i <= playback::kLoopMemories; ++i) put_u16(bytes, 9 + 2 * (i - 1), record.loop_memories[i]);
    put_u16(bytes, 209, record.end_memory);
    for (size_t step = 1; step <= playback::kSequenceSteps; ++step) {
        bytes[211 + step - 1] = record.step_fade_modes[step];
        bytes[313 + step - 1] = record.step_thresholds[step];
    }
    bytes[415] = record.loop_length;
    put_u16(bytes, 416, record.loop_count);
    put_u16(bytes, 418, record.linked_cue);
    bytes[420] = record.spare_byte;
    put_u16(bytes, 421, record.fade_time);
    put_u16(bytes, 423, record.wait_delay);
    put_u16(bytes, 425, record.spare_word);
    std::copy(record.reserved_a.begin(), record.reserved_a.end(), bytes.begin() + 427);
    bytes[433] = record.mode;
    bytes[434] = record.sound_band;
    bytes[435] = record.beats_per_step;
    std::copy(record.reserved_b.begin(), record.reserved_b.end(), bytes.begin() + 436);
}

void decode(std::span<const uint8_t, playback::kPointcueRecordBytes> bytes, PointcueRecord& record) {
    record.flags = bytes[0];
    get_midi_code(bytes, record.midi_code);
    record.point_memory = static_cast<int16_t>(get_u16(bytes, 7));
    record.fade_mode = bytes[9];
    record.link_mode = bytes[10];
    record.linked_cue = static_cast<int16_t>(get_u16(bytes, 11));
    record.delay_in = get_u16(bytes, 13);
    record.fade_in = get_u16(bytes, 15);
    record.hold = get_u16(bytes, 17);
    record.fade_out = get_u16(bytes, 19);
    record.delay_out = get_u16(bytes, 21);
}

void decode(std::span<const uint8_t, playback::kPlaybackRecordBytes> bytes, PlaybackRecord& record) {
    record.flags = bytes[0];
    get_midi_code(bytes, record.midi_code);
    record.memory = static_cast<int16_t>(get_u16(bytes, 7));
    record.fade_mode = bytes[9];
    record.threshold = bytes[10];
    record.modes = bytes[11];
    record.fade_in = get_u16(bytes, 12);
    record.fade_out = get_u16(bytes, 14);
}

void decode(std::span<const uint8_t, playback::kSequenceRecordBytes> bytes, SequenceRecord& record) {
    record.flags = bytes[0];
    get_midi_code(bytes, record.midi_code);
    record.start_memory = get_u16(bytes, 7);
    for (size_t i = 1; i <= playback::kLoopMemories; ++i) record.loop_memories[i] = get_u16(bytes, 9 + 2 * (i - 1));
    record.end_memory = get_u16(bytes, 209);
    for (size_t step = 1; step <= playback::kSequenceSteps; ++step) {
        record.step_fade_modes[step] = bytes[211 + step - 1];
        record.step_thresholds[step] = bytes[313 + step - 1];
    }
    record.loop_length = bytes[415];
    record.loop_count = get_u16(bytes, 416);
    record.linked_cue = get_u16(bytes, 418);
    record.spare_byte = bytes[420];
    record.fade_time = get_u16(bytes, 421);
    record.wait_delay = get_u16(bytes, 423);
    record.spare_word = get_u16(bytes, 425);
    std::copy_n(bytes.begin() + 427, record.reserved_a.size(), record.reserved_a.begin());
    record.mode = bytes[433];
    record.sound_band = bytes[434];
    record.beats_per_step = bytes[435];
    std::copy_n(bytes.begin() + 436, record.reserved_b.size(), record.reserved_b.begin());
}

int32_t cue_slot(int16_t cue, int16_t point, int16_t page) {
    if (cue < 1 || cue > playback::kCuesPerPage || point < 1 || point > playback::kPointsPerCue || page < 1 ||
        page > playback::kCuePages) {
        return 0;
    }
    return (page - 1) * playback::kCuesPerPage * playback::kPointsPerCue + (cue - 1) * playback::kPointsPerCue + point;
}

// ------------------------------------------------------------------ creating

void init_pointcue_file() {
    for (CueHeader& header : playback::cue_header_table) empty_entry_place(header);
    file_states[0] = {};
    file_states[0].whole = create_record_file(kPointcueFile);
}

void init_cue_sequence_file() {
    for (CueRecordIndexEntry& entry : playback::cue_sequence_index) empty_entry_place(entry);
    file_states[1] = {};
    file_states[1].whole = create_record_file(kCueSequenceFile);
}

void init_cue_playback_file() {
    for (CueRecordIndexEntry& entry : playback::cue_playback_index) empty_entry_place(entry);
    file_states[2] = {};
    file_states[2].whole = create_record_file(kCuePlaybackFile);
}

// ------------------------------------------------------------------ loading

void load_pointcue_file() { load_cue_file(pointcue_file()); }
void load_cue_playback_file() { load_cue_file(playback_file()); }
void load_cue_sequence_file() { load_cue_file(sequence_file()); }

// ------------------------------------------------------------------ saving

bool save_pointcue_record(int16_t cue, int16_t point, int16_t page) {
    const int32_t k = cue_slot(cue, point, page);
    if (k == 0) {
        report_save_error(kPointcueFile);
        return false;
    }
    warn_other_holders(k);
    CueHeader header = playback::cue_header_table[at(k)];
    const PointcueRecord* record = playback::cue_pointcue_table[at(k)];
    const bool with_cue_memory = record_present(record) && (record->flags & CUE_RECORD_IN_CUE) != 0;
    if (with_cue_memory) header.programmed = 1;
    if (!write_cue_record(pointcue_file(), k, header)) return false;
    playback::cue_header_table[at(k)] = header;
    if (with_cue_memory) mark_whole_cue(k);
    return true;
}

bool save_pointcue_name(int16_t cue, int16_t point, int16_t page) {
    const int32_t k = cue_slot(cue, point, page);
    bool written = k != 0 && !file_states[0].rewrite_pending;
    if (written) {
        EntryName& name = playback::cue_header_table[at(k)].name;
        name[kEntryNameBytes - 1] = '\0';
        std::array<uint8_t, kEntryNameBytes> bytes{};
        std::copy(name.begin(), name.end(), bytes.begin());
        written = write_index_field(kPointcueFile, k, 0, bytes);
    }
    if (!written) report_save_error(kPointcueFile);
    return written;
}

bool save_cue_sequence_record(int16_t cue, int16_t point, int16_t page, int16_t sequence) {
    const int32_t k = cue_slot(cue, point, page);
    if (k == 0 || sequence < 1 || sequence > playback::kSequences) {
        report_save_error(kCueSequenceFile);
        return false;
    }
    const int32_t n = sequence_record_number(k, sequence);
    CueRecordIndexEntry entry = playback::cue_sequence_index[at(n)];
    if (!write_cue_record(sequence_file(), n, entry)) return false;
    playback::cue_sequence_index[at(n)] = entry;
    return true;
}

bool save_cue_playback_record(int16_t cue, int16_t point, int16_t page, int16_t playback) {
    const int32_t k = cue_slot(cue, point, page);
    if (k == 0 || playback < 1 || playback > playback::kPlaybacks) {
        report_save_error(kCuePlaybackFile);
        return false;
    }
    const int32_t n = playback_record_number(k, playback);
    CueRecordIndexEntry entry = playback::cue_playback_index[at(n)];
    if (!write_cue_record(playback_file(), n, entry)) return false;
    playback::cue_playback_index[at(n)] = entry;
    return true;
}

// ------------------------------------------------------------------ compaction

bool compact_pointcue_file(uint8_t replace) { return compact_cue_file(pointcue_file(), replace != 0); }
bool compact_cue_sequence_file(uint8_t replace) { return compact_cue_file(sequence_file(), replace != 0); }
bool compact_cue_playback_file(uint8_t replace) { return compact_cue_file(playback_file(), replace != 0); }

// ------------------------------------------------------------------ consistency

void check_pointcue_consistency(uint8_t partial) {
    using playback::cue_header_table;
    using playback::cue_pointcue_table;
    std::array<uint16_t, kCueMemories + 1> owner{};
    // A cue memory that memory could not hold is not gone: while the cue
    // memories are not all loaded no point cue loses its own.
    const bool cue_memories_whole = !memcue_load_incomplete();

    // 1. A cue memory belongs to the first point cue that holds it.
    for (int32_t k = 1; k <= playback::kCueSlots; ++k) {
        PointcueRecord* record = cue_pointcue_table[at(k)];
        if (record == nullptr || (record->flags & CUE_RECORD_IN_CUE) == 0 || !cue_memory_in_use(record->point_memory)) {
            continue;
        }
        uint16_t& holder = owner[at(record->point_memory)];
        if (holder == 0) {
            holder = static_cast<uint16_t>(k);
            continue;
        }
        warn_shared_cue_memory(kSharedAtLoad, k, holder);
        record->flags = static_cast<uint8_t>(record->flags & ~CUE_RECORD_IN_CUE);
        const ShownCue slot = shown_cue(k);
        save_pointcue_record(static_cast<int16_t>(slot.cue), static_cast<int16_t>(slot.point + 1),
                             static_cast<int16_t>(slot.page));
    }

    // 2. The programmed bytes and counts, from the records as they now are.
    std::array<uint8_t, kCueMemories + 1> referenced{};
    playback::cue_used_count = 0;
    playback::cue_point_flags.fill(playback::kCuePointNone);
    bool pointcues_changed = false;
    for (int32_t k = 1; k <= playback::kCueSlots; ++k) {
        CueHeader& header = cue_header_table[at(k)];
        header.programmed = 0;
        PointcueRecord* record = cue_pointcue_table[at(k)];
        if (record != nullptr && (record->flags & CUE_RECORD_IN_CUE) != 0) {
            if (cue_memory_in_use(record->point_memory)) {
                header.programmed = 1;
                referenced[at(record->point_memory)] = 1;
            } else if (cue_memories_whole) {
                record->point_memory = playback::kNoPointMemory;
                record->flags = static_cast<uint8_t>(record->flags & ~CUE_RECORD_IN_CUE);
                pointcues_changed = true;
            }
        }
        for (int16_t s = 1; s <= playback::kSequences && header.programmed == 0; ++s) {
            const SequenceRecord* sequence = playback::cue_sequence_table[at(sequence_record_number(k, s))];
            if (sequence != nullptr && (sequence->flags & CUE_RECORD_IN_CUE) != 0) header.programmed = 1;
        }
        for (int16_t p = 1; p <= playback::kPlaybacks && header.programmed == 0; ++p) {
            const PlaybackRecord* playback_record = playback::cue_playback_table[at(playback_record_number(k, p))];
            if (playback_record != nullptr && (playback_record->flags & CUE_RECORD_IN_CUE) != 0) header.programmed = 1;
        }
        if (header.programmed == 1) {
            mark_whole_cue(k);
            ++playback::cue_used_count;
        }
    }

    // 3. Cue memories that no point cue holds are freed, unless point cues
    // were left unread: they may hold them.
    if (partial == 0 && file_states[0].whole) {
        bool freed = false;
        for (int32_t m = 1; m <= kCueMemories; ++m) {
            if (memcue_used[at(m)] != 1 || referenced[at(m)] == 1) continue;
            if (!freed) show_warning("DATA INCONSISTENCY IN POINTCUEMEMORIES !!!");
            freed = true;
            memcue_used[at(m)] = 0;
            memcue_index[at(m)].count = 0;
            if (memcue_items[at(m)] != nullptr) memcheck::mc_free_at(memcue_items[at(m)], __FILE__, __LINE__);
            memcue_items[at(m)] = nullptr;
        }
        memcue_used_count = static_cast<uint16_t>(std::count(memcue_used.begin() + 1, memcue_used.end(), uint8_t{1}));
        if (freed) compact_memcue_file(true);
    }

    if (pointcues_changed) compact_pointcue_file(1);
}

void release_cue_records() {
    playback::free_cue_records();
    for (CueRecordIndexEntry& entry : playback::cue_sequence_index) empty_entry_place(entry);
    for (CueRecordIndexEntry& entry : playback::cue_playback_index) empty_entry_place(entry);
    for (CueHeader& header : playback::cue_header_table) header = CueHeader{};
    playback::cue_point_flags.fill(playback::kCuePointNone);
}

void reset_cue_files_globals() { file_states = {}; }

bool get_pointcue_times(int16_t slot, std::array<uint16_t, 5>& times) {
    if (!playback::valid_cue_slot(slot)) return false;
    const playback::PointcueRecord* record = playback::cue_pointcue_table[static_cast<size_t>(slot)];
    if (record == nullptr) return false;
    times = playback::pointcue_times(*record);
    return true;
}

}  // namespace datafiles
