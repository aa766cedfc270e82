#include "ui/fader_widget.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "ui/helpers.h"

namespace ui {

// Defined in the order construct_fader_widgets builds them.
std::array<FaderWidget, kFunctionFaderWidgets + 1> function_fader_widgets{};
std::array<FaderWidget, kCueFaderWidgets + 1> cue_fader_widgets{};
std::array<FaderWidget, kMasterFaderWidgets + 1> master_fader_widgets{};
std::array<FaderWidget, kPlaybackFaderWidgets + 1> playback_fader_widgets{};

void reset_fader_widget_globals() {
    function_fader_widgets = {};
    cue_fader_widgets = {};
    master_fader_widgets = {};
    playback_fader_widgets = {};
    construct_fader_widgets();
}

namespace {

using Label = std::array<char, kFaderLabelBytes>;

constexpr size_t kLabelChars = kFaderLabelBytes - 1;
constexpr int16_t kTextFont = platform::kSmallFont;
constexpr int16_t kTextSize = 4;
constexpr int kLetterStep_px = 8;   // label mode 1: one letter every 8 rows
constexpr int kNumberBytes = 8;     // "%d" of an i16 and the terminator

constexpr int16_t kClearedLabelBackground = 8;  // dark grey
constexpr int16_t kClearedStrip = 8;            // dark grey
constexpr int16_t kClearedFrame = 7;            // light grey
constexpr int16_t kClearedBar = 4;              // red
constexpr int16_t kErasedColour = 2;            // green
constexpr int16_t kNumberColourChanged = -2;    // no colour: makes the number repaint on show

constexpr int16_t kLabelModeVertical = 0;
constexpr int16_t kLabelModeLetters = 1;

// An inclusive rectangle in screen pixels, kept in int so that no corner of
// a widget near the edge of the i16 range wraps around.
struct Box {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

int right(const FaderWidget& w) { return w.x + w.width; }
int bottom(const FaderWidget& w) { return w.y + w.height; }
int label_right(const FaderWidget& w) { return right(w) - 2 - w.bar_width; }

Box frame_box(const FaderWidget& w) { return {w.x, w.y, right(w), bottom(w)}; }
Box label_column(const FaderWidget& w) { return {w.x + 1, w.y + 1, label_right(w), bottom(w) - 1}; }
Box label_text_area(const FaderWidget& w) { return {w.x + 1, w.y + 1, label_right(w), bottom(w) - 17}; }
Box strip_box(const FaderWidget& w) { return {w.x + 3, bottom(w) - 16, right(w) - 4 - w.bar_width, bottom(w) - 14}; }
Box number_area(const FaderWidget& w) { return {w.x + 1, bottom(w) - 13, label_right(w), bottom(w) - 2}; }
Box bar_column(const FaderWidget& w) { return {right(w) - 1 - w.bar_width, w.y + 1, right(w) - 1, bottom(w) - 1}; }

// Screen row of the bar's level i: level 0 is the bottom row of the column.
int level_row(const FaderWidget& w, int i) { return bottom(w) - 1 - i; }

// The level as drawn: the bar never leaves its column, whose top row is
// level H - 2; a negative level shows an empty column.
int drawn_level(const FaderWidget& w, int level) { return std::clamp(level, 0, std::max(w.height - 2, 0)); }

void fill(const Box& box, int16_t colour) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(box.x1, box.y1, box.x2, box.y2);
}

std::string_view label_text(const Label& label) { return {label.data(), strnlen(label.data(), kLabelChars)}; }

Label cut_label(const char* text) {
    Label cut{};
    if (text != nullptr) {
        memcheck::mc_memcpy_at(cut.data(), text, strnlen(text, kLabelChars), __FILE__, __LINE__,
                               memcheck::mc_dest_size(cut));
    }
    return cut;
}

// ------------------------------------------------------------------ parts

void draw_frame(const FaderWidget& w) {
    const Box box = frame_box(w);
    platform::_setcolor(w.frame_colour);
    platform::_rectangle(box.x1, box.y1, box.x2, box.y2);
}

void draw_bar(const FaderWidget& w) {
    const int level = drawn_level(w, w.level);
    if (level == 0) return;
    const Box column = bar_column(w);
    fill(Box{column.x1, level_row(w, level), column.x2, column.y2}, w.bar_colour);
}

void draw_bar_column(const FaderWidget& w) {
    fill(bar_column(w), w.bar_background_colour);
    draw_bar(w);
}

// Mode 0: one text reading upwards, ending 18 rows above the widget's foot.
void draw_vertical_label(const FaderWidget& w, std::string_view text) {
    set_text_style(kTextFont, platform::kVerticalText, kTextSize);
    const int text_width = platform::_textwidth(text);
    platform::_outtextxy(w.x + 17, bottom(w) - 18 - text_width, text);
}

// Mode 1: one upright letter a row of 8 pixels, from the top down (option 0)
// or ending at the foot of the label area.
void draw_letter_label(const FaderWidget& w, std::string_view text) {
    if (text.empty()) return;
    set_text_style(kTextFont, platform::kHorizontalText, kTextSize);
    const int n = static_cast<int>(text.size());
    for (int i = 0; i < n; ++i) {
        const int y = w.label_option == 0 ? w.y + 3 + kLetterStep_px * i
                                          : bottom(w) - 25 - kLetterStep_px * (n - 1 - i);
        platform::_outtextxy(w.x + 4, y, text.substr(static_cast<size_t>(i), 1));
    }
}

void draw_label(const FaderWidget& w) {
    const std::string_view text = label_text(w.label);
    platform::_setcolor(w.label_colour);
    if (w.label_mode == kLabelModeVertical) {
        draw_vertical_label(w, text);
    } else if (w.label_mode == kLabelModeLetters) {
        draw_letter_label(w, text);
    }
}

void draw_label_area(const FaderWidget& w) {
    fill(label_text_area(w), w.label_background_colour);
    draw_label(w);
}

void draw_number(const FaderWidget& w) {
    if (w.number == -1) return;
    std::array<char, kNumberBytes> text{};
    std::snprintf(text.data(), text.size(), "%d", w.number);
    set_text_style(kTextFont, platform::kHorizontalText, kTextSize);
    platform::_setcolor(w.number_colour);
    platform::_outtextxy(w.x + 2, bottom(w) - 10, text.data());
}

void draw_number_area(const FaderWidget& w) {
    fill(number_area(w), w.label_background_colour);
    draw_number(w);
}

void draw_strip(const FaderWidget& w) { fill(strip_box(w), w.strip_colour); }

void draw_label_column(const FaderWidget& w) {
    fill(label_column(w), w.label_background_colour);
    draw_label(w);
    draw_number(w);
    if (w.strip_enabled == 1) draw_strip(w);
}

// One horizontal line across the bar column for each level from first to
// last, in the drawing colour.
void draw_level_rows(const FaderWidget& w, int first, int last) {
    const Box column = bar_column(w);
    for (int i = first; i <= last; ++i) platform::_line(column.x1, level_row(w, i), column.x2, level_row(w, i));
}

// Only the rows between the old and the new level; the bottom row is
// background at level 0.
void draw_level_change(const FaderWidget& w, int16_t old_level, int16_t new_level) {
    const int from = drawn_level(w, old_level);
    const int to = drawn_level(w, new_level);
    if (from == to) return;
    if (to < from) {
        platform::_setcolor(w.bar_background_colour);
        draw_level_rows(w, to + 1, from);
        if (to == 0) draw_level_rows(w, 0, 0);
    } else {
        platform::_setcolor(w.bar_colour);
        draw_level_rows(w, from, to);
    }
}

// ------------------------------------------------------------------ fields

// The rule of the single-field setters: an unchanged value only refreshes the
// saved copy; a hidden widget keeps the change in the saved copy and marks a
// redraw; a shown one takes it into the live field. True when the shown
// widget took a new value and must redraw the part.
bool take_field(FaderWidget& w, int16_t& live, int16_t& saved, int16_t value) {
    if (value == live) {
        saved = value;
        return false;
    }
    if (w.shown == 0) {
        saved = value;
        w.redraw_pending = 1;
        return false;
    }
    live = value;
    return true;
}

void save_live_fields(FaderWidget& w) {
    w.saved_number = w.number;
    w.saved_label_background_colour = w.label_background_colour;
    w.saved_bar_background_colour = w.bar_background_colour;
    w.saved_number_colour = w.number_colour;
    w.saved_strip_colour = w.strip_colour;
    w.saved_bar_colour = w.bar_colour;
    w.saved_label = w.label;
    w.saved_level = w.level;
    w.saved_frame_colour = w.frame_colour;
    w.saved_label_colour = w.label_colour;
}

void take_saved_fields(FaderWidget& w) {
    w.number = w.saved_number;
    w.label_background_colour = w.saved_label_background_colour;
    w.bar_background_colour = w.saved_bar_background_colour;
    w.number_colour = w.saved_number_colour;
    w.strip_colour = w.saved_strip_colour;
    w.bar_colour = w.saved_bar_colour;
    w.label = w.saved_label;
    w.level = w.saved_level;
    w.frame_colour = w.saved_frame_colour;
    w.label_colour = w.saved_label_colour;
}

// Show without a full redraw: the label column's parts from the saved copies.
void update_label_column(FaderWidget& w) {
    if (w.label_background_colour != w.saved_label_background_colour) {
        w.label_colour = w.saved_label_colour;
        w.label = w.saved_label;
        w.number_colour = w.saved_number_colour;
        w.number = w.saved_number;
        w.strip_colour = w.saved_strip_colour;
        set_fader_widget_label_background(w, w.saved_label_background_colour);
        return;
    }
    if (w.label == w.saved_label) {
        if (w.label_colour != w.saved_label_colour) set_fader_widget_label_colour(w, w.saved_label_colour);
    } else {
        w.label_colour = w.saved_label_colour;
        set_fader_widget_label(w, w.saved_label.data());
    }
    if (w.number_colour != w.saved_number_colour || w.number != w.saved_number) {
        w.number_colour = kNumberColourChanged;
        w.number = w.saved_number;
        set_fader_widget_number_colour(w, w.saved_number_colour);
    }
    if (w.strip_colour != w.saved_strip_colour) set_fader_widget_strip_colour(w, w.saved_strip_colour);
}

// Show without a full redraw: the bar column from the saved copies.
void update_bar_column(FaderWidget& w) {
    if (w.bar_background_colour != w.saved_bar_background_colour) {
        w.level = w.saved_level;
        w.bar_colour = w.saved_bar_colour;
        set_fader_widget_background_colour(w, w.saved_bar_background_colour);
        return;
    }
    if (w.bar_colour != w.saved_bar_colour) {
        w.level = w.saved_level;
        set_fader_widget_bar_colour(w, w.saved_bar_colour);
    } else if (w.level != w.saved_level) {
        set_fader_widget_level(w, w.saved_level);
    }
}

void build_widgets(auto& widgets) {
    for (FaderWidget& widget : widgets) init_fader_widget(widget);
}

// The static initialiser of the widget arrays.
[[maybe_unused]] const bool fader_widgets_constructed = [] {
    construct_fader_widgets();
    return true;
}();

}  // namespace

// ------------------------------------------------------------------ arrays

void construct_fader_widgets() {
    build_widgets(function_fader_widgets);
    build_widgets(cue_fader_widgets);
    build_widgets(master_fader_widgets);
    build_widgets(playback_fader_widgets);
    static const int destroy_at_exit = std::atexit(destroy_fader_widgets);  // registered once
    static_cast<void>(destroy_at_exit);
}

void destroy_fader_widgets() {
    // playback, master, cue, function widgets in turn: none holds anything to release.
}

void init_fader_widget(FaderWidget& widget) {
    widget.saved_number = widget.number;
    widget.saved_label_background_colour = widget.label_background_colour;
    widget.saved_bar_background_colour = widget.bar_background_colour;
    widget.saved_number_colour = widget.number_colour;
    widget.saved_strip_colour = widget.strip_colour;
    widget.saved_label = widget.label;
    widget.saved_frame_colour = widget.frame_colour;
    widget.saved_label_colour = widget.label_colour;
    widget.saved_bar_colour = widget.bar_colour;
    widget.level = 0;
    widget.saved_level = 0;
    widget.shown = 0;
    widget.label_mode = 0;
    widget.label_option = 0;
    widget.strip_enabled = 1;
    widget.full_redraw_pending = 0;
    widget.redraw_pending = 0;
}

// ------------------------------------------------------------------ whole-widget setters

void set_fader_widget_geometry(FaderWidget& widget, int16_t x, int16_t y, int16_t width, int16_t height) {
    widget.x = x;
    widget.y = y;
    widget.width = width;
    widget.height = height;
    if (widget.shown == 0) {
        widget.full_redraw_pending = 1;
    } else {
        draw_fader_widget(widget);
    }
}

void set_fader_widget_bar_width(FaderWidget& widget, int16_t bar_width) {
    widget.bar_width = bar_width;
    if (widget.shown == 0) {
        widget.full_redraw_pending = 1;
    } else {
        draw_fader_widget(widget);
    }
}

void set_fader_widget_enabled(FaderWidget& widget, uint8_t strip_enabled) { widget.strip_enabled = strip_enabled; }

void set_fader_widget_label_mode(FaderWidget& widget, int16_t label_mode) { widget.label_mode = label_mode; }

void set_fader_widget_option(FaderWidget& widget, int16_t label_option) { widget.label_option = label_option; }

void set_fader_widget_colours(FaderWidget& widget, int16_t frame, int16_t label_background, int16_t label,
                              int16_t number, int16_t strip, int16_t bar_background, int16_t bar) {
    if (widget.shown == 0) {
        widget.saved_frame_colour = frame;
        widget.saved_label_background_colour = label_background;
        widget.saved_label_colour = label;
        widget.saved_number_colour = number;
        widget.saved_strip_colour = strip;
        widget.saved_bar_background_colour = bar_background;
        widget.saved_bar_colour = bar;
        widget.full_redraw_pending = 1;
        return;
    }
    widget.frame_colour = frame;
    widget.label_background_colour = label_background;
    widget.label_colour = label;
    widget.number_colour = number;
    widget.strip_colour = strip;
    widget.bar_background_colour = bar_background;
    widget.bar_colour = bar;
    draw_fader_widget(widget);
}

// ------------------------------------------------------------------ single-field setters

void set_fader_widget_frame_colour(FaderWidget& widget, int16_t colour) {
    if (take_field(widget, widget.frame_colour, widget.saved_frame_colour, colour)) draw_frame(widget);
}

void set_fader_widget_background_colour(FaderWidget& widget, int16_t colour) {
    if (take_field(widget, widget.bar_background_colour, widget.saved_bar_background_colour, colour)) {
        draw_bar_column(widget);
    }
}

void set_fader_widget_bar_colour(FaderWidget& widget, int16_t colour) {
    if (take_field(widget, widget.bar_colour, widget.saved_bar_colour, colour)) draw_bar_column(widget);
}

void set_fader_widget_label_background(FaderWidget& widget, int16_t colour) {
    if (take_field(widget, widget.label_background_colour, widget.saved_label_background_colour, colour)) {
        draw_label_column(widget);
    }
}

void set_fader_widget_label_colour(FaderWidget& widget, int16_t colour) {
    if (take_field(widget, widget.label_colour, widget.saved_label_colour, colour)) draw_label_area(widget);
}

// Compared after the cut, so a text longer than 20 characters equals the
// label it left behind.
void set_fader_widget_label(FaderWidget& widget, const char* text) {
    const Label cut = cut_label(text);
    if (cut == widget.label) {
        widget.saved_label = cut;
    } else if (widget.shown == 0) {
        widget.saved_label = cut;
        widget.redraw_pending = 1;
    } else {
        widget.label = cut;
        draw_label_area(widget);
    }
}

void set_fader_widget_number_colour(FaderWidget& widget, int16_t colour) {
    if (take_field(widget, widget.number_colour, widget.saved_number_colour, colour)) draw_number_area(widget);
}

void set_fader_widget_number(FaderWidget& widget, int16_t number) {
    if (take_field(widget, widget.number, widget.saved_number, number)) draw_number_area(widget);
}

void set_fader_widget_strip_colour(FaderWidget& widget, int16_t colour) {
    if (take_field(widget, widget.strip_colour, widget.saved_strip_colour, colour)) draw_strip(widget);
}

void set_fader_widget_level(FaderWidget& widget, int16_t level) {
    const int16_t old_level = widget.level;
    if (take_field(widget, widget.level, widget.saved_level, level)) draw_level_change(widget, old_level, level);
}

// ------------------------------------------------------------------ drawing, hiding, showing

void draw_fader_widget(FaderWidget& widget) {
    if (widget.shown == 0) return;
    platform::TextSettings text_settings{};
    platform::_gettextsettings(text_settings);
    const int colour = platform::_getcolor();

    draw_frame(widget);
    fill(label_column(widget), widget.label_background_colour);
    draw_bar_column(widget);
    draw_label_area(widget);
    draw_strip(widget);
    draw_number(widget);

    set_text_style(static_cast<int16_t>(text_settings.font), static_cast<int16_t>(text_settings.direction),
                   static_cast<int16_t>(text_settings.char_size));
    platform::_setcolor(colour);
    widget.full_redraw_pending = 0;
    widget.redraw_pending = 0;
}

void clear_fader_widget(FaderWidget& widget) {
    if (widget.shown == 0) {
        widget.saved_label_background_colour = kClearedLabelBackground;
        widget.saved_strip_colour = kClearedStrip;
        widget.saved_number = -1;
        widget.saved_label.fill('\0');
        widget.saved_level = 0;
        widget.saved_frame_colour = kClearedFrame;
        widget.saved_bar_colour = kClearedBar;
        widget.full_redraw_pending = 1;
        return;
    }
    widget.label_background_colour = kClearedLabelBackground;
    widget.strip_colour = kClearedStrip;
    widget.number = -1;
    widget.label.fill('\0');
    widget.level = 0;
    widget.frame_colour = kClearedFrame;
    widget.bar_colour = kClearedBar;
    draw_fader_widget(widget);
}

void hide_fader_widget(FaderWidget& widget) {
    if (widget.shown == 0) return;
    save_live_fields(widget);
    widget.full_redraw_pending = 0;
    widget.redraw_pending = 0;
    widget.shown = 0;
}

void erase_fader_widget(FaderWidget& widget, int16_t paint) {
    if (widget.shown == 0) return;
    if (paint != 0) fill(frame_box(widget), kErasedColour);
    hide_fader_widget(widget);
}

void show_fader_widget(FaderWidget& widget) {
    if (widget.shown != 0) return;
    widget.shown = 1;
    if (widget.full_redraw_pending == 1) {
        take_saved_fields(widget);
        draw_fader_widget(widget);
        return;
    }
    if (widget.redraw_pending != 1) return;
    if (widget.frame_colour != widget.saved_frame_colour) set_fader_widget_frame_colour(widget, widget.saved_frame_colour);
    update_label_column(widget);
    update_bar_column(widget);
}

int16_t get_fader_widget_level(const FaderWidget& widget) {
    return widget.shown == 0 ? widget.saved_level : widget.level;
}

int16_t get_fader_widget_bar_colour(const FaderWidget& widget) {
    return widget.shown == 0 ? widget.saved_bar_colour : widget.bar_colour;
}

}  // namespace ui
