// Reading the outputs: SHIFT held with TAKE OUTPUT puts the levels the cards
// hold at the selected fixtures' positions into the programmer.
#include "memories/output_capture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../programmer/programmer_test_rig.h"
#include "programmer/commands.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"

namespace {

using namespace runtime;

constexpr uint16_t kNotSet = 65535;
// Fixture 7 (SPOT16) is on universe 2 at address 1: records 89..104.
constexpr int16_t kFixture = 7;
constexpr int16_t kFirstRecord = 89;

class OutputCapture : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        std::fill_n(programmer_values, kShowRecords + 1, kNotSet);
        programmer::fixture_selected[kFixture] = 1;
    }
    static void move_fixture_to(int16_t address) {
        setup::setup_data.set_u16(setup::SetupData::fixture_field(kFixture, setup::kFixtureAddress),
                                  static_cast<uint16_t>(address));
    }
    void read_outputs() {
        rig_.hold(KEY_SHIFT, 20);
        rig_.press(KEY_TAKE_OUTPUT, 20);
        rig_.release(KEY_SHIFT, 20);
    }
};

TEST_F(OutputCapture, TheSelectedFixturesLevelsBecomePlainProgrammerValues) {
    move_fixture_to(100);  // card 2, address 100: positions 612, 613, 614 ...
    rig_.set_dmx_input(2, 100, 30);
    rig_.set_dmx_input(2, 101, 31);
    rig_.set_dmx_input(2, 102, 32);
    programmer_values[kFirstRecord] = 1005;  // a preset reference becomes the level
    programmer_values[1] = 77;               // fixture 1 is not selected
    read_outputs();
    EXPECT_EQ(programmer_values[kFirstRecord], 30);
    EXPECT_EQ(programmer_values[kFirstRecord + 1], 31);
    EXPECT_EQ(programmer_values[kFirstRecord + 2], 32);
    EXPECT_EQ(programmer_values[kFirstRecord + 3], 0);
    EXPECT_EQ(programmer_values[1], 77);
}

TEST_F(OutputCapture, ChannelsWithoutAPlaceOnTheCardAreSkipped) {
    move_fixture_to(510);  // channels 1..3 fit (510..512), 4..16 would lie beyond
    rig_.set_dmx_input(2, 512, 44);
    read_outputs();
    EXPECT_EQ(programmer_values[kFirstRecord + 2], 44);
    for (int r = kFirstRecord + 3; r < kFirstRecord + 16; ++r) EXPECT_EQ(programmer_values[r], kNotSet) << r;
    // A multipatched fixture (address 0) has no place of its own.
    std::fill_n(programmer_values, kShowRecords + 1, kNotSet);
    move_fixture_to(0);
    read_outputs();
    for (int r = kFirstRecord; r < kFirstRecord + 16; ++r) EXPECT_EQ(programmer_values[r], kNotSet) << r;
}

}  // namespace
