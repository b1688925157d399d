// SFPack / SFUnpack throughput on 1 MiB of four kinds of data, each beside memcpy of
// the same buffer and LZ4's fastest level. "ratio" is packed size / input size.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "filestorage/Fssfpack.h"

#ifdef VOKA_BENCH_LZ4
#include <lz4.h>
#endif

namespace {

constexpr size_t InputSize = 1 << 20;

enum DataKind { Random, Text, LongRuns, AllValuesWithRuns };
const char* const KindNames[] = {"random", "text", "long_runs", "all_values_runs"};

std::string MakeData(DataKind kind) {
    std::mt19937 generator(12345);
    std::string bytes;
    bytes.reserve(InputSize + 4096);
    switch (kind) {
    case Random:
        while (bytes.size() < InputSize)
            bytes.push_back(static_cast<char>(generator() & 0xFF));
        break;
    case Text: {
        static const char* const words[] = {"firmware ", "S113", "0000",  "unit ", "settings ",
                                            "block ",    "the ", "port ", "\r\n",  "config = "};
        while (bytes.size() < InputSize)
            bytes += words[generator() % 10];
        break;
    }
    case LongRuns:
        while (bytes.size() < InputSize)
            bytes.append(200 + generator() % 4000, static_cast<char>(generator() % 8));
        break;
    case AllValuesWithRuns:
        // Every value shows up in each piece, so every chunk is a run-table chunk.
        while (bytes.size() < InputSize) {
            const auto value = static_cast<char>(generator() & 0xFF);
            bytes.append(generator() % 4 == 0 ? 5 + generator() % 60 : 1, value);
        }
        break;
    }
    bytes.resize(InputSize);
    return bytes;
}

void Report(benchmark::State& state, size_t outputSize) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * InputSize);
    state.counters["ratio"] = static_cast<double>(outputSize) / InputSize;
}

void BM_SFPack(benchmark::State& state) {
    const std::string input = MakeData(static_cast<DataKind>(state.range(0)));
    std::vector<uint8_t> target(SFMaxPackedSz(InputSize));
    uint32_t packed = 0;
    for (auto _ : state) {
        packed = SFPack(input.data(), target.data(), InputSize, target.size());
        benchmark::DoNotOptimize(target.data());
    }
    Report(state, packed);
}

void BM_SFUnpack(benchmark::State& state) {
    const std::string packed = SFPackStr(MakeData(static_cast<DataKind>(state.range(0))));
    std::vector<uint8_t> target(InputSize);
    for (auto _ : state) {
        SFUnpack(packed.data() + 4, target.data(), static_cast<uint32_t>(packed.size() - 4),
                 InputSize);
        benchmark::DoNotOptimize(target.data());
    }
    Report(state, packed.size());
}

void BM_Memcpy(benchmark::State& state) {
    const std::string input = MakeData(static_cast<DataKind>(state.range(0)));
    std::vector<uint8_t> target(InputSize);
    for (auto _ : state) {
        std::memcpy(target.data(), input.data(), InputSize);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    Report(state, InputSize);
}

#ifdef VOKA_BENCH_LZ4
void BM_LZ4Compress(benchmark::State& state) {
    const std::string input = MakeData(static_cast<DataKind>(state.range(0)));
    std::vector<char> target(LZ4_compressBound(InputSize));
    int packed = 0;
    for (auto _ : state) {
        packed = LZ4_compress_default(input.data(), target.data(), InputSize,
                                      static_cast<int>(target.size()));
        benchmark::DoNotOptimize(target.data());
    }
    Report(state, static_cast<size_t>(packed));
}

void BM_LZ4Decompress(benchmark::State& state) {
    const std::string input = MakeData(static_cast<DataKind>(state.range(0)));
    std::vector<char> packed(LZ4_compressBound(InputSize));
    packed.resize(LZ4_compress_default(input.data(), packed.data(), InputSize,
                                       static_cast<int>(packed.size())));
    std::vector<char> target(InputSize);
    for (auto _ : state) {
        LZ4_decompress_safe(packed.data(), target.data(), static_cast<int>(packed.size()),
                            InputSize);
        benchmark::DoNotOptimize(target.data());
    }
    Report(state, packed.size());
}
#endif

void AllKinds(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("data");
    for (int kind = Random; kind <= AllValuesWithRuns; ++kind)
        benchmark->Arg(kind);
}

BENCHMARK(BM_SFPack)->Apply(AllKinds);
BENCHMARK(BM_SFUnpack)->Apply(AllKinds);
BENCHMARK(BM_Memcpy)->Apply(AllKinds);
#ifdef VOKA_BENCH_LZ4
BENCHMARK(BM_LZ4Compress)->Apply(AllKinds);
BENCHMARK(BM_LZ4Decompress)->Apply(AllKinds);
#endif

} // namespace

BENCHMARK_MAIN();
