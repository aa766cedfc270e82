// The rig reports INFO1.TXT and INFO2.TXT: DIP values and texts, the type
// report and the output report of small rigs written by the INFO window of
// the LINK menu, long information texts, unreadable libraries, soft-patched
// fixtures, and a rig without types.
#include "setup/setup_reports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rig_builder.h"
#include "runtime/card_discovery.h"
#include "setup/address_state.h"
#include "setup/fixture_type.h"
#include "setup/patch_conflicts.h"
#include "setup/soft_patch.h"
#include "setup_screen_rig.h"

namespace setup_test {
namespace {

using setup::setup_edit_copy;

const std::string kDashes(70, '-');
const std::string kStars(70, '*');
const std::string kTypeTitle = "STAGE SETTINGS /TYPE                         ZELK Showlight Controller";
const std::string kOutputTitle = "STAGE SETTINGS /OUTPUTLINE                   ZELK Showlight Controller";

TEST(DipSwitches, ValueAndTextFollowTheTypesStepBaseAndSwitchCount) {
    struct Case {
        int address, step, channels, base;
        int value;
    };
    const Case values[] = {
        {37, 12, 12, 1, 37},  // (36 x 12) / 12 + 1
        {1, 12, 12, 1, 1},
        {13, 1, 12, 0, 1},    // (12 x 1) / 12
        {12, 1, 12, 0, 0},    // truncated
        {5, 16, 0, 7, 7},     // a type of 0 channels divides by nothing
        {512, 32767, 1, 0, static_cast<int16_t>(511 * 32767)},  // kept in 16 bits
    };
    for (const Case& c : values) EXPECT_EQ(setup::dip_value(c.address, c.step, c.channels, c.base), c.value) << c.address;

    struct Text {
        int value, switches;
        const char* text;
    };
    const Text texts[] = {
        {37, 9, "1,3,6 on"}, {3, 10, "1,2 on"}, {4, 10, "3 on"},     {0, 9, "All off "},
        {37, 0, "All off "}, {37, 5, "1,3 on"}, {0xFFF, 12, "1,2,3,4,5,6,7,8,9,10 on"},
    };
    for (const Text& t : texts) EXPECT_EQ(setup::dip_text(t.value, t.switches), t.text) << t.value << "/" << t.switches;
}

// A library file with what the reports read of it.
std::vector<uint8_t> type_file(int channels, int dip_switches, int dip_base, int dip_step, const std::string& info) {
    std::vector<uint8_t> bytes(setup::kFixtureTypeDefBytes, 0);
    bytes[setup::kTypeChannelCount] = static_cast<uint8_t>(channels);
    bytes[setup::kTypeDipCount] = static_cast<uint8_t>(dip_switches);
    bytes[setup::kTypeDipBase] = static_cast<uint8_t>(dip_base);
    bytes[setup::kTypeAddressStep] = static_cast<uint8_t>(dip_step);
    std::copy(info.begin(), info.end(), bytes.begin() + setup::kTypeInfoText);
    return bytes;
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

class Reports : public SetupScreen {
protected:
    // Two types: a 12-channel DMX dimmer (9 switches, base 1, step 12) and a
    // 20-channel MARTIN scanner (10 switches), one fixture each.
    void use_two_type_rig() {
        dir_.write_file("lib/set/DIM12.SET", type_file(12, 9, 1, 12, "TWELVE CHANNEL DIMMER"));
        dir_.write_file("lib/set/MSCAN20.SET", type_file(20, 10, 0, 0, ""));
        setup_edit_copy = make_rig({{"DIMMER12", 12, {}, "DIM12"}, {"MSCAN20", 20, {}, "MSCAN20"}},
                                   {{1, 1, 1, 0, 37, 1}, {2, 2, 5, 0, 33, 1}});
        set_protocol(1, setup::kProtocolDmxOut);
        set_protocol(2, setup::kProtocolMartin);
    }
    static void set_protocol(int f, const char* protocol) {
        setup_edit_copy.set_text(setup::SetupData::fixture_field(f, setup::kFixtureProtocol), setup::kProtocolNameBytes, protocol);
    }
    // LINK > INFO writes both reports; RMB leaves.
    void open_info() {
        setup::patch_conflict_count = 0;
        click(120, 445);
        click(120, 378);
        rig_.run_ms(20);
        ASSERT_TRUE(drawn("STAGE OUTPUT INFORMATION"));
        click(600, 300, kRight);
    }
    std::string info(int n) const { return dir_.read_text(n == 1 ? "lib/INFO1.TXT" : "lib/INFO2.TXT"); }
};

TEST_F(Reports, TheTypeReportListsEachTypeWithItsFixturesAndDipSwitches) {
    open();
    use_two_type_rig();
    open_info();
    EXPECT_EQ(info(1), crlf({
                           kTypeTitle,
                           kDashes,
                           "DIMMER12             ",
                           "TWELVE CHANNEL DIMMER",
                           kDashes,
                           "  FIXT.PAGE:  1.1 DMX OUT  1  ADDR: 37   DIPSW: 1,3,6 on",
                           kDashes,
                           "MSCAN20              ",
                           kDashes,
                           "  FIXT.PAGE:  5.2 MARTIN   1  ADDR: 3    DIPSW: 1,2 on",
                           "                                ADDR: 4    DIPSW: 3 on",
                       }));
    EXPECT_EQ(kTypeTitle.size(), 70u);
    EXPECT_EQ(kOutputTitle.size(), 70u);
}

TEST_F(Reports, TheOutputReportListsInstalledCardsAndTheirOutputLines) {
    open();
    use_two_type_rig();
    setup::address_state.protocol_names[1] = {"", "DMX OUT ", "MARTIN  ", "NONE    ", "NONE    "};
    setup::address_state.used_channels[1] = 14;
    open_info();
    std::vector<std::string> expected = {
        kOutputTitle,
        kStars,
        "ZELKCARD: 1  USED CHANNELS: 14  FREE CHANNELS: 498",
        kStars,
        kDashes,
        "OUTPUT DMX OUT  1",
        kDashes,
        "  DIMMER12             ",
        "  TWELVE CHANNEL DIMMER",
        "       FIXT.PAGE:  1.1  ADDR: 37   DIPSW: 1,3,6 on",
        kDashes,
        "OUTPUT MARTIN   1",
        kDashes,
        "  MSCAN20              ",
        "       FIXT.PAGE:  5.2  ADDR: 3    DIPSW: 1,2 on",
        "                        ADDR: 4    DIPSW: 3 on",
        kDashes,
        "OUTPUT NONE     1",
        kDashes,
        "     NO FIXTURES",
        kDashes,
        "OUTPUT NONE     1",
        kDashes,
        "     NO FIXTURES",
    };
    ASSERT_GE(runtime::interface_card_count, 1);
    for (int c = 2; c <= runtime::interface_card_count; ++c) {
        // No fixture on the other cards: each output says so.
        const int used = setup::address_state.used_channels[static_cast<size_t>(c)];
        expected.push_back(kStars);
        expected.push_back("ZELKCARD: " + std::to_string(c) + "  USED CHANNELS: " + std::to_string(used) +
                           "  FREE CHANNELS: " + std::to_string(512 - used));
        expected.push_back(kStars);
        for (int p = 1; p <= 4; ++p) {
            expected.push_back(kDashes);
            expected.push_back("OUTPUT " + setup::address_state.protocol_names[static_cast<size_t>(c)][static_cast<size_t>(p)] + " " +
                               std::to_string(c));
            expected.push_back(kDashes);
            expected.push_back("     NO FIXTURES");
        }
    }
    EXPECT_EQ(info(2), crlf(expected));
}

TEST_F(Reports, SoftAndMultipatchedFixturesListTheirEntries) {
    open();
    dir_.write_file("lib/set/DIM12.SET", type_file(2, 9, 1, 12, ""));
    setup_edit_copy = make_rig({{"SPLIT", 2, {}, "DIM12"}}, {{1, 1, 3, 0, setup::kSoftPatchAddress, 1}, {1, 1, 4, 0, 0, 1}});
    setup::soft_patch_list = {{1, 101, 1, 11}, {1, 50, 1, 10}, {2, 2, 1, 21}, {2, 1, 2, 30}, {2, 1, 1, 20}};
    setup::address_state.protocol_names[1] = {"", "DMX OUT ", "NONE    ", "NONE    ", "NONE    "};
    open_info();
    EXPECT_EQ(info(1), crlf({
                           kTypeTitle,
                           kDashes,
                           "SPLIT                ",
                           kDashes,
                           "  FIXT.PAGE:  3.1 SOFTPATCHED",
                           "    FUNCTION : DIMMER    DMX OUT 1  ADDR: 10 ",
                           "    FUNCTION : 2 -> 1    DMX OUT 1  ADDR: 11 ",
                           "  FIXT.PAGE:  4.1 SOFTPATCHED",
                           "    FUNCTION :  1 DMX OUT 2  ADDR: 30 ",
                           "    FUNCTION :  1 DMX OUT 1  ADDR: 20 ",
                           "    FUNCTION :  2 DMX OUT 1  ADDR: 21 ",
                       }));
    // Under output 1 of card 1: the block of one channel (101) is left out,
    // and the multipatch lists card 1's entries only, by function.
    const std::string outputs = info(2);
    EXPECT_NE(outputs.find("OUTPUT DMX OUT  1\r\n" + kDashes + "\r\n"
                           "  SPLIT                \r\n"
                           "    FIXT.PAGE:  3.1 SOFTPATCHED\r\n"
                           "    FUNCTION : DIMMER    DMX OUT 1  ADDR: 10 \r\n"
                           "    FIXT.PAGE:  4.1 SOFTPATCHED\r\n"
                           "      FUNCTION :  1 DMX OUT 1  ADDR: 20 \r\n"
                           "      FUNCTION :  2 DMX OUT 1  ADDR: 21 \r\n" +
                           kDashes + "\r\nOUTPUT NONE     1\r\n"),
              std::string::npos)
        << outputs;
}

TEST_F(Reports, LongTextsAreCutAndAnUnreadableLibraryShowsNoOtherTypesData) {
    open();
    const std::string long_info(159, 'X');
    dir_.write_file("lib/set/LONG.SET", type_file(12, 9, 1, 12, long_info));
    setup_edit_copy = make_rig({{"MISSING", 12, {}, "NOFILE"}, {"LONG", 12, {}, "LONG"}, {"MISSING2", 12, {}, "NOFILE"}},
                               {{1, 1, 1, 0, 37, 1}, {3, 1, 2, 0, 49, 1}});
    set_protocol(1, setup::kProtocolDmxOut);
    set_protocol(2, setup::kProtocolDmxOut);
    open_info();
    const std::string report = info(1);
    EXPECT_NE(report.find("\r\n" + std::string(148, 'X') + "\r\n"), std::string::npos);
    EXPECT_EQ(report.find(std::string(149, 'X')), std::string::npos);
    // Neither missing library borrows the LONG type's switches.
    EXPECT_NE(report.find("  FIXT.PAGE:  1.1 DMX OUT  1  ADDR: 37   DIPSW: All off \r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("  FIXT.PAGE:  2.1 DMX OUT  1  ADDR: 49   DIPSW: All off \r\n"), std::string::npos) << report;
}

TEST_F(Reports, ARigWithoutTypesHasATitleAndNoFixturesUnderEveryOutput) {
    open();
    const setup::SetupData empty;
    const std::vector<std::string> types = setup::build_stage_type_report(empty);
    EXPECT_EQ(types, std::vector<std::string>{kTypeTitle});
    const std::vector<std::string> outputs = setup::build_stage_output_report(empty, setup::address_state);
    ASSERT_EQ(outputs.size(), 1u + 3u * runtime::interface_card_count + 16u * runtime::interface_card_count);
    EXPECT_EQ(std::count(outputs.begin(), outputs.end(), "     NO FIXTURES"), 4 * runtime::interface_card_count);
    runtime::interface_card_count = 1;
    EXPECT_EQ(setup::build_stage_output_report(empty, setup::address_state).size(), 1u + 3u + 16u)
        << "a card that is not installed has no block";
}

}  // namespace
}  // namespace setup_test
