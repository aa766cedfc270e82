#include "sync/midi_input.h"

#include <array>
#include <cstdio>

#include "platform/selectors.h"
#include "runtime/card_discovery.h"
#include "runtime/timers.h"
#include "sync/midi_events.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace synchro {

namespace {

// midi_ring_offsets: where the driver keeps each register.
constexpr size_t kRingBaseRegister = 0, kReadIndexRegister = 1, kWriteIndexRegister = 2, kClockCountRegister = 3;
constexpr uint32_t kRingBytes = 128;
constexpr uint16_t kStatusWordBit = 0x8000;
constexpr uint16_t kLoneSysexEnd = 0xF700;
constexpr uint8_t kSysexEnd = 0xF7;
constexpr uint8_t kMaxMessageWords = 3;
constexpr uint16_t kClocksPerBeat = 24;
constexpr uint32_t kClockStopped_ms = 250;

// Show control: buffer byte 4 is the command, its data start at byte 5.
constexpr size_t kShowCommandByte = 4;
constexpr size_t kShowDataByte = 5;
constexpr uint8_t kShowGo = 0x01;
constexpr uint8_t kShowOpenCueList = 0x1B;
constexpr int kListDigits = 4;
constexpr int kMidiLists = 128;
constexpr int kGoFields = 3;  // cue, page, point
constexpr int kMaxCue = 70, kMaxPage = 16, kMaxPoint = 10;
constexpr int32_t kInvalidBeep_hz = 400;
constexpr uint32_t kInvalidBeep_ms = 2000;

struct MessageAssembly {
    uint8_t expected = 0;  // words of the open message, 0 when none is open
    uint8_t received = 0;
    std::array<uint16_t, kMaxMessageWords> words{};
};

struct SysexState {
    bool open = false;
    bool overflow = false;  // bytes beyond the buffer were dropped
    size_t length = 0;
    std::array<uint8_t, kSysexBufferBytes> buffer{};
};

struct ClockState {
    uint16_t last_count = 0;
    uint16_t beat_mark = 0;
    uint32_t last_change_ms = 0;
    bool reset_requested = false;
};

uint16_t ring_base = 0;
bool ring_base_read = false;
// Set while a word is being taken: a refused field's beep runs the
// background poll, which must leave the ring alone until the word's event
// is set, or a message read meanwhile would be overwritten and lost.
bool taking_word = false;
MessageAssembly message;
SysexState sysex;
ClockState midi_clock;

uint16_t ring_register(size_t which) {
    return platform::far_peek_word(runtime::sync_interface_selector, runtime::midi_ring_offsets[which]);
}
void set_ring_register(size_t which, uint16_t value) {
    platform::far_poke_word(runtime::sync_interface_selector, runtime::midi_ring_offsets[which], value);
}

void set_event(uint16_t word1, uint16_t word2, uint16_t word3) { midi_event.words = {word1, word2, word3}; }

bool is_digit(uint8_t byte) { return byte >= '0' && byte <= '9'; }

// ------------------------------------------------------------------ clock

bool clock_step() {
    ClockState& c = midi_clock;
    const uint32_t now_ms = runtime::clock_ms;
    if (now_ms < c.last_change_ms) c.last_change_ms = now_ms;
    if (c.reset_requested) {
        c.last_count = 0;
        c.beat_mark = 0;
        set_ring_register(kClockCountRegister, 0);
        c.reset_requested = false;
    }
    const uint16_t count = ring_register(kClockCountRegister);
    if (count > c.last_count) {
        c.last_count = count;
        c.last_change_ms = now_ms;
        if (count - c.beat_mark >= kClocksPerBeat || count % kClocksPerBeat == 0) {
            c.beat_mark = count;
            set_event(static_cast<uint16_t>(kMidiEventBeat << 8), 0, 0);
            return true;
        }
    } else if (count < c.last_count) {
        c.reset_requested = true;
    } else if (count != 0 && now_ms - c.last_change_ms >= kClockStopped_ms) {
        c.reset_requested = true;  // the clock stopped: counting restarts from 0
    }
    return false;
}

// ------------------------------------------------------------------ show control

void refuse_field(const char* text) {
    ui::show_message("%s", text);
    ui::beep_interruptible(kInvalidBeep_hz, kInvalidBeep_ms);
}

// OPEN_CUE_LIST: up to four digits; at least one is needed.
bool decode_open_cue_list() {
    int number = 0;
    int digits = 0;
    for (size_t i = kShowDataByte; i < sysex.length && digits < kListDigits && is_digit(sysex.buffer[i]); ++i) {
        number = number * 10 + (sysex.buffer[i] - '0');
        ++digits;
    }
    if (digits == 0 || number >= kMidiLists) return false;
    set_event(static_cast<uint16_t>(kMidiEventOpenList << 8), static_cast<uint16_t>(number), 0);
    sysex.open = false;
    return true;
}

// GO: cue, page and point as decimal fields ended by 0 bytes; other bytes
// are skipped. A cue number with a decimal point ("5.5") names no cue of
// this console (its points come as the third field) and is refused like
// one out of range. A missing or refused cue number calls nothing.
bool decode_go() {
    std::array<int, kGoFields> fields{};
    std::array<bool, kGoFields> given{};
    bool cue_has_point = false;
    int field = 0;
    for (size_t i = kShowDataByte; i < sysex.length && field < kGoFields; ++i) {
        const uint8_t byte = sysex.buffer[i];
        if (byte == 0) {
            ++field;
        } else if (is_digit(byte)) {
            // Capped, so a long run of digits cannot overflow; anything above the limits is refused.
            if (fields[static_cast<size_t>(field)] < 100000) {
                fields[static_cast<size_t>(field)] = fields[static_cast<size_t>(field)] * 10 + (byte - '0');
            }
            given[static_cast<size_t>(field)] = true;
        } else if (byte == '.' && field == 0) {
            cue_has_point = true;
        }
    }
    sysex.open = false;
    const int cue = fields[0];
    int page = fields[1];
    int point = fields[2];
    const bool cue_valid = given[0] && !cue_has_point && cue >= 1 && cue <= kMaxCue;
    if ((cue != 0 || cue_has_point) && !cue_valid) refuse_field("Midi Cuenr invalid");
    if (page != 0 && page > kMaxPage) refuse_field("Midi Cuepage invalid");
    if (point != 0 && point > kMaxPoint) refuse_field("Midi PointCue invalid");
    if (page < 1 || page > kMaxPage) page = 1;
    if (point < 1 || point > kMaxPoint) point = 1;
    if (!cue_valid) return false;
    const int slot = (page - 1) * kMaxCue * kMaxPoint + (cue - 1) * kMaxPoint + point;
    set_event(static_cast<uint16_t>(kMidiEventShowGo << 8), static_cast<uint16_t>(slot), 0);
    return true;
}

bool decode_sysex() {
    if (sysex.overflow) {
        sysex.open = false;  // cut short: its header may not be trusted
        return false;
    }
    if (sysex.length <= kShowCommandByte) return false;
    const uint8_t command = sysex.buffer[kShowCommandByte];
    if (command == kShowOpenCueList) return decode_open_cue_list();
    if (command == kShowGo && sysex.length > kShowDataByte) return decode_go();
    return false;
}

void store_sysex_byte(uint8_t byte) {
    if (sysex.length < sysex.buffer.size()) {
        sysex.buffer[sysex.length++] = byte;
    } else {
        sysex.overflow = true;
    }
}

// ------------------------------------------------------------------ ring words

void take_status_word(uint16_t word) {
    const uint8_t status = static_cast<uint8_t>(word >> 8);
    if (midi_status_names[status].empty()) {
        message.expected = 0;
        return;
    }
    const uint8_t count = midi_status_words[status];
    if (count == 0 || count > kMaxMessageWords) {
        message.expected = 0;
    } else {
        message.expected = count;
        message.received = 1;
        message.words = {word, 0, 0};
    }
    sysex.open = false;
    if (status == 0xF0) {
        sysex = SysexState{};
        sysex.open = true;
        message.words = {word, 0, 0};
    }
}

bool take_data_word(uint16_t word) {
    if (sysex.open) {
        const auto high = static_cast<uint8_t>(word >> 8);
        const auto low = static_cast<uint8_t>(word);
        store_sysex_byte(high);
        store_sysex_byte(low);
        return (high == kSysexEnd || low == kSysexEnd) && decode_sysex();
    }
    if (message.expected == 0 || message.received >= kMaxMessageWords) return false;  // running status: dropped
    message.words[message.received++] = word;
    return false;
}

bool complete_message() {
    if (message.expected == 0 || message.received != message.expected) return false;
    midi_event.words = message.words;
    message = MessageAssembly{};
    return true;
}

}  // namespace

void reset_midi_input_globals() {
    ring_base = 0;
    ring_base_read = false;
    taking_word = false;
    message = {};
    sysex = {};
    midi_clock = {};
}

bool poll_midi_input() {
    if (runtime::sync_interface_selector == 0 || taking_word) return false;
    if (!ring_base_read) {
        ring_base = ring_register(kRingBaseRegister);
        ring_base_read = true;
    }
    uint16_t read = ring_register(kReadIndexRegister);
    if (read == ring_register(kWriteIndexRegister)) return clock_step();
    if (read < ring_base || read >= ring_base + kRingBytes) read = ring_base;  // a stray index restarts the ring
    const uint16_t word = platform::far_peek_word(runtime::sync_interface_selector, read);
    read = static_cast<uint16_t>(read + 2);
    if (read >= ring_base + kRingBytes) read = ring_base;
    set_ring_register(kReadIndexRegister, read);

    if ((word & kStatusWordBit) != 0 && word != kLoneSysexEnd) {
        take_status_word(word);
        return complete_message();
    }
    taking_word = true;
    const bool decoded = take_data_word(word);
    taking_word = false;
    return decoded || complete_message();
}

void reset_midi_input() {
    if (runtime::sync_interface_selector == 0) return;
    set_ring_register(kReadIndexRegister, ring_register(kWriteIndexRegister));
}

}  // namespace synchro
