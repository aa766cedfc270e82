// The dimmer channel command line: DIMMER opens the "DIMMER CHANNEL EDIT"
// window, the operator types a channel list, the at key and a level on the
// keypad, and ENTER sets, raises or lowers the programmer level of every
// dimmer channel named. Dimmer channel n is entry n of
// runtime::dimmer_channel_list (1..2048 across the rig).
//
// A command is a list of console key codes (tokens), shown as:
//
//   digit 0..9   KEY_DIGIT_0..9   the digit         at     KEY_EDIT_VALUE  " @ "
//   plus         KEY_PLUS         " + "             minus  KEY_MINUS       " - "
//   full         KEY_FULL         " FULL"           range  KEY_RANGE       " -> "
//
// and has the form: a channel list (a number, then any run of "+" number,
// "-" number, "->" number), the at token, then a level: a number 0..100
// (percent), "FULL", or "+" or "-" and a number (raise or lower by it).
// For example "1 -> 10 - 5 @ 50" sets channels 1 to 4 and 6 to 10 to 50 %.
#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace programmer {

constexpr int kDimmerChannels = 2048;
constexpr int kDimmerCommandTokens = 100;     // tokens a command holds at most
constexpr int kDimmerCommandLines = 6;        // text lines of the window
constexpr int kDimmerCommandLineChars = 30;   // characters a line holds
constexpr int kDimmerCommandChars = kDimmerCommandLines * kDimmerCommandLineChars;
constexpr int kDimmerFullPercent = 100;

// Level modes of set_dimmer_level.
constexpr uint8_t DIMMER_SET = 0;
constexpr uint8_t DIMMER_RAISE = 1;
constexpr uint8_t DIMMER_LOWER = 2;

// The channel part of the last command entered (its tokens up to and
// including the at token), ended by 0; empty (first entry 0) until a command
// has been entered. Kept for the whole run of the program, not with the show.
extern std::array<int16_t, kDimmerCommandTokens + 1> last_dimmer_command;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_dimmer_command_globals();

// The keys a command accepts next, worked out from its last token.
struct DimmerOffers {
    bool digits = false;
    bool at = false;                // the at key (on an empty line: recall of the last command)
    bool plus_minus = false;        // plus and minus
    bool range = false;
    bool full = false;
    bool enter = false;
};
DimmerOffers dimmer_command_offers(std::span<const int16_t> tokens);

// Characters the text of the tokens takes (the window holds 6 lines of 30).
int dimmer_command_text_length(std::span<const int16_t> tokens);

// The result of reading a command: the dimmer channels named (index 1..2048),
// the level mode and percentage; error when a channel number is above 2048
// or the level above 100.
struct DimmerCommand {
    std::array<uint8_t, kDimmerChannels + 1> channels{};
    uint8_t mode = DIMMER_SET;
    int16_t percent = 0;
    bool error = false;
};
void read_dimmer_command(std::span<const int16_t> tokens, DimmerCommand& command);

// The whole command line (DIMMER): runs until ENTER or ESC; nothing while
// the timecode screen is open.
void run_dimmer_channel_edit();
// Redraws the six text lines of the window with the command's text.
void draw_dimmer_command(std::span<const int16_t> tokens);
// Reads the command and applies it to every named dimmer channel that the
// rig has; on an error only the error beep sounds and nothing changes.
// True when the command was applied.
bool parse_dimmer_command(std::span<const int16_t> tokens);
// One function record's (1..function_record_count) new programmer level:
// set to the percentage, or raised or lowered by it from the record's
// programmer value (a value preset's value for it, or its output base value
// when it has none), kept within 0..255, carried to the stage by the edit
// step, and its value-table cell redrawn.
void set_dimmer_level(int16_t record, uint8_t mode, int16_t percent);

}  // namespace programmer
