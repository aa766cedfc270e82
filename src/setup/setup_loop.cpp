#include "setup/setup_loop.h"

#include <array>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/text_screen.h"
#include "runtime/card_access.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/commands.h"
#include "setup/fixture_editing.h"
#include "setup/library_browser.h"
#include "setup/link_menu.h"
#include "setup/library_list.h"
#include "setup/patch_conflicts.h"
#include "setup/setup_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_exit.h"
#include "setup/setup_screen.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace setup {

SetupFirstEntry setup_first_entry;

void reset_setup_loop_globals() { setup_first_entry = {}; }

namespace {

using runtime::mouse_x;
using runtime::mouse_y;

constexpr int16_t kExitButton = 9;
constexpr int16_t kLastFixturePage = 10;
constexpr int16_t kNoAddress = -1;
constexpr int32_t kPromptHz = 800;
constexpr uint32_t kPrompt_ms = 200;
constexpr uint32_t kConflictRefusal_ms = 1200;

// The whole screen but the last pixels, the pointer's range in the setup.
constexpr Area kPointerRange = {0, 0, 628, 470};

// ------------------------------------------------------------------ pointer areas

enum class When : uint8_t {
    always,
    library_loaded,          // ends the walk when hit, loaded or not
    tools_open,              // no patch conflict and not the upload view
    conflicts_shown,         // patch conflicts and not the upload view
    upload_mode,
};

struct PointerArea {
    Area area;
    When when;
    bool clears_address;     // the current address becomes -1 after the action
    void (*action)();
};

bool holds(When when) {
    const bool upload = library_list.upload_mode != 0;
    switch (when) {
        case When::always: return true;
        case When::library_loaded: return library_loaded(library_list);
        case When::tools_open: return patch_conflict_count == 0 && !upload;
        case When::conflicts_shown: return patch_conflict_count != 0 && !upload;
        case When::upload_mode: return upload;
    }
    return false;
}

int16_t leave_code = kLeaveStay;
bool status_refresh = true;

// The areas in the order they are tried: the first that holds the pointer
// and whose condition holds is acted on.
const std::array<PointerArea, 32> kPointerAreas = {{
    {{0, 12, 115, 28}, When::always, true, [] { select_interface_card(address_state, library_list, address_panel); }},
    {{0, 40, 115, 70}, When::always, true, [] { select_protocol(address_state, library_list, address_panel); }},
    {{116, 12, 285, 80}, When::always, false, [] { select_manufacturer_at_pointer(library_list); }},
    {{285, 12, 300, 32}, When::always, false, [] { scroll_manufacturer_list(library_list, -1); }},
    {{285, 59, 300, 79}, When::always, false, [] { scroll_manufacturer_list(library_list, +1); }},
    {{116, 92, 285, 188}, When::always, true,
     [] {
         status_refresh = false;
         select_library(library_list, setup_edit_copy, address_state, address_panel);
     }},
    {{285, 92, 300, 112}, When::always, false, [] { scroll_library_list(library_list, -1); }},
    {{285, 167, 300, 186}, When::always, false, [] { scroll_library_list(library_list, +1); }},
    {{73, 72, 114, 80}, When::library_loaded, false,
     [] { change_address_increment(address_panel, address_state, library_list); }},
    {{0, 83, 100, 424}, When::library_loaded, false,
     [] { add_fixture(setup_edit_copy, address_state, library_list, address_panel); }},
    {{101, 83, 116, 103}, When::always, false, [] { step_address_list_page(address_panel, address_state, -1); }},
    {{101, 404, 116, 424}, When::always, false, [] { step_address_list_page(address_panel, address_state, +1); }},
    {{464, 201, 492, 425}, When::tools_open, false, [] { run_stage_tool(setup_edit_copy, library_list); }},
    {{492, 405, 524, 425}, When::tools_open, false, [] { edit_stage_colours(setup_edit_copy, library_list); }},
    {{492, 224, 524, 403}, When::tools_open, false, [] { select_colour_swatch_at_mouse(); }},
    {{616, 201, 629, 220}, When::conflicts_shown, false, [] { show_patch_conflicts(2); }},
    {{616, 405, 629, 424}, When::conflicts_shown, false, [] { show_patch_conflicts(3); }},
    {{616, 213, 629, 232}, When::upload_mode, false, [] { scroll_upload_text(0); }},
    {{616, 405, 629, 424}, When::upload_mode, false, [] { scroll_upload_text(1); }},
    {{464, 412, 615, 424}, When::upload_mode, false, [] { run_fixture_upload(); }},
    {{117, 201, 462, 423}, When::always, false,
     [] { pick_stage_fixture(setup_edit_copy, address_state, library_list, address_panel); }},
    {{0, 430, 49, 460}, When::always, false,
     [] { run_patch_menu(setup_edit_copy, address_state, address_panel, library_list); }},
    {{49, 430, 98, 460}, When::always, false, [] { edit_function_patching(library_list, setup_edit_copy); }},
    {{450, 12, 629, 188}, When::always, false,
     [] { renumber_fixture(setup_edit_copy, address_state, address_panel, library_list); }},
    {{98, 430, 147, 460}, When::always, false,
     [] { run_link_menu(setup_edit_copy, address_state, library_list, address_panel); }},
    {{147, 430, 196, 460}, When::always, false,
     [] { check_overlapping_addresses(setup_edit_copy, address_state, library_list, address_panel); }},
    {{196, 430, 245, 460}, When::always, false, [] { choose_colour_library(setup_edit_copy); }},
    {{245, 430, 294, 460}, When::always, true,
     [] { kill_fixture(setup_edit_copy, address_state, library_list, address_panel); }},
    {{294, 430, 343, 460}, When::always, true,
     [] { erase_all_setup(setup_edit_copy, setup_data, address_state, address_panel, library_list); }},
    {{343, 430, 392, 460}, When::always, false, [] { redraw_stage_page(setup_edit_copy, library_list); }},
    {{1, 71, 72, 81}, When::library_loaded, false, [] { toggle_lamp_on(address_panel); }},
    {{392, 430, 441, 460}, When::always, false, [] { prompt_leave_setup(0, leave_code); }},
}};


void dispatch_click() {
    for (const PointerArea& p : kPointerAreas) {
        if (!inside(p.area)) continue;
        if (p.when == When::library_loaded && !holds(p.when)) return;
        if (!holds(p.when)) continue;
        p.action();
        if (p.clears_address) address_panel.last_address = kNoAddress;
        return;
    }
}

// ------------------------------------------------------------------ keys

// KEY_LAST and KEY_NEXT with a current address place a fixture one
// fixture width back or on.
void place_at_pointer() {
    runtime::read_mouse(0);
    track_address_list_pointer(address_state, address_panel, library_list, 0, 0, 0);
    add_fixture(setup_edit_copy, address_state, library_list, address_panel);
}

void dispatch_key(int16_t key) {
    const bool loaded = library_loaded(library_list);
    const bool no_address = address_panel.last_address == kNoAddress;
    switch (key) {
        case runtime::KEY_SETUP: prompt_leave_setup(1, leave_code); break;
        case runtime::KEY_BLIND_TOGGLE: toggle_setup_blind(address_state); break;
        case runtime::KEY_EDIT_VALUE:
            if (loaded) enter_fixture_address(address_panel, address_state, library_list);
            break;
        case runtime::KEY_PLUS:
            if (loaded) change_address_increment(address_panel, address_state, library_list);
            break;
        case runtime::KEY_UP:
            if (loaded) select_slot_above_pointer(address_panel, address_state, library_list);
            break;
        case runtime::KEY_DOWN:
            if (loaded) select_slot_below_pointer(address_panel, address_state, library_list);
            break;
        case runtime::KEY_LAST:
            if (!loaded) break;
            if (no_address) {
                select_slot_above_pointer(address_panel, address_state, library_list);
            } else {
                select_previous_free_block(address_panel, address_state, library_list);
                place_at_pointer();
            }
            break;
        case runtime::KEY_NEXT:
            if (!loaded) break;
            if (no_address) {
                select_slot_below_pointer(address_panel, address_state, library_list);
            } else {
                select_next_free_block(address_panel, address_state, library_list);
                place_at_pointer();
            }
            break;
        case runtime::KEY_PAGE_UP: step_address_list_page(address_panel, address_state, -1); break;
        case runtime::KEY_PAGE_DOWN: step_address_list_page(address_panel, address_state, +1); break;
        case runtime::KEY_BANK_DOWN:
            if (runtime::fixture_page > 1) {
                change_fixture_page(setup_edit_copy, static_cast<int16_t>(runtime::fixture_page - 1), library_list);
            }
            break;
        case runtime::KEY_BANK_UP:
            if (runtime::fixture_page < kLastFixturePage) {
                change_fixture_page(setup_edit_copy, static_cast<int16_t>(runtime::fixture_page + 1), library_list);
            }
            break;
        default: break;
    }
}

// The eight keys that work in the setup blink while it waits.
constexpr std::array<int16_t, 8> kSetupKeys = {runtime::KEY_DOWN, runtime::KEY_UP,   runtime::KEY_EDIT_VALUE,
                                               runtime::KEY_PLUS, runtime::KEY_LAST, runtime::KEY_NEXT,
                                               runtime::KEY_PAGE_UP, runtime::KEY_PAGE_DOWN};

bool is_waiting_key(int16_t key) {
    return key == 0 || key == runtime::KEY_LAST || key == runtime::KEY_NEXT || key == runtime::KEY_UP ||
           key == runtime::KEY_DOWN || key == runtime::KEY_PAGE_UP || key == runtime::KEY_PAGE_DOWN;
}

}  // namespace

void set_setup_key_leds(uint8_t state) {
    for (const int16_t key : kSetupKeys) runtime::set_key_led(key, state);
}

void update_setup_key_leds(int16_t key) {
    set_setup_key_leds(runtime::mouse_buttons == runtime::kMouseNoButton && is_waiting_key(key) ? runtime::LED_BLINK
                                                                                             : runtime::LED_OFF);
}

namespace {

void run_pass() {
    const int16_t key = read_setup_key();
    runtime::read_mouse(0);
    track_address_list_pointer(address_state, address_panel, library_list, 0, 0, 0);
    const bool clicked = runtime::mouse_buttons == runtime::kMouseLeft;
    update_setup_key_leds(key);
    if (clicked) {
        dispatch_click();
        if (status_refresh) {
            show_setup_status(kSetupTitle);
        } else {
            status_refresh = true;
        }
    } else if (key != 0) {
        dispatch_key(key);
        show_setup_status(kSetupTitle);
    }
}

// ------------------------------------------------------------------ entry and leaving

void draw_panels() {
    ui::blank_palette();
    draw_setup_screen();
    draw_manufacturer_list(library_list);
    draw_library_list(library_list);
    draw_function_patch_cells(library_list);
    draw_card_buttons(address_state);
    draw_protocol_list(address_state);
    draw_address_increment(address_panel);
    draw_scroll_list(address_panel, address_state, library_list);
    draw_colour_swatches();
    runtime::show_mouse_cursor(0);
    draw_stage_page(setup_edit_copy);
    redraw_page_fixture_keys(setup_edit_copy);
    draw_function_patch_grid();
    if (library_list.selected_entry != -1) draw_library_functions(library_list);
}

void enter_setup() {
    runtime::mode_flags |= runtime::MODE_IN_SETUP;
    runtime::clear_console_flag();
    patch_conflict_count = 0;
    runtime::set_screen_layout();
    runtime::clear_console_state_flags();
    copy_setup_data(setup_edit_copy, setup_data);
    load_soft_patch_list();
    if (library_list.entry_count == 0) load_fixture_libraries(library_list);
    if (setup_first_entry.stage_colours == 0) {
        init_stage_colours();
        setup_first_entry.stage_colours = 1;
    }
    if (setup_first_entry.address_state == 0) {
        init_address_state(address_state);
        setup_first_entry.address_state = 1;
    }
    build_address_map(address_state, setup_edit_copy);
    if (setup_first_entry.address_panel == 0) {
        init_address_panel(address_panel);
        setup_first_entry.address_panel = 1;
    }
    compute_address_slots(address_panel, address_state, library_list);
    draw_panels();
    // A stored rig with addresses taken twice is not saved unseen.
    compute_patch_conflicts(setup_edit_copy, library_list);
    reset_output_patch_for_setup(address_state);
    runtime::set_mouse_range(kPointerRange.x1, kPointerRange.y1, kPointerRange.x2, kPointerRange.y2);
    runtime::show_mouse_cursor(1);
    runtime::read_mouse(0);
    ui::set_console_palette();
    runtime::show_console_message(kSetupTitle);
}

void leave_setup() {
    runtime::mode_flags &= ~runtime::MODE_IN_SETUP;
    if (runtime::trackerball_card_mode != 0) runtime::set_console_flag();
    runtime::set_screen_layout();
}

// ------------------------------------------------------------------ the leave prompt

constexpr Area kSaveBox = {447, 435, 484, 455};
constexpr Area kNotSaveBox = {494, 435, 556, 455};
constexpr Area kCancelBox = {566, 435, 628, 455};
constexpr Area kPromptRange = {448, 436, 627, 454};
// Each choice's text is centred in its own box, so that the whole prompt
// "1=SAVE  2=NOT SAVE  ESC=CANCEL" shows with our font's widths (red text
// falling between the boxes would vanish into the red status box).
struct PromptChoice {
    Area box;
    const char* text;
};
constexpr std::array<PromptChoice, 3> kPromptChoices = {{
    {kSaveBox, "1=SAVE"},
    {kNotSaveBox, "2=NOT SAVE"},
    {kCancelBox, "ESC=CANCEL"},
}};
constexpr std::array<int16_t, 3> kPromptKeys = {runtime::KEY_DIGIT_1, runtime::KEY_DIGIT_2, runtime::KEY_ESC};

void draw_prompt() {
    runtime::show_mouse_cursor(0);
    fill_toolbar_button(kExitButton, kSetupLightCyan);
    ui::fill_box(446, 431, 629, 459, kSetupRed);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    for (const PromptChoice& c : kPromptChoices) {
        ui::draw_text_button(c.box.x1, c.box.y1, c.box.x2, c.box.y2, kSetupYellow, c.text, kSetupRed);
    }
    runtime::set_mouse_range(kPromptRange.x1, kPromptRange.y1, kPromptRange.x2, kPromptRange.y2);
    runtime::show_mouse_cursor(1);
    for (const int16_t key : kPromptKeys) runtime::set_key_led(key, runtime::LED_BLINK);
    ui::beep(kPromptHz, kPrompt_ms);
}

// SAVE only without patch conflicts, worked out anew for the rig as it is now.
int16_t save_choice() {
    compute_patch_conflicts(setup_edit_copy, library_list);
    if (patch_conflict_count == 0) return kLeaveSave;
    show_setup_status("SOLVE PATCH CONFLICTS FIRST");
    ui::beep(kSetupRefusalHz, kConflictRefusal_ms);
    return kLeaveStay;
}

// The choice of the prompt; -1 while none is made.
int16_t prompt_choice() {
    int16_t key = 0;
    runtime::run_background();
    if (runtime::is_input_pending() && !runtime::get_key(&key)) key = 0;
    runtime::read_mouse(0);
    if (runtime::mouse_buttons == runtime::kMouseLeft) {
        if (inside(kSaveBox)) return save_choice();
        if (inside(kNotSaveBox)) return kLeaveNotSave;
        if (inside(kCancelBox)) return kLeaveStay;
        return -1;
    }
    if (runtime::mouse_buttons == runtime::kMouseRight) return kLeaveStay;
    switch (key) {
        case runtime::KEY_DIGIT_1: return save_choice();
        case runtime::KEY_DIGIT_2: return kLeaveNotSave;
        case runtime::KEY_ESC: return kLeaveStay;
        default: return -1;
    }
}

void close_prompt() {
    fill_toolbar_button(kExitButton, kSetupBlack);
    runtime::set_mouse_range(kPointerRange.x1, kPointerRange.y1, kPointerRange.x2, kPointerRange.y2);
    for (const int16_t key : kPromptKeys) runtime::set_key_led(key, runtime::LED_OFF);
    ui::last_message_text.fill('\0');
}

}  // namespace

int16_t read_setup_key() {
    runtime::run_background();
    if (platform::kbhit() == 0 && !runtime::is_console_key_pending() && !runtime::is_pc_key_pending() &&
        !runtime::is_input_pending()) {
        return 0;
    }
    int16_t key = 0;
    return runtime::get_key(&key) ? key : 0;
}

void prompt_leave_setup(int16_t mode, int16_t& code) {
    code = kLeaveStay;
    if (mode == 1 && !ui::wait_key_held(runtime::KEY_SETUP, ui::kKeyHoldTime_ms)) return;
    draw_prompt();
    int16_t choice = -1;
    while (choice < 0) choice = prompt_choice();
    code = choice;
    close_prompt();
}

void run_fixture_setup() {
    enter_setup();
    leave_code = kLeaveStay;
    status_refresh = true;
    for (;;) {
        run_pass();
        if (leave_code == kLeaveStay) continue;
        runtime::show_mouse_cursor(0);
        if (finish_fixture_setup(setup_edit_copy, address_state, leave_code, library_list)) break;
        leave_code = kLeaveStay;
        runtime::show_mouse_cursor(1);
    }
    leave_setup();
}

}  // namespace setup
