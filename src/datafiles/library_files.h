// Drawings and colour-filter libraries.
//
// Drawings are images of exactly 2336 bytes in the graphics stand-in's
// image layout (u16 width 44, u16 height 53, one byte per pixel):
//
//   drawings\gobos1\drawing.NNN    symbol drawings   1..199
//   drawings\gobos2\drawing.NNN                    200..399
//   drawings\gobos3\drawing.NNN                    400..599
//   drawings\colors\drawing.NNN                    600..774
//   drawings\prismas\drawing.NNN                   775..799
//   drawings\specials\drawing.NNN                  800..999
//   drawings\figures\polygon.NNN   polygon figures   1..13
//   drawings\figures\lisjous.NNN   lissajous figures 1..36
//
// A file of another size is ignored. The symbol drawings a show loads are
// the ones its fixture types' predefined entries name, at most 250.
//
// Colour libraries: the catalogue of the setup's kind ("lee.def",
// "rosco.def", "gam.def" in the program directory; lines "%4d %30s",
// filter number 0..1999 and a one-word name) and per fixture type with RED,
// GREEN and BLUE functions its mixing values "lib\rgb\<type file>.lee"
// (".ros", ".gam"): 5-byte records {u16 filter number, red, green, blue}.
//
// save_filter_colour writes a type's whole table the first time for that
// type and kind, and also whenever its colour file is missing or too short
// to hold the entry; only then single entries in place. (A "written" flag
// per kind only would let a second type whose colour file did not exist
// lose its first stored colour.)
//
// The library index "lib\fulllib.dat" lists the fixture types and upload
// files of "lib\" for the library browser: i16 entry count, then that many
// LibraryEntry records of 51 bytes (stem char[9], type name char[21],
// manufacturer char[21], each NUL-terminated): first every "lib\set\*.set"
// of 47097 bytes with a channel count 1..32 and a drawing "lib\drw\<stem>.drw"
// of 992 bytes, named in capitals ("MANUFACTURER" when that field is empty),
// then every "lib\xu3\*.xu3" under "MARTIN UPLOAD". Extensions are matched
// without regard to case. The index is built at show start when it is
// missing, when its size does not fit its count, or when a type, drawing or
// upload file is newer than it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "setup/setup_data.h"

namespace datafiles {

constexpr size_t kDrawingFileBytes = 2336;
constexpr int kSymbolDrawingSlots = 1000;   // drawings 1..999
constexpr int kMaxSymbolDrawingsLoaded = 250;
constexpr int kFigureDrawingSlots = 40;
constexpr int kPolygonFigures = 13;
constexpr int kLissajousFigures = 36;
constexpr int kFilterNumbers = 2000;        // filter numbers 0..1999
constexpr size_t kFilterNameBytes = 31;
constexpr size_t kColorMixBytes = 5;
constexpr int kColorLibraryKinds = 3;       // 1 LEE, 2 ROSCO, 3 GAM

// Heap images of 2336 bytes, null when not loaded.
extern std::array<uint8_t*, kSymbolDrawingSlots> symbol_drawings;          // [1..999]
extern std::array<uint8_t*, kFigureDrawingSlots + 1> polygon_drawings;     // [1..13]
extern std::array<uint8_t*, kFigureDrawingSlots + 1> lissajous_drawings;   // [1..36]
extern std::array<uint8_t, kPolygonFigures + 1> polygon_figure_codes;      // [1..13]: 151..163
extern std::array<std::array<uint8_t, 2>, kLissajousFigures + 1> lissajous_figure_codes;  // [1..36]
extern bool figure_drawings_loaded;

struct ColorLibraryEntry {
    int16_t number = 0;                            // 0..1999
    std::array<char, kFilterNameBytes> name{};     // one word, NUL-terminated
};

struct ColorMixEntry {
    int16_t number = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

extern uint8_t color_library_kind;    // 1..3, 0 none
extern int16_t color_library_count;
extern std::vector<ColorLibraryEntry> color_library_entries;
// Per fixture type 1..40: color_library_count mixes in catalogue order;
// empty for a type without RED, GREEN and BLUE.
extern std::array<std::vector<ColorMixEntry>, setup::kMaxFixtureTypes + 1> color_library_mixes;
// Per fixture type 1..40: the catalogue entry (1-based) of the last stored mix.
extern std::array<int16_t, setup::kMaxFixtureTypes + 1> color_library_selected;
// Per kind 1..3 and type 1..40: the whole colour file was written in this run.
extern std::array<std::array<bool, setup::kMaxFixtureTypes + 1>, kColorLibraryKinds + 1> color_file_written;

constexpr size_t kLibraryEntryBytes = 51;
constexpr size_t kLibraryStemBytes = 9;
constexpr size_t kLibraryNameBytes = 21;

struct LibraryEntry {
    std::array<char, kLibraryStemBytes> stem{};
    std::array<char, kLibraryNameBytes> type_name{};
    std::array<char, kLibraryNameBytes> manufacturer{};
};

// Every global of this module back to its value at program load (a clean start for each test).
void reset_library_files_globals();

// Show start: builds lib\fulllib.dat when it is missing or stale (above).
void build_library_index();
// The entries of lib\fulllib.dat; empty when it is missing or its size does
// not fit its count.
std::vector<LibraryEntry> read_library_index();
// The index's type entries made anew from "lib\set\*.set" (no upload entries).
std::vector<LibraryEntry> scan_library_types();

// The file of symbol drawing d (1..999); "" for another number.
std::string symbol_drawing_path(int d);
// "lib\rgb\<file>.<ext>" of type t (1..40) and kind 1..3; "" when there is none.
std::string colour_file_path(int type, int kind);

// Show start, after the setup file.
void load_symbol_drawings();
void load_figure_drawings();     // once per program run
void load_filter_catalogues();
// Writes the colour of the current fixture type (runtime::current_fixture_type,
// 0-based) after the colour-mixing screen stored a mix and set its selection.
void save_filter_colour();

// The symbol drawings of the show (show restart) and the figure drawings
// (program end), and the colour library.
void free_symbol_drawings();
void free_figure_drawings();
void clear_colour_library();
// Everything here as at program start: the drawings freed, the colour
// library cleared and the colour files' written marks of the run forgotten.
void reset_library_files();

}  // namespace datafiles
