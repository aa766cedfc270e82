// The SMPTE/MIDI card's MIDI IN and OUT on the host: one input and one output
// port named after the program, on the ALSA sequencer, or on a running JACK
// server when no ALSA sequencer can be opened.
//
// ALSA: clients "<program>-in" and "<program>-out", each with the port
// "midi" (connect a keyboard with aconnect, watch the output with aseqdump).
// JACK: the ports "<program>-in:midi" and "<program>-out:midi" (jack_connect).
// Read without blocking from the host's pump: what arrives is fed to the
// card's MIDI IN as bytes, what the console sent on MIDI OUT leaves as
// messages. With neither, or BRAVINOX_MIDI=off, there are no ports; that is
// said once and the console runs on.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "platform/sync_card.h"

namespace host {

// Opens the ports (nothing when they cannot be had) and says which it opened.
void open_midi_ports(const char* program_name);
// Moves what waits between the ports and the card.
void pump_midi_ports(platform::SyncCard& card);
void close_midi_ports();

// The bytes the console sent, cut into MIDI messages (each starts at a
// status byte; data bytes before any status are dropped).
std::vector<std::vector<uint8_t>> split_midi_messages(std::span<const uint8_t> bytes);

}  // namespace host
