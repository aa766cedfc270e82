#include "datafiles/preset_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "memcheck/memcheck.h"
#include "memories/presets.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "ui/helpers.h"

namespace datafiles {

namespace {

using memories::effect_preset_figures;
using memories::effect_preset_generators;
using memories::kEffectPresets;
using memories::kPresetEntries;
using memories::kValuePresets;
using memories::preset_index;
using memories::preset_used_tables;
using memories::value_preset_table;

constexpr int16_t kFirstGenerator = kValuePresets + 1;                  // 421
constexpr int16_t kFirstFigure = kValuePresets + kEffectPresets + 1;    // 491
constexpr int16_t kMessageX = 376;
constexpr int16_t kMessageY = 135;
constexpr int16_t kFullColour = 4;
constexpr int kProgressLineColour = 12;
constexpr int32_t kErrorBeepHz = 400;
constexpr uint32_t kErrorBeep_ms = 1000;
constexpr uint32_t kFullBeep_ms = 1500;
constexpr const char* kCompactCopy = "presets.da";
constexpr uint8_t kGeneratorKindStep = 10;
constexpr uint8_t kFigureKindBase = 90;

enum class PresetKind { value, generator, figure };

bool load_stopped_early = false;

using runtime::at;

PresetKind kind_of(int16_t entry) {
    if (entry < kFirstGenerator) return PresetKind::value;
    return entry < kFirstFigure ? PresetKind::generator : PresetKind::figure;
}

size_t table_bytes(PresetKind kind) {
    switch (kind) {
        case PresetKind::value: return memories::kValuePresetValues * sizeof(uint16_t);
        case PresetKind::generator: return memories::kGeneratorPartBytes;
        case PresetKind::figure: return memories::kFigurePartBytes;
    }
    return 0;
}

void** table_slot(int16_t entry) {
    switch (kind_of(entry)) {
        case PresetKind::value: return reinterpret_cast<void**>(&value_preset_table[at(entry)]);
        case PresetKind::generator: return reinterpret_cast<void**>(&effect_preset_generators[at(entry - kFirstGenerator + 1)]);
        case PresetKind::figure: return reinterpret_cast<void**>(&effect_preset_figures[at(entry - kFirstFigure + 1)]);
    }
    return nullptr;
}

bool valid_entry(int16_t entry) { return entry >= 1 && entry <= kPresetEntries; }

void clear_entry_place(MemoryIndexEntry& entry) {
    entry.offset = kNotOnFile;
    entry.capacity = 0;
    entry.count = 0;
}

void unpack_item(int16_t entry, void* table, const MemoryItem& item) {
    switch (kind_of(entry)) {
        case PresetKind::value:
            if (item.kind == 0 && item.index >= 1 && item.index <= memories::kPresetFunctionRecords) {
                static_cast<uint16_t*>(table)[item.index] = item.value;
            }
            break;
        case PresetKind::generator:
            if (item.kind >= 10 && item.kind <= 60 && item.kind % kGeneratorKindStep == 0 && item.index >= 1 &&
                item.index <= memories::kPresetFunctionRecords) {
                const size_t byte = (at(item.index) - 1) * memories::kGeneratorParameters + item.kind / 10 - 1;
                static_cast<uint8_t*>(table)[byte] = static_cast<uint8_t>(item.value);
            }
            break;
        case PresetKind::figure:
            if (item.kind >= 100 && item.kind <= 190 && item.kind % 10 == 0 && item.index >= 1 &&
                item.index <= memories::kPresetFixtures) {
                const size_t byte = (at(item.index) - 1) * memories::kFigureParameters + item.kind / 10 - 10;
                static_cast<uint8_t*>(table)[byte] = static_cast<uint8_t>(item.value);
            }
            break;
    }
}

// Reads entry e's record into its table. False when memory ran out.
bool load_preset_record(FILE* file, int64_t file_size, int16_t e, bool& rewrite) {
    MemoryIndexEntry& entry = preset_index[at(e)];
    if (entry.offset == kNotOnFile || entry.count == 0) {
        if (entry.offset == kNotOnFile) clear_entry_place(entry);
        return true;
    }
    const int32_t believable = bounded_item_count(kPresetFile, entry.offset, entry.capacity, entry.count, file_size);
    const bool count_fits = entry.count > 0 && entry.count <= entry.capacity && believable == entry.count;
    std::vector<uint8_t> bytes(count_fits ? at(entry.count) * kMemoryItemBytes : 0);
    RecordRead read = RecordRead::tag_mismatch;
    if (entry.offset < 0) {
        read = RecordRead::bad_offset;
    } else if (count_fits) {
        read = read_tagged_record(file, file_size, index_end(kPresetFile), entry.offset, record_tag(kPresetFile, e),
                                  bytes);
    }
    if (read != RecordRead::ok) {
        if (read != RecordRead::bad_offset) ui::beep(kErrorBeepHz, kErrorBeep_ms);
        clear_entry_place(entry);
        rewrite = true;
        return true;
    }
    void* table = allocate_preset_table(e);
    if (table == nullptr) {
        ui::beep(kErrorBeepHz, kErrorBeep_ms);
        entry.count = 0;
        return false;
    }
    for (int32_t i = 0; i < entry.count; ++i) {
        MemoryItem item;
        decode(std::span<const uint8_t, kMemoryItemBytes>(bytes.data() + at(i) * kMemoryItemBytes, kMemoryItemBytes),
               item);
        unpack_item(e, table, item);
    }
    return true;
}

void report_preset_memory_full(int16_t e) {
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(), "%d PRESET MEMORY FULL !!!", static_cast<int>(e));
    ui::draw_bitmap_text(kMessageX, kMessageY, kFullColour, text.data());
    ui::beep(kErrorBeepHz, kFullBeep_ms);
}

void append_items(std::vector<uint8_t>& file, std::span<const MemoryItem> items) {
    const size_t from = file.size();
    file.resize(from + items.size() * kMemoryItemBytes);
    for (size_t i = 0; i < items.size(); ++i) {
        encode(items[i], std::span<uint8_t, kMemoryItemBytes>(file.data() + from + i * kMemoryItemBytes, kMemoryItemBytes));
    }
}

bool write_new_copy(const std::string& path, std::span<const uint8_t> bytes) {
    FILE* file = platform::dos_fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return ok && closed;
}

bool pack_and_save(int16_t entry) {
    const std::vector<MemoryItem> items = pack_preset_entry(entry);
    if (items.size() > static_cast<size_t>(INT16_MAX)) return false;
    return save_preset_record(entry, static_cast<int16_t>(items.size()), items.data());
}

// ------------------------------------------------------------------ older preset files

constexpr int kOldPresetsPerFile = 70;
constexpr int kOldValueBlocks = 16;
constexpr size_t kOldValueBlockValues = 128;
constexpr size_t kOldIndexEntryBytes = 101;  // name, 16 block flags, 16 block offsets
constexpr size_t kOldFigureIndexEntryBytes = 91;  // name, 14 block flags, 14 block offsets
constexpr int kOldFigureBlocks = 14;
constexpr size_t kOldGeneratorBlockBytes = 768;
constexpr size_t kOldFigureBlockBytes = 100;
constexpr int kOldEffectTagBase = 630;
constexpr const char* kOldFigureVersion = "VERSION 6.0";
constexpr size_t kOldFigureVersionChars = 11;

// Where an old file keeps one preset: its name and its blocks.
struct OldPresetEntry {
    EntryName name{};
    std::array<uint8_t, kOldValueBlocks + 1> present{};
    std::array<int32_t, kOldValueBlocks + 1> offsets{};
};

struct OldFileForm {
    const char* file;
    int blocks;
    size_t block_bytes;
    int16_t first_entry;  // entry of the file's first preset in the preset file
    int tag_base;         // the tag number of preset i is tag_base + i
};

void decode_old_entry(std::span<const uint8_t> bytes, int blocks, OldPresetEntry& entry) {
    for (size_t i = 0; i < kEntryNameBytes; ++i) entry.name[i] = static_cast<char>(bytes[i]);
    entry.name[kEntryNameBytes - 1] = '\0';
    const size_t offsets_at = kEntryNameBytes + static_cast<size_t>(blocks);
    for (int b = 1; b <= blocks; ++b) {
        entry.present[at(b)] = bytes[kEntryNameBytes + at(b) - 1];
        entry.offsets[at(b)] = get_i32(bytes, offsets_at + 4 * (at(b) - 1));
    }
}

// Values of an old value block are i16 and must lie in -1..255.
bool old_values_in_range(std::span<const uint8_t> block) {
    for (size_t i = 0; i + 1 < block.size(); i += 2) {
        const auto value = static_cast<int16_t>(get_u16(block, i));
        if (value < -1 || value > 255) return false;
    }
    return true;
}

// Reads block b of an old preset; false (with the beep where the block is
// there but bad) when it is dropped.
bool read_old_block(FILE* file, int32_t offset, const std::string& tag, std::span<uint8_t> block, bool values) {
    if (offset < 0 || std::fseek(file, offset, SEEK_SET) != 0) return false;
    std::array<char, kThresholdTagChars> read_tag{};
    const bool tag_ok = std::fread(read_tag.data(), 1, read_tag.size(), file) == read_tag.size() &&
                        std::string_view(read_tag.data(), read_tag.size()) == tag;
    const bool block_ok = tag_ok && std::fread(block.data(), 1, block.size(), file) == block.size() &&
                          (!values || old_values_in_range(block));
    if (!block_ok) ui::beep(kErrorBeepHz, kErrorBeep_ms);
    return block_ok;
}

void copy_old_value_block(uint16_t* table, int b, std::span<const uint8_t> block) {
    for (size_t i = 0; i < kOldValueBlockValues; ++i) {
        table[(at(b) - 1) * kOldValueBlockValues + 1 + i] = get_u16(block, 2 * i);
    }
}

void copy_old_generator_block(uint8_t* table, int b, std::span<const uint8_t> block) {
    std::copy(block.begin(), block.end(), table + (at(b) - 1) * kOldGeneratorBlockBytes);
}

// The oldest figure blocks have no SHIFT and WAIT and a fifth parameter
// that is gone: new parameter q takes old parameter m(q).
void copy_old_figure_block(uint8_t* table, int b, std::span<const uint8_t> block, bool oldest) {
    constexpr std::array<int, 9> kOldParameter{0, 1, 2, 3, 4, 6, 7, 8, 9};
    uint8_t* first = table + (at(b) - 1) * kOldFigureBlockBytes;
    if (!oldest) {
        std::copy(block.begin(), block.end(), first);
        return;
    }
    for (size_t f = 0; f < kOldFigureBlockBytes / memories::kFigureParameters; ++f) {
        const uint8_t* old_bytes = block.data() + f * memories::kFigureParameters;
        uint8_t* new_bytes = first + f * memories::kFigureParameters;
        for (int q = 1; q <= 8; ++q) new_bytes[q - 1] = old_bytes[kOldParameter[at(q)] - 1];
        new_bytes[8] = memories::kByteNotSet;
        new_bytes[9] = memories::kByteNotSet;
        if (new_bytes[3] != memories::kByteNotSet) new_bytes[3] = 0;
    }
}

// Reads one old preset file into the tables; figure_header tells whether the
// figure file's version text was found (only for the figure file).
void convert_old_file(const OldFileForm& form, size_t entry_bytes, bool figure_file) {
    FILE* file = platform::dos_fopen(data_path(form.file).c_str(), "rb");
    if (file == nullptr) return;
    bool oldest = false;
    if (figure_file) {
        std::array<char, kOldFigureVersionChars> text{};
        const bool found = std::fread(text.data(), 1, text.size(), file) == text.size() &&
                           std::string_view(text.data(), text.size()) == kOldFigureVersion;
        if (!found) {
            oldest = true;
            std::fseek(file, 0, SEEK_SET);
        }
    }
    std::vector<uint8_t> index(kOldPresetsPerFile * entry_bytes);
    const size_t entries_read = std::fread(index.data(), 1, index.size(), file) / entry_bytes;
    std::vector<uint8_t> block(form.block_bytes);
    for (int i = 1; i <= kOldPresetsPerFile && at(i) <= entries_read; ++i) {
        OldPresetEntry old;
        decode_old_entry(std::span<const uint8_t>(index).subspan((at(i) - 1) * entry_bytes, entry_bytes), form.blocks,
                         old);
        const auto entry = static_cast<int16_t>(form.first_entry + i - 1);
        preset_index[at(entry)].name = old.name;
        for (int b = 1; b <= form.blocks; ++b) {
            if (old.offsets[at(b)] == kNotOnFile) continue;
            const std::string tag = threshold_tag(form.tag_base + i, b);
            const bool values = kind_of(entry) == PresetKind::value;
            if (!read_old_block(file, old.offsets[at(b)], tag, block, values)) continue;
            if (old.present[at(b)] != 1) continue;
            void* table = allocate_preset_table(entry);
            if (table == nullptr) continue;
            switch (kind_of(entry)) {
                case PresetKind::value: copy_old_value_block(static_cast<uint16_t*>(table), b, block); break;
                case PresetKind::generator: copy_old_generator_block(static_cast<uint8_t*>(table), b, block); break;
                case PresetKind::figure: copy_old_figure_block(static_cast<uint8_t*>(table), b, block, oldest); break;
            }
        }
    }
    std::fclose(file);
}

}  // namespace

void convert_old_value_preset_file() {
    constexpr std::array<const char*, 3> kFiles{"PRE-PAN.dat", "PRE-COL.dat", "PRE-GOB.dat"};
    for (size_t k = 0; k < kFiles.size(); ++k) {
        const auto first = static_cast<int16_t>(k * kOldPresetsPerFile + 1);
        const OldFileForm form{kFiles[k], kOldValueBlocks, kOldValueBlockValues * 2, first, first - 1};
        convert_old_file(form, kOldIndexEntryBytes, false);
    }
    platform::_setcolor(kProgressLineColour);
}

void convert_old_generator_preset_file() {
    const OldFileForm form{"pre-gen.dat", kOldValueBlocks, kOldGeneratorBlockBytes, kFirstGenerator, kOldEffectTagBase};
    convert_old_file(form, kOldIndexEntryBytes, false);
}

void convert_old_figure_preset_file() {
    const OldFileForm form{"pre-fig.dat", kOldFigureBlocks, kOldFigureBlockBytes, kFirstFigure, kOldEffectTagBase};
    convert_old_file(form, kOldFigureIndexEntryBytes, true);
}

void clear_preset_index() { preset_index.fill(MemoryIndexEntry{}); }

void free_preset_tables() {
    for (int16_t e = 1; e <= kPresetEntries; ++e) {
        void** slot = table_slot(e);
        if (*slot != nullptr) memcheck::mc_free_at(*slot, __FILE__, __LINE__);
        *slot = nullptr;
    }
}

void* allocate_preset_table(int16_t entry) {
    if (!valid_entry(entry)) return nullptr;
    void** slot = table_slot(entry);
    if (*slot != nullptr) return *slot;
    const PresetKind kind = kind_of(entry);
    void* table = runtime::show_table_allocator(table_bytes(kind), __FILE__, __LINE__);
    if (table == nullptr) return nullptr;
    if (kind == PresetKind::value) {
        std::fill_n(static_cast<uint16_t*>(table), memories::kValuePresetValues, memories::kValueNotSet);
    } else {
        std::fill_n(static_cast<uint8_t*>(table), table_bytes(kind), memories::kByteNotSet);
    }
    *slot = table;
    return table;
}

std::vector<MemoryItem> pack_preset_entry(int16_t entry) {
    std::vector<MemoryItem> items;
    if (!valid_entry(entry)) return items;
    const void* table = *table_slot(entry);
    if (table == nullptr) return items;
    switch (kind_of(entry)) {
        case PresetKind::value: {
            const auto* values = static_cast<const uint16_t*>(table);
            for (uint16_t r = 1; r <= memories::kPresetFunctionRecords; ++r) {
                if (static_cast<int16_t>(values[r]) >= 0) items.push_back({0, r, values[r]});
            }
            break;
        }
        case PresetKind::generator: {
            const auto* bytes = static_cast<const uint8_t*>(table);
            for (uint16_t r = 1; r <= memories::kPresetFunctionRecords; ++r) {
                for (int p = 1; p <= memories::kGeneratorParameters; ++p) {
                    const uint8_t value = bytes[(at(r) - 1) * memories::kGeneratorParameters + at(p) - 1];
                    if (value != memories::kByteNotSet) {
                        items.push_back({static_cast<uint8_t>(kGeneratorKindStep * p), r, value});
                    }
                }
            }
            break;
        }
        case PresetKind::figure: {
            const auto* bytes = static_cast<const uint8_t*>(table);
            for (uint16_t f = 1; f <= memories::kPresetFixtures; ++f) {
                for (int p = 1; p <= memories::kFigureParameters; ++p) {
                    const uint8_t value = bytes[(at(f) - 1) * memories::kFigureParameters + at(p) - 1];
                    if (value != memories::kByteNotSet) {
                        items.push_back({static_cast<uint8_t>(kFigureKindBase + 10 * p), f, value});
                    }
                }
            }
            break;
        }
    }
    return items;
}

bool save_preset_record(int16_t entry, int16_t count, const MemoryItem* items) {
    if (!valid_entry(entry)) return false;
    MemoryIndexEntry& index_entry = preset_index[at(entry)];
    index_entry.count = items == nullptr || count <= 0 ? 0 : count;
    const std::span<const MemoryItem> list(items, at(index_entry.count));
    return write_item_list_record(kPresetFile, entry, index_entry, list);
}

bool pack_preset_items(int16_t n) {
    if (n < 1 || n > kValuePresets) return false;
    return pack_and_save(n);
}

bool pack_effect_preset_generators(int16_t n) {
    if (n < 1 || n > kEffectPresets) return false;
    return pack_and_save(static_cast<int16_t>(kFirstGenerator - 1 + n));
}

bool pack_effect_preset_figures(int16_t n) {
    if (n < 1 || n > kEffectPresets) return false;
    return pack_and_save(static_cast<int16_t>(kFirstFigure - 1 + n));
}

void load_preset_file() {
    free_preset_tables();
    clear_preset_index();
    preset_used_tables.fill(0);
    load_stopped_early = false;
    FILE* file = platform::dos_fopen(record_file_path(kPresetFile).c_str(), "rb");
    if (file == nullptr) {
        platform::_setcolor(kProgressLineColour);
        return;
    }
    const int64_t file_size = stream_size(file);
    bool rewrite = !check_version_text(file, kPresetFile.version_text);
    std::fseek(file, static_cast<long>(kVersionTextChars), SEEK_SET);
    std::vector<uint8_t> index(at(kPresetEntries) * kMemoryIndexEntryBytes);
    const size_t got = std::fread(index.data(), 1, index.size(), file);
    const size_t entries_read = got / kMemoryIndexEntryBytes;
    // Entries cut off by the end of a short file stay empty.
    if (entries_read < at(kPresetEntries)) rewrite = true;
    for (int16_t e = 1; e <= kPresetEntries; ++e) {
        if (at(e) > entries_read) continue;
        decode(std::span<const uint8_t, kMemoryIndexEntryBytes>(index.data() + (at(e) - 1) * kMemoryIndexEntryBytes,
                                                                kMemoryIndexEntryBytes),
               preset_index[at(e)]);
    }
    for (int16_t e = 1; e <= kPresetEntries; ++e) {
        const bool allocated = load_preset_record(file, file_size, e, rewrite);
        const MemoryIndexEntry& entry = preset_index[at(e)];
        preset_used_tables[at(e)] = entry.offset != kNotOnFile && entry.count >= 1 ? 1 : 0;
        if (!allocated) {
            report_preset_memory_full(e);
            load_stopped_early = e < kPresetEntries;
            for (int rest = e + 1; rest <= kPresetEntries; ++rest) preset_index[at(rest)].count = 0;
            break;
        }
    }
    std::fclose(file);
    if (rewrite) compact_preset_file(true);
    platform::_setcolor(kProgressLineColour);
}

bool compact_preset_file(bool replace) {
    if (load_stopped_early) return false;
    std::array<MemoryIndexEntry, kPresetEntries + 1> compacted = preset_index;
    std::vector<uint8_t> file(static_cast<size_t>(index_end(kPresetFile)));
    std::copy_n(kPresetFile.version_text, kVersionTextChars, file.begin());
    for (int16_t e = 1; e <= kPresetEntries; ++e) {
        MemoryIndexEntry& entry = compacted[at(e)];
        clear_entry_place(entry);
        const std::vector<MemoryItem> items = pack_preset_entry(e);
        if (!items.empty()) {
            if (file.size() > static_cast<size_t>(INT32_MAX)) return false;
            entry.offset = static_cast<int32_t>(file.size());
            entry.capacity = static_cast<int32_t>(items.size());
            entry.count = entry.capacity;
            const std::string tag = record_tag(kPresetFile, e);
            file.insert(file.end(), tag.begin(), tag.end());
            append_items(file, items);
        }
        encode(entry, std::span<uint8_t, kMemoryIndexEntryBytes>(
                          file.data() + static_cast<size_t>(index_position(kPresetFile, e)), kMemoryIndexEntryBytes));
    }
    const bool written = replace ? replace_file(record_file_path(kPresetFile), file)
                                 : write_new_copy(data_path(kCompactCopy), file);
    if (!written) return false;
    preset_index = compacted;
    return true;
}

void init_preset_file() {
    clear_preset_index();
    create_record_file(kPresetFile);
}

}  // namespace datafiles
