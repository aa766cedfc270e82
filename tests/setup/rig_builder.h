// Rigs built directly in a setup block for the conversion tests: types by
// name and channel count (function map the identity unless given), and
// fixtures by type, page, key, first record, address and card.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "setup/setup_data.h"

namespace setup_test {

struct TypeSpec {
    std::string name;
    int channels = 1;
    std::vector<uint8_t> function_map{};  // empty: the identity
    std::string file_name{};              // library stem, empty: none
};

struct FixtureSpec {
    int type = 1;          // 1-based
    int page = 1;
    int key = 1;
    int first_record = 0;  // as the edit carries it; 0 for a fixture added in the setup
    int16_t address = 1;
    uint8_t card = 1;
};

inline void set_types(setup::SetupData& setup, const std::vector<TypeSpec>& types) {
    using setup::SetupData;
    for (size_t i = 0; i < types.size(); ++i) {
        const int t = static_cast<int>(i) + 1;
        const TypeSpec& type = types[i];
        setup.set_text(SetupData::type_name_field(t), setup::kTypeNameBytes, type.name);
        setup.set_text(SetupData::type_file_name_field(t), setup::kTypeFileNameBytes, type.file_name);
        setup.set_u8(SetupData::type_channel_count_field(t), static_cast<uint8_t>(type.channels));
        for (int k = 0; k < setup::kMaxTypeChannels; ++k) {
            const uint8_t entry = type.function_map.empty() ? static_cast<uint8_t>(k) : type.function_map[static_cast<size_t>(k) % type.function_map.size()];
            setup.set_u8(SetupData::type_function_map_field(t, k), entry);
        }
    }
    setup.set_u8(setup::kSetupTypeCount, static_cast<uint8_t>(types.size()));
}

// The fixtures in record order; types must be set first (channel counts).
inline void set_fixtures(setup::SetupData& setup, const std::vector<FixtureSpec>& fixtures) {
    using setup::SetupData;
    for (size_t i = 0; i < fixtures.size(); ++i) {
        const int f = static_cast<int>(i) + 1;
        const FixtureSpec& fixture = fixtures[i];
        setup.set_u16(SetupData::fixture_field(f, setup::kFixtureTypeIndex), static_cast<uint16_t>(fixture.type - 1));
        setup.set_u16(SetupData::fixture_field(f, setup::kFixtureNumber),
                      static_cast<uint16_t>((fixture.page - 1) * 70 + fixture.key));
        setup.set_u16(SetupData::fixture_field(f, setup::kFixtureFirstRecord), static_cast<uint16_t>(fixture.first_record));
        setup.set_u8(SetupData::fixture_field(f, setup::kFixtureChannelCount),
                     setup.u8(SetupData::type_channel_count_field(fixture.type)));
        setup.set_i16(SetupData::fixture_field(f, setup::kFixtureAddress), fixture.address);
        setup.set_u8(SetupData::fixture_field(f, setup::kFixtureCard), fixture.card);
    }
    setup.set_i16(setup::kSetupFixtureCount, static_cast<int16_t>(fixtures.size()));
}

inline setup::SetupData make_rig(const std::vector<TypeSpec>& types, const std::vector<FixtureSpec>& fixtures) {
    setup::SetupData setup;
    set_types(setup, types);
    set_fixtures(setup, fixtures);
    return setup;
}

}  // namespace setup_test
