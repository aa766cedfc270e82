// The playback faders and flash keys: once per poll the fader scan reads
// each playback's level (hardware fader or on-screen level, raised by DMX
// input), runs the flash fades and the pick-up rule, publishes the 16-bit
// level the output merge uses and starts or stops the playback when its
// 8-bit level crosses 5. Flash keys, sound triggers and timecode fader
// events drive the flash state machine.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_state.h"

namespace playback {

// Flash states.
constexpr uint8_t kFlashIdle = 0;
constexpr uint8_t kFlashFadingIn = 1;
constexpr uint8_t kFlashHolding = 2;
constexpr uint8_t kFlashFadingOut = 3;
constexpr uint8_t kFlashReachedFader = 4;

// Flash modes and the actions of handle_flash_key.
constexpr uint8_t kFlashModeFlash = 0;
constexpr uint8_t kFlashModeToggle = 1;
constexpr uint8_t kFlashModeKill = 2;
constexpr uint8_t kFlashRelease = 0;
constexpr uint8_t kFlashPress = 1;
constexpr uint8_t kFlashKilled = 2;

// Fader bar colours: idle, flash on, flash fading back.
constexpr int16_t kBarIdle = 4;
constexpr int16_t kBarFlashOn = 2;
constexpr int16_t kBarFlashOut = 11;

// Per playback 1..42 (index 0 unused).
extern std::array<int32_t, kPlaybacks + 1> playback_fader_levels;           // 8-bit level x 257, this poll
extern std::array<int32_t, kPlaybacks + 1> playback_previous_fader_levels;  // the same, previous poll
extern std::array<int32_t, kPlaybacks + 1> playback_inverse_levels;         // 65535 - playback_levels
extern std::array<uint8_t, kPlaybacks + 1> playback_flash_state;
extern std::array<int32_t, kPlaybacks + 1> playback_flash_levels;
extern std::array<uint32_t, kPlaybacks + 1> playback_flash_start_times;     // ms of the console clock
extern std::array<int32_t, kPlaybacks + 1> playback_flash_from_levels;
extern std::array<uint32_t, kPlaybacks + 1> playback_beat_counts;           // sound trigger: last beat seen
extern std::array<uint8_t, kPlaybacks + 1> playback_beat_hold_counts;       // sound trigger: polls since the press

// Every global of this module back to its value at program load (a clean start for each test).
void reset_playback_flash_globals();

// The per-poll scan; force 1 applies every playback's level, changed or not.
void scan_playback_faders(uint8_t force);
// Advances playback p's flash fade (the first step of the scan for p).
void run_flash_fade(int16_t p);
// Flash action of playback p 1..42: kFlashPress, kFlashRelease, or
// kFlashKilled by another KILL playback of the same cue.
void handle_flash_key(int16_t p, uint8_t action);
// Applies playback p's effective level (p is the selected playback meanwhile).
void apply_playback_fader(int16_t p);
// The selected playback's effective level: bar, start and stop, slave
// consoles, dirty marks.
void apply_playback_fader_level();
// The trackerball's vertical steps move the selected playback's on-screen
// level when it has no hardware fader.
void apply_trackerball_to_playback();

}  // namespace playback
