#include "playback/cue_screen.h"

#include <cstdio>
#include <string>

#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_state.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/value_table.h"

namespace playback {

std::array<int16_t, kCuesPerPage + 1> cue_cell_colours{};

namespace {

using namespace runtime::keys;

// Colours.
constexpr int16_t kBlack = 0;
constexpr int16_t kBlue = 1;
constexpr int16_t kGreen = 2;
constexpr int16_t kCyan = 3;
constexpr int16_t kRed = 4;
constexpr int16_t kMagenta = 5;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kLightBlue = 9;
constexpr int16_t kLightGreen = 10;
constexpr int16_t kLightCyan = 11;
constexpr int16_t kYellow = 14;

constexpr int16_t kStrokedFont = 2;
constexpr int16_t kPanelTextSize = 4;

// Key map of the point-cue panel: 10 x 7 cells of 22 x 20 pixels from (1, 10).
constexpr int kMapColumns = 10;
constexpr int kMapCellWidth = 22;
constexpr int kMapCellHeight = 20;
constexpr int kMapTop = 10;

// Grid: names cut to this many characters.
constexpr int kGridNameChars = 17;
// A redraw lets the show run after every tenth cue while a sequence crossfades.
constexpr int kCuesBetweenPolls = 10;

bool cue_screen_on() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
bool grid_up() { return (runtime::option_flags & runtime::OPT_CUE_GRID) != 0; }
bool valid_page(int page) { return page >= 1 && page <= kCuePages; }

void keep_show_running(int cue) {
    if (cue % kCuesBetweenPolls == 0 && ui::is_any_sequence_running()) runtime::run_background();
}

void stroked_text(int x, int y, int colour, const char* text) {
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kPanelTextSize);
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// The slot of point 1 of cue n on the shown page (0 when the page is not 1..16).
int shown_cue_slot(int cue, int point) {
    return valid_page(runtime::cue_screen_page) ? cue_slot_of(runtime::cue_screen_page, cue, point) : 0;
}
uint8_t shown_point_flags(int cue) {
    if (!valid_page(runtime::cue_screen_page)) return kCuePointNone;
    return cue_point_flags[static_cast<size_t>((runtime::cue_screen_page - 1) * kCuesPerPage + cue)];
}

// --- the grid ------------------------------------------------------------

struct GridCell {
    int x = 0;       // left of the cell
    int y = 0;       // top of the cell
    int mark_x = 0;  // left of the point icon
    int mark_y = 0;  // row base of the point icon
};

GridCell grid_cell(int cue) {
    if (cue <= 22) return {245, cue * 10 + 249, 352, 10 * (cue + 1)};
    if (cue <= 46) return {378, cue * 10 + 9, 485, 10 * (cue - 23)};
    return {511, cue * 10 - 231, 619, 10 * (cue - 47)};
}

// The cell's text: the name of point 1 cut to 17 characters, "*" for an
// unnamed programmed cue, else nothing.
void write_cell_text(int cue) {
    const GridCell cell = grid_cell(cue);
    const std::string_view name = cue_slot_name(shown_cue_slot(cue, 1));
    if (!name.empty()) {
        const std::string cut(name.substr(0, kGridNameChars));
        ui::draw_small_text(static_cast<int16_t>(cell.x + 2), static_cast<int16_t>(cell.y + 2), kYellow, cut.c_str());
    } else if (shown_point_flags(cue) == kCuePointOwn) {
        ui::draw_small_text(static_cast<int16_t>(cell.x + 2), static_cast<int16_t>(cell.y + 2), kLightCyan, "*");
    }
}

void draw_grid_background() {
    ui::fill_box(230, 239, 630, 479, kBlack);
    platform::_setcolor(kRed);
    platform::_rectangle(230, 239, 630, 479);
    platform::_setcolor(kDarkGrey);
    for (const int x : {363, 496, 245, 378, 511}) platform::_line(x, 239, x, 479);
    for (int y = 249; y < 479; y += 10) platform::_line(231, y, 629, y);
    for (int cue = 1; cue <= kCuesPerPage; ++cue) {
        const GridCell cell = grid_cell(cue);
        char number[8]{};
        std::snprintf(number, sizeof number, "%2d", cue);
        ui::draw_small_text(static_cast<int16_t>(cell.x - 14), static_cast<int16_t>(cell.y + 2), kGreen, number);
        ui::fill_box(static_cast<int16_t>(cell.mark_x), static_cast<int16_t>(cell.mark_y + 240),
                     static_cast<int16_t>(cell.mark_x + 10), static_cast<int16_t>(cell.mark_y + 248), kDarkGrey);
    }
}

// --- the key map ---------------------------------------------------------

void draw_panel_background() {
    ui::fill_box(0, 0, 221, 220, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(1, 10, 221, 220);
    for (int i = 0; i <= 10; ++i) platform::_line(1 + 22 * i, 10, 1 + 22 * i, 150);
    for (int i = 0; i <= 7; ++i) platform::_line(1, 10 + 20 * i, 221, 10 + 20 * i);
    for (const int y : {160, 170, 180, 190, 200, 210}) platform::_line(1, y, 221, y);
    for (const int x : {110, 122}) platform::_line(x, 160, x, 210);
    platform::_line(12, 170, 12, 210);
    stroked_text(4, 162, kLightGreen, "POINTCUES");
    char label[8]{};
    for (int i = 1; i <= 4; ++i) {
        std::snprintf(label, sizeof label, ".%d", i);
        stroked_text(3, 162 + 10 * i, kCyan, label);
    }
    for (int i = 5; i <= 9; ++i) {
        std::snprintf(label, sizeof label, ".%d", i);
        stroked_text(112, 112 + 10 * i, kCyan, label);
    }
    for (int cue = 1; cue <= kCuesPerPage; ++cue) draw_cue_number(static_cast<int16_t>(cue), kLightBlue);
}

}  // namespace

void reset_cue_screen_globals() { cue_cell_colours = {}; }

CueKeyLook cue_key_look(int cue) {
    CueKeyLook look{kLightBlue, runtime::LED_OFF};
    const uint8_t flags = shown_point_flags(cue);
    if (flags == kCuePointOwn) look = {kLightCyan, runtime::LED_ON};
    else if (flags == kCuePointOthersOnly) look = {kMagenta, runtime::LED_ON_BOTH};
    if (cue == current_cue && runtime::cue_screen_page == current_cue_page &&
        (runtime::run_flags & runtime::RUN_CUE_COPY_DIALOG) == 0) {
        look = {kYellow, runtime::LED_ON_2};
    }
    return look;
}

void draw_cue_number(int16_t cue, int16_t colour) {
    if (cue < 1 || cue > kCuesPerPage) return;
    const int column = (cue - 1) % kMapColumns + 1;
    const int row = (cue - 1) / kMapColumns + 1;
    // Clear the cell's inside first, so a colour change leaves no old pixels.
    ui::fill_box(static_cast<int16_t>((column - 1) * kMapCellWidth + 2),
                 static_cast<int16_t>(kMapTop + (row - 1) * kMapCellHeight + 1),
                 static_cast<int16_t>(column * kMapCellWidth), static_cast<int16_t>(kMapTop + row * kMapCellHeight - 1),
                 kBlack);
    char number[8]{};
    std::snprintf(number, sizeof number, "%2d", cue);
    ui::draw_bitmap_text(static_cast<int16_t>(column * kMapCellWidth - 18),
                         static_cast<int16_t>(row * kMapCellHeight - 2), colour, number);
}

void paint_cue_key(int16_t cue) {
    if (cue < 1 || cue > kCuesPerPage) return;
    const CueKeyLook look = cue_key_look(cue);
    draw_cue_number(cue, look.colour);
    if ((runtime::run_flags & runtime::RUN_CUE_COPY_DIALOG) == 0) runtime::set_key_led(fixture_key(cue), look.led);
}

void draw_cue_name_line() {
    platform::_setcolor(kLightGrey);
    platform::_rectangle(1, 220, 221, 235);
    ui::fill_box(2, 221, 220, 234, kRed);
    const std::string name(cue_slot_name(current_cue_slot()));
    stroked_text(4, 224, kYellow, name.c_str());
}

void draw_point_cue_panel() {
    runtime::option_flags |= runtime::OPT_POINTCUE_PANEL;
    runtime::option_flags &= ~(runtime::OPT_FIXTURE_PANEL | runtime::OPT_PANTILT_PRESET_PANEL |
                               runtime::OPT_THRESHOLD_GRID | runtime::OPT_PICKER_OPEN);
    draw_panel_background();
    ui::draw_cue_page_title(kLightBlue);
    for (int cue = 1; cue <= kCuesPerPage; ++cue) {
        paint_cue_key(static_cast<int16_t>(cue));
        keep_show_running(cue);
    }
    draw_cue_info_line();
    draw_cue_name_line();
}

void refresh_cue_mode() {
    runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
    draw_point_cue_panel();
    runtime::set_key_led(KEY_BANK_DOWN, runtime::LED_OFF);
    runtime::set_key_led(KEY_BANK_UP, runtime::LED_OFF);
    runtime::set_key_led(KEY_CUE, runtime::LED_ON);
    for (int page = 1; page <= kCuePages; ++page) {
        runtime::set_key_led(group_key(page), page == runtime::cue_screen_page ? runtime::LED_ON : runtime::LED_OFF);
    }
    if ((runtime::option_flags & runtime::OPT_TABLE_VIEW) != 0) ui::open_table_view();
    if ((runtime::option_flags & runtime::OPT_MEMORY_LIST) != 0) draw_cue_grid();
    if ((runtime::option_flags & runtime::OPT_CUE_PANEL) != 0) ui::redraw_cue_panel();
    if ((runtime::option_flags & runtime::OPT_MEMORY_STATE_SHOWN) != 0) ui::clear_message();
    update_point_cue_leds();
}

void show_cue_page(int16_t page) {
    if (!valid_page(page)) return;
    if (cue_screen_on()) {
        if (valid_page(runtime::cue_screen_page)) runtime::set_key_led(group_key(runtime::cue_screen_page), runtime::LED_OFF);
        runtime::set_key_led(group_key(page), runtime::LED_ON);
    }
    runtime::cue_screen_page = page;
    if (!cue_screen_on()) return;
    if (grid_up()) draw_cue_grid();
    for (int cue = 1; cue <= kCuesPerPage; ++cue) paint_cue_key(static_cast<int16_t>(cue));
    ui::draw_cue_page_title(kLightBlue);
    // The digit keys now call the points of the live cue's number on this page.
    update_point_cue_leds();
}

void draw_cue_grid() {
    draw_grid_background();
    ui::fill_box(233, 242, 360, 256, kBlue);
    ui::draw_bitmap_text(282, 246, kYellow, "CUES");
    for (int cue = 1; cue <= kCuesPerPage; ++cue) {
        cue_cell_colours[static_cast<size_t>(cue)] = kCueCellPlain;
        write_cell_text(cue);
        keep_show_running(cue);
    }
    runtime::option_flags |= runtime::OPT_CUE_GRID;
    runtime::option_flags &= ~(runtime::OPT_MEMORY_LIST | runtime::OPT_FIXTURE_PANEL_RESTORED);
    for (int s = 1; s <= kSequences; ++s) {
        if (sequence_origin_page[static_cast<size_t>(s)] == runtime::cue_screen_page) {
            paint_cue_cell(sequence_origin_cue[static_cast<size_t>(s)], kCueCellSequenceOrigin);
        }
    }
    if (runtime::cue_screen_page == current_cue_page) paint_cue_cell(current_cue, kCueCellCurrent);
    for (int cue = 1; cue <= kCuesPerPage; ++cue) draw_point_cue_marks(static_cast<int16_t>(cue));
}

void paint_cue_cell(int16_t cue, uint8_t colour) {
    if (!grid_up() || cue < 1 || cue > kCuesPerPage) return;
    const GridCell cell = grid_cell(cue);
    ui::fill_box(static_cast<int16_t>(cell.x + 1), static_cast<int16_t>(cell.y + 1), static_cast<int16_t>(cell.x + 105),
                 static_cast<int16_t>(cell.y + 9), colour);
    cue_cell_colours[static_cast<size_t>(cue)] = colour;
    write_cell_text(cue);
}

void draw_point_cue_marks(int16_t cue) {
    if (!grid_up() || cue < 1 || cue > kCuesPerPage || !valid_page(runtime::cue_screen_page)) return;
    const GridCell cell = grid_cell(cue);
    for (int k = 1; k <= kPointsPerCue - 1; ++k) {
        if (cue_header_table[static_cast<size_t>(shown_cue_slot(cue, k + 1))].programmed != 1) continue;
        const int x = cell.mark_x + 4 * ((k - 1) % 3);
        // Points 2..4 at the bottom, 5..7 in the middle, 8..10 at the top.
        int top = 246, bottom = 248;
        if (k > 6) top = 240, bottom = 241;
        else if (k > 3) top = 243, bottom = 244;
        ui::fill_box(static_cast<int16_t>(x), static_cast<int16_t>(cell.mark_y + top), static_cast<int16_t>(x + 2),
                     static_cast<int16_t>(cell.mark_y + bottom), kYellow);
    }
}

void update_point_cue_leds() {
    const bool timecode_closed = (runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) == 0;
    const bool inserting = (runtime::mode_flags & runtime::MODE_EVENT_INSERT) != 0;
    if (cue_screen_on() && (timecode_closed || inserting) && valid_page(runtime::cue_screen_page)) {
        runtime::mode_flags |= runtime::MODE_POINT_CUE_KEYS;
        for (int i = 0; i < kPointsPerCue; ++i) {
            const int slot = cue_slot_of(runtime::cue_screen_page, current_cue, i + 1);
            uint8_t led = cue_header_table[static_cast<size_t>(slot)].programmed == 1 ? runtime::LED_ON : runtime::LED_OFF;
            if (i == current_cue_point - 1) led = runtime::LED_BLINK;
            runtime::set_key_led(digit_key(i), led);
        }
        return;
    }
    runtime::mode_flags &= ~runtime::MODE_POINT_CUE_KEYS;
    for (int i = 0; i < kPointsPerCue; ++i) runtime::set_key_led(digit_key(i), runtime::LED_OFF);
}

}  // namespace playback
