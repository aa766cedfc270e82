// The graphics library stand-in: a 640 x 480 frame buffer of 16 colours and
// the drawing calls the console makes.
//
// Pixels are colour indices 0-15; the palette maps each index to 6-bit
// red, green and blue levels, so a test can check the indices and what the
// screen shows separately (a blanked palette keeps the indices). Drawing
// follows the classic library: both corners of a rectangle are inclusive,
// angles are degrees counter-clockwise from 3 o'clock, text is placed by the
// top-left corner of its box, and nothing is ever written outside the frame
// buffer. Lines and rectangles obey the write mode (copy or XOR); filled
// areas, curves, text and images do not. Drawing calls change no pixel while
// graphics is closed (before `_initgraph` and after `_closegraph`).
//
// Bad arguments (a colour outside 0-15, an unknown style, a malformed image,
// a negative or too large radius) are refused: the call changes nothing.
//
// Images (`_getimage` / `_putimage`): u16 width, u16 height, little-endian,
// then one byte per pixel, row by row from the top; `_imagesize` is
// 4 + width * height. The drawing files (4 + 44 * 53 = 2336 bytes) and the
// logos (4 + 84 * 107 = 8992, 4 + 94 * 90 = 8464) are images in this layout.
//
// For tests and the host: every call is counted, and the calls that change
// something (not the queries) are logged as text lines such as
// "_bar(10,10,12,11)"; the host may switch the log off. The frame can be
// dumped as a PNG, and a few helpers count and locate pixels.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fonts.h"
#include "platform/recent_log.h"

namespace platform {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kScreenPixels = kScreenWidth * kScreenHeight;
constexpr int kColourCount = 16;
constexpr int kMaxColour = 15;
constexpr int kBackgroundColour = 0;
constexpr int kEgaColourCount = 64;  // colours `_setpalette` can give an entry
constexpr int kMaxLevel = 63;        // 6-bit palette levels

// `_initgraph` drivers and modes.
constexpr int kDetectDriver = 0;
constexpr int kVgaDriver = 9;
constexpr int kVgaHiMode = 2;
constexpr int kGraphicsNotDetected = -2;  // driver value after a refused start

// Fill patterns of `_setfillstyle`.
constexpr int kEmptyFill = 0;  // background colour
constexpr int kSolidFill = 1;
constexpr int kHatchFill = 7;  // a grid: every 8th row and column in the fill colour

// Line styles and thicknesses of `_setlinestyle`.
constexpr int kSolidLine = 0;
constexpr int kDottedLine = 1;  // two pixels on, two off, counted from the line's start
constexpr int kNormalWidth = 1;
constexpr int kThickWidth = 3;

// Write modes of `_setwritemode`.
constexpr int kCopyMode = 0;
constexpr int kXorMode = 1;

// Operations of `_putimage`.
constexpr int kCopyPut = 0;
constexpr int kXorPut = 1;
constexpr int kOrPut = 2;
constexpr int kAndPut = 3;
constexpr int kNotPut = 4;  // copy of the inverted colour (15 - c)

// Text directions and the fixed justification.
constexpr int kHorizontalText = 0;
constexpr int kVerticalText = 1;  // turned 90 degrees counter-clockwise, reading upwards
constexpr int kLeftText = 0;
constexpr int kTopText = 2;

constexpr int kImageHeaderBytes = 4;
constexpr int kMaxImageSide = 0xFFFF;
constexpr int kMaxRadius = 16383;  // larger radii are refused

struct Rgb6 {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb6&) const = default;
};

// The standard 16-colour set in 6-bit levels.
constexpr std::array<Rgb6, kColourCount> kDefaultPalette = {{
    {0, 0, 0},    {0, 0, 42},   {0, 42, 0},   {0, 42, 42},   {42, 0, 0},   {42, 0, 42},
    {42, 21, 0},  {42, 42, 42}, {21, 21, 21}, {21, 21, 63},  {21, 63, 21}, {21, 63, 63},
    {63, 21, 21}, {63, 21, 63}, {63, 63, 21}, {63, 63, 63},
}};

// Levels of one of the 64 colours `_setpalette` chooses from: bits 0-2 add
// 42 to blue, green, red; bits 3-5 add 21 to blue, green, red.
constexpr Rgb6 ega_colour(int colour) {
    const auto level = [colour](int high_bit, int low_bit) {
        return static_cast<uint8_t>(((colour >> high_bit) & 1) * 42 + ((colour >> low_bit) & 1) * 21);
    };
    return Rgb6{level(2, 5), level(1, 4), level(0, 3)};
}

struct TextSettings {
    int font = kDefaultFont;
    int direction = kHorizontalText;
    int char_size = 1;
    int horizontal = kLeftText;
    int vertical = kTopText;
    bool operator==(const TextSettings&) const = default;
};

// Inclusive corners.
struct Rect {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const Rect&) const = default;
};

enum class GraphicsCall : uint8_t {
    initgraph, closegraph, cleardevice, setcolor, getcolor, setfillstyle, bar, bar3d,
    rectangle, line, lineto, moveto, circle, ellipse, arc, pieslice, floodfill, putpixel,
    getpixel, outtextxy, textwidth, textheight, settextstyle, gettextsettings, setlinestyle,
    setwritemode, getimage, putimage, imagesize, setpalette, setrgbpalette,
    count,
};
constexpr int kGraphicsCallCount = static_cast<int>(GraphicsCall::count);
std::string_view graphics_call_name(GraphicsCall call);  // "_bar" ...

constexpr int kCallLogLines = 4096;
constexpr int kCallLogLineChars = 128;  // longer lines are cut
constexpr int kCallLogArgs = 6;         // most numbers a call logs
// One logged call as it was made: its arguments are kept as they came and
// put into words only when the log is read, so drawing stays cheap.
struct CallLogLine {
    GraphicsCall call = GraphicsCall::count;
    const char* format = nullptr;  // the call's argument format: %d, %u, %s and %.*s only
    std::array<int64_t, kCallLogArgs> numbers{};
    std::array<char, kCallLogLineChars> text{};  // the string argument, cut to a line's length
};

struct Graphics {
    std::array<uint8_t, kScreenPixels> pixels{};  // row by row from the top
    std::array<Rgb6, kColourCount> palette = kDefaultPalette;
    bool open = false;

    int colour = kMaxColour;
    int fill_pattern = kSolidFill;
    int fill_colour = kMaxColour;
    int line_style = kSolidLine;
    int line_thickness = kNormalWidth;
    int write_mode = kCopyMode;
    int position_x = 0;  // current position of `_moveto` / `_lineto`
    int position_y = 0;
    TextSettings text;

    bool log_calls = true;
    RecentLog<CallLogLine, kCallLogLines> log;
    std::array<uint64_t, kGraphicsCallCount> calls{};

    // One mark per pixel for the shape being drawn: an XOR shape changes each
    // pixel once, a flood fill visits each pixel once.
    std::array<uint8_t, kScreenPixels> marks{};
    uint8_t mark = 0;

    uint8_t pixel(int x, int y) const;  // 0 outside the screen
    std::vector<std::string> call_log() const;  // oldest first
    void clear_call_log();
    uint64_t call_count(GraphicsCall call) const;
    void clear_call_counts();
};

// Start and end.
void _initgraph(int& driver, int& mode, std::string_view driver_path);
void _closegraph();
void _cleardevice();

// Colours and palette.
void _setcolor(int colour);
int _getcolor();
void _setpalette(int index, int colour);
void _setrgbpalette(int index, int red, int green, int blue);

// Styles.
void _setfillstyle(int pattern, int colour);
void _setlinestyle(int style, unsigned pattern, int thickness);  // pattern is not used
void _setwritemode(int mode);

// Drawing.
void _putpixel(int x, int y, int colour);
int _getpixel(int x, int y);
void _moveto(int x, int y);
void _lineto(int x, int y);
void _line(int x1, int y1, int x2, int y2);
void _rectangle(int left, int top, int right, int bottom);
void _bar(int left, int top, int right, int bottom);
void _bar3d(int left, int top, int right, int bottom, int depth, int top_flag);
void _circle(int x, int y, int radius);
void _arc(int x, int y, int start_angle, int end_angle, int radius);
void _ellipse(int x, int y, int start_angle, int end_angle, int x_radius, int y_radius);
void _pieslice(int x, int y, int start_angle, int end_angle, int radius);
void _floodfill(int x, int y, int border);

// Text.
void _settextstyle(int font, int direction, int char_size);
void _gettextsettings(TextSettings& settings);
void _outtextxy(int x, int y, std::string_view text);
int _textwidth(std::string_view text);
int _textheight(std::string_view text);

// Images. `_imagesize` is 0 for a side longer than 65535 pixels.
uint32_t _imagesize(int left, int top, int right, int bottom);
bool _getimage(int left, int top, int right, int bottom, std::span<uint8_t> image);  // false: refused
void _putimage(int x, int y, std::span<const uint8_t> image, int op);

// For tests and the host.
std::vector<uint8_t> frame_rgb();   // 8-bit red, green, blue per pixel through the palette
std::vector<uint8_t> frame_png();   // the frame as a PNG file's bytes
bool dump_png(const std::string& path);
int count_pixels(int colour, Rect area);                      // inside the area, clipped to the screen
std::optional<Rect> ink_bounds(int background, Rect area);   // box of the pixels not in background
std::string region_text(Rect area);  // one hex digit per pixel, rows ended by '\n'

}  // namespace platform
