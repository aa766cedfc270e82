// What the default-values file reads and calls of modules that are not built
// yet: the live setup record with its fixture records, the fixture type
// definitions, the setup file writer, the per-type channel-to-function table
// and the function-record lookup (the fixture count is
// programmer::fixture_count, in programmer/commands.h). Each name is declared in its owner's
// namespace; the owner's own module takes it over and these bodies go.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "setup/setup_types.h"

namespace datafiles {

// The setup record (115195 bytes, behind "VERSION 7.01" in setup.dat), kept
// as its bytes; fields are read and written little-endian at their offsets.
constexpr size_t kSetupDataBytes = 115195;
constexpr size_t kSetupFixtureCount = 0xC342;         // u16
constexpr size_t kSetupDefaultValuesSaved = 0xC3AE;   // u8: values.def written for this rig
constexpr size_t kSetupFixtureRecords = 0xC3AF;       // 700 x FixtureRecord
constexpr size_t kFixtureRecordBytes = 93;
constexpr int kMaxFixtures = 700;
// Fields of a FixtureRecord.
constexpr size_t kFixtureTypeIndex = 0x07;            // u16, 0-based
constexpr size_t kFixtureFirstRecord = 0x19;          // u16, first function record
constexpr size_t kFixtureChannelCount = 0x1B;         // u8
constexpr const char* kSetupVersionText = "VERSION 7.01";

struct SetupData {
    std::array<uint8_t, kSetupDataBytes> bytes{};

    uint8_t u8(size_t offset) const;
    uint16_t u16(size_t offset) const;
    void set_u8(size_t offset, uint8_t value);
    void set_u16(size_t offset, uint16_t value);
    // Offset of a field of fixture record f (1..700) in the block.
    static size_t fixture_field(int16_t fixture, size_t field);
};

extern SetupData setup_data;

// A fixture type definition: the library file's 47097 bytes.
constexpr size_t kFixtureTypeDefBytes = 47097;
constexpr size_t kTypeDefaultValues = 58;   // u8 per library function 1..32
constexpr int kTypeFunctions = 32;

struct FixtureTypeDef {
    std::array<uint8_t, kFixtureTypeDefBytes> bytes{};
};

// Types 1..40 of the setup (a fixture's 0-based type index t is type t + 1);
// null while a type is not loaded.
extern std::array<FixtureTypeDef*, setup::kMaxFixtureTypes + 1> fixture_type_defs;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_file_neighbours_globals();

// Writes setup.dat: "VERSION 7.01" and the live setup record.
void save_setup_file();

}  // namespace datafiles

namespace runtime {

// Per type 1..40 and 0-based channel position: the 0-based library function
// on that channel.
extern std::array<std::array<uint8_t, datafiles::kTypeFunctions>, setup::kMaxFixtureTypes + 1> type_channel_function;

}  // namespace runtime

namespace programmer {

// The function record of channel n (1..32) of fixture f: the fixture's first
// function record plus n - 1; 0 for a fixture outside 1..700.
int16_t get_function_record_index(int16_t fixture, int16_t channel);

}  // namespace programmer
