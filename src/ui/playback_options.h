// The three playback options packed in one byte of a playback record
// (PlaybackRecord::modes, also byte 5 of the old 10-byte cue playback entry):
//
//   bits 0-1  flash mode          0 FLASH, 1 TOGGLE, 2 KILL
//   bits 2-4  sound band          0 NONE, 1 60 Hz, 2 400 Hz, 3 1.5 KHz, 4 5 KHz, 5 12 KHz
//   bit  5    sound trigger mode  0 BEAT, 1 LEVEL
//   bits 6-7  not used here, always kept
//
// Pure functions on the byte's value. A setter keeps every bit outside its
// field; a value too wide for its field is cut to the field, so that it can
// never spill into the neighbouring options.
#pragma once
#include <cstdint>

namespace ui {

constexpr uint8_t kFlashModeMask = 0x03;
constexpr uint8_t kSoundBandMask = 0x1C;
constexpr uint8_t kTriggerModeMask = 0x20;
constexpr int kSoundBandShift = 2;
constexpr int kTriggerModeShift = 5;

constexpr uint8_t get_playback_flash_mode(uint8_t modes) { return modes & kFlashModeMask; }
constexpr uint8_t set_playback_flash_mode(uint8_t modes, uint8_t mode) {
    return static_cast<uint8_t>((modes & ~kFlashModeMask) | (mode & kFlashModeMask));
}

constexpr uint8_t get_playback_sound_band(uint8_t modes) {
    return static_cast<uint8_t>((modes & kSoundBandMask) >> kSoundBandShift);
}
constexpr uint8_t set_playback_sound_band(uint8_t modes, uint8_t band) {
    return static_cast<uint8_t>((modes & ~kSoundBandMask) | ((band << kSoundBandShift) & kSoundBandMask));
}

constexpr uint8_t get_playback_trigger_mode(uint8_t modes) {
    return static_cast<uint8_t>((modes & kTriggerModeMask) >> kTriggerModeShift);
}
constexpr uint8_t set_playback_trigger_mode(uint8_t modes, uint8_t mode) {
    return static_cast<uint8_t>((modes & ~kTriggerModeMask) | ((mode << kTriggerModeShift) & kTriggerModeMask));
}

}  // namespace ui
