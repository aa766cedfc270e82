// Card access and console scanning of the test program: finding the cards,
// reading keyboard.cfg, console keys, LED commands, belts, displays, clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hwtest/card_scan.h"
#include "hwtest/test_menu.h"
#include "platform/card_bus.h"
#include "quandrix_rig.h"

namespace {

using quandrix_rig::card_with;
using quandrix_rig::LayoutKey;

// Card addresses of the rings as the card's firmware lays them out.
constexpr uint16_t kKeyFifoBase = 0x5200;
constexpr uint16_t kLedRingBase = 0x5240;
constexpr uint32_t kLedRingReadCell = 1066;
constexpr uint32_t kLedRingWriteCell = 1068;
constexpr uint32_t kKeyFifoReadCell = 1058;

// The test program's start-up steps run on the test thread against cards and
// a key layout the test chose.
class CardScan : public ::testing::Test {
protected:
    void SetUp() override {
        dir.map_drive(rig.machine());
        hwtest::program_directory = "C:\\BRAVINOX";
    }

    platform::CardBus& cards() { return rig.machine().cards; }

    void scan_cards() {
        hwtest::discover_cards_for_test();
        hwtest::read_card_memory_map_for_test();
        hwtest::read_eprom_versions_for_test();
        hwtest::read_console_options_for_test();
    }

    void load_layout(const std::string& file) {
        dir.write_text("keyboard.cfg", file);
        hwtest::load_keyboard_config_for_test();
    }

    // A console card at C800h and a layout of a few keys; LED offsets: the
    // second LED 8 rows below the first.
    void console_with_keys() {
        cards().fit(0, card_with(quandrix_rig::kAllOptions));
        load_layout(quandrix_rig::key_layout_file({{1, 0, 0}, {2, 1, 0}, {45, 5, 2}, {419, 47, 15}}));
        scan_cards();
    }

    rig::Rig rig;
    rig::ProgramDir dir;
};

// --- discovery ---------------------------------------------------------------------

TEST_F(CardScan, ConsoleCardIsTheFirstWindowThatCarriesTheSignature) {
    struct Case {
        std::vector<int> fitted;
        int console_window;  // -1: none
    };
    const std::vector<Case> cases = {
        {{}, -1}, {{0}, 0}, {{2}, 2}, {{1, 3}, 1}, {{3}, 3}, {{0, 1, 2, 3}, 0},
    };
    for (const Case& c : cases) {
        for (int slot = 0; slot < platform::kCardSlots; ++slot) cards().remove(slot);
        for (const int slot : c.fitted) cards().fit(slot);
        hwtest::discover_cards_for_test();
        for (int window = 0; window < hwtest::kCardWindows; ++window) {
            const bool fitted = cards().fitted(window);
            EXPECT_EQ(hwtest::card_window_selectors[static_cast<size_t>(window)] != 0, fitted)
                << "window " << window << ", case with console " << c.console_window;
        }
        const uint16_t expected =
            c.console_window < 0 ? 0 : hwtest::card_window_selectors[static_cast<size_t>(c.console_window)];
        EXPECT_EQ(hwtest::console_card_selector, expected) << "case with console " << c.console_window;
    }
}

TEST_F(CardScan, AWindowWithoutTheWholeSignatureHoldsNoCard) {
    cards().fit(0);
    cards().fit(1);
    cards().poke_byte(0, 13, 'X');  // "ZELKCARX"
    hwtest::discover_cards_for_test();
    EXPECT_EQ(hwtest::card_window_selectors[0], 0);
    EXPECT_NE(hwtest::card_window_selectors[1], 0);
    EXPECT_EQ(hwtest::console_card_selector, hwtest::card_window_selectors[1]);
    EXPECT_TRUE(hwtest::check_card_signature_for_test(hwtest::card_window_selectors[1]));
}

TEST_F(CardScan, EpromVersionsAreTheLeadingDigits) {
    cards().fit(0, card_with(0, "123"));
    cards().fit(1, card_with(0, "0a1"));
    cards().fit(3, card_with(0, "33A"));
    scan_cards();
    EXPECT_EQ(hwtest::eprom_versions[0], 123);
    EXPECT_EQ(hwtest::eprom_versions[1], 0);
    EXPECT_EQ(hwtest::eprom_versions[2], 0);  // no card
    EXPECT_EQ(hwtest::eprom_versions[3], 33);
}

TEST_F(CardScan, OptionFlagsComeFromTheConsoleCardsOptionByte) {
    struct Case {
        uint8_t bits;
        hwtest::ConsoleOptionFlags flags;
    };
    const std::vector<Case> cases = {
        {0x1F, {true, true, true, true, true}},    {0x01, {true, false, false, false, false}},
        {0x02, {false, true, false, false, false}}, {0x04, {false, false, true, false, false}},
        {0x08, {false, false, false, true, false}}, {0x10, {false, false, false, false, true}},
        {0xE0, {false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        cards().fit(1, card_with(c.bits));  // the console card
        cards().fit(2, card_with(0x1F));    // a second card's options do not count
        scan_cards();
        const hwtest::ConsoleOptionFlags& f = hwtest::console_option_flags;
        EXPECT_EQ(f.analogue_faders, c.flags.analogue_faders) << int{c.bits};
        EXPECT_EQ(f.function_belts, c.flags.function_belts) << int{c.bits};
        EXPECT_EQ(f.sequence_belts, c.flags.sequence_belts) << int{c.bits};
        EXPECT_EQ(f.displays, c.flags.displays) << int{c.bits};
        EXPECT_EQ(f.hardware_keys, c.flags.hardware_keys) << int{c.bits};
    }
}

TEST_F(CardScan, WithoutACardEveryReadGivesZeroAndNothingIsWritten) {
    scan_cards();
    EXPECT_EQ(hwtest::console_card_selector, 0);
    EXPECT_FALSE(hwtest::console_option_flags.hardware_keys);
    EXPECT_FALSE(hwtest::is_console_key_pending_for_test());
    EXPECT_EQ(hwtest::read_card_clock_for_test(), 0u);
    EXPECT_EQ(hwtest::read_sequence_belt(1, 0), 0);
    hwtest::write_function_belt(1, 0, 9);
    hwtest::all_leds_off_for_test();
    hwtest::write_display_lines(1, "A", "B", "C", "D");
    EXPECT_EQ(hwtest::read_function_belt(1, 0), 0);
    EXPECT_EQ(hwtest::peek_card_byte_for_test(0, 6), 0);
}

// --- keyboard.cfg --------------------------------------------------------------------

TEST_F(CardScan, KeyLayoutTakesKeysUpTo419InColumnsUpTo47AndRowsUpTo15) {
    load_layout(quandrix_rig::key_layout_file(
        {{1, 0, 0}, {419, 47, 15}, {420, 3, 3}, {7, 48, 0}, {8, 2, 16}, {0, 4, 4}, {9, 5, 5}, {9, 6, 6}}, 2, 8));

    EXPECT_EQ(hwtest::key_matrix[0][0], 1);
    EXPECT_EQ(hwtest::key_matrix[47][15], 419);
    EXPECT_EQ(hwtest::key_led_column[419], 47);
    EXPECT_EQ(hwtest::key_led_row[419], 15);
    // Key 420, column 48, row 16 and key 0 are refused.
    EXPECT_EQ(hwtest::key_matrix[3][3], 0);
    EXPECT_EQ(hwtest::key_led_column[420], hwtest::kNoLed);
    EXPECT_EQ(hwtest::key_led_column[7], hwtest::kNoLed);
    EXPECT_EQ(hwtest::key_led_row[8], hwtest::kNoLed);
    EXPECT_EQ(hwtest::key_matrix[2][15], 0);
    EXPECT_EQ(hwtest::key_matrix[4][4], 0);
    // A later line for the same key moves its LED.
    EXPECT_EQ(hwtest::key_matrix[6][6], 9);
    EXPECT_EQ(hwtest::key_led_column[9], 6);
    EXPECT_EQ(hwtest::key_led_row[9], 6);
    // Line 13: the second LED's offsets.
    EXPECT_EQ(hwtest::second_led_offsets.column, 2);
    EXPECT_EQ(hwtest::second_led_offsets.row, 8);
}

TEST_F(CardScan, OnlyEvenLinesFrom18AreKeyLines) {
    std::string file = quandrix_rig::key_layout_file({{1, 0, 0}});
    // Line 19 (the rule after key 1) and line 16 carry key data, which is not read.
    const std::string key_2 = quandrix_rig::fixed_line({{1, "2"}, {33, "1"}, {49, "0"}}) + "\r\n";
    const std::string key_3 = quandrix_rig::fixed_line({{1, "3"}, {33, "2"}, {49, "0"}}) + "\r\n";
    const size_t rule_19 = file.find(";----");
    file.replace(rule_19, file.find("\r\n", rule_19) + 2 - rule_19, key_2);
    size_t line_16 = 0;
    for (int line = 1; line < 16; ++line) line_16 = file.find("\r\n", line_16) + 2;
    file.replace(line_16, file.find("\r\n", line_16) + 2 - line_16, key_3);
    load_layout(file);

    EXPECT_EQ(hwtest::key_matrix[0][0], 1);
    EXPECT_EQ(hwtest::key_matrix[1][0], 0);
    EXPECT_EQ(hwtest::key_matrix[2][0], 0);
}

TEST_F(CardScan, ALineLongerThan99CharactersCountsAsTwo) {
    std::string file = quandrix_rig::key_layout_file({{1, 0, 0}, {2, 1, 0}});
    // A long heading on line 14 moves every key onto an odd line count.
    size_t line_14 = 0;
    for (int line = 1; line < 14; ++line) line_14 = file.find("\r\n", line_14) + 2;
    file.insert(line_14, "; " + std::string(118, '=') + "\r\n");
    const size_t line_15 = file.find("\r\n", line_14) + 2;
    file.erase(line_15, file.find("\r\n", line_15) + 2 - line_15);  // keep the line count
    load_layout(file);
    EXPECT_EQ(hwtest::key_matrix[0][0], 0);
    EXPECT_EQ(hwtest::key_matrix[1][0], 0);

    // A heading of 97 characters and its line end still fits one read.
    file = quandrix_rig::key_layout_file({{1, 0, 0}});
    file.replace(line_14, file.find("\r\n", line_14) - line_14, std::string(97, ';'));
    load_layout(file);
    EXPECT_EQ(hwtest::key_matrix[0][0], 1);
}

TEST_F(CardScan, LayoutLinesEndingInLineFeedAloneReadTheSame) {
    std::string file = quandrix_rig::key_layout_file({{45, 5, 2}}, 1, 8);
    for (size_t at = file.find("\r\n"); at != std::string::npos; at = file.find("\r\n", at)) file.erase(at, 1);
    load_layout(file);
    EXPECT_EQ(hwtest::key_matrix[5][2], 45);
    EXPECT_EQ(hwtest::second_led_offsets.column, 1);
}

TEST(KeyLayoutMissing, TextScreenBeepAKeyAndExitCode1) {
    for (const bool as_directory : {false, true}) {
        quandrix_rig::Quandrix q;
        // A folder of that name is not the file.
        if (as_directory) std::filesystem::create_directory(q.dir.folder() / "keyboard.cfg");
        q.start();
        q.rig.run_ms(1500);

        EXPECT_FALSE(q.rig.finished()) << "waits for a key";
        const std::vector<std::string> lines = {
            " --------------- CHECKING CONFIGURATION ------------- ",
            " HIDDEN FILE 'KEYBOARD.CFG' COULD NOT BE OPENED !     ",
            " PRESS ANY KEY TO RETURN TO DOS ...                   ",
            " ---------------------------------------------------- ",
        };
        for (int i = 0; i < 4; ++i) {
            const std::string row = q.machine().text.row_text(10 + i, true);
            EXPECT_EQ(row.substr(14, lines[static_cast<size_t>(i)].size()), lines[static_cast<size_t>(i)]);
            EXPECT_EQ(q.machine().text.attribute_at(15, 10 + i), 0x4E) << "yellow on red";
        }
        EXPECT_EQ(q.machine().text.attribute_at(1, 1), 0x07) << "cleared to black";
        ASSERT_EQ(q.rig.tones().size(), 1u);
        EXPECT_EQ(q.rig.tones()[0].freq_hz, 400);
        EXPECT_EQ(q.rig.tones()[0].duration_ms, 1000u);
        EXPECT_FALSE(q.machine().graphics.open) << "ends before the graphics start";

        q.type("x");
        EXPECT_TRUE(q.rig.finished());
        EXPECT_EQ(q.rig.exit_code(), 1);
        EXPECT_EQ(q.machine().text.cursor_shape, platform::kCursorNormal);
    }
}

// --- console keys ----------------------------------------------------------------------

TEST_F(CardScan, KeyWordsGiveTheLayoutsKeyAndWhetherPressed) {
    console_with_keys();
    EXPECT_FALSE(hwtest::is_console_key_pending_for_test());

    cards().press(0, 2, 5);
    cards().release(0, 2, 5);
    ASSERT_TRUE(hwtest::is_console_key_pending_for_test());
    int key = -1;
    EXPECT_TRUE(hwtest::read_console_key_for_test(key));
    EXPECT_EQ(key, 45);
    EXPECT_FALSE(hwtest::read_console_key_for_test(key));
    EXPECT_EQ(key, 45);
    EXPECT_FALSE(hwtest::is_console_key_pending_for_test());

    struct Case {
        uint16_t word;
        int key;
        bool press;
    };
    const std::vector<Case> cases = {
        {0x8000 | (15 << 8) | 47, 419, true},
        {0x8000 | (0 << 8) | 48, 0, true},   // column 48
        {0x8000 | (16 << 8) | 0, 0, true},   // row 16
        {0x0000 | (0 << 8) | 200, 0, false},
        {0x0000 | (0 << 8) | 1, 2, false},
        {0x8000 | (3 << 8) | 3, 0, true},    // no key there
    };
    for (const Case& c : cases) {
        cards().push_key_word(0, c.word);
        key = -1;
        EXPECT_EQ(hwtest::read_console_key_for_test(key), c.press) << std::hex << c.word;
        EXPECT_EQ(key, c.key) << std::hex << c.word;
    }
}

TEST_F(CardScan, KeyFifoReadPointerWrapsToItsBase) {
    console_with_keys();
    // Forty words pass through the 16-word FIFO, a few at a time.
    int read = 0;
    for (int sent = 0; sent < 40; ++sent) {
        cards().press(0, 0, sent % 2);  // keys 1 and 2 by turns
        if (sent % 3 == 2) {
            while (hwtest::is_console_key_pending_for_test()) {
                int key = 0;
                EXPECT_TRUE(hwtest::read_console_key_for_test(key));
                EXPECT_EQ(key, read % 2 + 1) << "word " << read;
                ++read;
            }
        }
        const uint16_t pointer = cards().peek_word(0, kKeyFifoReadCell);
        EXPECT_GE(pointer, kKeyFifoBase);
        EXPECT_LT(pointer, kKeyFifoBase + 32);
    }
    while (hwtest::is_console_key_pending_for_test()) {
        int key = 0;
        hwtest::read_console_key_for_test(key);
        ++read;
    }
    EXPECT_EQ(read, 40);
}

TEST_F(CardScan, FlushDropsWaitingKeys) {
    console_with_keys();
    cards().press(0, 0, 0);
    cards().press(0, 0, 1);
    ASSERT_TRUE(hwtest::is_console_key_pending_for_test());
    hwtest::flush_console_keys_for_test();
    EXPECT_FALSE(hwtest::is_console_key_pending_for_test());
    cards().press(0, 2, 5);
    int key = 0;
    EXPECT_TRUE(hwtest::read_console_key_for_test(key));
    EXPECT_EQ(key, 45);
}

// --- LEDs ---------------------------------------------------------------------------

TEST_F(CardScan, LedStatesSendBothLedsWords) {
    console_with_keys();  // key 45: column 5, row 2; its second LED at row 10
    struct Case {
        int state;
        std::vector<uint16_t> words;
    };
    const std::vector<Case> cases = {
        {0, {0x0205, 0x0A05}},  {1, {0x8205, 0x0A05}},  {2, {0x0205, 0x8A05}},  {3, {0x8205, 0x8A05}},
        {10, {0xC205, 0x0A05}}, {20, {0x0205, 0xCA05}}, {30, {0xC205, 0xCA05}}, {4, {}},
        {11, {}},               {-1, {}},
    };
    for (const Case& c : cases) {
        const size_t before = cards().led_words_consumed(0).size();
        hwtest::set_key_led_for_test(45, c.state);
        cards().consume_led_ring(0);
        const std::vector<uint16_t> all = cards().led_words_consumed(0);
        const std::vector<uint16_t> sent(all.begin() + static_cast<long>(before), all.end());
        EXPECT_EQ(sent, c.words) << "state " << c.state;
    }
    hwtest::set_key_led_for_test(45, 10);
    cards().consume_led_ring(0);
    EXPECT_EQ(cards().led(0, 2, 5), platform::LedState::blinking);
    EXPECT_EQ(cards().led(0, 10, 5), platform::LedState::off);
}

TEST_F(CardScan, SecondLedOffsetsComeFromLine13) {
    cards().fit(0, card_with(quandrix_rig::kAllOptions));
    load_layout(quandrix_rig::key_layout_file({{45, 5, 2}}, 40, 1));
    scan_cards();
    hwtest::set_key_led_for_test(45, 3);
    cards().consume_led_ring(0);
    EXPECT_EQ(cards().led(0, 2, 5), platform::LedState::lit);
    EXPECT_EQ(cards().led(0, 3, 45), platform::LedState::lit);
}

TEST_F(CardScan, AKeyWithoutLedNeverReachesTheRing) {
    console_with_keys();
    const uint16_t write_before = cards().peek_word(0, kLedRingWriteCell);
    for (const int state : {0, 1, 2, 3, 10, 20, 30}) {
        hwtest::set_key_led_for_test(3, state);    // not in the layout
        hwtest::set_key_led_for_test(420, state);  // beyond the layout's keys
        hwtest::set_key_led_for_test(0, state);
    }
    EXPECT_EQ(cards().peek_word(0, kLedRingWriteCell), write_before);
}

TEST_F(CardScan, LedCommandWaitsForRoomInTheRing) {
    console_with_keys();
    cards().hold_led_ring(0, true);
    struct Case {
        uint16_t read_offset;
        uint16_t write_offset;
        bool sent;
    };
    const std::vector<Case> cases = {
        {0, 0, true},    // empty
        {0, 86, true},   // write leads by 86 bytes
        {0, 88, false},  // by 88: full
        {18, 10, false}, // read 8 bytes ahead: nearly full
        {20, 10, true},  // 10 ahead
        {90, 4, true},   // write trails by 86
    };
    for (const Case& c : cases) {
        const uint16_t read = static_cast<uint16_t>(kLedRingBase + c.read_offset);
        const uint16_t write = static_cast<uint16_t>(kLedRingBase + c.write_offset);
        cards().poke_word(0, kLedRingReadCell, read);
        cards().poke_word(0, kLedRingWriteCell, write);
        cards().poke_word(0, 0x1240 + c.write_offset, 0xAAAA);
        hwtest::set_key_led_for_test(45, 1);
        if (c.sent) {
            EXPECT_EQ(cards().peek_word(0, kLedRingWriteCell), (write - kLedRingBase + 4) % 96 + kLedRingBase)
                << c.read_offset << " / " << c.write_offset;
            EXPECT_EQ(cards().peek_word(0, write - 0x4000u), 0x8205) << c.read_offset << " / " << c.write_offset;
        } else {
            EXPECT_EQ(cards().peek_word(0, kLedRingWriteCell), write) << c.read_offset << " / " << c.write_offset;
            EXPECT_EQ(cards().peek_word(0, write - 0x4000u), 0xAAAA) << c.read_offset << " / " << c.write_offset;
        }
        EXPECT_EQ(cards().peek_word(0, kLedRingReadCell), read);
    }
}

TEST_F(CardScan, AFullRingIsSentOnceTheCardTakesItsWords) {
    console_with_keys();
    cards().hold_led_ring(0, true);
    for (int i = 0; i < 22; ++i) hwtest::set_key_led_for_test(1, i % 2);  // 44 words, 88 bytes waiting
    ASSERT_EQ(cards().peek_word(0, kLedRingWriteCell) - cards().peek_word(0, kLedRingReadCell), 88);
    cards().hold_led_ring(0, false);
    hwtest::set_key_led_for_test(45, 1);
    cards().consume_led_ring(0);
    EXPECT_EQ(cards().led(0, 2, 5), platform::LedState::lit);
    EXPECT_EQ(cards().led_words_consumed(0).size(), 46u);
}

TEST_F(CardScan, AllLedsOffDropsWaitingCommands) {
    console_with_keys();
    hwtest::set_key_led_for_test(45, 3);
    cards().consume_led_ring(0);
    ASSERT_EQ(cards().led(0, 2, 5), platform::LedState::lit);
    cards().hold_led_ring(0, true);
    hwtest::set_key_led_for_test(1, 1);
    hwtest::set_key_led_for_test(2, 1);
    const size_t before = cards().led_words_consumed(0).size();

    hwtest::all_leds_off_for_test();
    cards().hold_led_ring(0, false);
    cards().consume_led_ring(0);
    const std::vector<uint16_t> all = cards().led_words_consumed(0);
    EXPECT_EQ(std::vector<uint16_t>(all.begin() + static_cast<long>(before), all.end()),
              std::vector<uint16_t>{0x7000});
    EXPECT_EQ(cards().led(0, 2, 5), platform::LedState::off);
    EXPECT_EQ(cards().led(0, 10, 5), platform::LedState::off);
    EXPECT_EQ(cards().led(0, 0, 0), platform::LedState::off);
}

// --- belts, displays, clock -------------------------------------------------------------

TEST_F(CardScan, BeltBytesAreTheConsoleCardsBeltArea) {
    console_with_keys();
    hwtest::write_sequence_belt(3, 1, 77);
    hwtest::write_function_belt(16, 0, 55);
    EXPECT_EQ(cards().sequence_belt(0, 3, 1), 77);
    EXPECT_EQ(cards().function_belt(0, 16, 0), 55);
    cards().set_sequence_belt(0, 12, 0, 200);
    cards().set_function_belt(0, 1, 1, 128);
    EXPECT_EQ(hwtest::read_sequence_belt(12, 0), 200);
    EXPECT_EQ(hwtest::read_function_belt(1, 1), 128);

    // Belts and bytes outside the ranges touch nothing.
    hwtest::write_sequence_belt(13, 0, 1);
    hwtest::write_sequence_belt(1, 2, 1);
    hwtest::write_function_belt(17, 0, 1);
    hwtest::write_function_belt(0, 0, 1);
    EXPECT_EQ(hwtest::read_sequence_belt(13, 0), 0);
    EXPECT_EQ(hwtest::read_function_belt(17, 0), 0);
    EXPECT_EQ(cards().function_belt(0, 1, 0), 0);
    EXPECT_EQ(cards().sequence_belt(0, 1, 1), 0);
}

TEST_F(CardScan, DisplayLinesAreBlankedAndCutAt20Characters) {
    console_with_keys();
    hwtest::write_display_lines(9, "OLD OLD OLD OLD OLD", "x", "y", "z");
    hwtest::write_display_lines(3, "HELLO", "ABCDEFGHIJKLMNOPQRSTUVWXY", "", "12345678901234567890");
    hwtest::write_display_lines(9, "DISPLAY 9", "", "", "");
    EXPECT_EQ(cards().lcd_line(0, 2, 0), "HELLO               ");
    EXPECT_EQ(cards().lcd_line(0, 2, 1), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(cards().lcd_line(0, 2, 2), std::string(20, ' '));
    EXPECT_EQ(cards().lcd_line(0, 2, 3), "12345678901234567890");
    EXPECT_EQ(cards().lcd_line(0, 8, 0), "DISPLAY 9           ");
    EXPECT_EQ(cards().lcd_line(0, 8, 1), std::string(20, ' '));
    for (uint32_t line = 0; line < 4; ++line) {
        EXPECT_EQ(cards().peek_byte(0, 13824 + 85 * 2 + 21 * line + 20), 0x0D) << "line " << line;
    }
    // Displays 0 and 10 do not exist.
    const std::string first_display = cards().lcd_line(0, 0, 0);
    const uint8_t beyond_last = cards().peek_byte(0, 13824 + 85 * 9);
    hwtest::write_display_lines(0, "NO", "NO", "NO", "NO");
    hwtest::write_display_lines(10, "NO", "NO", "NO", "NO");
    EXPECT_EQ(cards().lcd_line(0, 0, 0), first_display);
    EXPECT_EQ(cards().peek_byte(0, 13824 + 85 * 9), beyond_last);
}

TEST_F(CardScan, ClockIsTheConsoleCardsMillisecondCounter) {
    console_with_keys();
    const uint32_t start = hwtest::read_card_clock_for_test();
    rig.machine().advance_ms(1234);
    EXPECT_EQ(hwtest::read_card_clock_for_test() - start, 1234u);
}

}  // namespace
