#include "programmer/macro_panel.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

#include "datafiles/definition_files.h"
#include "platform/graphics.h"
#include "programmer/effect_macros.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/groupings.h"
#include "programmer/function_belts.h"
#include "programmer/predefined_pickers.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace programmer {

const std::array<double, 8> macro_fader_scale = {0.0, 1.0, 2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1.0, 1.0, 2.0 / 3.0};

namespace {

// Picture kinds of the key-map box (macro, wave and loop share one) and of
// the grids (one per step).
enum KeyMapKind : int { kKeyMapList, kKeyMapModes, kKeyMapGroupings, kKeyMapKinds };
enum GridKind : int { kGridMacros, kGridModes, kGridWaves, kGridLoops, kGridGroupings, kGridKinds };

// Kept for the program once drawn: a picker is shown again from its picture.
std::array<std::vector<uint8_t>, kKeyMapKinds> key_map_pictures;
std::array<std::vector<uint8_t>, kGridKinds> grid_pictures;

constexpr int16_t kBlack = 0, kGreen = 2, kRed = 4, kMagenta = 5, kLightGrey = 7, kDarkGrey = 8, kLightBlue = 9,
                  kLightGreen = 10, kLightCyan = 11, kLightRed = 12, kYellow = 14, kWhite = 15;
constexpr int kLevelTop = 255;
constexpr int kManyChoices = 70;
constexpr int kModeChoices = 12;
constexpr int kGroupingChoices = 21;
constexpr int kNoGroupingCell = 21;
constexpr int kLastGrouping = 20;
constexpr int kColumns = 6;
constexpr int kKeyMapRight = 221, kKeyMapBottom = 220;
constexpr int kGridRight = 639, kGridBottom = 479;
constexpr int kStrokedFont = 2;
constexpr int16_t kTextSize = 4;
constexpr int16_t kLargeTextSize = 7;

// The grouping step's cells beyond the 21 groupings.
constexpr std::array<int16_t, 5> kGroupingExtraCells = {23, 25, 28, 31, 32};

constexpr std::array<const char*, kMacroFaderCount + 1> kFaderLabels = {"", "", "SWING", "SPEED", "MODE",
                                                                      "DELAY", "SHIFT", "WAIT"};

bool has_belts() { return runtime::hw_option_flags.function_belts != 0; }

int key_map_kind(int16_t step) {
    if (step == 4) return kKeyMapModes;
    if (step == kGroupingStep) return kKeyMapGroupings;
    return kKeyMapList;
}

int grid_kind(int16_t step) {
    switch (step) {
        case 4: return kGridModes;
        case 5: return kGridWaves;
        case 6: return kGridLoops;
        case kGroupingStep: return kGridGroupings;
        default: return kGridMacros;
    }
}

const char* picker_title(int16_t step) {
    switch (step) {
        case 4: return "PREDEFINED EFFECT-MODES";
        case 5: return "PREDEFINED WAVE-EFFECTS";
        case 6: return "PREDEFINED LOOP-EFFECTS";
        case kGroupingStep: return "PREDEFINED GROUPINGS";
        default: return "PREDEFINED MACROS";
    }
}

int16_t picker_title_x(int16_t step) {
    if (step == 1) return 45;
    if (step == kGroupingStep) return 35;
    return 20;
}

// Saves the area into the picture; a picture that cannot be taken is left
// empty, so the next call draws the area again.
void keep_picture(std::vector<uint8_t>& picture, int left, int top, int right, int bottom) {
    picture.assign(platform::_imagesize(left, top, right, bottom), 0);
    if (!platform::_getimage(left, top, right, bottom, std::span<uint8_t>(picture))) picture.clear();
}

void put_picture(const std::vector<uint8_t>& picture, int left, int top) {
    platform::_putimage(left, top, std::span<const uint8_t>(picture), platform::kCopyPut);
}

void write_fader_position(int k, runtime::WheelState& wheel) {
    const uint8_t q = ui::divide_by_3_round_up(wheel.value);
    if (q == wheel.shown) return;
    set_fader_widget_value(static_cast<int16_t>(k), q);
    wheel.shown = q;
}

// ---------------------------------------------------------------- the grid

struct CellBox {
    int left, top, right, bottom;
};

CellBox cell_box(int cell, int h) {
    const int row = (cell - 1) / kColumns + 1;
    const int column = (cell - 1) % kColumns + 1;
    return {(column - 1) * kCellWidth + 232, (row - 1) * h + 108, column * kCellWidth + 228, row * h + 104};
}

// One or two lines of stroked text centred in the cell.
void centred_lines(const CellBox& box, const char* first, const char* second, int16_t colour) {
    platform::_setcolor(colour);
    const int line_height = platform::_textheight("M") + 2;
    const int lines = second != nullptr ? 2 : 1;
    int y = (box.top + box.bottom) / 2 - lines * line_height / 2;
    for (const char* text : {first, second}) {
        if (text == nullptr) continue;
        const int x = (box.left + box.right) / 2 - platform::_textwidth(text) / 2;
        platform::_outtextxy(x, y, text);
        y += line_height;
    }
}

void number_box(const CellBox& box, int cell, int16_t colour) {
    ui::fill_box(static_cast<int16_t>(box.left), static_cast<int16_t>(box.top), static_cast<int16_t>(box.left + 13),
                 static_cast<int16_t>(box.top + 13), colour);
    char number[16];
    std::snprintf(number, sizeof number, "%-2d", cell);
    ui::draw_bitmap_text(static_cast<int16_t>(box.left + 1), static_cast<int16_t>(box.top + 3), kWhite, number);
}

// The sketch of waveform pair p (1..6): the first three curved, the last
// three in straight lines, over a dotted cross.
void mode_sketch(const CellBox& box, int cell) {
    const int cx = (box.left + box.right) / 2;
    const int cy = (box.top + box.bottom) / 2;
    constexpr int kHalf = 20, kAmplitude = 12;
    platform::_setcolor(kLightCyan);
    platform::_setlinestyle(platform::kDottedLine, 0, platform::kNormalWidth);
    platform::_line(box.left + 4, cy, box.right - 4, cy);
    platform::_line(cx, box.top + 16, cx, box.bottom - 16);
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
    platform::_setcolor(kLightGreen);
    const int pair = (cell + 1) / 2;
    const int l = cx - kHalf, r = cx + kHalf, up = cy - kAmplitude, down = cy + kAmplitude;
    switch (pair) {
        case 1:  // sine
            platform::_ellipse(cx - kHalf / 2, cy, 0, 180, kHalf / 2, kAmplitude);
            platform::_ellipse(cx + kHalf / 2, cy, 180, 360, kHalf / 2, kAmplitude);
            break;
        case 2:  // humps
            platform::_ellipse(cx - kHalf / 2, cy, 0, 180, kHalf / 2, kAmplitude);
            platform::_ellipse(cx + kHalf / 2, cy, 0, 180, kHalf / 2, kAmplitude);
            break;
        case 3:  // troughs
            platform::_ellipse(cx - kHalf / 2, cy, 180, 360, kHalf / 2, kAmplitude);
            platform::_ellipse(cx + kHalf / 2, cy, 180, 360, kHalf / 2, kAmplitude);
            break;
        case 4:  // square
            platform::_line(l, up, cx, up);
            platform::_line(cx, up, cx, down);
            platform::_line(cx, down, r, down);
            break;
        case 5:  // pulse up
            platform::_line(l, cy, cx, cy);
            platform::_line(cx, cy, cx, up);
            platform::_line(cx, up, r, up);
            break;
        default:  // pulse down
            platform::_line(l, cy, cx, cy);
            platform::_line(cx, cy, cx, down);
            platform::_line(cx, down, r, down);
            break;
    }
    platform::_setcolor(kYellow);
    const char* arrow = cell % 2 == 1 ? "---->" : "<----";
    platform::_outtextxy(cx - platform::_textwidth(arrow) / 2, box.bottom - 14, arrow);
}

void cell_texts(int16_t step, const CellBox& box, int cell) {
    char first[32];
    char second[32];
    switch (step) {
        case 1: {
            const datafiles::EffectMacro& macro = datafiles::effect_macro_table[static_cast<size_t>(cell)];
            std::snprintf(first, sizeof first, "%.8s", macro.name_line1.data());
            std::snprintf(second, sizeof second, "%.8s", macro.name_line2.data());
            centred_lines(box, first, second[0] != '\0' ? second : nullptr, kLightCyan);
            break;
        }
        case 4: mode_sketch(box, cell); break;
        case 5:
        case 6: {
            const bool random = cell > kSpreadChoices;
            const int n = random ? cell - kSpreadChoices : cell;
            std::snprintf(second, sizeof second, step == 5 ? "PER %-2d" : "BY %-2d ", n);
            if (random) {
                centred_lines(box, second, "RANDOM", kLightCyan);
            } else {
                centred_lines(box, step == 5 ? "WAVE  " : "STEP  ", second, kLightCyan);
            }
            break;
        }
        default:
            if (cell <= kLastGrouping) {
                std::snprintf(second, sizeof second, "** %-2d **", cell);
                centred_lines(box, "GROUPING", second, kLightCyan);
            } else if (cell == kNoGroupingCell) {
                centred_lines(box, "GROUPING", "NONE", kLightRed);
            } else if (cell == 23) {
                centred_lines(box, "SELECT", "FIXTURES", kLightRed);
            } else if (cell == 31 || cell == 32) {
                ui::set_text_style(kStrokedFont, 0, kLargeTextSize);
                centred_lines(box, cell == 31 ? "EDIT" : "CLEAR", nullptr, kLightRed);
                ui::set_text_style(kStrokedFont, 0, kTextSize);
            }
            break;  // 25 and 28 carry the grouping list's WAVE and STEP boxes
    }
}

void draw_grid(int16_t step) {
    const int h = macro_picker_row_height(step);
    ui::fill_box(kGridLeft, kGridTop, kGridRight, kGridBottom, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(kGridLeft, kGridTop, kGridRight, kGridBottom);
    platform::_rectangle(kGridLeft + 1, kGridTop + 1, kGridRight - 1, kGridBottom - 1);
    for (int x = 298; x < kGridRight; x += kCellWidth) platform::_line(x, kGridTop, x, kGridBottom);
    for (int y = 106 + h; y < kGridBottom; y += h) platform::_line(kGridLeft, y, kGridRight, y);
    ui::set_text_style(kStrokedFont, 0, kTextSize);
    const int cells = h == kShortRow ? 72 : 36;
    for (int cell = 1; cell <= cells; ++cell) {
        const CellBox box = cell_box(cell, h);
        if (macro_picker_cell_active(step, static_cast<int16_t>(cell))) {
            ui::fill_box(static_cast<int16_t>(box.left), static_cast<int16_t>(box.top), static_cast<int16_t>(box.right),
                         static_cast<int16_t>(box.bottom), kDarkGrey);
            cell_texts(step, box, cell);
            number_box(box, cell, kMagenta);
        } else {
            platform::_setfillstyle(platform::kHatchFill, kLightGrey);
            platform::_bar(box.left, box.top, box.right, box.bottom);
            centred_lines(box, "NOT USED", nullptr, kWhite);
            number_box(box, cell, kDarkGrey);
        }
    }
}

}  // namespace

void reset_macro_panel_globals() {
    for (std::vector<uint8_t>& picture : key_map_pictures) std::vector<uint8_t>().swap(picture);
    for (std::vector<uint8_t>& picture : grid_pictures) std::vector<uint8_t>().swap(picture);
}

void build_macro_panel() {
    for (int i = 1; i <= ui::kFunctionFaderWidgets; ++i) {
        ui::FaderWidget& widget = ui::function_fader_widgets[static_cast<size_t>(i)];
        if (i > kMacroFaderCount) {
            ui::erase_fader_widget(widget, kGreen);
            continue;
        }
        ui::set_fader_widget_colours(widget, kLightGrey, kDarkGrey, kWhite, kLightGreen, kDarkGrey, kBlack, kRed);
        if (widget.shown == 0) ui::show_fader_widget(widget);
        ui::set_fader_widget_number(widget, static_cast<int16_t>(i));
        ui::set_fader_widget_label(widget, kFaderLabels[static_cast<size_t>(i)]);
    }
    ui::draw_bitmap_text(450, 20, kRed, "MACRO EDIT");
}

void draw_macro_grouping_header() {
    ui::fill_box(450, 29, 550, 70, kGreen);
    const int g = runtime::current_grouping;
    if (g < 1 || g > kLastGrouping) return;
    const Grouping& grouping = grouping_table[static_cast<size_t>(g)];
    char text[32];
    std::snprintf(text, sizeof text, "GROUP %d", g);
    ui::draw_bitmap_text(450, 30, kRed, text);
    std::snprintf(text, sizeof text, "%.10s", grouping.name.data());
    ui::draw_bitmap_text(450, 40, kRed, text[0] != '\0' ? text : "---------");
    if (grouping.subgroup_count == 0) {
        ui::draw_bitmap_text(450, 50, kRed, "EMPTY");
    } else {
        std::snprintf(text, sizeof text, "%d Defs", grouping.subgroup_count);
        ui::draw_bitmap_text(450, 50, kRed, text);
    }
}

void refresh_macro_faders() {
    const int f = runtime::current_fixture;
    if (f < 1 || f > kFixtures) return;
    for (int k = 1; k <= kMacroFaderCount; ++k) {
        runtime::WheelState& wheel = runtime::wheel_states.macro_faders[static_cast<size_t>(k)];
        wheel.raw = macro_states[static_cast<size_t>(f)][static_cast<size_t>(k)];
        wheel.value = parameter_to_wheel_value(wheel.raw, macro_fader_scale[static_cast<size_t>(k)]);
        write_fader_position(k, wheel);
        if (k == kMacroNumber) {
            char label[32];
            if (wheel.raw >= 1 && wheel.raw <= kMacroCount) {
                std::snprintf(label, sizeof label, "MACRO %d", wheel.raw);
            } else {
                std::snprintf(label, sizeof label, "NO MACRO");
            }
            set_fader_label(1, label, kLightCyan);
        }
        if (has_belts()) set_function_belt(static_cast<int16_t>(k), static_cast<uint8_t>(wheel.value));
    }
}

void apply_macro_wheel(int16_t k, int16_t delta) {
    if (k < 1 || k > kMacroFaderCount) return;
    runtime::WheelState& wheel = runtime::wheel_states.macro_faders[static_cast<size_t>(k)];
    wheel.value = static_cast<int16_t>(std::clamp(wheel.value - delta, 0, kLevelTop));
    write_fader_position(k, wheel);
    if (k == kMacroSwing || k == kMacroSpeed || k == kMacroMode || k == kMacroWait) reapply_macro(k, wheel.value);
}

int16_t macro_picker_choices(int16_t step) {
    switch (step) {
        case 1:
        case 5:
        case 6: return kManyChoices;
        case 4: return kModeChoices;
        case kGroupingStep: return kGroupingChoices;
        default: return 0;
    }
}

int16_t macro_picker_row_height(int16_t step) {
    return macro_picker_choices(step) == kManyChoices ? kShortRow : kTallRow;
}

bool macro_picker_cell_active(int16_t step, int16_t cell) {
    if (cell >= 1 && cell <= macro_picker_choices(step)) return true;
    return step == kGroupingStep &&
           std::find(kGroupingExtraCells.begin(), kGroupingExtraCells.end(), cell) != kGroupingExtraCells.end();
}

void draw_macro_picker_titles() {
    const int16_t step = runtime::macro_fader;
    const int choices = macro_picker_choices(step);
    std::vector<uint8_t>& picture = key_map_pictures[static_cast<size_t>(key_map_kind(step))];
    if (picture.empty()) {
        ui::fill_box(0, 0, kKeyMapRight, 9, kBlack);
        ui::fill_box(0, 10, kKeyMapRight, kKeyMapBottom, kDarkGrey);
        platform::_setcolor(kLightGrey);
        platform::_rectangle(1, 10, kKeyMapRight, kKeyMapBottom);
        for (int i = 0; i <= 10; ++i) platform::_line(22 * i + 1, 10, 22 * i + 1, kKeyMapBottom);
        for (int i = 0; i <= 7; ++i) platform::_line(1, 30 * i + 10, kKeyMapRight, 30 * i + 10);
        for (int n = 1; n <= kManyChoices; ++n) {
            const int column = (n - 1) % 10 + 1;
            const int row = (n - 1) / 10 + 1;
            char number[16];
            std::snprintf(number, sizeof number, "%2d", n);
            ui::draw_bitmap_text(static_cast<int16_t>(22 * column - 18), static_cast<int16_t>(30 * row - 10),
                                 n <= choices ? kLightCyan : kLightBlue, number);
        }
        keep_picture(picture, 0, 0, kKeyMapRight, kKeyMapBottom);
    } else {
        put_picture(picture, 0, 0);
    }
    ui::draw_bitmap_text(picker_title_x(step), 0, kLightBlue, picker_title(step));
    for (int16_t key = 1; key <= kManyChoices; ++key) {
        runtime::set_key_led(runtime::fixture_key(key),
                             macro_picker_cell_active(step, key) ? runtime::LED_ON_BOTH : runtime::LED_OFF);
    }
    ui::fill_box(2, 221, 220, 234, kRed);
    runtime::option_flags &= ~(runtime::OPT_POINTCUE_PANEL | runtime::OPT_FIXTURE_PANEL);
    runtime::option_flags |= runtime::OPT_PICKER_OPEN;
}

void draw_macro_picker_grid() {
    const int16_t step = runtime::macro_fader;
    std::vector<uint8_t>& picture = grid_pictures[static_cast<size_t>(grid_kind(step))];
    if (picture.empty()) {
        draw_grid(step);
        keep_picture(picture, kGridLeft, kGridTop, kGridRight, kGridBottom);
    } else {
        put_picture(picture, kGridLeft, kGridTop);
    }
    if (step == kGroupingStep) {
        draw_grouping_list();
        const int g = runtime::current_grouping;
        const int cell = g >= 1 && g <= kLastGrouping ? g : kNoGroupingCell;
        const int16_t shown = runtime::mouse_cursor_shown;
        runtime::show_mouse_cursor(0);
        frame_picker_cell(static_cast<int16_t>((cell - 1) % kColumns + 1), static_cast<int16_t>((cell - 1) / kColumns + 1),
                          kYellow);
        draw_picker_cell_number(static_cast<int16_t>(cell), kYellow);
        runtime::set_key_led(runtime::fixture_key(cell), runtime::LED_ON_2);
        runtime::show_mouse_cursor(shown);
    }
    runtime::option_flags &= ~(runtime::OPT_SCREEN_FIELD | runtime::OPT_FIXTURE_PANEL_RESTORED |
                               runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW | runtime::OPT_SEQUENCE_PANEL);
    runtime::option_flags |= runtime::OPT_PICKER_GRID;
    ui::save_panel_picture();
}

}  // namespace programmer
