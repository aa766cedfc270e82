// SAVE on leaving the fixture setup with a full rig: 700 fixtures on all
// 2048 function records, every record multipatched through one of 2048 soft
// patch entries (bench_rig.h), in a program directory in a temporary folder.
//
//   BM_SaveFullRig           the conflict check SAVE asks for, then the save:
//                            setup made live, soft patch stored, patch
//                            compiled, curves reset, five files written together
//   BM_CountConflictsFullRig the conflict check alone
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "bench_rig.h"
#include "platform/machine.h"
#include "runtime/config_records.h"
#include "setup/address_state.h"
#include "setup/patch_conflicts.h"
#include "setup/setup_data.h"
#include "setup/setup_save.h"
#include "setup/soft_patch.h"

namespace {

void no_status(const char*) {}

// Drive C: in a temporary folder with the full rig live and in the working
// copy, and its soft patch list: record r on address r of its card.
class FullRigSave {
public:
    FullRigSave() {
        platform::install_machine(machine_.get());
        folder_ = std::make_unique<bench::MemoryFolder>(*machine_, "bravinox_save_bench");
        bench::lay_out_full_rig(setup::setup_data);
        setup::fixture_count = bench::kRigFixtures;
        setup::fixture_type_count = 2;
        setup::soft_patch_list.clear();
        int record = 0;
        for (int f = 1; f <= bench::kRigFixtures; ++f) {
            const int channels = f <= bench::kWideFixtures ? bench::kWideChannels : bench::kNarrowChannels;
            for (int k = 1; k <= channels; ++k, ++record) {
                setup::soft_patch_list.push_back({static_cast<int16_t>(f), static_cast<int16_t>(k),
                                                  static_cast<uint8_t>(record / 512 + 1),
                                                  static_cast<int16_t>(record % 512 + 1)});
            }
        }
        for (int c = 1; c <= 4; ++c) state_.protocol_names[static_cast<size_t>(c)][1] = "DMX OUT ";
        setup::copy_setup_data(setup::setup_edit_copy, setup::setup_data);
    }
    ~FullRigSave() { platform::install_machine(nullptr); }
    FullRigSave(const FullRigSave&) = delete;
    FullRigSave& operator=(const FullRigSave&) = delete;

    const setup::AddressState& state() const { return state_; }

private:
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
    std::unique_ptr<bench::MemoryFolder> folder_;
    setup::AddressState state_;
};

void BM_SaveFullRig(benchmark::State& state) {
    FullRigSave rig;
    for (auto _ : state) {
        benchmark::DoNotOptimize(setup::count_patch_conflicts(setup::setup_edit_copy));
        const setup::SaveResult result = setup::save_edited_setup(setup::setup_edit_copy, rig.state(), no_status);
        if (!result.saved) state.SkipWithError("the save was not written");
    }
}
BENCHMARK(BM_SaveFullRig)->Unit(benchmark::kMillisecond);

void BM_CountConflictsFullRig(benchmark::State& state) {
    FullRigSave rig;
    for (auto _ : state) benchmark::DoNotOptimize(setup::count_patch_conflicts(setup::setup_edit_copy));
}
BENCHMARK(BM_CountConflictsFullRig)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
