#include "memories/preset_programming.h"

#include <algorithm>
#include <cstring>

#include "datafiles/preset_file.h"
#include "memcheck/memcheck.h"
#include "memories/commands.h"
#include "memories/preset_grid.h"
#include "memories/presets.h"
#include "programmer/commands.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace memories {

namespace {

using namespace runtime::keys;
using runtime::set_key_led;

constexpr int16_t kLowBeep_hz = 400;
constexpr uint32_t kErrorBeep_ms = 2000;
constexpr int16_t kPromptBeep_hz = 800;
constexpr uint32_t kPromptBeep_ms = 150;
constexpr int16_t kBlack = 0, kDarkGrey = 8, kWhite = 15;

size_t at(int n) { return static_cast<size_t>(n); }
int capacity() { return std::min<int>(runtime::function_record_capacity, kPresetFunctionRecords); }
int records_in_use() { return std::min<int>(runtime::function_record_count, capacity()); }
int fixtures() { return std::min<int>(setup::fixture_count, kPresetFixtures); }

bool takes_fixture(int f, bool every_fixture) {
    return every_fixture || (f >= 1 && f <= kPresetFixtures && programmer::fixture_selected[at(f)] != 0);
}

void not_enough_memory() {
    ui::show_message("NOT ENOUGH MEMORY");
    ui::beep(kLowBeep_hz, kErrorBeep_ms);
}

void free_part(void*& part) {
    if (part != nullptr) memcheck::mc_free_at(part, __FILE__, __LINE__);
    part = nullptr;
}

void ask_name_when_unnamed(int kind, int16_t n) {
    if (preset_name_prompt() == 1 && preset_name(kind, n).empty()) edit_preset_name(static_cast<int16_t>(kind), n);
}

void make_current(int kind, int16_t n) {
    int16_t& current = current_preset(kind);
    move_current_preset_cell(static_cast<int16_t>(kind), n, current);
    current = n;
}

const char* const kClearPrompts[kPresetKinds + 1] = {
    "", "CLEAR PANTILT-PRESET (1..70)", "CLEAR COLOR-PRESET (1..70)", "CLEAR GOBO-PRESET (1..70)",
    "CLEAR EFFECT-PRESET (1..70)"};
const char* const kProgramPrompts[kPresetKinds + 1] = {
    "", "PROGRAM PANTILT-PRESET (1..70)", "PROGRAM COLOR-PRESET (1..70)", "PROGRAM GOBO-PRESET (1..70)",
    "PROGRAM EFFECT-PRESET (1..70)"};

// Reads keys until a fixture key gives a preset number (returned), or ESC,
// the kind key or the menu's key, pressed or released, ends the dialog (0).
int16_t read_preset_number(int16_t kind_key, int16_t menu_key) {
    for (;;) {
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        if (pressed && key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70) return key;
        if (key == KEY_ESC || key == kind_key || key == menu_key) return 0;
    }
}

void run_programming_dialog(int kind, int16_t mode) {
    if (!valid_preset_kind(kind)) return;
    open_preset_screen(static_cast<int16_t>(kind));
    const int16_t current = current_preset(kind);
    if (valid_preset_number(current)) mark_preset_cell(static_cast<int16_t>(kind), current, 0);
    draw_preset_kind_title(static_cast<int16_t>(kind));
    show_preset_table_panel(kind);
    const bool clearing = mode == kPresetClearMode;
    ui::show_message("%s", clearing ? kClearPrompts[kind] : kProgramPrompts[kind]);
    ui::beep(kPromptBeep_hz, kPromptBeep_ms);
    for (;;) {
        const int16_t n = read_preset_number(preset_kind_key(kind), mode);
        if (n == 0) return;
        if (clearing) {
            clear_preset(kind, n);
            continue;  // clearing goes on until the dialog is ended
        }
        if (kind == PRESET_EFFECT) record_effect_preset(n, mode == kPresetStoreMode);
        else record_value_preset(kind, n, mode == kPresetStoreMode);
        return;  // one preset per dialog
    }
}

void run_dialog_of_key(int16_t key, int16_t mode) {
    switch (preset_kind_of_key(key)) {
        case PRESET_PANTILT: program_pantilt_preset(mode); break;
        case PRESET_COLOUR: program_color_preset(mode); break;
        case PRESET_GOBO: program_gobo_preset(mode); break;
        case PRESET_EFFECT: program_effect_preset(mode); break;
        default: break;
    }
}

const char* menu_title(int16_t mode) {
    if (mode == kPresetClearMode) return "CLEAR PRESETS";
    return mode == kPresetModifyMode ? "MODIFY PRESETS" : "STORE PRESETS";
}

void set_kind_leds(uint8_t state) {
    for (int kind = 1; kind <= kPresetKinds; ++kind) set_key_led(preset_kind_key(kind), state);
}

}  // namespace

// ------------------------------------------------------------------ one preset

bool record_value_preset(int kind, int16_t n, bool every_fixture) {
    const int16_t slot = value_slot(kind, n);
    if (slot == 0 || runtime::output_image_values == nullptr || runtime::output_base_values == nullptr) return false;
    // The second output image is the scratch, as the console always used it.
    uint16_t* scratch = runtime::output_image_values;
    const uint16_t* stored = value_preset_table[at(slot)];
    for (int r = 1; r <= capacity(); ++r) scratch[r] = stored != nullptr ? stored[r] : kValueNotSet;
    for (int f = 1; f <= fixtures(); ++f) {
        if (!takes_fixture(f, every_fixture)) continue;
        for (int c = 1; c <= runtime::kTypeChannels; ++c) {
            const int r = runtime::fixture_channel_record(f, c);
            if (r != 0 && preset_class_position(kind, r) != 0) scratch[r] = runtime::output_base_values[r];
        }
    }
    auto* table = static_cast<uint16_t*>(datafiles::allocate_preset_table(slot));
    if (table == nullptr) {
        not_enough_memory();
        return false;
    }
    move_current_preset_cell(static_cast<int16_t>(kind), n, current_preset(kind));
    ask_name_when_unnamed(kind, n);
    std::copy_n(scratch + 1, capacity(), table + 1);
    datafiles::pack_preset_items(slot);
    preset_used_tables[at(slot)] = 1;
    current_preset(kind) = n;
    return true;
}

bool record_effect_preset(int16_t n, bool every_fixture) {
    if (!valid_preset_number(n) || runtime::output_image_generators == nullptr ||
        runtime::output_image_figures == nullptr || runtime::generator_states == nullptr ||
        runtime::figure_states == nullptr || runtime::function_record_table == nullptr) {
        return false;
    }
    bool complete = true;
    // Generator part: six running parameters per record of the fixtures taken.
    uint8_t* generators = runtime::output_image_generators;
    const size_t generator_bytes = static_cast<size_t>(kGeneratorParameters) * static_cast<size_t>(capacity());
    const uint8_t* stored_generators = effect_preset_generators[at(n)];
    for (size_t i = 0; i < generator_bytes; ++i) {
        generators[i + 1] = stored_generators != nullptr ? stored_generators[i] : kByteNotSet;
    }
    for (int r = 1; r <= records_in_use(); ++r) {
        if (!takes_fixture(runtime::function_record_table[r].fixture, every_fixture)) continue;
        for (int k = 0; k < kGeneratorParameters; ++k) {
            generators[at(kGeneratorParameters * (r - 1) + k + 1)] = runtime::generator_states[r].parameters[at(k)];
        }
    }
    auto* generator_part = static_cast<uint8_t*>(datafiles::allocate_preset_table(
        static_cast<int16_t>(kGeneratorPartEntryBase + n)));
    if (generator_part == nullptr) {
        not_enough_memory();
        complete = false;
    } else {
        std::copy_n(generators + 1, generator_bytes, generator_part);
        preset_used_tables[at(kGeneratorPartEntryBase + n)] = 1;
    }
    // Figure part: ten running parameters per fixture with pan/tilt.
    uint8_t* figures = runtime::output_image_figures;
    const uint8_t* stored_figures = effect_preset_figures[at(n)];
    for (size_t j = 0; j < kFigurePartBytes; ++j) figures[j + 1] = stored_figures != nullptr ? stored_figures[j] : kByteNotSet;
    for (int f = 1; f <= fixtures(); ++f) {
        if (runtime::fixture_pantilt_table[at(f)].kind == 0 || !takes_fixture(f, every_fixture)) continue;
        for (int k = 0; k < kFigureParameters; ++k) {
            figures[at(kFigureParameters * (f - 1) + k + 1)] = runtime::figure_states[f].parameters[at(k)];
        }
    }
    auto* figure_part = static_cast<uint8_t*>(datafiles::allocate_preset_table(
        static_cast<int16_t>(kFigurePartEntryBase + n)));
    if (figure_part == nullptr) {
        not_enough_memory();
        complete = false;
    } else {
        std::copy_n(figures + 1, kFigurePartBytes, figure_part);
        preset_used_tables[at(kFigurePartEntryBase + n)] = 1;
    }
    move_current_preset_cell(PRESET_EFFECT, n, current_effect_preset);
    ask_name_when_unnamed(PRESET_EFFECT, n);
    datafiles::pack_effect_preset_generators(n);
    datafiles::pack_effect_preset_figures(n);
    current_effect_preset = n;
    return complete;
}

void clear_preset(int kind, int16_t n) {
    if (!valid_preset_kind(kind) || !valid_preset_number(n)) return;
    preset_name_field(kind, n).fill('\0');
    if (kind == PRESET_EFFECT) {
        free_part(reinterpret_cast<void*&>(effect_preset_generators[at(n)]));
        preset_used_tables[at(kGeneratorPartEntryBase + n)] = 0;
        free_part(reinterpret_cast<void*&>(effect_preset_figures[at(n)]));
        preset_used_tables[at(kFigurePartEntryBase + n)] = 0;
        make_current(kind, n);
        datafiles::pack_effect_preset_generators(n);
        datafiles::pack_effect_preset_figures(n);
        return;
    }
    const int16_t slot = value_slot(kind, n);
    free_part(reinterpret_cast<void*&>(value_preset_table[at(slot)]));
    datafiles::pack_preset_items(slot);
    preset_used_tables[at(slot)] = 0;
    make_current(kind, n);
}

// ------------------------------------------------------------------ dialogs and menu

void program_pantilt_preset(int16_t mode) { run_programming_dialog(PRESET_PANTILT, mode); }
void program_color_preset(int16_t mode) { run_programming_dialog(PRESET_COLOUR, mode); }
void program_gobo_preset(int16_t mode) { run_programming_dialog(PRESET_GOBO, mode); }
void program_effect_preset(int16_t mode) { run_programming_dialog(PRESET_EFFECT, mode); }

void run_preset_store_menu(int16_t key) {
    if (key != kPresetClearMode && key != kPresetModifyMode && key != kPresetStoreMode) return;
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_PRESET_MENU;
    ui::fill_box(2, 282, 220, 314, kDarkGrey);
    ui::fill_box(12, 289, 210, 307, kWhite);
    ui::set_text_style(2, 0, 4);
    ui::draw_text_button(12, 289, 210, 307, kWhite, menu_title(key), kBlack);
    set_key_led(key, runtime::LED_ON);
    ui::show_message(key == kPresetClearMode ? "SELECT PRESETITEM TO CLEAR" : "SELECT PRESETITEM TO PROGRAM");
    ui::beep(kPromptBeep_hz, kPromptBeep_ms);
    set_kind_leds(runtime::LED_BLINK);
    for (;;) {
        int16_t pressed_key = 0;
        const bool pressed = runtime::get_key(&pressed_key);
        const int kind = preset_kind_of_key(pressed_key);
        if ((pressed && pressed_key == KEY_ESC) || kind != 0 || pressed_key == key) set_kind_leds(runtime::LED_OFF);
        if (pressed_key == KEY_ESC || pressed_key == key) break;
        if (pressed && kind != 0) {
            set_key_led(pressed_key, runtime::LED_ON);
            run_dialog_of_key(pressed_key, key);
            set_key_led(pressed_key, runtime::LED_OFF);
            break;
        }
    }
    for (const int16_t menu_key : {kPresetClearMode, kPresetModifyMode, kPresetStoreMode}) {
        set_key_led(menu_key, runtime::LED_OFF);
    }
    close_preset_menu();
}

}  // namespace memories
