// A rectangle of the 640 x 480 setup screen, and the pointer kept in one or
// tested against one: what every setup screen's click areas share.
#pragma once
#include <cstdint>

#include "runtime/mouse_input.h"

namespace setup {

struct Area {
    int16_t x1, y1, x2, y2;
};

// The pointer kept inside the area.
inline void confine(const Area& a) { runtime::set_mouse_range(a.x1, a.y1, a.x2, a.y2); }
// The pointer inside the area, edges included as the mouse services count them.
inline bool inside(const Area& a) {
    return runtime::is_point_in_rect(a.x1, a.y1, a.x2, a.y2, runtime::mouse_x, runtime::mouse_y);
}

}  // namespace setup
