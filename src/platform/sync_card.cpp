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
    midi_in_ = {};
    midi_out_log_.clear();
    midi_out_pending_.clear();
    sound_on_ = false;
    if (sound_inputs) put_word(memory_, kSoundPortBaseRegister, kSoundPortBase);
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

// ------------------------------------------------------------------ MIDI in

namespace {

constexpr uint8_t kStatusBit = 0x80;
constexpr uint8_t kSysexStart = 0xF0;
constexpr uint8_t kSysexEnd = 0xF7;
constexpr uint8_t kMidiClock = 0xF8;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint16_t kLoneSysexEnd = 0xF700;

}  // namespace

int midi_data_bytes(uint8_t status) {
    if (status < 0xF0) return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
    switch (status) {
        case 0xF1:
        case 0xF3:
            return 1;
        case 0xF2:
            return 2;
        case 0xF6:
            return 0;
        default:
            return -1;
    }
}

uint32_t SyncCard::ring_free_words() const {
    const uint32_t base = get_word(memory_, kMidiRingBaseRegister);
    const uint32_t read = get_word(memory_, kMidiReadIndex);
    const uint32_t write = get_word(memory_, kMidiWriteIndex);
    if (base + kMidiRingBytes > memory_.size() || !inside_ring(read, base) || !inside_ring(write, base)) return 0;
    const uint32_t used = (write + kMidiRingBytes - read) % kMidiRingBytes / 2;
    return kMidiRingBytes / 2 - 1 - used;  // one position stays free
}

bool SyncCard::append_midi_message(uint16_t status_word, uint16_t data_word, bool with_data) {
    if (ring_free_words() < (with_data ? 2u : 1u)) return false;
    append_midi_word(status_word);
    if (with_data) append_midi_word(data_word);
    return true;
}

void SyncCard::feed_midi_bytes(std::span<const uint8_t> bytes) {
    if (!fitted) return;
    for (const uint8_t byte : bytes) feed_midi_byte(byte);
}

void SyncCard::feed_midi_byte(uint8_t byte) {
    MidiInParser& p = midi_in_;
    if (byte == kMidiClock) {
        count_midi_clocks(1);
        return;
    }
    if (byte > kMidiClock) return;  // other real-time bytes pass through messages unseen
    if (byte == kSysexStart) {
        p = MidiInParser{};
        p.in_sysex = append_midi_word(static_cast<uint16_t>(kSysexStart << 8));
        return;
    }
    if (byte == kSysexEnd) {
        if (p.in_sysex) {
            append_midi_word(p.sysex_half ? static_cast<uint16_t>(p.sysex_byte << 8 | kSysexEnd) : kLoneSysexEnd);
        }
        p = MidiInParser{};  // a stray End of Exclusive is dropped
        return;
    }
    if ((byte & kStatusBit) != 0) {
        p = MidiInParser{};  // any status ends an unfinished SysEx or message
        const int needed = midi_data_bytes(byte);
        if (needed < 0) return;
        if (needed == 0) {
            append_midi_message(static_cast<uint16_t>(byte << 8), 0, false);
            return;
        }
        p.running_status = byte;
        p.needed = static_cast<uint8_t>(needed);
        return;
    }
    if (p.in_sysex) {
        if (p.sysex_half) {
            append_midi_word(static_cast<uint16_t>(p.sysex_byte << 8 | byte));
            p.sysex_half = false;
        } else {
            p.sysex_byte = byte;
            p.sysex_half = true;
        }
        return;
    }
    if (p.running_status == 0) return;  // data without a status
    if (p.have == 0) p.data1 = byte;
    if (++p.have < p.needed) return;
    const uint8_t data2 = p.needed == 2 ? byte : 0;
    uint16_t status_word = static_cast<uint16_t>(p.running_status << 8);
    if (p.running_status < 0xF0) {
        uint8_t kind = p.running_status & 0xF0;
        if (kind == kNoteOn && data2 == 0) kind = kNoteOff;
        status_word = static_cast<uint16_t>(kind << 8 | (p.running_status & 0x0F));
    }
    append_midi_message(status_word, static_cast<uint16_t>(p.data1 << 8 | data2), true);
    p.have = 0;
    if (p.running_status >= 0xF0) p.running_status = 0;  // system common keeps no running status
}

// ------------------------------------------------------------------ MIDI out

std::vector<uint8_t> SyncCard::midi_out_log() const { return midi_out_log_.to_vector(); }

std::vector<uint8_t> SyncCard::take_midi_out() {
    std::vector<uint8_t> out;
    out.swap(midi_out_pending_);
    return out;
}

// ------------------------------------------------------------------ sound inputs

void SyncCard::set_band_levels(const std::array<uint8_t, kSoundBands>& levels) { band_levels_ = levels; }

void SyncCard::set_sound_pulses(const std::array<uint16_t, kSoundBands>& bpm) {
    pulse_bpm_ = bpm;
    pulse_clock_ms_ = 0;
}

void SyncCard::follow_sound_pulses(uint32_t ms) {
    pulse_clock_ms_ += ms;
    for (size_t band = 0; band < pulse_bpm_.size(); ++band) {
        if (pulse_bpm_[band] == 0) continue;
        const uint64_t period_ms = 60000u / pulse_bpm_[band];
        band_levels_[band] = pulse_clock_ms_ % period_ms < period_ms / 4 ? kPulseHighLevel : kPulseLowLevel;
    }
}

bool SyncCard::read_port(uint16_t port, uint8_t& value) const {
    if (!fitted || get_byte(memory_, kSyncSoundInputMarker) != 'C') return false;
    const uint16_t base = get_word(memory_, kSoundPortBaseRegister);
    if (port < base + 4 || port > base + 3 + kSoundBands) return false;
    value = sound_on_ ? band_levels_[static_cast<size_t>(port - base - 4)] : 0;
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
    if (code == kSyncCommandMidiByte) {
        const auto byte = static_cast<uint8_t>(ax);
        midi_out_log_.push(byte);
        if (midi_out_pending_.size() < kMidiOutPendingBytes) midi_out_pending_.push_back(byte);
    } else if (code == kSyncCommandSoundOn) {
        sound_on_ = true;
    } else if (code == kSyncCommandSoundOff) {
        sound_on_ = false;
    }
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
