#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "memories/submaster_cells.h"
#include "platform/text_screen.h"
#include "playback/sequence_engine.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_flash.h"
#include "playback/playback_state.h"
#include "playback/sequence_commands.h"
#include "rig/console.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/keyboard_isr.h"
#include "runtime/main_loop.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "setup/dmx_inputs.h"
#include "setup/setup_data.h"
#include "sync/midi_events.h"
#include "ui/mode_keys.h"

namespace {

using namespace runtime::keys;

constexpr int kConsoleSlot = 0;
constexpr uint32_t kFifoBaseCell = 0x420;
constexpr uint32_t kFifoReadCell = 0x422;
constexpr uint32_t kFifoWriteCell = 0x424;

struct KeyEvent {
    bool press = false;
    int16_t key = 0;
    bool operator==(const KeyEvent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeyEvent& e) {
    return out << (e.press ? "press " : "other ") << e.key;
}

using Events = std::vector<KeyEvent>;

// How often a neighbour was called since the step log was last cleared.
int calls(std::string_view function) {
    const std::string prefix = std::string(function) + "(";
    const std::vector<std::string> steps = runtime::logged_steps();
    return static_cast<int>(
        std::count_if(steps.begin(), steps.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
}

// The calls of a neighbour's least body since the step log was last cleared,
// with the values it was given.
std::vector<std::string> recorded(std::string_view function) {
    const std::string prefix = std::string(function) + "(";
    std::vector<std::string> calls = runtime::logged_calls();
    std::erase_if(calls, [&](const std::string& c) { return c.rfind(prefix, 0) != 0; });
    return calls;
}

using Calls = std::vector<std::string>;

uint16_t press_word(int row, int column) { return static_cast<uint16_t>(0x8000 | (row << 8) | column); }
uint16_t release_word(int row, int column) { return static_cast<uint16_t>((row << 8) | column); }

// A program that brings up the configuration, the key layout and the cards
// and then does nothing but read keys, noting what every `get_key` returns.
class KeyReader : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    Events events;

    void SetUp() override {
        dir.map_drive(rig.machine());
        rig.machine().cards.fit(kConsoleSlot, rig::demo_console_card());
        rig.start([this] { read_keys(); });
        rig.run_ms(5);
        runtime::clear_step_log();
    }

    void read_keys() {
        runtime::set_home_directory(rig::ProgramDir::program_path().c_str());
        runtime::load_console_config();
        runtime::load_keyboard_config();
        runtime::discover_cards();
        runtime::read_card_memory_map();
        runtime::read_console_options();
        for (;;) {
            int16_t key = -1;
            const bool press = runtime::get_key(&key);
            events.push_back({press, key});
        }
    }

    // Takes what was read since the last call.
    Events take() {
        Events taken;
        taken.swap(events);
        return taken;
    }

    void push(uint16_t word) { rig.machine().cards.push_key_word(kConsoleSlot, word); }
    void push_press(int16_t key) { push(press_word(runtime::key_led_row[key], runtime::key_led_column[key])); }
    void push_release(int16_t key) { push(release_word(runtime::key_led_row[key], runtime::key_led_column[key])); }
    uint16_t fifo_cell(uint32_t cell) { return rig.machine().cards.peek_word(kConsoleSlot, cell); }

    // A word of the small console, as the keyboard interrupt handler stores it.
    void ring(uint8_t code, bool press) {
        runtime::key_ring[static_cast<size_t>(runtime::key_ring_write)] = static_cast<uint16_t>((press ? 0x100 : 0) | code);
        runtime::key_ring_write = static_cast<int16_t>((runtime::key_ring_write + 1) % runtime::kKeyRingWords);
    }

    void midi(uint16_t w1, uint16_t w2, uint16_t w3 = 0) {
        synchro::midi_event.words = {w1, w2, w3};
        runtime::input_pending_midi = 1;
        rig.run_ms(5);
    }
};

// --- PC keyboard ------------------------------------------------------------------

TEST_F(KeyReader, PcKeysArriveAsPressThenReleaseOfTheMappedCode) {
    struct Case {
        const char* name;
        bool extended;
        uint8_t character;
        int16_t key;
    };
    const Case cases[] = {
        {"0", false, '0', KEY_DIGIT_0},
        {"5", false, '5', digit_key(5)},
        {"9", false, '9', KEY_DIGIT_9},
        {".", false, '.', KEY_POINT},
        {"space", false, ' ', KEY_SPACE},
        {"Esc", false, 27, KEY_ESC},
        {"Enter", false, 13, KEY_ENTER},
        {"Backspace", false, 8, KEY_BACK},
        {"+", false, '+', KEY_PLUS},
        {"a", false, 'a', 0},
        {"F1", true, 59, KEY_SEQUENCE_A},
        {"F4", true, 62, KEY_SEQUENCE_D},
        {"F5", true, 63, KEY_WHEEL_MODE_2},
        {"F7", true, 65, KEY_WHEEL_MODE_4},
        {"F8", true, 66, KEY_TIMECODE_MODE},
        {"F9", true, 67, KEY_PLAY},
        {"F10", true, 68, KEY_REC},
        {"F11", true, 133, KEY_STOP},
        {"F12", true, 134, KEY_EDIT},
        {"PgUp", true, 73, KEY_PAGE_UP},
        {"PgDn", true, 81, KEY_PAGE_DOWN},
        {"Del", true, 83, KEY_DEL},
        {"Left", true, 75, KEY_LEFT},
        {"Right", true, 77, KEY_RIGHT},
        {"Up", true, 72, KEY_UP},
        {"Down", true, 80, KEY_DOWN},
        {"Home", true, 71, 0},
    };
    for (const Case& c : cases) {
        if (c.extended) {
            rig.machine().text.push_extended_key(c.character);
        } else {
            rig.machine().text.push_key(c.character);
        }
        rig.run_ms(5);
        EXPECT_EQ(take(), (Events{{true, c.key}, {false, c.key}})) << c.name;
    }
}

TEST_F(KeyReader, PcKeyIsHeldDownOnlyUntilTheNextCall) {
    rig.type("1");
    rig.run_ms(5);
    EXPECT_EQ(take(), (Events{{true, KEY_DIGIT_1}, {false, KEY_DIGIT_1}}));
    EXPECT_EQ(runtime::key_down_table[KEY_DIGIT_1], 0);
    EXPECT_EQ(runtime::pc_release_pending, 0);
    EXPECT_EQ(runtime::input_pending_pc_key, 0);
}

TEST_F(KeyReader, NumericKeyEntryGivesAnyConsoleKeyAndQuit) {
    struct Case {
        const char* typed;
        Events expected;
    };
    const Case cases[] = {
        {"K*999", {{true, KEY_QUIT}, {false, KEY_QUIT}}},
        // Lower case too, and no blind toggle from the PC.
        {"k*114", {{true, KEY_BLIND_TOGGLE}, {false, KEY_BLIND_TOGGLE}}},
        {"K*901", {{true, KEY_SPACE}, {false, KEY_SPACE}}},
        {"K*519", {{true, 519}, {false, 519}}},
        // Codes that no key table holds give 0: 520..2000 except 901 and 999.
        {"K*520", {{true, 0}, {false, 0}}},
        {"K*:00", {{true, 0}, {false, 0}}},      // 1000
        {"K*/00", {{true, 0}, {false, 0}}},      // wraps above 2000
        // Anything but '*' abandons the entry: key 0, and no release follows.
        {"Kx", {{true, 0}}},
        {"K1", {{true, 0}}},
    };
    for (const Case& c : cases) {
        rig.type(c.typed);
        rig.run_ms(10);
        EXPECT_EQ(take(), c.expected) << c.typed;
    }
    EXPECT_EQ(runtime::logged_steps(), std::vector<std::string>{});
}

TEST_F(KeyReader, NumericEntryInterruptedByAnotherSourceCountsZeroDigits) {
    rig.type("K*5");
    rig.run_ms(10);
    EXPECT_EQ(take(), Events{});  // waiting for the second digit
    push_press(fixture_key(7));
    push_release(fixture_key(7));
    rig.run_ms(10);
    // The console key ends the wait with the digits 0 and stays pending.
    EXPECT_EQ(take(), (Events{{true, 500}, {false, 500}, {true, fixture_key(7)}, {false, fixture_key(7)}}));
}

// --- console keys -------------------------------------------------------------------

TEST_F(KeyReader, ConsoleKeyIsDownWhileHeld) {
    push_press(fixture_key(42));
    rig.run_ms(10);
    EXPECT_EQ(take(), (Events{{true, fixture_key(42)}}));
    EXPECT_EQ(runtime::key_down_table[fixture_key(42)], 1);
    push_release(fixture_key(42));
    rig.run_ms(10);
    EXPECT_EQ(take(), (Events{{false, fixture_key(42)}}));
    EXPECT_EQ(runtime::key_down_table[fixture_key(42)], 0);
    EXPECT_EQ(fifo_cell(kFifoReadCell), fifo_cell(kFifoWriteCell));
}

TEST_F(KeyReader, ReleasesAreDecodedInColumnsBelow48Only) {
    runtime::key_matrix[48][0] = 77;
    runtime::key_matrix[99][15] = 78;
    push(press_word(4, 47));  // LOOP COUNTER, the last column whose releases count
    push(release_word(4, 47));
    push(press_word(0, 48));
    push(release_word(0, 48));
    push(press_word(15, 99));
    push(press_word(0, 100));  // beyond the matrix
    push(press_word(16, 5));
    rig.run_ms(20);
    EXPECT_EQ(take(), (Events{{true, KEY_LOOP_COUNTER}, {false, KEY_LOOP_COUNTER}, {true, 77}, {false, 0}, {true, 78},
                              {true, 0}, {true, 0}}));
    EXPECT_EQ(runtime::key_down_table[KEY_LOOP_COUNTER], 0);
    EXPECT_EQ(runtime::key_down_table[77], 1);  // its release could not be decoded
}

TEST_F(KeyReader, FifoWrapsAtItsBasePlus32) {
    const uint16_t base = fifo_cell(kFifoBaseCell);
    ASSERT_GE(base, 0x4000);
    // Ten keys pressed and released: 20 words through a FIFO of 16.
    Events expected;
    for (int16_t key = 1; key <= 10; ++key) {
        push_press(key);
        push_release(key);
        expected.push_back({true, key});
        expected.push_back({false, key});
    }
    rig.run_ms(50);
    EXPECT_EQ(take(), expected);
    EXPECT_EQ(fifo_cell(kFifoReadCell), base + 2 * (20 % 16));
    EXPECT_EQ(fifo_cell(kFifoWriteCell), fifo_cell(kFifoReadCell));
}

TEST_F(KeyReader, SequenceKeysActInsideTheReader) {
    struct Case {
        int16_t key;
        const char* function;
    };
    const Case cases[] = {
        {KEY_SEQUENCE_A_RUN, "playback::toggle_sequence_run"},
        {sequence_key(2, SequenceKey::direction), "playback::set_sequence_direction"},
        {sequence_key(3, SequenceKey::sync), "playback::toggle_sequence_sync"},
        {sequence_key(4, SequenceKey::trigger), "playback::set_sequence_trigger_mode"},
        {sequence_key(1, SequenceKey::go), "playback::go_sequence"},
        {sequence_key(1, SequenceKey::spare), nullptr},
    };
    for (const Case& c : cases) {
        runtime::clear_step_log();
        push_press(c.key);
        rig.run_ms(10);
        EXPECT_EQ(runtime::key_down_table[static_cast<size_t>(c.key)], 1) << c.key;
        push_release(c.key);
        rig.run_ms(10);
        EXPECT_EQ(take(), (Events{{false, 0}, {false, 0}})) << c.key;
        EXPECT_EQ(runtime::key_down_table[static_cast<size_t>(c.key)], 0) << c.key;
        if (c.function != nullptr) {
            EXPECT_EQ(calls(c.function), 1) << c.key;  // on the press only
        }
        EXPECT_EQ(runtime::logged_steps().size(), c.function != nullptr ? 1u : 0u) << c.key;
    }
}

TEST_F(KeyReader, EachSequenceKeyActsOnItsOwnSequence) {
    using playback::sequence_mode_field;
    using runtime::SequenceKey;
    const auto field = [](int s, uint8_t shift) {
        return sequence_mode_field(playback::sequence_table[static_cast<size_t>(s)].mode, shift);
    };
    // D runs manual, so its GO is taken; A is left stopped, so its GO is not.
    playback::sequence_table[4].mode = 1 | (playback::kTriggerManual << playback::kSequenceTriggerShift);
    const auto key = [&](int16_t k) {
        push_press(k);
        push_release(k);
        rig.run_ms(10);
    };
    key(runtime::sequence_key(2, SequenceKey::direction));
    EXPECT_EQ(field(2, playback::kSequenceDirectionShift), playback::kDirectionBackward);
    key(runtime::sequence_key(3, SequenceKey::sync));
    EXPECT_EQ(field(3, playback::kSequenceSyncShift), 1);
    key(runtime::sequence_key(4, SequenceKey::trigger));
    EXPECT_EQ(field(4, playback::kSequenceTriggerShift), playback::kTriggerBeat);
    key(runtime::sequence_key(1, SequenceKey::go));
    EXPECT_EQ(playback::sequence_go_request[1], 0);
    key(runtime::KEY_SEQUENCE_D_GO);
    EXPECT_EQ(playback::sequence_go_request[4], 1);
    key(runtime::sequence_key(1, SequenceKey::run));
    EXPECT_EQ(field(1, playback::kSequenceRunShift), 1);
    for (int s = 2; s <= 3; ++s) EXPECT_EQ(field(s, playback::kSequenceRunShift), 0) << s;
}

TEST_F(KeyReader, PlaybackAndMasterKeysFlashAndAreRecorded) {
    push_press(playback_key(15));  // playback 15
    push_release(playback_key(15));
    push_press(KEY_MASTER_2);  // flash master
    rig.run_ms(20);
    EXPECT_EQ(take(), (Events{{false, 0}, {false, 0}, {false, 0}}));
    EXPECT_EQ(calls("playback::handle_flash_key"), 2);
    EXPECT_EQ(calls("synchro::record_fader_event"), 3);
    EXPECT_EQ(runtime::key_down_table[KEY_MASTER_2], 1);
    // Playback 15 flashes on and off; the recorder numbers it 115, the flash master 2.
    EXPECT_EQ(runtime::logged_calls(), (Calls{"synchro::record_fader_event(115, 1)", "synchro::record_fader_event(115, 0)",
                                              "synchro::record_fader_event(2, 1)"}));
    EXPECT_EQ(playback::playback_flash_state[15], playback::kFlashFadingOut) << "on, then off again";
}

TEST_F(KeyReader, FirstAndLastPlaybackKeysFlashTheirOwnPlaybacks) {
    for (const int p : {1, 10, 11, 42}) {
        runtime::clear_step_log();
        push_press(runtime::playback_key(p));
        rig.run_ms(10);
        EXPECT_NE(playback::playback_flash_state[static_cast<size_t>(p)], playback::kFlashIdle) << p;
        EXPECT_EQ(recorded("synchro::record_fader_event"),
                  Calls{"synchro::record_fader_event(" + std::to_string(100 + p) + ", 1)"});
        push_release(runtime::playback_key(p));
        rig.run_ms(10);
    }
    for (const int m : {1, 4}) {
        runtime::clear_step_log();
        push_press(runtime::master_key(m));
        rig.run_ms(10);
        EXPECT_EQ(runtime::logged_calls(), Calls{"synchro::record_fader_event(" + std::to_string(m) + ", 1)"});
        push_release(runtime::master_key(m));
        rig.run_ms(10);
    }
}

// A held SUB key shows its members on the shown page (both LED colours),
// its release the normal look again (here: not selected, dark); a fixture
// of both submasters is left to the other SUB while that one is held.
TEST_F(KeyReader, SubMasterKeysRedrawTheCellsOfTheirFixturesOnThePage) {
    runtime::option_flags |= runtime::OPT_FIXTURE_PANEL;
    setup::fixture_count = 700;  // a rig that reaches every fixture number of the pages below
    runtime::fixture_page = 2;
    runtime::fixture_bank_counts[2] = 5;
    runtime::fixture_bank_keys[2] = {0, 9, 10, 11, 699, 700};  // fixtures 10, 11, 12, 700 and one too many
    runtime::fixture_bank_keys[1] = {0, 0, 1, 2};              // another page
    runtime::fixture_bank_counts[1] = 3;
    memories::submaster_table[1][1] = 1;
    memories::submaster_table[1][10] = 1;
    memories::submaster_table[1][11] = 1;
    memories::submaster_table[2][11] = 1;
    memories::submaster_table[2][12] = 1;
    memories::submaster_table[1][700] = 1;
    // The LEDs of keys 1 to 4 of page 2 (fixtures 10, 11, 12, 700) after a
    // SUB key went down or up, as '.' off, '3' both colours, '1' lit.
    const auto leds_after = [this](int16_t key, bool press) {
        if (press) {
            push_press(key);
        } else {
            push_release(key);
        }
        rig.run_ms(10);
        std::string leds;
        for (int k = 1; k <= 4; ++k) {
            const uint8_t led = runtime::key_led_cache[static_cast<size_t>(runtime::fixture_key(k))];
            leds += led == 0 ? '.' : static_cast<char>('0' + led);
        }
        return leds;
    };
    runtime::clear_step_log();
    EXPECT_EQ(leds_after(KEY_MASTER_3, true), "33.3");  // SUB1: fixtures 10, 11, 700
    EXPECT_EQ(recorded("synchro::record_fader_event"), Calls{"synchro::record_fader_event(3, 1)"});
    EXPECT_EQ(leds_after(KEY_MASTER_3, false), "....");
    EXPECT_EQ(leds_after(KEY_MASTER_4, true), ".33.");  // SUB2: fixtures 11, 12
    EXPECT_EQ(leds_after(KEY_MASTER_3, true), "3333");
    EXPECT_EQ(leds_after(KEY_MASTER_3, false), ".33.") << "fixture 11 of both is left to the held SUB2";
    EXPECT_EQ(leds_after(KEY_MASTER_4, false), "....");

    // GRAND and FLASH have no cells; nor has a SUB key in the memory copy
    // dialog, with the freeze switches or without the fixture panel.
    runtime::set_key_led(runtime::fixture_key(1), runtime::LED_ON);
    EXPECT_EQ(leds_after(KEY_MASTER_1, true), "1...");
    EXPECT_EQ(leds_after(KEY_MASTER_2, true), "1...");
    for (const uint32_t bit : {runtime::RUN_COPY_MEMORY_DIALOG, runtime::RUN_FREEZE_SWITCHES}) {
        runtime::run_flags = bit;
        runtime::clear_step_log();
        EXPECT_EQ(leds_after(KEY_MASTER_3, true), "1...") << bit;
        EXPECT_EQ(calls("synchro::record_fader_event"), 1) << bit;
        EXPECT_EQ(leds_after(KEY_MASTER_3, false), "1...") << bit;
    }
    runtime::run_flags = 0;
    runtime::option_flags &= ~runtime::OPT_FIXTURE_PANEL;
    EXPECT_EQ(leds_after(KEY_MASTER_3, true), "1...");
}

TEST_F(KeyReader, RefusedGroupKeysAreStillSwallowed) {
    struct Case {
        int16_t key;
        uint32_t run_bit;
        const char* function;
    };
    const Case cases[] = {
        {KEY_MASTER_1, runtime::RUN_MASTER_KEYS_TAKEN, "synchro::record_fader_event"},
        {KEY_PLAYBACK_1, runtime::RUN_PLAYBACK_KEYS_TAKEN, "playback::handle_flash_key"},
        {KEY_PLAYBACK_42, runtime::RUN_FREEZE_SWITCHES, "playback::handle_flash_key"},
        {KEY_PLAYBACK_10, runtime::RUN_CUE_COPY_DIALOG, "playback::handle_flash_key"},
        {KEY_BLIND_TOGGLE, runtime::RUN_SEQUENCE_KEYS_TAKEN, "ui::toggle_blind_mode"},
        {KEY_BLIND_TOGGLE, runtime::RUN_PLAYBACK_KEYS_TAKEN, "ui::toggle_blind_mode"},
        {KEY_BLIND_TOGGLE, runtime::RUN_POINTCUE_EDIT, "ui::toggle_blind_mode"},
    };
    for (const Case& c : cases) {
        for (const bool refuse : {true, false}) {
            runtime::run_flags = refuse ? c.run_bit : 0;
            runtime::clear_step_log();
            push_press(c.key);
            push_release(c.key);
            rig.run_ms(10);
            // The blind command reads its own key's release while it waits for the hold.
            const Events expected =
                c.key == KEY_BLIND_TOGGLE && !refuse ? Events{{false, 0}} : Events{{false, 0}, {false, 0}};
            EXPECT_EQ(take(), expected) << c.key << " refused " << refuse;
            EXPECT_EQ(calls(c.function) > 0, !refuse) << c.key << " refused " << refuse;
        }
    }
    // The sequence keys have no refusal.
    runtime::run_flags = ~0u;
    runtime::clear_step_log();
    push_press(sequence_key(2, SequenceKey::go));
    rig.run_ms(10);
    EXPECT_EQ(take(), (Events{{false, 0}}));
    EXPECT_EQ(calls("playback::go_sequence"), 1);
}

TEST_F(KeyReader, RefusedKeyMacroLeavesTheFifoAlone) {
    for (const uint32_t bit : {runtime::RUN_SEQUENCE_KEYS_TAKEN, runtime::RUN_PLAYBACK_KEYS_TAKEN,
                               runtime::RUN_POINTCUE_EDIT, runtime::RUN_CUE_COPY_DIALOG}) {
        runtime::run_flags = bit;
        ui::cue_key_last_press = 1234;
        push_press(KEY_MACRO_1);
        push_release(KEY_MACRO_1);
        rig.run_ms(10);
        EXPECT_EQ(take(), (Events{{false, 0}, {false, 0}})) << bit;
        EXPECT_EQ(ui::cue_key_last_press, 1234u) << bit;
    }
}

TEST_F(KeyReader, WithTheFixtureSetupOpenGroupKeysReachTheCaller) {
    runtime::mode_flags |= runtime::MODE_IN_SETUP;
    for (const int16_t key : {sequence_key(1, SequenceKey::go), KEY_MASTER_3, playback_key(30), macro_key(5),
                              KEY_BLIND_TOGGLE}) {
        push_press(key);
        push_release(key);
    }
    rig.run_ms(30);
    EXPECT_EQ(take(), (Events{{true, sequence_key(1, SequenceKey::go)}, {false, sequence_key(1, SequenceKey::go)},
                              {true, KEY_MASTER_3}, {false, KEY_MASTER_3}, {true, playback_key(30)},
                              {false, playback_key(30)}, {true, macro_key(5)}, {false, macro_key(5)},
                              {true, KEY_BLIND_TOGGLE}, {false, KEY_BLIND_TOGGLE}}));
    EXPECT_EQ(runtime::logged_steps(), std::vector<std::string>{});
}

TEST_F(KeyReader, KeyMacroTypesThreeKeysAndDiscardsWhatTheFifoHeld) {
    const uint16_t base = fifo_cell(kFifoBaseCell);
    ui::cue_key_last_press = 1234;
    // MACRO 3 with two more words already behind it in the FIFO.
    push_press(macro_key(3));
    push_press(fixture_key(55));
    push_release(fixture_key(55));
    rig.run_ms(20);
    const std::vector<uint16_t> words = {0x820A, 0x020A, 0x8112, 0x0112, 0x8002, 0x0002};
    for (size_t i = 0; i < words.size(); ++i) {
        EXPECT_EQ(rig.machine().cards.peek_word(kConsoleSlot, base - 0x4000u + 2 * static_cast<uint32_t>(i)), words[i])
            << i;
    }
    EXPECT_EQ(ui::cue_key_last_press, 0u);
    // CUE, CUE PAGE 1 and FIXTURE 3 (cue 3 on the cue screen), each pressed and released.
    EXPECT_EQ(take(), (Events{{false, 0}, {true, KEY_CUE}, {false, KEY_CUE}, {true, KEY_GROUP_1}, {false, KEY_GROUP_1},
                              {true, fixture_key(3)}, {false, fixture_key(3)}}));
    push_release(macro_key(3));
    rig.run_ms(10);
    EXPECT_EQ(take(), (Events{{false, 0}}));
}

TEST_F(KeyReader, KeyMacroWordsForEachKindOfMacro) {
    struct Case {
        int16_t key;
        std::vector<uint16_t> words;
    };
    const Case cases[] = {
        {501, {0x820A, 0x020A, 0x8112, 0x0112, 0x8000, 0x0000}},
        {510, {0x820A, 0x020A, 0x8112, 0x0112, 0x8009, 0x0009}},
        {511, {0x820A, 0x020A, 0x8112, 0x0112, 0x8100, 0x0100}},
        {514, {0x820A, 0x020A, 0x8112, 0x0112, 0x8103, 0x0103}},
        {515, {0x8017, 0x0017, 0x8320, 0x0320, 0x8017, 0x0017}},
    };
    const uint16_t base = fifo_cell(kFifoBaseCell);
    for (const Case& c : cases) {
        push_press(c.key);
        rig.run_ms(20);
        std::vector<uint16_t> got;
        for (uint32_t i = 0; i < 6; ++i) got.push_back(rig.machine().cards.peek_word(kConsoleSlot, base - 0x4000u + 2 * i));
        EXPECT_EQ(got, c.words) << c.key;
        EXPECT_EQ(fifo_cell(kFifoReadCell), base + 12) << c.key;  // all six read
        push_release(c.key);
        rig.run_ms(10);
        take();
    }
}

// --- small console ------------------------------------------------------------------

TEST_F(KeyReader, SmallConsoleKeysComeThroughTheExternalTable) {
    ring(12, true);
    rig.run_ms(5);
    EXPECT_EQ(runtime::key_down_table[fixture_key(12)], 1);
    ring(12, false);
    ring(0, true);      // no code
    ring(200, true);    // beyond the table
    runtime::external_key_table[150] = playback_key(11);
    ring(150, true);    // playback 11: not acted on from the small console
    runtime::external_key_table[151] = sequence_key(1, SequenceKey::go);
    ring(151, true);    // a sequence key: returned too
    rig.run_ms(10);
    EXPECT_EQ(take(), (Events{{true, fixture_key(12)}, {false, fixture_key(12)}, {true, 0}, {true, 0},
                              {true, playback_key(11)}, {true, sequence_key(1, SequenceKey::go)}}));
    EXPECT_EQ(runtime::key_down_table[fixture_key(12)], 0);
    EXPECT_EQ(runtime::logged_steps(), std::vector<std::string>{});
}

TEST_F(KeyReader, SmallConsolePlaybackAndBlindKeysActInside) {
    ring(105, true);   // playback 5
    ring(105, false);
    ring(114, true);   // blind
    ring(114, false);
    rig.run_ms(10);
    // The blind command reads its own key's release while it waits for the hold.
    EXPECT_EQ(take(), (Events{{false, 0}, {false, 0}, {false, 0}}));
    EXPECT_EQ(calls("playback::handle_flash_key"), 2);
    EXPECT_EQ(calls("ui::toggle_blind_mode"), 1);
    EXPECT_EQ(runtime::logged_calls(),
              (Calls{"synchro::record_fader_event(105, 1)", "synchro::record_fader_event(105, 0)"}));

    runtime::clear_step_log();
    runtime::run_flags = runtime::RUN_FREEZE_SWITCHES | runtime::RUN_POINTCUE_EDIT;
    ring(110, true);
    ring(114, true);
    rig.run_ms(10);
    EXPECT_EQ(take(), (Events{{false, 0}, {false, 0}}));
    EXPECT_EQ(runtime::logged_steps(), std::vector<std::string>{});

    runtime::mode_flags |= runtime::MODE_IN_SETUP;
    ring(110, true);
    ring(114, true);
    rig.run_ms(10);
    EXPECT_EQ(take(), (Events{{true, KEY_PLAYBACK_10}, {true, KEY_BLIND_TOGGLE}}));
}

TEST_F(KeyReader, KeyRingReadIndexWrapsAfter999) {
    runtime::key_ring_read = 999;
    runtime::key_ring_write = 999;
    ring(3, true);
    ring(3, false);
    rig.run_ms(10);
    EXPECT_EQ(take(), (Events{{true, fixture_key(3)}, {false, fixture_key(3)}}));
    EXPECT_EQ(runtime::key_ring_read, 1);
}

// --- pushed-back key and source order ------------------------------------------------

TEST_F(KeyReader, PushedBackKeyIsReturnedAsAPressAfterTheOtherSources) {
    runtime::pushed_back_key = KEY_TO_MEM;
    rig.run_ms(5);
    EXPECT_EQ(take(), (Events{{true, KEY_TO_MEM}}));
    EXPECT_EQ(runtime::pushed_back_key, 0);
}

// --- remote cue --------------------------------------------------------------------

TEST(RemoteCue, PercentageBytesRoundHalfUp) {
    struct Case {
        uint8_t byte;
        uint8_t number;
    };
    // byte / 2.55: a fraction below 0.5 rounds down, otherwise up.
    const Case cases[] = {{0, 0},   {1, 0},   {2, 1},    {3, 1},    {4, 2},    {14, 5},
                          {15, 6},  {126, 49}, {127, 50}, {128, 50}, {254, 100}, {255, 100}};
    for (const Case& c : cases) {
        EXPECT_EQ(runtime::decode_remote_cue_byte(c.byte, setup::DMX_IN_PERCENTAGE), c.number) << int{c.byte};
        EXPECT_EQ(runtime::decode_remote_cue_byte(c.byte, setup::DMX_IN_DIGITAL), c.byte) << int{c.byte};
    }
}

TEST(RemoteCue, SlotOfPageCueAndPoint) {
    struct Case {
        uint8_t page, cue, point;
        uint16_t slot;
    };
    const Case cases[] = {
        {1, 1, 0, 1},    {1, 5, 4, 45},   {2, 1, 0, 701},  {16, 70, 9, 11200},
        {0, 1, 0, 0},    {17, 1, 0, 0},   {1, 0, 0, 0},    {1, 71, 0, 0},     {1, 1, 10, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(runtime::remote_cue_slot(c.page, c.cue, c.point), c.slot)
            << int{c.page} << " " << int{c.cue} << " " << int{c.point};
    }
}

class RemoteCueInput : public KeyReader {
protected:
    static constexpr int kStart = 100;

    void SetUp() override {
        KeyReader::SetUp();
        setup::dmx_in1_enabled = 1;
        setup::dmx_in1_mode = setup::DMX_IN_DIGITAL;
        setup::dmx_in1_start = kStart;
    }

    // Channels counted from the block's first: 15 page, 16 cue, 17 trigger, 18 point.
    void send(uint8_t page, uint8_t cue, uint8_t trigger, uint8_t point, int start = kStart) {
        rig.set_dmx_input(1, start + 14, page);
        rig.set_dmx_input(1, start + 15, cue);
        rig.set_dmx_input(1, start + 16, trigger);
        rig.set_dmx_input(1, start + 17, point);
        rig.run_ms(20);
    }
    int cue_calls() const { return calls("playback::go_to_cue"); }
};

TEST_F(RemoteCueInput, RisingTriggerCallsTheCueOnce) {
    send(2, 7, 0, 3);
    EXPECT_EQ(cue_calls(), 0);
    send(2, 7, 200, 3);
    EXPECT_EQ(cue_calls(), 1);
    EXPECT_EQ(playback::current_cue_slot(), 764);  // page 2, cue 7, point 3
    EXPECT_EQ(take(), (Events{{false, 0}}));  // the call is consumed inside
    send(2, 7, 255, 3);                       // held high, unchanged
    EXPECT_EQ(cue_calls(), 1);
    send(2, 7, 255, 4);                       // another point while high
    EXPECT_EQ(cue_calls(), 2);
    EXPECT_EQ(playback::current_cue_slot(), 765);
    send(2, 7, 127, 4);
    send(2, 7, 128, 4);                       // lowered and raised again
    EXPECT_EQ(cue_calls(), 3);
}

TEST_F(RemoteCueInput, OutOfRangeNumbersAreDropped) {
    send(17, 1, 255, 0);
    send(1, 71, 0, 0);
    send(1, 71, 255, 0);
    send(1, 1, 0, 10);
    send(1, 1, 255, 10);
    EXPECT_EQ(cue_calls(), 0);
    EXPECT_EQ(take(), (Events{{false, 0}, {false, 0}, {false, 0}}));
}

TEST_F(RemoteCueInput, PercentageModeScalesTheBytes) {
    // Page byte 42 is page 42 (dropped) in DIGITAL mode, 16.47 -> 16 in PERCENTAGE.
    send(42, 3, 255, 0);
    EXPECT_EQ(cue_calls(), 0);
    send(0, 0, 0, 0);
    setup::dmx_in1_mode = setup::DMX_IN_PERCENTAGE;
    send(42, 3, 255, 0);
    EXPECT_EQ(cue_calls(), 1);
    EXPECT_EQ(playback::current_cue_slot(), 10501);  // page 16, cue 1, point 0
    send(43, 3, 255, 0);  // 16.86 -> 17: dropped
    EXPECT_EQ(cue_calls(), 1);
    send(42, 1, 255, 24);  // cue 0.39 -> 0: dropped
    EXPECT_EQ(cue_calls(), 1);
}

TEST_F(RemoteCueInput, RefusedWhileACommandOrTheSetupRuns) {
    for (const uint32_t bit : {runtime::RUN_SEQUENCE_KEYS_TAKEN, runtime::RUN_PLAYBACK_KEYS_TAKEN,
                               runtime::RUN_POINTCUE_EDIT, runtime::RUN_FREEZE_SWITCHES, runtime::RUN_CUE_COPY_DIALOG,
                               runtime::RUN_MIDI_EDIT}) {
        runtime::run_flags = bit;
        send(1, 1, 255, 0);
        send(1, 1, 0, 0);
    }
    runtime::run_flags = 0;
    runtime::mode_flags |= runtime::MODE_IN_SETUP;
    send(1, 1, 255, 0);
    EXPECT_EQ(cue_calls(), 0);
    EXPECT_EQ(take().size(), 7u);  // each consumed
}

TEST_F(RemoteCueInput, OnlyAnEnabledBlockWithAStartOf1To496IsRead) {
    setup::dmx_in1_enabled = 0;
    send(1, 1, 255, 0);
    EXPECT_EQ(cue_calls(), 0);
    send(0, 0, 0, 0);

    setup::dmx_in1_enabled = 1;
    setup::dmx_in1_start = 497;
    send(1, 1, 255, 0, 497);
    EXPECT_EQ(cue_calls(), 0);

    // At 496 the point byte would lie past the 512 input channels: it reads 0.
    setup::dmx_in1_start = 496;
    send(1, 2, 255, 0, 496);
    EXPECT_EQ(cue_calls(), 1);
    EXPECT_EQ(runtime::remote_cue_last.point, 0);
    EXPECT_EQ(runtime::remote_cue_last.cue, 2);
}

// --- MIDI -----------------------------------------------------------------------

TEST_F(KeyReader, LearnedMidiCodeCallsItsCueUnlessItIsCurrent) {
    synchro::midi_status_class[0x90] = 1;
    synchro::midi_cue_lookup[1][0][60] = 45;  // page 1, cue 5, point 5
    playback::playback_midi_codes[7].words = {0x9000, 0x3C00, 0};

    midi(0x9000, 0x3C40);
    EXPECT_EQ(calls("playback::go_to_cue"), 1);
    EXPECT_EQ(playback::current_cue_slot(), 45);
    EXPECT_EQ(recorded("synchro::send_cue_midi_code"), Calls{});  // it came in by MIDI
    EXPECT_EQ(calls("playback::handle_flash_key"), 0);  // the event ends with the cue
    EXPECT_EQ(take(), (Events{{false, 0}}));
    EXPECT_EQ(runtime::input_pending_midi, 0);

    playback::current_cue_page = 1;
    playback::current_cue = 5;
    playback::current_cue_point = 5;
    runtime::clear_step_log();
    midi(0x9000, 0x3C40);
    EXPECT_EQ(calls("playback::go_to_cue"), 0);
    EXPECT_EQ(calls("playback::handle_flash_key"), 1);  // falls through to the playbacks
    EXPECT_NE(playback::playback_flash_state[7], playback::kFlashIdle);
    EXPECT_EQ(playback::playback_note_flags[7], 1);

    // Refused with the setup open: no cue, and nothing else either.
    playback::current_cue = 1;
    runtime::mode_flags |= runtime::MODE_IN_SETUP;
    runtime::clear_step_log();
    midi(0x9000, 0x3C40);
    EXPECT_EQ(runtime::logged_steps(), std::vector<std::string>{});
}

TEST_F(KeyReader, MidiCueLookupIsOnlyMadeForValidCodes) {
    synchro::midi_status_class[0xB0] = 2;
    synchro::midi_cue_lookup[2][5][10] = 11201;  // beyond the cue slots
    synchro::midi_status_class[0xC0] = 6;        // not a cue-select class
    midi(0xB005, 0x0A00);
    midi(0xC000, 0x0000);
    midi(0xB080, 0x0A00);  // channel above 127
    EXPECT_EQ(calls("playback::go_to_cue"), 0);
    EXPECT_EQ(take().size(), 3u);
}

TEST_F(KeyReader, ShowControlGoAndOpenList) {
    midi(0xF07F, 1234);
    midi(0xF17F, 12);
    midi(0xF07F, 0);  // no cue slot
    EXPECT_EQ(calls("playback::go_to_cue"), 1);
    EXPECT_EQ(calls("synchro::open_list_by_midi_number"), 1);
    EXPECT_EQ(playback::current_cue_slot(), 1234);
    EXPECT_EQ(recorded("synchro::send_cue_midi_code"), Calls{});
    EXPECT_EQ(recorded("synchro::open_list_by_midi_number"), Calls{"synchro::open_list_by_midi_number(12)"});
    EXPECT_EQ(take(), (Events{{false, 0}, {false, 0}, {false, 0}}));
}

TEST_F(KeyReader, NotesAndBeatsFlashTheirPlaybacks) {
    playback::playback_midi_codes[3].words = {0x9000, 0x4000, 0};
    playback::playback_midi_codes[4].words = {0x9001, 0x4000, 0};  // another channel, the same note
    playback::playback_midi_codes[9].words = {0xF800, 0, 0};
    playback::playback_midi_codes[12].words = {0x9000, 0x0000, 0};  // note 0 is no beat

    midi(0x9000, 0x4064);
    EXPECT_EQ(playback::playback_note_flags[3], 1);
    EXPECT_EQ(playback::playback_note_flags[4], 1);
    EXPECT_EQ(calls("playback::handle_flash_key"), 2);
    EXPECT_NE(playback::playback_flash_state[3], playback::kFlashIdle);
    EXPECT_NE(playback::playback_flash_state[4], playback::kFlashIdle);
    midi(0x8000, 0x4000);
    EXPECT_EQ(playback::playback_note_flags[3], 0);
    EXPECT_EQ(calls("playback::handle_flash_key"), 4);
    EXPECT_EQ(playback::playback_flash_state[3], playback::kFlashFadingOut) << "the note off ended the flash";
    EXPECT_EQ(playback::playback_flash_state[4], playback::kFlashFadingOut);

    runtime::clear_step_log();
    midi(0xF800, 0);
    EXPECT_EQ(playback::playback_note_flags[9], 1);
    midi(0xF800, 0);
    EXPECT_EQ(playback::playback_note_flags[9], 0);
    EXPECT_EQ(calls("playback::handle_flash_key"), 2);  // playback 9 only
    EXPECT_EQ(playback::playback_note_flags[12], 0);
    midi(0x9000, 0x4100);  // another note
    EXPECT_EQ(calls("playback::handle_flash_key"), 2);
}

TEST_F(KeyReader, MidiCodesStepTriggeredSequences) {
    playback::sequence_midi_codes[2].words = {0xB000, 0x0740, 0x0001};
    playback::sequence_table[2].mode = 1 | 1u << 4;  // running, manual
    playback::sequence_midi_codes[3].words = {0xB000, 0x0740, 0x0001};
    playback::sequence_table[3].mode = 1;  // running automatic: not stepped by MIDI

    midi(0xB000, 0x0712, 0x0001);  // data 2 differs: still matches
    EXPECT_EQ(calls("playback::go_sequence"), 1);
    EXPECT_EQ(playback::sequence_go_request[2], 1);
    EXPECT_EQ(playback::sequence_go_request[3], 0);
    playback::sequence_go_request[2] = 0;
    midi(0xB000, 0x0812, 0x0001);  // data 1 differs
    midi(0xB000, 0x0740, 0x0002);  // word 3 differs
    midi(0xB001, 0x0740, 0x0001);  // channel differs
    EXPECT_EQ(calls("playback::go_sequence"), 1);
    EXPECT_EQ(playback::sequence_go_request[2], 0);
    EXPECT_EQ(take().size(), 4u);
}

// --- the whole console ---------------------------------------------------------------

class ConsoleKeys : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
};

TEST_F(ConsoleKeys, ConsoleKeyReachesTheMainLoopHeldAndReleased) {
    rig::start_console(rig, dir);
    rig.machine().cards.press(kConsoleSlot, 4, 4);  // FIXTURE 45
    rig.run_ms(20);
    EXPECT_EQ(runtime::key_down_table[fixture_key(45)], 1);
    rig.machine().cards.release(kConsoleSlot, 4, 4);
    rig.run_ms(20);
    EXPECT_EQ(runtime::key_down_table[fixture_key(45)], 0);
    EXPECT_EQ(rig.machine().cards.peek_word(kConsoleSlot, kFifoReadCell),
              rig.machine().cards.peek_word(kConsoleSlot, kFifoWriteCell));
}

TEST_F(ConsoleKeys, SequenceKeyIsHandledWhileTheMainLoopRuns) {
    rig::start_console(rig, dir);
    runtime::clear_step_log();
    playback::SequenceRecord& b = playback::sequence_table[2];
    b.flags = 1;  // programmed: start memory 3
    b.start_memory = 3;
    b.mode = 1 | 1u << 4;  // running, manual: it waits for its GO
    rig.run_ms(20);
    ASSERT_EQ(playback::sequence_current_step[2], 0);
    rig.press(sequence_key(2, SequenceKey::go));  // SEQUENCE B GO
    EXPECT_EQ(calls("playback::go_sequence"), 1);
    EXPECT_EQ(playback::sequence_current_step[2], 1) << "the GO took the first step";
}

TEST_F(ConsoleKeys, NumericEntryOfQuitEndsTheProgram) {
    rig::start_console(rig, dir);
    rig.type("K*999");
    rig.run_until([this] { return rig.finished(); }, 5000);
    EXPECT_TRUE(rig.finished());
    EXPECT_EQ(rig.exit_code(), 1);
}

TEST_F(ConsoleKeys, FlushEmptiesTheFifoOfEveryCardAndClearsTheKeysDown) {
    // A second card at CC00h carrying DMX card 3.
    std::vector<uint8_t> record = rig::demo_config_record();
    record[0x00A] = 0x00;
    record[0x00B] = 0xCC;
    record[0x0FE] = 3;
    dir.write_file("bravinox.cfg", record);
    rig.machine().cards.fit(1, rig::demo_console_card());
    rig::start_console(rig, dir);
    ASSERT_NE(runtime::dmx_card_selectors[3], 0);

    rig.machine().cards.push_key_word(1, press_word(0, 1));
    rig.machine().cards.push_key_word(1, release_word(0, 1));
    EXPECT_NE(rig.machine().cards.peek_word(1, kFifoReadCell), rig.machine().cards.peek_word(1, kFifoWriteCell));
    rig.machine().cards.press(kConsoleSlot, 0, 5);  // FIXTURE 6, held
    rig.run_ms(20);
    EXPECT_EQ(runtime::key_down_table[fixture_key(6)], 1);

    rig.type("K*999");  // the program end shuts the hardware down
    rig.run_until([this] { return rig.finished(); }, 5000);
    ASSERT_TRUE(rig.finished());
    EXPECT_EQ(rig.machine().cards.peek_word(1, kFifoReadCell), rig.machine().cards.peek_word(1, kFifoWriteCell));
    EXPECT_EQ(rig.machine().cards.peek_word(kConsoleSlot, kFifoReadCell),
              rig.machine().cards.peek_word(kConsoleSlot, kFifoWriteCell));
    EXPECT_TRUE(std::all_of(runtime::key_down_table.begin(), runtime::key_down_table.end(),
                            [](uint8_t down) { return down == 0; }));
}

TEST_F(ConsoleKeys, ConsoleCardFifoIsFlushedAlsoWhenItCarriesNoDmxCard) {
    // Both DMX cards on the card at CC00h; the console card at C800h with its
    // keys switched off, so that nothing reads its FIFO.
    std::vector<uint8_t> record = rig::demo_config_record();
    record[0x007] = 0;
    record[0x00A] = 0x00;
    record[0x00B] = 0xCC;
    record[0x0FC] = 3;
    record[0x0FD] = 4;
    dir.write_file("bravinox.cfg", record);
    rig.machine().cards.fit(1, rig::demo_console_card());
    rig::start_console(rig, dir);
    ASSERT_EQ(runtime::hw_option_flags.hardware_keys, 0);

    rig.machine().cards.press(kConsoleSlot, 0, 5);
    rig.run_ms(20);
    EXPECT_EQ(runtime::key_down_table[fixture_key(6)], 0);  // not read
    EXPECT_NE(rig.machine().cards.peek_word(kConsoleSlot, kFifoReadCell),
              rig.machine().cards.peek_word(kConsoleSlot, kFifoWriteCell));

    rig.type("K*999");
    rig.run_until([this] { return rig.finished(); }, 5000);
    ASSERT_TRUE(rig.finished());
    EXPECT_EQ(rig.machine().cards.peek_word(kConsoleSlot, kFifoReadCell),
              rig.machine().cards.peek_word(kConsoleSlot, kFifoWriteCell));
}

}  // namespace
