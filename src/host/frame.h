// What the window shows: the frame buffer while graphics is open, the text
// screen otherwise.
#pragma once
#include <array>
#include <cstdint>

#include "platform/machine.h"

namespace host {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
using FrameRgb = std::array<uint32_t, kFrameWidth * kFrameHeight>;

// Text cells in the window: the 8 x 8 font with every row drawn twice, so the
// 80 x 25 screen takes 640 x 400 pixels, centred between black bands.
constexpr int kTextCellWidth = 8;
constexpr int kTextCellHeight = 16;
constexpr int kTextTop = (kFrameHeight - platform::kTextRows * kTextCellHeight) / 2;

// Fills out with 0xAARRGGBB pixels; 6-bit palette levels scale to 8 bits.
void render_frame(const platform::Machine& machine, FrameRgb& out);
// The text screen in the standard 16 text colours, with the cursor as an
// underline of the cell's foreground colour unless it is hidden.
void render_text_screen(const platform::TextScreen& text, FrameRgb& out);
// Whichever of the two the program shows now.
void render_screen(const platform::Machine& machine, FrameRgb& out);

}  // namespace host
