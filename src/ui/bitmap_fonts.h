// The two bitmap fonts and the logo, read from the program directory once at
// graphics start.
//
// DEFAULT.FNT and SMALL.FNT: 6080 bytes each, 95 glyphs of 64 bytes for the
// characters 32 to 126 in order; in a glyph, byte (r - 1) * 8 + (k - 1) is the
// pixel of row r and column k (both 1..8), 0 clear and anything else set.
// logo: one picture in the image layout of `_getimage`, taken whole.
//
// No file is required and none gives a message: a missing font leaves its
// table zero (its text invisible), a short one fills only what it holds, and
// without a logo the logo box stays empty.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace ui {

constexpr size_t kGlyphRows = 8;
constexpr size_t kGlyphColumns = 8;
constexpr size_t kGlyphBytes = kGlyphRows * kGlyphColumns;  // 64
constexpr int kFirstGlyphChar = 32;
constexpr int kLastGlyphChar = 126;
constexpr size_t kFontGlyphs = kLastGlyphChar - kFirstGlyphChar + 1;  // 95
constexpr size_t kFontFileBytes = kFontGlyphs * kGlyphBytes;          // 6080

// The largest logo kept: a picture of the whole screen. A longer file cannot
// be shown and is treated as an allocation that failed.
constexpr uint32_t kMaxLogoBytes = 4 + 640 * 480;

using GlyphTable = std::array<uint8_t, kFontFileBytes>;

extern GlyphTable default_font_glyphs;
extern GlyphTable small_font_glyphs;

// The whole logo file in a heap block, or null; logo_size is the file's
// length from its directory entry (0 without a logo file).
extern uint8_t* logo_image;
extern uint32_t logo_size;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_bitmap_fonts_globals();

// The glyph of a character 32..126 as a pointer to its 64 bytes in a table;
// null for any other character.
const uint8_t* glyph_of(const GlyphTable& table, unsigned char c);

void load_logo();
void load_fonts();
// Frees the logo block at program end and sets logo_image to null.
void free_logo();

}  // namespace ui
