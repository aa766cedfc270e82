#include "sync/midi_events.h"

#include "runtime/step_log.h"

namespace synchro {

MidiEvent midi_event;
std::array<std::string, kMidiStatusBytes> midi_status_names;
std::array<uint8_t, kMidiStatusBytes> midi_status_words{};
std::array<uint8_t, kMidiStatusBytes> midi_status_class{};
MidiCueTable midi_cue_lookup{};

void reset_midi_events_globals() {
    midi_event = {};
    for (std::string& name : midi_status_names) std::string().swap(name);
    midi_status_words = {};
    midi_status_class = {};
    midi_cue_lookup = {};
}

}  // namespace synchro
