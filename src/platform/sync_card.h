// SMPTE/MIDI interface card: its memory window and its driver's interrupt 68h.
//
// The driver answers interrupt 68h: AX = 55AAh returns the segment of the
// card's window; any other AX runs the command written into the command
// register at 150h, with AX as its argument (the MIDI byte of command 14h).
// The window carries "SMPTE" at 160h, the sound-input marker at 155h and the
// MIDI input ring whose words the console reads (base register 120h, read
// index 122h, write index 124h, clock count 12Eh). Timecode, MIDI byte
// parsing and the audio inputs are not modelled here; commands are logged.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/recent_log.h"
#include "platform/registers.h"

namespace platform {

constexpr uint32_t kSyncWindowBytes = 0x1000;
constexpr uint16_t kSyncProbe = 0x55AA;
constexpr uint32_t kSyncCommandRegister = 0x150;
constexpr uint32_t kSyncSoundInputMarker = 0x155;  // 'C' when sound inputs are fitted
constexpr uint32_t kSyncSignature = 0x160;         // "SMPTE"
constexpr uint32_t kMidiRingBaseRegister = 0x120;  // holds the window offset of the ring
constexpr uint32_t kMidiReadIndex = 0x122;
constexpr uint32_t kMidiWriteIndex = 0x124;
constexpr uint32_t kMidiClockCount = 0x12E;
constexpr uint16_t kMidiRingOffset = 0x200;        // where the driver keeps the ring
constexpr uint32_t kMidiRingBytes = 128;
constexpr int kSyncCommandLogEntries = 1024;

// One command the driver ran: the command register and the AX it was called with.
struct SyncCommand {
    uint16_t code = 0;
    uint16_t ax = 0;
};

struct SyncCard {
    bool fitted = false;
    uint16_t segment = 0xD800;  // real-mode segment of its window

    SyncCard();
    // Fits the card and switches it on; sound_inputs sets the marker at 155h.
    void fit(bool sound_inputs = false);
    void remove();

    // The window's bytes; empty when the card is not fitted.
    std::span<uint8_t> window();
    // Nothing on the card follows the clock yet.
    void elapse_ms(uint32_t) {}

    // Driver side of the MIDI input: appends a ring word at the write index;
    // false when the ring is full or its registers are not valid.
    bool append_midi_word(uint16_t word);
    // Driver side of the MIDI clock: adds to the count register (wraps at 16 bits).
    void count_midi_clocks(uint16_t clocks);

    uint8_t peek_byte(uint32_t offset) const;
    uint16_t peek_word(uint32_t offset) const;

    // Runs the command in the command register with argument ax and logs it.
    void run_command(uint16_t ax);
    std::vector<SyncCommand> commands() const;  // oldest first, the last 1024

private:
    std::vector<uint8_t> memory_ = std::vector<uint8_t>(kSyncWindowBytes);
    RecentLog<SyncCommand, kSyncCommandLogEntries> command_log_;

    void power_on(bool sound_inputs);
};

// The driver's interrupt 68h (AX = 55AAh probe, otherwise a command).
// Without the card no driver is loaded and the registers come back unchanged.
void sync_driver_interrupt(Regs& regs);

}  // namespace platform
