// Show data files: the start-up check and the loaders that the show
// initialisation runs. (Least bodies until the show data files are built.)
#pragma once
#include <array>
#include <cstdint>

namespace datafiles {

void check_data_files();
void load_all_data();
void load_default_values_step();
void load_transp_file();
void load_soft_file();
void load_midi_show_file();
void build_library_index();
void optimize_data_at_start();
// Once the main screen is drawn: what the loading said of damaged files, on
// the message line (load_report.h).
void show_load_reports();

// Show-wide follow settings (entry 11201 of the transparency table): low
// byte playbacks, high byte sequences; 1 = OFF.
extern uint16_t transp_show_default;

// Transparency per cue slot 1..11200 (index 0 unused): low byte playbacks,
// high byte sequences, each 0 OFF, 1 ON, 2 DEFAULT. Entry 11201 of the file
// is transp_show_default.
constexpr int kTranspSlots = 11200;
constexpr int16_t kTranspShowDefaultEntry = 11201;
constexpr uint16_t kTranspSlotDefault = 0x0202;
extern std::array<uint16_t, kTranspSlots + 1> transp_table;
// Rewrites entry 1..11201 of transp.dat.
void save_transp_entry(int16_t entry);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_data_files_globals();

}  // namespace datafiles
