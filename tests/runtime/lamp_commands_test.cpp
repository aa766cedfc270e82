// The lamp-command files of the fixture types: lines read into lamp steps.
#include "runtime/lamp_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/machine.h"
#include "rig/rig.h"
#include "runtime/config_records.h"
#include "setup/setup_data.h"

namespace {

class LampCommands : public ::testing::Test {
protected:
    void SetUp() override {
        machine_->dos.drive_c_root = drive_c_.path();
        platform::install_machine(machine_.get());
        runtime::home_directory = "C:\\BRAVINOX";
        std::filesystem::create_directories(drive_c_.path() / "BRAVINOX" / "LIB" / "RST");
        setup::reset_setup_data();
    }
    void TearDown() override {
        runtime::free_lamp_macro_steps();
        platform::install_machine(nullptr);
    }

    // Type t of the setup with its file name.
    static void add_type(int16_t type, const char* file_name) {
        setup::setup_data.set_text(setup::SetupData::type_file_name_field(type), setup::kTypeFileNameBytes, file_name);
        if (setup::fixture_type_count < type) setup::fixture_type_count = type;
    }
    // The lamp-command file of a type, byte for byte.
    void write_rst(const std::string& file_name, const std::string& bytes) {
        std::ofstream out(drive_c_.path() / "BRAVINOX" / "LIB" / "RST" / (file_name + ".rst"), std::ios::binary);
        out << bytes;
    }

    static int16_t count(int type) { return runtime::lamp_macro_step_count[static_cast<size_t>(type)]; }
    static const runtime::LampStep& step(int type, int i) {
        return runtime::lamp_macro_steps[static_cast<size_t>(type)][i];
    }

private:
    rig::TempDir drive_c_;
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

void expect_step(const runtime::LampStep& s, uint32_t delay, uint16_t function, uint16_t value, uint8_t command) {
    EXPECT_EQ(s.delay, delay);
    EXPECT_EQ(s.function, function);
    EXPECT_EQ(s.value, value);
    EXPECT_EQ(s.command, command);
}

TEST_F(LampCommands, CommandLinesInAnyCaseBecomeSteps) {
    add_type(1, "SPOT575");
    write_rst("spot575",
              "lampon a 25 b 3 c 255\n"
              "LAMPOFF DELAY 0 FUNCTION 3 VALUE 65535\r\n"
              "Reset wait 12 chan 7 val 200\n");
    runtime::load_reset_commands();
    ASSERT_EQ(count(1), 3);
    expect_step(step(1, 0), 25, 3, 255, runtime::LAMP_ON);
    expect_step(step(1, 1), 0, 3, 65535, runtime::LAMP_OFF);
    expect_step(step(1, 2), 12, 7, 200, runtime::LAMP_RESET);
}

TEST_F(LampCommands, OtherLinesAreSkipped) {
    add_type(1, "WASH");
    write_rst("wash",
              "; lamp commands of the wash\n"
              "\n"
              "LAMPONX A 1 B 2 C 3\n"
              "LAMPON A 10 B 2\n"          // incomplete
              "RESET A 5 B 1 C 128\n"
              "STROBE A 1 B 2 C 3\n");
    runtime::load_reset_commands();
    ASSERT_EQ(count(1), 1);
    expect_step(step(1, 0), 5, 1, 128, runtime::LAMP_RESET);
}

TEST_F(LampCommands, ALastLineWithoutNewlineKeepsItsLastCharacter) {
    add_type(1, "SCAN");
    write_rst("scan", "LAMPON A 1 B 2 C 255\nRESET A 1 B 2 C 255");
    runtime::load_reset_commands();
    ASSERT_EQ(count(1), 2);
    EXPECT_EQ(step(1, 1).value, 255);
    EXPECT_EQ(step(1, 1).command, runtime::LAMP_RESET);
}

TEST_F(LampCommands, TheDelayIsASixteenBitNumberAndNotNegative) {
    add_type(1, "SCAN");
    write_rst("scan",
              "LAMPON A 70000 B 1 C 1\n"   // 70000 as 16 bits: 4464
              "LAMPON A -5 B 1 C 1\n"
              "LAMPON A 32767 B 1 C 1\n");
    runtime::load_reset_commands();
    ASSERT_EQ(count(1), 3);
    EXPECT_EQ(step(1, 0).delay, 4464u);
    EXPECT_EQ(step(1, 1).delay, 0u);
    EXPECT_EQ(step(1, 2).delay, 32767u);
}

TEST_F(LampCommands, FunctionsOutside1To32AndValuesOtherThanALevelOrTheReleaseAreSkipped) {
    add_type(1, "SPOT");
    write_rst("spot",
              "LAMPON A 0 B 1 C 0\n"        // the lowest function and level
              "LAMPON A 0 B 0 C 255\n"      // no function 0
              "LAMPON A 0 B 33 C 255\n"     // a type has 32 functions
              "LAMPON A 0 B -3 C 255\n"
              "LAMPON A 0 B 65537 C 255\n"  // 1 as 16 bits
              "LAMPON A 0 B 32 C 255\n"     // the highest function and level
              "LAMPOFF A 0 B 5 C 256\n"     // no level above 255
              "LAMPOFF A 0 B 5 C -1\n"
              "LAMPOFF A 0 B 5 C 65534\n"
              "LAMPOFF A 0 B 5 C 131071\n"  // 65535 as 16 bits
              "LAMPOFF A 50 B 5 C 65535\n");  // the release
    runtime::load_reset_commands();
    ASSERT_EQ(count(1), 3);
    expect_step(step(1, 0), 0, 1, 0, runtime::LAMP_ON);
    expect_step(step(1, 1), 0, 32, 255, runtime::LAMP_ON);
    expect_step(step(1, 2), 50, 5, 65535, runtime::LAMP_OFF);
}

TEST_F(LampCommands, AMissingFileLeavesOnlyThatTypeWithoutSteps) {
    add_type(1, "NOFILE");
    add_type(2, "SPOT");
    write_rst("spot", "LAMPON A 0 B 1 C 255\nLAMPOFF A 50 B 1 C 0\n");
    runtime::load_reset_commands();
    EXPECT_EQ(count(1), 0);
    EXPECT_EQ(runtime::lamp_macro_steps[1], nullptr);
    ASSERT_EQ(count(2), 2);
    expect_step(step(2, 1), 50, 1, 0, runtime::LAMP_OFF);
}

TEST_F(LampCommands, ReloadingReplacesTheStepsOfEveryType) {
    add_type(1, "SPOT");
    add_type(2, "WASH");
    write_rst("spot", "LAMPON A 0 B 1 C 255\n");
    write_rst("wash", "LAMPON A 0 B 1 C 255\nRESET A 0 B 2 C 255\n");
    runtime::load_reset_commands();
    runtime::load_reset_commands();
    EXPECT_EQ(count(1), 1);
    EXPECT_EQ(count(2), 2);

    setup::fixture_type_count = 1;  // the setup now has one type
    runtime::load_reset_commands();
    EXPECT_EQ(count(1), 1);
    EXPECT_EQ(count(2), 0);
    EXPECT_EQ(runtime::lamp_macro_steps[2], nullptr);
}

}  // namespace
