#include "ui/bitmap_fonts.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "memcheck/memcheck.h"
#include "platform/dos_files.h"
#include "runtime/config_records.h"

namespace ui {

GlyphTable default_font_glyphs{};
GlyphTable small_font_glyphs{};
uint8_t* logo_image = nullptr;
uint32_t logo_size = 0;

void reset_bitmap_fonts_globals() {
    default_font_glyphs = {};
    small_font_glyphs = {};
    free_logo();
    logo_size = 0;
}

namespace {

constexpr const char* kLogoName = "logo";
constexpr const char* kDefaultFontName = "DEFAULT.FNT";
constexpr const char* kSmallFontName = "SMALL.FNT";

// Reads at most a table's worth of a font file; a shorter file fills only
// the bytes it holds and leaves the rest of the table as it was.
void read_font_file(const char* name, GlyphTable& table) {
    const std::string path = runtime::home_path(name);
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    std::fread(table.data(), 1, table.size(), file);
    std::fclose(file);
}

}  // namespace

const uint8_t* glyph_of(const GlyphTable& table, unsigned char c) {
    if (c < kFirstGlyphChar || c > kLastGlyphChar) return nullptr;
    return table.data() + static_cast<size_t>(c - kFirstGlyphChar) * kGlyphBytes;
}

void load_logo() {
    free_logo();
    logo_size = 0;
    const std::string path = runtime::home_path(kLogoName);
    platform::DosFindData find{};
    if (!platform::dos_findfirst(path.c_str(), &find, 0)) return;
    logo_size = find.size_bytes;
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    // An empty file or one larger than any picture of the screen gets no
    // block, as when the allocation fails: the size stays, the image null.
    if (logo_size > 0 && logo_size <= kMaxLogoBytes) {
        void* block = memcheck::mc_malloc_at(logo_size, __FILE__, __LINE__);
        if (block != nullptr) {
            // A file that shrank since its directory entry leaves zeros.
            memcheck::mc_memset_at(block, 0, logo_size, __FILE__, __LINE__, memcheck::mc_dest_size(block));
            std::fread(block, 1, logo_size, file);
            logo_image = static_cast<uint8_t*>(block);
        }
    }
    std::fclose(file);
}

void load_fonts() {
    read_font_file(kDefaultFontName, default_font_glyphs);
    read_font_file(kSmallFontName, small_font_glyphs);
}

void free_logo() {
    if (logo_image != nullptr) memcheck::mc_free_at(logo_image, __FILE__, __LINE__);
    logo_image = nullptr;
}

}  // namespace ui
