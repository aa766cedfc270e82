// The PC speaker: a tone at a frequency through the interval timer, and off.
//
// sound() and nosound() are the C library's calls. Every tone is logged with
// its frequency, the clock time it started and how long it sounded, once it
// ends; the tone sounding now stays readable for the host's audio output.
#pragma once
#include <cstdint>

#include "platform/recent_log.h"

namespace platform {

// The interval timer divides 1193182 Hz by a 16-bit divisor: these are the
// frequencies it can make.
constexpr int32_t kTimerInputHz = 1193182;
constexpr int32_t kMinToneHz = kTimerInputHz / 65535 + 1;
constexpr int32_t kMaxToneHz = kTimerInputHz;
constexpr size_t kToneLogEntries = 64;

struct Tone {
    int32_t freq_hz = 0;
    uint64_t start_ms = 0;
    uint64_t duration_ms = 0;
    bool operator==(const Tone&) const = default;
};

struct Speaker {
    int32_t freq_hz = 0;       // sounding now; 0 when silent
    uint64_t start_ms = 0;     // when the present tone began
    RecentLog<Tone, kToneLogEntries> tones;  // ended tones, oldest first

    bool sounding() const { return freq_hz != 0; }
};

// Speaker on at freq_hz (a frequency the timer cannot make is refused). A new
// frequency ends the present tone and starts another; the same one goes on.
void sound(int32_t freq_hz);
// Speaker off; logs the tone that was sounding.
void nosound();

}  // namespace platform
