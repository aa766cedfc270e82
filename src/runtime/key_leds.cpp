#include "runtime/key_leds.h"

#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/timers.h"

namespace runtime {

uint16_t led_ring_base = 0;
std::array<uint8_t, kSmallConsoleLeds + 1> small_console_led_cache{};

namespace {

// The LED ring on the console card: pointer cells holding card addresses,
// 48 words from the base. The program writes words and the write pointer,
// the firmware takes them and moves the read pointer.
constexpr uint32_t kRingBaseCell = 0x428;
constexpr uint32_t kRingReadCell = 0x42A;
constexpr uint32_t kRingWriteCell = 0x42C;
constexpr uint32_t kCardAddressBase = 0x4000;
constexpr uint32_t kRingBytes = 96;
constexpr uint32_t kWordBytes = 2;
// Room: the write pointer ahead of the read pointer by less than this ...
constexpr uint32_t kMaxLeadBytes = 88;
// ... or behind it by more than this, so a call's two words always fit.
constexpr uint32_t kMinTrailBytes = 8;
constexpr int kRoomReads = 20000;

// Console firmware before 338 drops LEDs in columns above 39.
constexpr uint16_t kFirstWideLedFirmware = 338;
constexpr uint16_t kLastNarrowLedColumn = 39;

// What a command word can address: bit 14 is the blink flag, so rows stop at 63.
constexpr int kWordRows = 64;
constexpr int kWordColumns = 256;

constexpr uint32_t kReleaseWait_ms = 1000;
constexpr uint32_t kReleaseWaitLong_ms = 2000;

bool led_ring_base_read = false;

void read_led_ring_base() {
    if (led_ring_base_read) return;
    led_ring_base = peek_card_word(console_card_selector, kRingBaseCell);
    led_ring_base_read = true;
}

// --- small console LEDs ------------------------------------------------------

int small_console_led_index(int16_t key) {
    switch (key) {
        case KEY_BANK_DOWN: return 1;
        case KEY_BANK_UP: return 2;
        case KEY_CUE: return 3;
        case KEY_PRESET_1:
        case KEY_PRESET_2:
        case KEY_PRESET_3:
        case KEY_PRESET_4: return 4;
        case KEY_PREDEFINED: return 5;
        default: return 0;
    }
}

void set_small_console_led(int16_t key, uint8_t state) {
    if (hw_option_flags.small_console_keys == 0 || state > LED_ON) return;
    const int index = small_console_led_index(key);
    if (index == 0) return;
    uint8_t& cached = small_console_led_cache[static_cast<size_t>(index)];
    if (cached == state) return;
    set_keyboard_leds(static_cast<uint8_t>(index), state);
    cached = state;
}

// --- per-colour command rules ------------------------------------------------

bool either(uint8_t state, uint8_t a, uint8_t b) { return state == a || state == b; }

bool first_colour_changes(uint8_t wanted, uint8_t cached) {
    return (either(wanted, LED_ON, LED_ON_BOTH) && !either(cached, LED_ON, LED_ON_BOTH)) ||
           (either(wanted, LED_BLINK, LED_BLINK_BOTH) && !either(cached, LED_BLINK, LED_BLINK_BOTH)) ||
           (either(wanted, LED_OFF, LED_ON_2) && !either(cached, LED_OFF, LED_ON_2)) ||
           (wanted == LED_BLINK_2 && cached != LED_BLINK_2);
}

bool second_colour_changes(uint8_t wanted, uint8_t cached) {
    return (either(wanted, LED_ON_2, LED_ON_BOTH) && !either(cached, LED_ON_2, LED_ON_BOTH)) ||
           (either(wanted, LED_BLINK_2, LED_BLINK_BOTH) && !either(cached, LED_BLINK_2, LED_BLINK_BOTH)) ||
           (either(wanted, LED_OFF, LED_ON) && !either(cached, LED_OFF, LED_ON)) ||
           (wanted == LED_BLINK && cached != LED_BLINK);
}

uint16_t first_colour_flags(uint8_t state) {
    const bool blinking = either(state, LED_BLINK, LED_BLINK_BOTH);
    const bool lit = blinking || either(state, LED_ON, LED_ON_BOTH);
    return static_cast<uint16_t>((lit ? LED_CMD_ON : 0) | (blinking ? LED_CMD_BLINK : 0));
}

uint16_t second_colour_flags(uint8_t state) {
    const bool blinking = either(state, LED_BLINK_2, LED_BLINK_BOTH);
    const bool lit = blinking || either(state, LED_ON_2, LED_ON_BOTH);
    return static_cast<uint16_t>((lit ? LED_CMD_ON : 0) | (blinking ? LED_CMD_BLINK : 0));
}

bool word_can_address(int row, int column) {
    return row >= 0 && row < kWordRows && column >= 0 && column < kWordColumns;
}

uint16_t led_word(int row, int column, uint16_t flags) {
    return static_cast<uint16_t>(flags | (row << 8) | column);
}

// --- the ring ------------------------------------------------------------------

enum class Room : uint8_t { yes, no, no_ring };

bool inside_ring(uint32_t pointer) {
    return pointer >= led_ring_base && pointer < led_ring_base + kRingBytes &&
           (pointer - led_ring_base) % kWordBytes == 0;
}

// Reads both pointers once. A pointer below 4000h means no ring; one outside
// the ring is treated the same, so a word is never written anywhere else.
Room ring_room(uint16_t& write) {
    const uint16_t read = peek_card_word(console_card_selector, kRingReadCell);
    write = peek_card_word(console_card_selector, kRingWriteCell);
    if (read < kCardAddressBase || write < kCardAddressBase || led_ring_base < kCardAddressBase) return Room::no_ring;
    if (!inside_ring(read) || !inside_ring(write)) return Room::no_ring;
    if (write == read) return Room::yes;
    if (write > read && uint32_t{write} - read < kMaxLeadBytes) return Room::yes;
    if (write < read && uint32_t{read} - write > kMinTrailBytes) return Room::yes;
    return Room::no;
}

// A busy loop: the firmware empties the ring on its own.
bool wait_for_ring_room(uint16_t& write) {
    for (int reads = 0; reads < kRoomReads; ++reads) {
        const Room room = ring_room(write);
        if (room == Room::yes) return true;
        if (room == Room::no_ring) return false;
    }
    return false;
}

// The word first, then the write pointer that hands it to the firmware.
void send_led_word(uint16_t& write, uint16_t word) {
    poke_card_word(console_card_selector, write - kCardAddressBase, word);
    uint32_t next = uint32_t{write} + kWordBytes;
    if (next >= led_ring_base + kRingBytes) next = led_ring_base;
    write = static_cast<uint16_t>(next);
    poke_card_word(console_card_selector, kRingWriteCell, write);
}

using LedWords = std::array<uint16_t, 2>;

bool send_led_words(const LedWords& words, int count) {
    read_led_ring_base();
    uint16_t write = 0;
    if (!wait_for_ring_room(write)) return false;
    for (int i = 0; i < count && i < static_cast<int>(words.size()); ++i) {
        send_led_word(write, words[static_cast<size_t>(i)]);
    }
    return true;
}

void drop_unsent_led_words(uint16_t selector) {
    if (selector == 0) return;
    poke_card_word(selector, kRingReadCell, peek_card_word(selector, kRingWriteCell));
}

// --- key-release waits ---------------------------------------------------------

bool key_held(size_t key) { return key_down_table[key] == 1; }

// Measured on the clock itself rather than on clock_ms, which only the
// periodic jobs move: the wait must end even where they do not run.
void wait_while_held(int16_t key, uint32_t limit_ms) {
    if (key < 0 || key >= kKeyCodes) return;
    const auto index = static_cast<size_t>(key);
    const uint32_t start_ms = get_time_ms();
    while (key_held(index)) {
        run_background();
        if (is_input_pending()) {
            int16_t read_key = 0;
            const bool pressed = get_key(&read_key);
            if ((pressed && read_key == KEY_ESC) || !key_held(index)) return;
        }
        if (get_time_ms() - start_ms > limit_ms) return;
    }
}

}  // namespace

void set_key_led(int16_t key, uint8_t state) {
    if (key < 0 || key >= kKeyCodes) return;
    read_led_ring_base();
    set_small_console_led(key, state);

    const auto index = static_cast<size_t>(key);
    uint8_t& cached = key_led_cache[index];
    // Without console keys the cache still records the state: the dialogs
    // read it to toggle and to restore LEDs, the small console's included.
    if (hw_option_flags.hardware_keys == 0) {
        cached = state;
        return;
    }
    const int row = key_led_row[index];
    const int column = key_led_column[index];
    const bool column_dropped = card_firmware_versions[0] < kFirstWideLedFirmware && column > kLastNarrowLedColumn;
    if (!word_can_address(row, column) || column_dropped) {
        cached = state;
        return;
    }

    LedWords words{};
    int count = 0;
    if (first_colour_changes(state, cached)) words[static_cast<size_t>(count++)] = led_word(row, column, first_colour_flags(state));
    const int second_row = row + second_led_offsets.row;
    const int second_column = column + second_led_offsets.column;
    if (second_colour_changes(state, cached) && word_can_address(second_row, second_column)) {
        words[static_cast<size_t>(count++)] = led_word(second_row, second_column, second_colour_flags(state));
    }
    if (count > 0 && !send_led_words(words, count)) return;  // no room: try again at the next call
    cached = state;
}

void reset_led_rings() {
    read_led_ring_base();
    for (int card = 1; card <= interface_card_count && card <= kCardSlots; ++card) {
        drop_unsent_led_words(card_segment_selectors[static_cast<size_t>(card)]);
        drop_unsent_led_words(dmx_card_selectors[static_cast<size_t>(card)]);
    }
    if (hw_option_flags.hardware_keys != 0) send_led_words(LedWords{kLedResetAllCommand, 0}, 1);
    key_led_cache.fill(LED_OFF);
    if (hw_option_flags.small_console_keys != 0) reset_keyboard_leds();
    small_console_led_cache.fill(LED_OFF);
}

void wait_key_release(int16_t key) { wait_while_held(key, kReleaseWait_ms); }

void wait_key_release_long(int16_t key) { wait_while_held(key, kReleaseWaitLong_ms); }

}  // namespace runtime
