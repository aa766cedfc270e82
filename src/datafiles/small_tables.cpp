#include "datafiles/small_tables.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "datafiles/data_files.h"
#include "datafiles/default_values.h"
#include "datafiles/load_report.h"
#include "datafiles/record_files.h"
#include "datafiles/setup_file.h"
#include "datafiles/whole_files.h"
#include "memories/memory_index.h"
#include "platform/dos_files.h"
#include "setup/soft_patch.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"

namespace datafiles {

std::array<std::array<uint8_t, 2>, kTranspEntries + 1> transp_table{};
std::array<std::array<uint8_t, kMidiShowEntryBytes>, kMidiShowEntries + 1> midi_show_table{};

namespace {
std::vector<std::string> old_files_before_loading;
}  // namespace

void reset_small_tables_globals() {
    transp_table = {};
    midi_show_table = {};
    old_files_before_loading.clear();
}

namespace {

constexpr int16_t kOptimizeLineX = 200;
constexpr int16_t kOptimizeLineY = 245;
constexpr int16_t kOptimizeLineColour = 12;

// A table file worth reading: found, vouched for by its flag and of its exact size.
bool file_qualifies(const std::string& path, size_t flag_field, bool flag_must_be_one, size_t file_bytes) {
    const uint8_t flag = setup::setup_data.u8(flag_field);
    if (flag_must_be_one ? flag != 1 : flag == 0) return false;
    uint32_t size_bytes = 0;
    return lookup_file_size(path, size_bytes) && size_bytes == file_bytes;
}

// The file is written whole first; then its flag is set and setup.dat
// written, and the flag goes back when setup.dat could not be written.
bool save_table(const std::string& path, std::span<const uint8_t> bytes, size_t flag_field) {
    if (!replace_file(path, bytes)) return false;
    const uint8_t before = setup::setup_data.u8(flag_field);
    setup::setup_data.set_u8(flag_field, 1);
    if (!save_setup_file()) setup::setup_data.set_u8(flag_field, before);
    return true;
}

std::string transp_path() { return data_file_path("transp"); }
std::string midi_show_path() { return data_file_path("mshow"); }
std::string soft_path() { return data_file_path("soft"); }

void default_transp_table() {
    for (auto& entry : transp_table) entry = {kTranspDefault, kTranspDefault};
    transp_table[0] = {0, 0};
    transp_table[kTranspShowDefault] = {kTranspOn, kTranspOn};
}

// The show-wide follow settings: low byte playbacks, high byte sequences.
void set_show_default() {
    const auto& entry = transp_table[kTranspShowDefault];
    transp_show_default = static_cast<uint16_t>(entry[0] | entry[1] << 8);
}

std::vector<uint8_t> transp_bytes() {
    std::vector<uint8_t> bytes(kTranspFileBytes);
    for (size_t i = 1; i <= kTranspEntries; ++i) {
        bytes[(i - 1) * 2] = transp_table[i][0];
        bytes[(i - 1) * 2 + 1] = transp_table[i][1];
    }
    return bytes;
}

// Every entry empty (a zeroed entry has bytes 0, 15, 16 and 17 zero).
void default_midi_show_table() { midi_show_table = {}; }

void default_soft_patch() { setup::clear_soft_patch_table(); }

// The names a search of the data folder finds.
std::vector<std::string> data_folder_matches(const char* pattern) {
    std::vector<std::string> names;
    platform::DosFindData find;
    const std::string path = data_path(pattern);
    for (bool more = platform::dos_findfirst(path.c_str(), &find, 0); more; more = platform::dos_findnext(&find)) {
        names.emplace_back(find.name.data());
    }
    return names;
}

// The older per-page and preset files that a conversion still has to read.
bool older_files_waiting() {
    constexpr const char* kOlderForms[] = {"mem-*.dat", "gen-*.dat", "fig-*.dat", "pre-*.dat", "cue-*.dat", "mid-*.dat"};
    return std::any_of(std::begin(kOlderForms), std::end(kOlderForms),
                       [](const char* pattern) { return !data_folder_matches(pattern).empty(); });
}

void put_i16(std::span<uint8_t> bytes, size_t at, int16_t value) { put_u16(bytes, at, static_cast<uint16_t>(value)); }
int16_t get_i16(std::span<const uint8_t> bytes, size_t at) { return static_cast<int16_t>(get_u16(bytes, at)); }

}  // namespace

// ------------------------------------------------------------------ transparency

void load_transp_file() {
    default_transp_table();
    if (file_qualifies(transp_path(), setup::kSetupTransparencySaved, false, kTranspFileBytes)) {
        std::vector<uint8_t> bytes(kTranspFileBytes);
        if (read_whole_file(transp_path(), bytes)) {
            for (size_t i = 1; i <= kTranspEntries; ++i) transp_table[i] = {bytes[(i - 1) * 2], bytes[(i - 1) * 2 + 1]};
        }
    } else if (rig_files_writable()) {
        save_default_values();
        save_transp_file();
    }
    set_show_default();
}

bool save_transp_file() {
    return save_table(transp_path(), transp_bytes(), setup::kSetupTransparencySaved);
}

bool save_transp_entry(int i) {
    if (i < 1 || i > kTranspEntries) return false;
    FILE* file = platform::dos_fopen(transp_path().c_str(), "r+b");
    if (file == nullptr || stream_size(file) != static_cast<int64_t>(kTranspFileBytes)) {
        if (file != nullptr) std::fclose(file);
        return save_transp_file();
    }
    const auto& entry = transp_table[static_cast<size_t>(i)];
    bool ok = std::fseek(file, static_cast<long>((i - 1) * 2), SEEK_SET) == 0 &&
              std::fwrite(entry.data(), 1, entry.size(), file) == entry.size();
    ok = platform::dos_commit(file) && ok;
    return std::fclose(file) == 0 && ok;
}

// ------------------------------------------------------------------ MIDI lists

void load_midi_show_file() {
    default_midi_show_table();
    if (!file_qualifies(midi_show_path(), setup::kSetupMidiShowSaved, false, kMidiShowFileBytes)) {
        if (rig_files_writable()) save_midi_show_file();
        return;
    }
    std::vector<uint8_t> bytes(kMidiShowFileBytes);
    if (!read_whole_file(midi_show_path(), bytes)) return;
    for (size_t k = 0; k < kMidiShowEntries; ++k) {
        for (size_t b = 0; b < kMidiShowEntryBytes; ++b) midi_show_table[k + 1][b] = bytes[k * kMidiShowEntryBytes + b];
    }
}

bool save_midi_show_file() {
    std::vector<uint8_t> bytes(kMidiShowFileBytes);
    for (size_t k = 0; k < kMidiShowEntries; ++k) {
        for (size_t b = 0; b < kMidiShowEntryBytes; ++b) bytes[k * kMidiShowEntryBytes + b] = midi_show_table[k + 1][b];
    }
    return save_table(midi_show_path(), bytes, setup::kSetupMidiShowSaved);
}

// ------------------------------------------------------------------ soft patch

void load_soft_file() {
    default_soft_patch();
    if (!file_qualifies(soft_path(), setup::kSetupSoftPatchSaved, true, kSoftFileBytes)) {
        save_soft_file();
        return;
    }
    std::vector<uint8_t> bytes(kSoftFileBytes);
    if (!read_whole_file(soft_path(), bytes)) return;
    Refusals refusals;
    for (size_t s = 1; s <= kSoftPatchEntries; ++s) {
        const size_t at = (s - 1) * kSoftPatchEntryBytes;
        setup::SoftPatchEntry e;
        e.fixture = get_i16(bytes, at);
        e.function = get_i16(bytes, at + 2);
        e.card = bytes[at + 4];
        e.address = get_i16(bytes, at + 5);
        if (e.fixture == setup::kSoftPatchFree) continue;
        // An entry for a fixture the rig does not have, or out of range, is dropped.
        if (!setup::is_valid_soft_patch_entry(e, setup::fixture_count)) {
            refusals.refuse(false);
            continue;
        }
        setup::soft_patch_table[s] = e;
    }
    if (refusals.count != 0) report_damaged_file(soft_path(), refusals.count, "");
}

std::vector<uint8_t> soft_file_bytes() {
    std::vector<uint8_t> bytes(kSoftFileBytes);
    for (size_t s = 1; s <= kSoftPatchEntries; ++s) {
        const setup::SoftPatchEntry& e = setup::soft_patch_table[s];
        const size_t at = (s - 1) * kSoftPatchEntryBytes;
        put_i16(bytes, at, e.fixture);
        put_i16(bytes, at + 2, e.function);
        bytes[at + 4] = e.card;
        put_i16(bytes, at + 5, e.address);
    }
    return bytes;
}

std::string soft_file_path() { return soft_path(); }

bool save_soft_file() { return rig_files_writable() && save_table(soft_path(), soft_file_bytes(), setup::kSetupSoftPatchSaved); }

// ------------------------------------------------------------------ optimisation

void optimize_data_at_start() {
    ui::draw_bitmap_text(kOptimizeLineX, kOptimizeLineY, kOptimizeLineColour,
                         "  - Optimizing data-structures and checking memory");
    for (int16_t m = 1; m <= memories::kMemories; ++m) {
        const MemoryIndexEntry& entry = memories::memory_index[static_cast<size_t>(m)];
        if (entry.offset != kNotOnFile && entry.count != 0) ui::check_memory_record(m);
    }
    // The .old files hold what older conversions read: while anything of
    // this start was damaged or dropped, or a conversion is still to come,
    // they stay, so that nothing is lost unconverted.
    if (!load_reports().empty() || older_files_waiting()) return;
    for (const std::string& name : old_files_before_loading) platform::dos_remove(data_path(name.c_str()).c_str());
}

void note_old_files_before_loading() { old_files_before_loading = data_folder_matches("*.old"); }

}  // namespace datafiles
