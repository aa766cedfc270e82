#include "setup/fixture_editing.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/channel_levels.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "runtime/step_log.h"
#include "setup/library_browser.h"
#include "setup/library_browser_index.h"
#include "setup/multipatch_editor.h"
#include "setup/patch_conflicts.h"
#include "setup/rig_conversion.h"
#include "setup/saved_area.h"
#include "setup/setup_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "setup/soft_patch.h"
#include "setup/split_dimmer_editor.h"
#include "setup/stage_plan.h"
#include "setup/stage_plan_items.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace setup {

namespace {

using runtime::mouse_x;
using runtime::mouse_y;

constexpr Area kStagePlanRange = {117, 202, 463, 424};
constexpr Area kStageAndConflicts = {117, 202, 630, 424};
constexpr Area kWholeScreen = {0, 0, 628, 470};
constexpr Area kMovingRange = {123, 202, 430, 390};
constexpr Area kAddressPanelRange = {0, 0, 116, 425};
constexpr int16_t kKillButton = 6;
constexpr int16_t kCorrectButton = 4;
constexpr int16_t kInputButton = 3;
constexpr int32_t kRefusalHz = kSetupRefusalHz;
constexpr uint32_t kRefusal_ms = 800;
constexpr uint32_t kRangeRefusal_ms = 1500;
constexpr uint32_t kOutsideRefusal_ms = 400;
constexpr uint32_t kProtocolRefusal_ms = 2000;
constexpr int32_t kStartHz = 1000;
constexpr uint32_t kStart_ms = 20;
constexpr int32_t kPickHz = 800;
constexpr uint32_t kPick_ms = 100;
constexpr uint32_t kTurnBeep_ms = 50;
constexpr uint32_t kEndBeep_ms = 150;
constexpr int32_t kToggleHz = 1500;
constexpr uint32_t kToggle_ms = 50;
constexpr int kRowHeight_px = 12;
constexpr int kFirstRow_px = 86;
constexpr int16_t kMultipatchRowIndex = 27;
constexpr int kOrientations = 8;
constexpr int kInfoBoxWidth = 130;
constexpr int kInfoBoxHeight = 90;
constexpr int kNoPanTilt = 0;

constexpr const char* kNoFixtures = "NO FIXTURES SELECTED";
constexpr const char* kNoLibrary = "SELECT FIRST A LIBRARY";
constexpr const char* kNoProtocol = "NO PROTOCOL SELECTABLE FOR THE SELECTED SCAN";
constexpr const char* kOutOfRange = "THE ADDRESSES OF SOME CHANNELS WILL BE OUT OF RANGE (>512)";
constexpr const char* kNoSoftPatch = "THIS LIBRARY DOESN'T ALLOW SOFTPATCHING";
constexpr const char* kUseChangeAddress = "PLACE FIXTURE AND SOFTPATCH USING CHANGE ADRESS";
constexpr const char* kLibraryNotFound = "LIBRARY NOT FOUND";
constexpr const char* kPageFull = "FIXTURE-PAGE IS FULL";
constexpr const char* kKillPrompt = "LMB=FIXTURE TO KILL RMB=CANCEL";
constexpr const char* kKillConfirm = "LMB=KILL  RMB=CANCEL";
constexpr const char* kMovePrompt = "LMB=REPLACE 1..8=TURN RMB=ESC";
constexpr const char* kMoving = "REPLACE FIXTURE UNTIL LMB...";
constexpr const char* kCorrectPrompt = "LMB=FIXTURE WITH WRONG ADDRESS RMB=CANCEL";
constexpr const char* kChecking = "CHECKING OVERLAPPING ADDRESSES";
constexpr const char* kAddressPrompt = "LMB=INTERFACE PROTOCOL ADDRESS RMB=CANCEL";
constexpr const char* kInputPrompt = "LMB=FIXTURE TO PATCH  RMB=CANCEL";
constexpr const char* kNotDmx = "SELECTED FIXTURE DOESN'T USE THE DMX-PROTOCOL";
constexpr const char* kInput2On = "DMX-INPUT 2 IS ON: FIXTURE INPUTS ARE NOT READ";

bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }

void refuse(const char* text, uint32_t duration_ms = kRefusal_ms) { refuse_in_setup(text, duration_ms); }


enum class Click : uint8_t { none, left, right };

// One pass: the pending key (ESC counts as the right button) and the
// pointer with button edges.
Click read_click(int16_t* key = nullptr) {
    const int16_t k = read_setup_key();
    if (key != nullptr) *key = k;
    runtime::read_mouse(0);
    if (k == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) return Click::right;
    if (runtime::mouse_buttons == runtime::kMouseLeft) return Click::left;
    return Click::none;
}

Click wait_click() {
    for (;;) {
        const Click c = read_click();
        if (c != Click::none) return c;
    }
}

// The current page, or the first page from 1 with fixtures when it is empty; false when none has any.
bool show_page_with_fixtures(SetupData& setup, LibraryList& list) {
    const PageCounts counts = count_page_fixtures(setup);
    if (counts[static_cast<size_t>(std::clamp<int>(runtime::fixture_page, 1, kFixturePages))] > 0) return true;
    const int page = first_page_with_fixtures(counts);
    if (page == 0) return false;
    change_fixture_page(setup, static_cast<int16_t>(page), list);
    return true;
}

int16_t stage_colour_of(const SetupData& setup, int f) { return setup.i16(SetupData::fixture_field(f, kFixtureStageColour)); }

void draw_fixture_in(const SetupData& setup, int f, int16_t colour) {
    highlight_stage_fixture(setup, static_cast<int16_t>(f - 1), colour);
    draw_fixture_number(setup, static_cast<int16_t>(f - 1), colour);
}

void set_digit_leds(int lit) {
    for (int d = 1; d <= kOrientations; ++d) {
        runtime::set_key_led(runtime::digit_key(d), d == lit ? runtime::LED_ON : runtime::LED_BLINK);
    }
}

void digit_leds_off() {
    for (int d = 1; d <= kOrientations; ++d) runtime::set_key_led(runtime::digit_key(d), runtime::LED_OFF);
}

std::span<const uint8_t> drawing_image(const FixtureDrawing& drawing, int orientation) {
    constexpr size_t kBlock = kFixtureDrawingBytes / kOrientations;
    return std::span<const uint8_t>(drawing).subspan(kBlock * static_cast<size_t>(orientation & 7), kBlock);
}

void refresh_address_list(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    build_address_map(state, setup);
    compute_address_slots(panel, state, list);
    draw_scroll_list(panel, state, list);
}

void set_level(int channel, int level) {
    if (channel >= 1 && channel <= runtime::kOutputPositions) {
        runtime::set_channel_level(static_cast<int16_t>(channel), static_cast<uint8_t>(level), 1, 0);
    }
}

}  // namespace

// ------------------------------------------------------------------ key cells

void draw_page_fixture_key(int16_t key, int16_t colour) {
    if (key < 1 || key > kPageKeys) return;
    const int c = (key - 1) % 10 + 1;
    const int r = (key - 1) / 10 + 1;
    const int16_t x1 = static_cast<int16_t>(433 + 18 * c);
    const int16_t x2 = static_cast<int16_t>(449 + 18 * c);
    const int16_t y1 = static_cast<int16_t>(r == 1 ? 13 : 25 * r - 11);
    const int16_t y2 = static_cast<int16_t>(25 * r + 12);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    std::array<char, 12> text{};
    std::snprintf(text.data(), text.size(), "%d", key);
    ui::draw_text_button(x1, y1, x2, y2, colour, text.data(), kSetupRed);
}

void redraw_page_fixture_keys(SetupData& setup) {
    const PointerHidden hidden;
    const int count = rig_fixture_count(setup);
    int m = 0;
    for (int f = 1; f <= count; ++f) {
        const int n = fixture_number_of(setup, f);
        if (fixture_page_of(n) != runtime::fixture_page) continue;
        ++m;
        draw_page_fixture_key(static_cast<int16_t>(fixture_key_of(n)), stage_colour_of(setup, f));
        runtime::set_key_led(runtime::fixture_key(fixture_key_of(n)), runtime::LED_ON_BOTH);
    }
    for (int k = m + 1; k <= kPageKeys; ++k) {
        draw_page_fixture_key(static_cast<int16_t>(k), kSetupBlack);
        runtime::set_key_led(runtime::fixture_key(k), runtime::LED_OFF);
    }
}

int assign_fixture_number(SetupData& setup, int16_t f, int16_t page) {
    const int number = number_fixture_on_page(setup, f, page);
    redraw_page_fixture_keys(setup);
    return number;
}

// ------------------------------------------------------------------ adding

void add_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    const int row = (mouse_y - kFirstRow_px) / kRowHeight_px;
    const bool multipatch = row == kMultipatchRowIndex;
    const int slot = multipatch ? kMultipatchSlot : panel.list_page * kListRows + row + 1;
    const std::string name =
        list.selected_entry >= 0 && list.selected_entry < list.entry_count
            ? entry_text(list.entries[static_cast<size_t>(list.selected_entry)].type_name)
            : std::string();
    const bool known = find_setup_type(setup, name) >= 0;
    if (rig_type_count(setup) >= kMaxFixtureTypes && !known) {
        std::array<char, 64> text{};
        std::snprintf(text.data(), text.size(), "MAXIMUM OF %d DIFFERENT TYPES IS REACHED", kMaxFixtureTypes);
        refuse(text.data());
        return;
    }
    if (rig_fixture_count(setup) >= kMaxFixtures) {
        refuse("MAXIMUM OF 700 FIXTURES IS REACHED");
        return;
    }
    const bool address_row = !multipatch && row >= 0 && row < kListRows && slot >= 1 && slot <= panel.slot_count;
    if (!multipatch && !address_row) {
        ui::beep(kRefusalHz, kOutsideRefusal_ms);
        return;
    }
    if (list.selected_entry == -1 || !library_loaded(list)) {
        refuse(kNoLibrary);
        return;
    }
    if (state.selected_protocol == 0) {
        refuse(kNoProtocol);
        return;
    }
    if (address_row) {
        const int address = slot_address(panel, slot);
        if (address + list.loaded_type.channel_count() - 1 > kCardAddresses) {
            refuse(kOutOfRange, kRangeRefusal_ms);
            return;
        }
        panel.last_address = static_cast<int16_t>(address);
        place_fixture(static_cast<int16_t>(slot), panel, setup, state, list, 0);
        compute_patch_conflicts(setup, list);
        return;
    }
    const uint8_t rule = list.loaded_type.u8(kTypeSoftPatchRule);
    if (rule == 0) {
        refuse(kNoSoftPatch);
        return;
    }
    if (rule == 2) {
        refuse(kUseChangeAddress);
        return;
    }
    panel.last_address = 0;
    place_fixture(kMultipatchSlot, panel, setup, state, list, 1);
}

void place_fixture(int16_t slot, AddressPanel& panel, SetupData& setup, AddressState& state, LibraryList& list,
                   uint8_t multipatch) {
    const PlacedSymbol symbol = place_symbol(setup, list);
    if (!symbol.placed) return;
    const int16_t colour = stage_colours[static_cast<size_t>(std::clamp<int>(stage_colour_index, 0, kStageColours - 1) + 1)];
    {
        const PointerHidden hidden;
        draw_page_fixture_numbers(setup, 0);
        platform::_setcolor(colour);
        draw_fixture_symbol(symbol.x, symbol.y, drawing_image(list.loaded_drawing, symbol.orientation));
    }
    Placement placement;
    placement.slot = slot;
    placement.multipatch = multipatch;
    placement.x = symbol.x;
    placement.y = symbol.y;
    convert_screen_to_stage(placement.x, placement.y);
    placement.orientation = symbol.orientation;
    placement.stage_colour = colour;
    const int f = store_placed_fixture(setup, state, list, panel, placement);
    if (f == 0) return;
    const int number = assign_fixture_number(setup, static_cast<int16_t>(f), runtime::fixture_page);
    draw_page_fixture_numbers(setup, 1);
    renumber_fixtures_by_page(setup);
    refresh_address_list(setup, state, list, panel);
    const int placed = record_of_fixture_number(setup, number);
    const int16_t address = setup.i16(SetupData::fixture_field(placed, kFixtureAddress));
    if (address != kMultipatchAddress && address != kSoftPatchAddress) return;
    if (address == kMultipatchAddress) {
        edit_soft_patch(static_cast<int16_t>(placed), setup, state, list, panel);
    } else {
        edit_split_dimmer_patch(static_cast<int16_t>(placed), slot_address(panel, slot), setup, state, list, panel);
    }
    redraw_page_fixture_keys(setup);
    compute_address_slots(panel, state, list);
    panel.current_fixture = 0;
    refresh_address_list(setup, state, list, panel);
}

// ------------------------------------------------------------------ removing

void kill_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    fill_toolbar_button(kKillButton, kSetupLightCyan);
    if (rig_fixture_count(setup) == 0) {
        refuse(kNoFixtures);
    } else {
        show_page_with_fixtures(setup, list);
        ui::beep(kStartHz, kStart_ms);
        while (rig_fixture_count(setup) > 0) {
            show_setup_status(kKillPrompt);
            confine(kStagePlanRange);
            if (wait_click() == Click::right) break;
            const int f = find_nearest_stage_fixture(setup, list);
            if (f == 0) break;
            {
                const PointerHidden hidden;
                draw_fixture_in(setup, f, kSetupYellow);
            }
            show_setup_status(kKillConfirm);
            ui::beep(kPickHz, kPick_ms);
            if (wait_click() == Click::right) {
                const PointerHidden hidden;
                draw_fixture_in(setup, f, stage_colour_of(setup, f));
                continue;
            }
            {
                const PointerHidden hidden;
                highlight_stage_fixture(setup, static_cast<int16_t>(f - 1), kSetupBlack);
                draw_page_fixture_numbers(setup, 0);
            }
            remove_fixture(setup, f);
            purge_killed_soft_patch_entries();
            redraw_page_fixture_keys(setup);
            draw_page_fixture_numbers(setup, 1);
            refresh_address_list(setup, state, list, panel);
            show_page_with_fixtures(setup, list);
            compute_patch_conflicts(setup, list);
        }
        confine(kWholeScreen);
    }
    fill_toolbar_button(kKillButton, kSetupBlack);
    compute_patch_conflicts(setup, list);
}

// ------------------------------------------------------------------ picking

bool select_fixture_library(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel,
                            PickMode mode) {
    if (f < 1 || f > rig_fixture_count(setup)) return false;
    const FixtureRecord r = read_fixture(setup, f);
    const std::string name = setup.text(SetupData::type_name_field(r.type_index + 1), kTypeNameBytes);
    if (r.type_index >= rig_type_count(setup)) return false;
    int16_t e = -1;
    for (int i = 0; i < list.entry_count && e < 0; ++i) {
        if (entry_text(list.entries[static_cast<size_t>(i)].type_name) == name) e = static_cast<int16_t>(i);
    }
    if (e < 0) return false;
    if (e != list.selected_entry || !library_loaded(list)) {
        const int16_t before = list.selected_entry;
        list.selected_entry = e;
        if (mode == PickMode::picking) {
            sync_browser_to_library(list);
            draw_manufacturer_list(list);
        }
        if (!load_library_files(list, e, setup)) {
            list.selected_entry = before == e ? -1 : list.selected_entry;
            draw_function_patch_grid();
            draw_library_list(list);
            return false;
        }
        draw_function_patch_grid();
        draw_library_functions(list);
        draw_function_patch_cells(list);
        draw_library_list(list);
    }
    if (r.card >= 1 && r.card <= installed_cards() && r.card != state.selected_card) state.selected_card = r.card;
    const auto& names = state.protocol_names[static_cast<size_t>(std::clamp<int>(state.selected_card, 1, kMaxCards))];
    for (int p = 1; p <= kCardProtocols; ++p) {
        if (names[static_cast<size_t>(p)] == r.protocol) {
            state.selected_protocol = static_cast<int16_t>(p);
            break;
        }
    }
    draw_card_buttons(state);
    select_fixture_protocol(state, list);
    draw_protocol_list(state);
    if (mode != PickMode::dmx_input) {
        const int channels = list.loaded_type.channel_count();
        const int step = list.loaded_type.address_step();
        if (panel.single_step != 0 && (step != channels || state.martin_protocol != 0)) {
            panel.single_step = 0;
        } else if (panel.single_step == 0 && state.martin_protocol == 0 && step == channels && channels > 0 &&
                   r.address >= 1 && (r.address - 1) % channels != 0) {
            panel.single_step = 1;
        }
    }
    compute_address_slots(panel, state, list);
    int slot = kListRows;
    panel.list_page = 0;
    if (r.address >= 1 && mode != PickMode::dmx_input) {
        slot = (r.address - 1) / std::max<int>(panel.address_increment, 1) + 1;
        panel.list_page = static_cast<int16_t>((slot - 1) / kListRows);
    }
    draw_scroll_list(panel, state, list);
    if (mode == PickMode::picking) panel.last_address = slot_address(panel, slot);
    if (mode != PickMode::dmx_input) draw_address_increment(panel);
    return true;
}

void pick_stage_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    if (rig_fixture_count(setup) == 0) {
        refuse(kNoFixtures);
    } else {
        const bool left = runtime::mouse_buttons == runtime::kMouseLeft;
        confine(kStagePlanRange);
        runtime::show_mouse_cursor(1);
        if (left) {
            ui::beep(kPickHz, kPick_ms);
            const int16_t f = find_nearest_stage_fixture(setup, list);
            if (f != 0) {
                panel.current_fixture = static_cast<int16_t>(fixture_number_of(setup, f));
                if (!select_fixture_library(f, setup, state, list, panel, PickMode::picking)) {
                    refuse(kLibraryNotFound);
                } else {
                    move_stage_fixture(f, setup, state, list, panel);
                    compute_patch_conflicts(setup, list);
                }
            }
        }
    }
    if (panel.current_fixture != 0) {
        panel.current_fixture = 0;
        draw_scroll_list(panel, state, list);
    }
    confine(kWholeScreen);
}

namespace {

// The aiming of a lit fixture: pan and tilt in stage orientation, their
// ranges and the control channels they go to (0 none).
struct Aim {
    bool enabled = false;
    int pan = 0;
    int tilt = 0;
    int pan_low = 0, pan_high = 255;
    int tilt_low = 0, tilt_high = 255;
    int pan_channel = kNoPanTilt;
    int tilt_channel = kNoPanTilt;
};

bool pan_mirrored(int o) { return o == 0 || o == 3 || o == 5 || o == 6; }
bool tilt_mirrored(int o) { return o == 2 || o == 3 || o == 6 || o == 7; }
bool axes_swapped(int o) { return o % 2 == 1; }

void first_range(const FixtureTypeDef& type, int function, int& low, int& high) {
    if (type.sub_count(function) == 0) return;
    low = type.sub_from(function, 1);
    high = type.sub_to(function, 1);
}

uint8_t lamp_level(const FixtureTypeDef& type, int channel, bool lamp_on) {
    if (lamp_on) {
        for (int e = 1; e < kPredefinedEntries; ++e) {
            if (type.entry_text(channel, e) == "LAMP ON") return type.entry_value(channel, e);
        }
    }
    return type.default_value(channel);
}

// Lights record f alone at its addresses and finds where its pan and tilt go.
Aim light_fixture_alone(const SetupData& setup, int f, const AddressState& state, const LibraryList& list,
                        const AddressPanel& panel) {
    const FixtureTypeDef& type = list.loaded_type;
    const FixtureRecord r = read_fixture(setup, f);
    const int pan_fn = type.named(NamedFunction::pan);
    const int tilt_fn = type.named(NamedFunction::tilt);
    Aim aim;
    aim.enabled = pan_fn != 0 && tilt_fn != 0;
    if (aim.enabled) {
        first_range(type, pan_fn, aim.pan_low, aim.pan_high);
        first_range(type, tilt_fn, aim.tilt_low, aim.tilt_high);
        aim.pan = type.default_value(pan_fn);
        aim.tilt = type.default_value(tilt_fn);
        if (pan_mirrored(r.orientation)) aim.pan = aim.pan_high - (aim.pan - aim.pan_low);
        if (tilt_mirrored(r.orientation)) aim.tilt = aim.tilt_high - (aim.tilt - aim.tilt_low);
    }
    const int channels = type.channel_count();
    const bool lit = !blind();
    if (lit) clear_control_channels();
    const int base = (state.selected_card - 1) * kCardAddresses;
    if (r.address >= 1) {
        for (int c = 1; lit && c <= channels; ++c) set_level(base + r.address + c - 1, lamp_level(type, c, panel.lamp_on != 0));
        if (pan_fn != 0) aim.pan_channel = base + r.address + pan_fn - 1;
        if (tilt_fn != 0) aim.tilt_channel = base + r.address + tilt_fn - 1;
        return aim;
    }
    // A multipatched fixture aims through its own PAN and TILT entries; a
    // soft-patched one through its block; without them aiming stays off.
    for (const SoftPatchEntry& e : soft_patch_list) {
        if (e.fixture != f || e.card < 1 || e.card > kMaxCards) continue;
        const int start = (e.card - 1) * kCardAddresses + e.address;
        if (r.address == kMultipatchAddress && e.function >= 1 && e.function <= channels) {
            if (lit) set_level(start, type.default_value(e.function));
            if (e.function == pan_fn && aim.pan_channel == kNoPanTilt) aim.pan_channel = start;
            if (e.function == tilt_fn && aim.tilt_channel == kNoPanTilt) aim.tilt_channel = start;
        } else if (r.address == kSoftPatchAddress && e.function == kSoftPatchDimmerPart) {
            if (lit) set_level(start, type.default_value(1));
        } else if (r.address == kSoftPatchAddress && e.function >= kSoftPatchBlockBase) {
            for (int c = 2; lit && c <= channels; ++c) set_level(start + c - 2, type.default_value(c));
            if (pan_fn >= 2) aim.pan_channel = start + pan_fn - 2;
            if (tilt_fn >= 2) aim.tilt_channel = start + tilt_fn - 2;
        }
    }
    aim.enabled = aim.enabled && aim.pan_channel != kNoPanTilt && aim.tilt_channel != kNoPanTilt;
    return aim;
}

void send_aim(const Aim& aim, int o) {
    if (blind()) return;
    const int tilt = tilt_mirrored(o) ? aim.tilt_high - (aim.tilt - aim.tilt_low) : aim.tilt;
    const int pan = pan_mirrored(o) ? aim.pan_high - (aim.pan - aim.pan_low) : aim.pan;
    if (aim.tilt_channel >= 1) set_level(aim.tilt_channel, tilt & 0xFF);
    if (aim.pan_channel >= 1) set_level(aim.pan_channel, pan & 0xFF);
}

void steer(Aim& aim, int o, int dx, int dy) {
    if (axes_swapped(o)) {
        aim.tilt += dx;
        aim.pan -= dy;
    } else {
        aim.pan += dx;
        aim.tilt -= dy;
    }
    aim.pan = std::clamp(aim.pan, aim.pan_low, aim.pan_high);
    aim.tilt = std::clamp(aim.tilt, aim.tilt_low, aim.tilt_high);
}

struct MovingSymbol {
    int16_t x = 0;
    int16_t y = 0;
    int16_t start_x = 0;
    int16_t start_y = 0;
    int orientation = 0;
};

}  // namespace

void move_stage_fixture(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    if (f < 1 || f > rig_fixture_count(setup)) return;
    runtime::show_mouse_cursor(0);
    const int own_page = fixture_page_of(fixture_number_of(setup, f));
    MovingSymbol s;
    s.orientation = setup.u8(SetupData::fixture_field(f, kFixtureOrientation)) & 7;
    Aim aim = light_fixture_alone(setup, f, state, list, panel);
    const FixtureDrawing drawing = list.loaded_drawing;
    s.x = setup.i16(SetupData::fixture_field(f, kFixtureX));
    s.y = setup.i16(SetupData::fixture_field(f, kFixtureY));
    convert_stage_to_screen(s.x, s.y);
    s.start_x = s.x;
    s.start_y = s.y;
    confine(kMovingRange);
    draw_fixture_number(setup, static_cast<int16_t>(f - 1), kSetupBlack);
    show_setup_status(kMovePrompt);
    const auto draw_symbol = [&] { draw_fixture_symbol(s.x, s.y, drawing_image(drawing, s.orientation)); };
    platform::_setcolor(kSetupYellow);
    draw_symbol();
    const int bx = s.x > 295 ? s.x - 135 : s.x + 35;
    const int by = s.y > 297 ? s.y - 95 : s.y + 35;
    SavedArea info(bx, by, bx + kInfoBoxWidth, by + kInfoBoxHeight);
    show_fixture_info(static_cast<int16_t>(bx), static_cast<int16_t>(by), static_cast<int16_t>(f - 1), setup);
    set_digit_leds(s.orientation + 1);
    runtime::read_trackerball(0);
    for (;;) {
        runtime::read_trackerball(0);
        const int dx = runtime::mouse_x;
        const int dy = runtime::mouse_y;
        const int16_t buttons = runtime::mouse_buttons;
        if (aim.enabled && (dx != 0 || dy != 0)) {
            steer(aim, s.orientation, dx, dy);
            send_aim(aim, s.orientation);
        }
        const int16_t key = read_setup_key();
        if (buttons == runtime::kMouseRight || key == runtime::KEY_ESC) break;
        if (buttons == runtime::kMouseLeft) {
            info.restore();
            const int16_t bank = runtime::fixture_page == 1 ? runtime::KEY_BANK_UP : runtime::KEY_BANK_DOWN;
            runtime::set_key_led(bank, runtime::LED_BLINK);
            digit_leds_off();
            show_setup_status(kMoving);
            platform::_setcolor(kSetupYellow);
            platform::_setwritemode(platform::kXorMode);
            runtime::read_mouse(0);
            for (;;) {
                runtime::read_trackerball(0);
                const int mx = runtime::mouse_x;
                const int my = runtime::mouse_y;
                const int16_t move_buttons = runtime::mouse_buttons;
                const int16_t page_key = read_setup_key();
                const int page = runtime::fixture_page;
                const bool down = page_key == runtime::KEY_BANK_DOWN && page > 1;
                const bool up = page_key == runtime::KEY_BANK_UP && page < kFixturePages;
                if (down || up) {
                    platform::_setwritemode(platform::kCopyMode);
                    change_fixture_page(setup, static_cast<int16_t>(page + (up ? 1 : -1)), list);
                    runtime::set_key_led(runtime::KEY_BANK_DOWN, runtime::LED_BLINK);
                    runtime::set_key_led(runtime::KEY_BANK_UP, runtime::LED_BLINK);
                    if (runtime::fixture_page == own_page) {
                        draw_fixture_number(setup, static_cast<int16_t>(f - 1), kSetupBlack);
                        s.x = s.start_x;
                        s.y = s.start_y;
                    }
                    platform::_setcolor(kSetupYellow);
                    draw_symbol();
                    platform::_setwritemode(platform::kXorMode);
                }
                if (move_buttons == runtime::kMouseLeft) {
                    const PageCounts counts = count_page_fixtures(setup);
                    if (runtime::fixture_page != own_page && counts[static_cast<size_t>(runtime::fixture_page)] >= kPageKeys) {
                        refuse(kPageFull);
                        show_setup_status(kMoving);
                        continue;
                    }
                    break;
                }
                if (mx != 0 || my != 0) {
                    draw_symbol();
                    if (s.x + mx > kMovingRange.x1 && s.x + mx < kMovingRange.x2) s.x = static_cast<int16_t>(s.x + mx);
                    if (s.y + my > kMovingRange.y1 && s.y + my < kMovingRange.y2) s.y = static_cast<int16_t>(s.y + my);
                    draw_symbol();
                }
            }
            ui::beep(kPickHz, kEndBeep_ms);
            show_setup_status(kMovePrompt);
            runtime::set_key_led(runtime::fixture_page == 1 ? runtime::KEY_BANK_UP : runtime::KEY_BANK_DOWN, runtime::LED_OFF);
            for (int d = 1; d <= kOrientations; ++d) runtime::set_key_led(runtime::digit_key(d), runtime::LED_BLINK);
            continue;
        }
        if (key >= runtime::digit_key(1) && key <= runtime::digit_key(kOrientations)) {
            info.restore();
            ui::beep(kPickHz, kTurnBeep_ms);
            platform::_setwritemode(platform::kXorMode);
            platform::_setcolor(kSetupYellow);
            draw_symbol();
            s.orientation = key - runtime::digit_key(1);
            draw_symbol();
            set_digit_leds(s.orientation + 1);
        }
    }
    ui::beep(kPickHz, kEndBeep_ms);
    platform::_setwritemode(platform::kCopyMode);
    info.restore();
    int16_t x = s.x;
    int16_t y = s.y;
    convert_screen_to_stage(x, y);
    setup.set_i16(SetupData::fixture_field(f, kFixtureX), x);
    setup.set_i16(SetupData::fixture_field(f, kFixtureY), y);
    setup.set_u8(SetupData::fixture_field(f, kFixtureOrientation), static_cast<uint8_t>(s.orientation));
    const int16_t colour = stage_colour_of(setup, f);
    highlight_stage_fixture(setup, static_cast<int16_t>(f - 1), colour);
    if (fixture_page_of(fixture_number_of(setup, f)) == runtime::fixture_page) {
        draw_fixture_number(setup, static_cast<int16_t>(f - 1), colour);
    } else {
        draw_page_fixture_numbers(setup, 0);
        assign_fixture_number(setup, f, runtime::fixture_page);
        draw_page_fixture_numbers(setup, 1);
        renumber_fixtures_by_page(setup);
        build_address_map(state, setup);
        compute_address_slots(panel, state, list);
    }
    clear_control_channels();
    confine(kWholeScreen);
    runtime::show_mouse_cursor(1);
    digit_leds_off();
}

// ------------------------------------------------------------------ numbering

namespace {

constexpr Area kKeyGrid = {450, 12, 629, 188};
constexpr Area kTypeListRange = {465, 201, 628, 425};
constexpr Area kTypeRows = {465, 206, 615, 444};
constexpr Area kListUp = {617, 205, 630, 224};
constexpr Area kListDown = {617, 406, 630, 425};
constexpr int kTypeListPageRows = 20;
constexpr const char* kTypeSelection = "LMB=TYPE-SELECTION  RMB=CANCEL";
constexpr const char* kPatchPrompt = "LMB=PATCH  RMB=CANCEL";

int key_at_pointer() {
    const int row = (mouse_y - kKeyGrid.y1) / 25 + 1;
    const int column = (mouse_x - kKeyGrid.x1) / 18 + 1;
    return 10 * (row - 1) + column;
}

// The inset of key cell k filled, its number in another colour.
void draw_key_inset(int key, int16_t fill, int16_t text_colour) {
    const int c = (key - 1) % 10 + 1;
    const int r = (key - 1) / 10 + 1;
    std::array<char, 12> text{};
    std::snprintf(text.data(), text.size(), "%d", key);
    ui::draw_text_button(static_cast<int16_t>(434 + 18 * c), static_cast<int16_t>(25 * r - 6), static_cast<int16_t>(448 + 18 * c),
                         static_cast<int16_t>(25 * r + 6), fill, text.data(), text_colour);
}

int page_record_of_key(const SetupData& setup, int key) {
    const int number = (runtime::fixture_page - 1) * kPageKeys + key;
    for (int f = rig_fixture_count(setup); f >= 1; --f) {
        if (fixture_number_of(setup, f) == number) return f;
    }
    return 0;
}

void finish_renumbering(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    renumber_fixtures_by_page(setup);
    refresh_address_list(setup, state, list, panel);
}

enum class PatchMethod : uint8_t { all, type, groups, random };

struct NumberingPass {
    PatchMethod method = PatchMethod::random;
    std::vector<int> types;                         // type indexes of the page, ascending
    std::array<bool, kMaxFixtureTypes> done{};      // by position in `types`
    int types_left = 0;
    int list_page = 0;
    std::array<bool, kMaxFixtures + 1> numbered{};  // by record
    int counter = 0;
    std::array<uint16_t, kMaxFixtures + 1> saved{};
    std::vector<int> type_numbers;
};

std::vector<int> page_records(const SetupData& setup) {
    std::vector<int> records;
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) {
        if (fixture_page_of(fixture_number_of(setup, f)) == runtime::fixture_page) records.push_back(f);
    }
    return records;
}

void draw_setup_type_list(const SetupData& setup, const NumberingPass& pass) {
    const PointerHidden hidden;
    ui::fill_box(464, 188, 630, 425, kSetupBlack);
    platform::_setcolor(kSetupWhite);
    platform::_rectangle(464, 188, 630, 425);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    ui::draw_text_button(465, 189, 629, 203, kSetupRed, "SETUP TYPES", kSetupYellow);
    const int length = static_cast<int>(pass.types.size());
    const int first = kTypeListPageRows * pass.list_page;
    for (int i = first + 1; i <= std::min(length, first + kTypeListPageRows); ++i) {
        const int j = i - 1 - first;
        const int top = 206 + 11 * j;
        ui::fill_box(465, static_cast<int16_t>(top), 473, static_cast<int16_t>(top + 9), kSetupRed);
        if (pass.done[static_cast<size_t>(i - 1)]) {
            platform::_setcolor(kSetupBlack);
            platform::_line(465, top, 473, top + 9);
            platform::_line(465, top + 9, 473, top);
        }
        const std::string name = setup.text(SetupData::type_name_field(pass.types[static_cast<size_t>(i - 1)] + 1), kTypeNameBytes);
        ui::draw_text_button(475, static_cast<int16_t>(top), 616, static_cast<int16_t>(top + 9), kSetupLightGrey, name.c_str(),
                             kSetupBlack);
    }
    ui::fill_box(617, 205, 630, 425, kSetupDarkGrey);
    const int thumb_top = length <= kTypeListPageRows || pass.list_page == 0 ? 225 : 315;
    const int thumb_bottom = length <= kTypeListPageRows || pass.list_page == 1 ? 405 : 315;
    ui::fill_box(619, static_cast<int16_t>(thumb_top), 628, static_cast<int16_t>(thumb_bottom), kSetupRed);
    ui::fill_box(kListUp.x1, kListUp.y1, kListUp.x2, kListUp.y2, kSetupBlue);
    ui::fill_box(kListDown.x1, kListDown.y1, kListDown.x2, kListDown.y2, kSetupBlue);
}

// Number k on the page for record f (TYPE: `number` is the whole fixture number).
void hand_out_number(SetupData& setup, NumberingPass& pass, int f, int number) {
    const PointerHidden hidden;
    pass.numbered[static_cast<size_t>(f)] = true;
    const int key = fixture_key_of(number);
    const int16_t colour = stage_colour_of(setup, f);
    draw_page_fixture_key(static_cast<int16_t>(key), colour);
    runtime::set_key_led(runtime::fixture_key(key), runtime::LED_ON_BOTH);
    draw_fixture_number(setup, static_cast<int16_t>(f - 1), kSetupBlack);
    set_fixture_number(setup, f, number);
    draw_fixture_in(setup, f, colour);
}

int next_number(NumberingPass& pass) { return (runtime::fixture_page - 1) * kPageKeys + ++pass.counter; }

// A click in the type list: the chosen list position, -1 for none (the
// scroll boxes page the list).
int chosen_type_row(const SetupData& setup, NumberingPass& pass) {
    if (inside(kListUp) && pass.list_page == 1) {
        pass.list_page = 0;
        draw_setup_type_list(setup, pass);
        return -1;
    }
    if (inside(kListDown) && pass.list_page == 0 && pass.types.size() > kTypeListPageRows) {
        pass.list_page = 1;
        draw_setup_type_list(setup, pass);
        return -1;
    }
    if (!inside(kTypeRows) || inside(kListUp) || inside(kListDown)) return -1;
    const int row = (mouse_y - 205) / 11 + kTypeListPageRows * pass.list_page;
    return row >= 0 && row < static_cast<int>(pass.types.size()) ? row : -1;
}

void show_type_in(const SetupData& setup, int type_index, int16_t colour) {
    const PointerHidden hidden;
    for (const int f : page_records(setup)) {
        if (setup.u16(SetupData::fixture_field(f, kFixtureTypeIndex)) == type_index) draw_fixture_in(setup, f, colour);
    }
}

// Clicks on the plan until every fixture of the type (or of the page) is numbered; false on cancel.
bool number_by_clicks(SetupData& setup, LibraryList& list, NumberingPass& pass, int type_index) {
    std::vector<int> wanted;
    for (const int f : page_records(setup)) {
        if (type_index < 0 || setup.u16(SetupData::fixture_field(f, kFixtureTypeIndex)) == type_index) wanted.push_back(f);
    }
    size_t given = 0;
    while (given < wanted.size()) {
        if (wait_click() == Click::right) return false;
        const int f = find_nearest_stage_fixture(setup, list);
        if (f == 0 || pass.numbered[static_cast<size_t>(f)] ||
            std::find(wanted.begin(), wanted.end(), f) == wanted.end()) {
            continue;
        }
        const int number = pass.method == PatchMethod::type ? pass.type_numbers[given] : next_number(pass);
        hand_out_number(setup, pass, f, number);
        ++given;
        ui::beep(kPickHz, kPick_ms);
    }
    return true;
}

// ALL and GROUPS: types chosen from the list until none is left; false on cancel.
bool number_types(SetupData& setup, LibraryList& list, NumberingPass& pass) {
    while (pass.types_left > 0) {
        if (wait_click() == Click::right) return false;
        const int row = chosen_type_row(setup, pass);
        if (row < 0 || pass.done[static_cast<size_t>(row)]) continue;
        const int type_index = pass.types[static_cast<size_t>(row)];
        pass.done[static_cast<size_t>(row)] = true;
        --pass.types_left;
        draw_setup_type_list(setup, pass);
        show_type_in(setup, type_index, kSetupYellow);
        if (pass.method == PatchMethod::groups) {
            for (const int f : page_records(setup)) {
                if (setup.u16(SetupData::fixture_field(f, kFixtureTypeIndex)) == type_index) {
                    hand_out_number(setup, pass, f, next_number(pass));
                }
            }
            ui::beep(kPickHz, kPick_ms);
            continue;
        }
        show_setup_status(kPatchPrompt);
        confine(kStagePlanRange);
        if (!number_by_clicks(setup, list, pass, type_index)) return false;
        show_setup_status(kTypeSelection);
        confine(kTypeListRange);
    }
    return true;
}

// TYPE: one type chosen, its own numbers handed out again in click order.
bool number_one_type(SetupData& setup, LibraryList& list, NumberingPass& pass) {
    int row = -1;
    while (row < 0) {
        if (wait_click() == Click::right) return false;
        row = chosen_type_row(setup, pass);
    }
    const int type_index = pass.types[static_cast<size_t>(row)];
    pass.done[static_cast<size_t>(row)] = true;
    draw_setup_type_list(setup, pass);
    for (const int f : page_records(setup)) {
        if (setup.u16(SetupData::fixture_field(f, kFixtureTypeIndex)) == type_index) {
            pass.type_numbers.push_back(fixture_number_of(setup, f));
            continue;
        }
        const PointerHidden hidden;
        const int key = fixture_key_of(fixture_number_of(setup, f));
        draw_page_fixture_key(static_cast<int16_t>(key), stage_colour_of(setup, f));
        runtime::set_key_led(runtime::fixture_key(key), runtime::LED_ON_BOTH);
        draw_fixture_number(setup, static_cast<int16_t>(f - 1), stage_colour_of(setup, f));
    }
    show_setup_status(kPatchPrompt);
    show_type_in(setup, type_index, kSetupYellow);
    confine(kStagePlanRange);
    return number_by_clicks(setup, list, pass, type_index);
}

void run_numbering_pass(PatchMethod method, SetupData& setup, AddressState& state, AddressPanel& panel, LibraryList& list) {
    runtime::show_mouse_cursor(0);
    if (!show_page_with_fixtures(setup, list)) return;
    NumberingPass pass;
    pass.method = method;
    const std::vector<int> records = page_records(setup);
    if (method != PatchMethod::random) {
        for (const int f : records) pass.types.push_back(setup.u16(SetupData::fixture_field(f, kFixtureTypeIndex)));
        std::sort(pass.types.begin(), pass.types.end());
        pass.types.erase(std::unique(pass.types.begin(), pass.types.end()), pass.types.end());
        pass.types.resize(std::min<size_t>(pass.types.size(), kMaxFixtureTypes));
        pass.types_left = static_cast<int>(pass.types.size());
    }
    ui::beep(kStartHz, kStart_ms);
    std::optional<SavedArea> under_list;
    if (method != PatchMethod::random) {
        under_list.emplace(464, 188, 630, 425, [] {
            if (patch_conflict_count != 0) {
                show_patch_conflicts(1);
                return;
            }
            draw_stage_toolbar();
            draw_colour_swatches();
        });
        draw_setup_type_list(setup, pass);
        confine(kTypeListRange);
    } else {
        confine(kStagePlanRange);
    }
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) pass.saved[static_cast<size_t>(f)] = static_cast<uint16_t>(fixture_number_of(setup, f));
    for (const int f : records) {
        const int key = fixture_key_of(fixture_number_of(setup, f));
        draw_page_fixture_key(static_cast<int16_t>(key), kSetupBlack);
        runtime::set_key_led(runtime::fixture_key(key), runtime::LED_OFF);
        draw_fixture_number(setup, static_cast<int16_t>(f - 1), kSetupWhite);
        highlight_stage_fixture(setup, static_cast<int16_t>(f - 1), stage_colour_of(setup, f));
    }
    if (method != PatchMethod::random) show_setup_status(kTypeSelection);
    runtime::show_mouse_cursor(1);
    bool completed = false;
    switch (method) {
        case PatchMethod::all:
        case PatchMethod::groups: completed = number_types(setup, list, pass); break;
        case PatchMethod::type: completed = number_one_type(setup, list, pass); break;
        case PatchMethod::random: completed = number_by_clicks(setup, list, pass, -1); break;
    }
    runtime::show_mouse_cursor(0);
    if (under_list) under_list->restore();
    if (!completed) {
        for (int f = 1; f <= count; ++f) set_fixture_number(setup, f, pass.saved[static_cast<size_t>(f)]);
        redraw_page_fixture_keys(setup);
        draw_stage_page(setup);
    }
    finish_renumbering(setup, state, list, panel);
    runtime::show_mouse_cursor(1);
}

struct PatchChoice {
    int16_t top;
    const char* label;
    PatchMethod method;
};
constexpr std::array<PatchChoice, 4> kPatchChoices = {{
    {389, "ALL", PatchMethod::all},
    {406, "TYPE", PatchMethod::type},
    {423, "GROUPS", PatchMethod::groups},
    {440, "RANDOM", PatchMethod::random},
}};

}  // namespace

void renumber_fixture(SetupData& setup, AddressState& state, AddressPanel& panel, LibraryList& list) {
    const int s = key_at_pointer();
    const int m = count_page_fixtures(setup)[static_cast<size_t>(std::clamp<int>(runtime::fixture_page, 1, kFixturePages))];
    const auto valid_target = [&](int t) { return t >= 1 && t <= m && t != s; };
    if (s >= 1 && s <= m) {
        {
            const PointerHidden hidden;
            draw_key_inset(s, kSetupYellow, kSetupRed);
            draw_fixture_in(setup, page_record_of_key(setup, s), kSetupYellow);
        }
        int t = s;
        const auto restore_target = [&] {
            if (!valid_target(t)) return;
            const PointerHidden hidden;
            show_setup_status(kSetupTitle);
            const int g = page_record_of_key(setup, t);
            draw_page_fixture_key(static_cast<int16_t>(t), stage_colour_of(setup, g));
            draw_fixture_in(setup, g, stage_colour_of(setup, g));
        };
        for (;;) {
            read_setup_key();
            runtime::read_mouse(1);
            if (runtime::mouse_button_released[runtime::kMouseLeft] != 0) break;
            if (!inside(kKeyGrid)) {
                restore_target();
                t = 0;
                continue;
            }
            const int key = key_at_pointer();
            if (key == t) continue;
            restore_target();
            t = key;
            if (!valid_target(t)) continue;
            std::array<char, 48> text{};
            std::snprintf(text.data(), text.size(), "PATCH FIXTURE %d TO %d", s, t);
            show_setup_status(text.data());
            const PointerHidden hidden;
            draw_key_inset(t, kSetupBlue, kSetupYellow);
            draw_fixture_in(setup, page_record_of_key(setup, t), kSetupWhite);
        }
        if (valid_target(t)) move_fixture_key(setup, runtime::fixture_page, s, t);
    }
    runtime::show_mouse_cursor(0);
    redraw_page_fixture_keys(setup);
    draw_stage_page(setup);
    finish_renumbering(setup, state, list, panel);
    runtime::show_mouse_cursor(1);
}

void run_patch_menu(SetupData& setup, AddressState& state, AddressPanel& panel, LibraryList& list) {
    if (rig_type_count(setup) == 0) {
        refuse(kNoFixtures);
        return;
    }
    ui::beep(kStartHz, kStart_ms);
    {
        SavedArea under_menu(0, 365, 46, 460, [&] {
            draw_toolbar();
            draw_scroll_list(panel, state, list);
        });
        {
            const PointerHidden hidden;
            ui::fill_box(0, 365, 46, 460, kSetupDarkGrey);
            ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
            ui::draw_text_button(1, 366, 45, 384, kSetupRed, "PATCH", kSetupYellow);
            for (const PatchChoice& c : kPatchChoices) {
                ui::draw_text_button(3, c.top, 40, static_cast<int16_t>(c.top + 13), kSetupLightGrey, c.label, kSetupBlack);
            }
        }
        show_setup_status("LMB=PATCHING-METHOD RMB=CANCEL");
        runtime::set_mouse_range(1, 366, 45, 459);
        for (;;) {
            const Click click = wait_click();
            if (click == Click::right) break;
            const auto chosen = std::find_if(kPatchChoices.begin(), kPatchChoices.end(), [](const PatchChoice& c) {
                return runtime::is_point_in_rect(3, c.top, 40, static_cast<int16_t>(c.top + 13), mouse_x, mouse_y);
            });
            if (chosen == kPatchChoices.end()) continue;
            {
                const PointerHidden hidden;
                ui::draw_text_button(3, chosen->top, 40, static_cast<int16_t>(chosen->top + 13), kSetupLightCyan, chosen->label,
                                     kSetupBlack);
            }
            run_numbering_pass(chosen->method, setup, state, panel, list);
            break;
        }
    }
    confine(kWholeScreen);
    runtime::show_mouse_cursor(1);
}

// ------------------------------------------------------------------ addresses

namespace {

void confine_by_conflicts() { confine(patch_conflict_count == 0 ? kStagePlanRange : kStageAndConflicts); }

void clear_highlight(AddressPanel& panel, AddressState& state, LibraryList& list) {
    if (panel.current_fixture == 0) return;
    panel.current_fixture = 0;
    draw_scroll_list(panel, state, list);
}

bool change_page_by_key(int16_t key, SetupData& setup, LibraryList& list) {
    const int page = runtime::fixture_page;
    if (key == runtime::KEY_BANK_DOWN && page > 1) {
        change_fixture_page(setup, static_cast<int16_t>(page - 1), list);
        return true;
    }
    if (key == runtime::KEY_BANK_UP && page < kFixturePages) {
        change_fixture_page(setup, static_cast<int16_t>(page + 1), list);
        return true;
    }
    return false;
}

// A rule-2 fixture with a plain address becomes soft-patched on card 1:
// its dimmer part at its address, its block at the next.
void make_soft_patched(SetupData& setup, int f, int channels) {
    const FixtureRecord r = read_fixture(setup, f);
    soft_patch_list.push_back({static_cast<int16_t>(f), kSoftPatchDimmerPart, r.card, r.address});
    soft_patch_list.push_back(
        {static_cast<int16_t>(f), static_cast<int16_t>(kSoftPatchBlockBase + channels), r.card, static_cast<int16_t>(r.address + 1)});
    setup.set_u8(SetupData::fixture_field(f, kFixtureCard), 1);
    setup.set_i16(SetupData::fixture_field(f, kFixtureAddress), kSoftPatchAddress);
}

// A click in the address list of the dialog; true when it ended the dialog.
bool address_list_click(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    const int row = (mouse_y - kFirstRow_px) / kRowHeight_px;
    const int slot = panel.list_page * kListRows + row + 1;
    if (row == kMultipatchRowIndex) {
        if (list.loaded_type.u8(kTypeSoftPatchRule) != 1) {
            refuse(kNoSoftPatch);
            return false;
        }
        setup.set_i16(SetupData::fixture_field(f, kFixtureAddress), kMultipatchAddress);
        edit_soft_patch(f, setup, state, list, panel);
        return true;
    }
    if (row > kMultipatchRowIndex || slot < 1 || slot > panel.slot_count) {
        ui::beep(kRefusalHz, kOutsideRefusal_ms);
        return false;
    }
    if (state.selected_protocol == 0) {
        refuse(kNoProtocol);
        return false;
    }
    const int16_t address = slot_address(panel, slot);
    if (address + list.loaded_type.channel_count() - 1 > kCardAddresses) {
        refuse(kOutOfRange, kRangeRefusal_ms);
        return false;
    }
    const int c = std::clamp<int>(state.selected_card, 1, kMaxCards);
    setup.set_u8(SetupData::fixture_field(f, kFixtureCard), static_cast<uint8_t>(c));
    setup.set_i16(SetupData::fixture_field(f, kFixtureAddress), address);
    setup.set_i16(SetupData::fixture_field(f, kFixtureInputAddress), address);
    setup.set_text(SetupData::fixture_field(f, kFixtureProtocol), kProtocolNameBytes,
                   state.protocol_names[static_cast<size_t>(c)][static_cast<size_t>(std::clamp<int>(state.selected_protocol, 1, kCardProtocols))]);
    build_address_map(state, setup);
    compute_address_slots(panel, state, list);
    panel.current_fixture = 0;
    draw_scroll_list(panel, state, list);
    ui::beep(kPickHz, kPick_ms);
    return true;
}

}  // namespace

void change_fixture_address(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    if (f < 1 || f > rig_fixture_count(setup)) return;
    show_setup_status(kAddressPrompt);
    confine(kAddressPanelRange);
    runtime::show_mouse_cursor(1);
    scroll_address_list_to(setup.i16(SetupData::fixture_field(f, kFixtureAddress)), panel, state, list);
    track_address_list_pointer(state, panel, list, f, 0, 0);
    for (bool done = false; !done;) {
        const int16_t key = read_setup_key();
        runtime::read_mouse(0);
        const int16_t buttons = runtime::mouse_buttons;
        update_setup_key_leds(key);
        track_address_list_pointer(state, panel, list, f, 0, 0);
        if (buttons == runtime::kMouseRight || key == runtime::KEY_ESC) break;
        if (buttons == runtime::kMouseLeft) {
            if (address_panel_click(state, list, panel)) {
            } else if (inside({0, 83, 100, 424})) {
                done = address_list_click(f, setup, state, list, panel);
            }
            if (!done) show_setup_status(kAddressPrompt);
            continue;
        }
        if (address_panel_key(key, state, list, panel)) show_setup_status(kAddressPrompt);
    }
    track_address_list_pointer(state, panel, list, 0, 0, 1);
    runtime::show_mouse_cursor(0);
    confine(kStagePlanRange);
    clear_control_channels();
    set_setup_key_leds(runtime::LED_OFF);
}

void check_overlapping_addresses(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    fill_toolbar_button(kCorrectButton, kSetupLightCyan);
    const bool with_fixtures = rig_fixture_count(setup) > 0;
    if (!with_fixtures) {
        refuse(kNoFixtures);
    } else {
        show_page_with_fixtures(setup, list);
        ui::beep(kStartHz, kStart_ms);
        confine_by_conflicts();
        runtime::show_mouse_cursor(1);
        show_setup_status(kCorrectPrompt);
        for (;;) {
            int16_t key = 0;
            const Click click = read_click(&key);
            if (click == Click::right) break;
            if (change_page_by_key(key, setup, list)) {
                show_setup_status(kChecking);
                compute_patch_conflicts(setup, list);
                show_setup_status(kCorrectPrompt);
            }
            if (click != Click::left) continue;
            if (mouse_x >= 464) {
                if (patch_conflict_count == 0) continue;
                if (inside({616, 201, 629, 220})) show_patch_conflicts(2);
                if (inside({616, 405, 629, 424})) show_patch_conflicts(3);
                continue;
            }
            ui::beep(kPickHz, kPick_ms);
            const int16_t px = mouse_x;
            const int16_t py = mouse_y;
            const int16_t f = find_nearest_stage_fixture(setup, list);
            if (f == 0) continue;
            panel.current_fixture = static_cast<int16_t>(fixture_number_of(setup, f));
            if (!select_fixture_library(f, setup, state, list, panel, PickMode::correcting)) {
                refuse(kLibraryNotFound);
                continue;
            }
            runtime::show_mouse_cursor(0);
            draw_fixture_in(setup, f, kSetupYellow);
            const int16_t address = setup.i16(SetupData::fixture_field(f, kFixtureAddress));
            if (list.loaded_type.u8(kTypeSoftPatchRule) == 2) {
                if (address != kSoftPatchAddress) make_soft_patched(setup, f, list.loaded_type.channel_count());
                edit_split_dimmer_patch(f, 0, setup, state, list, panel);
            } else if (address == kMultipatchAddress || address == kSoftPatchAddress) {
                edit_soft_patch(f, setup, state, list, panel);
            } else {
                change_fixture_address(f, setup, state, list, panel);
            }
            confine_by_conflicts();
            show_setup_status(kChecking);
            compute_patch_conflicts(setup, list);
            confine_by_conflicts();
            clear_highlight(panel, state, list);
            show_setup_status(kCorrectPrompt);
            runtime::show_mouse_cursor(1);
            runtime::set_mouse_position(px, py);
        }
    }
    if (with_fixtures) confine(kWholeScreen);
    compute_patch_conflicts(setup, list);
    fill_toolbar_button(kCorrectButton, kSetupBlack);
}

void edit_fixture_input_addresses(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel) {
    fill_toolbar_button(kInputButton, kSetupLightCyan);
    setup.set_i16(kSetupDmxIn1Start, 0);
    setup.set_u8(kSetupDmxIn1Enabled, 0);
    const bool with_fixtures = rig_fixture_count(setup) > 0;
    if (!with_fixtures) {
        refuse(kNoFixtures);
    } else {
        // The fixtures' inputs are read only while both DMX inputs are off:
        // with input 2 on, the toggles below would have no effect unsaid.
        if (setup.u8(kSetupDmxIn2Enabled) != 0) refuse(kInput2On);
        show_page_with_fixtures(setup, list);
        ui::beep(kStartHz, kStart_ms);
        confine(kStagePlanRange);
        runtime::show_mouse_cursor(1);
        show_setup_status(kInputPrompt);
        while (wait_click() == Click::left) {
            ui::beep(kPickHz, kPick_ms);
            const int16_t f = find_nearest_stage_fixture(setup, list);
            if (f == 0) continue;
            if (!select_fixture_library(f, setup, state, list, panel, PickMode::dmx_input)) {
                refuse(kLibraryNotFound);
                continue;
            }
            runtime::show_mouse_cursor(0);
            draw_fixture_in(setup, f, kSetupYellow);
            if (setup.text(SetupData::fixture_field(f, kFixtureProtocol), kProtocolNameBytes) == kProtocolDmxOut) {
                toggle_fixture_input_address(f, setup);
            } else {
                refuse(kNotDmx, kProtocolRefusal_ms);
            }
            draw_fixture_in(setup, f, stage_colour_of(setup, f));
            show_setup_status(kInputPrompt);
            runtime::show_mouse_cursor(1);
        }
    }
    if (with_fixtures) confine(kWholeScreen);
    fill_toolbar_button(kInputButton, kSetupBlack);
}

void toggle_fixture_input_address(int16_t f, SetupData& setup) {
    if (f < 1 || f > rig_fixture_count(setup)) return;
    const auto address_text = [&](const char* format, int value) {
        std::array<char, 48> text{};
        std::snprintf(text.data(), text.size(), format, value);
        return std::string(text.data());
    };
    {
        const PointerHidden hidden;
        ui::fill_box(445, 430, 630, 460, kSetupBlack);
        platform::_setfillstyle(platform::kSolidFill, kSetupDarkGrey);
        platform::_setcolor(kSetupLightGrey);
        platform::_bar3d(446, 436, 624, 459, 5, 1);
        ui::fill_box(448, 437, 622, 447, kSetupBlue);
        ui::fill_box(448, 447, 622, 458, kSetupRed);
        ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
        std::array<char, 48> text{};
        std::snprintf(text.data(), text.size(), "ADDRESS: OUTPUT=%-3d INPUT=%-3d", setup.i16(SetupData::fixture_field(f, kFixtureAddress)),
                      setup.i16(SetupData::fixture_field(f, kFixtureInputAddress)));
        platform::_setcolor(kSetupWhite);
        platform::_outtextxy(450, 438, text.data());
        platform::_setcolor(kSetupYellow);
        platform::_outtextxy(450, 449, "LMB=TOGGLE INPUT  RMB=CANCEL");
    }
    for (;;) {
        const Click click = wait_click();
        if (click == Click::right) break;
        ui::beep(kToggleHz, kToggle_ms);
        flip_fixture_input_address(setup, f);
        const PointerHidden hidden;
        ui::fill_box(603, 437, 622, 447, kSetupBlue);
        platform::_setcolor(kSetupWhite);
        platform::_outtextxy(605, 438, address_text("%-3d", setup.i16(SetupData::fixture_field(f, kFixtureInputAddress))));
    }
    const PointerHidden hidden;
    ui::fill_box(446, 431, 629, 459, kSetupBlack);
    ui::last_message_text.fill('\0');
}

}  // namespace setup
