#include "datafiles/cue_memory_file.h"

#include <algorithm>
#include <span>
#include <vector>

#include "memcheck/memcheck.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"

namespace datafiles {

namespace {

constexpr int16_t kCounterX = 430;  // beside the memories' counter on the same line
constexpr ItemListFile kMemCueList{kMemCueFile, "memcues.da", true, kCounterX, "%d MEMORY FULL !!!"};

ItemListLoad last_load;

constexpr int32_t kCueMemoryConversionBeepHz = 600;
constexpr int32_t kSaveErrorBeepHz = 400;
constexpr uint32_t kSaveErrorBeep_ms = 2000;
constexpr uint32_t kConversionBeep_ms = 1000;

using runtime::at;

bool take_memcue_items(int32_t n, std::span<const MemoryItem> items) {
    auto* list = static_cast<MemoryItem*>(
        runtime::show_table_allocator(items.size() * sizeof(MemoryItem), __FILE__, __LINE__));
    if (list == nullptr) return false;
    std::copy(items.begin(), items.end(), list);
    memcue_items[at(n)] = list;
    return true;
}

std::span<const MemoryItem> memcue_items_of(int32_t n, std::vector<MemoryItem>&) {
    const MemoryItem* items = memcue_items[at(n)];
    const int32_t count = memcue_index[at(n)].count;
    if (items == nullptr || count <= 0) return {};
    return std::span<const MemoryItem>(items, at(count));
}

ItemListTables<MemCueIndexEntry> memcue_tables() {
    return {memcue_index, memcue_used, take_memcue_items, memcue_items_of};
}

}  // namespace

void clear_memcue_index() {
    memcue_index.fill(MemCueIndexEntry{});
    last_load = {};
}

void free_memcue_items() {
    for (MemoryItem*& items : memcue_items) {
        if (items != nullptr) memcheck::mc_free_at(items, __FILE__, __LINE__);
        items = nullptr;
    }
}

void load_memcue_file() {
    free_memcue_items();
    memcue_used_count = 0;
    last_load = load_item_list_file(kMemCueList, memcue_tables(), ItemListRewrite::never);
    memcue_used_count = static_cast<uint16_t>(std::count(memcue_used.begin() + 1, memcue_used.end(), uint8_t{1}));
}

bool memcue_load_incomplete() { return last_load.incomplete(); }

bool save_memcue_record(int16_t n) {
    bool saved = n >= 1 && n <= kCueMemories;
    if (saved) {
        ui::free_cue_buffers();
        saved = save_item_list_record<MemCueIndexEntry>(kMemCueList, memcue_index, n, memcue_items[at(n)]);
    }
    if (!saved) {
        ui::show_message("ERROR SAVING MEMCUES.DAT");
        ui::beep_interruptible(kSaveErrorBeepHz, kSaveErrorBeep_ms);
    }
    return saved;
}

bool compact_memcue_file(bool replace) {
    return compact_item_list_file(kMemCueList, memcue_tables(), last_load, replace);
}

bool memcue_file_image(FileImage& image) { return item_list_file_image(kMemCueList, memcue_tables(), image); }

void convert_memcue_time_items() {
    int32_t converted = 0;
    for (int32_t n = 1; n <= kCueMemories; ++n) converted += convert_time_items(memcue_items[at(n)], memcue_index[at(n)].count);
    if (converted == 0) return;
    ui::beep(kCueMemoryConversionBeepHz, kConversionBeep_ms);
    compact_memcue_file(true);
}

void init_memcue_file() {
    free_memcue_items();
    clear_memcue_index();
    memcue_used.fill(0);
    memcue_used_count = 0;
    create_record_file(kMemCueFile);
}

}  // namespace datafiles
