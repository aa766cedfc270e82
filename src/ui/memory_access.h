// Memory and cue-memory access: memories (1..4000) and cue memories
// (1..2000) are sparse lists of 5-byte items; this module turns them into
// programmer-shaped work arrays, answers single-value look-ups (through a
// cache of unpacked cue memories for the cue traces), checks and repairs the
// memories at start-up, writes a memory back from arrays, and watches the
// free memory for the status line.
//
// Item kinds: 0 a channel value (index = function record); 10..60 generator
// parameter kind / 10 (so kind 15 is parameter 1); 100..190 figure parameter
// kind / 10 - 9 (index = fixture 1..700); 201..215 time slot kind - 200. Any
// other kind is never placed.
//
// Array layouts, all 1-based with element 0 unused, as the programmer's:
// values[r]; generators[(r - 1) * 6 + p]; figures[(f - 1) * 10 + p];
// times[(r - 1) * 15 + s] and time_flags likewise. Time slot s holds time
// kind (s - 1) % 5 + 1 (DELAY IN, FADE IN, DELAY OUT, FADE OUT, HOLD).
#pragma once
#include <array>
#include <cstdint>

#include "datafiles/record_files.h"
#include "memcheck/heap_use.h"
#include "runtime/show_tables.h"

namespace ui {

constexpr int kCueImageSlots = 100;
constexpr int kCueMemoryCount = 2000;
constexpr int kMemoryCount = 4000;
constexpr int kTimeKinds = 5;

// Item kinds.
constexpr uint8_t ITEM_VALUE = 0;
constexpr uint8_t ITEM_FIRST_GENERATOR = 10, ITEM_LAST_GENERATOR = 60;
constexpr uint8_t ITEM_FIRST_FIGURE = 100, ITEM_LAST_FIGURE = 190;
constexpr uint8_t ITEM_FIRST_TIME = 201, ITEM_LAST_TIME = 215;

// The element counts of the arrays, sized for the most records and fixtures
// the console has; an unpack fills them up to runtime::function_record_capacity.
constexpr size_t kWorkValues = runtime::kShowRecords + 1;
constexpr size_t kWorkGenerators = runtime::kShowGeneratorBytes + 1;
constexpr size_t kWorkFigures = runtime::kShowFigureBytes + 1;
constexpr size_t kWorkTimes = runtime::kShowTimeSlots + 1;

// Five arrays, allocated on first use and then kept; a null array could not
// be had and reads as all not set.
struct MemoryWorkBuffers {
    uint16_t* values = nullptr;
    uint8_t* generators = nullptr;
    uint8_t* figures = nullptr;
    uint16_t* times = nullptr;
    uint8_t* time_flags = nullptr;
};
extern MemoryWorkBuffers memory_work_buffers;

// The five default times (1..5) the last unpack used.
extern std::array<uint16_t, kTimeKinds + 1> default_times;

// One unpacked cue memory of the trace cache.
struct CueMemoryImage {
    int16_t cue_memory = 0;
    uint32_t last_use_ms = 0;
    std::array<uint16_t, kWorkValues> values;
    std::array<uint8_t, kWorkGenerators> generators;
    std::array<uint8_t, kWorkFigures> figures;
    std::array<uint16_t, kWorkTimes> times;
    std::array<uint8_t, kWorkTimes> time_flags;
};
// Slots 1..100, each null or owning an image; an image is reused for other
// cue memories and freed only by free_cue_buffers.
extern std::array<CueMemoryImage*, kCueImageSlots + 1> cue_image_slots;
// The slot holding each cue memory's image (1..2000), 0 none.
extern std::array<uint8_t, kCueMemoryCount + 1> cue_image_slot_of;

// The free-memory state last shown: level 0 normal, 1 low, 2 critical; percent free.
extern uint8_t status_level;
extern int16_t status_percent;

// Tones and messages.
constexpr int32_t kNullPointerBeepHz = 800;
constexpr uint32_t kNullPointerBeep_ms = 3000;
constexpr int32_t kSkippedItemBeepHz = 150;
constexpr uint32_t kSkippedItemBeep_ms = 500;
constexpr int32_t kNotEnoughMemoryBeepHz = 400;
constexpr uint32_t kNotEnoughMemoryBeep_ms = 2000;
// A trace result: the trace was given up for want of memory.
constexpr int16_t kTraceAbandoned = -100;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_memory_access_globals();

// True when an item may be placed: kinds 0, 10..60 (value 0..256 as signed)
// and 201..215 need an index 1..2048, kinds 100..190 a fixture 1..700; any
// other kind passes (it is never placed).
bool is_valid_item(uint8_t kind, uint16_t index, uint16_t value);

// Work buffers = memory m (1..4000), over the show default times.
void unpack_memory(int16_t memory);
// Work buffers = the programmer packed into items (memories::pack_buffer),
// over the times of the point cue open in the editor.
void unpack_base_memory();
// Work buffers = cue memory cm (1..2000), over the times of cue slot's point
// cue (-1: the show defaults); a fade-in override (not 0) replaces every
// FADE IN. Invalid items are skipped with one low beep.
void unpack_cue_memory(int16_t cue_memory, int16_t cue_slot, int16_t fade_in);
// One item of memory m (the first that matches), else its not-set default.
uint16_t get_memory_channel_value(int16_t memory, int16_t index, uint16_t kind);
// One item of cue memory cm through the image cache; kTraceAbandoned when
// memory ran out and abandon is 1.
int16_t trace_cue_values(int16_t cue_memory, int16_t index, int16_t kind, int16_t cue_slot, uint8_t abandon);
// One value of what the programmer was last loaded from (memory or cue memory).
uint16_t get_cue_channel_value(int16_t index, uint16_t kind);
// Empties the image cache.
void free_cue_buffers();
// Start-up check of memory m; a memory holding invalid items is repaired.
void check_memory_record(int16_t memory);
// Drops memory m's invalid items through the programmer and stores it.
void repair_memory_record(int16_t memory);
// The set entries of the five arrays as one item list, in the stored order
// (values, generator bytes, figure bytes, set time slots), over records
// 1..records and fixtures 1..fixtures: a new list from the show-table
// allocator of `count` items, null when there are none, or out_of_memory.
struct PackResult {
    datafiles::MemoryItem* items = nullptr;
    size_t count = 0;
    bool out_of_memory = false;
};
PackResult pack_work_arrays(const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                            const uint16_t* times, const uint8_t* time_flags, int records, int fixtures);
// Memory m := the set entries of the five arrays, stored to disk. The memory
// changes only once its new list is complete.
void repack_memory(int16_t memory, const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                   const uint16_t* times, const uint8_t* time_flags);
// Refreshes status_level / status_percent and redraws the status line's
// field when either changed (background poll).
void check_memory_status();
// The memory status of the host's figures (bytes allocated and still
// available) and the program's own heap: the level (0 normal, 1 low, 2
// critical) and the free percentage of the whole.
struct MemoryStatus {
    uint8_t level = 0;
    int16_t percent = 0;
};
MemoryStatus memory_status_of(uint32_t host_allocated, uint32_t host_available, const memcheck::HeapUse& heap);

}  // namespace ui
