// The demo rig through the console: the show start loads it, compiles its
// patch, and a level set through the channel level setter for a patched
// fixture leaves on that fixture's address of its universe, in the card's
// DMX frame and in the sACN packet a loopback receiver sees. A setup.dat the
// show start refuses, and the files derived from its rig, are still on disk,
// unchanged, after the whole start.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafiles/setup_file.h"
#include "demo_rig_files.h"
#include "host/sacn.h"
#include "programmer/programmer_values.h"
#include "rig/clean_start.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/channel_levels.h"
#include "runtime/fixture_tables.h"
#include "setup/setup_data.h"

namespace {

// Records of the demo rig (setup.txt): fixture 1 a spot at address 1 of
// universe 1 (its INTENSITY is channel 14), fixture 7 a spot at address 1 of
// universe 2, fixture 12 a dimmer at address 58 of universe 2.
constexpr int16_t kSpot1Intensity = 14;
constexpr int16_t kSpot1Pan = 1;
constexpr int16_t kSpot7Intensity = 89 + 13;
constexpr int16_t kDimmer12 = 146;

class DemoRig : public ::testing::Test {
protected:
    void SetUp() override { setup_test::lay_out_demo_rig(dir_); }
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

TEST_F(DemoRig, TheShowStartLoadsTheRigAndCompilesItsPatch) {
    rig::start_console(rig_, dir_);
    ASSERT_FALSE(rig_.finished());
    EXPECT_EQ(datafiles::setup_file_state, datafiles::SetupFileState::loaded);
    EXPECT_EQ(setup::fixture_count, 12);
    EXPECT_EQ(setup::fixture_type_count, 3);
    EXPECT_EQ(runtime::function_record_count, 146);
    EXPECT_EQ(dir_.read_file("data/ch-patch.dat").size(), 36864u);
    EXPECT_EQ(dir_.read_file("data/values.def").size(), 4096u);
    const std::vector<uint8_t> setup = dir_.read_file("data/setup.dat");
    ASSERT_EQ(setup.size(), 115207u);
    EXPECT_EQ(setup[12 + setup::kSetupPatchCompiled], 1);
    EXPECT_EQ(setup[12 + setup::kSetupDefaultValuesSaved], 1);
}

TEST_F(DemoRig, LevelsOfAPatchedFixtureReachItsAddressInItsUniverse) {
    rig::start_console(rig_, dir_);
    rig_.set_master_fader(1, 255);  // the grand master full: dimmer levels go out as they are
    // The levels as the programmer's live edits set them, through the merge.
    programmer::set_function_value(kSpot1Intensity, 200);
    programmer::set_function_value(kSpot1Pan, 17);
    programmer::set_function_value(kSpot7Intensity, 150);
    programmer::set_function_value(kDimmer12, 99);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 14), 200);
    EXPECT_EQ(rig_.dmx(1, 1), 17);
    EXPECT_EQ(rig_.dmx(2, 14), 150);
    EXPECT_EQ(rig_.dmx(2, 58), 99);
    EXPECT_EQ(rig_.dmx(2, 1), 0);
    EXPECT_EQ(rig_.dmx(1, 58), 0);

    // The card sends the frame; the host sends it on as sACN. A receiver on a
    // loopback address of its own sees the levels at the fixtures' slots.
    rig_.run_ms(100);
    const std::span<const uint8_t> universe_2 = rig_.machine().cards.sent_frame(0, 2);
    ASSERT_EQ(universe_2.size(), 512u);
    EXPECT_EQ(universe_2[57], 99);
    const int listener = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(host::kSacnPort);
    at.sin_addr.s_addr = htonl(0x7F000002);  // 127.0.0.2
    if (::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        ::close(listener);
        GTEST_SKIP() << "cannot listen on 127.0.0.2";
    }
    timeval timeout{2, 0};
    setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    host::SacnSender sender("127.0.0.2");
    ASSERT_TRUE(sender.open());
    ASSERT_TRUE(sender.send(2, universe_2));
    std::vector<uint8_t> packet(host::kSacnPacketBytes);
    const ssize_t got = ::recv(listener, packet.data(), packet.size(), 0);
    ::close(listener);
    ASSERT_EQ(got, static_cast<ssize_t>(host::kSacnPacketBytes));
    EXPECT_EQ(packet[113] << 8 | packet[114], 2);  // universe
    EXPECT_EQ(packet[126 + 13], 150);              // slot 14: fixture 7's intensity
    EXPECT_EQ(packet[126 + 57], 99);               // slot 58: fixture 12
}

// A refused setup.dat stays on disk, and so do the files derived from its
// rig: the start that refuses it rebuilds them for the empty rig in memory
// only. Put back, the good setup.dat's flags still vouch for whole files.
TEST_F(DemoRig, ARefusedSetupAndTheFilesOfItsRigAreStillOnDiskAfterTheWholeShowStart) {
    const char* const kDerived[] = {"data/ch-patch.dat", "data/groupa.dat", "data/transp.dat",
                                    "data/values.def",   "data/soft.dat",   "data/mshow.dat"};
    {
        rig::Rig first;
        rig::start_console(first, dir_);  // writes whatever the demo rig still lacks
        ASSERT_EQ(setup::fixture_count, 12);
    }
    rig::reset_global_state();  // each start as a program start of its own
    const std::vector<uint8_t> good = dir_.read_file("data/setup.dat");
    std::vector<std::vector<uint8_t>> before;
    for (const char* name : kDerived) {
        ASSERT_TRUE(dir_.has_file(name)) << name;
        before.push_back(dir_.read_file(name));
    }
    std::vector<uint8_t> setup = good;
    const size_t address = 12 + setup::SetupData::fixture_field(4, setup::kFixtureAddress);
    setup[address] = 0xFE, setup[address + 1] = 0x01;  // 510: its 16 channels pass address 512
    dir_.write_file("data/setup.dat", setup);
    {
        rig::Rig refused;
        rig::start_console(refused, dir_);
        ASSERT_FALSE(refused.finished());
        EXPECT_EQ(datafiles::setup_file_state, datafiles::SetupFileState::refused);
        EXPECT_EQ(setup::fixture_count, 0);
        EXPECT_EQ(runtime::function_record_count, 0);
        bool told = false;
        for (const std::string& line : datafiles::setup_load_messages) {
            told = told || line == "SETUP.DAT IS KEPT UNCHANGED - THE SHOW STARTS WITH AN EMPTY RIG!";
        }
        EXPECT_TRUE(told);
    }
    EXPECT_EQ(dir_.read_file("data/setup.dat"), setup);
    for (size_t k = 0; k < before.size(); ++k) EXPECT_EQ(dir_.read_file(kDerived[k]), before[k]) << kDerived[k];

    // The good setup back: its rig is patched as before.
    dir_.write_file("data/setup.dat", good);
    rig::reset_global_state();
    rig::Rig again;  // each rig installs its own machine while it lives
    rig::start_console(again, dir_);
    EXPECT_EQ(datafiles::setup_file_state, datafiles::SetupFileState::loaded);
    again.set_master_fader(1, 255);
    programmer::set_function_value(kDimmer12, 99);
    again.run_ms(50);
    EXPECT_EQ(again.dmx(2, 58), 99);
}

}  // namespace
