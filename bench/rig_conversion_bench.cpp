// SAVE of a changed rig on the worst show: 700 fixtures on 2048 function
// records (bench_rig.h), 4000 memories and 2000 cue memories each holding a
// value for every record, every value, generator and figure preset and
// every threshold full. The edit deletes the first fixture, so every record
// after it moves. Files live in a folder of the system's temporary directory.
//
//   BM_ConvertWorstShow   the map, the backup of the data folder (mem.dat
//                         and memcues.dat included), every converter and
//                         the converted files made in memory; the tables
//                         are put back between iterations, outside the timing
//
// The peak resident size of the process is reported as peak_rss_MB.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "bench_rig.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/threshold_file.h"
#include "memories/memory_index.h"
#include "memories/presets.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/show_tables.h"
#include "setup/library_list.h"
#include "setup/rig_conversion.h"
#include "setup/setup_data.h"

namespace {

void* plain_allocator(size_t size, const char*, unsigned) { return std::malloc(size); }

// A full list: one value item for every record.
datafiles::MemoryItem* full_list() {
    auto* items = static_cast<datafiles::MemoryItem*>(std::malloc(2048 * sizeof(datafiles::MemoryItem)));
    for (uint16_t r = 1; r <= 2048; ++r) items[r - 1] = {0, r, static_cast<uint16_t>(r % 256)};
    return items;
}

class WorstShow {
public:
    WorstShow() {
        platform::install_machine(machine_.get());
        folder_ = std::make_unique<bench::MemoryFolder>(*machine_, "bravinox_conversion_bench");
        runtime::show_table_allocator = plain_allocator;
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
        bench::lay_out_full_rig(setup::setup_data);
        setup::fixture_count = bench::kRigFixtures;
        setup::fixture_type_count = 2;
        for (int t = 1; t <= 2; ++t) {
            setup::setup_data.set_text(setup::SetupData::type_name_field(t), setup::kTypeNameBytes, t == 1 ? "WIDE" : "NARROW");
        }
        runtime::allocate_show_tables();
        runtime::reset_show_tables();
        for (size_t m = 1; m <= memories::kMemories; ++m) {
            memories::memory_items[m] = full_list();
            memories::memory_index[m].count = 2048;
        }
        for (size_t n = 1; n <= datafiles::kCueMemories; ++n) {
            datafiles::memcue_items[n] = full_list();
            datafiles::memcue_index[n].count = 2048;
        }
        for (int16_t e = 1; e <= memories::kPresetEntries; ++e) {
            auto* table = static_cast<uint8_t*>(datafiles::allocate_preset_table(e));
            if (e <= memories::kValuePresets) {
                std::fill_n(reinterpret_cast<uint16_t*>(table) + 1, 2048, uint16_t{100});
            } else {
                std::fill_n(table, e <= memories::kValuePresets + memories::kEffectPresets ? 12288 : 7000, uint8_t{7});
            }
        }
        for (int16_t t = 1; t <= datafiles::kThresholds; ++t) std::fill_n(datafiles::allocate_threshold_table(t) + 1, 2048, uint8_t{9});
        datafiles::compact_memory_file(true);
        datafiles::compact_memcue_file(true);
        // The edit: the first fixture deleted, the others keep their records.
        setup::setup_edit_copy = setup::setup_data;
        auto& bytes = setup::setup_edit_copy.bytes;
        const auto first = static_cast<std::ptrdiff_t>(setup::SetupData::fixture_field(1, 0));
        const auto second = static_cast<std::ptrdiff_t>(setup::SetupData::fixture_field(2, 0));
        const auto end = static_cast<std::ptrdiff_t>(setup::SetupData::fixture_field(bench::kRigFixtures + 1, 0));
        std::copy(bytes.begin() + second, bytes.begin() + end, bytes.begin() + first);
        setup::setup_edit_copy.set_u16(setup::kSetupFixtureCount, bench::kRigFixtures - 1);
    }
    ~WorstShow() {
        datafiles::free_memory_items();
        datafiles::free_memcue_items();
        datafiles::free_preset_tables();
        datafiles::free_threshold_tables();
        platform::install_machine(nullptr);
    }
    WorstShow(const WorstShow&) = delete;
    WorstShow& operator=(const WorstShow&) = delete;

private:
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
    std::unique_ptr<bench::MemoryFolder> folder_;
};

void BM_ConvertWorstShow(benchmark::State& state) {
    WorstShow show;
    setup::LibraryList list;
    for (auto _ : state) {
        if (!setup::convert_show_data(setup::setup_edit_copy, list)) state.SkipWithError("the conversion failed");
        benchmark::DoNotOptimize(setup::converted_show_files().size());
        state.PauseTiming();
        setup::finish_show_conversion(false);
        state.ResumeTiming();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ConvertWorstShow)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
