// The on-screen fader widget (SCHUIVER): a framed box with a label column and
// a level bar. A widget can be hidden: while hidden, every change goes into
// the saved copy of the field and marks what showing it again must redraw.
//
// The setters here keep the fields and the saved copies; the drawing of a
// shown widget belongs to the widget painter.
#pragma once
#include <array>
#include <cstdint>

namespace ui {

constexpr int kFaderLabelBytes = 21;  // 20 characters and the terminator

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
    uint8_t strip_enabled = 1;
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
    uint8_t full_redraw_pending = 0;
    uint8_t redraw_pending = 0;
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

// The constructor: a hidden widget with nothing pending.
void init_fader_widget(FaderWidget& widget);

void set_fader_widget_geometry(FaderWidget& widget, int16_t x, int16_t y, int16_t width, int16_t height);
void set_fader_widget_bar_width(FaderWidget& widget, int16_t bar_width);
void set_fader_widget_enabled(FaderWidget& widget, uint8_t strip_enabled);
void set_fader_widget_label_mode(FaderWidget& widget, int16_t label_mode);
void set_fader_widget_option(FaderWidget& widget, int16_t label_option);
void set_fader_widget_colours(FaderWidget& widget, int16_t frame, int16_t label_background, int16_t label,
                              int16_t number, int16_t strip, int16_t bar_background, int16_t bar);
void set_fader_widget_label(FaderWidget& widget, const char* text);
void set_fader_widget_number(FaderWidget& widget, int16_t number);
void set_fader_widget_level(FaderWidget& widget, int16_t level);

}  // namespace ui
