// One pass of the background poll with all 16 function belts moved, on 700
// selected fixtures in fan mode: the belt poll spreads every belt's movement
// over the whole selection (16 x 700 fixture edits), then the output merge
// recomputes the channels it marked.
//
// The rig: fixture 1 of a 16-channel type whose channels are all dimmers, so
// that every belt reaches the dimmer of each of the other 699 fixtures (a
// 2-channel type) through the cross-type map; 1414 function records. The
// belts move 3 steps up and down by turns, so no fixture stays at a limit.
#include <benchmark/benchmark.h>

#include "bench_console.h"

#include <memory>

#include "platform/machine.h"
#include "programmer/attribute_delta.h"
#include "programmer/commands.h"
#include "programmer/fixture_selection.h"
#include "programmer/programmer_jobs.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace {

constexpr int kFixtures = 700;
constexpr int kWideChannels = 16;
constexpr int kNarrowChannels = 2;
constexpr int kBelts = 16;
constexpr int kStep = 3;

// A type whose channels are all dimmers with one sub-function 0..255.
std::unique_ptr<setup::FixtureTypeDef> dimmer_type(int channels) {
    auto type = std::make_unique<setup::FixtureTypeDef>();
    type->bytes[setup::kTypeChannelCount] = static_cast<uint8_t>(channels);
    for (int k = 1; k <= channels; ++k) {
        type->bytes[setup::kTypeDimmerFlags + static_cast<size_t>(k - 1)] = 1;
        const size_t sub = setup::FixtureTypeDef::sub_table(k);
        type->bytes[sub + setup::kSubCount] = 1;
        type->bytes[sub + setup::kSubTo] = 255;
    }
    return type;
}

void lay_out_rig(setup::SetupData& d) {
    d.set_u8(setup::kSetupTypeCount, 2);
    for (int t = 1; t <= 2; ++t) {
        d.set_u8(setup::SetupData::type_channel_count_field(t), static_cast<uint8_t>(t == 1 ? kWideChannels : kNarrowChannels));
        for (int k = 0; k < setup::kMaxTypeChannels; ++k) {
            d.set_u8(setup::SetupData::type_function_map_field(t, k), static_cast<uint8_t>(k));
        }
    }
    int first = 1;
    for (int f = 1; f <= kFixtures; ++f) {
        setup::FixtureRecord r;
        r.type_index = f == 1 ? 0 : 1;
        r.number = static_cast<uint16_t>(f);
        r.card = 1;
        r.address = setup::kMultipatchAddress;
        r.first_record = static_cast<uint16_t>(first);
        r.channel_count = static_cast<uint8_t>(f == 1 ? kWideChannels : kNarrowChannels);
        setup::write_fixture(d, f, r);
        first += r.channel_count;
    }
    d.set_u16(setup::kSetupFixtureCount, kFixtures);
    d.set_u8(setup::kSetupPatchCompiled, 1);
}

void BM_PollWithSixteenBeltsInFan(benchmark::State& state) {
    auto machine = bench::start_console(state);

    auto wide = dimmer_type(kWideChannels);
    auto narrow = dimmer_type(kNarrowChannels);
    setup::fixture_type_defs[1] = wide.get();
    setup::fixture_type_defs[2] = narrow.get();
    lay_out_rig(setup::setup_data);
    setup::fixture_count = kFixtures;
    setup::fixture_type_count = 2;
    runtime::init_fixture_tables();
    runtime::init_wheel_last_values();

    programmer::fixture_selected.fill(1);
    programmer::make_fixture_current(1);
    runtime::fader_bank = 0;
    runtime::function_page = 1;
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) | (2u << 30);  // fan
    programmer::fan_shape = 3;
    for (int c = 1; c <= kBelts; ++c) runtime::wheel_states.functions[static_cast<size_t>(c)].value = 128;

    // The last fixture's dimmer must follow the belts, or nothing is measured.
    const int16_t last_dimmer = static_cast<int16_t>(runtime::function_record_count - 1);
    int direction = 1;
    for (auto _ : state) {
        for (int belt = 1; belt <= kBelts; ++belt) {
            const int value = runtime::wheel_states.functions[static_cast<size_t>(belt)].value;
            machine->cards.set_function_belt(0, belt, 0, static_cast<uint8_t>(value + direction * kStep));
            machine->cards.set_function_belt(0, belt, 1, 255);
        }
        direction = -direction;
        runtime::run_background();
        benchmark::ClobberMemory();
    }
    if (runtime::programmer_values[last_dimmer] == runtime::kValueNotSet) state.SkipWithError("the belts edited nothing");
    state.counters["fixture_edits"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBelts * kFixtures, benchmark::Counter::kIsRate);
    runtime::free_tables();
    setup::fixture_type_defs[1] = nullptr;
    setup::fixture_type_defs[2] = nullptr;
    platform::install_machine(nullptr);
}

}  // namespace

BENCHMARK(BM_PollWithSixteenBeltsInFan)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
