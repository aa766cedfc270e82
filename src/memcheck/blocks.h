// Guarded blocks and the allocation replacements.
//
// While checks apply, every allocated block is framed by guards of the
// pattern EA DF AF AE and entered in the registry. The caller's area starts
// 16 bytes into the block (an over-aligned new's: its alignment), so it
// keeps the C allocator's 16-byte alignment; the front guard lies directly
// before it, the back guard directly after.
#pragma once
#include <cstddef>
#include <cstdint>

#include "memcheck/memcheck.h"
#include "memcheck/registry.h"
#include "memcheck/run_state.h"

namespace memcheck {

constexpr size_t kGuardAlignBytes = 16;
constexpr size_t kClearLimitBytes = 32768;
constexpr size_t kMaxWholeBytes = SIZE_MAX - 0x20;

extern McRegistry mc_registry;
// Blocks the replacements handed out with the plain call while checking was
// wanted: the C heap's blocks that "Search Heap" knows.
extern McAddressSet mc_plain_blocks;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_blocks_globals();

enum class McBlockAnswer { invalid, registered, unknown_heap_block };

// Called after a block is entered (1) or removed (2), with the record in the
// caller's view; none is set in the console.
using McRegistryNotification = void (*)(int event, const McBlockRecord& record);
McRegistryNotification mc_set_registry_notification(McRegistryNotification notification);

// Bytes from the block's start to the caller's area, and the back guard.
size_t mc_front_bytes(const McBlockRecord& record);
size_t mc_back_guard_bytes(const McBlockRecord& record);
uintptr_t mc_caller_address(const McBlockRecord& record);
size_t mc_caller_size(const McBlockRecord& record);
bool mc_guarded_code(unsigned code);

// Creates the registry when there is none; blocks of an earlier run stay.
int mc_registry_open();
// alignment: the caller's area's, when above the C allocator's 16 bytes.
int mc_tree_insert(size_t whole_size, uintptr_t address, uint8_t code, size_t alignment = 0);
int mc_tree_delete(const McBlockRecord& record);
McBlockAnswer mc_find_block(McBlockRecord& out, uint8_t code, const void* pointer);
bool mc_find_containing(McBlockRecord& out, uintptr_t address);
// Checks both guards; reports damage once per block. True when damaged.
bool mc_check_guards(McBlockRecord& record, const char* argument_name);
// "%s %s %s, size=%lu, 0x%p, #%lu" of the block in the caller's view.
McText mc_block_description(const McBlockRecord& record);
// Guard check and leak report of every registered block, in address order.
void mc_end_of_run_walk();

void* mc_malloc(size_t size);
void* mc_calloc(size_t count, size_t size);
void* mc_realloc(void* block, size_t size);
void mc_free(void* block);
// mc_operator_new and mc_operator_delete: see memcheck.h.

}  // namespace memcheck
