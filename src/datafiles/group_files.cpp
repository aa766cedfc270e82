#include "datafiles/group_files.h"

namespace datafiles {

int last_default_preset_conversion_flag = -1;

void reset_group_files_globals() {
    last_default_preset_conversion_flag = -1;
}

void load_default_preset_files(bool cues_converted) { last_default_preset_conversion_flag = cues_converted ? 1 : 0; }
void load_group_file() {}
void load_submaster_file() {}

}  // namespace datafiles
