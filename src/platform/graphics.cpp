#include "platform/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/machine.h"
#include "platform/png_writer.h"

namespace platform {

namespace {

using Wide = __int128;  // products of far-off line coordinates

constexpr std::array<std::string_view, kGraphicsCallCount> kCallNames = {
    "_initgraph",  "_closegraph",   "_cleardevice",     "_setcolor",     "_getcolor",
    "_setfillstyle", "_bar",        "_bar3d",           "_rectangle",    "_line",
    "_lineto",     "_moveto",       "_circle",          "_ellipse",      "_arc",
    "_pieslice",   "_floodfill",    "_putpixel",        "_getpixel",     "_outtextxy",
    "_textwidth",  "_textheight",   "_settextstyle",    "_gettextsettings", "_setlinestyle",
    "_setwritemode", "_getimage",   "_putimage",        "_imagesize",    "_setpalette",
    "_setrgbpalette",
};

// Fill patterns as 8 x 8 tiles anchored at the screen origin, bit 7 = column 0.
using PatternTile = std::array<uint8_t, 8>;
constexpr PatternTile kSolidTile = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr PatternTile kHatchTile = {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

constexpr int kDotRunPx = 2;  // dotted lines: runs of two pixels on, two off

Graphics& gfx() { return machine().graphics; }

bool valid_colour(int c) { return c >= 0 && c <= kMaxColour; }

bool on_screen(int64_t x, int64_t y) { return x >= 0 && x < kScreenWidth && y >= 0 && y < kScreenHeight; }

size_t index_of(int64_t x, int64_t y) { return static_cast<size_t>(y) * kScreenWidth + static_cast<size_t>(x); }

void count(Graphics& g, GraphicsCall call) { ++g.calls[static_cast<size_t>(call)]; }

// Counts a call and logs it with its arguments; the log's line reads
// "name(arguments)" (see format_call_line). Only the format's kinds of
// argument are taken, so no text is formatted while drawing.
[[gnu::format(printf, 3, 4)]] void record(Graphics& g, GraphicsCall call, const char* arguments, ...) {
    count(g, call);
    if (!g.log_calls) return;
    CallLogLine line;
    line.call = call;
    line.format = arguments;
    va_list args;
    va_start(args, arguments);
    size_t n = 0;
    for (const char* f = arguments; *f != '\0'; ++f) {
        if (*f != '%') continue;
        const std::string_view conversion(f + 1);  // what follows the %
        if (conversion.starts_with(".*s")) {
            const int length = va_arg(args, int);
            const char* text = va_arg(args, const char*);
            const size_t kept = std::min(static_cast<size_t>(std::max(length, 0)), line.text.size() - 1);
            std::memcpy(line.text.data(), text, kept);
            line.text[kept] = '\0';
            f += 3;
        } else if (conversion.starts_with('s')) {
            const char* text = va_arg(args, const char*);
            std::snprintf(line.text.data(), line.text.size(), "%s", text);
            f += 1;
        } else if (conversion.starts_with('u')) {
            const unsigned value = va_arg(args, unsigned);
            if (n < line.numbers.size()) line.numbers[n++] = value;
            f += 1;
        } else if (conversion.starts_with('d')) {
            const int value = va_arg(args, int);
            if (n < line.numbers.size()) line.numbers[n++] = value;
            f += 1;
        }
    }
    va_end(args);
    g.log.push(line);
}

// The words of a logged call, cut to kCallLogLineChars - 1 characters.
std::string format_call_line(const CallLogLine& line) {
    if (line.format == nullptr) return {};
    std::string out(kCallNames[static_cast<size_t>(line.call)]);
    out += '(';
    size_t n = 0;
    for (const char* f = line.format; *f != '\0'; ++f) {
        if (*f != '%') {
            out += *f;
            continue;
        }
        const std::string_view conversion(f + 1);  // what follows the %
        if (conversion.starts_with(".*s")) {
            out += line.text.data();
            f += 3;
        } else if (conversion.starts_with('s')) {
            out += line.text.data();
            f += 1;
        } else {
            out += std::to_string(n < line.numbers.size() ? line.numbers[n++] : 0);
            f += 1;
        }
    }
    out += ')';
    if (out.size() > kCallLogLineChars - 1) out.resize(kCallLogLineChars - 1);
    return out;
}

// Starts a new shape: clears the pixel marks of the shape before.
void begin_shape(Graphics& g) {
    ++g.mark;
    if (g.mark == 0) {
        g.marks.fill(0);
        g.mark = 1;
    }
}

bool marked(const Graphics& g, int64_t x, int64_t y) { return g.marks[index_of(x, y)] == g.mark; }
void set_mark(Graphics& g, int64_t x, int64_t y) { g.marks[index_of(x, y)] = g.mark; }

void put(Graphics& g, int64_t x, int64_t y, int colour) {
    if (on_screen(x, y)) g.pixels[index_of(x, y)] = static_cast<uint8_t>(colour);
}

uint8_t fill_value(const Graphics& g, int64_t x, int64_t y) {
    if (g.fill_pattern == kEmptyFill) return kBackgroundColour;
    const PatternTile& tile = g.fill_pattern == kHatchFill ? kHatchTile : kSolidTile;
    const bool on = (tile[static_cast<size_t>(y & 7)] & (0x80 >> (x & 7))) != 0;
    return static_cast<uint8_t>(on ? g.fill_colour : kBackgroundColour);
}

void put_fill(Graphics& g, int64_t x, int64_t y) {
    if (on_screen(x, y)) g.pixels[index_of(x, y)] = fill_value(g, x, y);
}

// How lines are drawn: colour, write mode, dots and thickness.
struct Pen {
    int colour = kMaxColour;
    bool xor_mode = false;
    bool dotted = false;
    bool thick = false;
};

Pen line_pen(const Graphics& g) {
    return Pen{g.colour, g.write_mode == kXorMode, g.line_style == kDottedLine, g.line_thickness == kThickWidth};
}

Pen outline_pen(const Graphics& g) {  // copy mode whatever the write mode
    Pen pen = line_pen(g);
    pen.xor_mode = false;
    return pen;
}

Pen plain_pen(int colour) { return Pen{colour, false, false, false}; }

void plot(Graphics& g, const Pen& pen, int64_t x, int64_t y) {
    if (!on_screen(x, y)) return;
    const size_t i = index_of(x, y);
    if (!pen.xor_mode) {
        g.pixels[i] = static_cast<uint8_t>(pen.colour);
        return;
    }
    if (g.marks[i] == g.mark) return;  // an XOR shape changes a pixel once
    g.marks[i] = g.mark;
    g.pixels[i] = static_cast<uint8_t>(g.pixels[i] ^ pen.colour);
}

// A Bresenham line from (x0, y0) to (x1, y1), both ends included. Step i along
// the major axis puts the minor coordinate at round(i * minor / major), so
// only the steps that can reach the screen are visited, however far off the
// ends lie.
void draw_line(Graphics& g, const Pen& pen, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    const int64_t dx = x1 >= x0 ? x1 - x0 : x0 - x1;
    const int64_t dy = y1 >= y0 ? y1 - y0 : y0 - y1;
    const bool x_major = dx >= dy;
    const int64_t steps = x_major ? dx : dy;
    const int64_t minor = x_major ? dy : dx;
    const int64_t major_start = x_major ? x0 : y0;
    const int64_t minor_start = x_major ? y0 : x0;
    const int64_t major_sign = (x_major ? x1 >= x0 : y1 >= y0) ? 1 : -1;
    const int64_t minor_sign = (x_major ? y1 >= y0 : x1 >= x0) ? 1 : -1;
    const int64_t extent = x_major ? kScreenWidth : kScreenHeight;
    const int64_t margin = pen.thick ? 1 : 0;

    int64_t first = 0;
    int64_t last = 0;
    if (major_sign > 0) {
        first = -margin - major_start;
        last = extent - 1 + margin - major_start;
    } else {
        first = major_start - (extent - 1 + margin);
        last = major_start + margin;
    }
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, steps);

    for (int64_t i = first; i <= last; ++i) {
        if (pen.dotted && (i / kDotRunPx) % 2 != 0) continue;
        const int64_t offset =
            steps == 0 ? 0 : static_cast<int64_t>((Wide{2} * i * minor + steps) / (Wide{2} * steps));
        const int64_t major = major_start + major_sign * i;
        const int64_t minor_at = minor_start + minor_sign * offset;
        const int64_t x = x_major ? major : minor_at;
        const int64_t y = x_major ? minor_at : major;
        plot(g, pen, x, y);
        if (!pen.thick) continue;
        if (x_major) {
            plot(g, pen, x, y - 1);
            plot(g, pen, x, y + 1);
        } else {
            plot(g, pen, x - 1, y);
            plot(g, pen, x + 1, y);
        }
    }
}

void draw_rectangle(Graphics& g, const Pen& pen, int64_t l, int64_t t, int64_t r, int64_t b) {
    draw_line(g, pen, l, t, r, t);
    draw_line(g, pen, l, b, r, b);
    draw_line(g, pen, l, t, l, b);
    draw_line(g, pen, r, t, r, b);
}

void fill_area(Graphics& g, int64_t l, int64_t t, int64_t r, int64_t b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    const int64_t x1 = std::max<int64_t>(l, 0);
    const int64_t x2 = std::min<int64_t>(r, kScreenWidth - 1);
    const int64_t y1 = std::max<int64_t>(t, 0);
    const int64_t y2 = std::min<int64_t>(b, kScreenHeight - 1);
    for (int64_t y = y1; y <= y2; ++y) {
        for (int64_t x = x1; x <= x2; ++x) put_fill(g, x, y);
    }
}

// Walks the first quadrant of an ellipse with the midpoint method, from
// (0, ry) to (rx, 0), calling visit(x, y) for every outline point.
template <typename Visit>
void walk_quadrant(int64_t rx, int64_t ry, Visit&& visit) {
    if (rx == 0 || ry == 0) {
        for (int64_t y = 0; y <= ry; ++y) visit(0, y);
        for (int64_t x = 1; x <= rx; ++x) visit(x, 0);
        return;
    }
    const int64_t rx2 = rx * rx;
    const int64_t ry2 = ry * ry;
    int64_t x = 0;
    int64_t y = ry;
    int64_t ddx = 0;
    int64_t ddy = 2 * rx2 * y;
    int64_t d = 4 * ry2 - 4 * rx2 * ry + rx2;  // decision values times 4
    while (ddx < ddy) {
        visit(x, y);
        ++x;
        ddx += 2 * ry2;
        if (d < 0) {
            d += 4 * (ddx + ry2);
        } else {
            --y;
            ddy -= 2 * rx2;
            d += 4 * (ddx - ddy + ry2);
        }
    }
    d = ry2 * (2 * x + 1) * (2 * x + 1) + 4 * rx2 * (y - 1) * (y - 1) - 4 * rx2 * ry2;
    while (y >= 0) {
        visit(x, y);
        --y;
        ddy -= 2 * rx2;
        if (d > 0) {
            d += 4 * (rx2 - ddy);
        } else {
            ++x;
            ddx += 2 * ry2;
            d += 4 * (ddx - ddy + rx2);
        }
    }
}

// Angles of the curves: a span from the start counter-clockwise.
struct AngleSpan {
    bool full = true;
    double start_deg = 0;
    double span_deg = 360;
};

double wrap_degrees(double deg) {
    double d = std::fmod(deg, 360.0);
    if (d < 0) d += 360.0;
    return d;
}

AngleSpan angle_span(int start_angle, int end_angle) {
    const int64_t span = static_cast<int64_t>(end_angle) - start_angle;
    if (span >= 360 || span <= -360) return AngleSpan{};
    return AngleSpan{false, wrap_degrees(start_angle), wrap_degrees(static_cast<double>(span))};
}

constexpr double kAngleTolerance = 1e-7;
constexpr double kDegreesPerRadian = 57.29577951308232;

// Whether the point (dx, dy) from the centre (screen y down) lies in the span.
bool in_span(const AngleSpan& s, int64_t dx, int64_t dy) {
    if (s.full) return true;
    if (dx == 0 && dy == 0) return true;
    const double angle = std::atan2(static_cast<double>(-dy), static_cast<double>(dx)) * kDegreesPerRadian;
    double from_start = wrap_degrees(angle - s.start_deg);
    if (from_start > 360.0 - kAngleTolerance) from_start = 0;
    return from_start <= s.span_deg + kAngleTolerance;
}

bool valid_radius(int64_t r) { return r >= 0 && r <= kMaxRadius; }

// Whether a box around (x, y) of these half sizes can reach the screen.
bool reaches_screen(int64_t x, int64_t y, int64_t half_w, int64_t half_h) {
    return x + half_w >= 0 && x - half_w < kScreenWidth && y + half_h >= 0 && y - half_h < kScreenHeight;
}

void draw_curve(Graphics& g, int64_t cx, int64_t cy, int64_t rx, int64_t ry, const AngleSpan& span) {
    if (!reaches_screen(cx, cy, rx, ry)) return;
    const Pen pen = plain_pen(g.colour);
    walk_quadrant(rx, ry, [&](int64_t x, int64_t y) {
        const std::array<std::pair<int64_t, int64_t>, 4> points = {{{x, -y}, {-x, -y}, {x, y}, {-x, y}}};
        for (const auto& [px, py] : points) {
            if (in_span(span, px, py)) plot(g, pen, cx + px, cy + py);
        }
    });
}

// The end of a radius at an angle, rounded to the nearest pixel.
std::pair<int64_t, int64_t> point_at(int64_t cx, int64_t cy, int64_t r, int angle_deg) {
    const double a = static_cast<double>(angle_deg) / kDegreesPerRadian;
    return {cx + std::llround(static_cast<double>(r) * std::cos(a)),
            cy - std::llround(static_cast<double>(r) * std::sin(a))};
}

void fill_sector(Graphics& g, int64_t cx, int64_t cy, int64_t r, const AngleSpan& span) {
    walk_quadrant(r, r, [&](int64_t x, int64_t y) {
        for (int64_t row : {cy - y, cy + y}) {
            if (row < 0 || row >= kScreenHeight) continue;
            const int64_t from = std::max<int64_t>(cx - x, 0);
            const int64_t to = std::min<int64_t>(cx + x, kScreenWidth - 1);
            for (int64_t px = from; px <= to; ++px) {
                if (in_span(span, px - cx, row - cy)) put_fill(g, px, row);
            }
        }
    });
}

// Flood fill: a pixel is open while it is not the border colour and not yet filled.
bool flood_open(const Graphics& g, int x, int y, int border) {
    return !marked(g, x, y) && g.pixel(x, y) != border;
}

// Fills the run of open pixels through (x, y); gives its ends.
std::pair<int, int> flood_span(Graphics& g, int x, int y, int border) {
    int left = x;
    while (left > 0 && flood_open(g, left - 1, y, border)) --left;
    int right = x;
    while (right < kScreenWidth - 1 && flood_open(g, right + 1, y, border)) ++right;
    for (int px = left; px <= right; ++px) {
        set_mark(g, px, y);
        put_fill(g, px, y);
    }
    return {left, right};
}

// One seed for each run of open pixels of a row next to a filled span.
void flood_seeds(const Graphics& g, int left, int right, int row, int border, std::vector<std::pair<int, int>>& seeds) {
    if (row < 0 || row >= kScreenHeight) return;
    bool in_run = false;
    for (int px = left; px <= right; ++px) {
        const bool open = flood_open(g, px, row, border);
        if (open && !in_run) seeds.emplace_back(px, row);
        in_run = open;
    }
}

// Text. Positions along the text and across it map to the screen by the
// direction: vertical text reads upwards from the bottom of its box, the tops
// of the glyphs to the left; its box ends at x (columns x - height + 1 to x),
// so a label placed at the right edge of a column stays inside it.
struct TextFrame {
    int64_t x = 0;
    int64_t y = 0;
    int64_t length_px = 0;  // the text's width
    int64_t height_px = 0;  // the text's height
    bool vertical = false;

    std::pair<int64_t, int64_t> at(int64_t along, int64_t across) const {
        if (!vertical) return {x + along, y + across};
        return {x - height_px + 1 + across, y + length_px - 1 - along};
    }
};

void draw_default_font_text(Graphics& g, const TextFrame& frame, std::string_view text, int size) {
    const int64_t cell = static_cast<int64_t>(kDefaultFontCellPx) * size;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        for (int row = 0; row < kDefaultFontCellPx; ++row) {
            const uint8_t bits = default_font_row(c, row);
            for (int col = 0; col < kDefaultFontCellPx; ++col) {
                if ((bits & (0x80 >> col)) == 0) continue;
                for (int a = 0; a < size; ++a) {
                    for (int b = 0; b < size; ++b) {
                        const auto [px, py] =
                            frame.at(static_cast<int64_t>(i) * cell + col * size + a, row * size + b);
                        put(g, px, py, g.colour);
                    }
                }
            }
        }
    }
}

// One glyph of the stroked font with its origin pen_px along the text.
void draw_small_font_glyph(Graphics& g, const TextFrame& frame, std::string_view strokes, int64_t pen_px, int size) {
    const Pen pen = plain_pen(g.colour);
    size_t i = 0;
    while (i < strokes.size()) {
        // One polyline: digit pairs up to the next space.
        bool first = true;
        int64_t last_x = 0;
        int64_t last_y = 0;
        while (i + 1 < strokes.size() && strokes[i] != ' ') {
            const auto [x, y] = frame.at(pen_px + small_font_scale(strokes[i] - '0', size),
                                         small_font_scale(strokes[i + 1] - '0', size));
            if (first) {
                draw_line(g, pen, x, y, x, y);
            } else {
                draw_line(g, pen, last_x, last_y, x, y);
            }
            first = false;
            last_x = x;
            last_y = y;
            i += 2;
        }
        ++i;  // the space between polylines
    }
}

void draw_small_font_text(Graphics& g, const TextFrame& frame, std::string_view text, int size) {
    int64_t pen_px = 0;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        draw_small_font_glyph(g, frame, small_font_strokes(c), pen_px, size);
        pen_px += char_width_px(kSmallFont, size, c);
    }
}

bool valid_text_style(int font, int direction, int size) {
    return (font == kDefaultFont || font == kSmallFont) &&
           (direction == kHorizontalText || direction == kVerticalText) && size >= kMinCharSize &&
           size <= kMaxCharSize;
}

// The width and height of an image rectangle; false when a side is too long.
bool image_sides(int64_t left, int64_t top, int64_t right, int64_t bottom, int64_t& width, int64_t& height) {
    width = (right >= left ? right - left : left - right) + 1;
    height = (bottom >= top ? bottom - top : top - bottom) + 1;
    return width <= kMaxImageSide && height <= kMaxImageSide;
}

uint8_t combine(uint8_t screen, uint8_t image, int op) {
    switch (op) {
        case kXorPut: return static_cast<uint8_t>(screen ^ image);
        case kOrPut: return static_cast<uint8_t>(screen | image);
        case kAndPut: return static_cast<uint8_t>(screen & image);
        case kNotPut: return static_cast<uint8_t>(image ^ kMaxColour);
        default: return image;
    }
}

uint8_t level_to_8bit(uint8_t level) { return static_cast<uint8_t>(level * 255 / kMaxLevel); }

}  // namespace

std::string_view graphics_call_name(GraphicsCall call) {
    const size_t i = static_cast<size_t>(call);
    return i < kCallNames.size() ? kCallNames[i] : std::string_view{};
}

uint8_t Graphics::pixel(int x, int y) const { return on_screen(x, y) ? pixels[index_of(x, y)] : 0; }

std::vector<std::string> Graphics::call_log() const {
    std::vector<std::string> lines;
    lines.reserve(log.size());
    for (size_t i = 0; i < log.size(); ++i) lines.push_back(format_call_line(log.at(i)));
    return lines;
}

void Graphics::clear_call_log() { log.clear(); }

uint64_t Graphics::call_count(GraphicsCall call) const {
    const size_t i = static_cast<size_t>(call);
    return i < calls.size() ? calls[i] : 0;
}

void Graphics::clear_call_counts() { calls.fill(0); }

// ---------------------------------------------------------------- start and end

void _initgraph(int& driver, int& mode, std::string_view driver_path) {
    Graphics& g = gfx();
    record(g, GraphicsCall::initgraph, "%d,%d,\"%.*s\"", driver, mode, static_cast<int>(driver_path.size()),
           driver_path.data());
    if (driver == kDetectDriver) {
        driver = kVgaDriver;
        mode = kVgaHiMode;
    }
    if (driver != kVgaDriver || mode != kVgaHiMode) {
        driver = kGraphicsNotDetected;
        return;
    }
    g.pixels.fill(kBackgroundColour);
    g.palette = kDefaultPalette;
    g.colour = kMaxColour;
    g.fill_pattern = kSolidFill;
    g.fill_colour = kMaxColour;
    g.line_style = kSolidLine;
    g.line_thickness = kNormalWidth;
    g.write_mode = kCopyMode;
    g.position_x = 0;
    g.position_y = 0;
    g.text = TextSettings{};
    g.open = true;
}

void _closegraph() {
    Graphics& g = gfx();
    record(g, GraphicsCall::closegraph, "%s", "");
    g.open = false;
}

void _cleardevice() {
    Graphics& g = gfx();
    record(g, GraphicsCall::cleardevice, "%s", "");
    if (!g.open) return;
    g.pixels.fill(kBackgroundColour);
    g.position_x = 0;
    g.position_y = 0;
}

// ---------------------------------------------------------------- colours

void _setcolor(int colour) {
    Graphics& g = gfx();
    record(g, GraphicsCall::setcolor, "%d", colour);
    if (valid_colour(colour)) g.colour = colour;
}

int _getcolor() {
    Graphics& g = gfx();
    count(g, GraphicsCall::getcolor);
    return g.colour;
}

void _setpalette(int index, int colour) {
    Graphics& g = gfx();
    record(g, GraphicsCall::setpalette, "%d,%d", index, colour);
    if (!valid_colour(index) || colour < 0 || colour >= kEgaColourCount) return;
    g.palette[static_cast<size_t>(index)] = ega_colour(colour);
}

void _setrgbpalette(int index, int red, int green, int blue) {
    Graphics& g = gfx();
    record(g, GraphicsCall::setrgbpalette, "%d,%d,%d,%d", index, red, green, blue);
    const auto level_ok = [](int v) { return v >= 0 && v <= kMaxLevel; };
    if (!valid_colour(index) || !level_ok(red) || !level_ok(green) || !level_ok(blue)) return;
    g.palette[static_cast<size_t>(index)] =
        Rgb6{static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(blue)};
}

// ---------------------------------------------------------------- styles

void _setfillstyle(int pattern, int colour) {
    Graphics& g = gfx();
    record(g, GraphicsCall::setfillstyle, "%d,%d", pattern, colour);
    const bool known = pattern == kEmptyFill || pattern == kSolidFill || pattern == kHatchFill;
    if (!known || !valid_colour(colour)) return;
    g.fill_pattern = pattern;
    g.fill_colour = colour;
}

void _setlinestyle(int style, unsigned pattern, int thickness) {
    Graphics& g = gfx();
    record(g, GraphicsCall::setlinestyle, "%d,%u,%d", style, pattern, thickness);
    const bool style_ok = style == kSolidLine || style == kDottedLine;
    const bool thickness_ok = thickness == kNormalWidth || thickness == kThickWidth;
    if (!style_ok || !thickness_ok) return;
    g.line_style = style;
    g.line_thickness = thickness;
}

void _setwritemode(int mode) {
    Graphics& g = gfx();
    record(g, GraphicsCall::setwritemode, "%d", mode);
    if (mode == kCopyMode || mode == kXorMode) g.write_mode = mode;
}

// ---------------------------------------------------------------- drawing

void _putpixel(int x, int y, int colour) {
    Graphics& g = gfx();
    record(g, GraphicsCall::putpixel, "%d,%d,%d", x, y, colour);
    if (g.open && valid_colour(colour)) put(g, x, y, colour);
}

int _getpixel(int x, int y) {
    Graphics& g = gfx();
    count(g, GraphicsCall::getpixel);
    return g.pixel(x, y);
}

void _moveto(int x, int y) {
    Graphics& g = gfx();
    record(g, GraphicsCall::moveto, "%d,%d", x, y);
    g.position_x = x;
    g.position_y = y;
}

void _lineto(int x, int y) {
    Graphics& g = gfx();
    record(g, GraphicsCall::lineto, "%d,%d", x, y);
    if (g.open) {
        begin_shape(g);
        draw_line(g, line_pen(g), g.position_x, g.position_y, x, y);
    }
    g.position_x = x;
    g.position_y = y;
}

void _line(int x1, int y1, int x2, int y2) {
    Graphics& g = gfx();
    record(g, GraphicsCall::line, "%d,%d,%d,%d", x1, y1, x2, y2);
    if (!g.open) return;
    begin_shape(g);
    draw_line(g, line_pen(g), x1, y1, x2, y2);
}

void _rectangle(int left, int top, int right, int bottom) {
    Graphics& g = gfx();
    record(g, GraphicsCall::rectangle, "%d,%d,%d,%d", left, top, right, bottom);
    if (!g.open) return;
    begin_shape(g);
    draw_rectangle(g, line_pen(g), left, top, right, bottom);
}

void _bar(int left, int top, int right, int bottom) {
    Graphics& g = gfx();
    record(g, GraphicsCall::bar, "%d,%d,%d,%d", left, top, right, bottom);
    if (g.open) fill_area(g, left, top, right, bottom);
}

void _bar3d(int left, int top, int right, int bottom, int depth, int top_flag) {
    Graphics& g = gfx();
    record(g, GraphicsCall::bar3d, "%d,%d,%d,%d,%d,%d", left, top, right, bottom, depth, top_flag);
    if (!g.open || depth < 0) return;
    int64_t l = left, t = top, r = right, b = bottom;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    const int64_t d = depth;
    fill_area(g, l, t, r, b);
    const Pen pen = outline_pen(g);
    draw_rectangle(g, pen, l, t, r, b);
    // The right face, closed so that it can be flood-filled.
    draw_line(g, pen, r, t, r + d, t - d);
    draw_line(g, pen, r + d, t - d, r + d, b - d);
    draw_line(g, pen, r + d, b - d, r, b);
    if (top_flag != 0) {
        draw_line(g, pen, l, t, l + d, t - d);
        draw_line(g, pen, l + d, t - d, r + d, t - d);
    }
}

void _circle(int x, int y, int radius) {
    Graphics& g = gfx();
    record(g, GraphicsCall::circle, "%d,%d,%d", x, y, radius);
    if (g.open && valid_radius(radius)) draw_curve(g, x, y, radius, radius, AngleSpan{});
}

void _arc(int x, int y, int start_angle, int end_angle, int radius) {
    Graphics& g = gfx();
    record(g, GraphicsCall::arc, "%d,%d,%d,%d,%d", x, y, start_angle, end_angle, radius);
    if (g.open && valid_radius(radius)) draw_curve(g, x, y, radius, radius, angle_span(start_angle, end_angle));
}

void _ellipse(int x, int y, int start_angle, int end_angle, int x_radius, int y_radius) {
    Graphics& g = gfx();
    record(g, GraphicsCall::ellipse, "%d,%d,%d,%d,%d,%d", x, y, start_angle, end_angle, x_radius, y_radius);
    if (!g.open || !valid_radius(x_radius) || !valid_radius(y_radius)) return;
    draw_curve(g, x, y, x_radius, y_radius, angle_span(start_angle, end_angle));
}

void _pieslice(int x, int y, int start_angle, int end_angle, int radius) {
    Graphics& g = gfx();
    record(g, GraphicsCall::pieslice, "%d,%d,%d,%d,%d", x, y, start_angle, end_angle, radius);
    if (!g.open || !valid_radius(radius) || !reaches_screen(x, y, radius, radius)) return;
    const AngleSpan span = angle_span(start_angle, end_angle);
    fill_sector(g, x, y, radius, span);
    draw_curve(g, x, y, radius, radius, span);
    if (span.full) return;
    const Pen pen = plain_pen(g.colour);
    const auto [sx, sy] = point_at(x, y, radius, start_angle);
    const auto [ex, ey] = point_at(x, y, radius, end_angle);
    draw_line(g, pen, x, y, sx, sy);
    draw_line(g, pen, x, y, ex, ey);
}

void _floodfill(int x, int y, int border) {
    Graphics& g = gfx();
    record(g, GraphicsCall::floodfill, "%d,%d,%d", x, y, border);
    if (!g.open || !valid_colour(border) || !on_screen(x, y) || g.pixel(x, y) == border) return;
    begin_shape(g);
    std::vector<std::pair<int, int>> seeds;
    seeds.emplace_back(x, y);
    while (!seeds.empty()) {
        const auto [sx, sy] = seeds.back();
        seeds.pop_back();
        if (!flood_open(g, sx, sy, border)) continue;
        const auto [left, right] = flood_span(g, sx, sy, border);
        flood_seeds(g, left, right, sy - 1, border, seeds);
        flood_seeds(g, left, right, sy + 1, border, seeds);
    }
}

// ---------------------------------------------------------------- text

void _settextstyle(int font, int direction, int char_size) {
    Graphics& g = gfx();
    record(g, GraphicsCall::settextstyle, "%d,%d,%d", font, direction, char_size);
    if (!valid_text_style(font, direction, char_size)) return;
    g.text.font = font;
    g.text.direction = direction;
    g.text.char_size = char_size;
}

void _gettextsettings(TextSettings& settings) {
    Graphics& g = gfx();
    count(g, GraphicsCall::gettextsettings);
    settings = g.text;
}

void _outtextxy(int x, int y, std::string_view text) {
    Graphics& g = gfx();
    record(g, GraphicsCall::outtextxy, "%d,%d,\"%.*s\"", x, y, static_cast<int>(text.size()), text.data());
    if (!g.open) return;
    const TextSettings& s = g.text;
    const TextFrame frame{x, y, text_width_px(s.font, s.char_size, text), text_height_px(s.font, s.char_size),
                          s.direction == kVerticalText};
    if (s.font == kSmallFont) {
        draw_small_font_text(g, frame, text, s.char_size);
    } else {
        draw_default_font_text(g, frame, text, s.char_size);
    }
}

int _textwidth(std::string_view text) {
    Graphics& g = gfx();
    count(g, GraphicsCall::textwidth);
    return text_width_px(g.text.font, g.text.char_size, text);
}

int _textheight(std::string_view /*text*/) {
    Graphics& g = gfx();
    count(g, GraphicsCall::textheight);
    return text_height_px(g.text.font, g.text.char_size);
}

// ---------------------------------------------------------------- images

uint32_t _imagesize(int left, int top, int right, int bottom) {
    Graphics& g = gfx();
    count(g, GraphicsCall::imagesize);
    int64_t w = 0;
    int64_t h = 0;
    if (!image_sides(left, top, right, bottom, w, h)) return 0;
    return static_cast<uint32_t>(kImageHeaderBytes + w * h);
}

bool _getimage(int left, int top, int right, int bottom, std::span<uint8_t> image) {
    Graphics& g = gfx();
    count(g, GraphicsCall::getimage);
    int64_t w = 0;
    int64_t h = 0;
    if (!image_sides(left, top, right, bottom, w, h)) return false;
    if (image.size() < static_cast<size_t>(kImageHeaderBytes + w * h)) return false;
    const int64_t x0 = std::min(left, right);
    const int64_t y0 = std::min(top, bottom);
    image[0] = static_cast<uint8_t>(w);
    image[1] = static_cast<uint8_t>(w >> 8);
    image[2] = static_cast<uint8_t>(h);
    image[3] = static_cast<uint8_t>(h >> 8);
    size_t at = kImageHeaderBytes;
    for (int64_t y = 0; y < h; ++y) {
        for (int64_t x = 0; x < w; ++x) {
            const int64_t sx = x0 + x;
            const int64_t sy = y0 + y;
            image[at++] = on_screen(sx, sy) ? g.pixels[index_of(sx, sy)] : 0;
        }
    }
    return true;
}

// Pixel bytes keep their low four bits, the colour index.
void _putimage(int x, int y, std::span<const uint8_t> image, int op) {
    Graphics& g = gfx();
    const uint32_t w = image.size() >= 2 ? image[0] | (image[1] << 8) : 0;
    const uint32_t h = image.size() >= 4 ? image[2] | (image[3] << 8) : 0;
    record(g, GraphicsCall::putimage, "%d,%d,%ux%u,%d", x, y, w, h, op);
    if (!g.open || image.size() < kImageHeaderBytes || op < kCopyPut || op > kNotPut) return;
    if (static_cast<uint64_t>(kImageHeaderBytes) + uint64_t{w} * h > image.size()) return;
    for (uint32_t row = 0; row < h; ++row) {
        const int64_t sy = static_cast<int64_t>(y) + row;
        if (sy < 0 || sy >= kScreenHeight) continue;
        for (uint32_t col = 0; col < w; ++col) {
            const int64_t sx = static_cast<int64_t>(x) + col;
            if (sx < 0 || sx >= kScreenWidth) continue;
            const uint8_t v = image[kImageHeaderBytes + size_t{row} * w + col] & kMaxColour;
            uint8_t& p = g.pixels[index_of(sx, sy)];
            p = combine(p, v, op);
        }
    }
}

// ---------------------------------------------------------------- for tests and the host

std::vector<uint8_t> frame_rgb() {
    const Graphics& g = gfx();
    std::vector<uint8_t> rgb(static_cast<size_t>(kScreenPixels) * 3);
    for (size_t i = 0; i < g.pixels.size(); ++i) {
        const Rgb6& c = g.palette[g.pixels[i] & kMaxColour];
        rgb[3 * i] = level_to_8bit(c.r);
        rgb[3 * i + 1] = level_to_8bit(c.g);
        rgb[3 * i + 2] = level_to_8bit(c.b);
    }
    return rgb;
}

std::vector<uint8_t> frame_png() { return encode_png_rgb(kScreenWidth, kScreenHeight, frame_rgb()); }

bool dump_png(const std::string& path) { return write_file_replacing(path, frame_png()); }

namespace {
Rect clipped(Rect r) {
    if (r.x1 > r.x2) std::swap(r.x1, r.x2);
    if (r.y1 > r.y2) std::swap(r.y1, r.y2);
    return Rect{std::max(r.x1, 0), std::max(r.y1, 0), std::min(r.x2, kScreenWidth - 1),
                std::min(r.y2, kScreenHeight - 1)};
}
}  // namespace

int count_pixels(int colour, Rect area) {
    const Graphics& g = gfx();
    const Rect r = clipped(area);
    int n = 0;
    for (int y = r.y1; y <= r.y2; ++y) {
        for (int x = r.x1; x <= r.x2; ++x) n += g.pixel(x, y) == colour ? 1 : 0;
    }
    return n;
}

std::optional<Rect> ink_bounds(int background, Rect area) {
    const Graphics& g = gfx();
    const Rect r = clipped(area);
    std::optional<Rect> box;
    for (int y = r.y1; y <= r.y2; ++y) {
        for (int x = r.x1; x <= r.x2; ++x) {
            if (g.pixel(x, y) == background) continue;
            if (!box) {
                box = Rect{x, y, x, y};
                continue;
            }
            box->x1 = std::min(box->x1, x);
            box->x2 = std::max(box->x2, x);
            box->y2 = y;
        }
    }
    return box;
}

std::string region_text(Rect area) {
    const Graphics& g = gfx();
    const Rect r = clipped(area);
    std::string out;
    for (int y = r.y1; y <= r.y2; ++y) {
        for (int x = r.x1; x <= r.x2; ++x) out.push_back("0123456789abcdef"[g.pixel(x, y) & kMaxColour]);
        out.push_back('\n');
    }
    return out;
}

}  // namespace platform
