// The preset file, presets.dat: the value presets and the two parts of the
// effect presets, held unpacked in memory (memories/presets.h) and packed
// into item lists on file.
//
// Layout: "VERSION 6.31" (12 characters, no terminator), 560 index entries of
// 33 bytes (entry e at 12 + (e - 1) * 33), then the records: the tag
// "+-%03d-+" and `count` items of 5 bytes. Entries 1..420 are the value
// presets, 421..490 the generator parts and 491..560 the figure parts of the
// effect presets 1..70. Items: value presets (0, function record, value
// 0..32767); generator parts (10 * p, function record, byte) for parameter
// p = 1..6; figure parts (90 + 10 * p, fixture, byte) for p = 1..10. The
// compaction's new copy is "presets.da".
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "datafiles/record_files.h"

namespace datafiles {

// Empties the index in memory (no name, offset -1, capacity 0, count 0) and
// forgets what the last load found.
void clear_preset_index();
// Empties the index in memory and creates presets.dat empty: the version
// text and 560 empty entries.
void init_preset_file();
// Frees every preset table and nulls its pointer.
void free_preset_tables();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_preset_file_globals();
// The table of entry e (1..560), allocated and filled with "not set" on
// first use; null when e is out of range or memory ran out.
void* allocate_preset_table(int16_t entry);

// Loads and unpacks every record and sets the used flags, as the memory
// file loads (memory_file.h). Another version text, or damage (a wrong or
// unreadable record, a short index, a place unfit for reuse) make it compact
// the file at once; a damaged file is kept as a copy beside it first, and
// the message names the copy. A missing file leaves every preset empty.
void load_preset_file();
// Packs every table into a new file. With replace the new copy takes the
// place of presets.dat (kept as a copy first when the last load found it
// damaged); without, it is left as presets.da. The index in memory takes the
// new places only once the new copy is complete. Nothing is done while
// presets are left unloaded after memory ran out.
bool compact_preset_file(bool replace);

// The compacted file as bytes for presets.dat's path (memory_file_image's rule).
bool preset_file_image(FileImage& image);

// The items of entry e's table, in table order (none for a null table).
std::vector<MemoryItem> pack_preset_entry(int16_t entry);
// Pack and save value preset n (1..420), generator part n and figure part n
// of effect preset n (1..70).
bool pack_preset_items(int16_t n);
bool pack_effect_preset_generators(int16_t n);
bool pack_effect_preset_figures(int16_t n);
// Sets entry e's count and writes its record (by the place rule) and entry.
bool save_preset_record(int16_t entry, int16_t count, const MemoryItem* items);

// The preset files of the older form, each read into the tables and names
// (a missing file gives nothing). Blocks that are short, tagged wrongly or,
// for value presets, hold values outside -1..255 are dropped with the error
// beep (the first few of a file; then one message with the count); blocks
// that can't be reached are dropped silently. A file of which anything was
// dropped is kept as a copy and named in the load report (old_formats.h).
// pre-fig.dat has the figure page layouts: with "VERSION 6.0" the bytes are
// taken as they are, without it they are widened as the oldest figure pages.
//   PRE-PAN.dat, PRE-COL.dat, PRE-GOB.dat: value presets 1..70, 71..140, 141..210
//   pre-gen.dat: generator parts 1..70       pre-fig.dat: figure parts 1..70
void convert_old_value_preset_file();
void convert_old_generator_preset_file();
void convert_old_figure_preset_file();

}  // namespace datafiles
