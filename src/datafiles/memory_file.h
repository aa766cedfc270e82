// The memory file, mem.dat: the 4000 memories of the show as item lists.
//
// Layout: "VERSION 6.30" (12 characters, no terminator), 4000 index entries
// of 33 bytes (memory m at 12 + (m - 1) * 33), then the records in the order
// they were appended: the tag "+-%04d-+" and `count` items of 5 bytes. A
// record is reached only through its entry; a record no entry points at is
// dead space until the file is compacted. The compaction's new copy is
// "mem.da".
//
// The tables are memories::memory_index, memories::memory_items and
// memories::memory_used. The file is one of the item-list files of
// record_files.h; this module says how its tables take and give the lists.
#pragma once
#include <cstdint>

#include "datafiles/whole_files.h"

namespace datafiles {

// Empties the index in memory (no name, offset -1, capacity 0, count 0) and
// forgets what the last load found.
void clear_memory_index();
// Empties the index in memory and creates mem.dat empty: the version text
// and 4000 empty entries.
void init_memory_file();
// Frees every item list and nulls its pointer.
void free_memory_items();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_memory_file_globals();

// Reads the index and every record into the tables, with a running count on
// the screen. A record whose tag is wrong, or that is cut short or lies
// inside the index, costs its memory with the error beep (the first few
// only, then one message names the file and the count); one that can't be
// reached costs it silently. Places unfit for reuse are dropped. When memory
// runs out the loading stops there with "%d MEMORY FULL !!!". A missing file
// leaves every memory empty. The file itself is not rewritten.
void load_memory_file();

// Writes memory m's item list (count items of memory_items[m]) and its entry:
// in place when the record's place holds the list, else appended at the end.
// False when m is out of range or the file can't be written; the entry in
// memory then stays as it was (its count is 0 when it has no list).
bool save_memory_record(int16_t m);

// Writes the 21-byte name field of entry m.
bool save_memory_name(int16_t m);

// Rewrites the file with the live records only, in memory order, each with
// capacity = count. With replace the new copy takes the place of mem.dat,
// which is kept as a copy beside it first when the last load found it
// damaged; without, it is left as mem.da. The index in memory takes the new
// places only once the new copy is complete. Nothing is done while memories
// are left unloaded after memory ran out, since their records would be lost.
bool compact_memory_file(bool replace);

// The compacted file as bytes for mem.dat's path, for a caller that commits
// it with other files (the rig conversion); the index takes the new places.
bool memory_file_image(FileImage& image);

// True when the last load stopped early because memory ran out (at any
// memory, the last one too).
bool memory_load_incomplete();

// Rewrites the time items of the older encoding in every memory
// (convert_time_items, record_files.h); when any was converted, beeps
// (400 Hz, 1 s) and compacts mem.dat, which writes the grown lists.
void convert_memory_time_items();

}  // namespace datafiles
