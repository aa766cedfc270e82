#include "setup/soft_patch.h"

#include "setup/setup_data.h"

namespace setup {

std::array<SoftPatchEntry, kSoftPatchSlots + 1> soft_patch_table{};
std::vector<SoftPatchEntry> soft_patch_list;

void reset_soft_patch_globals() {
    soft_patch_table = {};
    soft_patch_list.clear();
}

void clear_soft_patch_table() { soft_patch_table.fill(SoftPatchEntry{}); }

namespace {

bool valid_function(int16_t function) {
    if (function >= 1 && function <= kMaxTypeChannels) return true;
    if (function == kSoftPatchDimmerPart) return true;
    return function > kSoftPatchBlockBase && function <= kSoftPatchBlockBase + kMaxTypeChannels;
}

}  // namespace

bool is_valid_soft_patch_entry(const SoftPatchEntry& e, int fixtures) {
    return e.fixture >= 1 && e.fixture <= fixtures && e.fixture <= kMaxFixtures && valid_function(e.function) &&
           e.card >= 1 && e.card <= kMaxCards && e.address >= 1 && e.address <= kCardAddresses;
}

int soft_patch_slot(const SoftPatchEntry& e) { return (e.card - 1) * kCardAddresses + e.address; }

void load_soft_patch_list() {
    soft_patch_list.clear();
    for (size_t s = 1; s <= kSoftPatchSlots; ++s) {
        if (soft_patch_table[s].fixture != kSoftPatchFree) soft_patch_list.push_back(soft_patch_table[s]);
    }
}

int fill_soft_patch_table(int fixtures) {
    clear_soft_patch_table();
    int dropped = 0;
    for (const SoftPatchEntry& e : soft_patch_list) {
        if (!is_valid_soft_patch_entry(e, fixtures)) {
            ++dropped;
            continue;
        }
        soft_patch_table[static_cast<size_t>(soft_patch_slot(e))] = e;
    }
    return dropped;
}

}  // namespace setup
