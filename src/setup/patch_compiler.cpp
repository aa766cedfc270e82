#include "setup/patch_compiler.h"

#include <algorithm>

#include "setup/patch_tables.h"

namespace setup {

namespace {

using Counters = std::array<int, kMaxCards + 1>;  // positions given out per card 1..4

bool valid_card(int card) { return card >= 1 && card <= kMaxCards; }

// A table index 1..2048, or 0 when out of range.
size_t index_of(int value) { return value >= 1 && value <= kPatchPositions ? static_cast<size_t>(value) : 0; }

void set_entry(int table, int index, int value) {
    const size_t i = index_of(index);
    if (i == 0 || table < 0 || table >= kPatchTables) return;
    channel_patch_tables[static_cast<size_t>(table)][i] = static_cast<uint16_t>(value);
}

// A position within card k: 1..512, else none.
bool valid_position(int position) { return position >= 1 && position <= kCardAddresses; }

int slot_of(int card, int address) { return (card - 1) * kCardAddresses + address; }

uint8_t function_map(int t, int i) {
    const uint8_t value = setup_data.u8(SetupData::type_function_map_field(t, i));
    return value < kMaxTypeChannels ? value : 0;
}

int protocol_index(const AddressState& state, int card, const std::string& protocol) {
    for (int q = 1; q <= 4; ++q) {
        if (state.protocol_names[static_cast<size_t>(card)][static_cast<size_t>(q)] == protocol) return q;
    }
    return 0;
}

void compile_normal(const AddressState& state, const FixtureRecord& r, int t, int n, int& logical, Counters& c) {
    const int k = r.card;
    if (!valid_card(k)) {
        logical += n;
        return;
    }
    const int q = protocol_index(state, k, r.protocol);
    const bool inputs_off = setup_data.u8(kSetupDmxIn1Enabled) == 0 && setup_data.u8(kSetupDmxIn2Enabled) == 0;
    for (int i = 0; i < n; ++i) {
        const int address = r.address + i;
        const int slot = slot_of(k, address);
        const size_t l = index_of(logical);
        if (l != 0) dimmer_patch_table[l] = static_cast<uint8_t>(r.function_settings[static_cast<size_t>(i)] % 16);
        if (valid_position(c[static_cast<size_t>(k)] + i + 1)) {
            set_entry(0, logical, slot_of(k, c[static_cast<size_t>(k)] + i + 1));
        }
        if (address <= kCardAddresses) {
            const int sent = c[static_cast<size_t>(k)] + function_map(t, i) + 1;
            if (q != 0 && valid_position(sent)) set_entry(kChannelWordTable + q, slot, sent);
            if (r.input_address != 0 && inputs_off) set_entry(kChannelWordTable, slot, address);
        }
        ++logical;
    }
    c[static_cast<size_t>(k)] += n;
}

void compile_multipatch(int f, int n, int& logical, Counters& c) {
    Counters used{};
    for (int i = 0; i < n; ++i) {
        std::array<std::vector<int>, kMaxCards + 1> slots;
        for (const SoftPatchEntry& e : soft_patch_list) {
            if (e.fixture != f || e.function != i + 1 || !valid_card(e.card)) continue;
            if (e.address < 1 || e.address > kCardAddresses) continue;
            slots[e.card].push_back(slot_of(e.card, e.address));
        }
        int table = 0;
        for (int k = 1; k <= kMaxCards && table < kPatchSlots; ++k) {
            if (slots[static_cast<size_t>(k)].empty()) continue;
            ++used[static_cast<size_t>(k)];
            const int position = c[static_cast<size_t>(k)] + used[static_cast<size_t>(k)];
            if (!valid_position(position)) continue;
            set_entry(table, logical, slot_of(k, position));
            for (int slot : slots[static_cast<size_t>(k)]) set_entry(kFirstCardWordTable, slot, position);
            ++table;
        }
        ++logical;
    }
    for (int k = 1; k <= kMaxCards; ++k) c[static_cast<size_t>(k)] += used[static_cast<size_t>(k)];
}

void compile_soft_patch(int f, int t, int n_type, int& logical, Counters& c) {
    const int first = logical;
    const auto find = [f](auto test) {
        return std::find_if(soft_patch_list.begin(), soft_patch_list.end(),
                            [&](const SoftPatchEntry& e) { return e.fixture == f && test(e.function); });
    };
    const auto place = [&](const SoftPatchEntry& e, int channel_offset, int address) {
        const int k = e.card;
        const int position = c[static_cast<size_t>(k)] + 1;
        const int offset = function_map(t, channel_offset);
        if (valid_position(position) && offset < n_type) {
            set_entry(0, first + offset, slot_of(k, position));
            if (address >= 1 && address <= kCardAddresses) set_entry(kFirstCardWordTable, slot_of(k, address), position);
        }
        ++logical;
        ++c[static_cast<size_t>(k)];
    };
    const auto dimmer = find([](int16_t function) { return function == kSoftPatchDimmerPart; });
    if (dimmer != soft_patch_list.end() && valid_card(dimmer->card)) place(*dimmer, 0, dimmer->address);
    const auto block = find([](int16_t function) { return function > kSoftPatchBlockBase; });
    if (block != soft_patch_list.end() && valid_card(block->card)) {
        // A block longer than the fixture would reach into the next fixture's channels.
        const int n = std::min(block->function - kSoftPatchBlockBase, n_type);
        for (int j = 1; j <= n - 1; ++j) place(*block, j, block->address + j - 1);
    }
    // A part missing from the list, or a block of another length, must not
    // shift the logical channels of the fixtures after this one.
    logical = first + n_type;
}

}  // namespace

void compile_channel_patch(const AddressState& state) {
    for (PatchTable& table : channel_patch_tables) table.fill(0);
    dimmer_patch_table.fill(0);
    Counters c{};
    int logical = 1;
    const int count = std::clamp<int>(fixture_count, 0, kMaxFixtures);
    for (int f = 1; f <= count; ++f) {
        const FixtureRecord r = read_fixture(setup_data, f);
        const int t = r.type_index + 1;
        if (t < 1 || t > kMaxFixtureTypes) continue;
        const int n = std::min<int>(setup_data.u8(SetupData::type_channel_count_field(t)), kMaxTypeChannels);
        if (r.address >= 1) {
            compile_normal(state, r, t, n, logical, c);
        } else if (r.address == kMultipatchAddress) {
            compile_multipatch(f, n, logical, c);
        } else if (r.address == kSoftPatchAddress) {
            compile_soft_patch(f, t, n, logical, c);
        }
    }
    setup_data.set_u8(kSetupPatchCompiled, 1);
}

}  // namespace setup
