// The program default value of every function record, the level a channel
// takes when the operator asks for defaults, and its file values.def in the
// data folder: exactly 4096 bytes, 2048 little-endian u16 in record order,
// no header. The setup record says whether the file was written for this
// rig; until it was, the values are built from the fixture types.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace datafiles {

constexpr int kDefaultValueRecords = 2048;
constexpr uint16_t kNoDefaultValue = 65535;
constexpr size_t kValuesFileBytes = 2 * kDefaultValueRecords;

// Element r for function record r, 1..2048 (element 0 unused); null until
// the show start allocates it or when memory ran out.
extern uint16_t* default_values;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_default_values_globals();

// Show start: allocates the table with every value 65535, then reads
// values.def when the setup says it was written and it is exactly 4096 bytes;
// otherwise builds the values from the fixture types and saves them.
void load_default_values();
// Every channel of every fixture of the setup gets its type's default value.
void rebuild_default_values();
// Channel c of fixture f gets the default value of the library function on it.
void set_default_value_from_type(int16_t f, int16_t c);
// Writes values.def, marks it written in the setup record and writes setup.dat.
void save_default_values();
// values.def's path, and its bytes from the table (all 0 while there is none).
std::string values_file_path();
std::vector<uint8_t> values_file_bytes();
// Frees the table (show restart and program end).
void free_default_values();

}  // namespace datafiles
