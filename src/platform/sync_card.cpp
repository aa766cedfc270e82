#include "platform/sync_card.h"

#include <algorithm>

#include "platform/machine.h"

namespace platform {

namespace {

void put_byte(std::span<uint8_t> s, uint32_t offset, uint8_t value) {
    if (offset < s.size()) s[offset] = value;
}

// Words are read and written whole or not at all.
bool fits(std::span<const uint8_t> s, uint32_t offset, uint32_t bytes) {
    return s.size() >= bytes && offset <= s.size() - bytes;
}

void put_word(std::span<uint8_t> s, uint32_t offset, uint16_t value) {
    if (!fits(s, offset, 2)) return;
    s[offset] = static_cast<uint8_t>(value);
    s[offset + 1] = static_cast<uint8_t>(value >> 8);
}

uint8_t get_byte(std::span<const uint8_t> s, uint32_t offset) { return offset < s.size() ? s[offset] : 0; }

uint16_t get_word(std::span<const uint8_t> s, uint32_t offset) {
    if (!fits(s, offset, 2)) return 0;
    return static_cast<uint16_t>(s[offset] | (s[offset + 1] << 8));
}

bool inside_ring(uint32_t index, uint32_t base) {
    return index >= base && index < base + kMidiRingBytes && (index - base) % 2 == 0;
}

}  // namespace

SyncCard::SyncCard() { power_on(false); }

void SyncCard::power_on(bool sound_inputs) {
    std::fill(memory_.begin(), memory_.end(), uint8_t{0});
    command_log_.clear();
    timecode_ = Timecode{};
    constexpr std::array<char, 5> kSignature = {'S', 'M', 'P', 'T', 'E'};
    for (uint32_t i = 0; i < kSignature.size(); ++i) {
        put_byte(memory_, kSyncSignature + i, static_cast<uint8_t>(kSignature[i]));
    }
    if (sound_inputs) put_byte(memory_, kSyncSoundInputMarker, 'C');
    put_word(memory_, kMidiRingBaseRegister, kMidiRingOffset);
    put_word(memory_, kMidiReadIndex, kMidiRingOffset);
    put_word(memory_, kMidiWriteIndex, kMidiRingOffset);
}

void SyncCard::fit(bool sound_inputs) {
    power_on(sound_inputs);
    fitted = true;
}

void SyncCard::remove() { fitted = false; }

std::span<uint8_t> SyncCard::window() { return fitted ? std::span<uint8_t>(memory_) : std::span<uint8_t>(); }

bool SyncCard::append_midi_word(uint16_t word) {
    if (!fitted) return false;
    const uint32_t base = get_word(memory_, kMidiRingBaseRegister);
    const uint32_t read = get_word(memory_, kMidiReadIndex);
    const uint32_t write = get_word(memory_, kMidiWriteIndex);
    if (base + kMidiRingBytes > memory_.size() || !inside_ring(read, base) || !inside_ring(write, base)) {
        return false;
    }
    const uint32_t next = write + 2 >= base + kMidiRingBytes ? base : write + 2;
    if (next == read) return false;  // full: one position stays free so full never looks empty
    put_word(memory_, write, word);
    put_word(memory_, kMidiWriteIndex, static_cast<uint16_t>(next));
    return true;
}

void SyncCard::count_midi_clocks(uint16_t clocks) {
    if (!fitted) return;
    put_word(memory_, kMidiClockCount, static_cast<uint16_t>(get_word(memory_, kMidiClockCount) + clocks));
}

uint8_t SyncCard::peek_byte(uint32_t offset) const { return get_byte(memory_, offset); }

uint16_t SyncCard::peek_word(uint32_t offset) const { return get_word(memory_, offset); }

void SyncCard::run_command(uint16_t ax) {
    if (!fitted) return;
    const uint16_t code = get_word(memory_, kSyncCommandRegister);
    command_log_.push(SyncCommand{code, ax});
    run_timecode_command(code);
}

// ---- Timecode ----

namespace {
constexpr uint32_t kFramesPerDaySeconds = 86400;
}

SmpteTime smpte_time_of_frame(uint32_t frame, uint32_t fps) {
    const uint32_t in_day = frame % (kFramesPerDaySeconds * fps);
    const uint32_t seconds = in_day / fps;
    return SmpteTime{static_cast<uint8_t>(seconds / 3600), static_cast<uint8_t>(seconds / 60 % 60),
                     static_cast<uint8_t>(seconds % 60), static_cast<uint8_t>(in_day % fps)};
}

void SyncCard::run_timecode_command(uint16_t code) {
    Timecode& t = timecode_;
    switch (code) {
        case kSmpteStopReader: t.reader_running = false; break;
        case kSmpteStartReader: t.reader_running = true; break;
        case kSmptePrepareGenerator:
            t.generator_running = false;
            t.generator_rate = get_byte(memory_, kSmpteReaderRate + kSmpteGeneratorOffset) % kSmpteRateCodes;
            break;
        case kSmpteLoadGeneratorTime: {
            const uint32_t fps = smpte_frames_per_second(t.generator_rate);
            const uint32_t h = get_byte(memory_, kSmpteReaderHours + kSmpteGeneratorOffset);
            const uint32_t m = get_byte(memory_, kSmpteReaderMinutes + kSmpteGeneratorOffset);
            const uint32_t s = get_byte(memory_, kSmpteReaderSeconds + kSmpteGeneratorOffset);
            const uint32_t f = get_byte(memory_, kSmpteReaderFrames + kSmpteGeneratorOffset);
            t.generator_start_frame = ((h * 60 + m) * 60 + s) * fps + std::min(f, fps - 1);
            break;
        }
        case kSmpteStartGenerator:
            t.generator_running = true;
            t.generator_ms = 0;
            break;
        case kSmpteStopGenerator: t.generator_running = false; break;
        default: return;
    }
    follow_timecode();
}

void SyncCard::elapse_ms(uint32_t ms) {
    if (!fitted) return;
    timecode_.power_on_ms += ms;
    if (timecode_.generator_running) timecode_.generator_ms += ms;
    follow_timecode();
}

// The reader registers take what the reader hears now: the running
// generator, else SMPTE IN while the reader is started.
void SyncCard::follow_timecode() {
    const Timecode& t = timecode_;
    if (reader_by_test) return;
    if (t.generator_running) {
        const uint32_t fps = smpte_frames_per_second(t.generator_rate);
        show_reader_frame(static_cast<uint32_t>(t.generator_start_frame + t.generator_ms * fps / 1000),
                          t.generator_rate);
    } else if (t.reader_running && smpte_in.outside) {
        const uint32_t fps = smpte_frames_per_second(smpte_in.rate_code);
        show_reader_frame(static_cast<uint32_t>(smpte_in.start_frame + t.power_on_ms * fps / 1000),
                          smpte_in.rate_code);
    }
}

void SyncCard::show_reader_frame(uint32_t frame, uint8_t rate_code) {
    Timecode& t = timecode_;
    if (t.last_frame == static_cast<int64_t>(frame) && t.last_rate == rate_code) return;
    t.last_frame = frame;
    t.last_rate = rate_code;
    const SmpteTime time = smpte_time_of_frame(frame, smpte_frames_per_second(rate_code));
    put_byte(memory_, kSmpteReaderHours, time.hours);
    put_byte(memory_, kSmpteReaderMinutes, time.minutes);
    put_byte(memory_, kSmpteReaderSeconds, time.seconds);
    put_byte(memory_, kSmpteReaderFrames, time.frames);
    put_byte(memory_, kSmpteReaderRate, rate_code);
    uint16_t counter = static_cast<uint16_t>(get_word(memory_, kSmpteFrameCounter) + 1);
    if (counter == 0) counter = 1;  // 0 means "no time yet" to the reader's users
    put_word(memory_, kSmpteFrameCounter, counter);
}

std::vector<SyncCommand> SyncCard::commands() const { return command_log_.to_vector(); }

void sync_driver_interrupt(Regs& regs) {
    SyncCard& card = machine().sync;
    if (!card.fitted) return;
    if (regs.ax() == kSyncProbe) {
        regs.set_ax(card.segment);
        return;
    }
    card.run_command(regs.ax());
}

}  // namespace platform
