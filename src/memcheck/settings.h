// Settings, start and end of checking.
//
// Checking is off unless the environment variable MEMCHECK is present. Its
// value "FAST" (any case) selects Fast Mode; any other value names a
// configuration file of 56 bytes: the magic, then an McSettings record.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "memcheck/run_state.h"

namespace memcheck {

enum McSettingFlag : uint32_t {
    kSetCheckingWanted = 0x1,
    kSetFastMode = 0x2,
    kSetStarted = 0x4,
    kSetFarNull = 0x8,
    kSetNearNull = 0x10,
    kSetStandardStack = 0x20,
    kSetAutoInit = 0x40,
    kSetClearOnFree = 0x80,
    kSetDiskRegistry = 0x100,
    kSetRegistryMode = 0x200,
    kSetNotedCallsOnly = 0x400,
    kSetStackWatch = 0x800,
    kSetLogWrites = 0x1000,
    kSetLogCommit = 0x2000,
    kSetCarried = 0x4000,
    kSetAdvancedValidation = 0x8000,
    kSetExceptionHandling = 0x10000,
};

constexpr uint32_t kDefaultSettingFlags = 0x0001BA78;
constexpr uint32_t kConfigMagic = 0x10F23BC4;
constexpr size_t kSettingsBytes = 52;
constexpr size_t kConfigFileBytes = 4 + kSettingsBytes;
constexpr uint8_t kMaxGuardBytes = 16;
constexpr uint16_t kMinStackReserveBytes = 80;
constexpr uint8_t kClearFillByte = 0xFD;
constexpr unsigned kMaxStartupAttempts = 20;

struct McSettings {
    uint32_t flags = kDefaultSettingFlags;
    uint16_t registry_size_hint = 1000;
    uint16_t near_null_extent = 16;
    uint16_t far_null_extent = 16;
    uint8_t guard_bytes = 4;
    uint8_t second_guard_bytes = 4;
    std::array<char, 36> registry_dir{};
    uint16_t stack_reserve_bytes = 512;
    uint16_t stack_sample_interval = 10;
};

struct McCounters {
    unsigned long allocations = 0;  // every checked allocation; the serial of the block made
    unsigned long bytes_allocated = 0;
    unsigned long bytes_freed = 0;
    unsigned long bytes_in_use = 0;
    unsigned long max_bytes_in_use = 0;
    unsigned long registry_inserts = 0;
    unsigned long registry_deletes = 0;
    unsigned long entries = 0;
    unsigned long leaked_bytes = 0;
};

// The two stack words, the bounds of the thread that started checking
// (pthread_getattr_np), which the stack checks of the copies and the stack
// watch use (cleared when Standard Stack is off; AutoInit keeps them), and
// the same bounds again for every walk of the stack.
struct McStack {
    uintptr_t top = 0;
    uintptr_t limit = 0;
    uintptr_t thread_top = 0;
    uintptr_t thread_limit = 0;
};

extern McSettings mc_settings;
extern McCounters mc_counters;
extern McStack mc_stack;

// Reads the 52-byte settings body, little-endian; false when too short. The
// guard size is held to 0..16, the size of the guard pattern.
bool mc_parse_settings(std::span<const uint8_t> body, McSettings& out);
// "Search Heap" and "Permit Code Writes" follow Advanced Pointer Validation.
bool mc_search_heap();
bool mc_permit_code_writes();
// True once the environment enabled checking at start-up; it stays so
// after the end of a run, so that the blocks of the run still go back whole.
bool mc_checking_wanted();

// Runs the start-up once per process from the first checked call: the
// start-up table entry of this system.
void mc_startup_table_entry();
// Set once the start-up table entry has done its work.
extern bool mc_startup_table_ran;
// True once the start-up has run and the environment left checking off: the
// operators new and delete then go straight to the C heap.
inline bool mc_passing_through() {
    return mc_startup_table_ran && (mc_settings.flags & kSetCheckingWanted) == 0;
}

void mc_auto_init();
void mc_startcheck(McDisplayHook display_hook, unsigned line, const char* file);
uint32_t mc_endcheck();
void mc_at_exit();
void mc_set_location(unsigned line, const char* file);
void mc_debug(const char* text);
void mc_debugf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int mc_nullcheck();

// Set while a library hook of the checker runs (the exception report).
extern bool mc_library_hook_running;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_settings_globals();

}  // namespace memcheck
