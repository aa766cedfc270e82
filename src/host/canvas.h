// The window's whole picture before scaling: 0xAARRGGBB pixels of a fixed
// size, with the few drawing calls the screen and the console surface need.
// Drawing is clipped to the canvas and allocates nothing.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/frame.h"
#include "host/window_fit.h"

namespace host {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool contains(Point p) const { return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height; }
};

// Characters of the 8 x 8 font, drawn one pixel a font pixel.
constexpr int kCanvasCharPx = 8;

class Canvas {
public:
    explicit Canvas(Size size);
    Size size() const { return size_; }
    const uint32_t* data() const { return pixels_.data(); }
    uint32_t at(int x, int y) const;

    void fill(const Rect& r, uint32_t colour);
    void frame(const Rect& r, uint32_t colour);  // a one-pixel border
    // Text with its top-left corner at (x, y); the paper is left as it is.
    void text(int x, int y, std::string_view text, uint32_t ink);
    // The 640 x 480 screen with its top-left corner at (x, y).
    void put_screen(int x, int y, const FrameRgb& screen);

private:
    void put(int x, int y, uint32_t colour);
    Size size_;
    std::vector<uint32_t> pixels_;
};

// The mouse driver's pointer: an arrow whose tip is at (x, y), clipped to the
// screen drawn at the canvas's top-left corner.
void draw_mouse_pointer(Canvas& canvas, int x, int y);

}  // namespace host
