// The fixture types of the live setup as the show start reads them: how many
// there are and the file name of each type's library files. (The setup fills
// them; until it is built there are no types.)
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace setup {

constexpr int kMaxFixtureTypes = 40;
constexpr int kTypeFileNameBytes = 9;  // 8 characters and the terminator

struct SetupTypes {
    int16_t count = 0;
    std::array<std::array<char, kTypeFileNameBytes>, kMaxFixtureTypes + 1> file_names{};  // 1..40
};

extern SetupTypes setup_types;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_setup_types_globals();

int16_t setup_type_count();
// File name of type 1..count; "" for any other number.
const char* setup_type_file_name(int16_t type);

}  // namespace setup
