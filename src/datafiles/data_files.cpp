#include "datafiles/data_files.h"

#include "datafiles/cue_files.h"
#include "datafiles/default_values.h"
#include "datafiles/definition_files.h"
#include "datafiles/group_files.h"
#include "datafiles/library_files.h"
#include "datafiles/load_report.h"
#include "datafiles/old_cue_pages.h"
#include "datafiles/old_formats.h"
#include "datafiles/patch_files.h"
#include "datafiles/setup_file.h"
#include "datafiles/threshold_file.h"
#include "platform/graphics.h"
#include "runtime/config_records.h"
#include "runtime/step_log.h"
#include "sync/sync_services.h"
#include "ui/helpers.h"

namespace datafiles {

uint16_t transp_show_default = 0x0101;

void reset_data_files_globals() {
    transp_show_default = 0x0101;
}

namespace {

constexpr int16_t kDefaultValuesLineX = 200;
constexpr int16_t kDefaultValuesLineY = 235;
constexpr int16_t kProgressLineColour = 12;
constexpr int16_t kPercentColour = 14;

// The progress list of the show start, in the 8 x 8 font.
constexpr int16_t kTitleX = 175;
constexpr int16_t kTitleY = 125;
constexpr int16_t kStepX = 200;
constexpr int16_t kThresholdY = 155;
constexpr int16_t kCueY = 165;
constexpr int16_t kMidiY = 175;
constexpr int16_t kSetupY = 185;
constexpr int16_t kGroupsY = 195;
constexpr int16_t kSubmastersY = 205;
constexpr int16_t kListY = 215;
constexpr int16_t kMacrosY = 225;
constexpr int16_t kPlaybackHeadX = 380;
constexpr int16_t kSequenceHeadX = 500;
// The "%" after each cue loader's percentage: point cues, playbacks, sequences.
constexpr int16_t kPercentX[] = {365, 485, 615};

// The strip at the foot of the screen that the cue conversion clears.
constexpr int kStripTop = 460;
constexpr int kStripBottom = 480;
constexpr int kScreenWidth = 640;
constexpr int kSolidFill = 1;
constexpr int kBlack = 0;

void progress_line(int16_t y, const char* text) { ui::draw_bitmap_text(kStepX, y, kProgressLineColour, text); }

// After a cue conversion: the MIDI codes added, the cue files rewritten
// from the converted data (the older pages retired only once all three are
// written) and the cue tables emptied, so that the loaders read the files
// afresh.
void finish_cue_conversion() {
    progress_line(kMidiY, "  - Loading Midi");
    STEP(convert_old_midi());
    STEP(check_pointcue_consistency(0));
    STEP(write_converted_cues());
    platform::_setfillstyle(kSolidFill, kBlack);
    platform::_bar(0, kStripTop, kScreenWidth, kStripBottom);
    STEP(release_cue_records());
}

}  // namespace

// check_data_files: data_check.cpp
// Every data file in the one order the loaders need: the older memory and
// preset forms are converted before anything reads them, the default preset
// masks learn whether older cues were converted, and the drawings and colour
// libraries follow the setup whose fixture types choose them. Each loader
// deals with its own missing or damaged file.
void load_all_data() {
    clear_load_reports();
    note_old_files_before_loading();
    ui::set_text_style(platform::kDefaultFont, platform::kHorizontalText, 1);
    ui::draw_bitmap_text(kTitleX, kTitleY, kProgressLineColour, "Loading Data");
    STEP(convert_old_memories());
    STEP(convert_old_presets());

    progress_line(kThresholdY, "  - Loading Threshold");
    STEP(load_threshold_file());

    progress_line(kCueY, "  - Loading Cue");
    const bool cues_converted = STEP(convert_old_cues());
    runtime::log_step(cues_converted ? "load_default_preset_files(true)"
                                     : "load_default_preset_files(false)");
    load_default_preset_files(cues_converted);
    STEP(load_midi_spec_file());
    STEP(load_soundin_config());
    if (cues_converted) finish_cue_conversion();

    ui::draw_bitmap_text(kPlaybackHeadX, kCueY, kProgressLineColour, "Playback");
    ui::draw_bitmap_text(kSequenceHeadX, kCueY, kProgressLineColour, "Sequences");
    for (int16_t x : kPercentX) ui::draw_bitmap_text(x, kCueY, kPercentColour, "%");
    STEP(load_pointcue_file());
    STEP(load_cue_playback_file());
    STEP(load_cue_sequence_file());

    progress_line(kMidiY, "  - Loading Midi");
    STEP(check_pointcue_consistency(0));

    progress_line(kSetupY, "  - Loading Setup");
    STEP(load_setup_file());
    STEP(load_figure_drawings());
    STEP(load_symbol_drawings());
    STEP(load_filter_catalogues());
    STEP(load_patch_curves());
    STEP(load_channel_curves());
    STEP(load_subgroup_file());

    progress_line(kGroupsY, "  - Loading Robot Groups");
    STEP(load_group_file());
    progress_line(kSubmastersY, "  - Loading Submasters");
    STEP(load_submaster_file());
    progress_line(kListY, "  - Loading List");
    STEP(synchro::load_timecode_list(runtime::current_list_name));
    progress_line(kMacrosY, "  - Loading Effect-Macros");
    STEP(load_macro_file());
}
void load_default_values_step() {
    ui::draw_bitmap_text(kDefaultValuesLineX, kDefaultValuesLineY, kProgressLineColour,
                         "  - Loading Default Fixture-values");
    load_default_values();
}

}  // namespace datafiles
