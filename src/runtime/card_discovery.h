// Interface-card discovery and the start-up hardware probes.
//
// At start-up the console maps the configured card segments to selectors,
// keeps those that carry the card signature, picks the console card and the
// clock card (the first card present), maps the DMX cards onto their card
// halves, reads each card's pointer table once into the offsets that the card
// access uses, probes the SMPTE/MIDI interface, reads the firmware versions
// and the console options. While the program runs, the background poll calls
// `watch_wing`, which notices the playback wing being plugged in or pulled out.
//
// Everything here is written once at start-up and only read afterwards, except
// the wing and wing-port flags, which `watch_wing` updates. A missing card,
// driver or console card is no failure: its selector stays 0 and every access
// through it reads 0 and writes nothing.
#pragma once
#include <array>
#include <cstdint>

namespace runtime {

constexpr int kCardSlots = 4;          // card slots and DMX cards, both 1..4
constexpr int16_t kFunctionRecordCapacity = 2048;
constexpr int kSyncRegisters = 12;
constexpr int kMidiRingRegisters = 4;

// Real-mode segments of the card slots 1..4 (index 0 unused).
constexpr std::array<uint16_t, kCardSlots + 1> kCardSlotSegments = {0, 0xC800, 0xCC00, 0xD000, 0xD400};

// Card-memory offsets of one DMX card, derived from its pointer table. The
// buffers of a second-half card lie 200h (byte buffers) or 400h (word tables)
// above what the pointers say. All 0 for an absent card.
struct DmxCardOffsets {
    uint32_t input_buffer = 0;         // DMX input, 512 bytes
    uint32_t output_buffer = 0;        // DMX output, 512 bytes
    uint32_t read_back_buffer = 0;     // levels as sent, 512 bytes
    uint32_t channel_word_table = 0;   // one u16 per card channel
    std::array<uint32_t, 5> word_tables{};  // tables 1..4 (index 0 unused)
    uint32_t status_cell = 0;          // 470h (first half) or 472h (second half)
};

// Offsets of the console and clock cells. All 0 when there is no card at all.
struct ConsoleCardOffsets {
    uint32_t fader_buffer = 0;      // one reading byte every second byte
    uint32_t function_belts = 0;    // two register bytes per belt
    uint32_t sequence_belts = 0;
    uint32_t input_buffer = 0;      // the console card's DMX input buffer
    uint32_t display_cell = 0;
    uint32_t key_fifo_base_cell = 0;
    uint32_t key_fifo_read_cell = 0;
    uint32_t key_fifo_write_cell = 0;
    uint32_t led_ring_base_cell = 0;
    uint32_t led_ring_read_cell = 0;
    uint32_t led_ring_write_cell = 0;
    uint32_t version_base = 0;
    uint32_t parameter_byte_cell = 0;
    uint32_t clock_cell = 0;        // u32 millisecond counter of the clock card
    uint32_t option_cell = 0;
};

// The console's hardware options, each 0 or 1.
struct HwOptionFlags {
    uint8_t analogue_section = 0;
    uint8_t analogue_playbacks = 0;
    uint8_t playback_wing = 0;
    uint8_t analogue_masters = 0;
    uint8_t function_belts = 0;
    uint8_t sequence_belts = 0;
    uint8_t displays = 0;
    uint8_t hardware_keys = 0;
    uint8_t small_console_keys = 0;
    uint8_t wing_port = 0;
};

extern std::array<uint16_t, kCardSlots + 1> card_segment_selectors;  // [1..4]
extern uint16_t console_card_selector;
extern uint16_t console_card_number;   // slot 1..4, 0 when none
extern uint16_t clock_card;            // selector of the first card present
extern std::array<uint16_t, kCardSlots + 1> dmx_card_selectors;  // [1..4]
extern std::array<uint16_t, kCardSlots + 1> dmx_card_half;       // [1..4]: 1 or 2, 0 = absent
extern uint16_t sync_interface_selector;
extern uint8_t sound_input_present;
extern std::array<uint16_t, kCardSlots + 1> card_firmware_versions;  // [0] console card, [1..4] DMX cards
extern int16_t function_record_capacity;
extern uint8_t interface_card_count;
extern HwOptionFlags hw_option_flags;

extern std::array<DmxCardOffsets, kCardSlots + 1> dmx_card_offsets;  // [1..4]
extern ConsoleCardOffsets console_offsets;
extern std::array<uint16_t, kSyncRegisters> sync_register_offsets;
extern std::array<uint16_t, kMidiRingRegisters> midi_ring_offsets;  // buffer, read, write, clock count

// Every global of this module back to its value at program load (a clean start for each test).
void reset_card_discovery_globals();

// Start-up, in this order (the console options come later, after the data files).
void discover_cards();
void read_card_memory_map();
void probe_interface_driver();
void read_eprom_versions();
void read_console_options();

// Allocates the show tables; without the memory for them the program ends
// with a text screen and exit code 1.
void check_memory();

// Background poll: shows and follows the playback wing being plugged or pulled.
// Its message stays for 2000 ms with a 400 Hz tone, without holding the poll
// up: the tone starts here and the poll ends it; a later watch brings the
// memory panel back (unless another message has taken the line).
void watch_wing();
// Every poll: ends the wing tone when its 2000 ms are over.
void end_wing_tone_when_due();
// Ends the wing tone at once (the console surface is quieted).
void stop_wing_tone();

}  // namespace runtime
