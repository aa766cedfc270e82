#include "programdir/font_gen.h"

#include <array>
#include <string_view>

#include "platform/fonts.h"

namespace progdir {

namespace {

constexpr int kFirstChar = 32;
constexpr int kLastChar = 126;
constexpr size_t kGlyphColumnsInFile = 8;
constexpr int kDefaultRows = 8;
constexpr int kDefaultColumns = 8;

// The small font drawn as text: a run of characters, then their seven rows,
// each row three pixels per character ('#' set, '.' clear) with one blank
// between characters.
struct SmallGlyphBlock {
    std::string_view chars;
    std::array<std::string_view, kSmallGlyphRows> rows;
};

constexpr std::array<SmallGlyphBlock, 12> kSmallFontArt = {{
    {" !\"#$%&'",
     {{"... .#. #.# #.# .## #.# .#. .#.",
       "... .#. #.# ### ##. ..# #.# .#.",
       "... .#. ... #.# .#. .#. .#. ...",
       "... ... ... ### .## #.. #.# ...",
       "... .#. ... #.# ##. #.# .## ...",
       "... ... ... ... ... ... ... ...",
       "... ... ... ... ... ... ... ..."}}},
    {"()*+,-./",
     {{"..# #.. ... ... ... ... ... ..#",
       ".#. .#. #.# .#. ... ... ... ..#",
       ".#. .#. .#. ### ... ### ... .#.",
       ".#. .#. #.# .#. ... ... ... #..",
       "..# #.. ... ... .#. ... .#. #..",
       "... ... ... ... #.. ... ... ...",
       "... ... ... ... ... ... ... ..."}}},
    {"01234567",
     {{"### .#. ##. ##. #.# ### .## ###",
       "#.# ##. ..# ..# #.# #.. #.. ..#",
       "#.# .#. .#. .#. ### ##. ### .#.",
       "#.# .#. #.. ..# ..# ..# #.# .#.",
       "### ### ### ##. ..# ##. ### .#.",
       "... ... ... ... ... ... ... ...",
       "... ... ... ... ... ... ... ..."}}},
    {"89:;<=>?",
     {{"### ### ... ... ..# ... #.. ##.",
       "#.# #.# .#. .#. .#. ### .#. ..#",
       "### ### ... ... #.. ... ..# .#.",
       "#.# ..# .#. .#. .#. ### .#. ...",
       "### ##. ... #.. ..# ... #.. .#.",
       "... ... ... ... ... ... ... ...",
       "... ... ... ... ... ... ... ..."}}},
    {"@ABCDEFG",
     {{".#. .#. ##. .## ##. ### ### .##",
       "#.# #.# #.# #.. #.# #.. #.. #..",
       "### ### ##. #.. #.# ##. ##. #.#",
       "#.. #.# #.# #.. #.# #.. #.. #.#",
       ".## #.# ##. .## ##. ### #.. .##",
       "... ... ... ... ... ... ... ...",
       "... ... ... ... ... ... ... ..."}}},
    {"HIJKLMNO",
     {{"#.# ### ..# #.# #.. #.# ##. .#.",
       "#.# .#. ..# #.# #.. ### #.# #.#",
       "### .#. ..# ##. #.. ### #.# #.#",
       "#.# .#. #.# #.# #.. #.# #.# #.#",
       "#.# ### .#. #.# ### #.# #.# .#.",
       "... ... ... ... ... ... ... ...",
       "... ... ... ... ... ... ... ..."}}},
    {"PQRSTUVW",
     {{"##. .#. ##. .## ### #.# #.# #.#",
       "#.# #.# #.# #.. .#. #.# #.# #.#",
       "##. #.# ##. .#. .#. #.# #.# ###",
       "#.. ##. #.# ..# .#. #.# #.# ###",
       "#.. .## #.# ##. .#. ### .#. #.#",
       "... ... ... ... ... ... ... ...",
       "... ... ... ... ... ... ... ..."}}},
    {"XYZ[\\]^_",
     {{"#.# #.# ### ##. #.. .## .#. ...",
       "#.# #.# ..# #.. #.. ..# #.# ...",
       ".#. .#. .#. #.. .#. ..# ... ...",
       "#.# .#. #.. #.. ..# ..# ... ...",
       "#.# .#. ### ##. ..# .## ... ...",
       "... ... ... ... ... ... ... ###",
       "... ... ... ... ... ... ... ..."}}},
    {"`abcdefg",
     {{"#.. ... #.. ... ..# ... .## ...",
       ".#. .## ##. .## .## .#. #.. .##",
       "... #.# #.# #.. #.# ### ##. #.#",
       "... #.# #.# #.. #.# #.. #.. #.#",
       "... .## ##. .## .## .## #.. .##",
       "... ... ... ... ... ... ... ..#",
       "... ... ... ... ... ... ... ##."}}},
    {"hijklmno",
     {{"#.. .#. ..# #.. ##. ... ... ...",
       "##. ... ... #.# .#. ##. ##. .#.",
       "#.# .#. ..# ##. .#. ### #.# #.#",
       "#.# .#. ..# #.# .#. #.# #.# #.#",
       "#.# .#. ..# #.# ### #.# #.# .#.",
       "... ... #.# ... ... ... ... ...",
       "... ... .#. ... ... ... ... ..."}}},
    {"pqrstuvw",
     {{"... ... ... ... .#. ... ... ...",
       "##. .## #.# .## ### #.# #.# #.#",
       "#.# #.# ##. ##. .#. #.# #.# #.#",
       "#.# #.# #.. ..# .#. #.# #.# ###",
       "##. .## #.. ##. ..# .## .#. #.#",
       "#.. ..# ... ... ... ... ... ...",
       "#.. ..# ... ... ... ... ... ..."}}},
    {"xyz{|}~",
     {{"... ... ... .## .#. ##. ...",
       "#.# #.# ### .#. .#. .#. ##.",
       ".#. #.# .#. #.. .#. ..# .##",
       ".#. #.# #.. .#. .#. .#. ...",
       "#.# .## ### .## .#. ##. ...",
       "... ..# ... ... ... ... ...",
       "... ##. ... ... ... ... ..."}}},
}};

size_t glyph_offset(int c) { return static_cast<size_t>(c - kFirstChar) * kFontGlyphBytes; }

bool place_small_block(const SmallGlyphBlock& block, std::vector<uint8_t>& file,
                       std::array<bool, kFontGlyphs>& drawn, std::string& error) {
    constexpr size_t kCellStride = kSmallGlyphColumns + 1;
    const size_t count = block.chars.size();
    const size_t row_length = count * kCellStride - 1;
    for (size_t i = 0; i < count; ++i) {
        const int c = static_cast<unsigned char>(block.chars[i]);
        if (c < kFirstChar || c > kLastChar) {
            error = "small font: a character outside 32-126";
            return false;
        }
        const size_t index = static_cast<size_t>(c - kFirstChar);
        if (drawn[index]) {
            error = std::string("small font: '") + static_cast<char>(c) + "' is drawn twice";
            return false;
        }
        drawn[index] = true;
    }
    for (int r = 0; r < kSmallGlyphRows; ++r) {
        const std::string_view row = block.rows[static_cast<size_t>(r)];
        if (row.size() != row_length) {
            error = "small font: a row of \"" + std::string(block.chars) + "\" has the wrong length";
            return false;
        }
        for (size_t i = 0; i < count; ++i) {
            const size_t base = glyph_offset(static_cast<unsigned char>(block.chars[i])) +
                                static_cast<size_t>(r) * kGlyphColumnsInFile;
            for (int k = 0; k < kSmallGlyphColumns; ++k) {
                const char pixel = row[i * kCellStride + static_cast<size_t>(k)];
                if (pixel != '#' && pixel != '.') {
                    error = "small font: a pixel of \"" + std::string(block.chars) + "\" is neither '#' nor '.'";
                    return false;
                }
                file[base + static_cast<size_t>(k)] = pixel == '#' ? 1 : 0;
            }
        }
    }
    return true;
}

}  // namespace

std::vector<uint8_t> build_default_font() {
    std::vector<uint8_t> file(kFontFileBytes, 0);
    for (int c = kFirstChar; c <= kLastChar; ++c) {
        for (int r = 0; r < kDefaultRows; ++r) {
            const uint8_t bits = platform::default_font_row(static_cast<unsigned char>(c), r);
            for (int k = 0; k < kDefaultColumns; ++k) {
                const size_t at = glyph_offset(c) + static_cast<size_t>(r) * kGlyphColumnsInFile + static_cast<size_t>(k);
                file[at] = ((bits >> (7 - k)) & 1) != 0 ? 1 : 0;
            }
        }
    }
    return file;
}

bool build_small_font(std::vector<uint8_t>& file, std::string& error) {
    file.assign(kFontFileBytes, 0);
    std::array<bool, kFontGlyphs> drawn{};
    for (const SmallGlyphBlock& block : kSmallFontArt) {
        if (!place_small_block(block, file, drawn, error)) return false;
    }
    for (size_t i = 0; i < drawn.size(); ++i) {
        if (!drawn[i]) {
            error = std::string("small font: no glyph for '") + static_cast<char>(kFirstChar + static_cast<int>(i)) + "'";
            return false;
        }
    }
    return true;
}

}  // namespace progdir
