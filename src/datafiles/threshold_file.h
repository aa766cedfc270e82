// The threshold file memthrsh.dat: the 70 thresholds, each a name and one
// byte per function record, which the playbacks use to shape crossfades.
//
// The file has no version text: 70 index entries of 101 bytes (7070 bytes),
// then blocks of 128 threshold bytes, each behind the tag "+-%04d.%02d-+"
// (threshold, block 1..16). Block b holds the bytes of function records
// 128 * (b - 1) + 1 to 128 * b; the blocks up to `function_record_capacity`
// are read and written, a last partial one padded with zeros. A block that holds only
// zeros is not written and keeps its place on file for later; a block's
// place, once given, is reused for good, so the file grows only by blocks
// never written before.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "datafiles/record_files.h"

namespace datafiles {

constexpr int kThresholds = 70;
constexpr size_t kThresholdBlockBytes = 128;

// Thresholds 1..70 (element 0 unused). The index holds the same values as
// the file's index.
extern std::array<ThresholdIndexEntry, kThresholds + 1> threshold_index;
// The bytes of threshold t: element r for function record r, 1 to
// `function_record_capacity` (element 0 unused); null while t has no data.
extern std::array<uint8_t*, kThresholds + 1> threshold_tables;
// 1 while threshold t holds data.
extern std::array<uint8_t, kThresholds + 1> threshold_programmed;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_threshold_file_globals();

// Show start: the whole file into the tables. A block whose tag or length is
// wrong is left empty, with the error beep (400 Hz, 1000 ms) for the first
// few of them and then one message naming the file and the count
// (load_report.h); the rest still loads. Without the file every threshold stays empty. The number of
// the threshold being read is shown at (376, 155).
void load_threshold_file();
// Writes the data blocks of threshold t (1..70) and its index entry back.
void save_threshold_record(int16_t t);

// The blocks that the function record capacity reaches into (0..16); a
// last partial block holds the records up to the capacity and is padded
// with zeros on file.
int threshold_block_count();
// The whole file anew, for a caller that commits it with other files (the
// rig conversion): every threshold's blocks that hold data, in threshold
// and block order; the index in memory takes the new places (names kept).
std::vector<uint8_t> threshold_file_bytes();
// The table of threshold t, allocated (all 0) when it has none; null when
// memory runs out or t is outside 1..70.
uint8_t* allocate_threshold_table(int16_t t);
// Frees every threshold table (show restart and program end).
void free_threshold_tables();

}  // namespace datafiles
