#include "setup/fixture_editing_rig.h"

#include <algorithm>

#include "setup/library_browser_index.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan_items.h"

namespace setup {

namespace {

bool record_valid(const SetupData& setup, int f) { return f >= 1 && f <= rig_fixture_count(setup); }

int type_index_of(const SetupData& setup, int f) { return setup.u16(SetupData::fixture_field(f, kFixtureTypeIndex)); }

// The six per-type tables and the bytes of one entry of each.
struct TypeTable {
    size_t at;
    size_t entry_bytes;
};
constexpr std::array<TypeTable, 6> kTypeTables = {{
    {kSetupTypeFileNames, kTypeFileNameBytes},
    {kSetupTypeNames, kTypeNameBytes},
    {kSetupTypeDrawings, kFixtureDrawingBytes},
    {kSetupTypeChannelCounts, 1},
    {kSetupTypeFunctionMaps, kMaxTypeChannels},
    {kSetupTypeFunctionFlags, kMaxTypeChannels},
}};

// Type slot t (0-based) leaves the tables: later slots move down, the last is cleared.
void free_type_slot(SetupData& setup, int t) {
    const int count = rig_type_count(setup);
    for (const TypeTable& table : kTypeTables) {
        uint8_t* first = setup.bytes.data() + table.at;
        uint8_t* const slot = first + table.entry_bytes * static_cast<size_t>(t);
        uint8_t* const last = first + table.entry_bytes * static_cast<size_t>(count - 1);
        std::copy(slot + table.entry_bytes, last + table.entry_bytes, slot);
        std::fill_n(last, table.entry_bytes, uint8_t{0});
    }
    setup.set_u8(kSetupTypeCount, static_cast<uint8_t>(count - 1));
    const int fixtures = rig_fixture_count(setup);
    for (int f = 1; f <= fixtures; ++f) {
        const int index = type_index_of(setup, f);
        if (index > t) setup.set_u16(SetupData::fixture_field(f, kFixtureTypeIndex), static_cast<uint16_t>(index - 1));
    }
}

// A new type slot for the loaded library; its index.
int add_type_slot(SetupData& setup, const LibraryList& list) {
    const int t = rig_type_count(setup) + 1;  // 1-based in the tables
    const LibraryEntry& entry = list.entries[static_cast<size_t>(list.selected_entry)];
    setup.set_text(SetupData::type_file_name_field(t), kTypeFileNameBytes, entry_text(entry.stem));
    setup.set_text(SetupData::type_name_field(t), kTypeNameBytes, entry_text(entry.type_name));
    for (size_t b = 0; b < kFixtureDrawingBytes; ++b) setup.set_u8(SetupData::type_drawing_field(t) + b, list.loaded_drawing[b]);
    setup.set_u8(SetupData::type_channel_count_field(t), list.loaded_type.channel_count());
    for (int k = 0; k < kMaxTypeChannels; ++k) {
        setup.set_u8(SetupData::type_function_map_field(t, k), list.function_map[static_cast<size_t>(k)]);
        setup.set_u8(SetupData::type_function_flag_field(t, k), list.loaded_type.fade_flag(k + 1));
    }
    setup.set_u8(kSetupTypeCount, static_cast<uint8_t>(t));
    return t - 1;
}

}  // namespace

int fixture_number_of(const SetupData& setup, int f) { return setup.u16(SetupData::fixture_field(f, kFixtureNumber)); }

void set_fixture_number(SetupData& setup, int f, int number) {
    setup.set_u16(SetupData::fixture_field(f, kFixtureNumber), static_cast<uint16_t>(number));
}

int number_fixture_on_page(SetupData& setup, int f, int page) {
    const int count = rig_fixture_count(setup);
    if (!record_valid(setup, f) || page < 1 || page > kFixturePages) return 0;
    const int base = (page - 1) * kPageKeys;
    int others = 0;
    for (int g = 1; g <= count; ++g) {
        if (g != f && fixture_page_of(fixture_number_of(setup, g)) == page) ++others;
    }
    int number = base + others + 1;
    for (int g = count; g >= 1; --g) {
        if (g == f || fixture_page_of(fixture_number_of(setup, g)) != page) continue;
        if (type_index_of(setup, g) == type_index_of(setup, f)) {
            number = fixture_number_of(setup, g) + 1;
            break;
        }
    }
    for (int g = 1; g <= count; ++g) {
        const int n = fixture_number_of(setup, g);
        if (g != f && fixture_page_of(n) == page && n >= number) set_fixture_number(setup, g, n + 1);
    }
    set_fixture_number(setup, f, number);
    for (int q = 1; q <= kFixturePages; ++q) {
        if (q == page) continue;
        int next = (q - 1) * kPageKeys;
        for (int g = 1; g <= count; ++g) {
            if (g != f && fixture_page_of(fixture_number_of(setup, g)) == q) set_fixture_number(setup, g, ++next);
        }
    }
    return number;
}

bool move_fixture_key(SetupData& setup, int page, int s, int t) {
    const PageCounts counts = count_page_fixtures(setup);
    const int m = page >= 1 && page <= kFixturePages ? counts[static_cast<size_t>(page)] : 0;
    if (s < 1 || s > m || t < 1 || t > m || s == t) return false;
    const int base = (page - 1) * kPageKeys;
    const int count = rig_fixture_count(setup);
    int source = 0;
    for (int g = count; g >= 1 && source == 0; --g) {
        if (fixture_number_of(setup, g) == base + s) source = g;
    }
    if (source == 0) return false;
    for (int g = 1; g <= count; ++g) {
        const int n = fixture_number_of(setup, g);
        if (g == source || fixture_page_of(n) != page) continue;
        const int key = n - base;
        if (t > s && key >= s && key <= t) set_fixture_number(setup, g, n - 1);
        if (t < s && key >= t && key <= s) set_fixture_number(setup, g, n + 1);
    }
    set_fixture_number(setup, source, base + t);
    return true;
}

int16_t placement_address(const AddressPanel& panel, const LibraryList& list, const Placement& placement) {
    const uint8_t rule = list.loaded_type.u8(kTypeSoftPatchRule);
    if (placement.slot == kMultipatchSlot && rule == 1 && placement.multipatch == 1) return kMultipatchAddress;
    if (rule == 2) return kSoftPatchAddress;
    return slot_address(panel, placement.slot);
}

int store_placed_fixture(SetupData& setup, const AddressState& state, const LibraryList& list,
                         const AddressPanel& panel, const Placement& placement) {
    if (list.selected_entry < 0 || list.selected_entry >= list.entry_count || !library_loaded(list)) return 0;
    const int count = rig_fixture_count(setup);
    int t = find_setup_type(setup, entry_text(list.entries[static_cast<size_t>(list.selected_entry)].type_name));
    if (count >= kMaxFixtures || (t < 0 && rig_type_count(setup) >= kMaxFixtureTypes)) return 0;
    if (t < 0) t = add_type_slot(setup, list);
    const int f = count + 1;
    setup.set_i16(kSetupFixtureCount, static_cast<int16_t>(f));
    // A whole record of zeros first: a new fixture inherits nothing of one
    // that sat in this place before.
    std::fill_n(setup.bytes.begin() + static_cast<std::ptrdiff_t>(SetupData::fixture_field(f, 0)), kFixtureRecordBytes, 0);
    FixtureRecord r;
    r.x = placement.x;
    r.y = placement.y;
    r.stage_colour = placement.stage_colour;
    r.orientation = placement.orientation;
    r.type_index = static_cast<uint16_t>(t);
    r.card = static_cast<uint8_t>(state.selected_card);
    r.address = placement_address(panel, list, placement);
    r.input_address = r.address;
    const int c = std::clamp<int>(state.selected_card, 1, kMaxCards);
    const int p = std::clamp<int>(state.selected_protocol, 0, kCardProtocols);
    r.protocol = state.protocol_names[static_cast<size_t>(c)][static_cast<size_t>(p)];
    r.first_record = 0;
    r.channel_count = list.loaded_type.channel_count();
    write_fixture(setup, f, r);
    // Off every page until it is numbered on the current one.
    set_fixture_number(setup, f, 0);
    return f;
}

bool remove_fixture(SetupData& setup, int f) {
    const int count = rig_fixture_count(setup);
    if (!record_valid(setup, f)) return false;
    const int t = type_index_of(setup, f);
    const int number = fixture_number_of(setup, f);
    bool last_of_type = true;
    for (int g = 1; g <= count; ++g) last_of_type = last_of_type && (g == f || type_index_of(setup, g) != t);
    const size_t at = SetupData::fixture_field(f, 0);
    const size_t end = SetupData::fixture_field(count, 0) + kFixtureRecordBytes;
    uint8_t* const bytes = setup.bytes.data();
    std::copy(bytes + at + kFixtureRecordBytes, bytes + end, bytes + at);
    std::fill_n(bytes + end - kFixtureRecordBytes, kFixtureRecordBytes, uint8_t{0});
    setup.set_i16(kSetupFixtureCount, static_cast<int16_t>(count - 1));
    if (last_of_type && t < rig_type_count(setup)) free_type_slot(setup, t);
    for (SoftPatchEntry& e : soft_patch_list) {
        if (e.fixture == f) {
            e.fixture = kKilledSoftPatchEntry;
        } else if (e.fixture > f) {
            --e.fixture;
        }
    }
    const int page = fixture_page_of(number);
    for (int g = 1; g < count; ++g) {
        const int n = fixture_number_of(setup, g);
        if (fixture_page_of(n) == page && n > number) set_fixture_number(setup, g, n - 1);
    }
    return true;
}

void flip_fixture_input_address(SetupData& setup, int f) {
    if (!record_valid(setup, f)) return;
    const int16_t output = setup.i16(SetupData::fixture_field(f, kFixtureAddress));
    const size_t input = SetupData::fixture_field(f, kFixtureInputAddress);
    setup.set_i16(input, setup.i16(input) == 0 ? output : int16_t{0});
}

}  // namespace setup
