#include "ui/fader_widget.h"

#include <cstring>

namespace ui {

std::array<FaderWidget, kFunctionFaderWidgets + 1> function_fader_widgets{};
std::array<FaderWidget, kCueFaderWidgets + 1> cue_fader_widgets{};
std::array<FaderWidget, kMasterFaderWidgets + 1> master_fader_widgets{};
std::array<FaderWidget, kPlaybackFaderWidgets + 1> playback_fader_widgets{};

namespace {

constexpr size_t kLabelChars = kFaderLabelBytes - 1;

// The rule of the single-field setters: an unchanged value only refreshes the
// saved copy; a hidden widget keeps the change in the saved copy and marks a
// redraw; a shown one takes it into the live field.
void set_field(FaderWidget& widget, int16_t& live, int16_t& saved, int16_t value) {
    if (value == live) {
        saved = value;
    } else if (widget.shown == 0) {
        saved = value;
        widget.redraw_pending = 1;
    } else {
        live = value;
    }
}

void copy_label(std::array<char, kFaderLabelBytes>& destination, const char* text) {
    destination.fill('\0');
    std::memcpy(destination.data(), text, strnlen(text, kLabelChars));
}

}  // namespace

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

void set_fader_widget_geometry(FaderWidget& widget, int16_t x, int16_t y, int16_t width, int16_t height) {
    widget.x = x;
    widget.y = y;
    widget.width = width;
    widget.height = height;
    if (widget.shown == 0) widget.full_redraw_pending = 1;
}

void set_fader_widget_bar_width(FaderWidget& widget, int16_t bar_width) {
    widget.bar_width = bar_width;
    if (widget.shown == 0) widget.full_redraw_pending = 1;
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
    } else {
        widget.frame_colour = frame;
        widget.label_background_colour = label_background;
        widget.label_colour = label;
        widget.number_colour = number;
        widget.strip_colour = strip;
        widget.bar_background_colour = bar_background;
        widget.bar_colour = bar;
    }
}

void set_fader_widget_label(FaderWidget& widget, const char* text) {
    if (text == nullptr) text = "";
    std::array<char, kFaderLabelBytes> cut{};
    copy_label(cut, text);
    if (cut == widget.label) {
        widget.saved_label = cut;
    } else if (widget.shown == 0) {
        widget.saved_label = cut;
        widget.redraw_pending = 1;
    } else {
        widget.label = cut;
    }
}

void set_fader_widget_number(FaderWidget& widget, int16_t number) {
    set_field(widget, widget.number, widget.saved_number, number);
}

void set_fader_widget_level(FaderWidget& widget, int16_t level) {
    set_field(widget, widget.level, widget.saved_level, level);
}

}  // namespace ui
