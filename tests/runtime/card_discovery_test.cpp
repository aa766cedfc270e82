// Card discovery and the start-up probes, over rigs of simulated cards.
#include "runtime/card_discovery.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "platform/machine.h"
#include "playback/playback_wing.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/card_access.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "ui/message_line.h"

namespace {

using runtime::console_config;

constexpr int kSlotC800 = 0;  // card bus slots 0..3 are the segments C800h..D400h
constexpr int kSlotCC00 = 1;
constexpr int kSlotD000 = 2;

constexpr size_t kCfgSegments = 0x008;
constexpr size_t kCfgConsoleSlot = 0x010;
constexpr size_t kCfgDmxChoices = 0x0FC;

class CardDiscovery : public ::testing::Test {
protected:
    void SetUp() override { platform::install_machine(machine_.get()); }
    void TearDown() override { platform::install_machine(nullptr); }

    platform::Machine& machine() { return *machine_; }
    platform::CardBus& cards() { return machine_->cards; }

    // Configuration slot 1..4 holds the segment (0 = none).
    static void configure_slot(int slot, uint16_t segment) {
        console_config.set_u16(kCfgSegments + 2 * static_cast<size_t>(slot - 1), segment);
    }
    static void configure_console_slot(uint16_t slot) { console_config.set_u16(kCfgConsoleSlot, slot); }
    static void configure_dmx_card(int card, uint8_t choice) {
        console_config.set_u8(kCfgDmxChoices + static_cast<size_t>(card - 1), choice);
    }

    // The usual rig: one card at C800h, the console card, with two DMX outputs.
    void fit_console_card(const platform::CardSettings& settings = {}) {
        cards().fit(kSlotC800, settings);
        configure_slot(1, 0xC800);
        configure_console_slot(1);
        configure_dmx_card(1, 1);
        configure_dmx_card(2, 2);
    }

    static void start_up() {
        runtime::discover_cards();
        runtime::read_card_memory_map();
        runtime::probe_interface_driver();
        runtime::read_eprom_versions();
    }

    void remove_signature(int slot) { cards().poke_byte(slot, 6, 'X'); }

private:
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

// --- discover_cards ------------------------------------------------------------

TEST_F(CardDiscovery, ConsoleCardIsFoundAndIsTheClockCard) {
    fit_console_card();
    start_up();
    EXPECT_NE(runtime::card_segment_selectors[1], 0);
    EXPECT_EQ(runtime::card_segment_selectors[2], 0);
    EXPECT_EQ(runtime::console_card_number, 1);
    EXPECT_EQ(runtime::console_card_selector, runtime::card_segment_selectors[1]);
    EXPECT_EQ(runtime::clock_card, runtime::card_segment_selectors[1]);
    EXPECT_EQ(runtime::dmx_card_half[1], 1);
    EXPECT_EQ(runtime::dmx_card_half[2], 2);
    EXPECT_EQ(runtime::dmx_card_half[3], 0);
    EXPECT_EQ(runtime::dmx_card_selectors[3], 0);
    EXPECT_EQ(runtime::function_record_capacity, 2048);
    EXPECT_EQ(runtime::interface_card_count, 4);
}

TEST_F(CardDiscovery, SlotWithoutSignatureIsDroppedAndClockIsTheFirstCardPresent) {
    cards().fit(kSlotC800);
    cards().fit(kSlotCC00);
    remove_signature(kSlotC800);
    configure_slot(1, 0xC800);
    configure_slot(2, 0xCC00);
    configure_slot(3, 0xD000);  // configured, but no card there
    configure_console_slot(2);
    start_up();
    EXPECT_EQ(runtime::card_segment_selectors[1], 0);
    EXPECT_NE(runtime::card_segment_selectors[2], 0);
    EXPECT_EQ(runtime::card_segment_selectors[3], 0);
    EXPECT_EQ(runtime::clock_card, runtime::card_segment_selectors[2]);
    EXPECT_EQ(runtime::console_card_number, 2);
}

TEST_F(CardDiscovery, ConsoleCardWithoutSignatureIsNoConsoleCard) {
    cards().fit(kSlotC800);
    cards().fit(kSlotD000);
    remove_signature(kSlotD000);
    configure_slot(1, 0xC800);
    configure_slot(3, 0xD000);
    configure_console_slot(3);
    start_up();
    EXPECT_EQ(runtime::console_card_number, 0);
    EXPECT_EQ(runtime::console_card_selector, 0);
    EXPECT_EQ(runtime::clock_card, runtime::card_segment_selectors[1]);

    // Every access through the console card is skipped.
    runtime::show_console_message("HELLO");
    EXPECT_EQ(cards().lcd_line(kSlotD000, 0, 1), std::string(20, ' '));
    EXPECT_EQ(cards().lcd_line(kSlotC800, 0, 1), std::string(20, ' '));
}

TEST_F(CardDiscovery, ConsoleSlotWithoutSegmentGivesNoConsoleCard) {
    cards().fit(kSlotC800);
    configure_slot(1, 0xC800);
    configure_console_slot(2);
    start_up();
    EXPECT_EQ(runtime::console_card_number, 0);
    EXPECT_EQ(runtime::console_card_selector, 0);
    EXPECT_NE(runtime::clock_card, 0);
}

TEST_F(CardDiscovery, SegmentChoicesThreeAndFourShareTheCardAtCC00InTwoHalves) {
    cards().fit(kSlotC800);
    cards().fit(kSlotCC00);
    configure_slot(1, 0xC800);
    configure_slot(2, 0xCC00);
    configure_console_slot(1);
    for (int protocol = 1; protocol <= 4; ++protocol) {
        console_config.set_protocol_name(protocol, 1, "SLOT1 P" + std::to_string(protocol));
        console_config.set_protocol_name(protocol, 2, "SLOT2 P" + std::to_string(protocol));
    }
    configure_dmx_card(1, 3);
    configure_dmx_card(2, 4);
    start_up();

    const uint16_t cc00 = runtime::card_segment_selectors[2];
    EXPECT_EQ(runtime::dmx_card_selectors[1], cc00);
    EXPECT_EQ(runtime::dmx_card_selectors[2], cc00);
    EXPECT_EQ(runtime::dmx_card_half[1], 1);
    EXPECT_EQ(runtime::dmx_card_half[2], 2);
    for (int protocol = 1; protocol <= 4; ++protocol) {
        const std::string expected = "SLOT2 P" + std::to_string(protocol);
        EXPECT_EQ(console_config.protocol_name(protocol, 1), expected);
        EXPECT_EQ(console_config.protocol_name(protocol, 2), expected);
    }

    // Both outputs reach the card at CC00h, card 1 in its first half, card 2 in its second.
    runtime::poke_card_byte(runtime::dmx_card_selectors[1], runtime::dmx_card_offsets[1].output_buffer + 16, 111);
    runtime::poke_card_byte(runtime::dmx_card_selectors[2], runtime::dmx_card_offsets[2].output_buffer + 16, 222);
    EXPECT_EQ(cards().dmx_output(kSlotCC00, 1, 17), 111);
    EXPECT_EQ(cards().dmx_output(kSlotCC00, 2, 17), 222);
    EXPECT_EQ(cards().dmx_output(kSlotC800, 1, 17), 0);
}

TEST_F(CardDiscovery, ProtocolNamesComeFromTheConfiguredSlotEvenWhenAnotherCardTookItsNames) {
    cards().fit(kSlotC800);
    cards().fit(kSlotCC00);
    console_config.set_protocol_name(1, 1, "FIRST");
    console_config.set_protocol_name(1, 2, "SECOND");
    configure_dmx_card(1, 3);  // card 1 on slot 2 takes "SECOND" over "FIRST"
    configure_dmx_card(2, 1);  // card 2 on slot 1 still gets slot 1's configured name
    runtime::discover_cards();
    EXPECT_EQ(console_config.protocol_name(1, 1), "SECOND");
    EXPECT_EQ(console_config.protocol_name(1, 2), "FIRST");
}

TEST_F(CardDiscovery, DmxCardWithoutSignatureOrWithBadChoiceIsAbsent) {
    cards().fit(kSlotC800);
    configure_dmx_card(1, 5);  // D000h: no card there
    configure_dmx_card(2, 9);  // no such segment
    configure_dmx_card(3, 1);
    console_config.set_protocol_name(1, 1, "KEPT");
    runtime::discover_cards();
    EXPECT_EQ(runtime::dmx_card_selectors[1], 0);
    EXPECT_EQ(runtime::dmx_card_half[1], 0);
    EXPECT_EQ(runtime::dmx_card_selectors[2], 0);
    EXPECT_EQ(runtime::dmx_card_half[2], 0);
    EXPECT_NE(runtime::dmx_card_selectors[3], 0);
    EXPECT_EQ(console_config.protocol_name(1, 1), "KEPT");
}

// --- read_card_memory_map ------------------------------------------------------

TEST_F(CardDiscovery, BufferOffsetsOfBothHalvesReachTheCardBuffers) {
    fit_console_card();
    start_up();
    for (int half = 1; half <= 2; ++half) {
        const uint16_t selector = runtime::dmx_card_selectors[static_cast<size_t>(half)];
        const runtime::DmxCardOffsets& offsets = runtime::dmx_card_offsets[static_cast<size_t>(half)];
        SCOPED_TRACE(half);

        runtime::poke_card_byte(selector, offsets.output_buffer + 511, static_cast<uint8_t>(40 + half));
        EXPECT_EQ(cards().dmx_output(kSlotC800, half, 512), 40 + half);

        cards().set_dmx_input(kSlotC800, half, 3, static_cast<uint8_t>(60 + half));
        EXPECT_EQ(runtime::peek_card_byte(selector, offsets.input_buffer + 2), 60 + half);

        runtime::poke_card_byte(selector, offsets.output_buffer, static_cast<uint8_t>(80 + half));
        cards().send(kSlotC800);
        EXPECT_EQ(runtime::peek_card_byte(selector, offsets.read_back_buffer), 80 + half);
        EXPECT_NE(offsets.read_back_buffer, offsets.output_buffer);
    }
    EXPECT_EQ(runtime::dmx_card_offsets[1].status_cell, 1136u);
    EXPECT_EQ(runtime::dmx_card_offsets[2].status_cell, 1138u);
}

TEST_F(CardDiscovery, WordTablesOfTheSecondHalfLie400hAboveTheirPointers) {
    fit_console_card();
    start_up();
    const std::array<uint32_t, 5> cells = {1034, 1026, 1028, 1030, 1032};
    for (int half = 1; half <= 2; ++half) {
        const runtime::DmxCardOffsets& offsets = runtime::dmx_card_offsets[static_cast<size_t>(half)];
        const uint32_t shift = half == 2 ? 0x400 : 0;
        EXPECT_EQ(offsets.channel_word_table, cards().peek_word(kSlotC800, cells[0]) - 0x4000u + shift);
        for (size_t table = 1; table <= 4; ++table) {
            EXPECT_EQ(offsets.word_tables[table], cards().peek_word(kSlotC800, cells[table]) - 0x4000u + shift);
        }
    }
}

TEST_F(CardDiscovery, FirstHalfOfOldFirmwareReadsBackFromTheOutputBuffer) {
    struct Case {
        std::array<uint8_t, 3> version;
        bool first_half_reads_output;
    };
    const std::array<Case, 4> cases = {{
        {{'3', '3', '5'}, false},
        {{'3', '3', '4'}, true},
        {{'3', '3', 'A'}, true},  // reads as 33
        {{0, 0, 0}, true},
    }};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.version.begin(), c.version.end()));
        platform::CardSettings settings;
        settings.firmware_version = c.version;
        fit_console_card(settings);
        start_up();
        EXPECT_EQ(runtime::dmx_card_offsets[1].read_back_buffer == runtime::dmx_card_offsets[1].output_buffer,
                  c.first_half_reads_output);
        // The second half always has a read-back buffer of its own.
        EXPECT_NE(runtime::dmx_card_offsets[2].read_back_buffer, runtime::dmx_card_offsets[2].output_buffer);
    }
}

TEST_F(CardDiscovery, EmptyKeyFifoIsPlacedAt7F40) {
    platform::CardSettings settings;
    settings.key_fifo_base_zero = true;
    fit_console_card(settings);
    start_up();
    EXPECT_EQ(cards().peek_word(kSlotC800, 1056), 0x7F40);
    EXPECT_EQ(cards().peek_word(kSlotC800, 1058), 0x7F40);
    EXPECT_EQ(cards().peek_word(kSlotC800, 1060), 0x7F40);
}

TEST_F(CardDiscovery, KeyFifoSetByTheFirmwareIsLeftAlone) {
    fit_console_card();
    const uint16_t base = cards().peek_word(kSlotC800, 1056);
    ASSERT_NE(base, 0);
    start_up();
    EXPECT_EQ(cards().peek_word(kSlotC800, 1056), base);
    EXPECT_EQ(runtime::console_offsets.key_fifo_read_cell, 1058u);
    EXPECT_EQ(runtime::console_offsets.clock_cell, 1190u);
}

TEST_F(CardDiscovery, WithoutAnyCardTheConsoleHasNoClockAndNoOffsets) {
    configure_slot(1, 0xC800);
    configure_console_slot(1);
    configure_dmx_card(1, 1);
    start_up();
    EXPECT_EQ(runtime::clock_card, 0);
    EXPECT_EQ(runtime::console_card_selector, 0);
    EXPECT_EQ(runtime::dmx_card_selectors[1], 0);
    const runtime::ConsoleCardOffsets& o = runtime::console_offsets;
    const std::array<uint32_t, 15> all = {o.fader_buffer,       o.function_belts,     o.sequence_belts,
                                          o.input_buffer,       o.display_cell,       o.key_fifo_base_cell,
                                          o.key_fifo_read_cell, o.key_fifo_write_cell, o.led_ring_base_cell,
                                          o.led_ring_read_cell, o.led_ring_write_cell, o.version_base,
                                          o.parameter_byte_cell, o.clock_cell,        o.option_cell};
    for (uint32_t offset : all) EXPECT_EQ(offset, 0u);
    EXPECT_EQ(runtime::midi_ring_offsets, (std::array<uint16_t, 4>{}));
    EXPECT_EQ(runtime::dmx_card_offsets[1].output_buffer, 0u);
    EXPECT_EQ(runtime::read_master_fader(1), 0);
}

// --- probe_interface_driver ------------------------------------------------------

TEST_F(CardDiscovery, SmpteInterfaceAndItsSoundInputs) {
    struct Case {
        bool fitted;
        bool sound_inputs;
        bool signature_kept;
        bool found;
        uint8_t sound;
    };
    const std::array<Case, 4> cases = {{
        {true, true, true, true, 1},
        {true, false, true, true, 0},
        {true, true, false, false, 0},
        {false, false, true, false, 0},
    }};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fitted << c.sound_inputs << c.signature_kept);
        machine().sync.remove();
        if (c.fitted) machine().sync.fit(c.sound_inputs);
        if (!c.signature_kept) machine().sync.window()[0x164] = 'X';  // "SMPTX"
        runtime::probe_interface_driver();
        EXPECT_EQ(runtime::sync_interface_selector != 0, c.found);
        EXPECT_EQ(runtime::sound_input_present, c.sound);
    }
    EXPECT_EQ(runtime::sync_register_offsets[6], 0x160);
    EXPECT_EQ(runtime::sync_register_offsets[7], 0x150);
    EXPECT_EQ(runtime::sync_register_offsets[11], 0x154);
}

// --- read_eprom_versions ---------------------------------------------------------

TEST_F(CardDiscovery, FirmwareVersionsAreDecimalUpToTheFirstNonDigit) {
    struct Case {
        std::array<uint8_t, 3> digits;
        uint16_t version;
    };
    const std::array<Case, 7> cases = {{
        {{'3', '3', '8'}, 338},
        {{'3', '3', 'A'}, 33},
        {{'A', '3', '3'}, 0},
        {{0, 0, 0}, 0},
        {{' ', '4', '2'}, 42},
        {{'+', '3', '5'}, 35},
        {{'-', '1', '2'}, 0},
    }};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        platform::CardSettings settings;
        settings.firmware_version = c.digits;
        fit_console_card(settings);
        start_up();
        EXPECT_EQ(runtime::card_firmware_versions[0], c.version);  // the console card
        EXPECT_EQ(runtime::card_firmware_versions[1], c.version);
        EXPECT_EQ(runtime::card_firmware_versions[2], c.version);
        EXPECT_EQ(runtime::card_firmware_versions[3], 0);
    }
}

TEST_F(CardDiscovery, EachDmxCardHasTheVersionOfItsOwnCard) {
    platform::CardSettings old_card;
    old_card.firmware_version = {'3', '2', '0'};
    cards().fit(kSlotC800);
    cards().fit(kSlotCC00, old_card);
    configure_slot(1, 0xC800);
    configure_console_slot(1);
    configure_dmx_card(1, 1);
    configure_dmx_card(2, 3);
    start_up();
    EXPECT_EQ(runtime::card_firmware_versions[0], 338);
    EXPECT_EQ(runtime::card_firmware_versions[1], 338);
    EXPECT_EQ(runtime::card_firmware_versions[2], 320);
    EXPECT_EQ(runtime::dmx_card_offsets[2].read_back_buffer, runtime::dmx_card_offsets[2].output_buffer);
    EXPECT_NE(runtime::dmx_card_offsets[1].read_back_buffer, runtime::dmx_card_offsets[1].output_buffer);
}

// --- read_console_options ----------------------------------------------------------

TEST_F(CardDiscovery, ConsoleOptionsFromTheCardBitsAndTheConfiguration) {
    struct Case {
        uint8_t options;
        uint8_t options_2;
        uint8_t configured;  // every configuration flag, 0 or 1
        runtime::HwOptionFlags expected;
    };
    // Expected fields in declaration order: section, playbacks, wing, masters,
    // function belts, sequence belts, displays, hardware keys, small console, wing port.
    const std::array<Case, 6> cases = {{
        {0x5F, 0x00, 1, {1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
        {0x5F, 0x00, 0, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0x5E, 0x00, 1, {0, 0, 0, 0, 1, 1, 1, 1, 1, 0}},
        {0x01, 0x40, 1, {1, 1, 1, 1, 0, 0, 0, 0, 1, 1}},
        {0x01, 0x40, 0, {1, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {0x00, 0x40, 1, {0, 0, 1, 0, 0, 0, 0, 0, 1, 1}},  // the wing port alone enables the wing
    }};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.options} << " " << int{c.options_2} << " " << int{c.configured});
        platform::CardSettings settings;
        settings.options = c.options;
        settings.options_2 = c.options_2;
        fit_console_card(settings);
        for (size_t flag = 0x002; flag <= 0x007; ++flag) console_config.set_u8(flag, c.configured);
        console_config.set_u8(0x0D2, c.configured);
        start_up();
        runtime::read_console_options();
        const runtime::HwOptionFlags& f = runtime::hw_option_flags;
        EXPECT_EQ(f.analogue_section, c.expected.analogue_section);
        EXPECT_EQ(f.analogue_playbacks, c.expected.analogue_playbacks);
        EXPECT_EQ(f.playback_wing, c.expected.playback_wing);
        EXPECT_EQ(f.analogue_masters, c.expected.analogue_masters);
        EXPECT_EQ(f.function_belts, c.expected.function_belts);
        EXPECT_EQ(f.sequence_belts, c.expected.sequence_belts);
        EXPECT_EQ(f.displays, c.expected.displays);
        EXPECT_EQ(f.hardware_keys, c.expected.hardware_keys);
        EXPECT_EQ(f.small_console_keys, c.expected.small_console_keys);
        EXPECT_EQ(f.wing_port, c.expected.wing_port);
    }
}

TEST_F(CardDiscovery, WithoutConsoleCardOnlyTheSmallConsoleKeysRemain) {
    for (size_t flag = 0x002; flag <= 0x007; ++flag) console_config.set_u8(flag, 1);
    console_config.set_u8(0x0D2, 1);
    start_up();
    runtime::read_console_options();
    const runtime::HwOptionFlags& f = runtime::hw_option_flags;
    EXPECT_EQ(f.small_console_keys, 1);
    EXPECT_EQ(f.analogue_section + f.analogue_masters + f.analogue_playbacks + f.playback_wing + f.function_belts +
                  f.sequence_belts + f.displays + f.hardware_keys + f.wing_port,
              0);
}

// --- upload_card_parameters ----------------------------------------------------------

TEST_F(CardDiscovery, CardParametersReachTheirCellsOnEveryDmxCard) {
    cards().fit(kSlotC800);
    cards().fit(kSlotCC00);
    configure_dmx_card(1, 1);
    configure_dmx_card(2, 3);
    for (int table = 0; table < 6; ++table) {
        for (int card = 1; card <= 4; ++card) {
            console_config.set_u16(0x0A2 + 8 * static_cast<size_t>(table) + 2 * static_cast<size_t>(card - 1),
                                   static_cast<uint16_t>(1000 * (table + 1) + card));
        }
    }
    console_config.set_u8(0x0D4, 0);
    start_up();
    runtime::upload_card_parameters();

    // Tables A..F in cells 1212, 1204, 1158, 1156, 1154, 1152.
    const std::array<uint32_t, 6> cells = {1212, 1204, 1158, 1156, 1154, 1152};
    for (int card = 1; card <= 2; ++card) {
        const int slot = card == 1 ? kSlotC800 : kSlotCC00;
        for (size_t table = 0; table < cells.size(); ++table) {
            EXPECT_EQ(cards().peek_word(slot, cells[table]), 1000 * (table + 1) + static_cast<size_t>(card))
                << "card " << card << " table " << table;
        }
        EXPECT_EQ(cards().peek_byte(slot, 1188), 176);
    }
}

TEST_F(CardDiscovery, CardParameterByteIsWrittenAsConfigured) {
    fit_console_card();
    console_config.set_u8(0x0D4, 42);
    start_up();
    runtime::upload_card_parameters();
    EXPECT_EQ(cards().peek_byte(kSlotC800, 1188), 42);
}

// --- watch_wing ------------------------------------------------------------------------

class WingWatch : public CardDiscovery {
protected:
    void SetUp() override {
        CardDiscovery::SetUp();
        fit_console_card();
        console_config.set_u8(0x003, 1);  // analogue playback faders
        console_config.set_u8(0x0D3, 1);  // beeper on
        start_up();
        runtime::read_console_options();
    }

    // Wing tones that have ended: 400 Hz for 2000 ms.
    size_t wing_beeps() {
        size_t count = 0;
        for (const platform::Tone& tone : machine().speaker.tones.to_vector()) {
            if (tone.freq_hz == 400 && tone.duration_ms == 2000) ++count;
        }
        return count;
    }
    bool wing_tone_sounding() { return machine().speaker.freq_hz == 400; }
    // The poll's end of the tone once its time is up.
    void let_the_tone_run_out() {
        machine().advance_ms(2000);
        runtime::end_wing_tone_when_due();
    }
};

TEST_F(WingWatch, PluggingTheWingInIsShownOnce) {
    ASSERT_EQ(runtime::hw_option_flags.wing_port, 0);
    runtime::watch_wing();
    EXPECT_FALSE(wing_tone_sounding());

    cards().set_wing_connected(kSlotC800, true);
    runtime::watch_wing();
    EXPECT_EQ(ui::current_message(), "WING DETECTED AND ENABLED");
    EXPECT_EQ(cards().lcd_line(kSlotC800, 0, 1), "WING DETECTED AND   ");
    EXPECT_EQ(cards().lcd_line(kSlotC800, 0, 2), "ENABLED             ");
    EXPECT_TRUE(wing_tone_sounding());
    EXPECT_EQ(runtime::hw_option_flags.wing_port, 1);
    EXPECT_EQ(runtime::hw_option_flags.playback_wing, 1);

    runtime::watch_wing();
    runtime::watch_wing();
    let_the_tone_run_out();
    EXPECT_FALSE(wing_tone_sounding());
    EXPECT_EQ(wing_beeps(), 1u);
    runtime::watch_wing();
    EXPECT_FALSE(wing_tone_sounding());
}

TEST_F(WingWatch, PullingTheWingOutIsShownAndTheWingStaysEnabled) {
    cards().set_wing_connected(kSlotC800, true);
    runtime::watch_wing();
    let_the_tone_run_out();
    cards().set_wing_connected(kSlotC800, false);
    runtime::watch_wing();
    EXPECT_EQ(ui::current_message(), "WING CONNECTION LOST....");
    EXPECT_EQ(cards().lcd_line(kSlotC800, 0, 1), "WING CONNECTION     ");
    EXPECT_EQ(cards().lcd_line(kSlotC800, 0, 2), "LOST....            ");
    let_the_tone_run_out();
    EXPECT_EQ(wing_beeps(), 2u);
    EXPECT_EQ(runtime::hw_option_flags.wing_port, 0);
    EXPECT_EQ(runtime::hw_option_flags.playback_wing, 1);
}

TEST_F(WingWatch, TheToneDoesNotHoldTheWatchUp) {
    const uint64_t before_ms = machine().clock.now_ms;
    cards().set_wing_connected(kSlotC800, true);
    runtime::watch_wing();
    EXPECT_EQ(machine().clock.now_ms, before_ms) << "no 2000 ms delay inside the poll";
    EXPECT_TRUE(wing_tone_sounding());

    machine().advance_ms(1999);
    runtime::end_wing_tone_when_due();
    EXPECT_TRUE(wing_tone_sounding()) << "1999 ms: still sounding";
    machine().advance_ms(1);
    runtime::end_wing_tone_when_due();
    EXPECT_FALSE(wing_tone_sounding());
    ASSERT_EQ(machine().speaker.tones.to_vector().size(), 1u);
    EXPECT_EQ(machine().speaker.tones.to_vector()[0], (platform::Tone{400, before_ms, 2000}));
}

TEST_F(WingWatch, ToneIsSilentWithTheBeeperOffAndStopsWithTheConsoleSurface) {
    console_config.set_u8(0x0D3, 0);
    cards().set_wing_connected(kSlotC800, true);
    runtime::watch_wing();
    EXPECT_EQ(ui::current_message(), "WING DETECTED AND ENABLED");
    EXPECT_FALSE(machine().speaker.sounding());

    console_config.set_u8(0x0D3, 1);
    cards().set_wing_connected(kSlotC800, false);
    runtime::watch_wing();
    EXPECT_TRUE(wing_tone_sounding());
    machine().advance_ms(300);
    runtime::stop_wing_tone();
    EXPECT_FALSE(machine().speaker.sounding());
    ASSERT_EQ(machine().speaker.tones.to_vector().size(), 1u);
    EXPECT_EQ(machine().speaker.tones.to_vector()[0].duration_ms, 300u);
}

TEST_F(WingWatch, TheMemoryStateComesBackAfterTheNoticeUnlessAnotherMessageCame) {
    runtime::option_flags |= runtime::OPT_MEMORY_STATE_SHOWN;
    cards().set_wing_connected(kSlotC800, true);
    runtime::watch_wing();
    machine().advance_ms(1999);
    runtime::watch_wing();
    EXPECT_EQ(ui::current_message(), "WING DETECTED AND ENABLED");
    machine().advance_ms(1);
    runtime::watch_wing();
    EXPECT_EQ(ui::current_message().substr(0, 7), "MEMORY ");

    cards().set_wing_connected(kSlotC800, false);
    runtime::watch_wing();
    ui::show_message("RECORD MEMORY");
    let_the_tone_run_out();
    runtime::watch_wing();
    EXPECT_EQ(ui::current_message(), "RECORD MEMORY");
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
}

TEST_F(WingWatch, WingWithoutAnaloguePlaybacksIsNotEnabled) {
    console_config.set_u8(0x003, 0);
    cards().set_wing_connected(kSlotC800, true);
    runtime::watch_wing();
    EXPECT_EQ(runtime::hw_option_flags.wing_port, 1);
    EXPECT_EQ(runtime::hw_option_flags.playback_wing, 0);
    EXPECT_EQ(ui::current_message(), "WING DETECTED AND ENABLED");
}

TEST_F(WingWatch, WingLinesAndTransparencyLedsAreRefreshed) {
    std::strcpy(playback::wing_lcd_texts[2].data(), "12 FRONT WASH");
    std::strcpy(playback::wing_lcd_texts[18].data(), "28 BACK LIGHT");
    playback::wing_bank = 1;
    playback::playback_transparent_mode = 2;
    playback::sequence_transparent_mode = 1;

    cards().set_wing_connected(kSlotC800, true);
    runtime::watch_wing();
    EXPECT_EQ(playback::wing_bank, 1);  // the bank shown is selected last
    EXPECT_EQ(cards().lcd_line(kSlotC800, 5, 1), "28 BACK LIGHT       ");
    EXPECT_EQ(runtime::key_led_cache[375], runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[374], runtime::LED_OFF);
    EXPECT_EQ(runtime::key_led_cache[389], runtime::LED_BLINK);
    EXPECT_EQ(runtime::key_led_cache[388], runtime::LED_ON);

    playback::playback_transparent_mode = 0;
    cards().set_wing_connected(kSlotC800, false);
    runtime::watch_wing();
    EXPECT_EQ(runtime::key_led_cache[389], runtime::LED_OFF);
}

// The console keeps running while the wing tone sounds.
TEST(WingInTheRunningConsole, TheToneSoundsWhileThePollGoesOn) {
    rig::Rig rig;
    const rig::ProgramDir dir = rig::ProgramDir::demo();
    rig::start_console(rig, dir);
    ASSERT_FALSE(rig.finished());
    rig.run_ms(10);
    const uint64_t plugged_ms = rig.now_ms();
    const uint64_t passes = runtime::main_loop_passes;

    rig.machine().cards.set_wing_connected(0, true);
    rig.run_ms(1000);
    EXPECT_EQ(runtime::hw_option_flags.wing_port, 1);
    EXPECT_EQ(ui::current_message(), "WING DETECTED AND ENABLED") << "the message stays while the tone sounds";
    EXPECT_EQ(rig.lcd(0, 1), "WING DETECTED AND   ");
    EXPECT_EQ(rig.machine().speaker.freq_hz, 400) << "the tone sounds";
    EXPECT_LT(rig.now_ms() - plugged_ms, 1100u) << "the poll did not stop for the tone";
    EXPECT_GT(runtime::main_loop_passes - passes, 900u) << "one main loop pass per ms of the rig";

    rig.run_ms(1100);
    EXPECT_FALSE(rig.machine().speaker.sounding());
    EXPECT_EQ(ui::current_message(), "MEMORY 1 IS EMPTY") << "then the memory panel is back";
    const auto tones = rig.machine().speaker.tones.to_vector();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 400);
    EXPECT_LE(tones.back().start_ms - plugged_ms, 5u);
    EXPECT_GE(tones.back().duration_ms, 2000u);
    EXPECT_LE(tones.back().duration_ms, 2005u);
}

// --- check_memory -----------------------------------------------------------------------

TEST_F(CardDiscovery, CheckMemoryGoesOnWhenTheTablesFit) {
    const std::optional<int> code = rig::run_catching_exit([] { runtime::check_memory(); });
    EXPECT_FALSE(code.has_value());
}

TEST(CheckMemory, FailureShowsTheFramedTextWaitsForAKeyAndEndsWithCode1) {
    rig::Rig rig;
    runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    console_config.set_u8(0x0D3, 1);  // beeper on
    rig.start([] { runtime::check_memory(); });
    ASSERT_FALSE(rig.finished());  // waiting for a key

    const platform::TextScreen& text = rig.machine().text;
    const std::array<std::string, 4> lines = {
        " ------------- CHECKING MEMORYALLOCATION ------------ ",
        " NOT ENOUGH MEMORY !                                  ",
        " PRESS ANY KEY TO RETURN TO DOS ...                   ",
        " ---------------------------------------------------- ",
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        const int row = 10 + static_cast<int>(i);
        EXPECT_EQ(text.row_text(row, true).substr(14, 54), lines[i]);
        EXPECT_EQ(text.attribute_at(15, row), 0x4E);  // yellow on red
        EXPECT_EQ(text.attribute_at(1, row) & 0x70, 0);  // black around the frame
    }
    EXPECT_EQ(text.row_text(14), "");
    EXPECT_EQ(text.cursor_shape, platform::kCursorHidden);

    rig.run_ms(1500);  // the tone has ended; the screen waits for a key
    ASSERT_FALSE(rig.finished());
    rig.machine().text.push_key(' ');
    rig.run_ms(100);
    ASSERT_TRUE(rig.finished());
    const auto tones = rig.machine().speaker.tones.to_vector();
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_EQ(tones[0].freq_hz, 400);
    EXPECT_EQ(tones[0].duration_ms, 1000u);
    EXPECT_EQ(rig.exit_code(), 1);
    EXPECT_EQ(text.cursor_shape, platform::kCursorNormal);
    EXPECT_EQ(text.mode, platform::kTextModeColour80);
}

}  // namespace
