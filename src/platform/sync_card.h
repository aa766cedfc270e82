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
//
// Timecode: the generator (commands 2, time, 10h, 3; 4 stops it) runs on the
// machine clock from the time and rate written at 130h..136h, and the reader
// registers (110h..116h) follow it. While the generator is stopped and the
// reader is started (command 1; 0 stops it), the reader follows what feeds
// SMPTE IN: the card's own SMPTE OUT through a loop cable (so nothing while
// the generator is stopped), or an outside generator that has run at its rate
// from its start time since power-on. The frame counter at 11Eh moves once
// per new frame and never to 0. Rate codes 0..3 are "24", "25", "30", "30D";
// "30D" counts like "30".
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

// Timecode registers: the reader's time, the generator's 20h above it.
constexpr uint32_t kSmpteReaderHours = 0x110;
constexpr uint32_t kSmpteReaderSeconds = 0x112;
constexpr uint32_t kSmpteReaderMinutes = 0x113;
constexpr uint32_t kSmpteReaderFrames = 0x115;
constexpr uint32_t kSmpteReaderRate = 0x116;
constexpr uint32_t kSmpteGeneratorOffset = 0x20;
constexpr uint32_t kSmpteFrameCounter = 0x11E;

// Timecode commands of the command register.
enum SmpteCommand : uint16_t {
    kSmpteStopReader = 0x00,
    kSmpteStartReader = 0x01,
    kSmptePrepareGenerator = 0x02,
    kSmpteStartGenerator = 0x03,
    kSmpteStopGenerator = 0x04,
    kSmpteLoadGeneratorTime = 0x10,
};

constexpr int kSmpteRateCodes = 4;  // "24", "25", "30", "30D"
// Frames a second of rate code 0..3; an unknown code counts as "24".
constexpr uint32_t smpte_frames_per_second(uint8_t rate_code) {
    return rate_code == 1 ? 25 : rate_code == 2 || rate_code == 3 ? 30 : 24;
}

// What feeds the card's SMPTE IN.
struct SmpteInput {
    bool outside = false;        // false: the loop cable from the card's SMPTE OUT
    uint8_t rate_code = 0;       // the outside generator's rate, 0..3
    uint32_t start_frame = 0;    // its time at power-on, in its frames
};

// A time of day in frames at a rate, as hours, minutes, seconds and frames.
struct SmpteTime {
    uint8_t hours = 0;
    uint8_t minutes = 0;
    uint8_t seconds = 0;
    uint8_t frames = 0;
};
SmpteTime smpte_time_of_frame(uint32_t frame, uint32_t fps);

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
    // The timecode generator and reader follow the machine clock.
    void elapse_ms(uint32_t ms);

    // Driver side of the MIDI input: appends a ring word at the write index;
    // false when the ring is full or its registers are not valid.
    bool append_midi_word(uint16_t word);
    // Driver side of the MIDI clock: adds to the count register (wraps at 16 bits).
    void count_midi_clocks(uint16_t clocks);

    // What feeds SMPTE IN (the machine description's smpte_in line).
    SmpteInput smpte_in;
    // Set by tests that write the reader registers themselves: the card's
    // timecode then leaves them alone.
    bool reader_by_test = false;
    bool generator_running() const { return timecode_.generator_running; }
    bool reader_running() const { return timecode_.reader_running; }
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

    // The timecode side of the card.
    struct Timecode {
        bool generator_running = false;
        bool reader_running = false;
        uint8_t generator_rate = 0;
        uint32_t generator_start_frame = 0;  // loaded by command 10h
        uint64_t generator_ms = 0;           // since command 3
        uint64_t power_on_ms = 0;            // the outside generator's running time
        int64_t last_frame = -1;             // the frame the reader shows, -1 none yet
        uint8_t last_rate = 0;
    };
    Timecode timecode_;

    void power_on(bool sound_inputs);
    void run_timecode_command(uint16_t code);
    void follow_timecode();
    void show_reader_frame(uint32_t frame, uint8_t rate_code);
    void feed_midi_byte(uint8_t byte);
    uint32_t ring_free_words() const;
    bool append_midi_message(uint16_t status_word, uint16_t data_word, bool with_data);
};

// The driver's interrupt 68h (AX = 55AAh probe, otherwise a command).
// Without the card no driver is loaded and the registers come back unchanged.
void sync_driver_interrupt(Regs& regs);

}  // namespace platform
