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
    command_log_.push(SyncCommand{get_word(memory_, kSyncCommandRegister), ax});
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
