#include "runtime/card_access.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "memories/master_faders.h"
#include "memories/memory_index.h"
#include "platform/selectors.h"
#include "playback/playback_faders.h"
#include "playback/playback_wing.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "setup/dmx_inputs.h"

namespace runtime {

namespace {

constexpr uint32_t kSignatureCell = 6;
constexpr std::string_view kCardSignature = "ZELKCARD";

// Per-card parameters A..F of the configuration record go to these cells.
constexpr std::array<uint32_t, 6> kCardParameterCells = {0x4BC, 0x4B4, 0x486, 0x484, 0x482, 0x480};
constexpr uint32_t kCardParameterByteCell = 0x4A4;

constexpr uint32_t kConsoleFlagCell = 0x4DF;
constexpr uint8_t kConsoleFlagBit = 0x20;

constexpr uint32_t kDmxInputBytes = 512;

// Fader buffer: one byte every second byte, masters first, playbacks from +8.
constexpr uint32_t kFaderStride = 2;
constexpr uint32_t kPlaybackFaderStart = 8;
constexpr uint16_t kNotCalibrated = 255;
constexpr int16_t kFullReadingFrom = 252;  // readings above 251 count as full

constexpr uint32_t kDisplayBase = 0x3600;
constexpr uint32_t kDisplayBytes = 85;
constexpr uint32_t kLineBytes = 21;
constexpr int kDisplays = 9;
constexpr int kDisplayLines = 4;
constexpr int kMessageDisplay = 0;
constexpr int kFirstPlaybackDisplay = 5;
constexpr int kPlaybacksPerDisplay = 4;
constexpr int kWingBankLines = 16;
constexpr uint8_t kCarriageReturn = 13;

// Columns of the sequence display fields.
constexpr int kPageColumn = 9;
constexpr int kCueColumn = 16;
constexpr int kPointColumn = 18;
constexpr int kNameLine = 1;
constexpr int kTimeLine = 3;
constexpr int kNumberFieldLast = 3;
constexpr int kFadeFieldLast = 11;
constexpr int kWaitFieldLast = 19;
constexpr int kFieldWidth = 4;

constexpr std::string_view kBlankLine = "                    ";
constexpr std::string_view kNoMemoryLine = "--------------------";
constexpr std::string_view kNoNameLine = "***    NO NAME   ***";

// A raw analogue reading against its calibrated maximum: 255 from the
// maximum on (so a zero or negative maximum never divides), else scaled.
uint8_t scale_to_255(int16_t value, int16_t maximum) {
    if (value >= maximum) return 255;
    return static_cast<uint8_t>(value * 255 / maximum);
}

// --- displays ---------------------------------------------------------------

bool valid_display(int display) { return display >= 0 && display < kDisplays; }
bool valid_sequence(int16_t sequence) { return sequence >= 1 && sequence <= kSequenceDisplays; }

uint32_t display_cell(int display, int line, int column) {
    return kDisplayBase + kDisplayBytes * static_cast<uint32_t>(display) + kLineBytes * static_cast<uint32_t>(line) +
           static_cast<uint32_t>(column);
}

// One character of a display; positions outside the 21 bytes of a line are dropped.
void put_display_char(int display, int line, int column, uint8_t character) {
    if (!valid_display(display) || line < 0 || line >= kDisplayLines || column < 0 || column > kDisplayColumns) {
        return;
    }
    poke_card_byte(console_card_selector, display_cell(display, line, column), character);
}

// The text from column 0, cut at 20 characters; the rest of the line is left as it is.
void put_display_text(int display, int line, std::string_view text) {
    const size_t count = std::min(text.size(), static_cast<size_t>(kDisplayColumns));
    for (size_t i = 0; i < count; ++i) {
        put_display_char(display, line, static_cast<int>(i), static_cast<uint8_t>(text[i]));
    }
}

// The text padded with spaces to 20 characters, then the carriage return.
void put_display_line(int display, int line, std::string_view text) {
    for (int column = 0; column < kDisplayColumns; ++column) {
        const size_t i = static_cast<size_t>(column);
        put_display_char(display, line, column, i < text.size() ? static_cast<uint8_t>(text[i]) : ' ');
    }
    put_display_char(display, line, kDisplayColumns, kCarriageReturn);
}

// The text right-aligned in the 4-column field that ends at last_column: it
// always ends at the field's last column, and a longer text reaches to the
// left of the field, but never before column 0.
void put_right_aligned(int display, int line, int last_column, std::string_view text) {
    const size_t columns_to_end = static_cast<size_t>(last_column) + 1;
    const std::string_view shown = text.size() > columns_to_end ? text.substr(text.size() - columns_to_end) : text;
    const int start = last_column + 1 - static_cast<int>(shown.size());
    for (int column = last_column + 1 - kFieldWidth; column < start; ++column) {
        put_display_char(display, line, column, ' ');
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        put_display_char(display, line, start + static_cast<int>(i), static_cast<uint8_t>(shown[i]));
    }
}

std::string_view text_of(const char* text) { return text != nullptr ? std::string_view(text) : std::string_view(); }

// The first two characters of a formatted number, written from column.
void put_two_characters(int display, int column, const char* format, int value) {
    char text[16] = {};
    std::snprintf(text, sizeof text, format, value);
    for (int i = 0; i < 2 && text[i] != '\0'; ++i) {
        put_display_char(display, 0, column + i, static_cast<uint8_t>(text[i]));
    }
}

// --- faders -----------------------------------------------------------------

// Follows a fader that keeps moving one way at every step; a reversal must
// exceed the threshold, which keeps converter jitter out.
template <typename Record>
uint8_t follow_fader(Record& record, uint32_t reading_offset, uint16_t maximum) {
    int16_t raw = peek_card_byte(console_card_selector, console_offsets.fader_buffer + reading_offset);
    record.raw = raw;
    if (console_config.fader_calibration() != 0 && maximum != kNotCalibrated) {
        raw = scale_to_255(raw, static_cast<int16_t>(maximum));
        record.raw = raw;
    }
    if (raw >= kFullReadingFrom) {
        raw = 255;
        record.raw = raw;
    }
    const int threshold = analogue_threshold;
    if (raw < record.value) {
        if (record.direction == 0 || record.value - raw > threshold) {
            record.direction = 0;
            record.value = raw;
        }
    } else if (raw > record.value) {
        if (record.direction == 1 || raw - record.value > threshold) {
            record.direction = 1;
            record.value = raw;
        }
    }
    return static_cast<uint8_t>(record.value);
}

// A byte of the console card's DMX input buffer at position 0..511; 0 beyond it.
uint8_t read_dmx_input(int position) {
    if (position < 0 || position >= static_cast<int>(kDmxInputBytes)) return 0;
    return peek_card_byte(console_card_selector, console_offsets.input_buffer + static_cast<uint32_t>(position));
}

// --- belts ------------------------------------------------------------------

bool valid_belt(int16_t belt, int count, uint8_t byte) { return belt >= 1 && belt <= count && byte <= 1; }

uint32_t belt_cell(uint32_t registers, int16_t belt, uint8_t byte) {
    return registers + 2 * static_cast<uint32_t>(belt - 1) + byte;
}

}  // namespace

// --- card access --------------------------------------------------------------

uint8_t peek_card_byte(uint16_t selector, uint32_t offset) {
    if (selector == 0) return 0;
    return platform::far_peek_byte(selector, offset);
}

uint16_t peek_card_word(uint16_t selector, uint32_t offset) {
    if (selector == 0) return 0;
    return platform::far_peek_word(selector, offset);
}

uint32_t peek_card_dword(uint16_t selector, uint32_t offset) {
    if (selector == 0) return 0;
    return platform::far_peek_dword(selector, offset);
}

void poke_card_byte(uint16_t selector, uint32_t offset, uint8_t value) {
    if (selector == 0) return;
    platform::far_poke_byte(selector, offset, value);
}

void poke_card_word(uint16_t selector, uint32_t offset, uint16_t value) {
    poke_card_byte(selector, offset, static_cast<uint8_t>(value));
    poke_card_byte(selector, offset + 1, static_cast<uint8_t>(value >> 8));
}

void poke_card_dword(uint16_t selector, uint32_t offset, uint32_t value) {
    poke_card_word(selector, offset, static_cast<uint16_t>(value));
    poke_card_word(selector, offset + 2, static_cast<uint16_t>(value >> 16));
}

// --- DMX input levels ---------------------------------------------------------

uint8_t read_dmx_in_master_level(int16_t master) {
    if (master < 1 || master > kMasterFaders) return 0;
    return read_dmx_input(setup::dmx_in1_start + master + 8);
}

uint8_t read_dmx_in_playback_level(int16_t playback) {
    if (playback < 1 || playback > kCalibratedPlaybacks) return 0;
    return read_dmx_input(setup::dmx_in1_start + playback - 2);
}

uint8_t read_dmx_in_wing_level(int16_t index) {
    if (index < 1 || index > kDmxInWingPlaybacks) return 0;
    return read_dmx_input(setup::dmx_in2_start + index - 2);
}

// --- analogue faders ----------------------------------------------------------

uint8_t read_master_fader(int16_t master) {
    if (master < 1 || master > kMasterFaders) return 0;
    const uint32_t offset = kFaderStride * static_cast<uint32_t>(master - 1);
    return follow_fader(memories::master_records[static_cast<size_t>(master)], offset,
                        console_config.master_full_scale(master));
}

uint8_t read_playback_fader(int16_t playback) {
    if (playback < 1 || playback > kPlaybackFaders) return 0;
    const uint32_t offset = kPlaybackFaderStart + kFaderStride * static_cast<uint32_t>(playback - 1);
    const uint16_t maximum =
        playback <= kCalibratedPlaybacks ? console_config.playback_full_scale(playback) : kNotCalibrated;
    return follow_fader(playback::playback_fader_states[static_cast<size_t>(playback)], offset, maximum);
}

// --- belts --------------------------------------------------------------------

uint8_t read_function_belt(int16_t belt, uint8_t byte) {
    if (!valid_belt(belt, kFunctionBelts, byte)) return 0;
    return peek_card_byte(console_card_selector, belt_cell(console_offsets.function_belts, belt, byte));
}

uint8_t read_sequence_belt(int16_t belt, uint8_t byte) {
    if (!valid_belt(belt, kSequenceBelts, byte)) return 0;
    return peek_card_byte(console_card_selector, belt_cell(console_offsets.sequence_belts, belt, byte));
}

void write_function_belt(int16_t belt, uint8_t byte, uint8_t value) {
    if (!valid_belt(belt, kFunctionBelts, byte)) return;
    poke_card_byte(console_card_selector, belt_cell(console_offsets.function_belts, belt, byte), value);
}

void write_sequence_belt(int16_t belt, uint8_t byte, uint8_t value) {
    if (!valid_belt(belt, kSequenceBelts, byte)) return;
    poke_card_byte(console_card_selector, belt_cell(console_offsets.sequence_belts, belt, byte), value);
}

// --- displays -----------------------------------------------------------------

void show_console_message(const char* text) {
    const std::string_view message = text_of(text);
    std::string_view line_a = message;
    std::string_view line_b;
    if (message.size() > static_cast<size_t>(kDisplayColumns)) {
        const size_t space = message.substr(0, kDisplayColumns).rfind(' ');
        if (space != std::string_view::npos) {
            line_a = message.substr(0, space);
            line_b = message.substr(space + 1);
        } else {
            line_a = {};
            line_b = message;
        }
    }
    put_display_line(kMessageDisplay, 0, {});
    put_display_line(kMessageDisplay, 1, line_a);
    put_display_line(kMessageDisplay, 2, line_b);
    put_display_line(kMessageDisplay, 3, {});
}

void init_console_displays() {
    for (int display = 1; display <= kSequenceDisplays; ++display) {
        char header[] = "SEQ A P: **  C: **.*";
        header[4] = static_cast<char>('A' + display - 1);
        put_display_text(display, 0, header);
        put_display_text(display, 1, "**** MEMORYNAME ****");
        put_display_text(display, 2, "MEMORY F.TIME W.TIME");
        put_display_text(display, 3, "****    ****    ****");
    }
}

void show_console_cue_number(int16_t sequence, int16_t page, int16_t cue, int16_t point) {
    if (!valid_sequence(sequence)) return;
    put_two_characters(sequence, kPageColumn, "%02d", page);
    put_two_characters(sequence, kCueColumn, "%02d", cue);
    if (point == 1) {
        put_display_char(sequence, 0, kPointColumn, ' ');
        put_display_char(sequence, 0, kPointColumn + 1, ' ');
    } else {
        put_two_characters(sequence, kPointColumn, ".%01d", point - 1);
    }
}

void show_console_name(int16_t sequence, const char* text) {
    if (!valid_sequence(sequence)) return;
    const std::string_view number_text = text_of(text);
    put_right_aligned(sequence, kTimeLine, kNumberFieldLast, number_text);
    put_display_text(sequence, kNameLine, kBlankLine);
    const long number = std::strtol(text != nullptr ? text : "", nullptr, 10);
    std::string_view name_line;
    if (number < 1) {
        name_line = kNoMemoryLine;
    } else {
        const std::string_view name =
            number <= memories::kMemories ? memories::memory_name(static_cast<int16_t>(number)) : std::string_view();
        name_line = name.empty() ? kNoNameLine : name;
    }
    put_display_text(sequence, kNameLine, name_line);
}

void show_sequence_display(int16_t sequence, const char* text) {
    if (!valid_sequence(sequence)) return;
    put_right_aligned(sequence, kTimeLine, kFadeFieldLast, text_of(text));
}

void show_sequence_display_second_field(int16_t sequence, const char* text) {
    if (!valid_sequence(sequence)) return;
    put_right_aligned(sequence, kTimeLine, kWaitFieldLast, text_of(text));
}

void show_playback_name(int16_t playback) {
    if (playback < 1 || playback > kWingBankLines * 2) return;
    const int position = playback > kWingBankLines ? playback - kWingBankLines : playback;
    const int display = kFirstPlaybackDisplay + (position - 1) / kPlaybacksPerDisplay;
    const int line = (position - 1) % kPlaybacksPerDisplay;
    const auto& stored = playback::wing_lcd_texts[static_cast<size_t>(playback)];
    const std::string_view text(stored.data(), strnlen(stored.data(), kDisplayColumns));
    put_display_line(display, line, {});
    put_display_text(display, line, text);
    put_display_char(display, line, kDisplayColumns, kCarriageReturn);
}

// --- card parameters, signature, trackerball flag ------------------------------

void upload_card_parameters() {
    uint8_t parameter_byte = console_config.card_parameter_byte();
    if (parameter_byte == 0) parameter_byte = kDefaultCardParameterByte;
    const int cards = std::min<int>(interface_card_count, kCardSlots);
    for (int card = 1; card <= cards; ++card) {
        const uint16_t selector = dmx_card_selectors[static_cast<size_t>(card)];
        for (size_t table = 0; table < kCardParameterCells.size(); ++table) {
            poke_card_word(selector, kCardParameterCells[table],
                           console_config.card_parameter(static_cast<int>(table), card));
        }
        poke_card_byte(selector, kCardParameterByteCell, parameter_byte);
    }
}

bool check_card_signature(uint16_t selector) {
    char signature[9] = {};
    for (uint32_t i = 0; i < 8; ++i) signature[i] = static_cast<char>(peek_card_byte(selector, kSignatureCell + i));
    return kCardSignature == signature;
}

void clear_console_flag() {
    const uint8_t flags = peek_card_byte(console_card_selector, kConsoleFlagCell);
    poke_card_byte(console_card_selector, kConsoleFlagCell, static_cast<uint8_t>(flags & ~kConsoleFlagBit));
}

void set_console_flag() {
    const uint8_t flags = peek_card_byte(console_card_selector, kConsoleFlagCell);
    poke_card_byte(console_card_selector, kConsoleFlagCell, static_cast<uint8_t>(flags | kConsoleFlagBit));
}

}  // namespace runtime
