// What the window shows: the text screen while graphics is closed, the frame
// buffer while it is open.
#include "host/frame.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "platform/text_screen.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFAA0000u;      // text colour 4
constexpr uint32_t kYellow = 0xFFFFFF55u;   // text colour 14
constexpr uint32_t kLightGrey = 0xFFAAAAAAu;

class Frame : public ::testing::Test {
protected:
    void SetUp() override { platform::install_machine(machine.get()); }
    void TearDown() override { platform::install_machine(nullptr); }

    uint32_t at(int x, int y) const { return (*frame)[static_cast<size_t>(y * host::kFrameWidth + x)]; }
    // Top-left pixel of a text cell (column and row 1-based).
    static int cell_x(int column) { return (column - 1) * host::kTextCellWidth; }
    static int cell_y(int row) { return host::kTextTop + (row - 1) * host::kTextCellHeight; }

    std::unique_ptr<platform::Machine> machine = std::make_unique<platform::Machine>();
    std::unique_ptr<host::FrameRgb> frame = std::make_unique<host::FrameRgb>();
};

TEST_F(Frame, TheTextScreenIsDrawnInItsColoursWithEveryFontRowTwice) {
    platform::_setcursortype(platform::kCursorHidden);
    platform::textbackground(4);
    platform::textcolor(14);
    platform::gotoxy(15, 10);
    platform::cputs("H");
    host::render_screen(*machine, *frame);

    for (int font_row = 0; font_row < 8; ++font_row) {
        const uint8_t bits = platform::default_font_row('H', font_row);
        for (int x = 0; x < 8; ++x) {
            const uint32_t expected = (bits & (0x80 >> x)) != 0 ? kYellow : kRed;
            EXPECT_EQ(at(cell_x(15) + x, cell_y(10) + 2 * font_row), expected) << x << "," << font_row;
            EXPECT_EQ(at(cell_x(15) + x, cell_y(10) + 2 * font_row + 1), expected) << x << "," << font_row;
        }
    }
    EXPECT_EQ(at(cell_x(16), cell_y(10)), kBlack);  // the next cell keeps the cleared screen
    EXPECT_EQ(at(0, 0), kBlack);                    // the band above the 25 rows
    EXPECT_EQ(at(639, 479), kBlack);                // and below them
}

TEST_F(Frame, TheCursorIsAnUnderlineInTheCellsColourUnlessHidden) {
    platform::gotoxy(3, 2);
    host::render_screen(*machine, *frame);
    const int bottom = cell_y(2) + host::kTextCellHeight - 1;
    EXPECT_EQ(at(cell_x(3), bottom), kLightGrey);
    EXPECT_EQ(at(cell_x(3), bottom - 2), kBlack);

    platform::_setcursortype(platform::kCursorHidden);
    host::render_screen(*machine, *frame);
    EXPECT_EQ(at(cell_x(3), bottom), kBlack);
}

TEST_F(Frame, OpenGraphicsShowsTheFrameBufferThroughThePalette) {
    platform::cputs("TEXT");
    int driver = platform::kVgaDriver;
    int mode = platform::kVgaHiMode;
    platform::_initgraph(driver, mode, "");
    platform::_setrgbpalette(2, 63, 0, 63);
    platform::_putpixel(0, 0, 2);
    host::render_screen(*machine, *frame);
    EXPECT_EQ(at(0, 0), 0xFFFF00FFu);
    EXPECT_EQ(at(cell_x(1) + 1, cell_y(1) + 2), kBlack);  // no text over the frame

    platform::_closegraph();
    host::render_screen(*machine, *frame);
    EXPECT_EQ(at(0, 0), kBlack);
    bool ink = false;
    for (int y = 0; y < host::kTextCellHeight; ++y) {
        for (int x = 0; x < host::kTextCellWidth; ++x) ink = ink || at(cell_x(1) + x, cell_y(1) + y) == kLightGrey;
    }
    EXPECT_TRUE(ink);  // back in text mode the text is shown again
}

}  // namespace
