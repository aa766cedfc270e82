// The fixture setup's save through the console on the demo rig: an
// unchanged rig only backs its setup up and the show goes on; a new fixture
// of a type already in the rig asks which fixture it copies its data from,
// answered with a fixture key, BANK keys or ESC.
#include <gtest/gtest.h>

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

}  // namespace
