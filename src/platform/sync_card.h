// SMPTE/MIDI interface card: its memory window and its driver's interrupt 68h.
//
// The driver answers interrupt 68h: AX = 55AAh returns the segment of the
// card's window; any other AX runs the command written into the command
// register at 150h, with AX as its argument (the MIDI byte of command 14h).
// The window carries "SMPTE" at 160h, the sound-input marker at 155h and the
// MIDI input ring whose words the console reads (base register 120h, read
// index 122h, write index 124h, clock count 12Eh). Commands are logged.
//
// MIDI in: the bytes that arrive become ring words, one status word per
// message (running status expanded; a note on at velocity 0 becomes a note
// off, as MIDI means it) followed by one data word with data 1 in the high
// byte; SysEx data go two bytes a word, a lone End of Exclusive as F700h;
// MIDI clock (F8) is counted at 12Eh instead; other real-time bytes, stray
// data and undefined statuses are dropped. A message that does not fit in
// the ring is dropped whole. MIDI out: command 13h begins a message, 14h
// sends the byte in AX. Sound inputs: after command 15h the five band levels
// are read at the port base (158h) + 4 .. + 8.
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
constexpr uint32_t kSoundPortBaseRegister = 0x158;
constexpr uint16_t kSoundPortBase = 0x300;         // band k is read at base + 3 + k
constexpr int kSoundBands = 5;
constexpr uint16_t kSyncCommandMidiBegin = 0x13;
constexpr uint16_t kSyncCommandMidiByte = 0x14;
constexpr uint16_t kSyncCommandSoundOn = 0x15;
constexpr uint16_t kSyncCommandSoundOff = 0x16;
constexpr int kMidiOutLogEntries = 4096;
constexpr int kLeastPulseBpm = 30, kMostPulseBpm = 300;
constexpr uint8_t kPulseHighLevel = 220, kPulseLowLevel = 30;  // a beat's first quarter high
constexpr size_t kMidiOutPendingBytes = 4096;

// Data bytes that follow a MIDI status byte on the wire: 1 for program
// change, channel pressure, F1h and F3h, 0 for F6h, 2 for the other channel
// messages and F2h; -1 for SysEx, its end, the undefined F4h/F5h and the
// real-time bytes, which carry no data of their own.
int midi_data_bytes(uint8_t status);

// Assembles MIDI bytes into the card's ring words (see above).
struct MidiInParser {
    uint8_t running_status = 0;  // 0: no status, data bytes are stray
    uint8_t needed = 0;          // data bytes of the open status
    uint8_t have = 0;
    uint8_t data1 = 0;
    bool in_sysex = false;
    bool sysex_half = false;     // one SysEx byte waits for its partner
    uint8_t sysex_byte = 0;
};

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

    // MIDI bytes arriving at the card's MIDI IN, in order.
    void feed_midi_bytes(std::span<const uint8_t> bytes);
    // The bytes the console sent on MIDI OUT (commands 14h), oldest first.
    std::vector<uint8_t> midi_out_log() const;
    // MIDI OUT bytes not yet taken by the host, in order, and forgotten.
    std::vector<uint8_t> take_midi_out();

    // The raw levels 0..255 of the five sound bands (1..5 at [0..4]).
    void set_band_levels(const std::array<uint8_t, kSoundBands>& levels);
    // A steady pulse of bpm beats a minute on each band (0: none), which
    // follow_sound_pulses moves on with the clock.
    void set_sound_pulses(const std::array<uint16_t, kSoundBands>& bpm);
    void follow_sound_pulses(uint32_t ms);
    // I/O port read: true with the level when the port is one of the bands.
    bool read_port(uint16_t port, uint8_t& value) const;

    uint8_t peek_byte(uint32_t offset) const;
    uint16_t peek_word(uint32_t offset) const;

    // Runs the command in the command register with argument ax and logs it.
    void run_command(uint16_t ax);
    std::vector<SyncCommand> commands() const;  // oldest first, the last 1024

private:
    std::vector<uint8_t> memory_ = std::vector<uint8_t>(kSyncWindowBytes);
    RecentLog<SyncCommand, kSyncCommandLogEntries> command_log_;
    MidiInParser midi_in_;
    RecentLog<uint8_t, kMidiOutLogEntries> midi_out_log_;
    std::vector<uint8_t> midi_out_pending_;
    std::array<uint8_t, kSoundBands> band_levels_{};
    bool sound_on_ = false;
    std::array<uint16_t, kSoundBands> pulse_bpm_{};
    uint64_t pulse_clock_ms_ = 0;

    void power_on(bool sound_inputs);
    void feed_midi_byte(uint8_t byte);
    uint32_t ring_free_words() const;
    bool append_midi_message(uint16_t status_word, uint16_t data_word, bool with_data);
};

// The driver's interrupt 68h (AX = 55AAh probe, otherwise a command).
// Without the card no driver is loaded and the registers come back unchanged.
void sync_driver_interrupt(Regs& regs);

}  // namespace platform
