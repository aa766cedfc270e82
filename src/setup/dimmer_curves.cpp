#include "setup/dimmer_curves.h"

#include <algorithm>
#include <array>

#include "platform/bios.h"
#include "platform/dos_files.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/dimmer_curve_report.h"
#include "setup/patch_conflicts.h"
#include "setup/saved_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "ui/dos_commands.h"
#include "ui/helpers.h"
#include "ui/text_entry.h"

namespace setup {

namespace {

constexpr int16_t kTextSize = 4;
constexpr int kRowsPerPage = 20;
constexpr int16_t kSelectedRow = 2;  // green
constexpr int16_t kTrackColour = kSetupDarkGrey;
constexpr uint32_t kConflicts_ms = 1200;
constexpr uint32_t kPrinterError_ms = 800;
constexpr uint8_t kFormFeed = 12;

constexpr const char* kSolveConflicts = "SOLVE PATCH CONFLICTS FIRST";
constexpr const char* kPrinterError = "++ PRINTER ERROR ++";

// The keys whose LEDs blink while the screen waits.
constexpr std::array<int16_t, 6> kScreenKeys = {runtime::KEY_PANEL_1, runtime::KEY_DIGIT_1, runtime::KEY_DIGIT_2,
                                                runtime::KEY_ESC,     runtime::KEY_PAGE_UP, runtime::KEY_PAGE_DOWN};

struct Box {
    int16_t x1, y1, x2, y2;
};
enum class Button : uint8_t { active, nonactive, dimcurve, deselect, exported, print, count };
constexpr std::array<const char*, 6> kButtonLabels = {"ACTIVE", "NONACTIVE", "DIMCURVE", "DESELECT", "EXPORT", "PRINT"};
constexpr Box button_box(int k) { return {568, static_cast<int16_t>(222 + 30 * k), 622, static_cast<int16_t>(236 + 30 * k)}; }
constexpr Box kList = {118, 222, 548, 422};
constexpr Box kUpArrow = {550, 216, 563, 235};
constexpr Box kDownArrow = {550, 405, 563, 424};

bool pointer_in(const Box& b) { return runtime::is_point_in_rect(b.x1, b.y1, b.x2, b.y2, runtime::mouse_x, runtime::mouse_y); }

void set_small_text() { ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize); }

// A text one character every 6 pixels from x.
void draw_cells(int16_t x, int16_t y, const std::string& text, uint8_t colour) {
    for (size_t c = 0; c < text.size(); ++c) ui::draw_entry_char_small(x, y, static_cast<int16_t>(c), text[c], colour);
}

// A black window in a white frame.
void draw_window_frame(int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
    ui::fill_box(x1, y1, x2, y2, kSetupBlack);
    platform::_setcolor(kSetupWhite);
    platform::_rectangle(x1, y1, x2, y2);
}

void set_screen_leds(uint8_t state) {
    for (const int16_t key : kScreenKeys) runtime::set_key_led(key, state);
}

struct CurveScreen {
    SetupData& setup;
    DimmerCurveReport report;
    int page = 1;
    int pages = 1;

    void count_pages() {
        pages = (static_cast<int>(report.size()) - 2) / kRowsPerPage + 1;
        if (page > pages) page = pages;
    }

    void draw_row(int i) {
        const PointerHidden hidden;
        const size_t line = static_cast<size_t>((page - 1) * kRowsPerPage + i);  // 0-based: line i + 1 of the page
        const bool exists = line < report.size();
        ui::fill_box(118, static_cast<int16_t>(212 + 10 * i), 547, static_cast<int16_t>(221 + 10 * i),
                     exists && report[line].selected != 0 ? kSelectedRow : kSetupBlack);
        if (exists) draw_cells(120, static_cast<int16_t>(213 + 10 * i), report[line].text, kSetupYellow);
    }

    void draw_page() {
        const PointerHidden hidden;
        for (int i = 1; i <= kRowsPerPage; ++i) draw_row(i);
        ui::fill_box(551, 237, 562, 403, kTrackColour);
        ui::fill_box(551, static_cast<int16_t>(237 + (page - 1) * 166 / pages), 562, static_cast<int16_t>(237 + page * 166 / pages),
                     kSetupRed);
    }

    void draw_window() {
        const PointerHidden hidden;
        draw_window_frame(117, 189, 629, 424);
        set_small_text();
        ui::draw_text_button(118, 190, 628, 202, kSetupRed, "DIMMER CURVE INFORMATION", kSetupYellow);
        for (int k = 0; k < static_cast<int>(Button::count); ++k) {
            const Box b = button_box(k);
            ui::draw_text_button(b.x1, b.y1, b.x2, b.y2, kSetupBlue, kButtonLabels[static_cast<size_t>(k)], kSetupYellow);
        }
        ui::draw_text_button(kUpArrow.x1, kUpArrow.y1, kUpArrow.x2, kUpArrow.y2, kSetupBlue, "^", kSetupWhite);
        ui::draw_text_button(kDownArrow.x1, kDownArrow.y1, kDownArrow.x2, kDownArrow.y2, kSetupBlue, "v", kSetupWhite);
        draw_cells(120, 205, report.front().text, kSetupWhite);
    }

    void rebuild() {
        rebuild_dimmer_curve_report(setup, report);
        count_pages();
        draw_page();
    }

    void toggle_line_at_pointer() {
        const size_t line = static_cast<size_t>((page - 1) * kRowsPerPage + (runtime::mouse_y - 222) / 10 + 1);
        if (line < 1 || line >= report.size()) return;
        report[line].selected = report[line].selected != 0 ? 0 : 1;
        draw_row(static_cast<int>(line) - (page - 1) * kRowsPerPage);
    }

    void turn_page(int step) {
        const int to = page + step;
        if (to < 1 || to > pages) return;
        page = to;
        draw_page();
    }

    // The report written anew to CURVE.TXT, so the printer gets what the screen shows.
    void print() {
        show_setup_status("++ PRINTING ++");
        platform::bios_printer(platform::kPrinterFunctionInit, 0);
        const uint8_t status = platform::bios_printer(platform::kPrinterFunctionStatus, 0);
        const bool written = write_dimmer_curve_file(report);
        if (written && platform::dos_exists(dimmer_curve_file_path().c_str()) &&
            (status & platform::kPrinterReady) == platform::kPrinterReady) {
            ui::run_dos_command("xcopy %s\\lib\\CURVE.txt prn /v", runtime::home_directory.c_str());
            platform::bios_printer(platform::kPrinterFunctionSend, kFormFeed);
        } else {
            refuse_in_setup(kPrinterError, kPrinterError_ms);
        }
        show_setup_status("RMB=CANCEL");
    }

    // False when the screen is to close.
    bool act(Button button) {
        switch (button) {
            case Button::active:
            case Button::nonactive:
                set_selected_active(report, setup, button == Button::active);
                rebuild();
                return true;
            case Button::dimcurve: {
                const uint8_t curve = select_dimmer_curve();
                runtime::set_mouse_range(118, 200, 629, 424);
                if (curve == kCurveCancelled) return false;
                set_selected_curve(report, setup, curve);
                rebuild();
                return true;
            }
            case Button::print:
                print();
                return true;
            default:
                return true;  // DESELECT and EXPORT are drawn only
        }
    }

    // One left click; false when the screen is to close.
    bool click() {
        if (pointer_in(kList)) {
            toggle_line_at_pointer();
        } else if (pointer_in(kUpArrow)) {
            turn_page(-1);
        } else if (pointer_in(kDownArrow)) {
            turn_page(+1);
        } else {
            for (int k = 0; k < static_cast<int>(Button::count); ++k) {
                if (pointer_in(button_box(k))) return act(static_cast<Button>(k));
            }
        }
        return true;
    }
};

}  // namespace

uint8_t select_dimmer_curve() {
    runtime::show_mouse_cursor(0);
    show_setup_status("SELECT A DIMMER CURVE");
    uint8_t result = kCurveCancelled;
    {
        SavedArea under_dialog(500, 110, 620, 280);
        runtime::set_mouse_range(500, 120, 620, 279);
        {
            const PointerHidden hidden;
            draw_window_frame(500, 110, 620, 280);
            set_small_text();
            ui::draw_text_button(500, 110, 620, 120, kSetupRed, "SELECT CURVE", kSetupYellow);
            for (int n = 0; n < kDimmerCurves; ++n) {
                platform::_setcolor(kSetupLightGrey);
                platform::_line(500, 120 + 10 * n, 620, 120 + 10 * n);
                platform::_setcolor(kSetupYellow);
                platform::_outtextxy(510, 122 + 10 * n, curve_dialog_name(n));
            }
        }
        set_screen_leds(runtime::LED_OFF);
        runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
        runtime::show_mouse_cursor(1);
        for (;;) {
            const int16_t key = read_setup_key();
            runtime::read_mouse(0);
            if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) break;
            if (runtime::mouse_buttons == runtime::kMouseLeft) {
                result = static_cast<uint8_t>(std::clamp((runtime::mouse_y - 120) / 10, 0, kDimmerCurves - 1));
                break;
            }
        }
        runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
        runtime::show_mouse_cursor(0);
    }
    runtime::show_mouse_cursor(1);
    return result;
}

void run_dimmer_curve_info(SetupData& setup) {
    if (patch_conflict_count != 0) {
        refuse_in_setup(kSolveConflicts, kConflicts_ms);
        return;
    }
    {
        SavedArea under_window(117, 189, 629, 424);
        runtime::set_mouse_range(118, 200, 629, 424);
        CurveScreen screen{setup, write_dimmer_curve_report(setup)};
        screen.count_pages();
        screen.draw_window();
        screen.draw_page();
        set_screen_leds(runtime::LED_BLINK);
        for (;;) {
            const int16_t key = read_setup_key();
            runtime::read_mouse(0);
            if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) break;
            bool stay = true;
            if (key == runtime::KEY_PAGE_UP) {
                screen.turn_page(-1);
            } else if (key == runtime::KEY_PAGE_DOWN) {
                screen.turn_page(+1);
            } else if (runtime::mouse_buttons == runtime::kMouseLeft) {
                set_screen_leds(runtime::LED_OFF);
                stay = screen.click();
            } else {
                continue;
            }
            if (!stay) break;
            set_screen_leds(runtime::LED_BLINK);
        }
        set_screen_leds(runtime::LED_OFF);
    }
    runtime::set_mouse_range(0, 0, 628, 470);
}

}  // namespace setup
