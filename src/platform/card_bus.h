// Interface cards: their memory windows and the firmware that runs on them.
//
// Up to four cards sit at the segments C800h, CC00h, D000h and D400h (slot
// index 0 to 3 here). The program reaches a card only through its window
// (selectors.cpp maps the segment to window()); the firmware stand-in keeps
// the window's cells the way the program expects: the pointer table at
// power-on, the millisecond counter, the key FIFO (firmware writes, program
// reads), the LED ring (program writes, firmware reads), the fader and belt
// bytes, the DMX input and read-back buffers and the DMX output it sends.
//
// Tests fit cards with the settings they need and then play the console
// surface through the calls below (press keys, move faders, read LEDs, LCD
// text and DMX output). A bad slot, row, channel or offset is refused: the
// call returns false or 0 and changes nothing.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/recent_log.h"

namespace platform {

constexpr int kCardSlots = 4;
constexpr std::array<uint16_t, kCardSlots> kCardSegments = {0xC800, 0xCC00, 0xD000, 0xD400};

// Each card's memory as the window shows it. A real window spans 16 KB, but
// the buffers of both halves and the word tables need more, so every card has
// a 64 KB store and the pointer cells place the buffers inside it.
constexpr uint32_t kCardStoreBytes = 0x10000;
// A pointer cell holds a card address: window offset + 4000h.
constexpr uint16_t kCardAddressBase = 0x4000;

constexpr int kDmxChannels = 512;
constexpr int kDmxHalves = 2;          // the two DMX outputs (types 1 and 2) of a card
constexpr uint32_t kDmxFramePeriodMs = 23;  // one full 512-slot DMX frame
constexpr int kKeyBacklogWords = 64;   // key words waiting for room in the FIFO
constexpr int kKeyRows = 128;          // bits 8-14 of a key word
constexpr int kKeyColumns = 256;       // bits 0-7
// An LED word shares bit 14 between the row and the blink flag; rows reach
// no further than 63, so the row is bits 8-13.
constexpr int kLedRows = 64;
constexpr int kLedColumns = 256;
constexpr int kLedLogWords = 1024;     // LED words kept for the tests, newest last
constexpr int kLcdDisplays = 9;
constexpr int kLcdLines = 4;
constexpr int kLcdColumns = 20;
constexpr int kMasterFaders = 4;
constexpr int kPlaybackFaders = 42;
constexpr int kFunctionBelts = 16;
constexpr int kSequenceBelts = 12;

// Bit 0 of the option byte: the card carries the analogue section (faders).
constexpr uint8_t kCardOptionFaders = 0x01;

// What a test chooses for a card before it is switched on.
struct CardSettings {
    // Cells 1258-1260; any bytes, so that "33A" or zeros can be tried.
    std::array<uint8_t, 3> firmware_version = {'3', '3', '8'};
    uint8_t options = 0;          // cell 1126: console hardware option bits
    uint8_t options_2 = 0;        // cell 1127: bit 6 set while the wing port is connected
    bool key_fifo_base_zero = false;  // the firmware leaves the key FIFO cells at 0
};

enum class LedState : uint8_t { off = 0, lit = 1, blinking = 2 };

// The firmware's side of a fixture firmware upload on one output line. From
// the first upload command until command 0 the line is in the upload; once
// data bytes flow, each byte taken goes out at once as a DMX frame of its own
// (the byte in slot 1, the other slots 0) instead of the output levels.
struct UploadLine {
    bool active = false;
    bool sending = false;
    bool ack_pending = false;
    uint64_t ack_due_ms = 0;
    std::vector<uint8_t> bytes;  // data bytes taken in this upload, in order
    uint32_t serial = 0;         // uploads begun on the line
};

// One card slot: the store and what the firmware keeps beside it.
struct InterfaceCard {
    bool fitted = false;
    int firmware_version = 0;  // decimal value of the version digits
    bool led_ring_held = false;
    std::vector<uint8_t> store = std::vector<uint8_t>(kCardStoreBytes);

    std::array<uint16_t, kKeyBacklogWords> key_backlog{};
    int key_backlog_head = 0;
    int key_backlog_count = 0;

    std::array<uint8_t, kLedRows * kLedColumns> leds{};  // LedState per (row, column)
    RecentLog<uint16_t, kLedLogWords> led_log;  // words consumed since power-on

    std::array<std::array<uint8_t, kDmxChannels>, kDmxHalves> sent_frames{};
    uint32_t frames_sent = 0;
    uint32_t ms_since_frame = 0;

    uint64_t now_ms = 0;                 // time since power-on
    uint32_t upload_ack_delay_ms = 0;    // from taking a data byte to AAh in the acknowledge cell
    bool upload_silent = false;          // takes no data byte: neither count nor acknowledgement
    std::array<UploadLine, kDmxHalves> upload{};
};

struct CardBus {
    // Fits a card into slot 0..3 and switches it on: the store is cleared and
    // the firmware writes its signature, version, options and pointer table.
    bool fit(int slot, const CardSettings& settings = {});
    void remove(int slot);
    bool fitted(int slot) const;

    // Bytes of the card window of slot 0..3; empty when no card is fitted there.
    std::span<uint8_t> window(int slot);
    // Called as the clock moves: the millisecond counters count, waiting key
    // words enter the FIFO, the LED rings are taken, DMX frames are sent.
    void elapse_ms(uint32_t ms);

    // Direct access to a card's cells (parameters, status words, markers).
    uint8_t peek_byte(int slot, uint32_t offset) const;
    uint16_t peek_word(int slot, uint32_t offset) const;
    uint32_t peek_dword(int slot, uint32_t offset) const;
    void poke_byte(int slot, uint32_t offset, uint8_t value);
    void poke_word(int slot, uint32_t offset, uint16_t value);

    // Key FIFO. A word that finds the FIFO full (or its pointers not valid)
    // waits in a backlog and enters as room appears; false when even the
    // backlog is full or the arguments are bad.
    bool press(int slot, int row, int column);
    bool release(int slot, int row, int column);
    bool push_key_word(int slot, uint16_t word);
    int key_backlog(int slot) const;

    // LED ring. While held, the firmware takes nothing on elapse_ms, so a
    // full ring can be observed; consume_led_ring takes what waits now.
    void hold_led_ring(int slot, bool hold);
    void consume_led_ring(int slot);
    // The program read a cell of the card: the firmware, which runs beside
    // the program, takes waiting LED words when the program looks at the
    // ring's read pointer (so a program waiting for room in the ring sees it
    // drain as on the real card, where the firmware runs all the while).
    void program_read(int slot, uint32_t offset);
    LedState led(int slot, int row, int column) const;
    std::vector<uint16_t> led_words_consumed(int slot) const;  // oldest first

    // Raw fader bytes and belt registers.
    bool set_master_fader(int slot, int master, uint8_t raw);
    uint8_t master_fader(int slot, int master) const;  // 0 for a master out of range
    bool set_playback_fader(int slot, int playback, uint8_t raw);
    uint8_t playback_fader(int slot, int playback) const;  // 0 for a playback out of range
    bool set_function_belt(int slot, int belt, int byte, uint8_t value);
    bool set_sequence_belt(int slot, int belt, int byte, uint8_t value);
    uint8_t function_belt(int slot, int belt, int byte) const;
    uint8_t sequence_belt(int slot, int belt, int byte) const;
    bool set_wing_connected(int slot, bool connected);

    // DMX of half 1 or 2 of a card, channels 1..512. dmx_output is the
    // output buffer by card position, as the program writes it; dmx_sent is
    // the buffer byte DMX address 1..512 carries through the protocol word
    // tables (before the curves of older firmware), 0 where no table names one.
    uint8_t dmx_output(int slot, int half, int channel) const;
    uint8_t dmx_sent(int slot, int half, int address) const;
    bool set_dmx_input(int slot, int half, int channel, uint8_t value);
    // Sends one frame of both halves now: the levels as sent go into the
    // read-back buffer (by position) and into the last frame kept per half
    // (by DMX address, through the protocol word tables).
    void send(int slot);
    std::span<const uint8_t> sent_frame(int slot, int half) const;
    uint32_t frames_sent(int slot) const;

    // Fixture firmware upload. The program wrote a card cell: the firmware
    // follows the upload commands (command 4 takes the data byte: the byte
    // counter counts it, it goes out on the line, and AAh follows in the
    // acknowledge cell after the acknowledgement delay).
    void program_write(int slot, uint32_t offset);
    void set_upload_ack_delay_ms(int slot, uint32_t delay_ms);
    void set_upload_silent(int slot, bool silent);
    // The data bytes of the line's current or last upload, and how many
    // uploads it has begun (a receiver starts anew when this changes).
    std::span<const uint8_t> uploaded_bytes(int slot, int half) const;
    uint32_t upload_serial(int slot, int half) const;

    // Display d (0..8), line l (0..3): the 20 characters the LCD shows.
    std::string lcd_line(int slot, int display, int line) const;

private:
    std::array<InterfaceCard, kCardSlots> cards_{};

    InterfaceCard* card(int slot);
    const InterfaceCard* card(int slot) const;
};

// Decimal value of firmware version digits, read as the program reads them:
// leading blanks and a sign allowed, conversion stops at the first non-digit.
int parse_firmware_version(std::span<const uint8_t> digits);

}  // namespace platform
