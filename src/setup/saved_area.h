// A screen area saved when a dialog opens over it and put back when the
// dialog goes (or when restore() is called earlier). Without the memory for
// the image the area is drawn anew instead, by `redraw`.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

namespace setup {

class SavedArea {
public:
    SavedArea(int x1, int y1, int x2, int y2, std::function<void()> redraw = {});
    ~SavedArea() { restore(); }
    void restore();
    SavedArea(const SavedArea&) = delete;
    SavedArea& operator=(const SavedArea&) = delete;

private:
    int x_;
    int y_;
    std::function<void()> redraw_;
    std::vector<uint8_t> image_;
    bool saved_ = false;
};

}  // namespace setup
