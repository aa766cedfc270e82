#include "host/frame.h"

#include "platform/fonts.h"

namespace host {

namespace {

uint32_t level8(uint8_t level6) { return static_cast<uint32_t>(level6 & 63) * 255 / 63; }

uint32_t argb(const platform::Rgb6& c) { return 0xFF000000u | (level8(c.r) << 16) | (level8(c.g) << 8) | level8(c.b); }

constexpr int kCursorRows = 2;  // the underline: the cell's last two pixel rows

}  // namespace

void render_frame(const platform::Machine& machine, FrameRgb& out) {
    const platform::Graphics& graphics = machine.graphics;
    std::array<uint32_t, platform::kColourCount> colours{};
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = argb(graphics.palette[i]);
    for (size_t i = 0; i < out.size(); ++i) out[i] = colours[graphics.pixels[i] & 15];
}

void render_text_screen(const platform::TextScreen& text, FrameRgb& out) {
    std::array<uint32_t, platform::kColourCount> colours{};
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = argb(platform::kDefaultPalette[i]);
    out.fill(colours[0]);
    for (int row = 1; row <= platform::kTextRows; ++row) {
        for (int column = 1; column <= platform::kTextColumns; ++column) {
            const uint8_t character = text.character_at(column, row);
            const uint8_t attribute = text.attribute_at(column, row);
            const uint32_t ink = colours[attribute & 0x0F];
            const uint32_t paper = colours[(attribute >> 4) & 0x07];
            const bool cursor = text.cursor_shape != platform::kCursorHidden && column == text.cursor_x &&
                                row == text.cursor_y;
            const int left = (column - 1) * kTextCellWidth;
            const int top = kTextTop + (row - 1) * kTextCellHeight;
            for (int y = 0; y < kTextCellHeight; ++y) {
                const uint8_t bits = platform::default_font_row(character, y / 2);
                const bool underline = cursor && y >= kTextCellHeight - kCursorRows;
                uint32_t* line = &out[static_cast<size_t>((top + y) * kFrameWidth + left)];
                for (int x = 0; x < kTextCellWidth; ++x) {
                    line[x] = underline || (bits & (0x80 >> x)) != 0 ? ink : paper;
                }
            }
        }
    }
}

void render_screen(const platform::Machine& machine, FrameRgb& out) {
    if (machine.graphics.open) {
        render_frame(machine, out);
    } else {
        render_text_screen(machine.text, out);
    }
}

}  // namespace host
