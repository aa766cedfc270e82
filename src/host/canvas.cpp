#include "host/canvas.h"

#include <array>

#include "platform/fonts.h"

namespace host {

Canvas::Canvas(Size size)
    : size_(size), pixels_(static_cast<size_t>(size.width) * static_cast<size_t>(size.height), 0xFF000000u) {}

uint32_t Canvas::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= size_.width || y >= size_.height) return 0;
    return pixels_[static_cast<size_t>(y * size_.width + x)];
}

void Canvas::put(int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= size_.width || y >= size_.height) return;
    pixels_[static_cast<size_t>(y * size_.width + x)] = colour;
}

void Canvas::fill(const Rect& r, uint32_t colour) {
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) put(x, y, colour);
    }
}

void Canvas::frame(const Rect& r, uint32_t colour) {
    fill({r.x, r.y, r.width, 1}, colour);
    fill({r.x, r.y + r.height - 1, r.width, 1}, colour);
    fill({r.x, r.y, 1, r.height}, colour);
    fill({r.x + r.width - 1, r.y, 1, r.height}, colour);
}

void Canvas::text(int x, int y, std::string_view text, uint32_t ink) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int left = x + static_cast<int>(i) * kCanvasCharPx;
        for (int row = 0; row < kCanvasCharPx; ++row) {
            const uint8_t bits = platform::default_font_row(c, row);
            for (int column = 0; column < kCanvasCharPx; ++column) {
                if ((bits & (0x80 >> column)) != 0) put(left + column, y + row, ink);
            }
        }
    }
}

void Canvas::put_screen(int x, int y, const FrameRgb& screen) {
    for (int row = 0; row < kFrameHeight; ++row) {
        for (int column = 0; column < kFrameWidth; ++column) {
            put(x + column, y + row, screen[static_cast<size_t>(row * kFrameWidth + column)]);
        }
    }
}

namespace {

// The arrow, one text row per pixel row: '#' outline, '.' fill.
constexpr std::array<std::string_view, 16> kPointerShape = {
    "#",          "##",         "#.#",        "#..#",       "#...#",      "#....#",
    "#.....#",    "#......#",   "#.......#",  "#........#", "#.....#####", "#..#..#",
    "#.# #..#",   "##  #..#",   "#    #..#",  "      ##",
};
constexpr uint32_t kPointerOutline = 0xFF000000u;
constexpr uint32_t kPointerFill = 0xFFFFFFFFu;

}  // namespace

void draw_mouse_pointer(Canvas& canvas, int x, int y) {
    for (size_t row = 0; row < kPointerShape.size(); ++row) {
        const std::string_view line = kPointerShape[row];
        for (size_t column = 0; column < line.size(); ++column) {
            const int px = x + static_cast<int>(column);
            const int py = y + static_cast<int>(row);
            if (px >= kFrameWidth || py >= kFrameHeight || line[column] == ' ') continue;
            canvas.fill({px, py, 1, 1}, line[column] == '#' ? kPointerOutline : kPointerFill);
        }
    }
}

}  // namespace host
