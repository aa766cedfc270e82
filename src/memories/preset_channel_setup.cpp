#include "memories/preset_channel_setup.h"

#include <algorithm>
#include <span>

#include "datafiles/group_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_editors.h"
#include "memories/preset_grid.h"
#include "memories/presets.h"
#include "playback/cue_screen.h"
#include "platform/graphics.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/function_belts.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/value_table.h"

namespace memories {

std::array<uint32_t, 71> preset_mask_work{};
std::array<uint8_t, 71> preset_select_flags{};
std::array<uint8_t, kPresetClassesMax + 1> preset_class_flags{};
int16_t preset_channel_shown = 0;

void reset_preset_channel_setup_globals() {
    preset_mask_work = {};
    preset_select_flags = {};
    preset_class_flags = {};
    preset_channel_shown = 0;
}

namespace {

using namespace runtime::keys;
using runtime::set_key_led;

constexpr int kFadersPerPage = 16;
constexpr int kTableRows = 35;
constexpr int16_t kOnColour = 14, kOffColour = 10;
constexpr uint8_t kPanelFieldShift = 2;
constexpr uint32_t kHalfShift = 19;

const PresetClass kPanTiltClasses[] = {{"PAN-TILT", 0, 4}, {"FOCUS", 4, 1}, {"DIMMER", 5, 1}};
const PresetClass kColourClasses[] = {{"COLOR1", 0, 1}, {"COLOR2", 1, 1},  {"COLOR3", 2, 1}, {"COLOR4", 3, 1},
                                      {"COLORPAR", 4, 1}, {"RGB", 5, 3}, {"DIMMER", 8, 1}};
const PresetClass kGoboClasses[] = {{"GOBO1", 0, 1},    {"GOBO2", 1, 1},   {"GOBO3", 2, 1},    {"GOBO4", 3, 1},
                                    {"GOBOPAR", 4, 1},  {"KNIFES", 5, 8},  {"KNIFEPAR", 13, 1}, {"EFFECT1", 14, 1},
                                    {"EFFECT2", 15, 1}, {"EFFECT3", 16, 1}, {"IRIS", 17, 1},    {"ZOOM", 18, 1},
                                    {"FOCUS", 19, 1},   {"FROST", 23, 1},  {"PRISMS", 24, 1}};
const char* const kEffectParameterNames[] = {"SWING", "SPEED", "MODE", "EFFECT"};
const char* const kFunctionClassNames[] = {"PAN/TILT", "GOBO", "COLOR", "EFFECT", "IRIS", "ZOOM", "FOCUS", "DIMMER"};

std::array<PresetClass, kPresetClassesMax> make_effect_classes() {
    std::array<PresetClass, kPresetClassesMax> classes{};
    for (int k = 0; k < kPresetClassesMax; ++k) {
        classes[static_cast<size_t>(k)] = {kEffectParameterNames[k % 4], static_cast<uint8_t>(k), 1};
    }
    return classes;
}
const std::array<PresetClass, kPresetClassesMax> kEffectClasses = make_effect_classes();

size_t at(int n) { return static_cast<size_t>(n); }
bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }
int table_page() { return ((runtime::mode_flags & runtime::MODE_TABLE_HALF) >> kHalfShift) == 2 ? 2 : 1; }
void set_table_page(int page) {
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_TABLE_HALF) | (static_cast<uint32_t>(page) << kHalfShift);
}
bool channel_table_shown() { return flag(runtime::option_flags, runtime::OPT_TABLE_VIEW); }

// The fader-select LED and the fader of class k on the shown page.
void show_class(int kind, int k) {
    const int i = k - kFadersPerPage * (runtime::function_page - 1);
    if (i < 1 || i > kFadersPerPage || k > preset_class_count(kind)) return;
    const bool on = preset_class_flags[at(k)] != 0;
    set_key_led(static_cast<int16_t>(KEY_FADER_1 + i - 1), on ? runtime::LED_ON_2 : runtime::LED_ON);
    set_preset_channel_fader_colour(kind, k, on ? kOnColour : kOffColour);
}

void show_page_classes(int kind) {
    for (int i = 1; i <= kFadersPerPage; ++i) show_class(kind, kFadersPerPage * (runtime::function_page - 1) + i);
}

void frame_grid_cell(int n, int16_t colour) {
    if (!valid_preset_number(n)) return;
    const int col = (n - 1) % 10 + 1, row = (n - 1) / 10 + 1;
    platform::_setcolor(colour);
    platform::_rectangle(22 * col - 21, 30 * row - 20, 22 * col + 1, 30 * row + 10);
}

void change_shown_preset(int kind, int16_t shown) {
    if (shown == preset_channel_shown) return;
    frame_grid_cell(preset_channel_shown, 7);
    frame_grid_cell(shown, kOnColour);
    preset_channel_shown = shown;
    if (valid_preset_number(shown)) decode_preset_channel_mask(kind, preset_mask_work[at(shown)], preset_class_flags);
    else preset_class_flags.fill(0);
    show_page_classes(kind);
}

void select_range(int kind, int first, int last) {
    const int lo = std::min(first, last), hi = std::max(first, last);
    bool all = true;
    for (int n = lo; n <= hi; ++n) all = all && preset_select_flags[at(n)] != 0;
    const uint8_t now = all ? 0 : 1;
    for (int n = lo; n <= hi; ++n) {
        if (preset_select_flags[at(n)] == now) continue;
        preset_select_flags[at(n)] = now;
        if (now != 0) mark_preset_cell(static_cast<int16_t>(kind), static_cast<int16_t>(n), 0);
        else unmark_preset_cell(static_cast<int16_t>(kind), static_cast<int16_t>(n));
    }
    int16_t shown = preset_channel_shown;
    if (now != 0) {
        shown = static_cast<int16_t>(last);
    } else if (shown >= lo && shown <= hi) {
        shown = 0;
        for (int n = kPresetsPerKind; n >= 1 && shown == 0; --n) {
            if (preset_select_flags[at(n)] != 0) shown = static_cast<int16_t>(n);
        }
    }
    change_shown_preset(kind, shown);
}

void toggle_class(int kind, int16_t fader_key) {
    const int k = kFadersPerPage * (runtime::function_page - 1) + fader_key - KEY_FADER_1 + 1;
    if (k > preset_class_count(kind) || !valid_preset_number(preset_channel_shown)) return;
    preset_class_flags[at(k)] = preset_class_flags[at(k)] != 0 ? 0 : 1;
    show_class(kind, k);
    for (int n = 1; n <= kPresetsPerKind; ++n) {
        if (preset_select_flags[at(n)] == 0) continue;
        apply_preset_channel_flag(kind, k, preset_class_flags, preset_mask_work[at(n)]);
        const int first = kTableRows * (table_page() - 1) + 1;
        if (channel_table_shown() && n >= first && n < first + kTableRows) {
            const uint32_t bit = 1u << preset_class(kind, k).first_bit;
            draw_preset_channel_cell(kind, n, fader_key - KEY_FADER_1 + 1, (preset_mask_work[at(n)] & bit) != 0);
        }
    }
}

void set_page_leds() {
    set_key_led(KEY_FUNCTION_PAGE_1, runtime::function_page == 1 ? runtime::LED_ON : runtime::LED_BLINK);
    set_key_led(KEY_FUNCTION_PAGE_2, runtime::function_page == 2 ? runtime::LED_ON : runtime::LED_BLINK);
}

// The kept picture of the upper right area.
uint8_t* save_upper_right() {
    const uint32_t size = platform::_imagesize(229, 0, 639, 104);
    if (size == 0) return nullptr;
    auto* image = static_cast<uint8_t*>(memcheck::mc_malloc_at(size, __FILE__, __LINE__));
    if (image == nullptr) return nullptr;
    if (!platform::_getimage(229, 0, 639, 104, std::span<uint8_t>(image, size))) {
        memcheck::mc_free_at(image, __FILE__, __LINE__);
        return nullptr;
    }
    return image;
}

void put_back_upper_right(uint8_t* image) {
    if (image == nullptr) return;
    platform::_putimage(229, 0, std::span<const uint8_t>(image, platform::_imagesize(229, 0, 639, 104)),
                        platform::kCopyPut);
    memcheck::mc_free_at(image, __FILE__, __LINE__);
}

void close_setup(int kind, int16_t saved_page, uint8_t* picture) {
    put_back_upper_right(picture);
    runtime::run_flags &= ~runtime::RUN_WHEELS_INACTIVE;
    runtime::function_page = saved_page;
    programmer::build_fader_panel();
    programmer::refresh_faders();
    if (runtime::current_fixture_type >= 0 && !flag(runtime::mode_flags, runtime::MODE_TRACKERBALL_PANTILT)) {
        programmer::highlight_selected_fader(kOnColour);
    }
    programmer::update_fader_key_leds();
    if (flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN)) playback::draw_point_cue_panel();
    else programmer::draw_fixture_screen();
    if (flag(runtime::option_flags, runtime::OPT_PT_PRESET_PANEL)) {
        runtime::option_flags &= ~runtime::OPT_PT_PRESET_PANEL;
        ui::set_panel_mode(static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> kPanelFieldShift));
    } else if (channel_table_shown()) {
        ui::open_table_view();
    }
    ui::redraw_cue_panel();
    set_key_led(preset_kind_key(kind), runtime::LED_OFF);
    set_key_led(KEY_ESC, runtime::LED_OFF);
}

}  // namespace

int preset_class_count(int kind) {
    switch (kind) {
        case PRESET_PANTILT: return 3;
        case PRESET_COLOUR: return 7;
        case PRESET_GOBO: return 15;
        case PRESET_EFFECT: return kPresetClassesMax;
        default: return 0;
    }
}

const PresetClass& preset_class(int kind, int k) {
    const int i = std::clamp(k, 1, std::max(preset_class_count(kind), 1)) - 1;
    switch (kind) {
        case PRESET_PANTILT: return kPanTiltClasses[i];
        case PRESET_COLOUR: return kColourClasses[i];
        case PRESET_GOBO: return kGoboClasses[i];
        default: return kEffectClasses[at(i)];
    }
}

void decode_preset_channel_mask(int kind, uint32_t mask, std::array<uint8_t, kPresetClassesMax + 1>& flags) {
    flags.fill(0);
    for (int k = 1; k <= preset_class_count(kind); ++k) {
        flags[at(k)] = (mask >> preset_class(kind, k).first_bit) & 1u;
    }
}

void apply_preset_channel_flag(int kind, int k, const std::array<uint8_t, kPresetClassesMax + 1>& flags, uint32_t& mask) {
    if (k < 1 || k > preset_class_count(kind)) return;
    const PresetClass& c = preset_class(kind, k);
    for (int b = c.first_bit; b < c.first_bit + c.bits; ++b) {
        if (flags[at(k)] != 0) mask |= 1u << b;
        else mask &= ~(1u << b);
    }
}

void set_preset_channel_fader_colour(int kind, int k, int16_t colour) {
    const int i = k - kFadersPerPage * (runtime::function_page - 1);
    if (i < 1 || i > kFadersPerPage) return;
    const bool alternate = kind == PRESET_EFFECT && ((i - 1) / 4) % 2 == 1;
    programmer::set_fader_strip_colour(static_cast<int16_t>(i),
                                       colour == kOnColour ? preset_kind_colour(kind) : (alternate ? 9 : 8));
    programmer::set_fader_number(static_cast<int16_t>(i), static_cast<int16_t>(k), colour);
}

int build_preset_channel_faders(int kind) {
    const int count = preset_class_count(kind);
    ui::fill_box(231, 11, 637, 102, 0);
    for (int i = 1; i <= kFadersPerPage; ++i) {
        const int k = kFadersPerPage * (runtime::function_page - 1) + i;
        if (k > count) {
            programmer::set_fader_label(static_cast<int16_t>(i), "", 15);
            continue;
        }
        const bool alternate = kind == PRESET_EFFECT && ((i - 1) / 4) % 2 == 1;
        programmer::set_fader_strip_colour(static_cast<int16_t>(i), alternate ? 9 : 8);
        programmer::set_fader_number(static_cast<int16_t>(i), static_cast<int16_t>(k), kOffColour);
        programmer::set_fader_label(static_cast<int16_t>(i), preset_class(kind, k).name, 15);
        programmer::set_fader_widget_value(static_cast<int16_t>(i), 85);
    }
    if (kind == PRESET_EFFECT) {
        for (int j = 1; j <= 4; ++j) {
            const auto x1 = static_cast<int16_t>(92 * j + 181);
            ui::fill_box(x1, 70, static_cast<int16_t>(x1 + 84), 80, 5);
            platform::_setcolor(7);
            platform::_rectangle(x1, 70, x1 + 84, 80);
            ui::draw_text_button(x1, 70, static_cast<int16_t>(x1 + 84), 80, 5,
                                 kFunctionClassNames[4 * (runtime::function_page - 1) + j - 1], 15);
        }
    }
    return count;
}

void draw_preset_channel_cell(int kind, int n, int column, bool on) {
    const int row = (n - 1) % kTableRows + 1;
    ui::fill_box(static_cast<int16_t>(23 * column + 250), static_cast<int16_t>(10 * row + 122),
                 static_cast<int16_t>(23 * column + 267), static_cast<int16_t>(10 * row + 126),
                 on ? preset_kind_colour(kind) : 0);
}

void draw_preset_channel_table(int kind, const std::array<uint32_t, 71>& masks) {
    const int first = kTableRows * (table_page() - 1) + 1;
    for (int n = first; n < first + kTableRows; ++n) {
        for (int i = 1; i <= kFadersPerPage; ++i) {
            const int k = kFadersPerPage * (runtime::function_page - 1) + i;
            if (k > preset_class_count(kind)) break;
            draw_preset_channel_cell(kind, n, i, ((masks[at(n)] >> preset_class(kind, k).first_bit) & 1u) != 0);
        }
    }
}

void show_preset_channel_panel(int panel, int kind, const std::array<uint32_t, 71>& masks) {
    const uint32_t views = runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW;
    auto clear_views = [&] {
        if (flag(runtime::option_flags, views)) {
            ui::save_panel_picture();
            ui::fill_box(229, 105, 639, 479, 0);
        }
        if (!flag(runtime::option_flags, runtime::OPT_SEQUENCE_PANEL)) ui::draw_sequence_panel();
    };
    if (panel == 1 && !flag(runtime::option_flags, runtime::OPT_FIXTURE_PANEL_RESTORED)) {
        clear_views();
        programmer::redraw_fixture_panel();
        runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST | runtime::OPT_PT_PRESET_PANEL | views);
    } else if (panel == 2 && !flag(runtime::option_flags, runtime::OPT_PT_PRESET_PANEL)) {
        clear_views();
        draw_preset_table(static_cast<int16_t>(kind));
        runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST |
                                   runtime::OPT_FIXTURE_PANEL_RESTORED | views);
    } else if (panel == 3 && !channel_table_shown()) {
        ui::open_table_view();
        runtime::option_flags |= runtime::OPT_TABLE_VIEW;
        draw_preset_channel_table(kind, masks);
        runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST | runtime::OPT_FIXTURE_PANEL_RESTORED |
                                   runtime::OPT_PT_PRESET_PANEL | runtime::OPT_ANALOGUE_VIEW | runtime::OPT_SEQUENCE_PANEL);
    } else {
        return;
    }
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_PANEL_FIELD) | (static_cast<uint32_t>(panel) << kPanelFieldShift);
    for (int p = 1; p <= 3; ++p) {
        set_key_led(static_cast<int16_t>(KEY_PANEL_1 + p - 1), p == panel ? runtime::LED_ON : runtime::LED_OFF);
    }
}

void run_preset_channel_setup(int16_t kind) {
    if (!valid_preset_kind(kind)) {
        runtime::run_flags &= ~runtime::RUN_WHEELS_INACTIVE;
        return;
    }
    uint8_t* picture = save_upper_right();
    ui::beep(800, 100);
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    if (flag(runtime::option_flags, runtime::OPT_ANALOGUE_VIEW)) {
        ui::save_panel_picture();
        ui::fill_box(229, 105, 639, 479, 0);
    }
    const int16_t saved_page = runtime::function_page;
    if (kind == PRESET_EFFECT) {
        runtime::function_page = 1;
        set_page_leds();
    }
    preset_select_flags.fill(0);
    preset_class_flags.fill(0);
    preset_channel_shown = 0;
    for (int n = 1; n <= kPresetsPerKind; ++n) preset_mask_work[at(n)] = preset_mask(kind, n);
    for (int k = 1; k <= kPresetKinds; ++k) set_key_led(preset_kind_key(k), runtime::LED_OFF);
    set_key_led(preset_kind_key(kind), runtime::LED_ON);
    set_key_led(KEY_ESC, runtime::LED_BLINK);
    open_preset_screen(kind);
    draw_preset_kind_title(kind);
    runtime::option_flags &= ~(runtime::OPT_PT_PRESET_PANEL | runtime::OPT_TABLE_VIEW);
    show_preset_channel_panel(3, kind, preset_mask_work);
    const int count = build_preset_channel_faders(kind);
    if (runtime::display_mode != 2) ui::select_wheel_mode(2);
    for (int i = 1; i <= kFadersPerPage; ++i) {
        set_key_led(static_cast<int16_t>(KEY_FADER_1 + i - 1), i <= count ? runtime::LED_ON : runtime::LED_OFF);
    }
    ui::show_message("PROGRAM PRESET-CHANNELS (ESC=CANCEL)");

    for (;;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70) {
            int16_t second = 0;
            const bool pressed = runtime::get_key(&second);
            const bool range = pressed && second >= KEY_FIXTURE_1 && second <= KEY_FIXTURE_70;
            select_range(kind, key, range ? second : key);
        } else if (key >= KEY_FADER_1 && key <= KEY_FADER_16) {
            toggle_class(kind, key);
        } else if (kind == PRESET_EFFECT && (key == KEY_FUNCTION_PAGE_1 || key == KEY_FUNCTION_PAGE_2)) {
            const int16_t page = key == KEY_FUNCTION_PAGE_1 ? 1 : 2;
            if (page == runtime::function_page) continue;
            runtime::function_page = page;
            set_page_leds();
            build_preset_channel_faders(kind);
            if (channel_table_shown()) draw_preset_channel_table(kind, preset_mask_work);
            show_page_classes(kind);
        } else if (key >= KEY_PANEL_1 && key <= KEY_PANEL_3) {
            show_preset_channel_panel(key - KEY_PANEL_1 + 1, kind, preset_mask_work);
        } else if ((key == KEY_PAGE_UP && table_page() == 2) || (key == KEY_PAGE_DOWN && table_page() == 1)) {
            set_table_page(key == KEY_PAGE_UP ? 1 : 2);
            if (channel_table_shown()) draw_preset_channel_table(kind, preset_mask_work);
        } else if (key == preset_kind_key(kind)) {
            ui::beep(800, 100);
            for (int n = 1; n <= kPresetsPerKind; ++n) preset_mask(kind, n) = preset_mask_work[at(n)];
            datafiles::save_default_preset_file(kind);
            break;
        } else if (key == KEY_ESC) {
            break;
        }
    }
    close_setup(kind, saved_page, picture);
}

}  // namespace memories
