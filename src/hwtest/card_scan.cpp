#include "hwtest/card_scan.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <optional>
#include <string>

#include "hwtest/test_menu.h"
#include "platform/dos_files.h"
#include "platform/key_layout_file.h"
#include "platform/interrupts.h"
#include "platform/machine.h"
#include "platform/selectors.h"
#include "platform/text_screen.h"

namespace hwtest {

std::array<uint16_t, kCardWindows> card_window_selectors{};
uint16_t console_card_selector = 0;
std::array<uint16_t, kCardWindows> eprom_versions{};
ConsoleOptionFlags console_option_flags;
CardMemoryMap card_memory_map;

std::array<std::array<int16_t, kMatrixRows>, kMatrixColumns> key_matrix{};
namespace {
// Until the key layout is read, no key has an LED.
std::array<int16_t, kKeyTableSize> no_leds() {
    std::array<int16_t, kKeyTableSize> table{};
    table.fill(kNoLed);
    return table;
}
}  // namespace

std::array<int16_t, kKeyTableSize> key_led_column = no_leds();
std::array<int16_t, kKeyTableSize> key_led_row = no_leds();
SecondLedOffsets second_led_offsets;

namespace {

// Cells of a card window.
constexpr uint32_t kSignatureCell = 6;
constexpr std::string_view kCardSignature = "ZELKCARD";
constexpr uint32_t kKeyFifoBaseCell = 1056;
constexpr uint32_t kKeyFifoReadCell = 1058;
constexpr uint32_t kKeyFifoWriteCell = 1060;
constexpr uint32_t kLedRingBaseCell = 1064;
constexpr uint32_t kLedRingReadCell = 1066;
constexpr uint32_t kLedRingWriteCell = 1068;
constexpr uint32_t kFaderPointerCell = 1072;
constexpr uint32_t kOptionCell = 1126;
constexpr uint32_t kOptionCell2 = 1127;
constexpr uint32_t kSequenceBeltPointerCell = 1168;
constexpr uint32_t kFunctionBeltPointerCell = 1170;
constexpr uint32_t kClockCell = 1190;
constexpr uint32_t kEpromVersionCell = 1258;
constexpr uint32_t kEpromVersionDigits = 3;
constexpr uint32_t kDisplayArea = 13824;
constexpr uint32_t kDisplayBytes = 85;
constexpr uint32_t kDisplayLineBytes = 21;
constexpr uint8_t kCarriageReturn = 0x0D;

// A stored pointer is the window offset + 4000h. One below 4000h gives an
// offset beyond every window, which reads 0.
constexpr uint32_t kCardAddressBase = 0x4000;

// Option bits of cell 1126.
constexpr uint8_t kOptionAnalogueFaders = 0x01;
constexpr uint8_t kOptionFunctionBelts = 0x02;
constexpr uint8_t kOptionSequenceBelts = 0x04;
constexpr uint8_t kOptionDisplays = 0x08;
constexpr uint8_t kOptionHardwareKeys = 0x10;
constexpr uint8_t kOptionWing = 0x40;
// Bit of cell 1127: the playback wing is connected.
constexpr uint8_t kWingConnected = 0x40;

// Key FIFO: 16 words; press bit, row in bits 8..14, column in the low byte.
constexpr uint32_t kKeyFifoBytes = 32;
constexpr uint16_t kKeyPressBit = 0x8000;
constexpr uint16_t kKeyRowMask = 0x7F;

// LED ring: 48 words. The program may write while the write pointer leads
// the read pointer by less than 88 bytes, or trails it by more than 8.
constexpr uint32_t kLedRingBytes = 96;
constexpr uint32_t kMaxLeadBytes = 88;
constexpr uint32_t kMinTrailBytes = 8;
constexpr int kRoomPolls = 20000;
// A poll of the ring's pointers is two reads of card memory, about a
// microsecond: every thousand polls a millisecond has passed.
constexpr int kRoomPollsPerMs = 1000;
constexpr uint16_t kLedLitBit = 0x8000;
constexpr uint16_t kLedBlinkBit = 0x4000;
constexpr uint16_t kAllLedsOff = 0x7000;
// What an LED word can address: rows 0..63 (bits 8..13), columns 0..255.
constexpr int kLedWordRows = 64;
constexpr int kLedWordColumns = 256;

// keyboard.cfg: fixed character positions on fixed lines.
constexpr size_t kConfigReadChars = 99;

// The text screen shown when keyboard.cfg cannot be read.
constexpr int kFailureColumn = 15;
constexpr int kFailureFirstRow = 10;
constexpr int kFailureBeepHz = 400;
constexpr uint32_t kFailureBeepMs = 1000;
constexpr int kExitCode = 1;
constexpr std::array<const char*, 4> kKeyLayoutFailure = {
    " --------------- CHECKING CONFIGURATION ------------- ",
    " HIDDEN FILE 'KEYBOARD.CFG' COULD NOT BE OPENED !     ",
    " PRESS ANY KEY TO RETURN TO DOS ...                   ",
    " ---------------------------------------------------- ",
};

// The ring bases are read on first use after start-up.
bool key_fifo_base_read = false;
uint16_t key_fifo_base = 0;
bool led_ring_base_read = false;
uint16_t led_ring_base = 0;

uint32_t window_offset(uint16_t pointer) { return uint32_t{pointer} - kCardAddressBase; }

// --- cards ----------------------------------------------------------------------

// DPMI segment to descriptor; 0 when the host refuses.
uint16_t selector_for_segment(uint16_t segment) {
    platform::Regs regs;
    regs.set_ax(0x0002);
    regs.set_bx(segment);
    platform::int386(0x31, regs);
    return regs.carry ? 0 : regs.ax();
}

// The leading decimal digits of the three version characters; none give 0.
uint16_t read_eprom_version(uint16_t selector) {
    uint16_t version = 0;
    for (uint32_t i = 0; i < kEpromVersionDigits; ++i) {
        const uint8_t c = peek_card_byte_for_test(selector, kEpromVersionCell + i);
        if (c < '0' || c > '9') break;
        version = static_cast<uint16_t>(version * 10 + (c - '0'));
    }
    return version;
}

// --- keyboard.cfg -----------------------------------------------------------------

// One read of at most kConfigReadChars characters, ending after a line feed:
// a longer line gives two or more reads. False at the end of the file.
bool read_config_chunk(FILE* file, std::string& chunk) {
    chunk.clear();
    while (chunk.size() < kConfigReadChars) {
        const int c = std::fgetc(file);
        if (c == EOF) break;
        chunk.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !chunk.empty();
}

bool in_range(int value, int low, int high) { return value >= low && value <= high; }

void clear_key_layout() {
    for (auto& column : key_matrix) column.fill(0);
    key_led_column.fill(kNoLed);
    key_led_row.fill(kNoLed);
    second_led_offsets = SecondLedOffsets{};
}

void read_led_offset_line(std::string_view chunk) {
    const std::optional<int> column = platform::key_layout_number(chunk, platform::kKeyLayoutLedColumnOffsetPosition);
    const std::optional<int> row = platform::key_layout_number(chunk, platform::kKeyLayoutLedRowOffsetPosition);
    if (column) second_led_offsets.column = *column;
    if (row) second_led_offsets.row = *row;
}

void read_key_line(std::string_view chunk) {
    const std::optional<int> key = platform::key_layout_number(chunk, platform::kKeyLayoutCodePosition);
    const std::optional<int> column = platform::key_layout_number(chunk, platform::kKeyLayoutColumnPosition);
    const std::optional<int> row = platform::key_layout_number(chunk, platform::kKeyLayoutRowPosition);
    if (!key || !column || !row) return;
    if (!in_range(*key, 1, kHighestKey) || !in_range(*column, 0, kMatrixColumns - 1) ||
        !in_range(*row, 0, kMatrixRows - 1)) {
        return;
    }
    key_matrix[static_cast<size_t>(*column)][static_cast<size_t>(*row)] = static_cast<int16_t>(*key);
    key_led_column[static_cast<size_t>(*key)] = static_cast<int16_t>(*column);
    key_led_row[static_cast<size_t>(*key)] = static_cast<int16_t>(*row);
}

[[noreturn]] void refuse_missing_key_layout() {
    platform::_setcursortype(platform::kCursorHidden);
    platform::textbackground(kBlack);
    platform::clrscr();
    platform::textbackground(kRed);
    platform::textcolor(kYellow);
    for (size_t i = 0; i < kKeyLayoutFailure.size(); ++i) {
        platform::gotoxy(kFailureColumn, kFailureFirstRow + static_cast<int>(i));
        platform::cputs(kKeyLayoutFailure[i]);
    }
    beep_tone(kFailureBeepHz, kFailureBeepMs);
    platform::getch();
    platform::_setcursortype(platform::kCursorNormal);
    platform::textmode(platform::kTextModeColour80);
    platform::exit_program(kExitCode);
}

// --- rings ----------------------------------------------------------------------

void read_ring_bases() {
    if (!key_fifo_base_read) {
        key_fifo_base = peek_card_word_for_test(console_card_selector, kKeyFifoBaseCell);
        key_fifo_base_read = true;
    }
    if (!led_ring_base_read) {
        led_ring_base = peek_card_word_for_test(console_card_selector, kLedRingBaseCell);
        led_ring_base_read = true;
    }
}

bool led_ring_has_room() {
    const uint16_t read = peek_card_word_for_test(console_card_selector, kLedRingReadCell);
    const uint16_t write = peek_card_word_for_test(console_card_selector, kLedRingWriteCell);
    if (read == write) return true;
    if (read < write) return uint32_t{write} - read < kMaxLeadBytes;
    return uint32_t{read} - write > kMinTrailBytes;
}

bool wait_for_led_ring_room() {
    for (int poll = 1; poll <= kRoomPolls; ++poll) {
        if (led_ring_has_room()) return true;
        if (poll % kRoomPollsPerMs == 0) platform::delay_ms(1);
    }
    return false;
}

// The word at the write pointer, then the pointer moved on past it.
void send_led_word(uint16_t word) {
    const uint16_t write = peek_card_word_for_test(console_card_selector, kLedRingWriteCell);
    poke_card_word_for_test(console_card_selector, window_offset(write), word);
    uint32_t next = uint32_t{write} + 2;
    if (next >= uint32_t{led_ring_base} + kLedRingBytes) next = led_ring_base;
    poke_card_word_for_test(console_card_selector, kLedRingWriteCell, static_cast<uint16_t>(next));
}

bool is_led_state(int state) {
    switch (state) {
        case kLedOff:
        case kLedFirstLit:
        case kLedSecondLit:
        case kLedBothLit:
        case kLedFirstBlinking:
        case kLedSecondBlinking:
        case kLedBothBlinking:
            return true;
        default:
            return false;
    }
}

uint16_t led_word(int row, int column, bool lit, bool blinking) {
    uint16_t word = static_cast<uint16_t>(row * 256 + column);
    if (lit) word |= kLedLitBit;
    if (blinking) word |= kLedBlinkBit;
    return word;
}

bool led_word_can_address(int row, int column) {
    return in_range(row, 0, kLedWordRows - 1) && in_range(column, 0, kLedWordColumns - 1);
}

// --- belts ----------------------------------------------------------------------

bool belt_byte_offset(uint32_t area, int n, int k, int belts, uint32_t& offset) {
    if (!in_range(n, 1, belts) || !in_range(k, 0, 1)) return false;
    offset = area + static_cast<uint32_t>(2 * (n - 1) + k);
    return true;
}

}  // namespace

void reset_card_scan_globals() {
    card_window_selectors = {};
    console_card_selector = 0;
    eprom_versions = {};
    console_option_flags = {};
    card_memory_map = {};
    key_matrix = {};
    key_led_column = no_leds();
    key_led_row = no_leds();
    second_led_offsets = {};
    key_fifo_base_read = false;
    key_fifo_base = 0;
    led_ring_base_read = false;
    led_ring_base = 0;
}

// --- card memory --------------------------------------------------------------------

uint8_t peek_card_byte_for_test(uint16_t selector, uint32_t offset) {
    return selector == 0 ? 0 : platform::far_peek_byte(selector, offset);
}

uint16_t peek_card_word_for_test(uint16_t selector, uint32_t offset) {
    return selector == 0 ? 0 : platform::far_peek_word(selector, offset);
}

uint32_t peek_card_dword_for_test(uint16_t selector, uint32_t offset) {
    return selector == 0 ? 0 : platform::far_peek_dword(selector, offset);
}

void poke_card_byte(uint16_t selector, uint32_t offset, uint8_t value) {
    if (selector == 0) return;
    platform::far_poke_byte(selector, offset, value);
}

void poke_card_word_for_test(uint16_t selector, uint32_t offset, uint16_t value) {
    if (selector == 0) return;
    platform::far_poke_byte(selector, offset, static_cast<uint8_t>(value & 0xFF));
    platform::far_poke_byte(selector, offset + 1, static_cast<uint8_t>(value >> 8));
}

bool check_card_signature_for_test(uint16_t selector) {
    for (size_t i = 0; i < kCardSignature.size(); ++i) {
        const uint8_t c = peek_card_byte_for_test(selector, kSignatureCell + static_cast<uint32_t>(i));
        if (c != static_cast<uint8_t>(kCardSignature[i])) return false;
    }
    return true;
}

// --- start-up -----------------------------------------------------------------------

void load_keyboard_config_for_test() {
    clear_key_layout();
    const std::string path = program_directory + "\\keyboard.cfg";
    platform::DosFindData find{};
    if (!platform::dos_findfirst(path.c_str(), &find, platform::kDosAttrHidden)) refuse_missing_key_layout();
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) refuse_missing_key_layout();
    std::string chunk;
    for (int line = 1; read_config_chunk(file, chunk); ++line) {
        if (line == platform::kKeyLayoutLedOffsetLine) read_led_offset_line(chunk);
        if (platform::is_key_layout_key_line(line)) read_key_line(chunk);
    }
    std::fclose(file);
}

void discover_cards_for_test() {
    console_card_selector = 0;
    for (int i = 0; i < kCardWindows; ++i) {
        uint16_t selector = selector_for_segment(kCardWindowSegments[static_cast<size_t>(i)]);
        if (selector != 0 && !check_card_signature_for_test(selector)) selector = 0;
        card_window_selectors[static_cast<size_t>(i)] = selector;
        if (console_card_selector == 0) console_card_selector = selector;
    }
}

void read_card_memory_map_for_test() {
    card_memory_map = CardMemoryMap{};
    key_fifo_base_read = false;
    led_ring_base_read = false;
    if (console_card_selector == 0) return;
    card_memory_map.fader_area = window_offset(peek_card_word_for_test(console_card_selector, kFaderPointerCell));
    card_memory_map.sequence_belt_area =
        window_offset(peek_card_word_for_test(console_card_selector, kSequenceBeltPointerCell));
    card_memory_map.function_belt_area =
        window_offset(peek_card_word_for_test(console_card_selector, kFunctionBeltPointerCell));
}

void read_eprom_versions_for_test() {
    for (size_t i = 0; i < eprom_versions.size(); ++i) {
        const uint16_t selector = card_window_selectors[i];
        eprom_versions[i] = selector == 0 ? 0 : read_eprom_version(selector);
    }
}

void read_console_options_for_test() {
    const uint8_t bits = peek_card_byte_for_test(console_card_selector, kOptionCell);
    console_option_flags.analogue_faders = (bits & kOptionAnalogueFaders) != 0;
    console_option_flags.function_belts = (bits & kOptionFunctionBelts) != 0;
    console_option_flags.sequence_belts = (bits & kOptionSequenceBelts) != 0;
    console_option_flags.displays = (bits & kOptionDisplays) != 0;
    console_option_flags.hardware_keys = (bits & kOptionHardwareKeys) != 0;
    // The playback wing as the console program takes it: the card reports it
    // connected in cell 1127, or fitted in cell 1126 beside the analogue faders.
    const bool wing_connected = (peek_card_byte_for_test(console_card_selector, kOptionCell2) & kWingConnected) != 0;
    const bool wing_fitted = console_option_flags.analogue_faders && (bits & kOptionWing) != 0;
    console_option_flags.playback_wing = wing_connected || wing_fitted;
}

// --- console keys ---------------------------------------------------------------------

bool is_console_key_pending_for_test() {
    return peek_card_word_for_test(console_card_selector, kKeyFifoReadCell) !=
           peek_card_word_for_test(console_card_selector, kKeyFifoWriteCell);
}

bool read_console_key_for_test(int& key) {
    read_ring_bases();
    while (!is_console_key_pending_for_test()) platform::idle_poll();
    const uint16_t read = peek_card_word_for_test(console_card_selector, kKeyFifoReadCell);
    const uint16_t word = peek_card_word_for_test(console_card_selector, window_offset(read));
    uint32_t next = uint32_t{read} + 2;
    if (next >= uint32_t{key_fifo_base} + kKeyFifoBytes) next = key_fifo_base;
    poke_card_word_for_test(console_card_selector, kKeyFifoReadCell, static_cast<uint16_t>(next));

    const int column = word & 0xFF;
    const int row = (word >> 8) & kKeyRowMask;
    key = 0;
    if (column < kMatrixColumns && row < kMatrixRows) {
        key = key_matrix[static_cast<size_t>(column)][static_cast<size_t>(row)];
    }
    return (word & kKeyPressBit) != 0;
}

void flush_console_keys_for_test() {
    poke_card_word_for_test(console_card_selector, kKeyFifoReadCell,
                            peek_card_word_for_test(console_card_selector, kKeyFifoWriteCell));
}

// --- LEDs ----------------------------------------------------------------------------

void set_key_led_for_test(int key, int state) {
    read_ring_bases();
    if (!in_range(key, 1, kKeyTableSize - 1) || !is_led_state(state)) return;
    const int column = key_led_column[static_cast<size_t>(key)];
    const int row = key_led_row[static_cast<size_t>(key)];
    if (column == kNoLed || row == kNoLed) return;
    if (!wait_for_led_ring_room()) return;

    const bool first_lit = state == kLedFirstLit || state == kLedBothLit || state == kLedFirstBlinking ||
                           state == kLedBothBlinking;
    const bool first_blinking = state == kLedFirstBlinking || state == kLedBothBlinking;
    send_led_word(led_word(row, column, first_lit, first_blinking));

    // The second LED sits at the layout's offsets from the first; an offset
    // that leads outside what an LED word can address sends nothing.
    const int second_row = row + second_led_offsets.row;
    const int second_column = column + second_led_offsets.column;
    if (!led_word_can_address(second_row, second_column)) return;
    const bool second_lit = state == kLedSecondLit || state == kLedBothLit || state == kLedSecondBlinking ||
                            state == kLedBothBlinking;
    const bool second_blinking = state == kLedSecondBlinking || state == kLedBothBlinking;
    send_led_word(led_word(second_row, second_column, second_lit, second_blinking));
}

void all_leds_off_for_test() {
    read_ring_bases();
    poke_card_word_for_test(console_card_selector, kLedRingReadCell,
                            peek_card_word_for_test(console_card_selector, kLedRingWriteCell));
    send_led_word(kAllLedsOff);
}

// --- belts, displays, clock ----------------------------------------------------------------

uint8_t read_function_belt(int n, int k) {
    uint32_t offset = 0;
    if (!belt_byte_offset(card_memory_map.function_belt_area, n, k, kFunctionBelts, offset)) return 0;
    return peek_card_byte_for_test(console_card_selector, offset);
}

void write_function_belt(int n, int k, uint8_t value) {
    uint32_t offset = 0;
    if (!belt_byte_offset(card_memory_map.function_belt_area, n, k, kFunctionBelts, offset)) return;
    poke_card_byte(console_card_selector, offset, value);
}

uint8_t read_sequence_belt(int n, int k) {
    uint32_t offset = 0;
    if (!belt_byte_offset(card_memory_map.sequence_belt_area, n, k, kSequenceBelts, offset)) return 0;
    return peek_card_byte_for_test(console_card_selector, offset);
}

void write_sequence_belt(int n, int k, uint8_t value) {
    uint32_t offset = 0;
    if (!belt_byte_offset(card_memory_map.sequence_belt_area, n, k, kSequenceBelts, offset)) return;
    poke_card_byte(console_card_selector, offset, value);
}

void write_display_lines(int display, std::string_view line1, std::string_view line2, std::string_view line3,
                         std::string_view line4) {
    if (!in_range(display, 1, kDisplays)) return;
    const uint32_t base = kDisplayArea + kDisplayBytes * static_cast<uint32_t>(display - 1);
    const std::array<std::string_view, kDisplayLines> lines = {line1, line2, line3, line4};
    for (uint32_t l = 0; l < kDisplayLines; ++l) {
        const uint32_t start = base + kDisplayLineBytes * l;
        for (uint32_t c = 0; c < kDisplayChars; ++c) poke_card_byte(console_card_selector, start + c, ' ');
        poke_card_byte(console_card_selector, start + kDisplayChars, kCarriageReturn);
    }
    for (uint32_t l = 0; l < kDisplayLines; ++l) {
        const uint32_t start = base + kDisplayLineBytes * l;
        const std::string_view text = lines[l].substr(0, kDisplayChars);
        for (uint32_t c = 0; c < text.size(); ++c) {
            poke_card_byte(console_card_selector, start + c, static_cast<uint8_t>(text[c]));
        }
        poke_card_byte(console_card_selector, start + kDisplayChars, kCarriageReturn);
    }
}

uint32_t read_card_clock_for_test() { return peek_card_dword_for_test(console_card_selector, kClockCell); }

}  // namespace hwtest
