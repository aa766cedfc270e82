#include "datafiles/memory_file.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"
#include "runtime/show_tables.h"
#include "runtime/one_based.h"
#include "ui/helpers.h"

namespace datafiles {

namespace {

using memories::kMemories;
using memories::memory_index;
using memories::memory_items;
using memories::memory_used;

ItemListLoad last_load;

constexpr int32_t kMemoryConversionBeepHz = 400;
constexpr uint32_t kConversionBeep_ms = 1000;

using runtime::at;

bool take_memory_items(int32_t m, std::span<const MemoryItem> items) {
    auto* list = static_cast<MemoryItem*>(
        runtime::show_table_allocator(items.size() * sizeof(MemoryItem), __FILE__, __LINE__));
    if (list == nullptr) return false;
    std::copy(items.begin(), items.end(), list);
    memory_items[at(m)] = list;
    return true;
}

std::span<const MemoryItem> memory_items_of(int32_t m, std::vector<MemoryItem>&) {
    const MemoryItem* items = memory_items[at(m)];
    const int32_t count = memory_index[at(m)].count;
    if (items == nullptr || count <= 0) return {};
    return std::span<const MemoryItem>(items, at(count));
}

ItemListTables<MemoryIndexEntry> memory_tables() {
    return {memory_index, memory_used, take_memory_items, memory_items_of};
}

}  // namespace

void reset_memory_file_globals() {
    free_memory_items();
    last_load = {};
}

void clear_memory_index() {
    memory_index.fill(MemoryIndexEntry{});
    last_load = {};
}

void free_memory_items() {
    for (MemoryItem*& items : memory_items) {
        if (items != nullptr) memcheck::mc_free_at(items, __FILE__, __LINE__);
        items = nullptr;
    }
}

bool memory_load_incomplete() { return last_load.incomplete(); }

void load_memory_file() {
    free_memory_items();
    last_load = load_item_list_file(kMemoryList, memory_tables(), ItemListRewrite::never);
    memories::memory_used_count =
        static_cast<uint16_t>(std::count(memory_used.begin() + 1, memory_used.end(), uint8_t{1}));
}

bool save_memory_record(int16_t m) {
    if (m < 1 || m > kMemories) return false;
    return save_item_list_record<MemoryIndexEntry>(kMemoryList, memory_index, m, memory_items[at(m)]);
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
    return compact_item_list_file(kMemoryList, memory_tables(), last_load, replace);
}

bool memory_file_image(FileImage& image) { return item_list_file_image(kMemoryList, memory_tables(), image); }

void convert_memory_time_items() {
    int32_t converted = 0;
    for (int32_t m = 1; m <= kMemories; ++m) converted += convert_time_items(memory_items[at(m)], memory_index[at(m)].count);
    if (converted == 0) return;
    ui::beep(kMemoryConversionBeepHz, kConversionBeep_ms);
    compact_memory_file(true);
}

void init_memory_file() {
    clear_memory_index();
    create_record_file(kMemoryFile);
}

}  // namespace datafiles
