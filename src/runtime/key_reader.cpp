#include "runtime/key_reader.h"

#include <cctype>

#include "memories/submaster_cells.h"
#include "platform/graphics.h"
#include "platform/text_screen.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/keyboard_isr.h"
#include "runtime/main_loop.h"
#include "runtime/step_log.h"
#include "setup/dmx_inputs.h"
#include "sync/midi_events.h"
#include "ui/mode_keys.h"
#include "ui/helpers.h"
#include "ui/screens.h"

namespace runtime {

uint16_t key_fifo_base = 0;
int16_t pc_release_pending = 0;
int16_t pc_pending_key = 0;
RemoteCueBytes remote_cue_last;

namespace {

// Console card cells of the key FIFO; each holds a card address.
constexpr uint32_t kFifoBaseCell = 0x420;
constexpr uint32_t kFifoReadCell = 0x422;
constexpr uint32_t kFifoWriteCell = 0x424;
constexpr uint16_t kCardAddressBase = 0x4000;
constexpr uint16_t kFifoBytes = 32;

constexpr int16_t kHighestKeyCode = kKeyCodes - 1;
constexpr int kExtendedKeyOffset = 800;
constexpr uint16_t kHighestEnteredKey = 2000;

// The refusals: run_flags bits that keep a key group or a cue call out.
constexpr uint32_t kMasterKeysOut = RUN_MASTER_KEYS_TAKEN;
constexpr uint32_t kPlaybackKeysOut = RUN_PLAYBACK_KEYS_TAKEN | RUN_FREEZE_SWITCHES | RUN_CUE_COPY_DIALOG;
constexpr uint32_t kKeysTaken = RUN_SEQUENCE_KEYS_TAKEN | RUN_PLAYBACK_KEYS_TAKEN | RUN_POINTCUE_EDIT;
constexpr uint32_t kMacroKeysOut = kKeysTaken | RUN_CUE_COPY_DIALOG;
constexpr uint32_t kBlindKeyOut = kKeysTaken;
constexpr uint32_t kCueCallsOut = kKeysTaken | RUN_FREEZE_SWITCHES | RUN_CUE_COPY_DIALOG | RUN_MIDI_EDIT;

// DMX input 1: the cue bytes after the 10 playbacks and 4 masters.
constexpr int16_t kFirstDmxInStart = 1;
constexpr int16_t kLastDmxInStart = 496;
constexpr int kRemotePageOffset = 13;
constexpr int kRemoteCueOffset = 14;
constexpr int kRemoteTriggerOffset = 15;
constexpr int kRemotePointOffset = 16;
constexpr uint8_t kRemoteTriggerHigh = 128;
constexpr int kDmxInputBytes = 512;

// PERCENTAGE mode: byte / 2.55, a fraction of 0.5 or more rounds up.
struct PercentInputScale {
    long double divisor = 0;
    long double rounding = 0;
};
constexpr PercentInputScale percent_input_scale{2.55L, 0.5L};

// MIDI statuses the reader acts on.
constexpr uint8_t kMidiNoteOff = 0x80;
constexpr uint8_t kMidiNoteOn = 0x90;
constexpr uint8_t kMidiBeat = 0xF8;
constexpr uint8_t kMidiShowGo = 0xF0;
constexpr uint8_t kMidiOpenList = 0xF1;

// Key macro words: (column, row) of the three keys, each pressed and released.
struct MatrixKey {
    uint8_t column = 0;
    uint8_t row = 0;
};
constexpr MatrixKey kMacroCueKey{10, 2};
constexpr MatrixKey kMacroCuePageKey{18, 1};
constexpr MatrixKey kMacroPlayKey{23, 0};
constexpr MatrixKey kMacroDeleteKey{32, 3};
constexpr int kMacroWords = 6;

bool fifo_base_read = false;

uint8_t high_byte(uint16_t word) { return static_cast<uint8_t>(word >> 8); }
uint8_t low_byte(uint16_t word) { return static_cast<uint8_t>(word & 0xFF); }

bool is_code_in_table(int16_t key) { return key >= 1 && key <= kHighestKeyCode; }

void set_key_down(int16_t key, uint8_t down) {
    if (is_code_in_table(key)) key_down_table[static_cast<size_t>(key)] = down;
}

bool in_setup() { return (mode_flags & MODE_IN_SETUP) != 0; }
bool refused(uint32_t bits) { return (run_flags & bits) != 0; }

// --- PC keyboard ----------------------------------------------------------------

int16_t map_pc_character(int c) {
    if (c >= '0' && c <= '9') return digit_key(c - '0');
    switch (c) {
        case '.': return KEY_POINT;
        case ' ': return KEY_SPACE;
        case 27: return KEY_ESC;
        case 13: return KEY_ENTER;
        case 8: return KEY_BACK;    // Backspace
        case '+': return KEY_PLUS;
        case kExtendedKeyOffset + 73: return KEY_PAGE_UP;
        case kExtendedKeyOffset + 81: return KEY_PAGE_DOWN;
        case kExtendedKeyOffset + 83: return KEY_DEL;
        case kExtendedKeyOffset + 59: return KEY_SEQUENCE_A;   // F1..F4: wheel modes 5..8
        case kExtendedKeyOffset + 60: return KEY_SEQUENCE_B;
        case kExtendedKeyOffset + 61: return KEY_SEQUENCE_C;
        case kExtendedKeyOffset + 62: return KEY_SEQUENCE_D;
        case kExtendedKeyOffset + 63: return KEY_WHEEL_MODE_2;  // F5..F7: wheel modes 2..4
        case kExtendedKeyOffset + 64: return KEY_WHEEL_MODE_3;
        case kExtendedKeyOffset + 65: return KEY_WHEEL_MODE_4;
        case kExtendedKeyOffset + 66: return KEY_TIMECODE_MODE;  // F8
        case kExtendedKeyOffset + 67: return KEY_PLAY;           // F9, F10
        case kExtendedKeyOffset + 68: return KEY_REC;
        case kExtendedKeyOffset + 133: return KEY_STOP;          // F11, F12
        case kExtendedKeyOffset + 134: return KEY_EDIT;
        case kExtendedKeyOffset + 75: return KEY_LEFT;
        case kExtendedKeyOffset + 77: return KEY_RIGHT;
        case kExtendedKeyOffset + 72: return KEY_UP;
        case kExtendedKeyOffset + 80: return KEY_DOWN;
        default: return 0;
    }
}

// Runs the background poll until any input is pending; true when it is the
// PC keyboard.
bool wait_for_pending_input() {
    while (!is_input_pending()) run_background();
    return input_pending_pc_key != 0;
}

// Only codes the key tables and handlers know may be entered: console keys,
// KEY_SPACE and KEY_QUIT.
int16_t accept_entered_key(uint16_t value) {
    if (value > kHighestEnteredKey) return 0;
    const auto code = static_cast<int16_t>(value);
    if (is_code_in_table(code) || code == KEY_SPACE || code == KEY_QUIT) return code;
    return 0;
}

// '*' and three digits after 'K'. Nothing when the entry is abandoned (a
// source other than the PC keyboard, or no '*').
bool read_numeric_key_entry(int16_t* key) {
    if (!wait_for_pending_input() || platform::getch() != '*') {
        input_pending_pc_key = 0;
        return false;
    }
    input_pending_pc_key = 0;
    constexpr std::array<uint16_t, 3> kWeights = {100, 10, 1};
    uint16_t value = 0;
    for (const uint16_t weight : kWeights) {
        if (!wait_for_pending_input()) continue;  // another source stays pending
        input_pending_pc_key = 0;
        const int digit = platform::getch() - '0';
        value = static_cast<uint16_t>(value + static_cast<uint16_t>(weight * digit));
    }
    *key = accept_entered_key(value);
    return true;
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
    if (c == 0) c = kExtendedKeyOffset + platform::getch();
    if (c == 'K') {
        if (!read_numeric_key_entry(key)) return true;
    } else {
        *key = map_pc_character(c);
    }
    pc_release_pending = 1;
    pc_pending_key = *key;
    input_pending_pc_key = 1;
    set_key_down(*key, 1);
    return true;
}

// --- small console (keyboard ring) ---------------------------------------------

bool read_ring_key(int16_t* key) {
    input_pending_key_ring = 0;
    if (key_ring_read < 0 || key_ring_read >= kKeyRingWords) key_ring_read = 0;
    const uint16_t word = key_ring[static_cast<size_t>(key_ring_read)];
    key_ring_read = static_cast<int16_t>(key_ring_read == kKeyRingWords - 1 ? 0 : key_ring_read + 1);
    const uint8_t code = low_byte(word);
    *key = code >= 1 && code < kExternalCodes ? static_cast<int16_t>(external_key_table[code]) : 0;
    const bool press = high_byte(word) == 1;
    set_key_down(*key, press ? 1 : 0);
    if (in_setup()) return press;
    if (*key >= KEY_PLAYBACK_1 && *key <= KEY_PLAYBACK_10) {
        if (!refused(kPlaybackKeysOut)) handle_playback_key(*key, press ? 1 : 0);
        *key = 0;
        return false;
    }
    if (*key == KEY_BLIND_TOGGLE && press) {
        if (!refused(kBlindKeyOut)) STEP(ui::toggle_blind_mode());
        *key = 0;
        return false;
    }
    return press;
}

// --- console keys (console FIFO) -----------------------------------------------

int16_t decode_fifo_word(uint16_t word) {
    const bool press = (word & KEY_FIFO_PRESS) != 0;
    const int column = word & 0xFF;
    const int row = (word & ~KEY_FIFO_PRESS) >> 8;
    const int columns = press ? kMatrixColumns : kReleaseColumns;
    if (column >= columns || row >= kMatrixRows) return 0;
    return static_cast<int16_t>(key_matrix[static_cast<size_t>(column)][static_cast<size_t>(row)]);
}

// The key groups act on a console key and swallow it; false when the key is
// not one of theirs.
bool act_on_key_group(int16_t key, bool press) {
    const uint8_t pressed = press ? 1 : 0;
    if (key >= KEY_SEQUENCE_A_RUN && key <= KEY_SEQUENCE_D_GO) {
        handle_sequence_key(key, pressed);
    } else if (key >= KEY_MASTER_1 && key <= KEY_MASTER_4) {
        if (!refused(kMasterKeysOut)) handle_master_key(key, pressed);
    } else if (key >= KEY_PLAYBACK_1 && key <= KEY_PLAYBACK_42) {
        if (!refused(kPlaybackKeysOut)) handle_playback_key(key, pressed);
    } else if (key >= KEY_MACRO_1 && key <= KEY_MACRO_15) {
        if (press && !refused(kMacroKeysOut)) run_key_macro(static_cast<uint8_t>(key - KEY_MACRO_1 + 1));
    } else if (key == KEY_BLIND_TOGGLE) {
        if (press && !refused(kBlindKeyOut)) STEP(ui::toggle_blind_mode());
    } else {
        return false;
    }
    return true;
}

bool read_console_key(int16_t* key) {
    input_pending_console_key = 0;
    const uint16_t selector = console_card_selector;
    uint16_t read = peek_card_word(selector, kFifoReadCell);
    const uint16_t write = peek_card_word(selector, kFifoWriteCell);
    if (read == write || read < kCardAddressBase) return false;
    const uint16_t word = peek_card_word(selector, static_cast<uint32_t>(read - kCardAddressBase));
    read = static_cast<uint16_t>(read + 2);
    if (read >= key_fifo_base + kFifoBytes) read = key_fifo_base;
    poke_card_word(selector, kFifoReadCell, read);
    const bool press = (word & KEY_FIFO_PRESS) != 0;
    *key = decode_fifo_word(word);
    set_key_down(*key, press ? 1 : 0);
    if (!in_setup() && act_on_key_group(*key, press)) {
        *key = 0;
        return false;
    }
    return press;
}

// --- remote cue (DMX input 1) --------------------------------------------------

bool dmx_in1_usable() {
    return setup::dmx_in1_enabled == 1 && setup::dmx_in1_start >= kFirstDmxInStart &&
           setup::dmx_in1_start <= kLastDmxInStart;
}

// A byte of the console card's DMX input buffer; 0 outside its 512 bytes
// (the point byte of a block starting at 496 lies just past them).
uint8_t read_dmx_in1_byte(int offset) {
    const int position = setup::dmx_in1_start + offset;
    if (position < 0 || position >= kDmxInputBytes) return 0;
    return peek_card_byte(console_card_selector, console_offsets.input_buffer + static_cast<uint32_t>(position));
}

void take_remote_cue() {
    input_pending_remote_cue = 0;
    if (in_setup() || refused(kCueCallsOut)) return;
    const uint8_t mode = setup::dmx_in1_mode;
    const uint8_t page = decode_remote_cue_byte(read_dmx_in1_byte(kRemotePageOffset), mode);
    const uint8_t cue = decode_remote_cue_byte(read_dmx_in1_byte(kRemoteCueOffset), mode);
    const uint8_t point = decode_remote_cue_byte(read_dmx_in1_byte(kRemotePointOffset), mode);
    const uint16_t slot = remote_cue_slot(page, cue, point);
    if (slot != 0) STEP(playback::go_to_cue(slot, 1, 0));
}

// --- MIDI -------------------------------------------------------------------

uint16_t current_cue_slot() {
    return static_cast<uint16_t>((playback::current_cue_page - 1) * 700 + (playback::current_cue - 1) * 10 +
                                 playback::current_cue_point);
}

// A learned cue code calls its cue; true when the event selected a cue
// (also when the call was refused).
bool call_learned_cue(const synchro::MidiEvent& event) {
    const uint8_t cue_class = synchro::midi_status_class[high_byte(event.words[0])];
    const uint8_t channel = low_byte(event.words[0]);
    const uint8_t data1 = high_byte(event.words[1]);
    if (cue_class < 1 || cue_class > synchro::kMidiCueClasses || channel >= synchro::kMidiChannels ||
        data1 >= synchro::kMidiDataValues) {
        return false;
    }
    const uint16_t slot = synchro::midi_cue_lookup[cue_class][channel][data1];
    if (slot < 1 || slot > synchro::kLastCueSlot || slot == current_cue_slot()) return false;
    if (!in_setup() && !refused(kCueCallsOut)) STEP(playback::go_to_cue(slot, 1, 1));
    return true;
}

// Note on and off drive the playbacks learned with that note; the beat
// inverts the playbacks learned with the beat.
void flash_playbacks_by_midi(const synchro::MidiEvent& event) {
    const uint8_t status = high_byte(event.words[0]);
    const uint8_t data1 = high_byte(event.words[1]);
    for (int16_t p = 1; p <= playback::kPlaybacks; ++p) {
        const playback::MidiCode& code = playback::playback_midi_codes[static_cast<size_t>(p)];
        uint8_t& note_flag = playback::playback_note_flags[static_cast<size_t>(p)];
        const uint8_t code_status = high_byte(code.words[0]);
        if (code_status == kMidiNoteOn && high_byte(code.words[1]) == data1 && status != kMidiBeat) {
            note_flag = status == kMidiNoteOn ? 1 : 0;
            STEP(playback::handle_flash_key(p, note_flag));
        } else if (code_status == kMidiBeat && status == kMidiBeat) {
            note_flag = note_flag != 0 ? 0 : 1;
            STEP(playback::handle_flash_key(p, note_flag));
        }
    }
}

// GO of every triggered sequence whose code matches (data 2 not compared).
void step_sequences_by_midi(const synchro::MidiEvent& event) {
    for (int16_t s = 1; s <= playback::kSequences; ++s) {
        if ((playback::sequence_table[static_cast<size_t>(s)].mode & playback::SEQUENCE_TRIGGER_MODE) == 0) continue;
        const playback::MidiCode& code = playback::sequence_midi_codes[static_cast<size_t>(s)];
        if (code.words[0] != 0 && event.words[0] == code.words[0] &&
            high_byte(event.words[1]) == high_byte(code.words[1]) && event.words[2] == code.words[2]) {
            STEP(playback::go_sequence(s, 1));
        }
    }
}

void take_midi_event() {
    // The event is copied and the flag cleared first, so that a handler that
    // waits (and so polls MIDI again) neither sees this event a second time
    // nor has it overwritten under it.
    const synchro::MidiEvent event = synchro::midi_event;
    input_pending_midi = 0;
    if (call_learned_cue(event)) return;
    const uint8_t status = high_byte(event.words[0]);
    if (status == kMidiOpenList) {
        STEP(synchro::open_list_by_midi_number(event.words[1]));
        return;
    }
    if (status == kMidiShowGo) {
        if (event.words[1] >= 1 && event.words[1] <= synchro::kLastCueSlot) {
            STEP(playback::go_to_cue(event.words[1], 1, 1));
        }
        return;
    }
    if (status == kMidiNoteOff || status == kMidiNoteOn || status == kMidiBeat) flash_playbacks_by_midi(event);
    step_sequences_by_midi(event);
}

// --- the FIFO word of a key macro ----------------------------------------------

uint16_t fifo_word(MatrixKey key, bool press) {
    const auto word = static_cast<uint16_t>((key.row << 8) | key.column);
    return press ? static_cast<uint16_t>(word | KEY_FIFO_PRESS) : word;
}

std::array<MatrixKey, 3> macro_keys(uint8_t macro) {
    if (macro <= 10) return {kMacroCueKey, kMacroCuePageKey, MatrixKey{static_cast<uint8_t>(macro - 1), 0}};
    if (macro <= 14) return {kMacroCueKey, kMacroCuePageKey, MatrixKey{static_cast<uint8_t>(macro - 11), 1}};
    return {kMacroPlayKey, kMacroDeleteKey, kMacroPlayKey};
}

}  // namespace

bool get_key(int16_t* key) {
    if (!fifo_base_read) {
        key_fifo_base = peek_card_word(console_card_selector, kFifoBaseCell);
        fifo_base_read = true;
    }
    *key = 0;
    platform::TextSettings key_reader_text_settings{};
    platform::_gettextsettings(key_reader_text_settings);
    const int saved_colour = platform::_getcolor();
    bool result = false;
    for (bool decided = false; !decided;) {
        run_background();
        decided = true;
        if (input_pending_pc_key != 0) {
            result = read_pc_key(key);
        } else if (input_pending_key_ring != 0) {
            result = read_ring_key(key);
        } else if (input_pending_console_key != 0 && hw_option_flags.hardware_keys != 0) {
            result = read_console_key(key);
        } else if (input_pending_remote_cue != 0) {
            take_remote_cue();
        } else if (pushed_back_key != 0) {
            *key = pushed_back_key;
            pushed_back_key = 0;
            result = true;
        } else if (input_pending_midi != 0) {
            take_midi_event();
        } else {
            decided = false;
        }
    }
    ui::set_text_style(static_cast<int16_t>(key_reader_text_settings.font),
                       static_cast<int16_t>(key_reader_text_settings.direction),
                       static_cast<int16_t>(key_reader_text_settings.char_size));
    platform::_setcolor(saved_colour);
    return result;
}

bool is_console_key_pending() {
    if (hw_option_flags.hardware_keys == 0) return false;
    const uint16_t read = peek_card_word(console_card_selector, kFifoReadCell);
    const uint16_t write = peek_card_word(console_card_selector, kFifoWriteCell);
    return read != write && read >= kCardAddressBase && write >= kCardAddressBase;
}

bool is_pc_key_pending() { return key_ring_write != key_ring_read; }

bool poll_remote_cue_input() {
    if (!dmx_in1_usable()) return false;
    RemoteCueBytes now;
    now.page = read_dmx_in1_byte(kRemotePageOffset);
    now.cue = read_dmx_in1_byte(kRemoteCueOffset);
    now.trigger = read_dmx_in1_byte(kRemoteTriggerOffset);
    now.point = read_dmx_in1_byte(kRemotePointOffset);
    const bool rising = remote_cue_last.trigger < kRemoteTriggerHigh;
    const bool changed =
        now.page != remote_cue_last.page || now.cue != remote_cue_last.cue || now.point != remote_cue_last.point;
    remote_cue_last = now;
    return now.trigger >= kRemoteTriggerHigh && (rising || changed);
}

void flush_key_buffers() {
    const auto flush = [](uint16_t selector) {
        poke_card_word(selector, kFifoReadCell, peek_card_word(selector, kFifoWriteCell));
    };
    const int cards = interface_card_count < kCardSlots ? interface_card_count : kCardSlots;
    for (int card = 1; card <= cards; ++card) flush(dmx_card_selectors[static_cast<size_t>(card)]);
    // The console card also when it carries no DMX output of its own.
    flush(console_card_selector);
    key_down_table.fill(0);
}

void handle_sequence_key(int16_t key, uint8_t press) {
    if (press == 0 || key < KEY_SEQUENCE_A_RUN || key > KEY_SEQUENCE_D_GO) return;
    const auto sequence = static_cast<int16_t>((key - KEY_SEQUENCE_A_RUN) / kSequenceKeysEach + 1);
    switch (static_cast<SequenceKey>((key - KEY_SEQUENCE_A_RUN) % kSequenceKeysEach)) {
        case SequenceKey::run: STEP(playback::toggle_sequence_run(sequence, 1)); break;
        case SequenceKey::direction: STEP(playback::set_sequence_direction(sequence, 1, -1)); break;
        case SequenceKey::sync: STEP(playback::toggle_sequence_sync(sequence, 1)); break;
        case SequenceKey::trigger: STEP(playback::set_sequence_trigger_mode(sequence, 1, -1)); break;
        case SequenceKey::go: STEP(playback::go_sequence(sequence, 1)); break;
        case SequenceKey::spare: break;
    }
}

void handle_master_key(int16_t key, uint8_t press) {
    if (key < KEY_MASTER_1 || key > KEY_MASTER_4) return;
    const auto master = static_cast<int16_t>(key - KEY_MASTER_1 + 1);
    STEP(synchro::record_fader_event(master, press));
    if (master < 3 || (option_flags & OPT_FIXTURE_PANEL) == 0 ||
        (run_flags & (RUN_COPY_MEMORY_DIALOG | RUN_FREEZE_SWITCHES)) != 0) {
        return;
    }
    if (fixture_page < 1 || fixture_page > kFixturePages) return;
    const auto submaster = static_cast<size_t>(master - 2);
    const size_t other = 3 - submaster;
    const bool other_held = key_down_table[static_cast<size_t>(master_key(static_cast<int>(other) + 2))] != 0;
    const auto& keys = fixture_bank_keys[static_cast<size_t>(fixture_page)];
    const int count = fixture_bank_counts[static_cast<size_t>(fixture_page)];
    for (int k = 1; k <= count && k <= kFixtureKeys; ++k) {
        const int fixture = keys[static_cast<size_t>(k)] + 1;
        if (fixture > memories::kSubmasterFixtures) continue;
        const auto f = static_cast<size_t>(fixture);
        if (memories::submaster_table[submaster][f] == 0) continue;
        if (memories::submaster_table[other][f] != 0 && other_held) continue;
        const auto cell_submaster = static_cast<int16_t>(submaster);
        const auto cell_fixture = static_cast<int16_t>(fixture);
        const uint8_t mode = press != 0 ? 0 : 1;
        STEP(memories::draw_submaster_cell(cell_submaster, cell_fixture, mode));
    }
}

void handle_playback_key(int16_t key, uint8_t press) {
    if (key < KEY_PLAYBACK_1 || key > KEY_PLAYBACK_42) return;
    const auto p = static_cast<int16_t>(key - KEY_PLAYBACK_1 + 1);
    const auto fader = static_cast<int16_t>(p + 100);  // the recorder numbers playbacks 101..142
    STEP(playback::handle_flash_key(p, press));
    STEP(synchro::record_fader_event(fader, press));
}

void run_key_macro(uint8_t macro) {
    if (macro < 1 || macro > kKeyMacros) return;
    ui::cue_key_last_press = 0;
    if (key_fifo_base < kCardAddressBase) return;
    const uint32_t first = key_fifo_base - kCardAddressBase;
    const std::array<MatrixKey, 3> keys = macro_keys(macro);
    for (size_t i = 0; i < keys.size(); ++i) {
        poke_card_word(console_card_selector, first + 4 * static_cast<uint32_t>(i), fifo_word(keys[i], true));
        poke_card_word(console_card_selector, first + 4 * static_cast<uint32_t>(i) + 2, fifo_word(keys[i], false));
    }
    poke_card_word(console_card_selector, kFifoReadCell, key_fifo_base);
    poke_card_word(console_card_selector, kFifoWriteCell, static_cast<uint16_t>(key_fifo_base + 2 * kMacroWords));
}

uint8_t decode_remote_cue_byte(uint8_t value, uint8_t mode) {
    if (mode != setup::DMX_IN_PERCENTAGE) return value;
    const long double scaled = value / percent_input_scale.divisor;
    const auto whole = static_cast<uint8_t>(scaled);
    return scaled - whole < percent_input_scale.rounding ? whole : static_cast<uint8_t>(whole + 1);
}

uint16_t remote_cue_slot(uint8_t page, uint8_t cue, uint8_t point) {
    if (page < 1 || page > 16 || cue < 1 || cue > 70 || point > 9) return 0;
    return static_cast<uint16_t>((page - 1) * 700 + (cue - 1) * 10 + point + 1);
}

}  // namespace runtime
