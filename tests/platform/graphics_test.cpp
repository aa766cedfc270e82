#include "platform/graphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/machine.h"
#include "platform/png_writer.h"

namespace platform {
namespace {

constexpr Rect kScreen{0, 0, kScreenWidth - 1, kScreenHeight - 1};

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = std::make_unique<Machine>();
        install_machine(m.get());
        int driver = kVgaDriver;
        int mode = kVgaHiMode;
        _initgraph(driver, mode, "");
    }
    void TearDown() override { install_machine(nullptr); }

    Graphics& g() { return m->graphics; }

    std::unique_ptr<Machine> m;
};

// A busy background so that XOR and copy effects show.
void paint_stripes() {
    for (int i = 0; i < 16; ++i) {
        _setfillstyle(kSolidFill, i);
        _bar(0, i * 30, kScreenWidth - 1, i * 30 + 29);
    }
}

// ------------------------------------------------------------------ start

TEST_F(GraphicsTest, InitgraphOpensVgaHiWithDefaults) {
    EXPECT_TRUE(g().open);
    EXPECT_EQ(_getcolor(), 15);
    EXPECT_EQ(g().palette, kDefaultPalette);
    EXPECT_EQ(count_pixels(0, kScreen), kScreenPixels);

    int driver = kDetectDriver;
    int mode = 0;
    _initgraph(driver, mode, "");
    EXPECT_EQ(driver, kVgaDriver);
    EXPECT_EQ(mode, kVgaHiMode);
}

TEST_F(GraphicsTest, InitgraphRefusesOtherModesAndDrawingWaitsForIt) {
    _closegraph();
    int driver = kVgaDriver;
    int mode = 1;
    _initgraph(driver, mode, "");
    EXPECT_EQ(driver, kGraphicsNotDetected);
    EXPECT_FALSE(g().open);

    _setfillstyle(kSolidFill, 4);
    _bar(0, 0, 10, 10);
    _putpixel(20, 20, 4);
    _setcolor(4);
    _line(0, 30, 50, 30);
    _outtextxy(0, 40, "X");
    EXPECT_EQ(count_pixels(0, kScreen), kScreenPixels);
}

TEST_F(GraphicsTest, CloseKeepsThePictureForReading) {
    _setfillstyle(kSolidFill, 4);
    _bar(0, 0, 9, 9);
    _closegraph();
    _bar(20, 20, 29, 29);
    EXPECT_EQ(count_pixels(4, kScreen), 100);
    EXPECT_EQ(_getpixel(5, 5), 4);
}

// ------------------------------------------------------------------ bars and rectangles

TEST_F(GraphicsTest, BarFillsBothCornersInclusiveInAnyOrder) {
    struct Corners { int x1, y1, x2, y2; };
    const Corners cases[] = {{10, 10, 12, 11}, {12, 11, 10, 10}, {10, 11, 12, 10}, {12, 10, 10, 11}};
    for (const Corners& c : cases) {
        _cleardevice();
        _setcolor(14);
        _setfillstyle(kSolidFill, 4);
        _bar(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(count_pixels(4, kScreen), 6);
        EXPECT_EQ(count_pixels(4, Rect{10, 10, 12, 11}), 6);
        EXPECT_EQ(count_pixels(14, kScreen), 0) << "a bar has no outline";
    }
}

TEST_F(GraphicsTest, BarIsClippedToTheScreen) {
    _setfillstyle(kSolidFill, 2);
    _bar(-100000, -100000, 100000, 3);
    EXPECT_EQ(count_pixels(2, kScreen), kScreenWidth * 4);
    _bar(INT_MIN, 476, INT_MAX, INT_MAX);
    EXPECT_EQ(count_pixels(2, kScreen), kScreenWidth * 8);
    _bar(700, 0, 800, 100);  // wholly off screen
    EXPECT_EQ(count_pixels(2, kScreen), kScreenWidth * 8);
}

TEST_F(GraphicsTest, FillPatterns) {
    _setfillstyle(kHatchFill, 1);
    _bar(0, 0, 15, 15);
    // Rows 0 and 8 and columns 0 and 8 of the grid.
    EXPECT_EQ(count_pixels(1, Rect{0, 0, 15, 15}), 60);
    EXPECT_EQ(_getpixel(8, 5), 1);
    EXPECT_EQ(_getpixel(5, 8), 1);
    EXPECT_EQ(_getpixel(5, 5), 0);

    _setfillstyle(kSolidFill, 3);
    _bar(0, 0, 15, 15);
    _setfillstyle(kEmptyFill, 3);
    _bar(0, 0, 7, 15);
    EXPECT_EQ(count_pixels(0, Rect{0, 0, 15, 15}), 128);

    _setfillstyle(5, 9);  // a pattern this library does not have: refused
    _bar(0, 0, 15, 15);
    EXPECT_EQ(count_pixels(9, kScreen), 0);
    EXPECT_EQ(count_pixels(0, Rect{0, 0, 15, 15}), 256);
}

TEST_F(GraphicsTest, RectangleDrawsTheOutlineOnly) {
    _setcolor(14);
    _rectangle(10, 10, 20, 15);
    EXPECT_EQ(count_pixels(14, kScreen), 2 * 11 + 2 * 4);
    EXPECT_EQ(count_pixels(14, Rect{11, 11, 19, 14}), 0);
    for (int x = 10; x <= 20; ++x) {
        EXPECT_EQ(_getpixel(x, 10), 14);
        EXPECT_EQ(_getpixel(x, 15), 14);
    }
    for (int y = 10; y <= 15; ++y) {
        EXPECT_EQ(_getpixel(10, y), 14);
        EXPECT_EQ(_getpixel(20, y), 14);
    }
}

// ------------------------------------------------------------------ lines

TEST_F(GraphicsTest, LinesIncludeBothEndsAndOnePixelPerStep) {
    struct Case { int x1, y1, x2, y2; };
    const Case cases[] = {
        {0, 0, 10, 0}, {5, 5, 5, 5}, {10, 10, 20, 13}, {20, 13, 10, 10},
        {100, 100, 90, 140}, {3, 7, 0, 0}, {50, 50, 80, 80}, {200, 10, 190, 60},
    };
    for (const Case& c : cases) {
        _cleardevice();
        _setcolor(12);
        _line(c.x1, c.y1, c.x2, c.y2);
        const int dx = std::abs(c.x2 - c.x1);
        const int dy = std::abs(c.y2 - c.y1);
        EXPECT_EQ(_getpixel(c.x1, c.y1), 12);
        EXPECT_EQ(_getpixel(c.x2, c.y2), 12);
        EXPECT_EQ(count_pixels(12, kScreen), std::max(dx, dy) + 1);
        // Exactly one pixel on every row (steep) or column (shallow) it crosses.
        for (int step = 0; step <= std::max(dx, dy); ++step) {
            const Rect band = dx >= dy ? Rect{std::min(c.x1, c.x2) + step, 0, std::min(c.x1, c.x2) + step, 479}
                                       : Rect{0, std::min(c.y1, c.y2) + step, 639, std::min(c.y1, c.y2) + step};
            EXPECT_EQ(count_pixels(12, band), 1);
        }
    }
}

TEST_F(GraphicsTest, LinesFarOffScreenAreClipped) {
    _setcolor(7);
    _line(-1000000, -1000000, 1000000, 1000000);
    EXPECT_EQ(count_pixels(7, kScreen), 480);
    for (int i = 0; i < 480; ++i) EXPECT_EQ(_getpixel(i, i), 7);

    _cleardevice();
    _line(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    _line(INT_MIN, 5, INT_MAX, 5);
    _line(-50, -10, -5, -900);  // wholly off screen
    EXPECT_EQ(count_pixels(7, Rect{0, 5, 639, 5}), 640);
    const std::optional<Rect> box = ink_bounds(0, kScreen);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(*box, (Rect{0, 0, 639, 479}));
}

TEST_F(GraphicsTest, DottedAndThickLines) {
    _setcolor(5);
    _setlinestyle(kDottedLine, 0, kNormalWidth);
    _line(0, 5, 9, 5);
    for (int x = 0; x <= 9; ++x) EXPECT_EQ(_getpixel(x, 5), (x / 2) % 2 == 0 ? 5 : 0) << x;

    _setlinestyle(kSolidLine, 0, kThickWidth);
    _line(10, 20, 30, 20);
    EXPECT_EQ(count_pixels(5, Rect{0, 19, 639, 21}), 3 * 21);
    _line(100, 100, 100, 110);
    EXPECT_EQ(count_pixels(5, Rect{99, 100, 101, 110}), 3 * 11);

    _setlinestyle(2, 0, kNormalWidth);  // unknown style: refused
    EXPECT_EQ(g().line_style, kSolidLine);
    EXPECT_EQ(g().line_thickness, kThickWidth);
}

TEST_F(GraphicsTest, MovetoAndLinetoFollowTheCurrentPosition) {
    _setcolor(3);
    _moveto(10, 10);
    _lineto(20, 10);
    _lineto(20, 20);
    EXPECT_EQ(g().position_x, 20);
    EXPECT_EQ(g().position_y, 20);
    EXPECT_EQ(count_pixels(3, kScreen), 21);
    _cleardevice();
    EXPECT_EQ(g().position_x, 0);
    EXPECT_EQ(g().position_y, 0);
}

// ------------------------------------------------------------------ write mode

TEST_F(GraphicsTest, XorRectangleTwiceRestoresTheScreen) {
    paint_stripes();
    const std::array<uint8_t, kScreenPixels> before = g().pixels;
    _setwritemode(kXorMode);
    _setcolor(9);
    _rectangle(5, 5, 50, 40);
    // Every outline pixel, corners too, is changed exactly once.
    for (int x = 5; x <= 50; ++x) {
        EXPECT_EQ(_getpixel(x, 5), before[5 * kScreenWidth + x] ^ 9);
        EXPECT_EQ(_getpixel(x, 40), before[40 * kScreenWidth + x] ^ 9);
    }
    EXPECT_EQ(_getpixel(5, 20), before[20 * kScreenWidth + 5] ^ 9);
    _rectangle(5, 5, 50, 40);
    EXPECT_EQ(g().pixels, before);

    _setlinestyle(kSolidLine, 0, kThickWidth);
    _rectangle(100, 100, 300, 200);
    _line(0, 0, 639, 479);
    _line(0, 0, 639, 479);
    _rectangle(100, 100, 300, 200);
    EXPECT_EQ(g().pixels, before);
}

TEST_F(GraphicsTest, XorModeLeavesFillsAndTextCopying) {
    paint_stripes();
    _setwritemode(kXorMode);
    _setfillstyle(kSolidFill, 6);
    _bar(0, 20, 40, 40);
    EXPECT_EQ(count_pixels(6, Rect{0, 20, 40, 40}), 41 * 21);
    _setcolor(6);
    _line(100, 35, 120, 35);  // over stripe 1: 1 ^ 6 = 7
    EXPECT_EQ(count_pixels(7, Rect{100, 35, 120, 35}), 21);
}

// ------------------------------------------------------------------ flood fill and 3-D bars

TEST_F(GraphicsTest, FloodFillStopsAtTheBorderColourOnly) {
    _setcolor(7);
    _rectangle(100, 100, 200, 150);
    _setcolor(3);
    _line(120, 110, 180, 140);  // not the border colour: filled over
    _setfillstyle(kSolidFill, 11);
    _floodfill(150, 125, 7);
    EXPECT_EQ(count_pixels(11, kScreen), 99 * 49);
    EXPECT_EQ(count_pixels(7, kScreen), 2 * 101 + 2 * 49);
    EXPECT_EQ(count_pixels(3, kScreen), 0);

    _setfillstyle(kSolidFill, 4);
    _floodfill(100, 100, 7);  // the seed is on the border: nothing
    _floodfill(-5, 10, 7);    // off screen: nothing
    EXPECT_EQ(count_pixels(4, kScreen), 0);
}

TEST_F(GraphicsTest, FloodFillWithAPatternEnds) {
    _setcolor(7);
    _rectangle(0, 0, 30, 30);
    _setfillstyle(kHatchFill, 7);  // the fill colour is the border colour
    _floodfill(10, 10, 7);
    EXPECT_EQ(count_pixels(0, Rect{1, 1, 29, 29}) + count_pixels(7, Rect{1, 1, 29, 29}), 29 * 29);
    EXPECT_EQ(count_pixels(7, Rect{31, 0, 639, 479}), 0);
}

// The setup toolbar's raised button 1 (x 0..43, y 435..460, depth 3) and its
// faces flooded through (29, 434) and (44, 450), bounded by colour 7.
TEST_F(GraphicsTest, Bar3dFacesAreClosedForFlooding) {
    _setcolor(7);
    _setfillstyle(kSolidFill, 8);
    _bar3d(0, 435, 43, 460, 3, 1);
    EXPECT_EQ(count_pixels(8, kScreen), 42 * 24);  // the front face inside its outline
    EXPECT_EQ(_getpixel(46, 432), 7);
    EXPECT_EQ(_getpixel(46, 457), 7);
    EXPECT_EQ(_getpixel(3, 432), 7);

    _setfillstyle(kSolidFill, 11);
    _floodfill(29, 434, 7);
    EXPECT_EQ(count_pixels(11, kScreen), 42 + 42);  // rows 433 and 434 of the top face
    _setfillstyle(kSolidFill, 12);
    _floodfill(44, 450, 7);
    EXPECT_EQ(count_pixels(12, kScreen), 1 + 23 * 2 + 1);  // the right face
    EXPECT_EQ(count_pixels(8, kScreen), 42 * 24);
}

// ------------------------------------------------------------------ curves

TEST_F(GraphicsTest, FullPieSliceIsAFilledDisc) {
    _setcolor(10);
    _setfillstyle(kSolidFill, 10);
    _pieslice(100, 100, 0, 360, 4);
    const std::optional<Rect> box = ink_bounds(0, kScreen);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(*box, (Rect{96, 96, 104, 104}));
    for (int y = 96; y <= 104; ++y) {
        const std::optional<Rect> row = ink_bounds(0, Rect{0, y, 639, y});
        ASSERT_TRUE(row.has_value());
        EXPECT_EQ(count_pixels(10, Rect{0, y, 639, y}), row->x2 - row->x1 + 1) << "no hole in row " << y;
        EXPECT_EQ(row->x1 + row->x2, 200) << "symmetric";
    }
}

TEST_F(GraphicsTest, CircleArcAndEllipseReachTheirRadii) {
    _setcolor(15);
    _circle(200, 200, 10);
    EXPECT_EQ(*ink_bounds(0, kScreen), (Rect{190, 190, 210, 210}));
    for (auto [x, y] : {std::pair{210, 200}, {190, 200}, {200, 190}, {200, 210}}) EXPECT_EQ(_getpixel(x, y), 15);
    EXPECT_EQ(_getpixel(200, 200), 0);

    _cleardevice();
    _arc(300, 300, 0, 90, 20);
    EXPECT_EQ(*ink_bounds(0, kScreen), (Rect{300, 280, 320, 300}));

    _cleardevice();
    _arc(300, 300, 270, 360, 20);  // lower right quarter
    EXPECT_EQ(*ink_bounds(0, kScreen), (Rect{300, 300, 320, 320}));

    _cleardevice();
    _ellipse(400, 300, 0, 360, 30, 10);
    EXPECT_EQ(*ink_bounds(0, kScreen), (Rect{370, 290, 430, 310}));

    _cleardevice();
    _circle(50, 50, 0);
    EXPECT_EQ(count_pixels(15, kScreen), 1);
}

TEST_F(GraphicsTest, PartialPieSliceStaysInItsAngles) {
    _setcolor(14);
    _setfillstyle(kSolidFill, 1);
    _pieslice(300, 300, 0, 90, 30);
    const std::optional<Rect> box = ink_bounds(0, kScreen);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(*box, (Rect{300, 270, 330, 300}));
    EXPECT_EQ(_getpixel(310, 290), 1);  // inside the quarter
    EXPECT_EQ(_getpixel(330, 300), 14);
    EXPECT_EQ(_getpixel(300, 270), 14);
}

TEST_F(GraphicsTest, CurvesRefuseBadRadiiAndClip) {
    _setcolor(15);
    _circle(100, 100, -1);
    _circle(100, 100, kMaxRadius + 1);
    _pieslice(100, 100, 0, 360, -4);
    _ellipse(100, 100, 0, 360, 5, -5);
    EXPECT_EQ(count_pixels(15, kScreen), 0);

    _circle(320, 240 + kMaxRadius, kMaxRadius);  // only its top touches the screen
    const std::optional<Rect> box = ink_bounds(0, kScreen);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->y1, 240);
    _circle(INT_MAX - 5, 10, 100);
    _circle(-100000, -100000, kMaxRadius);
    EXPECT_EQ(*ink_bounds(0, kScreen), *box);
}

// ------------------------------------------------------------------ text

TEST_F(GraphicsTest, TextMetricsAreFrozen) {
    struct Case { int font, size; const char* text; int width, height; };
    const Case cases[] = {
        {kDefaultFont, 1, "ABC", 24, 8},
        {kDefaultFont, 6, "ABC", 144, 48},
        {kDefaultFont, 1, "", 0, 8},
        {kSmallFont, 4, "ABC", 15, 14},
        {kSmallFont, 5, "ABC", 18, 18},
        {kSmallFont, 7, "ABC", 27, 25},
        {kSmallFont, 3, "ABC", 12, 11},
        {kSmallFont, 4, "MW", 12, 14},
        {kSmallFont, 4, "il.", 7, 14},
        {kSmallFont, 4, "0123456789", 50, 14},
        {kSmallFont, 7, "0123456789", 90, 25},
        {kSmallFont, 4, "VERSION 7.4", 51, 14},
        {kSmallFont, 4, "a\tb", 14, 14},  // no glyph: as wide as a space
    };
    for (const Case& c : cases) {
        _settextstyle(c.font, kHorizontalText, c.size);
        EXPECT_EQ(_textwidth(c.text), c.width) << c.font << "/" << c.size << " " << c.text;
        EXPECT_EQ(_textheight(c.text), c.height) << c.font << "/" << c.size;
        _settextstyle(c.font, kVerticalText, c.size);
        EXPECT_EQ(_textwidth(c.text), c.width) << "the direction does not change the width";
    }
}

// Texts the console centres or places in fixed boxes at font 2, size 4.
TEST_F(GraphicsTest, TheConsolesTextsFitTheirBoxes) {
    _settextstyle(kSmallFont, kHorizontalText, 4);
    EXPECT_LE(_textwidth("CUE 70.9 (PAGE 16) IS IN USE (1120.9)"), 218 - 6);  // message strip from x 6
    for (const char* legend : {"PAN-PANFINE-TILT-TILTFINE-FOCUS-DIMMER", "GOBOS-KNIFES-EFFECTS-IRIS-ZOOM-FOCUS",
                               "SWING-SPEED-MODE-EFFECT", "COLORS-RGB"}) {
        EXPECT_LE(_textwidth(legend), 218) << legend;
    }
    EXPECT_LE(_textwidth("1=SAVE  2=NOT SAVE  ESC=CANCEL"), 183);  // setup status box
    EXPECT_LE(_textwidth("Cuefading Active"), 209 - 114);
    for (char c = '0'; c <= '9'; ++c) EXPECT_LE(_textwidth(std::string(1, c)), 6) << "small entry cell";
    _settextstyle(kSmallFont, kHorizontalText, 7);
    for (char c = '0'; c <= '9'; ++c) EXPECT_LE(_textwidth(std::string(1, c)), 12) << "large entry cell";
    EXPECT_LE(23 + _textwidth("DELAY-OUT"), 124);
    _settextstyle(kDefaultFont, kHorizontalText, 1);
    EXPECT_EQ(_textwidth("++++++++++++++++++++++++ A..N=SELECT TEST  --  Q=QUIT ++++++++++++++++++++++++++"), 640);
}

TEST_F(GraphicsTest, TextInkStaysInsideItsMetricsBox) {
    constexpr int x = 200;
    constexpr int y = 150;
    for (int font : {kDefaultFont, kSmallFont}) {
        for (int direction : {kHorizontalText, kVerticalText}) {
            for (int size = kMinCharSize; size <= kMaxCharSize; ++size) {
                _settextstyle(font, direction, size);
                for (int c = kFirstGlyphChar; c <= kLastGlyphChar; ++c) {
                    const std::string text(1, static_cast<char>(c));
                    const int w = _textwidth(text);
                    const int h = _textheight(text);
                    const Rect box = direction == kHorizontalText ? Rect{x, y, x + w - 1, y + h - 1}
                                                                  : Rect{x - h + 1, y, x, y + w - 1};
                    const Rect around{x - 100, y - 20, x + 100, y + 100};
                    _setfillstyle(kSolidFill, 0);
                    _bar(around.x1, around.y1, around.x2, around.y2);
                    _setcolor(15);
                    _outtextxy(x, y, text);
                    const std::optional<Rect> ink = ink_bounds(0, around);
                    if (c == ' ') {
                        EXPECT_FALSE(ink.has_value());
                        continue;
                    }
                    ASSERT_TRUE(ink.has_value()) << "no ink for '" << text << "' font " << font << " size " << size;
                    EXPECT_GE(ink->x1, box.x1) << text << " font " << font << " size " << size << " dir " << direction;
                    EXPECT_GE(ink->y1, box.y1) << text << " font " << font << " size " << size << " dir " << direction;
                    EXPECT_LE(ink->x2, box.x2) << text << " font " << font << " size " << size << " dir " << direction;
                    EXPECT_LE(ink->y2, box.y2) << text << " font " << font << " size " << size << " dir " << direction;
                }
            }
        }
    }
}

TEST_F(GraphicsTest, CapitalsStartAtTheTopOfTheTextBox) {
    // The console centres texts by these: capitals fill the first 7 rows of
    // the box at font 2 size 4, and glyphs advance 5 pixels.
    _settextstyle(kSmallFont, kHorizontalText, 4);
    _setcolor(14);
    _outtextxy(6, 464, "MEMORY 1 IS EMPTY");
    const std::optional<Rect> ink = ink_bounds(0, kScreen);
    ASSERT_TRUE(ink.has_value());
    EXPECT_EQ(ink->y1, 464);
    EXPECT_EQ(ink->y2, 470);
    EXPECT_EQ(ink->x1, 6);
    EXPECT_EQ(ink->x2, 6 + _textwidth("MEMORY 1 IS EMPTY") - 2);  // the last glyph's gap stays clear
}

TEST_F(GraphicsTest, TextKeepsTheBackgroundAndUsesTheColour) {
    _setfillstyle(kSolidFill, 1);
    _bar(0, 0, 100, 30);
    _setcolor(14);
    for (int font : {kDefaultFont, kSmallFont}) {
        _settextstyle(font, kHorizontalText, font == kDefaultFont ? 1 : 4);
        _outtextxy(2, 2 + font * 6, "Transp. Seq");
    }
    EXPECT_GT(count_pixels(14, Rect{0, 0, 100, 30}), 0);
    EXPECT_EQ(count_pixels(1, Rect{0, 0, 100, 30}) + count_pixels(14, Rect{0, 0, 100, 30}), 101 * 31);
}

TEST_F(GraphicsTest, VerticalTextIsHorizontalTextTurnedCounterClockwise) {
    struct Style { int font, size; };
    for (const Style s : {Style{kSmallFont, 4}, Style{kSmallFont, 7}, Style{kDefaultFont, 1}, Style{kDefaultFont, 2}}) {
        const std::string text = "Ag1{DELAY";
        _cleardevice();
        _settextstyle(s.font, kHorizontalText, s.size);
        const int w = _textwidth(text);
        const int h = _textheight(text);
        _outtextxy(10, 10, text);
        const std::array<uint8_t, kScreenPixels> flat = g().pixels;
        _cleardevice();
        _settextstyle(s.font, kVerticalText, s.size);
        _outtextxy(10 + h - 1, 10, text);  // the box ends at x: columns 10 .. 10 + h - 1
        int mismatches = 0;
        for (int i = 0; i < w; ++i) {
            for (int j = 0; j < h; ++j) {
                mismatches += flat[(10 + j) * kScreenWidth + 10 + i] != _getpixel(10 + j, 10 + w - 1 - i);
            }
        }
        EXPECT_EQ(mismatches, 0) << "font " << s.font << " size " << s.size;
        EXPECT_EQ(count_pixels(15, kScreen), std::count(flat.begin(), flat.end(), 15));
    }
}

TEST_F(GraphicsTest, VerticalTextReadsUpwardsFromTheBottomOfItsBox) {
    _settextstyle(kSmallFont, kVerticalText, 4);
    _outtextxy(100, 100, "A");  // 5 wide: rows 100..104; 14 high: columns 87..100
    const std::string a_alone = region_text(Rect{87, 100, 100, 104});
    EXPECT_EQ(count_pixels(15, Rect{101, 0, 639, 479}), 0);  // nothing right of x
    _cleardevice();
    _outtextxy(100, 100, "AB");  // 10 wide: the A takes rows 105..109
    EXPECT_EQ(region_text(Rect{87, 105, 100, 109}), a_alone);
    EXPECT_NE(region_text(Rect{87, 100, 100, 104}), a_alone);
}

TEST_F(GraphicsTest, TextStyleRefusesWhatTheLibraryHasNot) {
    _settextstyle(kSmallFont, kVerticalText, 4);
    _settextstyle(1, kHorizontalText, 4);
    _settextstyle(kSmallFont, 2, 4);
    _settextstyle(kSmallFont, kHorizontalText, 0);
    _settextstyle(kDefaultFont, kHorizontalText, kMaxCharSize + 1);
    TextSettings s;
    _gettextsettings(s);
    EXPECT_EQ(s, (TextSettings{kSmallFont, kVerticalText, 4, kLeftText, kTopText}));
}

TEST_F(GraphicsTest, TextFarOffScreenIsClipped) {
    _settextstyle(kDefaultFont, kHorizontalText, 10);
    _outtextxy(630, 470, "WW");
    _outtextxy(INT_MAX - 10, INT_MAX - 10, "WW");
    _outtextxy(INT_MIN, INT_MIN, "WW");
    _settextstyle(kSmallFont, kVerticalText, 10);
    _outtextxy(INT_MAX - 10, -5, "WW");
    const std::optional<Rect> ink = ink_bounds(0, kScreen);
    ASSERT_TRUE(ink.has_value());
    EXPECT_GE(ink->x1, 630);
    EXPECT_GE(ink->y1, 470);
}

// The glyphs are frozen: screen layouts depend on them. The reference files
// hold every glyph drawn in a row; BRAVINOX_UPDATE_GOLDEN=1 rewrites them.
std::string glyph_sheet(int font, int size) {
    std::string all;
    for (int c = kFirstGlyphChar; c <= kLastGlyphChar; ++c) all.push_back(static_cast<char>(c));
    _cleardevice();
    _settextstyle(font, kHorizontalText, size);
    _setcolor(15);
    const int h = _textheight(all);
    std::string sheet;
    for (size_t start = 0; start < all.size(); start += 24) {
        const std::string part = all.substr(start, 24);
        _cleardevice();
        _outtextxy(0, 0, part);
        std::string rows = region_text(Rect{0, 0, _textwidth(part) - 1, h - 1});
        std::replace(rows.begin(), rows.end(), '0', '.');
        std::replace(rows.begin(), rows.end(), 'f', '#');
        sheet += "\"" + part + "\"\n" + rows;
    }
    return sheet;
}

void check_golden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(BRAVINOX_TEST_DATA) + "/graphics_data/" + name;
    if (std::getenv("BRAVINOX_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << "missing reference " << name;
    std::stringstream expected;
    expected << in.rdbuf();
    if (expected.str() == actual) return;
    const std::string written = ::testing::TempDir() + name;
    std::ofstream(written, std::ios::binary) << actual;
    ADD_FAILURE() << name << " differs from its reference; the drawing is in " << written;
}

TEST_F(GraphicsTest, DefaultFontGlyphsMatchTheirReference) {
    check_golden("default_font_size1.txt", glyph_sheet(kDefaultFont, 1));
}

TEST_F(GraphicsTest, SmallFontGlyphsMatchTheirReference) {
    check_golden("small_font_size4.txt", glyph_sheet(kSmallFont, 4));
    check_golden("small_font_size7.txt", glyph_sheet(kSmallFont, 7));
}

// ------------------------------------------------------------------ images

std::vector<uint8_t> image_of(uint16_t w, uint16_t h, size_t size, uint8_t colour) {
    std::vector<uint8_t> image(size, colour);
    if (size >= 4) {
        image[0] = static_cast<uint8_t>(w);
        image[1] = static_cast<uint8_t>(w >> 8);
        image[2] = static_cast<uint8_t>(h);
        image[3] = static_cast<uint8_t>(h >> 8);
    }
    return image;
}

TEST_F(GraphicsTest, ImageSizeAndLayout) {
    EXPECT_EQ(_imagesize(10, 10, 53, 62), 2336u);    // a drawing file: 44 x 53
    EXPECT_EQ(_imagesize(53, 62, 10, 10), 2336u);
    EXPECT_EQ(_imagesize(0, 0, 83, 106), 8992u);     // the first logo: 84 x 107
    EXPECT_EQ(_imagesize(0, 0, 93, 89), 8464u);      // the second logo: 94 x 90
    EXPECT_EQ(_imagesize(229, 107, 639, 479), 4u + 411u * 373u);
    EXPECT_EQ(_imagesize(0, 0, 65535, 0), 0u);       // a side too long

    _putpixel(300, 1, 9);
    _putpixel(301, 2, 12);
    std::vector<uint8_t> image(_imagesize(300, 1, 301, 2));
    ASSERT_TRUE(_getimage(300, 1, 301, 2, image));
    EXPECT_EQ(image, (std::vector<uint8_t>{2, 0, 2, 0, 9, 0, 0, 12}));
    std::vector<uint8_t> wide(_imagesize(0, 0, 299, 0));
    ASSERT_TRUE(_getimage(0, 0, 299, 0, wide));
    EXPECT_EQ(wide[0], 300 & 0xFF);
    EXPECT_EQ(wide[1], 300 >> 8);
}

TEST_F(GraphicsTest, GetimageAndPutimageRoundTrip) {
    paint_stripes();
    _setcolor(15);
    _settextstyle(kSmallFont, kHorizontalText, 4);
    _outtextxy(20, 20, "PANEL");
    const Rect area{10, 10, 120, 70};
    const std::string original = region_text(area);
    std::vector<uint8_t> image(_imagesize(area.x1, area.y1, area.x2, area.y2));
    ASSERT_TRUE(_getimage(area.x1, area.y1, area.x2, area.y2, image));

    _cleardevice();
    _putimage(300, 200, image, kCopyPut);
    EXPECT_EQ(region_text(Rect{300, 200, 410, 260}), original);
    EXPECT_EQ(count_pixels(0, kScreen), kScreenPixels - 111 * 61 + count_pixels(0, Rect{300, 200, 410, 260}));

    _putimage(300, 200, image, kXorPut);
    EXPECT_EQ(count_pixels(0, Rect{300, 200, 410, 260}), 111 * 61);
}

TEST_F(GraphicsTest, GetimageReadsOffScreenPixelsAsZeroAndRefusesSmallBuffers) {
    _setfillstyle(kSolidFill, 5);
    _bar(0, 0, 639, 479);
    std::vector<uint8_t> image(_imagesize(-1, 0, 0, 0));
    ASSERT_TRUE(_getimage(-1, 0, 0, 0, image));
    EXPECT_EQ(image, (std::vector<uint8_t>{2, 0, 1, 0, 0, 5}));

    std::vector<uint8_t> small(2336 - 1, 0xAA);
    EXPECT_FALSE(_getimage(10, 10, 53, 62, small));
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](uint8_t b) { return b == 0xAA; }));
}

TEST_F(GraphicsTest, PutimageOperations) {
    struct Case { int op; uint8_t expected; };
    // Screen 1010b, image 0110b.
    for (const Case c : {Case{kCopyPut, 6}, Case{kXorPut, 12}, Case{kOrPut, 14}, Case{kAndPut, 2}, Case{kNotPut, 9}}) {
        _putpixel(0, 0, 10);
        const std::vector<uint8_t> image = image_of(1, 1, 5, 6);
        _putimage(0, 0, image, c.op);
        EXPECT_EQ(_getpixel(0, 0), c.expected) << "op " << c.op;
    }
    _putpixel(0, 0, 10);
    _putimage(0, 0, image_of(1, 1, 5, 6), 5);  // unknown operation: refused
    EXPECT_EQ(_getpixel(0, 0), 10);
    _putimage(0, 0, image_of(1, 1, 5, 0xF3), kCopyPut);  // only the colour bits count
    EXPECT_EQ(_getpixel(0, 0), 3);
}

TEST_F(GraphicsTest, PutimageTakesTheFileSizesOfDrawingsAndLogos) {
    struct Case { uint16_t w, h; size_t size; int x, y; };
    for (const Case c : {Case{44, 53, 2336, 100, 100}, Case{84, 107, 8992, 35, 337}, Case{94, 90, 8464, 30, 350}}) {
        _cleardevice();
        _putimage(c.x, c.y, image_of(c.w, c.h, c.size, 13), kCopyPut);
        EXPECT_EQ(count_pixels(13, kScreen), c.w * c.h) << c.size;
        EXPECT_EQ(*ink_bounds(0, kScreen), (Rect{c.x, c.y, c.x + c.w - 1, c.y + c.h - 1}));
    }
}

TEST_F(GraphicsTest, PutimageRefusesMalformedImages) {
    _putimage(10, 10, image_of(44, 53, 2335, 13), kCopyPut);  // header claims one byte more
    _putimage(10, 10, image_of(2, 2, 3, 13), kCopyPut);       // shorter than the header
    _putimage(10, 10, std::span<const uint8_t>{}, kCopyPut);
    _putimage(10, 10, image_of(0xFFFF, 0xFFFF, 64, 13), kCopyPut);
    EXPECT_EQ(count_pixels(13, kScreen), 0);

    _putimage(10, 10, image_of(0, 5, 4, 13), kCopyPut);  // empty but whole: draws nothing
    _putimage(10, 10, image_of(2, 2, 100, 13), kCopyPut);  // longer than needed: fine
    EXPECT_EQ(count_pixels(13, kScreen), 4);
}

TEST_F(GraphicsTest, PutimageIsClipped) {
    const std::vector<uint8_t> image = image_of(44, 53, 2336, 13);
    _putimage(620, 450, image, kCopyPut);
    EXPECT_EQ(count_pixels(13, kScreen), 20 * 30);
    _putimage(-40, -50, image, kCopyPut);
    EXPECT_EQ(count_pixels(13, kScreen), 20 * 30 + 4 * 3);
    _putimage(INT_MAX, INT_MIN, image, kCopyPut);
    EXPECT_EQ(count_pixels(13, kScreen), 20 * 30 + 4 * 3);
}

// ------------------------------------------------------------------ palette and PNG

uint8_t to8(uint8_t level) { return static_cast<uint8_t>(level * 255 / 63); }

TEST_F(GraphicsTest, DefaultPaletteIsTheStandardSixteenColours) {
    EXPECT_EQ(g().palette[0], (Rgb6{0, 0, 0}));
    EXPECT_EQ(g().palette[6], (Rgb6{42, 21, 0}));
    EXPECT_EQ(g().palette[8], (Rgb6{21, 21, 21}));
    EXPECT_EQ(g().palette[9], (Rgb6{21, 21, 63}));
    EXPECT_EQ(g().palette[14], (Rgb6{63, 63, 21}));
    EXPECT_EQ(g().palette[15], (Rgb6{63, 63, 63}));
    // The same set as the 64-colour entries the classic default maps them to.
    const int ega[kColourCount] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};
    for (int i = 0; i < kColourCount; ++i) EXPECT_EQ(ega_colour(ega[i]), kDefaultPalette[i]) << i;
}

TEST_F(GraphicsTest, BlankedPaletteShowsBlackButKeepsTheIndices) {
    paint_stripes();
    const std::array<uint8_t, kScreenPixels> before = g().pixels;
    for (int i = 0; i < kColourCount; ++i) _setpalette(i, 0);
    EXPECT_EQ(g().pixels, before);
    const std::vector<uint8_t> rgb = frame_rgb();
    EXPECT_TRUE(std::all_of(rgb.begin(), rgb.end(), [](uint8_t v) { return v == 0; }));

    for (int i = 0; i < kColourCount; ++i) {
        _setrgbpalette(i, kDefaultPalette[i].r, kDefaultPalette[i].g, kDefaultPalette[i].b);
    }
    EXPECT_EQ(g().palette, kDefaultPalette);
    const std::vector<uint8_t> shown = frame_rgb();
    const size_t yellow_stripe = (14 * 30) * kScreenWidth * 3;
    EXPECT_EQ(shown[yellow_stripe], 255);
    EXPECT_EQ(shown[yellow_stripe + 1], 255);
    EXPECT_EQ(shown[yellow_stripe + 2], 85);
}

TEST_F(GraphicsTest, PaletteCallsRefuseBadValues) {
    _setpalette(3, 0x3F);
    EXPECT_EQ(g().palette[3], (Rgb6{63, 63, 63}));
    _setpalette(3, 0x14);
    EXPECT_EQ(g().palette[3], (Rgb6{42, 21, 0}));
    _setpalette(16, 0);
    _setpalette(-1, 0);
    _setpalette(3, 64);
    _setrgbpalette(3, 64, 0, 0);
    _setrgbpalette(3, 0, -1, 0);
    _setrgbpalette(16, 0, 0, 0);
    EXPECT_EQ(g().palette[3], (Rgb6{42, 21, 0}));
    _setcolor(16);
    _setcolor(-1);
    EXPECT_EQ(_getcolor(), 15);
    _putpixel(1, 1, 16);
    EXPECT_EQ(count_pixels(0, kScreen), kScreenPixels);
}

// An independent bitwise CRC-32 to check the encoder's chunks against.
uint32_t reference_crc(const uint8_t* data, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// Splits a PNG into its chunks, checking every CRC.
std::vector<Chunk> read_chunks(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = be32(png, at);
        if (at + 12 + length > png.size()) {
            ADD_FAILURE() << "chunk runs past the end";
            break;
        }
        Chunk c;
        c.type.assign(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8);
        c.data.assign(png.begin() + static_cast<long>(at) + 8, png.begin() + static_cast<long>(at + 8 + length));
        EXPECT_EQ(be32(png, at + 8 + length), reference_crc(&png[at + 4], length + 4)) << c.type;
        chunks.push_back(c);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

// Undoes the zlib stream of stored blocks, checking its header and Adler-32.
std::vector<uint8_t> inflate_stored(const std::vector<uint8_t>& z) {
    std::vector<uint8_t> out;
    EXPECT_EQ((z[0] * 256 + z[1]) % 31, 0);
    EXPECT_EQ(z[0] & 0x0F, 8);
    size_t at = 2;
    bool final_block = false;
    while (!final_block && at + 5 <= z.size()) {
        final_block = (z[at] & 1) != 0;
        EXPECT_EQ((z[at] >> 1) & 3, 0) << "stored block";
        const uint16_t len = static_cast<uint16_t>(z[at + 1] | (z[at + 2] << 8));
        const uint16_t nlen = static_cast<uint16_t>(z[at + 3] | (z[at + 4] << 8));
        EXPECT_EQ(static_cast<uint16_t>(~len), nlen);
        at += 5;
        out.insert(out.end(), z.begin() + static_cast<long>(at), z.begin() + static_cast<long>(at + len));
        at += len;
    }
    EXPECT_TRUE(final_block);
    uint32_t a = 1, b = 0;
    for (uint8_t v : out) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(at + 4, z.size());
    EXPECT_EQ(be32(z, at), (b << 16) | a);
    return out;
}

TEST_F(GraphicsTest, PngDumpIsAValidPngOfTheShownColours) {
    _setfillstyle(kSolidFill, 14);
    _bar(10, 10, 12, 11);
    _setrgbpalette(4, 10, 20, 30);
    _putpixel(639, 479, 4);

    const std::vector<uint8_t> png = frame_png();
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(png.size(), 8u);
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));

    const std::vector<Chunk> chunks = read_chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    EXPECT_TRUE(chunks[2].data.empty());
    const std::vector<uint8_t>& ihdr = chunks[0].data;
    ASSERT_EQ(ihdr.size(), 13u);
    EXPECT_EQ(be32(ihdr, 0), 640u);
    EXPECT_EQ(be32(ihdr, 4), 480u);
    EXPECT_EQ(ihdr[8], 8);   // bit depth
    EXPECT_EQ(ihdr[9], 2);   // RGB
    EXPECT_EQ(ihdr[10], 0);
    EXPECT_EQ(ihdr[11], 0);
    EXPECT_EQ(ihdr[12], 0);

    const std::vector<uint8_t> raw = inflate_stored(chunks[1].data);
    constexpr size_t row_bytes = 1 + 640 * 3;
    ASSERT_EQ(raw.size(), 480 * row_bytes);
    for (size_t y = 0; y < 480; ++y) EXPECT_EQ(raw[y * row_bytes], 0) << "filter of row " << y;
    const auto rgb_at = [&](size_t x, size_t y) {
        const size_t at = y * row_bytes + 1 + x * 3;
        return std::array<uint8_t, 3>{raw[at], raw[at + 1], raw[at + 2]};
    };
    EXPECT_EQ(rgb_at(10, 10), (std::array<uint8_t, 3>{255, 255, 85}));
    EXPECT_EQ(rgb_at(12, 11), (std::array<uint8_t, 3>{255, 255, 85}));
    EXPECT_EQ(rgb_at(13, 11), (std::array<uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(rgb_at(639, 479), (std::array<uint8_t, 3>{to8(10), to8(20), to8(30)}));
}

TEST_F(GraphicsTest, DumpPngWritesTheSameBytesToAFile) {
    _setfillstyle(kSolidFill, 9);
    _bar(0, 0, 639, 10);
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "graphics_dump";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "frame.png").string();
    ASSERT_TRUE(dump_png(path));
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, frame_png());
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
    EXPECT_FALSE(dump_png((dir / "no such folder" / "frame.png").string()));
    std::filesystem::remove_all(dir);
}

TEST(PngWriter, ChecksumsOfKnownInputs) {
    const std::string digits = "123456789";
    const std::span<const uint8_t> d(reinterpret_cast<const uint8_t*>(digits.data()), digits.size());
    EXPECT_EQ(crc32(d), 0xCBF43926u);
    EXPECT_EQ(crc32_update(crc32(d.first(4)), d.subspan(4)), 0xCBF43926u);
    EXPECT_EQ(crc32({}), 0u);
    const std::string word = "Wikipedia";
    EXPECT_EQ(adler32(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(word.data()), word.size())),
              0x11E60398u);
    EXPECT_EQ(adler32({}), 1u);
}

TEST(PngWriter, RefusesSizesThatDoNotMatch) {
    const std::vector<uint8_t> rgb(2 * 2 * 3, 7);
    EXPECT_TRUE(encode_png_rgb(2, 3, rgb).empty());
    EXPECT_TRUE(encode_png_rgb(0, 0, {}).empty());
    EXPECT_TRUE(encode_png_rgb(-2, -2, rgb).empty());
    EXPECT_FALSE(encode_png_rgb(2, 2, rgb).empty());
}

// ------------------------------------------------------------------ call log

TEST_F(GraphicsTest, CallsAreCountedAndChangesLogged) {
    g().clear_call_log();
    g().clear_call_counts();
    _setfillstyle(kSolidFill, 4);
    _bar(10, 10, 12, 11);
    _settextstyle(kSmallFont, kHorizontalText, 4);
    _settextstyle(kSmallFont, kHorizontalText, 4);
    _outtextxy(6, 464, "MEMORY 1 IS EMPTY");
    _textwidth("MEMORY 1 IS EMPTY");
    _getpixel(0, 0);
    EXPECT_EQ(g().call_log(), (std::vector<std::string>{
                                  "_setfillstyle(1,4)",
                                  "_bar(10,10,12,11)",
                                  "_settextstyle(2,0,4)",
                                  "_settextstyle(2,0,4)",
                                  "_outtextxy(6,464,\"MEMORY 1 IS EMPTY\")",
                              }));
    EXPECT_EQ(g().call_count(GraphicsCall::settextstyle), 2u);
    EXPECT_EQ(g().call_count(GraphicsCall::textwidth), 1u);
    EXPECT_EQ(g().call_count(GraphicsCall::getpixel), 1u);
    EXPECT_EQ(g().call_count(GraphicsCall::line), 0u);

    g().clear_call_log();
    g().log_calls = false;
    _bar(0, 0, 1, 1);
    EXPECT_TRUE(g().call_log().empty());
    EXPECT_EQ(g().call_count(GraphicsCall::bar), 2u);
}

TEST_F(GraphicsTest, CallLogKeepsTheLatestLinesAndCutsLongOnes) {
    g().clear_call_log();
    for (int i = 0; i < kCallLogLines + 10; ++i) _putpixel(i % 640, 0, 1);
    const std::vector<std::string> lines = g().call_log();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kCallLogLines));
    EXPECT_EQ(lines.back(), "_putpixel(" + std::to_string((kCallLogLines + 9) % 640) + ",0,1)");

    g().clear_call_log();
    _outtextxy(0, 0, std::string(300, 'x'));
    ASSERT_EQ(g().call_log().size(), 1u);
    EXPECT_EQ(g().call_log()[0].size(), static_cast<size_t>(kCallLogLineChars - 1));
    EXPECT_EQ(graphics_call_name(GraphicsCall::setrgbpalette), "_setrgbpalette");
}

}  // namespace
}  // namespace platform
