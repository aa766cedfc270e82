// Submasters, robot groups, the preset-class masks, the preset and
// threshold names, and the groupings: small files under "%s\data\" written
// as a whole whenever the operator changes them (little-endian, no gaps).
//
//   submast.dat  1412  "VERSION 6.30"; +12 u8[700] sub master 1; +712 u8[700] sub master 2
//                1400  older form: u8[140] sub master 1, u8[140] sub master 2 (fixtures 1..140)
//   groups.dat  22764  "VERSION 6.30"; +12 u8[700] per group 1..32; +22412 char[11] per name
//               22412  the same without the names
//                4480  older form: u8[140] per group 1..32 (fixtures 1..140)
//   DEF-PAN, DEF-COL, DEF-GOB, DEF-EFF (.dat)  280  u32[70] masks of presets 1..70
//   groupa.dat  100 Grouping records of 152 bytes (name char[11], u8 subgroup
//               count, i16[70] member counts), then per grouping 1..100 and
//               subgroup 1..70 an i16 count and that many i16 members;
//               29200 bytes when no grouping has members
//
// The older forms are read and the file written back in the current form at
// once. A file of another size is treated as missing; every file is replaced
// through a new copy (whole_files.h), so a failed write leaves the old one.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace datafiles {

constexpr size_t kSubmasterFileBytes = 1412;
constexpr size_t kOldSubmasterFileBytes = 1400;
constexpr size_t kGroupFileBytes = 22764;
constexpr size_t kUnnamedGroupFileBytes = 22412;
constexpr size_t kOldGroupFileBytes = 4480;
constexpr size_t kPresetMaskFileBytes = 280;
constexpr size_t kGroupingRecordBytes = 152;
constexpr size_t kEmptyGroupingFileBytes = 29200;

// Preset kinds of the mask files and of the name writer.
enum PresetKind : int { kPanTiltPresets = 1, kColourPresets = 2, kGoboPresets = 3, kEffectPresets = 4 };
constexpr int kPresetKinds = 4;
constexpr int kPresetsPerKind = 70;

// [kind 1..4][preset 1..70]: bit n - 1 set when the preset takes function
// number n (1..32) of each fixture when it is recalled.
extern std::array<std::array<uint32_t, kPresetsPerKind + 1>, kPresetKinds + 1> preset_channel_masks;
// The default mask of each kind: pan/tilt without functions 5 and 6,
// colour without function 9, gobo and effect every function.
uint32_t default_preset_mask(int kind);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_group_files_globals();

// Show start (after the cues): every mask to its kind's default, then each
// kind's file of exactly 280 bytes over it. cues_converted: the older cue
// pages were converted in this start; then the pan/tilt masks lose
// function 6 and the colour masks function 9, and those two files are
// written back.
void load_default_preset_files(bool cues_converted);
// The argument of the last call: 1 or 0, -1 before the first.
extern int last_default_preset_conversion_flag;
// Writes the 70 masks of kind 1..4; false when nothing was written.
bool save_default_preset_file(int kind);

// The whole files as they are written, for a caller that commits them with
// other files (the rig conversion): submast.dat, groups.dat and groupa.dat.
std::vector<uint8_t> submaster_file_bytes();
std::vector<uint8_t> group_file_bytes();
std::vector<uint8_t> grouping_file_bytes();

void load_submaster_file();
bool save_submaster_file();
void load_group_file();
bool save_group_file();

// Rewrites only the 21 name bytes of one index entry, in place: value or
// effect preset n (1..70) of a kind in presets.dat, threshold t (1..70) in
// memthrsh.dat. False for a number out of range or a file that does not open.
bool save_preset_name(int kind, int n);
bool save_threshold_name(int t);

// The groupings: loaded only when setup.dat vouches for groupa.dat
// (its groupings flag is 1) and every stored count agrees with the
// records; otherwise every grouping is emptied and the empty file written.
// A damaged file is kept as a copy (NAME.K01 ...) before that.
void load_subgroup_file();
// Writes every grouping to groupa.dat, or to its twin groupa.da (temporary,
// for the show-data conversion, which renames it itself). Only when the
// file was written whole is the groupings flag set and setup.dat written.
bool save_subgroup_file(bool temporary);

}  // namespace datafiles
