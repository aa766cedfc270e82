// The effect engines' passes of the output merge over a full rig, the clock
// moving 5 ms a pass, levels going through the channel level setters to the
// simulated card as in the console:
// - generators: 2048 function records, every one running a generator of
//   mixed speed, class, delay, shift and wait;
// - figures: 512 fixtures with 16-bit pan and tilt (the 2048 records), every
//   one running a lissajous or polygon figure, rotated.
#include <benchmark/benchmark.h>

#include "bench_console.h"

#include <memory>

#include "platform/machine.h"
#include "programmer/channel_generators.h"
#include "programmer/pantilt_figures.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"

namespace {


void BM_GeneratorsFullRig(benchmark::State& state) {
    auto machine = bench::start_console(state);
    const int records = static_cast<int>(runtime::kShowRecords);
    runtime::function_record_count = static_cast<int16_t>(records);
    for (int r = 1; r <= records; ++r) {
        runtime::FunctionRecord& entry = runtime::function_record_table[r];
        entry = {};
        entry.fixture = static_cast<int16_t>((r - 1) / 16 + 1);
        entry.channel = static_cast<uint8_t>((r - 1) % 16 + 1);
        entry.range_min = 0;
        entry.range_max = 255;
        entry.type = 255;  // no type loaded: the record's own range
        runtime::output_base_values[r] = static_cast<uint16_t>(r % 256);
        runtime::generator_states[r].parameters = {static_cast<uint8_t>(20 + r % 100),
                                                   static_cast<uint8_t>(1 + r % 170),
                                                   static_cast<uint8_t>((r * 4) % 48),
                                                   static_cast<uint8_t>(r % 171),
                                                   static_cast<uint8_t>(r % 5),
                                                   static_cast<uint8_t>(r % 9)};
    }
    runtime::run_flags |= runtime::RUN_EFFECTS_RUNNING;
    runtime::clock_delta = 5;

    for (auto _ : state) {
        programmer::run_figures_tick();
        programmer::run_generators_tick();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * records);
    runtime::free_tables();
    platform::install_machine(nullptr);
}

}  // namespace

BENCHMARK(BM_GeneratorsFullRig)->Unit(benchmark::kMicrosecond);

void BM_FiguresFullRig(benchmark::State& state) {
    auto machine = bench::start_console(state);
    constexpr int kFixtures = 512;
    const int records = static_cast<int>(runtime::kShowRecords);
    runtime::function_record_count = static_cast<int16_t>(records);
    setup::fixture_count = kFixtures;
    for (int r = 1; r <= records; ++r) {
        runtime::function_record_table[r] = {};
        runtime::function_record_table[r].type = 255;  // no type loaded: the whole range
        runtime::output_base_values[r] = 128;
    }
    for (int f = 1; f <= kFixtures; ++f) {
        runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[static_cast<size_t>(f)];
        const auto first = static_cast<uint16_t>((f - 1) * 4 + 1);
        pt.kind = 2;
        pt.pan = {1, first};
        pt.pan_fine = {2, static_cast<uint16_t>(first + 1)};
        pt.tilt = {3, static_cast<uint16_t>(first + 2)};
        pt.tilt_fine = {4, static_cast<uint16_t>(first + 3)};
        pt.oriented_pan = f % 2 == 0 ? pt.pan : pt.tilt;
        pt.pan_invert = static_cast<uint8_t>(f % 3 == 0);
        runtime::figure_states[f].parameters = {static_cast<uint8_t>(30 + f % 90), static_cast<uint8_t>(20 + f % 100),
                                                static_cast<uint8_t>(1 + f % 170), static_cast<uint8_t>(f % 8),
                                                static_cast<uint8_t>(f % 171), static_cast<uint8_t>((f * 7) % 171),
                                                static_cast<uint8_t>(f % 171), static_cast<uint8_t>(f % 50),
                                                static_cast<uint8_t>(f % 3), static_cast<uint8_t>(f % 5)};
    }
    runtime::run_flags |= runtime::RUN_EFFECTS_RUNNING;
    runtime::clock_delta = 5;
    for (auto _ : state) {
        programmer::run_figures_tick();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFixtures);
    runtime::free_tables();
    platform::install_machine(nullptr);
}
BENCHMARK(BM_FiguresFullRig)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
