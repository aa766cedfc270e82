// The timecode screen's transport panel in the lower left of the main screen
// (x 2..220, y 343..453): the five transport buttons, the time panel or the
// LAST/NEXT panel of the MANUAL source, the status line and the CD line.
// run_timecode_screen, draw_timecode_screen and the two panels are declared
// in commands.h.
#pragma once
#include <cstdint>
#include <string>

namespace synchro {

// The colours of the timecode screen.
namespace tc_colour {
constexpr int16_t kBlack = 0;
constexpr int16_t kBlue = 1;
constexpr int16_t kCyan = 3;
constexpr int16_t kRed = 4;
constexpr int16_t kMagenta = 5;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kLightCyan = 11;
constexpr int16_t kYellow = 14;
constexpr int16_t kWhite = 15;
}  // namespace tc_colour

// The transport buttons 1..5.
constexpr int16_t kPlayButton = 1;
constexpr int16_t kRecButton = 2;
constexpr int16_t kStopButton = 3;
constexpr int16_t kEditButton = 4;
constexpr int16_t kModeButton = 5;

// A field of a line: a box both corners inclusive.
struct ScreenBox {
    int16_t left, top, right, bottom;
};
// The LAST and NEXT text fields of the MANUAL panel.
constexpr ScreenBox kLastTextField = {8, 377, 104, 392};
constexpr ScreenBox kNextTextField = {112, 377, 208, 392};
constexpr ScreenBox kTimePanel = {6, 372, 213, 407};

// The font of the status and CD lines.
void use_line_font();
// A text on a filled box of the line from x to right (0: as wide as the
// text); returns the x after the box.
int16_t draw_line_field(const ScreenBox& line, int16_t x, int16_t right, int16_t fill, const char* text);

// Button n drawn pressed (red face, yellow caption) or released (grey face,
// light cyan caption).
void draw_transport_button(int16_t n, bool pressed);
// The short texts of events previous and next in the LAST and NEXT fields; an
// index outside 1..count blanks its field.
void format_timecode_event_text(int32_t previous, int32_t next);
// The short text of an event text as the LAST/NEXT fields show it.
std::string short_event_text(const char* text);
// The captions "LAST" and "NEXT" of the MANUAL panel in the colour.
void draw_manual_captions(int16_t colour);

}  // namespace synchro
