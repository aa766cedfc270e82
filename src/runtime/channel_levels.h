// Channel level setter and the card channel tables.
//
// Every DMX level the console sends goes through `set_channel_level`. A
// control channel (1..2048) reaches up to four output positions through the
// patch slots; output position p (1..2048) is card channel (p - 1) % 512 + 1
// of DMX card (p - 1) / 512 + 1. Cards with firmware 335 or later get the
// level through the channel's dimmer curve and the output's custom curve and
// scale; older firmware gets the level as it is and applies the custom curve
// and scale itself from the tables `upload_channel_tables` writes into it.
//
// Every output of a channel starts from the level passed in, so the curves
// and scales of one output never reach another. A channel, position, slot or
// table number out of range is refused: writes do nothing, reads give 0. A
// patch entry outside 1..2048 and a dimmer curve number outside 1..16 count as
// none. Writes to a card that is not installed are lost without notice.
#pragma once
#include <cstdint>

namespace runtime {

constexpr int kOutputPositions = 2048;   // control channels and output positions
constexpr int kCardChannels = 512;       // output positions per DMX card

// Writes level through patch slots first_slot..3 of the channel (callers
// pass 0). While the channel is parked and force is 0, only its remembered
// level changes.
void set_channel_level(int16_t channel, uint8_t level, uint8_t force, uint8_t first_slot);
// The two bytes of a 16-bit attribute together, through patch slot 0: no park
// test, no dimmer curve; b is written before a, and nothing while a card's
// status word says the firmware is reading the pair.
void set_figure_channel_level(int16_t channel_a, uint8_t level_a, int16_t channel_b, uint8_t level_b);
// The level as the card sent it at output position `channel`, or the
// remembered level while the channel is parked.
uint8_t get_channel_level(int16_t channel);
// The DMX input byte at the card channel of output position `position`.
uint8_t get_output_level(int16_t position);
// The card's channel word and its word tables 1..4 at an output position.
void set_channel_word(int16_t position, uint16_t word);
void set_channel_table_word(uint8_t table, int16_t position, uint16_t word);
// Every per-output table into every card, then the upload marker; at show
// start and after the fixture setup.
void upload_channel_tables();

}  // namespace runtime
