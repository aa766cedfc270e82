// The console the benchmarks run on: a machine with one console card whose
// clock the benchmark does not move, the configuration that finds the card,
// the console state and the show tables allocated, the timers started.
#pragma once
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/machine.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"

namespace bench {

inline void no_time(void*) {}

inline std::unique_ptr<platform::Machine> start_console(benchmark::State& state) {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    machine->hooks.poll = &no_time;
    platform::CardSettings card;
    card.options = 0x1F;
    machine->cards.fit(0, card);

    runtime::ConsoleConfig& config = runtime::console_config;
    config.set_u16(0x008, 0xC800);  // card slot 1
    config.set_u16(0x010, 1);       // console card slot
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
    return machine;
}

}  // namespace bench
