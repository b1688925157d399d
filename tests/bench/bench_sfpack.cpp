// SFPack / SFUnpack throughput beside memcpy and LZ4's library (LZ4_compress_default,
// LZ4_decompress_safe) on the same data: four synthetic kinds of 1 MiB and the files the
// program carries, as built into the build's bin folder. Each benchmark reports "packed",
// the packed size over the input size. At the end a table gives each kind's best
// repetition (by CPU time) and our speed over LZ4's. Five repetitions, interleaved, unless
// the command line says otherwise.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "filestorage/Fssfpack.h"

#ifdef VOKA_BENCH_LZ4
#include <lz4.h>
#endif

namespace {

constexpr size_t SyntheticSize = 1 << 20;

std::string Random() {
    std::mt19937 generator(12345);
    std::string bytes(SyntheticSize, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string Text() {
    std::mt19937 generator(12345);
    static const char* const words[] = {"firmware ", "S113", "0000",  "unit ", "settings ",
                                        "block ",    "the ", "port ", "\r\n",  "config = "};
    std::string bytes;
    while (bytes.size() < SyntheticSize)
        bytes += words[generator() % 10];
    bytes.resize(SyntheticSize);
    return bytes;
}

std::string LongRuns() {
    std::mt19937 generator(12345);
    std::string bytes;
    while (bytes.size() < SyntheticSize)
        bytes.append(200 + generator() % 4000, static_cast<char>(generator() % 8));
    bytes.resize(SyntheticSize);
    return bytes;
}

// Every value shows up in each piece, so every chunk is a run-table chunk.
std::string AllValuesWithRuns() {
    std::mt19937 generator(12345);
    std::string bytes;
    while (bytes.size() < SyntheticSize) {
        const auto value = static_cast<char>(generator() & 0xFF);
        bytes.append(generator() % 4 == 0 ? 5 + generator() % 60 : 1, value);
    }
    bytes.resize(SyntheticSize);
    return bytes;
}

// A file of the build's bin folder; empty when it has not been built.
std::string BuiltFile(const char* name) {
    std::ifstream file(std::string(VOKA_BUILD_BIN) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct Kind {
    std::string name;
    std::string data;
};

std::vector<Kind> Kinds() {
    std::vector<Kind> kinds = {{"random", Random()},
                               {"text", Text()},
                               {"long_runs", LongRuns()},
                               {"all_values_runs", AllValuesWithRuns()}};
    for (const char* name : {"update.exe", "KZRA503.s19"}) {
        std::string data = BuiltFile(name);
        if (data.empty())
            std::fprintf(stderr, "bench_sfpack: %s/%s not built, left out\n", VOKA_BUILD_BIN, name);
        else
            kinds.push_back({name, std::move(data)});
    }
    return kinds;
}

void Report(benchmark::State& state, size_t inputSize, size_t packedSize) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * inputSize));
    state.counters["packed"] = static_cast<double>(packedSize) / static_cast<double>(inputSize);
}

std::string Packed(const std::string& input) {
    std::string packed(SFMaxPackedSz(static_cast<uint32_t>(input.size())), '\0');
    packed.resize(
        SFPack(input.data(), packed.data(), static_cast<uint32_t>(input.size()), packed.size()));
    return packed;
}

void SFPackBlock(benchmark::State& state, const std::string& input) {
    std::vector<uint8_t> target(SFMaxPackedSz(static_cast<uint32_t>(input.size())));
    uint32_t packed = 0;
    for (auto _ : state) {
        packed =
            SFPack(input.data(), target.data(), static_cast<uint32_t>(input.size()), target.size());
        benchmark::DoNotOptimize(target.data());
    }
    Report(state, input.size(), packed);
}

void SFUnpackBlock(benchmark::State& state, const std::string& input) {
    const std::string packed = Packed(input);
    std::vector<uint8_t> target(input.size());
    for (auto _ : state) {
        SFUnpack(packed.data() + 4, target.data(), static_cast<uint32_t>(packed.size() - 4),
                 static_cast<uint32_t>(target.size()));
        benchmark::DoNotOptimize(target.data());
    }
    Report(state, input.size(), packed.size());
}

void Memcpy(benchmark::State& state, const std::string& input) {
    std::vector<uint8_t> target(input.size());
    for (auto _ : state) {
        std::memcpy(target.data(), input.data(), input.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    Report(state, input.size(), input.size());
}

#ifdef VOKA_BENCH_LZ4
std::vector<char> LZ4Packed(const std::string& input) {
    std::vector<char> packed(LZ4_compressBound(static_cast<int>(input.size())));
    packed.resize(LZ4_compress_default(input.data(), packed.data(), static_cast<int>(input.size()),
                                       static_cast<int>(packed.size())));
    return packed;
}

void LZ4Compress(benchmark::State& state, const std::string& input) {
    std::vector<char> target(LZ4_compressBound(static_cast<int>(input.size())));
    int packed = 0;
    for (auto _ : state) {
        packed = LZ4_compress_default(input.data(), target.data(), static_cast<int>(input.size()),
                                      static_cast<int>(target.size()));
        benchmark::DoNotOptimize(target.data());
    }
    Report(state, input.size(), static_cast<size_t>(packed));
}

void LZ4Decompress(benchmark::State& state, const std::string& input) {
    const std::vector<char> packed = LZ4Packed(input);
    std::vector<char> target(input.size());
    for (auto _ : state) {
        LZ4_decompress_safe(packed.data(), target.data(), static_cast<int>(packed.size()),
                            static_cast<int>(target.size()));
        benchmark::DoNotOptimize(target.data());
    }
    Report(state, input.size(), packed.size());
}
#endif

using Operation = void (*)(benchmark::State&, const std::string&);
struct Benchmarked {
    const char* name;
    Operation run;
};
// In the order they run on each kind: each of ours right beside LZ4's, so that a change in
// the machine's load tilts both alike.
const Benchmarked Operations[] = {
    {"SFPack", SFPackBlock},
#ifdef VOKA_BENCH_LZ4
    {"LZ4_compress_default", LZ4Compress},
#endif
    {"SFUnpack", SFUnpackBlock},
#ifdef VOKA_BENCH_LZ4
    {"LZ4_decompress_safe", LZ4Decompress},
#endif
    {"memcpy", Memcpy},
};

// One comparison of the summary: our operation against LZ4's, per kind of data.
struct Comparison {
    const char* title;
    const char* ours;
    const char* theirs;
};
const Comparison Comparisons[] = {
    {"pack", "SFPack", "LZ4_compress_default"}, {"unpack", "SFUnpack", "LZ4_decompress_safe"},
    // The sfpack tool against the lz4 tool on files, both ways, joins here.
};

// Passes every run to the console and keeps each benchmark's best speed, in GiB/s of
// input per CPU second.
class BestRunReporter : public benchmark::ConsoleReporter {
public:
    explicit BestRunReporter(std::map<std::string, size_t> inputSizes)
        : inputSizes_(std::move(inputSizes)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto size = inputSizes_.find(run.run_name.function_name);
            if (run.run_type != Run::RT_Iteration || run.error_occurred ||
                size == inputSizes_.end() || run.cpu_accumulated_time <= 0)
                continue;
            const double speed = static_cast<double>(run.iterations) *
                                 static_cast<double>(size->second) / run.cpu_accumulated_time /
                                 (1 << 30);
            double& best = best_[run.run_name.function_name];
            best = std::max(best, speed);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // 0 when the benchmark did not run.
    double Best(const std::string& name) const {
        const auto found = best_.find(name);
        return found == best_.end() ? 0 : found->second;
    }

private:
    std::map<std::string, size_t> inputSizes_;
    std::map<std::string, double> best_;
};

void PrintSummary(const BestRunReporter& reporter, const std::vector<Kind>& kinds) {
    std::printf("\nBest repetition, GiB/s of input per CPU second; ratio = ours / LZ4's\n");
    std::printf("%-16s %10s %8s", "data", "bytes", "memcpy");
    for (const Comparison& comparison : Comparisons)
        std::printf(" | %-6s %7s %7s %6s", comparison.title, "ours", "LZ4", "ratio");
    std::printf("\n");
    for (const Kind& kind : kinds) {
        const auto speed = [&](const char* operation) {
            return reporter.Best(std::string(operation) + "/" + kind.name);
        };
        if (std::none_of(std::begin(Operations), std::end(Operations),
                         [&](const Benchmarked& operation) { return speed(operation.name) > 0; }))
            continue; // filtered out
        std::printf("%-16s %10zu %8.2f", kind.name.c_str(), kind.data.size(), speed("memcpy"));
        for (const Comparison& comparison : Comparisons) {
            const double ours = speed(comparison.ours);
            const double theirs = speed(comparison.theirs);
            std::printf(" | %-6s %7.2f %7.2f ", "", ours, theirs);
            if (ours > 0 && theirs > 0)
                std::printf("%5.2fx", ours / theirs);
            else
                std::printf("%6s", "-");
        }
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    // Best of five by default, the repetitions of all benchmarks shuffled so that a busy
    // stretch of a shared machine does not fall on one side of a comparison only. Flags
    // given on the command line come later and win.
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleaving = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, {repetitions.data(), interleaving.data()});
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;

    static const std::vector<Kind> kinds = Kinds();
    std::map<std::string, size_t> inputSizes;
    for (const Kind& kind : kinds)
        for (const Benchmarked& operation : Operations) {
            const std::string name = std::string(operation.name) + "/" + kind.name;
            benchmark::RegisterBenchmark(
                name.c_str(), [run = operation.run, &kind](auto& state) { run(state, kind.data); });
            inputSizes[name] = kind.data.size();
        }
    BestRunReporter reporter(std::move(inputSizes));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter, kinds);
    benchmark::Shutdown();
    return 0;
}
