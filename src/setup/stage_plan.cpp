#include "setup/stage_plan.h"

#include <cstdio>
#include <cstdlib>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "runtime/step_log.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "setup/stage_plan_items.h"
#include "setup/stage_printing.h"
#include "ui/helpers.h"

namespace setup {

namespace {
constexpr std::array<int16_t, kStageColours + 1> kStartColours = {0, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13};

constexpr int kGridCells = 25;
constexpr size_t kOrientationBytes = 124;
constexpr size_t kLabelDx = 0;
constexpr size_t kLabelDy = 2;
constexpr size_t kSymbolRows = 4;
constexpr int kRowBytes = 4;
constexpr int kLastByteBits = 6;  // byte 3 of a row holds columns 24..29
constexpr int kOrientations = 8;
constexpr int16_t kLabelTextSize = 4;

// Pointer ranges: the symbol kept inside the stage view while placing, and
// the whole screen afterwards.
constexpr int16_t kPlaceMinX = 123, kPlaceMinY = 202, kPlaceMaxX = 430, kPlaceMaxY = 390;
constexpr int16_t kScreenMaxX = 628, kScreenMaxY = 470;
constexpr int32_t kTurnHz = 800;
constexpr uint32_t kTurn_ms = 150;
constexpr const char* kPlaceStatus = "LMB=POSITION 1..8=TURN RMB=ESC";

bool in_setup() { return (runtime::mode_flags & runtime::MODE_IN_SETUP) != 0; }

void draw_grid() {
    const runtime::StageView& v = runtime::stage_view;
    const int step_x = (v.right - v.left) / kGridCells;
    const int step_y = (v.bottom - v.top) / kGridCells;
    platform::_setcolor(kSetupDarkGrey);
    platform::_setlinestyle(platform::kDottedLine, 0, platform::kNormalWidth);
    for (int x = v.left + 1 + step_x; step_x > 0 && x < v.right; x += step_x) platform::_line(x, v.top + 1, x, v.bottom - 1);
    for (int y = v.top + 1 + step_y; step_y > 0 && y < v.bottom; y += step_y) platform::_line(v.left + 1, y, v.right - 1, y);
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
}

void draw_stage_items(const SetupData& setup) {
    const int page = runtime::fixture_page;
    for (const StageItemKind kind : {StageItemKind::ellipse, StageItemKind::rect, StageItemKind::line, StageItemKind::text}) {
        for (int i = 1; i <= stage_item_count(setup, kind); ++i) {
            if (stage_item_page(setup, kind, i) != page) continue;
            draw_stage_item(setup, kind, i, static_cast<int16_t>(stage_item_colour(setup, kind, i)));
        }
    }
}

// The 124-byte image of a type's drawing in the setup for an orientation;
// empty for a type index outside the setup's types.
std::span<const uint8_t> type_image(const SetupData& setup, int type_index, int orientation) {
    if (type_index < 0 || type_index >= rig_type_count(setup)) return {};
    const size_t at = SetupData::type_drawing_field(type_index + 1) + kOrientationBytes * static_cast<size_t>(orientation & 7);
    return std::span<const uint8_t>(setup.bytes).subspan(at, kOrientationBytes);
}

int16_t image_i16(std::span<const uint8_t> image, size_t at) {
    return static_cast<int16_t>(image[at] | image[at + 1] << 8);
}

void set_digit_leds(int lit) {
    for (int d = 1; d <= kOrientations; ++d) {
        runtime::set_key_led(runtime::digit_key(d), d == lit ? runtime::LED_ON : runtime::LED_BLINK);
    }
}

std::span<const uint8_t> drawing_image(const FixtureDrawing& drawing, int orientation) {
    return std::span<const uint8_t>(drawing).subspan(kOrientationBytes * static_cast<size_t>(orientation & 7), kOrientationBytes);
}

}  // namespace

std::array<int16_t, kStageColours + 1> stage_colours{};
int16_t stage_colour_index = 0;

void reset_stage_plan_globals() {
    stage_colours = {};
    stage_colour_index = 0;
}

void init_stage_colours() {
    stage_colours = kStartColours;
    stage_colour_index = 0;
}

void draw_stage_page(const SetupData& setup) {
    const runtime::StageView& v = runtime::stage_view;
    ui::fill_box(static_cast<int16_t>(v.left + 1), static_cast<int16_t>(v.top + 1), static_cast<int16_t>(v.right - 1),
                 static_cast<int16_t>(v.bottom - 1), kSetupBlack);
    if (in_setup() && stage_print_mode == 0) draw_grid();
    draw_stage_items(setup);
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) {
        const FixtureRecord r = read_fixture(setup, f);
        if (fixture_page_of(r.number) != runtime::fixture_page) continue;
        highlight_stage_fixture(setup, static_cast<int16_t>(f - 1), r.stage_colour);
        draw_fixture_number(setup, static_cast<int16_t>(f - 1), r.stage_colour);
    }
}

void draw_stage_item(const SetupData& setup, StageItemKind kind, int i, int16_t colour) {
    platform::_setcolor(colour);
    if (kind == StageItemKind::ellipse) {
        StageEllipse e = read_stage_ellipse(setup, i);
        convert_stage_to_screen(e.x, e.y);
        convert_stage_to_screen(e.rim_x, e.rim_y);
        platform::_ellipse(e.x, e.y, 0, 360, std::abs(e.rim_x - e.x), std::abs(e.rim_y - e.y));
    } else if (kind == StageItemKind::text) {
        StageText t = read_stage_text(setup, i);
        convert_stage_to_screen(t.x, t.y);
        ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kLabelTextSize);
        platform::_outtextxy(t.x, t.y, t.text);
    } else {
        StageSegment s = read_stage_segment(setup, kind, i);
        convert_stage_to_screen(s.x1, s.y1);
        convert_stage_to_screen(s.x2, s.y2);
        if (kind == StageItemKind::rect) {
            platform::_rectangle(s.x1, s.y1, s.x2, s.y2);
        } else {
            platform::_line(s.x1, s.y1, s.x2, s.y2);
        }
    }
}

void draw_fixture_symbol(int16_t x, int16_t y, std::span<const uint8_t> image) {
    if (image.size() < kOrientationBytes) return;
    // Each run of set pixels in a row is one line.
    for (int r = 0; r < kSymbolSize_px; ++r) {
        int run_start = -1;
        for (int b = 0; b < kRowBytes; ++b) {
            const uint8_t bits = image[kSymbolRows + static_cast<size_t>(kRowBytes * r + b)];
            const int columns = b == kRowBytes - 1 ? kLastByteBits : 8;
            for (int k = 0; k < columns; ++k) {
                const int column = 8 * b + k;
                const bool set = (bits >> k & 1) != 0;
                if (set && run_start < 0) run_start = column;
                if (!set && run_start >= 0) {
                    platform::_line(x + run_start, y + r, x + column - 1, y + r);
                    run_start = -1;
                }
            }
        }
        const int end = 8 * (kRowBytes - 1) + kLastByteBits;
        if (run_start >= 0) platform::_line(x + run_start, y + r, x + end - 1, y + r);
    }
}

void highlight_stage_fixture(const SetupData& setup, int16_t index, int16_t colour) {
    if (index < 0 || index >= rig_fixture_count(setup)) return;
    const FixtureRecord r = read_fixture(setup, index + 1);
    int16_t x = r.x;
    int16_t y = r.y;
    convert_stage_to_screen(x, y);
    platform::_setcolor(colour);
    draw_fixture_symbol(x, y, type_image(setup, r.type_index, r.orientation));
}

void draw_fixture_number(const SetupData& setup, int16_t index, int16_t colour) {
    if (index < 0 || index >= rig_fixture_count(setup)) return;
    const FixtureRecord r = read_fixture(setup, index + 1);
    const std::span<const uint8_t> image = type_image(setup, r.type_index, r.orientation);
    if (image.empty()) return;
    int16_t x = r.x;
    int16_t y = r.y;
    convert_stage_to_screen(x, y);
    std::array<char, 12> text{};
    std::snprintf(text.data(), text.size(), "%2d", fixture_key_of(r.number));
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kLabelTextSize);
    platform::_setcolor(colour);
    platform::_outtextxy(x + image_i16(image, kLabelDx), y + image_i16(image, kLabelDy), text.data());
}

void draw_page_fixture_numbers(const SetupData& setup, int16_t show) {
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) {
        const FixtureRecord r = read_fixture(setup, f);
        if (fixture_page_of(r.number) != runtime::fixture_page) continue;
        draw_fixture_number(setup, static_cast<int16_t>(f - 1), show != 0 ? r.stage_colour : kSetupBlack);
    }
}

int16_t find_nearest_stage_fixture(SetupData& setup, LibraryList& list) {
    const PageCounts counts = count_page_fixtures(setup);
    const int page = page_with_fixtures_from(counts, runtime::fixture_page);
    if (page == 0) return 0;
    if (page != runtime::fixture_page) change_fixture_page(setup, static_cast<int16_t>(page), list);
    return static_cast<int16_t>(nearest_page_fixture(setup, page, runtime::mouse_x, runtime::mouse_y));
}

PlacedSymbol place_symbol(SetupData& setup, LibraryList& list) {
    const PageCounts counts = count_page_fixtures(setup);
    const int page = page_with_room_from(counts, runtime::fixture_page);
    if (page != runtime::fixture_page) change_fixture_page(setup, static_cast<int16_t>(page), list);
    set_digit_leds(1);
    const FixtureDrawing drawing = list.loaded_drawing;
    runtime::show_mouse_cursor(0);
    runtime::set_mouse_range(kPlaceMinX, kPlaceMinY, kPlaceMaxX, kPlaceMaxY);
    show_setup_status(kPlaceStatus);
    runtime::read_mouse(0);
    PlacedSymbol placed;
    int16_t x = runtime::mouse_x;
    int16_t y = runtime::mouse_y;
    platform::_setcolor(kSetupYellow);
    platform::_setwritemode(platform::kXorMode);
    draw_fixture_symbol(x, y, drawing_image(drawing, placed.orientation));
    for (;;) {
        const int16_t key = read_setup_key();
        runtime::read_mouse(0);
        if (runtime::mouse_x != x || runtime::mouse_y != y) {
            draw_fixture_symbol(x, y, drawing_image(drawing, placed.orientation));
            x = runtime::mouse_x;
            y = runtime::mouse_y;
            draw_fixture_symbol(x, y, drawing_image(drawing, placed.orientation));
        }
        if (runtime::mouse_buttons == runtime::kMouseLeft) {
            placed.placed = true;
            break;
        }
        if (runtime::mouse_buttons == runtime::kMouseRight || key == runtime::KEY_ESC) break;
        if (key >= runtime::digit_key(1) && key <= runtime::digit_key(kOrientations)) {
            ui::beep(kTurnHz, kTurn_ms);
            draw_fixture_symbol(x, y, drawing_image(drawing, placed.orientation));
            placed.orientation = static_cast<uint8_t>(key - runtime::digit_key(1));
            draw_fixture_symbol(x, y, drawing_image(drawing, placed.orientation));
            set_digit_leds(placed.orientation + 1);
        }
    }
    ui::beep(kTurnHz, kTurn_ms);
    draw_fixture_symbol(x, y, drawing_image(drawing, placed.orientation));
    platform::_setwritemode(platform::kCopyMode);
    placed.x = x;
    placed.y = y;
    runtime::set_mouse_range(0, 0, kScreenMaxX, kScreenMaxY);
    runtime::show_mouse_cursor(1);
    for (int d = 1; d <= kOrientations; ++d) runtime::set_key_led(runtime::digit_key(d), runtime::LED_OFF);
    return placed;
}

}  // namespace setup
