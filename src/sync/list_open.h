// Lists opened by MIDI number: the per-show MIDI list table names the list,
// and the timecode screen loads and plays it (entered for it, or told to
// at its next turn when it is open).
#pragma once
#include <cstdint>
#include <string>

namespace synchro {

extern std::string pending_list_name;  // the list the screen is to load
extern uint8_t list_open_request;      // 1: the open screen's loops end and load it

// Every global of this module back to its value at program load (a clean start for each test).
void reset_list_open_globals();

// open_list_by_midi_number: midi_events.h.

}  // namespace synchro
