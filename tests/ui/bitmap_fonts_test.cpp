// The bitmap fonts and the logo: what the loaders take from the program
// directory, what the bitmap text writers then draw, and the demo files the
// program-directory generator writes.
#include "ui/bitmap_fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "programdir/font_gen.h"
#include "programdir/logo_gen.h"
#include "programdir/program_dir_gen.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/config_records.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "reference_images.h"

namespace {

using platform::Rect;

constexpr int kBlue = 1;
constexpr int kYellow = 14;
constexpr int kWhite = 15;

size_t glyph_offset(char c) { return static_cast<size_t>(c - ' ') * ui::kGlyphBytes; }

// A machine whose drive C: holds a program directory, with graphics started
// and the program directory set, as at graphics start.
class FontFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.map_drive(rig_.machine());
        runtime::set_home_directory(rig::ProgramDir::program_path().c_str());
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
    }

    // A font file whose byte i is (i % 250) + 1: every byte set and each one
    // telling where it came from.
    static std::vector<uint8_t> patterned(size_t size) {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i % 250 + 1);
        return bytes;
    }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
};

// ------------------------------------------------------------------ the fonts

TEST_F(FontFiles, DemoFontsLoadWhole) {
    ui::load_fonts();
    const std::vector<uint8_t> default_font = dir_.read_file(progdir::kDefaultFontName);
    const std::vector<uint8_t> small_font = dir_.read_file(progdir::kSmallFontName);
    ASSERT_EQ(default_font.size(), ui::kFontFileBytes);
    ASSERT_EQ(small_font.size(), ui::kFontFileBytes);
    EXPECT_TRUE(std::equal(default_font.begin(), default_font.end(), ui::default_font_glyphs.begin()));
    EXPECT_TRUE(std::equal(small_font.begin(), small_font.end(), ui::small_font_glyphs.begin()));
}

TEST_F(FontFiles, BitmapTextFromTheFontFileLooksLikeTheGraphicsDefaultFont) {
    ui::load_fonts();
    const std::string text = "Go 42 {AB}~";
    ui::fill_box(0, 0, 200, 40, kBlue);
    ui::draw_bitmap_text(10, 5, kYellow, text.c_str());
    platform::_settextstyle(platform::kDefaultFont, platform::kHorizontalText, 1);
    platform::_setcolor(kYellow);
    platform::_outtextxy(10, 25, text);
    const int width = 8 * static_cast<int>(text.size());
    EXPECT_EQ(platform::region_text(Rect{10, 5, 10 + width - 1, 12}),
              platform::region_text(Rect{10, 25, 10 + width - 1, 32}));
    // The clear pixels of the glyphs kept the blue under them.
    EXPECT_GT(platform::count_pixels(kBlue, Rect{10, 5, 10 + width - 1, 12}), 0);
    EXPECT_EQ(platform::count_pixels(kBlue, Rect{0, 0, 200, 40}) +
                  platform::count_pixels(kYellow, Rect{0, 0, 200, 40}),
              201 * 41);
}

TEST_F(FontFiles, SmallTextOfEveryCharacterMatchesItsReference) {
    ui::load_fonts();
    std::string line;
    for (int c = ui::kFirstGlyphChar; c <= ui::kLastGlyphChar; ++c) {
        line.push_back(static_cast<char>(c));
        if (line.size() == 32 || c == ui::kLastGlyphChar) {
            const int row = (c - ui::kFirstGlyphChar) / 32;
            ui::draw_small_text(0, static_cast<int16_t>(row * 8), kWhite, line.c_str());
            line.clear();
        }
    }
    uitest::expect_matches_reference("bitmap_fonts", "small_font", Rect{0, 0, 127, 23});
}

TEST_F(FontFiles, MissingFontFilesLeaveTheTablesZeroAndTheTextInvisible) {
    dir_.remove_file(progdir::kDefaultFontName);
    dir_.remove_file(progdir::kSmallFontName);
    ui::load_fonts();
    EXPECT_EQ(ui::default_font_glyphs, ui::GlyphTable{});
    EXPECT_EQ(ui::small_font_glyphs, ui::GlyphTable{});
    ui::draw_bitmap_text(10, 10, kWhite, "HELLO");
    ui::draw_small_text(10, 30, kWhite, "HELLO");
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{0, 0, 639, 479}), 0);
    EXPECT_EQ(ui::current_message(), "");
}

TEST_F(FontFiles, ShortFontFileFillsOnlyWhatItHolds) {
    // 6000 bytes: the glyphs of 32 to 124 and the first 48 bytes of 125.
    const std::vector<uint8_t> bytes = patterned(6000);
    dir_.write_file(progdir::kDefaultFontName, bytes);
    ui::load_fonts();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), ui::default_font_glyphs.begin()));
    EXPECT_EQ(glyph_offset('}') + 48, 6000u);
    for (size_t i = 6000; i < ui::kFontFileBytes; ++i) ASSERT_EQ(ui::default_font_glyphs[i], 0) << i;
    // The small font file is not touched by the default font's being short.
    EXPECT_EQ(ui::small_font_glyphs[glyph_offset('A')], dir_.read_file(progdir::kSmallFontName)[glyph_offset('A')]);
}

TEST_F(FontFiles, EmptyAndLongFontFilesAreReadUpToTheTableSize) {
    dir_.write_file(progdir::kDefaultFontName, {});
    const std::vector<uint8_t> long_file = patterned(7000);
    dir_.write_file(progdir::kSmallFontName, long_file);
    ui::load_fonts();
    EXPECT_EQ(ui::default_font_glyphs, ui::GlyphTable{});
    EXPECT_TRUE(std::equal(ui::small_font_glyphs.begin(), ui::small_font_glyphs.end(), long_file.begin()));
}

TEST_F(FontFiles, WritersDrawOnlyTheirRowsAndColumnsAndAdvanceByTheirWidth) {
    // Fonts with every byte set: a character shows its whole drawn area.
    dir_.write_file(progdir::kDefaultFontName, std::vector<uint8_t>(ui::kFontFileBytes, 1));
    dir_.write_file(progdir::kSmallFontName, std::vector<uint8_t>(ui::kFontFileBytes, 0xFF));
    ui::load_fonts();
    ui::draw_bitmap_text(100, 100, kWhite, "AB");
    ui::draw_small_text(100, 200, kWhite, "AB");
    EXPECT_EQ(platform::ink_bounds(0, Rect{0, 0, 639, 150}), (Rect{100, 100, 115, 107}));
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{0, 0, 639, 150}), 16 * 8);
    // Row 8 and columns 5-8 of the small glyphs are never drawn.
    EXPECT_EQ(platform::ink_bounds(0, Rect{0, 151, 639, 479}), (Rect{100, 200, 107, 206}));
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{0, 151, 639, 479}), 8 * 7);
}

TEST_F(FontFiles, CharactersWithoutAGlyphDrawNothingButTakeTheirPlace) {
    dir_.write_file(progdir::kDefaultFontName, std::vector<uint8_t>(ui::kFontFileBytes, 1));
    dir_.write_file(progdir::kSmallFontName, std::vector<uint8_t>(ui::kFontFileBytes, 1));
    ui::load_fonts();
    ui::draw_bitmap_text(0, 0, kWhite, "A\x7f\x01" "B");
    ui::draw_small_text(0, 20, kWhite, "A\x80" "B");
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{0, 0, 7, 7}), 64);
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{8, 0, 23, 7}), 0);
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{24, 0, 31, 7}), 64);
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{4, 20, 7, 26}), 0);
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{8, 20, 11, 26}), 28);
}

// ------------------------------------------------------------------ the logo

TEST_F(FontFiles, DemoLogoLoadsWholeAndDrawsAtItsPlace) {
    ui::load_logo();
    const std::vector<uint8_t> file = dir_.read_file(progdir::kLogoName);
    ASSERT_EQ(ui::logo_size, 8464u);
    ASSERT_NE(ui::logo_image, nullptr);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), ui::logo_image));
    // The main frame puts a logo of this length at (30, 350).
    platform::_putimage(30, 350, std::span<const uint8_t>(ui::logo_image, ui::logo_size), platform::kCopyPut);
    uitest::expect_matches_reference("bitmap_fonts", "logo", Rect{30, 350, 30 + 94 - 1, 350 + 90 - 1});
    ui::free_logo();
    EXPECT_EQ(ui::logo_image, nullptr);
}

TEST_F(FontFiles, MissingLogoGivesNoImageAndNoSize) {
    dir_.remove_file(progdir::kLogoName);
    ui::load_logo();
    EXPECT_EQ(ui::logo_image, nullptr);
    EXPECT_EQ(ui::logo_size, 0u);
    EXPECT_EQ(ui::current_message(), "");
}

TEST_F(FontFiles, LogoOfAnyLengthIsTakenWhole) {
    std::vector<uint8_t> other;
    std::string error;
    ASSERT_TRUE(progdir::build_logo(60, 40, other, error)) << error;
    dir_.remove_file(progdir::kLogoName);
    dir_.write_file("LOGO", other);  // found whatever its case
    ui::load_logo();
    ASSERT_EQ(ui::logo_size, 4u + 60 * 40);
    ASSERT_NE(ui::logo_image, nullptr);
    EXPECT_TRUE(std::equal(other.begin(), other.end(), ui::logo_image));
}

TEST_F(FontFiles, EmptyOrHugeLogoKeepsItsSizeButGetsNoImage) {
    struct Case {
        size_t bytes;
    };
    for (const Case c : {Case{0}, Case{ui::kMaxLogoBytes + 1}}) {
        dir_.write_file(progdir::kLogoName, std::vector<uint8_t>(c.bytes, 3));
        ui::load_logo();
        EXPECT_EQ(ui::logo_size, c.bytes);
        EXPECT_EQ(ui::logo_image, nullptr) << c.bytes;
    }
    // A loaded logo is replaced, not leaked, when the logo is read again.
    dir_.write_file(progdir::kLogoName, std::vector<uint8_t>(ui::kMaxLogoBytes, 3));
    ui::load_logo();
    EXPECT_NE(ui::logo_image, nullptr);
    ui::load_logo();
    EXPECT_NE(ui::logo_image, nullptr);
    ui::free_logo();
}

// ------------------------------------------------------------------ the generated files

TEST(FontGenerator, DefaultFontHoldsTheGraphicsDefaultFontGlyphs) {
    const std::vector<uint8_t> file = progdir::build_default_font();
    ASSERT_EQ(file.size(), 6080u);
    for (int c = 32; c <= 126; ++c) {
        for (int r = 0; r < 8; ++r) {
            const uint8_t bits = platform::default_font_row(static_cast<unsigned char>(c), r);
            for (int k = 0; k < 8; ++k) {
                const uint8_t expected = (bits & (0x80 >> k)) != 0 ? 1 : 0;
                ASSERT_EQ(file[static_cast<size_t>((c - 32) * 64 + r * 8 + k)], expected)
                    << "character " << c << " row " << r << " column " << k;
            }
        }
    }
}

TEST(FontGenerator, SmallFontGlyphsAreDistinctAndStayInsideTheirFourBySeven) {
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(progdir::build_small_font(file, error)) << error;
    ASSERT_EQ(file.size(), 6080u);
    std::set<std::vector<uint8_t>> seen;
    for (int c = 32; c <= 126; ++c) {
        const auto glyph = file.begin() + (c - 32) * 64;
        int ink = 0;
        for (int r = 0; r < 8; ++r) {
            for (int k = 0; k < 8; ++k) {
                const uint8_t pixel = glyph[r * 8 + k];
                EXPECT_LE(pixel, 1);
                if (pixel != 0) ++ink;
                // Column 4 is the gap to the next character.
                if (r == 7 || k >= 3) {
                    EXPECT_EQ(pixel, 0) << "character " << c << " row " << r << " column " << k;
                }
            }
        }
        EXPECT_EQ(ink == 0, c == ' ') << "character " << c;
        EXPECT_TRUE(seen.insert(std::vector<uint8_t>(glyph, glyph + 64)).second) << "character " << c << " repeats";
    }
}

TEST(LogoGenerator, PlacedLengthsAndTheImageLayout) {
    struct Case {
        int width;
        int height;
        size_t bytes;
    };
    for (const Case c : {Case{progdir::kDemoLogoWidth, progdir::kDemoLogoHeight, 8464},
                         Case{progdir::kTallLogoWidth, progdir::kTallLogoHeight, 8992}, Case{300, 200, 60004}}) {
        std::vector<uint8_t> image;
        std::string error;
        ASSERT_TRUE(progdir::build_logo(c.width, c.height, image, error)) << error;
        ASSERT_EQ(image.size(), c.bytes);
        EXPECT_EQ(image[0] | image[1] << 8, c.width);
        EXPECT_EQ(image[2] | image[3] << 8, c.height);
        std::set<uint8_t> colours(image.begin() + 4, image.end());
        EXPECT_LE(*colours.rbegin(), 15);
        EXPECT_GE(colours.size(), 5u) << "a picture, not a blank";
    }
}

TEST(LogoGenerator, RefusesSizesOutsideTheScreen) {
    for (const auto& [width, height] : {std::pair{15, 90}, std::pair{94, 15}, std::pair{641, 90}, std::pair{94, 481}}) {
        std::vector<uint8_t> image;
        std::string error;
        EXPECT_FALSE(progdir::build_logo(width, height, image, error)) << width << " x " << height;
        EXPECT_EQ(error, "logo: the size must lie within 16..640 x 16..480");
    }
}

}  // namespace
