// The channel generators' pass of the output merge over a full rig: 2048
// function records, every one running a generator of mixed speed, class,
// delay, shift and wait, the clock moving 5 ms a pass. Levels go through the
// channel level setter to the simulated card as in the console.
#include <benchmark/benchmark.h>

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

namespace {

void no_time(void*) {}

void BM_GeneratorsFullRig(benchmark::State& state) {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    machine->hooks.poll = &no_time;
    platform::CardSettings card;
    card.options = 0x1F;
    machine->cards.fit(0, card);

    runtime::ConsoleConfig& config = runtime::console_config;
    config.set_u16(0x008, 0xC800);
    config.set_u16(0x010, 1);
    for (size_t option = 0x002; option <= 0x007; ++option) config.set_u8(option, 1);
    config.set_u8(0x0FC, 1);
    config.set_u8(0x0FD, 2);
    runtime::discover_cards();
    runtime::read_card_memory_map();
    runtime::read_console_options();
    runtime::init_console_state();
    if (!runtime::allocate_show_tables()) state.SkipWithError("no memory for the show tables");
    runtime::reset_show_tables();
    runtime::init_timers();

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
BENCHMARK_MAIN();
