#include "host/window_fit.h"

#include <algorithm>
#include <cstdint>

namespace host {

namespace {

// value * numerator / denominator, rounded to the nearest pixel.
int scaled(int value, int numerator, int denominator) {
    const int64_t product = int64_t{value} * numerator;
    return static_cast<int>((2 * product + denominator) / (2 * int64_t{denominator}));
}

// The largest size of the layout's aspect within bounds, at least 1 x 1.
Size fit_within(Size layout, Size bounds) {
    if (layout.width <= 0 || layout.height <= 0) return {};
    // Width-bound when bounds are relatively wider than the layout is tall.
    if (int64_t{bounds.width} * layout.height <= int64_t{bounds.height} * layout.width) {
        return {std::max(bounds.width, 1), std::max(scaled(bounds.width, layout.height, layout.width), 1)};
    }
    return {std::max(scaled(bounds.height, layout.width, layout.height), 1), std::max(bounds.height, 1)};
}

}  // namespace

Size start_window_size(Size layout, Size usable) {
    if (layout.width <= 0 || layout.height <= 0) return {};
    const int multiple = std::min(usable.width / layout.width, usable.height / layout.height);
    if (multiple >= 1) return {layout.width * multiple, layout.height * multiple};
    return fit_within(layout, usable);
}

Viewport letterbox(Size layout, Size window) {
    if (window.width <= 0 || window.height <= 0) return {};
    const Size picture = fit_within(layout, window);
    return {(window.width - picture.width) / 2, (window.height - picture.height) / 2, picture.width, picture.height};
}

std::optional<Point> window_to_layout(Size layout, const Viewport& viewport, Point window_point) {
    const int dx = window_point.x - viewport.x;
    const int dy = window_point.y - viewport.y;
    if (dx < 0 || dy < 0 || dx >= viewport.width || dy >= viewport.height) return std::nullopt;
    const int x = static_cast<int>(int64_t{dx} * layout.width / viewport.width);
    const int y = static_cast<int>(int64_t{dy} * layout.height / viewport.height);
    return Point{std::min(x, layout.width - 1), std::min(y, layout.height - 1)};
}

}  // namespace host
