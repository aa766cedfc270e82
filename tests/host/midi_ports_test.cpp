// The console's MIDI ports on a JACK server, as another MIDI program meets
// them: a JACK server of the test's own (dummy backend, a server name of its
// own so parallel tests do not meet), the console headless on the demo
// program directory, and a JACK client of the test that plays into the
// console and listens to what it sends back, while sACN shows the stage.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../setup/demo_rig_files.h"
#include "host/midi_ports.h"
#include "host/sacn.h"
#include "console_process.h"
#include "rig/program_dir.h"

#if BRAVINOX_HAVE_RTMIDI
#include <RtMidi.h>
#include <jack/jack.h>
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

TEST(MidiPorts, SentBytesAreCutIntoMessagesAtStatusBytes) {
    const Bytes sent = {0x3C, 0x90, 0x3C, 0x40, 0xC2, 0x05, 0xF8, 0x80, 0x3C, 0x40};
    const std::vector<Bytes> expected = {{0x90, 0x3C, 0x40}, {0xC2, 0x05}, {0xF8}, {0x80, 0x3C, 0x40}};
    EXPECT_EQ(host::split_midi_messages(sent), expected);
}

#if BRAVINOX_HAVE_RTMIDI

constexpr const char* kReceiverAddress = "127.0.0.63";
constexpr auto kStartLimit = std::chrono::seconds(60);
constexpr int kIntensityAddress = 14;  // fixture 1 of the demo rig

bool on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (::access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

void silent(const char*) {}

bool jack_server_up() {
    jack_set_error_function(silent);
    jack_set_info_function(silent);
    jack_status_t status{};
    jack_client_t* client = jack_client_open("bravinox-test-probe", JackNoStartServer, &status);
    if (client == nullptr) return false;
    jack_client_close(client);
    return true;
}

// SIGTERM, then SIGKILL when it has not ended within 5 s.
void end_process(pid_t child) {
    ::kill(child, SIGTERM);
    const auto limit = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < limit) {
        if (::waitpid(child, nullptr, WNOHANG) == child) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

void quiet(RtMidiError::Type, const std::string&, void*) {}

class MidiOnJack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!on_path("jackd")) GTEST_SKIP() << "jackd is not installed (tools/install-deps.sh test installs jackd2)";
        server = "bravinox-test-" + std::to_string(::getpid());
        ::setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
        ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        jackd = ::fork();
        ASSERT_GE(jackd, 0);
        if (jackd == 0) {
            ::freopen("/dev/null", "w", stdout);
            ::freopen("/dev/null", "w", stderr);
            ::execlp("jackd", "jackd", "-n", server.c_str(), "--no-realtime", "-d", "dummy", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (!jack_server_up() && Clock::now() < limit) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!jack_server_up()) GTEST_SKIP() << "jackd --no-realtime -d dummy does not start here";

        receiver = host_test::open_sacn_receiver(kReceiverAddress, 50000);
        ASSERT_GE(receiver, 0) << "the sACN port of " << kReceiverAddress << " is taken";
        setup_test::lay_out_demo_rig(dir);
        std::error_code error;
        fs::create_hard_link(BRAVINOX_PROGRAM, program(), error);
        if (error) fs::copy_file(BRAVINOX_PROGRAM, program());
    }
    void TearDown() override {
        to_console.reset();
        from_console.reset();
        // The server is ended as its user ends it, so that it leaves its
        // entry in JACK's table of servers (a killed one stays listed).
        for (pid_t* child : {&console, &jackd}) {
            if (*child > 0) end_process(*child);
        }
        if (receiver >= 0) ::close(receiver);
        if (key_pipe >= 0) ::close(key_pipe);
    }

    fs::path program() const { return dir.folder() / "bravinox"; }
    fs::path console_output() const { return dir.folder() / "console.out"; }

    // The newest level of universe 1's address, from what waits on the receiver.
    void receive() {
        host::SacnPacket p{};
        while (::recv(receiver, p.data(), p.size(), 0) == static_cast<ssize_t>(p.size())) {
            if ((p[113] << 8 | p[114]) == 1) {
                for (size_t a = 0; a < 512; ++a) universe1[a] = p[126 + a];
                ++packets;
            }
        }
    }
    bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            receive();
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        receive();
        return condition();
    }
    uint8_t level(int address) const { return universe1[static_cast<size_t>(address - 1)]; }
    std::string output() const {
        std::ifstream in(console_output());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void start_console() {
        console = host_test::start_headless_console(program(), kReceiverAddress, console_output(), key_pipe);
        ASSERT_GE(console, 0);
    }
    // TO-MEM held (Ctrl+K), CUE: the cue key of the shown page, Enter twice.
    void store_cue(char cue) {
        type("\x0b", 300);
        type("K*073", 300);
        type("\x0b", 1000);
        type(std::string("K*00") + cue + "\n", 1000);
        type("\n", 1000);
    }
    void type(const std::string& keys, int settle_ms = 600) {
        ASSERT_EQ(::write(key_pipe, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
        wait_for([] { return false; }, std::chrono::milliseconds(settle_ms));
    }

    // The test's own JACK client, connected to the console's two ports.
    bool connect_client() {
        to_console = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "bravinox-test-out");
        from_console = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, "bravinox-test-in", 1024);
        to_console->setErrorCallback(quiet);
        from_console->setErrorCallback(quiet);
        from_console->ignoreTypes(false, false, true);
        return open_named(*to_console, "bravinox-in:midi") && open_named(*from_console, "bravinox-out:midi");
    }
    template <typename Port>
    static bool open_named(Port& port, const std::string& name) {
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < limit) {
            for (unsigned i = 0; i < port.getPortCount(); ++i) {
                if (port.getPortName(i) == name) {
                    port.openPort(i, "test");
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    void play(const Bytes& message, int settle_ms = 500) {
        to_console->sendMessage(message.data(), message.size());
        wait_for([] { return false; }, std::chrono::milliseconds(settle_ms));
    }
    std::vector<Bytes> heard() {
        std::vector<Bytes> messages;
        std::vector<unsigned char> m;
        for (from_console->getMessage(&m); !m.empty(); from_console->getMessage(&m)) messages.emplace_back(m.begin(), m.end());
        return messages;
    }
    static Bytes go(char cue) { return {0xF0, 0x7F, 0x01, 0x02, 0x01, 0x01, static_cast<uint8_t>(cue), 0xF7}; }

    rig::ProgramDir dir = rig::ProgramDir::demo();
    std::string server;
    pid_t jackd = -1;
    pid_t console = -1;
    int receiver = -1;
    int key_pipe = -1;
    std::array<uint8_t, 512> universe1{};
    int packets = 0;
    std::unique_ptr<RtMidiOut> to_console;
    std::unique_ptr<RtMidiIn> from_console;
};

// Cue 2 stored with fixture 1 at full; on cue 2 a note is learned in the
// MIDI-code editor; from cue 1 the note runs cue 2 (the stage fades up), and
// GO on cue 2 from the console sends the note back out.
TEST_F(MidiOnJack, LearnedNoteRunsItsCueAndTheCueSendsItBack) {
    start_console();
    ASSERT_TRUE(wait_for([&] { return packets > 0; }, kStartLimit)) << output();
    ASSERT_TRUE(wait_for([&] { return output().find("MIDI on JACK") != std::string::npos; }, kStartLimit)) << output();
    ASSERT_TRUE(connect_client());

    // Cue 1 stores fixture 1's intensity at 0, cue 2 at full (each a point
    // cue with a fade-in of 2 s).
    type("K*001K*143K*143K*134K*183000\n");
    store_cue('1');
    type("K*134K*183255\n");
    store_cue('2');
    play(go('2'), 3000);
    ASSERT_TRUE(wait_for([&] { return level(kIntensityAddress) == 255; }, std::chrono::seconds(5)))
        << int(level(kIntensityAddress)) << "\n" << output();
    play(go('1'), 3000);
    ASSERT_TRUE(wait_for([&] { return level(kIntensityAddress) == 0; }, std::chrono::seconds(5)))
        << int(level(kIntensityAddress)) << "\n" << output();

    // On cue 2, EDIT ITEM held with the MIDI key: the editor learns the note.
    play(go('2'), 3000);
    ASSERT_TRUE(wait_for([&] { return level(kIntensityAddress) == 255; }, std::chrono::seconds(5)))
        << int(level(kIntensityAddress)) << "\n" << output();
    type("\x05", 300);  // Ctrl+E: EDIT ITEM held
    type("K*233", 300);
    type("\x05", 1000);
    ASSERT_NE(output().find("EDIT MIDI-CODES (ESC=CANCEL)"), std::string::npos) << output();
    play({0x90, 0x3C, 0x40});
    type("K*233");
    heard();  // nothing of the above is wanted

    // From cue 1 the note runs cue 2: the stage fades up, and nothing is echoed.
    play(go('1'), 3000);
    ASSERT_TRUE(wait_for([&] { return level(kIntensityAddress) == 0; }, std::chrono::seconds(5)));
    play({0x90, 0x3C, 0x40}, 200);
    EXPECT_TRUE(wait_for([&] { return level(kIntensityAddress) == 255; }, std::chrono::seconds(5)));
    EXPECT_TRUE(heard().empty());

    // Cue 2 from the console's own keys sends its code.
    play(go('1'), 3000);
    type("K*073K*002", 1500);
    std::vector<Bytes> back;
    wait_for([&] {
        for (Bytes& m : heard()) back.push_back(m);
        return !back.empty();
    }, std::chrono::seconds(5));
    EXPECT_EQ(back, (std::vector<Bytes>{{0x90, 0x3C, 0x40}}));
}

#endif

}  // namespace
