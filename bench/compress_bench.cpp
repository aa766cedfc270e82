// Archive stream compression of a 1 MB file shaped like mem.dat (an index of
// offsets, then tagged items with slowly varying levels), and of 1 MB of runs
// of one byte, 1 to 500 long, between single other bytes (where a position
// has thousands of long candidates): implode and explode through the
// callbacks, in bytes of the uncompressed file per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "datafiles/compress/implode.h"

namespace {

std::vector<uint8_t> memory_file_shape() {
    std::vector<uint8_t> mem(1 << 20);
    std::mt19937 rng(1);
    for (size_t i = 16; i < 16 + 4 * 4000; i += 4) {
        const auto offset = static_cast<uint32_t>(20000 + (i - 16) * 60);
        for (size_t k = 0; k < 4; ++k) mem[i + k] = static_cast<uint8_t>(offset >> (8 * k));
    }
    for (size_t i = 16 + 4 * 4000; i + 6 <= mem.size(); i += 6) {
        const auto item = static_cast<uint16_t>((i / 6) % 2048 + 1);
        const uint8_t record[6] = {0x4D, static_cast<uint8_t>(item), static_cast<uint8_t>(item >> 8),
                                   static_cast<uint8_t>((i / 600) % 256), 0, static_cast<uint8_t>(rng() % 4)};
        std::memcpy(&mem[i], record, 6);
    }
    return mem;
}

std::vector<uint8_t> runs_shape() {
    std::vector<uint8_t> runs;
    runs.reserve(1 << 20);
    std::mt19937 rng(2);
    while (runs.size() < (1u << 20)) {
        const size_t length = std::min<size_t>(rng() % 500 + 1, (1u << 20) - runs.size());
        runs.insert(runs.end(), length, uint8_t{0});
        runs.push_back(static_cast<uint8_t>(rng() % 255 + 1));
    }
    runs.resize(1u << 20);
    return runs;
}

struct Stream {
    const std::vector<uint8_t>* in;
    size_t pos;
    std::vector<uint8_t>* out;
};

unsigned read_stream(char* buffer, unsigned* size, void* param) {
    auto& s = *static_cast<Stream*>(param);
    const size_t n = std::min<size_t>(*size, s.in->size() - s.pos);
    std::memcpy(buffer, s.in->data() + s.pos, n);
    s.pos += n;
    return static_cast<unsigned>(n);
}

void write_stream(char* buffer, unsigned* size, void* param) {
    auto& s = *static_cast<Stream*>(param);
    s.out->insert(s.out->end(), buffer, buffer + *size);
}

alignas(16) std::array<char, compress::kImplodeWorkSize> work;

std::vector<uint8_t> pack(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
    out.clear();
    Stream s{&data, 0, &out};
    unsigned mode = compress::kBinaryLiterals;
    unsigned dictionary = 4096;
    compress::implode(read_stream, write_stream, work.data(), &s, &mode, &dictionary);
    return out;
}

void implode_each_pass(benchmark::State& state, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    out.reserve(data.size());
    for (auto _ : state) {
        pack(data, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}

void BM_ImplodeMemoryFile(benchmark::State& state) { implode_each_pass(state, memory_file_shape()); }
BENCHMARK(BM_ImplodeMemoryFile)->Unit(benchmark::kMillisecond);

void BM_ImplodeRuns(benchmark::State& state) { implode_each_pass(state, runs_shape()); }
BENCHMARK(BM_ImplodeRuns)->Unit(benchmark::kMillisecond);

void BM_ExplodeMemoryFile(benchmark::State& state) {
    const auto data = memory_file_shape();
    std::vector<uint8_t> packed;
    pack(data, packed);
    std::vector<uint8_t> out;
    out.reserve(data.size());
    for (auto _ : state) {
        out.clear();
        Stream s{&packed, 0, &out};
        compress::explode(read_stream, write_stream, work.data(), &s);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_ExplodeMemoryFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
