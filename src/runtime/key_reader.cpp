#include "runtime/key_reader.h"

#include <cctype>

#include "platform/graphics.h"
#include "platform/text_screen.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/main_loop.h"
#include "ui/screens.h"

namespace runtime {

namespace {

constexpr uint32_t kFifoBaseCell = 0x420;
constexpr uint32_t kFifoReadCell = 0x422;
constexpr uint32_t kFifoWriteCell = 0x424;
constexpr uint16_t kCardAddressBase = 0x4000;
constexpr uint16_t kFifoBytes = 32;
constexpr uint16_t KEY_FIFO_PRESS = 0x8000;

bool fifo_base_read = false;
int16_t pc_release_pending = 0;
int16_t pc_pending_key = 0;

void set_key_down(int16_t key, uint8_t down) {
    if (key >= 1 && key < kKeyCodes) key_down_table[static_cast<size_t>(key)] = down;
}

int16_t map_pc_character(int c) {
    if (c >= '0' && c <= '9') return static_cast<int16_t>(c + 123);
    switch (c) {
        case '.': return 181;
        case ' ': return KEY_SPACE;
        case 27: return 201;
        case 13: return 207;
        case 8: return 182;
        case '+': return 184;
        case 800 + 73: return 202;
        case 800 + 81: return 203;
        case 800 + 83: return 204;
        case 800 + 59: return 222;
        case 800 + 60: return 223;
        case 800 + 61: return 224;
        case 800 + 62: return 225;
        case 800 + 63: return 137;
        case 800 + 64: return 138;
        case 800 + 65: return 139;
        case 800 + 66: return 215;
        case 800 + 67: return 211;
        case 800 + 68: return 212;
        case 800 + 133: return 213;
        case 800 + 134: return 214;
        case 800 + 75: return 175;
        case 800 + 77: return 177;
        case 800 + 72: return 179;
        case 800 + 80: return 173;
        default: return 0;
    }
}

bool wait_for_pending_input() {
    while (!is_input_pending()) run_background();
    return input_pending_pc_key != 0;
}

// 'K' then '*' and three digits give any key code; the only way to KEY_QUIT.
int16_t read_numeric_key_entry() {
    if (!wait_for_pending_input()) return 0;
    input_pending_pc_key = 0;
    if (platform::getch() != '*') return 0;
    uint16_t value = 0;
    for (int i = 0; i < 3; ++i) {
        uint16_t digit = 0;
        if (wait_for_pending_input()) {
            input_pending_pc_key = 0;
            digit = static_cast<uint16_t>(platform::getch() - '0');
        }
        value = static_cast<uint16_t>(value * 10 + digit);
    }
    return value < 2001 ? static_cast<int16_t>(value) : 0;
}

bool read_pc_key(int16_t* key) {
    if (pc_release_pending == 1) {
        *key = pc_pending_key;
        input_pending_pc_key = 0;
        pc_release_pending = 0;
        set_key_down(*key, 0);
        return false;
    }
    input_pending_pc_key = 0;
    int c = std::toupper(platform::getch());
    if (c == 0) c = 800 + platform::getch();
    *key = c == 'K' ? read_numeric_key_entry() : map_pc_character(c);
    pc_release_pending = 1;
    pc_pending_key = *key;
    input_pending_pc_key = 1;
    set_key_down(*key, 1);
    return true;
}

bool read_console_key(int16_t* key) {
    input_pending_console_key = 0;
    const uint16_t selector = console_card_selector;
    uint16_t read = peek_card_word(selector, kFifoReadCell);
    const uint16_t write = peek_card_word(selector, kFifoWriteCell);
    if (read == write) return false;
    const uint16_t word = peek_card_word(selector, static_cast<uint32_t>(read - kCardAddressBase));
    read = static_cast<uint16_t>(read + 2);
    if (read >= key_fifo_base + kFifoBytes) read = key_fifo_base;
    poke_card_word(selector, kFifoReadCell, read);
    const bool press = (word & KEY_FIFO_PRESS) != 0;
    const int column = word & 0xFF;
    const int row = (word >> 8) & 0x7F;
    const int last_column = press ? kMatrixColumns - 1 : 47;
    *key = column <= last_column && row < kMatrixRows ? static_cast<int16_t>(key_matrix[column][row]) : 0;
    set_key_down(*key, press ? 1 : 0);
    return press;
}

}  // namespace

uint16_t key_fifo_base = 0;

bool get_key(int16_t* key) {
    if (!fifo_base_read) {
        key_fifo_base = peek_card_word(console_card_selector, kFifoBaseCell);
        fifo_base_read = true;
    }
    *key = 0;
    platform::TextSettings saved{};
    platform::_gettextsettings(saved);
    const int saved_colour = platform::_getcolor();
    bool result = false;
    for (bool decided = false; !decided;) {
        run_background();
        decided = true;
        if (input_pending_pc_key != 0) {
            result = read_pc_key(key);
        } else if (input_pending_key_ring != 0) {
            input_pending_key_ring = 0;
        } else if (input_pending_console_key != 0 && hw_option_flags.hardware_keys != 0) {
            result = read_console_key(key);
        } else if (input_pending_remote_cue != 0) {
            input_pending_remote_cue = 0;
        } else if (pushed_back_key != 0) {
            *key = pushed_back_key;
            pushed_back_key = 0;
            result = true;
        } else if (input_pending_midi != 0) {
            input_pending_midi = 0;
        } else {
            decided = false;
        }
    }
    ui::set_text_style(saved.font, saved.direction, saved.char_size);
    platform::_setcolor(saved_colour);
    return result;
}

bool is_console_key_pending() {
    if (hw_option_flags.hardware_keys == 0) return false;
    const uint16_t read = peek_card_word(console_card_selector, kFifoReadCell);
    const uint16_t write = peek_card_word(console_card_selector, kFifoWriteCell);
    return read != write && read >= kCardAddressBase && write >= kCardAddressBase;
}

bool is_pc_key_pending() { return false; }
bool poll_remote_cue_input() { return false; }

void flush_key_buffers() {
    for (int card = 1; card <= interface_card_count; ++card) {
        const uint16_t selector = dmx_card_selectors[static_cast<size_t>(card)];
        poke_card_word(selector, kFifoReadCell, peek_card_word(selector, kFifoWriteCell));
    }
    key_down_table.fill(0);
}

}  // namespace runtime
