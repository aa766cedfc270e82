#include "host/dmx_output.h"

#include <algorithm>

namespace host {

void DmxOutput::send_changes(const platform::Machine& machine) {
    if (ended_) return;
    for (int slot = 0; slot < platform::kCardSlots; ++slot) {
        if (!machine.cards.fitted(slot)) continue;
        const uint32_t frames = machine.cards.frames_sent(slot);
        if (frames == frames_seen_[static_cast<size_t>(slot)]) continue;
        frames_seen_[static_cast<size_t>(slot)] = frames;
        for (int half = 1; half <= platform::kDmxHalves; ++half) {
            const size_t u = static_cast<size_t>(2 * slot + half - 1);
            const std::span<const uint8_t> frame = machine.cards.sent_frame(slot, half);
            if (frame.size() != platform::kDmxChannels) continue;
            const bool changed = !std::equal(frame.begin(), frame.end(), last_sent_[u].begin());
            if (!changed && machine.clock.now_ms - last_sent_ms_[u] < kDmxRefresh_ms) continue;
            std::copy(frame.begin(), frame.end(), last_sent_[u].begin());
            last_sent_ms_[u] = machine.clock.now_ms;
            sent_[u] = true;
            sink_(static_cast<uint16_t>(u + 1), frame);
        }
    }
}

void DmxOutput::end_streams(const UniverseSink& end) {
    if (ended_) return;
    ended_ = true;
    for (size_t u = 0; u < kUniverses; ++u) {
        if (sent_[u]) end(static_cast<uint16_t>(u + 1), last_sent_[u]);
    }
}

}  // namespace host
