#include "setup/stage_output_info.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "datafiles/whole_files.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/patch_conflicts.h"
#include "setup/setup_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_reports.h"
#include "setup/setup_screen.h"
#include "setup/stage_plan.h"
#include "setup/stage_plan_items.h"
#include "setup/stage_printing.h"
#include "ui/dos_commands.h"
#include "ui/helpers.h"

namespace setup {

namespace {

constexpr Area kWindow = {117, 189, 629, 424};
constexpr Area kPointerRange = {550, 200, 629, 424};
constexpr Area kWholeScreen = {0, 0, 628, 470};
constexpr Area kScrollUp = {550, 216, 563, 235};
constexpr Area kScrollDown = {550, 405, 563, 424};
constexpr Area kIncludeOption = {570, 300, 620, 315};
constexpr Area kTypeOption = {570, 258, 620, 265};
constexpr Area kOutputOption = {570, 273, 620, 280};
constexpr Area kPrintButton = {571, 217, 612, 240};
constexpr Area kExportButton = {571, 347, 612, 370};
constexpr Area kPrintedArea = {116, 200, 465, 426};
constexpr Area kExportedArea = {116, 199, 468, 431};
constexpr int16_t kPageLines = 20;
constexpr int16_t kPitch_px = 6;
constexpr int16_t kGreen = 2;
constexpr int16_t kLightGreen = 10;
constexpr int32_t kRefusalHz = kSetupRefusalHz;
constexpr uint32_t kConflicts_ms = 1200;
constexpr uint32_t kPrinterError_ms = 800;
constexpr const char* kPrinterError = "++ PRINTER ERROR ++";
constexpr const char* kCancelPrompt = "RMB=CANCEL";

// The keys whose LEDs blink while the window waits.
constexpr std::array<int16_t, 6> kWindowKeys = {runtime::KEY_DIGIT_1, runtime::KEY_DIGIT_2, runtime::KEY_ESC,
                                                runtime::KEY_PAGE_UP,  runtime::KEY_PAGE_DOWN, runtime::KEY_PANEL_1};

struct OptionCircle {
    int16_t x, y;
};
constexpr OptionCircle kTypeCircle = {575, 263};
constexpr OptionCircle kOutputCircle = {575, 278};
constexpr OptionCircle kIncludeCircle = {575, 308};
constexpr int16_t kCircleRadius = 4;


// A copy of a screen rectangle; empty when it could not be taken.
std::vector<uint8_t> save_area(const Area& a) {
    std::vector<uint8_t> image(platform::_imagesize(a.x1, a.y1, a.x2, a.y2));
    if (image.empty() || !platform::_getimage(a.x1, a.y1, a.x2, a.y2, image)) image.clear();
    return image;
}

void put_area(const Area& a, std::span<const uint8_t> image) {
    if (!image.empty()) platform::_putimage(a.x1, a.y1, image, platform::kCopyPut);
}

void fill_option(const OptionCircle& c, bool chosen) {
    platform::_setcolor(kSetupLightCyan);
    platform::_circle(c.x, c.y, kCircleRadius);
    platform::_setfillstyle(platform::kSolidFill, chosen ? kLightGreen : kSetupBlack);
    platform::_floodfill(c.x, c.y, kSetupLightCyan);
}

void draw_text(int16_t x, int16_t y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void draw_triangle(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t x3, int16_t y3) {
    platform::_line(x1, y1, x2, y2);
    platform::_line(x2, y2, x3, y3);
    platform::_line(x3, y3, x1, y1);
}

void draw_button(const Area& caption, const char* text) {
    platform::_setfillstyle(platform::kSolidFill, kSetupBlack);
    platform::_setcolor(kSetupLightGrey);
    platform::_bar3d(caption.x1 - 1, caption.y1 - 1, caption.x2 + 1, caption.y2 + 1, 3, 1);
    ui::draw_text_button(caption.x1, caption.y1, caption.x2, caption.y2, kSetupBlack, text, kSetupLightCyan);
}

void draw_window() {
    ui::fill_box(kWindow.x1, kWindow.y1, kWindow.x2, kWindow.y2, kSetupBlack);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    ui::draw_text_button(117, 189, 629, 199, kSetupRed, "STAGE OUTPUT INFORMATION", kSetupYellow);
    platform::_setcolor(kSetupLightGrey);
    platform::_line(117, 200, 629, 200);
    platform::_line(549, 216, 549, 424);
    platform::_line(564, 201, 564, 424);
    platform::_line(117, 216, 564, 216);
    ui::fill_box(kScrollUp.x1, kScrollUp.y1, kScrollUp.x2, kScrollUp.y2, kSetupBlue);
    ui::fill_box(kScrollDown.x1, kScrollDown.y1, kScrollDown.x2, kScrollDown.y2, kSetupBlue);
    platform::_setcolor(kSetupLightGrey);
    draw_triangle(553, 231, 561, 231, 557, 221);
    platform::_line(550, 236, 563, 236);
    draw_triangle(553, 409, 561, 409, 557, 419);
    platform::_line(550, 404, 563, 404);
    draw_button(kPrintButton, "PRINT");
    draw_button(kExportButton, "EXPORT");
    draw_text(582, 260, kSetupLightCyan, "1 TYPE");
    draw_text(582, 275, kSetupLightCyan, "2 OUTPUT");
    draw_text(582, 300, kSetupLightCyan, "INCLUDE");
    draw_text(582, 310, kSetupLightCyan, " STAGE");
    fill_option(kTypeCircle, true);
    fill_option(kOutputCircle, false);
    fill_option(kIncludeCircle, true);
}

// The fixture pages 1..10 that hold at least one fixture.
std::vector<int16_t> used_fixture_pages(const SetupData& setup) {
    const PageCounts counts = count_page_fixtures(setup);
    std::vector<int16_t> pages;
    for (int page = 1; page <= kFixturePages; ++page) {
        if (counts[static_cast<size_t>(page)] > 0) pages.push_back(static_cast<int16_t>(page));
    }
    return pages;
}

bool send_page_title(int16_t page) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "FIXTURES PAGE %d", page);
    return send_printer_bytes(text.data()) && send_printer_bytes("\r\n\r\n");
}

// One visit of the window.
class InfoWindow {
public:
    InfoWindow(SetupData& setup, AddressState& state) : setup_(setup), state_(state), screen_(save_area(kWindow)) {}

    void run() {
        runtime::set_mouse_range(kPointerRange.x1, kPointerRange.y1, kPointerRange.x2, kPointerRange.y2);
        {
            const PointerHidden hidden;
            draw_window();
        }
        write_stage_type_report(setup_);
        write_stage_output_report(setup_, state_);
        load_report(kReportTypes);
        for (;;) {
            const int16_t key = read_setup_key();
            runtime::read_mouse(0);
            const bool right = key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight;
            if (right) break;
            if (runtime::mouse_buttons == runtime::kMouseLeft) {
                left_click();
            } else {
                by_key(key);
            }
            const bool quiet = runtime::mouse_buttons == runtime::kMouseNoButton;
            for (int16_t k : kWindowKeys) runtime::set_key_led(k, quiet ? runtime::LED_BLINK : runtime::LED_OFF);
        }
        leave();
    }

private:
    int16_t page_count() const { return static_cast<int16_t>((static_cast<int>(report_lines.size()) - 2) / kPageLines + 1); }

    void load_report(int report) {
        shown_ = report;
        read_stage_report(report);
        page_ = 1;
        const PointerHidden hidden;
        ui::fill_box(117, 201, 563, 215, kSetupBlue);
        if (!report_lines.empty()) draw_text(120, 205, kSetupYellow, report_lines[0].c_str());
        draw_page();
    }

    void draw_page() {
        const PointerHidden hidden;
        ui::fill_box(117, 217, 548, 423, kSetupBlack);
        for (int i = 1; i <= kPageLines; ++i) {
            const size_t n = static_cast<size_t>((page_ - 1) * kPageLines + i);
            if (n >= report_lines.size()) break;
            const std::string& line = report_lines[n];
            platform::_setcolor(!line.empty() && line[0] == ' ' ? kSetupLightGrey : kGreen);
            for (size_t column = 0; column < line.size(); ++column) {
                const std::array<char, 2> c = {line[column], '\0'};
                platform::_outtextxy(static_cast<int>(120 + kPitch_px * column), 213 + 10 * i, c.data());
            }
        }
        const int count = page_count();
        ui::fill_box(551, 237, 562, 403, kSetupDarkGrey);
        ui::fill_box(551, static_cast<int16_t>(237 + 166 * (page_ - 1) / count), 562, static_cast<int16_t>(237 + 166 * page_ / count),
                     kSetupRed);
    }

    void turn_page(int delta) {
        const int page = page_ + delta;
        if (page < 1 || page > page_count()) return;
        page_ = static_cast<int16_t>(page);
        draw_page();
    }

    void toggle_include() {
        include_stage_ = !include_stage_;
        const PointerHidden hidden;
        fill_option(kIncludeCircle, include_stage_);
    }

    void show(int report) {
        if (shown_ == report) return;
        {
            const PointerHidden hidden;
            fill_option(kTypeCircle, report == kReportTypes);
            fill_option(kOutputCircle, report == kReportOutputs);
        }
        load_report(report);
    }

    void left_click() {
        if (inside(kScrollUp)) turn_page(-1);
        if (inside(kScrollDown)) turn_page(+1);
        if (inside(kIncludeOption)) toggle_include();
        if (inside(kTypeOption)) show(kReportTypes);
        if (inside(kOutputOption)) show(kReportOutputs);
        if (inside(kPrintButton)) print();
        if (inside(kExportButton)) export_pages();
    }

    void by_key(int16_t key) {
        switch (key) {
        case runtime::KEY_DIGIT_1: show(kReportTypes); break;
        case runtime::KEY_DIGIT_2: show(kReportOutputs); break;
        case runtime::KEY_PAGE_UP: turn_page(-1); break;
        case runtime::KEY_PAGE_DOWN: turn_page(+1); break;
        case runtime::KEY_PANEL_1: toggle_include(); break;
        default: break;
        }
    }

    // The report, a form feed, then the used stage pages two to a sheet.
    bool print_all() {
        ui::run_dos_command(shown_ == kReportOutputs ? "xcopy %s\\lib\\info2.txt prn /v" : "xcopy %s\\lib\\info1.txt prn /v",
                            runtime::home_directory.c_str());
        if (!send_printer_bytes(std::string(1, static_cast<char>(kFormFeed)))) return false;
        if (!include_stage_) return true;
        int16_t waiting = 0;
        for (int16_t page : used_fixture_pages(setup_)) {
            if (waiting == 0) {
                waiting = page;
                continue;
            }
            if (!print_fixture_pages(setup_, screen_, waiting, page)) return false;
            waiting = 0;
        }
        return waiting == 0 || print_fixture_pages(setup_, screen_, waiting, 0);
    }

    void print() {
        runtime::show_mouse_cursor(0);
        show_setup_status("++ PRINTING ++");
        uint32_t size_bytes = 0;
        const bool ready = datafiles::lookup_file_size(stage_report_path(shown_), size_bytes) && printer_ready();
        if (!ready || !print_all()) refuse_in_setup(kPrinterError, kPrinterError_ms);
        show_setup_status(kCancelPrompt);
        runtime::show_mouse_cursor(1);
    }

    void export_pages() {
        runtime::show_mouse_cursor(0);
        show_setup_status("++ EXPORTING ++");
        const std::vector<uint8_t> window = save_area(kWindow);
        put_area(kWindow, screen_);
        stage_print_mode = 1;
        const int16_t page = runtime::fixture_page;
        bool written = true;
        for (int16_t p = 1; p <= kFixturePages; ++p) {
            runtime::fixture_page = p;
            draw_stage_page(setup_);
            written = export_stage_bitmap(kExportedArea.x1, kExportedArea.y1, kExportedArea.x2, kExportedArea.y2) && written;
        }
        stage_print_mode = 0;
        runtime::fixture_page = page;
        put_area(kWindow, window);
        if (!written) refuse_in_setup("STAGE BITMAPS NOT WRITTEN", kPrinterError_ms);
        show_setup_status(kCancelPrompt);
        runtime::show_mouse_cursor(1);
    }

    void leave() {
        runtime::show_mouse_cursor(0);
        put_area(kWindow, screen_);
        for (int16_t k : kWindowKeys) runtime::set_key_led(k, runtime::LED_OFF);
        runtime::show_mouse_cursor(1);
        report_lines.clear();
    }

    SetupData& setup_;
    AddressState& state_;
    std::vector<uint8_t> screen_;
    int shown_ = kReportTypes;
    int16_t page_ = 1;
    bool include_stage_ = true;
};

}  // namespace

bool print_fixture_pages(const SetupData& setup, std::span<const uint8_t> stage_image, int16_t first_page,
                         int16_t second_page) {
    stage_print_mode = 1;
    const std::vector<uint8_t> screen = save_area(kWindow);
    put_area(kWindow, stage_image);
    const int16_t page = runtime::fixture_page;
    const auto print_page = [&](int16_t p, const char* before) {
        runtime::fixture_page = p;
        draw_stage_page(setup);
        return send_printer_bytes(before) && send_page_title(p) &&
               print_screen_area(kPrintedArea.x1, kPrintedArea.y1, kPrintedArea.x2, kPrintedArea.y2);
    };
    bool sent = print_page(first_page, "\r\n");
    if (sent && second_page != 0) sent = print_page(second_page, "\r\n\r\n");
    if (sent) sent = send_printer_bytes(std::string(1, static_cast<char>(kFormFeed)));
    put_area(kWindow, screen);
    runtime::fixture_page = page;
    stage_print_mode = 0;
    return sent;
}

void run_stage_output_info(SetupData& setup, AddressState& state) {
    if (patch_conflict_count != 0) {
        refuse_in_setup("SOLVE PATCH CONFLICTS FIRST", kConflicts_ms);
        return;
    }
    InfoWindow window(setup, state);
    window.run();
}

}  // namespace setup
