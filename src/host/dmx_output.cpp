#include "host/dmx_output.h"

#include <algorithm>

namespace host {

// The data bytes of a fixture upload that have not gone out: each as a
// frame of its own, the byte in slot 1, in the order the card took them.
void DmxOutput::send_upload_bytes(const platform::Machine& machine, int slot, int half) {
    const size_t u = static_cast<size_t>(2 * slot + half - 1);
    const uint32_t serial = machine.cards.upload_serial(slot, half);
    if (serial != upload_serial_seen_[u]) {
        upload_serial_seen_[u] = serial;
        upload_bytes_sent_[u] = 0;
    }
    const std::span<const uint8_t> bytes = machine.cards.uploaded_bytes(slot, half);
    for (; upload_bytes_sent_[u] < bytes.size(); ++upload_bytes_sent_[u]) {
        last_sent_[u].fill(0);
        last_sent_[u][0] = bytes[upload_bytes_sent_[u]];
        last_sent_ms_[u] = machine.clock.now_ms;
        sent_[u] = true;
        sink_(static_cast<uint16_t>(u + 1), last_sent_[u]);
    }
}

void DmxOutput::send_changes(const platform::Machine& machine) {
    if (ended_) return;
    for (int slot = 0; slot < platform::kCardSlots; ++slot) {
        if (!machine.cards.fitted(slot)) continue;
        for (int half = 1; half <= platform::kDmxHalves; ++half) send_upload_bytes(machine, slot, half);
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
