// The configuration records of the program directory: the hidden
// configuration record, the key layout and the ini file, and the program
// directory itself, the prefix of every path.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

constexpr size_t kConsoleConfigSize = 319;
constexpr int kKeyCodes = 520;           // console key codes 0..519
constexpr int kMatrixColumns = 100;
constexpr int kMatrixRows = 16;
constexpr int kExternalCodes = 200;      // small-console key codes 0..199
constexpr uint16_t kNoLed = 65535;

// Columns whose releases the key reader decodes; loading the key layout
// clears these columns of the matrix.
constexpr int kReleaseColumns = 48;
// Longest line the key layout and the ini file are read with.
constexpr size_t kConfigLineChars = 99;
// The card parameter byte that a 0 in the record stands for.
constexpr uint8_t kDefaultCardParameterByte = 176;
constexpr int kProtocolNameChars = 8;

// Offsets of the record's fields (little-endian; see the accessors).
constexpr size_t kCfgDmxChannelCount = 0x000;
constexpr size_t kCfgCardSegments = 0x008;
constexpr size_t kCfgConsoleCardSlot = 0x010;
constexpr size_t kCfgProtocolNames = 0x012;
constexpr size_t kCfgCardParameters = 0x0A2;
constexpr size_t kCfgSmallConsoleKeys = 0x0D2;
constexpr size_t kCfgBeeper = 0x0D3;
constexpr size_t kCfgCardParameterByte = 0x0D4;
constexpr size_t kCfgFaderCalibration = 0x0D6;
constexpr size_t kCfgMasterFullScale = 0x0D7;
constexpr size_t kCfgPlaybackFullScale = 0x0DF;
constexpr size_t kCfgTimecodeEnteredTime = 0x0F3;
constexpr size_t kCfgDmxCardChoices = 0x0FC;
constexpr size_t kCfgThresholdSetting = 0x101;
constexpr size_t kCfgMultiselectPlayback = 0x102;
constexpr size_t kCfgMultiselectSequence = 0x103;

// A byte-for-byte image of the configuration record, read field by field
// (little-endian). An index out of range reads 0 and writes nothing.
struct ConsoleConfig {
    std::array<uint8_t, kConsoleConfigSize> bytes{};

    uint8_t u8(size_t offset) const;
    uint16_t u16(size_t offset) const;
    void set_u8(size_t offset, uint8_t value);
    void set_u16(size_t offset, uint16_t value);

    uint16_t dmx_channel_count() const { return u16(kCfgDmxChannelCount); }
    uint8_t analogue_masters() const { return u8(0x002); }
    uint8_t analogue_playbacks() const { return u8(0x003); }
    uint8_t function_belts() const { return u8(0x004); }
    uint8_t sequence_belts() const { return u8(0x005); }
    uint8_t displays() const { return u8(0x006); }
    uint8_t hardware_keys() const { return u8(0x007); }
    uint16_t card_segment(int slot) const;            // slot 1..4; 0 = none
    uint16_t console_card_slot() const { return u16(kCfgConsoleCardSlot); }
    std::string protocol_name(int protocol, int card) const;  // both 1..4
    // Stores a name of at most 8 characters, NUL-terminated (card discovery
    // copies the names of a configuration slot to the DMX card that uses it).
    void set_protocol_name(int protocol, int card, std::string_view name);
    // Per-card parameter tables A..F (table 0..5) of card 1..4.
    uint16_t card_parameter(int table, int card) const;
    uint8_t small_console_keys() const { return u8(kCfgSmallConsoleKeys); }
    uint8_t beeper() const { return u8(kCfgBeeper); }
    uint8_t card_parameter_byte() const { return u8(kCfgCardParameterByte); }
    uint8_t fader_calibration() const { return u8(kCfgFaderCalibration); }
    uint16_t master_full_scale(int master) const;      // 1..4
    uint16_t playback_full_scale(int playback) const;  // 1..10
    uint8_t timecode_entered_time_current() const { return u8(kCfgTimecodeEnteredTime); }
    uint8_t dmx_card_choice(int card) const;           // card 1..4: 0 none, 1..8 segment and half
    uint8_t threshold_setting() const { return u8(kCfgThresholdSetting); }
    uint8_t multiselect_playback_snapshots() const { return u8(kCfgMultiselectPlayback); }
    uint8_t multiselect_sequence_snapshots() const { return u8(kCfgMultiselectSequence); }
};

extern std::string home_directory;  // drive and directory of the program, no trailing backslash
extern ConsoleConfig console_config;
extern uint8_t analogue_threshold;

// Key layout, indexed by console key code unless said otherwise.
extern std::array<std::array<uint16_t, kMatrixRows>, kMatrixColumns> key_matrix;  // [column][row]
extern std::array<uint16_t, kKeyCodes> key_led_column;
extern std::array<uint16_t, kKeyCodes> key_led_row;
extern std::array<uint16_t, kExternalCodes> external_key_table;
struct LedOffsets {
    int16_t row = 0;
    int16_t column = 0;
};
extern LedOffsets second_led_offsets;
extern std::array<uint8_t, kKeyCodes> key_led_cache;
extern std::array<uint8_t, kKeyCodes> key_down_table;

extern std::string current_list_name;  // up to 8 characters
extern bool autoplay_flag;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_config_records_globals();

// "%s\<name>" on the program directory.
std::string home_path(const char* relative);

void set_home_directory(const char* program_path);
void load_console_config();   // ends the program when the record is missing or has the wrong size
void load_keyboard_config();  // ends the program when the key layout is missing
void load_ini_file();
void save_ini_file();

// The threshold a setting of the record gives: setting - 10 for 10..18, else 5.
uint8_t threshold_from_setting(uint8_t setting);

}  // namespace runtime
