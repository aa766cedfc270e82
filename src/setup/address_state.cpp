#include "setup/address_state.h"

#include <algorithm>

#include "runtime/card_discovery.h"
#include "runtime/channel_levels.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "setup/patch_tables.h"
#include "setup/soft_patch.h"

namespace setup {

AddressState address_state;
LibraryList library_list;

void reset_address_state_globals() { address_state = {}; }
void reset_library_list_globals() { library_list = {}; }

namespace {

bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }

size_t at(int i) { return static_cast<size_t>(i); }

bool valid_card(int card) { return card >= 1 && card <= kMaxCards; }

// The first protocol of the card with exactly this name, 0 when none.
int protocol_of(const AddressState& state, int card, const std::string& name) {
    for (int p = 1; p <= kCardProtocols; ++p) {
        if (state.protocol_names[at(card)][at(p)] == name) return p;
    }
    return 0;
}

void enter(AddressState& state, int card, int protocol, int first, int count, uint16_t number) {
    if (!valid_card(card) || protocol < 1 || protocol > kCardProtocols) return;
    CardAddressMap& map = state.address_map[at(card)][at(protocol)];
    for (int a = std::max(first, 1); a < first + count && a <= kCardAddresses; ++a) map[at(a)] = number;
}

const SoftPatchEntry* first_entry(int f, bool (*test)(int16_t)) {
    for (const SoftPatchEntry& e : soft_patch_list) {
        if (e.fixture == f && test(e.function)) return &e;
    }
    return nullptr;
}

bool is_dimmer_part(int16_t function) { return function == kSoftPatchDimmerPart; }
bool is_block(int16_t function) { return function > kSoftPatchBlockBase; }

void add_used(AddressState& state, int card, int count) {
    if (valid_card(card)) state.used_channels[at(card)] = static_cast<int16_t>(state.used_channels[at(card)] + count);
}

// The four card word tables cleared, then the one-to-one map of the
// selected card and protocol.
void write_direct_output_map(const AddressState& state) {
    const int capacity = std::clamp<int>(runtime::function_record_capacity, 0, runtime::kOutputPositions);
    for (uint8_t table = 1; table <= kCardWordTables; ++table) {
        for (int channel = 1; channel <= capacity; ++channel) {
            runtime::set_channel_table_word(table, static_cast<int16_t>(channel), 0);
        }
    }
    const int c = state.selected_card;
    const int p = state.selected_protocol;
    if (!valid_card(c) || p < 1 || p > kCardProtocols) return;
    for (int s = 1; s <= kCardAddresses; ++s) {
        runtime::set_channel_table_word(static_cast<uint8_t>(p), static_cast<int16_t>((c - 1) * kCardAddresses + s),
                                        static_cast<uint16_t>(s));
    }
}

}  // namespace

void init_address_state(AddressState& state) {
    state = {};
    state.selected_card = 1;
    for (int c = 1; c <= kMaxCards; ++c) {
        for (int p = 1; p <= kCardProtocols; ++p) state.protocol_names[at(c)][at(p)] = runtime::console_config.protocol_name(p, c);
    }
}

void build_address_map(AddressState& state, const SetupData& setup) {
    for (auto& card : state.address_map) {
        for (CardAddressMap& map : card) map.fill(0);
    }
    state.used_channels.fill(0);
    const int count = std::clamp<int>(setup.stored_fixture_count(), 0, kMaxFixtures);
    for (int f = 1; f <= count; ++f) {
        const FixtureRecord r = read_fixture(setup, f);
        if (r.address < 1) continue;
        const int p = valid_card(r.card) ? protocol_of(state, r.card, r.protocol) : 0;
        if (p != 0) enter(state, r.card, p, r.address, r.channel_count, r.number);
    }
    for (int f = 1; f <= count && !soft_patch_list.empty(); ++f) {
        const FixtureRecord r = read_fixture(setup, f);
        if (r.address == kMultipatchAddress) {
            for (const SoftPatchEntry& e : soft_patch_list) {
                if (e.fixture == f) enter(state, e.card, 1, e.address, 1, r.number);
            }
        } else if (r.address == kSoftPatchAddress) {
            const SoftPatchEntry* dimmer = first_entry(f, is_dimmer_part);
            const SoftPatchEntry* block = first_entry(f, is_block);
            if (dimmer == nullptr || block == nullptr) continue;
            enter(state, dimmer->card, 1, dimmer->address, 1, r.number);
            enter(state, block->card, 1, block->address, block->function - (kSoftPatchBlockBase + 1), r.number);
        }
    }
    for (int f = 1; f <= count; ++f) {
        const FixtureRecord r = read_fixture(setup, f);
        if (r.address >= 1) {
            add_used(state, r.card, r.channel_count);
            continue;
        }
        for (const SoftPatchEntry& e : soft_patch_list) {
            if (e.fixture != f) continue;
            if (r.address == kMultipatchAddress) {
                add_used(state, e.card, 1);
            } else if (r.address == kSoftPatchAddress && is_dimmer_part(e.function)) {
                add_used(state, e.card, 1);
            } else if (r.address == kSoftPatchAddress && is_block(e.function)) {
                add_used(state, e.card, e.function - (kSoftPatchBlockBase + 1));
            }
        }
    }
}

void select_fixture_protocol(AddressState& state, const LibraryList& list) {
    const int c = valid_card(state.selected_card) ? state.selected_card : 1;
    const bool selected = list.selected_entry != -1;
    for (int p = 1; p <= kCardProtocols; ++p) {
        const std::string& name = state.protocol_names[at(c)][at(p)];
        bool usable = false;
        if (selected && name != kProtocolNone) {
            for (int q = 1; q <= kCardProtocols; ++q) usable = usable || list.loaded_type.protocol_name(q) == name;
        }
        state.protocol_usable[at(p)] = usable ? 1 : 0;
    }
    const int current = state.selected_protocol;
    if (current < 1 || current > kCardProtocols || state.protocol_usable[at(current)] == 0) {
        state.selected_protocol = 0;
        for (int p = 1; p <= kCardProtocols && state.selected_protocol == 0; ++p) {
            if (state.protocol_usable[at(p)] != 0) state.selected_protocol = static_cast<int16_t>(p);
        }
    }
    state.martin_protocol =
        state.selected_protocol != 0 && state.protocol_names[at(c)][at(state.selected_protocol)] == kProtocolMartin ? 1 : 0;
    if (!blind()) write_direct_output_map(state);
}

void reset_output_patch_for_setup(const AddressState& state) {
    if (blind()) return;
    set_default_channel_curves();
    set_default_patch();
    const int c = state.selected_card;
    const int p = state.selected_protocol;
    if (valid_card(c) && p >= 1 && p <= kCardProtocols) {
        PatchTable& table = channel_patch_tables[at(kChannelWordTable + p)];
        for (int s = 1; s <= kCardAddresses; ++s) table[at((c - 1) * kCardAddresses + s)] = static_cast<uint16_t>(s);
    }
    runtime::upload_channel_tables();
    const int capacity = std::clamp<int>(runtime::function_record_capacity, 0, runtime::kOutputPositions);
    for (int channel = 1; channel <= capacity; ++channel) runtime::set_channel_level(static_cast<int16_t>(channel), 0, 1, 0);
}

}  // namespace setup
