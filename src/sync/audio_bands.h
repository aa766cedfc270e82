// The five audio-band inputs of the SMPTE/MIDI card (60 Hz, 400 Hz, 1.5 kHz,
// 5 kHz, 12 kHz): each band's raw level is followed with a slowly adapting
// floor and ceiling, and a rise above the beat threshold of that range
// counts a beat in audio_band_beats (sync_services.h).
#pragma once
#include <array>
#include <cstdint>

#include "sync/sync_services.h"

namespace synchro {

struct AudioBandState {
    uint8_t previous = 0;
    uint8_t rising = 0;  // 1 rising, 0 falling
    uint8_t floor = 0;
    uint8_t ceiling = 1;
    uint8_t rise_count = 0;
    uint8_t fall_count = 0;
    uint8_t armed = 0;   // a beat was counted; cleared when the level falls back
};
extern std::array<AudioBandState, kAudioBands + 1> audio_band_states;  // [1..5]

// Card command 15h and every band back to its start state.
void start_audio_inputs();
// One reading of the five bands (the background poll's first periodic job).
void poll_audio_inputs();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_audio_bands_globals();

}  // namespace synchro
