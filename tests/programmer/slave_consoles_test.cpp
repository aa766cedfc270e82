// Slave consoles on the demo rig with three slaves patched after it on
// universe 2: the slots of cue page, cue, point and trigger, the trigger
// pulse timed in virtual time, playback and master levels by kind.
//
// Slave rig: fixture 13 "ZELK SLAVE DESK V2" at 59 (18 channels, its
// function map reversed: slot k's record is its first record + 18 - k, and
// the patch still sends slot k on address 59 + k - 1),
// fixture 14 "ZELK SLAVE CONSOLE" at 77 (17 channels, slot k on 76 + k),
// fixture 15 "ZELK SLAVE WING" at 94 (32 channels, slot k on 93 + k).
#include "programmer/slave_consoles.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "demo_rig/demo_rig_gen.h"
#include "programmer_test_rig.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/fixture_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"

namespace {

constexpr int kUniverse = 2;
constexpr int kV2 = 59, kConsole = 77, kWing = 94;  // first addresses
constexpr int kV2Channels = 18, kConsoleChannels = 17, kWingChannels = 32;

int v2_slot(int k) { return kV2 + k - 1; }
int console_slot(int k) { return kConsole + k - 1; }
int wing_slot(int k) { return kWing + k - 1; }

// A slave type: its functions 1..n, on channel n + 1 - k when reversed.
std::string slave_type(const std::string& file, const std::string& name, int n, bool reversed) {
    std::ostringstream out;
    out << "file " << file << "\nname \"" << name << "\"\nmanufacturer \"GENERIC\"\ninfo \"SLAVE\"\n"
        << "symbol dimmer\nprotocol 1 \"DMX OUT \"\naddress_step " << n << "\ndimmer 0 255\nsoftpatch 0\n";
    for (int k = 1; k <= n; ++k) {
        out << "function " << k << " \"SLOT " << k << "\" default 0";
        if (reversed) out << " channel " << n + 1 - k;
        out << "\n";
    }
    return out.str();
}

void write_text(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
}

// The demo rig's sources with the three slaves added, built and laid out.
void lay_out_slave_rig(const rig::ProgramDir& dir) {
    rig::TempDir source;
    std::filesystem::copy(BRAVINOX_RIG_SOURCE, source.path(), std::filesystem::copy_options::recursive);
    const std::filesystem::path types = source.path() / "types";
    write_text(types / "SLAVEV2.txt", slave_type("SLAVEV2", "ZELK SLAVE DESK V2", kV2Channels, true));
    write_text(types / "SLAVEC.txt", slave_type("SLAVEC", "ZELK SLAVE CONSOLE", kConsoleChannels, false));
    write_text(types / "SLAVEW.txt", slave_type("SLAVEW", "ZELK SLAVE WING", kWingChannels, false));
    std::ifstream in(source.path() / "setup.txt", std::ios::binary);
    std::string setup((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string last_type = "type DIMMER\n";
    const size_t at = setup.find(last_type);
    ASSERT_NE(at, std::string::npos);
    setup.insert(at + last_type.size(), "type SLAVEV2\ntype SLAVEC\ntype SLAVEW\n");
    setup += "fixture 13 SLAVEV2 2 59 60 280 7 0\nfixture 14 SLAVEC 2 77 160 280 7 0\n"
             "fixture 15 SLAVEW 2 94 260 280 7 0\n";
    write_text(source.path() / "setup.txt", setup);
    std::vector<demo_rig::RigFile> files;
    std::string error;
    ASSERT_TRUE(demo_rig::build_demo_rig(source.path(), files, error)) << error;
    for (const demo_rig::RigFile& file : files) dir.write_file(file.name, file.bytes);
}

class SlaveConsoles : public ::testing::Test {
protected:
    void SetUp() override {
        lay_out_slave_rig(dir_);
        rig::start_console(rig_, dir_);
        ASSERT_EQ(setup::fixture_count, 15);
        ASSERT_EQ(runtime::slave_console_count, 3);
        ASSERT_EQ(programmer::slave_consoles, 3);
        // The show start goes to cue 1, which pulses the slaves' trigger: the
        // pulse has ended before a test looks at the output.
        rig_.run_ms(300);
        ASSERT_EQ(out(v2_slot(17)), 0);
    }
    uint8_t out(int address) const { return rig_.dmx(kUniverse, address); }
    std::array<uint8_t, 513> universe() const {
        std::array<uint8_t, 513> levels{};
        for (int a = 1; a <= 512; ++a) levels[static_cast<size_t>(a)] = out(a);
        return levels;
    }
    // The addresses whose level differs from before, with their new level.
    std::map<int, int> changes(const std::array<uint8_t, 513>& before) const {
        std::map<int, int> changed;
        for (int a = 1; a <= 512; ++a) {
            if (out(a) != before[static_cast<size_t>(a)]) changed[a] = out(a);
        }
        return changed;
    }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
};

TEST_F(SlaveConsoles, GoToCueGivesTheNumbersAndATriggerPulseOfAbout200Ms) {
    const auto before = universe();
    // What a go-to-cue to page 3, cue 12, point 1 sends.
    programmer::send_slave_cue_numbers(3, 12, 1);
    programmer::send_slave_trigger(255);
    const uint64_t start_ms = rig_.now_ms();
    EXPECT_EQ(changes(before), (std::map<int, int>{{v2_slot(15), 3},
                                                   {v2_slot(16), 12},
                                                   {v2_slot(17), 255},
                                                   {console_slot(15), 3},
                                                   {console_slot(16), 12},
                                                   {console_slot(17), 255}}));
    // Slot 18 (point - 1) is 0 already; point 5 shows it.
    EXPECT_EQ(out(v2_slot(18)), 0);
    rig_.run_ms(190);
    EXPECT_EQ(out(v2_slot(17)), 255);
    EXPECT_EQ(out(console_slot(17)), 255);
    ASSERT_TRUE(rig_.run_until([this] { return out(v2_slot(17)) == 0; }, 100));
    EXPECT_GE(rig_.now_ms() - start_ms, 200u);
    EXPECT_LE(rig_.now_ms() - start_ms, 210u);
    EXPECT_EQ(out(console_slot(17)), 0);
    EXPECT_EQ(programmer::slave_trigger_armed, 0);

    programmer::send_slave_cue_numbers(16, 70, 5);
    EXPECT_EQ(out(v2_slot(18)), 4);
    EXPECT_EQ(out(v2_slot(15)), 16);
    EXPECT_EQ(out(console_slot(16)), 70);
}

TEST_F(SlaveConsoles, ATriggerBelow128IsWrittenAndArmsNothing) {
    programmer::send_slave_trigger(255);
    programmer::send_slave_trigger(127);
    EXPECT_EQ(programmer::slave_trigger_armed, 0);
    EXPECT_EQ(runtime::slave_trigger_countdown, 0);
    rig_.run_ms(400);
    EXPECT_EQ(out(v2_slot(17)), 127);
    EXPECT_EQ(out(console_slot(17)), 127);
    programmer::send_slave_trigger(128);
    EXPECT_EQ(programmer::slave_trigger_armed, 1);
    rig_.run_ms(250);
    EXPECT_EQ(out(v2_slot(17)), 0);
    // The show start's reset lowers a pulse at once.
    programmer::send_slave_trigger(200);
    programmer::reset_slave_triggers();
    EXPECT_EQ(out(console_slot(17)), 0);
    EXPECT_EQ(programmer::slave_trigger_armed, 0);
}

// Each level reaches exactly the slots of the kinds that carry it.
TEST_F(SlaveConsoles, PlaybackAndMasterLevelsByKind) {
    struct Case {
        const char* what;
        void (*send)();
        std::map<int, int> expected;
    };
    const Case cases[] = {
        {"playback 1", [] { programmer::send_slave_value(1, 11); }, {{v2_slot(1), 11}, {console_slot(1), 11}}},
        {"playback 10", [] { programmer::send_slave_value(10, 22); }, {{v2_slot(10), 22}, {console_slot(10), 22}}},
        {"playback 11", [] { programmer::send_slave_value(11, 33); }, {{wing_slot(1), 33}}},
        {"playback 12", [] { programmer::send_slave_value(12, 44); }, {{wing_slot(2), 44}}},
        {"playback 42", [] { programmer::send_slave_value(42, 55); }, {{wing_slot(32), 55}}},
        {"master 1", [] { programmer::send_slave_control(1, 66); }, {{v2_slot(11), 66}, {console_slot(11), 66}}},
        {"master 4", [] { programmer::send_slave_control(4, 77); }, {{v2_slot(14), 77}, {console_slot(14), 77}}},
        {"playback 0", [] { programmer::send_slave_value(0, 88); }, {}},
        {"playback 43", [] { programmer::send_slave_value(43, 88); }, {}},
        {"master 5", [] { programmer::send_slave_control(5, 88); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto before = universe();
        c.send();
        rig_.run_ms(20);
        EXPECT_EQ(changes(before), c.expected);
    }
}

class NoSlaves : public programmer_test::DemoRig {};

TEST_F(NoSlaves, NothingIsWrittenAndTheTimeOutNeverRuns) {
    ASSERT_EQ(programmer::slave_consoles, 0);
    std::array<std::array<uint8_t, 513>, 3> before{};
    for (int u = 1; u <= 2; ++u) {
        for (int a = 1; a <= 512; ++a) before[static_cast<size_t>(u)][static_cast<size_t>(a)] = rig_.dmx(u, a);
    }
    programmer::send_slave_cue_numbers(3, 12, 1);
    programmer::send_slave_trigger(255);
    programmer::send_slave_value(1, 99);
    programmer::send_slave_value(12, 99);
    programmer::send_slave_control(1, 99);
    rig_.run_ms(400);
    for (int u = 1; u <= 2; ++u) {
        for (int a = 1; a <= 512; ++a) {
            EXPECT_EQ(rig_.dmx(u, a), before[static_cast<size_t>(u)][static_cast<size_t>(a)]) << u << "/" << a;
        }
    }
    // Armed, but no slave to lower: the poll leaves it.
    EXPECT_EQ(programmer::slave_trigger_armed, 1);
}

}  // namespace
