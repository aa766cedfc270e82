// Timing of the benchmarks' runs: each timed piece of work is measured on
// the wall clock and in this thread's CPU time (on a shared machine the wall
// clock also counts the time other programs took the core), and the run
// reports medians, 99th percentiles and the maximum as counters.
#pragma once
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace bench {

inline double thread_cpu_us() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

inline void report_timings(benchmark::State& state, std::vector<double>& wall_us, std::vector<double>& cpu_us) {
    if (wall_us.empty()) return;
    std::sort(wall_us.begin(), wall_us.end());
    std::sort(cpu_us.begin(), cpu_us.end());
    const auto p99 = [](const std::vector<double>& v) { return v[std::min(v.size() - 1, v.size() * 99 / 100)]; };
    state.counters["median_us"] = wall_us[wall_us.size() / 2];
    state.counters["p99_us"] = p99(wall_us);
    state.counters["max_us"] = wall_us.back();
    state.counters["cpu_median_us"] = cpu_us[cpu_us.size() / 2];
    state.counters["cpu_p99_us"] = p99(cpu_us);
}

// Runs the timed work once per iteration, timing each; prepare readies the
// next one untimed. Both take the iteration number.
template <typename Prepare, typename Work>
void timed_runs(benchmark::State& state, Prepare prepare, Work work) {
    std::vector<double> wall_us;
    std::vector<double> cpu_us;
    wall_us.reserve(4096);
    cpu_us.reserve(4096);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(n);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const double cpu_start = thread_cpu_us();
        work(n++);
        benchmark::ClobberMemory();
        const double cpu_end = thread_cpu_us();
        const auto end = std::chrono::steady_clock::now();
        wall_us.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        cpu_us.push_back(cpu_end - cpu_start);
    }
    report_timings(state, wall_us, cpu_us);
}

}  // namespace bench
