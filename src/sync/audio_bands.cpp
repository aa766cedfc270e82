#include "sync/audio_bands.h"

#include "platform/ports.h"
#include "platform/selectors.h"
#include "runtime/card_discovery.h"

namespace synchro {

namespace {

constexpr uint16_t kCommandAudioOn = 0x15;
constexpr uint32_t kPortBaseRegister = 0x158;
constexpr int kFullScale = 255;
constexpr int kLeastCountingRange = 12;  // a narrower range arms without counting
constexpr int kRearmBelowCeiling = 5;

// The tuning parameters of the sound-input definitions (audio_input_setup).
enum AudioSetting : size_t {
    kAttackSteps = 1,
    kDecaySteps = 2,
    kBeatThreshold = 3,
    kRearmThreshold = 4,
    kFloorDivisor = 5,
    kCeilingDivisor = 6,
    kFloorMinimum = 7,
};

int setting(AudioSetting which) { return audio_input_setup[which]; }

int scaled_level(const AudioBandState& b, int v) { return (v - b.floor) * kFullScale / (b.ceiling - b.floor); }

void keep_ceiling_above_floor(AudioBandState& b) {
    if (b.floor == kFullScale) b.floor = kFullScale - 1;  // the ceiling has no room above 255
    if (b.ceiling <= b.floor) b.ceiling = static_cast<uint8_t>(b.floor + 1);
}

void on_rise(AudioBandState& b, int v, uint32_t& beats) {
    if (b.rising == 0) {
        if (++b.rise_count == setting(kAttackSteps)) {
            // A divisor of 0 skips the move.
            if (b.floor < b.previous && setting(kFloorDivisor) != 0) {
                b.floor = static_cast<uint8_t>(b.floor + (b.previous - b.floor) / setting(kFloorDivisor));
            }
            keep_ceiling_above_floor(b);
            b.rise_count = 0;
        }
        b.rising = 1;
    }
    if (scaled_level(b, v) > setting(kBeatThreshold) && b.floor > setting(kFloorMinimum) && b.armed == 0) {
        if (b.ceiling - b.floor > kLeastCountingRange) ++beats;
        b.armed = 1;
    }
}

void on_fall(AudioBandState& b, int v) {
    if (b.rising == 1) {
        if (++b.fall_count == setting(kDecaySteps)) {
            if (b.previous < b.ceiling && setting(kCeilingDivisor) != 0) {
                b.ceiling = static_cast<uint8_t>(b.ceiling - (b.ceiling - b.previous) / setting(kCeilingDivisor));
            }
            keep_ceiling_above_floor(b);
            b.fall_count = 0;
        }
        b.rising = 0;
    }
    if (scaled_level(b, v) < setting(kRearmThreshold) && v < b.ceiling - kRearmBelowCeiling) b.armed = 0;
}

void follow_band(AudioBandState& b, uint8_t v, uint32_t& beats) {
    if (v < b.floor) {
        b.floor = v;
    } else if (v > b.ceiling) {
        b.ceiling = v;
    }
    if (v > b.previous) {
        on_rise(b, v, beats);
    } else if (v < b.previous) {
        on_fall(b, v);
    }
    b.previous = v;
}

}  // namespace

std::array<AudioBandState, kAudioBands + 1> audio_band_states{};

void reset_audio_bands_globals() { audio_band_states = {}; }

void start_audio_inputs() {
    send_card_command(kCommandAudioOn);
    audio_band_states = {};
    audio_band_beats = {};
}

void poll_audio_inputs() {
    if (runtime::sync_interface_selector == 0 || runtime::sound_input_present == 0) return;
    const uint16_t base = platform::far_peek_word(runtime::sync_interface_selector, kPortBaseRegister);
    for (int k = 1; k <= kAudioBands; ++k) {
        const uint8_t v = platform::inportb(static_cast<uint16_t>(base + 3 + k));
        follow_band(audio_band_states[static_cast<size_t>(k)], v, audio_band_beats[static_cast<size_t>(k)]);
    }
}

}  // namespace synchro
