#include "setup/patch_conflicts.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "runtime/step_log.h"
#include "setup/address_state.h"
#include "setup/soft_patch.h"

namespace setup {

int16_t patch_conflict_count = 0;

void reset_patch_conflicts_globals() { patch_conflict_count = 0; }

namespace {

struct ConflictSlot {
    int fixture = 0;  // record index
    std::string protocol;
    int card = 0;
    int address = 0;
};

void add_slot(std::vector<ConflictSlot>& slots, std::array<int, kMaxCards + 1>& per_card, int f,
              const std::string& protocol, int card, int address) {
    slots.push_back({f, protocol, card, address});
    if (card >= 1 && card <= kMaxCards) ++per_card[static_cast<size_t>(card)];
}

}  // namespace

int16_t count_patch_conflicts(const SetupData& setup) {
    std::vector<ConflictSlot> slots;
    std::array<int, kMaxCards + 1> per_card{};
    const int count = std::clamp<int>(setup.stored_fixture_count(), 0, kMaxFixtures);
    for (int f = 1; f <= count; ++f) {
        const FixtureRecord r = read_fixture(setup, f);
        if (r.address >= 1) {
            for (int c = 0; c < r.channel_count; ++c) add_slot(slots, per_card, f, r.protocol, r.card, r.address + c);
            continue;
        }
        for (const SoftPatchEntry& e : soft_patch_list) {
            if (e.fixture != f) continue;
            if (r.address == kMultipatchAddress) {
                add_slot(slots, per_card, f, kProtocolDmxOut, e.card, e.address);
            } else if (r.address == kSoftPatchAddress && e.function == kSoftPatchDimmerPart) {
                add_slot(slots, per_card, f, kProtocolDmxOut, e.card, e.address);
            } else if (r.address == kSoftPatchAddress && e.function > kSoftPatchBlockBase) {
                const int n = e.function - kSoftPatchBlockBase;
                for (int k = 1; k <= n - 1; ++k) add_slot(slots, per_card, f, kProtocolDmxOut, e.card, e.address + k - 1);
            }
        }
    }
    int conflicts = 0;
    for (int card = 1; card <= kMaxCards; ++card) conflicts += per_card[static_cast<size_t>(card)] > kCardAddresses ? 1 : 0;
    // Each pair of fixtures counts once, however many slots they share.
    std::vector<std::pair<int, int>> pairs;
    for (size_t i = 0; i < slots.size(); ++i) {
        for (size_t j = i + 1; j < slots.size(); ++j) {
            const ConflictSlot& a = slots[i];
            const ConflictSlot& b = slots[j];
            if (a.address != b.address || a.card != b.card || a.protocol != b.protocol) continue;
            const std::pair<int, int> pair{std::min(a.fixture, b.fixture), std::max(a.fixture, b.fixture)};
            if (std::find(pairs.begin(), pairs.end(), pair) == pairs.end()) pairs.push_back(pair);
        }
    }
    conflicts += static_cast<int>(pairs.size());
    return static_cast<int16_t>(std::min(conflicts, 32767));
}

void compute_patch_conflicts(const SetupData& setup, LibraryList&) {
    patch_conflict_count = count_patch_conflicts(setup);
    runtime::log_call("setup::compute_patch_conflicts", {patch_conflict_count});
}

void show_patch_conflicts(uint8_t mode) { runtime::log_call("setup::show_patch_conflicts", {mode}); }

}  // namespace setup
