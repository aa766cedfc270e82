// Show data files: the start-up check and the loaders that the show
// initialisation runs.
#pragma once
#include <array>
#include <cstdint>

#include "datafiles/library_files.h"
#include "datafiles/small_tables.h"

namespace datafiles {

void check_data_files();
void load_all_data();
void load_default_values_step();
// Once the main screen is drawn: what the loading said of damaged files, on
// the message line (load_report.h).
void show_load_reports();

// Show-wide follow settings (entry 11201 of the transparency table): low
// byte playbacks, high byte sequences; 1 = OFF.
extern uint16_t transp_show_default;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_data_files_globals();

}  // namespace datafiles
