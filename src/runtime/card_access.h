// Interface-card memory access, faders, belts and the console displays.
//
// Every card is reached through its selector (card_discovery.h). Selector 0
// means absent: reads give 0 and writes are skipped. Values are little-endian;
// words and double words are written byte by byte, low byte first, and read
// in one access. An out-of-range master, playback, belt, sequence or display
// number is refused: a read gives 0 and a write does nothing.
//
// The console displays are nine 4 x 20 areas of the console card from 3600h,
// 85 bytes each, a line every 21 bytes (the 21st byte a carriage return):
// display 0 the message display, 1..4 the sequence displays A..D, 5..8 the
// playback name displays.
#pragma once
#include <cstdint>

namespace runtime {

constexpr int kMasterFaders = 4;
constexpr int kPlaybackFaders = 42;
constexpr int kCalibratedPlaybacks = 10;
constexpr int kFunctionBelts = 16;
constexpr int kSequenceBelts = 12;
constexpr int kSequenceDisplays = 4;
constexpr int kDmxInWingPlaybacks = 32;
constexpr int kDisplayColumns = 20;

uint8_t peek_card_byte(uint16_t selector, uint32_t offset);
uint16_t peek_card_word(uint16_t selector, uint32_t offset);
uint32_t peek_card_dword(uint16_t selector, uint32_t offset);
void poke_card_byte(uint16_t selector, uint32_t offset, uint8_t value);
void poke_card_word(uint16_t selector, uint32_t offset, uint16_t value);
void poke_card_dword(uint16_t selector, uint32_t offset, uint32_t value);

// Levels of the DMX input blocks on the console card: block 1 carries
// playbacks 1..10 and masters 1..4, block 2 playbacks 11..42 (index 1..32).
uint8_t read_dmx_in_master_level(int16_t master);
uint8_t read_dmx_in_playback_level(int16_t playback);
uint8_t read_dmx_in_wing_level(int16_t index);

// Analogue faders with calibration and direction hysteresis; the state is
// kept in the master and playback fader records.
uint8_t read_master_fader(int16_t master);
uint8_t read_playback_fader(int16_t playback);

// The two register bytes (0 or 1) of function belts 1..16 and sequence belts 1..12.
uint8_t read_function_belt(int16_t belt, uint8_t byte);
uint8_t read_sequence_belt(int16_t belt, uint8_t byte);
void write_function_belt(int16_t belt, uint8_t byte, uint8_t value);
void write_sequence_belt(int16_t belt, uint8_t byte, uint8_t value);

// Writes a message to the console's 4 x 20 message display.
void show_console_message(const char* text);
// The templates of the four sequence displays.
void init_console_displays();
void show_console_cue_number(int16_t sequence, int16_t page, int16_t cue, int16_t point);
// The memory number (as text) and the memory's name on a sequence display.
void show_console_name(int16_t sequence, const char* text);
// The fade time and the wait time fields of a sequence display.
void show_sequence_display(int16_t sequence, const char* text);
void show_sequence_display_second_field(int16_t sequence, const char* text);
// Wing LCD line 1..32 from its stored text.
void show_playback_name(int16_t playback);

// The per-card parameters of the configuration record into every DMX card.
void upload_card_parameters();
bool check_card_signature(uint16_t selector);
// Bit 5 of the console card's byte 4DFh: the trackerball mode of the card.
void clear_console_flag();
void set_console_flag();

}  // namespace runtime
