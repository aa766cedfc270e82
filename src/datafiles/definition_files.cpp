#include "datafiles/definition_files.h"

namespace datafiles {

void load_midi_spec_file() {}
void load_soundin_config() {}
void load_subgroup_file() {}
void load_macro_file() {}

}  // namespace datafiles
