#include "datafiles/default_values.h"

#include <algorithm>
#include <array>
#include <string>

#include "datafiles/record_files.h"
#include "datafiles/setup_file.h"
#include "memcheck/memcheck.h"
#include "programmer/fixture_functions.h"
#include "runtime/card_discovery.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace datafiles {

uint16_t* default_values = nullptr;

void reset_default_values_globals() {
    free_default_values();
}

namespace {

constexpr size_t kTableElements = kDefaultValueRecords + 1;

bool valid_record(int r) {
    return r >= 1 && r <= std::min<int>(runtime::function_record_capacity, kDefaultValueRecords);
}

using setup::SetupData;
using setup::setup_data;

// The type definition of fixture f, null when its type is not loaded.
const setup::FixtureTypeDef* fixture_type_def(int16_t f, size_t& type) {
    type = static_cast<size_t>(setup_data.u16(SetupData::fixture_field(f, setup::kFixtureTypeIndex))) + 1;
    if (type > static_cast<size_t>(setup::kMaxFixtureTypes)) return nullptr;
    return setup::fixture_type_defs[type];
}

int fixture_channel_count(int16_t f) {
    return std::min<int>(setup_data.u8(SetupData::fixture_field(f, setup::kFixtureChannelCount)), setup::kMaxTypeChannels);
}

bool write_values_file() { return replace_file(values_file_path(), values_file_bytes()); }

// values.def when the setup says it belongs to this rig and it has the
// right size; false when it has to be built anew.
bool values_file_trusted() {
    uint32_t size_bytes = 0;
    return lookup_file_size(values_file_path(), size_bytes) && setup_data.u8(setup::kSetupDefaultValuesSaved) != 0 &&
           size_bytes == kValuesFileBytes;
}

void read_values_file() {
    std::array<uint8_t, kValuesFileBytes> bytes{};
    if (!read_whole_file(values_file_path(), bytes)) return;
    for (size_t r = 1; r <= kDefaultValueRecords; ++r) default_values[r] = get_u16(bytes, (r - 1) * 2);
}

}  // namespace

std::vector<uint8_t> values_file_bytes() {
    std::vector<uint8_t> bytes(kValuesFileBytes);
    if (default_values == nullptr) return bytes;
    for (size_t r = 1; r <= kDefaultValueRecords; ++r) put_u16(bytes, (r - 1) * 2, default_values[r]);
    return bytes;
}

std::string values_file_path() { return data_path("values.def"); }

void load_default_values() {
    if (default_values == nullptr) {
        default_values = static_cast<uint16_t*>(
            runtime::show_table_allocator(kTableElements * sizeof(uint16_t), __FILE__, __LINE__));
    }
    if (default_values == nullptr) return;
    std::fill_n(default_values, kTableElements, kNoDefaultValue);
    if (values_file_trusted()) {
        read_values_file();
        return;
    }
    rebuild_default_values();
    save_default_values();
}

void rebuild_default_values() {
    const int16_t fixtures = std::clamp<int16_t>(setup::fixture_count, 0, setup::kMaxFixtures);
    for (int16_t f = 1; f <= fixtures; ++f) {
        const int channels = fixture_channel_count(f);
        for (int16_t c = 1; c <= channels; ++c) set_default_value_from_type(f, c);
    }
}

void set_default_value_from_type(int16_t f, int16_t c) {
    if (default_values == nullptr || f < 1 || f > setup::kMaxFixtures || c < 1 || c > setup::kMaxTypeChannels) return;
    const int r = programmer::get_function_record_index(f, c);
    size_t type = 0;
    const setup::FixtureTypeDef* type_def = fixture_type_def(f, type);
    if (!valid_record(r) || type_def == nullptr) return;
    const uint8_t k = runtime::type_channel_function[type][static_cast<size_t>(c - 1)];
    if (k >= setup::kMaxTypeChannels) return;
    default_values[r] = type_def->default_value(k + 1);
}

void save_default_values() {
    if (default_values == nullptr || !rig_files_writable()) return;
    if (!write_values_file()) return;
    setup_data.set_u8(setup::kSetupDefaultValuesSaved, 1);
    save_setup_file();
}

void free_default_values() {
    if (default_values != nullptr) memcheck::mc_free_at(default_values, __FILE__, __LINE__);
    default_values = nullptr;
}

}  // namespace datafiles
