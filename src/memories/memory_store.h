// Storing the programmer into memories 1..4000 and recalling it: packing
// into a memory's item list (values, generators, figures, then times whose
// set flag is exactly 1), the replace question, the quick-store search,
// store-next, and recall with preset references resolved for the setters
// only (the programmer keeps the references), NEXT and LAST.
#pragma once
#include <cstddef>
#include <cstdint>

#include "datafiles/record_files.h"
#include "memories/presets.h"

namespace memories {

// Show settings "AUTOMATIC PLAYBACK-MEMORIES" / "AUTOMATIC SEQUENCE-MEMORIES
// FROM" (the setup data's, 6 and 7 unless changed): a quick store searches
// from memory 500 x block - 499.
uint8_t quick_store_block_playbacks();
uint8_t quick_store_block_sequences();
// Show setting "AUTOMATIC MEMORYNAME": 1 asks for the name of an unnamed
// memory after a store.
uint8_t ask_memory_name();

// Memory m := the set entries of the five arrays (1-based, programmer shaped),
// saved, and its playbacks reloaded. The new list is built whole before the
// memory changes: when memory runs out, "NOT ENOUGH MEMORY" and the memory,
// its used flag, its count and its file entry stay as they were (false).
bool pack_memory(int16_t memory, const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                 const uint16_t* times, const uint8_t* time_set);

// Packs the programmer into m after the replace question when m is used;
// false for m outside 1..4000 or when the operator answers ESC. A memory left
// free loses its name.
bool store_memory_confirmed(int16_t memory);
// "REPLACE MEMORY:ENTER=Y ESC=N": true for ENTER.
bool confirm_replace_memory();

// The first free memory from 500 x block - 499 up to 4000, then from 1
// upward; 0 when every memory is used. A block outside 1..8 counts as 1.
int16_t find_quick_store_memory(uint8_t block);

// The items of the five arrays in their packing order, written to list when
// it is not null; their number. Shared with the cue memories' pack buffer.
size_t gather_memory_items(datafiles::MemoryItem* list, const uint16_t* values, const uint8_t* generators,
                           const uint8_t* figures, const uint16_t* times, const uint8_t* time_set);
// The programmer := the unpack work buffers (ui::memory_work_buffers; an
// absent buffer gives all not set, times at ui::default_times).
void take_work_buffers_into_programmer();
// The programmer's set values, generator and figure bytes through the
// setters, preset references resolved for the setters only; under live edit
// the values of selected fixtures are marked manual.
void send_programmer_to_stage();

// A programmer value as a recall sends it: up to 1000 itself, 1001..1210 the
// value preset's entry for the record (not set when the preset is absent).
// Generator and figure bytes resolve through resolve_generator_reference and
// resolve_figure_reference (presets.h).
uint16_t resolve_recalled_value(size_t record, uint16_t v);
// Live edit on stage (not blind) and the fixture selected: the flag word
// takes the manual-value bit, so the recalled value is held by hand.
void mark_live_edit(uint16_t& flags, int fixture);

// After a recall replaced the programmer: the faders and the value table
// show it, unless the default values are on screen.
void show_recalled_programmer();

// current_memory := m, with the list's page and highlight.
void make_current_memory(int16_t memory);

}  // namespace memories
