#include "memories/thresholds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "datafiles/group_files.h"
#include "datafiles/threshold_file.h"
#include "memcheck/memcheck.h"
#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_editors.h"
#include "playback/cue_screen.h"
#include "playback/playback_jobs.h"
#include "platform/graphics.h"
#include "programmer/attribute_delta.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_belts.h"
#include "programmer/function_page.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "sync/sync_services.h"
#include "ui/counters.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/mode_keys.h"
#include "ui/panel_modes.h"
#include "ui/text_entry.h"
#include "ui/value_table.h"

namespace memories {

ThresholdFunctionMarks threshold_function_marks{};
uint8_t* threshold_grid_picture = nullptr;
uint8_t* threshold_list_picture = nullptr;

void reset_thresholds_globals() {
    threshold_function_marks = {};
    for (uint8_t** picture : {&threshold_grid_picture, &threshold_list_picture}) {
        if (*picture != nullptr) memcheck::mc_free_at(*picture, __FILE__, __LINE__);
        *picture = nullptr;
    }
}

namespace {

using namespace runtime::keys;
using runtime::set_key_led;

constexpr int16_t kBlack = 0, kBlue = 1, kGreen = 2, kRed = 4, kLightGrey = 7, kLightBlue = 9, kLightGreen = 10,
                  kLightCyan = 11, kYellow = 14;
constexpr int16_t kSmallFont = 2, kSmallTextSize = 4;
constexpr int kCellWidth = 22, kCellHeight = 30, kGridTop = 10, kGridColumns = 10, kGridRows = 7;
constexpr int kGridRight = 221, kGridBottom = 220;
constexpr int kListLeft = 230, kListTop = 239, kListRight = 630, kListBottom = 479;
constexpr int kFadersPerPage = 16;
constexpr int kPercentDigits = 3;
constexpr uint8_t kPanelFieldShift = 2;
constexpr uint8_t kPercentPanel = 3;
constexpr uint8_t kWheelModeFixtureFaders = 2;

size_t at(int n) { return static_cast<size_t>(n); }
bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }
bool valid_threshold(int t) { return t >= 1 && t <= kThresholdCount; }
int capacity() { return std::min<int>(runtime::function_record_capacity, static_cast<int>(runtime::kShowRecords)); }
uint8_t right_panel() { return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> kPanelFieldShift); }
bool cue_screen_shown() { return flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN); }
bool threshold_programmed(int t) { return datafiles::threshold_programmed[at(t)] != 0; }

std::string_view threshold_name(int t) {
    const datafiles::EntryName& name = datafiles::threshold_index[at(t)].name;
    return {name.data(), strnlen(name.data(), name.size())};
}

void write(int x, int y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// ------------------------------------------------------------------ grid

int grid_column(int n) { return (n - 1) % kGridColumns + 1; }
int grid_row(int n) { return (n - 1) / kGridColumns + 1; }

void draw_grid_number(int n, int16_t colour) {
    const int col = grid_column(n), row = grid_row(n);
    ui::fill_box(static_cast<int16_t>(kCellWidth * (col - 1) + 2), static_cast<int16_t>(kCellHeight * (row - 1) + 11),
                 static_cast<int16_t>(kCellWidth * col), static_cast<int16_t>(kCellHeight * row + 9), kBlack);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    std::array<char, 8> number{};
    std::snprintf(number.data(), number.size(), "%2d", n);
    write(kCellWidth * col - 18, kCellHeight * row - 10, colour, number.data());
}

void draw_empty_grid() {
    ui::fill_box(0, 0, kGridRight, kGridBottom, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(1, kGridTop, kGridRight, kGridBottom);
    for (int i = 0; i <= kGridColumns; ++i) platform::_line(1 + kCellWidth * i, kGridTop, 1 + kCellWidth * i, kGridBottom);
    for (int i = 0; i <= kGridRows; ++i) platform::_line(1, kGridTop + kCellHeight * i, kGridRight, kGridTop + kCellHeight * i);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write(75, 0, kLightCyan, "THRESHOLDS");
    for (int n = 1; n <= kThresholdCount; ++n) draw_grid_number(n, kLightBlue);
}

// ------------------------------------------------------------------ names list

struct ListColumn {
    int last;
    int number_x, name_x, y_offset;  // text y = 10 i + y_offset
    int field_x1, field_x2;
};
constexpr std::array<ListColumn, 3> kListColumns = {{
    {22, 232, 247, 251, 246, 362},
    {46, 365, 380, 11, 379, 495},
    {70, 498, 513, -229, 512, 629},
}};

const ListColumn& list_column(int n) {
    for (const ListColumn& c : kListColumns) {
        if (n <= c.last) return c;
    }
    return kListColumns.back();
}

void draw_empty_list() {
    ui::fill_box(kListLeft, kListTop, kListRight, kListBottom, kBlack);
    platform::_setcolor(kRed);
    platform::_rectangle(kListLeft, kListTop, kListRight, kListBottom);
    for (const int x : {245, 363, 378, 496, 511}) platform::_line(x, x == 245 ? 260 : kListTop, x, kListBottom);
    for (int i = 2; i <= 23; ++i) platform::_line(kListLeft, kListTop + 10 * i, kListRight, kListTop + 10 * i);
    platform::_line(364, kListTop + 10, kListRight, kListTop + 10);
    ui::fill_box(233, 242, 360, 256, kGreen);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write(262, 246, kRed, "THRESHOLDS");
    for (int n = 1; n <= kThresholdCount; ++n) {
        const ListColumn& c = list_column(n);
        std::array<char, 4> number{};
        std::snprintf(number.data(), number.size(), "%2d", n);
        write(c.number_x, 10 * n + c.y_offset, kGreen, number.data());
    }
}

void write_list_name(int n, int16_t colour) {
    const ListColumn& c = list_column(n);
    const std::string name(threshold_name(n));
    const int y = 10 * n + c.y_offset;
    if (!name.empty()) write(c.name_x, y, colour, name.c_str());
    else if (threshold_programmed(n)) write(c.name_x, y, kLightCyan, "*");
}

// ------------------------------------------------------------------ programming

void set_threshold_box(int16_t t) {
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(12, 288, 210, 308, kBlue);
    std::array<char, 24> title{};
    std::snprintf(title.data(), title.size(), "THRESHOLD %d", t);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write(80, 294, kYellow, title.data());
    ui::show_message("PROGRAM THRESHOLD (ESC=CANCEL)");
}

int current_type() {
    const int t = runtime::current_fixture_type;
    return t >= 0 && t < setup::kMaxFixtureTypes ? t : -1;
}

uint8_t& function_mark(int n) {
    static uint8_t none = 0;
    const int type = current_type();
    const int f = programmer::channel_library_function(n);
    if (type < 0 || f < 1 || f > setup::kMaxTypeChannels) return none = 0;
    return threshold_function_marks[at(type)][at(f - 1)];
}

}  // namespace

bool threshold_channel_marked(int n) { return function_mark(n) != 0; }

namespace {

int shown_function(int16_t fader_key) {
    return (runtime::function_page - 1) * kFadersPerPage + fader_key - KEY_FADER_1 + 1;
}

void toggle_function(int16_t fader_key) {
    const int n = shown_function(fader_key);
    if (current_type() < 0 || n < 1 || n > runtime::function_count) return;
    uint8_t& mark = function_mark(n);
    mark = mark != 0 ? 0 : 1;
    set_key_led(fader_key, mark != 0 ? runtime::LED_ON_2 : runtime::LED_ON);
    programmer::set_fader_number(static_cast<int16_t>(fader_key - KEY_FADER_1 + 1), static_cast<int16_t>(n),
                                 mark != 0 ? kYellow : kLightGreen);
}

void deselect_page_functions() {
    if (current_type() < 0) return;
    for (int16_t key = KEY_FADER_1; key <= KEY_FADER_16; ++key) {
        const int n = shown_function(key);
        if (n > runtime::function_count) break;
        function_mark(n) = 0;
    }
    programmer::update_fader_key_leds();
}

// The wheel level of function n (bank 0) := level, shown on its fader when
// bank 0 and n's page are shown.
void set_wheel_level(int n, int level) {
    runtime::WheelState& wheel = runtime::wheel_states.functions[at(n)];
    wheel.value = static_cast<int16_t>(std::clamp(level, 0, 255));
    wheel.raw = wheel.value;
    const int page = (n - 1) / kFadersPerPage + 1;
    if (runtime::fader_bank != 0 || page != runtime::function_page) return;
    const uint8_t shown = ui::divide_by_3_round_up(wheel.value);
    if (shown == wheel.shown) return;
    wheel.shown = shown;
    programmer::set_fader_widget_value(static_cast<int16_t>((n - 1) % kFadersPerPage + 1), shown);
}

void leave_programming() {
    runtime::run_flags &= ~runtime::RUN_THRESHOLD_MODE;
    if (current_type() >= 0) {
        if (!flag(runtime::mode_flags, runtime::MODE_TRACKERBALL_PANTILT)) programmer::highlight_selected_fader(kYellow);
        programmer::update_fader_key_leds();
        for (int16_t key = KEY_FADER_1; key <= KEY_FADER_16; ++key) {
            const int n = shown_function(key);
            if (n > runtime::function_count) break;
            if (function_mark(n) != 0) {
                programmer::set_fader_number(static_cast<int16_t>(key - KEY_FADER_1 + 1), static_cast<int16_t>(n), kLightGreen);
            }
        }
        programmer::refresh_faders();
    }
    const uint8_t panel = right_panel();
    if (panel == 3 || panel == 4) ui::set_panel_mode(panel);
    for (const int16_t key : {KEY_EDIT_VALUE, KEY_ESC, KEY_THRESHOLD}) set_key_led(key, runtime::LED_OFF);
}

bool ask_threshold_name(int16_t t) {
    ui::show_message("GIVE THE NAME OF THRESHOLD %d", t);
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(2, 299, 220, 314, kRed);
    ui::draw_bitmap_text(13, 302, kYellow, "NAME:");
    std::array<char, kThresholdNameChars + 1> entered{};
    if (ui::edit_text_line(entered.data(), 90, 305, kThresholdNameChars, kRed, kYellow, 0) == 0) {
        ui::beep_interruptible(400, 150);
        return false;
    }
    ui::beep(800, 150);
    datafiles::EntryName& name = datafiles::threshold_index[at(t)].name;
    name.fill('\0');
    memcheck::mc_memcpy_at(name.data(), entered.data(), strnlen(entered.data(), kThresholdNameChars), __FILE__, __LINE__,
                           memcheck::mc_dest_size(name));
    if (flag(runtime::option_flags, runtime::OPT_THRESHOLD_SCREEN)) {
        mark_threshold_cell(t, t == current_threshold ? 1 : 0, kYellow);
    }
    datafiles::save_threshold_name(t);
    return true;
}

}  // namespace

// ------------------------------------------------------------------ levels

uint8_t quantise_threshold_level(int level) {
    const int b = std::clamp(level, 0, 255);
    const auto percent = static_cast<int>(static_cast<double>(b) / 2.55);
    return threshold_percent_level(percent);
}

uint8_t threshold_percent_level(int percent) {
    const int p = std::clamp(percent, 0, 100);
    return static_cast<uint8_t>(std::min(255.0, std::ceil(p * 2.55)));
}

// ------------------------------------------------------------------ painters

void draw_threshold_grid() {
    ui::draw_from_picture(threshold_grid_picture, 0, 0, kGridRight, kGridBottom, draw_empty_grid);
    for (int16_t n = 1; n <= kThresholdCount; ++n) {
        if (threshold_programmed(n)) {
            draw_grid_number(n, kLightCyan);
            set_key_led(runtime::fixture_key(n), runtime::LED_ON_BOTH);
        } else {
            set_key_led(runtime::fixture_key(n), runtime::LED_OFF);
        }
    }
    runtime::option_flags |= runtime::OPT_THRESHOLD_GRID;
    runtime::option_flags &= ~(runtime::OPT_POINTCUE_PANEL | runtime::OPT_FIXTURE_PANEL |
                               runtime::OPT_PANTILT_PRESET_PANEL | runtime::OPT_PICKER_OPEN);
}

void mark_threshold_grid_cell(int16_t threshold) {
    if (!valid_threshold(threshold)) return;
    const bool programmed = threshold_programmed(threshold);
    draw_grid_number(threshold, programmed ? kLightCyan : kLightBlue);
    set_key_led(runtime::fixture_key(threshold), programmed ? runtime::LED_ON_BOTH : runtime::LED_OFF);
}

void select_threshold_cell(int16_t threshold, int16_t old_threshold) {
    if (old_threshold != 0) mark_threshold_grid_cell(old_threshold);
    if (!valid_threshold(threshold)) return;
    draw_grid_number(threshold, kYellow);
    set_key_led(runtime::fixture_key(threshold), runtime::LED_ON_2);
}

void redraw_thresholds() {
    const bool flagged = ui::is_any_sequence_flagged();
    ui::draw_from_picture(threshold_list_picture, kListLeft, kListTop, kListRight, kListBottom, draw_empty_list);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    for (int n = 1; n <= kThresholdCount; ++n) {
        write_list_name(n, kYellow);
        if (flagged && n % 5 == 0) runtime::run_background();
    }
    runtime::option_flags |= runtime::OPT_THRESHOLD_SCREEN;
    runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST | runtime::OPT_FIXTURE_PANEL_RESTORED);
}

void mark_threshold_cell(int16_t threshold, int16_t state, int16_t colour) {
    if (!valid_threshold(threshold)) return;
    const ListColumn& c = list_column(threshold);
    const int top = 10 * threshold + c.y_offset - 1;
    ui::fill_box(static_cast<int16_t>(c.field_x1), static_cast<int16_t>(top), static_cast<int16_t>(c.field_x2),
                 static_cast<int16_t>(top + 8), state == 1 ? kBlue : kBlack);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write_list_name(threshold, colour);
}

// ------------------------------------------------------------------ the wheel handler

void decrease_function_level(int16_t channel, int16_t delta) {
    if (channel < 1 || channel > runtime::kFunctionWheels || runtime::threshold_levels == nullptr) return;
    const runtime::WheelState& wheel = runtime::wheel_states.functions[at(channel)];
    set_wheel_level(channel, wheel.value - delta);
    const int level = runtime::wheel_states.functions[at(channel)].value;
    const bool absolute = (runtime::mode_flags & runtime::MODE_EDIT_MODE) == 0;
    for (int f = 1; f <= setup::fixture_count && f <= runtime::kFixtures; ++f) {
        if (programmer::fixture_selected[at(f)] == 0) continue;
        const int16_t own = programmer::counterpart_channel(static_cast<int16_t>(f), channel);
        if (own == 0) continue;
        const int16_t oriented = programmer::oriented_channel(static_cast<int16_t>(f), own);
        const int r = programmer::get_function_record_index(static_cast<int16_t>(f), oriented);
        if (r < 1 || r > capacity()) continue;
        const int value = f == runtime::current_fixture || absolute ? level : runtime::threshold_levels[r] - delta;
        const auto byte = static_cast<uint8_t>(std::clamp(value, 0, 255));
        runtime::threshold_levels[r] = byte;
        if (runtime::fader_bank == 0) {
            // The table shows whole percent; 0 % (below 3) is greyed.
            const auto percent = static_cast<int16_t>(byte * 100 / 255);
            const runtime::FunctionRecord& record = runtime::function_record_table[r];
            ui::format_table_value(record.fixture, record.channel, percent, byte < 3 ? kLightGrey : kLightGreen, 0, 0);
        }
    }
}

// ------------------------------------------------------------------ store

bool store_threshold(int16_t threshold) {
    if (!valid_threshold(threshold) || runtime::threshold_levels == nullptr) return false;
    uint8_t* work = runtime::threshold_levels;
    ui::beep(800, 100);
    for (int r = 1; r <= capacity(); ++r) work[r] = quantise_threshold_level(work[r]);
    // Pan, tilt and their fine channels share the oriented pan's start level.
    for (int r = 1; r <= capacity() && runtime::function_record_table != nullptr; ++r) {
        const runtime::FunctionRecord& rec = runtime::function_record_table[r];
        if (rec.pantilt_role < runtime::ROLE_PAN || rec.pantilt_role > runtime::ROLE_TILT_FINE) continue;
        if (rec.fixture < 1 || rec.fixture > setup::fixture_count) continue;
        const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[at(rec.fixture)];
        const int pan = pt.oriented_pan.record;
        if (pt.kind != 0 && pan >= 1 && pan <= capacity()) work[r] = work[pan];
    }
    const bool programmed = std::any_of(work + 1, work + capacity() + 1, [](uint8_t b) { return b != 0; });
    if (programmed) {
        uint8_t* table = datafiles::allocate_threshold_table(threshold);
        if (table == nullptr) {
            ui::show_message("NOT ENOUGH MEMORY");
            ui::beep(400, 2000);
            return false;
        }
        std::copy_n(work + 1, capacity(), table + 1);
        datafiles::threshold_programmed[at(threshold)] = 1;
    } else {
        uint8_t*& table = datafiles::threshold_tables[at(threshold)];
        if (table != nullptr) memcheck::mc_free_at(table, __FILE__, __LINE__);
        table = nullptr;
        datafiles::threshold_programmed[at(threshold)] = 0;
    }
    datafiles::save_threshold_record(threshold);
    if (programmed && threshold_name(threshold).empty()) ask_threshold_name(threshold);
    playback::reload_playbacks_for_threshold(threshold);
    return true;
}

// ------------------------------------------------------------------ programming

void select_threshold_functions(int16_t threshold) {
    bool any = false;
    for (int n = 1; n <= runtime::function_count && current_type() >= 0; ++n) any = any || function_mark(n) != 0;
    if (any) {
        ui::beep(400, 50);
        ui::show_message("SELECT FUNCTIONS TO PROGRAM");
        set_key_led(KEY_EDIT_VALUE, runtime::LED_ON);
        set_key_led(KEY_ESC, runtime::LED_OFF);
        const uint32_t edit_mode = runtime::mode_flags & runtime::MODE_EDIT_MODE;
        runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;
        ui::fill_box(2, 282, 150, 314, kRed);
        ui::draw_bitmap_text(20, 288, kLightGrey, "PERCENTAGE");
        ui::fill_box(151, 282, 220, 314, kLightGreen);
        ui::show_message("GIVE THRESHOLD-PERCENTAGE");
        const int16_t percent = ui::edit_number(-1, 155, 288, kPercentDigits, kLightGreen, kBlack, 0);
        if (percent >= 0 && percent <= 100) {
            const uint8_t level = threshold_percent_level(percent);
            for (int n = 1; n <= runtime::function_count; ++n) {
                if (function_mark(n) == 0) continue;
                set_wheel_level(n, level);
                decrease_function_level(static_cast<int16_t>(n), 0);
                const bool shown = runtime::fader_bank == 0 && (n - 1) / kFadersPerPage + 1 == runtime::function_page;
                if (shown) programmer::set_function_belt(static_cast<int16_t>((n - 1) % kFadersPerPage + 1), level);
            }
        }
        runtime::mode_flags |= edit_mode;
        set_threshold_box(threshold);
    }
    set_key_led(KEY_EDIT_VALUE, runtime::LED_BLINK);
    set_key_led(KEY_ESC, runtime::LED_BLINK);
}

void program_threshold(int16_t threshold) {
    if (!valid_threshold(threshold) || runtime::threshold_levels == nullptr) return;
    ui::beep(800, 100);
    for (const int16_t key : {KEY_EDIT_VALUE, KEY_ESC, KEY_THRESHOLD}) set_key_led(key, runtime::LED_BLINK);
    current_threshold = threshold;
    const uint8_t* stored = datafiles::threshold_tables[at(threshold)];
    for (int r = 1; r <= capacity(); ++r) runtime::threshold_levels[r] = stored != nullptr ? stored[r] : 0;
    set_threshold_box(threshold);
    if (runtime::display_mode != kWheelModeFixtureFaders) ui::select_wheel_mode(kWheelModeFixtureFaders);
    runtime::fader_bank = 0;
    set_key_led(KEY_FIGURE, runtime::LED_OFF);
    if (current_type() >= 0) programmer::set_edit_fixture_type(runtime::current_fixture_type, 0);
    programmer::draw_fixture_screen();
    ui::set_panel_mode(kPercentPanel);
    for (;;) {
        if (!runtime::is_input_pending()) {
            runtime::read_trackerball(0);
            runtime::step_mode_wheels();
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if ((key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70) || key == KEY_ALL || key == KEY_NONE) {
            programmer::handle_fixture_key(key);
        } else if ((key >= KEY_GROUP_1 && key <= KEY_GROUP_16) || key == KEY_GROUP_BANK || key == KEY_GROUP_STORE) {
            programmer::handle_group_key(key);
        } else if (key == KEY_BANK_DOWN || key == KEY_BANK_UP) {
            programmer::handle_fixture_bank_keys(key);
        } else if (key == KEY_MODE) {
            ui::select_relative_mode();
        } else if (key >= KEY_FADER_1 && key <= KEY_FADER_16) {
            toggle_function(key);
        } else if (key == KEY_CLEAR) {
            deselect_page_functions();
        } else if (key == KEY_FUNCTION_PAGE_1 || key == KEY_FUNCTION_PAGE_2) {
            programmer::select_function_page(static_cast<int16_t>(key - KEY_FUNCTION_PAGE_1 + 1));
        } else if (key >= KEY_PANEL_1 && key <= KEY_PANEL_3) {
            ui::set_panel_mode(static_cast<uint8_t>(key - KEY_PANEL_1 + 1));
        } else if (key == KEY_PAGE_UP) {
            ui::show_previous_panel_page();
        } else if (key == KEY_PAGE_DOWN) {
            ui::show_next_panel_page();
        } else if (key == KEY_DOWN || key == KEY_UP) {
            ui::dispatch_mode_key(key);
        } else if (key == KEY_EDIT_VALUE) {
            select_threshold_functions(threshold);
        } else if (key == KEY_ESC) {
            break;
        } else if (key == KEY_THRESHOLD) {
            store_threshold(threshold);
            break;
        }
    }
    leave_programming();
}

void run_threshold_screen() {
    set_key_led(KEY_THRESHOLD, runtime::LED_ON);
    set_key_led(KEY_ESC, runtime::LED_BLINK);
    ui::beep(800, 150);
    ui::set_panel_mode(2);
    if (flag(runtime::option_flags, runtime::OPT_ANALOGUE_VIEW)) {
        runtime::option_flags &= ~runtime::OPT_ANALOGUE_VIEW;
        ui::save_panel_picture();
    }
    draw_threshold_grid();
    if (valid_threshold(current_threshold)) select_threshold_cell(current_threshold, 0);
    if (right_panel() == 2) {
        redraw_thresholds();
        if (valid_threshold(current_threshold)) mark_threshold_cell(current_threshold, 1, kYellow);
    }
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(12, 288, 210, 308, kGreen);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write(80, 294, kYellow, "THRESHOLDS");
    ui::show_message("SELECT THRESHOLD (1..70)");
    bool programmed = false;
    for (;;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == KEY_ESC || key == KEY_THRESHOLD) {
            runtime::run_flags &= ~runtime::RUN_THRESHOLD_MODE;
            break;
        }
        if (key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70) {
            program_threshold(key);
            programmed = true;
            break;
        }
    }
    if (flag(runtime::option_flags, runtime::OPT_THRESHOLD_SCREEN)) {
        runtime::option_flags &= ~runtime::OPT_THRESHOLD_SCREEN;
        ui::set_panel_mode(right_panel());
    }
    if (!programmed) {
        if (cue_screen_shown()) playback::draw_point_cue_panel();
        else programmer::draw_fixture_screen();
    }
    set_key_led(KEY_THRESHOLD, runtime::LED_OFF);
    set_key_led(KEY_ESC, runtime::LED_OFF);
    ui::redraw_cue_panel();
}

void edit_threshold_names() {
    set_key_led(KEY_THRESHOLD, runtime::LED_ON);
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(12, 288, 210, 308, kGreen);
    ui::set_text_style(kSmallFont, 0, kSmallTextSize);
    write(60, 294, kYellow, "THRESHOLD-NAMES");
    draw_threshold_grid();
    if (valid_threshold(current_threshold)) select_threshold_cell(current_threshold, 0);
    const bool list = right_panel() == 2;
    if (list) {
        redraw_thresholds();
        if (valid_threshold(current_threshold)) mark_threshold_cell(current_threshold, 1, kYellow);
    }
    ui::beep(800, 150);
    ui::show_message("SELECT THRESHOLD FOR TEXT-EDIT");
    const int16_t picked = ui::pick_item_to_name(valid_threshold(current_threshold) ? current_threshold : 0);
    if (picked != 0) {
        ask_threshold_name(picked);
    }
    if (flag(runtime::option_flags, runtime::OPT_THRESHOLD_SCREEN)) {
        runtime::option_flags &= ~runtime::OPT_THRESHOLD_SCREEN;
        ui::set_panel_mode(right_panel());
    }
    if (cue_screen_shown()) playback::draw_point_cue_panel();
    else programmer::draw_fixture_screen();
    set_key_led(KEY_THRESHOLD, runtime::LED_OFF);
}

}  // namespace memories
