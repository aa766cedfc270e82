#include "memcheck/blocks.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "memcheck/copy_checks.h"
#include "memcheck/settings.h"

namespace memcheck {

McRegistry mc_registry;
McAddressSet mc_plain_blocks;

namespace {

constexpr std::array<uint8_t, kMaxGuardBytes> kGuardPattern = {
    0xEA, 0xDF, 0xAF, 0xAE, 0xEA, 0xDF, 0xAF, 0xAE,
    0xEA, 0xDF, 0xAF, 0xAE, 0xEA, 0xDF, 0xAF, 0xAE,
};

enum McNotification : int { kNotifyInserted = 1, kNotifyDeleted = 2 };

McRegistryNotification registry_notification = nullptr;
bool registry_open = false;

// The caller's area starts this far into a block: far enough for the front
// guard and at the caller's alignment (the C allocator's 16 bytes, or more
// for an over-aligned new).
size_t front_for(size_t guard_bytes, size_t alignment) {
    if (guard_bytes == 0) return 0;
    return alignment > kGuardAlignBytes ? alignment : kGuardAlignBytes;
}

// A block from the C heap at an alignment above malloc's; null when none.
void* aligned_block(size_t bytes, size_t alignment) {
    void* block = nullptr;
    return posix_memalign(&block, alignment, bytes) == 0 ? block : nullptr;
}

void* c_allocate(size_t bytes, size_t alignment, bool zero_fill) {
    if (alignment <= kGuardAlignBytes) return zero_fill ? std::calloc(1, bytes) : std::malloc(bytes);
    void* block = aligned_block(bytes, alignment);
    if (block != nullptr && zero_fill) std::memset(block, 0, bytes);
    return block;
}

// The guard size of new blocks, never more than the pattern holds.
uint8_t guard_size() { return std::min(mc_settings.guard_bytes, kMaxGuardBytes); }

uint8_t* block_bytes(const McBlockRecord& record) { return reinterpret_cast<uint8_t*>(record.address); }

void notify(int event, const McBlockRecord& record) {
    if (registry_notification == nullptr) return;
    McBlockRecord view = record;
    view.flags |= kRecordCallerView;
    registry_notification(event, view);
}

void write_guards(const McBlockRecord& record) {
    const size_t g = mc_back_guard_bytes(record);
    if (g == 0) return;
    uint8_t* base = block_bytes(record);
    const size_t front = mc_front_bytes(record);
    std::memcpy(base + front - g, kGuardPattern.data(), g);
    std::memcpy(base + front + mc_caller_size(record), kGuardPattern.data(), g);
}

void report_guard_damage(const McBlockRecord& record, const char* argument_name, const char* damage) {
    mc_state.trace_hold = 2;
    mc_report_message("%s: %s %s before call...", mc_call_context().c_str(), argument_name, damage);
    mc_report_message("  %s is %s", argument_name, mc_block_description(record).c_str());
}

void report_out_of_memory(size_t size) {
    mc_set_error(kErrOutOfMemory);
    mc_report_message("%s, size=%lu, #%lu: out of memory", mc_call_context().c_str(),
                      static_cast<unsigned long>(size), mc_counters.allocations);
}

// The record whose caller area starts at pointer; no report.
bool registered_block(const void* pointer, McBlockRecord& out) {
    const auto address = reinterpret_cast<uintptr_t>(pointer);
    if (mc_registry_find_floor(mc_registry, address, out) != kRegistryOk) return false;
    return mc_caller_address(out) == address;
}

void remember_plain(const void* block) {
    if (block != nullptr && mc_checking_wanted()) {
        mc_table_insert(mc_plain_blocks, reinterpret_cast<uintptr_t>(block));
    }
}

void forget_plain(uintptr_t block) {
    if (block != 0) mc_table_delete(mc_plain_blocks, block);
}

const char* release_name(uint8_t code) {
    switch (code) {
        case kCodeRegister: return mc_function_name(kCodeUnregister);
        case kCodeFopen:
        case kCodeFsopen: return "fclose";
        case kCodeNew: return "delete";
        case kCodeGlobalAlloc:
        case kCodeGlobalReAlloc: return "GlobalFree";
        case kCodeGlobalDosAlloc: return "GlobalDosFree";
        default: return "free";
    }
}

bool counts_as_leaked_bytes(const char* release) {
    return std::strcmp(release, "free") == 0 || std::strcmp(release, "delete") == 0 ||
           std::strcmp(release, "GlobalFree") == 0 || std::strcmp(release, "GlobalDosFree") == 0;
}

void* allocate_checked(size_t size, uint8_t code, bool zero_fill, size_t alignment = 0) {
    ++mc_counters.allocations;
    if (size == 0) return nullptr;
    const size_t g = guard_size();
    const size_t front = front_for(g, alignment);
    if (size > kMaxWholeBytes - front - g || mc_table_reserve(mc_registry, 1) != kRegistryOk) {
        report_out_of_memory(size);
        return nullptr;
    }
    const size_t whole = front + size + g;
    void* base = c_allocate(whole, alignment, zero_fill);
    if (base == nullptr) {
        report_out_of_memory(size);
        return nullptr;
    }
    if (mc_tree_insert(whole, reinterpret_cast<uintptr_t>(base), code, alignment) != kRegistryOk) {
        std::free(base);
        report_out_of_memory(size);
        return nullptr;
    }
    return static_cast<uint8_t*>(base) + front;
}

// The C heap's block for an object, as the plain operator new would make
// it (never through ::operator new, which may be the checker's own).
void* plain_object(size_t bytes, size_t alignment) { return c_allocate(bytes, alignment, false); }

void* allocate_plain(size_t size, size_t alignment) {
    void* block = c_allocate(size, alignment, false);
    remember_plain(block);
    return block;
}

void release_plain(void* block) {
    if (block == nullptr) return;
    forget_plain(reinterpret_cast<uintptr_t>(block));
    std::free(block);
}

void release_registered(const McBlockRecord& record) {
    mc_tree_delete(record);
    std::free(block_bytes(record));
}

// Moves a registered block to a new caller size; null when it cannot, the
// old block then stays as it was.
void* reallocate_registered(const McBlockRecord& record, size_t size) {
    const size_t g = guard_size();
    const size_t front = front_for(g, 0);
    if (front != mc_front_bytes(record) || size > kMaxWholeBytes - front - g) return nullptr;
    const size_t whole = front + size + g;
    void* moved = std::realloc(block_bytes(record), whole);
    if (moved == nullptr) return nullptr;
    mc_state.run_flags |= kRunReallocInProgress;
    mc_tree_delete(record);
    // The delete left a free entry, so the insert cannot run out of room.
    mc_tree_insert(whole, reinterpret_cast<uintptr_t>(moved), kCodeRealloc);
    mc_state.run_flags &= ~kRunReallocInProgress;
    return static_cast<uint8_t*>(moved) + front;
}

// The old address is kept only as a number, the key the block was known by;
// the optimiser's use-after-free warning cannot tell that from a use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
void* reallocate_plain(void* block, size_t size) {
    McBlockRecord record;
    if (registered_block(block, record)) return reallocate_registered(record, size);
    const auto old_key = reinterpret_cast<uintptr_t>(block);
    void* moved = std::realloc(block, size);
    if (moved != nullptr || size == 0) forget_plain(old_key);
    remember_plain(moved);
    return moved;
}
#pragma GCC diagnostic pop

void* reallocate_checked(void* block, size_t size) {
    ++mc_counters.allocations;
    McBlockRecord record;
    switch (mc_find_block(record, kCodeRealloc, block)) {
        case McBlockAnswer::invalid: return nullptr;
        case McBlockAnswer::unknown_heap_block: return reallocate_plain(block, size);
        case McBlockAnswer::registered: break;
    }
    void* moved = reallocate_registered(record, size);
    if (moved == nullptr) report_out_of_memory(size);
    return moved;
}

// free and delete alike: a block the checker knows neither as registered
// nor as the C heap's (a second free or delete of it, or a pointer that
// never came from the heap) is reported and nothing is freed.
void free_checked(void* block, uint8_t code) {
    if (block == nullptr) return;
    McBlockRecord record;
    switch (mc_find_block(record, code, block)) {
        case McBlockAnswer::invalid: return;
        case McBlockAnswer::unknown_heap_block: release_plain(block); return;
        case McBlockAnswer::registered: release_registered(record); return;
    }
}

void free_plain(void* block) {
    McBlockRecord record;
    if (block != nullptr && registered_block(block, record)) {
        // A guarded block always goes back whole, also when checks no longer apply.
        release_registered(record);
        return;
    }
    release_plain(block);
}

// The malloc replacement at an alignment (0: malloc's own); code 36 inside new.
void* allocate_at(size_t size, size_t alignment) {
    const bool as_new = (mc_state.run_flags & kRunInsideNew) != 0;
    const uint8_t code = as_new ? kCodeNew : kCodeMalloc;
    mc_enter(code);
    void* result = mc_checks_apply() ? allocate_checked(size, code, false, alignment) : allocate_plain(size, alignment);
    mc_leave();
    return result;
}

// The free replacement; code 28 inside delete.
void release(void* block) {
    const uint8_t code = (mc_state.run_flags & kRunInsideDelete) != 0 ? kCodeDelete : kCodeFree;
    mc_enter(code);
    if (mc_checks_apply()) {
        free_checked(block, code);
    } else {
        free_plain(block);
    }
    mc_leave();
}

// Runs a replacement with a run mark (inside new, inside delete) set; the
// mark is cleared by the outermost leave, and put back as it was when the
// call was nested in another replacement.
template <typename Call>
auto with_mark(uint32_t mark, Call call) {
    const bool had = (mc_state.run_flags & mark) != 0;
    mc_state.run_flags |= mark;
    auto result = call();
    if (!had) mc_state.run_flags &= ~mark;
    return result;
}

}  // namespace

void reset_blocks_globals() {
    // The guarded blocks still outstanding go back, then the registry's own storage.
    McBlockRecord record;
    for (size_t i = 0; mc_registry_at(mc_registry, i, record) == kRegistryOk; ++i) {
        if ((record.flags & kRecordUnguarded) == 0) std::free(block_bytes(record));
    }
    mc_table_release(mc_registry);
    mc_table_release(mc_plain_blocks);
    registry_notification = nullptr;
    registry_open = false;
}

McRegistryNotification mc_set_registry_notification(McRegistryNotification notification) {
    const McRegistryNotification old = registry_notification;
    registry_notification = notification;
    return old;
}

bool mc_guarded_code(unsigned code) {
    return code != kCodeRegister && code != kCodeUnregister && !(code >= kCodeFopen && code <= kCodeGlobalDosFree);
}

size_t mc_front_bytes(const McBlockRecord& record) {
    if ((record.flags & kRecordUnguarded) != 0) return 0;
    return record.front_bytes;
}

size_t mc_back_guard_bytes(const McBlockRecord& record) {
    if ((record.flags & kRecordUnguarded) != 0) return 0;
    return record.guard_bytes;
}

uintptr_t mc_caller_address(const McBlockRecord& record) { return record.address + mc_front_bytes(record); }

size_t mc_caller_size(const McBlockRecord& record) {
    const size_t frame = mc_front_bytes(record) + mc_back_guard_bytes(record);
    return record.size > frame ? record.size - frame : 0;
}

int mc_registry_open() {
    if (registry_open) return kRegistryOk;
    const int result = mc_table_reserve(mc_registry, 1);
    if (result == kRegistryOk) registry_open = true;
    return result;
}

int mc_tree_insert(size_t whole_size, uintptr_t address, uint8_t code, size_t alignment) {
    McBlockRecord record;
    record.address = address;
    record.function_code = code;
    record.serial = mc_counters.allocations;
    record.size = whole_size;
    record.file = mc_base_name(mc_state.noted_file);
    record.line = mc_state.noted_line;
    if (mc_state.pending_notes > 0) record.flags |= kRecordNoted;
    if (mc_guarded_code(code)) {
        record.guard_bytes = guard_size();
        record.front_bytes = front_for(record.guard_bytes, alignment);
    } else {
        record.flags |= kRecordUnguarded;
    }
    const int result = mc_table_insert(mc_registry, record);
    if (result == kRegistryOk) {
        ++mc_counters.registry_inserts;
        if ((record.flags & kRecordUnguarded) == 0) {
            write_guards(record);
            const size_t caller_size = mc_caller_size(record);
            mc_counters.bytes_allocated += caller_size;
            mc_counters.bytes_in_use += caller_size;
            mc_counters.max_bytes_in_use = std::max(mc_counters.max_bytes_in_use, mc_counters.bytes_in_use);
        }
        notify(kNotifyInserted, record);
    } else if (result != kRegistryNoMemory) {
        mc_set_error(kErrInternal);
        mc_report_message("%s: internal msg \"%s\" (err=%d)", mc_call_context().c_str(), "tree insert failed!",
                          result);
    }
    return result;
}

int mc_tree_delete(const McBlockRecord& record) {
    if (record.function_code != kCodeRegister && record.function_code != kCodeFopen) {
        const size_t caller_size = mc_caller_size(record);
        mc_counters.bytes_freed += caller_size;
        mc_counters.bytes_in_use -= std::min<unsigned long>(caller_size, mc_counters.bytes_in_use);
        if ((mc_settings.flags & kSetClearOnFree) != 0 && (mc_state.run_flags & kRunReallocInProgress) == 0) {
            std::memset(block_bytes(record), kClearFillByte, std::min(record.size, kClearLimitBytes));
        }
    }
    const int result = mc_table_delete(mc_registry, record.address);
    if (result == kRegistryOk) {
        ++mc_counters.registry_deletes;
        notify(kNotifyDeleted, record);
    } else {
        mc_set_error(kErrInternal);
        mc_report_message("%s: internal msg \"%s\" (err=%d)", mc_call_context().c_str(), "tree delete failed!",
                          result);
    }
    return result;
}

McBlockAnswer mc_find_block(McBlockRecord& out, uint8_t code, const void* pointer) {
    (void)code;  // every code of this system finds its block by the caller's address
    if (mc_check_null("argument", pointer)) return McBlockAnswer::invalid;
    if (registered_block(pointer, out)) {
        mc_check_guards(out, "destination");
        return McBlockAnswer::registered;
    }
    if (mc_search_heap() && mc_table_contains(mc_plain_blocks, reinterpret_cast<uintptr_t>(pointer))) {
        return McBlockAnswer::unknown_heap_block;
    }
    mc_set_error(kErrInvalidPointer);
    mc_report_message("%s: invalid pointer 0x%08lX", mc_call_context().c_str(), mc_pointer_value(pointer));
    return McBlockAnswer::invalid;
}

bool mc_find_containing(McBlockRecord& out, uintptr_t address) {
    if (mc_registry_find_floor(mc_registry, address, out) != kRegistryOk) return false;
    return address - out.address < out.size;
}

bool mc_check_guards(McBlockRecord& record, const char* argument_name) {
    const size_t g = mc_back_guard_bytes(record);
    if (g == 0) return false;
    const uint8_t* base = block_bytes(record);
    const size_t front = mc_front_bytes(record);
    bool damaged = false;
    if (std::memcmp(base + front - g, kGuardPattern.data(), g) != 0) {
        mc_set_error(kErrUnderwritten);
        report_guard_damage(record, argument_name, "underwritten");
        damaged = true;
    }
    if (std::memcmp(base + front + mc_caller_size(record), kGuardPattern.data(), g) != 0) {
        mc_set_error(kErrOverwritten);
        report_guard_damage(record, argument_name, "overwritten");
        damaged = true;
    }
    if (damaged) {
        record.flags |= kRecordDamageReported;
        mc_registry_update(mc_registry, record);
    }
    return damaged;
}

McText mc_block_description(const McBlockRecord& record) {
    const McText location = mc_location_text(record.file, record.line);
    McText text;
    std::snprintf(text.chars.data(), text.chars.size(), "%.*s %s %.*s, size=%lu, 0x%08lX, #%lu",
                  static_cast<int>(kFunctionNameChars), mc_function_name(record.function_code),
                  (record.flags & kRecordNoted) != 0 ? "at" : "after", kLocationChars, location.c_str(),
                  static_cast<unsigned long>(mc_caller_size(record)),
                  static_cast<unsigned long>(mc_caller_address(record)), record.serial);
    return text;
}

void mc_end_of_run_walk() {
    bool first_leak = true;
    McBlockRecord record;
    for (size_t i = 0; mc_registry_at(mc_registry, i, record) == kRegistryOk; ++i) {
        mc_check_guards(record, "buffer");
        const char* release = release_name(record.function_code);
        mc_set_error(kErrLeak);
        mc_report_message("No %s for %s", release, mc_block_description(record).c_str());
        if (first_leak && (record.flags & kRecordNoted) == 0) {
            mc_state.trace_hold = 3;
            mc_report_message("  >>> Tip: bracket the suspect code to track down leaking");
            mc_report_message("  >>> buffers reported 'after' a file & line location.  See the");
            mc_report_message("  >>> troubleshooting notes in the README for details.");
        }
        first_leak = false;
        if (counts_as_leaked_bytes(release)) mc_counters.leaked_bytes += mc_caller_size(record);
    }
}

void* mc_malloc(size_t size) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::malloc(size);
    return allocate_at(size, 0);
}

void* mc_calloc(size_t count, size_t size) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::calloc(count, size);
    const uint8_t code = (mc_state.run_flags & kRunInsideNew) != 0 ? kCodeNew : kCodeCalloc;
    mc_enter(code);
    void* result = nullptr;
    if (!mc_checks_apply()) {
        result = std::calloc(count, size);
        remember_plain(result);
    } else if (size != 0 && count > SIZE_MAX / size) {
        ++mc_counters.allocations;
        report_out_of_memory(SIZE_MAX);
    } else {
        result = allocate_checked(count * size, code, true);
    }
    mc_leave();
    return result;
}

void* mc_realloc(void* block, size_t size) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::realloc(block, size);
    if (block == nullptr) return mc_malloc(size);
    mc_enter(kCodeRealloc);
    void* result = mc_checks_apply() ? reallocate_checked(block, size) : reallocate_plain(block, size);
    mc_leave();
    return result;
}

void mc_free(void* block) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) {
        std::free(block);
        return;
    }
    release(block);
}

void* mc_operator_new(size_t size, size_t alignment) {
    mc_startup_table_entry();
    const size_t bytes = size == 0 ? 1 : size;
    for (;;) {
        void* object = nullptr;
        if (mc_checking_wanted()) {
            const McEntryLock lock;
            object = with_mark(kRunInsideNew, [&] { return allocate_at(bytes, alignment); });
        } else {
            object = plain_object(bytes, alignment);
        }
        if (object != nullptr) return object;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) return nullptr;
        handler();
    }
}

void mc_operator_delete(void* object) noexcept {
    mc_startup_table_entry();
    if (object == nullptr) return;
    if (!mc_checking_wanted()) {
        std::free(object);
        return;
    }
    const McEntryLock lock;
    with_mark(kRunInsideDelete, [&] {
        release(object);
        return 0;
    });
}

}  // namespace memcheck
