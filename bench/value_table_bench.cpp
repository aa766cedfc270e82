// The value table of a full half page: 35 fixtures of 16 channels, every
// channel holding a value. A full redraw puts back the grid and draws every
// title and cell; an unchanged redraw of the cells finds every cell in the
// caches and draws nothing.
#include <benchmark/benchmark.h>

#include "bench_console.h"

#include <memory>

#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/value_table.h"

namespace {

constexpr int kFixtures = 35;
constexpr int kChannels = 16;

// A machine with graphics and the show tables, and the rig of the table.
class TableBench {
public:
    explicit TableBench(benchmark::State& state) : machine_(std::make_unique<platform::Machine>()) {
        platform::install_machine(machine_.get());
        machine_->hooks.poll = &bench::no_time;
        machine_->graphics.log_calls = false;
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
        runtime::init_console_state();
        if (!runtime::allocate_show_tables()) state.SkipWithError("no memory for the show tables");
        runtime::reset_show_tables();
        runtime::init_timers();
        setup::fixture_count = kFixtures;
        runtime::function_record_count = kFixtures * kChannels;
        for (int n = 1; n <= kFixtures; ++n) {
            setup::FixtureRecord fixture = setup::read_fixture(setup::setup_data, n);
            fixture.first_record = static_cast<uint16_t>((n - 1) * kChannels + 1);
            fixture.channel_count = kChannels;
            setup::write_fixture(setup::setup_data, n, fixture);
            runtime::fixture_bank_keys[1][static_cast<size_t>(n)] = static_cast<uint16_t>(n - 1);
            for (int c = 1; c <= kChannels; ++c) {
                const size_t r = static_cast<size_t>((n - 1) * kChannels + c);
                runtime::function_record_table[r].fixture = static_cast<int16_t>(n);
                runtime::function_record_table[r].channel = static_cast<uint8_t>(c);
                runtime::programmer_values[r] = static_cast<uint16_t>((n * 7 + c) % 256);
            }
        }
        runtime::fixture_bank_counts[1] = kFixtures;
        runtime::fixture_page = 1;
        runtime::fader_bank = 0;
        ui::open_table_view();
    }
    ~TableBench() {
        ui::reset_value_table_globals();
        runtime::free_tables();
        platform::install_machine(nullptr);
    }
    TableBench(const TableBench&) = delete;
    TableBench& operator=(const TableBench&) = delete;

private:
    std::unique_ptr<platform::Machine> machine_;
};

void BM_FullTableRedraw(benchmark::State& state) {
    const TableBench bench(state);
    for (auto _ : state) {
        ui::draw_table_view(1);
        benchmark::ClobberMemory();
    }
}

void BM_UnchangedTableRedraw(benchmark::State& state) {
    const TableBench bench(state);
    for (auto _ : state) {
        ui::draw_table_cells();
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_FullTableRedraw);
BENCHMARK(BM_UnchangedTableRedraw);
BENCHMARK_MAIN();
