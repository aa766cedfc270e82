#include "datafiles/patch_files.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "datafiles/record_files.h"
#include "datafiles/setup_file.h"
#include "platform/dos_files.h"
#include "setup/patch_tables.h"

namespace datafiles {

namespace {

constexpr size_t kTableBytes = 2 * setup::kPatchPositions;  // one patch table on file
constexpr size_t kCurveBytes = setup::kCurveLevels;
// The tables of the older ch-patch.dat, in file order.
constexpr std::array<size_t, 6> kOldPatchTables = {0, 4, 5, 6, 7, 8};
constexpr size_t kScaleBlock = 0;
constexpr size_t kFlagBlock = 2048;
constexpr size_t kCustomCurveBlock = 4096;

std::string curve_file_path() { return data_path("curve.dat"); }
std::string factory_curve_file_path() { return program_path("lib\\curve.dat"); }
std::string dimmer_patch_file_path() { return data_path("dimpatch.dat"); }
std::string channel_patch_file_path() { return data_path("ch-patch.dat"); }
std::string channel_curve_file_path() { return data_path("ch-curve.dat"); }

bool has_size(const std::string& path, size_t size_bytes) {
    uint32_t found = 0;
    return lookup_file_size(path, found) && found == size_bytes;
}

// ------------------------------------------------------------------ curves

void curves_from_bytes(std::span<const uint8_t> bytes) {
    for (size_t c = 1; c <= setup::kDimmerCurves; ++c) {
        for (size_t v = 0; v < kCurveBytes; ++v) setup::curve_tables[c][v] = bytes[(c - 1) * kCurveBytes + v];
    }
}

std::vector<uint8_t> curves_to_bytes() {
    std::vector<uint8_t> bytes(kCurveFileBytes);
    for (size_t c = 1; c <= setup::kDimmerCurves; ++c) {
        for (size_t v = 0; v < kCurveBytes; ++v) bytes[(c - 1) * kCurveBytes + v] = setup::curve_tables[c][v];
    }
    return bytes;
}

void load_curve_file() {
    std::vector<uint8_t> bytes(kCurveFileBytes);
    if (has_size(curve_file_path(), kCurveFileBytes)) {
        if (read_whole_file(curve_file_path(), bytes)) curves_from_bytes(bytes);
        return;
    }
    if (has_size(factory_curve_file_path(), kCurveFileBytes)) {
        if (!read_whole_file(factory_curve_file_path(), bytes)) return;
        curves_from_bytes(bytes);
        replace_file(curve_file_path(), bytes);
        return;
    }
    setup::set_identity_curves();
    replace_file(curve_file_path(), curves_to_bytes());
}

// ------------------------------------------------------------------ dimmer patch

uint8_t valid_dimmer_curve(uint8_t curve) { return curve <= setup::kDimmerCurves ? curve : 0; }

std::vector<uint8_t> dimmer_patch_to_bytes() {
    std::vector<uint8_t> bytes(kDimmerPatchFileBytes);
    for (size_t n = 1; n <= setup::kPatchPositions; ++n) bytes[n - 1] = setup::dimmer_patch_table[n];
    return bytes;
}

// Any size: a shorter file fills as many entries as it has bytes.
void load_dimmer_patch_file() {
    uint32_t size_bytes = 0;
    if (!lookup_file_size(dimmer_patch_file_path(), size_bytes)) {
        setup::clear_dimmer_patch();
        save_dimmer_patch_file();
        return;
    }
    FILE* file = platform::dos_fopen(dimmer_patch_file_path().c_str(), "rb");
    if (file == nullptr) return;
    std::array<uint8_t, kDimmerPatchFileBytes> bytes{};
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    for (size_t n = 1; n <= got; ++n) setup::dimmer_patch_table[n] = valid_dimmer_curve(bytes[n - 1]);
}

// ------------------------------------------------------------------ channel patch

// Tables 0..3 hold output positions; anything outside 1..2048 is no patch.
uint16_t valid_patch_entry(size_t table, uint16_t value) {
    if (table >= setup::kPatchSlots) return value;
    return value <= setup::kPatchPositions ? value : 0;
}

void patch_table_from_bytes(size_t table, std::span<const uint8_t> bytes) {
    for (size_t n = 1; n <= setup::kPatchPositions; ++n) {
        setup::channel_patch_tables[table][n] = valid_patch_entry(table, get_u16(bytes, (n - 1) * 2));
    }
}

void load_channel_patch_file() {
    const std::string path = channel_patch_file_path();
    size_t size_bytes = 0;
    if (has_size(path, kChannelPatchFileBytes)) {
        size_bytes = kChannelPatchFileBytes;
    } else if (has_size(path, kOldChannelPatchFileBytes)) {
        size_bytes = kOldChannelPatchFileBytes;
    } else {
        setup::set_default_patch();
        return;
    }
    std::vector<uint8_t> bytes(size_bytes);
    if (!read_whole_file(path, bytes)) return;
    const std::span<const uint8_t> all(bytes);
    if (size_bytes == kChannelPatchFileBytes) {
        for (size_t k = 0; k < setup::kPatchTables; ++k) patch_table_from_bytes(k, all.subspan(k * kTableBytes, kTableBytes));
    } else {
        for (size_t i = 0; i < kOldPatchTables.size(); ++i) {
            patch_table_from_bytes(kOldPatchTables[i], all.subspan(i * kTableBytes, kTableBytes));
        }
    }
}

// ------------------------------------------------------------------ channel curves

uint8_t valid_curve_flag(uint8_t flag) { return flag <= setup::kCustomCurves ? flag : 0; }

void load_channel_curve_file() {
    const std::string path = channel_curve_file_path();
    std::vector<uint8_t> bytes(kChannelCurveFileBytes);
    if (!has_size(path, kChannelCurveFileBytes) || !read_whole_file(path, bytes)) {
        setup::set_default_channel_curves();
        return;
    }
    for (size_t p = 1; p <= setup::kPatchPositions; ++p) {
        setup::channel_output_scale[p] = bytes[kScaleBlock + p - 1];
        setup::channel_curve_flags[p] = valid_curve_flag(bytes[kFlagBlock + p - 1]);
    }
    for (size_t k = 1; k <= setup::kCustomCurves; ++k) {
        for (size_t v = 0; v < kCurveBytes; ++v) {
            setup::custom_curve_tables[k][v] = bytes[kCustomCurveBlock + (k - 1) * kCurveBytes + v];
        }
    }
}

}  // namespace

void load_patch_curves() {
    load_curve_file();
    load_dimmer_patch_file();
    load_channel_patch_file();
}

void load_channel_curves() { load_channel_curve_file(); }

std::vector<uint8_t> channel_patch_file_bytes() {
    std::vector<uint8_t> bytes(kChannelPatchFileBytes);
    for (size_t k = 0; k < setup::kPatchTables; ++k) {
        for (size_t n = 1; n <= setup::kPatchPositions; ++n) {
            put_u16(bytes, k * kTableBytes + (n - 1) * 2, setup::channel_patch_tables[k][n]);
        }
    }
    return bytes;
}

std::vector<uint8_t> dimmer_patch_file_bytes() { return dimmer_patch_to_bytes(); }

std::vector<uint8_t> channel_curve_file_bytes() {
    std::vector<uint8_t> bytes(kChannelCurveFileBytes);
    for (size_t p = 1; p <= setup::kPatchPositions; ++p) {
        bytes[kScaleBlock + p - 1] = setup::channel_output_scale[p];
        bytes[kFlagBlock + p - 1] = setup::channel_curve_flags[p];
    }
    for (size_t k = 1; k <= setup::kCustomCurves; ++k) {
        for (size_t v = 0; v < kCurveBytes; ++v) {
            bytes[kCustomCurveBlock + (k - 1) * kCurveBytes + v] = setup::custom_curve_tables[k][v];
        }
    }
    return bytes;
}

std::string channel_patch_path() { return channel_patch_file_path(); }
std::string dimmer_patch_path() { return dimmer_patch_file_path(); }
std::string channel_curve_path() { return channel_curve_file_path(); }

bool save_dimmer_patch_file() { return replace_file(dimmer_patch_file_path(), dimmer_patch_to_bytes()); }

bool save_channel_patch_files() {
    if (!rig_files_writable()) return false;
    const bool patch = replace_file(channel_patch_file_path(), channel_patch_file_bytes());
    return save_dimmer_patch_file() && patch;
}

bool save_channel_curve_file() { return replace_file(channel_curve_file_path(), channel_curve_file_bytes()); }

}  // namespace datafiles
