#include "datafiles/old_cue_pages.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/cue_files.h"
#include "datafiles/load_report.h"
#include "datafiles/old_formats.h"
#include "datafiles/record_files.h"
#include "datafiles/whole_files.h"
#include "platform/dos_files.h"
#include "playback/cue_tables.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "ui/helpers.h"

namespace datafiles {

using playback::CUE_RECORD_IN_CUE;
using playback::CUE_RECORD_MIDI;
using playback::MidiCode;
using playback::PlaybackRecord;
using playback::PointcueRecord;
using playback::SequenceRecord;
using runtime::at;

namespace {

constexpr int kOldCuePages = 2;
constexpr int kOldCuesPerPage = 560;
constexpr int kCuesPerOldGroup = 70;  // the c and g of a tag: cue c of group g

// Cue pages.
constexpr const char* kCueVersion = "VERSION 6.01";
constexpr size_t kCueVersionChars = 12;
constexpr size_t kCueEntryBytes = 26;  // name[21], flag, i32 offset
constexpr size_t kCueEntryFlag = 21;
constexpr size_t kCueEntryOffset = 22;
constexpr size_t kCueRecordBytes = 2233;
constexpr size_t kOldestCueRecordBytes = 2089;
constexpr size_t kSequenceBlocksAt = 1;
constexpr size_t kSequenceBlockBytes = 438;
constexpr size_t kPlaybackEntriesAt = 1753;
constexpr size_t kPlaybackEntryBytes = 10;
constexpr size_t kOldestPlaybackEntryBytes = 7;
constexpr int kOldPlaybackEntries = 48;
constexpr size_t kBlockModeByte = 427;
constexpr size_t kBlockLinkWord = 412;
constexpr uint32_t kLinkScale = 10;

// The fields that decide whether a record is sound: the loop counts of
// sequence blocks 1 and 4, the thresholds of playback entries 1 and 48.
constexpr size_t kFirstLoopCount = 411;
constexpr size_t kLastLoopCount = 1725;
constexpr int16_t kMostLoops = 1001;
constexpr size_t kFirstThreshold = 1757;
constexpr size_t kLastThreshold = 2227;
constexpr uint8_t kMostThreshold = 70;

// A sequence block's fields lie six bytes further on in a sequence record,
// behind its MIDI code.
constexpr size_t kSequenceShift = 6;

// MIDI pages.
constexpr size_t kMidiEntryBytes = 5;  // flag, i32 offset
constexpr size_t kMidiRecordBytes = 319;
constexpr size_t kCueCodeAt = 1;
constexpr size_t kSequenceCodesAt = 7;
constexpr size_t kPlaybackCodesAt = 31;
constexpr size_t kMidiCodeBytes = 6;

// The count of the MIDI step, on its progress line.
constexpr int16_t kMidiCountX = 336;
constexpr int16_t kMidiCountY = 175;
constexpr int16_t kCountColour = 14;
constexpr int16_t kEraseColour = 0;

constexpr uint8_t kFlagHoldsData = 1;

// The empty sizes of the cue files.
constexpr int64_t kEmptyPointcueFileBytes = 302412;
constexpr int64_t kEmptySequenceFileBytes = 224012;
constexpr int64_t kEmptyPlaybackFileBytes = 2352012;

std::string page_name(const char* prefix, int page) {
    std::array<char, 16> name{};
    std::snprintf(name.data(), name.size(), "%s-%04d", prefix, kOldCuesPerPage * page);
    return name.data();
}

std::string page_path(const char* prefix, int page) { return data_path((page_name(prefix, page) + ".dat").c_str()); }

// The slot, and the tag numbers, of old cue i.
int32_t slot_of(int i) { return playback::kPointsPerCue * (i - 1) + 1; }
std::string tag_of(int i) { return threshold_tag((i - 1) % kCuesPerOldGroup + 1, (i - 1) / kCuesPerOldGroup + 1); }

// A record from the show-table allocator; null when memory has run out.
template <typename Record>
Record* new_record(const Record& value) {
    void* block = runtime::show_table_allocator(sizeof(Record), __FILE__, __LINE__);
    return block == nullptr ? nullptr : new (block) Record(value);
}

// The oldest record widened to the 2233-byte layout: the flags keep bit 0,
// each block its bytes with its packed mode byte spread into 2-bit fields,
// each 7-byte playback entry its first five bytes.
void widen_oldest_record(std::span<const uint8_t> oldest, std::span<uint8_t> record) {
    std::fill(record.begin(), record.end(), uint8_t{0});
    record[0] = oldest[0] & 1;
    std::copy(oldest.begin() + kSequenceBlocksAt, oldest.begin() + kPlaybackEntriesAt,
              record.begin() + kSequenceBlocksAt);
    for (int s = 1; s <= playback::kSequences; ++s) {
        uint8_t& mode = record[kSequenceBlocksAt + at(s - 1) * kSequenceBlockBytes + kBlockModeByte];
        const uint8_t old = mode;
        mode = static_cast<uint8_t>((old & 0x03) | ((old >> 2) & 1) << 2 | ((old >> 3) & 1) << 4 |
                                    ((old >> 4) & 0x03) << 6);
    }
    for (int e = 1; e <= kOldPlaybackEntries; ++e) {
        const size_t from = kPlaybackEntriesAt + at(e - 1) * kOldestPlaybackEntryBytes;
        const size_t to = kPlaybackEntriesAt + at(e - 1) * kPlaybackEntryBytes;
        record[to] = oldest[from] & 1;
        std::copy_n(oldest.begin() + from + 1, 4, record.begin() + to + 1);
    }
}

bool record_sound(std::span<const uint8_t> record) {
    const auto first_loops = static_cast<int16_t>(get_u16(record, kFirstLoopCount));
    const auto last_loops = static_cast<int16_t>(get_u16(record, kLastLoopCount));
    return first_loops >= 0 && first_loops <= kMostLoops && last_loops >= 0 && last_loops <= kMostLoops &&
           record[kFirstThreshold] <= kMostThreshold && record[kLastThreshold] <= kMostThreshold;
}

SequenceRecord sequence_from_block(std::span<const uint8_t> block) {
    std::array<uint8_t, playback::kSequenceRecordBytes> bytes{};
    bytes[0] = CUE_RECORD_IN_CUE;
    std::copy(block.begin() + 1, block.end(), bytes.begin() + 1 + kSequenceShift);
    // Taken ten times; what is then no cue slot links to none.
    const uint32_t link = get_u16(block, kBlockLinkWord) * kLinkScale;
    put_u16(bytes, kBlockLinkWord + kSequenceShift,
            link <= static_cast<uint32_t>(playback::kCueSlots) ? static_cast<uint16_t>(link) : uint16_t{0});
    SequenceRecord record;
    decode(std::span<const uint8_t, playback::kSequenceRecordBytes>(bytes), record);
    return record;
}

PlaybackRecord playback_from_entry(std::span<const uint8_t> entry) {
    PlaybackRecord record;
    record.flags = CUE_RECORD_IN_CUE;
    record.memory = static_cast<int16_t>(get_u16(entry, 1));
    record.fade_mode = entry[3];
    record.threshold = entry[4];
    record.modes = entry[5];
    record.fade_in = get_u16(entry, 6);
    record.fade_out = get_u16(entry, 8);
    return record;
}

// Stores a record in an empty table place; false when memory ran out.
template <typename Record>
bool store_record(Record*& place, const Record& record) {
    if (place != nullptr) *place = record;
    else place = new_record(record);
    return place != nullptr;
}

// The sequences and playbacks of old cue i that hold data; the number of
// records memory could not hold.
int32_t take_over_cue(int i, std::span<const uint8_t> record) {
    const int32_t slot = slot_of(i);
    int32_t unloaded = 0;
    CueHeader& header = playback::cue_header_table[at(slot)];
    for (int s = 1; s <= playback::kSequences; ++s) {
        const auto block = record.subspan(kSequenceBlocksAt + at(s - 1) * kSequenceBlockBytes, kSequenceBlockBytes);
        if ((block[0] & 1) == 0) continue;
        header.programmed = 1;
        playback::cue_point_flags[at(i)] = playback::kCuePointOwn;
        const int32_t n = (slot - 1) * playback::kSequences + s;
        if (!store_record(playback::cue_sequence_table[at(n)], sequence_from_block(block))) ++unloaded;
    }
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        const auto entry = record.subspan(kPlaybackEntriesAt + at(p - 1) * kPlaybackEntryBytes, kPlaybackEntryBytes);
        if ((entry[0] & 1) == 0) continue;
        header.programmed = 1;
        playback::cue_point_flags[at(i)] = playback::kCuePointOwn;
        const int32_t n = (slot - 1) * playback::kPlaybacks + p;
        if (!store_record(playback::cue_playback_table[at(n)], playback_from_entry(entry))) ++unloaded;
    }
    return unloaded;
}

void convert_cue_page(int page) {
    const std::string path = page_path("cue", page);
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    std::array<char, kCueVersionChars> text{};
    const bool versioned = std::fread(text.data(), 1, text.size(), file) == text.size() &&
                           std::string_view(text.data(), text.size()) == kCueVersion;
    if (!versioned) std::fseek(file, 0, SEEK_SET);
    std::vector<uint8_t> index(kOldCuesPerPage * kCueEntryBytes);
    FileDamage damage;
    damage.entries = kOldCuesPerPage;
    damage.entries_read = static_cast<int32_t>(std::fread(index.data(), 1, index.size(), file) / kCueEntryBytes);
    Refusals refusals;
    std::vector<uint8_t> raw(versioned ? kCueRecordBytes : kOldestCueRecordBytes);
    std::vector<uint8_t> record(kCueRecordBytes);
    for (int j = 1; j <= damage.entries_read; ++j) {
        const int i = kOldCuesPerPage * (page - 1) + j;
        const auto entry = std::span<const uint8_t>(index).subspan(at(j - 1) * kCueEntryBytes, kCueEntryBytes);
        EntryName& name = playback::cue_header_table[at(slot_of(i))].name;
        for (size_t k = 0; k + 1 < kEntryNameBytes; ++k) name[k] = static_cast<char>(entry[k]);
        name[kEntryNameBytes - 1] = '\0';
        const int32_t offset = get_i32(entry, kCueEntryOffset);
        if (offset == kNotOnFile) continue;
        const OldBlockRead read = read_old_block(file, offset, tag_of(i), raw);
        if (read == OldBlockRead::ok) {
            if (versioned) std::copy(raw.begin(), raw.end(), record.begin());
            else widen_oldest_record(raw, record);
        }
        if (read != OldBlockRead::ok || !record_sound(record)) {
            refusals.refuse(read != OldBlockRead::bad_offset);
            continue;
        }
        if (entry[kCueEntryFlag] == kFlagHoldsData) damage.unloaded += take_over_cue(i, record);
    }
    std::fclose(file);
    damage.refused = refusals.count;
    report_old_file(path, damage);
}

MidiCode code_at(std::span<const uint8_t> bytes, size_t from) {
    MidiCode code;
    for (size_t w = 0; w < code.words.size(); ++w) code.words[w] = get_u16(bytes, from + 2 * w);
    return code;
}

bool code_present(const MidiCode& code) {
    return std::any_of(code.words.begin(), code.words.end(), [](uint16_t word) { return word != 0; });
}

// Gives the record its code: a record there gets flag bit 1, else a new
// one holds only the code. False when memory ran out.
template <typename Record>
bool learn_code(Record*& place, const MidiCode& code) {
    if (place == nullptr) {
        Record record;
        record.flags = CUE_RECORD_MIDI;
        record.midi_code = code;
        place = new_record(record);
        return place != nullptr;
    }
    place->flags = static_cast<uint8_t>(place->flags | CUE_RECORD_MIDI);
    place->midi_code = code;
    return true;
}

int32_t take_over_codes(int i, std::span<const uint8_t> record) {
    const int32_t slot = slot_of(i);
    int32_t unloaded = 0;
    for (int s = 1; s <= playback::kSequences; ++s) {
        const int32_t n = (slot - 1) * playback::kSequences + s;
        const MidiCode code = code_at(record, kSequenceCodesAt + at(s - 1) * kMidiCodeBytes);
        const bool present = code_present(code);
        playback::cue_sequence_index[at(n)].present = present ? 1 : 0;
        if (present && !learn_code(playback::cue_sequence_table[at(n)], code)) ++unloaded;
    }
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        const int32_t n = (slot - 1) * playback::kPlaybacks + p;
        const MidiCode code = code_at(record, kPlaybackCodesAt + at(p - 1) * kMidiCodeBytes);
        const bool present = code_present(code);
        playback::cue_playback_index[at(n)].present = present ? 1 : 0;
        if (present && !learn_code(playback::cue_playback_table[at(n)], code)) ++unloaded;
    }
    const MidiCode code = code_at(record, kCueCodeAt);
    const bool present = code_present(code);
    playback::cue_header_table[at(slot)].present = present ? 1 : 0;
    if (present && !learn_code(playback::cue_pointcue_table[at(slot)], code)) ++unloaded;
    return unloaded;
}

void draw_midi_count(int16_t colour, int i) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%d", i);
    ui::draw_bitmap_text(kMidiCountX, kMidiCountY, colour, text.data());
}

void convert_midi_page(int page) {
    const std::string path = page_path("mid", page);
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    std::vector<uint8_t> index(kOldCuesPerPage * kMidiEntryBytes);
    FileDamage damage;
    damage.entries = kOldCuesPerPage;
    damage.entries_read = static_cast<int32_t>(std::fread(index.data(), 1, index.size(), file) / kMidiEntryBytes);
    Refusals refusals;
    std::vector<uint8_t> record(kMidiRecordBytes);
    for (int j = 1; j <= kOldCuesPerPage; ++j) {
        const int i = kOldCuesPerPage * (page - 1) + j;
        if (j <= damage.entries_read) {
            const auto entry = std::span<const uint8_t>(index).subspan(at(j - 1) * kMidiEntryBytes, kMidiEntryBytes);
            const int32_t offset = get_i32(entry, 1);
            if (offset != kNotOnFile) {
                const OldBlockRead read = read_old_block(file, offset, tag_of(i), record);
                if (read != OldBlockRead::ok) {
                    refusals.refuse(read != OldBlockRead::bad_offset);
                } else if (entry[0] == kFlagHoldsData) {
                    damage.unloaded += take_over_codes(i, record);
                }
            }
        }
        if (i > 1) draw_midi_count(kEraseColour, i - 1);
        draw_midi_count(kCountColour, i);
    }
    std::fclose(file);
    damage.refused = refusals.count;
    report_old_file(path, damage);
}

bool old_page_found(const char* prefix, int page) {
    platform::DosFindData find;
    return platform::dos_findfirst(page_path(prefix, page).c_str(), &find, platform::kDosAttrHidden);
}

}  // namespace

bool convert_old_cues() {
    release_cue_records();
    playback::cue_used_count = 0;
    old_records_not_held = 0;
    if (!old_page_found("cue", 1) && !old_page_found("cue", kOldCuePages)) return false;
    show_conversion_banner("UPDATING DATA-FORMAT OF CUES! PLEASE WAIT...");
    for (int page = 1; page <= kOldCuePages; ++page) convert_cue_page(page);
    return true;
}

void convert_old_midi() {
    for (int page = 1; page <= kOldCuePages; ++page) convert_midi_page(page);
}

bool write_converted_cues() {
    const bool held = old_records_not_held == 0;
    const bool kept = held && keep_replaced_file(record_file_path(kCueSequenceFile), kEmptySequenceFileBytes) &&
                      keep_replaced_file(record_file_path(kCuePlaybackFile), kEmptyPlaybackFileBytes) &&
                      keep_replaced_file(record_file_path(kPointcueFile), kEmptyPointcueFileBytes);
    const bool written = kept && STEP(compact_cue_sequence_file(1)) && STEP(compact_cue_playback_file(1)) &&
                         STEP(compact_pointcue_file(1));
    if (!written) {
        report_file(page_path("cue", 1),
                    held ? "CUE FILES NOT WRITTEN, OLDER CUE PAGES KEPT"
                         : "CUE FILES NOT WRITTEN (MEMORY FULL), OLDER CUE PAGES KEPT",
                    {});
        return false;
    }
    for (int page = 1; page <= kOldCuePages; ++page) {
        retire_old_file(page_name("cue", page).c_str());
        retire_old_file(page_name("mid", page).c_str());
    }
    return true;
}

}  // namespace datafiles
