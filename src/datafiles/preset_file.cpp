#include "datafiles/preset_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "datafiles/load_report.h"
#include "datafiles/old_formats.h"
#include "datafiles/whole_files.h"
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
constexpr int kProgressLineColour = 12;
constexpr uint8_t kGeneratorKindStep = 10;
constexpr uint8_t kFigureKindBase = 90;

enum class PresetKind { value, generator, figure };

ItemListLoad last_load;

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

// Unpacks the items of entry e into its table. False when memory ran out.
bool take_preset_items(int32_t e, std::span<const MemoryItem> items) {
    void* table = allocate_preset_table(static_cast<int16_t>(e));
    if (table == nullptr) return false;
    for (const MemoryItem& item : items) unpack_item(static_cast<int16_t>(e), table, item);
    return true;
}

std::span<const MemoryItem> preset_items_of(int32_t e, std::vector<MemoryItem>& scratch) {
    scratch = pack_preset_entry(static_cast<int16_t>(e));
    return scratch;
}

ItemListTables<MemoryIndexEntry> preset_tables() {
    return {preset_index, preset_used_tables, take_preset_items, preset_items_of};
}

bool pack_and_save(int16_t entry) {
    const std::vector<MemoryItem> items = pack_preset_entry(entry);
    if (items.size() > static_cast<size_t>(INT16_MAX)) return false;
    return save_preset_record(entry, static_cast<int16_t>(items.size()), items.data());
}

// ------------------------------------------------------------------ older preset files

constexpr int kOldPresetsPerFile = 70;
constexpr size_t kOldValueBlockValues = 128;
constexpr size_t kOldGeneratorBlockBytes = 768;
constexpr size_t kOldFigureBlockBytes = 100;
constexpr int kOldEffectTagBase = 630;

struct OldFileForm {
    const char* file;
    int blocks;
    size_t block_bytes;
    int16_t first_entry;  // entry of the file's first preset in the preset file
    int tag_base;         // the tag number of preset i is tag_base + i
};

// Values of an old value block are i16 and must lie in -1..255.
bool old_values_in_range(std::span<const uint8_t> block) {
    for (size_t i = 0; i + 1 < block.size(); i += 2) {
        const auto value = static_cast<int16_t>(get_u16(block, i));
        if (value < -1 || value > 255) return false;
    }
    return true;
}

void copy_old_value_block(uint16_t* table, int b, std::span<const uint8_t> block) {
    for (size_t i = 0; i < kOldValueBlockValues; ++i) {
        table[(at(b) - 1) * kOldValueBlockValues + 1 + i] = get_u16(block, 2 * i);
    }
}

void copy_old_generator_block(uint8_t* table, int b, std::span<const uint8_t> block) {
    std::copy(block.begin(), block.end(), table + (at(b) - 1) * kOldGeneratorBlockBytes);
}

// A figure block of ten fixtures, as it is or widened from the oldest layout.
void copy_old_figure_block(uint8_t* table, int b, std::span<const uint8_t> block, bool oldest) {
    uint8_t* first = table + (at(b) - 1) * kOldFigureBlockBytes;
    if (!oldest) {
        std::copy(block.begin(), block.end(), first);
        return;
    }
    for (size_t f = 0; f < kOldFigureBlockBytes / kOldFigureBytes; ++f) {
        widen_old_figure_bytes(block.subspan(f * kOldFigureBytes).first<kOldFigureBytes>(),
                               std::span<uint8_t, kOldFigureBytes>(first + f * kOldFigureBytes, kOldFigureBytes));
    }
}

// Reads one old preset file into the tables; figure_file: the figure file,
// whose version text tells its layout.
void convert_old_file(const OldFileForm& form, size_t entry_bytes, bool figure_file) {
    const std::string path = data_path(form.file);
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    const bool oldest = figure_file && !read_old_figure_version(file);
    std::vector<uint8_t> index(kOldPresetsPerFile * entry_bytes);
    FileDamage damage;
    damage.entries = kOldPresetsPerFile;
    damage.entries_read = static_cast<int32_t>(std::fread(index.data(), 1, index.size(), file) / entry_bytes);
    std::vector<uint8_t> block(form.block_bytes);
    Refusals refusals;
    for (int i = 1; i <= damage.entries_read; ++i) {
        OldPageEntry old;
        decode_old_page_entry(std::span<const uint8_t>(index).subspan((at(i) - 1) * entry_bytes, entry_bytes),
                              form.blocks, old);
        const auto entry = static_cast<int16_t>(form.first_entry + i - 1);
        preset_index[at(entry)].name = old.name;
        for (int b = 1; b <= form.blocks; ++b) {
            if (old.offsets[at(b)] == kNotOnFile) continue;
            const OldBlockRead read = read_old_block(file, old.offsets[at(b)], threshold_tag(form.tag_base + i, b), block);
            const bool values = kind_of(entry) == PresetKind::value;
            if (read != OldBlockRead::ok || (values && !old_values_in_range(block))) {
                refusals.refuse(read != OldBlockRead::bad_offset);
                continue;
            }
            if (old.present[at(b)] != 1) continue;
            void* table = allocate_preset_table(entry);
            if (table == nullptr) {
                ++damage.unloaded;
                continue;
            }
            switch (kind_of(entry)) {
                case PresetKind::value: copy_old_value_block(static_cast<uint16_t*>(table), b, block); break;
                case PresetKind::generator: copy_old_generator_block(static_cast<uint8_t*>(table), b, block); break;
                case PresetKind::figure: copy_old_figure_block(static_cast<uint8_t*>(table), b, block, oldest); break;
            }
        }
    }
    std::fclose(file);
    damage.refused = refusals.count;
    report_old_file(path, damage);
}

}  // namespace

void reset_preset_file_globals() {
    free_preset_tables();
    last_load = {};
}

void convert_old_value_preset_file() {
    constexpr std::array<const char*, 3> kFiles{"PRE-PAN.dat", "PRE-COL.dat", "PRE-GOB.dat"};
    for (size_t k = 0; k < kFiles.size(); ++k) {
        const auto first = static_cast<int16_t>(k * kOldPresetsPerFile + 1);
        const OldFileForm form{kFiles[k], kOldPageBlocks, kOldValueBlockValues * 2, first, first - 1};
        convert_old_file(form, kOldPageEntryBytes, false);
    }
    platform::_setcolor(kProgressLineColour);
}

void convert_old_generator_preset_file() {
    const OldFileForm form{"pre-gen.dat", kOldPageBlocks, kOldGeneratorBlockBytes, kFirstGenerator, kOldEffectTagBase};
    convert_old_file(form, kOldPageEntryBytes, false);
}

void convert_old_figure_preset_file() {
    const OldFileForm form{"pre-fig.dat", kOldFigureBlocks, kOldFigureBlockBytes, kFirstFigure, kOldEffectTagBase};
    convert_old_file(form, kOldFigureEntryBytes, true);
}

void clear_preset_index() {
    preset_index.fill(MemoryIndexEntry{});
    last_load = {};
}

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
    preset_index[at(entry)].count = count;
    return save_item_list_record<MemoryIndexEntry>(kPresetList, preset_index, entry, items);
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
    last_load = load_item_list_file(kPresetList, preset_tables(), ItemListRewrite::damaged_or_older);
}

bool compact_preset_file(bool replace) {
    return compact_item_list_file(kPresetList, preset_tables(), last_load, replace);
}

bool preset_file_image(FileImage& image) { return item_list_file_image(kPresetList, preset_tables(), image); }

void init_preset_file() {
    clear_preset_index();
    create_record_file(kPresetFile);
}

}  // namespace datafiles
