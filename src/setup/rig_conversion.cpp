#include "setup/rig_conversion.h"

#include <algorithm>
#include <cctype>
#include <array>
#include <memory>
#include <string>

#include "datafiles/cue_files.h"
#include "datafiles/file_moves.h"
#include "datafiles/show_files.h"
#include "platform/dos_files.h"
#include "runtime/card_discovery.h"
#include "runtime/step_log.h"
#include "setup/copy_source_question.h"
#include "setup/setup_screen.h"
#include "setup/show_converters.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"

namespace setup {

namespace {

constexpr int32_t kOutOfMemoryHz = 400;
constexpr uint32_t kOutOfMemory_ms = 2000;

// The rig's own files an unchanged rig adds to the backup, and the show's
// files a changed rig keeps there.
constexpr std::array<const char*, 3> kSetupBackupPatterns = {"setup.dat", "ch-*.dat", "*.def"};
constexpr std::array<const char*, 2> kDataBackupPatterns = {"*.dat", "*.def"};
// Left-overs that belong to the old rig's numbering, removed once the converted show is committed.
constexpr std::array<const char*, 3> kStalePatterns = {"*.da", "*.bak", "*.old"};

std::vector<datafiles::FileImage> pending_files;
bool conversion_pending = false;

void status(const char* text) { show_setup_status(text); }

int capacity() { return std::clamp<int>(runtime::function_record_capacity, 0, runtime::kFunctionRecordCapacity); }

bool same_name(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y)); });
}

// Copies the files of the patterns into data\backup, each copy checked and
// renamed over the one it replaces. False when any failed.
template <size_t N>
bool copy_into_backup(const std::array<const char*, N>& patterns) {
    const std::string backup = datafiles::backup_directory();
    if (!datafiles::is_directory(backup)) platform::dos_mkdir(backup.c_str());
    if (!datafiles::is_directory(backup)) return false;
    for (const char* pattern : patterns) {
        if (!datafiles::copy_matching_files(datafiles::data_path(pattern), backup)) return false;
    }
    return true;
}

// The backup of a changed rig: the show's files, and only they, once all
// are copied (the older backup stays until then).
bool back_up_data_files() {
    if (!copy_into_backup(kDataBackupPatterns)) return false;
    std::vector<std::string> current;
    for (const char* pattern : kDataBackupPatterns) {
        for (const std::string& name : datafiles::matching_files(datafiles::data_path(pattern))) current.push_back(name);
    }
    const std::string backup = datafiles::backup_directory();
    for (const std::string& name : datafiles::matching_files(backup + "\\*.*")) {
        const bool kept = std::any_of(current.begin(), current.end(), [&](const std::string& c) { return same_name(c, name); });
        if (!kept && !datafiles::delete_matching_files(backup + "\\" + name)) return false;
    }
    return true;
}

void report_out_of_memory() {
    ui::show_message("NOT ENOUGH MEMORY");
    ui::beep_interruptible(kOutOfMemoryHz, kOutOfMemory_ms);
}

// The converters in their order; false when memory ran out.
bool run_converters(const SetupData& numbered, const FixtureMap& map, const ConversionPairs& pairs) {
    status("CONVERTING MEMORIES...");
    if (!convert_memories(pairs, status) || !convert_cue_memories(pairs, status) ||
        !rebuild_channel_defaults(numbered, map, pairs)) {
        return false;
    }
    status("CONVERTING PRESETS...");
    if (!convert_presets(pairs)) return false;
    status("CONVERTING GENERATOR-PRESETS...");
    if (!convert_generator_presets(pairs)) return false;
    status("CONVERTING FIGURE-PRESETS...");
    if (!convert_figure_presets(pairs)) return false;
    status("CONVERTING THRESHOLDS...");
    if (!convert_thresholds(pairs)) return false;
    status("CONVERTING FIXTURE-GROUPS...");
    convert_fixture_groups(pairs);
    status("CONVERTING SUBMASTERS...");
    convert_submasters(pairs);
    status("CONVERTING GROUPINGS...");
    convert_groupings(pairs);
    return true;
}

bool fail_conversion() {
    put_back_show_tables();
    pending_files.clear();
    conversion_pending = false;
    return false;
}

}  // namespace

void reset_rig_conversion_globals() {
    put_back_show_tables();
    pending_files.clear();
    conversion_pending = false;
}

void renumber_fixtures_by_page(SetupData& edited) {
    runtime::log_call("setup::renumber_fixtures_by_page");
    sort_fixtures_by_page(edited);
}

void ask_copy_source_fixture(LibraryList& list, const SetupData& edited, FixtureMap& map) {
    match_fixtures(edited, setup_data, map);
    const PageCounts pages = count_page_fixtures(edited);
    const int count = rig_fixture_count(edited);
    for (int f = 1; f <= count; ++f) {
        if (map[static_cast<size_t>(f)] != 0) continue;
        const int16_t g = ask_copy_source(list, edited, map, pages, f);
        if (g > 0) map[static_cast<size_t>(f)] = map[static_cast<size_t>(g)];
    }
    end_copy_source_questions(edited);
}

bool convert_show_data(const SetupData& edited, LibraryList& list) {
    runtime::log_call("setup::convert_show_data");
    finish_show_conversion(false);
    const auto map = std::make_unique<FixtureMap>();
    ask_copy_source_fixture(list, edited, *map);
    const auto numbered = std::make_unique<SetupData>(edited);
    number_function_records(*numbered);
    if (check_patch_changed(edited, setup_data, *map) == 0) {
        status("BACKING UP SETUP...");
        if (!copy_into_backup(kSetupBackupPatterns)) return false;
        if (rig_fixture_count(setup_data) != 0) return true;
        // A first rig: every fixture takes its type's default values.
        keep_show_tables();
        conversion_pending = true;
        if (!rebuild_channel_defaults(*numbered, *map, {})) {
            report_out_of_memory();
            return fail_conversion();
        }
        pending_files.push_back(default_values_image());
        return true;
    }
    status("BACKING UP DATA...");
    if (!back_up_data_files()) return false;
    keep_show_tables();
    conversion_pending = true;
    const ConversionPairs pairs = conversion_pairs(*numbered, setup_data, *map, capacity());
    if (!run_converters(*numbered, *map, pairs)) {
        report_out_of_memory();
        return fail_conversion();
    }
    status("SAVING CONVERTED DATA...");
    if (!converted_file_images(pending_files)) return fail_conversion();
    pending_files.push_back(default_values_image());
    recompute_used_flags();
    return true;
}

const std::vector<datafiles::FileImage>& converted_show_files() { return pending_files; }

void finish_show_conversion(bool saved) {
    if (!conversion_pending) return;
    if (!saved) {
        fail_conversion();
        return;
    }
    const bool converted = pending_files.size() > 1;
    release_kept_show_tables();
    pending_files.clear();
    conversion_pending = false;
    if (!converted) return;
    for (const char* pattern : kStalePatterns) datafiles::delete_matching_files(datafiles::data_path(pattern));
    ui::free_cue_buffers();
    datafiles::check_pointcue_consistency(1);
}

}  // namespace setup
