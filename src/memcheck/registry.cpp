#include "memcheck/registry.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace memcheck {

namespace {

constexpr std::array<const char*, 10> kResultTexts = {
    "No error",
    "Key not found or duplicate",
    "Null tree or past first/last entry",
    "Memory allocation failure",
    "Tree capacity failure (too many keys)",
    "Node allocation error or invalid node file",
    "Page allocation error or invalid page file",
    "File open/close failure!",
    "File seek failure!",
    "File read/write failure!",
};

constexpr size_t kFirstCapacity = 256;

uintptr_t key_of(const McBlockRecord& record) { return record.address; }
uintptr_t key_of(uintptr_t key) { return key; }

// Position of the first entry whose key is not below key.
template <typename T>
size_t lower_bound(const McSortedArray<T>& table, uintptr_t key) {
    size_t low = 0;
    size_t high = table.count;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (key_of(table.entries[middle]) < key) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

template <typename T>
bool found_at(const McSortedArray<T>& table, size_t at, uintptr_t key) {
    return at < table.count && key_of(table.entries[at]) == key;
}

}  // namespace

const char* mc_registry_error_text(int code) {
    if (code >= 0 && static_cast<size_t>(code) < kResultTexts.size()) return kResultTexts[static_cast<size_t>(code)];
    return "<unknown error>";
}

template <typename T>
int mc_table_reserve(McSortedArray<T>& table, size_t more) {
    if (table.capacity - table.count >= more) return kRegistryOk;
    size_t capacity = table.capacity == 0 ? kFirstCapacity : table.capacity;
    while (capacity - table.count < more) {
        if (capacity > SIZE_MAX / 2 / sizeof(T)) return kRegistryNoMemory;
        capacity *= 2;
    }
    void* grown = std::realloc(table.entries, capacity * sizeof(T));
    if (grown == nullptr) return kRegistryNoMemory;
    table.entries = static_cast<T*>(grown);
    table.capacity = capacity;
    return kRegistryOk;
}

template <typename T>
int mc_table_insert(McSortedArray<T>& table, const T& entry) {
    const uintptr_t key = key_of(entry);
    const size_t at = lower_bound(table, key);
    if (found_at(table, at, key)) return kRegistryKeyError;
    if (const int result = mc_table_reserve(table, 1); result != kRegistryOk) return result;
    std::memmove(table.entries + at + 1, table.entries + at, (table.count - at) * sizeof(T));
    table.entries[at] = entry;
    ++table.count;
    return kRegistryOk;
}

template <typename T>
int mc_table_delete(McSortedArray<T>& table, uintptr_t key) {
    const size_t at = lower_bound(table, key);
    if (!found_at(table, at, key)) return kRegistryKeyError;
    std::memmove(table.entries + at, table.entries + at + 1, (table.count - at - 1) * sizeof(T));
    --table.count;
    return kRegistryOk;
}

template <typename T>
bool mc_table_contains(const McSortedArray<T>& table, uintptr_t key) {
    return found_at(table, lower_bound(table, key), key);
}

template <typename T>
void mc_table_release(McSortedArray<T>& table) {
    std::free(table.entries);
    table = McSortedArray<T>{};
}

template int mc_table_reserve(McRegistry&, size_t);
template int mc_table_insert(McRegistry&, const McBlockRecord&);
template int mc_table_delete(McRegistry&, uintptr_t);
template bool mc_table_contains(const McRegistry&, uintptr_t);
template void mc_table_release(McRegistry&);
template int mc_table_reserve(McAddressSet&, size_t);
template int mc_table_insert(McAddressSet&, const uintptr_t&);
template int mc_table_delete(McAddressSet&, uintptr_t);
template bool mc_table_contains(const McAddressSet&, uintptr_t);
template void mc_table_release(McAddressSet&);

int mc_registry_find(const McRegistry& registry, uintptr_t key, McBlockRecord& out) {
    const size_t at = lower_bound(registry, key);
    if (!found_at(registry, at, key)) return kRegistryKeyError;
    out = registry.entries[at];
    return kRegistryOk;
}

int mc_registry_find_floor(const McRegistry& registry, uintptr_t address, McBlockRecord& out) {
    size_t at = lower_bound(registry, address);
    if (!found_at(registry, at, address)) {
        if (at == 0) return kRegistryEnd;
        --at;
    }
    out = registry.entries[at];
    return kRegistryOk;
}

int mc_registry_update(McRegistry& registry, const McBlockRecord& record) {
    const size_t at = lower_bound(registry, record.address);
    if (!found_at(registry, at, record.address)) return kRegistryKeyError;
    registry.entries[at] = record;
    return kRegistryOk;
}

int mc_registry_at(const McRegistry& registry, size_t index, McBlockRecord& out) {
    if (index >= registry.count) return kRegistryEnd;
    out = registry.entries[index];
    return kRegistryOk;
}

}  // namespace memcheck
