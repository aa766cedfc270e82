#include "memories/copy_command.h"

#include <algorithm>
#include <cstdio>

#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/programmer_selection.h"
#include "playback/commands.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_page.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "setup/setup_data.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panels.h"

namespace memories {

std::array<uint8_t, runtime::kShowFixtures + 1> copy_source_state{};

void reset_copy_command_globals() { copy_source_state.fill(0); }

namespace {

using namespace runtime::keys;
using runtime::set_key_led;

constexpr int kFadersPerPage = 16;
constexpr int kLastFixturePage = runtime::kFixturePages;
// The title box in the memory panel's place, and its number field.
constexpr int16_t kBoxLeft = 2, kBoxTop = 282, kBoxRight = 220, kBoxBottom = 314;
constexpr uint8_t kBoxOuter = 12, kBoxInner = 4, kBoxText = 15;
constexpr int16_t kFieldX = 90, kFieldY = 302;
constexpr int16_t kMemoryDigits = 4;

size_t at(int n) { return static_cast<size_t>(n); }
bool key_held(int16_t key) { return runtime::key_down_table[at(key)] != 0; }
bool cue_screen_shown() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
bool cue_panel_shown() { return (runtime::option_flags & runtime::OPT_CUE_PANEL) != 0; }
bool is_fixture_key(int16_t key) { return key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70; }
bool is_fader_key(int16_t key) { return key >= KEY_FADER_1 && key <= KEY_FADER_16; }
bool is_class_key(int16_t key) { return key >= KEY_PRESET_1 && key <= KEY_PRESET_4; }
bool is_group_key(int16_t key) { return (key >= KEY_GROUP_1 && key <= KEY_GROUP_16) || key == KEY_GROUP_BANK; }

void error_beep() { ui::beep_interruptible(400, 800); }
void choice_beep() { ui::beep(500, 50); }
void done_beep() { ui::beep(800, 100); }

// The choice collected while COPY is held.
struct CopyChoice {
    FunctionChoice functions{};
    ClassFlags classes{};
    bool cancelled = false;
};

void draw_title_box(const char* title) {
    ui::fill_box(kBoxLeft, kBoxTop, kBoxRight, kBoxBottom, kBoxOuter);
    ui::fill_box(kBoxLeft + 1, kBoxTop + 1, kBoxRight - 1, kBoxBottom - 1, kBoxInner);
    ui::draw_bitmap_text(13, 286, kBoxText, title);
}

void draw_number_box(int16_t memory) {
    draw_title_box("COPY TO");
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%d", memory);
    ui::draw_bitmap_text(kFieldX, kFieldY, kBoxText, text.data());
}

int selected_count(int16_t* lowest) {
    int count = 0;
    *lowest = 0;
    for (int16_t f = setup::fixture_count; f >= 1; --f) {
        if (!fixture_is_selected(f)) continue;
        ++count;
        *lowest = f;
    }
    return count;
}

template <size_t N>
int set_count(const std::array<uint8_t, N>& flags) {
    return static_cast<int>(std::count_if(flags.begin() + 1, flags.end(), [](uint8_t v) { return v != 0; }));
}

// Fixture keys of the shown page: selected 20, not selected 30, none 0; the
// source fixture of a copy to fixtures 2.
void show_fixture_key_leds(int16_t source) {
    const int page = std::clamp<int>(runtime::fixture_page, 1, kLastFixturePage);
    const int count = runtime::fixture_bank_counts[at(page)];
    for (int k = 1; k <= runtime::kFixtureKeys; ++k) {
        uint8_t led = runtime::LED_OFF;
        if (k <= count) {
            const auto f = static_cast<int16_t>(runtime::fixture_bank_keys[at(page)][at(k)] + 1);
            led = fixture_is_selected(f) ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH;
            if (f == source) led = runtime::LED_ON_2;
        }
        set_key_led(fixture_key(k), led);
    }
}

void show_choice_leds(const CopyChoice& choice) {
    show_fixture_key_leds(0);
    const int functions = current_function_count();
    for (int k = 1; k <= kFadersPerPage; ++k) {
        const int16_t key = fader_key(k);
        const int n = function_of_fader_key(key);
        uint8_t led = runtime::LED_OFF;
        if (n >= 1 && n <= functions && n <= kCopyFunctions) {
            led = choice.functions[at(n)] != 0 ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH;
        }
        set_key_led(key, led);
    }
    for (int c = 1; c <= kCopyClasses; ++c) {
        const bool set = runtime::current_fixture != 0 && choice.classes[at(c)] != 0;
        set_key_led(static_cast<int16_t>(KEY_PRESET_1 + c - 1), set ? runtime::LED_ON : runtime::LED_BLINK);
    }
}

// The fixture, page and group keys the two held steps share.
bool handle_selection_key(int16_t key) {
    if (is_fixture_key(key) || key == KEY_ALL || key == KEY_NONE) {
        choice_beep();
        programmer::handle_fixture_key(key);
    } else if (key == KEY_BANK_DOWN || key == KEY_BANK_UP) {
        if (cue_screen_shown()) {
            programmer::set_fixture_page(runtime::fixture_page);
        } else if (key == KEY_BANK_DOWN && runtime::fixture_page > 1) {
            programmer::set_fixture_page(static_cast<int16_t>(runtime::fixture_page - 1));
        } else if (key == KEY_BANK_UP && runtime::fixture_page < kLastFixturePage) {
            programmer::set_fixture_page(static_cast<int16_t>(runtime::fixture_page + 1));
        }
    } else if (is_group_key(key)) {
        programmer::handle_group_key(key);
    } else {
        return false;
    }
    return true;
}

// The next key press while `held` stays down; false once it is let go.
bool next_key_while_held(int16_t held, int16_t* key) {
    while (key_held(held)) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        *key = 0;
        if (runtime::get_key(key) && *key != 0) return true;
    }
    return false;
}

// COPY FROM: fixtures and functions or classes while COPY is held.
void choose_what_to_copy(CopyChoice& choice) {
    int16_t key = 0;
    while (next_key_while_held(KEY_COPY, &key)) {
        if (key == KEY_ESC) {
            choice.cancelled = true;
            return;
        }
        if (handle_selection_key(key)) {
            // the selection changed
        } else if (key == KEY_FUNCTION_PAGE_1 || key == KEY_FUNCTION_PAGE_2) {
            programmer::select_function_page(static_cast<int16_t>(key - KEY_FUNCTION_PAGE_1 + 1));
        } else if (is_fader_key(key) && runtime::current_fixture != 0) {
            const int n = function_of_fader_key(key);
            if (n >= 1 && n <= current_function_count() && n <= kCopyFunctions) {
                choice_beep();
                choice.functions[at(n)] = choice.functions[at(n)] != 0 ? 0 : 1;
                choice.classes.fill(0);
            }
        } else if (key == KEY_CLEAR) {
            choice.functions.fill(0);
        } else if (is_class_key(key) && runtime::current_fixture != 0) {
            choice_beep();
            const size_t c = at(key - KEY_PRESET_1 + 1);
            choice.classes[c] = choice.classes[c] != 0 ? 0 : 1;
            choice.functions.fill(0);
        } else if (key == KEY_PRESET_CLEAR) {
            choice.classes.fill(0);
        }
        show_choice_leds(choice);
    }
}

// TO-MEM pressed: a memory when it is let go alone, a cue when CUE comes first.
void copy_to_memory_or_cue(const CopyChoice& choice) {
    done_beep();
    ui::show_message("TO CUE / TO MEM");
    set_key_led(KEY_CUE, runtime::LED_BLINK);
    bool to_cue = false;
    int16_t key = 0;
    while (next_key_while_held(KEY_TO_MEM, &key)) {
        if (key == KEY_CUE) {
            to_cue = true;
            break;
        }
    }
    set_key_led(KEY_CUE, cue_screen_shown() ? runtime::LED_ON : runtime::LED_OFF);
    if (to_cue) {
        const int16_t slot = pick_destination_cue();
        if (slot == 0) {
            ui::beep_interruptible(400, 600);
            return;
        }
        copy_items_into_cue_memory(slot, choice.functions, choice.classes);
        return;
    }
    draw_title_box("COPY TO");
    ui::fill_box(kBoxLeft + 1, 299, kBoxRight - 1, kBoxBottom - 1, kBoxInner);
    ui::show_message("GIVE DESTINATION MEMORY");
    const int16_t memory =
        ui::edit_memory_number(-1, kFieldX, kFieldY, kMemoryDigits, kBoxInner, kBoxText, 0);
    if (memory == ui::kEntryCancelled || memory == ui::kEntryEmpty) return;
    if (memory < 1 || memory > kMemories) {
        error_beep();
        return;
    }
    copy_items_into_memory(memory, choice.functions, choice.classes);
}

// Key 197: the memory after the current one, which stays current.
void copy_to_next_memory(const CopyChoice& choice) {
    done_beep();
    const int next = current_memory + 1;
    if (next < 1 || next > kMemories) {
        error_beep();
        return;
    }
    draw_number_box(static_cast<int16_t>(next));
    if (cue_panel_shown()) ui::draw_current_memory_panel();
    copy_items_into_memory(static_cast<int16_t>(next), choice.functions, choice.classes);
}

// TO-ITEM held: the source's entries onto the fixtures chosen meanwhile.
void copy_to_fixtures(const CopyChoice& choice, int16_t source) {
    done_beep();
    ui::show_message("SELECT SCANS TO COPY TO");
    show_fixture_key_leds(source);
    set_key_led(KEY_TO_ITEM, runtime::LED_ON);
    int16_t key = 0;
    while (next_key_while_held(KEY_TO_ITEM, &key)) {
        if (key == KEY_ESC) return;
        handle_selection_key(key);
        show_fixture_key_leds(source);
    }
    bool targets = false;
    for (int16_t f = 1; f <= setup::fixture_count && !targets; ++f) targets = f != source && fixture_is_selected(f);
    if (!targets) {
        ui::show_message("NO SCANS SELECTED");
        error_beep();
        return;
    }
    copy_fixture_to_selection(source, choice.functions, choice.classes);
    done_beep();
}

// COPY TO: one destination, then the command ends.
void choose_where_to(const CopyChoice& choice, int fixtures, int16_t source) {
    draw_title_box("COPY TO");
    ui::show_message(fixtures == 1 ? "TO-MEM/ITEM=DEST. ESC=CANCEL" : "TO-MEM=DESTINATION ESC=CANCEL");
    ui::beep_interruptible(800, 150);
    for (const int16_t key : {KEY_TO_MEM, KEY_STORE_NEXT, KEY_ESC}) set_key_led(key, runtime::LED_BLINK);
    if (fixtures == 1) set_key_led(KEY_TO_ITEM, runtime::LED_BLINK);
    for (;;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == KEY_ESC) return;
        if (key == KEY_TO_MEM) {
            copy_to_memory_or_cue(choice);
            return;
        }
        if (key == KEY_STORE_NEXT) {
            copy_to_next_memory(choice);
            return;
        }
        if (key == KEY_TO_ITEM && fixtures == 1) {
            copy_to_fixtures(choice, source);
            return;
        }
    }
}

// The fader key LEDs of the current type: the selected fader 2, the others 1.
void restore_fader_key_leds() {
    const int functions = current_function_count();
    for (int k = 1; k <= kFadersPerPage; ++k) {
        const int16_t key = fader_key(k);
        const int n = function_of_fader_key(key);
        uint8_t led = runtime::LED_OFF;
        if (n >= 1 && n <= functions) led = n == runtime::selected_function ? runtime::LED_ON_2 : runtime::LED_ON;
        set_key_led(key, led);
    }
}

}  // namespace

void run_copy_memory_items() {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_COPY_MEMORY_DIALOG;
    ui::beep_interruptible(800, 150);
    copy_source_state = programmer::fixture_selected;
    const auto groups = programmer::group_selected;
    const int16_t entry_fixture = runtime::current_fixture;
    const int16_t entry_type = runtime::current_fixture_type;
    programmer::deselect_all_fixtures();
    if (runtime::fader_bank != 0) programmer::update_figure_state();
    set_key_led(KEY_COPY, runtime::LED_ON);
    show_fixture_key_leds(0);
    draw_title_box("COPY FROM");
    ui::show_message("SELECT SCANS AND FUNCTIONS TO COPY");

    CopyChoice choice;
    choice.functions.fill(1);
    choose_what_to_copy(choice);
    set_key_led(KEY_COPY, runtime::LED_OFF);
    int16_t source = 0;
    const int fixtures = selected_count(&source);
    if (!choice.cancelled && fixtures > 0) {
        if (set_count(choice.functions) == 0 && set_count(choice.classes) == 0) {
            ui::show_message("NO FUNCTIONS SELECTED");
            error_beep();
        } else {
            choose_where_to(choice, fixtures, source);
        }
    }

    runtime::run_flags &= ~runtime::RUN_COPY_MEMORY_DIALOG;
    for (const int16_t key : {KEY_ESC, KEY_TO_MEM, KEY_STORE_NEXT, KEY_TO_ITEM}) set_key_led(key, runtime::LED_OFF);
    if (entry_type >= 0) {
        programmer::fixture_selected = copy_source_state;
        if (entry_fixture != 0) programmer::make_fixture_current(entry_fixture);
        programmer::group_selected = groups;
        programmer::update_group_leds();
        restore_fader_key_leds();
    } else if (runtime::current_fixture_type >= 0) {
        programmer::deselect_all_fixtures();
    }
    programmer::update_fixture_key_leds();
    for (int c = 0; c < kCopyClasses; ++c) set_key_led(static_cast<int16_t>(KEY_PRESET_1 + c), runtime::LED_OFF);
    ui::redraw_cue_panel();
}

}  // namespace memories
