#include "datafiles/memory_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "ui/helpers.h"

namespace datafiles {

namespace {

using memories::kMemories;
using memories::memory_index;
using memories::memory_items;
using memories::memory_used;

constexpr int16_t kCounterX = 376;
constexpr int16_t kCounterY = 135;
constexpr int16_t kCounterColour = 14;
constexpr int16_t kEraseColour = 0;
constexpr int16_t kFullColour = 4;
constexpr int kProgressLineColour = 12;
constexpr int32_t kErrorBeepHz = 400;
constexpr uint32_t kErrorBeep_ms = 1000;
constexpr uint32_t kFullBeep_ms = 1500;
constexpr const char* kCompactCopy = "mem.da";

bool load_stopped_early = false;

using runtime::at;

void clear_entry_place(MemoryIndexEntry& entry) {
    entry.offset = kNotOnFile;
    entry.capacity = 0;
    entry.count = 0;
}

void draw_counter(int m) {
    std::array<char, 32> text{};
    if (m > 1) {
        std::snprintf(text.data(), text.size(), "%d", m - 1);
        ui::draw_bitmap_text(kCounterX, kCounterY, kEraseColour, text.data());
    }
    std::snprintf(text.data(), text.size(), "%d", m);
    ui::draw_bitmap_text(kCounterX, kCounterY, kCounterColour, text.data());
}

void report_memory_full(int m) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%d MEMORY FULL !!!", m);
    ui::draw_bitmap_text(kCounterX, kCounterY, kFullColour, text.data());
    ui::beep(kErrorBeepHz, kFullBeep_ms);
}

MemoryItem* allocate_items(int32_t count) {
    return static_cast<MemoryItem*>(
        runtime::show_table_allocator(static_cast<size_t>(count) * sizeof(MemoryItem), __FILE__, __LINE__));
}

void decode_items(std::span<const uint8_t> bytes, MemoryItem* items, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const size_t from = static_cast<size_t>(i) * kMemoryItemBytes;
        decode(std::span<const uint8_t, kMemoryItemBytes>(bytes.data() + from, kMemoryItemBytes), items[i]);
    }
}

// The record of memory m as its entry points at it. False when the memory
// heap ran out (the entry then has count 0 and loading stops).
bool load_memory_record(FILE* file, int64_t file_size, int m) {
    MemoryIndexEntry& entry = memory_index[at(m)];
    if (entry.offset == kNotOnFile || entry.count == 0) {
        if (entry.offset == kNotOnFile) clear_entry_place(entry);
        return true;
    }
    // A count that its place or the file can't hold would read beyond the record.
    const int32_t believable = bounded_item_count(kMemoryFile, entry.offset, entry.capacity, entry.count, file_size);
    const bool count_fits = entry.count > 0 && entry.count <= entry.capacity && believable == entry.count;
    std::vector<uint8_t> bytes(count_fits ? static_cast<size_t>(entry.count) * kMemoryItemBytes : 0);
    RecordRead read = RecordRead::tag_mismatch;
    if (entry.offset < 0) {
        read = RecordRead::bad_offset;
    } else if (count_fits) {
        read = read_tagged_record(file, file_size, index_end(kMemoryFile), entry.offset, record_tag(kMemoryFile, m),
                                  bytes);
    }
    if (read != RecordRead::ok) {
        if (read != RecordRead::bad_offset) ui::beep(kErrorBeepHz, kErrorBeep_ms);
        clear_entry_place(entry);
        return true;
    }
    MemoryItem* items = allocate_items(entry.count);
    if (items == nullptr) {
        ui::beep(kErrorBeepHz, kErrorBeep_ms);
        entry.count = 0;
        return false;
    }
    decode_items(bytes, items, entry.count);
    memory_items[at(m)] = items;
    return true;
}

void decode_index(std::span<const uint8_t> bytes, size_t entries_read) {
    for (int m = 1; m <= kMemories; ++m) {
        MemoryIndexEntry& entry = memory_index[at(m)];
        if (at(m) > entries_read) {
            entry = MemoryIndexEntry{};
            continue;
        }
        const size_t from = (at(m) - 1) * kMemoryIndexEntryBytes;
        decode(std::span<const uint8_t, kMemoryIndexEntryBytes>(bytes.data() + from, kMemoryIndexEntryBytes), entry);
    }
}

void append_bytes(std::vector<uint8_t>& file, std::string_view text) { file.insert(file.end(), text.begin(), text.end()); }

void put_entry(std::vector<uint8_t>& file, int m, const MemoryIndexEntry& entry) {
    const auto from = static_cast<size_t>(index_position(kMemoryFile, m));
    encode(entry, std::span<uint8_t, kMemoryIndexEntryBytes>(file.data() + from, kMemoryIndexEntryBytes));
}

bool write_new_copy(const std::string& path, std::span<const uint8_t> bytes) {
    FILE* file = platform::dos_fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return ok && closed;
}

}  // namespace

void clear_memory_index() { memory_index.fill(MemoryIndexEntry{}); }

void free_memory_items() {
    for (MemoryItem*& items : memory_items) {
        if (items != nullptr) memcheck::mc_free_at(items, __FILE__, __LINE__);
        items = nullptr;
    }
}

bool memory_load_incomplete() { return load_stopped_early; }

void load_memory_file() {
    free_memory_items();
    clear_memory_index();
    memory_used.fill(0);
    load_stopped_early = false;
    FILE* file = platform::dos_fopen(record_file_path(kMemoryFile).c_str(), "rb");
    if (file == nullptr) {
        platform::_setcolor(kProgressLineColour);
        return;
    }
    const int64_t file_size = stream_size(file);
    std::array<uint8_t, kVersionTextChars> header{};
    const bool header_read = std::fread(header.data(), 1, header.size(), file) == header.size();
    std::vector<uint8_t> index(static_cast<size_t>(kMemories) * kMemoryIndexEntryBytes);
    const size_t got = header_read ? std::fread(index.data(), 1, index.size(), file) : 0;
    // Entries cut off by the end of a short file stay empty.
    decode_index(index, got / kMemoryIndexEntryBytes);
    for (int m = 1; m <= kMemories; ++m) {
        const bool allocated = load_memory_record(file, file_size, m);
        const MemoryIndexEntry& entry = memory_index[at(m)];
        if (entry.offset != kNotOnFile && entry.count > 0 && memory_items[at(m)] != nullptr) memory_used[at(m)] = 1;
        if (!allocated) {
            report_memory_full(m);
            load_stopped_early = m < kMemories;
            // The memories not loaded keep no list; their records stay on file.
            for (int rest = m + 1; rest <= kMemories; ++rest) memory_index[at(rest)].count = 0;
            break;
        }
        draw_counter(m);
    }
    std::fclose(file);
    platform::_setcolor(kProgressLineColour);
}

bool save_memory_record(int16_t m) {
    if (m < 1 || m > kMemories) return false;
    MemoryIndexEntry& entry = memory_index[at(m)];
    const MemoryItem* items = memory_items[at(m)];
    if (items == nullptr || entry.count <= 0) entry.count = 0;
    const std::span<const MemoryItem> list(items, items == nullptr ? 0 : static_cast<size_t>(entry.count));
    return write_item_list_record(kMemoryFile, m, entry, list);
}

bool save_memory_name(int16_t m) {
    if (m < 1 || m > kMemories) return false;
    EntryName& name = memory_index[at(m)].name;
    name[kEntryNameBytes - 1] = '\0';
    std::array<uint8_t, kEntryNameBytes> bytes{};
    std::copy(name.begin(), name.end(), bytes.begin());
    return write_index_field(kMemoryFile, m, 0, bytes);
}

bool compact_memory_file(bool replace) {
    if (load_stopped_early) return false;
    std::array<MemoryIndexEntry, kMemories + 1> compacted = memory_index;
    std::vector<uint8_t> file(static_cast<size_t>(index_end(kMemoryFile)));
    std::copy_n(kMemoryFile.version_text, kVersionTextChars, file.begin());
    for (int m = 1; m <= kMemories; ++m) {
        MemoryIndexEntry& entry = compacted[at(m)];
        clear_entry_place(entry);
        entry.count = memory_index[at(m)].count;
        const MemoryItem* items = memory_items[at(m)];
        if (items == nullptr || entry.count < 0) entry.count = 0;
        if (entry.count > 0) {
            if (file.size() > static_cast<size_t>(INT32_MAX)) return false;
            entry.offset = static_cast<int32_t>(file.size());
            entry.capacity = entry.count;
            append_bytes(file, record_tag(kMemoryFile, m));
            const size_t from = file.size();
            file.resize(from + static_cast<size_t>(entry.count) * kMemoryItemBytes);
            for (int32_t i = 0; i < entry.count; ++i) {
                encode(items[i], std::span<uint8_t, kMemoryItemBytes>(
                                     file.data() + from + static_cast<size_t>(i) * kMemoryItemBytes, kMemoryItemBytes));
            }
        }
        put_entry(file, m, entry);
    }
    const bool written = replace ? replace_file(record_file_path(kMemoryFile), file)
                                 : write_new_copy(data_path(kCompactCopy), file);
    if (!written) return false;
    memory_index = compacted;
    return true;
}

void init_memory_file() {
    clear_memory_index();
    create_record_file(kMemoryFile);
}

}  // namespace datafiles
