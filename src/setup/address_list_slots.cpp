#include "setup/address_list_slots.h"

#include <algorithm>
#include <cstdio>

namespace setup {

AddressPanel address_panel;

void reset_address_list_globals() { address_panel = {}; }

void init_address_panel(AddressPanel& panel) {
    const int16_t width = panel.patch_width;
    panel = AddressPanel{};
    panel.patch_width = width;
}

namespace {

constexpr int kMaxDipSwitches = 10;
constexpr int kRowHeight_px = 12;
constexpr int kFirstRow_px = 86;

std::string switches_on(int count, int value) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if ((value >> i & 1) == 0) continue;
        if (!text.empty()) text += ",";
        text += std::to_string(i + 1);
    }
    return text;
}

}  // namespace

void compute_address_slots(AddressPanel& panel, AddressState& state, LibraryList& list) {
    const int channels = list.loaded_type.channel_count();
    if (list.selected_entry == -1 || channels == 0) return;
    const bool martin = state.martin_protocol != 0;
    const bool single = panel.single_step != 0;
    panel.slot_count = static_cast<int16_t>(martin ? kMartinSlots : single ? kCardAddresses : kCardAddresses / channels);
    panel.dip_switch_count = list.loaded_type.u8(kTypeDipCount);
    panel.page_count = static_cast<int16_t>((panel.slot_count - 1) / kListRows + 1);
    panel.dip_base = panel.patch_width == 0 ? static_cast<int16_t>(list.loaded_type.u16(kTypeDipBase)) : int16_t{1};
    panel.dip_step = martin || single ? int16_t{1} : list.loaded_type.address_step();
    panel.address_increment = static_cast<int16_t>(martin ? kMartinIncrement : single ? 1 : channels);
    panel.slot_occupancy.fill(0);
    const int c = state.selected_card;
    const int p = state.selected_protocol;
    if (p < 1 || p > kCardProtocols || c < 1 || c > kMaxCards) {
        panel.slots_valid = 0;
        return;
    }
    const CardAddressMap& map = state.address_map[static_cast<size_t>(c)][static_cast<size_t>(p)];
    const int span = slot_span(panel, list);
    for (int s = 1; s <= panel.slot_count; ++s) {
        const int a = slot_address(panel, s);
        int16_t occupant = 0;
        for (int k = 0; k < span; ++k) {
            if (a + k > kCardAddresses) {
                occupant = kPastEnd;
                break;
            }
            const int n = map[static_cast<size_t>(a + k)];
            if (n != 0) {
                occupant = static_cast<int16_t>(k == 0 ? n : n + kOverlapOffset);
                break;
            }
        }
        panel.slot_occupancy[static_cast<size_t>(s)] = occupant;
    }
    panel.slots_valid = 1;
}

int16_t slot_address(const AddressPanel& panel, int slot) {
    return static_cast<int16_t>((slot - 1) * panel.address_increment + 1);
}

int slot_span(const AddressPanel& panel, const LibraryList& list) {
    return panel.patch_width == 0 ? list.loaded_type.channel_count() : panel.patch_width;
}

int16_t row_colour(const AddressPanel& panel, int16_t occupant) {
    if (occupant == 0) return kRowFree;
    if (occupant > kOverlapOffset) return kRowOverlap;
    return occupant == panel.current_fixture ? kRowCurrent : kRowOccupied;
}

std::string format_dip_switch_text(int16_t switch_count, int16_t value, int16_t address, int16_t banks) {
    const int count = std::clamp<int>(switch_count, 0, kMaxDipSwitches);
    std::array<char, 12> number{};
    std::snprintf(number.data(), number.size(), "%3d", address);
    const std::string on = switches_on(count, value);
    std::string text = "ADDR: " + std::string(number.data()) + " DIPSW: " + (on.empty() ? "All off " : on + " on");
    if (banks == 2) text += " DIPSW2: " + switches_on(count, value + 1) + " on";
    return text;
}

int16_t slot_at_pointer_y(const AddressPanel& panel, int16_t y) {
    const int first = panel.list_page * kListRows + 1;
    int s = y < kFirstRow_px ? first : (y - kFirstRow_px) / kRowHeight_px + first;
    s = std::min<int>(s, panel.slot_count);
    return static_cast<int16_t>(std::max(s, first));
}

}  // namespace setup
