// The patch conflict computation the fixture setup runs at each page change,
// on the worst rig it meets: 64 fixtures of 32 channels patched by address
// on all 2048 output slots of the four cards, and 64 multipatched fixtures
// whose 2048 soft patch entries lie on those same slots (4096 slots, every
// card over 512, 64 fixture pairs).
//
//   BM_FindPatchConflicts  the list as the setup builds it (slots grouped by
//                          card and address, pairs in slot order)
//   BM_PlainPairTest       the same pairs by testing every slot against every
//                          later one, for comparison
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "setup/address_state.h"
#include "setup/patch_conflict_list.h"
#include "setup/setup_data.h"
#include "setup/soft_patch.h"

namespace {

constexpr int kOrdinary = 64;
constexpr int kChannels = 32;

void lay_out_worst_rig(setup::SetupData& d) {
    d = setup::SetupData{};
    for (int f = 1; f <= 2 * kOrdinary; ++f) {
        const int block = (f - 1) % kOrdinary;  // 0..63: 32 slots each
        setup::FixtureRecord r;
        r.number = static_cast<uint16_t>(f);
        r.channel_count = kChannels;
        r.card = static_cast<uint8_t>(block * kChannels / 512 + 1);
        r.address = f <= kOrdinary ? static_cast<int16_t>(block * kChannels % 512 + 1) : setup::kMultipatchAddress;
        r.protocol = setup::kProtocolDmxOut;
        setup::write_fixture(d, f, r);
    }
    d.set_i16(setup::kSetupFixtureCount, 2 * kOrdinary);
    setup::soft_patch_list.clear();
    for (int f = kOrdinary + 1; f <= 2 * kOrdinary; ++f) {
        const int block = f - kOrdinary - 1;
        for (int k = 1; k <= kChannels; ++k) {
            const int slot = block * kChannels + k;
            setup::soft_patch_list.push_back({static_cast<int16_t>(f), static_cast<int16_t>(k),
                                              static_cast<uint8_t>((slot - 1) / 512 + 1), static_cast<int16_t>((slot - 1) % 512 + 1)});
        }
    }
}

void BM_FindPatchConflicts(benchmark::State& state) {
    static setup::SetupData rig;
    lay_out_worst_rig(rig);
    for (auto _ : state) benchmark::DoNotOptimize(setup::find_patch_conflicts(rig).conflicts.size());
}
BENCHMARK(BM_FindPatchConflicts)->Unit(benchmark::kMillisecond);

struct Slot {
    int fixture, card, address;
    std::string protocol;
};

void BM_PlainPairTest(benchmark::State& state) {
    static setup::SetupData rig;
    lay_out_worst_rig(rig);
    std::vector<Slot> slots;
    for (int f = 1; f <= rig.stored_fixture_count(); ++f) {
        const setup::FixtureRecord r = setup::read_fixture(rig, f);
        if (r.address >= 1) {
            for (int c = 0; c < r.channel_count; ++c) slots.push_back({f, r.card, r.address + c, r.protocol});
        }
        for (const setup::SoftPatchEntry& e : setup::soft_patch_list) {
            if (r.address == 0 && e.fixture == f) slots.push_back({f, e.card, e.address, setup::kProtocolDmxOut});
        }
    }
    for (auto _ : state) {
        std::vector<std::pair<int, int>> pairs;
        for (size_t i = 0; i < slots.size(); ++i) {
            for (size_t j = i + 1; j < slots.size(); ++j) {
                const Slot& a = slots[i];
                const Slot& b = slots[j];
                if (a.address != b.address || a.card != b.card || a.protocol != b.protocol) continue;
                bool listed = false;
                for (const auto& p : pairs) listed = listed || (p.first == a.fixture && p.second == b.fixture);
                if (!listed) pairs.emplace_back(a.fixture, b.fixture);
            }
        }
        benchmark::DoNotOptimize(pairs.size());
    }
}
BENCHMARK(BM_PlainPairTest)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
