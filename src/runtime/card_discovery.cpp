#include "runtime/card_discovery.h"

#include <array>
#include <string>
#include <string_view>

#include "platform/interrupts.h"
#include "platform/machine.h"
#include "platform/speaker.h"
#include "platform/text_screen.h"
#include "playback/playback_wing.h"
#include "runtime/card_access.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panels.h"

namespace runtime {

std::array<uint16_t, kCardSlots + 1> card_segment_selectors{};
uint16_t console_card_selector = 0;
uint16_t console_card_number = 0;
uint16_t clock_card = 0;
std::array<uint16_t, kCardSlots + 1> dmx_card_selectors{};
std::array<uint16_t, kCardSlots + 1> dmx_card_half{};
uint16_t sync_interface_selector = 0;
uint8_t sound_input_present = 0;
std::array<uint16_t, kCardSlots + 1> card_firmware_versions{};
int16_t function_record_capacity = kFunctionRecordCapacity;
uint8_t interface_card_count = kCardSlots;
HwOptionFlags hw_option_flags;

std::array<DmxCardOffsets, kCardSlots + 1> dmx_card_offsets{};
ConsoleCardOffsets console_offsets;
std::array<uint16_t, kSyncRegisters> sync_register_offsets{};
std::array<uint16_t, kMidiRingRegisters> midi_ring_offsets{};

namespace {

// Pointer cells of the card's pointer table.
constexpr uint32_t kDmxOutPointerCell = 1024;
constexpr std::array<uint32_t, 5> kWordTablePointerCells = {0, 1026, 1028, 1030, 1032};  // tables 1..4
constexpr uint32_t kChannelWordPointerCell = 1034;
constexpr uint32_t kDmxInPointerCell = 1036;
constexpr uint32_t kReadBackPointerCell = 1038;
constexpr uint32_t kFaderPointerCell = 1072;
constexpr uint32_t kSequenceBeltPointerCell = 1168;
constexpr uint32_t kFunctionBeltPointerCell = 1170;

// A pointer holds a card address; the window offset is 4000h less, and a
// second-half card's buffers lie 200h (bytes) or 400h (word tables) higher.
// A pointer below 4000h gives an offset beyond every window (reads 0).
constexpr uint32_t kCardAddressBase = 0x4000;
constexpr uint32_t kSecondHalfByteShift = 0x200;
constexpr uint32_t kSecondHalfWordShift = 0x400;
constexpr std::array<uint32_t, 3> kStatusCells = {0, 1136, 1138};  // by half

// Fixed cells of the console and clock card.
constexpr uint32_t kDisplayCell = 0x3672;
constexpr uint32_t kKeyFifoBaseCell = 1056;
constexpr uint32_t kKeyFifoReadCell = 1058;
constexpr uint32_t kKeyFifoWriteCell = 1060;
constexpr uint16_t kEmptyKeyFifo = 0x7F40;
constexpr uint32_t kLedRingBaseCell = 1064;
constexpr uint32_t kLedRingReadCell = 1066;
constexpr uint32_t kLedRingWriteCell = 1068;
constexpr uint32_t kVersionBase = 0x4E0;
constexpr uint32_t kParameterByteCell = 1188;
constexpr uint32_t kClockCell = 1190;
constexpr uint32_t kOptionCell = 1126;
constexpr uint32_t kOptionCell2 = 1127;
constexpr uint32_t kFirmwareVersionCell = 1258;
constexpr uint16_t kFirstReadBackVersion = 335;

// Console option bits of cells 1126 and 1127.
constexpr uint8_t kOptionAnalogueSection = 0x01;
constexpr uint8_t kOptionFunctionBelts = 0x02;
constexpr uint8_t kOptionSequenceBelts = 0x04;
constexpr uint8_t kOptionDisplays = 0x08;
constexpr uint8_t kOptionHardwareKeys = 0x10;
constexpr uint8_t kOptionWing = 0x40;
constexpr uint8_t kWingConnected = 0x40;

// The SMPTE/MIDI interface: its driver's probe and the registers of its window.
constexpr uint8_t kSyncDriverInterrupt = 0x68;
constexpr uint16_t kSyncDriverProbe = 0x55AA;
constexpr std::array<uint16_t, kSyncRegisters> kSyncRegisterOffsets = {
    0x110, 0x113, 0x112, 0x115, 0x114, 0x116, 0x160, 0x150, 0x11E, 0x120, 0x158, 0x154};
constexpr std::array<uint16_t, kMidiRingRegisters> kMidiRingOffsets = {0x120, 0x122, 0x124, 0x12E};
constexpr uint32_t kSyncSignatureCell = 0x160;
constexpr std::string_view kSyncSignature = "SMPTE";
constexpr uint32_t kSoundInputMarkerCell = 0x155;
constexpr uint8_t kSoundInputMarker = 'C';

constexpr int kProtocols = 4;

constexpr int kWingBeepHz = 400;
constexpr uint32_t kWingBeepMs = 2000;

constexpr std::string_view kWingDetected = "WING DETECTED AND ENABLED";
constexpr std::string_view kWingLost = "WING CONNECTION LOST....";

// The wing's notice: its message stays for 2000 ms with the tone (silent with
// the beeper off), then the memory panel comes back. The console runs on
// meanwhile; the poll ends the tone and the wing watch brings the panel back.
struct WingNotice {
    bool tone_sounding = false;
    bool shown = false;         // the memory panel is still to come back
    uint32_t start_ms = 0;      // millisecond clock when the notice began
    std::string_view text;
};
WingNotice wing_notice;

bool wing_notice_over() {
    const uint32_t now_ms = get_time_ms();
    // A clock that went back (the card clock restarted) ends it too.
    return now_ms < wing_notice.start_ms || now_ms - wing_notice.start_ms >= kWingBeepMs;
}

void start_wing_notice(std::string_view text) {
    ui::show_message("%.*s", static_cast<int>(text.size()), text.data());
    const bool audible = console_config.beeper() != 0;
    if (audible) platform::sound(kWingBeepHz);
    wing_notice = {audible, true, get_time_ms(), text};
}

// The memory panel comes back once the notice is over, unless another
// message has taken the line meanwhile.
void end_wing_notice_when_due() {
    end_wing_tone_when_due();
    if (!wing_notice.shown || !wing_notice_over()) return;
    wing_notice.shown = false;
    if (ui::current_message() == wing_notice.text) ui::redraw_memory_panel();
}

constexpr int kFailureColumn = 15;
constexpr int kFailureRow = 10;
constexpr int kFailureBeepHz = 400;
constexpr uint32_t kFailureBeepMs = 1000;
constexpr int kBlack = 0;
constexpr int kRed = 4;
constexpr int kYellow = 14;
constexpr std::array<const char*, 4> kMemoryFailureLines = {
    " ------------- CHECKING MEMORYALLOCATION ------------ ",
    " NOT ENOUGH MEMORY !                                  ",
    " PRESS ANY KEY TO RETURN TO DOS ...                   ",
    " ---------------------------------------------------- ",
};

// DPMI segment to descriptor; 0 when the host refuses.
uint16_t map_segment(uint16_t segment) {
    platform::Regs regs;
    regs.set_ax(0x0002);
    regs.set_bx(segment);
    platform::int386(0x31, regs);
    return regs.carry ? 0 : regs.ax();
}

// The three version characters of a card as a number: leading blanks and a
// sign allowed, conversion stops at the first non-digit; negative gives 0.
uint16_t read_firmware_version(uint16_t selector) {
    std::array<uint8_t, 3> digits{};
    for (uint32_t i = 0; i < digits.size(); ++i) digits[i] = peek_card_byte(selector, kFirmwareVersionCell + i);
    size_t i = 0;
    while (i < digits.size() && (digits[i] == ' ' || (digits[i] >= '\t' && digits[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) {
        negative = digits[i] == '-';
        ++i;
    }
    uint16_t value = 0;
    for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
        value = static_cast<uint16_t>(value * 10 + (digits[i] - '0'));
    }
    return negative ? 0 : value;
}

uint32_t buffer_offset(uint16_t pointer, uint32_t shift) { return uint32_t{pointer} - kCardAddressBase + shift; }

uint32_t pointer_offset(uint16_t selector, uint32_t cell, uint32_t shift) {
    return buffer_offset(peek_card_word(selector, cell), shift);
}

// The protocol names as the configuration gives them, [protocol][slot] 1..4,
// taken before any DMX card takes over the names of another slot.
using ProtocolNames = std::array<std::array<std::string, kCardSlots + 1>, kProtocols + 1>;

ProtocolNames configured_protocol_names() {
    ProtocolNames names{};
    for (int protocol = 1; protocol <= kProtocols; ++protocol) {
        for (int slot = 1; slot <= kCardSlots; ++slot) {
            names[static_cast<size_t>(protocol)][static_cast<size_t>(slot)] =
                console_config.protocol_name(protocol, slot);
        }
    }
    return names;
}

void copy_protocol_names(const ProtocolNames& configured, int card, int slot) {
    for (int protocol = 1; protocol <= kProtocols; ++protocol) {
        console_config.set_protocol_name(protocol, card,
                                         configured[static_cast<size_t>(protocol)][static_cast<size_t>(slot)]);
    }
}

void read_dmx_card_offsets(int card) {
    DmxCardOffsets& offsets = dmx_card_offsets[static_cast<size_t>(card)];
    offsets = DmxCardOffsets{};
    const uint16_t selector = dmx_card_selectors[static_cast<size_t>(card)];
    const uint16_t half = dmx_card_half[static_cast<size_t>(card)];
    if (selector == 0 || half < 1 || half > 2) return;
    const uint32_t byte_shift = half == 2 ? kSecondHalfByteShift : 0;
    const uint32_t word_shift = half == 2 ? kSecondHalfWordShift : 0;
    const bool has_read_back = half == 2 || read_firmware_version(selector) >= kFirstReadBackVersion;
    offsets.input_buffer = pointer_offset(selector, kDmxInPointerCell, byte_shift);
    offsets.output_buffer = pointer_offset(selector, kDmxOutPointerCell, byte_shift);
    offsets.read_back_buffer =
        pointer_offset(selector, has_read_back ? kReadBackPointerCell : kDmxOutPointerCell, byte_shift);
    offsets.channel_word_table = pointer_offset(selector, kChannelWordPointerCell, word_shift);
    for (size_t table = 1; table < kWordTablePointerCells.size(); ++table) {
        offsets.word_tables[table] = pointer_offset(selector, kWordTablePointerCells[table], word_shift);
    }
    offsets.status_cell = kStatusCells[half];
}

void read_console_offsets() {
    ConsoleCardOffsets& offsets = console_offsets;
    offsets = ConsoleCardOffsets{};
    midi_ring_offsets = {};
    if (clock_card == 0) return;
    offsets.fader_buffer = pointer_offset(clock_card, kFaderPointerCell, 0);
    offsets.function_belts = pointer_offset(clock_card, kFunctionBeltPointerCell, 0);
    offsets.sequence_belts = pointer_offset(clock_card, kSequenceBeltPointerCell, 0);
    offsets.input_buffer = pointer_offset(console_card_selector, kDmxInPointerCell, 0);
    offsets.display_cell = kDisplayCell;
    offsets.key_fifo_base_cell = kKeyFifoBaseCell;
    offsets.key_fifo_read_cell = kKeyFifoReadCell;
    offsets.key_fifo_write_cell = kKeyFifoWriteCell;
    offsets.led_ring_base_cell = kLedRingBaseCell;
    offsets.led_ring_read_cell = kLedRingReadCell;
    offsets.led_ring_write_cell = kLedRingWriteCell;
    offsets.version_base = kVersionBase;
    offsets.parameter_byte_cell = kParameterByteCell;
    offsets.clock_cell = kClockCell;
    offsets.option_cell = kOptionCell;
    midi_ring_offsets = kMidiRingOffsets;
}

uint8_t bit_set(uint8_t byte, uint8_t bit) { return (byte & bit) != 0 ? 1 : 0; }

// Both commands reach the card: the LED goes to the other state first.
void refresh_transparency_led(int16_t key, uint8_t mode) {
    uint8_t state = LED_OFF;
    if (mode == 1) state = LED_ON;
    if (mode == 2) state = LED_BLINK;
    set_key_led(key, state == LED_OFF ? LED_ON : LED_OFF);
    set_key_led(key, state);
}

void show_memory_failure() {
    platform::_setcursortype(platform::kCursorHidden);
    platform::textbackground(kBlack);
    platform::clrscr();
    platform::textbackground(kRed);
    platform::textcolor(kYellow);
    for (size_t i = 0; i < kMemoryFailureLines.size(); ++i) {
        platform::gotoxy(kFailureColumn, kFailureRow + static_cast<int>(i));
        platform::cputs(kMemoryFailureLines[i]);
    }
    ui::beep(kFailureBeepHz, kFailureBeepMs);
    platform::getch();
    platform::_setcursortype(platform::kCursorNormal);
    platform::textmode(platform::kTextModeColour80);
    platform::exit_program(1);
}

}  // namespace

void discover_cards() {
    function_record_capacity = kFunctionRecordCapacity;
    interface_card_count = kCardSlots;
    card_segment_selectors = {};
    dmx_card_selectors = {};
    dmx_card_half = {};
    console_card_selector = 0;
    console_card_number = 0;
    clock_card = 0;

    const uint16_t console_slot = console_config.console_card_slot();
    for (int slot = 1; slot <= kCardSlots; ++slot) {
        const uint16_t segment = console_config.card_segment(slot);
        if (segment == 0) continue;
        const uint16_t selector = map_segment(segment);
        card_segment_selectors[static_cast<size_t>(slot)] = selector;
        if (console_slot == slot) {
            console_card_selector = selector;
            console_card_number = static_cast<uint16_t>(slot);
        }
    }

    for (uint16_t& selector : card_segment_selectors) {
        if (selector != 0 && !check_card_signature(selector)) selector = 0;
    }
    if (console_card_selector != 0 && !check_card_signature(console_card_selector)) {
        console_card_number = 0;
        console_card_selector = 0;
    }

    for (int slot = 1; slot <= kCardSlots && clock_card == 0; ++slot) {
        clock_card = card_segment_selectors[static_cast<size_t>(slot)];
    }

    const ProtocolNames configured = configured_protocol_names();
    for (int card = 1; card <= kCardSlots; ++card) {
        const uint8_t choice = console_config.dmx_card_choice(card);
        if (choice == 0 || choice > 2 * kCardSlots) continue;
        const int slot = (choice + 1) / 2;
        const uint16_t selector = map_segment(kCardSlotSegments[static_cast<size_t>(slot)]);
        if (selector == 0 || !check_card_signature(selector)) continue;
        copy_protocol_names(configured, card, slot);
        dmx_card_selectors[static_cast<size_t>(card)] = selector;
        dmx_card_half[static_cast<size_t>(card)] = (choice % 2 == 1) ? 1 : 2;
    }
}

void read_card_memory_map() {
    for (int card = 1; card <= kCardSlots; ++card) read_dmx_card_offsets(card);
    read_console_offsets();
    if (peek_card_word(console_card_selector, kKeyFifoBaseCell) == 0) {
        poke_card_word(console_card_selector, kKeyFifoBaseCell, kEmptyKeyFifo);
        poke_card_word(console_card_selector, kKeyFifoReadCell, kEmptyKeyFifo);
        poke_card_word(console_card_selector, kKeyFifoWriteCell, kEmptyKeyFifo);
    }
}

void probe_interface_driver() {
    platform::Regs regs;
    regs.set_ax(kSyncDriverProbe);
    platform::int386(kSyncDriverInterrupt, regs);
    sync_interface_selector = map_segment(regs.ax());
    sync_register_offsets = kSyncRegisterOffsets;
    for (uint32_t i = 0; i < kSyncSignature.size(); ++i) {
        if (peek_card_byte(sync_interface_selector, kSyncSignatureCell + i) != static_cast<uint8_t>(kSyncSignature[i])) {
            sync_interface_selector = 0;
            break;
        }
    }
    sound_input_present =
        (sync_interface_selector != 0 && peek_card_byte(sync_interface_selector, kSoundInputMarkerCell) == kSoundInputMarker)
            ? 1
            : 0;
}

void read_eprom_versions() {
    card_firmware_versions = {};
    for (int card = 1; card <= kCardSlots; ++card) {
        const uint16_t selector = dmx_card_selectors[static_cast<size_t>(card)];
        if (selector != 0) card_firmware_versions[static_cast<size_t>(card)] = read_firmware_version(selector);
    }
    if (console_card_selector != 0) card_firmware_versions[0] = read_firmware_version(console_card_selector);
}

void read_console_options() {
    const uint8_t options = peek_card_byte(console_card_selector, kOptionCell);
    const uint8_t playbacks_configured = console_config.analogue_playbacks() != 0 ? 1 : 0;
    HwOptionFlags& flags = hw_option_flags;
    flags.analogue_section = bit_set(options, kOptionAnalogueSection);
    if (flags.analogue_section == 0) {
        flags.analogue_masters = 0;
        flags.analogue_playbacks = 0;
        flags.playback_wing = 0;
    } else {
        flags.analogue_masters = console_config.analogue_masters() != 0 ? 1 : 0;
        flags.analogue_playbacks = playbacks_configured;
        flags.playback_wing = playbacks_configured != 0 ? bit_set(options, kOptionWing) : 0;
    }
    flags.function_belts = bit_set(options, kOptionFunctionBelts) & (console_config.function_belts() != 0 ? 1 : 0);
    flags.sequence_belts = bit_set(options, kOptionSequenceBelts) & (console_config.sequence_belts() != 0 ? 1 : 0);
    flags.displays = bit_set(options, kOptionDisplays) & (console_config.displays() != 0 ? 1 : 0);
    flags.hardware_keys = bit_set(options, kOptionHardwareKeys) & (console_config.hardware_keys() != 0 ? 1 : 0);
    flags.wing_port = bit_set(peek_card_byte(console_card_selector, kOptionCell2), kWingConnected);
    if (flags.wing_port != 0 && playbacks_configured != 0) flags.playback_wing = 1;
    flags.small_console_keys = console_config.small_console_keys() != 0 ? 1 : 0;
}

void check_memory() {
    if (!allocate_show_tables()) show_memory_failure();
}

void end_wing_tone_when_due() {
    if (wing_notice.tone_sounding && wing_notice_over()) stop_wing_tone();
}

void stop_wing_tone() {
    if (!wing_notice.tone_sounding) return;
    platform::nosound();
    wing_notice.tone_sounding = false;
}

void watch_wing() {
    end_wing_notice_when_due();
    const uint8_t connected = bit_set(peek_card_byte(console_card_selector, kOptionCell2), kWingConnected);
    if (connected == hw_option_flags.wing_port) return;
    if (console_config.analogue_playbacks() != 0) hw_option_flags.playback_wing = 1;
    hw_option_flags.wing_port = connected;
    start_wing_notice(connected != 0 ? kWingDetected : kWingLost);
    const uint8_t shown_bank = playback::wing_bank;
    playback::select_wing_lcd_bank(shown_bank == 0 ? 1 : 0);
    playback::select_wing_lcd_bank(shown_bank);
    refresh_transparency_led(KEY_TRANSPARENT_PLB, playback::playback_transparent_mode);
    refresh_transparency_led(KEY_TRANSPARENT_SEQ, playback::sequence_transparent_mode);
}

}  // namespace runtime
