// The fixture setup through the console: SETUP held, then 1, opens it on
// the demo rig; clicks and console keys reach the operation of their screen
// area or key (the operations built later record what they were passed);
// the leave prompt saves, discards or stays; the show goes on afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "demo_rig_files.h"
#include "platform/graphics.h"
#include "memories/memory_store.h"
#include "platform/machine.h"
#include "playback/cue_editing.h"
#include "playback/cue_tables.h"
#include "playback/playback_loading.h"
#include "playback/playback_record.h"
#include "playback/playback_state.h"
#include "programmer/programmer_values.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/patch_conflicts.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"
#include "setup/setup_screen.h"
#include "setup/stage_plan.h"
#include "ui/message_line.h"

namespace {

using namespace runtime;  // key codes
using Calls = std::vector<std::string>;

constexpr uint32_t kLongHold_ms = 1500;  // past the 1000 ms SETUP and blind must be held
constexpr uint16_t kLeft = 1;
constexpr uint16_t kRight = 2;
constexpr int16_t kSpot1Intensity = 14;   // fixture 1, universe 1 address 14
constexpr int16_t kSpot7Intensity = 102;  // fixture 7, universe 2 address 14
constexpr int16_t kDimmer12 = 146;        // fixture 12, universe 2 address 58

const char* const kShowFiles[] = {"data/setup.dat", "data/soft.dat", "data/ch-patch.dat", "data/dimpatch.dat",
                                  "data/ch-curve.dat"};

class FixtureSetup : public ::testing::Test {
protected:
    void SetUp() override {
        setup_test::lay_out_demo_rig(dir_);
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
        rig_.set_master_fader(1, 255);
        programmer::set_function_value(kSpot1Intensity, 200);
        programmer::set_function_value(kSpot7Intensity, 150);
        rig_.run_ms(50);
        ASSERT_EQ(rig_.dmx(1, 14), 200);
    }

    static bool in_setup() { return (mode_flags & MODE_IN_SETUP) != 0; }
    void open() {
        rig_.press(KEY_SETUP, kLongHold_ms);
        rig_.press(KEY_DIGIT_1, 20);
        rig_.run_ms(50);
        ASSERT_TRUE(in_setup());
        clear_step_log();
        platform::machine().graphics.clear_call_log();
    }
    // SETUP held, then the digit of the choice.
    void leave(int16_t digit) {
        rig_.press(KEY_SETUP, kLongHold_ms);
        rig_.press(digit, 20);
        rig_.run_ms(50);
    }
    void click(int16_t x, int16_t y, uint16_t buttons = kLeft) { rig_.click_at(x, y, buttons); }
    static Calls calls() {
        Calls recorded = logged_calls();
        clear_step_log();
        return recorded;
    }
    static bool drawn(const std::string& text) {
        for (const std::string& line : platform::machine().graphics.call_log()) {
            if (line.find("\"" + text + "\"") != std::string::npos) return true;
        }
        return false;
    }
    int tones(int32_t freq_hz, uint64_t duration_ms) const {
        const std::vector<platform::Tone> all = rig_.tones();
        return static_cast<int>(std::count_if(all.begin(), all.end(), [&](const platform::Tone& t) {
            return t.freq_hz == freq_hz && t.duration_ms == duration_ms;
        }));
    }
    std::vector<std::vector<uint8_t>> show_files() const {
        std::vector<std::vector<uint8_t>> files;
        for (const char* name : kShowFiles) files.push_back(dir_.has_file(name) ? dir_.read_file(name) : std::vector<uint8_t>{});
        return files;
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

TEST_F(FixtureSetup, EntryStopsTheShowAndNotSaveBringsItBackWithoutTouchingAFile) {
    const auto before = show_files();
    open();
    rig_.run_ms(100);
    // The outputs follow the setup's test patch: every channel at 0.
    EXPECT_EQ(rig_.dmx(1, 14), 0);
    EXPECT_EQ(rig_.dmx(2, 14), 0);
    EXPECT_EQ(std::string(ui::last_message_text.data()), "++ SETUP FIXTURES ++");
    EXPECT_EQ(rig_.lcd(0, 1), "++ SETUP FIXTURES ++");
    EXPECT_EQ(setup::setup_edit_copy.bytes, setup::setup_data.bytes);

    leave(KEY_DIGIT_2);
    EXPECT_FALSE(in_setup());
    EXPECT_EQ(restart_requested, 0);
    rig_.run_ms(100);
    EXPECT_EQ(rig_.dmx(1, 14), 200);
    EXPECT_EQ(rig_.dmx(2, 14), 150);
    EXPECT_EQ(show_files(), before);
}

TEST_F(FixtureSetup, TheScreenNamesTheLibraryVersionAndACardNotInstalledIsRefused) {
    rig_.press(KEY_SETUP, kLongHold_ms);
    platform::machine().graphics.clear_call_log();
    rig_.press(KEY_DIGIT_1, 20);
    rig_.run_ms(50);
    EXPECT_TRUE(drawn("AVAILABLE LIBRARIES DEMO 1.0"));
    EXPECT_TRUE(drawn("FIXTURE-PAGE 1"));
    click(3 * 29 - 14, 20);  // card 3: the demo has cards 1 and 2
    EXPECT_TRUE(drawn("SELECTED CARD NOT INSTALLED"));
    EXPECT_EQ(tones(400, 800), 1);
    EXPECT_EQ(setup::address_state.selected_card, 1);
    // The status line shows the title again after the refusal.
    EXPECT_EQ(std::string(ui::last_message_text.data()), "++ SETUP FIXTURES ++");
    clear_step_log();
    platform::machine().graphics.clear_call_log();
    rig_.press(KEY_BANK_UP, 20);
    EXPECT_EQ(fixture_page, 2);
    EXPECT_TRUE(drawn("FIXTURE-PAGE 2"));
    // The clean rig keeps the function-patching form of the right-hand panel.
    EXPECT_TRUE(drawn("FUNCTION PATCHING"));
    EXPECT_FALSE(drawn("PATCH CONFLICTS"));
}

TEST_F(FixtureSetup, SaveWritesTheFilesAndRecompilesThePatchForTheNewAddress) {
    open();
    // Fixture 12, the dimmer, moves from address 58 to 100 of universe 2.
    setup::setup_edit_copy.set_i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress), 100);
    setup::setup_data.set_i16(setup::kSetupSoloMemory, 7);
    setup::setup_edit_copy.set_i16(setup::kSetupSoloMemory, 7);
    leave(KEY_DIGIT_1);
    ASSERT_FALSE(in_setup());
    EXPECT_EQ(dir_.read_file("data/setup.dat").size(), 115207u);
    EXPECT_EQ(dir_.read_file("data/ch-patch.dat").size(), 36864u);
    EXPECT_EQ(dir_.read_file("data/dimpatch.dat").size(), 2048u);
    EXPECT_EQ(dir_.read_file("data/soft.dat").size(), 14336u);
    const std::vector<uint8_t> curves = dir_.read_file("data/ch-curve.dat");
    ASSERT_EQ(curves.size(), 4864u);
    EXPECT_TRUE(std::all_of(curves.begin(), curves.begin() + 2048, [](uint8_t b) { return b == 255; }));
    EXPECT_TRUE(std::all_of(curves.begin() + 2048, curves.begin() + 4096, [](uint8_t b) { return b == 0; }));
    for (size_t k = 0; k < 3; ++k) {
        for (size_t v = 0; v < 256; ++v) ASSERT_EQ(curves[4096 + 256 * k + v], v) << k;
    }
    const std::vector<uint8_t> setup = dir_.read_file("data/setup.dat");
    const size_t address = 12 + setup::SetupData::fixture_field(12, setup::kFixtureAddress);
    EXPECT_EQ(setup[address] | setup[address + 1] << 8, 100);
    EXPECT_EQ(setup[12 + setup::kSetupSoloMemory], 7);  // the solo memory survives the save
    EXPECT_EQ(setup[12 + setup::kSetupGroupingsSaved], 1);
    // No scratch copy is left in the data folder.
    for (const auto& entry : std::filesystem::directory_iterator(dir_.folder() / "data")) {
        EXPECT_NE(entry.path().extension(), ".$$$") << entry.path();
    }
    // The dimmer keeps its card position 58; the card's protocol-1 table now
    // sends that position at address 100 and nothing at 58.
    EXPECT_EQ(setup::channel_patch_tables[5][512 + 100], 58);
    EXPECT_EQ(setup::channel_patch_tables[5][512 + 58], 0);
    EXPECT_EQ(setup::channel_patch_tables[0][kDimmer12], 512 + 58);
    programmer::set_function_value(kDimmer12, 99);
    rig_.run_ms(100);
    // The level leaves at the new address, and the old one sends nothing.
    EXPECT_EQ(rig_.dmx(2, 100), 99);
    EXPECT_EQ(rig_.dmx(2, 58), 0);
    EXPECT_EQ(rig_.machine().cards.sent_frame(0, 2)[99], 99);
    EXPECT_EQ(rig_.machine().cards.sent_frame(0, 2)[57], 0);
    EXPECT_EQ(rig_.dmx(1, 14), 200);
}

TEST_F(FixtureSetup, ASaveThatCannotWriteItsFilesChangesNothingAndTheSetupStaysOpen) {
    const auto before = show_files();
    const std::vector<uint8_t> live = {setup::setup_data.bytes.begin(), setup::setup_data.bytes.end()};
    open();
    setup::setup_edit_copy.set_i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress), 100);
    // A folder where setup.dat's new copy would go: that file can't be written.
    std::filesystem::create_directory(dir_.folder() / "data" / "setup.$$$");
    leave(KEY_DIGIT_1);
    EXPECT_TRUE(in_setup());
    EXPECT_TRUE(drawn("SAVE FAILED"));
    EXPECT_EQ(show_files(), before);
    EXPECT_EQ(std::vector<uint8_t>(setup::setup_data.bytes.begin(), setup::setup_data.bytes.end()), live);
    EXPECT_EQ(setup::setup_edit_copy.i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress)), 100);
    std::filesystem::remove(dir_.folder() / "data" / "setup.$$$");
    leave(KEY_DIGIT_2);
    EXPECT_FALSE(in_setup());
}

TEST_F(FixtureSetup, AChangedRigWhoseShowCannotBeBackedUpIsRefusedAndNoFileChanges) {
    // A file where the backup folder should be: the backup can't be made.
    dir_.write_file("data/backup", std::vector<uint8_t>{1});
    const auto before = show_files();
    open();
    setup::setup_edit_copy.set_i16(setup::kSetupFixtureCount, 11);
    leave(KEY_DIGIT_1);
    EXPECT_TRUE(in_setup());
    EXPECT_TRUE(drawn("SAVE FAILED"));
    EXPECT_EQ(show_files(), before);
}

// ------------------------------------------------------------------ the leave prompt

TEST_F(FixtureSetup, TheLeavePromptSavesDiscardsOrStays) {
    struct Case {
        const char* what;
        std::function<void()> act;
        bool conflicts;
        bool stays;
        bool saved;
    };
    const auto held = [this] { rig_.press(KEY_SETUP, kLongHold_ms); };
    const auto exit_button = [this] { click(415, 445); };
    const Case cases[] = {
        {"SETUP tapped", [this] { rig_.press(KEY_SETUP, 100); }, false, true, false},
        {"ESC", [&, this] { held(); rig_.press(KEY_ESC, 20); }, false, true, false},
        {"right click", [&, this] { held(); click(500, 445, kRight); }, false, true, false},
        {"CANCEL", [&, this] { exit_button(); click(600, 445); }, false, true, false},
        {"other digits wait",
         [&, this] {
             held();
             rig_.press(digit_key(5), 20);
             rig_.press(KEY_ESC, 20);
         },
         false, true, false},
        {"SAVE clicked with conflicts", [&, this] { exit_button(); click(465, 445); }, true, true, false},
        {"digit 1 with conflicts", [&, this] { held(); rig_.press(KEY_DIGIT_1, 20); }, true, true, false},
        {"NOT SAVE clicked", [&, this] { exit_button(); click(525, 445); }, false, false, false},
        {"digit 2 with conflicts", [&, this] { held(); rig_.press(KEY_DIGIT_2, 20); }, true, false, false},
        {"SAVE clicked", [&, this] { exit_button(); click(465, 445); }, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        if (c.conflicts) {  // fixture 12 onto fixture 11's address
            setup::setup_edit_copy.set_i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress), 57);
        }
        const int refusals = tones(400, 1200);
        const auto before = show_files();
        c.act();
        rig_.run_ms(50);
        EXPECT_EQ(in_setup(), c.stays);
        EXPECT_EQ(tones(400, 1200) - refusals, c.conflicts && c.stays ? 1 : 0);
        if (c.conflicts && c.stays) {
            EXPECT_TRUE(drawn("SOLVE PATCH CONFLICTS FIRST"));
        }
        EXPECT_EQ(show_files() != before, c.saved);
        if (c.stays) {
            // The edits are kept; the prompt is gone and its keys dark.
            EXPECT_EQ(setup::setup_edit_copy.i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress)),
                      c.conflicts ? 57 : 58);
            EXPECT_EQ(rig_.key_led(KEY_DIGIT_1), platform::LedState::off);
            setup::setup_edit_copy.set_i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress), 58);
            leave(KEY_DIGIT_2);
            ASSERT_FALSE(in_setup());
        }
    }
}

TEST_F(FixtureSetup, ASecondVisitKeepsThePanelChoicesButStartsFromTheLiveSetup) {
    open();
    EXPECT_EQ(setup::stage_colours[1], 2);
    EXPECT_EQ(setup::address_panel.address_increment, 32);
    setup::address_state.selected_card = 2;
    setup::address_state.selected_protocol = 1;
    setup::address_panel.address_increment = 1;
    setup::address_panel.lamp_on = 1;
    setup::stage_colour_index = 4;
    setup::stage_colours[1] = 9;
    setup::setup_edit_copy.set_i16(setup::kSetupFixtureCount, 3);
    leave(KEY_DIGIT_2);
    open();
    EXPECT_EQ(setup::address_state.selected_card, 2);
    EXPECT_EQ(setup::address_state.selected_protocol, 1);
    EXPECT_EQ(setup::address_panel.address_increment, 1);
    EXPECT_EQ(setup::address_panel.lamp_on, 1);
    EXPECT_EQ(setup::stage_colour_index, 4);
    EXPECT_EQ(setup::stage_colours[1], 9);
    EXPECT_EQ(setup::setup_edit_copy.i16(setup::kSetupFixtureCount), 12);
}

// ------------------------------------------------------------------ clicks and keys

TEST_F(FixtureSetup, ClicksReachTheFirstAreaThatHoldsThePointerAndWhoseConditionHolds) {
    open();
    struct Case {
        int16_t x, y;
        bool loaded;
        int16_t conflicts;
        uint8_t upload;
        Calls expected;
        const char* waiting = nullptr;  // the prompt of a stage plan operation, left with ESC
    };
    const Case cases[] = {
        {90, 76, false, 0, 0, {}},
        {50, 200, false, 0, 0, {}},  // no library: the walk ends here
        {478, 220, false, 0, 0, {}, "LMB=ELLIPSE RMB=CANCEL"},
        {478, 300, false, 1, 0, {}},
        {508, 415, false, 0, 0, {}, "LMB=EDIT COLORS RMB=CANCEL"},
        {508, 300, false, 2, 0, {}},
        {622, 210, false, 2, 0, {}},  // the list's arrows: no other area acts
        {622, 210, false, 0, 0, {}},
        {622, 415, false, 2, 0, {}},
        {320, 445, false, 0, 0, {}, "LMB=CLEAR  RMB=CANCEL"},
        {600, 470, false, 0, 0, {}},  // outside every area
    };
    for (const Case& c : cases) {
        setup::library_list.loaded_type.bytes[setup::kTypeChannelCount] = c.loaded ? 16 : 0;
        setup::patch_conflict_count = c.conflicts;
        setup::library_list.upload_mode = c.upload;
        setup::address_panel.last_address = 5;
        clear_step_log();
        click(c.x, c.y);
        EXPECT_EQ(calls(), c.expected) << c.x << "," << c.y;
        if (c.waiting != nullptr) {
            EXPECT_EQ(std::string(ui::last_message_text.data()), c.waiting) << c.x << "," << c.y;
            rig_.press(KEY_ESC, 20);
        }
    }
    // The library choice, the rig-clearing areas and the card and protocol
    // boxes leave no current address; the others keep it.
    const std::pair<std::pair<int16_t, int16_t>, int16_t> addresses[] = {
        {{200, 140}, -1}, {{320, 445}, -1}, {{14, 20}, -1}, {{30, 47}, -1}, {{365, 445}, 5}};
    setup::patch_conflict_count = 0;
    setup::library_list.upload_mode = 0;
    for (const auto& [at, address] : addresses) {
        setup::address_panel.last_address = 5;
        click(at.first, at.second);
        if (at.first == 320) rig_.press(KEY_ESC, 20);  // ERASE ALL's prompt
        EXPECT_EQ(setup::address_panel.last_address, address) << at.first << "," << at.second;
    }
}

TEST_F(FixtureSetup, TheLampOnBoxTogglesOnlyWithALibraryLoaded) {
    open();
    click(30, 76);
    EXPECT_EQ(setup::address_panel.lamp_on, 0);
    setup::library_list.loaded_type.bytes[setup::kTypeChannelCount] = 12;
    click(30, 76);
    EXPECT_EQ(setup::address_panel.lamp_on, 1);
    EXPECT_EQ(rig_.pixel(30, 79), 14);  // the box in its on form
    click(30, 76);
    EXPECT_EQ(setup::address_panel.lamp_on, 0);
    EXPECT_EQ(rig_.pixel(30, 79), 8);
}

TEST_F(FixtureSetup, KeysReachTheirOperations) {
    open();
    struct Case {
        int16_t key;
        bool loaded;
        int16_t address;
        Calls expected;
    };
    const Case cases[] = {
        {KEY_EDIT_VALUE, false, -1, {}},
        {KEY_DOWN, false, -1, {}},
        {KEY_NEXT, false, 33, {}},
        {KEY_BANK_DOWN, false, -1, {}},  // already on page 1
        {KEY_CUE, false, -1, {}},        // no key of the setup
    };
    for (const Case& c : cases) {
        setup::library_list.loaded_type.bytes[setup::kTypeChannelCount] = c.loaded ? 16 : 0;
        setup::address_panel.last_address = c.address;
        clear_step_log();
        rig_.press(c.key, 20);
        EXPECT_EQ(calls(), c.expected) << c.key;
    }
    for (int page = 2; page <= 10; ++page) rig_.press(KEY_BANK_UP, 20);
    EXPECT_EQ(fixture_page, 10);
    clear_step_log();
    rig_.press(KEY_BANK_UP, 20);
    EXPECT_EQ(calls(), Calls{});
    rig_.press(KEY_BANK_DOWN, 20);
    EXPECT_EQ(fixture_page, 9);
}

TEST_F(FixtureSetup, TheInformationBoxShowsKeyThenPageAndTheAddressKinds) {
    open();
    struct Case {
        uint16_t number;
        const char* protocol;
        int16_t address;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {71, "DMX OUT ", 5, {"FIXTURE : 1.2", "OUTPUT-ADDRESS : 5", "INPUT-ADDRESS : 5"}},
        {70, "DMX OUT ", 5, {"FIXTURE : 70.1"}},
        {1, "MARTIN  ", 17, {"OUTPUT-ADDRESS : 2", "INPUT-ADDRESS : /", "PROTOCOL : MARTIN  "}},
        {1, "MARTIN  ", 16, {"OUTPUT-ADDRESS : 1"}},
        {1, "DMX OUT ", 0, {"OUTPUT-ADDRESS:MULTI", "INPUT-ADDRESS : /"}},
        {1, "DMX OUT ", -1, {"OUTPUT-ADDRESS:SOFT", "INPUT-ADDRESS : /"}},
    };
    setup::SetupData& s = setup::setup_edit_copy;
    s.set_text(setup::SetupData::type_name_field(1), 21, "Spot 16");
    for (const Case& c : cases) {
        s.set_u16(setup::SetupData::fixture_field(1, setup::kFixtureNumber), c.number);
        s.set_text(setup::SetupData::fixture_field(1, setup::kFixtureProtocol), 9, c.protocol);
        s.set_i16(setup::SetupData::fixture_field(1, setup::kFixtureAddress), c.address);
        s.set_i16(setup::SetupData::fixture_field(1, setup::kFixtureInputAddress), c.address);
        platform::machine().graphics.clear_call_log();
        setup::show_fixture_info(305, 20, 0, s);
        for (const std::string& text : c.texts) EXPECT_TRUE(drawn(text)) << text;
        EXPECT_TRUE(drawn("SPOT 16"));
    }
    // The name is shown in capitals but kept as it is.
    EXPECT_EQ(s.text(setup::SetupData::type_name_field(1), 21), "Spot 16");
}

// ------------------------------------------------------------------ status box and blind

TEST(SetupStatus, ATextIsOneCentredLineUpTo31CharactersElseSplitAtTheLastSpaceAndCut) {
    struct Case {
        std::string text;
        std::string first;
        std::string second;
        bool centred;
    };
    const Case cases[] = {
        {"THIS PROTOCOL MAY NOT BE SELECT", "THIS PROTOCOL MAY NOT BE SELECT", "", true},    // 31
        {"THIS PROTOCOL MAY NOT BE SELECTE", "THIS PROTOCOL MAY NOT BE", "SELECTE", false},  // 32
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFG HI", "", "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDE", false},
        // The second line is cut to 31 characters, at its last space there.
        {"24CH MOVING HEAD: 16-BIT PAN/TILT, CMY, TWO GOBO WHEELS, LAMP ON/OFF", "24CH MOVING HEAD: 16-BIT",
         "PAN/TILT, CMY, TWO GOBO WHEELS,", false},
        {"ABCDEFGHIJ ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJ", "ABCDEFGHIJ", "ABCDEFGHIJABCDEFGHIJABCDEFGHIJA", false},
        {"ABCDEFGHIJ ABCDEFGHIJABCDEFGHIJABCDEFGHIJA B", "ABCDEFGHIJ", "ABCDEFGHIJABCDEFGHIJABCDEFGHIJA", false},
    };
    for (const Case& c : cases) {
        const setup::StatusLines lines = setup::split_status_text(c.text);
        EXPECT_EQ(lines.first, c.first) << c.text;
        EXPECT_EQ(lines.second, c.second) << c.text;
        EXPECT_EQ(lines.centred, c.centred) << c.text;
    }
}

TEST_F(FixtureSetup, TheSameStatusIsNotDrawnAgainUntilThePromptForgetsIt) {
    open();
    const auto outtexts = [] { return platform::machine().graphics.call_count(platform::GraphicsCall::outtextxy); };
    platform::machine().graphics.clear_call_counts();
    rig_.press(KEY_CUE, 20);  // another key: the title again, the same text
    EXPECT_EQ(outtexts(), 0u);
    rig_.press(KEY_SETUP, kLongHold_ms);
    EXPECT_EQ(rig_.pixel(447, 432), 4);
    EXPECT_EQ(rig_.pixel(450, 437), 14);  // the SAVE box
    // "1=SAVE  2=NOT SAVE  ESC=CANCEL": each choice in red inside its yellow
    // box, whole (red text between the boxes could not be seen).
    struct Choice {
        std::string text;
        platform::Rect box;
    };
    const Choice choices[] = {{"1=SAVE", {447, 435, 484, 455}},
                              {"2=NOT SAVE", {494, 435, 556, 455}},
                              {"ESC=CANCEL", {566, 435, 628, 455}}};
    platform::_settextstyle(platform::kSmallFont, platform::kHorizontalText, 4);
    for (const Choice& c : choices) {
        const auto log = platform::machine().graphics.call_log();
        const auto call = std::find_if(log.begin(), log.end(), [&](const std::string& line) {
            return line.find("_outtextxy(") == 0 && line.find("\"" + c.text + "\"") != std::string::npos;
        });
        ASSERT_NE(call, log.end()) << c.text;
        const int x = std::stoi(call->substr(call->find('(') + 1));
        EXPECT_GT(x, c.box.x1) << c.text;
        EXPECT_LT(x + platform::_textwidth(c.text) - 1, c.box.x2) << c.text;
        EXPECT_GT(platform::count_pixels(4, {c.box.x1 + 1, c.box.y1 + 1, c.box.x2 - 1, c.box.y2 - 1}), 20) << c.text;
    }
    platform::machine().graphics.clear_call_log();
    rig_.press(KEY_ESC, 20);
    // The prompt forgot the text: the title is drawn over it at once.
    EXPECT_TRUE(drawn("++ SETUP FIXTURES ++"));
    EXPECT_EQ(rig_.pixel(450, 437), 4);
    EXPECT_EQ(rig_.pixel(447, 432), 4);  // the red box, not the prompt's
}

TEST_F(FixtureSetup, BlindGoesOnWhenHeldAndOffAtOnce) {
    open();
    rig_.press(KEY_BLIND_TOGGLE, 100);
    EXPECT_EQ(run_flags & RUN_BLIND, 0u);
    EXPECT_EQ(rig_.key_led(KEY_BLIND_TOGGLE), platform::LedState::off);
    rig_.press(KEY_BLIND_TOGGLE, kLongHold_ms);
    EXPECT_NE(run_flags & RUN_BLIND, 0u);
    EXPECT_EQ(rig_.key_led(KEY_BLIND_TOGGLE), platform::LedState::lit);
    rig_.press(KEY_BLIND_TOGGLE, 20);
    EXPECT_EQ(run_flags & RUN_BLIND, 0u);
    EXPECT_EQ(rig_.key_led(KEY_BLIND_TOGGLE), platform::LedState::off);
}

// The words of the channel word table and the four protocol word tables of
// both halves of the demo's card, read through the card's pointer cells.
std::vector<uint16_t> card_table_words(const platform::CardBus& cards) {
    constexpr uint32_t kWordTablePointerCells = 0x402;  // tables 1..4, then the channel word table
    constexpr uint32_t kSecondHalfWordShift = 0x400;
    std::vector<uint16_t> words;
    for (uint32_t t = 0; t < 5; ++t) {
        const uint32_t table = cards.peek_word(0, kWordTablePointerCells + 2 * t) - platform::kCardAddressBase;
        for (uint32_t half = 0; half < 2; ++half) {
            for (uint32_t q = 0; q < 512; ++q) words.push_back(cards.peek_word(0, table + half * kSecondHalfWordShift + 2 * q));
        }
    }
    return words;
}

TEST_F(FixtureSetup, EnteringWhileBlindLeavesThePatchAndTheOutputsAlone) {
    run_flags |= RUN_BLIND;
    const auto patch = setup::channel_patch_tables;
    const std::vector<uint16_t> tables = card_table_words(rig_.machine().cards);
    open();
    rig_.run_ms(100);
    // A card change would map its protocol one-to-one; blind, no table is written.
    click(2 * 29 - 14, 20);
    EXPECT_EQ(setup::address_state.selected_card, 2);
    rig_.run_ms(100);
    EXPECT_EQ(setup::channel_patch_tables, patch);
    EXPECT_TRUE(card_table_words(rig_.machine().cards) == tables);
    EXPECT_EQ(rig_.dmx(1, 14), 200);
    EXPECT_EQ(rig_.dmx(2, 14), 150);
    leave(KEY_DIGIT_2);
}

TEST_F(FixtureSetup, AfterTheSetupAHandStartedPlaybackIsStoppedAndCueOriginsKept) {
    playback::playback_active[3] = 1;
    playback::playback_cue_origin[3] = 0;
    open();
    leave(KEY_DIGIT_2);
    EXPECT_EQ(playback::playback_active[3], 0);
    EXPECT_NE(run_flags & RUN_EFFECTS_RUNNING, 0u);
}

// A playback loaded from a cue takes its cue's record again, as the cue holds
// it at the exit, after either way out; its fader, still up, is read again
// and starts it.
TEST_F(FixtureSetup, AfterTheSetupACueLoadedPlaybackReloadsFromItsCue) {
    constexpr int kCueSlot = 1;
    constexpr int16_t kPlayback = 3;
    const auto store_memory = [](int16_t memory, uint16_t level) {
        runtime::programmer_values[kDimmer12] = level;
        ASSERT_TRUE(memories::store_memory_confirmed(memory));
        runtime::programmer_values[kDimmer12] = runtime::kValueNotSet;
    };
    // The cue's playback record (storing it loads no playback).
    const auto cue_runs = [](int16_t memory) {
        playback::PlaybackRecord record{};
        record.flags = playback::CUE_RECORD_IN_CUE;
        record.memory = memory;
        playback::store_playback_in_cue(kPlayback, kCueSlot, record);
    };
    store_memory(5, 180);
    store_memory(6, 90);
    cue_runs(5);
    playback::load_playback_from_cue(kCueSlot, kPlayback);
    rig_.set_playback_fader(kPlayback, 255);
    rig_.run_ms(100);
    ASSERT_EQ(playback::playback_active[kPlayback], 1);
    ASSERT_EQ(rig_.dmx(2, 58), 180);

    struct Case {
        int16_t choice;
        int16_t memory;
        uint8_t level;
    };
    for (const Case& c : {Case{KEY_DIGIT_1, 6, 90}, Case{KEY_DIGIT_2, 5, 180}}) {
        cue_runs(c.memory);
        ASSERT_NE(playback::playback_table[kPlayback].memory, c.memory);
        open();
        leave(c.choice);
        ASSERT_FALSE(in_setup()) << c.choice;
        EXPECT_EQ(playback::playback_cue_origin[kPlayback], kCueSlot) << c.choice;
        EXPECT_EQ(playback::playback_table[kPlayback].memory, c.memory) << c.choice;
        rig_.run_ms(100);
        EXPECT_EQ(playback::playback_active[kPlayback], 1) << c.choice;
        EXPECT_EQ(rig_.dmx(2, 58), c.level) << c.choice;
    }
}

}  // namespace
