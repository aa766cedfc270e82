#include "platform/card_bus.h"

#include <algorithm>

namespace platform {

namespace {

// Fixed cells of a card (window offsets).
constexpr uint32_t kCellSignature = 6;
constexpr uint32_t kCellDmxOutPointer = 0x400;
constexpr uint32_t kCellWordTablePointers = 0x402;  // four words: tables 1 to 4
constexpr uint32_t kCellChannelWordPointer = 0x40A;
constexpr uint32_t kCellDmxInPointer = 0x40C;
constexpr uint32_t kCellReadBackPointer = 0x40E;
constexpr uint32_t kCellFaderPointer = 0x430;
constexpr uint32_t kCellOptions = 0x466;
constexpr uint32_t kCellOptions2 = 0x467;
constexpr uint32_t kCellSequenceBeltPointer = 0x490;
constexpr uint32_t kCellFunctionBeltPointer = 0x492;
constexpr uint32_t kCellMillisecondCounter = 0x4A6;
constexpr uint32_t kCellFirmwareVersion = 0x4EA;
constexpr uint8_t kWingConnectedBit = 0x40;

// Tables uploaded for firmware older than 335, one entry per card channel;
// the card has one set of them, used for both halves.
constexpr int kFirstTransformingVersion = 335;
constexpr uint32_t kCurveFlags = 0x1B00;
constexpr uint32_t kCustomCurves = 0x1D00;  // three curves of 256 bytes
constexpr uint32_t kScales = 0x2000;
constexpr uint8_t kNoScale = 255;

constexpr uint32_t kLcdBase = 0x3600;
constexpr uint32_t kLcdDisplayBytes = 85;
constexpr uint32_t kLcdLineBytes = 21;
constexpr uint8_t kCarriageReturn = 13;

// The upload cells of the fixture firmware upload, per output line (half):
// the program's command and data byte, the firmware's acknowledgement and
// its count of the bytes taken (one word for both lines).
constexpr uint32_t kUploadCommandCell = 0x3FE0;     // + half - 1
constexpr uint32_t kUploadAckCell = 0x3FE2;         // + half - 1
constexpr uint32_t kUploadCounterCell = 0x3FE4;     // u16
constexpr uint32_t kUploadCellBytes = 6;
constexpr std::array<uint32_t, kDmxHalves> kUploadDataCells = {0x488, 0x48C};
constexpr uint8_t kUploadAck = 0xAA;
enum UploadCommand : uint8_t { kUploadEnd = 0, kUploadClear = 1, kUploadStart = 2, kUploadPrepare = 3, kUploadByte = 4 };

// Where the firmware puts its buffers (card addresses). A second-half byte
// buffer lies 200h above the first-half one, a second-half word table 400h
// above (the program reaches them at p - 3E00h and p - 3C00h).
constexpr uint16_t kDmxOutAddress = 0x4600;
constexpr uint16_t kDmxInAddress = 0x4A00;
constexpr uint16_t kReadBackAddress = 0x4E00;
constexpr uint16_t kKeyFifoAddress = 0x5200;
constexpr uint16_t kLedRingAddress = 0x5240;
constexpr uint16_t kFaderAddress = 0x52C0;
constexpr uint16_t kSequenceBeltAddress = 0x5340;
constexpr uint16_t kFunctionBeltAddress = 0x5360;
constexpr std::array<uint16_t, 4> kWordTableAddresses = {0x8000, 0x8800, 0x9000, 0x9800};
constexpr uint16_t kChannelWordAddress = 0xA000;
constexpr uint32_t kHalfByteStride = 0x200;
constexpr uint32_t kHalfWordStride = 0x400;
constexpr uint32_t kWordTableBytes = 2 * kDmxChannels;

// The two pointer rings: cells of base, read and write pointer, and size.
struct RingCells {
    uint32_t base_cell = 0;
    uint32_t read_cell = 0;
    uint32_t write_cell = 0;
    uint32_t bytes = 0;
};
constexpr RingCells kKeyFifo{0x420, 0x422, 0x424, 32};
constexpr RingCells kLedRing{0x428, 0x42A, 0x42C, 96};
constexpr uint16_t kKeyPressBit = 0x8000;
constexpr uint16_t kLedLitBit = 0x8000;
constexpr uint16_t kLedBlinkBit = 0x4000;
constexpr uint16_t kLedResetAll = 0x7000;

constexpr uint32_t window_offset(uint16_t address) { return static_cast<uint32_t>(address) - kCardAddressBase; }

// Every buffer of both halves, every fixed area and the FIFO the program
// places at 7F40h when the base cell reads 0 must lie apart inside the store.
struct Region {
    uint32_t start = 0;
    uint32_t bytes = 0;
};
constexpr std::array<Region, 24> kLayout = {{
    {0, 0x500},                                                   // cells
    {kUploadCommandCell, kUploadCellBytes},                       // upload cells
    {kCurveFlags, 0x700},                                         // flags, curves, scales
    {kLcdBase, kLcdDisplayBytes * kLcdDisplays},                  // displays
    {window_offset(0x7F40), kKeyFifo.bytes},                      // program's fallback FIFO
    {window_offset(kDmxOutAddress), kDmxChannels},
    {window_offset(kDmxOutAddress) + kHalfByteStride, kDmxChannels},
    {window_offset(kDmxInAddress), kDmxChannels},
    {window_offset(kDmxInAddress) + kHalfByteStride, kDmxChannels},
    {window_offset(kReadBackAddress), kDmxChannels},
    {window_offset(kReadBackAddress) + kHalfByteStride, kDmxChannels},
    {window_offset(kKeyFifoAddress), kKeyFifo.bytes},
    {window_offset(kLedRingAddress), kLedRing.bytes},
    {window_offset(kFaderAddress), 8 + 2 * kPlaybackFaders},
    {window_offset(kSequenceBeltAddress), 2 * kSequenceBelts},
    {window_offset(kFunctionBeltAddress), 2 * kFunctionBelts},
    {window_offset(kWordTableAddresses[0]), kWordTableBytes},
    {window_offset(kWordTableAddresses[0]) + kHalfWordStride, kWordTableBytes},
    {window_offset(kWordTableAddresses[1]), kWordTableBytes},
    {window_offset(kWordTableAddresses[1]) + kHalfWordStride, kWordTableBytes},
    {window_offset(kWordTableAddresses[2]), kWordTableBytes},
    {window_offset(kWordTableAddresses[2]) + kHalfWordStride, kWordTableBytes},
    {window_offset(kWordTableAddresses[3]), 2 * kWordTableBytes},      // table 4, both halves
    {window_offset(kChannelWordAddress), 2 * kWordTableBytes},         // channel words, both halves
}};

constexpr bool layout_is_sound() {
    for (size_t i = 0; i < kLayout.size(); ++i) {
        if (kLayout[i].start + kLayout[i].bytes > kCardStoreBytes) return false;
        for (size_t j = i + 1; j < kLayout.size(); ++j) {
            const bool apart = kLayout[i].start + kLayout[i].bytes <= kLayout[j].start ||
                               kLayout[j].start + kLayout[j].bytes <= kLayout[i].start;
            if (!apart) return false;
        }
    }
    return true;
}
static_assert(layout_is_sound(), "card buffers overlap or leave the store");

// Bounds-checked little-endian access to a store.
uint8_t get_byte(std::span<const uint8_t> s, uint32_t offset) { return offset < s.size() ? s[offset] : 0; }

// A value is read or written whole or not at all, so that an offset near the
// end (or near 2^32, where offset + 1 would wrap to 0) touches nothing.
bool fits(std::span<const uint8_t> s, uint32_t offset, uint32_t bytes) {
    return s.size() >= bytes && offset <= s.size() - bytes;
}

uint16_t get_word(std::span<const uint8_t> s, uint32_t offset) {
    if (!fits(s, offset, 2)) return 0;
    return static_cast<uint16_t>(s[offset] | (s[offset + 1] << 8));
}

uint32_t get_dword(std::span<const uint8_t> s, uint32_t offset) {
    if (!fits(s, offset, 4)) return 0;
    return get_word(s, offset) | (static_cast<uint32_t>(get_word(s, offset + 2)) << 16);
}

void put_byte(std::span<uint8_t> s, uint32_t offset, uint8_t value) {
    if (offset < s.size()) s[offset] = value;
}

void put_word(std::span<uint8_t> s, uint32_t offset, uint16_t value) {
    if (!fits(s, offset, 2)) return;
    s[offset] = static_cast<uint8_t>(value);
    s[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void put_dword(std::span<uint8_t> s, uint32_t offset, uint32_t value) {
    if (!fits(s, offset, 4)) return;
    put_word(s, offset, static_cast<uint16_t>(value));
    put_word(s, offset + 2, static_cast<uint16_t>(value >> 16));
}

// A ring as its pointer cells describe it; valid only when the base lies in
// the store and both pointers are word positions inside the ring.
struct Ring {
    uint32_t base = 0;
    uint32_t read = 0;
    uint32_t write = 0;
    uint32_t bytes = 0;
};

bool inside_ring(uint32_t pointer, const Ring& ring) {
    return pointer >= ring.base && pointer < ring.base + ring.bytes && (pointer - ring.base) % 2 == 0;
}

bool read_ring(std::span<const uint8_t> store, const RingCells& cells, Ring& ring) {
    ring.base = get_word(store, cells.base_cell);
    ring.read = get_word(store, cells.read_cell);
    ring.write = get_word(store, cells.write_cell);
    ring.bytes = cells.bytes;
    if (ring.base < kCardAddressBase) return false;
    if (ring.base - kCardAddressBase + ring.bytes > store.size()) return false;
    return inside_ring(ring.read, ring) && inside_ring(ring.write, ring);
}

uint32_t ring_next(const Ring& ring, uint32_t pointer) {
    const uint32_t next = pointer + 2;
    return next >= ring.base + ring.bytes ? ring.base : next;
}

// Firmware: move waiting key words into the FIFO while it has room (one
// word position stays free, so a full FIFO never looks empty).
void deliver_keys(InterfaceCard& card) {
    Ring ring;
    if (card.key_backlog_count == 0 || !read_ring(card.store, kKeyFifo, ring)) return;
    const uint32_t write_before = ring.write;
    while (card.key_backlog_count > 0) {
        const uint32_t next = ring_next(ring, ring.write);
        if (next == ring.read) break;
        put_word(card.store, ring.write - kCardAddressBase, card.key_backlog[card.key_backlog_head]);
        ring.write = next;
        card.key_backlog_head = (card.key_backlog_head + 1) % kKeyBacklogWords;
        --card.key_backlog_count;
    }
    if (ring.write != write_before) put_word(card.store, kKeyFifo.write_cell, static_cast<uint16_t>(ring.write));
}

void apply_led_word(InterfaceCard& card, uint16_t word) {
    if (word == kLedResetAll) {
        card.leds.fill(static_cast<uint8_t>(LedState::off));
        return;
    }
    const int row = (word >> 8) & 0x3F;
    const int column = word & 0xFF;
    LedState state = LedState::off;
    if ((word & kLedLitBit) != 0) state = (word & kLedBlinkBit) != 0 ? LedState::blinking : LedState::lit;
    card.leds[static_cast<size_t>(row * kLedColumns + column)] = static_cast<uint8_t>(state);
}

// Firmware: take every LED word between the read and the write pointer.
void take_led_words(InterfaceCard& card) {
    Ring ring;
    if (!read_ring(card.store, kLedRing, ring) || ring.read == ring.write) return;
    while (ring.read != ring.write) {
        const uint16_t word = get_word(card.store, ring.read - kCardAddressBase);
        apply_led_word(card, word);
        card.led_log.push(word);
        ring.read = ring_next(ring, ring.read);
    }
    put_word(card.store, kLedRing.read_cell, static_cast<uint16_t>(ring.read));
}

// The level a channel leaves the card with. Firmware from 335 on sends the
// buffer byte as it stands (the program has applied curves and scales);
// older firmware applies the uploaded custom curve and scale of the card
// channel itself, in that order.
uint8_t level_as_sent(const InterfaceCard& card, int channel_index, uint8_t level) {
    if (card.firmware_version >= kFirstTransformingVersion) return level;
    const uint8_t flag = get_byte(card.store, kCurveFlags + static_cast<uint32_t>(channel_index));
    if (flag >= 1 && flag <= 3) {
        level = get_byte(card.store, kCustomCurves + 0x100u * (flag - 1u) + level);
    }
    const uint8_t scale = get_byte(card.store, kScales + static_cast<uint32_t>(channel_index));
    if (scale != kNoScale) level = static_cast<uint8_t>(level * scale / 255);
    return level;
}

uint32_t half_offset(uint16_t address, int half) {
    return window_offset(address) + static_cast<uint32_t>(half - 1) * kHalfByteStride;
}

// Word table 1..4 of a half: one u16 per DMX address.
uint32_t word_table_offset(int table, int half) {
    return window_offset(kWordTableAddresses[static_cast<size_t>(table - 1)]) +
           static_cast<uint32_t>(half - 1) * kHalfWordStride;
}

// The output-buffer index (0..511) whose byte DMX address index + 1 of a half
// sends: the word tables are the card's four protocols, each naming for an
// address the buffer position (1..512) it carries. The half has one output
// line, so the first table that names a position for the address feeds it;
// none: the address sends 0 (kNoPosition).
constexpr int kNoPosition = -1;

int routed_position(const InterfaceCard& card, int half, uint32_t index) {
    for (int table = 1; table <= static_cast<int>(kWordTableAddresses.size()); ++table) {
        const uint16_t word = get_word(card.store, word_table_offset(table, half) + 2 * index);
        if (word >= 1 && word <= kDmxChannels) return word - 1;
    }
    return kNoPosition;
}

// Firmware: one DMX frame of both halves, each address taking its level from
// the position its protocol tables name; the levels as sent are kept in the
// read-back buffer (by position, where the program reads them back) and as
// the last frame of the half (by address).
void transmit(InterfaceCard& card) {
    for (int half = 1; half <= kDmxHalves; ++half) {
        const uint32_t out = half_offset(kDmxOutAddress, half);
        const uint32_t back = half_offset(kReadBackAddress, half);
        for (int i = 0; i < kDmxChannels; ++i) {
            const uint32_t index = static_cast<uint32_t>(i);
            put_byte(card.store, back + index, level_as_sent(card, i, get_byte(card.store, out + index)));
        }
        // A line that carries upload bytes keeps the frame of the last byte.
        if (card.upload[static_cast<size_t>(half - 1)].sending) continue;
        auto& frame = card.sent_frames[static_cast<size_t>(half - 1)];
        for (uint32_t address = 0; address < kDmxChannels; ++address) {
            const int position = routed_position(card, half, address);
            frame[address] = position == kNoPosition ? 0 : get_byte(card.store, back + static_cast<uint32_t>(position));
        }
    }
}

void write_pointer_table(InterfaceCard& card, const CardSettings& settings) {
    std::span<uint8_t> s = card.store;
    put_word(s, kCellDmxOutPointer, kDmxOutAddress);
    for (size_t t = 0; t < kWordTableAddresses.size(); ++t) {
        put_word(s, kCellWordTablePointers + 2 * static_cast<uint32_t>(t), kWordTableAddresses[t]);
    }
    put_word(s, kCellChannelWordPointer, kChannelWordAddress);
    put_word(s, kCellDmxInPointer, kDmxInAddress);
    put_word(s, kCellReadBackPointer, kReadBackAddress);
    const uint16_t fifo = settings.key_fifo_base_zero ? 0 : kKeyFifoAddress;
    put_word(s, kKeyFifo.base_cell, fifo);
    put_word(s, kKeyFifo.read_cell, fifo);
    put_word(s, kKeyFifo.write_cell, fifo);
    put_word(s, kLedRing.base_cell, kLedRingAddress);
    put_word(s, kLedRing.read_cell, kLedRingAddress);
    put_word(s, kLedRing.write_cell, kLedRingAddress);
    put_word(s, kCellFaderPointer, kFaderAddress);
    put_word(s, kCellSequenceBeltPointer, kSequenceBeltAddress);
    put_word(s, kCellFunctionBeltPointer, kFunctionBeltAddress);
}

// Until the program uploads its tables the card sends levels unchanged:
// no curve, identity custom curves, no scale, and protocol 1 of each half
// sending buffer position q at DMX address q (the other protocols empty).
void write_neutral_tables(InterfaceCard& card) {
    std::span<uint8_t> s = card.store;
    for (uint32_t k = 0; k < 3; ++k) {
        for (uint32_t v = 0; v < 256; ++v) put_byte(s, kCustomCurves + 0x100 * k + v, static_cast<uint8_t>(v));
    }
    for (uint32_t q = 0; q < kDmxChannels; ++q) put_byte(s, kScales + q, kNoScale);
    for (int half = 1; half <= kDmxHalves; ++half) {
        for (uint32_t q = 0; q < kDmxChannels; ++q) put_word(s, word_table_offset(1, half) + 2 * q, static_cast<uint16_t>(q + 1));
    }
}

// The displays start blank: spaces, and the carriage return after each line.
void write_blank_displays(InterfaceCard& card) {
    for (uint32_t d = 0; d < kLcdDisplays; ++d) {
        for (uint32_t l = 0; l < kLcdLines; ++l) {
            const uint32_t line = kLcdBase + kLcdDisplayBytes * d + kLcdLineBytes * l;
            for (uint32_t c = 0; c < kLcdColumns; ++c) put_byte(card.store, line + c, ' ');
            put_byte(card.store, line + kLcdColumns, kCarriageReturn);
        }
    }
}

void power_on(InterfaceCard& card, const CardSettings& settings) {
    std::fill(card.store.begin(), card.store.end(), uint8_t{0});
    card.key_backlog_head = 0;
    card.key_backlog_count = 0;
    card.leds.fill(static_cast<uint8_t>(LedState::off));
    card.led_log.clear();
    card.led_ring_held = false;
    for (auto& frame : card.sent_frames) frame.fill(0);
    card.frames_sent = 0;
    card.ms_since_frame = 0;
    card.now_ms = 0;
    card.upload_ack_delay_ms = 0;
    card.upload_silent = false;
    card.upload = {};

    constexpr std::array<char, 8> kSignature = {'Z', 'E', 'L', 'K', 'C', 'A', 'R', 'D'};
    for (uint32_t i = 0; i < kSignature.size(); ++i) {
        put_byte(card.store, kCellSignature + i, static_cast<uint8_t>(kSignature[i]));
    }
    for (uint32_t i = 0; i < settings.firmware_version.size(); ++i) {
        put_byte(card.store, kCellFirmwareVersion + i, settings.firmware_version[i]);
    }
    card.firmware_version = parse_firmware_version(settings.firmware_version);
    put_byte(card.store, kCellOptions, settings.options);
    put_byte(card.store, kCellOptions2, settings.options_2);
    write_pointer_table(card, settings);
    write_neutral_tables(card);
    write_blank_displays(card);
}

bool valid_half(int half) { return half >= 1 && half <= kDmxHalves; }
bool valid_channel(int channel) { return channel >= 1 && channel <= kDmxChannels; }

// Offset of byte `byte` (0 or 1) of belt `belt` (1..count), or the store
// size (refused) when out of range.
uint32_t belt_offset(uint16_t address, int belt, int count, int byte) {
    if (belt < 1 || belt > count || byte < 0 || byte > 1) return kCardStoreBytes;
    return window_offset(address) + 2 * static_cast<uint32_t>(belt - 1) + static_cast<uint32_t>(byte);
}

// The acknowledgements whose delay is over.
void answer_due_uploads(InterfaceCard& card) {
    for (int half = 1; half <= kDmxHalves; ++half) {
        UploadLine& line = card.upload[static_cast<size_t>(half - 1)];
        if (!line.ack_pending || card.now_ms < line.ack_due_ms) continue;
        line.ack_pending = false;
        put_byte(card.store, kUploadAckCell + static_cast<uint32_t>(half - 1), kUploadAck);
    }
}

// Command 4: the data byte is counted and sent as a frame of its own; its
// acknowledgement follows after the delay (a newer byte replaces a pending
// one, so a late acknowledgement never answers the next byte).
void take_upload_byte(InterfaceCard& card, int half) {
    UploadLine& line = card.upload[static_cast<size_t>(half - 1)];
    if (card.upload_silent) return;
    const uint8_t byte = get_byte(card.store, kUploadDataCells[static_cast<size_t>(half - 1)]);
    put_word(card.store, kUploadCounterCell, static_cast<uint16_t>(get_word(card.store, kUploadCounterCell) + 1));
    line.sending = true;
    line.bytes.push_back(byte);
    auto& frame = card.sent_frames[static_cast<size_t>(half - 1)];
    frame.fill(0);
    frame[0] = byte;
    ++card.frames_sent;
    line.ack_pending = true;
    line.ack_due_ms = card.now_ms + card.upload_ack_delay_ms;
    answer_due_uploads(card);
}

void follow_upload_command(InterfaceCard& card, int half, uint8_t command) {
    UploadLine& line = card.upload[static_cast<size_t>(half - 1)];
    if (command == kUploadByte) {
        take_upload_byte(card, half);
        return;
    }
    if (command == kUploadEnd) {
        line.active = false;
        line.sending = false;
        line.ack_pending = false;
        return;
    }
    if (!line.active) {
        // A new upload: the counter and the log start from nothing.
        line.active = true;
        line.bytes.clear();
        ++line.serial;
        put_word(card.store, kUploadCounterCell, 0);
    }
    line.sending = false;
}

}  // namespace

int parse_firmware_version(std::span<const uint8_t> digits) {
    size_t i = 0;
    while (i < digits.size() && (digits[i] == ' ' || (digits[i] >= '\t' && digits[i] <= '\r'))) ++i;
    int sign = 1;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) {
        sign = digits[i] == '-' ? -1 : 1;
        ++i;
    }
    int value = 0;
    for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) value = value * 10 + (digits[i] - '0');
    return sign * value;
}

InterfaceCard* CardBus::card(int slot) {
    if (slot < 0 || slot >= kCardSlots) return nullptr;
    InterfaceCard& c = cards_[static_cast<size_t>(slot)];
    return c.fitted ? &c : nullptr;
}

const InterfaceCard* CardBus::card(int slot) const {
    if (slot < 0 || slot >= kCardSlots) return nullptr;
    const InterfaceCard& c = cards_[static_cast<size_t>(slot)];
    return c.fitted ? &c : nullptr;
}

bool CardBus::fit(int slot, const CardSettings& settings) {
    if (slot < 0 || slot >= kCardSlots) return false;
    InterfaceCard& c = cards_[static_cast<size_t>(slot)];
    power_on(c, settings);
    c.fitted = true;
    return true;
}

void CardBus::remove(int slot) {
    if (InterfaceCard* c = card(slot)) c->fitted = false;
}

bool CardBus::fitted(int slot) const { return card(slot) != nullptr; }

std::span<uint8_t> CardBus::window(int slot) {
    InterfaceCard* c = card(slot);
    return c != nullptr ? std::span<uint8_t>(c->store) : std::span<uint8_t>();
}

void CardBus::elapse_ms(uint32_t ms) {
    for (InterfaceCard& c : cards_) {
        if (!c.fitted) continue;
        put_dword(c.store, kCellMillisecondCounter, get_dword(c.store, kCellMillisecondCounter) + ms);
        c.now_ms += ms;
        answer_due_uploads(c);
        deliver_keys(c);
        if (!c.led_ring_held) take_led_words(c);
        const uint64_t since_frame_ms = static_cast<uint64_t>(c.ms_since_frame) + ms;
        if (since_frame_ms >= kDmxFramePeriodMs) {
            transmit(c);
            c.frames_sent += static_cast<uint32_t>(since_frame_ms / kDmxFramePeriodMs);
        }
        c.ms_since_frame = static_cast<uint32_t>(since_frame_ms % kDmxFramePeriodMs);
    }
}

uint8_t CardBus::peek_byte(int slot, uint32_t offset) const {
    const InterfaceCard* c = card(slot);
    return c != nullptr ? get_byte(c->store, offset) : 0;
}

uint16_t CardBus::peek_word(int slot, uint32_t offset) const {
    const InterfaceCard* c = card(slot);
    return c != nullptr ? get_word(c->store, offset) : 0;
}

uint32_t CardBus::peek_dword(int slot, uint32_t offset) const {
    const InterfaceCard* c = card(slot);
    return c != nullptr ? get_dword(c->store, offset) : 0;
}

void CardBus::poke_byte(int slot, uint32_t offset, uint8_t value) {
    if (InterfaceCard* c = card(slot)) put_byte(c->store, offset, value);
}

void CardBus::poke_word(int slot, uint32_t offset, uint16_t value) {
    if (InterfaceCard* c = card(slot)) put_word(c->store, offset, value);
}

bool CardBus::press(int slot, int row, int column) {
    if (row < 0 || row >= kKeyRows || column < 0 || column >= kKeyColumns) return false;
    return push_key_word(slot, static_cast<uint16_t>(kKeyPressBit | (row << 8) | column));
}

bool CardBus::release(int slot, int row, int column) {
    if (row < 0 || row >= kKeyRows || column < 0 || column >= kKeyColumns) return false;
    return push_key_word(slot, static_cast<uint16_t>((row << 8) | column));
}

bool CardBus::push_key_word(int slot, uint16_t word) {
    InterfaceCard* c = card(slot);
    if (c == nullptr || c->key_backlog_count >= kKeyBacklogWords) return false;
    c->key_backlog[static_cast<size_t>((c->key_backlog_head + c->key_backlog_count) % kKeyBacklogWords)] = word;
    ++c->key_backlog_count;
    deliver_keys(*c);
    return true;
}

int CardBus::key_backlog(int slot) const {
    const InterfaceCard* c = card(slot);
    return c != nullptr ? c->key_backlog_count : 0;
}

void CardBus::hold_led_ring(int slot, bool hold) {
    if (InterfaceCard* c = card(slot)) c->led_ring_held = hold;
}

void CardBus::consume_led_ring(int slot) {
    if (InterfaceCard* c = card(slot)) take_led_words(*c);
}

void CardBus::program_read(int slot, uint32_t offset) {
    constexpr uint32_t kLedRingReadCell = 0x42A;
    if (offset != kLedRingReadCell) return;
    InterfaceCard* c = card(slot);
    if (c != nullptr && !c->led_ring_held) take_led_words(*c);
}

LedState CardBus::led(int slot, int row, int column) const {
    const InterfaceCard* c = card(slot);
    if (c == nullptr || row < 0 || row >= kLedRows || column < 0 || column >= kLedColumns) return LedState::off;
    return static_cast<LedState>(c->leds[static_cast<size_t>(row * kLedColumns + column)]);
}

std::vector<uint16_t> CardBus::led_words_consumed(int slot) const {
    const InterfaceCard* c = card(slot);
    return c != nullptr ? c->led_log.to_vector() : std::vector<uint16_t>();
}

bool CardBus::set_master_fader(int slot, int master, uint8_t raw) {
    InterfaceCard* c = card(slot);
    if (c == nullptr || master < 1 || master > kMasterFaders) return false;
    put_byte(c->store, window_offset(kFaderAddress) + 2 * static_cast<uint32_t>(master - 1), raw);
    return true;
}

uint8_t CardBus::master_fader(int slot, int master) const {
    if (master < 1 || master > kMasterFaders) return 0;
    return peek_byte(slot, window_offset(kFaderAddress) + 2 * static_cast<uint32_t>(master - 1));
}

bool CardBus::set_playback_fader(int slot, int playback, uint8_t raw) {
    InterfaceCard* c = card(slot);
    if (c == nullptr || playback < 1 || playback > kPlaybackFaders) return false;
    put_byte(c->store, window_offset(kFaderAddress) + 8 + 2 * static_cast<uint32_t>(playback - 1), raw);
    return true;
}

uint8_t CardBus::playback_fader(int slot, int playback) const {
    if (playback < 1 || playback > kPlaybackFaders) return 0;
    return peek_byte(slot, window_offset(kFaderAddress) + 8 + 2 * static_cast<uint32_t>(playback - 1));
}

bool CardBus::set_function_belt(int slot, int belt, int byte, uint8_t value) {
    InterfaceCard* c = card(slot);
    const uint32_t offset = belt_offset(kFunctionBeltAddress, belt, kFunctionBelts, byte);
    if (c == nullptr || offset >= kCardStoreBytes) return false;
    put_byte(c->store, offset, value);
    return true;
}

bool CardBus::set_sequence_belt(int slot, int belt, int byte, uint8_t value) {
    InterfaceCard* c = card(slot);
    const uint32_t offset = belt_offset(kSequenceBeltAddress, belt, kSequenceBelts, byte);
    if (c == nullptr || offset >= kCardStoreBytes) return false;
    put_byte(c->store, offset, value);
    return true;
}

uint8_t CardBus::function_belt(int slot, int belt, int byte) const {
    return peek_byte(slot, belt_offset(kFunctionBeltAddress, belt, kFunctionBelts, byte));
}

uint8_t CardBus::sequence_belt(int slot, int belt, int byte) const {
    return peek_byte(slot, belt_offset(kSequenceBeltAddress, belt, kSequenceBelts, byte));
}

bool CardBus::set_wing_connected(int slot, bool connected) {
    InterfaceCard* c = card(slot);
    if (c == nullptr) return false;
    const uint8_t options = get_byte(c->store, kCellOptions2);
    put_byte(c->store, kCellOptions2,
             static_cast<uint8_t>(connected ? (options | kWingConnectedBit) : (options & ~kWingConnectedBit)));
    return true;
}

uint8_t CardBus::dmx_output(int slot, int half, int channel) const {
    if (!valid_half(half) || !valid_channel(channel)) return 0;
    return peek_byte(slot, half_offset(kDmxOutAddress, half) + static_cast<uint32_t>(channel - 1));
}

uint8_t CardBus::dmx_sent(int slot, int half, int address) const {
    const InterfaceCard* c = card(slot);
    if (c == nullptr || !valid_half(half) || !valid_channel(address)) return 0;
    const int position = routed_position(*c, half, static_cast<uint32_t>(address - 1));
    if (position == kNoPosition) return 0;
    return get_byte(c->store, half_offset(kDmxOutAddress, half) + static_cast<uint32_t>(position));
}

bool CardBus::set_dmx_input(int slot, int half, int channel, uint8_t value) {
    InterfaceCard* c = card(slot);
    if (c == nullptr || !valid_half(half) || !valid_channel(channel)) return false;
    put_byte(c->store, half_offset(kDmxInAddress, half) + static_cast<uint32_t>(channel - 1), value);
    return true;
}

void CardBus::send(int slot) {
    InterfaceCard* c = card(slot);
    if (c == nullptr) return;
    transmit(*c);
    ++c->frames_sent;
}

std::span<const uint8_t> CardBus::sent_frame(int slot, int half) const {
    const InterfaceCard* c = card(slot);
    if (c == nullptr || !valid_half(half)) return {};
    return c->sent_frames[static_cast<size_t>(half - 1)];
}

uint32_t CardBus::frames_sent(int slot) const {
    const InterfaceCard* c = card(slot);
    return c != nullptr ? c->frames_sent : 0;
}

void CardBus::program_write(int slot, uint32_t offset) {
    InterfaceCard* c = card(slot);
    if (c == nullptr) return;
    for (int half = 1; half <= kDmxHalves; ++half) {
        if (offset == kUploadCommandCell + static_cast<uint32_t>(half - 1)) follow_upload_command(*c, half, get_byte(c->store, offset));
    }
}

void CardBus::set_upload_ack_delay_ms(int slot, uint32_t delay_ms) {
    if (InterfaceCard* c = card(slot)) c->upload_ack_delay_ms = delay_ms;
}

void CardBus::set_upload_silent(int slot, bool silent) {
    if (InterfaceCard* c = card(slot)) c->upload_silent = silent;
}

std::span<const uint8_t> CardBus::uploaded_bytes(int slot, int half) const {
    const InterfaceCard* c = card(slot);
    if (c == nullptr || !valid_half(half)) return {};
    return c->upload[static_cast<size_t>(half - 1)].bytes;
}

uint32_t CardBus::upload_serial(int slot, int half) const {
    const InterfaceCard* c = card(slot);
    if (c == nullptr || !valid_half(half)) return 0;
    return c->upload[static_cast<size_t>(half - 1)].serial;
}

std::string CardBus::lcd_line(int slot, int display, int line) const {
    std::string text;
    const InterfaceCard* c = card(slot);
    if (c == nullptr || display < 0 || display >= kLcdDisplays || line < 0 || line >= kLcdLines) return text;
    const uint32_t start = kLcdBase + kLcdDisplayBytes * static_cast<uint32_t>(display) +
                           kLcdLineBytes * static_cast<uint32_t>(line);
    for (uint32_t i = 0; i < kLcdColumns; ++i) text.push_back(static_cast<char>(get_byte(c->store, start + i)));
    return text;
}

}  // namespace platform
