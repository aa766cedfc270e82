// The console in a test.
//
// The rig owns a Machine and runs the console program on a thread of its own.
// The two threads hand a baton back and forth, so only one of them runs at a
// time: while the console runs the test waits, and the reverse. Time is
// virtual: each pass of the console's input step (platform::idle_poll) moves
// the clock by one tick, a plain delay moves it by its length, and the input
// step is where the console hands the baton back once the time the test asked
// for is reached. A run is therefore the same every time.
//
// Every test starts from a clean console state: before each test the rig's
// main puts every global of the console, of quandrix and of the memory
// checker back to its value at program load (rig/clean_start.h), so a test
// binary passes when run as one process, in any order.
//
// A watchdog guards the baton: when the console code holds it for
// watchdog_s seconds of real time without passing an input step or a plain
// delay, the test fails naming the last steps of the step log, and the test
// program ends (the console's thread cannot be stopped).
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
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
    // Real time the console code may hold the baton without passing an input
    // step or a plain delay before the watchdog fails the test (30 s unless set).
    void set_watchdog_s(double watchdog_s) { watchdog_s_ = watchdog_s; }

    // Starts the program and lets it run until its first input step.
    void start(Program program);
    // Lets the program run until the clock has moved on by run_ms.
    void run_ms(uint32_t run_ms);
    // Lets the program run, one tick at a time, until the condition holds or
    // limit_ms has passed; returns whether it holds.
    bool run_until(const std::function<bool()>& condition, uint32_t limit_ms);

    // Runs action at the first input step or plain delay at which the clock
    // has reached at_ms from now, on the thread that runs the console code
    // (also when the test itself runs console code on its own thread);
    // actions due together run in the order of their times. An action works
    // the console's inputs (hold, release, type, set_...); it must not run
    // the console (run_ms, press, click ...): that fails the test.
    void at(uint32_t at_ms, std::function<void()> action);

    // In: the console surface (card slot 0 carries the console), the PC
    // keyboard and the trackerball. A key press is held for hold_ms.
    void press_matrix(int row, int column, uint32_t hold_ms = 50);
    // Console keys by their code, through the loaded key layout; a key the
    // layout does not have fails the test. press puts the key down, runs
    // hold_ms, lets it go and runs hold_ms again; hold and release put it
    // down or let it go and then run run_ms (none by default).
    void press(int16_t key, uint32_t hold_ms = 50);
    void hold(int16_t key, uint32_t run_ms = 0);
    void release(int16_t key, uint32_t run_ms = 0);
    void type(std::string_view text);               // PC keyboard characters
    void set_master_fader(int master, uint8_t raw);
    void set_playback_fader(int playback, uint8_t raw);
    void set_function_belt(int belt, int byte, uint8_t value);
    void set_sequence_belt(int belt, int byte, uint8_t value);
    void move_trackerball(int dx_mickeys, int dy_mickeys);
    void set_trackerball_buttons(uint16_t buttons);
    // The trackerball's buttons down for down_ms, then up for up_ms;
    // click_at first puts the driver's pointer at (x, y).
    void click(uint16_t buttons, uint32_t down_ms = 20, uint32_t up_ms = 20);
    void click_at(int16_t x, int16_t y, uint16_t buttons, uint32_t down_ms = 20, uint32_t up_ms = 20);
    // DMX universes are numbered as the configuration's card choices: 1 and
    // 2 are the two halves of the card at C800h, 3 and 4 of CC00h, and so on.
    void set_dmx_input(int universe, int channel, uint8_t value);

    // Out.
    // The level DMX address `channel` of the universe carries now (through the
    // protocol tables the console uploaded).
    uint8_t dmx(int universe, int channel) const;
    platform::LedState led(int row, int column) const;
    platform::LedState key_led(int16_t key) const;   // first LED of a key, by the layout
    // A key's LED state as the console names it (0 off, 1 and 2 the colours,
    // 3 both, 10, 20, 30 the same blinking), from its two LEDs.
    uint8_t key_led_state(int16_t key) const;
    std::string lcd(int display, int line) const;
    std::string text_row(int row) const;            // the text screen, 1..25
    uint8_t pixel(int x, int y) const;
    std::vector<platform::Tone> tones() const;      // ended tones, oldest first

    bool finished() const { return finished_; }
    std::optional<int> exit_code() const { return exit_code_; }
    uint64_t now_ms() const { return machine_->clock.now_ms; }
    // How many times the program passed its input step.
    uint64_t polls() const { return polls_; }

private:
    enum class Turn { test, console };
    using RealClock = std::chrono::steady_clock;
    static void on_poll(void* context);
    static void on_delay(void* context, uint32_t delay_ms);
    void console_main(Program program);
    void wait_for_test_turn(std::unique_lock<std::mutex>& lock);  // test side, under the watchdog
    [[noreturn]] void watchdog_fires();
    void hand_to_console();          // test side: give the baton and wait for it back
    void hand_back_if_due();         // console side: give the baton back once the target is reached
    void give_baton_to_test_and_wait();
    void run_due_actions();
    bool on_console_thread() const { return std::this_thread::get_id() == console_.get_id(); }
    bool key_position(int16_t key, int& row, int& column) const;  // false, failing the test, when not in the layout

    std::unique_ptr<platform::Machine> machine_;
    uint32_t tick_ms_ = 1;
    double watchdog_s_ = 30.0;
    std::atomic<RealClock::rep> last_sign_of_life_{0};  // the console's last input step or delay, real time
    std::vector<std::pair<uint64_t, std::function<void()>>> actions_;  // timed actions: due time, action
    bool running_actions_ = false;
    std::thread::id actions_thread_;  // the thread that runs the timed actions
    // On the thread of a running timed action: the test's own thread may go
    // on running the console while an action waits in a console loop.
    bool in_timed_action() const { return running_actions_ && std::this_thread::get_id() == actions_thread_; }
    uint64_t target_ms_ = 0;
    const std::function<bool()>* stop_condition_ = nullptr;  // checked on the console side
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
