#include "datafiles/group_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "datafiles/record_files.h"
#include "datafiles/setup_file.h"
#include "datafiles/threshold_file.h"
#include "datafiles/warning_bar.h"
#include "datafiles/whole_files.h"
#include "memories/presets.h"
#include "memories/submaster_cells.h"
#include "platform/dos_files.h"
#include "programmer/fixture_groups.h"
#include "setup/setup_data.h"

namespace datafiles {

std::array<std::array<uint32_t, kPresetsPerKind + 1>, kPresetKinds + 1> preset_channel_masks{};

int last_default_preset_conversion_flag = -1;

void reset_group_files_globals() {
    preset_channel_masks = {};
    last_default_preset_conversion_flag = -1;
}

namespace {

constexpr const char* kVersionText = "VERSION 6.30";
constexpr int kOldFixtures = 140;  // fixtures 1..140 in the older forms
constexpr size_t kGroupNamesAt = 12 + programmer::kGroups * programmer::kGroupFixtures;  // 22412
constexpr const char* kMaskFileNames[kPresetKinds + 1] = {"", "DEF-PAN", "DEF-COL", "DEF-GOB", "DEF-EFF"};
constexpr uint32_t kFunction5 = 1u << 4;
constexpr uint32_t kFunction6 = 1u << 5;
constexpr uint32_t kFunction9 = 1u << 8;
constexpr size_t kPresetsVersionChars = 12;  // "VERSION 6.31"
constexpr size_t kIndexEntryBytes = 33;
constexpr size_t kThresholdEntryBytes = 101;
constexpr int kPresetEntryBase[kPresetKinds + 1] = {0, 0, 70, 140, 490};

constexpr uint32_t kGroupingError_ms = 1000;
constexpr const char* kGroupingErrorText = "ERROR IN SUBGROUPS...";

bool has_version(std::span<const uint8_t> bytes) {
    return bytes.size() >= kVersionTextChars && std::equal(kVersionText, kVersionText + kVersionTextChars, bytes.begin());
}

// The file whole when it is there at one of the sizes; empty otherwise.
std::vector<uint8_t> read_sized(const std::string& path, std::initializer_list<size_t> sizes) {
    uint32_t size_bytes = 0;
    if (!lookup_file_size(path, size_bytes)) return {};
    if (std::find(sizes.begin(), sizes.end(), size_t{size_bytes}) == sizes.end()) return {};
    std::vector<uint8_t> bytes(size_bytes);
    if (!read_whole_file(path, bytes)) return {};
    return bytes;
}

void put_version(std::vector<uint8_t>& bytes) { std::copy_n(kVersionText, kVersionTextChars, bytes.begin()); }

std::string mask_file_path(int kind) { return data_file_path(kMaskFileNames[kind]); }

// Writes bytes at an offset of an existing file, in place.
bool write_in_place(const std::string& path, size_t at, std::span<const uint8_t> bytes) {
    FILE* file = platform::dos_fopen(path.c_str(), "r+b");
    if (file == nullptr) return false;
    bool ok = stream_size(file) >= static_cast<int64_t>(at + bytes.size()) &&
              std::fseek(file, static_cast<long>(at), SEEK_SET) == 0 &&
              std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = platform::dos_commit(file) && ok;
    return std::fclose(file) == 0 && ok;
}

std::vector<uint8_t> name_bytes(const EntryName& name) {
    std::vector<uint8_t> bytes(kEntryNameBytes);
    for (size_t i = 0; i < kEntryNameBytes; ++i) bytes[i] = static_cast<uint8_t>(name[i]);
    return bytes;
}

// ------------------------------------------------------------------ groupings

void put_i16(std::vector<uint8_t>& bytes, int16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8));
}

void encode_grouping(const programmer::Grouping& g, std::vector<uint8_t>& bytes) {
    for (char c : g.name) bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(g.subgroup_count);
    for (int j = 1; j <= programmer::kSubgroups; ++j) put_i16(bytes, g.member_counts[static_cast<size_t>(j)]);
}

programmer::Grouping decode_grouping(std::span<const uint8_t> bytes) {
    programmer::Grouping g;
    for (size_t i = 0; i < programmer::kGroupNameBytes; ++i) g.name[i] = static_cast<char>(bytes[i]);
    g.name.back() = '\0';
    g.subgroup_count = bytes[programmer::kGroupNameBytes];
    for (size_t j = 1; j <= programmer::kSubgroups; ++j) {
        g.member_counts[j] = static_cast<int16_t>(get_u16(bytes, programmer::kGroupNameBytes + 1 + 2 * (j - 1)));
    }
    return g;
}

// A new groupings table: every grouping empty, with a list of 70 zero members.
void empty_groupings() {
    for (int g = 1; g <= programmer::kGroupings; ++g) {
        programmer::grouping_table[static_cast<size_t>(g)] = {};
        programmer::grouping_members[static_cast<size_t>(g)].assign(programmer::kSubgroups, 0);
    }
}

// Reads the whole file into the tables; false when a stored count
// disagrees with its record, a count is negative or the file ends early.
bool read_groupings(std::span<const uint8_t> bytes) {
    const size_t records = kGroupingRecordBytes * programmer::kGroupings;
    if (bytes.size() < records) return false;
    for (int g = 1; g <= programmer::kGroupings; ++g) {
        const auto at = kGroupingRecordBytes * static_cast<size_t>(g - 1);
        programmer::grouping_table[static_cast<size_t>(g)] = decode_grouping(bytes.subspan(at, kGroupingRecordBytes));
        if (programmer::grouping_table[static_cast<size_t>(g)].subgroup_count > programmer::kSubgroups) return false;
    }
    size_t at = records;
    for (int g = 1; g <= programmer::kGroupings; ++g) {
        const programmer::Grouping& grouping = programmer::grouping_table[static_cast<size_t>(g)];
        std::vector<int16_t>& members = programmer::grouping_members[static_cast<size_t>(g)];
        for (size_t j = 1; j <= programmer::kSubgroups; ++j) {
            if (at + 2 > bytes.size()) return false;
            const auto count = static_cast<int16_t>(get_u16(bytes, at));
            at += 2;
            if (count != grouping.member_counts[j] || count < 0) return false;
            if (at + 2 * static_cast<size_t>(count) > bytes.size()) return false;
            for (int16_t m = 0; m < count; ++m, at += 2) members.push_back(static_cast<int16_t>(get_u16(bytes, at)));
        }
    }
    return true;
}

}  // namespace

// ------------------------------------------------------------------ preset masks

uint32_t default_preset_mask(int kind) {
    switch (kind) {
        case kPanTiltPresets: return ~(kFunction5 | kFunction6);
        case kColourPresets: return ~kFunction9;
        default: return ~0u;
    }
}

void load_default_preset_files(bool cues_converted) {
    last_default_preset_conversion_flag = cues_converted ? 1 : 0;
    for (int kind = 1; kind <= kPresetKinds; ++kind) {
        auto& masks = preset_channel_masks[static_cast<size_t>(kind)];
        masks.fill(default_preset_mask(kind));
        masks[0] = 0;
        const std::vector<uint8_t> bytes = read_sized(mask_file_path(kind), {kPresetMaskFileBytes});
        if (bytes.empty()) continue;
        for (size_t p = 1; p <= kPresetsPerKind; ++p) masks[p] = static_cast<uint32_t>(get_i32(bytes, 4 * (p - 1)));
        // Older cue files did not know functions 6 and 9 in these presets.
        if (!cues_converted || kind > kColourPresets) continue;
        const uint32_t dropped = kind == kPanTiltPresets ? kFunction6 : kFunction9;
        for (size_t p = 1; p <= kPresetsPerKind; ++p) masks[p] &= ~dropped;
        save_default_preset_file(kind);
    }
}

bool save_default_preset_file(int kind) {
    if (kind < 1 || kind > kPresetKinds) return false;
    std::vector<uint8_t> bytes(kPresetMaskFileBytes);
    const auto& masks = preset_channel_masks[static_cast<size_t>(kind)];
    for (size_t p = 1; p <= kPresetsPerKind; ++p) put_i32(bytes, 4 * (p - 1), static_cast<int32_t>(masks[p]));
    return replace_file(mask_file_path(kind), bytes);
}

// ------------------------------------------------------------------ submasters and groups

void load_submaster_file() {
    auto& table = memories::submaster_table;
    table = {};
    const std::vector<uint8_t> bytes = read_sized(data_file_path("submast"), {kOldSubmasterFileBytes, kSubmasterFileBytes});
    if (bytes.empty()) return;
    if (has_version(bytes) && bytes.size() == kSubmasterFileBytes) {
        for (size_t f = 1; f <= memories::kSubmasterFixtures; ++f) {
            table[1][f] = bytes[12 + f - 1];
            table[2][f] = bytes[12 + memories::kSubmasterFixtures + f - 1];
        }
        return;
    }
    for (size_t f = 1; f <= kOldFixtures; ++f) {
        table[1][f] = bytes[f - 1];
        table[2][f] = bytes[kOldFixtures + f - 1];
    }
    save_submaster_file();
}

std::vector<uint8_t> submaster_file_bytes() {
    std::vector<uint8_t> bytes(kSubmasterFileBytes);
    put_version(bytes);
    for (size_t f = 1; f <= memories::kSubmasterFixtures; ++f) {
        bytes[12 + f - 1] = memories::submaster_table[1][f];
        bytes[12 + memories::kSubmasterFixtures + f - 1] = memories::submaster_table[2][f];
    }
    return bytes;
}

bool save_submaster_file() { return replace_file(data_file_path("submast"), submaster_file_bytes()); }

void load_group_file() {
    programmer::group_table = {};
    programmer::group_names = {};
    const std::vector<uint8_t> bytes =
        read_sized(data_file_path("groups"), {kOldGroupFileBytes, kUnnamedGroupFileBytes, kGroupFileBytes});
    if (bytes.empty()) return;
    constexpr size_t kFixtures = programmer::kGroupFixtures;
    if (has_version(bytes) && bytes.size() != kOldGroupFileBytes) {
        for (size_t g = 1; g <= programmer::kGroups; ++g) {
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(12 + (g - 1) * kFixtures), kFixtures,
                        programmer::group_table[g].begin() + 1);
        }
        if (bytes.size() == kGroupFileBytes) {
            for (size_t g = 1; g <= programmer::kGroups; ++g) {
                auto& name = programmer::group_names[g];
                for (size_t i = 0; i < programmer::kGroupNameBytes; ++i) {
                    name[i] = static_cast<char>(bytes[kGroupNamesAt + (g - 1) * programmer::kGroupNameBytes + i]);
                }
                name.back() = '\0';
            }
            return;
        }
    } else {
        // The older form (a 22412-byte file without version text reads the same way).
        for (size_t g = 1; g <= programmer::kGroups; ++g) {
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>((g - 1) * kOldFixtures), kOldFixtures,
                        programmer::group_table[g].begin() + 1);
        }
    }
    save_group_file();
}

std::vector<uint8_t> group_file_bytes() {
    std::vector<uint8_t> bytes(kGroupFileBytes);
    put_version(bytes);
    constexpr size_t kFixtures = programmer::kGroupFixtures;
    for (size_t g = 1; g <= programmer::kGroups; ++g) {
        std::copy_n(programmer::group_table[g].begin() + 1, kFixtures,
                    bytes.begin() + static_cast<std::ptrdiff_t>(12 + (g - 1) * kFixtures));
        const auto& name = programmer::group_names[g];
        for (size_t i = 0; i < programmer::kGroupNameBytes; ++i) {
            bytes[kGroupNamesAt + (g - 1) * programmer::kGroupNameBytes + i] = static_cast<uint8_t>(name[i]);
        }
    }
    return bytes;
}

bool save_group_file() { return replace_file(data_file_path("groups"), group_file_bytes()); }

// ------------------------------------------------------------------ names in place

bool save_preset_name(int kind, int n) {
    if (kind < 1 || kind > kPresetKinds || n < 1 || n > kPresetsPerKind) return false;
    const int entry = kPresetEntryBase[kind] + n;
    const size_t at = kPresetsVersionChars + static_cast<size_t>(entry - 1) * kIndexEntryBytes;
    return write_in_place(data_file_path("presets"), at, name_bytes(memories::preset_index[static_cast<size_t>(entry)].name));
}

bool save_threshold_name(int t) {
    if (t < 1 || t > kThresholds) return false;
    const size_t at = static_cast<size_t>(t - 1) * kThresholdEntryBytes;
    return write_in_place(data_file_path("memthrsh"), at, name_bytes(threshold_index[static_cast<size_t>(t)].name));
}

// ------------------------------------------------------------------ groupings

void load_subgroup_file() {
    for (std::vector<int16_t>& members : programmer::grouping_members) members.clear();
    const std::string path = data_file_path("groupa");
    uint32_t size_bytes = 0;
    const bool vouched = setup::setup_data.u8(setup::kSetupGroupingsSaved) == 1;
    if (vouched && lookup_file_size(path, size_bytes)) {
        std::vector<uint8_t> bytes(size_bytes);
        if (read_whole_file(path, bytes)) {
            if (read_groupings(bytes)) return;
            show_warning_bar(kGroupingErrorText, kGroupingError_ms, BarEnd::stays);
            keep_copy(path);
        }
    }
    for (std::vector<int16_t>& members : programmer::grouping_members) members.clear();
    empty_groupings();
    save_subgroup_file(false);
}

std::vector<uint8_t> grouping_file_bytes() {
    std::vector<uint8_t> bytes;
    bytes.reserve(kEmptyGroupingFileBytes);
    for (int g = 1; g <= programmer::kGroupings; ++g) encode_grouping(programmer::grouping_table[static_cast<size_t>(g)], bytes);
    for (int g = 1; g <= programmer::kGroupings; ++g) {
        const programmer::Grouping& grouping = programmer::grouping_table[static_cast<size_t>(g)];
        const std::vector<int16_t>& members = programmer::grouping_members[static_cast<size_t>(g)];
        size_t next = 0;
        for (size_t j = 1; j <= programmer::kSubgroups; ++j) {
            const int16_t count = std::max<int16_t>(grouping.member_counts[j], 0);
            put_i16(bytes, count);
            // A list shorter than its counts is written out with zero members.
            for (int16_t m = 0; m < count; ++m, ++next) put_i16(bytes, next < members.size() ? members[next] : 0);
        }
    }
    return bytes;
}

bool save_subgroup_file(bool temporary) {
    if (!temporary && !rig_files_writable()) return false;
    const std::vector<uint8_t> bytes = grouping_file_bytes();
    const std::string path = temporary ? data_path("groupa.da") : data_file_path("groupa");
    const bool written = temporary ? write_file(path, bytes) : replace_file(path, bytes);
    if (!written) return false;
    const uint8_t before = setup::setup_data.u8(setup::kSetupGroupingsSaved);
    setup::setup_data.set_u8(setup::kSetupGroupingsSaved, 1);
    if (!save_setup_file()) setup::setup_data.set_u8(setup::kSetupGroupingsSaved, before);
    return true;
}

}  // namespace datafiles
