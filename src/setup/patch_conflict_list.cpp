#include "setup/patch_conflict_list.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "setup/address_state.h"
#include "setup/soft_patch.h"

namespace setup {

namespace {

// Addresses a slot may carry: a fixture at 512 with 32 channels reaches 543.
constexpr int kAddressKeys = 1024;

struct ConflictSlot {
    int16_t fixture = 0;  // record index
    uint8_t channel = 0;
    uint8_t protocol = 0;  // index into the rig's protocol names
    uint8_t card = 0;
    int16_t address = 0;
};

class SlotCollector {
public:
    explicit SlotCollector(std::vector<ConflictSlot>& slots) : slots_(slots) {}
    void add(int f, int channel, const std::string& protocol, int card, int address) {
        if (card < 1 || card > kMaxCards || address < 1 || address >= kAddressKeys) return;
        slots_.push_back({static_cast<int16_t>(f), static_cast<uint8_t>(channel), protocol_id(protocol),
                          static_cast<uint8_t>(card), static_cast<int16_t>(address)});
        ++card_slots[static_cast<size_t>(card)];
    }
    std::array<int, kMaxCards + 1> card_slots{};

private:
    uint8_t protocol_id(const std::string& protocol) {
        const auto it = std::find(protocols_.begin(), protocols_.end(), protocol);
        if (it != protocols_.end()) return static_cast<uint8_t>(it - protocols_.begin());
        protocols_.push_back(protocol);
        return static_cast<uint8_t>(protocols_.size() - 1);
    }
    std::vector<ConflictSlot>& slots_;
    std::vector<std::string> protocols_;
};

bool valid_entry(const SoftPatchEntry& e) {
    return e.card >= 1 && e.card <= kMaxCards && e.address >= 1 && e.address <= kCardAddresses;
}

// The slots of every fixture in record order: an ordinary patch's channels
// from its address, a multipatch fixture's entries in list order, a split
// fixture's dimmer and block. Entries naming no fixture, no function of it,
// no card or no address are left out.
void collect_slots(const SetupData& setup, int count, SlotCollector& collector) {
    std::vector<std::vector<int>> entries_of(static_cast<size_t>(count) + 1);
    for (size_t i = 0; i < soft_patch_list.size(); ++i) {
        const SoftPatchEntry& e = soft_patch_list[i];
        if (e.fixture >= 1 && e.fixture <= count && valid_entry(e)) entries_of[static_cast<size_t>(e.fixture)].push_back(static_cast<int>(i));
    }
    for (int f = 1; f <= count; ++f) {
        const FixtureRecord r = read_fixture(setup, f);
        if (r.address >= 1 && r.address <= kCardAddresses) {
            for (int c = 1; c <= r.channel_count; ++c) collector.add(f, c, r.protocol, r.card, r.address + c - 1);
            continue;
        }
        for (const int i : entries_of[static_cast<size_t>(f)]) {
            const SoftPatchEntry& e = soft_patch_list[static_cast<size_t>(i)];
            if (r.address == kMultipatchAddress) {
                if (e.function >= 1 && e.function <= r.channel_count) {
                    collector.add(f, e.function, kProtocolDmxOut, e.card, e.address);
                }
            } else if (r.address == kSoftPatchAddress && e.function == kSoftPatchDimmerPart) {
                collector.add(f, 1, kProtocolDmxOut, e.card, e.address);
            } else if (r.address == kSoftPatchAddress && e.function > kSoftPatchBlockBase &&
                       e.function <= kSoftPatchBlockBase + kMaxTypeChannels) {
                const int n = e.function - kSoftPatchBlockBase;
                for (int k = 1; k <= n - 1; ++k) collector.add(f, k + 1, kProtocolDmxOut, e.card, e.address + k - 1);
            }
        }
    }
}

int16_t number_of(const SetupData& setup, int f) { return static_cast<int16_t>(setup.u16(SetupData::fixture_field(f, kFixtureNumber))); }

}  // namespace

PatchConflictKind conflict_kind(const PatchConflict& c) {
    if (c.fixture_a > kConflictCardBase) return PatchConflictKind::card;
    return c.fixture_b == 0 ? PatchConflictKind::past_end : PatchConflictKind::pair;
}

PatchConflictResult find_patch_conflicts(const SetupData& setup) {
    PatchConflictResult result;
    const int count = std::clamp<int>(setup.stored_fixture_count(), 0, kMaxFixtures);
    result.colours.assign(static_cast<size_t>(count) + 1, 0);
    for (int f = 1; f <= count; ++f) result.colours[static_cast<size_t>(f)] = setup.i16(SetupData::fixture_field(f, kFixtureStageColour));
    std::vector<ConflictSlot> slots;
    SlotCollector collector(slots);
    collect_slots(setup, count, collector);

    const auto add = [&](const PatchConflict& c) {
        if (!append_list_entry(result.conflicts, c)) result.out_of_memory = true;
    };
    for (int card = 1; card <= kMaxCards; ++card) {
        const int claimed = collector.card_slots[static_cast<size_t>(card)];
        if (claimed > kCardAddresses) {
            add({static_cast<int16_t>(kConflictCardBase + card), 1, static_cast<int16_t>(std::min(claimed, 32767)), 1, 1, 1});
        }
    }
    // Slots past a card's 512 addresses, once per fixture.
    std::vector<bool> past_listed(static_cast<size_t>(count) + 1, false);
    for (const ConflictSlot& s : slots) {
        if (s.address <= kCardAddresses || past_listed[static_cast<size_t>(s.fixture)]) continue;
        past_listed[static_cast<size_t>(s.fixture)] = true;
        result.colours[static_cast<size_t>(s.fixture)] = kConflictColour;
        add({number_of(setup, s.fixture), s.channel, 0, 0, s.card, s.address});
    }
    // Pairs: the slots of each card address in slot order, the candidate
    // pairs (i, j) sorted as the pair test of every slot against every later
    // one would meet them, each fixture pair listed at its first.
    std::vector<std::vector<int>> at_key(static_cast<size_t>(kMaxCards + 1) * kAddressKeys);
    for (size_t i = 0; i < slots.size(); ++i) {
        at_key[static_cast<size_t>(slots[i].card) * kAddressKeys + static_cast<size_t>(slots[i].address)].push_back(static_cast<int>(i));
    }
    std::vector<std::pair<int, int>> candidates;
    for (const std::vector<int>& same : at_key) {
        for (size_t a = 0; a < same.size(); ++a) {
            for (size_t b = a + 1; b < same.size(); ++b) {
                if (slots[static_cast<size_t>(same[a])].protocol == slots[static_cast<size_t>(same[b])].protocol) {
                    candidates.emplace_back(same[a], same[b]);
                }
            }
        }
    }
    std::sort(candidates.begin(), candidates.end());
    std::vector<std::pair<int16_t, int16_t>> listed;
    for (const auto& [i, j] : candidates) {
        const ConflictSlot& si = slots[static_cast<size_t>(i)];
        const ConflictSlot& sj = slots[static_cast<size_t>(j)];
        result.colours[static_cast<size_t>(si.fixture)] = kConflictColour;
        result.colours[static_cast<size_t>(sj.fixture)] = kConflictColour;
        const int16_t a = number_of(setup, si.fixture);
        const int16_t b = number_of(setup, sj.fixture);
        const std::pair<int16_t, int16_t> key{std::min(a, b), std::max(a, b)};
        const auto at = std::lower_bound(listed.begin(), listed.end(), key);
        if (at != listed.end() && *at == key) continue;
        listed.insert(at, key);
        add({a, si.channel, b, sj.channel, sj.card, sj.address});
    }
    return result;
}

std::array<std::string, 2> patch_conflict_lines(const PatchConflict& c) {
    std::array<char, 64> first{};
    std::array<char, 64> second{};
    const auto key = [](int n) { return (n - 1) % 70 + 1; };
    const auto page = [](int n) { return (n - 1) / 70 + 1; };
    switch (conflict_kind(c)) {
        case PatchConflictKind::card:
            std::snprintf(first.data(), first.size(), "%d channels taken on", c.fixture_b);
            std::snprintf(second.data(), second.size(), "  Card %d (Max 512)", c.fixture_a - kConflictCardBase);
            break;
        case PatchConflictKind::past_end:
            std::snprintf(first.data(), first.size(), "Fixt.%2d.%-1d F%2d Ad.%1d.%2d", key(c.fixture_a), page(c.fixture_a),
                          c.channel_a, c.card, c.address);
            std::snprintf(second.data(), second.size(), "  past address 512");
            break;
        case PatchConflictKind::pair:
            std::snprintf(first.data(), first.size(), "Fixt.%2d.%-1d F%2d Ad.%1d.%2d", key(c.fixture_a), page(c.fixture_a),
                          c.channel_a, c.card, c.address);
            std::snprintf(second.data(), second.size(), "  & %2d.%-1d F%2d Ad.%1d.%2d", key(c.fixture_b), page(c.fixture_b),
                          c.channel_b, c.card, c.address);
            break;
    }
    return {first.data(), second.data()};
}

}  // namespace setup
