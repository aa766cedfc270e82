// The fixture setup's save through the console on the demo rig: an
// unchanged rig only backs its setup up and the show goes on; a new fixture
// of a type already in the rig asks which fixture it copies its data from,
// answered with a fixture key, BANK keys or ESC.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "demo_rig_files.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "programmer/programmer_values.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "setup/stage_plan.h"
#include "setup/stage_plan_items.h"

namespace {

using namespace runtime;  // key codes
using setup::SetupData;

constexpr uint32_t kLongHold_ms = 1500;
constexpr int16_t kSpot1Intensity = 14;  // fixture 1, universe 1 address 14
constexpr int kDemoFixtures = 12;
constexpr int kDemoRecords = 146;       // the demo rig's channels
constexpr int kNewNumber = 700;         // page 10, key 70

class SetupSaveAtTheConsole : public ::testing::Test {
protected:
    void SetUp() override {
        setup_test::lay_out_demo_rig(dir_);
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
        rig_.set_master_fader(1, 255);
        programmer::set_function_value(kSpot1Intensity, 200);
        rig_.run_ms(50);
        ASSERT_EQ(rig_.dmx(1, 14), 200);
    }
    static bool in_setup() { return (mode_flags & MODE_IN_SETUP) != 0; }
    void open() {
        rig_.press(KEY_SETUP, kLongHold_ms);
        rig_.press(KEY_DIGIT_1, 20);
        rig_.run_ms(50);
        ASSERT_TRUE(in_setup());
        platform::machine().graphics.clear_call_log();
    }
    void leave_with_save() {
        rig_.press(KEY_SETUP, kLongHold_ms);
        rig_.press(KEY_DIGIT_1, 20);
        rig_.run_ms(50);
    }
    // A spot added in the setup on page 10, key 70: a copy of fixture 1's
    // record on card 3 without its old first record.
    static void add_spot() {
        SetupData& edited = setup::setup_edit_copy;
        const int f = kDemoFixtures + 1;
        std::copy_n(edited.bytes.begin() + static_cast<std::ptrdiff_t>(SetupData::fixture_field(1, 0)),
                    setup::kFixtureRecordBytes,
                    edited.bytes.begin() + static_cast<std::ptrdiff_t>(SetupData::fixture_field(f, 0)));
        edited.set_u16(SetupData::fixture_field(f, setup::kFixtureNumber), kNewNumber);
        edited.set_u16(SetupData::fixture_field(f, setup::kFixtureFirstRecord), 0);
        edited.set_u8(SetupData::fixture_field(f, setup::kFixtureCard), 3);
        edited.set_i16(kSetupFixtureCountField, static_cast<int16_t>(f));
    }
    static bool drawn(const std::string& text) {
        for (const std::string& line : platform::machine().graphics.call_log()) {
            if (line.find("\"" + text + "\"") != std::string::npos) return true;
        }
        return false;
    }
    // The new spot's record that took fixture 1's intensity (record 14). The
    // intensity was set live, on layer 0.
    static int new_intensity_record() {
        for (int k = 0; k < 16; ++k) {
            if (1 + setup::setup_data.u8(SetupData::type_function_map_field(1, k)) == kSpot1Intensity) {
                return kDemoRecords + 1 + setup::setup_data.u8(SetupData::type_function_map_field(1, k));
            }
        }
        return 0;
    }

    // The centre of fixture g's symbol on the stage plan.
    static std::pair<int16_t, int16_t> symbol_centre(int g) {
        const setup::FixtureRecord r = setup::read_fixture(setup::setup_edit_copy, g);
        int16_t x = r.x;
        int16_t y = r.y;
        setup::convert_stage_to_screen(x, y);
        return {static_cast<int16_t>(x + 15), static_cast<int16_t>(y + 15)};
    }
    void click_at(std::pair<int16_t, int16_t> point) {
        rig_.click_at(point.first, point.second, platform::kMouseLeft);
        rig_.run_ms(50);
    }
    // The colour and text calls of the graphics log, in order.
    static std::vector<std::string> number_drawing() {
        std::vector<std::string> kept;
        for (const std::string& line : platform::machine().graphics.call_log()) {
            if (line.starts_with("_setcolor(") || line.starts_with("_outtextxy(")) kept.push_back(line);
        }
        return kept;
    }

    static constexpr size_t kSetupFixtureCountField = setup::kSetupFixtureCount;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

TEST_F(SetupSaveAtTheConsole, AnUnchangedRigBacksUpItsSetupAndTheShowGoesOn) {
    const std::vector<uint8_t> mem = dir_.read_file("data/mem.dat");
    open();
    leave_with_save();
    EXPECT_FALSE(in_setup());
    for (const char* name : {"data/backup/setup.dat", "data/backup/ch-patch.dat", "data/backup/values.def"}) {
        EXPECT_TRUE(dir_.has_file(name)) << name;
    }
    EXPECT_FALSE(dir_.has_file("data/backup/mem.dat"));
    EXPECT_EQ(dir_.read_file("data/mem.dat"), mem);
    rig_.run_ms(100);
    EXPECT_EQ(rig_.dmx(1, 14), 200);
}

TEST_F(SetupSaveAtTheConsole, ANewFixtureCopiesFromTheCandidateItsKeyPicks) {
    open();
    add_spot();
    leave_with_save();
    ASSERT_TRUE(in_setup());  // the question waits
    EXPECT_TRUE(drawn("FIXTURE 70 (PAGE 10) IS NEW."));
    EXPECT_TRUE(drawn("SELECT FIXTURE TO COPY FROM..."));
    EXPECT_EQ(rig_.key_led(KEY_ESC), platform::LedState::blinking);
    EXPECT_EQ(rig_.key_led(fixture_key(1)), platform::LedState::blinking);   // a spot: a candidate
    EXPECT_EQ(rig_.key_led(fixture_key(11)), platform::LedState::lit);       // a dimmer: not one
    rig_.press(fixture_key(11), 20);  // not a candidate: ignored
    rig_.run_ms(50);
    EXPECT_TRUE(in_setup());
    rig_.press(fixture_key(1), 20);
    rig_.run_ms(100);
    EXPECT_FALSE(in_setup());
    EXPECT_EQ(setup::setup_data.stored_fixture_count(), kDemoFixtures + 1);
    const int record = new_intensity_record();
    ASSERT_GT(record, kDemoRecords);
    EXPECT_EQ(runtime::layer_values[0][record], 200);
    EXPECT_EQ(runtime::layer_values[0][kSpot1Intensity], 200);
    EXPECT_EQ(rig_.key_led(KEY_ESC), platform::LedState::off);
    EXPECT_TRUE(dir_.has_file("data/backup/mem.dat"));
}

TEST_F(SetupSaveAtTheConsole, EscLeavesTheNewFixtureEmptyAndBankKeysTurnThePage) {
    open();
    add_spot();
    leave_with_save();
    ASSERT_TRUE(in_setup());
    const int16_t page = runtime::fixture_page;
    rig_.press(KEY_BANK_UP, 20);
    rig_.run_ms(50);
    EXPECT_EQ(runtime::fixture_page, page + 1);
    rig_.press(KEY_BANK_DOWN, 20);
    rig_.run_ms(50);
    EXPECT_EQ(runtime::fixture_page, page);
    rig_.press(KEY_ESC, 20);
    rig_.run_ms(100);
    EXPECT_FALSE(in_setup());
    EXPECT_EQ(runtime::layer_values[0][new_intensity_record()], 0);  // the live layer's "nothing"
    EXPECT_EQ(runtime::layer_values[0][kSpot1Intensity], 200);
}

// The pointer answers the question: the left button takes the fixture
// nearest it on the shown page; a fixture of another type is no answer,
// also when the click lands on empty stage nearest one.
TEST_F(SetupSaveAtTheConsole, TheLeftButtonPicksTheCandidateUnderThePointer) {
    constexpr int16_t kSpot7Intensity = 102;  // fixture 7, universe 2 address 14
    programmer::set_function_value(kSpot7Intensity, 150);
    rig_.run_ms(50);
    ASSERT_EQ(rig_.dmx(2, 14), 150);
    open();
    add_spot();
    const auto [wash_x, wash_y] = symbol_centre(9);
    leave_with_save();
    ASSERT_TRUE(in_setup());
    ASSERT_EQ(runtime::fixture_page, 1);
    click_at(symbol_centre(11));  // a dimmer's symbol
    EXPECT_TRUE(in_setup());
    click_at({wash_x, static_cast<int16_t>(wash_y + 40)});  // empty stage below a wash
    EXPECT_TRUE(in_setup());
    click_at(symbol_centre(7));
    EXPECT_FALSE(in_setup());
    const int record = new_intensity_record();
    ASSERT_GT(record, kDemoRecords);
    EXPECT_EQ(runtime::layer_values[0][record], 150);
}

// The question marks the shown page's numbers on the stage plan as the plan
// draws them: candidates yellow, the others in their stage colour, the new
// fixture white; after the answer all in their stage colour again.
TEST_F(SetupSaveAtTheConsole, TheQuestionMarksThePageNumbersAsThePlanDrawsThem) {
    open();
    add_spot();
    const SetupData& edited = setup::setup_edit_copy;
    const int spot_type = setup::read_fixture(edited, 1).type_index;
    const auto plan_numbers = [&edited, spot_type](int page, bool question) {
        platform::machine().graphics.clear_call_log();
        for (int g = 1; g <= kDemoFixtures + 1; ++g) {
            const setup::FixtureRecord r = setup::read_fixture(edited, g);
            if (setup::fixture_page_of(r.number) != page) continue;
            int16_t colour = r.stage_colour;
            if (question && g == kDemoFixtures + 1) colour = 15;
            else if (question && r.type_index == spot_type) colour = 14;
            setup::draw_fixture_number(edited, static_cast<int16_t>(g - 1), colour);
        }
        return number_drawing();
    };
    leave_with_save();
    ASSERT_TRUE(in_setup());
    std::vector<std::string> shown = number_drawing();
    const std::vector<std::string> page1 = plan_numbers(1, true);
    ASSERT_FALSE(page1.empty());
    EXPECT_NE(std::search(shown.begin(), shown.end(), page1.begin(), page1.end()), shown.end());

    for (int page = 2; page <= 10; ++page) {  // on to page 10, the new spot's own
        platform::machine().graphics.clear_call_log();
        rig_.press(KEY_BANK_UP, 20);
        rig_.run_ms(50);
    }
    ASSERT_EQ(runtime::fixture_page, 10);
    shown = number_drawing();
    const std::vector<std::string> page10 = plan_numbers(10, true);
    ASSERT_EQ(page10.size(), 2u);  // the white "70"
    EXPECT_NE(std::search(shown.begin(), shown.end(), page10.begin(), page10.end()), shown.end());

    platform::machine().graphics.clear_call_log();
    rig_.press(KEY_ESC, 20);
    rig_.run_ms(100);
    ASSERT_FALSE(in_setup());
    shown = number_drawing();
    const std::vector<std::string> plain = plan_numbers(10, false);
    EXPECT_NE(std::search(shown.begin(), shown.end(), plain.begin(), plain.end()), shown.end());
}

}  // namespace
