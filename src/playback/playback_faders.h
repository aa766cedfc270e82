// The 42 playbacks' fader records, numbered 1 to 42 (index 0 unused).
#pragma once
#include <array>
#include <cstdint>

namespace playback {

constexpr int kPlaybacks = 42;

struct PlaybackFaderRecord {
    uint8_t direction = 0;  // analogue fader last moved: 0 down, 1 up
    int16_t value = 0;      // accepted analogue level
    int16_t raw = 0;        // last calibrated reading, 0..255
    int16_t screen_level = 0;     // level set on screen or with the trackerball, 0..255
    int16_t effective_level = 0;  // 8-bit level of the last scan; a load into a stopped playback zeroes it
};

inline std::array<PlaybackFaderRecord, kPlaybacks + 1> playback_fader_states{};

// Every global of this module back to its value at program load (a clean start for each test).
inline void reset_playback_faders_globals() {
    playback_fader_states = {};
}

}  // namespace playback
