#include "setup/stage_plan_editor.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "memcheck/memcheck.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/address_list_slots.h"
#include "setup/fixture_editing.h"
#include "setup/library_browser.h"
#include "setup/patch_conflicts.h"
#include "setup/setup_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan.h"
#include "setup/stage_plan_edit.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/text_entry.h"

namespace setup {

namespace {

using runtime::mouse_x;
using runtime::mouse_y;

constexpr Area kStageArea = {117, 202, 463, 424};
constexpr Area kWholeScreen = {0, 0, 628, 470};
constexpr Area kSwatchColumn = {492, 224, 524, 403};
constexpr Area kMenuArea = {522, 308, 622, 420};
constexpr Area kMenuRange = {525, 332, 619, 413};
constexpr Area kTextBox = {446, 431, 629, 459};

constexpr int32_t kStartHz = 1000;
constexpr uint32_t kStart_ms = 20;
constexpr uint32_t kFull_ms = 800;
constexpr int32_t kPickHz = 800;
constexpr uint32_t kPick_ms = 150;
constexpr uint32_t kPlaceText_ms = 200;
constexpr int32_t kDeleteHz = 600;
constexpr uint32_t kDelete_ms = 50;
constexpr int32_t kEraseAllHz = 400;
constexpr uint32_t kEraseAll_ms = 200;
// REDRAW's three tones.
struct Tone {
    int32_t freq_hz;
    uint32_t duration_ms;
};
constexpr std::array<Tone, 3> kRedrawTones = {{{400, 100}, {800, 50}, {400, 100}}};

constexpr int16_t kMarkColour = kSetupYellow;  // rubber bands and the picked item
constexpr int16_t kActiveFill = kSetupLightCyan;
constexpr int16_t kIdleFill = kSetupDarkGrey;
constexpr int16_t kTextSize = 4;
constexpr int kTextFrameHeight_px = 6;
constexpr int kTextStart_px = 10;  // a new text's frame starts this far inside the view
constexpr int16_t kToolHomeX = 477;
constexpr int16_t kEraseAllButton = 7;
constexpr int16_t kRedrawButton = 8;
constexpr int16_t kColourButtonHomeX = 497;
constexpr int16_t kColourButtonHomeY = 409;

constexpr const char* kRelease = "RELEASE LMB WHEN READY...";
constexpr const char* kPlaceText = "LMB=POSITION RMB=CANCEL";
constexpr const char* kTextsFull = "MAXIMUM 20 TEXT-ITEMS";
constexpr const char* kMenuPrompt = "LMB=EDIT COLORS RMB=CANCEL";
constexpr const char* kEraseAllPrompt = "LMB=CLEAR  RMB=CANCEL";

// ------------------------------------------------------------------ small helpers


void set_small_font() { ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize); }

int16_t current_stage_colour() {
    return stage_colours[static_cast<size_t>(std::clamp<int>(stage_colour_index, 0, kStageColours - 1) + 1)];
}

enum class Click : uint8_t { none, left, right };

// One pass: the pending key and a fresh button press; ESC counts as the
// right button, and ENTER as the left where `enter_is_left`.
Click read_click(bool enter_is_left = false) {
    const int16_t key = read_setup_key();
    runtime::read_mouse(0);
    if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) return Click::right;
    if (runtime::mouse_buttons == runtime::kMouseLeft || (enter_is_left && key == runtime::KEY_ENTER)) return Click::left;
    return Click::none;
}

Click wait_click(bool enter_is_left = false) {
    runtime::mouse_buttons = runtime::kMouseNoButton;
    for (;;) {
        const Click c = read_click(enter_is_left);
        if (c != Click::none) return c;
    }
}

// A screen area saved as an image in a heap buffer; put back on demand.
// Without the memory for it, `saved()` is false and nothing is put back.
class SavedImage {
public:
    SavedImage(const Area& a) : area_(a), size_(platform::_imagesize(a.x1, a.y1, a.x2, a.y2)) {
        image_ = static_cast<uint8_t*>(memcheck::mc_malloc_at(size_, __FILE__, __LINE__));
        if (image_ != nullptr && !platform::_getimage(a.x1, a.y1, a.x2, a.y2, std::span<uint8_t>(image_, size_))) release();
    }
    ~SavedImage() { release(); }
    bool saved() const { return image_ != nullptr; }
    void put_back() const {
        if (image_ != nullptr) platform::_putimage(area_.x1, area_.y1, std::span<const uint8_t>(image_, size_), platform::kCopyPut);
    }
    void release() {
        if (image_ != nullptr) memcheck::mc_free_at(image_, __FILE__, __LINE__);
        image_ = nullptr;
    }
    SavedImage(const SavedImage&) = delete;
    SavedImage& operator=(const SavedImage&) = delete;

private:
    Area area_;
    uint32_t size_;
    uint8_t* image_ = nullptr;
};

// ------------------------------------------------------------------ tool buttons

enum class Tool : uint8_t { add_ellipse, edit_ellipses, add_rect, edit_rects, add_line, edit_lines, add_text, edit_texts };

struct ToolButton {
    int16_t top;
    int16_t bottom;
    int16_t home_y;  // where the pointer is put back after the tool
};
constexpr int16_t kToolLeft = 466;
constexpr int16_t kToolRight = 490;
constexpr std::array<ToolButton, 8> kToolButtons = {{
    {202, 233, 220}, {237, 253, 245}, {257, 288, 270}, {292, 308, 300},
    {312, 343, 330}, {347, 363, 355}, {367, 398, 385}, {402, 423, 410},
}};
constexpr std::array<int16_t, 8> kEditFaceY = {0, 243, 0, 298, 0, 353, 0, 410};

const ToolButton& button_of(Tool tool) { return kToolButtons[static_cast<size_t>(tool)]; }

void draw_tool_face(Tool tool, int16_t colour) {
    platform::_setcolor(colour);
    set_small_font();
    switch (tool) {
        case Tool::add_ellipse: platform::_circle(478, 219, 10); break;
        case Tool::add_rect: platform::_rectangle(470, 265, 486, 280); break;
        case Tool::add_line: platform::_line(470, 315, 486, 340); break;
        case Tool::add_text: platform::_outtextxy(467, 380, "TEXT"); break;
        default: platform::_outtextxy(467, kEditFaceY[static_cast<size_t>(tool)], "EDIT"); break;
    }
}

// Active: filled with colour 11, face in 8; idle: the reverse.
void show_tool(Tool tool, bool active) {
    const PointerHidden hidden;
    const ToolButton& b = button_of(tool);
    ui::fill_box(kToolLeft, b.top, kToolRight, b.bottom, active ? kActiveFill : kIdleFill);
    draw_tool_face(tool, active ? kIdleFill : kActiveFill);
}

// ------------------------------------------------------------------ adding shapes

struct ShapeKind {
    StageItemKind kind;
    Tool tool;
    const char* prompt;
    const char* full;
};
constexpr ShapeKind kAddEllipse = {StageItemKind::ellipse, Tool::add_ellipse, "LMB=ELLIPSE RMB=CANCEL", "MAXIMUM 100 ELLIPSES"};
constexpr ShapeKind kAddRect = {StageItemKind::rect, Tool::add_rect, "LMB=RECTANGLE RMB=CANCEL", "MAXIMUM 100 RECTANGLES"};
constexpr ShapeKind kAddLine = {StageItemKind::line, Tool::add_line, "LMB=LINE RMB=CANCEL", "MAXIMUM 100 LINES"};

struct Point {
    int16_t x = 0;
    int16_t y = 0;
    bool operator==(const Point&) const = default;
};

// The ellipse's rim for the pointer, held inside the stage area.
Point clamped_rim(Point anchor, Point pointer) {
    return {clamp_ellipse_rim(anchor.x, pointer.x, kStageArea.x1, kStageArea.x2),
            clamp_ellipse_rim(anchor.y, pointer.y, kStageArea.y1, kStageArea.y2)};
}

void draw_shape(StageItemKind kind, Point a, Point b) {
    switch (kind) {
        case StageItemKind::ellipse: platform::_ellipse(a.x, a.y, 0, 360, std::abs(b.x - a.x), std::abs(b.y - a.y)); break;
        case StageItemKind::rect: platform::_rectangle(a.x, a.y, b.x, b.y); break;
        default: platform::_line(a.x, a.y, b.x, b.y); break;
    }
}

// The rubber band of a new shape: lines and rectangles in XOR mode (drawn
// twice they leave the screen as it was), the ellipse over a saved copy of
// the stage area put back before each new outline.
class RubberBand {
public:
    RubberBand(StageItemKind kind, Point anchor, int16_t colour) : kind_(kind), anchor_(anchor), end_(anchor) {
        if (kind_ == StageItemKind::ellipse) under_.emplace(kStageArea);
        platform::_setcolor(colour);
        draw();
    }
    void follow(Point pointer) {
        if (kind_ == StageItemKind::ellipse) pointer = clamped_rim(anchor_, pointer);
        if (pointer == end_) return;
        erase();
        end_ = pointer;
        draw();
    }
    void erase() {
        if (kind_ != StageItemKind::ellipse) {
            draw();
        } else if (under_.has_value()) {
            under_->put_back();
        }
    }
    Point end() const { return end_; }

private:
    void draw() {
        if (kind_ != StageItemKind::ellipse) platform::_setwritemode(platform::kXorMode);
        draw_shape(kind_, anchor_, end_);
        platform::_setwritemode(platform::kCopyMode);
    }
    StageItemKind kind_;
    Point anchor_;
    Point end_;
    std::optional<SavedImage> under_;
};

// True when a right press, a held right button or ESC ends the wait.
bool cancelled(int16_t key) {
    return key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight ||
           runtime::mouse_button_released[runtime::kMouseRight] == 0;
}

void store_shape(SetupData& setup, StageItemKind kind, Point a, Point b, int16_t colour) {
    convert_screen_to_stage(a.x, a.y);
    convert_screen_to_stage(b.x, b.y);
    const auto page = static_cast<uint8_t>(runtime::fixture_page);
    const auto c = static_cast<uint16_t>(colour);
    if (kind == StageItemKind::ellipse) {
        append_stage_ellipse(setup, {page, a.x, a.y, 0, 360, b.x, b.y, c});
    } else {
        append_stage_segment(setup, kind, {page, a.x, a.y, b.x, b.y, c});
    }
}

// One drag from the anchor: false when cancelled (nothing stored, no trace left).
bool drag_shape(SetupData& setup, StageItemKind kind, Point anchor, int16_t colour, int16_t band_colour) {
    RubberBand band(kind, anchor, band_colour);
    for (;;) {
        const int16_t key = read_setup_key();
        runtime::read_mouse(1);
        if (cancelled(key)) {
            band.erase();
            return false;
        }
        if (runtime::mouse_buttons != runtime::kMouseLeft) break;
        band.follow({mouse_x, mouse_y});
    }
    band.erase();
    platform::_setcolor(colour);
    draw_shape(kind, anchor, band.end());
    store_shape(setup, kind, anchor, band.end(), colour);
    return true;
}

void add_shapes(SetupData& setup, const ShapeKind& k) {
    const int16_t colour = current_stage_colour();
    show_tool(k.tool, true);
    const int limit = stage_item_limit(k.kind);
    if (stage_item_count(setup, k.kind) < limit) {
        ui::beep(kStartHz, kStart_ms);
        confine(kStageArea);
        bool first = true;
        while (stage_item_count(setup, k.kind) < limit) {
            show_setup_status(k.prompt);
            runtime::show_mouse_cursor(1);
            const Click c = wait_click();
            runtime::show_mouse_cursor(0);
            if (c == Click::right) break;
            show_setup_status(kRelease);
            ui::beep(kPickHz, kPick_ms);
            // A run of lines shows its first band in yellow, later ones in the item colour.
            const int16_t band = k.kind == StageItemKind::line && !first ? colour : kMarkColour;
            if (!drag_shape(setup, k.kind, {mouse_x, mouse_y}, colour, band)) break;
            first = false;
        }
    }
    const bool full = stage_item_count(setup, k.kind) >= limit;
    if (full) refuse_in_setup(k.full, kFull_ms);
    confine(kWholeScreen);
    show_tool(k.tool, false);
    runtime::show_mouse_cursor(1);
    if (!full) runtime::set_mouse_position(kToolHomeX, button_of(k.tool).home_y);
}

// ------------------------------------------------------------------ texts

// The frame that stands for a text while it is placed: as wide as the
// text less 2 pixels, 6 high, top-left at `at`; drawn in XOR mode.
struct TextFrame {
    Point at;
    int16_t width = 0;
    void draw() const {
        platform::_setwritemode(platform::kXorMode);
        platform::_setcolor(kMarkColour);
        platform::_rectangle(at.x, at.y, at.x + width, at.y + kTextFrameHeight_px);
        platform::_setwritemode(platform::kCopyMode);
    }
    // Moved by the trackerball's steps, each axis only while it stays inside the view.
    bool follow(int16_t dx, int16_t dy) {
        const runtime::StageView& v = runtime::stage_view;
        const bool x_ok = dx != 0 && stage_move_allowed(at.x, at.x + width, dx, v.left, v.right);
        const bool y_ok = dy != 0 && stage_move_allowed(at.y, at.y + kTextFrameHeight_px, dy, v.top, v.bottom);
        if (!x_ok && !y_ok) return false;
        draw();
        if (x_ok) at.x = static_cast<int16_t>(at.x + dx);
        if (y_ok) at.y = static_cast<int16_t>(at.y + dy);
        draw();
        return true;
    }
};

int16_t text_frame_width(const std::string& text) {
    set_small_font();
    return static_cast<int16_t>(std::max(0, platform::_textwidth(text) - 2));
}

// The frame follows the trackerball until LMB (true) or RMB / ESC (false);
// the frame is erased either way.
bool place_text_frame(TextFrame& frame) {
    runtime::mouse_buttons = runtime::kMouseNoButton;
    frame.draw();
    for (;;) {
        const int16_t key = read_setup_key();
        runtime::read_trackerball(0);
        if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) break;
        if (runtime::mouse_buttons == runtime::kMouseLeft) {
            frame.draw();
            return true;
        }
        frame.follow(mouse_x, mouse_y);
    }
    frame.draw();
    return false;
}

// ------------------------------------------------------------------ editing items

struct EditKind {
    StageItemKind kind;
    Tool tool;
    const char* none;
    const char* prompt;
    const char* moving;
};
constexpr EditKind kEditEllipses = {StageItemKind::ellipse, Tool::edit_ellipses, "NO ELLIPSES TO CLEAR",
                                    "LAST/NEXT=ELLIPSE DEL=CLEAR LMB=REPLACE RMB=CANCEL", "REPLACE ELLIPSE UNTIL LMB..."};
constexpr EditKind kEditRects = {StageItemKind::rect, Tool::edit_rects, "NO RECTANGLES TO CLEAR",
                                 "LAST/NEXT=RECTANGLE DEL=CLEAR LMB=REPLACE RMB=CANCEL", "REPLACE RECTANGLE UNTIL LMB..."};
constexpr EditKind kEditLines = {StageItemKind::line, Tool::edit_lines, "NO LINES TO CLEAR",
                                 "LAST/NEXT=LINE DEL=CLEAR LMB=REPLACE RMB=CANCEL", "REPLACE LINE UNTIL LMB..."};
constexpr EditKind kEditTexts = {StageItemKind::text, Tool::edit_texts, "NO TEXT TO CLEAR",
                                 "LAST/NEXT=TEXT DEL=CLEAR LMB=REPLACE RMB=CANCEL", "REPLACE TEXT UNTIL LMB..."};

constexpr std::array<int16_t, 4> kEditLedKeys = {runtime::KEY_ESC, runtime::KEY_LAST, runtime::KEY_NEXT, runtime::KEY_DEL};
constexpr std::array<int16_t, 3> kRecolourLedKeys = {runtime::KEY_ESC, runtime::KEY_LAST, runtime::KEY_NEXT};

template <size_t N>
void set_leds(const std::array<int16_t, N>& keys, uint8_t state) {
    for (const int16_t key : keys) runtime::set_key_led(key, state);
}

// The LEDs blink while no button is down and the pass's key is not ESC.
template <size_t N>
void update_leds(const std::array<int16_t, N>& keys, int16_t key) {
    set_leds(keys, runtime::mouse_buttons == runtime::kMouseNoButton && key != runtime::KEY_ESC ? runtime::LED_BLINK
                                                                                              : runtime::LED_OFF);
}

void draw_item(const SetupData& setup, StageItemKind kind, int i, int16_t colour) {
    const PointerHidden hidden;
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
    draw_stage_item(setup, kind, i, colour);
}

void draw_item_in_own_colour(const SetupData& setup, StageItemKind kind, int i) {
    draw_item(setup, kind, i, static_cast<int16_t>(stage_item_colour(setup, kind, i)));
}

// An item's points on the screen: ellipse centre and rim, segment ends,
// text top-left (b unused).
struct ScreenItem {
    Point a;
    Point b;
    int16_t text_width = 0;
};

ScreenItem screen_item(const SetupData& setup, StageItemKind kind, int i) {
    ScreenItem s;
    if (kind == StageItemKind::ellipse) {
        const StageEllipse e = read_stage_ellipse(setup, i);
        s.a = {e.x, e.y};
        s.b = {e.rim_x, e.rim_y};
    } else if (kind == StageItemKind::text) {
        const StageText t = read_stage_text(setup, i);
        s.a = {t.x, t.y};
        s.text_width = text_frame_width(t.text);
    } else {
        const StageSegment g = read_stage_segment(setup, kind, i);
        s.a = {g.x1, g.y1};
        s.b = {g.x2, g.y2};
    }
    convert_stage_to_screen(s.a.x, s.a.y);
    if (kind != StageItemKind::text) convert_stage_to_screen(s.b.x, s.b.y);
    return s;
}

// The item's extent on one axis, for the edge limits of a move.
std::pair<int, int> extent(StageItemKind kind, const ScreenItem& s, bool x_axis) {
    const int a = x_axis ? s.a.x : s.a.y;
    const int b = x_axis ? s.b.x : s.b.y;
    switch (kind) {
        case StageItemKind::ellipse: return {a - std::abs(b - a), a + std::abs(b - a)};
        case StageItemKind::text: return {a, a + (x_axis ? s.text_width : kTextFrameHeight_px)};
        default: return {std::min(a, b), std::max(a, b)};
    }
}

// The moving item's outline: an XOR frame or segment, or the ellipse in
// yellow over the saved stage area.
void draw_move_band(StageItemKind kind, const ScreenItem& s, const SavedImage* under) {
    if (kind == StageItemKind::ellipse) {
        if (under != nullptr) under->put_back();
        platform::_setcolor(kMarkColour);
        draw_shape(kind, s.a, s.b);
        return;
    }
    platform::_setwritemode(platform::kXorMode);
    platform::_setcolor(kMarkColour);
    if (kind == StageItemKind::text) {
        platform::_rectangle(s.a.x, s.a.y, s.a.x + s.text_width, s.a.y + kTextFrameHeight_px);
    } else {
        draw_shape(kind, s.a, s.b);
    }
    platform::_setwritemode(platform::kCopyMode);
}

void store_moved_item(SetupData& setup, StageItemKind kind, int i, ScreenItem s) {
    convert_screen_to_stage(s.a.x, s.a.y);
    convert_screen_to_stage(s.b.x, s.b.y);
    if (kind == StageItemKind::ellipse) {
        StageEllipse e = read_stage_ellipse(setup, i);
        e.x = s.a.x;
        e.y = s.a.y;
        e.rim_x = s.b.x;
        e.rim_y = s.b.y;
        write_stage_ellipse(setup, i, e);
    } else if (kind == StageItemKind::text) {
        StageText t = read_stage_text(setup, i);
        t.x = s.a.x;
        t.y = s.a.y;
        write_stage_text(setup, i, t);
    } else {
        StageSegment g = read_stage_segment(setup, kind, i);
        g = {g.page, s.a.x, s.a.y, s.b.x, s.b.y, g.colour};
        write_stage_segment(setup, kind, i, g);
    }
}

// LMB on a selected item: it follows the trackerball until the next LMB,
// each axis only while the item stays more than 2 pixels inside the view.
void move_item(SetupData& setup, StageItemKind kind, int i, const char* moving) {
    const PointerHidden hidden;
    ui::beep(kPickHz, kPick_ms);
    show_setup_status(moving);
    ScreenItem s = screen_item(setup, kind, i);
    draw_stage_item(setup, kind, i, kSetupBlack);
    std::optional<SavedImage> under;
    if (kind == StageItemKind::ellipse) under.emplace(kStageArea);
    const SavedImage* image = under.has_value() ? &*under : nullptr;
    draw_move_band(kind, s, image);
    runtime::mouse_buttons = runtime::kMouseNoButton;
    const runtime::StageView& v = runtime::stage_view;
    for (;;) {
        read_setup_key();
        runtime::read_trackerball(0);
        if (runtime::mouse_buttons == runtime::kMouseLeft) break;
        const auto [x_lo, x_hi] = extent(kind, s, true);
        const auto [y_lo, y_hi] = extent(kind, s, false);
        const int16_t dx = mouse_x != 0 && stage_move_allowed(x_lo, x_hi, mouse_x, v.left, v.right) ? mouse_x : int16_t{0};
        const int16_t dy = mouse_y != 0 && stage_move_allowed(y_lo, y_hi, mouse_y, v.top, v.bottom) ? mouse_y : int16_t{0};
        if (dx == 0 && dy == 0) continue;
        if (kind != StageItemKind::ellipse) draw_move_band(kind, s, image);  // XOR: erases the outline
        s.a = {static_cast<int16_t>(s.a.x + dx), static_cast<int16_t>(s.a.y + dy)};
        s.b = {static_cast<int16_t>(s.b.x + dx), static_cast<int16_t>(s.b.y + dy)};
        draw_move_band(kind, s, image);
    }
    if (kind == StageItemKind::ellipse) {
        if (image != nullptr) image->put_back();
    } else {
        draw_move_band(kind, s, image);
    }
    ui::beep(kPickHz, kPick_ms);
    store_moved_item(setup, kind, i, s);
    draw_stage_item(setup, kind, i, kMarkColour);
}

// The page shows the kind's items: an empty page gives way to the page of
// the kind's first record. The page's first record, 0 none.
int select_first_on_page(SetupData& setup, StageItemKind kind, LibraryList& list) {
    if (count_page_items(setup, kind)[static_cast<size_t>(std::clamp<int>(runtime::fixture_page, 0, kFixturePages))] == 0) {
        const int page = page_of_first_item(setup, kind);
        if (page != 0) change_fixture_page(setup, static_cast<int16_t>(page), list);
    }
    return first_page_item(setup, kind, runtime::fixture_page);
}

void edit_items(SetupData& setup, LibraryList& list, const EditKind& k) {
    show_tool(k.tool, true);
    if (stage_item_count(setup, k.kind) == 0) {
        refuse_in_setup(k.none, kFull_ms);
    } else {
        ui::beep(kStartHz, kStart_ms);
        int selected = select_first_on_page(setup, k.kind, list);
        if (selected != 0) draw_item(setup, k.kind, selected, kMarkColour);
        runtime::mouse_buttons = runtime::kMouseNoButton;
        show_setup_status(k.prompt);
        while (selected != 0) {
            const int16_t key = read_setup_key();
            runtime::read_trackerball(0);
            update_leds(kEditLedKeys, key);
            if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) {
                draw_item_in_own_colour(setup, k.kind, selected);
                break;
            }
            if (key == runtime::KEY_LAST || key == runtime::KEY_NEXT) {
                draw_item_in_own_colour(setup, k.kind, selected);
                selected = step_page_item(setup, k.kind, selected, runtime::fixture_page, key == runtime::KEY_LAST ? -1 : +1);
                draw_item(setup, k.kind, selected, kMarkColour);
            } else if (key == runtime::KEY_DEL) {
                ui::beep(kDeleteHz, kDelete_ms);
                draw_item(setup, k.kind, selected, kSetupBlack);
                delete_stage_item(setup, k.kind, selected);
                const StageSelection next = selection_after_delete(setup, k.kind, selected, runtime::fixture_page);
                if (next.record != 0 && next.page != runtime::fixture_page) {
                    change_fixture_page(setup, static_cast<int16_t>(next.page), list);
                }
                selected = next.record;
                if (selected != 0) draw_item(setup, k.kind, selected, kMarkColour);
            } else if (runtime::mouse_buttons == runtime::kMouseLeft) {
                move_item(setup, k.kind, selected, k.moving);
                show_setup_status(k.prompt);
            }
        }
        set_leds(kEditLedKeys, runtime::LED_OFF);
    }
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
    show_tool(k.tool, false);
    runtime::show_mouse_cursor(1);
    if (stage_item_count(setup, k.kind) > 0) runtime::set_mouse_position(kToolHomeX, button_of(k.tool).home_y);
}

// ------------------------------------------------------------------ colours

constexpr int16_t kSwatchLeft = 493;
constexpr int16_t kSwatchRight = 523;
constexpr int16_t kSwatchTop = 224;
constexpr int16_t kSwatchHeight = 18;
constexpr int16_t kSwatchMarkX = 500;
constexpr int16_t kSwatchMarkY = 229;

void show_colour_button(bool active) {
    const PointerHidden hidden;
    ui::fill_box(494, 407, 522, 423, active ? kActiveFill : kIdleFill);
    set_small_font();
    platform::_setcolor(active ? kIdleFill : kActiveFill);
    platform::_outtextxy(kColourButtonHomeX, kColourButtonHomeY, "EDIT");
}

// The area under the menu drawn anew, when it could not be saved.
void redraw_under_menu(LibraryList& list) {
    const PointerHidden hidden;
    draw_stage_toolbar();
    draw_colour_swatches();
    draw_function_patch_cells(list);
    draw_function_patch_grid();
}

struct MenuEntry {
    const char* name;
    int16_t text_y;
    int16_t top;
    int16_t bottom;
    void (*run)(SetupData&, LibraryList&);
};
constexpr std::array<MenuEntry, 5> kMenuEntries = {{
    {"FIXTURES", 335, 331, 345, recolour_stage_fixtures},
    {"ELLIPSES", 352, 348, 362, recolour_stage_ellipses},
    {"RECTANGLES", 369, 365, 379, recolour_stage_rectangles},
    {"LINES", 386, 382, 396, recolour_stage_lines},
    {"TEXT", 403, 399, 413, recolour_stage_texts},
}};

void draw_colour_menu() {
    ui::fill_box(523, 308, 622, 420, kSetupBlack);
    platform::_setfillstyle(platform::kSolidFill, kSetupDarkGrey);
    platform::_setcolor(kSetupLightGrey);
    platform::_bar3d(522, 312, 618, 420, 3, 1);
    ui::fill_box(523, 313, 617, 325, kSetupRed);
    set_small_font();
    platform::_setcolor(kSetupYellow);
    platform::_outtextxy(529, 315, "EDIT COLORS");
    for (size_t k = 1; k <= kMenuEntries.size(); ++k) {
        const auto top = static_cast<int16_t>(315 + 17 * k);
        ui::fill_box(525, top, 616, static_cast<int16_t>(top + 13), kSetupLightGrey);
        platform::_setcolor(kSetupBlack);
        platform::_outtextxy(526, kMenuEntries[k - 1].text_y, kMenuEntries[k - 1].name);
    }
}

// What one recolour routine steps through: stage items of a kind, or the
// fixtures (records of the page, in record order).
struct RecolourKind {
    bool fixtures;
    StageItemKind kind;
    const char* none;
    const char* prompt;
    const char* picked;
};
constexpr RecolourKind kRecolourFixtures = {true, StageItemKind::ellipse, "NO FIXTURE TO EDIT",
                                            "LAST/NEXT=FIXTURE LMB=SELECT COLOR RMB=CANCEL",
                                            "LAST/NEXT=FIXTURE LMB=SELECT COLOR RMB=CANCEL"};
constexpr RecolourKind kRecolourEllipses = {false, StageItemKind::ellipse, "NO ELLIPSE TO EDIT",
                                            "LAST/NEXT=ELLIPSE LMB=SELECT COLOR RMB=CANCEL",
                                            "LAST/NEXT=>ELLIPSE LMB=SELECT COLOR RMB=CANCEL"};
constexpr RecolourKind kRecolourRects = {false, StageItemKind::rect, "NO RECTANGLES TO EDIT",
                                         "LAST/NEXT=RECTANGLE LMB=SELECT COLOR RMB=CANCEL",
                                         "LAST/NEXT=RECTANGLE LMB=SELECT COLOR RMB=CANCEL"};
constexpr RecolourKind kRecolourLines = {false, StageItemKind::line, "NO LINES TO EDIT",
                                         "LAST/NEXT=LINE LMB=SELECT COLOR RMB=CANCEL",
                                         "LAST/NEXT=LINE LMB=SELECT COLOR RMB=CANCEL"};
constexpr RecolourKind kRecolourTexts = {false, StageItemKind::text, "NO TEXT TO EDIT",
                                         "LAST/NEXT=TEXT LMB=SELECT COLOR RMB=CANCEL",
                                         "LAST/NEXT=TEXT LMB=SELECT COLOR RMB=CANCEL"};

bool on_page(const SetupData& setup, int f, int page) {
    return fixture_page_of(setup.u16(SetupData::fixture_field(f, kFixtureNumber))) == page;
}

int first_page_fixture(const SetupData& setup, int page) {
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) {
        if (on_page(setup, f, page)) return f;
    }
    return 0;
}

int step_page_fixture(const SetupData& setup, int from, int page, int step) {
    const int count = rig_fixture_count(setup);
    int f = from;
    for (int n = 0; n < count; ++n) {
        f += step;
        if (f < 1) f = count;
        if (f > count) f = 1;
        if (on_page(setup, f, page)) return f;
    }
    return from;
}

int16_t fixture_colour(const SetupData& setup, int f) { return setup.i16(SetupData::fixture_field(f, kFixtureStageColour)); }

void draw_recolour_item(const SetupData& setup, const RecolourKind& k, int i, int16_t colour) {
    if (!k.fixtures) {
        draw_item(setup, k.kind, i, colour);
        return;
    }
    const PointerHidden hidden;
    highlight_stage_fixture(setup, static_cast<int16_t>(i - 1), colour);
    draw_fixture_number(setup, static_cast<int16_t>(i - 1), colour);
}

int16_t own_colour(const SetupData& setup, const RecolourKind& k, int i) {
    return k.fixtures ? fixture_colour(setup, i) : static_cast<int16_t>(stage_item_colour(setup, k.kind, i));
}

int first_to_recolour(SetupData& setup, const RecolourKind& k, LibraryList& list) {
    if (!k.fixtures) return select_first_on_page(setup, k.kind, list);
    if (first_page_fixture(setup, runtime::fixture_page) == 0) {
        const int count = rig_fixture_count(setup);
        const int page = fixture_page_of(setup.u16(SetupData::fixture_field(count, kFixtureNumber)));
        if (page != 0) change_fixture_page(setup, static_cast<int16_t>(page), list);
    }
    return first_page_fixture(setup, runtime::fixture_page);
}

void recolour(SetupData& setup, LibraryList& list, const RecolourKind& k) {
    runtime::show_mouse_cursor(0);
    show_colour_button(true);
    const bool any = k.fixtures ? rig_fixture_count(setup) > 0 : stage_item_count(setup, k.kind) > 0;
    if (!any) {
        refuse_in_setup(k.none, kFull_ms);
    } else {
        ui::beep(kStartHz, kStart_ms);
        runtime::show_mouse_cursor(1);
        confine(kSwatchColumn);
        int selected = first_to_recolour(setup, k, list);
        if (selected != 0) draw_recolour_item(setup, k, selected, kMarkColour);
        runtime::mouse_buttons = runtime::kMouseNoButton;
        show_setup_status(k.prompt);
        while (selected != 0) {
            const int16_t key = read_setup_key();
            runtime::read_trackerball(0);
            update_leds(kRecolourLedKeys, key);
            if (key == runtime::KEY_ESC || runtime::mouse_buttons == runtime::kMouseRight) {
                draw_recolour_item(setup, k, selected, own_colour(setup, k, selected));
                set_leds(kRecolourLedKeys, runtime::LED_OFF);
                break;
            }
            if (key == runtime::KEY_LAST || key == runtime::KEY_NEXT) {
                draw_recolour_item(setup, k, selected, own_colour(setup, k, selected));
                const int step = key == runtime::KEY_LAST ? -1 : +1;
                selected = k.fixtures ? step_page_fixture(setup, selected, runtime::fixture_page, step)
                                      : step_page_item(setup, k.kind, selected, runtime::fixture_page, step);
                draw_recolour_item(setup, k, selected, kMarkColour);
            } else if (runtime::mouse_buttons == runtime::kMouseLeft) {
                ui::beep(kPickHz, kPick_ms);
                runtime::read_mouse(1);
                select_colour_swatch_at_mouse();
                const int16_t colour = current_stage_colour();
                if (k.fixtures) {
                    setup.set_i16(SetupData::fixture_field(selected, kFixtureStageColour), colour);
                    const PointerHidden hidden;
                    redraw_page_fixture_keys(setup);
                } else {
                    set_stage_item_colour(setup, k.kind, selected, static_cast<uint16_t>(colour));
                }
                show_setup_status(k.picked);
            }
        }
    }
    runtime::show_mouse_cursor(0);
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
    show_colour_button(false);
    runtime::show_mouse_cursor(1);
    if (any) {
        confine(kWholeScreen);
        runtime::set_mouse_position(kColourButtonHomeX, kColourButtonHomeY);
    }
}

}  // namespace

// ------------------------------------------------------------------ entry points

void run_stage_tool(SetupData& setup, LibraryList& list) {
    for (size_t t = 0; t < kToolButtons.size(); ++t) {
        const ToolButton& b = kToolButtons[t];
        if (!runtime::is_point_in_rect(kToolLeft, b.top, kToolRight, b.bottom, mouse_x, mouse_y)) continue;
        switch (static_cast<Tool>(t)) {
            case Tool::add_ellipse: add_stage_ellipse(setup); break;
            case Tool::edit_ellipses: edit_stage_ellipses(setup, list); break;
            case Tool::add_rect: add_stage_rectangle(setup); break;
            case Tool::edit_rects: edit_stage_rectangles(setup, list); break;
            case Tool::add_line: add_stage_line(setup); break;
            case Tool::edit_lines: edit_stage_lines(setup, list); break;
            case Tool::add_text: add_stage_text(setup); break;
            case Tool::edit_texts: edit_stage_texts(setup, list); break;
        }
        return;
    }
}

void add_stage_ellipse(SetupData& setup) { add_shapes(setup, kAddEllipse); }
void add_stage_rectangle(SetupData& setup) { add_shapes(setup, kAddRect); }
void add_stage_line(SetupData& setup) { add_shapes(setup, kAddLine); }

void add_stage_text(SetupData& setup) {
    show_tool(Tool::add_text, true);
    if (stage_item_count(setup, StageItemKind::text) >= kMaxStageTexts) {
        refuse_in_setup(kTextsFull, kFull_ms);
        show_tool(Tool::add_text, false);
        return;
    }
    ui::beep(kStartHz, kStart_ms);
    std::array<char, kMaxStageTexts + 1> text{};
    uint8_t entered = 0;
    {
        const PointerHidden hidden;
        ui::fill_box(kTextBox.x1, kTextBox.y1, kTextBox.x2, kTextBox.y2, kSetupYellow);
        set_small_font();
        platform::_setcolor(kSetupRed);
        platform::_outtextxy(450, 441, "TEXT :");
        entered = ui::edit_text_line(text.data(), 487, 441, kMaxStageTexts, kSetupYellow, kSetupBlack, 0);
    }
    ui::last_message_text.fill('\0');  // the entry box covered the status box
    if (entered == 0) {
        show_setup_status(kSetupTitle);
    } else {
        const std::string typed(text.data());
        show_setup_status(kPlaceText);
        ui::beep(kPickHz, kPlaceText_ms);
        const PointerHidden hidden;
        const runtime::StageView& v = runtime::stage_view;
        TextFrame frame{{static_cast<int16_t>(v.left + kTextStart_px), static_cast<int16_t>(v.top + kTextStart_px)},
                        text_frame_width(typed)};
        if (place_text_frame(frame)) {
            const int16_t colour = current_stage_colour();
            platform::_setcolor(colour);
            set_small_font();
            platform::_outtextxy(frame.at.x, frame.at.y, typed);
            Point at = frame.at;
            convert_screen_to_stage(at.x, at.y);
            append_stage_text(setup, {static_cast<uint8_t>(runtime::fixture_page), at.x, at.y,
                                      static_cast<uint16_t>(colour), typed});
        }
    }
    show_tool(Tool::add_text, false);
    runtime::show_mouse_cursor(1);
    const ToolButton& b = button_of(Tool::add_text);
    if (stage_item_count(setup, StageItemKind::text) < kMaxStageTexts) runtime::set_mouse_position(kToolHomeX, b.home_y);
}

void edit_stage_ellipses(SetupData& setup, LibraryList& list) { edit_items(setup, list, kEditEllipses); }
void edit_stage_rectangles(SetupData& setup, LibraryList& list) { edit_items(setup, list, kEditRects); }
void edit_stage_lines(SetupData& setup, LibraryList& list) { edit_items(setup, list, kEditLines); }
void edit_stage_texts(SetupData& setup, LibraryList& list) { edit_items(setup, list, kEditTexts); }

void draw_colour_swatches() {
    if (patch_conflict_count != 0) return;
    const PointerHidden hidden;
    for (int i = 0; i < kStageColours; ++i) {
        const auto top = static_cast<int16_t>(kSwatchTop + kSwatchHeight * i);
        ui::fill_box(kSwatchLeft, top, kSwatchRight, static_cast<int16_t>(top + kSwatchHeight),
                     stage_colours[static_cast<size_t>(i + 1)]);
    }
    set_small_font();
    platform::_setcolor(kSetupBlack);
    const int index = std::clamp<int>(stage_colour_index, 0, kStageColours - 1);
    platform::_outtextxy(kSwatchMarkX, kSwatchMarkY + kSwatchHeight * index, "OK");
}

void select_colour_swatch_at_mouse() {
    const int16_t index = swatch_index_at(mouse_y, stage_colour_index);
    if (index == stage_colour_index) return;
    stage_colour_index = index;
    draw_colour_swatches();
}

void edit_stage_colours(SetupData& setup, LibraryList& list) {
    runtime::show_mouse_cursor(0);
    ui::beep(kStartHz, kStart_ms);
    const MenuEntry* chosen = nullptr;
    {
        SavedImage under(kMenuArea);
        draw_colour_menu();
        show_setup_status(kMenuPrompt);
        confine(kMenuRange);
        runtime::show_mouse_cursor(1);
        for (;;) {
            if (wait_click() == Click::right) break;
            const auto hit = std::find_if(kMenuEntries.begin(), kMenuEntries.end(), [](const MenuEntry& e) {
                return runtime::is_point_in_rect(525, e.top, 619, e.bottom, mouse_x, mouse_y);
            });
            if (hit != kMenuEntries.end()) {
                chosen = &*hit;
                break;
            }
        }
        runtime::show_mouse_cursor(0);
        if (under.saved()) {
            under.put_back();
        } else {
            redraw_under_menu(list);
        }
    }
    if (chosen != nullptr) chosen->run(setup, list);
    confine(kWholeScreen);
    runtime::show_mouse_cursor(1);
}

void recolour_stage_fixtures(SetupData& setup, LibraryList& list) { recolour(setup, list, kRecolourFixtures); }
void recolour_stage_ellipses(SetupData& setup, LibraryList& list) { recolour(setup, list, kRecolourEllipses); }
void recolour_stage_rectangles(SetupData& setup, LibraryList& list) { recolour(setup, list, kRecolourRects); }
void recolour_stage_lines(SetupData& setup, LibraryList& list) { recolour(setup, list, kRecolourLines); }
void recolour_stage_texts(SetupData& setup, LibraryList& list) { recolour(setup, list, kRecolourTexts); }

void erase_all_setup(SetupData& setup, const SetupData& live, AddressState& state, AddressPanel& panel, LibraryList& list) {
    show_setup_status(kEraseAllPrompt);
    fill_toolbar_button(kEraseAllButton, kActiveFill);
    ui::beep(kEraseAllHz, kEraseAll_ms);
    // ESC and ENTER answer too, so that the prompt can be left without a pointer.
    if (wait_click(true) == Click::left) {
        erase_rig(setup, live);
        soft_patch_list.clear();
        soft_patch_list.shrink_to_fit();
        const PointerHidden hidden;
        build_address_map(state, setup);
        compute_address_slots(panel, state, list);
        draw_scroll_list(panel, state, list);
        redraw_page_fixture_keys(setup);
        draw_stage_page(setup);
        compute_patch_conflicts(setup, list);
    }
    fill_toolbar_button(kEraseAllButton, kSetupBlack);
}

void redraw_stage_page(SetupData& setup, LibraryList& list) {
    fill_toolbar_button(kRedrawButton, kActiveFill);
    {
        const PointerHidden hidden;
        draw_stage_page(setup);
    }
    compute_patch_conflicts(setup, list);
    for (const Tone& t : kRedrawTones) ui::beep(t.freq_hz, t.duration_ms);
    fill_toolbar_button(kRedrawButton, kSetupBlack);
}

}  // namespace setup
