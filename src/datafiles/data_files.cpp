#include "datafiles/data_files.h"

namespace datafiles {

uint16_t transp_show_default = 0x0101;

void check_data_files() {}
void load_all_data() {}
void load_default_values_step() {}
void load_transp_file() { transp_show_default = 0x0101; }
void load_soft_file() {}
void load_midi_show_file() {}
void build_library_index() {}
void optimize_data_at_start() {}

}  // namespace datafiles
