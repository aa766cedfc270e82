#include "setup/multipatch_editor.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "platform/graphics.h"
#include "runtime/console_flags.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/fixture_editing.h"
#include "setup/fixture_editing_rig.h"
#include "setup/patch_conflicts.h"
#include "setup/setup_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "setup/stage_plan_items.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace setup {

int16_t soft_patch_rows = 0;
int16_t soft_patch_selected_row = 0;
int16_t soft_patch_list_page = 0;

void reset_multipatch_editor_globals() {
    soft_patch_rows = 0;
    soft_patch_selected_row = 0;
    soft_patch_list_page = 0;
}

namespace {

using runtime::mouse_x;
using runtime::mouse_y;

constexpr Area kWholeScreen = {0, 0, 628, 470};

constexpr Area kEditorRange = {301, 1, 629, 187};
constexpr Area kAddressPanelRange = {0, 0, 116, 425};
constexpr Area kStagePlanRange = {117, 202, 463, 424};
constexpr Area kLeftColumn = {316, 28, 372, 188};
constexpr Area kRightColumn = {392, 28, 448, 188};
constexpr Area kUpArrow = {611, 46, 624, 59};
constexpr Area kDownArrow = {611, 141, 624, 154};
constexpr Area kRows = {456, 46, 609, 154};
constexpr Area kDeleteChannel = {456, 175, 540, 185};
constexpr Area kDeletePatch = {545, 175, 625, 185};
constexpr Area kDeleteAll = {545, 160, 625, 170};
constexpr Area kAddChannel = {456, 160, 540, 170};

constexpr int32_t kRefusalHz = kSetupRefusalHz;
constexpr uint32_t kRefusal_ms = 800;
constexpr uint32_t kTakenRefusal_ms = 1300;
constexpr uint32_t kNoRowRefusal_ms = 1500;
constexpr uint32_t kBelowRowsRefusal_ms = 400;
constexpr int32_t kStartHz = 1000;
constexpr uint32_t kStart_ms = 20;
constexpr int32_t kPickHz = 800;
constexpr uint32_t kPick_ms = 100;
constexpr int kRowHeight_px = 12;
constexpr int kFirstRow_px = 86;
constexpr int kPanelRowHeight_px = 10;
constexpr int16_t kFunctionRows = 16;
constexpr int16_t kKeypadDigits = 3;
constexpr int16_t kEmptyField = -1;  // the keypad field opens without a number

constexpr const char* kSelectFunction = "SELECT THE FUNCTION TO PATCH";
constexpr const char* kAlreadyPatched = "CHANNEL ALREADY PATCHED FOR THIS FUNCTION";
constexpr const char* kOverwrite = "OVERWRITE PATCH?    (LMB=YES RMB=NO)";
constexpr const char* kPickPrompt = "LMB=INTERFACE ADDRESS RMB=CANCEL";
constexpr const char* kPickAgain = "LMB=INTERFACE PROTOCOL ADDRESS RMB=CANCEL";
constexpr const char* kNoSoftPatchRow = "NO SOFTPATCH FOR SOFTPATCH CHANNEL";
constexpr const char* kNoProtocol = "NO PROTOCOL SELECTABLE FOR THE SELECTED SCAN";
constexpr const char* kAddChannels = "ADD CHANNELS";
constexpr const char* kNotEnoughMemory = "NOT ENOUGH MEMORY";

// The keys of the keypad list entry, blinking while it runs.
constexpr std::array<int16_t, 16> kKeypadLeds = {
    runtime::KEY_DIGIT_0, runtime::digit_key(1), runtime::digit_key(2), runtime::digit_key(3), runtime::digit_key(4),
    runtime::digit_key(5), runtime::digit_key(6), runtime::digit_key(7), runtime::digit_key(8), runtime::KEY_DIGIT_9,
    runtime::KEY_POINT,    runtime::KEY_ESC,      runtime::KEY_ENTER,    runtime::KEY_PLUS,     runtime::KEY_MINUS,
    runtime::KEY_RANGE};
// The keys switched off when the editor opens.
constexpr std::array<int16_t, 14> kEditorDarkLeds = {
    runtime::KEY_DIGIT_0, runtime::digit_key(1), runtime::digit_key(2), runtime::digit_key(3), runtime::digit_key(4),
    runtime::digit_key(5), runtime::digit_key(6), runtime::digit_key(7), runtime::digit_key(8), runtime::KEY_DIGIT_9,
    runtime::KEY_POINT,    runtime::KEY_BACK,     runtime::KEY_PLUS,     runtime::KEY_MINUS};


void text_at(int x, int y, int16_t colour, const std::string& text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text.c_str());
}

void button(int x1, int y1, int x2, int y2, const char* caption) {
    ui::draw_text_button(static_cast<int16_t>(x1), static_cast<int16_t>(y1), static_cast<int16_t>(x2), static_cast<int16_t>(y2),
                         kSetupDarkGrey, caption, kSetupYellow);
}

void arrow_box(const Area& a) { ui::fill_box(a.x1, a.y1, a.x2, a.y2, kSetupBlue); }

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The panel of a function: its name, the count, the page's rows and the buttons.
void draw_soft_patch_list(int16_t f, int16_t function, const LibraryList& list) {
    const PointerHidden hidden;
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    ui::fill_box(451, 13, 629, 27, kSetupYellow);
    text_at(455, 17, kSetupRed, "PATCH FOR :");
    text_at(523, 17, kSetupRed, upper(list.loaded_type.function_name(function)));
    ui::fill_box(451, 28, 629, 187, kSetupBlack);
    text_at(460, 35, kSetupYellow, "CHANNELS USED :");
    soft_patch_rows = static_cast<int16_t>(soft_patch_function_entries(f, function));
    ui::fill_box(540, 34, 590, 43, kSetupBlack);
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), "%d", soft_patch_rows);
    text_at(542, 35, kSetupRed, text.data());
    platform::_setcolor(kSetupLightGrey);
    platform::_rectangle(455, 44, 625, 156);
    ui::fill_box(456, 45, 609, 155, kSetupBlack);
    arrow_box(kUpArrow);
    arrow_box(kDownArrow);
    button(455, 159, 541, 171, "ADD CHANNEL");
    button(455, 174, 541, 186, "DELETE CHANNEL");
    button(544, 159, 626, 171, "DELETE ALL");
    button(544, 174, 626, 186, "DELETE PATCH");
    int c = 0;
    for (const SoftPatchEntry& e : soft_patch_list) {
        if (e.fixture != f || e.function != function) continue;
        const int row = c - soft_patch_list_page * kSoftPatchPageRows;
        ++c;
        if (row < 0 || row >= kSoftPatchPageRows) continue;
        const int y = 46 + kPanelRowHeight_px * row;
        if (c == soft_patch_selected_row) ui::fill_box(456, static_cast<int16_t>(y - 1), 609, static_cast<int16_t>(y + 8), kSetupBlue);
        std::snprintf(text.data(), text.size(), "DMX OUT %d  ADDRESS %d", e.card, e.address);
        text_at(460, y, kSetupWhite, text.data());
    }
}

void light_function(int16_t f, int16_t function) {
    show_soft_patch_outputs(static_cast<int16_t>(f - 1), static_cast<uint8_t>(std::clamp<int>(function, 0, 255)), 1,
                            soft_patch_selected_row);
}

void select_function(int16_t f, int16_t function, const LibraryList& list) {
    soft_patch_list_page = 0;
    soft_patch_selected_row = 0;
    draw_soft_patch_list(f, function, list);
    light_function(f, function);
}

// The card and protocol of the picker from the last pick's card, the
// list from its first page.
void select_pick_card(int card, const std::string& protocol, AddressState& state, LibraryList& list, AddressPanel& panel) {
    select_patch_card(card, protocol, state, list);
    panel.list_page = 0;
    compute_address_slots(panel, state, list);
    draw_address_increment(panel);
    draw_scroll_list(panel, state, list);
}

// The sequence of ADD CHANNEL: a slot picked in the address list, added.
void add_picked_channel(int16_t f, int16_t function, std::array<int, 2>& last_pick, SetupData& setup, AddressState& state,
                        LibraryList& list, AddressPanel& panel) {
    ui::beep(kPickHz, kPick_ms);
    const int16_t px = mouse_x;
    const int16_t py = mouse_y;
    panel.patch_width = 1;
    panel.current_fixture = static_cast<int16_t>(fixture_number_of(setup, f));
    select_pick_card(last_pick[0], read_fixture(setup, f).protocol, state, list, panel);
    runtime::show_mouse_cursor(0);
    const int slot = pick_output_slot(f, state, list, panel, static_cast<int16_t>(last_pick[1]), function);
    const uint8_t card = static_cast<uint8_t>(std::clamp<int>(state.selected_card, 1, kMaxCards));
    add_soft_patch_channel(slot, f, function, card, static_cast<int16_t>(slot - (card - 1) * kCardAddresses), setup, false);
    if (slot >= 1 && slot <= kSoftPatchSlots) last_pick = {card, slot - (card - 1) * kCardAddresses};
    refresh_patch_address_list(setup, state, list, panel);
    confine(kEditorRange);
    soft_patch_selected_row = 0;
    draw_soft_patch_list(f, function, list);
    runtime::show_mouse_cursor(1);
    runtime::set_mouse_position(px, py);
    panel.patch_width = 0;
    light_function(f, function);
}

void wait_button_release() {
    for (;;) {
        read_setup_key();
        runtime::read_mouse(1);
        if (runtime::mouse_button_released[runtime::kMouseLeft] != 0) return;
    }
}

}  // namespace

void select_patch_card(int card, const std::string& protocol, AddressState& state, LibraryList& list) {
    if (card >= 1 && card <= installed_cards() && card != state.selected_card) state.selected_card = static_cast<int16_t>(card);
    const auto& names = state.protocol_names[static_cast<size_t>(std::clamp<int>(state.selected_card, 1, kMaxCards))];
    for (int p = 1; p <= kCardProtocols; ++p) {
        if (names[static_cast<size_t>(p)] == protocol) {
            state.selected_protocol = static_cast<int16_t>(p);
            break;
        }
    }
    draw_card_buttons(state);
    select_fixture_protocol(state, list);
    draw_protocol_list(state);
}

bool address_panel_click(AddressState& state, LibraryList& list, AddressPanel& panel) {
    if (inside({0, 12, 115, 27})) {
        select_interface_card(state, list, panel);
    } else if (inside({0, 40, 115, 70})) {
        select_protocol(state, list, panel);
    } else if (inside({101, 83, 116, 103})) {
        step_address_list_page(panel, state, -1);
    } else if (inside({101, 404, 116, 424})) {
        step_address_list_page(panel, state, +1);
    } else if (inside({73, 72, 114, 80})) {
        change_address_increment(panel, state, list);
    } else {
        return false;
    }
    return true;
}

bool address_panel_key(int16_t key, AddressState& state, LibraryList& list, AddressPanel& panel) {
    switch (key) {
        case runtime::KEY_EDIT_VALUE: enter_fixture_address(panel, state, list); return true;
        case runtime::KEY_PLUS: change_address_increment(panel, state, list); return true;
        case runtime::KEY_LAST:
        case runtime::KEY_UP: select_slot_above_pointer(panel, state, list); return true;
        case runtime::KEY_NEXT:
        case runtime::KEY_DOWN: select_slot_below_pointer(panel, state, list); return true;
        case runtime::KEY_PAGE_UP: step_address_list_page(panel, state, -1); return true;
        case runtime::KEY_PAGE_DOWN: step_address_list_page(panel, state, +1); return true;
        default: return false;
    }
}

void refresh_patch_address_list(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    build_address_map(state, setup);
    compute_address_slots(panel, state, list);
    draw_scroll_list(panel, state, list);
}

void draw_soft_patch_title() {
    const PointerHidden hidden;
    ui::fill_box(451, 1, 629, 187, kSetupBlack);
    platform::_setcolor(kSetupLightGrey);
    platform::_rectangle(450, 0, 630, 188);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    ui::draw_text_button(451, 1, 629, 11, kSetupRed, "SOFTPATCH / MULTIPATCH", kSetupYellow);
}

bool ask_overwrite(const SetupData& setup, int other, bool range_mode, int slot) {
    const SoftPatchEntry& e = soft_patch_list[static_cast<size_t>(other)];
    const int number = e.fixture >= 1 && e.fixture <= rig_fixture_count(setup) ? fixture_number_of(setup, e.fixture) : 0;
    const int page = (number - 1) / 70 + 1;
    const int key = number - 70 * (page - 1);
    std::array<char, 80> text{};
    if (range_mode) {
        std::snprintf(text.data(), text.size(), "CHANNEL %d.%d USED FOR  %d.%d CHANNEL %d", (slot - 1) / kCardAddresses + 1,
                      (slot - 1) % kCardAddresses + 1, key, page, e.function);
    } else {
        std::snprintf(text.data(), text.size(), "CHANNEL USED FOR FIXTURE %d.%d CHANNEL %d", key, page, e.function);
    }
    show_setup_status(text.data());
    ui::beep(kRefusalHz, kTakenRefusal_ms);
    runtime::show_mouse_cursor(1);
    show_setup_status(kOverwrite);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    bool yes = false;
    for (;;) {
        const int16_t k = read_setup_key();
        runtime::read_mouse(0);
        if (k == runtime::KEY_ENTER || runtime::mouse_buttons == runtime::kMouseLeft) {
            yes = true;
            break;
        }
        if (k == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) break;
    }
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_OFF);
    return yes;
}

void add_soft_patch_channel(int slot, int16_t f, int16_t function, uint8_t card, int16_t address, const SetupData& setup,
                            bool range_mode) {
    const SoftPatchEntry entry{f, function, card, address};
    const SoftPatchAddCheck check = check_soft_patch_channel(slot, entry, range_mode);
    switch (check.outcome) {
        case SoftPatchAdd::out_of_range: ui::beep(kRefusalHz, kRefusal_ms); break;
        case SoftPatchAdd::duplicate:
            show_setup_status(kAlreadyPatched);
            ui::beep(kRefusalHz, kRefusal_ms);
            break;
        case SoftPatchAdd::taken:
            if (ask_overwrite(setup, check.conflict, range_mode, slot)) soft_patch_list[static_cast<size_t>(check.conflict)] = entry;
            break;
        case SoftPatchAdd::free:
            if (!append_list_entry(soft_patch_list, entry)) refuse_in_setup(kNotEnoughMemory, kRefusal_ms);
            break;
    }
    show_setup_status(kSelectFunction);
}

int pick_output_slot(int16_t f, AddressState& state, LibraryList& list, AddressPanel& panel, int16_t start_address,
                     int16_t function) {
    show_setup_status(kPickPrompt);
    confine(kAddressPanelRange);
    runtime::show_mouse_cursor(1);
    scroll_address_list_to(std::max<int16_t>(start_address, 1), panel, state, list);
    int picked = kOutputSlotCancelled;
    for (bool done = false; !done;) {
        const int16_t key = read_setup_key();
        runtime::read_mouse(0);
        const int16_t buttons = runtime::mouse_buttons;
        update_setup_key_leds(key);
        track_address_list_pointer(state, panel, list, f, function, 2);
        if (buttons == runtime::kMouseRight || key == runtime::KEY_ESC) break;
        if (buttons == runtime::kMouseLeft) {
            if (address_panel_click(state, list, panel)) {
            } else if (inside({0, 83, 100, 424})) {
                const int row = (mouse_y - kFirstRow_px) / kRowHeight_px;
                const int slot = panel.list_page * kListRows + row + 1;
                if (row >= kListRows) {
                    ui::beep(kRefusalHz, kBelowRowsRefusal_ms);
                } else if (row < 0 || slot < 1 || slot > panel.slot_count) {
                    refuse_in_setup(kNoSoftPatchRow, kNoRowRefusal_ms);
                } else if (state.selected_protocol == 0) {
                    refuse_in_setup(kNoProtocol, kRefusal_ms);
                } else {
                    ui::beep(kPickHz, kPick_ms);
                    const int card = std::clamp<int>(state.selected_card, 1, kMaxCards);
                    picked = (card - 1) * kCardAddresses + slot_address(panel, slot);
                    done = true;
                }
            }
            if (!done) show_setup_status(kPickAgain);
            continue;
        }
        if (address_panel_key(key, state, list, panel)) show_setup_status(kPickAgain);
    }
    runtime::show_mouse_cursor(0);
    confine(kStagePlanRange);
    clear_control_channels();
    set_setup_key_leds(runtime::LED_OFF);
    return picked;
}

void add_soft_patch_channels(int16_t f, int16_t function, SetupData& setup) {
    for (const int16_t key : kKeypadLeds) runtime::set_key_led(key, runtime::LED_BLINK);
    show_setup_status(kAddChannels);
    SoftPatchKeypadList collected;
    for (;;) {
        {
            const PointerHidden hidden;
            ui::fill_box(446, 431, 629, 459, kSetupYellow);
            ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
            text_at(448, 441, kSetupRed, "ADDRESS :");
        }
        uint8_t end = ui::kFixtureExitDone;
        int value = ui::edit_fixture_value(kEmptyField, 505, 441, kKeypadDigits, kSetupYellow, kSetupRed, 0, &end);
        int slot = value >= 1 && value <= kCardAddresses ? value : 0;
        bool ends = end == ui::kFixtureExitDone;
        if (value >= 3001 && value <= 3004) {
            const int card = value - 3000;
            {
                const PointerHidden hidden;
                std::array<char, 8> prefix{};
                std::snprintf(prefix.data(), prefix.size(), "%d.", card);
                text_at(505, 441, kSetupRed, prefix.data());
            }
            value = ui::edit_fixture_value(kEmptyField, 517, 441, kKeypadDigits, kSetupYellow, kSetupRed, 0, &end);
            slot = value >= 1 && value <= kCardAddresses ? (card - 1) * kCardAddresses + value : 0;
            ends = end == ui::kFixtureExitDone;
        }
        collected.take(slot, static_cast<KeypadEnd>(end));
        if (ends) break;
    }
    {
        const PointerHidden hidden;
        ui::fill_box(446, 431, 629, 459, kSetupBlack);
    }
    show_setup_status(kSelectFunction);
    for (const int slot : collected.slots()) {
        const uint8_t card = static_cast<uint8_t>((slot - 1) / kCardAddresses + 1);
        add_soft_patch_channel(slot, f, function, card, static_cast<int16_t>((slot - 1) % kCardAddresses + 1), setup, true);
    }
    for (const int16_t key : kKeypadLeds) runtime::set_key_led(key, runtime::LED_OFF);
}

void edit_soft_patch(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    if (f < 1 || f > rig_fixture_count(setup)) return;
    const int channels = std::min<int>(list.loaded_type.channel_count(), kMaxTypeChannels);
    draw_soft_patch_title();
    confine(kEditorRange);
    show_setup_status(kSelectFunction);
    ui::beep(kStartHz, kStart_ms);
    runtime::read_mouse(0);
    std::array<int, 2> last_pick = {1, 1};
    for (const int16_t key : kEditorDarkLeds) runtime::set_key_led(key, runtime::LED_OFF);
    int16_t function = 0;
    if (channels == 1) {
        function = 1;
        select_function(f, function, list);
    }
    for (;;) {
        if (function != 0) runtime::set_key_led(runtime::KEY_EDIT_VALUE, runtime::LED_BLINK);
        const int16_t key = read_setup_key();
        runtime::read_mouse(0);
        if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) break;
        if (key == runtime::KEY_EDIT_VALUE && function != 0) {
            add_soft_patch_channels(f, function, setup);
            refresh_patch_address_list(setup, state, list, panel);
            draw_soft_patch_list(f, function, list);
            light_function(f, function);
            continue;
        }
        if (runtime::mouse_buttons != runtime::kMouseLeft) continue;
        if (inside(kLeftColumn) || inside(kRightColumn)) {
            const int first = inside(kLeftColumn) ? 1 : kFunctionRows + 1;
            const int chosen = (mouse_y - 28) / 10 + first;
            if (chosen <= channels) {
                function = static_cast<int16_t>(chosen);
                select_function(f, function, list);
            }
        } else if (function == 0) {
            continue;
        } else if (inside(kUpArrow)) {
            if (soft_patch_list_page > 0) {
                --soft_patch_list_page;
                draw_soft_patch_list(f, function, list);
                wait_button_release();
            }
        } else if (inside(kDownArrow)) {
            if (soft_patch_list_page * kSoftPatchPageRows + kSoftPatchPageRows < soft_patch_rows) {
                ++soft_patch_list_page;
                draw_soft_patch_list(f, function, list);
                wait_button_release();
            }
        } else if (inside(kRows)) {
            const int row = (mouse_y - 45) / kPanelRowHeight_px + soft_patch_list_page * kSoftPatchPageRows + 1;
            soft_patch_selected_row = static_cast<int16_t>(row > soft_patch_rows ? 0 : row);
            draw_soft_patch_list(f, function, list);
            light_function(f, function);
        } else if (inside(kDeleteChannel)) {
            if (soft_patch_selected_row == 0) continue;
            const int selected = soft_patch_row_entry(f, function, soft_patch_selected_row, soft_patch_list_page);
            if (!delete_soft_patch_entries(f, function, 0, selected) && selected >= 0) refuse_in_setup(kNotEnoughMemory, kRefusal_ms);
            soft_patch_selected_row = 0;
            refresh_patch_address_list(setup, state, list, panel);
            draw_soft_patch_list(f, function, list);
            light_function(f, function);
        } else if (inside(kDeletePatch)) {
            // Drawn, but given no action.
        } else if (inside(kDeleteAll)) {
            if (!delete_soft_patch_entries(f, function, 1, -1)) refuse_in_setup(kNotEnoughMemory, kRefusal_ms);
            soft_patch_selected_row = 0;
            refresh_patch_address_list(setup, state, list, panel);
            draw_soft_patch_list(f, function, list);
            light_function(f, function);
        } else if (inside(kAddChannel)) {
            add_picked_channel(f, function, last_pick, setup, state, list, panel);
        }
    }
    runtime::show_mouse_cursor(0);
    runtime::set_key_led(runtime::KEY_EDIT_VALUE, runtime::LED_OFF);
    draw_setup_fixture_page_panel();
    redraw_page_fixture_keys(setup);
    show_soft_patch_outputs(static_cast<int16_t>(f - 1), 0, 0, 0);
    confine(kWholeScreen);
    runtime::show_mouse_cursor(1);
}

}  // namespace setup
