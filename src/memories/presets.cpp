#include "memories/presets.h"

#include <algorithm>
#include <cstring>

#include "datafiles/group_files.h"
#include "memories/commands.h"
#include "memories/preset_grid.h"
#include "playback/cue_screen.h"
#include "programmer/channel_generators.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/value_table.h"

namespace memories {

int16_t current_pantilt_preset = 0;
int16_t current_color_preset = 0;
int16_t current_gobo_preset = 0;
int16_t current_effect_preset = 0;
uint8_t preset_name_prompt() { return setup::setup_data.u8(setup::kSetupAskPresetName); }

void reset_presets_globals() {
    preset_index = {};  // the tables are the preset file's: reset_preset_file_globals frees them
    preset_used_tables = {};
    current_pantilt_preset = 0;
    current_color_preset = 0;
    current_gobo_preset = 0;
    current_effect_preset = 0;
}

namespace {

using namespace runtime::keys;
using runtime::set_key_led;

constexpr uint8_t kSwingLimit = 127;
constexpr uint8_t kParameterLimit = 170;
constexpr int kMaskGroupBits = 4;
constexpr int kSwingBit = 0, kSpeedBit = 1, kModeBit = 2, kEffectBit = 3;
constexpr uint32_t kLatchWindow_ms = 500;
constexpr int16_t kNoFixturesBeep_hz = 400;
constexpr uint32_t kNoFixturesBeep_ms = 800;
constexpr int16_t kLowBeep_hz = 400;
constexpr uint32_t kShortBeep_ms = 150;
constexpr int16_t kPromptBeep_hz = 800;
constexpr int16_t kTableText = 14;
constexpr uint8_t kPanelModeShift = 2;

size_t at(int n) { return static_cast<size_t>(n); }
bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }
bool cue_screen_shown() { return flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN); }
bool live_unblind() {
    return flag(runtime::run_flags, runtime::RUN_LIVE_EDIT) && !flag(runtime::run_flags, runtime::RUN_BLIND);
}

bool fixture_is_selected(int f) {
    return f >= 1 && f <= kPresetFixtures && programmer::fixture_selected[at(f)] != 0;
}

bool any_fixture_selected() {
    for (int f = 1; f <= setup::fixture_count && f <= kPresetFixtures; ++f) {
        if (fixture_is_selected(f)) return true;
    }
    return false;
}

int records_in_use() { return std::min<int>(runtime::function_record_count, runtime::function_record_capacity); }

// The new current preset n of a kind: table fields, grid cells, the word.
void make_current(int kind, int16_t n) {
    int16_t& current = current_preset(kind);
    move_current_preset_cell(static_cast<int16_t>(kind), n, current);
    current = n;
}

// ------------------------------------------------------------------ the recall menus

const char* const kSelectPrompts[kPresetKinds + 1] = {
    "", "SELECT PANTILT-PRESET (1..70)", "SELECT COLOR-PRESET (1..70)", "SELECT GOBO-PRESET (1..70)",
    "SELECT EFFECT-PRESET (1..70)"};

}  // namespace

void show_preset_table_panel(int kind) {
    if (flag(runtime::option_flags, runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW)) {
        ui::save_panel_picture();
        ui::fill_box(229, 107, 639, 479, 0);
        runtime::option_flags &= ~(runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW);
    }
    if (!flag(runtime::option_flags, runtime::OPT_SEQUENCE_PANEL)) ui::draw_sequence_panel();
    set_key_led(KEY_PANEL_1, runtime::LED_OFF);
    set_key_led(KEY_PANEL_2, runtime::LED_ON);
    set_key_led(KEY_PANEL_3, runtime::LED_OFF);
    draw_preset_table(static_cast<int16_t>(kind));
    const int16_t current = current_preset(kind);
    if (valid_preset_number(current)) draw_preset_cell(static_cast<int16_t>(kind), current, 1, kTableText);
}

namespace {

// After the kind key's release: waits while the latch window since the prompt
// lasts, dropping every key but a second press of the kind key, which
// latches the menu.
bool latched_by_second_press(int16_t kind_key, uint32_t prompt_ms) {
    while (runtime::clock_ms - prompt_ms < kLatchWindow_ms) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (runtime::get_key(&key) && key == kind_key) return true;
    }
    return false;
}

// The recall of one kind; the kind's numbers come from n.
int16_t run_kind_recall(int kind) {
    const int16_t kind_key = preset_kind_key(kind);
    open_preset_screen(static_cast<int16_t>(kind));
    const int16_t current = current_preset(kind);
    if (valid_preset_number(current)) mark_preset_cell(static_cast<int16_t>(kind), current, 0);
    draw_preset_kind_title(static_cast<int16_t>(kind));
    if (!any_fixture_selected()) {
        ui::show_message("NO FIXTURES SELECTED");
        ui::beep(kNoFixturesBeep_hz, kNoFixturesBeep_ms);
        return 0;
    }
    set_key_led(kind_key, runtime::LED_ON);
    show_preset_table_panel(kind);
    ui::show_message("%s", kSelectPrompts[kind]);
    ui::beep(kPromptBeep_hz, kShortBeep_ms);
    const uint32_t prompt_ms = runtime::clock_ms;

    bool latched = false;
    int16_t result = 0;
    for (;;) {
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        if (pressed && key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70) {
            if (kind == PRESET_EFFECT) apply_effect_preset(key);
            else apply_value_preset(kind, key);
            continue;
        }
        if (!pressed && key == kind_key && !latched) {
            latched = latched_by_second_press(kind_key, prompt_ms);
            if (!latched) break;
            set_key_led(KEY_ESC, runtime::LED_BLINK);
            continue;
        }
        if (pressed && key != kind_key && key != 0) {
            result = key;
            break;
        }
    }
    set_key_led(kind_key, runtime::LED_OFF);
    set_key_led(KEY_ESC, runtime::LED_OFF);
    return result;
}

int16_t run_recall_of_key(int16_t key) {
    switch (preset_kind_of_key(key)) {
        case PRESET_PANTILT: return recall_pantilt_preset();
        case PRESET_COLOUR: return recall_color_preset();
        case PRESET_GOBO: return recall_gobo_preset();
        case PRESET_EFFECT: return recall_effect_preset();
        default: return 0;
    }
}

}  // namespace

// ------------------------------------------------------------------ kinds and tables

bool valid_preset_kind(int kind) { return kind >= 1 && kind <= kPresetKinds; }
bool valid_preset_number(int n) { return n >= 1 && n <= kPresetsPerKind; }

int16_t& current_preset(int kind) {
    switch (kind) {
        case PRESET_COLOUR: return current_color_preset;
        case PRESET_GOBO: return current_gobo_preset;
        case PRESET_EFFECT: return current_effect_preset;
        default: return current_pantilt_preset;
    }
}

int16_t preset_kind_key(int kind) {
    switch (kind) {
        case PRESET_PANTILT: return KEY_PRESET_1;
        case PRESET_COLOUR: return KEY_PRESET_3;
        case PRESET_GOBO: return KEY_PRESET_2;
        case PRESET_EFFECT: return KEY_PRESET_4;
        default: return 0;
    }
}

int preset_kind_of_key(int16_t key) {
    for (int kind = 1; kind <= kPresetKinds; ++kind) {
        if (preset_kind_key(kind) == key) return kind;
    }
    return 0;
}

int16_t value_slot(int kind, int n) {
    if (!valid_preset_number(n) || kind < PRESET_PANTILT || kind > PRESET_GOBO) return 0;
    return static_cast<int16_t>((kind - 1) * kPresetsPerKind + n);
}

int16_t preset_kind_colour(int kind) {
    switch (kind) {
        case PRESET_PANTILT: return 11;
        case PRESET_COLOUR: return 12;
        default: return 10;
    }
}

bool effect_generator_part_used(int n) {
    return valid_preset_number(n) && preset_used_tables[at(kGeneratorPartEntryBase + n)] == 1;
}

bool effect_figure_part_used(int n) {
    return valid_preset_number(n) && preset_used_tables[at(kFigurePartEntryBase + n)] == 1;
}

bool preset_programmed(int kind, int n) {
    if (!valid_preset_number(n)) return false;
    if (kind == PRESET_EFFECT) return effect_generator_part_used(n) || effect_figure_part_used(n);
    const int16_t slot = value_slot(kind, n);
    return slot != 0 && preset_used_tables[at(slot)] == 1;
}

datafiles::EntryName& preset_name_field(int kind, int n) {
    const int entry = kind == PRESET_EFFECT ? kFigurePartEntryBase + n : value_slot(kind, n);
    return preset_index[at(entry >= 1 && entry <= kPresetEntries && valid_preset_number(n) ? entry : 0)].name;
}

std::string_view preset_name(int kind, int n) {
    const datafiles::EntryName& name = preset_name_field(kind, n);
    return {name.data(), strnlen(name.data(), name.size())};
}

uint8_t preset_class_position(int kind, int record) {
    if (record < 1 || record > runtime::function_record_capacity || runtime::function_record_table == nullptr) return 0;
    const runtime::FunctionRecord& rec = runtime::function_record_table[record];
    switch (kind) {
        case PRESET_PANTILT: return rec.pantilt_role;
        case PRESET_COLOUR: return rec.colour_role;
        case PRESET_GOBO: return rec.gobo_role;
        default: return 0;
    }
}

uint32_t& preset_mask(int kind, int n) {
    const bool valid = valid_preset_kind(kind) && valid_preset_number(n);
    return datafiles::preset_channel_masks[at(valid ? kind : 0)][at(valid ? n : 0)];
}

int effect_generator_mask_bit(int function_class, int k) {
    const int within = k <= kModeBit ? k : kEffectBit;  // DELAY, SHIFT and WAIT: the EFFECT bit
    return kMaskGroupBits * (function_class - 1) + within;
}

int effect_figure_mask_bit(int k) {
    if (k <= 1) return kSwingBit;  // X-SWING and Y-SWING
    if (k == 2) return kSpeedBit;
    if (k == 3) return kModeBit;
    return kEffectBit;
}

// ------------------------------------------------------------------ applying one entry

void apply_preset_to_function(int16_t slot, int16_t record) {
    if (slot < 1 || slot > kValuePresets || record < 1 || record > runtime::function_record_capacity) return;
    const uint16_t* table = value_preset_table[at(slot)];
    const int v = table == nullptr ? -1 : static_cast<int16_t>(table[record]);
    if (v < 0 || v > 255) return;  // not recorded
    runtime::programmer_values[record] = static_cast<uint16_t>(kValueReferenceBase + slot);
    if (live_unblind()) runtime::channel_flags[record] |= runtime::FLAG_MANUAL;
    programmer::set_function_value(record, static_cast<uint16_t>(v));
    if (cue_screen_shown() || runtime::fader_bank >= 2) return;
    if (runtime::fader_bank == 0) {
        ui::refresh_preset_cells(record, 0, static_cast<int16_t>(v), ui::get_function_cell_colour(record),
                                 ui::get_library_cell_colour(record));
    } else {
        ui::refresh_preset_cells(record, 0, static_cast<int16_t>(v), 0, 0);
    }
}

void apply_effect_preset_generator(int16_t n, int16_t index) {
    if (!valid_preset_number(n) || index < 1 || index > kGeneratorParameters * runtime::function_record_capacity) return;
    const uint8_t* part = effect_preset_generators[at(n)];
    const uint8_t g = part == nullptr ? kByteNotSet : part[index - 1];
    const uint8_t limit = (index - 1) % kGeneratorParameters == 0 ? kSwingLimit : kParameterLimit;
    if (g > limit) return;
    runtime::programmer_generators[index] = static_cast<uint8_t>(kEffectReferenceBase + n);
    if (live_unblind()) runtime::generator_flags[index] |= runtime::FLAG_MANUAL;
    programmer::set_generator_param(index, g);
    if (!cue_screen_shown() && runtime::fader_bank == 1) ui::refresh_preset_cells(index, 1, g, 0, 0);
}

void apply_effect_preset_figure(int16_t n, int16_t index) {
    if (!valid_preset_number(n) || index < 1 || index > static_cast<int>(kFigurePartBytes)) return;
    const uint8_t* part = effect_preset_figures[at(n)];
    const uint8_t g = part == nullptr ? kByteNotSet : part[index - 1];
    const uint8_t limit = (index - 1) % kFigureParameters <= 1 ? kSwingLimit : kParameterLimit;
    if (g > limit) return;
    runtime::programmer_figures[index] = static_cast<uint8_t>(kEffectReferenceBase + n);
    if (live_unblind()) runtime::figure_flags[at(index)] |= runtime::FLAG_MANUAL;
    programmer::set_figure_param(index, g);
    if (!cue_screen_shown() && runtime::fader_bank == 2) ui::refresh_preset_cells(index, 2, g, 0, 0);
}

// ------------------------------------------------------------------ recall of one preset

void apply_value_preset(int kind, int16_t n) {
    const int16_t slot = value_slot(kind, n);
    if (slot == 0) return;
    if (preset_used_tables[at(slot)] != 1) {
        ui::beep(kLowBeep_hz, kShortBeep_ms);
        return;
    }
    const uint32_t mask = preset_mask(kind, n);
    for (int f = 1; f <= setup::fixture_count && f <= kPresetFixtures; ++f) {
        if (!fixture_is_selected(f)) continue;
        for (int c = 1; c <= runtime::kTypeChannels; ++c) {
            const int r = runtime::fixture_channel_record(f, c);
            if (r == 0) continue;
            const uint8_t p = preset_class_position(kind, r);
            if (p == 0 || p > 32 || (mask & (1u << (p - 1))) == 0) continue;
            apply_preset_to_function(slot, static_cast<int16_t>(r));
        }
    }
    make_current(kind, n);
    if (runtime::fader_bank == 0 || runtime::fader_bank == 1) programmer::refresh_faders();
}

void apply_effect_preset(int16_t n) {
    if (!valid_preset_number(n)) return;
    if (!effect_figure_part_used(n) && !effect_generator_part_used(n)) {
        ui::beep(kLowBeep_hz, kShortBeep_ms);
        return;
    }
    const uint32_t mask = preset_mask(PRESET_EFFECT, n);
    if (effect_figure_part_used(n)) {
        for (int f = 1; f <= setup::fixture_count && f <= kPresetFixtures; ++f) {
            if (!fixture_is_selected(f) || runtime::fixture_pantilt_table[at(f)].kind == 0) continue;
            for (int k = 0; k < kFigureParameters; ++k) {
                if ((mask & (1u << effect_figure_mask_bit(k))) == 0) continue;
                apply_effect_preset_figure(n, static_cast<int16_t>(kFigureParameters * (f - 1) + k + 1));
            }
        }
    }
    if (effect_generator_part_used(n) && runtime::function_record_table != nullptr) {
        const int bytes = kGeneratorParameters * records_in_use();
        for (int i = 1; i <= bytes; ++i) {
            const int r = (i - 1) / kGeneratorParameters + 1;
            const int k = (i - 1) % kGeneratorParameters;
            const runtime::FunctionRecord& rec = runtime::function_record_table[r];
            const int c = rec.function_class;
            if (!fixture_is_selected(rec.fixture) || c <= 1 || c > 8) continue;  // never PAN/TILT records
            if ((mask & (1u << effect_generator_mask_bit(c, k))) == 0) continue;
            apply_effect_preset_generator(n, static_cast<int16_t>(i));
        }
    }
    make_current(PRESET_EFFECT, n);
    if (runtime::fader_bank == 1 || runtime::fader_bank == 2) programmer::refresh_faders();
}

int16_t recall_pantilt_preset() { return run_kind_recall(PRESET_PANTILT); }
int16_t recall_color_preset() { return run_kind_recall(PRESET_COLOUR); }
int16_t recall_gobo_preset() { return run_kind_recall(PRESET_GOBO); }
int16_t recall_effect_preset() { return run_kind_recall(PRESET_EFFECT); }

void run_preset_recall_menu(int16_t key) {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_PRESET_MENU;
    int16_t result = run_recall_of_key(key);
    while (preset_kind_of_key(result) != 0) result = run_recall_of_key(result);
    if (result != 0 && result != KEY_ESC) runtime::pushed_back_key = result;
    close_preset_menu();
}

void close_preset_menu() {
    if (flag(runtime::option_flags, runtime::OPT_PT_PRESET_PANEL)) {
        runtime::option_flags &= ~runtime::OPT_PT_PRESET_PANEL;
        ui::set_panel_mode(static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> kPanelModeShift));
    }
    if (cue_screen_shown()) playback::draw_point_cue_panel();
    else programmer::draw_fixture_screen();
    runtime::run_flags &= ~runtime::RUN_PRESET_MENU;
    ui::redraw_cue_panel();
}

}  // namespace memories
