#include "rig/rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <system_error>

#include "platform/mouse.h"
#include "runtime/config_records.h"
#include "runtime/step_log.h"

namespace rig {

namespace {

// Unwinds the console thread when the program ends or the rig stops it.
struct ProgramExit {
    int code;
};
struct RigStop {};

void throw_program_exit(void*, int code) { throw ProgramExit{code}; }

// How many of the last logged steps the watchdog names.
constexpr size_t kStepsNamed = 8;

}  // namespace

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("bravinox-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::error_code error;
        if (std::filesystem::create_directory(path_, error)) break;
    }
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

Rig::Rig() : machine_(std::make_unique<platform::Machine>()) {
    platform::install_machine(machine_.get());
    machine_->hooks = platform::RunHooks{this, &Rig::on_poll, &Rig::on_delay, &throw_program_exit};
}

Rig::~Rig() {
    if (console_.joinable()) {
        {
            std::unique_lock lock(mutex_);
            if (!finished_) {
                stopping_ = true;
                turn_ = Turn::console;
                turn_changed_.notify_all();
            }
        }
        console_.join();
    }
    platform::install_machine(nullptr);
}

void Rig::start(Program program) {
    target_ms_ = machine_->clock.now_ms;
    std::unique_lock lock(mutex_);
    turn_ = Turn::console;
    last_sign_of_life_ = RealClock::now().time_since_epoch().count();
    console_ = std::thread(&Rig::console_main, this, std::move(program));
    wait_for_test_turn(lock);
}

void Rig::run_ms(uint32_t run_ms) {
    if (in_timed_action()) {
        ADD_FAILURE() << "a timed action must not run the console";
        return;
    }
    target_ms_ = machine_->clock.now_ms + run_ms;
    hand_to_console();
}

bool Rig::run_until(const std::function<bool()>& condition, uint32_t limit_ms) {
    if (condition()) return true;
    if (in_timed_action()) {
        ADD_FAILURE() << "a timed action must not run the console";
        return false;
    }
    // The console side checks the condition at every input step and hands
    // the baton back as soon as it holds.
    target_ms_ = machine_->clock.now_ms + limit_ms;
    stop_condition_ = &condition;
    hand_to_console();
    stop_condition_ = nullptr;
    return condition();
}

void Rig::hand_to_console() {
    std::unique_lock lock(mutex_);
    if (finished_ || !console_.joinable()) return;
    turn_ = Turn::console;
    last_sign_of_life_ = RealClock::now().time_since_epoch().count();
    turn_changed_.notify_all();
    wait_for_test_turn(lock);
}

void Rig::wait_for_test_turn(std::unique_lock<std::mutex>& lock) {
    const auto limit = std::chrono::duration_cast<RealClock::duration>(std::chrono::duration<double>(watchdog_s_));
    while (!turn_changed_.wait_for(lock, std::chrono::milliseconds(100), [this] { return turn_ == Turn::test; })) {
        const RealClock::time_point last{RealClock::duration{last_sign_of_life_.load()}};
        if (RealClock::now() - last > limit) watchdog_fires();
    }
}

void Rig::watchdog_fires() {
    // The console's thread is still running the code that never came back,
    // so neither this test nor any later one in this process can go on.
    const std::vector<std::string> steps = runtime::logged_steps();
    std::ostringstream text;
    text << "rig watchdog: the console code has kept the baton for " << watchdog_s_
         << " s of real time without an input step or a plain delay (virtual clock at " << now_ms() << " ms); ";
    if (steps.empty()) {
        text << "no step logged";
    } else {
        text << "last step: " << steps.back();
        const size_t first = steps.size() > kStepsNamed ? steps.size() - kStepsNamed : 0;
        text << " (the steps before it, oldest first:";
        for (size_t i = first; i + 1 < steps.size(); ++i) text << " " << steps[i];
        text << ")";
    }
    ADD_FAILURE() << text.str();
    std::fprintf(stderr, "%s\n", text.str().c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);
}

void Rig::give_baton_to_test_and_wait() {
    std::unique_lock lock(mutex_);
    turn_ = Turn::test;
    turn_changed_.notify_all();
    turn_changed_.wait(lock, [this] { return turn_ == Turn::console; });
    if (stopping_) throw RigStop{};
}

void Rig::hand_back_if_due() {
    // A test that calls console code on its own thread keeps the baton.
    if (!on_console_thread()) return;
    const bool stop = stop_condition_ != nullptr && (*stop_condition_)();
    if (stop || machine_->clock.now_ms >= target_ms_) give_baton_to_test_and_wait();
}

void Rig::console_main(Program program) {
    {
        std::unique_lock lock(mutex_);
        turn_changed_.wait(lock, [this] { return turn_ == Turn::console; });
    }
    std::optional<int> code;
    try {
        program();
    } catch (const ProgramExit& exit) {
        code = exit.code;
    } catch (const RigStop&) {
    }
    std::unique_lock lock(mutex_);
    exit_code_ = code;
    finished_ = true;
    turn_ = Turn::test;
    turn_changed_.notify_all();
}

void Rig::on_poll(void* context) {
    auto* self = static_cast<Rig*>(context);
    ++self->polls_;
    self->machine_->advance_ms(self->tick_ms_);
    self->last_sign_of_life_ = RealClock::now().time_since_epoch().count();
    self->run_due_actions();
    self->hand_back_if_due();
}

void Rig::on_delay(void* context, uint32_t delay_ms) {
    auto* self = static_cast<Rig*>(context);
    self->machine_->advance_ms(delay_ms);
    self->last_sign_of_life_ = RealClock::now().time_since_epoch().count();
    self->run_due_actions();
    self->hand_back_if_due();
}

void Rig::at(uint32_t at_ms, std::function<void()> action) {
    actions_.emplace_back(machine_->clock.now_ms + at_ms, std::move(action));
}

void Rig::run_due_actions() {
    if (actions_.empty() || running_actions_) return;
    running_actions_ = true;
    actions_thread_ = std::this_thread::get_id();
    // The due actions in the order of their times (of equal times, in the
    // order they were set); an action may set further ones.
    for (;;) {
        const auto due = std::min_element(actions_.begin(), actions_.end(),
                                          [](const auto& a, const auto& b) { return a.first < b.first; });
        if (due == actions_.end() || due->first > machine_->clock.now_ms) break;
        const std::function<void()> action = std::move(due->second);
        actions_.erase(due);
        action();
    }
    running_actions_ = false;
}

namespace {
constexpr int kConsoleSlot = 0;  // the console surface is on the card at C800h

int universe_slot(int universe) { return (universe - 1) / 2; }
int universe_half(int universe) { return (universe - 1) % 2 + 1; }
}  // namespace

void Rig::press_matrix(int row, int column, uint32_t hold_ms) {
    machine_->cards.press(kConsoleSlot, row, column);
    run_ms(hold_ms);
    machine_->cards.release(kConsoleSlot, row, column);
    run_ms(hold_ms);
}

bool Rig::key_position(int16_t key, int& row, int& column) const {
    // A key of the layout is where the layout's matrix gives that key back.
    if (key >= 1 && key < runtime::kKeyCodes) {
        const uint16_t c = runtime::key_led_column[static_cast<size_t>(key)];
        const uint16_t r = runtime::key_led_row[static_cast<size_t>(key)];
        if (c < runtime::kMatrixColumns && r < runtime::kMatrixRows && runtime::key_matrix[c][r] == key) {
            row = r;
            column = c;
            return true;
        }
    }
    ADD_FAILURE() << "key " << key << " is not in the loaded key layout";
    return false;
}

void Rig::press(int16_t key, uint32_t hold_ms) {
    int row = 0;
    int column = 0;
    if (key_position(key, row, column)) press_matrix(row, column, hold_ms);
}

void Rig::hold(int16_t key, uint32_t run_ms) {
    int row = 0;
    int column = 0;
    if (!key_position(key, row, column)) return;
    machine_->cards.press(kConsoleSlot, row, column);
    if (run_ms > 0) this->run_ms(run_ms);
}

void Rig::release(int16_t key, uint32_t run_ms) {
    int row = 0;
    int column = 0;
    if (!key_position(key, row, column)) return;
    machine_->cards.release(kConsoleSlot, row, column);
    if (run_ms > 0) this->run_ms(run_ms);
}

void Rig::type(std::string_view text) {
    for (const char c : text) machine_->text.push_key(static_cast<uint8_t>(c));
}

void Rig::set_master_fader(int master, uint8_t raw) { machine_->cards.set_master_fader(kConsoleSlot, master, raw); }
void Rig::set_playback_fader(int playback, uint8_t raw) {
    machine_->cards.set_playback_fader(kConsoleSlot, playback, raw);
}
void Rig::set_function_belt(int belt, int byte, uint8_t value) {
    machine_->cards.set_function_belt(kConsoleSlot, belt, byte, value);
}
void Rig::set_sequence_belt(int belt, int byte, uint8_t value) {
    machine_->cards.set_sequence_belt(kConsoleSlot, belt, byte, value);
}
void Rig::move_trackerball(int dx_mickeys, int dy_mickeys) { platform::mouse_move(dx_mickeys, dy_mickeys); }
void Rig::set_trackerball_buttons(uint16_t buttons) { platform::mouse_set_buttons(buttons); }

void Rig::click(uint16_t buttons, uint32_t down_ms, uint32_t up_ms) {
    set_trackerball_buttons(buttons);
    run_ms(down_ms);
    set_trackerball_buttons(0);
    run_ms(up_ms);
}

void Rig::click_at(int16_t x, int16_t y, uint16_t buttons, uint32_t down_ms, uint32_t up_ms) {
    machine_->mouse.x = x;
    machine_->mouse.y = y;
    click(buttons, down_ms, up_ms);
}
void Rig::set_dmx_input(int universe, int channel, uint8_t value) {
    machine_->cards.set_dmx_input(universe_slot(universe), universe_half(universe), channel, value);
}

uint8_t Rig::dmx(int universe, int channel) const {
    return machine_->cards.dmx_sent(universe_slot(universe), universe_half(universe), channel);
}

platform::LedState Rig::led(int row, int column) const { return machine_->cards.led(kConsoleSlot, row, column); }

platform::LedState Rig::key_led(int16_t key) const {
    if (key < 1 || key >= runtime::kKeyCodes) return platform::LedState::off;
    return led(runtime::key_led_row[static_cast<size_t>(key)], runtime::key_led_column[static_cast<size_t>(key)]);
}

uint8_t Rig::key_led_state(int16_t key) const {
    if (key < 1 || key >= runtime::kKeyCodes) return 0;
    const int row = runtime::key_led_row[static_cast<size_t>(key)];
    const int column = runtime::key_led_column[static_cast<size_t>(key)];
    const platform::LedState first = led(row, column);
    const platform::LedState second = led(row + runtime::second_led_offsets.row, column + runtime::second_led_offsets.column);
    const bool blinking = first == platform::LedState::blinking || second == platform::LedState::blinking;
    const int colours = (first != platform::LedState::off ? 1 : 0) + (second != platform::LedState::off ? 2 : 0);
    return static_cast<uint8_t>(blinking ? colours * 10 : colours);
}

std::string Rig::lcd(int display, int line) const { return machine_->cards.lcd_line(kConsoleSlot, display, line); }
std::string Rig::text_row(int row) const { return machine_->text.row_text(row); }
uint8_t Rig::pixel(int x, int y) const { return machine_->graphics.pixel(x, y); }

std::vector<platform::Tone> Rig::tones() const {
    return machine_->speaker.tones.to_vector();
}

std::optional<int> run_catching_exit(const std::function<void()>& fn) {
    platform::Machine& m = platform::machine();
    const platform::RunHooks saved = m.hooks;
    m.hooks.exit = &throw_program_exit;
    std::optional<int> code;
    try {
        fn();
    } catch (const ProgramExit& exit) {
        code = exit.code;
    }
    m.hooks = saved;
    return code;
}

}  // namespace rig
