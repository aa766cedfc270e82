// The console in a test.
//
// The rig owns a Machine and runs the console program on a thread of its own.
// The two threads hand a baton back and forth, so only one of them runs at a
// time: while the console runs the test waits, and the reverse. Time is
// virtual: each pass of the console's input step (platform::idle_poll) moves
// the clock by one tick, a plain delay moves it by its length, and the input
// step is where the console hands the baton back once the time the test asked
// for is reached. A run is therefore the same every time.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/machine.h"

namespace rig {

// A program run by the rig: the console's main, or a small test program.
using Program = std::function<void()>;

// A fresh folder under the system's temporary directory, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

class Rig {
public:
    Rig();
    ~Rig();
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    platform::Machine& machine() { return *machine_; }

    // Virtual time that one pass of the console's input step takes.
    void set_tick_ms(uint32_t tick_ms) { tick_ms_ = tick_ms; }

    // Starts the program and lets it run until its first input step.
    void start(Program program);
    // Lets the program run until the clock has moved on by run_ms.
    void run_ms(uint32_t run_ms);
    // Lets the program run, one tick at a time, until the condition holds or
    // limit_ms has passed; returns whether it holds.
    bool run_until(const std::function<bool()>& condition, uint32_t limit_ms);

    bool finished() const { return finished_; }
    std::optional<int> exit_code() const { return exit_code_; }
    uint64_t now_ms() const { return machine_->clock.now_ms; }
    // How many times the program passed its input step.
    uint64_t polls() const { return polls_; }

private:
    enum class Turn { test, console };
    static void on_poll(void* context);
    static void on_delay(void* context, uint32_t delay_ms);
    void console_main(Program program);
    void hand_to_console();          // test side: give the baton and wait for it back
    void hand_back_if_due();         // console side: give the baton back once the target is reached
    void give_baton_to_test_and_wait();

    std::unique_ptr<platform::Machine> machine_;
    uint32_t tick_ms_ = 1;
    uint64_t target_ms_ = 0;
    uint64_t polls_ = 0;
    std::mutex mutex_;
    std::condition_variable turn_changed_;
    Turn turn_ = Turn::test;
    bool stopping_ = false;
    bool finished_ = false;
    std::optional<int> exit_code_;
    std::thread console_;
};

// Runs fn on the calling thread with the exit of the installed machine caught:
// returns the exit code when fn ended the program, nothing when it returned.
std::optional<int> run_catching_exit(const std::function<void()>& fn);

}  // namespace rig
