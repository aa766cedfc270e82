// The cue-memory file, memcues.dat: the 2000 cue memories (the looks that
// point cues carry) as item lists, on the engine of record_files.h.
//
// Layout: "VERSION 6.30" (any 12 characters are accepted at load), 2000 index
// entries of 12 bytes (cue memory n at 12 + (n - 1) * 12: offset, capacity,
// count), then the records: the tag "+-%04d-+" and `count` items of 5 bytes.
// Cue memories have no names. The compaction's new copy is "memcues.da".
#pragma once
#include <array>
#include <cstdint>

#include "datafiles/record_files.h"

namespace datafiles {

constexpr int kCueMemories = 2000;

// Place on file and item count of each cue memory 1..2000 (index 0 unused).
inline std::array<MemCueIndexEntry, kCueMemories + 1> memcue_index{};
// The item list of each cue memory, `count` items long; null = empty.
inline std::array<MemoryItem*, kCueMemories + 1> memcue_items{};
// 1 while a cue memory holds a list loaded from the file.
inline std::array<uint8_t, kCueMemories + 1> memcue_used{};
// The cue memories in use after the last load.
inline uint16_t memcue_used_count = 0;

// Empties the index in memory (offset -1, capacity 0, count 0) and forgets
// what the last load found.
void clear_memcue_index();
// Frees every item list and nulls its pointer.
void free_memcue_items();

// Reads the index and every record into the tables and counts the cue
// memories in use, as the memory file loads (memory_file.h); the running
// count stands beside the memories' one. A missing file leaves every cue
// memory empty. The file itself is not rewritten.
void load_memcue_file();

// True when the last load stopped early because memory ran out: cue
// memories are then left unloaded on file.
bool memcue_load_incomplete();

// Writes cue memory n's list (count items of memcue_items[n]) and its entry,
// in place when the record's place holds it, else appended; the cache of
// unpacked cue memories is dropped first. False, with "ERROR SAVING
// MEMCUES.DAT" on the message line and the error beep, when n is out of
// range or the file can't be written.
bool save_memcue_record(int16_t n);

// Rewrites the file with the live records only (memory_file.h's rule).
bool compact_memcue_file(bool replace);

// The compacted file as bytes for memcues.dat's path (memory_file_image's rule).
bool memcue_file_image(FileImage& image);

// As convert_memory_time_items for the cue memories (600 Hz beep,
// memcues.dat compacted).
void convert_memcue_time_items();

// Frees every cue memory's list and empties its entry and used flag, then
// creates memcues.dat empty: the version text and 2000 empty entries.
void init_memcue_file();

}  // namespace datafiles
