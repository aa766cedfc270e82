#include "programmer/predefined_pickers.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <string>

#include "datafiles/library_files.h"
#include "platform/graphics.h"
#include "programmer/channel_generators.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/groupings.h"
#include "programmer/function_belts.h"
#include "programmer/function_page.h"
#include "programmer/library_values.h"
#include "programmer/pantilt_figures.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/timers.h"
#include "setup/fixture_type.h"
#include "ui/helpers.h"

namespace programmer {

namespace {

enum class Kind { none, subfunctions, generator_modes, figure_modes, waves, loops, rotates, lissajous, polygons, groupings };

struct Picker {
    Kind kind = Kind::none;
    int offered = 0;
    int16_t row_height = kPickerTallRow;
    const char* title = "";
    int16_t title_x = 20;
};

constexpr int16_t kBlack = 0, kMagenta = 5, kDarkGrey = 8, kGrey = 7, kLightBlue = 9, kLightGreen = 10,
                  kLightCyan = 11, kLightRed = 12, kYellow = 14, kWhite = 15, kRed = 4;
constexpr int16_t kGridLeft = 229, kGridTop = 105, kGridRight = 639, kGridBottom = 479;
constexpr int16_t kColumnWidth = 68;
constexpr int16_t kNumberBox = 13;
constexpr int kGeneratorModes = 12;
constexpr int kFigureModes = 2;
constexpr int kSpreadCells = 70;
constexpr int kNoGrouping = 21;
constexpr int kSelectGroupingCell = 23, kWaveCell = 25, kStepCell = 28, kEditCell = 31, kClearCell = 32;
constexpr int kLastGrouping = 20;
constexpr int kMaxEntries = 35;
// The generator and figure faders with a picker.
constexpr int16_t kModeFader = 4, kGeneratorDelayFader = 5, kGeneratorShiftFader = 6;
constexpr int16_t kFigure1Fader = 5, kFigure2Fader = 6, kRotateFader = 7, kFigureDelayFader = 8,
                  kFigureShiftFader = 9;
constexpr int16_t kGroupingFader = 16;

bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }
bool pantilt_mode() { return flag(runtime::mode_flags, runtime::MODE_TRACKERBALL_PANTILT); }

const setup::FixtureTypeDef* current_type() { return setup::type_def_of_index(runtime::current_fixture_type); }

bool has_pan_and_tilt() {
    const setup::FixtureTypeDef* type = current_type();
    return type != nullptr && type->named(setup::NamedFunction::pan) != 0 && type->named(setup::NamedFunction::tilt) != 0;
}

// The channel of bank 0's fader f on the shown function page.
int channel_of_fader(int fader) { return runtime::function_page * kFadersPerFunctionPage + fader - kFadersPerFunctionPage; }
int selected_channel() { return channel_of_fader(runtime::selected_fader_bank0); }

int entry_count(int channel) {
    const int type = runtime::current_fixture_type;
    if (type < 0 || type >= runtime::kTypes || channel < 1 || channel > runtime::kTypeChannels) return 0;
    return std::min<int>(runtime::type_predefined_counts[static_cast<size_t>(type + 1)][static_cast<size_t>(channel - 1)],
                         kMaxEntries);
}

int16_t& bank_fader(int16_t bank) {
    switch (bank) {
        case kGeneratorBank: return runtime::selected_fader_bank1;
        case kFigureBank: return runtime::selected_fader_bank2;
        default: return runtime::selected_fader_bank0;
    }
}

Picker picker_of(int16_t bank, int16_t fader) {
    const Picker entries{Kind::subfunctions, 0, kPickerTallRow, "SUB-FUNCTIONS", 60};
    const Picker groupings{Kind::groupings, kSelectGroupingCell, kPickerTallRow, "PREDEFINED GROUPINGS", 20};
    if (bank == kChannelBank) {
        if (fader < 1 || fader > kPanelFaders || channel_of_fader(fader) > runtime::function_count) return {};
        Picker p = entries;
        p.offered = entry_count(channel_of_fader(fader));
        return p.offered > 0 ? p : Picker{};
    }
    if (bank == kGeneratorBank) {
        switch (fader) {
            case 1: {
                Picker p = entries;
                p.offered = entry_count(selected_channel());
                return p.offered > 0 ? p : Picker{};
            }
            case kModeFader: return {Kind::generator_modes, kGeneratorModes, kPickerTallRow, "PREDEFINED EFFECT-MODES", 20};
            case kGeneratorDelayFader: return {Kind::waves, kSpreadCells, kPickerShortRow, "PREDEFINED WAVE-EFFECTS", 20};
            case kGeneratorShiftFader: return {Kind::loops, kSpreadCells, kPickerShortRow, "PREDEFINED LOOP-EFFECTS", 20};
            case kGroupingFader: return groupings;
            default: return {};
        }
    }
    if (bank == kFigureBank) {
        switch (fader) {
            case kModeFader: return {Kind::figure_modes, kFigureModes, kPickerTallRow, "PREDEFINED EFFECT-MODES", 20};
            case kFigure1Fader:
                return {Kind::lissajous, kOfferedLissajous, kPickerTallRow, "PREDEFINED LISSAJOUS-FIGURES", 0};
            case kFigure2Fader:
                return {Kind::polygons, datafiles::kPolygonFigures, kPickerTallRow, "PREDEFINED POLYGON-FIGURES", 7};
            case kRotateFader: return {Kind::rotates, kSpreadCells, kPickerShortRow, "PREDEFINED ROTATE-EFFECTS", 12};
            case kFigureDelayFader: return {Kind::waves, kSpreadCells, kPickerShortRow, "PREDEFINED WAVE-EFFECTS", 20};
            case kFigureShiftFader: return {Kind::loops, kSpreadCells, kPickerShortRow, "PREDEFINED LOOP-EFFECTS", 20};
            case kGroupingFader: return groupings;
            default: return {};
        }
    }
    return {};
}

// Whether cell (or key) k is one the picker offers.
bool offers(const Picker& p, int k) {
    if (p.kind == Kind::groupings) {
        return (k >= 1 && k <= kNoGrouping) || k == kSelectGroupingCell || k == kWaveCell || k == kStepCell ||
               k == kEditCell || k == kClearCell;
    }
    return k >= 1 && k <= p.offered;
}

// The bank's selected fader when it leads to a picker (bank 0 only while
// the trackerball leaves pan and tilt alone), else 0.
int16_t target_fader(int16_t bank) {
    if (bank == kChannelBank && pantilt_mode()) return 0;
    const int16_t fader = bank_fader(bank);
    return is_picker_fader(bank, fader) ? fader : int16_t{0};
}

void set_picker_fader_leds(int16_t bank) {
    const int16_t selected = bank_fader(bank);
    const bool show_selected = bank != kChannelBank || !pantilt_mode();
    for (int16_t f = 1; f <= kPanelFaders; ++f) {
        if (!is_picker_fader(bank, f)) continue;
        const bool is_selected = f == selected && show_selected;
        runtime::set_key_led(runtime::fader_key(f), is_selected ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH);
    }
}

// ---------------------------------------------------------------- drawing

void text_centred(int16_t x_left, int16_t width, int16_t y, int16_t colour, const std::string& text) {
    platform::_setcolor(colour);
    const int w = platform::_textwidth(text);
    platform::_outtextxy(x_left + std::max(0, (width - w) / 2), y, text);
}

int16_t cell_left(int column) { return static_cast<int16_t>(kColumnWidth * column + 162); }
int16_t cell_top(int row, int16_t h) { return static_cast<int16_t>((row - 1) * h + 106); }

// Two lines of text in the middle of a cell.
void cell_lines(int16_t x, int16_t y, int16_t h, int16_t colour, const std::string& top, const std::string& bottom) {
    const auto middle = static_cast<int16_t>(y + h / 2);
    text_centred(x, kColumnWidth, static_cast<int16_t>(middle - 10), colour, top);
    text_centred(x, kColumnWidth, static_cast<int16_t>(middle + 1), colour, bottom);
}

std::string format_number(const char* format, int k) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), format, k);
    return text.data();
}

// The waveform of generator mode class k: a sine, a hump up or down, or
// the square and block forms, with its direction arrow under it.
void draw_mode_cell(int16_t x, int16_t y, int16_t h, int k, bool figure) {
    const auto cx = static_cast<int16_t>(x + kColumnWidth / 2);
    const auto cy = static_cast<int16_t>(y + h / 2 - 6);
    platform::_setlinestyle(platform::kDottedLine, 0, platform::kNormalWidth);
    platform::_setcolor(kLightCyan);
    platform::_line(x + 4, cy, x + kColumnWidth - 4, cy);
    platform::_line(cx, y + 16, cx, y + h - 16);
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
    platform::_setcolor(kLightGreen);
    if (figure) {
        platform::_ellipse(cx, cy, 0, 360, 22, 14);
        platform::_arc(cx, cy, 0, 180, 10);
    } else if (k <= 2) {
        platform::_ellipse(cx - 14, cy, 0, 180, 14, 22 / 2);
        platform::_ellipse(cx + 14, cy, 180, 360, 14, 22 / 2);
    } else if (k <= 4) {
        platform::_ellipse(cx, cy, 0, 180, 28, 22 / 2);
    } else if (k <= 6) {
        platform::_ellipse(cx, cy, 180, 360, 28, 22 / 2);
    } else {
        const int up = (k == 7 || k == 8 || k == 9 || k == 10) ? -10 : 0;
        const int down = (k == 7 || k == 8 || k == 11 || k == 12) ? 10 : 0;
        platform::_line(cx - 28, cy, cx - 28, cy + up);
        platform::_line(cx - 28, cy + up, cx, cy + up);
        platform::_line(cx, cy + up, cx, cy + down);
        platform::_line(cx, cy + down, cx + 28, cy + down);
        platform::_line(cx + 28, cy + down, cx + 28, cy);
    }
    text_centred(x, kColumnWidth, static_cast<int16_t>(y + h - 14), kYellow, k % 2 == 1 ? "---->" : "<----");
}

void put_picture(const uint8_t* image, int16_t x, int16_t y) {
    if (image == nullptr) return;
    platform::_putimage(x + 12, y + 4, std::span<const uint8_t>(image, datafiles::kDrawingFileBytes), platform::kCopyPut);
}

std::string spread_text(int k, const char* word, bool top) {
    if (k <= kMaxEntries) return top ? std::string(word) : format_number("PER %-2d", k);
    return top ? format_number("PER %-2d", k - kMaxEntries) : std::string("RANDOM");
}

void draw_cell_content(const Picker& p, int k, int16_t x, int16_t y, int16_t h) {
    ui::set_text_style(2, 0, 4);
    switch (p.kind) {
        case Kind::subfunctions: {
            const setup::FixtureTypeDef* type = current_type();
            const int bank_channel = selected_channel();
            if (type == nullptr || bank_channel < 1) return;
            const int t = runtime::current_fixture_type + 1;
            const int function = runtime::type_channel_function[static_cast<size_t>(t)][static_cast<size_t>(bank_channel - 1)] + 1;
            const int e = runtime::type_predefined_entries[static_cast<size_t>(t)][static_cast<size_t>(bank_channel - 1)]
                                                          [static_cast<size_t>(k - 1)];
            const int symbol = type->entry_symbol(function, e);
            if (symbol >= 1 && symbol < datafiles::kSymbolDrawingSlots &&
                datafiles::symbol_drawings[static_cast<size_t>(symbol)] != nullptr) {
                put_picture(datafiles::symbol_drawings[static_cast<size_t>(symbol)], x, y);
            } else {
                text_centred(x, kColumnWidth, static_cast<int16_t>(y + h / 2 - 4), kLightCyan, type->entry_text(function, e));
            }
            return;
        }
        case Kind::generator_modes: draw_mode_cell(x, y, h, k, false); return;
        case Kind::figure_modes: draw_mode_cell(x, y, h, k, true); return;
        case Kind::waves:
            if (k <= kMaxEntries) {
                cell_lines(x, y, h, kLightCyan, "WAVE ", format_number("PER %-2d", k));
            } else {
                cell_lines(x, y, h, kLightCyan, format_number("PER %-2d", k - kMaxEntries), "RANDOM");
            }
            return;
        case Kind::loops:
            if (k <= kMaxEntries) {
                cell_lines(x, y, h, kLightCyan, "STEP ", format_number("BY %-2d", k));
            } else {
                cell_lines(x, y, h, kLightCyan, format_number("BY %-2d", k - kMaxEntries), "RANDOM");
            }
            return;
        case Kind::rotates:
            cell_lines(x, y, h, kLightCyan, spread_text(k, "ROTATE", true), spread_text(k, "ROTATE", false));
            return;
        case Kind::lissajous: put_picture(datafiles::lissajous_drawings[static_cast<size_t>(k)], x, y); return;
        case Kind::polygons: put_picture(datafiles::polygon_drawings[static_cast<size_t>(k)], x, y); return;
        case Kind::groupings:
            if (k <= kLastGrouping) {
                cell_lines(x, y, h, kLightCyan, "GROUPING", format_number("** %-2d **", k));
            } else if (k == kNoGrouping) {
                cell_lines(x, y, h, kLightCyan, "GROUPING", "NONE");
            } else if (k == kSelectGroupingCell) {
                cell_lines(x, y, h, kLightCyan, "SELECT", "FIXTURES");
            } else if (k == kEditCell || k == kClearCell) {
                ui::set_text_style(2, 0, 7);
                text_centred(x, kColumnWidth, static_cast<int16_t>(y + h / 2 - 8), kLightRed, k == kEditCell ? "EDIT" : "CLEAR");
                ui::set_text_style(2, 0, 4);
            }
            return;
        case Kind::none: return;
    }
}

void draw_grid(int16_t bank) {
    const Picker p = picker_of(bank, bank_fader(bank));
    const int16_t h = p.row_height;
    const int cells = h == kPickerShortRow ? 72 : 36;
    ui::fill_box(kGridLeft, kGridTop, kGridRight, kGridBottom, kBlack);
    platform::_setcolor(kGrey);
    platform::_rectangle(kGridLeft, kGridTop, kGridRight, kGridBottom);
    platform::_rectangle(kGridLeft + 1, kGridTop + 1, kGridRight - 1, kGridBottom - 1);
    for (int x = 298; x < kGridRight; x += kColumnWidth) platform::_line(x, kGridTop + 1, x, kGridBottom - 1);
    for (int y = 106 + h; y < kGridBottom; y += h) platform::_line(kGridLeft + 1, y, kGridRight - 1, y);
    for (int k = 1; k <= cells; ++k) {
        const int column = (k - 1) % kPickerColumns + 1;
        const int row = (k - 1) / kPickerColumns + 1;
        const auto x = static_cast<int16_t>(cell_left(column) + 1);
        const auto y = static_cast<int16_t>(cell_top(row, h) + 1);
        const auto right = static_cast<int16_t>(x + kColumnWidth - 2);
        const auto bottom = static_cast<int16_t>(y + h - 2);
        const bool offered = offers(p, k);
        if (offered) {
            ui::fill_box(x, y, right, bottom, kDarkGrey);
        } else {
            ui::fill_box(x, y, right, bottom, kBlack);
            platform::_setfillstyle(platform::kHatchFill, kGrey);
            platform::_bar(x, y, right, bottom);
            platform::_setfillstyle(platform::kSolidFill, kBlack);
            ui::set_text_style(2, 0, 4);
            text_centred(x, kColumnWidth, static_cast<int16_t>(y + h / 2 - 4), kWhite, "NOT USED");
        }
        ui::fill_box(x, y, static_cast<int16_t>(x + kNumberBox - 1), static_cast<int16_t>(y + kNumberBox - 1),
                     offered ? kMagenta : kDarkGrey);
        ui::draw_small_text(static_cast<int16_t>(x + 2), static_cast<int16_t>(y + 3), kWhite, format_number("%-2d", k).c_str());
        if (offered) draw_cell_content(p, k, x, y, h);
    }
    if (p.kind == Kind::groupings) {
        draw_grouping_list();
        const int current = runtime::current_grouping >= 1 && runtime::current_grouping <= kLastGrouping
                                ? runtime::current_grouping
                                : kNoGrouping;
        frame_picker_cell(static_cast<int16_t>((current - 1) % kPickerColumns + 1),
                          static_cast<int16_t>((current - 1) / kPickerColumns + 1), kYellow);
    }
    runtime::option_flags |= runtime::OPT_PICKER_GRID;
    runtime::option_flags &= ~(runtime::OPT_SCREEN_FIELD | runtime::OPT_FIXTURE_PANEL_RESTORED | runtime::OPT_TABLE_VIEW |
                               runtime::OPT_ANALOGUE_VIEW | runtime::OPT_SEQUENCE_PANEL);
    set_picker_fader_leds(bank);
}

void draw_titles(int16_t bank) {
    const Picker p = picker_of(bank, bank_fader(bank));
    ui::fill_box(0, 0, 221, 9, kBlack);
    ui::draw_bitmap_text(p.title_x, 1, kLightBlue, p.title);
    ui::fill_box(0, 10, 221, 220, kDarkGrey);
    platform::_setcolor(kGrey);
    platform::_rectangle(0, 10, 221, 220);
    for (int c = 1; c < 10; ++c) platform::_line(22 * c, 10, 22 * c, 220);
    for (int r = 1; r < 7; ++r) platform::_line(0, 10 + 30 * r, 221, 10 + 30 * r);
    for (int k = 1; k <= kPickerKeyCells; ++k) {
        const bool picks = offers(p, k);
        draw_picker_cell_number(static_cast<int16_t>(k), picks ? kLightCyan : kLightBlue);
        runtime::set_key_led(runtime::fixture_key(k), picks ? runtime::LED_ON_BOTH : runtime::LED_OFF);
    }
    ui::fill_box(2, 221, 220, 234, kRed);
    const setup::FixtureTypeDef* type = current_type();
    if (p.kind == Kind::subfunctions && type != nullptr) {
        ui::set_text_style(2, 0, 4);
        std::array<char, 64> line{};
        std::snprintf(line.data(), line.size(), "CHANNEL %d of %s", selected_channel(), type->name().c_str());
        platform::_setcolor(kYellow);
        platform::_outtextxy(3, 224, line.data());
    }
    runtime::option_flags |= runtime::OPT_PICKER_OPEN;
    runtime::option_flags &= ~(runtime::OPT_POINTCUE_PANEL | runtime::OPT_FIXTURE_PANEL);
}

// ---------------------------------------------------------------- picks

bool has_function_belts() { return runtime::hw_option_flags.function_belts != 0; }

void belt(int16_t n, int16_t value) {
    if (has_function_belts()) set_function_belt(n, static_cast<uint8_t>(std::clamp<int>(value, 0, 255)));
}

void generator_wheel(int param, int value) {
    runtime::wheel_states.generator_params[static_cast<size_t>(param)].value = static_cast<int16_t>(value);
    apply_wheel_to_generator_param(static_cast<int16_t>(param), 0);
}

void figure_wheel(int param, int value) {
    runtime::wheel_states.figure_params[static_cast<size_t>(param)].value = static_cast<int16_t>(value);
    apply_wheel_to_figure_param(static_cast<int16_t>(param), 0);
    belt(static_cast<int16_t>(param), static_cast<int16_t>(value));
}

void apply_grouping_cell(int16_t bank, int k) {
    const int g = runtime::current_grouping;
    const bool grouping_set = g >= 1 && g <= kLastGrouping;
    const int last = grouping_set ? grouping_table[static_cast<size_t>(g)].subgroup_count : 0;
    if (k >= 1 && k <= kNoGrouping) {
        select_grouping(static_cast<int16_t>(k));
    } else if (k == kSelectGroupingCell) {
        select_grouping_fixtures();
    } else if (k == kWaveCell || k == kStepCell) {
        if (last == 0) return;
        const auto n = static_cast<int16_t>(last);
        if (bank == kGeneratorBank) {
            k == kWaveCell ? apply_wave_to_generator(n) : apply_step_to_generator(n);
        } else {
            k == kWaveCell ? apply_wave_to_figure(n) : apply_step_to_figure(n);
        }
    } else if (k == kEditCell) {
        run_grouping_editor();
    } else if (k == kClearCell) {
        clear_grouping();
    }
}

void apply_pick(int16_t bank, const Picker& p, int k) {
    const auto pick = static_cast<int16_t>(k);
    switch (p.kind) {
        case Kind::subfunctions: apply_predefined_value(pick); return;
        case Kind::generator_modes:
            generator_wheel(kMode, 6 * k - 5);
            belt(kModeFader, static_cast<int16_t>(6 * k - 5));
            return;
        case Kind::figure_modes: figure_wheel(kFigureMode, 6 * k - 5); return;
        case Kind::lissajous: {
            const auto& codes = datafiles::lissajous_figure_codes[static_cast<size_t>(k)];
            figure_wheel(kFigure1, 3 * codes[0] / 2);
            figure_wheel(kFigure2, 3 * codes[1] / 2);
            return;
        }
        case Kind::polygons:
            figure_wheel(kFigure2, 3 * datafiles::polygon_figure_codes[static_cast<size_t>(k)] / 2 + 1);
            return;
        case Kind::rotates: apply_rotate_to_figure(pick); return;
        case Kind::waves: bank == kGeneratorBank ? apply_wave_to_generator(pick) : apply_wave_to_figure(pick); return;
        case Kind::loops: bank == kGeneratorBank ? apply_step_to_generator(pick) : apply_step_to_figure(pick); return;
        case Kind::groupings: apply_grouping_cell(bank, k); return;
        case Kind::none: return;
    }
}

// The cell of the current grouping (21 when none), where the grouping
// picker's mark stands.
int grouping_cell() {
    const int g = runtime::current_grouping;
    return g >= 1 && g <= kLastGrouping ? g : kNoGrouping;
}

void mark_cell(int k, int16_t frame_colour, int16_t number_colour) {
    if (k < 1) return;
    if (k <= kPickerKeyCells) draw_picker_cell_number(static_cast<int16_t>(k), number_colour);
    frame_picker_cell(static_cast<int16_t>((k - 1) % kPickerColumns + 1), static_cast<int16_t>((k - 1) / kPickerColumns + 1),
                      frame_colour);
}

// One open picker.
struct Run {
    int16_t bank = 0;
    int16_t& latch;
    uint32_t opened_ms = 0;
    int16_t target = 0;
    int last_pick = 1;
};

void open_target(Run& run) {
    runtime::show_mouse_cursor(0);
    draw_grid(run.bank);
    draw_titles(run.bank);
    runtime::set_mouse_range(230, 106, 630, 464);
    runtime::show_mouse_cursor(1);
    run.last_pick = 1;
}

void pick(Run& run, int k) {
    const Picker p = picker_of(run.bank, run.target);
    const int previous = p.kind == Kind::groupings ? grouping_cell() : run.last_pick;
    if (previous >= 1 && previous <= kPickerKeyCells) runtime::set_key_led(runtime::fixture_key(previous), runtime::LED_ON_BOTH);
    if (k <= kPickerKeyCells) runtime::set_key_led(runtime::fixture_key(k), runtime::LED_ON_2);
    const int16_t shown = runtime::mouse_cursor_shown;
    runtime::show_mouse_cursor(0);
    mark_cell(previous, kGrey, kLightCyan);
    mark_cell(k, kYellow, kYellow);
    if (shown != 0) runtime::show_mouse_cursor(1);
    apply_pick(run.bank, p, k);
    run.last_pick = k;
}

// The release of PREDEFINED: within 500 ms of the opening a second press
// latches the picker open; otherwise it closes.
bool predefined_released(Run& run) {
    while (run.latch == 0 && runtime::get_time_ms() - run.opened_ms < kPickerLatch_ms) {
        runtime::run_background();
        if (!runtime::is_input_pending()) continue;
        int16_t key = 0;
        if (runtime::get_key(&key) && key == runtime::KEY_PREDEFINED) run.latch = 1;
    }
    if (run.latch == 0) return true;
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    return false;
}

// Keys that do not end the picker although they are above 70.
bool ignored_ending_key(int16_t bank, int16_t key) {
    const bool more_than_one_page = runtime::function_count > kFadersPerFunctionPage;
    if (bank == kChannelBank) {
        if (key == runtime::KEY_FIGURE) return !has_pan_and_tilt();
        if (key == runtime::KEY_FUNCTION_PAGE_1) return runtime::function_page != 2;
        if (key == runtime::KEY_FUNCTION_PAGE_2) return !(runtime::function_page == 1 && more_than_one_page);
        return false;
    }
    return key == runtime::KEY_FUNCTION_PAGE_2 && !more_than_one_page;
}

bool is_fader_key(int16_t key) { return key >= runtime::KEY_FADER_1 && key <= runtime::KEY_FADER_16; }

void set_edit_keys(int16_t bank, uint8_t state) {
    if (bank == kChannelBank) return;
    runtime::set_key_led(runtime::KEY_EDIT_ITEM, state);
    runtime::set_key_led(runtime::KEY_CLR, state);
}

// A left click on a cell, as its cell number; 0 for none.
int clicked_cell(const Run& run) {
    runtime::read_mouse(0);
    if (runtime::mouse_buttons != runtime::kMouseLeft) return 0;
    const int16_t h = picker_of(run.bank, run.target).row_height;
    const int x = runtime::mouse_x - kGridLeft;
    const int y = runtime::mouse_y - kGridTop;
    if (x < 0 || y < 0 || runtime::mouse_x > kGridRight || runtime::mouse_y > kGridBottom) return 0;
    return x / kColumnWidth + (y / h) * kPickerColumns + 1;
}

int16_t run_picker(int16_t bank, int16_t& latch) {
    Run run{bank, latch, runtime::get_time_ms(), target_fader(bank), 1};
    set_picker_fader_leds(bank);
    if (run.target != 0) open_target(run);
    int16_t ended_by = 0;
    for (;;) {
        int16_t key = 0;
        bool press = false;
        if (run.target != 0) {
            const Picker shown = picker_of(bank, run.target);
            set_edit_keys(bank, shown.kind == Kind::groupings &&
                                        flag(runtime::option_flags, runtime::OPT_PICKER_OPEN)
                                    ? runtime::LED_BLINK
                                    : runtime::LED_OFF);
            runtime::run_background();
            if (!runtime::is_input_pending() && runtime::pushed_back_key == 0) {
                const int cell = clicked_cell(run);
                if (offers(shown, cell)) pick(run, cell);
                continue;
            }
        }
        press = runtime::get_key(&key);
        if (key == runtime::KEY_PREDEFINED) {
            if (!press && run.latch == 0 && predefined_released(run)) break;
            continue;
        }
        if (!press) continue;
        if (is_fader_key(key)) {
            const auto fader = static_cast<int16_t>(key - runtime::KEY_FADER_1 + 1);
            if (fader == run.target || !is_picker_fader(bank, fader)) continue;
            select_fader(fader);
            run.target = fader;
            const uint32_t opened = run.opened_ms;
            open_target(run);
            run.opened_ms = opened;
            continue;
        }
        if (run.target != 0) {
            const Picker shown = picker_of(bank, run.target);
            const bool grouping_key = shown.kind == Kind::groupings &&
                                      (key == runtime::KEY_EDIT_ITEM || key == runtime::KEY_CLR);
            if (grouping_key) {
                pick(run, key == runtime::KEY_EDIT_ITEM ? kEditCell : kClearCell);
                continue;
            }
            if (key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70 && offers(shown, key)) {
                pick(run, key);
                continue;
            }
        }
        if (key <= runtime::KEY_FIXTURE_70 || ignored_ending_key(bank, key)) continue;
        ended_by = key;
        break;
    }
    set_edit_keys(bank, runtime::LED_OFF);
    return ended_by;
}

}  // namespace

bool is_picker_fader(int16_t bank, int16_t fader) { return picker_of(bank, fader).kind != Kind::none; }

int picker_cells_offered(int16_t bank, int16_t fader) {
    const Picker p = picker_of(bank, fader);
    return p.kind == Kind::groupings ? kClearCell : p.offered;
}

void draw_picker_cell_number(int16_t k, int16_t colour) {
    if (k < 1 || k > kPickerKeyCells) return;
    const int x = 22 * ((k - 1) % 10 + 1) - 18;
    const int y = 30 * ((k - 1) / 10 + 1) - 10;
    ui::fill_box(static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(x + 15),
                 static_cast<int16_t>(y + 7), kDarkGrey);
    ui::draw_bitmap_text(static_cast<int16_t>(x), static_cast<int16_t>(y), colour, format_number("%2d", k).c_str());
}

void frame_picker_cell(int16_t column, int16_t row, int16_t colour) {
    const bool seventy_cells =
        (runtime::macro_mode == 1 && runtime::macro_fader != 4 && runtime::macro_fader != kGroupingFader) ||
        (runtime::macro_mode == 0 && runtime::fader_bank == kGeneratorBank && runtime::selected_fader_bank1 > 4 &&
         runtime::selected_fader_bank1 != kGroupingFader) ||
        (runtime::macro_mode == 0 && runtime::fader_bank == kFigureBank && runtime::selected_fader_bank2 > 6 &&
         runtime::selected_fader_bank2 != kGroupingFader);
    const int h = seventy_cells ? kPickerShortRow : kPickerTallRow;
    platform::_setcolor(colour);
    platform::_rectangle(68 * column + 162, (row - 1) * h + 106, 68 * column + 230, row * h + 106);
}

int16_t run_subfunction_picker(int16_t& latch) { return run_picker(kChannelBank, latch); }
int16_t run_generator_picker(int16_t& latch) { return run_picker(kGeneratorBank, latch); }
int16_t run_figure_picker(int16_t& latch) { return run_picker(kFigureBank, latch); }

void draw_subfunction_picker_grid() { draw_grid(kChannelBank); }
void draw_generator_picker_grid() { draw_grid(kGeneratorBank); }
void draw_figure_picker_grid() { draw_grid(kFigureBank); }
void draw_subfunction_picker_titles() { draw_titles(kChannelBank); }
void draw_generator_picker_titles() { draw_titles(kGeneratorBank); }
void draw_figure_picker_titles() { draw_titles(kFigureBank); }

}  // namespace programmer
