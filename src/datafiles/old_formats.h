// The show start's first steps: bring the memories and presets into the
// show tables, converting the per-page files of older versions once when
// they are found. The older cue and MIDI pages: old_cue_pages.h.
//
// The older memory pages, eight per kind, page k named with 250 * k
// ("mem-0250.dat" .. "mem-2000.dat", "gen-...", "fig-...") and holding
// memories 250 * (k - 1) + 1 .. 250 * k:
//
//   mem, gen   250 entries of 101 bytes: +0 name[21], +21 16 block flags,
//              +37 16 block offsets (i32, -1 none). A block is the tag
//              "+-%04d.%02d-+" (memory, block) and 128 function records:
//              mem 128 x i16 values (-1 not set, 0..255 level, 1000..2000
//              value-preset reference), gen 128 x 6 generator bytes.
//   fig        "VERSION 6.0" (11 bytes) or nothing (the oldest layout), then
//              250 entries of 91 bytes: name, 14 flags, 14 offsets; blocks of
//              10 fixtures x 10 figure bytes (255 not set).
//
// A conversion writes the current file whole and only then retires the
// older files to .old; when it can't write, the older files stay for the
// next start. A file of which anything could not be converted is also kept
// as a copy (NAME.K01, see whole_files.h) and named in the load report, so
// that what was dropped is never lost with the .old files.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "datafiles/load_report.h"
#include "datafiles/record_files.h"

namespace datafiles {

// Empties the memory tables. When the older memory pages are there (page 1,
// mem-0250.dat, decides) it converts them, writes mem.dat whole from them
// and retires them; otherwise it loads mem.dat. memcues.dat is loaded either
// way.
void convert_old_memories();
// The readers of the older memory, generator and figure pages: each reads
// the eight pages of its kind and appends the items to the memories; none
// does anything when its page 1 is missing.
void convert_old_memory_pages();
void convert_old_generator_pages();
void convert_old_figure_pages();

// Empties the preset tables and loads presets.dat. When the older preset
// files (pre-pan.dat ...) are there, they are read, presets.dat is written
// whole from them and loaded afresh, and the older files are renamed to
// .old. When presets.dat can't be written, the older files stay as they are
// so that the next start converts them again.
void convert_old_presets();

// ------------------------------------------------------------------ shared by the older layouts

constexpr int kOldPageBlocks = 16;    // blocks of a mem or gen page entry, and of a value-preset entry
constexpr int kOldFigureBlocks = 14;  // blocks of a fig page entry
constexpr size_t kOldPageEntryBytes = 101;
constexpr size_t kOldFigureEntryBytes = 91;
constexpr size_t kOldBlockTagChars = 11;
constexpr const char* kOldFigureVersion = "VERSION 6.0";
constexpr size_t kOldFigureVersionChars = 11;
constexpr int kOldFigureBytes = 10;  // per fixture

// One index entry of an older page or preset file: a name, then per block
// (1..blocks) a flag (1 = the block holds data) and an offset (-1 none).
struct OldPageEntry {
    EntryName name{};
    std::array<uint8_t, kOldPageBlocks + 1> present{};
    std::array<int32_t, kOldPageBlocks + 1> offsets{};
};
// entry_bytes = 21 + 5 * blocks.
void decode_old_page_entry(std::span<const uint8_t> bytes, int blocks, OldPageEntry& entry);

// Reads the block at the offset: its tag, compared with the expected one,
// then the whole body. bad_offset: the file can't be positioned there.
enum class OldBlockRead { ok, bad_offset, tag_mismatch, short_read };
OldBlockRead read_old_block(FILE* file, int32_t offset, const std::string& tag, std::span<uint8_t> body);

// True when the file starts with "VERSION 6.0"; otherwise it has the oldest
// figure layout, and the position is put back to the start.
bool read_old_figure_version(FILE* file);
// The ten figure bytes of one fixture in the oldest layout, carried to the
// current parameters 1..10: byte p belongs to parameter M(p) with M = 1, 2,
// 3, 4, 6, 7, 8, 9, 0, 0 (0: no place any more); a set MODE byte becomes 0.
// Parameters no byte reaches are not set (255).
void widen_old_figure_bytes(std::span<const uint8_t, kOldFigureBytes> old_bytes,
                            std::span<uint8_t, kOldFigureBytes> figure_bytes);

// What a reader of an older file says at its end when anything of the file
// was refused, cut off or not held: the file is kept as a copy and named in
// the load report. Nothing happens for a file read whole. What memory could
// not hold (damage.unloaded) is added to old_records_not_held.
void report_old_file(const std::string& path, const FileDamage& damage);

// Records or blocks of older files that memory could not hold in the
// conversion running now (each conversion step starts it at 0). A
// conversion that lost any writes no current file and leaves the older
// files in place, so that a start with more memory converts them whole.
extern int32_t old_records_not_held;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_old_formats_globals();

// "del %s\data\NAME.old" and "ren %s\data\NAME.dat *.old" for a file name
// without its extension.
void retire_old_file(const char* name);

// The red banner at the foot of the screen that a conversion shows, with its
// short beep (400 Hz, 300 ms); the banner area painted over in a colour.
void show_conversion_banner(const char* text);
void clear_conversion_banner();

// A current file that a conversion is about to replace is kept as a copy
// first when it holds anything beyond its empty form (empty_bytes), and
// the report names the copy. False when such a copy could not be made: the
// file must then not be replaced.
bool keep_replaced_file(const std::string& path, int64_t empty_bytes);

}  // namespace datafiles
