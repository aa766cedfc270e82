// The console program ending while sACN receivers listen: however it ends (its
// quit key, Ctrl-C), each universe it sent gets the stream-terminated packets,
// so the receivers release it at once. The program runs headless in a process
// of its own, on a program directory of its own, sending to a loopback address
// of this test alone.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "host/sacn.h"
#include "console_process.h"
#include "rig/program_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kReceiverAddress = "127.0.0.62";
constexpr std::chrono::seconds kStartLimit{60};
constexpr std::chrono::seconds kEndLimit{30};

int open_receiver() { return host_test::open_sacn_receiver(kReceiverAddress, 200000); }

struct Received {
    std::map<int, int> data;        // packets by universe
    std::map<int, int> terminated;  // stream-terminated packets by universe
};

// Takes what waits on the receiver into got.
void receive(int receiver, Received& got) {
    host::SacnPacket p{};
    while (::recv(receiver, p.data(), p.size(), 0) == static_cast<ssize_t>(p.size())) {
        const int universe = p[113] << 8 | p[114];
        if ((p[host::kSacnOptionsOffset] & host::kSacnOptionStreamTerminated) != 0) {
            ++got.terminated[universe];
        } else {
            EXPECT_EQ(got.terminated[universe], 0) << "data after the end of universe " << universe;
            ++got.data[universe];
        }
    }
}

class ProgramEnd : public ::testing::Test {
protected:
    void SetUp() override {
        receiver = open_receiver();
        if (receiver < 0) GTEST_SKIP() << "the sACN port of " << kReceiverAddress << " is taken";
        // The program takes its own folder as its program directory.
        std::error_code error;
        fs::create_hard_link(BRAVINOX_PROGRAM, program(), error);
        if (error) fs::copy_file(BRAVINOX_PROGRAM, program());
    }
    void TearDown() override {
        if (child > 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
        if (receiver >= 0) ::close(receiver);
    }
    fs::path program() const { return dir.folder() / "bravinox"; }

    // Starts the program headless with a pipe for its keys.
    void start() {
        child = host_test::start_headless_console(program(), kReceiverAddress, "/dev/null", key_pipe);
        ASSERT_GE(child, 0);
    }
    // Waits until both universes of the card went out.
    bool wait_for_output() {
        const auto limit = std::chrono::steady_clock::now() + kStartLimit;
        while (std::chrono::steady_clock::now() < limit) {
            receive(receiver, got);
            if (got.data[1] > 0 && got.data[2] > 0) return true;
        }
        return false;
    }
    // Waits for the program's end; its exit code, -1 when it did not end.
    int wait_for_end() {
        const auto limit = std::chrono::steady_clock::now() + kEndLimit;
        int status = 0;
        while (std::chrono::steady_clock::now() < limit) {
            receive(receiver, got);
            if (::waitpid(child, &status, WNOHANG) == child) {
                child = -1;
                receive(receiver, got);
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
        return -1;
    }

    rig::ProgramDir dir = rig::ProgramDir::demo();
    int receiver = -1;
    int key_pipe = -1;
    pid_t child = -1;
    Received got;
};

TEST_F(ProgramEnd, TheQuitKeyEndsBothUniversesWithThreeTerminatedPackets) {
    start();
    ASSERT_TRUE(wait_for_output());
    const std::string quit = "K*999";
    ASSERT_EQ(::write(key_pipe, quit.data(), quit.size()), static_cast<ssize_t>(quit.size()));
    EXPECT_EQ(wait_for_end(), 1);
    ::close(key_pipe);
    EXPECT_EQ(got.terminated[1], host::kSacnTerminationPackets);
    EXPECT_EQ(got.terminated[2], host::kSacnTerminationPackets);
}

TEST_F(ProgramEnd, CtrlCEndsBothUniversesWithThreeTerminatedPackets) {
    start();
    ASSERT_TRUE(wait_for_output());
    ::kill(child, SIGINT);
    EXPECT_EQ(wait_for_end(), 1);
    ::close(key_pipe);
    EXPECT_EQ(got.terminated[1], host::kSacnTerminationPackets);
    EXPECT_EQ(got.terminated[2], host::kSacnTerminationPackets);
}

}  // namespace
