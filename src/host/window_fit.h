// The window's picture: a fixed layout (the screen and the console surface)
// scaled into a window of any size with its aspect kept.
//
// The window starts at the largest whole multiple of the layout that fits the
// display, or, when even one does not, at the largest size of the layout's
// aspect that fits. Resized, the picture fills the window in one direction
// and is centred between black bands in the other (letterboxed), never
// stretched.
#pragma once
#include <optional>

namespace host {

struct Size {
    int width = 0;
    int height = 0;
};

struct Point {
    int x = 0;
    int y = 0;
};

// Where the picture lies in the window, in window pixels.
struct Viewport {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The window size to start at on a display whose usable area is given.
Size start_window_size(Size layout, Size usable);
// The largest picture of the layout's aspect inside the window, centred.
Viewport letterbox(Size layout, Size window);
// The layout pixel under a window pixel; nothing in the bands.
std::optional<Point> window_to_layout(Size layout, const Viewport& viewport, Point window_point);

}  // namespace host
