#include "datafiles/record_files.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/dos_files.h"
#include "runtime/config_records.h"

namespace datafiles {

namespace {

// Scratch names beside a file replaced as a whole: the new copy, and the old
// file while the new one takes its name.
constexpr const char* kNewCopyExtension = ".$$$";
constexpr const char* kOldCopyExtension = ".$$O";

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

// Writes the items by the slot rule and gives the slot the file now holds;
// the caller writes the entry back.
bool place_item_list(FILE* file, const RecordFileLayout& layout, int32_t n, ItemSlot& slot,
                     std::span<const MemoryItem> items) {
    const auto k = static_cast<int32_t>(items.size());
    if (items.size() > static_cast<size_t>(INT32_MAX / kMemoryItemBytes)) return false;
    ItemSlot placed = slot;
    placed.count = k;
    if (k > 0) {
        const bool fits = slot.offset != kNotOnFile && slot.capacity >= k;
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

template <typename Entry, size_t EntryBytes>
bool write_list_entry(const RecordFileLayout& layout, int32_t n, Entry& entry, std::span<const MemoryItem> items) {
    if (!valid_entry_number(layout, n) || layout.entry_bytes != EntryBytes) return false;
    FILE* file = platform::dos_fopen(record_file_path(layout).c_str(), "r+b");
    if (file == nullptr) return false;
    ItemSlot slot{entry.offset, entry.capacity, entry.count};
    Entry written = entry;
    bool ok = place_item_list(file, layout, n, slot, items);
    if (ok) {
        written.offset = slot.offset;
        written.capacity = slot.capacity;
        written.count = slot.count;
        std::array<uint8_t, EntryBytes> bytes{};
        encode(written, std::span<uint8_t, EntryBytes>(bytes));
        ok = write_entry_at(file, layout, n, bytes);
    }
    if (!close_ok(file, ok)) return false;
    entry = written;
    return true;
}

template <typename Entry, size_t EntryBytes>
bool write_fixed_entry(const RecordFileLayout& layout, int32_t n, Entry& entry, std::span<const uint8_t> payload) {
    if (!valid_entry_number(layout, n) || layout.entry_bytes != EntryBytes) return false;
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
        std::array<uint8_t, EntryBytes> bytes{};
        encode(written, std::span<uint8_t, EntryBytes>(bytes));
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

// Directory and file name of a DOS path.
size_t name_start(const std::string& path) {
    const size_t separator = path.find_last_of("\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

// The path with the file's extension replaced.
std::string sibling_path(const std::string& path, const char* extension) {
    const size_t start = name_start(path);
    const size_t dot = path.find('.', start);
    return path.substr(0, dot == std::string::npos ? path.size() : dot) + extension;
}

bool write_scratch(const std::string& scratch, std::span<const uint8_t> bytes) {
    FILE* file = platform::dos_fopen(scratch.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = write_bytes(file, bytes) && std::fflush(file) == 0;
    if (!close_ok(file, ok)) return false;
    uint32_t size_bytes = 0;
    return lookup_file_size(scratch, size_bytes) && size_bytes == bytes.size();
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

// ------------------------------------------------------------------ paths and whole files

std::string data_file_path(const char* name) { return runtime::home_directory + "\\data\\" + name + ".dat"; }

std::string data_path(const char* file) { return runtime::home_directory + "\\data\\" + file; }

std::string program_path(const char* relative) { return runtime::home_directory + "\\" + relative; }

std::string record_file_path(const RecordFileLayout& layout) { return data_file_path(layout.file_name); }

bool lookup_file_size(const std::string& path, uint32_t& size_bytes) {
    platform::DosFindData find;
    if (!platform::dos_findfirst(path.c_str(), &find, 0)) return false;
    size_bytes = find.size_bytes;
    return true;
}

int64_t stream_size(FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0) return -1;
    return end;
}

bool read_whole_file(const std::string& path, std::span<uint8_t> bytes) {
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return got == bytes.size();
}

bool replace_file(const std::string& path, std::span<const uint8_t> bytes) {
    const std::string scratch = sibling_path(path, kNewCopyExtension);
    const std::string old_copy = sibling_path(path, kOldCopyExtension);
    platform::dos_remove(scratch.c_str());
    if (!write_scratch(scratch, bytes)) {
        platform::dos_remove(scratch.c_str());
        return false;
    }
    if (platform::dos_rename(scratch.c_str(), path.c_str())) return true;
    platform::dos_remove(old_copy.c_str());
    if (!platform::dos_rename(path.c_str(), old_copy.c_str())) {
        platform::dos_remove(scratch.c_str());
        return false;
    }
    if (!platform::dos_rename(scratch.c_str(), path.c_str())) {
        platform::dos_rename(old_copy.c_str(), path.c_str());
        platform::dos_remove(scratch.c_str());
        return false;
    }
    platform::dos_remove(old_copy.c_str());
    return true;
}

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
    return write_list_entry<MemoryIndexEntry, kMemoryIndexEntryBytes>(layout, n, entry, items);
}

bool write_item_list_record(const RecordFileLayout& layout, int32_t n, MemCueIndexEntry& entry,
                            std::span<const MemoryItem> items) {
    return write_list_entry<MemCueIndexEntry, kMemCueIndexEntryBytes>(layout, n, entry, items);
}

bool write_fixed_record(const RecordFileLayout& layout, int32_t n, CueHeader& entry,
                        std::span<const uint8_t> payload) {
    return write_fixed_entry<CueHeader, kCueHeaderBytes>(layout, n, entry, payload);
}

bool write_fixed_record(const RecordFileLayout& layout, int32_t n, CueRecordIndexEntry& entry,
                        std::span<const uint8_t> payload) {
    return write_fixed_entry<CueRecordIndexEntry, kCueRecordIndexEntryBytes>(layout, n, entry, payload);
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

}  // namespace datafiles
