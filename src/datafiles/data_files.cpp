#include "datafiles/data_files.h"

#include "datafiles/default_values.h"
#include "datafiles/library_files.h"
#include "datafiles/load_report.h"
#include "datafiles/patch_files.h"
#include "datafiles/setup_file.h"
#include "datafiles/threshold_file.h"
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

}  // namespace

// check_data_files: data_check.cpp
// The loaders built so far, in the order of the show start; the others follow.
void load_all_data() {
    clear_load_reports();
    load_threshold_file();
    load_setup_file();
    load_figure_drawings();
    load_symbol_drawings();
    load_filter_catalogues();
    load_patch_curves();
    load_channel_curves();
}
void load_default_values_step() {
    ui::draw_bitmap_text(kDefaultValuesLineX, kDefaultValuesLineY, kProgressLineColour,
                         "  - Loading Default Fixture-values");
    load_default_values();
}
void load_transp_file() { transp_show_default = 0x0101; }
void load_soft_file() {}
void load_midi_show_file() {}
void build_library_index() {}
void optimize_data_at_start() {}

}  // namespace datafiles
