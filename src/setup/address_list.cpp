#include "setup/address_list.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/card_discovery.h"
#include "runtime/channel_levels.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/mouse_input.h"
#include "setup/setup_colours.h"
#include "setup/setup_screen.h"
#include "setup/soft_patch.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace setup {

namespace {

constexpr int kRowHeight_px = 12;
constexpr int kFirstRow_px = 86;
constexpr int16_t kMultipatchRow = 27;
constexpr int16_t kMultipatchSelected = 1000;
constexpr int kMaxDrawnSwitches = 10;
constexpr int16_t kTextSize = 4;
constexpr int32_t kRefusalHz = kSetupRefusalHz;
constexpr uint32_t kRefusal_ms = 800;
constexpr uint32_t kShortRefusal_ms = 50;
constexpr uint32_t kPageRefusal_ms = 200;
constexpr int32_t kStartHz = 1000;
constexpr uint32_t kStart_ms = 20;
constexpr uint8_t kSoftPatchTestLevel = 128;
constexpr uint8_t kMarkedTestLevel = 64;
constexpr const char* kNoLibrary = "SELECT FIRST A LIBRARY";
constexpr const char* kNoLastAddress = "SELECT FIRST ANOTHER ADRESS";
constexpr const char* kIncrementRefused = "AN ADDRESS-INCREMENT OF 1 IS NOT ALLOWED FOR THIS LIBRARY";
constexpr const char* kAddressRefused = "THIS ADDRESS IS NOT ALLOWED FOR THE SELECTED LIBRARY";
constexpr const char* kInvalidAddress = "INVALID ADDRESS";
constexpr const char* kMultipatchTitle = "++ MULTIPATCH ++";
constexpr int16_t kModePlacing = 0;
constexpr int16_t kModeReset = 1;
constexpr int16_t kModeSoftPatch = 2;

int16_t hovered_slot = -1;
std::array<uint8_t, kSoftPatchSlots + 1> output_marks{};

bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }

void refuse(const char* text, uint32_t duration_ms = kRefusal_ms) { refuse_in_setup(text, duration_ms); }

bool library_chosen(const LibraryList& list) {
    if (list.selected_entry != -1 && library_loaded(list)) return true;
    refuse(kNoLibrary);
    return false;
}

int row_y(int row) { return kFirstRow_px + kRowHeight_px * row; }

// The page part ".%d"; a fixture of page 10 shows it in the small font, lower.
void draw_occupant(int y, int16_t occupant, int16_t colour) {
    const int key = (occupant - 1) % 70 + 1;
    const int page = (occupant - 1) / 70 + 1;
    std::array<char, 12> text{};
    platform::_setcolor(colour);
    if (page < 10) {
        std::snprintf(text.data(), text.size(), "%d.%d", key, page);
        platform::_outtextxy(26 - platform::_textwidth(text.data()), y + 1, text.data());
        return;
    }
    std::snprintf(text.data(), text.size(), "%d", key);
    const std::string page_text = ".10";
    const int width = platform::_textwidth(text.data()) + platform::_textwidth(page_text);
    platform::_outtextxy(26 - width, y + 1, text.data());
    platform::_outtextxy(26 - platform::_textwidth(page_text), y + 3, page_text);
}

void draw_address_row(int16_t switch_count, int16_t row, int16_t dip_value, int16_t address, int16_t occupant,
                      int16_t colour) {
    const int y = row_y(row);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize);
    if (row == kMultipatchRow) {
        const bool selected = colour == kRowCurrent;
        ui::fill_box(4, static_cast<int16_t>(y), 97, static_cast<int16_t>(y + 9), selected ? kRowCurrent : kSetupDarkGrey);
        platform::_setcolor(selected ? kSetupBlue : kSetupLightGrey);
        platform::_outtextxy(24, y, "MULTIPATCH");
        return;
    }
    ui::fill_box(0, static_cast<int16_t>(y), 99, static_cast<int16_t>(y + 10), kSetupLightGrey);
    ui::fill_box(27, static_cast<int16_t>(y), 80, static_cast<int16_t>(y + 9), colour);
    std::array<char, 12> text{};
    std::snprintf(text.data(), text.size(), "%3d", address);
    platform::_setcolor(colour);
    platform::_outtextxy(82, y, text.data());
    const int switches = std::min<int>(switch_count, kMaxDrawnSwitches);
    for (int i = 0; i < switches; ++i) {
        const int x = 29 + 5 * i;
        if ((dip_value >> i & 1) != 0) {
            ui::fill_box(static_cast<int16_t>(x), static_cast<int16_t>(y + 1), static_cast<int16_t>(x + 3),
                         static_cast<int16_t>(y + 4), kSetupRed);
        } else {
            ui::fill_box(static_cast<int16_t>(x), static_cast<int16_t>(y + 5), static_cast<int16_t>(x + 3),
                         static_cast<int16_t>(y + 8), colour == kRowCurrent ? kSetupDarkGrey : kSetupWhite);
        }
    }
    if (occupant >= 1 && occupant <= kMaxFixtures) draw_occupant(y, occupant, colour);
}

// The number a row shows: the address, or with MARTIN the slot number.
int16_t shown_address(const AddressPanel& panel, const AddressState& state, int slot) {
    return state.martin_protocol != 0 ? static_cast<int16_t>(slot) : slot_address(panel, slot);
}

int16_t dip_value_of(const AddressPanel& panel, int slot) {
    return static_cast<int16_t>(panel.dip_base + (slot - 1) * panel.dip_step);
}

// The rows of the page in their colours; only changed ones unless `all`.
void draw_rows(int16_t selected, AddressPanel& panel, AddressState& state, LibraryList& list, bool all) {
    const int span = slot_span(panel, list);
    const int selected_from = selected >= 1 && selected <= panel.slot_count ? slot_address(panel, selected) : 0;
    for (int r = 0; r < kListRows; ++r) {
        const int s = panel.list_page * kListRows + r + 1;
        if (s > panel.slot_count) break;
        const int16_t occupant = panel.slot_occupancy[static_cast<size_t>(s)];
        int16_t colour = row_colour(panel, occupant);
        const int a = slot_address(panel, s);
        if (selected_from != 0 && a >= selected_from && a <= selected_from + span - 1) colour = kRowCurrent;
        if (!all && panel.row_colours[static_cast<size_t>(r)] == colour) continue;
        panel.row_colours[static_cast<size_t>(r)] = colour;
        draw_address_row(panel.dip_switch_count, static_cast<int16_t>(r), dip_value_of(panel, s), shown_address(panel, state, s),
                         occupant, colour);
    }
}

void set_card_outputs_to_zero(const AddressState&) {
    if (blind()) return;
    for (int channel = 1; channel <= installed_cards() * kCardAddresses; ++channel) {
        runtime::set_channel_level(static_cast<int16_t>(channel), 0, 1, 0);
    }
}

int output_channel(const AddressState& state, int address) { return (state.selected_card - 1) * kCardAddresses + address; }

void light_slot_defaults(const AddressState& state, const AddressPanel& panel, const LibraryList& list, int a) {
    const FixtureTypeDef& type = list.loaded_type;
    const int channels = type.channel_count();
    if (blind() || a + channels - 1 > kCardAddresses) return;
    for (int k = 1; k <= channels; ++k) {
        uint8_t level = type.default_value(k);
        if (panel.lamp_on != 0) {
            for (int e = 1; e < kPredefinedEntries; ++e) {
                if (type.entry_text(k, e) == "LAMP ON") {
                    level = type.entry_value(k, e);
                    break;
                }
            }
        }
        runtime::set_channel_level(static_cast<int16_t>(output_channel(state, a + k - 1)), level, 1, 0);
    }
}

void mark_soft_patch_outputs(int16_t fixture, int16_t function) {
    output_marks.fill(0);
    for (const SoftPatchEntry& e : soft_patch_list) {
        if (e.fixture != fixture || e.function != function || e.card < 1 || e.card > kMaxCards) continue;
        const int slot = (e.card - 1) * kCardAddresses + e.address;
        if (slot >= 1 && slot <= kSoftPatchSlots) output_marks[static_cast<size_t>(slot)] = 1;
    }
}

void show_dip_text(const AddressState& state, const AddressPanel& panel, const LibraryList& list, int slot, int a) {
    const bool martin = state.martin_protocol != 0;
    const int16_t banks = martin && list.loaded_type.channel_count() > 16 ? 2 : 1;
    const std::string text = format_dip_switch_text(panel.dip_switch_count, dip_value_of(panel, slot),
                                                    static_cast<int16_t>(martin ? slot : a), banks);
    show_setup_status(text.c_str());
}

}  // namespace

void reset_address_list_screen_globals() {
    hovered_slot = -1;
    output_marks.fill(0);
}

void clear_control_channels() {
    if (blind()) return;
    const int capacity = std::clamp<int>(runtime::function_record_capacity, 0, runtime::kOutputPositions);
    for (int channel = 1; channel <= capacity; ++channel) runtime::set_channel_level(static_cast<int16_t>(channel), 0, 1, 0);
}

void draw_scroll_list(AddressPanel& panel, AddressState& state, LibraryList& list) {
    const PointerHidden hidden;
    panel.row_colours.fill(0);
    const int h = 295 / std::max<int>(panel.page_count, 1);
    ui::fill_box(102, 104, 115, 403, kSetupDarkGrey);
    ui::fill_box(104, static_cast<int16_t>(106 + panel.list_page * h), 113, static_cast<int16_t>(106 + (panel.list_page + 1) * h),
                 kSetupRed);
    ui::fill_box(2, 84, 99, 423, kSetupLightGrey);
    if (list.selected_entry != -1 && library_loaded(list)) draw_rows(0, panel, state, list, true);
    draw_address_row(panel.dip_switch_count, kMultipatchRow, 0, 0, 0, kSetupDarkGrey);
}

void draw_address_rows(int16_t selected, AddressPanel& panel, AddressState& state, LibraryList& list) {
    const PointerHidden hidden;
    draw_rows(selected, panel, state, list, false);
    const int16_t colour = selected == kMultipatchSelected ? kRowCurrent : kSetupDarkGrey;
    if (panel.row_colours[kMultipatchRow] != colour) {
        panel.row_colours[kMultipatchRow] = colour;
        draw_address_row(panel.dip_switch_count, kMultipatchRow, 0, 0, 0, colour);
    }
}

void draw_address_increment(AddressPanel& panel) {
    const PointerHidden hidden;
    ui::fill_box(73, 72, 114, 80, kSetupYellow);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize);
    std::array<char, 24> text{};
    std::snprintf(text.data(), text.size(), "INCR=%d", panel.single_step != 0 ? 1 : panel.address_increment);
    platform::_setcolor(kSetupRed);
    platform::_outtextxy(74, 73, text.data());
}

void change_address_increment(AddressPanel& panel, AddressState& state, LibraryList& list) {
    if (!library_chosen(list)) return;
    const int channels = list.loaded_type.channel_count();
    const int16_t s = slot_at_pointer_y(panel, runtime::mouse_y);
    int a = panel.single_step == 0 ? (s - 1) * channels + 1 : s;
    if (panel.single_step == 0) {
        if (state.martin_protocol != 0 || channels != list.loaded_type.address_step()) {
            refuse(kIncrementRefused);
            return;
        }
        panel.single_step = 1;
        panel.list_page = static_cast<int16_t>((a - 1) / kListRows);
    } else {
        panel.single_step = 0;
        panel.list_page = static_cast<int16_t>(((a - 1) / channels) / kListRows);
    }
    compute_address_slots(panel, state, list);
    draw_scroll_list(panel, state, list);
    draw_address_increment(panel);
    if (panel.single_step == 0) {
        a = ((a - 1) / channels) * channels + 1;
        if (a + channels - 1 > kCardAddresses) a = (panel.slot_count - 1) * channels + 1;
    }
    scroll_address_list_to(static_cast<int16_t>(a), panel, state, list);
}

void scroll_address_list_to(int16_t address, AddressPanel& panel, AddressState& state, LibraryList& list) {
    const uint8_t mode = panel.single_step;
    const int16_t page = panel.list_page;
    if (panel.single_step == 0 && panel.address_increment > 0 && (address - 1) % panel.address_increment != 0) {
        panel.single_step = 1;
        panel.address_increment = 1;
    }
    const int increment = std::max<int>(panel.address_increment, 1);
    const int s = std::max(1, (address - 1) / increment + 1);
    panel.list_page = static_cast<int16_t>((s - 1) / kListRows);
    if (mode != panel.single_step || page != panel.list_page) {
        compute_address_slots(panel, state, list);
        draw_scroll_list(panel, state, list);
        if (mode != panel.single_step) draw_address_increment(panel);
    }
    runtime::set_mouse_position(45, static_cast<int16_t>(((s - 1) % kListRows) * kRowHeight_px + 90));
}

void step_address_list_page(AddressPanel& panel, AddressState& state, int16_t direction) {
    const int page = panel.list_page + direction;
    if (page < 0 || page >= panel.page_count) {
        ui::beep(kRefusalHz, kPageRefusal_ms);
        return;
    }
    panel.list_page = static_cast<int16_t>(page);
    draw_scroll_list(panel, state, library_list);
}

void select_slot_above_pointer(AddressPanel& panel, AddressState& state, LibraryList& list) {
    if (!library_chosen(list)) return;
    runtime::read_mouse(0);
    const int16_t s = slot_at_pointer_y(panel, runtime::mouse_y);
    if (s < 2 || s > panel.slot_count) {
        ui::beep(kRefusalHz, kShortRefusal_ms);
        return;
    }
    scroll_address_list_to(slot_address(panel, s - 1), panel, state, list);
}

void select_slot_below_pointer(AddressPanel& panel, AddressState& state, LibraryList& list) {
    if (!library_chosen(list)) return;
    runtime::read_mouse(0);
    const int16_t s = slot_at_pointer_y(panel, runtime::mouse_y);
    if (s < 1 || s >= panel.slot_count) {
        ui::beep(kRefusalHz, kShortRefusal_ms);
        return;
    }
    scroll_address_list_to(slot_address(panel, s + 1), panel, state, list);
}

namespace {

// A step from the last placed fixture: refused unless the target's span
// lies inside 1..512 (a step before address 1 or past the card's end would
// give a page outside the list).
void step_from_last_address(AddressPanel& panel, AddressState& state, LibraryList& list, int direction) {
    if (!library_chosen(list)) return;
    if (panel.last_address <= 0) {
        refuse(kNoLastAddress);
        return;
    }
    const int channels = list.loaded_type.channel_count();
    const int increment = std::max<int>(panel.address_increment, 1);
    const int i = (panel.last_address - 1) / increment;
    const int target = direction > 0 ? i * increment + channels + 1 : i * increment + 1 - channels;
    if (target < 1 || target > kCardAddresses - slot_span(panel, list) + 1) {
        ui::beep(kRefusalHz, kShortRefusal_ms);
        return;
    }
    scroll_address_list_to(static_cast<int16_t>(target), panel, state, list);
    draw_scroll_list(panel, state, list);
}

}  // namespace

void select_previous_free_block(AddressPanel& panel, AddressState& state, LibraryList& list) {
    step_from_last_address(panel, state, list, -1);
}

void select_next_free_block(AddressPanel& panel, AddressState& state, LibraryList& list) {
    step_from_last_address(panel, state, list, +1);
}

void enter_fixture_address(AddressPanel& panel, AddressState& state, LibraryList& list) {
    if (!library_chosen(list)) return;
    ui::beep(kStartHz, kStart_ms);
    {
        const PointerHidden hidden;
        ui::fill_box(446, 431, 629, 459, kSetupYellow);
        ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize);
        platform::_setcolor(kSetupRed);
        platform::_outtextxy(448, 441, "ADDRESS :");
    }
    const int16_t value = ui::edit_number(-1, 505, 441, 3, kSetupYellow, kSetupRed, 0);
    ui::last_message_text.fill('\0');
    if (value == ui::kEntryCancelled || value == ui::kEntryEmpty) return;
    const int channels = list.loaded_type.channel_count();
    if (state.martin_protocol != 0) {
        if (value < 1 || value > kMartinSlots) {
            refuse(kInvalidAddress);
            return;
        }
        scroll_address_list_to(static_cast<int16_t>(kMartinIncrement * value - 15), panel, state, list);
        return;
    }
    if (value < 1 || value > kCardAddresses) {
        refuse(kInvalidAddress);
        return;
    }
    if (channels != list.loaded_type.address_step() && (value - 1) % channels != 0) {
        refuse(kAddressRefused);
        return;
    }
    scroll_address_list_to(value, panel, state, list);
}

void track_address_list_pointer(AddressState& state, AddressPanel& panel, LibraryList& list, int16_t fixture,
                                int16_t function, int16_t mode) {
    if (fixture == 0 && function == 0 && mode == kModeReset) {
        clear_control_channels();
        hovered_slot = -1;
        return;
    }
    if (mode == kModeSoftPatch && function != 0) mark_soft_patch_outputs(fixture, function);
    if (list.selected_entry == -1 || !library_loaded(list)) return;
    const int16_t x = runtime::mouse_x;
    const int16_t y = runtime::mouse_y;
    if (x <= 0 || x >= 100 || y <= 82 || y >= 425) {
        if (hovered_slot != -1) {
            show_setup_status(kSetupTitle);
            draw_address_rows(0, panel, state, list);
            clear_control_channels();
            hovered_slot = -1;
        }
        return;
    }
    const int row = (y - kFirstRow_px) / kRowHeight_px + 1;
    const int16_t slot = row == kMultipatchSlot ? kMultipatchSlot : static_cast<int16_t>(panel.list_page * kListRows + row);
    if (slot == hovered_slot) return;
    hovered_slot = slot;
    if (!blind()) {
        if (mode == kModePlacing) set_card_outputs_to_zero(state);
        if (mode == kModeSoftPatch) {
            for (int channel = 1; channel <= kSoftPatchSlots; ++channel) {
                runtime::set_channel_level(static_cast<int16_t>(channel),
                                           output_marks[static_cast<size_t>(channel)] != 0 ? kMarkedTestLevel : 0, 1, 0);
            }
        }
    }
    if (row == kMultipatchSlot) {
        draw_address_rows(0, panel, state, list);
        draw_address_rows(kMultipatchSelected, panel, state, list);
        show_setup_status(kMultipatchTitle);
        return;
    }
    if (slot < 1 || slot > panel.slot_count) {
        show_setup_status(kSetupTitle);
        return;
    }
    draw_address_rows(slot, panel, state, list);
    const int a = slot_address(panel, slot);
    if (mode == kModePlacing) light_slot_defaults(state, panel, list, a);
    if (mode == kModeSoftPatch && !blind() && a <= kCardAddresses) {
        runtime::set_channel_level(static_cast<int16_t>(output_channel(state, a)), kSoftPatchTestLevel, 1, 0);
    }
    show_dip_text(state, panel, list, slot, a);
}

}  // namespace setup
