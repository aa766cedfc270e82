// The text definition files of the show: effect macros (macro.def), the MIDI
// definitions (midispec.cfg), the sound-input parameters (soundin.cfg) and
// the groupings. (Least bodies until they are built: nothing is defined.)
#pragma once

namespace datafiles {

void load_midi_spec_file();
void load_soundin_config();
void load_subgroup_file();
void load_macro_file();

}  // namespace datafiles
