#include "memories/preset_grid.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "datafiles/group_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_editors.h"
#include "memories/presets.h"
#include "platform/graphics.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/text_entry.h"

namespace memories {

uint8_t* preset_grid_picture = nullptr;
uint8_t* preset_table_picture = nullptr;

void reset_preset_grid_globals() {
    for (uint8_t** picture : {&preset_grid_picture, &preset_table_picture}) {
        if (*picture != nullptr) memcheck::mc_free_at(*picture, __FILE__, __LINE__);
        *picture = nullptr;
    }
}

namespace {

using namespace runtime::keys;

constexpr int16_t kBlack = 0, kBlue = 1, kGreen = 2, kRed = 4, kLightGrey = 7, kDarkGrey = 8, kLightBlue = 9,
                  kLightGreen = 10, kLightCyan = 11, kLightRed = 12, kYellow = 14, kWhite = 15;
constexpr int16_t kNotProgrammedColour = kLightBlue;
constexpr int16_t kCurrentColour = kYellow;
constexpr int16_t kSmallFont = 2;
constexpr int16_t kSmallTextSize = 4;

// The grid: (0, 0) to (221, 220), cells 22 x 30 from (1, 10), ten to a row.
constexpr int kGridRight = 221, kGridBottom = 220;
constexpr int kCellWidth = 22, kCellHeight = 30, kGridTop = 10, kGridColumns = 10, kGridRows = 7;
// The table: (230, 239) to (630, 479).
constexpr int kTableLeft = 230, kTableTop = 239, kTableRight = 630, kTableBottom = 479;

struct KindLooks {
    const char* grid_title;
    int16_t grid_title_x;
    const char* legend;
    int16_t title_outer, title_inner, title_text;
    const char* title;
    const char* table_title;
    int16_t table_title_x;
    const char* name_prompt;  // "GIVE THE NAME OF %s %d"
    const char* name_select;
};

const std::array<KindLooks, kPresetKinds + 1> kLooks = {{
    {},
    {"PAN/TILT-PRESETS", 49, "PAN-PANFINE-TILT-TILTFINE-FOCUS-DIMMER", kBlue, kLightCyan, kRed, "PAN/TILT PRESETS",
     "P/T PRESETS", 260, "PAN/TILT-PRESET", "SELECT PAN/TILT-PRESET FOR TXT-EDIT"},
    {"COLOR-PRESETS", 60, "COLORS-RGB", kRed, kLightRed, kWhite, "COLOR PRESETS", "COLOR PRESETS", 245,
     "COLOR-PRESET", "SELECT COLOR-PRESET FOR TXT-EDIT"},
    {"GOBO-PRESETS", 65, "GOBOS-KNIFES-EFFECTS-IRIS-ZOOM-FOCUS", kGreen, kLightGreen, kRed, "GOBO PRESETS",
     "GOBO PRESETS", 250, "GOBO-PRESET", "SELECT GOBO-PRESET FOR TXT-EDIT"},
    {"EFFECT-PRESETS", 55, "SWING-SPEED-MODE-EFFECT", kGreen, kLightGreen, kRed, "EFFECT PRESETS", "EFFECT PRESETS",
     243, "FIGURE-PRESET", "SELECT FIGURE-PRESET FOR TXT-EDIT"},
}};

bool valid(int kind, int n) { return valid_preset_kind(kind) && valid_preset_number(n); }
bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }

void write(int x, int y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

int text_width(const char* text) { return platform::_textwidth(text); }

// ------------------------------------------------------------------ grid

int grid_column(int n) { return (n - 1) % kGridColumns + 1; }
int grid_row(int n) { return (n - 1) / kGridColumns + 1; }

void draw_empty_grid() {
    ui::fill_box(0, 0, kGridRight, kGridBottom, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(1, kGridTop, kGridRight, kGridBottom);
    for (int i = 0; i <= kGridColumns; ++i) {
        platform::_line(1 + kCellWidth * i, kGridTop, 1 + kCellWidth * i, kGridBottom);
    }
    for (int i = 0; i <= kGridRows; ++i) {
        platform::_line(1, kGridTop + kCellHeight * i, kGridRight, kGridTop + kCellHeight * i);
    }
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    for (int n = 1; n <= kPresetsPerKind; ++n) {
        std::array<char, 12> number{};  // any int
        std::snprintf(number.data(), number.size(), "%2d", n);
        write(kCellWidth * grid_column(n) - 18, kCellHeight * grid_row(n) - 10, kNotProgrammedColour, number.data());
    }
}

// Cell n's number in a colour, on a cleared cell.
void draw_grid_number(int n, int16_t colour) {
    const int col = grid_column(n), row = grid_row(n);
    ui::fill_box(static_cast<int16_t>(kCellWidth * (col - 1) + 2), static_cast<int16_t>(kCellHeight * (row - 1) + 11),
                 static_cast<int16_t>(kCellWidth * col), static_cast<int16_t>(kCellHeight * row + 9), kBlack);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    std::array<char, 12> number{};  // any int
    std::snprintf(number.data(), number.size(), "%2d", n);
    write(kCellWidth * col - 18, kCellHeight * row - 10, colour, number.data());
}

// ------------------------------------------------------------------ table

struct TableColumn {
    int first, last;
    int number_x, name_x, y_offset;  // text y = 10 n + y_offset
    int field_x1, field_x2;
};
constexpr std::array<TableColumn, 3> kColumns = {{
    {1, 22, 232, 247, 251, 246, 362},
    {23, 46, 365, 380, 11, 379, 495},
    {47, 70, 498, 513, -229, 512, 629},
}};

const TableColumn& column_of(int n) {
    for (const TableColumn& c : kColumns) {
        if (n <= c.last) return c;
    }
    return kColumns.back();
}

void draw_empty_table() {
    ui::fill_box(kTableLeft, kTableTop, kTableRight, kTableBottom, kBlack);
    platform::_setcolor(kRed);
    platform::_rectangle(kTableLeft, kTableTop, kTableRight, kTableBottom);
    platform::_line(363, kTableTop, 363, kTableBottom);
    platform::_line(496, kTableTop, 496, kTableBottom);
    platform::_line(378, kTableTop, 378, kTableBottom);
    platform::_line(511, kTableTop, 511, kTableBottom);
    platform::_line(245, 260, 245, kTableBottom);
    for (int i = 2; i <= 23; ++i) platform::_line(kTableLeft, kTableTop + 10 * i, kTableRight, kTableTop + 10 * i);
    platform::_line(364, kTableTop + 10, kTableRight, kTableTop + 10);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    for (int n = 1; n <= kPresetsPerKind; ++n) {
        const TableColumn& c = column_of(n);
        std::array<char, 12> number{};  // any int
        std::snprintf(number.data(), number.size(), "%2d", n);
        write(c.number_x, 10 * n + c.y_offset, kGreen, number.data());
    }
}

// An effect preset shows its "*" only when its figure part is present.
bool shows_unnamed_mark(int kind, int n) {
    return kind == PRESET_EFFECT ? effect_figure_part_used(n) : preset_programmed(kind, n);
}

void write_table_name(int kind, int n, int16_t text_colour) {
    const TableColumn& c = column_of(n);
    const std::string name(preset_name(kind, n));
    const int y = 10 * n + c.y_offset;
    if (!name.empty()) write(c.name_x, y, text_colour, name.c_str());
    else if (shows_unnamed_mark(kind, n)) write(c.name_x, y, kLightCyan, "*");
}

void draw_name_box(const char* old_label, std::string_view old_name) {
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(2, 282, 220, 297, kGreen);
    ui::fill_box(2, 299, 220, 314, kRed);
    ui::draw_bitmap_text(13, 285, kYellow, old_label);
    const std::string shown = old_name.empty() ? std::string("* NO NAME *") : std::string(old_name);
    ui::draw_small_text(90, 288, kYellow, shown.c_str());
    ui::draw_bitmap_text(13, 302, kYellow, "NEW NAME:");
}

}  // namespace

void open_preset_screen(int16_t kind) {
    if (!valid_preset_kind(kind)) return;
    runtime::option_flags &= ~(runtime::OPT_POINTCUE_PANEL | runtime::OPT_FIXTURE_PANEL | runtime::OPT_PANTILT_PRESET_PANEL |
                               runtime::OPT_THRESHOLD_GRID | runtime::OPT_PICKER_OPEN);
    runtime::option_flags |= runtime::OPT_PANTILT_PRESET_PANEL;
    ui::draw_from_picture(preset_grid_picture, 0, 0, kGridRight, kGridBottom, draw_empty_grid);
    for (int16_t n = 1; n <= kPresetsPerKind; ++n) {
        if (preset_programmed(kind, n)) unmark_preset_cell(kind, n);
        else runtime::set_key_led(runtime::fixture_key(n), runtime::LED_OFF);
    }
    const KindLooks& looks = kLooks[static_cast<size_t>(kind)];
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write(looks.grid_title_x, 0, kind == PRESET_PANTILT ? kLightCyan : kind == PRESET_COLOUR ? kLightRed : kLightGreen,
          looks.grid_title);
    ui::fill_box(2, 221, 220, 234, kRed);
    write((218 - text_width(looks.legend)) / 2 + 2, 225, kYellow, looks.legend);
}

void unmark_preset_cell(int16_t kind, int16_t n) {
    if (!valid(kind, n)) return;
    const bool programmed = preset_programmed(kind, n);
    draw_grid_number(n, programmed ? preset_kind_colour(kind) : kNotProgrammedColour);
    runtime::set_key_led(runtime::fixture_key(n), programmed ? runtime::LED_ON_BOTH : runtime::LED_OFF);
}

void mark_preset_cell(int16_t kind, int16_t n, int16_t previous) {
    if (!valid_preset_kind(kind)) return;
    if (previous != 0) unmark_preset_cell(kind, previous);
    if (!valid_preset_number(n)) return;
    draw_grid_number(n, kCurrentColour);
    runtime::set_key_led(runtime::fixture_key(n), runtime::LED_ON_2);
}

void move_current_preset_cell(int16_t kind, int16_t n, int16_t previous) {
    if (flag(runtime::option_flags, runtime::OPT_PT_PRESET_PANEL)) {
        if (valid_preset_number(previous)) draw_preset_cell(kind, previous, kBlack, kYellow);
        draw_preset_cell(kind, n, kBlue, kYellow);
    }
    mark_preset_cell(kind, n, valid_preset_number(previous) ? previous : 0);
}

void draw_preset_kind_title(int16_t kind) {
    if (!valid_preset_kind(kind)) return;
    const KindLooks& looks = kLooks[static_cast<size_t>(kind)];
    ui::fill_box(2, 282, 220, 314, looks.title_outer);
    ui::fill_box(12, 289, 210, 307, looks.title_inner);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write((198 - text_width(looks.title)) / 2 + 12, 292, looks.title_text, looks.title);
}

void draw_preset_table(int16_t kind) {
    if (!valid_preset_kind(kind)) return;
    runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST | runtime::OPT_FIXTURE_PANEL_RESTORED);
    runtime::option_flags |= runtime::OPT_PT_PRESET_PANEL;
    const bool flagged = ui::is_any_sequence_flagged();
    ui::draw_from_picture(preset_table_picture, kTableLeft, kTableTop, kTableRight, kTableBottom, draw_empty_table);
    const KindLooks& looks = kLooks[static_cast<size_t>(kind)];
    ui::fill_box(233, 242, 360, 256, looks.title_outer);
    ui::fill_box(235, 244, 358, 254, looks.title_inner);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write(looks.table_title_x, 246, looks.title_text, looks.table_title);
    for (int n = 1; n <= kPresetsPerKind; ++n) {
        if (flagged && n % 5 == 0) runtime::run_background();
        write_table_name(kind, n, kYellow);
    }
}

void draw_preset_cell(int16_t kind, int16_t n, int16_t background, int16_t text_colour) {
    if (!valid(kind, n)) return;
    const TableColumn& c = column_of(n);
    const int top = 10 * n + c.y_offset - 1;
    ui::fill_box(static_cast<int16_t>(c.field_x1), static_cast<int16_t>(top), static_cast<int16_t>(c.field_x2),
                 static_cast<int16_t>(top + 8), background);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write_table_name(kind, n, text_colour);
}

bool edit_preset_name(int16_t kind, int16_t n) {
    if (!valid(kind, n)) return false;
    const KindLooks& looks = kLooks[static_cast<size_t>(kind)];
    ui::show_message("GIVE THE NAME OF %s %d", looks.name_prompt, n);
    draw_name_box("OLD NAME:", preset_name(kind, n));
    std::array<char, kPresetNameChars + 1> entered{};
    if (ui::edit_text_line(entered.data(), 90, 305, kPresetNameChars, kRed, kYellow, 0) == 0) {
        ui::beep_interruptible(400, 150);
        return false;
    }
    ui::beep(800, 150);
    datafiles::EntryName& name = preset_name_field(kind, n);
    name.fill('\0');
    memcheck::mc_memcpy_at(name.data(), entered.data(), strnlen(entered.data(), kPresetNameChars), __FILE__, __LINE__,
                           memcheck::mc_dest_size(name));
    return true;
}

void edit_preset_names(int16_t kind) {
    if (!valid_preset_kind(kind)) return;
    const int16_t kind_key = preset_kind_key(kind);
    runtime::set_key_led(kind_key, runtime::LED_ON);
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(12, 288, 210, 308, kDarkGrey);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write((198 - text_width("PRESET-NAMES")) / 2 + 12, 292, kLightCyan, "PRESET-NAMES");
    open_preset_screen(kind);
    const int16_t current = current_preset(kind);
    if (valid_preset_number(current)) mark_preset_cell(kind, current, 0);
    const bool table = ((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> 2) == 2;
    if (table) {
        draw_preset_table(kind);
        if (valid_preset_number(current)) draw_preset_cell(kind, current, kBlue, kYellow);
    }
    ui::beep(800, 150);
    ui::show_message("%s", kLooks[static_cast<size_t>(kind)].name_select);

    const int16_t picked = ui::pick_item_to_name(valid_preset_number(current) ? current : 0);
    if (picked != 0) {
        if (edit_preset_name(kind, picked)) {
            if (flag(runtime::option_flags, runtime::OPT_PT_PRESET_PANEL)) {
                draw_preset_cell(kind, picked, picked == current ? kBlue : kBlack, kYellow);
            }
            datafiles::save_preset_name(kind, picked);
        }
    }
    close_preset_menu();
    runtime::set_key_led(kind_key, runtime::LED_OFF);
}

}  // namespace memories
