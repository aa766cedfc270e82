#include "datafiles/threshold_file.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>

#include "datafiles/load_report.h"
#include "memcheck/memcheck.h"
#include "platform/dos_files.h"
#include "runtime/card_discovery.h"
#include "runtime/show_tables.h"
#include "ui/helpers.h"

namespace datafiles {

std::array<ThresholdIndexEntry, kThresholds + 1> threshold_index{};
std::array<uint8_t*, kThresholds + 1> threshold_tables{};
std::array<uint8_t, kThresholds + 1> threshold_programmed{};

void reset_threshold_file_globals() {
    free_threshold_tables();
    threshold_index = {};
    threshold_programmed = {};
}

namespace {

constexpr int16_t kProgressX = 376;
constexpr int16_t kProgressY = 155;
constexpr int16_t kProgressColour = 14;
constexpr int16_t kEraseColour = 0;

using Block = std::array<uint8_t, kThresholdBlockBytes>;

int record_capacity() {
    return std::clamp<int>(runtime::function_record_capacity, 0, runtime::kFunctionRecordCapacity);
}

size_t table_bytes() { return static_cast<size_t>(record_capacity()) + 1; }

// Table bytes of block b: records 128 * (b - 1) + 1 onwards.
size_t block_start(int b) { return kThresholdBlockBytes * static_cast<size_t>(b - 1) + 1; }

// Records of block b within the capacity: 128, fewer in a last partial block.
size_t block_records(int b) {
    const int left = record_capacity() - static_cast<int>(kThresholdBlockBytes) * (b - 1);
    return static_cast<size_t>(std::clamp(left, 0, static_cast<int>(kThresholdBlockBytes)));
}

// Block b of a table as it goes on file, a partial block padded with zeros.
Block block_bytes(const uint8_t* table, int b) {
    Block bytes{};
    if (table != nullptr) std::copy_n(table + block_start(b), block_records(b), bytes.begin());
    return bytes;
}

void empty_block(ThresholdIndexEntry& entry, int b) {
    entry.block_present[static_cast<size_t>(b)] = 0;
    entry.block_offsets[static_cast<size_t>(b)] = kNotOnFile;
}

void draw_progress(int t) {
    std::array<char, 8> number{};
    if (t > 1) {
        std::snprintf(number.data(), number.size(), "%d", t - 1);
        ui::draw_bitmap_text(kProgressX, kProgressY, kEraseColour, number.data());
    }
    std::snprintf(number.data(), number.size(), "%d", t);
    ui::draw_bitmap_text(kProgressX, kProgressY, kProgressColour, number.data());
}

// The blocks of threshold t that the index says are on file; a block that
// can't be read is emptied in the index.
void load_threshold_blocks(FILE* file, int64_t file_size, int16_t t, Refusals& refusals) {
    ThresholdIndexEntry& entry = threshold_index[static_cast<size_t>(t)];
    bool holds_data = false;
    for (int b = 1; b <= threshold_block_count(); ++b) {
        const int32_t offset = entry.block_offsets[static_cast<size_t>(b)];
        if (offset == kNotOnFile) continue;
        Block bytes{};
        const RecordRead read =
            read_tagged_record(file, file_size, index_end(kThresholdFile), offset, threshold_tag(t, b), bytes);
        if (read != RecordRead::ok) {
            refusals.refuse(read != RecordRead::bad_offset);
            empty_block(entry, b);
            continue;
        }
        if (entry.block_present[static_cast<size_t>(b)] != 1) continue;
        uint8_t* table = allocate_threshold_table(t);
        if (table == nullptr) continue;
        std::copy_n(bytes.begin(), block_records(b), table + block_start(b));
        holds_data = true;
    }
    threshold_programmed[static_cast<size_t>(t)] = holds_data ? 1 : 0;
}

bool block_holds_data(const uint8_t* table, int b) {
    if (table == nullptr) return false;
    const uint8_t* first = table + block_start(b);
    return std::any_of(first, first + block_records(b), [](uint8_t v) { return v != 0; });
}

// Writes the present blocks of t and gives each its place; false when the
// file could not be written.
bool write_threshold_blocks(FILE* file, int16_t t, ThresholdIndexEntry& entry) {
    const uint8_t* table = threshold_tables[static_cast<size_t>(t)];
    for (int b = 1; b <= threshold_block_count(); ++b) {
        entry.block_present[static_cast<size_t>(b)] = block_holds_data(table, b) ? 1 : 0;
    }
    for (int b = 1; b <= threshold_block_count(); ++b) {
        if (entry.block_present[static_cast<size_t>(b)] != 1) continue;
        const int32_t offset = entry.block_offsets[static_cast<size_t>(b)];
        const bool placed = offset != kNotOnFile && offset >= index_end(kThresholdFile);
        const int64_t position = placed ? offset : append_position(file, kThresholdFile);
        if (position < 0 || std::fseek(file, static_cast<long>(position), SEEK_SET) != 0) return false;
        const std::string tag = threshold_tag(t, b);
        if (std::fwrite(tag.data(), 1, tag.size(), file) != tag.size()) return false;
        const Block bytes = block_bytes(table, b);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return false;
        entry.block_offsets[static_cast<size_t>(b)] = static_cast<int32_t>(position);
    }
    return true;
}

bool write_threshold_entry(FILE* file, int16_t t, const ThresholdIndexEntry& entry) {
    std::array<uint8_t, kThresholdIndexEntryBytes> bytes{};
    encode(entry, std::span<uint8_t, kThresholdIndexEntryBytes>(bytes));
    return std::fseek(file, static_cast<long>(index_position(kThresholdFile, t)), SEEK_SET) == 0 &&
           std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

}  // namespace

int threshold_block_count() {
    constexpr int kBlock = static_cast<int>(kThresholdBlockBytes);
    return std::min(kThresholdBlocks, (record_capacity() + kBlock - 1) / kBlock);
}

std::vector<uint8_t> threshold_file_bytes() {
    std::vector<uint8_t> bytes(static_cast<size_t>(index_end(kThresholdFile)));
    for (int16_t t = 1; t <= kThresholds; ++t) {
        ThresholdIndexEntry& entry = threshold_index[static_cast<size_t>(t)];
        const uint8_t* table = threshold_tables[static_cast<size_t>(t)];
        entry.block_present.fill(0);
        entry.block_offsets = no_block_offsets();
        for (int b = 1; b <= threshold_block_count(); ++b) {
            if (!block_holds_data(table, b)) continue;
            entry.block_present[static_cast<size_t>(b)] = 1;
            entry.block_offsets[static_cast<size_t>(b)] = static_cast<int32_t>(bytes.size());
            const std::string tag = threshold_tag(t, b);
            const Block block = block_bytes(table, b);
            bytes.insert(bytes.end(), tag.begin(), tag.end());
            bytes.insert(bytes.end(), block.begin(), block.end());
        }
        encode(entry, std::span<uint8_t, kThresholdIndexEntryBytes>(
                          bytes.data() + index_position(kThresholdFile, t), kThresholdIndexEntryBytes));
    }
    return bytes;
}

uint8_t* allocate_threshold_table(int16_t t) {
    if (t < 1 || t > kThresholds) return nullptr;
    uint8_t*& table = threshold_tables[static_cast<size_t>(t)];
    if (table != nullptr) return table;
    table = static_cast<uint8_t*>(runtime::show_table_allocator(table_bytes(), __FILE__, __LINE__));
    if (table != nullptr) std::fill_n(table, table_bytes(), uint8_t{0});
    return table;
}

void free_threshold_tables() {
    for (uint8_t*& table : threshold_tables) {
        if (table != nullptr) memcheck::mc_free_at(table, __FILE__, __LINE__);
        table = nullptr;
    }
}

void load_threshold_file() {
    free_threshold_tables();
    threshold_index.fill(ThresholdIndexEntry{});
    threshold_programmed.fill(0);
    FILE* file = platform::dos_fopen(record_file_path(kThresholdFile).c_str(), "rb");
    if (file == nullptr) return;
    const int64_t file_size = stream_size(file);
    std::array<uint8_t, kThresholds * kThresholdIndexEntryBytes> index{};
    const size_t got = std::fread(index.data(), 1, index.size(), file);
    // Entries cut off by the end of a short file stay empty.
    const auto entries_read = static_cast<int16_t>(got / kThresholdIndexEntryBytes);
    Refusals refusals;
    for (int16_t t = 1; t <= kThresholds; ++t) {
        if (t <= entries_read) {
            const auto at = static_cast<size_t>(t - 1) * kThresholdIndexEntryBytes;
            decode(std::span<const uint8_t, kThresholdIndexEntryBytes>(index.data() + at, kThresholdIndexEntryBytes),
                   threshold_index[static_cast<size_t>(t)]);
            load_threshold_blocks(file, file_size, t, refusals);
        }
        draw_progress(t);
    }
    std::fclose(file);
    if (refusals.count > 0) report_damaged_file(record_file_path(kThresholdFile), refusals.count, {});
}

void save_threshold_record(int16_t t) {
    if (t < 1 || t > kThresholds) return;
    FILE* file = platform::dos_fopen(record_file_path(kThresholdFile).c_str(), "r+b");
    if (file == nullptr) return;
    ThresholdIndexEntry entry = threshold_index[static_cast<size_t>(t)];
    const bool ok = write_threshold_blocks(file, t, entry) && write_threshold_entry(file, t, entry);
    const bool closed = std::fclose(file) == 0;
    if (ok && closed) threshold_index[static_cast<size_t>(t)] = entry;
}

}  // namespace datafiles
