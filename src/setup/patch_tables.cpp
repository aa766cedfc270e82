#include "setup/patch_tables.h"

#include <cstddef>

namespace setup {

namespace {

constexpr Curve identity_curve() {
    Curve curve{};
    for (size_t v = 0; v < curve.size(); ++v) curve[v] = static_cast<uint8_t>(v);
    return curve;
}

template <size_t Count>
constexpr std::array<Curve, Count> identity_curves() {
    std::array<Curve, Count> curves{};
    for (size_t c = 1; c < Count; ++c) curves[c] = identity_curve();
    return curves;
}

// Channel n on output n in the first slot; every other table empty.
constexpr std::array<PatchTable, kPatchTables> default_patch() {
    std::array<PatchTable, kPatchTables> tables{};
    for (size_t n = 1; n <= kPatchPositions; ++n) tables[0][n] = static_cast<uint16_t>(n);
    return tables;
}

constexpr OutputBytes filled(uint8_t value) {
    OutputBytes bytes{};
    for (size_t n = 1; n <= kPatchPositions; ++n) bytes[n] = value;
    return bytes;
}

}  // namespace

std::array<PatchTable, kPatchTables> channel_patch_tables = default_patch();
OutputBytes dimmer_patch_table{};
std::array<Curve, kDimmerCurves + 1> curve_tables = identity_curves<kDimmerCurves + 1>();
OutputBytes channel_curve_flags{};
std::array<Curve, kCustomCurves + 1> custom_curve_tables = identity_curves<kCustomCurves + 1>();
OutputBytes channel_output_scale = filled(kNoOutputScale);

void reset_patch_tables_globals() {
    channel_patch_tables = default_patch();
    dimmer_patch_table = {};
    curve_tables = identity_curves<kDimmerCurves + 1>();
    channel_curve_flags = {};
    custom_curve_tables = identity_curves<kCustomCurves + 1>();
    channel_output_scale = filled(kNoOutputScale);
}

void set_default_patch() { channel_patch_tables = default_patch(); }

void set_identity_curves() { curve_tables = identity_curves<kDimmerCurves + 1>(); }

void clear_dimmer_patch() { dimmer_patch_table.fill(0); }

void set_default_channel_curves() {
    channel_output_scale = filled(kNoOutputScale);
    channel_curve_flags.fill(0);
    custom_curve_tables = identity_curves<kCustomCurves + 1>();
}

}  // namespace setup
