// The background poll with the main screen up, and the drawing of the main
// screen itself: a first draw that paints and captures the panel pictures,
// and a later one that puts them back. The machine's own time is not moved,
// so only the console's work is measured.
#include <benchmark/benchmark.h>

#include "bench_console.h"

#include <memory>

#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "ui/panels.h"
#include "ui/screens.h"

namespace {

// A console with one card carrying every option, its show tables and the
// graphics started, as after the show start.
class Console {
public:
    explicit Console(benchmark::State& state) : machine_(bench::start_console(state)) {
        machine_->graphics.log_calls = false;
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
    }
    ~Console() {
        ui::free_panel_images();
        runtime::free_tables();
        platform::install_machine(nullptr);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

private:
    std::unique_ptr<platform::Machine> machine_;
};

void BM_BackgroundPollWithMainScreen(benchmark::State& state) {
    Console console(state);
    ui::draw_main_screen();
    for (auto _ : state) {
        runtime::run_background();
        benchmark::ClobberMemory();
    }
}

// Every panel drawn and its picture taken.
void BM_DrawMainScreenFirstTime(benchmark::State& state) {
    Console console(state);
    for (auto _ : state) {
        ui::free_panel_images();
        ui::draw_main_screen();
        benchmark::ClobberMemory();
    }
}

// The panels put back from their pictures.
void BM_DrawMainScreenAgain(benchmark::State& state) {
    Console console(state);
    ui::draw_main_screen();
    for (auto _ : state) {
        ui::draw_main_screen();
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_BackgroundPollWithMainScreen);
BENCHMARK(BM_DrawMainScreenFirstTime);
BENCHMARK(BM_DrawMainScreenAgain);
BENCHMARK_MAIN();
