// The patch conflicts of a rig, worked out without drawing: every output
// slot the fixture records and soft_patch_list claim, the cards on which
// more than 512 slots are claimed, the slots that lie past a card's 512
// addresses, and the pairs of fixtures that send two channels on one card,
// under one protocol name, at one address (each pair once, at the first
// shared slot).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "setup/setup_data.h"

namespace setup {

constexpr int16_t kConflictCardBase = 1000;  // fixture A of a card entry: 1000 + card

// One entry of the list. A pair: the two fixture numbers and channels and
// the shared card and address. A card over capacity: fixture A 1000 + card,
// fixture B the slots claimed. A slot past the card's end: fixture B 0, the
// card and the address above 512.
struct PatchConflict {
    int16_t fixture_a = 0;
    uint8_t channel_a = 0;
    int16_t fixture_b = 0;
    uint8_t channel_b = 0;
    uint8_t card = 0;
    int16_t address = 0;
};

enum class PatchConflictKind : uint8_t { pair, card, past_end };
PatchConflictKind conflict_kind(const PatchConflict& conflict);

struct PatchConflictResult {
    std::vector<PatchConflict> conflicts;
    // [fixture record 1..count]: its stage colour, or 4 when in a pair.
    std::vector<int16_t> colours;
    bool out_of_memory = false;  // the list could not grow: count the rig as not clean
};

constexpr int16_t kConflictColour = 4;

// The conflicts of the setup block and soft_patch_list, in the order: card
// entries, slots past a card's end, pairs in slot order.
PatchConflictResult find_patch_conflicts(const SetupData& setup);

// The two lines of an entry as the "PATCH CONFLICTS" list writes them.
std::array<std::string, 2> patch_conflict_lines(const PatchConflict& conflict);

}  // namespace setup
