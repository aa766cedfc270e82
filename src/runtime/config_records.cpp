#include "runtime/config_records.h"

#include <cctype>
#include <climits>
#include <cstdio>

#include "platform/dos_files.h"
#include "platform/key_layout_file.h"
#include "platform/machine.h"
#include "platform/text_screen.h"
#include "ui/helpers.h"

namespace runtime {

std::string home_directory;
ConsoleConfig console_config;
uint8_t analogue_threshold = 0;

std::array<std::array<uint16_t, kMatrixRows>, kMatrixColumns> key_matrix{};
std::array<uint16_t, kKeyCodes> key_led_column{};
std::array<uint16_t, kKeyCodes> key_led_row{};
std::array<uint16_t, kExternalCodes> external_key_table{};
LedOffsets second_led_offsets;
std::array<uint8_t, kKeyCodes> key_led_cache{};
std::array<uint8_t, kKeyCodes> key_down_table{};

std::string current_list_name = "LOAD";
bool autoplay_flag = false;

void reset_config_records_globals() {
    home_directory.clear();
    console_config = {};
    analogue_threshold = 0;
    key_matrix = {};
    key_led_column = {};
    key_led_row = {};
    external_key_table = {};
    second_led_offsets = {};
    key_led_cache = {};
    key_down_table = {};
    current_list_name = "LOAD";
    autoplay_flag = false;
}

namespace {

constexpr int kProtocols = 4;
constexpr int kCardSlots = 4;
constexpr int kCardParameterTables = 6;
constexpr int kMasterFaders = 4;
constexpr int kPlaybackFaders = 10;
constexpr size_t kProtocolStride = 36;  // one protocol's names for the four cards
constexpr size_t kProtocolNameBytes = 9;
constexpr size_t kCardParameterTableBytes = 8;

constexpr int kThresholdSettingLow = 10;
constexpr int kThresholdSettingHigh = 18;
constexpr uint8_t kDefaultThreshold = 5;

constexpr size_t kIniWordChars = 50;
constexpr size_t kListNameChars = 8;

// The failure screen: column and first row of the framed text, its colours.
constexpr int kFailureColumn = 15;
constexpr int kFailureFirstRow = 10;
constexpr int kBlack = 0;
constexpr int kRed = 4;
constexpr int kYellow = 14;
constexpr int kFailureBeepHz = 400;
constexpr uint32_t kFailureBeepMs = 1000;
constexpr int kExitCode = 1;

constexpr std::array<const char*, 5> kConfigRecordFailure = {
    " --------------- CHECKING CONFIGURATION ------------- ",
    " HIDDEN FILE 'BRAVINOX.CFG' COULD NOT BE OPENED !     ",
    " PLEASE RUN 'CONFIG.EXE' TO CONFIGURE BRAVINOX .      ",
    " PRESS ANY KEY TO RETURN TO DOS ...                   ",
    " ---------------------------------------------------- ",
};
constexpr std::array<const char*, 4> kKeyLayoutFailure = {
    " --------------- CHECKING CONFIGURATION ------------- ",
    " HIDDEN FILE 'KEYBOARD.CFG' COULD NOT BE OPENED !     ",
    " PRESS ANY KEY TO RETURN TO DOS ...                   ",
    " ---------------------------------------------------- ",
};

template <size_t N>
[[noreturn]] void show_config_failure(const std::array<const char*, N>& lines) {
    platform::_setcursortype(platform::kCursorHidden);
    platform::textbackground(kBlack);
    platform::clrscr();
    platform::textbackground(kRed);
    platform::textcolor(kYellow);
    for (size_t i = 0; i < N; ++i) {
        platform::gotoxy(kFailureColumn, kFailureFirstRow + static_cast<int>(i));
        platform::cputs(lines[i]);
    }
    ui::beep(kFailureBeepHz, kFailureBeepMs);
    platform::getch();
    platform::_setcursortype(platform::kCursorNormal);
    platform::textmode(platform::kTextModeColour80);
    platform::exit_program(kExitCode);
}

// One line of a text file without its line end; a line longer than the
// limit keeps its first kConfigLineChars characters. False at the end.
bool read_config_line(FILE* file, std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        const int c = std::fgetc(file);
        if (c == EOF) return any;
        any = true;
        if (c == '\n') break;
        if (line.size() < kConfigLineChars) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool file_found(const std::string& path, uint32_t* size_bytes) {
    platform::DosFindData find{};
    if (!platform::dos_findfirst(path.c_str(), &find, platform::kDosAttrHidden)) return false;
    if (size_bytes != nullptr) *size_bytes = find.size_bytes;
    return true;
}

bool in_range(int value, int low, int high) { return value >= low && value <= high; }

void clear_key_layout() {
    for (int column = 0; column < kReleaseColumns; ++column) key_matrix[static_cast<size_t>(column)].fill(0);
    key_led_column.fill(kNoLed);
    key_led_row.fill(kNoLed);
    external_key_table.fill(0);
    second_led_offsets = LedOffsets{};
    key_led_cache.fill(0);
    key_down_table.fill(0);
}

void read_led_offsets(const std::string& line) {
    const std::optional<int> column = platform::key_layout_number(line, platform::kKeyLayoutLedColumnOffsetPosition);
    const std::optional<int> row = platform::key_layout_number(line, platform::kKeyLayoutLedRowOffsetPosition);
    if (column && in_range(*column, INT16_MIN, INT16_MAX)) second_led_offsets.column = static_cast<int16_t>(*column);
    if (row && in_range(*row, INT16_MIN, INT16_MAX)) second_led_offsets.row = static_cast<int16_t>(*row);
}

void read_key_line(const std::string& line) {
    const std::optional<int> key = platform::key_layout_number(line, platform::kKeyLayoutCodePosition);
    if (!key || !in_range(*key, 1, kKeyCodes - 1)) return;
    const auto code = static_cast<uint16_t>(*key);
    const std::optional<int> column = platform::key_layout_number(line, platform::kKeyLayoutColumnPosition);
    const std::optional<int> row = platform::key_layout_number(line, platform::kKeyLayoutRowPosition);
    if (column && row && in_range(*column, 0, kMatrixColumns - 1) && in_range(*row, 0, kMatrixRows - 1)) {
        key_matrix[static_cast<size_t>(*column)][static_cast<size_t>(*row)] = code;
        key_led_column[code] = static_cast<uint16_t>(*column);
        key_led_row[code] = static_cast<uint16_t>(*row);
    }
    const std::optional<int> external = platform::key_layout_number(line, platform::kKeyLayoutExternalPosition);
    if (external && in_range(*external, 0, kExternalCodes - 1)) external_key_table[static_cast<size_t>(*external)] = code;
}

std::string to_capitals(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p))));
    return out;
}

void read_ini_line(const std::string& line) {
    std::array<char, kIniWordChars + 1> key{};
    std::array<char, kIniWordChars + 1> value{};
    // A line needs both words; a key alone changes nothing.
    if (std::sscanf(line.c_str(), "%50s %50s", key.data(), value.data()) != 2) return;
    const std::string name = to_capitals(key.data());
    const std::string setting = to_capitals(value.data());
    if (name == "LIST") current_list_name = setting.substr(0, kListNameChars);
    if (name == "AUTOPLAY") autoplay_flag = setting == "YES";
}

}  // namespace

// --- ConsoleConfig --------------------------------------------------------

uint8_t ConsoleConfig::u8(size_t offset) const { return offset < bytes.size() ? bytes[offset] : 0; }

uint16_t ConsoleConfig::u16(size_t offset) const {
    if (offset + 1 >= bytes.size()) return 0;
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void ConsoleConfig::set_u8(size_t offset, uint8_t value) {
    if (offset < bytes.size()) bytes[offset] = value;
}

void ConsoleConfig::set_u16(size_t offset, uint16_t value) {
    if (offset + 1 >= bytes.size()) return;
    bytes[offset] = static_cast<uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t ConsoleConfig::card_segment(int slot) const {
    if (!in_range(slot, 1, kCardSlots)) return 0;
    return u16(kCfgCardSegments + 2 * static_cast<size_t>(slot - 1));
}

std::string ConsoleConfig::protocol_name(int protocol, int card) const {
    if (!in_range(protocol, 1, kProtocols) || !in_range(card, 1, kCardSlots)) return {};
    const size_t start = kCfgProtocolNames + kProtocolStride * static_cast<size_t>(protocol - 1) +
                         kProtocolNameBytes * static_cast<size_t>(card - 1);
    std::string name;
    for (size_t i = 0; i < static_cast<size_t>(kProtocolNameChars) && bytes[start + i] != 0; ++i) {
        name.push_back(static_cast<char>(bytes[start + i]));
    }
    return name;
}

void ConsoleConfig::set_protocol_name(int protocol, int card, std::string_view name) {
    if (!in_range(protocol, 1, kProtocols) || !in_range(card, 1, kCardSlots)) return;
    const size_t start = kCfgProtocolNames + kProtocolStride * static_cast<size_t>(protocol - 1) +
                         kProtocolNameBytes * static_cast<size_t>(card - 1);
    for (size_t i = 0; i < kProtocolNameBytes; ++i) {
        bytes[start + i] = i < name.size() && i < static_cast<size_t>(kProtocolNameChars)
                               ? static_cast<uint8_t>(name[i])
                               : 0;
    }
}

uint16_t ConsoleConfig::card_parameter(int table, int card) const {
    if (!in_range(table, 0, kCardParameterTables - 1) || !in_range(card, 1, kCardSlots)) return 0;
    return u16(kCfgCardParameters + kCardParameterTableBytes * static_cast<size_t>(table) +
               2 * static_cast<size_t>(card - 1));
}

uint16_t ConsoleConfig::master_full_scale(int master) const {
    if (!in_range(master, 1, kMasterFaders)) return 0;
    return u16(kCfgMasterFullScale + 2 * static_cast<size_t>(master - 1));
}

uint16_t ConsoleConfig::playback_full_scale(int playback) const {
    if (!in_range(playback, 1, kPlaybackFaders)) return 0;
    return u16(kCfgPlaybackFullScale + 2 * static_cast<size_t>(playback - 1));
}

uint8_t ConsoleConfig::dmx_card_choice(int card) const {
    if (!in_range(card, 1, kCardSlots)) return 0;
    return u8(kCfgDmxCardChoices + static_cast<size_t>(card - 1));
}

// --- program directory ----------------------------------------------------

std::string home_path(const char* relative) {
    std::string path = home_directory;
    path += '\\';
    if (relative != nullptr) path += relative;
    return path;
}

void set_home_directory(const char* program_path) {
    // Drive and directory are everything up to the last separator; name and
    // extension follow it. A path without a directory leaves no directory.
    const std::string path = program_path != nullptr ? program_path : "";
    const size_t last_separator = path.find_last_of("\\/");
    if (last_separator != std::string::npos) {
        home_directory = path.substr(0, last_separator);
    } else if (path.size() >= 2 && path[1] == ':') {
        home_directory = path.substr(0, 2);
    } else {
        home_directory.clear();
    }
}

// --- configuration record --------------------------------------------------

uint8_t threshold_from_setting(uint8_t setting) {
    if (in_range(setting, kThresholdSettingLow, kThresholdSettingHigh)) {
        return static_cast<uint8_t>(setting - kThresholdSettingLow);
    }
    return kDefaultThreshold;
}

void load_console_config() {
    const std::string path = home_path("bravinox.cfg");
    uint32_t size_bytes = 0;
    if (!file_found(path, &size_bytes) || size_bytes != kConsoleConfigSize) show_config_failure(kConfigRecordFailure);
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) show_config_failure(kConfigRecordFailure);
    std::array<uint8_t, kConsoleConfigSize> record{};
    const size_t read = std::fread(record.data(), 1, record.size(), file);
    std::fclose(file);
    if (read != record.size()) show_config_failure(kConfigRecordFailure);
    console_config.bytes = record;
    if (console_config.card_parameter_byte() == 0) console_config.set_u8(kCfgCardParameterByte, kDefaultCardParameterByte);
    analogue_threshold = threshold_from_setting(console_config.threshold_setting());
}

// --- key layout -------------------------------------------------------------

void load_keyboard_config() {
    clear_key_layout();
    const std::string path = home_path("keyboard.cfg");
    if (!file_found(path, nullptr)) show_config_failure(kKeyLayoutFailure);
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) show_config_failure(kKeyLayoutFailure);
    std::string line;
    for (int number = 1; read_config_line(file, line); ++number) {
        if (number == platform::kKeyLayoutLedOffsetLine) read_led_offsets(line);
        if (platform::is_key_layout_key_line(number)) read_key_line(line);
    }
    std::fclose(file);
}

// --- ini file ---------------------------------------------------------------

void load_ini_file() {
    current_list_name = "LOAD";
    autoplay_flag = false;
    FILE* file = platform::dos_fopen(home_path("bravinox.ini").c_str(), "rt");
    if (file == nullptr) return;
    std::string line;
    while (read_config_line(file, line)) read_ini_line(line);
    std::fclose(file);
}

void save_ini_file() {
    FILE* file = platform::dos_fopen(home_path("bravinox.ini").c_str(), "wt");
    if (file == nullptr) return;
    std::fprintf(file, "LIST %s\n", current_list_name.c_str());
    std::fputs(autoplay_flag ? "AUTOPLAY YES\n" : "AUTOPLAY NO\n", file);
    std::fclose(file);
}

}  // namespace runtime
