#include "sync/midi_events.h"

namespace synchro {

MidiEvent midi_event;
std::array<uint8_t, kMidiStatusBytes> midi_status_class{};
MidiCueTable midi_cue_lookup{};

void reset_midi_events_globals() {
    midi_event = {};
    midi_status_class = {};
    midi_cue_lookup = {};
}

void open_list_by_midi_number(uint16_t) {}
void record_fader_event(int16_t, uint8_t) {}

}  // namespace synchro
