// The on-screen fader widget (SCHUIVER): a framed box with a label column on
// the left (label text, a thin coloured strip, a number) and a bar column on
// the right whose filled height shows a level.
//
// Every setter draws only the part it changed. A widget can be hidden: while
// hidden nothing is drawn, every change goes into the saved copy of its field
// and marks what showing the widget again must redraw (everything, or only
// the parts whose saved copy differs from the picture left on the screen).
//
// Geometry, for a widget at X, Y of width W, height H and bar width B (all
// rectangles inclusive):
//   frame outline    (X, Y) to (X + W, Y + H)
//   label column     (X + 1, Y + 1) to (X + W - 2 - B, Y + H - 1)
//   label text area  (X + 1, Y + 1) to (X + W - 2 - B, Y + H - 17)
//   strip            (X + 3, Y + H - 16) to (X + W - 4 - B, Y + H - 14)
//   number area      (X + 1, Y + H - 13) to (X + W - 2 - B, Y + H - 2)
//   bar column       (X + W - 1 - B, Y + 1) to (X + W - 1, Y + H - 1)
//   bar of level L   rows Y + H - 1 - L to Y + H - 1 of the bar column
// A level is drawn within the bar column: above H - 2 the bar stops at its
// top row, below 0 the column is empty; the widget keeps the value it was given.
//
// Drawing calls change the drawing colour, fill style and text style and
// leave them changed, except draw_fader_widget, which restores the text style
// and the drawing colour it found.
#pragma once
#include <array>
#include <cstdint>

namespace ui {

constexpr int kFaderLabelBytes = 21;  // 20 characters and the terminator

// The fields of a zeroed element; init_fader_widget constructs it.
struct FaderWidget {
    int16_t bar_colour = 0;
    int16_t level = 0;                 // bar height in pixels, 0 = empty
    int16_t number = 0;                // -1 = none
    int16_t bar_width = 0;
    int16_t label_mode = 0;            // 0 vertical text, 1 column of upright letters
    int16_t label_option = 0;          // label mode 1: 0 from the top, else ending at the bottom
    int16_t bar_background_colour = 0;
    int16_t number_colour = 0;
    int16_t strip_colour = 0;
    int16_t x = 0;
    int16_t y = 0;
    int16_t width = 0;
    int16_t height = 0;
    std::array<char, kFaderLabelBytes> label{};
    uint8_t strip_enabled = 0;         // 1: the strip is repainted with the label background
    int16_t saved_bar_colour = 0;
    int16_t saved_level = 0;
    int16_t saved_number = 0;
    int16_t saved_label_background_colour = 0;
    int16_t saved_bar_background_colour = 0;
    int16_t saved_number_colour = 0;
    int16_t saved_strip_colour = 0;
    std::array<char, kFaderLabelBytes> saved_label{};
    int16_t saved_frame_colour = 0;
    int16_t saved_label_colour = 0;
    uint8_t full_redraw_pending = 0;   // showing draws everything from the saved copies
    uint8_t redraw_pending = 0;        // showing redraws the parts whose saved copy differs
    int16_t frame_colour = 0;
    int16_t label_colour = 0;
    int16_t label_background_colour = 0;
    int16_t shown = 0;                 // 1 shown, 0 hidden
};
using SCHUIVER = FaderWidget;

constexpr int kFunctionFaderWidgets = 16;
constexpr int kCueFaderWidgets = 5;
constexpr int kMasterFaderWidgets = 4;
constexpr int kPlaybackFaderWidgets = 42;

// The four widget arrays of the console, 1-based (index 0 unused).
extern std::array<FaderWidget, kFunctionFaderWidgets + 1> function_fader_widgets;
extern std::array<FaderWidget, kCueFaderWidgets + 1> cue_fader_widgets;
extern std::array<FaderWidget, kMasterFaderWidgets + 1> master_fader_widgets;
extern std::array<FaderWidget, kPlaybackFaderWidgets + 1> playback_fader_widgets;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_fader_widget_globals();

// Constructs every element of the four arrays, in the order 16, 5, 4, 42.
// Runs once from a static initialiser, before main; it also arranges for
// destroy_fader_widgets to run at exit.
void construct_fader_widgets();
// Takes the arrays down in the order 42, 4, 5, 16. A widget owns nothing
// outside itself, so this releases nothing.
void destroy_fader_widgets();

// The constructor, on a zeroed element: the saved copies take the live
// fields, level 0, hidden, label mode and option 0, strip enabled, nothing
// pending. The number stays 0 until the widget's user sets -1.
void init_fader_widget(FaderWidget& widget);

// Geometry and bar width: a shown widget is drawn whole at once (the old
// picture is left where it was); a hidden one is drawn whole when shown.
void set_fader_widget_geometry(FaderWidget& widget, int16_t x, int16_t y, int16_t width, int16_t height);
void set_fader_widget_bar_width(FaderWidget& widget, int16_t bar_width);

// Stored only; the change shows at the next redraw of the part.
void set_fader_widget_enabled(FaderWidget& widget, uint8_t strip_enabled);
void set_fader_widget_label_mode(FaderWidget& widget, int16_t label_mode);
void set_fader_widget_option(FaderWidget& widget, int16_t label_option);

// All seven colours: a shown widget takes them and is drawn whole; a hidden
// one keeps them in the saved copies and is drawn whole when shown.
void set_fader_widget_colours(FaderWidget& widget, int16_t frame, int16_t label_background, int16_t label,
                              int16_t number, int16_t strip, int16_t bar_background, int16_t bar);

// Single-field setters. A value equal to the live field only refreshes the
// saved copy; a hidden widget keeps a new value in the saved copy and marks
// a redraw; a shown widget takes it and redraws its part.
void set_fader_widget_frame_colour(FaderWidget& widget, int16_t colour);       // the frame
void set_fader_widget_background_colour(FaderWidget& widget, int16_t colour);  // bar column and bar
void set_fader_widget_bar_colour(FaderWidget& widget, int16_t colour);         // bar column and bar
void set_fader_widget_label_background(FaderWidget& widget, int16_t colour);   // the whole label column
void set_fader_widget_label_colour(FaderWidget& widget, int16_t colour);       // label area and label
void set_fader_widget_label(FaderWidget& widget, const char* text);           // cut to 20 characters
void set_fader_widget_number_colour(FaderWidget& widget, int16_t colour);      // number area and number
void set_fader_widget_number(FaderWidget& widget, int16_t number);             // -1: none
void set_fader_widget_strip_colour(FaderWidget& widget, int16_t colour);       // the strip
// Draws only the rows between the old and the new level, one line a row.
void set_fader_widget_level(FaderWidget& widget, int16_t level);

// The whole widget; nothing while hidden. Clears both pending marks.
void draw_fader_widget(FaderWidget& widget);
// The empty look: dark grey label column and strip, light grey frame, red
// bar colour, no label, no number, level 0.
void clear_fader_widget(FaderWidget& widget);
// Hides a shown widget and leaves its picture on the screen.
void hide_fader_widget(FaderWidget& widget);
// Hides a shown widget; with paint not 0 its box is first painted green (2).
void erase_fader_widget(FaderWidget& widget, int16_t paint);
// Shows a hidden widget and brings its picture up to date: whole when a full
// redraw is pending, else only the parts changed while it was hidden.
void show_fader_widget(FaderWidget& widget);

// What the widget shows or will show once shown again.
int16_t get_fader_widget_level(const FaderWidget& widget);
int16_t get_fader_widget_bar_colour(const FaderWidget& widget);

}  // namespace ui
