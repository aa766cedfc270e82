// The two bitmap font files of the program directory, DEFAULT.FNT and
// SMALL.FNT: 6080 bytes each, 95 glyphs of 64 bytes for the characters 32 to
// 126 in order; in a glyph, byte (r - 1) * 8 + (k - 1) is the pixel of row r
// and column k (1..8), 1 when set and 0 when clear.
//
// DEFAULT.FNT holds the graphics stand-in's own 8 x 8 font, so bitmap text
// and font-0 text look alike. SMALL.FNT is a design of its own: glyphs three
// pixels wide in columns 1-3 (column 4 is the gap to the next character),
// capitals and digits in rows 1-5, small letters in rows 2-5 with ascenders
// from row 1 and descenders in rows 6-7; row 8 and columns 5-8 stay clear.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace progdir {

constexpr size_t kFontGlyphs = 95;        // characters 32..126
constexpr size_t kFontGlyphBytes = 64;    // 8 rows of 8 bytes
constexpr size_t kFontFileBytes = kFontGlyphs * kFontGlyphBytes;  // 6080
constexpr int kSmallGlyphRows = 7;
constexpr int kSmallGlyphColumns = 3;

std::vector<uint8_t> build_default_font();
// False with a message when the small font's drawing is malformed (a row of
// the wrong length, a character missing or drawn twice).
bool build_small_font(std::vector<uint8_t>& file, std::string& error);

}  // namespace progdir
