// The test program's access to the interface cards and the key layout.
//
// Everything the test program knows of the console comes from the cards
// themselves and from keyboard.cfg: it maps the four card windows (C800h,
// CC00h, D000h, D400h), takes the first card found as the console card,
// reads that card's pointer table, option bits and the firmware versions of
// all cards, and offers the primitives the tests use: console keys from the
// key FIFO, LED commands into the LED ring, belt bytes, display lines and
// the card's millisecond clock. Every access through selector 0 reads 0 and
// writes nothing, so a missing card makes the tests report missing hardware.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace hwtest {

constexpr int kCardWindows = 4;
constexpr std::array<uint16_t, kCardWindows> kCardWindowSegments = {0xC800, 0xCC00, 0xD000, 0xD400};

constexpr int kMatrixColumns = 48;
constexpr int kMatrixRows = 16;
constexpr int kHighestKey = 419;        // highest key a keyboard.cfg line may name
constexpr int kKeyTableSize = 421;      // keys 1..420; index 0 unused
constexpr int16_t kNoLed = -1;

constexpr int kSequenceBelts = 12;
constexpr int kFunctionBelts = 16;
constexpr int kDisplays = 9;
constexpr int kDisplayLines = 4;
constexpr int kDisplayChars = 20;

// LED states of set_key_led_for_test.
constexpr int kLedOff = 0;
constexpr int kLedFirstLit = 1;
constexpr int kLedSecondLit = 2;
constexpr int kLedBothLit = 3;
constexpr int kLedFirstBlinking = 10;
constexpr int kLedSecondBlinking = 20;
constexpr int kLedBothBlinking = 30;

struct ConsoleOptionFlags {
    bool analogue_faders = false;  // bit 0
    bool function_belts = false;   // bit 1
    bool sequence_belts = false;   // bit 2
    bool displays = false;         // bit 3
    bool hardware_keys = false;    // bit 4
    bool playback_wing = false;    // cell 1127 bit 6 (connected), or bit 6 with bit 0 (fitted)
};

struct SecondLedOffsets {
    int column = 0;
    int row = 0;
};

// Window offsets of the console card's areas, as read from its pointer table.
struct CardMemoryMap {
    uint32_t fader_area = 0;
    uint32_t sequence_belt_area = 0;
    uint32_t function_belt_area = 0;
};

extern std::array<uint16_t, kCardWindows> card_window_selectors;  // 0 = no card
extern uint16_t console_card_selector;                            // 0 = none
extern std::array<uint16_t, kCardWindows> eprom_versions;        // 0 = no card or no digits
extern ConsoleOptionFlags console_option_flags;
extern CardMemoryMap card_memory_map;

extern std::array<std::array<int16_t, kMatrixRows>, kMatrixColumns> key_matrix;  // [column][row], 0 = no key
extern std::array<int16_t, kKeyTableSize> key_led_column;                       // kNoLed: no LED
extern std::array<int16_t, kKeyTableSize> key_led_row;
extern SecondLedOffsets second_led_offsets;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_card_scan_globals();

// Card memory through a selector; selector 0 reads 0 and drops writes.
uint8_t peek_card_byte_for_test(uint16_t selector, uint32_t offset);
uint16_t peek_card_word_for_test(uint16_t selector, uint32_t offset);
uint32_t peek_card_dword_for_test(uint16_t selector, uint32_t offset);
void poke_card_byte(uint16_t selector, uint32_t offset, uint8_t value);
void poke_card_word_for_test(uint16_t selector, uint32_t offset, uint16_t value);  // low byte first
bool check_card_signature_for_test(uint16_t selector);

// Start-up steps, in this order.
void load_keyboard_config_for_test();  // ends the program when keyboard.cfg is missing
void discover_cards_for_test();
void read_card_memory_map_for_test();
void read_eprom_versions_for_test();
void read_console_options_for_test();

// Console keys.
bool is_console_key_pending_for_test();
bool read_console_key_for_test(int& key);  // true for a press; waits for a word
void flush_console_keys_for_test();

// LEDs.
void set_key_led_for_test(int key, int state);
void all_leds_off_for_test();

// Belts: belt n, byte k (0 or 1), on the console card.
uint8_t read_function_belt(int n, int k);
void write_function_belt(int n, int k, uint8_t value);
uint8_t read_sequence_belt(int n, int k);
void write_sequence_belt(int n, int k, uint8_t value);

// The four lines of display 1..9; longer texts are cut at 20 characters.
void write_display_lines(int display, std::string_view line1, std::string_view line2, std::string_view line3,
                         std::string_view line4);

uint32_t read_card_clock_for_test();

}  // namespace hwtest
