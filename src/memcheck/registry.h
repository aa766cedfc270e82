// The block registry: every guarded block keyed by its address, in address
// order, with exact and floor look-up.
//
// Held in memory as one sorted array that grows by doubling. Its storage is
// taken from the C allocator directly, never through the checked calls. A
// failed growth leaves the registry as it was and answers "Memory allocation
// failure".
#pragma once
#include <cstddef>
#include <cstdint>

namespace memcheck {

enum McRegistryResult : int {
    kRegistryOk = 0,
    kRegistryKeyError = 1,
    kRegistryEnd = 2,
    kRegistryNoMemory = 3,
    kRegistryCapacity = 4,
    kRegistryNodeError = 5,
    kRegistryPageError = 6,
    kRegistryFileOpenFailure = 7,
    kRegistryFileSeek = 8,
    kRegistryFileIo = 9,
};
const char* mc_registry_error_text(int code);

enum McRecordFlag : uint8_t {
    kRecordNoted = 0x1,           // allocated while a location note was pending
    kRecordCallerView = 0x2,      // address and size shown as the caller sees them
    kRecordUnguarded = 0x4,
    kRecordDamageReported = 0x8,
};

struct McBlockRecord {
    uintptr_t address = 0;        // start of the block as the C allocator returned it: the key
    uint8_t function_code = 0;    // the allocating call
    uint8_t flags = 0;
    uint8_t guard_bytes = 0;      // guard size the block was made with
    size_t front_bytes = 0;       // from the block's start to the caller's area
    unsigned long serial = 0;
    size_t size = 0;              // whole size, padding and both guards included
    const char* file = nullptr;   // noted file name without directory
    uint32_t line = 0;
};

// A sorted array of entries with a key; T is McBlockRecord or uintptr_t.
template <typename T>
struct McSortedArray {
    T* entries = nullptr;
    size_t count = 0;
    size_t capacity = 0;
};

using McRegistry = McSortedArray<McBlockRecord>;
using McAddressSet = McSortedArray<uintptr_t>;

// Makes room for `more` further entries; kRegistryNoMemory when it cannot.
template <typename T> int mc_table_reserve(McSortedArray<T>& table, size_t more);
template <typename T> int mc_table_insert(McSortedArray<T>& table, const T& entry);
template <typename T> int mc_table_delete(McSortedArray<T>& table, uintptr_t key);
template <typename T> bool mc_table_contains(const McSortedArray<T>& table, uintptr_t key);
template <typename T> void mc_table_release(McSortedArray<T>& table);

int mc_registry_find(const McRegistry& registry, uintptr_t key, McBlockRecord& out);
// The entry with the greatest key not above the address.
int mc_registry_find_floor(const McRegistry& registry, uintptr_t address, McBlockRecord& out);
// Stores a changed record back under its key.
int mc_registry_update(McRegistry& registry, const McBlockRecord& record);
// The entry at a position in address order (for walks); kRegistryEnd past the last.
int mc_registry_at(const McRegistry& registry, size_t index, McBlockRecord& out);

}  // namespace memcheck
