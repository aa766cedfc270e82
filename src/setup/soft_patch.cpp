#include "setup/soft_patch.h"

#include <algorithm>
#include <utility>

#include "setup/fixture_editing_rig.h"
#include "setup/setup_data.h"

namespace setup {

std::array<SoftPatchEntry, kSoftPatchSlots + 1> soft_patch_table{};
std::vector<SoftPatchEntry> soft_patch_list;

void reset_soft_patch_globals() {
    soft_patch_table = {};
    soft_patch_list.clear();
    setup_list_memory = [](size_t) { return true; };
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

namespace setup {

namespace {

bool same_place(const SoftPatchEntry& a, const SoftPatchEntry& b) {
    return a.fixture == b.fixture && a.function == b.function && a.card == b.card && a.address == b.address;
}

// The list without the entries `goes` names, in order; false (list kept)
// without the memory for the new list.
template <typename Goes>
bool rebuild_soft_patch_list(Goes goes) {
    std::vector<SoftPatchEntry> kept;
    size_t count = 0;
    for (const SoftPatchEntry& e : soft_patch_list) count += goes(e) ? 0 : 1;
    if (count == soft_patch_list.size()) return true;
    if (count > 0 && !setup_list_memory(count)) return false;
    try {
        kept.reserve(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (const SoftPatchEntry& e : soft_patch_list) {
        if (!goes(e)) kept.push_back(e);
    }
    soft_patch_list = std::move(kept);
    return true;
}

}  // namespace

bool (*setup_list_memory)(size_t count) = [](size_t) { return true; };

int checked_soft_patch_slot(const SoftPatchEntry& e) {
    if (e.card < 1 || e.card > kMaxCards || e.address < 1 || e.address > kCardAddresses) return 0;
    return soft_patch_slot(e);
}

int find_soft_patch_entry(int16_t fixture, int16_t& function, uint8_t& card, int16_t& address) {
    card = 100;
    address = -1;
    for (size_t i = 0; i < soft_patch_list.size(); ++i) {
        const SoftPatchEntry& e = soft_patch_list[i];
        if (e.fixture != fixture) continue;
        const bool block = function == kSoftPatchAnyBlock && e.function > kSoftPatchBlockBase;
        if (e.function != function && !block) continue;
        function = e.function;
        card = e.card;
        address = e.address;
        return static_cast<int>(i);
    }
    return -1;
}

int soft_patch_function_entries(int16_t fixture, int16_t function) {
    return static_cast<int>(std::count_if(soft_patch_list.begin(), soft_patch_list.end(), [&](const SoftPatchEntry& e) {
        return e.fixture == fixture && e.function == function;
    }));
}

int soft_patch_row_entry(int16_t fixture, int16_t function, int row, int page) {
    if (row < 1 || page < 0) return -1;
    int c = 0;
    for (size_t i = 0; i < soft_patch_list.size(); ++i) {
        const SoftPatchEntry& e = soft_patch_list[i];
        if (e.fixture != fixture || e.function != function) continue;
        const bool on_page = c >= page * kSoftPatchPageRows && c < (page + 1) * kSoftPatchPageRows;
        if (on_page && c == row - 1) return static_cast<int>(i);
        ++c;
    }
    return -1;
}

bool delete_soft_patch_entries(int16_t fixture, int16_t function, int mode, int selected) {
    SoftPatchEntry chosen;
    if (mode == 0) {
        if (selected < 0 || static_cast<size_t>(selected) >= soft_patch_list.size()) return false;
        chosen = soft_patch_list[static_cast<size_t>(selected)];
    }
    return rebuild_soft_patch_list([&](const SoftPatchEntry& e) {
        if (e.function == kSoftPatchRemoved) return true;
        if (mode == 0) return same_place(e, chosen);
        return mode == 1 && e.fixture == fixture && e.function == function;
    });
}

void purge_killed_soft_patch_entries() {
    rebuild_soft_patch_list([](const SoftPatchEntry& e) { return e.fixture == kKilledSoftPatchEntry; });
}

SoftPatchAddCheck check_soft_patch_channel(int slot, const SoftPatchEntry& entry, bool range_mode) {
    if (slot < 1 || slot > kSoftPatchSlots) return {SoftPatchAdd::out_of_range, -1};
    if (!range_mode) {
        const auto same = std::find_if(soft_patch_list.begin(), soft_patch_list.end(),
                                       [&](const SoftPatchEntry& e) { return same_place(e, entry); });
        if (same != soft_patch_list.end()) return {SoftPatchAdd::duplicate, static_cast<int>(same - soft_patch_list.begin())};
    }
    for (size_t i = 0; i < soft_patch_list.size(); ++i) {
        const SoftPatchEntry& e = soft_patch_list[i];
        if (e.card == entry.card && e.address == entry.address && e.function >= 1 && e.function < kSoftPatchDimmerPart) {
            return {SoftPatchAdd::taken, static_cast<int>(i)};
        }
    }
    return {SoftPatchAdd::free, -1};
}

int last_soft_patch_entry(int16_t fixture, int16_t function) {
    for (size_t i = soft_patch_list.size(); i-- > 0;) {
        if (soft_patch_list[i].fixture == fixture && soft_patch_list[i].function == function) return static_cast<int>(i);
    }
    return -1;
}

int split_patch_conflict(int own, int16_t fixture, uint8_t card, int16_t address) {
    for (size_t i = 0; i < soft_patch_list.size(); ++i) {
        const SoftPatchEntry& e = soft_patch_list[i];
        if (static_cast<int>(i) == own || e.fixture == fixture) continue;
        if (e.card == card && e.address == address) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace setup

namespace setup {

void SoftPatchKeypadList::apply(int slot, bool remove) {
    if (!remove) {
        collected_.push_back({slot, false});
        return;
    }
    for (Collected& c : collected_) {
        if (c.slot == slot) c.removed = true;
    }
}

void SoftPatchKeypadList::take(int slot, KeypadEnd end) {
    const bool remove = remove_next_;
    const bool ends_range = range_start_ != 0;
    if (slot >= 1 && slot <= kSoftPatchSlots) {
        if (ends_range) {
            const int step = slot >= range_start_ ? 1 : -1;
            for (int s = range_start_;; s += step) {
                apply(s, range_remove_);
                if (s == slot) break;
            }
        } else if (end == KeypadEnd::range) {
            range_start_ = slot;
            range_remove_ = remove;
            remove_next_ = remove;
            return;
        } else {
            apply(slot, remove);
        }
    }
    range_start_ = 0;
    // A RANGE right after a range's end counts as PLUS.
    remove_next_ = end == KeypadEnd::minus;
}

std::vector<int> SoftPatchKeypadList::slots() const {
    std::vector<int> out;
    for (const Collected& c : collected_) {
        if (!c.removed) out.push_back(c.slot);
    }
    // A range begun but never ended stands for its start alone.
    if (range_start_ != 0 && !range_remove_) out.push_back(range_start_);
    return out;
}

}  // namespace setup
