#include "datafiles/name_browser.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string_view>

#include "datafiles/commands.h"
#include "datafiles/file_moves.h"
#include "datafiles/whole_files.h"
#include "memcheck/memcheck.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "platform/text_screen.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"

namespace datafiles {

namespace {

using namespace runtime::keys;
using runtime::LED_BLINK;
using runtime::LED_OFF;
using runtime::set_key_led;

// PC keyboard characters of the name field; extended keys are 800 plus
// their second byte.
constexpr int kCharNone = 0;
constexpr int kCharBackspace = 8;
constexpr int kCharEnter = 13;
constexpr int kCharEsc = 27;
constexpr int kExtendedCharOffset = 800;
constexpr int kCharDown = kExtendedCharOffset + 80;
constexpr int kCharPageDown = kExtendedCharOffset + 81;
constexpr int kCharRight = kExtendedCharOffset + 77;

constexpr int32_t kErrorBeep_Hz = 400;
constexpr uint32_t kErrorBeep_ms = 2000;
constexpr uint32_t kQuestionBeep_ms = 250;

// Colours.
constexpr int16_t kBlack = 0;
constexpr int16_t kBlue = 1;
constexpr int16_t kCyan = 3;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kLightGreen = 10;
constexpr int16_t kYellow = 14;
constexpr int16_t kWhite = 15;

// The box.
constexpr int16_t kShowBoxLeft = 235;
constexpr int16_t kShowBoxRight = 625;
constexpr int16_t kListBoxLeft = 289;
constexpr int16_t kListBoxRight = 571;
constexpr int16_t kBoxTop = 262;
constexpr int16_t kBoxBottom = 464;
constexpr int16_t kFrameTop = 270;
constexpr int16_t kTitleWidth = 111;
constexpr int16_t kTitleTop = 265;
constexpr int16_t kTitleBottom = 277;
constexpr int16_t kStrokedFont = 2;
constexpr int16_t kTextSize = 4;

// Parts of the box, relative to its left edge.
constexpr int16_t kFieldLeft = 28;
constexpr int16_t kFieldRight = 250;
constexpr int16_t kFieldTop = 296;
constexpr int16_t kFieldBottom = 315;
constexpr int16_t kListTop = 341;
constexpr int16_t kListBottom = 448;
constexpr int16_t kItemsLeft = 263;
constexpr int16_t kItemsRight = 355;
constexpr int16_t kItemsTop = 296;
constexpr int16_t kItemsBottom = 448;
constexpr int16_t kHeaderHeight = 11;
constexpr int16_t kShadow_px = 3;

// The list's cells and the page markers.
constexpr int16_t kColumnPitch = 74;
constexpr int16_t kRowPitch = 18;
constexpr int16_t kFirstRowTop = 349;
constexpr int16_t kCellHeight = 16;
constexpr int16_t kUpMarkerTop = 342;
constexpr int16_t kDownMarkerTop = 442;
constexpr int16_t kMarkerHeight = 5;
constexpr int16_t kMarkerWidth = 62;
constexpr int kMarkerTriangles = 6;

// The data items.
constexpr int16_t kItemPitch = 15;
constexpr int16_t kFirstItemTop = 300;

bool shows() { return show_file_medium != kMediumList; }
int16_t box_left() { return shows() ? kShowBoxLeft : kListBoxLeft; }
int16_t box_right() { return shows() ? kShowBoxRight : kListBoxRight; }
const char* kind_word() { return shows() ? "SHOW" : "LIST"; }

// The saved picture under the box.
uint8_t* saved_picture = nullptr;
// The first time the name field opens after start-up the chosen names are emptied.
bool name_field_used = false;
// The data item under the cursor.
int data_item_cursor = 1;

void text_at(int16_t x, int16_t y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void blink(std::initializer_list<int16_t> keys) {
    for (const int16_t key : keys) set_key_led(key, LED_BLINK);
}
void lights_off(std::initializer_list<int16_t> keys) {
    for (const int16_t key : keys) set_key_led(key, LED_OFF);
}

// A body of the box with its shadow and its blue header.
void draw_framed_part(int16_t left, int16_t top, int16_t right, int16_t bottom, const char* header) {
    ui::fill_box(static_cast<int16_t>(left + kShadow_px), static_cast<int16_t>(top - kHeaderHeight + kShadow_px),
                 static_cast<int16_t>(right + kShadow_px), static_cast<int16_t>(bottom + kShadow_px), kBlack);
    ui::fill_box(left, static_cast<int16_t>(top - kHeaderHeight), right, static_cast<int16_t>(top - 1), kBlue);
    text_at(static_cast<int16_t>(left + 4), static_cast<int16_t>(top - kHeaderHeight + 2), kWhite, header);
    ui::fill_box(left, top, right, bottom, kLightGrey);
}

// --- list ------------------------------------------------------------------

int16_t cell_left(int column) { return static_cast<int16_t>(box_left() + kFieldLeft + (column - 1) * kColumnPitch); }
int16_t cell_top(int row) { return static_cast<int16_t>(kFirstRowTop + (row - 1) * kRowPitch); }

void paint_cell(int row, int column, int16_t colour) {
    const int16_t left = cell_left(column);
    const int16_t top = cell_top(row);
    ui::fill_box(static_cast<int16_t>(left + 1), top, static_cast<int16_t>(left + kColumnPitch - 2),
                 static_cast<int16_t>(top + kCellHeight), colour);
    const int n = browser_name_index(browser_page, column, row);
    if (n >= 1 && n <= browser_name_count) {
        text_at(static_cast<int16_t>(left + 4), static_cast<int16_t>(top + 4), kBlack,
                browser_names[static_cast<size_t>(n)].data());
    }
}

void paint_cursor_cell() { paint_cell(browser_cursor_row, browser_cursor_column, kLightGreen); }

// Six small triangles on a red strip, pointing up or down.
void draw_page_marker(int16_t left, int16_t top, bool up) {
    ui::fill_box(left, top, static_cast<int16_t>(left + kMarkerWidth), static_cast<int16_t>(top + kMarkerHeight - 1), kRed);
    platform::_setcolor(kYellow);
    for (int k = 0; k < kMarkerTriangles; ++k) {
        const int centre = left + 5 + k * 10;
        for (int j = 0; j < 4; ++j) {
            const int y = up ? top + j : top + 3 - j;
            platform::_line(centre - j, y, centre + j, y);
        }
    }
}

// --- data items ------------------------------------------------------------

int16_t item_top(int item) { return static_cast<int16_t>(kFirstItemTop + (item - 1) * kItemPitch); }

void paint_data_item(int item, int16_t colour) {
    const int16_t left = static_cast<int16_t>(box_left() + kItemsLeft);
    const int16_t top = item_top(item);
    ui::fill_box(static_cast<int16_t>(left + 1), top, static_cast<int16_t>(box_left() + kItemsRight - 1),
                 static_cast<int16_t>(top + kItemPitch - 2), colour);
    const int16_t mark_left = static_cast<int16_t>(left + 4);
    const int16_t mark_top = static_cast<int16_t>(top + 3);
    if (data_item_selected[static_cast<size_t>(item)] == 1) {
        ui::fill_box(mark_left, mark_top, static_cast<int16_t>(mark_left + 8), static_cast<int16_t>(mark_top + 8), kRed);
        ui::fill_box(static_cast<int16_t>(mark_left + 3), static_cast<int16_t>(mark_top + 3),
                     static_cast<int16_t>(mark_left + 5), static_cast<int16_t>(mark_top + 5), kYellow);
    } else {
        ui::fill_box(mark_left, mark_top, static_cast<int16_t>(mark_left + 8), static_cast<int16_t>(mark_top + 8),
                     kDarkGrey);
    }
    text_at(static_cast<int16_t>(left + 17), static_cast<int16_t>(top + 3), kBlack,
            kDataItemTable[static_cast<size_t>(item)].label);
}

void draw_data_item_column(int16_t colour) {
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    ui::fill_box(static_cast<int16_t>(box_left() + kItemsLeft), kItemsTop,
                 static_cast<int16_t>(box_left() + kItemsRight), kItemsBottom, colour);
    for (int item = 1; item <= kShownDataItems; ++item) paint_data_item(item, colour);
}

// --- name field ------------------------------------------------------------

void draw_name_field(const std::string& name, int16_t colour, bool cursor) {
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    const int16_t left = static_cast<int16_t>(box_left() + kFieldLeft);
    ui::fill_box(left, kFieldTop, static_cast<int16_t>(box_left() + kFieldRight), kFieldBottom, colour);
    const std::string shown = cursor ? name + "_" : name;
    text_at(static_cast<int16_t>(left + 4), static_cast<int16_t>(kFieldTop + 6), kBlack, shown.c_str());
}

// Waits for an input and reads it: a PC key straight from the keyboard in
// capitals, a console key translated to the PC key it stands for.
int read_field_char() {
    while (!runtime::is_input_pending()) runtime::run_background();
    if (runtime::input_pending_pc_key != 0) {
        runtime::input_pending_pc_key = 0;
        if (platform::kbhit() == 0) return kCharNone;
        const int c = platform::getch();
        if (c == 0) return kExtendedCharOffset + platform::getch();
        return std::toupper(c);
    }
    int16_t key = 0;
    if (!runtime::get_key(&key)) return kCharNone;
    switch (key) {
        case KEY_ESC: return kCharEsc;
        case KEY_ENTER: return kCharEnter;
        case KEY_BACK: return kCharBackspace;
        case KEY_DOWN: return kCharDown;
        case KEY_PAGE_DOWN: return kCharPageDown;
        case KEY_RIGHT: return kCharRight;
        default: return kCharNone;
    }
}

bool is_name_char(int c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// A name into its slot, cut to 8 characters, zero-terminated.
void put_name(ShowName& slot, std::string_view name) {
    slot = {};
    std::copy_n(name.begin(), std::min(name.size(), kShowNameChars), slot.begin());
}

void set_selected_name(const char* name) { put_name(selected_file_names[show_file_medium], name); }

// --- the list's sources ----------------------------------------------------

struct ListSource {
    std::string pattern;
    bool directories;  // keep directories only; else only what is not one
};

ListSource list_source() {
    switch (show_file_medium) {
        case kMediumInternal: return {data_path("*.*"), true};
        case kMediumExternal: return {"a:\\*.cmp", false};
        default: return {data_path("*.lst"), false};
    }
}

// The file or folder the name stands for.
std::string name_path(const std::string& name) {
    switch (show_file_medium) {
        case kMediumInternal: return data_path(name.c_str());
        case kMediumExternal: return "a:\\" + name + ".cmp";
        default: return data_path((name + ".lst").c_str());
    }
}

void error_beep_interruptible() { ui::beep_interruptible(kErrorBeep_Hz, kErrorBeep_ms); }

// ENTER or ESC; true for ENTER.
bool read_enter_or_esc() {
    int16_t key = 0;
    while (!(runtime::get_key(&key) && (key == KEY_ESC || key == KEY_ENTER))) {
    }
    return key == KEY_ENTER;
}

constexpr std::initializer_list<int16_t> kListKeys = {KEY_ESC, KEY_PAGE_UP, KEY_PAGE_DOWN, KEY_DEL, KEY_ENTER,
                                                      KEY_UP, KEY_LEFT, KEY_DOWN, KEY_RIGHT};

// The cursor one cell back after a deletion left it past the last name.
void step_cursor_back() {
    if (browser_cursor_row > 1) {
        --browser_cursor_row;
        return;
    }
    browser_cursor_row = kBrowserRows;
    if (browser_cursor_column > 1) {
        --browser_cursor_column;
    } else if (browser_page > 1) {
        browser_cursor_column = kBrowserColumns;
        --browser_page;
    } else {
        browser_cursor_row = 1;
    }
}

int cursor_name_index() { return browser_name_index(browser_page, browser_cursor_column, browser_cursor_row); }

// The picture under the box, taken before it is drawn.
bool save_picture_under_box() {
    const uint32_t size_bytes = platform::_imagesize(box_left(), kBoxTop, box_right(), kBoxBottom);
    if (size_bytes == 0) return false;
    saved_picture = static_cast<uint8_t*>(memcheck::mc_malloc_at(size_bytes, __FILE__, __LINE__));
    if (saved_picture == nullptr) return false;
    if (!platform::_getimage(box_left(), kBoxTop, box_right(), kBoxBottom, std::span<uint8_t>(saved_picture, size_bytes))) {
        memcheck::mc_free_at(saved_picture, __FILE__, __LINE__);
        saved_picture = nullptr;
        return false;
    }
    return true;
}

void put_picture_back() {
    if (saved_picture == nullptr) return;
    const uint32_t size_bytes = platform::_imagesize(box_left(), kBoxTop, box_right(), kBoxBottom);
    platform::_putimage(box_left(), kBoxTop, std::span<const uint8_t>(saved_picture, size_bytes), platform::kCopyPut);
    memcheck::mc_free_at(saved_picture, __FILE__, __LINE__);
    saved_picture = nullptr;
}

constexpr uint32_t kBrowserOptionBits = runtime::OPT_SCREEN_FIELD | runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW;

}  // namespace

std::array<ShowName, kMaxBrowserNames + 1> browser_names{};
uint16_t browser_name_count = 0;
uint8_t browser_page = 1;
uint8_t browser_cursor_row = 1;
uint8_t browser_cursor_column = 1;

void reset_name_browser_globals() {
    browser_names = {};
    browser_name_count = 0;
    browser_page = 1;
    browser_cursor_row = 1;
    browser_cursor_column = 1;
    if (saved_picture != nullptr) memcheck::mc_free_at(saved_picture, __FILE__, __LINE__);
    saved_picture = nullptr;
    name_field_used = false;
    data_item_cursor = 1;
}

int browser_name_index(int page, int column, int row) {
    return (page - 1) * kBrowserPageNames + (column - 1) * kBrowserRows + row;
}

void build_browser_names() {
    browser_name_count = 0;
    const ListSource source = list_source();
    platform::DosFindData find;
    const uint8_t attributes = source.directories ? platform::kDosAttrDirectory : 0;
    for (bool found = platform::dos_findfirst(source.pattern.c_str(), &find, attributes);
         found && browser_name_count < kMaxBrowserNames; found = platform::dos_findnext(&find)) {
        const bool directory = (find.attrib & platform::kDosAttrDirectory) != 0;
        if (directory != source.directories) continue;
        std::string name(find.name.data());
        name = name.substr(0, name.find('.'));
        if (name.empty()) continue;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        put_name(browser_names[++browser_name_count], name);
    }
    std::sort(browser_names.begin() + 1, browser_names.begin() + 1 + browser_name_count,
              [](const ShowName& a, const ShowName& b) { return std::strcmp(a.data(), b.data()) < 0; });
}

uint8_t browse_names() {
    const uint32_t saved_options = runtime::option_flags & kBrowserOptionBits;
    if ((saved_options & runtime::OPT_ANALOGUE_VIEW) != 0) ui::save_panel_picture();
    runtime::option_flags &= ~kBrowserOptionBits;
    if (!save_picture_under_box()) {
        runtime::option_flags |= saved_options;
        return 0;
    }
    draw_save_load_box();
    build_browser_names();
    browser_page = 1;
    browser_cursor_row = 1;
    browser_cursor_column = 1;
    draw_name_browser_list(kLightGrey);
    if (shows()) {
        data_item_selected.fill(1);
        data_item_selected[0] = 0;
        data_item_cursor = 1;
        draw_data_item_column(kLightGrey);
    }

    enum Part { kField, kList, kItems };
    Part part = kField;
    Part previous = kField;
    uint8_t confirmed = 0;
    for (bool open = true; open;) {
        const Part here = part;
        const uint8_t result = here == kField ? edit_browser_name() : here == kList ? select_browser_name() : select_data_items();
        switch (result) {
            case kBrowserCancel:
                if (here == kField) open = false;
                part = here == kItems ? previous : kField;
                break;
            case kBrowserConfirm:
                if (here == kField) {
                    confirmed = 1;
                    open = false;
                }
                part = kField;
                break;
            case kBrowserToList: part = kList; break;
            case kBrowserToField: part = kField; break;
            case kBrowserBack: part = previous; break;
            case kBrowserToItems:
                part = kItems;
                previous = here;
                break;
            default: break;
        }
    }
    put_picture_back();
    runtime::option_flags = (runtime::option_flags & ~kBrowserOptionBits) | saved_options;
    return confirmed;
}

void draw_save_load_box() {
    const int16_t left = box_left();
    const int16_t right = box_right();
    ui::fill_box(left, kBoxTop, right, kBoxBottom, kCyan);
    platform::_setcolor(kWhite);
    for (const int inset : {0, 1, 3}) {
        platform::_rectangle(left + inset, kFrameTop + inset, right - inset, kBoxBottom - inset);
    }
    const int16_t centre = static_cast<int16_t>((left + right) / 2);
    ui::fill_box(static_cast<int16_t>(centre - kTitleWidth / 2), kTitleTop,
                 static_cast<int16_t>(centre + kTitleWidth / 2), kTitleBottom, kYellow);
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    const std::string title = std::string(show_file_operation == kOperationSave ? "SAVE" : "LOAD") + " " +
                              (show_file_medium == kMediumInternal   ? "INTERNAL "
                               : show_file_medium == kMediumExternal ? "EXTERNAL "
                                                                     : "") +
                              kind_word();
    text_at(static_cast<int16_t>(centre - platform::_textwidth(title) / 2), static_cast<int16_t>(kTitleTop + 3), kRed,
            title.c_str());
    draw_framed_part(static_cast<int16_t>(left + kFieldLeft), kFieldTop, static_cast<int16_t>(left + kFieldRight),
                     kFieldBottom, kind_word());
    const std::string list_header = std::string("AVAILABLE ") + kind_word() + "S";
    draw_framed_part(static_cast<int16_t>(left + kFieldLeft), kListTop, static_cast<int16_t>(left + kFieldRight),
                     kListBottom, list_header.c_str());
    if (shows()) {
        draw_framed_part(static_cast<int16_t>(left + kItemsLeft), kItemsTop, static_cast<int16_t>(left + kItemsRight),
                         kItemsBottom, "DATA");
    }
}

void draw_name_browser_list(int16_t colour) {
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    const int16_t left = static_cast<int16_t>(box_left() + kFieldLeft);
    const int16_t right = static_cast<int16_t>(box_left() + kFieldRight);
    ui::fill_box(left, kListTop, right, kListBottom, colour);
    if (browser_name_count == 0) {
        text_at(static_cast<int16_t>(left + 80), static_cast<int16_t>(kListTop + 48), kBlack,
                shows() ? "NO SHOWS" : "NO LISTS");
        return;
    }
    platform::_setcolor(kBlack);
    for (int column = 2; column <= kBrowserColumns; ++column) {
        const int x = left + (column - 1) * kColumnPitch;
        platform::_line(x, kListTop, x, kListBottom);
    }
    for (int column = 1; column <= kBrowserColumns; ++column) {
        for (int row = 1; row <= kBrowserRows; ++row) paint_cell(row, column, colour);
    }
    if (browser_page > 1) draw_page_marker(static_cast<int16_t>(left + 1), kUpMarkerTop, true);
    if (browser_page * kBrowserPageNames + 1 <= browser_name_count) {
        draw_page_marker(static_cast<int16_t>(right - 1 - kMarkerWidth), kDownMarkerTop, false);
    }
}

uint8_t edit_browser_name() {
    const std::initializer_list<int16_t> field_keys = {KEY_ESC, KEY_PAGE_DOWN, KEY_ENTER, KEY_DOWN, KEY_BACK};
    blink(field_keys);
    if (shows()) set_key_led(KEY_RIGHT, LED_BLINK);
    ui::show_message(shows() ? "EDIT A SHOW-NAME (ESC=CANCEL)" : "EDIT A LIST-NAME (ESC=CANCEL)");
    if (!name_field_used) {
        selected_file_names = {};
        name_field_used = true;
    }
    std::string name = selected_file_names[show_file_medium].data();
    draw_name_field(name, kWhite, true);
    runtime::clear_input_pending_flags();

    uint8_t result = kBrowserCancel;
    for (bool editing = true; editing;) {
        const int c = read_field_char();
        if (is_name_char(c) && name.size() < kShowNameChars) {
            name += static_cast<char>(c);
            draw_name_field(name, kWhite, true);
        } else if (c == kCharBackspace && !name.empty()) {
            name.pop_back();
            draw_name_field(name, kWhite, true);
        } else if (c == kCharEsc) {
            result = kBrowserCancel;
            editing = false;
        } else if (c == kCharEnter) {
            result = kBrowserConfirm;
            editing = false;
        } else if (c == kCharRight && shows()) {
            result = kBrowserToItems;
            editing = false;
        } else if ((c == kCharDown || c == kCharPageDown) && browser_name_count >= 1) {
            result = kBrowserToList;
            editing = false;
        }
    }
    if (result != kBrowserCancel) {
        set_selected_name(name.c_str());
        draw_name_field(name, kLightGrey, false);
    }
    lights_off(field_keys);
    if (shows()) set_key_led(KEY_RIGHT, LED_OFF);
    return result;
}

uint8_t select_browser_name() {
    blink(kListKeys);
    browser_cursor_row = 1;
    browser_cursor_column = 1;
    draw_name_browser_list(kWhite);
    paint_cursor_cell();
    ui::show_message(shows() ? "SELECT A SHOW-NAME (ESC=CANCEL)" : "SELECT A LIST-NAME (ESC=CANCEL)");

    uint8_t result = kBrowserCancel;
    for (bool selecting = true; selecting;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        const int n = cursor_name_index();
        const uint8_t page_before = browser_page;
        const uint8_t row_before = browser_cursor_row;
        const uint8_t column_before = browser_cursor_column;
        switch (key) {
            case KEY_LEFT:
                if (browser_cursor_column > 1) --browser_cursor_column;
                break;
            case KEY_RIGHT:
                if (browser_cursor_column < kBrowserColumns && n + kBrowserRows <= browser_name_count) {
                    ++browser_cursor_column;
                } else if (shows()) {
                    result = kBrowserToItems;
                    selecting = false;
                }
                break;
            case KEY_UP:
                if (browser_cursor_row > 1) {
                    --browser_cursor_row;
                } else if (browser_cursor_column > 1) {
                    browser_cursor_row = kBrowserRows;
                    --browser_cursor_column;
                } else if (browser_page > 1) {
                    --browser_page;
                    browser_cursor_row = kBrowserRows;
                    browser_cursor_column = kBrowserColumns;
                } else {
                    result = kBrowserToField;
                    selecting = false;
                }
                break;
            case KEY_DOWN:
                if (n < browser_name_count) {
                    if (browser_cursor_row < kBrowserRows) {
                        ++browser_cursor_row;
                    } else if (browser_cursor_column < kBrowserColumns) {
                        browser_cursor_row = 1;
                        ++browser_cursor_column;
                    } else {
                        ++browser_page;
                        browser_cursor_row = 1;
                        browser_cursor_column = 1;
                    }
                }
                break;
            case KEY_PAGE_UP:
                if (browser_page > 1) {
                    --browser_page;
                    browser_cursor_row = 1;
                    browser_cursor_column = 1;
                } else {
                    result = kBrowserToField;
                    selecting = false;
                }
                break;
            case KEY_PAGE_DOWN:
                if (browser_page * kBrowserPageNames + 1 <= browser_name_count) {
                    ++browser_page;
                    browser_cursor_row = 1;
                    browser_cursor_column = 1;
                }
                break;
            case KEY_DEL:
                delete_browser_name();
                if (browser_name_count == 0) {
                    result = kBrowserCancel;
                    selecting = false;
                }
                break;
            case KEY_ENTER:
                if (n <= browser_name_count) set_selected_name(browser_names[static_cast<size_t>(n)].data());
                result = kBrowserConfirm;
                selecting = false;
                break;
            case KEY_ESC:
                result = kBrowserCancel;
                selecting = false;
                break;
            default: break;
        }
        if (!selecting) break;
        if (browser_page != page_before) {
            draw_name_browser_list(kWhite);
            paint_cursor_cell();
        } else if (browser_cursor_row != row_before || browser_cursor_column != column_before) {
            paint_cell(row_before, column_before, kWhite);
            paint_cursor_cell();
        }
    }
    draw_name_browser_list(kLightGrey);
    lights_off(kListKeys);
    return result;
}

void delete_browser_name() {
    const int n = cursor_name_index();
    if (n < 1 || n > browser_name_count) return;
    const std::string name = browser_names[static_cast<size_t>(n)].data();
    if (show_file_medium == kMediumInternal && is_protected_show_name(name)) {
        ui::show_message("ERROR : '%s' IS A PROTECTED NAME", name.c_str());
        error_beep_interruptible();
        blink(kListKeys);
        return;
    }
    lights_off(kListKeys);
    blink({KEY_ESC, KEY_ENTER});
    ui::show_message("DELETE '%s'? (ENTER=Y ESC=N)", name.c_str());
    ui::beep_interruptible(kErrorBeep_Hz, kQuestionBeep_ms);
    if (read_enter_or_esc()) {
        ui::show_message("DELETING '%s'...", name.c_str());
        const std::string path = name_path(name);
        if (show_file_medium == kMediumInternal) {
            delete_matching_files(path + "\\*.*");
            platform::dos_rmdir(path.c_str());
        } else {
            platform::dos_remove(path.c_str());
        }
        if (platform::dos_exists(path.c_str())) {
            ui::show_message("ERROR : '%s' CAN'T BE DELETED", name.c_str());
            error_beep_interruptible();
        } else {
            std::move(browser_names.begin() + n + 1, browser_names.begin() + browser_name_count + 1,
                      browser_names.begin() + n);
            browser_names[browser_name_count] = {};
            --browser_name_count;
            if (browser_name_count > 0 && cursor_name_index() > browser_name_count) step_cursor_back();
            if (browser_name_count > 0) {
                draw_name_browser_list(kWhite);
                paint_cursor_cell();
            }
        }
    }
    blink(kListKeys);
}

uint8_t select_data_items() {
    const std::initializer_list<int16_t> item_keys = {KEY_ESC, KEY_ENTER, KEY_DOWN, KEY_LEFT, KEY_UP};
    blink(item_keys);
    ui::show_message("SELECT DATA-ITEMS (ESC=CANCEL)");
    data_item_cursor = 1;
    draw_data_item_column(kWhite);
    paint_data_item(data_item_cursor, kLightGreen);

    uint8_t result = kBrowserCancel;
    for (bool selecting = true; selecting;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        const int before = data_item_cursor;
        switch (key) {
            case KEY_UP: data_item_cursor = data_item_cursor == 1 ? kShownDataItems : data_item_cursor - 1; break;
            case KEY_DOWN: data_item_cursor = data_item_cursor == kShownDataItems ? 1 : data_item_cursor + 1; break;
            case KEY_ENTER: {
                uint8_t& item = data_item_selected[static_cast<size_t>(data_item_cursor)];
                item = item == 1 ? 0 : 1;
                paint_data_item(data_item_cursor, kLightGreen);
                break;
            }
            case KEY_LEFT:
                result = kBrowserBack;
                selecting = false;
                break;
            case KEY_ESC:
                result = kBrowserCancel;
                selecting = false;
                break;
            default: break;
        }
        if (selecting && data_item_cursor != before) {
            paint_data_item(before, kWhite);
            paint_data_item(data_item_cursor, kLightGreen);
        }
    }
    draw_data_item_column(kLightGrey);
    lights_off(item_keys);
    return result;
}

}  // namespace datafiles
