// The channel patch and the curve tables that turn a channel level into the
// byte on a DMX output (the channel level setter reads them). The show-data
// loaders fill them at every show start and the fixture setup rewrites them;
// until then they hold the defaults: channel n on output position n, no
// dimmer curve, identity curves, no custom curve and no scale on any output.
//
// Control channels and output positions are both 1..2048 (index 0 unused).
#pragma once
#include <array>
#include <cstdint>

namespace setup {

constexpr int kPatchPositions = 2048;
constexpr int kPatchTables = 9;
constexpr int kPatchSlots = 4;           // tables 0..3: up to four outputs per channel
constexpr int kChannelWordTable = 4;     // table 4: the card's channel word per output
constexpr int kFirstCardWordTable = 5;   // tables 5..8: card word tables 1..4 per output
constexpr int kCardWordTables = 4;
constexpr int kDimmerCurves = 16;
constexpr int kCustomCurves = 3;
constexpr int kCurveLevels = 256;
constexpr uint8_t kNoOutputScale = 255;

using PatchTable = std::array<uint16_t, kPatchPositions + 1>;
using OutputBytes = std::array<uint8_t, kPatchPositions + 1>;
using Curve = std::array<uint8_t, kCurveLevels>;  // level v maps to entry v

// Tables 0..3: output position of each control channel per patch slot (0 =
// none); table 4 and tables 5..8: words per output position for the cards.
extern std::array<PatchTable, kPatchTables> channel_patch_tables;
// Dimmer curve 1..16 per control channel, 0 = none.
extern OutputBytes dimmer_patch_table;
extern std::array<Curve, kDimmerCurves + 1> curve_tables;         // [1..16]
// Per output position: custom curve 1..3 (0 = none) and scale (255 = none).
extern OutputBytes channel_curve_flags;
extern std::array<Curve, kCustomCurves + 1> custom_curve_tables;  // [1..3]
extern OutputBytes channel_output_scale;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_patch_tables_globals();

// The defaults the show-data loaders fall back on.
// Channel n on output position n in table 0; tables 1..8 empty.
void set_default_patch();
// Every dimmer curve 1..16 the identity (level v gives v).
void set_identity_curves();
// No dimmer curve on any control channel.
void clear_dimmer_patch();
// No scale (255) and no custom curve on any output; custom curves 1..3 the identity.
void set_default_channel_curves();

}  // namespace setup
