#include "datafiles/file_neighbours.h"

#include <algorithm>
#include <vector>

#include "datafiles/record_files.h"

namespace datafiles {

SetupData setup_data{};
std::array<FixtureTypeDef*, setup::kMaxFixtureTypes + 1> fixture_type_defs{};

void reset_file_neighbours_globals() {
    setup_data = {};
    fixture_type_defs = {};
    runtime::type_channel_function = {};
}

uint8_t SetupData::u8(size_t offset) const { return offset < bytes.size() ? bytes[offset] : 0; }

uint16_t SetupData::u16(size_t offset) const {
    return offset + 1 < bytes.size() ? get_u16(bytes, offset) : 0;
}

void SetupData::set_u8(size_t offset, uint8_t value) {
    if (offset < bytes.size()) bytes[offset] = value;
}

void SetupData::set_u16(size_t offset, uint16_t value) {
    if (offset + 1 < bytes.size()) put_u16(bytes, offset, value);
}

size_t SetupData::fixture_field(int16_t fixture, size_t field) {
    return kSetupFixtureRecords + static_cast<size_t>(fixture - 1) * kFixtureRecordBytes + field;
}

void save_setup_file() {
    std::vector<uint8_t> file(kVersionTextChars + kSetupDataBytes);
    std::copy_n(kSetupVersionText, kVersionTextChars, file.begin());
    std::copy(setup_data.bytes.begin(), setup_data.bytes.end(), file.begin() + kVersionTextChars);
    replace_file(data_path("setup.dat"), file);
}

}  // namespace datafiles

namespace runtime {

std::array<std::array<uint8_t, datafiles::kTypeFunctions>, setup::kMaxFixtureTypes + 1> type_channel_function{};

}  // namespace runtime

namespace programmer {

int16_t get_function_record_index(int16_t fixture, int16_t channel) {
    if (fixture < 1 || fixture > datafiles::kMaxFixtures) return 0;
    const uint16_t first =
        datafiles::setup_data.u16(datafiles::SetupData::fixture_field(fixture, datafiles::kFixtureFirstRecord));
    return static_cast<int16_t>(first + channel - 1);
}

}  // namespace programmer
