#include "setup/saved_area.h"

#include <utility>

#include "platform/graphics.h"
#include "setup/setup_screen.h"

namespace setup {

SavedArea::SavedArea(int x1, int y1, int x2, int y2, std::function<void()> redraw)
    : x_(x1), y_(y1), redraw_(std::move(redraw)) {
    image_.resize(platform::_imagesize(x1, y1, x2, y2));
    saved_ = platform::_getimage(x1, y1, x2, y2, image_);
    if (!saved_) image_.clear();
}

void SavedArea::restore() {
    const PointerHidden hidden;
    if (!image_.empty()) platform::_putimage(x_, y_, image_, platform::kCopyPut);
    if (!saved_ && redraw_) redraw_();
    image_.clear();
    saved_ = true;
    redraw_ = {};
}

}  // namespace setup
