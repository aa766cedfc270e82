// The small show tables, stored as plain fixed-size images under
// "%s\data\" (no header, little-endian):
//
//   transp.dat  22402  11201 entries of 2 bytes, entry i at (i - 1) * 2:
//                      byte 0 playbacks, byte 1 sequences (0 OFF, 1 ON,
//                      2 DEFAULT); entries 1..11200 the cue slots, 11201
//                      the show default (1 = OFF, anything else ON)
//   mshow.dat    2304  128 entries of 18 bytes, MIDI list k (0..127) at k * 18
//   soft.dat    14336  2048 soft patch entries of 7 bytes, output slot s at
//                      (s - 1) * 7: i16 fixture (-1 free), i16 function,
//                      u8 card, i16 address
//
// Each is trusted only when its flag in the setup record vouches for it
// (soft exactly 1, the others non-zero) and its size is exact; otherwise it
// is rebuilt from its defaults and written at once. A whole-table write sets
// the table's flag and writes setup.dat, but only once the table's file was
// written whole, and the flag stays 1 only when setup.dat was written too.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace datafiles {

constexpr int kTranspEntries = 11201;      // 11200 cue slots and the show default
constexpr int kTranspShowDefault = 11201;
constexpr size_t kTranspFileBytes = 22402;
constexpr int kMidiShowEntries = 128;
constexpr size_t kMidiShowEntryBytes = 18;
constexpr size_t kMidiShowFileBytes = 2304;
constexpr int kSoftPatchEntries = 2048;
constexpr size_t kSoftPatchEntryBytes = 7;
constexpr size_t kSoftFileBytes = 14336;

// Per-cue transparency settings.
enum Transparency : uint8_t { kTranspOff = 0, kTranspOn = 1, kTranspDefault = 2 };

// [entry 1..11201][0 playbacks, 1 sequences]; read by the cue playback.
extern std::array<std::array<uint8_t, 2>, kTranspEntries + 1> transp_table;
// [MIDI list number + 1, 1..128]: the cue-list name of each MIDI list number
// as the MIDI list editor keeps it (an empty name: bytes 0, 15, 16, 17 zero).
extern std::array<std::array<uint8_t, kMidiShowEntryBytes>, kMidiShowEntries + 1> midi_show_table;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_small_tables_globals();

// Show start: defaults, then the file, or a rebuild from the defaults.
// load_transp_file also sets the show-wide follow settings from entry 11201.
void load_transp_file();
void load_midi_show_file();
// Into the fixture setup's soft patch table (setup/soft_patch.h), by slot.
// Entries out of range or naming a fixture the rig does not have are
// dropped, and the load report names the file and how many.
void load_soft_file();

// Whole-table writes; false when the table's file was not written.
bool save_transp_file();
bool save_midi_show_file();
bool save_soft_file();
// soft.dat's image of the soft patch table, and its path (the fixture
// setup's save writes it together with the other setup files).
std::vector<uint8_t> soft_file_bytes();
std::string soft_file_path();
// Entry i (1..11201) of transp.dat in place, its 2 bytes only; when the file
// can't be opened for update the whole table is written instead. False for
// an entry out of range or when nothing could be written.
bool save_transp_entry(int i);

// The start-up optimisation: every stored memory goes through the memory
// check, then the files that older conversions renamed to .old are removed.
// Only those that were there before this show start began loading go: a
// file retired in this start stays until the next. And none goes while this
// start reported a damaged or partly converted file, or while a file of an
// older form still waits in the data folder for its conversion.
void optimize_data_at_start();
// The .old files of the data folder as the show start finds them, before
// anything is loaded or converted.
void note_old_files_before_loading();

}  // namespace datafiles
