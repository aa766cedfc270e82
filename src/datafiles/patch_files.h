// The patch and curve table files of the data folder, read into the tables
// of setup/patch_tables.h at every show start and written by the fixture
// setup after a rig change. All fixed size, no header:
//
//   curve.dat     4096   dimmer curves 1..16, 256 bytes each (input level v at +v)
//   dimpatch.dat  2048   dimmer curve number of control channel n at n - 1
//   ch-patch.dat  36864  tables 0..8, 2048 little-endian u16 each: entry n of
//                        table k at k * 4096 + (n - 1) * 2
//                 24576  the older form: tables 0, 4, 5, 6, 7, 8 only
//   ch-curve.dat  4864   +0 output scale per position, +2048 custom curve
//                        flag per position, +4096/+4352/+4608 custom curves 1..3
//
// The factory curves come from lib\curve.dat, in the form of curve.dat. A
// file's size is taken from a directory lookup. Values that would index past
// a table are read as "none": a patch position outside 1..2048, a dimmer
// curve outside 1..16 and a custom curve flag outside 1..3 become 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace datafiles {

constexpr size_t kCurveFileBytes = 4096;
constexpr size_t kDimmerPatchFileBytes = 2048;
constexpr size_t kChannelPatchFileBytes = 36864;
constexpr size_t kOldChannelPatchFileBytes = 24576;
constexpr size_t kChannelCurveFileBytes = 4864;

// Show start: curve.dat (else the factory curves, copied to data, else the
// identity curves, written), dimpatch.dat (any size, up to 2048 entries; when
// missing all 0, written) and ch-patch.dat (else the default patch, not
// written). A file of the right size that can't be read leaves its table
// as it was.
void load_patch_curves();
// Show start: ch-curve.dat, else no scale, no custom curve and identity
// custom curves; nothing is written.
void load_channel_curves();

// The writers: ch-patch.dat in the 36864-byte form with dimpatch.dat, and
// ch-curve.dat, each replaced whole; false when a file was not written.
bool save_channel_patch_files();
bool save_dimmer_patch_file();
bool save_channel_curve_file();

// The files' images of the tables as they are now, and their paths (the
// fixture setup's save writes them together with the setup file).
std::vector<uint8_t> channel_patch_file_bytes();
std::vector<uint8_t> dimmer_patch_file_bytes();
std::vector<uint8_t> channel_curve_file_bytes();
std::string channel_patch_path();
std::string dimmer_patch_path();
std::string channel_curve_path();

}  // namespace datafiles
