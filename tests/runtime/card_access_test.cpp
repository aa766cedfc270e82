// Card memory access, faders, belts, DMX input levels and the console
// displays, driven through a simulated console card.
#include "runtime/card_access.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "memories/master_faders.h"
#include "memories/memory_index.h"
#include "platform/machine.h"
#include "playback/playback_faders.h"
#include "playback/playback_wing.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "setup/dmx_inputs.h"

namespace {

using runtime::console_config;

constexpr int kSlot = 0;  // the console card at C800h
const std::string kBlank(20, ' ');

class CardAccess : public ::testing::Test {
protected:
    void SetUp() override {
        platform::install_machine(machine_.get());
        cards().fit(kSlot);
        console_config.set_u16(0x008, 0xC800);
        console_config.set_u16(0x010, 1);
        console_config.set_u8(0x0FC, 1);
        runtime::analogue_threshold = 3;
        runtime::discover_cards();
        runtime::read_card_memory_map();
        ASSERT_NE(runtime::console_card_selector, 0);
    }
    void TearDown() override { platform::install_machine(nullptr); }

    platform::CardBus& cards() { return machine_->cards; }
    std::string lcd(int display, int line) { return cards().lcd_line(kSlot, display, line); }
    // Byte 20 of a display line: the carriage return after the text.
    uint8_t line_end(int display, int line) {
        return cards().peek_byte(kSlot, 0x3600 + 85 * static_cast<uint32_t>(display) + 21 * static_cast<uint32_t>(line) + 20);
    }

    static void calibrate_master(int master, uint16_t maximum) {
        console_config.set_u8(0x0D6, 1);
        console_config.set_u16(0x0D7 + 2 * static_cast<size_t>(master - 1), maximum);
    }
    static void calibrate_playback(int playback, uint16_t maximum) {
        console_config.set_u8(0x0D6, 1);
        console_config.set_u16(0x0DF + 2 * static_cast<size_t>(playback - 1), maximum);
    }

    uint8_t master_after(int master, uint8_t raw) {
        cards().set_master_fader(kSlot, master, raw);
        return runtime::read_master_fader(static_cast<int16_t>(master));
    }

private:
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

// --- byte, word and double-word access --------------------------------------------------

TEST_F(CardAccess, ValuesAreLittleEndianThroughTheSelector) {
    const uint16_t selector = runtime::console_card_selector;
    runtime::poke_card_word(selector, 0x2400, 0x1234);
    EXPECT_EQ(cards().peek_byte(kSlot, 0x2400), 0x34);
    EXPECT_EQ(cards().peek_byte(kSlot, 0x2401), 0x12);
    runtime::poke_card_dword(selector, 0x2410, 0xA1B2C3D4);
    EXPECT_EQ(cards().peek_byte(kSlot, 0x2410), 0xD4);
    EXPECT_EQ(cards().peek_byte(kSlot, 0x2413), 0xA1);
    EXPECT_EQ(runtime::peek_card_dword(selector, 0x2410), 0xA1B2C3D4u);
    EXPECT_EQ(runtime::peek_card_word(selector, 0x2412), 0xA1B2);
    runtime::poke_card_byte(selector, 0x2420, 7);
    EXPECT_EQ(runtime::peek_card_byte(selector, 0x2420), 7);
}

TEST_F(CardAccess, SelectorZeroReadsZeroAndWritesNothing) {
    EXPECT_EQ(runtime::peek_card_byte(0, 6), 0);
    EXPECT_EQ(runtime::peek_card_word(0, 6), 0);
    EXPECT_EQ(runtime::peek_card_dword(0, 6), 0u);
    runtime::poke_card_byte(0, 0x2400, 1);
    runtime::poke_card_word(0, 0x2400, 0x0101);
    runtime::poke_card_dword(0, 0x2400, 0x01010101);
    EXPECT_EQ(cards().peek_dword(kSlot, 0x2400), 0u);
}

TEST_F(CardAccess, SignatureMarksACard) {
    EXPECT_TRUE(runtime::check_card_signature(runtime::console_card_selector));
    EXPECT_FALSE(runtime::check_card_signature(0));
    cards().poke_byte(kSlot, 13, 'T');  // "ZELKCART"
    EXPECT_FALSE(runtime::check_card_signature(runtime::console_card_selector));
}

TEST_F(CardAccess, ConsoleFlagIsBit5AndLeavesTheOtherBits) {
    cards().poke_byte(kSlot, 0x4DF, 0x81);
    runtime::set_console_flag();
    EXPECT_EQ(cards().peek_byte(kSlot, 0x4DF), 0xA1);
    runtime::set_console_flag();
    EXPECT_EQ(cards().peek_byte(kSlot, 0x4DF), 0xA1);
    runtime::clear_console_flag();
    EXPECT_EQ(cards().peek_byte(kSlot, 0x4DF), 0x81);
}

// --- analogue faders ---------------------------------------------------------------------

TEST_F(CardAccess, CalibratedFaderScalesToItsMaximum) {
    struct Case {
        uint8_t calibration_on;
        uint16_t maximum;
        uint8_t raw;
        uint8_t level;
    };
    const std::array<Case, 7> cases = {{
        {1, 200, 200, 255},
        {1, 200, 230, 255},
        {1, 200, 100, 127},
        {1, 200, 50, 63},
        {1, 255, 100, 100},  // 255: not calibrated
        {0, 200, 100, 100},  // calibration off
        {1, 0, 10, 255},     // a zero maximum never divides
    }};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.calibration_on} << " " << c.maximum << " " << int{c.raw});
        memories::master_records[2] = {};
        calibrate_master(2, c.maximum);
        console_config.set_u8(0x0D6, c.calibration_on);
        EXPECT_EQ(master_after(2, c.raw), c.level);
        EXPECT_EQ(memories::master_records[2].raw, c.level);
    }
}

TEST_F(CardAccess, PlaybacksOneToTenAreCalibratedTheOthersNot) {
    calibrate_playback(10, 200);
    cards().set_playback_fader(kSlot, 10, 100);
    EXPECT_EQ(runtime::read_playback_fader(10), 127);
    EXPECT_EQ(playback::playback_fader_states[10].raw, 127);

    cards().set_playback_fader(kSlot, 11, 100);
    EXPECT_EQ(runtime::read_playback_fader(11), 100);
    cards().set_playback_fader(kSlot, 42, 60);
    EXPECT_EQ(runtime::read_playback_fader(42), 60);
    EXPECT_EQ(playback::playback_fader_states[42].value, 60);
    EXPECT_EQ(playback::playback_fader_states[42].direction, 1);
}

TEST_F(CardAccess, ReadingAbove251IsFull) {
    EXPECT_EQ(master_after(1, 252), 255);
    EXPECT_EQ(memories::master_records[1].raw, 255);
    EXPECT_EQ(master_after(1, 251), 251);  // a fall of 4 passes the threshold of 3
}

TEST_F(CardAccess, ReversalMustExceedTheThreshold) {
    EXPECT_EQ(master_after(1, 50), 50);
    EXPECT_EQ(master_after(1, 100), 100);
    EXPECT_EQ(memories::master_records[1].direction, 1);
    EXPECT_EQ(master_after(1, 99), 100);
    EXPECT_EQ(master_after(1, 98), 100);
    EXPECT_EQ(master_after(1, 97), 100);
    EXPECT_EQ(memories::master_records[1].raw, 97);
    EXPECT_EQ(master_after(1, 96), 96);
    EXPECT_EQ(memories::master_records[1].direction, 0);
    EXPECT_EQ(master_after(1, 95), 95);  // moving on down follows every step
    EXPECT_EQ(master_after(1, 94), 94);
    EXPECT_EQ(master_after(1, 96), 94);  // back up by 2: jitter
    EXPECT_EQ(master_after(1, 98), 98);
    EXPECT_EQ(master_after(1, 99), 99);
}

TEST_F(CardAccess, FirstSmallReadingIsHeldAsJitter) {
    EXPECT_EQ(master_after(3, 3), 0);
    EXPECT_EQ(master_after(3, 4), 4);
}

TEST_F(CardAccess, EachFaderReadsItsOwnByte) {
    for (int master = 1; master <= 4; ++master) cards().set_master_fader(kSlot, master, static_cast<uint8_t>(10 * master));
    for (int p = 1; p <= 42; ++p) cards().set_playback_fader(kSlot, p, static_cast<uint8_t>(100 + p));
    for (int master = 1; master <= 4; ++master) {
        EXPECT_EQ(runtime::read_master_fader(static_cast<int16_t>(master)), 10 * master);
    }
    for (int p = 1; p <= 42; ++p) EXPECT_EQ(runtime::read_playback_fader(static_cast<int16_t>(p)), 100 + p);
}

TEST_F(CardAccess, FaderNumbersOutOfRangeAreRefused) {
    cards().set_playback_fader(kSlot, 1, 200);
    EXPECT_EQ(runtime::read_master_fader(0), 0);
    EXPECT_EQ(runtime::read_master_fader(5), 0);  // would read playback 1's byte
    EXPECT_EQ(runtime::read_playback_fader(0), 0);
    EXPECT_EQ(runtime::read_playback_fader(43), 0);
    EXPECT_EQ(memories::master_records[0].value, 0);
    EXPECT_EQ(playback::playback_fader_states[0].value, 0);
}

// --- DMX input levels -----------------------------------------------------------------------

TEST_F(CardAccess, DmxInputBlocksCarryPlaybacksAndMasters) {
    setup::dmx_in1_start = 100;
    setup::dmx_in2_start = 200;
    for (int i = 0; i < 14; ++i) cards().set_dmx_input(kSlot, 1, 100 + i, static_cast<uint8_t>(1 + i));
    cards().set_dmx_input(kSlot, 1, 200, 51);
    cards().set_dmx_input(kSlot, 1, 231, 82);
    EXPECT_EQ(runtime::read_dmx_in_playback_level(1), 1);   // channel s
    EXPECT_EQ(runtime::read_dmx_in_playback_level(10), 10);  // s + 9
    EXPECT_EQ(runtime::read_dmx_in_master_level(1), 11);     // s + 10
    EXPECT_EQ(runtime::read_dmx_in_master_level(4), 14);     // s + 13
    EXPECT_EQ(runtime::read_dmx_in_wing_level(1), 51);
    EXPECT_EQ(runtime::read_dmx_in_wing_level(32), 82);
}

TEST_F(CardAccess, DmxInputOutOfRangeReadsZero) {
    setup::dmx_in1_start = 1;
    setup::dmx_in2_start = 496;
    cards().set_dmx_input(kSlot, 1, 512, 77);
    cards().set_dmx_input(kSlot, 2, 1, 88);   // the byte after the input buffer
    cards().set_dmx_input(kSlot, 2, 15, 99);
    EXPECT_EQ(runtime::read_dmx_in_wing_level(17), 77);  // position 511, the last input channel
    EXPECT_EQ(runtime::read_dmx_in_wing_level(18), 0);
    EXPECT_EQ(runtime::read_dmx_in_wing_level(32), 0);   // position 526
    cards().set_dmx_input(kSlot, 1, 14, 9);
    EXPECT_EQ(runtime::read_dmx_in_master_level(4), 9);
    EXPECT_EQ(runtime::read_dmx_in_master_level(0), 0);
    EXPECT_EQ(runtime::read_dmx_in_master_level(5), 0);
    EXPECT_EQ(runtime::read_dmx_in_playback_level(0), 0);
    EXPECT_EQ(runtime::read_dmx_in_playback_level(11), 0);
    EXPECT_EQ(runtime::read_dmx_in_wing_level(0), 0);
    EXPECT_EQ(runtime::read_dmx_in_wing_level(33), 0);
}

// --- belts ------------------------------------------------------------------------------------

TEST_F(CardAccess, BeltRegistersAreReadAndWritten) {
    cards().set_function_belt(kSlot, 16, 1, 0x5A);
    cards().set_sequence_belt(kSlot, 12, 0, 0x3C);
    EXPECT_EQ(runtime::read_function_belt(16, 1), 0x5A);
    EXPECT_EQ(runtime::read_sequence_belt(12, 0), 0x3C);
    runtime::write_function_belt(1, 0, 7);
    runtime::write_sequence_belt(2, 1, 9);
    EXPECT_EQ(cards().function_belt(kSlot, 1, 0), 7);
    EXPECT_EQ(cards().sequence_belt(kSlot, 2, 1), 9);
}

TEST_F(CardAccess, BeltNumbersOutOfRangeAreRefused) {
    cards().set_function_belt(kSlot, 1, 0, 0x11);
    runtime::write_sequence_belt(17, 0, 0x99);  // would land on function belt 1
    runtime::write_sequence_belt(1, 2, 0x99);   // would land on sequence belt 2
    runtime::write_sequence_belt(0, 0, 0x99);
    runtime::write_function_belt(17, 0, 0x99);
    EXPECT_EQ(cards().function_belt(kSlot, 1, 0), 0x11);
    EXPECT_EQ(cards().sequence_belt(kSlot, 2, 0), 0);
    EXPECT_EQ(runtime::read_sequence_belt(17, 0), 0);
    EXPECT_EQ(runtime::read_function_belt(1, 2), 0);
    EXPECT_EQ(runtime::read_function_belt(0, 0), 0);
}

// --- message display ----------------------------------------------------------------------------

TEST_F(CardAccess, MessageSplitsAtTheLastSpaceOfItsFirstTwentyCharacters) {
    struct Case {
        const char* message;
        const char* line_1;
        const char* line_2;
    };
    const std::array<Case, 5> cases = {{
        {"READY", "READY", ""},
        {"EXACTLY TWENTY CHARS", "EXACTLY TWENTY CHARS", ""},
        {"STORE CUE 5 INTOSLOTS1234", "STORE CUE 5", "INTOSLOTS1234"},  // 25, last space at 12
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ 123", "", "ABCDEFGHIJKLMNOPQRST"},  // 30, no space in 20
        {"", "", ""},
    }};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        runtime::show_console_message(c.message);
        auto padded = [](std::string text) { return text + std::string(20 - text.size(), ' '); };
        EXPECT_EQ(lcd(0, 0), kBlank);
        EXPECT_EQ(lcd(0, 1), padded(c.line_1));
        EXPECT_EQ(lcd(0, 2), padded(c.line_2));
        EXPECT_EQ(lcd(0, 3), kBlank);
        for (int line = 0; line < 4; ++line) EXPECT_EQ(line_end(0, line), 13);
    }
}

TEST_F(CardAccess, LongMessageIsCutAtTheLineEnd) {
    runtime::show_console_message("FIRST PART THEN A VERY LONG SECOND PART OF IT");
    EXPECT_EQ(lcd(0, 1), "FIRST PART THEN A   ");
    EXPECT_EQ(lcd(0, 2), "VERY LONG SECOND PAR");
    EXPECT_EQ(line_end(0, 2), 13);
    EXPECT_EQ(lcd(1, 0), kBlank);  // the next display is untouched
}

// --- sequence displays ----------------------------------------------------------------------------

TEST_F(CardAccess, SequenceDisplayTemplates) {
    runtime::init_console_displays();
    const std::array<char, 4> letters = {'A', 'B', 'C', 'D'};
    for (int d = 1; d <= 4; ++d) {
        EXPECT_EQ(lcd(d, 0), std::string("SEQ ") + letters[static_cast<size_t>(d - 1)] + " P: **  C: **.*");
        EXPECT_EQ(lcd(d, 1), "**** MEMORYNAME ****");
        EXPECT_EQ(lcd(d, 2), "MEMORY F.TIME W.TIME");
        EXPECT_EQ(lcd(d, 3), "****    ****    ****");
    }
    EXPECT_EQ(lcd(0, 0), kBlank);
    EXPECT_EQ(lcd(5, 0), kBlank);
}

TEST_F(CardAccess, CueNumberFillsThePageCueAndPointFields) {
    runtime::init_console_displays();
    runtime::show_console_cue_number(1, 3, 12, 1);
    EXPECT_EQ(lcd(1, 0), "SEQ A P: 03  C: 12  ");
    runtime::show_console_cue_number(4, 16, 70, 10);
    EXPECT_EQ(lcd(4, 0), "SEQ D P: 16  C: 70.9");
    runtime::show_console_cue_number(2, 123, 5, 2);  // only two characters of each field
    EXPECT_EQ(lcd(2, 0), "SEQ B P: 12  C: 05.1");
    runtime::show_console_cue_number(0, 1, 1, 1);
    runtime::show_console_cue_number(5, 1, 1, 1);
    EXPECT_EQ(lcd(0, 0), kBlank);
    EXPECT_EQ(lcd(5, 0), kBlank);
}

TEST_F(CardAccess, NameShowsTheMemoryNumberAndName) {
    runtime::init_console_displays();
    std::strcpy(memories::memory_index[12].name.data(), "FRONT WASH");
    std::strcpy(memories::memory_index[4000].name.data(), "TWENTY CHARACTERS OK");

    runtime::show_console_name(1, "12");
    EXPECT_EQ(lcd(1, 1), "FRONT WASH          ");
    EXPECT_EQ(lcd(1, 3), "  12    ****    ****");

    runtime::show_console_name(1, "13");
    EXPECT_EQ(lcd(1, 1), "***    NO NAME   ***");
    EXPECT_EQ(lcd(1, 3), "  13    ****    ****");

    runtime::show_console_name(2, "0");
    EXPECT_EQ(lcd(2, 1), "--------------------");
    EXPECT_EQ(lcd(2, 3), "   0    ****    ****");

    runtime::show_console_name(3, "4000");
    EXPECT_EQ(lcd(3, 1), "TWENTY CHARACTERS OK");
    runtime::show_console_name(3, "4001");
    EXPECT_EQ(lcd(3, 1), "***    NO NAME   ***");
}

TEST_F(CardAccess, NumberLongerThanItsFieldStaysOnItsLine) {
    runtime::init_console_displays();
    const uint8_t before = line_end(1, 2);
    runtime::show_console_name(1, "123456");
    EXPECT_EQ(lcd(1, 3), "3456    ****    ****");
    EXPECT_EQ(lcd(1, 2), "MEMORY F.TIME W.TIME");
    EXPECT_EQ(line_end(1, 2), before);
}

TEST_F(CardAccess, TimeFieldsAreRightAligned) {
    runtime::init_console_displays();
    runtime::show_sequence_display(2, "2.5");
    runtime::show_sequence_display_second_field(2, "0.0");
    EXPECT_EQ(lcd(2, 3), "****     2.5     0.0");
    runtime::show_sequence_display(2, "12.50");  // five characters reach left of the field
    runtime::show_sequence_display_second_field(2, "");
    EXPECT_EQ(lcd(2, 3), "****   12.50        ");
    runtime::show_sequence_display(0, "9.9");
    runtime::show_sequence_display_second_field(5, "9.9");
    EXPECT_EQ(lcd(0, 3), kBlank);
    EXPECT_EQ(lcd(5, 3), kBlank);
}

// --- playback name displays ------------------------------------------------------------------------

TEST_F(CardAccess, PlaybacksOneAndSeventeenShareTheFirstLineOfDisplay5) {
    std::strcpy(playback::wing_lcd_texts[1].data(), "11 FRONT");
    std::strcpy(playback::wing_lcd_texts[17].data(), "27 BACK");
    runtime::show_playback_name(1);
    EXPECT_EQ(lcd(5, 0), "11 FRONT            ");
    runtime::show_playback_name(17);
    EXPECT_EQ(lcd(5, 0), "27 BACK             ");
    EXPECT_EQ(line_end(5, 0), 13);
}

TEST_F(CardAccess, PlaybackNamePlaces) {
    struct Case {
        int16_t playback;
        int display;
        int line;
    };
    const std::array<Case, 5> cases = {{{4, 5, 3}, {5, 6, 0}, {16, 8, 3}, {20, 5, 3}, {32, 8, 3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.playback);
        const std::string text = "LINE " + std::to_string(c.playback);
        std::strcpy(playback::wing_lcd_texts[static_cast<size_t>(c.playback)].data(), text.c_str());
        runtime::show_playback_name(c.playback);
        EXPECT_EQ(lcd(c.display, c.line), text + std::string(20 - text.size(), ' '));
    }
}

TEST_F(CardAccess, PlaybackNameIsCutToTwentyCharacters) {
    auto& stored = playback::wing_lcd_texts[2];
    stored.fill('X');  // 21 characters, no terminator
    runtime::show_playback_name(2);
    EXPECT_EQ(lcd(5, 1), std::string(20, 'X'));
    EXPECT_EQ(line_end(5, 1), 13);
}

TEST_F(CardAccess, PlaybackNameNumbersOutOfRangeAreRefused) {
    runtime::show_playback_name(0);
    runtime::show_playback_name(33);
    for (int d = 0; d < 9; ++d) {
        for (int l = 0; l < 4; ++l) EXPECT_EQ(lcd(d, l), kBlank);
    }
}

}  // namespace
