// The two text fonts of the graphics stand-in, with their frozen metrics.
//
// Font 0 is an 8 x 8 bitmap font; at character size s every pixel of a glyph
// is drawn as an s x s block, so a character is 8s wide and 8s high.
//
// Font 2 is a small stroked font: each glyph is a set of polylines on a grid
// of units, x to the right from the glyph's left edge, y down from the top of
// the capitals. Capitals and digits use rows 0-6, small letters rows 2-6 with
// ascenders from row 0, descenders reach rows 7-8. Most glyphs are 4 units
// wide (columns 0-3) and advance 5 units: the last unit of every advance is
// the gap to the next glyph. At size 4 one unit is one pixel; at size s a
// point at u units lies floor(u * s / 4) pixels from the glyph's origin.
//
// Metrics. Screen layouts, their centring formulas and golden images depend on
// these numbers; they are frozen.
//   font 0: width of every character = 8 * size, height = 8 * size.
//   font 2: width of a character = (advance * size + 2) / 4 (integer division),
//           advance from kSmallFontAdvanceUnits below;
//           height = (14 * size + 2) / 4, see kSmallFontHeightPx.
//   A text's width is the sum of its characters' widths. Characters outside
//   32-126 have no glyph: they draw nothing and are as wide as a space.
//   Widths at the sizes in use, advance 2 / 3 / 4 / 5 / 6 units:
//     size 3: 2 / 2 / 3 / 4 / 5     size 4: 2 / 3 / 4 / 5 / 6
//     size 5: 3 / 4 / 5 / 6 / 8     size 6: 3 / 5 / 6 / 8 / 9
//     size 7: 4 / 5 / 7 / 9 / 11
// So at size 4 a digit is 5 pixels wide (it fits the 6-pixel entry cells) and
// at size 7 it is 9 (the 12-pixel cells); "ABC" is 15 pixels at size 4.
// The height of 14 pixels at size 4 is the height of the character cell; the
// ink of capitals takes its first 7 rows, descenders the next 2.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace platform {

constexpr int kDefaultFont = 0;  // the 8 x 8 bitmap font
constexpr int kSmallFont = 2;    // the small stroked font
constexpr int kMinCharSize = 1;
constexpr int kMaxCharSize = 10;

constexpr int kFirstGlyphChar = 32;
constexpr int kLastGlyphChar = 126;
constexpr int kGlyphCount = kLastGlyphChar - kFirstGlyphChar + 1;  // 95

constexpr int kDefaultFontCellPx = 8;

// Advance of each glyph of font 2 in units, characters 32 to 126 in order.
constexpr std::array<uint8_t, kGlyphCount> kSmallFontAdvanceUnits = {
    4, 2, 4, 6, 5, 5, 5, 2, 3, 3, 4, 6, 2, 4, 2, 4,  // space ! " # $ % & ' ( ) * + , - . /
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5,                    // 0 - 9
    2, 2, 4, 4, 4, 5, 6,                             // : ; < = > ? @
    5, 5, 5, 5, 5, 5, 5, 5, 4, 5, 5, 5, 6,           // A - M
    5, 5, 5, 5, 5, 5, 6, 5, 6, 6, 5, 6, 5,           // N - Z
    3, 4, 3, 4, 5, 3,                                // [ \ ] ^ _ `
    5, 5, 5, 5, 5, 4, 5, 5, 2, 4, 5, 3, 6,           // a - m
    5, 5, 5, 5, 5, 5, 4, 5, 6, 6, 5, 5, 5,           // n - z
    4, 2, 4, 5,                                      // { | } ~
};

// Advance of a character for which the font has no glyph: that of a space.
constexpr int kSmallFontMissingAdvanceUnits = 4;
constexpr int kSmallFontCellUnits = 14;  // cell height at size 4, in units

// Height of font 2 in pixels, by character size (index 0 unused).
constexpr std::array<int, kMaxCharSize + 1> kSmallFontHeightPx = {0, 4, 7, 11, 14, 18, 21, 25, 28, 32, 35};

// One row of a glyph of font 0: bit 7 is the leftmost column. Row 0 is the
// top. Characters outside 32-126 and rows outside 0-7 give 0.
uint8_t default_font_row(unsigned char c, int row);

// The strokes of a glyph of font 2: polylines separated by one space, each a
// run of points written as two digits "xy" (units). A polyline of one point
// is a single dot. Empty for the space and for characters without a glyph.
std::string_view small_font_strokes(unsigned char c);
int small_font_advance_units(unsigned char c);

// Pixel offset of a point u units from a glyph's origin at a character size.
constexpr int small_font_scale(int units, int size) { return units * size / 4; }

// Metrics in pixels. A font other than 0 and 2 or a size outside 1-10 gives 0.
int char_width_px(int font, int size, unsigned char c);
int text_width_px(int font, int size, std::string_view text);
int text_height_px(int font, int size);

}  // namespace platform
