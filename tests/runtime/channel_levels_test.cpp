// The channel level setter and the card channel tables, seen from the cards:
// levels in the DMX output buffers, the firmware's read-back, the uploaded
// tables in the card cells.
#include "runtime/channel_levels.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/card_bus.h"
#include "platform/machine.h"
#include "programmer/park_tables.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "setup/patch_tables.h"

namespace {

using runtime::console_config;

constexpr int kSlotC800 = 0;  // card bus slots 0..3 are the segments C800h..D400h
constexpr int kSlotCC00 = 1;

constexpr size_t kCfgSegments = 0x008;
constexpr size_t kCfgConsoleSlot = 0x010;
constexpr size_t kCfgDmxChoices = 0x0FC;

// Card cells, read here straight from the card as the firmware sees them.
constexpr uint32_t kReadBackPointerCell = 0x40E;
constexpr uint32_t kChannelWordPointerCell = 0x40A;
constexpr uint32_t kWordTablePointerCell = 0x402;  // tables 1..4, a word apart
constexpr uint32_t kUploadMarkerCell = 0x464;
constexpr uint32_t kStatusCellHalf1 = 0x470;
constexpr uint32_t kStatusCellHalf2 = 0x472;
constexpr uint32_t kCurveFlagArea = 0x1B00;
constexpr uint32_t kCustomCurveArea = 0x1D00;
constexpr uint32_t kScaleArea = 0x2000;
constexpr uint32_t kHalfByteShift = 0x200;
constexpr uint32_t kHalfWordShift = 0x400;

constexpr std::array<uint8_t, 3> version_digits(int version) {
    return {static_cast<uint8_t>('0' + version / 100), static_cast<uint8_t>('0' + version / 10 % 10),
            static_cast<uint8_t>('0' + version % 10)};
}

// Where an output position lies: interface card slot, half, card channel.
struct Output {
    int slot = 0;
    int half = 0;
    int channel = 0;
};

class ChannelLevels : public ::testing::Test {
protected:
    void SetUp() override { platform::install_machine(machine_.get()); }
    void TearDown() override { platform::install_machine(nullptr); }

    platform::CardBus& cards() { return machine_->cards; }

    // Fits the cards at C800h and CC00h with these firmware versions and
    // assigns DMX cards 1..4 the configuration's choices (1, 2: the halves of
    // C800h; 3, 4: those of CC00h; 0 none), then runs the start-up probes.
    void start_cards(int firmware_c800, int firmware_cc00, std::array<uint8_t, 4> choices = {1, 2, 3, 4}) {
        platform::CardSettings settings;
        settings.firmware_version = version_digits(firmware_c800);
        cards().fit(kSlotC800, settings);
        settings.firmware_version = version_digits(firmware_cc00);
        cards().fit(kSlotCC00, settings);
        console_config.set_u16(kCfgSegments, 0xC800);
        console_config.set_u16(kCfgSegments + 2, 0xCC00);
        console_config.set_u16(kCfgConsoleSlot, 1);
        for (size_t card = 0; card < choices.size(); ++card) console_config.set_u8(kCfgDmxChoices + card, choices[card]);
        runtime::discover_cards();
        runtime::read_card_memory_map();
        runtime::probe_interface_driver();
        runtime::read_eprom_versions();
    }

    // With the four DMX cards on choices 1..4.
    static Output output_of(int position) {
        const int card = (position - 1) / 512 + 1;
        return {(card - 1) / 2, (card - 1) % 2 + 1, (position - 1) % 512 + 1};
    }

    uint8_t dmx(const Output& at) { return cards().dmx_output(at.slot, at.half, at.channel); }
    uint8_t dmx_at(int position) { return dmx(output_of(position)); }

    // The firmware's read-back buffer, through the card's own pointer cell.
    uint8_t read_back(const Output& at) {
        const uint32_t buffer = cards().peek_word(at.slot, kReadBackPointerCell) - platform::kCardAddressBase +
                                kHalfByteShift * static_cast<uint32_t>(at.half - 1);
        return cards().peek_byte(at.slot, buffer + static_cast<uint32_t>(at.channel - 1));
    }

    // Word of a card table whose pointer is in `pointer_cell`.
    uint16_t card_word(uint32_t pointer_cell, const Output& at) {
        const uint32_t table = cards().peek_word(at.slot, pointer_cell) - platform::kCardAddressBase +
                               kHalfWordShift * static_cast<uint32_t>(at.half - 1);
        return cards().peek_word(at.slot, table + 2 * static_cast<uint32_t>(at.channel - 1));
    }

    // Output bytes other than 0 on all four DMX outputs.
    int lit_outputs() {
        int lit = 0;
        for (int position = 1; position <= 2048; ++position) lit += dmx_at(position) != 0 ? 1 : 0;
        return lit;
    }

    static void patch(int channel, std::array<uint16_t, 4> positions) {
        for (size_t slot = 0; slot < positions.size(); ++slot) {
            setup::channel_patch_tables[slot][static_cast<size_t>(channel)] = positions[slot];
        }
    }

    static setup::Curve curve_of(uint8_t (*map)(int)) {
        setup::Curve curve{};
        for (int v = 0; v < 256; ++v) curve[static_cast<size_t>(v)] = map(v);
        return curve;
    }

private:
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

uint8_t inverted(int v) { return static_cast<uint8_t>(255 - v); }
uint8_t fifth(int v) { return static_cast<uint8_t>(v / 5); }
uint8_t lifted(int v) { return static_cast<uint8_t>(v + 20 > 255 ? 255 : v + 20); }

// --- set_channel_level ----------------------------------------------------------

TEST_F(ChannelLevels, OutputPositionPicksCardHalfAndCardChannel) {
    start_cards(338, 338);
    struct Case {
        int16_t channel;
        uint16_t position;
        Output at;
    };
    const std::array<Case, 7> cases = {{
        {1, 1, {kSlotC800, 1, 1}},
        {7, 512, {kSlotC800, 1, 512}},
        {8, 513, {kSlotC800, 2, 1}},
        {9, 1024, {kSlotC800, 2, 512}},
        {10, 1025, {kSlotCC00, 1, 1}},
        {11, 1800, {kSlotCC00, 2, 264}},
        {12, 2048, {kSlotCC00, 2, 512}},
    }};
    uint8_t level = 10;
    for (const Case& c : cases) {
        patch(c.channel, {c.position, 0, 0, 0});
        runtime::set_channel_level(c.channel, level, 0, 0);
        EXPECT_EQ(dmx(c.at), level) << "position " << c.position;
        level = static_cast<uint8_t>(level + 10);
    }
    EXPECT_EQ(lit_outputs(), static_cast<int>(cases.size()));
}

TEST_F(ChannelLevels, DefaultPatchPutsChannelOnTheSamePosition) {
    start_cards(338, 338);
    runtime::set_channel_level(1500, 99, 0, 0);
    EXPECT_EQ(dmx({kSlotCC00, 1, 476}), 99);
    EXPECT_EQ(lit_outputs(), 1);
}

// Firmware 335 takes the level through dimmer curve, custom curve and scale in
// this order (100 -> 155 -> 31 -> 15; any other order gives another byte);
// firmware 334 gets the level as it is.
TEST_F(ChannelLevels, FirmwareFrom335AppliesDimmerCurveCustomCurveAndScaleInOrder) {
    start_cards(335, 334);
    setup::curve_tables[5] = curve_of(inverted);
    setup::custom_curve_tables[2] = curve_of(fifth);
    for (const int16_t channel : {20, 1045}) {
        const size_t c = static_cast<size_t>(channel);
        setup::dimmer_patch_table[c] = 5;
        setup::channel_curve_flags[c] = 2;
        setup::channel_output_scale[c] = 128;
        runtime::set_channel_level(channel, 100, 0, 0);
    }
    EXPECT_EQ(dmx({kSlotC800, 1, 20}), 15);
    EXPECT_EQ(dmx({kSlotCC00, 1, 21}), 100);
}

TEST_F(ChannelLevels, ScaleRoundsDown) {
    start_cards(338, 338);
    struct Case {
        uint8_t scale;
        uint8_t level;
        uint8_t expected;
    };
    const std::array<Case, 7> cases = {{
        {128, 255, 128}, {128, 100, 50}, {155, 51, 31}, {0, 200, 0}, {255, 77, 77}, {254, 255, 254}, {1, 254, 0},
    }};
    for (const Case& c : cases) {
        setup::channel_output_scale[30] = c.scale;
        runtime::set_channel_level(30, c.level, 0, 0);
        EXPECT_EQ(dmx_at(30), c.expected) << "scale " << int{c.scale} << ", level " << int{c.level};
    }
}

// Curve numbers beyond the tables (a damaged file) count as no curve.
TEST_F(ChannelLevels, CurveNumbersOutsideTheTablesCountAsNone) {
    start_cards(338, 338);
    setup::curve_tables[16] = curve_of(inverted);
    setup::custom_curve_tables[3] = curve_of(inverted);
    struct Case {
        uint8_t dimmer_curve;
        uint8_t curve_flag;
        uint8_t expected;
    };
    const std::array<Case, 6> cases = {{
        {16, 0, 178}, {0, 3, 178}, {17, 0, 77}, {255, 0, 77}, {0, 4, 77}, {0, 255, 77},
    }};
    for (const Case& c : cases) {
        setup::dimmer_patch_table[40] = c.dimmer_curve;
        setup::channel_curve_flags[40] = c.curve_flag;
        runtime::set_channel_level(40, 77, 0, 0);
        EXPECT_EQ(dmx_at(40), c.expected) << "curve " << int{c.dimmer_curve} << ", flag " << int{c.curve_flag};
    }
}

// Each output of a multipatched channel starts from the level passed in: the
// dimmer curve of the channel, then the custom curve and scale of that output
// alone. An empty slot does not end the walk.
TEST_F(ChannelLevels, EveryPatchSlotStartsFromTheLevelPassedIn) {
    start_cards(338, 338);
    patch(30, {30, 0, 600, 1500});
    setup::curve_tables[3] = curve_of(lifted);
    setup::dimmer_patch_table[30] = 3;
    setup::channel_output_scale[30] = 128;
    setup::custom_curve_tables[1] = curve_of(inverted);
    setup::channel_curve_flags[600] = 1;

    runtime::set_channel_level(30, 200, 0, 0);
    EXPECT_EQ(dmx({kSlotC800, 1, 30}), 110);   // 220 x 128 / 255
    EXPECT_EQ(dmx({kSlotC800, 2, 88}), 35);    // 255 - 220
    EXPECT_EQ(dmx({kSlotCC00, 1, 476}), 220);  // the curve alone
    EXPECT_EQ(lit_outputs(), 3);
}

TEST_F(ChannelLevels, WritingStartsAtTheSlotGiven) {
    start_cards(338, 338);
    patch(30, {30, 0, 600, 1500});
    runtime::set_channel_level(30, 200, 0, 2);
    EXPECT_EQ(dmx_at(30), 0);
    EXPECT_EQ(dmx_at(600), 200);
    EXPECT_EQ(dmx_at(1500), 200);
    runtime::set_channel_level(30, 50, 0, 3);
    EXPECT_EQ(dmx_at(600), 200);
    EXPECT_EQ(dmx_at(1500), 50);
}

// No slot, or only positions beyond the four cards (a damaged patch file).
TEST_F(ChannelLevels, ChannelWithoutAValidPatchWritesNothing) {
    start_cards(338, 338);
    const std::array<std::array<uint16_t, 4>, 4> patches = {{
        {0, 0, 0, 0}, {2049, 0, 0, 0}, {0, 4096, 0, 0}, {65535, 65535, 65535, 65535},
    }};
    for (const auto& positions : patches) {
        patch(40, positions);
        runtime::set_channel_level(40, 255, 1, 0);
        EXPECT_EQ(lit_outputs(), 0) << "slot 0 position " << positions[0];
    }
}

TEST_F(ChannelLevels, OutOfRangeChannelAndSlotAreRefused) {
    start_cards(338, 338);
    patch(2048, {1, 0, 0, 0});
    for (const int16_t channel : {0, -1, -32768, 2049, 32767}) runtime::set_channel_level(channel, 255, 1, 0);
    runtime::set_channel_level(1, 255, 1, 4);
    runtime::set_channel_level(1, 255, 1, 255);
    EXPECT_EQ(lit_outputs(), 0);
    runtime::set_channel_level(2048, 255, 1, 0);  // the last channel is still taken
    EXPECT_EQ(dmx_at(1), 255);
}

// A parked channel keeps its output; ordinary writes only change the level
// it remembers, which reads back in its place. Lamp commands write with force.
TEST_F(ChannelLevels, ParkedChannelKeepsItsOutput) {
    start_cards(338, 338);
    runtime::set_channel_level(50, 90, 0, 0);
    programmer::park_flags[50] = 3;
    programmer::park_values[50] = 90;

    runtime::set_channel_level(50, 200, 0, 0);
    EXPECT_EQ(dmx_at(50), 90);
    EXPECT_EQ(programmer::park_values[50], 200);
    EXPECT_EQ(runtime::get_channel_level(50), 200);

    runtime::set_channel_level(50, 10, 1, 0);
    EXPECT_EQ(dmx_at(50), 10);
    EXPECT_EQ(programmer::park_values[50], 200);

    programmer::park_flags[50] = 0;
    runtime::set_channel_level(50, 60, 0, 0);
    EXPECT_EQ(dmx_at(50), 60);
}

// --- read-back --------------------------------------------------------------------

TEST_F(ChannelLevels, GetChannelLevelReadsWhatTheCardSent) {
    start_cards(338, 338);
    setup::channel_output_scale[60] = 128;
    runtime::set_channel_level(60, 255, 0, 0);
    runtime::set_channel_level(600, 33, 0, 0);
    runtime::set_channel_level(2048, 44, 0, 0);
    EXPECT_EQ(runtime::get_channel_level(60), 0);  // not sent yet
    cards().send(kSlotC800);
    cards().send(kSlotCC00);
    EXPECT_EQ(runtime::get_channel_level(60), 128);
    EXPECT_EQ(runtime::get_channel_level(600), 33);
    EXPECT_EQ(runtime::get_channel_level(2048), 44);
}

TEST_F(ChannelLevels, GetOutputLevelReadsTheDmxInput) {
    start_cards(338, 338);
    struct Case {
        int16_t position;
        Output at;
        uint8_t level;
    };
    const std::array<Case, 4> cases = {{
        {1, {kSlotC800, 1, 1}, 11},
        {600, {kSlotC800, 2, 88}, 22},
        {1500, {kSlotCC00, 1, 476}, 33},
        {2048, {kSlotCC00, 2, 512}, 44},
    }};
    for (const Case& c : cases) cards().set_dmx_input(c.at.slot, c.at.half, c.at.channel, c.level);
    for (const Case& c : cases) EXPECT_EQ(runtime::get_output_level(c.position), c.level) << c.position;
    EXPECT_EQ(runtime::get_output_level(2), 0);
}

TEST_F(ChannelLevels, ReadsOutOfRangeGiveZero) {
    start_cards(338, 338);
    cards().set_dmx_input(kSlotC800, 1, 1, 7);
    cards().set_dmx_input(kSlotCC00, 2, 512, 7);
    for (const int16_t position : {0, -1, 2049, 32767, -32768}) {
        EXPECT_EQ(runtime::get_output_level(position), 0) << position;
        EXPECT_EQ(runtime::get_channel_level(position), 0) << position;
    }
}

// --- the 16-bit pair --------------------------------------------------------------

TEST_F(ChannelLevels, FigurePairIsHeldOffByTheStatusWord) {
    start_cards(338, 338);
    struct Case {
        uint16_t status;
        bool written;
    };
    const std::array<Case, 5> cases = {{
        {0x0000, true}, {0xAAAA, false}, {0x5555, true}, {0xFFFF, false}, {0xAAAB, true},
    }};
    uint8_t level = 1;
    uint8_t expected_a = 0;
    uint8_t expected_b = 0;
    for (const Case& c : cases) {
        cards().poke_word(kSlotC800, kStatusCellHalf1, c.status);
        runtime::set_figure_channel_level(70, level, 71, static_cast<uint8_t>(level + 100));
        if (c.written) {
            expected_a = level;
            expected_b = static_cast<uint8_t>(level + 100);
        }
        EXPECT_EQ(dmx_at(70), expected_a) << std::hex << c.status;
        EXPECT_EQ(dmx_at(71), expected_b) << std::hex << c.status;
        ++level;
    }
}

TEST_F(ChannelLevels, SecondHalfCardIsHeldOffByItsOwnStatusWord) {
    start_cards(338, 338);
    cards().poke_word(kSlotC800, kStatusCellHalf1, 0xAAAA);
    runtime::set_figure_channel_level(600, 5, 601, 6);
    EXPECT_EQ(dmx_at(600), 5);
    EXPECT_EQ(dmx_at(601), 6);
    cards().poke_word(kSlotC800, kStatusCellHalf2, 0xFFFF);
    runtime::set_figure_channel_level(600, 7, 601, 8);
    EXPECT_EQ(dmx_at(600), 5);
    EXPECT_EQ(dmx_at(601), 6);
}

// The pair takes each output's custom curve and scale but neither the dimmer
// curve nor the park table.
TEST_F(ChannelLevels, FigurePairTakesOutputCurvesOnly) {
    start_cards(338, 334);
    setup::curve_tables[5] = curve_of(inverted);
    setup::custom_curve_tables[2] = curve_of(fifth);
    for (const size_t channel : {70u, 1100u}) {
        setup::dimmer_patch_table[channel] = 5;
        setup::channel_output_scale[channel] = 128;
        programmer::park_flags[channel] = 1;
    }
    setup::channel_curve_flags[71] = 2;
    runtime::set_figure_channel_level(70, 255, 71, 100);
    EXPECT_EQ(dmx_at(70), 128);
    EXPECT_EQ(dmx_at(71), 20);
    runtime::set_figure_channel_level(1100, 255, 1101, 100);  // firmware 334: as they are
    EXPECT_EQ(dmx_at(1100), 255);
    EXPECT_EQ(dmx_at(1101), 100);
}

// The two bytes of a pair patched to different cards each reach their own.
TEST_F(ChannelLevels, FigurePairOnTwoCardsWritesEachOnItsOwnCard) {
    start_cards(338, 338);
    patch(81, {1100, 0, 0, 0});
    runtime::set_figure_channel_level(80, 12, 81, 34);
    EXPECT_EQ(dmx({kSlotC800, 1, 80}), 12);
    EXPECT_EQ(dmx({kSlotCC00, 1, 76}), 34);
    EXPECT_EQ(lit_outputs(), 2);

    cards().poke_word(kSlotCC00, kStatusCellHalf1, 0xAAAA);  // either card holds off both
    runtime::set_figure_channel_level(80, 56, 81, 78);
    EXPECT_EQ(dmx({kSlotC800, 1, 80}), 12);
    EXPECT_EQ(dmx({kSlotCC00, 1, 76}), 34);
}

TEST_F(ChannelLevels, FigurePairWithAnUnpatchedByteWritesTheOther) {
    start_cards(338, 338);
    patch(91, {0, 0, 0, 0});
    runtime::set_figure_channel_level(90, 9, 91, 10);
    runtime::set_figure_channel_level(0, 9, 2049, 10);
    EXPECT_EQ(dmx_at(90), 9);
    EXPECT_EQ(lit_outputs(), 1);
}

// --- words and the table upload ---------------------------------------------------

TEST_F(ChannelLevels, UploadWritesTheWordTablesOfEveryOutput) {
    start_cards(338, 338);
    for (size_t p = 1; p <= 2048; ++p) {
        setup::channel_patch_tables[4][p] = static_cast<uint16_t>(p);
        for (size_t t = 1; t <= 4; ++t) setup::channel_patch_tables[4 + t][p] = static_cast<uint16_t>(p | (t << 12));
    }
    runtime::upload_channel_tables();
    int wrong = 0;
    for (int p = 1; p <= 2048; ++p) {
        const Output at = output_of(p);
        wrong += card_word(kChannelWordPointerCell, at) != p ? 1 : 0;
        for (uint32_t t = 1; t <= 4; ++t) {
            wrong += card_word(kWordTablePointerCell + 2 * (t - 1), at) != (p | (t << 12)) ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(card_word(kWordTablePointerCell + 6, {kSlotCC00, 2, 512}), 2048 | (4 << 12));
}

TEST_F(ChannelLevels, WordWritersRefuseBadPositionsAndTables) {
    start_cards(338, 338);
    // Every word of the channel word table and the four word tables, as the
    // cards hold them (word table 1 starts one-to-one at power-on).
    const auto all_words = [this] {
        std::vector<uint16_t> words;
        for (int p = 1; p <= 2048; ++p) {
            const Output at = output_of(p);
            words.push_back(card_word(kChannelWordPointerCell, at));
            for (uint32_t t = 1; t <= 4; ++t) words.push_back(card_word(kWordTablePointerCell + 2 * (t - 1), at));
        }
        return words;
    };
    const std::vector<uint16_t> before = all_words();
    runtime::set_channel_word(1, 0x1111);
    runtime::set_channel_table_word(4, 2048, 0x4444);
    for (const int16_t position : {0, -1, 2049}) {
        runtime::set_channel_word(position, 0xBAD);
        runtime::set_channel_table_word(1, position, 0xBAD);
    }
    for (const uint8_t table : {0, 5, 255}) runtime::set_channel_table_word(table, 1, 0xBAD);
    const std::vector<uint16_t> after = all_words();
    int written = 0;
    for (size_t i = 0; i < after.size(); ++i) written += after[i] != before[i] ? 1 : 0;
    EXPECT_EQ(written, 2);
    EXPECT_EQ(card_word(kChannelWordPointerCell, {kSlotC800, 1, 1}), 0x1111);
    EXPECT_EQ(card_word(kWordTablePointerCell + 6, {kSlotCC00, 2, 512}), 0x4444);
}

// Firmware 334 (DMX card 1 at C800h) gets the flags, curves and scales and
// applies them itself; firmware 338 (DMX card 2 at CC00h) gets none. Both get
// the marker.
TEST_F(ChannelLevels, OldFirmwareGetsTheCurveTablesAndAppliesThem) {
    start_cards(334, 338, {1, 3, 0, 0});
    setup::custom_curve_tables[1] = curve_of(inverted);
    setup::custom_curve_tables[2] = curve_of(fifth);
    setup::custom_curve_tables[3] = curve_of(lifted);
    setup::channel_curve_flags[5] = 1;
    setup::channel_output_scale[5] = 128;
    setup::channel_curve_flags[512] = 3;
    setup::channel_output_scale[512] = 10;
    setup::channel_curve_flags[517] = 2;  // DMX card 2, card channel 5
    setup::channel_output_scale[517] = 200;

    runtime::upload_channel_tables();

    EXPECT_EQ(cards().peek_byte(kSlotC800, kCurveFlagArea + 4), 1);
    EXPECT_EQ(cards().peek_byte(kSlotC800, kScaleArea + 4), 128);
    EXPECT_EQ(cards().peek_byte(kSlotC800, kCurveFlagArea + 511), 3);
    EXPECT_EQ(cards().peek_byte(kSlotC800, kScaleArea + 511), 10);
    EXPECT_EQ(cards().peek_byte(kSlotC800, kScaleArea + 5), 255);
    int wrong_entries = 0;
    for (uint32_t k = 1; k <= 3; ++k) {
        for (uint32_t v = 0; v < 256; ++v) {
            wrong_entries += cards().peek_byte(kSlotC800, kCustomCurveArea + 0x100 * (k - 1) + v) !=
                                     setup::custom_curve_tables[k][v]
                                 ? 1
                                 : 0;
        }
    }
    EXPECT_EQ(wrong_entries, 0);
    EXPECT_EQ(cards().peek_word(kSlotC800, kUploadMarkerCell), 666);

    EXPECT_EQ(cards().peek_byte(kSlotCC00, kCurveFlagArea + 4), 0);
    EXPECT_EQ(cards().peek_byte(kSlotCC00, kScaleArea + 4), 255);
    EXPECT_EQ(cards().peek_byte(kSlotCC00, kCustomCurveArea + 0x100 + 200), 200);
    EXPECT_EQ(cards().peek_word(kSlotCC00, kUploadMarkerCell), 666);

    // The old card is handed the level as it is and sends it transformed.
    runtime::set_channel_level(5, 100, 0, 0);
    runtime::set_channel_level(517, 100, 0, 0);
    EXPECT_EQ(dmx({kSlotC800, 1, 5}), 100);
    EXPECT_EQ(dmx({kSlotCC00, 1, 5}), 20 * 200 / 255);
    cards().send(kSlotC800);
    cards().send(kSlotCC00);
    EXPECT_EQ(read_back({kSlotC800, 1, 5}), 77);  // 255 - 100, then x 128 / 255
    EXPECT_EQ(read_back({kSlotCC00, 1, 5}), 15);
    // Older firmware on the first half has no read-back buffer of its own:
    // the level reads back from the output buffer.
    EXPECT_EQ(runtime::get_channel_level(5), 100);
    EXPECT_EQ(runtime::get_channel_level(517), 15);
}

// --- in the whole console -----------------------------------------------------

TEST(ChannelLevelsConsole, ShowStartUploadsTheTables) {
    rig::Rig rig;
    const rig::ProgramDir dir = rig::ProgramDir::demo();
    rig::start_console(rig, dir);
    ASSERT_GT(runtime::dmx_card_selectors[1], 0);
    EXPECT_EQ(rig.machine().cards.peek_word(kSlotC800, kUploadMarkerCell), 666);
}

}  // namespace
