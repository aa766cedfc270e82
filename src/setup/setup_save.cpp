#include "setup/setup_save.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "datafiles/library_files.h"
#include "datafiles/patch_files.h"
#include "datafiles/setup_file.h"
#include "datafiles/small_tables.h"
#include "datafiles/whole_files.h"
#include "memories/master_state.h"
#include "memories/masters.h"
#include "playback/cue_editing.h"
#include "playback/output_merge.h"
#include "playback/playback_faders.h"
#include "playback/playback_flash.h"
#include "playback/playback_loading.h"
#include "playback/playback_state.h"
#include "playback/sequence_programming.h"
#include "programmer/slave_consoles.h"
#include "runtime/card_discovery.h"
#include "runtime/channel_levels.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/startup.h"
#include "runtime/timers.h"
#include "setup/library_browser.h"
#include "setup/dmx_inputs.h"
#include "setup/fixture_map.h"
#include "setup/patch_compiler.h"
#include "setup/patch_tables.h"
#include "setup/rig_conversion.h"
#include "setup/soft_patch.h"

namespace setup {

namespace {

constexpr uint16_t kSendAgain = 65535;

// What the save changes in memory, kept so that a failed write can put it back.
struct LiveState {
    SetupData setup;
    int16_t fixtures = 0;
    int16_t types = 0;
    std::array<SoftPatchEntry, kSoftPatchSlots + 1> soft_table;
    std::array<PatchTable, kPatchTables> patch;
    OutputBytes dimmer_patch;
    OutputBytes curve_flags;
    OutputBytes output_scale;
    std::array<Curve, kCustomCurves + 1> custom_curves;
};

void keep(LiveState& state) {
    state.setup = setup_data;
    state.fixtures = fixture_count;
    state.types = fixture_type_count;
    state.soft_table = soft_patch_table;
    state.patch = channel_patch_tables;
    state.dimmer_patch = dimmer_patch_table;
    state.curve_flags = channel_curve_flags;
    state.output_scale = channel_output_scale;
    state.custom_curves = custom_curve_tables;
}

void put_back(const LiveState& state) {
    setup_data = state.setup;
    fixture_count = state.fixtures;
    fixture_type_count = state.types;
    soft_patch_table = state.soft_table;
    channel_patch_tables = state.patch;
    dimmer_patch_table = state.dimmer_patch;
    channel_curve_flags = state.curve_flags;
    channel_output_scale = state.output_scale;
    custom_curve_tables = state.custom_curves;
    take_dmx_inputs(setup_data);
}

// The checked counts every table of the rig is bounded by, from the live setup.
void take_setup_counts() {
    fixture_count = static_cast<int16_t>(std::clamp<int>(setup_data.stored_fixture_count(), 0, kMaxFixtures));
    fixture_type_count = static_cast<int16_t>(std::min<int>(setup_data.stored_type_count(), kMaxFixtureTypes));
    take_dmx_inputs(setup_data);
}

// The show files a conversion made, then the rig's five files, in the order
// they are renamed into place: setup.dat last, so that a setup.dat on disk
// never names a patch or show data that are not there.
bool write_setup_files() {
    std::vector<datafiles::FileImage> files = converted_show_files();
    files.insert(files.end(), {
        {datafiles::soft_file_path(), datafiles::soft_file_bytes()},
        {datafiles::channel_patch_path(), datafiles::channel_patch_file_bytes()},
        {datafiles::dimmer_patch_path(), datafiles::dimmer_patch_file_bytes()},
        {datafiles::channel_curve_path(), datafiles::channel_curve_file_bytes()},
        {datafiles::setup_file_path(), datafiles::setup_file_bytes()},
    });
    return datafiles::replace_files_together(files);
}

int capacity() { return std::clamp<int>(runtime::function_record_capacity, 0, runtime::kOutputPositions); }

}  // namespace

int store_soft_patch_table() {
    const int dropped = fill_soft_patch_table(std::clamp<int>(setup_data.stored_fixture_count(), 0, kMaxFixtures));
    setup_data.set_u8(kSetupSoftPatchSaved, 1);
    return dropped;
}

void reset_channel_curves() { set_default_channel_curves(); }

SaveResult save_edited_setup(SetupData& edited, const AddressState& state, StatusWriter status) {
    SaveResult result;
    const auto before = std::make_unique<LiveState>();
    keep(*before);
    copy_setup_data(setup_data, edited);
    number_function_records(setup_data);
    take_setup_counts();
    setup_data.set_u8(kSetupDefaultValuesSaved, 1);
    setup_data.set_u8(kSetupGroupingsSaved, 1);
    status("SAVING PATCHING-TABLE...");
    result.dropped_soft_entries = store_soft_patch_table();
    compile_channel_patch(state);
    status("SAVING PRESET-TABLE...");
    reset_channel_curves();
    if (!write_setup_files()) {
        put_back(*before);
        return result;
    }
    datafiles::note_setup_file_written();
    result.saved = true;
    return result;
}

void reload_fixture_types() {
    runtime::free_fixture_tables();
    take_setup_counts();
    datafiles::reload_type_libraries();
    datafiles::load_symbol_drawings();
    datafiles::load_filter_catalogues();
    runtime::allocate_show_tables();
    runtime::init_fixture_tables();
}

void reinit_runtime_after_setup() {
    free_upload_text_rows();
    runtime::run_flags &= ~runtime::RUN_EFFECTS_RUNNING;
    if (runtime::last_sent_values != nullptr) std::fill_n(runtime::last_sent_values + 1, capacity(), kSendAgain);
    runtime::upload_channel_tables();
    programmer::reset_slave_triggers();
    runtime::init_timers();
    for (int16_t p = 1; p <= playback::kPlaybacks; ++p) {
        playback::playback_active[static_cast<size_t>(p)] = 0;
        const int16_t origin = playback::playback_cue_origin[static_cast<size_t>(p)];
        if (origin != 0) playback::load_playback_from_cue(origin, p);
    }
    for (int16_t s = 1; s <= playback::kSequences; ++s) {
        const int origin = playback::sequence_cue_origin(s);
        if (origin != 0) playback::load_sequence_from_cue(static_cast<int16_t>(origin), s, 1);
    }
    memories::master_levels.fill(0);
    memories::update_masters(1);
    for (playback::PlaybackFaderRecord& fader : playback::playback_fader_states) fader.effective_level = 0;
    playback::scan_playback_faders(1);
    runtime::run_flags |= runtime::RUN_EFFECTS_RUNNING;
    playback::mark_all_channels_dirty();
}

}  // namespace setup
