#include "setup/split_dimmer_editor.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/graphics.h"
#include "runtime/key_codes.h"
#include "runtime/mouse_input.h"
#include "setup/fixture_editing.h"
#include "setup/fixture_editing_rig.h"
#include "setup/multipatch_editor.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan_items.h"
#include "ui/helpers.h"

namespace setup {

namespace {

using runtime::mouse_x;
using runtime::mouse_y;

// Pointer ranges and hit rectangles as (x1, y1)-(x2, y2).
struct Rect {
    int16_t x1, y1, x2, y2;
};
constexpr Rect kWholeScreen = {0, 0, 628, 470};
constexpr Rect kEditorRange = {451, 1, 629, 187};
constexpr int16_t kFrameGreen = 2;
constexpr int32_t kRefusalHz = kSetupRefusalHz;
constexpr uint32_t kRefusal_ms = 800;
constexpr int32_t kStartHz = 1000;
constexpr uint32_t kStart_ms = 20;
constexpr int32_t kPickHz = 800;
constexpr uint32_t kPick_ms = 100;

constexpr const char* kSelectPart = "SELECT DIMMER / FUNCTIONS TO PATCH";
constexpr const char* kSelectFunction = "SELECT THE FUNCTION TO PATCH";
constexpr const char* kPastCard = "THE ADDRESSES OF SOME CHANNELS WILL BE OUT OF RANGE (>512)";
constexpr const char* kNotEnoughMemory = "NOT ENOUGH MEMORY";

// The three buttons: hit area, the picker's code, and which entries move.
enum class Change : uint8_t { dimmer, block, global };
struct ChangeButton {
    Rect hit;
    int16_t picker_code;
    Change change;
};
constexpr std::array<ChangeButton, 3> kButtons = {{
    {{456, 60, 609, 75}, 60, Change::dimmer},
    {{456, 120, 609, 135}, 61, Change::block},
    {{456, 157, 609, 172}, 62, Change::global},
}};

void confine(const Rect& r) { runtime::set_mouse_range(r.x1, r.y1, r.x2, r.y2); }
bool inside(const Rect& r) { return runtime::is_point_in_rect(r.x1, r.y1, r.x2, r.y2, mouse_x, mouse_y); }

void text_at(int x, int y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void line(int x1, int y1, int x2, int y2, int16_t colour) {
    platform::_setcolor(colour);
    platform::_line(x1, y1, x2, y2);
}

// The block's code of a fixture with `channels` channels.
int16_t block_code(int channels) { return static_cast<int16_t>(kSoftPatchBlockBase + channels); }

// One change button's sequence: pick a slot, move the entries.
void run_change(const ChangeButton& b, int16_t f, int channels, SetupData& setup, AddressState& state, LibraryList& list,
                AddressPanel& panel) {
    ui::beep(kPickHz, kPick_ms);
    const int16_t px = mouse_x;
    const int16_t py = mouse_y;
    panel.current_fixture = static_cast<int16_t>(fixture_number_of(setup, f));
    panel.patch_width = static_cast<int16_t>(b.change == Change::dimmer ? 1 : b.change == Change::block ? channels - 1 : channels);
    int16_t function = b.change == Change::dimmer ? kSoftPatchDimmerPart : kSoftPatchAnyBlock;
    uint8_t card = 0;
    int16_t address = 0;
    find_soft_patch_entry(f, function, card, address);
    select_patch_card(card, read_fixture(setup, f).protocol, state, list);
    compute_address_slots(panel, state, list);
    const int start = std::clamp<int>(b.change == Change::global && address >= 2 ? address - 1 : address, 1, kCardAddresses);
    panel.list_page = static_cast<int16_t>((start - 1) / kListRows);
    draw_address_increment(panel);
    draw_scroll_list(panel, state, list);
    runtime::show_mouse_cursor(0);
    const int slot = pick_output_slot(f, state, list, panel, static_cast<int16_t>(start), b.picker_code);
    const uint8_t c = static_cast<uint8_t>(std::clamp<int>(state.selected_card, 1, kMaxCards));
    const int a = slot - (c - 1) * kCardAddresses;
    // The dimmer and the block stay within the card's 512 addresses.
    const int last = b.change == Change::dimmer ? a : b.change == Change::block ? a + channels - 2 : a + channels - 1;
    if (slot >= 1 && slot <= kSoftPatchSlots && last > kCardAddresses) {
        refuse_in_setup(kPastCard, kRefusal_ms);
    } else if (b.change == Change::dimmer) {
        set_split_patch_entry(slot, f, kSoftPatchDimmerPart, c, static_cast<int16_t>(a), setup);
    } else if (b.change == Change::block) {
        set_split_patch_entry(slot, f, block_code(channels), c, static_cast<int16_t>(a), setup);
    } else {
        set_split_patch_entry(slot, f, kSoftPatchDimmerPart, c, static_cast<int16_t>(a), setup);
        set_split_patch_entry(slot, f, block_code(channels), c, static_cast<int16_t>(a + 1), setup);
    }
    refresh_patch_address_list(setup, state, list, panel);
    confine(kEditorRange);
    draw_split_dimmer_patch_panel(f);
    runtime::show_mouse_cursor(1);
    runtime::set_mouse_position(px, py);
    panel.patch_width = 0;
}

}  // namespace

void set_split_patch_entry(int slot, int16_t f, int16_t function, uint8_t card, int16_t address, const SetupData& setup) {
    if (slot < 1 || slot > kSoftPatchSlots) {
        ui::beep(kRefusalHz, kRefusal_ms);
        return;
    }
    int own = last_soft_patch_entry(f, function);
    const int other = split_patch_conflict(own, f, card, address);
    if (other >= 0) {
        if (!ask_overwrite(setup, other, false, slot)) {
            show_setup_status(kSelectFunction);
            return;
        }
        const int16_t kept = soft_patch_list[static_cast<size_t>(other)].function;
        soft_patch_list[static_cast<size_t>(other)].function = kSoftPatchRemoved;
        if (!delete_soft_patch_entries(f, function, 2, -1)) {
            soft_patch_list[static_cast<size_t>(other)].function = kept;
            refuse_in_setup(kNotEnoughMemory, kRefusal_ms);
            return;
        }
        own = last_soft_patch_entry(f, function);
    }
    if (own >= 0) {
        soft_patch_list[static_cast<size_t>(own)].card = card;
        soft_patch_list[static_cast<size_t>(own)].address = address;
    } else if (!append_list_entry(soft_patch_list, SoftPatchEntry{f, function, card, address})) {
        // A fixture opened without its entries gets them at its first pick.
        refuse_in_setup(kNotEnoughMemory, kRefusal_ms);
        return;
    }
    show_setup_status(kSelectFunction);
}

void draw_split_dimmer_patch_panel(int16_t f) {
    const PointerHidden hidden;
    ui::fill_box(451, 12, 629, 187, kSetupBlack);
    line(450, 12, 630, 12, kSetupLightGrey);
    line(450, 28, 630, 28, kSetupRed);
    ui::fill_box(451, 13, 629, 27, kSetupYellow);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    text_at(455, 17, kSetupRed, "SPLIT DIMMERPATCH ");
    platform::_setcolor(kFrameGreen);
    platform::_rectangle(452, 30, 628, 80);
    platform::_rectangle(452, 90, 628, 140);
    platform::_rectangle(452, 150, 628, 180);
    text_at(460, 35, kSetupYellow, "Address for Dimmer :");
    text_at(460, 95, kSetupYellow, "Address for Functions :");
    ui::draw_text_button(456, 60, 625, 75, kSetupDarkGrey, "Change Dimmer Address", kSetupYellow);
    ui::draw_text_button(456, 120, 625, 135, kSetupDarkGrey, "Change Functions Address", kSetupYellow);
    ui::draw_text_button(456, 157, 625, 172, kSetupDarkGrey, "Change Global Address", kSetupYellow);
    ui::fill_box(469, 44, 625, 55, kSetupBlack);
    ui::fill_box(469, 104, 625, 115, kSetupBlack);
    std::array<char, 48> text{};
    int16_t function = kSoftPatchDimmerPart;
    uint8_t card = 0;
    int16_t address = 0;
    if (find_soft_patch_entry(f, function, card, address) >= 0) {
        std::snprintf(text.data(), text.size(), "DMX OUT %d  AD %d", card, address);
        text_at(470, 45, kSetupWhite, text.data());
    }
    function = kSoftPatchAnyBlock;
    if (find_soft_patch_entry(f, function, card, address) >= 0) {
        std::snprintf(text.data(), text.size(), "DMX OUT %d  AD %d -> %d", card, address,
                      address + (function - kSoftPatchBlockBase) - 2);
        text_at(470, 105, kSetupWhite, text.data());
    }
}

void edit_split_dimmer_patch(int16_t f, int16_t start_address, SetupData& setup, AddressState& state, LibraryList& list,
                             AddressPanel& panel) {
    if (f < 1 || f > rig_fixture_count(setup)) return;
    const int channels = std::clamp<int>(list.loaded_type.channel_count(), 1, kMaxTypeChannels);
    if (start_address >= 1 && start_address <= kCardAddresses) {
        const uint8_t card = static_cast<uint8_t>(std::clamp<int>(state.selected_card, 1, kMaxCards));
        const bool made = append_list_entry(soft_patch_list, SoftPatchEntry{f, kSoftPatchDimmerPart, card, start_address}) &&
                          append_list_entry(soft_patch_list, SoftPatchEntry{f, block_code(channels), card,
                                                                            static_cast<int16_t>(start_address + 1)});
        if (!made) refuse_in_setup(kNotEnoughMemory, kRefusal_ms);
    }
    panel.current_fixture = static_cast<int16_t>(fixture_number_of(setup, f));
    refresh_patch_address_list(setup, state, list, panel);
    draw_soft_patch_title();
    confine(kEditorRange);
    show_setup_status(kSelectPart);
    ui::beep(kStartHz, kStart_ms);
    runtime::read_mouse(0);
    draw_split_dimmer_patch_panel(f);
    for (;;) {
        const int16_t key = read_setup_key();
        runtime::read_mouse(0);
        if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) break;
        if (runtime::mouse_buttons != runtime::kMouseLeft) continue;
        for (const ChangeButton& b : kButtons) {
            if (inside(b.hit)) {
                run_change(b, f, channels, setup, state, list, panel);
                break;
            }
        }
    }
    runtime::show_mouse_cursor(0);
    panel.current_fixture = 0;
    draw_setup_fixture_page_panel();
    redraw_page_fixture_keys(setup);
    confine(kWholeScreen);
    runtime::show_mouse_cursor(1);
}

}  // namespace setup
