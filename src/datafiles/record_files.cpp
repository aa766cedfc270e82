#include "datafiles/record_files.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <vector>

#include "datafiles/load_report.h"
#include "memcheck/memcheck.h"
#include "runtime/show_tables.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "ui/helpers.h"

namespace datafiles {

namespace {

// The size of each index-entry form on file.
template <typename Entry>
constexpr size_t kEntryBytes = 0;
template <>
constexpr size_t kEntryBytes<MemoryIndexEntry> = kMemoryIndexEntryBytes;
template <>
constexpr size_t kEntryBytes<MemCueIndexEntry> = kMemCueIndexEntryBytes;
template <>
constexpr size_t kEntryBytes<CueHeader> = kCueHeaderBytes;
template <>
constexpr size_t kEntryBytes<CueRecordIndexEntry> = kCueRecordIndexEntryBytes;

void encode_name(const EntryName& name, std::span<uint8_t> bytes) {
    for (size_t i = 0; i < kEntryNameBytes; ++i) bytes[i] = static_cast<uint8_t>(name[i]);
}

void decode_name(std::span<const uint8_t> bytes, EntryName& name) {
    for (size_t i = 0; i < kEntryNameBytes; ++i) name[i] = static_cast<char>(bytes[i]);
    name[kEntryNameBytes - 1] = '\0';
}

bool seek_to(FILE* file, int64_t offset) {
    return offset >= 0 && std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

bool write_bytes(FILE* file, std::span<const uint8_t> bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool write_text(FILE* file, std::string_view text) {
    return text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool valid_entry_number(const RecordFileLayout& layout, int32_t n) { return n >= 1 && n <= layout.entries; }

// Where a record goes: its own place when it has one behind the index,
// otherwise the end of the file (never inside the index of a short file).
// -1 when the end can't be found or lies beyond what an offset can hold.
int64_t record_position(FILE* file, const RecordFileLayout& layout, int32_t offset, bool reuse) {
    if (reuse && offset >= index_end(layout)) return offset;
    return append_position(file, layout);
}

// Tag and payload at the position.
bool write_record(FILE* file, int64_t position, std::string_view tag, std::span<const uint8_t> payload) {
    return seek_to(file, position) && write_text(file, tag) && write_bytes(file, payload);
}

bool write_entry_at(FILE* file, const RecordFileLayout& layout, int32_t n, std::span<const uint8_t> entry_bytes) {
    return seek_to(file, index_position(layout, n)) && write_bytes(file, entry_bytes);
}

bool close_ok(FILE* file, bool ok) {
    const bool closed = std::fclose(file) == 0;
    return ok && closed;
}

std::vector<uint8_t> encode_items(std::span<const MemoryItem> items) {
    std::vector<uint8_t> bytes(items.size() * kMemoryItemBytes);
    for (size_t i = 0; i < items.size(); ++i) {
        encode(items[i], std::span<uint8_t, kMemoryItemBytes>(bytes.data() + i * kMemoryItemBytes, kMemoryItemBytes));
    }
    return bytes;
}

// The slot part of a list entry, as the rule places a list of k items.
struct ItemSlot {
    int32_t offset = kNotOnFile;
    int32_t capacity = 0;
    int32_t count = 0;
};

// Where the room of a list record ends: its tag and `capacity` items.
int64_t slot_end(const RecordFileLayout& layout, int64_t offset, int64_t capacity) {
    return offset + static_cast<int64_t>(tag_chars(layout)) + capacity * static_cast<int64_t>(layout.payload_bytes);
}

// A slot whose whole room lies behind the index and within the file.
bool slot_within_file(const RecordFileLayout& layout, const ItemSlot& slot, int64_t file_size) {
    return slot.offset != kNotOnFile && slot.offset >= index_end(layout) && slot.capacity >= 1 &&
           slot_end(layout, slot.offset, slot.capacity) <= file_size;
}

// Writes the items by the slot rule and gives the slot the file now holds;
// the caller writes the entry back. The items go in place only while the
// slot's room lies within the file, so a store never writes outside it.
bool place_item_list(FILE* file, const RecordFileLayout& layout, int32_t n, ItemSlot& slot,
                     std::span<const MemoryItem> items) {
    const auto k = static_cast<int32_t>(items.size());
    if (items.size() > static_cast<size_t>(INT32_MAX / kMemoryItemBytes)) return false;
    ItemSlot placed = slot;
    placed.count = k;
    if (k > 0) {
        const bool fits = slot.capacity >= k && slot_within_file(layout, slot, stream_size(file));
        const int64_t position = record_position(file, layout, slot.offset, fits);
        if (position < 0) return false;
        if (!fits || position != slot.offset) {
            placed.offset = static_cast<int32_t>(position);
            placed.capacity = k;
        }
        if (!write_record(file, position, record_tag(layout, n), encode_items(items))) return false;
    }
    slot = placed;
    return true;
}

template <typename Entry>
bool write_list_entry(const RecordFileLayout& layout, int32_t n, Entry& entry, std::span<const MemoryItem> items) {
    constexpr size_t kBytes = kEntryBytes<Entry>;
    if (!valid_entry_number(layout, n) || layout.entry_bytes != kBytes) return false;
    FILE* file = platform::dos_fopen(record_file_path(layout).c_str(), "r+b");
    if (file == nullptr) return false;
    ItemSlot slot{entry.offset, entry.capacity, entry.count};
    Entry written = entry;
    bool ok = place_item_list(file, layout, n, slot, items);
    if (ok) {
        written.offset = slot.offset;
        written.capacity = slot.capacity;
        written.count = slot.count;
        std::array<uint8_t, kBytes> bytes{};
        encode(written, std::span<uint8_t, kBytes>(bytes));
        ok = write_entry_at(file, layout, n, bytes);
    }
    if (!close_ok(file, ok)) return false;
    entry = written;
    return true;
}

template <typename Entry>
bool write_fixed_entry(const RecordFileLayout& layout, int32_t n, Entry& entry, std::span<const uint8_t> payload) {
    constexpr size_t kBytes = kEntryBytes<Entry>;
    if (!valid_entry_number(layout, n) || layout.entry_bytes != kBytes) return false;
    if (entry.present == 1 && payload.size() != layout.payload_bytes) return false;
    FILE* file = platform::dos_fopen(record_file_path(layout).c_str(), "r+b");
    if (file == nullptr) return false;
    Entry written = entry;
    bool ok = true;
    if (entry.present == 1) {
        const int64_t position = record_position(file, layout, entry.offset, entry.offset != kNotOnFile);
        ok = position >= 0 && write_record(file, position, record_tag(layout, n), payload);
        if (ok) written.offset = static_cast<int32_t>(position);
    }
    if (ok) {
        std::array<uint8_t, kBytes> bytes{};
        encode(written, std::span<uint8_t, kBytes>(bytes));
        ok = write_entry_at(file, layout, n, bytes);
    }
    if (!close_ok(file, ok)) return false;
    entry = written;
    return true;
}

std::vector<uint8_t> empty_entry(size_t entry_bytes) {
    std::vector<uint8_t> bytes(entry_bytes);
    switch (entry_bytes) {
        case kMemoryIndexEntryBytes:
            encode(MemoryIndexEntry{}, std::span<uint8_t, kMemoryIndexEntryBytes>(bytes.data(), entry_bytes));
            break;
        case kMemCueIndexEntryBytes:
            encode(MemCueIndexEntry{}, std::span<uint8_t, kMemCueIndexEntryBytes>(bytes.data(), entry_bytes));
            break;
        case kCueHeaderBytes:
            encode(CueHeader{}, std::span<uint8_t, kCueHeaderBytes>(bytes.data(), entry_bytes));
            break;
        case kCueRecordIndexEntryBytes:
            encode(CueRecordIndexEntry{}, std::span<uint8_t, kCueRecordIndexEntryBytes>(bytes.data(), entry_bytes));
            break;
        case kThresholdIndexEntryBytes:
            encode(ThresholdIndexEntry{}, std::span<uint8_t, kThresholdIndexEntryBytes>(bytes.data(), entry_bytes));
            break;
        default:
            break;
    }
    return bytes;
}

}  // namespace

// ------------------------------------------------------------------ entry forms

void encode(const MemoryIndexEntry& entry, std::span<uint8_t, kMemoryIndexEntryBytes> bytes) {
    encode_name(entry.name, bytes);
    put_i32(bytes, 21, entry.offset);
    put_i32(bytes, 25, entry.capacity);
    put_i32(bytes, 29, entry.count);
}

void encode(const MemCueIndexEntry& entry, std::span<uint8_t, kMemCueIndexEntryBytes> bytes) {
    put_i32(bytes, 0, entry.offset);
    put_i32(bytes, 4, entry.capacity);
    put_i32(bytes, 8, entry.count);
}

void encode(const CueHeader& entry, std::span<uint8_t, kCueHeaderBytes> bytes) {
    encode_name(entry.name, bytes);
    bytes[21] = entry.programmed;
    bytes[22] = entry.present;
    put_i32(bytes, 23, entry.offset);
}

void encode(const CueRecordIndexEntry& entry, std::span<uint8_t, kCueRecordIndexEntryBytes> bytes) {
    bytes[0] = entry.present;
    put_i32(bytes, 1, entry.offset);
}

void encode(const ThresholdIndexEntry& entry, std::span<uint8_t, kThresholdIndexEntryBytes> bytes) {
    encode_name(entry.name, bytes);
    for (size_t b = 1; b <= kThresholdBlocks; ++b) {
        bytes[20 + b] = entry.block_present[b];
        put_i32(bytes, 33 + 4 * b, entry.block_offsets[b]);
    }
}

void encode(const MemoryItem& item, std::span<uint8_t, kMemoryItemBytes> bytes) {
    bytes[0] = item.kind;
    put_u16(bytes, 1, item.index);
    put_u16(bytes, 3, item.value);
}

void decode(std::span<const uint8_t, kMemoryIndexEntryBytes> bytes, MemoryIndexEntry& entry) {
    decode_name(bytes, entry.name);
    entry.offset = get_i32(bytes, 21);
    entry.capacity = get_i32(bytes, 25);
    entry.count = get_i32(bytes, 29);
}

void decode(std::span<const uint8_t, kMemCueIndexEntryBytes> bytes, MemCueIndexEntry& entry) {
    entry.offset = get_i32(bytes, 0);
    entry.capacity = get_i32(bytes, 4);
    entry.count = get_i32(bytes, 8);
}

void decode(std::span<const uint8_t, kCueHeaderBytes> bytes, CueHeader& entry) {
    decode_name(bytes, entry.name);
    entry.programmed = bytes[21];
    entry.present = bytes[22];
    entry.offset = get_i32(bytes, 23);
}

void decode(std::span<const uint8_t, kCueRecordIndexEntryBytes> bytes, CueRecordIndexEntry& entry) {
    entry.present = bytes[0];
    entry.offset = get_i32(bytes, 1);
}

void decode(std::span<const uint8_t, kThresholdIndexEntryBytes> bytes, ThresholdIndexEntry& entry) {
    decode_name(bytes, entry.name);
    entry.block_present[0] = 0;
    entry.block_offsets[0] = kNotOnFile;
    for (size_t b = 1; b <= kThresholdBlocks; ++b) {
        entry.block_present[b] = bytes[20 + b];
        entry.block_offsets[b] = get_i32(bytes, 33 + 4 * b);
    }
}

void decode(std::span<const uint8_t, kMemoryItemBytes> bytes, MemoryItem& item) {
    item.kind = bytes[0];
    item.index = get_u16(bytes, 1);
    item.value = get_u16(bytes, 3);
}

// ------------------------------------------------------------------ layout

size_t version_text_chars(const RecordFileLayout& layout) { return std::strlen(layout.version_text); }

int64_t index_position(const RecordFileLayout& layout, int32_t n) {
    return static_cast<int64_t>(version_text_chars(layout)) +
           static_cast<int64_t>(n - 1) * static_cast<int64_t>(layout.entry_bytes);
}

int64_t index_end(const RecordFileLayout& layout) { return index_position(layout, layout.entries + 1); }

size_t tag_chars(const RecordFileLayout& layout) {
    if (layout.entry_bytes == kThresholdIndexEntryBytes) return kThresholdTagChars;
    return static_cast<size_t>(layout.tag_digits) + 4;
}

std::string record_tag(const RecordFileLayout& layout, int32_t n) {
    std::array<char, 32> tag{};
    std::snprintf(tag.data(), tag.size(), "+-%0*d-+", layout.tag_digits, static_cast<int>(n));
    return tag.data();
}

std::string threshold_tag(int32_t threshold, int32_t block) {
    std::array<char, 32> tag{};
    std::snprintf(tag.data(), tag.size(), "+-%04d.%02d-+", static_cast<int>(threshold), static_cast<int>(block));
    return tag.data();
}

std::string record_file_path(const RecordFileLayout& layout) { return data_file_path(layout.file_name); }

// ------------------------------------------------------------------ operations

bool check_version_text(FILE* file, const char* expected) {
    std::array<char, kVersionTextChars + 1> text{};
    const size_t length = std::min(std::strlen(expected), kVersionTextChars);
    if (std::fread(text.data(), 1, length, file) != length) return false;
    text[length] = '\0';
    return std::strcmp(text.data(), expected) == 0;
}

bool create_record_file(const RecordFileLayout& layout) {
    const size_t header = version_text_chars(layout);
    std::vector<uint8_t> bytes(static_cast<size_t>(index_end(layout)));
    std::copy_n(layout.version_text, header, bytes.begin());
    const std::vector<uint8_t> entry = empty_entry(layout.entry_bytes);
    for (int32_t n = 1; n <= layout.entries; ++n) {
        std::copy(entry.begin(), entry.end(), bytes.begin() + index_position(layout, n));
    }
    return replace_file(record_file_path(layout), bytes);
}

bool write_item_list_record(const RecordFileLayout& layout, int32_t n, MemoryIndexEntry& entry,
                            std::span<const MemoryItem> items) {
    return write_list_entry(layout, n, entry, items);
}

bool write_item_list_record(const RecordFileLayout& layout, int32_t n, MemCueIndexEntry& entry,
                            std::span<const MemoryItem> items) {
    return write_list_entry(layout, n, entry, items);
}

bool write_fixed_record(const RecordFileLayout& layout, int32_t n, CueHeader& entry,
                        std::span<const uint8_t> payload) {
    return write_fixed_entry(layout, n, entry, payload);
}

bool write_fixed_record(const RecordFileLayout& layout, int32_t n, CueRecordIndexEntry& entry,
                        std::span<const uint8_t> payload) {
    return write_fixed_entry(layout, n, entry, payload);
}

bool write_index_entry(const RecordFileLayout& layout, int32_t n, std::span<const uint8_t> entry_bytes) {
    if (entry_bytes.size() != layout.entry_bytes) return false;
    return write_index_field(layout, n, 0, entry_bytes);
}

bool write_index_field(const RecordFileLayout& layout, int32_t n, size_t field_offset,
                       std::span<const uint8_t> field_bytes) {
    if (!valid_entry_number(layout, n) || field_offset + field_bytes.size() > layout.entry_bytes) return false;
    FILE* file = platform::dos_fopen(record_file_path(layout).c_str(), "r+b");
    if (file == nullptr) return false;
    const bool ok = seek_to(file, index_position(layout, n) + static_cast<int64_t>(field_offset)) &&
                    write_bytes(file, field_bytes);
    return close_ok(file, ok);
}

int64_t append_position(FILE* file, const RecordFileLayout& layout) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (end < 0) return -1;
    const int64_t position = std::max<int64_t>(end, index_end(layout));
    return position > INT32_MAX ? -1 : position;
}

RecordRead read_tagged_record(FILE* file, int64_t file_size, int64_t first_record, int64_t offset,
                              std::string_view tag, std::span<uint8_t> payload) {
    std::array<char, 16> read_tag{};
    if (tag.size() > read_tag.size()) return RecordRead::tag_mismatch;
    if (!seek_to(file, offset)) return RecordRead::bad_offset;
    // Inside the index no record can start.
    if (offset < first_record) return RecordRead::tag_mismatch;
    if (offset + static_cast<int64_t>(tag.size()) > file_size) return RecordRead::short_read;
    if (std::fread(read_tag.data(), 1, tag.size(), file) != tag.size()) return RecordRead::short_read;
    if (std::string_view(read_tag.data(), tag.size()) != tag) return RecordRead::tag_mismatch;
    if (offset + static_cast<int64_t>(tag.size() + payload.size()) > file_size) return RecordRead::short_read;
    if (!payload.empty() && std::fread(payload.data(), 1, payload.size(), file) != payload.size()) {
        return RecordRead::short_read;
    }
    return RecordRead::ok;
}

int32_t bounded_item_count(const RecordFileLayout& layout, int32_t offset, int32_t capacity, int32_t count,
                           int64_t file_size) {
    if (offset == kNotOnFile || offset < index_end(layout) || count <= 0) return 0;
    const int64_t behind_tag = file_size - offset - static_cast<int64_t>(tag_chars(layout));
    if (behind_tag <= 0 || layout.payload_bytes == 0) return 0;
    const int64_t on_file = behind_tag / static_cast<int64_t>(layout.payload_bytes);
    return static_cast<int32_t>(std::min<int64_t>({count, std::max(capacity, 0), on_file}));
}

// ------------------------------------------------------------------ the item-list engine

namespace {

constexpr int16_t kProgressY = 135;
constexpr int16_t kCounterColour = 14;
constexpr int16_t kEraseColour = 0;
constexpr int16_t kFullColour = 4;
constexpr int kProgressLineColour = 12;
constexpr int32_t kErrorBeepHz = 400;
constexpr uint32_t kErrorBeep_ms = 1000;
constexpr uint32_t kFullBeep_ms = 1500;

template <typename Entry>
void clear_place(Entry& entry) {
    entry.offset = kNotOnFile;
    entry.capacity = 0;
    entry.count = 0;
}

template <typename Entry>
void drop_place(Entry& entry) {
    entry.offset = kNotOnFile;
    entry.capacity = 0;
}

// The index into the table; entries that the end of a short file cut off
// stay empty. The number of entries read whole.
template <typename Entry>
int32_t read_index(FILE* file, const RecordFileLayout& layout, std::span<Entry> index) {
    constexpr size_t kBytes = kEntryBytes<Entry>;
    std::vector<uint8_t> bytes(static_cast<size_t>(layout.entries) * kBytes);
    const bool positioned = std::fseek(file, static_cast<long>(version_text_chars(layout)), SEEK_SET) == 0;
    const size_t got = positioned ? std::fread(bytes.data(), 1, bytes.size(), file) : 0;
    const auto entries_read = static_cast<int32_t>(got / kBytes);
    for (int32_t n = 1; n <= entries_read; ++n) {
        const size_t from = static_cast<size_t>(n - 1) * kBytes;
        decode(std::span<const uint8_t, kBytes>(bytes.data() + from, kBytes), index[static_cast<size_t>(n)]);
    }
    return entries_read;
}

enum class ListRead { nothing, loaded, refused, refused_silently };

// The list of entry n as its entry points at it, into items.
template <typename Entry>
ListRead read_item_list(FILE* file, int64_t file_size, const RecordFileLayout& layout, int32_t n, const Entry& entry,
                        std::vector<MemoryItem>& items) {
    if (entry.offset == kNotOnFile || entry.count == 0) return ListRead::nothing;
    if (entry.offset < 0) return ListRead::refused_silently;
    // A count that its place or the file can't hold would read beyond the record.
    const bool count_fits = entry.count > 0 && entry.count <= entry.capacity &&
                            bounded_item_count(layout, entry.offset, entry.capacity, entry.count, file_size) ==
                                entry.count;
    if (!count_fits) return ListRead::refused;
    std::vector<uint8_t> bytes(static_cast<size_t>(entry.count) * kMemoryItemBytes);
    const RecordRead read =
        read_tagged_record(file, file_size, index_end(layout), entry.offset, record_tag(layout, n), bytes);
    if (read == RecordRead::bad_offset) return ListRead::refused_silently;
    if (read != RecordRead::ok) return ListRead::refused;
    items.resize(static_cast<size_t>(entry.count));
    for (size_t i = 0; i < items.size(); ++i) {
        decode(std::span<const uint8_t, kMemoryItemBytes>(bytes.data() + i * kMemoryItemBytes, kMemoryItemBytes),
               items[i]);
    }
    return ListRead::loaded;
}

void draw_progress_number(const ItemListFile& file, int16_t colour, const char* format, int32_t n) {
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(), format, static_cast<int>(n));
    ui::draw_bitmap_text(file.progress_x, kProgressY, colour, text.data());
}

// The running counter moves on in steps of kCounterStep entries: a person
// cannot read it faster, and each number drawn costs its text's pixels.
constexpr int32_t kCounterStep = 50;

// Puts the counter at n, erasing the number it showed (0: none yet).
void show_counter(const ItemListFile& file, int32_t n, int32_t& shown) {
    if (!file.counter || n == shown) return;
    if (shown > 0) draw_progress_number(file, kEraseColour, "%d", shown);
    if (n > 0) draw_progress_number(file, kCounterColour, "%d", n);
    shown = n;
}

void draw_counter(const ItemListFile& file, int32_t n, int32_t& shown) {
    if (n % kCounterStep == 0 || n == file.layout.entries) show_counter(file, n, shown);
}

// One place on file of an entry: its room, and the part its loaded items fill.
struct Place {
    int64_t start = 0;
    int64_t items_end = 0;  // start for an entry without a loaded list
    int64_t room_end = 0;
    int32_t n = 0;
};

bool starts_before(const Place& a, const Place& b) { return a.start < b.start || (a.start == b.start && a.n < b.n); }

// Keeps only the places a store may reuse (see the header); the number of
// places dropped. Loaded lists claim their items first: two that overlap
// both lose their places, and an empty entry's place that starts inside
// loaded items is dropped. Every place left must then end before the next
// one starts, and within the file.
template <typename Entry>
int32_t fit_places(const RecordFileLayout& layout, const ItemListTables<Entry>& tables, int64_t file_size) {
    std::vector<Place> loaded;
    std::vector<Place> spare;
    for (int32_t n = 1; n <= layout.entries; ++n) {
        const Entry& entry = tables.index[static_cast<size_t>(n)];
        if (entry.offset == kNotOnFile) continue;
        const bool has_items = tables.used[static_cast<size_t>(n)] == 1;
        Place place{entry.offset, entry.offset, slot_end(layout, entry.offset, std::max(entry.capacity, 0)), n};
        if (has_items) place.items_end = slot_end(layout, entry.offset, entry.count);
        (has_items ? loaded : spare).push_back(place);
    }
    std::vector<bool> drop(static_cast<size_t>(layout.entries) + 1, false);
    std::sort(loaded.begin(), loaded.end(), starts_before);
    for (size_t i = 0; i + 1 < loaded.size(); ++i) {
        if (loaded[i].items_end <= loaded[i + 1].start) continue;
        drop[static_cast<size_t>(loaded[i].n)] = true;
        drop[static_cast<size_t>(loaded[i + 1].n)] = true;
    }
    // The items the loaded lists keep, in file order and apart from each other.
    std::vector<Place> claimed;
    for (const Place& place : loaded) {
        if (!drop[static_cast<size_t>(place.n)]) claimed.push_back(place);
    }
    for (const Place& place : spare) {
        const auto after = std::upper_bound(claimed.begin(), claimed.end(), place.start,
                                            [](int64_t start, const Place& other) { return start < other.start; });
        const bool in_items = after != claimed.begin() && place.start < std::prev(after)->items_end;
        if (in_items || place.start < index_end(layout)) drop[static_cast<size_t>(place.n)] = true;
    }
    std::vector<Place> kept = claimed;
    for (const Place& place : spare) {
        if (!drop[static_cast<size_t>(place.n)]) kept.push_back(place);
    }
    std::sort(kept.begin(), kept.end(), starts_before);
    for (size_t i = 0; i < kept.size(); ++i) {
        const int64_t limit = i + 1 < kept.size() ? kept[i + 1].start : file_size;
        const Entry& entry = tables.index[static_cast<size_t>(kept[i].n)];
        if (entry.capacity < 1 || kept[i].room_end > limit) drop[static_cast<size_t>(kept[i].n)] = true;
    }
    int32_t dropped = 0;
    for (int32_t n = 1; n <= layout.entries; ++n) {
        if (!drop[static_cast<size_t>(n)]) continue;
        drop_place(tables.index[static_cast<size_t>(n)]);
        ++dropped;
    }
    return dropped;
}

// Reads index and lists; see load_item_list_file.
template <typename Entry>
ItemListLoad read_item_list_file(const ItemListFile& file, const ItemListTables<Entry>& tables) {
    const RecordFileLayout& layout = file.layout;
    std::fill(tables.index.begin(), tables.index.end(), Entry{});
    std::fill(tables.used.begin(), tables.used.end(), uint8_t{0});
    ItemListLoad load;
    load.entries = layout.entries;
    FILE* stream = platform::dos_fopen(record_file_path(layout).c_str(), "rb");
    if (stream == nullptr) return load;
    load.found = true;
    const int64_t file_size = stream_size(stream);
    load.version_matched = check_version_text(stream, layout.version_text);
    load.entries_read = read_index(stream, layout, tables.index);
    Refusals refusals;
    std::vector<MemoryItem> items;
    int32_t counter_shown = 0;
    for (int32_t n = 1; n <= layout.entries; ++n) {
        Entry& entry = tables.index[static_cast<size_t>(n)];
        const ListRead read = read_item_list(stream, file_size, layout, n, entry, items);
        switch (read) {
            case ListRead::nothing:
                if (entry.offset == kNotOnFile) clear_place(entry);
                break;
            case ListRead::refused_silently:
            case ListRead::refused:
                refusals.refuse(read == ListRead::refused);
                clear_place(entry);
                break;
            case ListRead::loaded:
                if (tables.take_items(n, items)) {
                    tables.used[static_cast<size_t>(n)] = 1;
                    break;
                }
                ui::beep(kErrorBeepHz, kErrorBeep_ms);
                entry.count = 0;
                load.stopped_at = n;
                break;
        }
        if (load.incomplete()) {
            show_counter(file, n - 1, counter_shown);  // the last entry loaded, under the message
            draw_progress_number(file, kFullColour, file.full_message, n);
            ui::beep(kErrorBeepHz, kFullBeep_ms);
            // The lists not loaded keep none; their records stay on file.
            for (int32_t rest = n + 1; rest <= layout.entries; ++rest) {
                tables.index[static_cast<size_t>(rest)].count = 0;
            }
            break;
        }
        draw_counter(file, n, counter_shown);
    }
    std::fclose(stream);
    load.refused = refusals.count;
    load.places_dropped = fit_places(layout, tables, file_size);
    return load;
}

}  // namespace

template <typename Entry>
ItemListLoad load_item_list_file(const ItemListFile& file, const ItemListTables<Entry>& tables,
                                 ItemListRewrite rewrite) {
    ItemListLoad load = read_item_list_file(file, tables);
    const bool older = load.found && !load.version_matched;
    if (rewrite == ItemListRewrite::damaged_or_older && (older || load.damaged())) {
        compact_item_list_file(file, tables, load, true);
    }
    if (load.damaged()) {
        FileDamage damage;
        damage.refused = load.refused;
        damage.entries = load.entries;
        damage.entries_read = load.entries_read;
        damage.places_dropped = load.places_dropped;
        report_damaged_file(record_file_path(file.layout), damage, load.kept_copy);
    }
    platform::_setcolor(kProgressLineColour);
    return load;
}

namespace {

// The bytes of a compacted file and the index entries with their new places;
// false when an offset would not fit in an entry.
template <typename Entry>
bool build_compacted_file(const ItemListFile& file, const ItemListTables<Entry>& tables, std::vector<Entry>& compacted,
                          std::vector<uint8_t>& bytes) {
    const RecordFileLayout& layout = file.layout;
    constexpr size_t kBytes = kEntryBytes<Entry>;
    compacted.assign(tables.index.begin(), tables.index.end());
    bytes.assign(static_cast<size_t>(index_end(layout)), 0);
    std::copy_n(layout.version_text, version_text_chars(layout), bytes.begin());
    std::vector<MemoryItem> scratch;
    for (int32_t n = 1; n <= layout.entries; ++n) {
        Entry& entry = compacted[static_cast<size_t>(n)];
        const std::span<const MemoryItem> items = tables.items_of(n, scratch);
        clear_place(entry);
        if (!items.empty()) {
            const auto offset = static_cast<int64_t>(bytes.size());
            if (slot_end(layout, offset, static_cast<int64_t>(items.size())) > INT32_MAX) return false;
            entry.offset = static_cast<int32_t>(offset);
            entry.capacity = static_cast<int32_t>(items.size());
            entry.count = entry.capacity;
            const std::string tag = record_tag(layout, n);
            const std::vector<uint8_t> item_bytes = encode_items(items);
            bytes.insert(bytes.end(), tag.begin(), tag.end());
            bytes.insert(bytes.end(), item_bytes.begin(), item_bytes.end());
        }
        encode(entry, std::span<uint8_t, kBytes>(bytes.data() + index_position(layout, n), kBytes));
    }
    return true;
}

}  // namespace

template <typename Entry>
bool compact_item_list_file(const ItemListFile& file, const ItemListTables<Entry>& tables, ItemListLoad& last_load,
                            bool replace) {
    if (last_load.incomplete()) return false;
    const std::string path = record_file_path(file.layout);
    std::vector<Entry> compacted;
    std::vector<uint8_t> bytes;
    if (!build_compacted_file(file, tables, compacted, bytes)) return false;
    if (replace && last_load.damaged() && last_load.kept_copy.empty()) {
        last_load.kept_copy = keep_copy(path);
        if (last_load.kept_copy.empty()) return false;
    }
    const bool written = replace ? replace_file(path, bytes) : write_file(data_path(file.compact_copy), bytes);
    if (!written) return false;
    std::copy(compacted.begin(), compacted.end(), tables.index.begin());
    return true;
}

template <typename Entry>
bool item_list_file_image(const ItemListFile& file, const ItemListTables<Entry>& tables, FileImage& image) {
    std::vector<Entry> compacted;
    if (!build_compacted_file(file, tables, compacted, image.bytes)) return false;
    image.path = record_file_path(file.layout);
    std::copy(compacted.begin(), compacted.end(), tables.index.begin());
    return true;
}

template <typename Entry>
bool save_item_list_record(const ItemListFile& file, std::span<Entry> index, int32_t n, const MemoryItem* items) {
    if (!valid_entry_number(file.layout, n)) return false;
    Entry& entry = index[static_cast<size_t>(n)];
    if (items == nullptr || entry.count <= 0) entry.count = 0;
    const std::span<const MemoryItem> list(items, items == nullptr ? 0 : static_cast<size_t>(entry.count));
    return write_item_list_record(file.layout, n, entry, list);
}

template ItemListLoad load_item_list_file(const ItemListFile&, const ItemListTables<MemoryIndexEntry>&,
                                          ItemListRewrite);
template ItemListLoad load_item_list_file(const ItemListFile&, const ItemListTables<MemCueIndexEntry>&,
                                          ItemListRewrite);
template bool compact_item_list_file(const ItemListFile&, const ItemListTables<MemoryIndexEntry>&, ItemListLoad&,
                                     bool);
template bool compact_item_list_file(const ItemListFile&, const ItemListTables<MemCueIndexEntry>&, ItemListLoad&,
                                     bool);
template bool item_list_file_image(const ItemListFile&, const ItemListTables<MemoryIndexEntry>&, FileImage&);
template bool item_list_file_image(const ItemListFile&, const ItemListTables<MemCueIndexEntry>&, FileImage&);
template bool save_item_list_record(const ItemListFile&, std::span<MemoryIndexEntry>, int32_t, const MemoryItem*);
template bool save_item_list_record(const ItemListFile&, std::span<MemCueIndexEntry>, int32_t, const MemoryItem*);

namespace {

constexpr uint8_t kFirstOldTimeKind = 1;
constexpr uint8_t kLastOldTimeKind = 5;
constexpr uint8_t kFirstTimeSlotGroup = 200;   // kinds 201..205
constexpr uint8_t kSecondTimeSlotGroup = 205;  // kinds 206..210

bool old_time_kind(uint8_t kind) { return kind >= kFirstOldTimeKind && kind <= kLastOldTimeKind; }

}  // namespace

int32_t convert_time_items(MemoryItem*& items, int32_t& count) {
    if (items == nullptr || count <= 0) return 0;
    const int32_t old_items = static_cast<int32_t>(
        std::count_if(items, items + count, [](const MemoryItem& item) { return old_time_kind(item.kind); }));
    if (old_items == 0) return 0;
    const int32_t new_count = count + old_items;
    auto* list = static_cast<MemoryItem*>(
        runtime::show_table_allocator(static_cast<size_t>(new_count) * sizeof(MemoryItem), __FILE__, __LINE__));
    if (list == nullptr) return 0;
    int32_t added = count;
    for (int32_t j = 0; j < count; ++j) {
        MemoryItem item = items[j];
        if (old_time_kind(item.kind)) {
            const uint8_t k = item.kind;
            item.kind = static_cast<uint8_t>(kFirstTimeSlotGroup + k);
            list[added++] = {static_cast<uint8_t>(kSecondTimeSlotGroup + k), item.index, item.value};
        }
        list[j] = item;
    }
    memcheck::mc_free_at(items, __FILE__, __LINE__);
    items = list;
    count = new_count;
    return old_items;
}

}  // namespace datafiles
