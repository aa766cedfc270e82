// The MIDI editors that EDIT ITEM opens. (Least bodies until MIDI editing is
// built.)
#pragma once

namespace synchro {

// "PROGRAM MIDI FOR THIS SHOW", from the timecode screen.
void edit_show_midi_lists();
// The MIDI codes of cues, playbacks and sequences.
void edit_midi_codes();

}  // namespace synchro
