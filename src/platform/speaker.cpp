#include "platform/speaker.h"

#include "platform/machine.h"

namespace platform {

namespace {

void end_tone(Speaker& s, uint64_t now_ms) {
    if (!s.sounding()) return;
    s.tones.push(Tone{s.freq_hz, s.start_ms, now_ms - s.start_ms});
    s.freq_hz = 0;
}

}  // namespace

void sound(int32_t freq_hz) {
    if (freq_hz < kMinToneHz || freq_hz > kMaxToneHz) return;
    Machine& m = machine();
    Speaker& s = m.speaker;
    if (s.freq_hz == freq_hz) return;
    end_tone(s, m.clock.now_ms);
    s.freq_hz = freq_hz;
    s.start_ms = m.clock.now_ms;
}

void nosound() {
    Machine& m = machine();
    end_tone(m.speaker, m.clock.now_ms);
}

}  // namespace platform
