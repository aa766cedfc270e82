#include "setup/fixture_map.h"

#include <algorithm>
#include <memory>

#include "setup/soft_patch.h"

namespace setup {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

// The fields the matching and the remap read, of fixture f of a setup.
struct FixtureKey {
    int type = 0;            // 1..40, 0 when the type index is out of the tables
    std::string type_name;
    int first_record = 0;
    int channels = 0;
    int16_t address = 0;
    uint8_t card = 0;
};

FixtureKey fixture_key(const SetupData& setup, int f) {
    FixtureKey key;
    const int type = setup.u16(SetupData::fixture_field(f, kFixtureTypeIndex)) + 1;
    if (type >= 1 && type <= kMaxFixtureTypes) {
        key.type = type;
        key.type_name = setup.text(SetupData::type_name_field(type), kTypeNameBytes);
    }
    key.first_record = setup.u16(SetupData::fixture_field(f, kFixtureFirstRecord));
    key.channels = std::min<int>(setup.u8(SetupData::fixture_field(f, kFixtureChannelCount)), kMaxTypeChannels);
    key.address = setup.i16(SetupData::fixture_field(f, kFixtureAddress));
    key.card = setup.u8(SetupData::fixture_field(f, kFixtureCard));
    return key;
}

std::vector<FixtureKey> fixture_keys(const SetupData& setup) {
    const int count = rig_fixture_count(setup);
    std::vector<FixtureKey> keys(at(count) + 1);
    for (int f = 1; f <= count; ++f) keys[at(f)] = fixture_key(setup, f);
    return keys;
}

bool same_type(const FixtureKey& a, const FixtureKey& b) { return a.type != 0 && b.type != 0 && a.type_name == b.type_name; }

// One matching pass over the unmapped new fixtures: each takes the first old
// fixture the rule accepts.
template <typename Rule>
void matching_pass(const std::vector<FixtureKey>& edited, const std::vector<FixtureKey>& live, FixtureMap& map,
                   FixtureMap& claims, Rule rule) {
    for (size_t f = 1; f < edited.size(); ++f) {
        if (map[f] != 0) continue;
        for (size_t o = 1; o < live.size(); ++o) {
            if (!rule(edited[f], live[o], claims[o])) continue;
            map[f] = static_cast<int16_t>(o);
            claims[o] = static_cast<int16_t>(f);
            break;
        }
    }
}

int type_channel_count(const SetupData& setup, int type) {
    return std::min<int>(setup.u8(SetupData::type_channel_count_field(type)), kMaxTypeChannels);
}

}  // namespace

void sort_fixtures_by_page(SetupData& setup) {
    const int count = rig_fixture_count(setup);
    std::vector<int> order(at(count));
    for (int i = 0; i < count; ++i) order[at(i)] = i + 1;
    // Fixture numbers are (page - 1) * 70 + key, so their order is page, then key.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return setup.u16(SetupData::fixture_field(a, kFixtureNumber)) <
               setup.u16(SetupData::fixture_field(b, kFixtureNumber));
    });
    std::array<int16_t, kMaxFixtures + 1> new_index{};
    const auto sorted = std::make_unique<SetupData>(setup);
    for (int i = 1; i <= count; ++i) {
        const int from = order[at(i - 1)];
        new_index[at(from)] = static_cast<int16_t>(i);
        std::copy_n(setup.bytes.begin() + static_cast<std::ptrdiff_t>(SetupData::fixture_field(from, 0)),
                    kFixtureRecordBytes,
                    sorted->bytes.begin() + static_cast<std::ptrdiff_t>(SetupData::fixture_field(i, 0)));
    }
    setup.bytes = sorted->bytes;
    for (SoftPatchEntry& entry : soft_patch_list) {
        if (entry.fixture >= 1 && entry.fixture <= count) entry.fixture = new_index[at(entry.fixture)];
    }
}

void number_function_records(SetupData& setup) {
    const int count = rig_fixture_count(setup);
    int n = 1;
    for (int f = 1; f <= count; ++f) {
        setup.set_u16(SetupData::fixture_field(f, kFixtureFirstRecord), static_cast<uint16_t>(n));
        n += setup.u8(SetupData::fixture_field(f, kFixtureChannelCount));
    }
}

void match_fixtures(const SetupData& edited, const SetupData& live, FixtureMap& map) {
    map.fill(0);
    FixtureMap claims{};
    const std::vector<FixtureKey> new_keys = fixture_keys(edited);
    const std::vector<FixtureKey> old_keys = fixture_keys(live);
    matching_pass(new_keys, old_keys, map, claims, [](const FixtureKey& f, const FixtureKey& o, int16_t) {
        return same_type(f, o) && f.first_record == o.first_record;
    });
    matching_pass(new_keys, old_keys, map, claims, [](const FixtureKey& f, const FixtureKey& o, int16_t) {
        return same_type(f, o) && f.address == o.address && f.card == o.card;
    });
    matching_pass(new_keys, old_keys, map, claims,
                  [](const FixtureKey& f, const FixtureKey& o, int16_t claim) { return claim == 0 && same_type(f, o); });
}

bool copy_candidate(const SetupData& edited, const FixtureMap& map, int f, int g) {
    const int count = rig_fixture_count(edited);
    if (g < 1 || g > count || g == f || map[at(g)] == 0) return false;
    return edited.u16(SetupData::fixture_field(f, kFixtureTypeIndex)) ==
           edited.u16(SetupData::fixture_field(g, kFixtureTypeIndex));
}

int check_patch_changed(const SetupData& edited, const SetupData& live, const FixtureMap& map) {
    const int old_count = rig_fixture_count(live);
    const int new_count = rig_fixture_count(edited);
    if (old_count == 0) return 0;
    if (old_count != new_count) return 1;
    int old_channels = 0;
    int new_channels = 0;
    for (int f = 1; f <= old_count; ++f) old_channels += live.u8(SetupData::fixture_field(f, kFixtureChannelCount));
    for (int f = 1; f <= new_count; ++f) new_channels += edited.u8(SetupData::fixture_field(f, kFixtureChannelCount));
    if (old_channels != new_channels) return 1;
    for (int f = 1; f <= new_count; ++f) {
        if (map[at(f)] != f) return 1;
    }
    for (int t = 1; t <= kMaxFixtureTypes; ++t) {
        const std::string name = edited.text(SetupData::type_name_field(t), kTypeNameBytes);
        for (int u = 1; u <= kMaxFixtureTypes; ++u) {
            if (live.text(SetupData::type_name_field(u), kTypeNameBytes) != name) continue;
            for (int k = 0; k < type_channel_count(edited, t); ++k) {
                if (edited.u8(SetupData::type_function_map_field(t, k)) != live.u8(SetupData::type_function_map_field(u, k))) {
                    return 1;
                }
            }
        }
    }
    return 0;
}

ConversionPairs conversion_pairs(const SetupData& edited, const SetupData& live, const FixtureMap& map, int capacity) {
    ConversionPairs pairs;
    const int new_count = rig_fixture_count(edited);
    const int old_count = rig_fixture_count(live);
    auto record_of = [capacity](const SetupData& setup, const FixtureKey& key, int k) {
        const int entry = setup.u8(SetupData::type_function_map_field(key.type, k));
        if (entry >= key.channels || key.first_record < 1) return 0;
        const int record = key.first_record + entry;
        return record <= capacity ? record : 0;
    };
    for (int f = 1; f <= new_count; ++f) {
        const int o = map[at(f)];
        if (o < 1 || o > old_count) continue;
        pairs.fixtures.push_back({static_cast<int16_t>(f), static_cast<int16_t>(o)});
        const FixtureKey new_key = fixture_key(edited, f);
        const FixtureKey old_key = fixture_key(live, o);
        if (new_key.type == 0 || old_key.type == 0) continue;
        for (int k = 0; k < new_key.channels; ++k) {
            const int new_record = record_of(edited, new_key, k);
            const int old_record = k < old_key.channels ? record_of(live, old_key, k) : 0;
            if (new_record == 0 || old_record == 0) continue;
            pairs.records.push_back({static_cast<int16_t>(new_record), static_cast<int16_t>(old_record)});
        }
    }
    return pairs;
}

}  // namespace setup
