#include "rig/rig.h"

#include <atomic>
#include <random>
#include <system_error>

namespace rig {

namespace {

// Unwinds the console thread when the program ends or the rig stops it.
struct ProgramExit {
    int code;
};
struct RigStop {};

void throw_program_exit(void*, int code) { throw ProgramExit{code}; }

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
    console_ = std::thread(&Rig::console_main, this, std::move(program));
    turn_changed_.wait(lock, [this] { return turn_ == Turn::test; });
}

void Rig::run_ms(uint32_t run_ms) {
    target_ms_ = machine_->clock.now_ms + run_ms;
    hand_to_console();
}

bool Rig::run_until(const std::function<bool()>& condition, uint32_t limit_ms) {
    const uint64_t limit = machine_->clock.now_ms + limit_ms;
    while (!condition()) {
        if (finished_ || machine_->clock.now_ms >= limit) return condition();
        run_ms(tick_ms_);
    }
    return true;
}

void Rig::hand_to_console() {
    std::unique_lock lock(mutex_);
    if (finished_ || !console_.joinable()) return;
    turn_ = Turn::console;
    turn_changed_.notify_all();
    turn_changed_.wait(lock, [this] { return turn_ == Turn::test; });
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
    if (std::this_thread::get_id() != console_.get_id()) return;
    if (machine_->clock.now_ms >= target_ms_) give_baton_to_test_and_wait();
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
    self->hand_back_if_due();
}

void Rig::on_delay(void* context, uint32_t delay_ms) {
    auto* self = static_cast<Rig*>(context);
    self->machine_->advance_ms(delay_ms);
    self->hand_back_if_due();
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
