// The indexed record files of the show's data folder, and the file helpers
// every show-data file shares.
//
// An indexed record file holds, in this order and without gaps: a version
// text of 12 ASCII characters without terminator (the threshold file has
// none), a fixed index of one entry per record number, then the records in
// the order they were first written. A record is an ASCII tag with the
// record number zero-padded to a fixed width ("+-0007-+"), then its payload.
// An index entry keeps the file offset of its record's tag (-1 = not on
// file), so that one record can be rewritten without touching the others.
//
// All numbers are little-endian and read and written field by field.
// Record and entry numbers are 1-based. Paths are DOS paths built on the
// program directory: "%s\data\%s.dat".
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/whole_files.h"

namespace datafiles {

constexpr size_t kVersionTextChars = 12;
constexpr int32_t kNotOnFile = -1;
constexpr size_t kEntryNameBytes = 21;  // 20 characters and the terminator
constexpr int kThresholdBlocks = 16;

// ------------------------------------------------------------------ little-endian fields

inline uint16_t get_u16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
inline int32_t get_i32(std::span<const uint8_t> bytes, size_t at) {
    const uint32_t v = uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
                       uint32_t{bytes[at + 3]} << 24;
    return static_cast<int32_t>(v);
}
inline void put_u16(std::span<uint8_t> bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}
inline void put_i32(std::span<uint8_t> bytes, size_t at, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// ------------------------------------------------------------------ index-entry forms

using EntryName = std::array<char, kEntryNameBytes>;

// 33 bytes: +0 name, +21 offset, +25 capacity (items the slot on file holds), +29 item count.
struct MemoryIndexEntry {
    EntryName name{};
    int32_t offset = kNotOnFile;
    int32_t capacity = 0;
    int32_t count = 0;
};

// 12 bytes: +0 offset, +4 capacity, +8 item count.
struct MemCueIndexEntry {
    int32_t offset = kNotOnFile;
    int32_t capacity = 0;
    int32_t count = 0;
};

// 27 bytes: +0 name, +21 programmed flag, +22 record present (1) or not, +23 offset.
struct CueHeader {
    EntryName name{};
    uint8_t programmed = 0;
    uint8_t present = 0;
    int32_t offset = kNotOnFile;
};

// 5 bytes: +0 record present (1) or not, +1 offset.
struct CueRecordIndexEntry {
    uint8_t present = 0;
    int32_t offset = kNotOnFile;
};

constexpr std::array<int32_t, kThresholdBlocks + 1> no_block_offsets() {
    std::array<int32_t, kThresholdBlocks + 1> offsets{};
    for (auto& offset : offsets) offset = kNotOnFile;
    return offsets;
}

// 101 bytes: +0 name, +21 block present flags (block b at +20 + b), +37
// block offsets (block b at +33 + 4b). Blocks are 1..16; element 0 is unused.
struct ThresholdIndexEntry {
    EntryName name{};
    std::array<uint8_t, kThresholdBlocks + 1> block_present{};
    std::array<int32_t, kThresholdBlocks + 1> block_offsets = no_block_offsets();
};

constexpr size_t kMemoryIndexEntryBytes = 33;
constexpr size_t kMemCueIndexEntryBytes = 12;
constexpr size_t kCueHeaderBytes = 27;
constexpr size_t kCueRecordIndexEntryBytes = 5;
constexpr size_t kThresholdIndexEntryBytes = 101;

// One item of a memory, preset or cue memory: 5 bytes, +0 kind, +1 index, +3 value.
struct MemoryItem {
    uint8_t kind = 0;
    uint16_t index = 0;
    uint16_t value = 0;
};
constexpr size_t kMemoryItemBytes = 5;

// Field by field to and from the bytes on file. A name read from a file is
// always cut to 20 characters and terminated.
void encode(const MemoryIndexEntry& entry, std::span<uint8_t, kMemoryIndexEntryBytes> bytes);
void encode(const MemCueIndexEntry& entry, std::span<uint8_t, kMemCueIndexEntryBytes> bytes);
void encode(const CueHeader& entry, std::span<uint8_t, kCueHeaderBytes> bytes);
void encode(const CueRecordIndexEntry& entry, std::span<uint8_t, kCueRecordIndexEntryBytes> bytes);
void encode(const ThresholdIndexEntry& entry, std::span<uint8_t, kThresholdIndexEntryBytes> bytes);
void encode(const MemoryItem& item, std::span<uint8_t, kMemoryItemBytes> bytes);
void decode(std::span<const uint8_t, kMemoryIndexEntryBytes> bytes, MemoryIndexEntry& entry);
void decode(std::span<const uint8_t, kMemCueIndexEntryBytes> bytes, MemCueIndexEntry& entry);
void decode(std::span<const uint8_t, kCueHeaderBytes> bytes, CueHeader& entry);
void decode(std::span<const uint8_t, kCueRecordIndexEntryBytes> bytes, CueRecordIndexEntry& entry);
void decode(std::span<const uint8_t, kThresholdIndexEntryBytes> bytes, ThresholdIndexEntry& entry);
void decode(std::span<const uint8_t, kMemoryItemBytes> bytes, MemoryItem& item);

// ------------------------------------------------------------------ the files of this layout

struct RecordFileLayout {
    const char* file_name;     // as in "%s\data\%s.dat"
    const char* version_text;  // 12 characters, or "" for none
    int32_t entries;           // index entries, numbered 1..entries
    size_t entry_bytes;        // size of one index entry
    int tag_digits;            // width of the zero-padded number in "+-%0*d-+"
    size_t payload_bytes;      // a fixed record's payload, or the size of one item of a list
};

constexpr RecordFileLayout kMemoryFile{"mem", "VERSION 6.30", 4000, kMemoryIndexEntryBytes, 4, kMemoryItemBytes};
constexpr RecordFileLayout kPresetFile{"presets", "VERSION 6.31", 560, kMemoryIndexEntryBytes, 3, kMemoryItemBytes};
// Written with "VERSION 6.30" like mem.dat; the loader reads any version text.
constexpr RecordFileLayout kMemCueFile{"memcues", "VERSION 6.30", 2000, kMemCueIndexEntryBytes, 4, kMemoryItemBytes};
constexpr RecordFileLayout kPointcueFile{"cuemem", "VERSION 6.01", 11200, kCueHeaderBytes, 5, 23};
constexpr RecordFileLayout kCueSequenceFile{"cueseq", "VERSION 6.01", 44800, kCueRecordIndexEntryBytes, 5, 444};
constexpr RecordFileLayout kCuePlaybackFile{"cueplayb", "VERSION 6.01", 470400, kCueRecordIndexEntryBytes, 6, 16};
// Its tags carry the threshold and the block number: threshold_tag.
constexpr RecordFileLayout kThresholdFile{"memthrsh", "", 70, kThresholdIndexEntryBytes, 4, 128};

constexpr size_t kThresholdTagChars = 11;

size_t version_text_chars(const RecordFileLayout& layout);
// Offset of entry n: H + (n - 1) * S.
int64_t index_position(const RecordFileLayout& layout, int32_t n);
// Offset of the first record, which is also the size of an empty file.
int64_t index_end(const RecordFileLayout& layout);
size_t tag_chars(const RecordFileLayout& layout);
// "+-%04d-+" and its kin for record number n; "+-%04d.%02d-+" for block b of threshold t.
std::string record_tag(const RecordFileLayout& layout, int32_t n);
std::string threshold_tag(int32_t threshold, int32_t block);

std::string record_file_path(const RecordFileLayout& layout);

// ------------------------------------------------------------------ operations

// Reads as many bytes as the expected text has and compares them with it.
bool check_version_text(FILE* file, const char* expected);

// A new file: the version text, then every index entry empty (name empty,
// offset -1, capacity, count and flags 0).
bool create_record_file(const RecordFileLayout& layout);

// Writes an item list as entry n of a list file, by the slot rule: no items
// rewrite only the entry (count 0; the slot stays for later use); a slot not
// on file or too small for the items gets a new slot at the end of the file
// (capacity = item count; the old slot stays as dead space); otherwise the
// items go over the old slot in place, which keeps its capacity. A slot
// whose room (tag and capacity items) does not lie behind the index and
// within the file is never written into: the list is appended. The entry
// is then written back at its index position. On success the entry holds
// what the file holds; false, with the entry unchanged, when the file can't
// be opened or written.
bool write_item_list_record(const RecordFileLayout& layout, int32_t n, MemoryIndexEntry& entry,
                            std::span<const MemoryItem> items);
bool write_item_list_record(const RecordFileLayout& layout, int32_t n, MemCueIndexEntry& entry,
                            std::span<const MemoryItem> items);

// Writes a fixed-size record as entry n: a present record is appended when it
// is not on file, else rewritten in place; then the entry is written back.
// The payload must be the layout's payload size.
bool write_fixed_record(const RecordFileLayout& layout, int32_t n, CueHeader& entry,
                        std::span<const uint8_t> payload);
bool write_fixed_record(const RecordFileLayout& layout, int32_t n, CueRecordIndexEntry& entry,
                        std::span<const uint8_t> payload);

// Rewrites index entry n, or bytes of it from field_offset on (a name).
bool write_index_entry(const RecordFileLayout& layout, int32_t n, std::span<const uint8_t> entry_bytes);
bool write_index_field(const RecordFileLayout& layout, int32_t n, size_t field_offset,
                       std::span<const uint8_t> field_bytes);

// Where a record appended to an open file starts: the end of the file, but
// never inside the index of a short file; -1 when the end can't be found or
// lies beyond what an offset can hold.
int64_t append_position(FILE* file, const RecordFileLayout& layout);

// Reads one record of an open file: seeks to the offset, reads the tag and
// compares it, then reads the whole payload. bad_offset: the file can't be
// positioned there (a negative offset); tag_mismatch: another tag, or an
// offset inside the index (first_record is where records begin); short_read:
// the tag or the payload would run past the end of the file.
enum class RecordRead { ok, bad_offset, tag_mismatch, short_read };
RecordRead read_tagged_record(FILE* file, int64_t file_size, int64_t first_record, int64_t offset,
                              std::string_view tag, std::span<uint8_t> payload);

// The item count of a list entry that can be believed: at most its capacity
// and no more items than the file holds behind the record's tag; 0 for an
// entry not on file or with a negative count.
int32_t bounded_item_count(const RecordFileLayout& layout, int32_t offset, int32_t capacity, int32_t count,
                           int64_t file_size);

// Rewrites the time items of the older encoding in one item list: an item
// of kind k = 1..5 becomes time slot 200 + k, and a copy of it with kind
// 205 + k (same index and value) is added at the end, so the first two
// groups of time slots carry the old time. The list is replaced by one of
// the new length from the show-table allocator and count raised; when
// memory runs out the list stays as it was. Gives the items converted.
int32_t convert_time_items(MemoryItem*& items, int32_t& count);

// ------------------------------------------------------------------ the item-list engine
//
// mem.dat, presets.dat and memcues.dat hold item lists under index entries
// of the (offset, capacity, count) kind, MemoryIndexEntry or
// MemCueIndexEntry. One engine reads, places and compacts them; each file
// gives its layout and how its tables take and give the item lists.
//
// Loading trusts nothing of the file. A record is read only when its count
// lies within its capacity and the items lie within the file; a wrong tag,
// an offset inside the index and a cut record refuse it (the error beep
// for the first few, see load_report.h), an offset that can't be
// reached refuses it silently; the entry is then emptied and loading goes
// on. Then every place is checked before it may be reused for a store: it
// must lie behind the index and end within the file, and no two places may
// overlap (an empty entry's place never reaches into a loaded record). A
// place that fails is dropped (offset -1, capacity 0); a loaded list keeps
// its items and gets a new place at its next store.

struct ItemListFile {
    RecordFileLayout layout;
    const char* compact_copy;  // what a compaction without replace leaves: "mem.da"
    bool counter;              // a running entry counter while loading
    int16_t progress_x;        // where the counter and the full message stand, on line 135
    const char* full_message;  // "%d MEMORY FULL !!!", drawn in red when memory runs out
};

constexpr ItemListFile kMemoryList{kMemoryFile, "mem.da", true, 376, "%d MEMORY FULL !!!"};
constexpr ItemListFile kPresetList{kPresetFile, "presets.da", false, 376, "%d PRESET MEMORY FULL !!!"};

// The in-memory side of one file.
template <typename Entry>
struct ItemListTables {
    std::span<Entry> index;   // entries 1..N (element 0 unused)
    std::span<uint8_t> used;  // 1 while entry n has a list loaded from the file
    // Takes the items of entry n at load; false when memory ran out.
    bool (*take_items)(int32_t n, std::span<const MemoryItem> items);
    // The items entry n holds now (in scratch when they must be made); none
    // for an empty entry.
    std::span<const MemoryItem> (*items_of)(int32_t n, std::vector<MemoryItem>& scratch);
};

// What a load found.
struct ItemListLoad {
    bool found = false;            // the file could be opened
    bool version_matched = false;  // its version text is the layout's
    int32_t entries = 0;           // index entries the file should hold
    int32_t entries_read = 0;      // index entries read whole
    int32_t refused = 0;           // records refused
    int32_t places_dropped = 0;    // places not fit for reuse
    int32_t stopped_at = 0;        // the entry whose list memory could not hold; 0 for none
    std::string kept_copy;         // the copy kept before a damaged file was rewritten

    bool damaged() const { return found && (refused > 0 || places_dropped > 0 || entries_read < entries); }
    // Lists were left unloaded: a compaction would lose their records.
    bool incomplete() const { return stopped_at != 0; }
};

enum class ItemListRewrite {
    never,             // the file stays as it is (mem.dat, memcues.dat)
    damaged_or_older,  // compacted at once after damage or another version text (presets.dat)
};

// Empties the index and the used flags, then reads the index and every list
// into the tables (the caller has freed the lists it held). The loading
// stops at the first list that memory can't hold, with the full message and
// the long error beep; the entries behind it keep count 0. Rewrites the file
// when asked, then reports a damaged file once (load_report.h).
template <typename Entry>
ItemListLoad load_item_list_file(const ItemListFile& file, const ItemListTables<Entry>& tables,
                                 ItemListRewrite rewrite);

// Writes the file anew with the lists the tables hold, in entry order, each
// with capacity = count. With replace the new copy replaces the file, which
// is first kept as a copy when the last load found it damaged; without, the
// new copy is left as the file's compact_copy. The index takes the new
// places only once the new file is whole. Refused (false, nothing written)
// while the last load left lists unloaded.
template <typename Entry>
bool compact_item_list_file(const ItemListFile& file, const ItemListTables<Entry>& tables, ItemListLoad& last_load,
                            bool replace);

// The same file as a compaction writes, as bytes for the main file's path
// (record_file_path), for a caller that commits it with other files; the
// index takes the new places at once. False, index unchanged, when an
// offset would not fit.
template <typename Entry>
bool item_list_file_image(const ItemListFile& file, const ItemListTables<Entry>& tables, FileImage& image);

// The items of entry n by the place rule (write_item_list_record); a null
// list or a count of 0 or less stores an empty entry.
template <typename Entry>
bool save_item_list_record(const ItemListFile& file, std::span<Entry> index, int32_t n, const MemoryItem* items);

}  // namespace datafiles
