// SFPack / SFUnpack throughput beside memcpy and LZ4's library (LZ4_compress_default,
// LZ4_decompress_safe) on the same data: four synthetic kinds of 1 MiB and the files the
// program carries, as built into the build's bin folder. Then the sfpack tool beside the lz4
// tool at level 1 on 64 MiB files of the four kinds, in a memory-backed folder, timed from
// start to exit. Each benchmark reports "packed", the packed size over the input size. At
// the end tables give each kind's best repetition and our speed over LZ4's. Five
// repetitions, interleaved, unless the command line says otherwise.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "filestorage/Fssfpack.h"
#include "tests/bench/ToolRuns.h"
#include "tests/support/TempDir.h"

#ifdef VOKA_BENCH_LZ4
#include <lz4.h>
#endif

namespace {

constexpr size_t SyntheticSize = 1 << 20;
constexpr size_t FileSize = 64 << 20;

std::string Random(size_t size) {
    std::mt19937 generator(12345);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string Text(size_t size) {
    std::mt19937 generator(12345);
    static const char* const words[] = {"firmware ", "S113", "0000",  "unit ", "settings ",
                                        "block ",    "the ", "port ", "\r\n",  "config = "};
    std::string bytes;
    while (bytes.size() < size)
        bytes += words[generator() % 10];
    bytes.resize(size);
    return bytes;
}

std::string LongRuns(size_t size) {
    std::mt19937 generator(12345);
    std::string bytes;
    while (bytes.size() < size)
        bytes.append(200 + generator() % 4000, static_cast<char>(generator() % 8));
    bytes.resize(size);
    return bytes;
}

// Every value shows up in each piece, so every chunk is a run-table chunk.
std::string AllValuesWithRuns(size_t size) {
    std::mt19937 generator(12345);
    std::string bytes;
    while (bytes.size() < size) {
        const auto value = static_cast<char>(generator() & 0xFF);
        bytes.append(generator() % 4 == 0 ? 5 + generator() % 60 : 1, value);
    }
    bytes.resize(size);
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

using Generator = std::string (*)(size_t);
const std::pair<const char*, Generator> Synthetic[] = {{"random", Random},
                                                       {"text", Text},
                                                       {"long_runs", LongRuns},
                                                       {"all_values_runs", AllValuesWithRuns}};

std::vector<Kind> Kinds() {
    std::vector<Kind> kinds;
    for (const auto& [name, generate] : Synthetic)
        kinds.push_back({name, generate(SyntheticSize)});
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

// One comparison of a summary: our operation against LZ4's, per kind of data.
struct Comparison {
    const char* title;
    const char* ours;
    const char* theirs;
};
const std::vector<Comparison> BlockComparisons = {{"pack", "SFPack", "LZ4_compress_default"},
                                                  {"unpack", "SFUnpack", "LZ4_decompress_safe"}};
const std::vector<Comparison> ToolComparisons = {{"pack", "sfpack_pack", "lz4_-1"},
                                                 {"unpack", "sfpack_unpack", "lz4_-d"}};

// The tools on files of one kind: the command lines of the four runs.
struct ToolRuns {
    std::string kind;
    std::vector<std::vector<std::string>> commands; // in the order of ToolComparisons, ours first
};

// Writes each kind's file and each tool's packed form of it, which the unpacking runs take;
// checks that both come back whole. Nothing when lz4 is not on PATH.
std::vector<ToolRuns> PrepareToolRuns(const TempDir& folder) {
    const std::string lz4 = FindOnPath("lz4");
    if (lz4.empty()) {
        std::fprintf(stderr, "bench_sfpack: lz4 is not on PATH, the tools on files left out\n");
        return {};
    }
    const std::string sfpack = std::string(VOKA_BUILD_BIN) + "/sfpack";
    std::vector<ToolRuns> all;
    for (const auto& [kind, generate] : Synthetic) {
        const std::string file = folder / kind;
        const std::string data = generate(FileSize);
        WriteFileBytes(file, data);
        ToolRuns runs{kind,
                      {{sfpack, "pack", file, file + ".out.sfp"},
                       {lz4, "-1", "-f", file, file + ".out.lz4"},
                       {sfpack, "unpack", file + ".sfp", file + ".back.sfp"},
                       {lz4, "-d", "-f", file + ".lz4", file + ".back.lz4"}}};
        const bool prepared = TimedRun({sfpack, "pack", file, file + ".sfp"}) >= 0 &&
                              TimedRun({lz4, "-1", "-f", file, file + ".lz4"}) >= 0 &&
                              TimedRun(runs.commands[2]) >= 0 && TimedRun(runs.commands[3]) >= 0;
        if (!prepared || ReadFileBytes(file + ".back.sfp") != data ||
            ReadFileBytes(file + ".back.lz4") != data) {
            std::fprintf(stderr, "bench_sfpack: the tools do not round-trip %s, left out\n", kind);
            continue;
        }
        all.push_back(std::move(runs));
    }
    return all;
}

void TimedTool(benchmark::State& state, const std::vector<std::string>& command, size_t size,
               const std::string& packed) {
    for (auto _ : state) {
        const double seconds = TimedRun(command);
        if (seconds < 0) {
            state.SkipWithError("the tool failed");
            break;
        }
        state.SetIterationTime(seconds);
    }
    Report(state, size, static_cast<size_t>(std::filesystem::file_size(packed)));
}

struct Measured {
    size_t inputSize;
    bool wallClock; // a program run: its time is wall time, not this process's CPU time
};

// Passes every run to the console and keeps each benchmark's best speed, in GiB/s of
// input per second.
class BestRunReporter : public benchmark::ConsoleReporter {
public:
    explicit BestRunReporter(std::map<std::string, Measured> measured)
        : measured_(std::move(measured)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto found = measured_.find(run.run_name.function_name);
            if (run.run_type != Run::RT_Iteration || run.error_occurred || found == measured_.end())
                continue;
            const double seconds =
                found->second.wallClock ? run.real_accumulated_time : run.cpu_accumulated_time;
            if (seconds <= 0)
                continue;
            const double speed = static_cast<double>(run.iterations) *
                                 static_cast<double>(found->second.inputSize) / seconds / (1 << 30);
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
    std::map<std::string, Measured> measured_;
    std::map<std::string, double> best_;
};

// One row per kind of data (name and bytes), a column of the baseline's speed when there is
// one, and each comparison's speeds and ratio.
void PrintSummary(const BestRunReporter& reporter, const char* heading,
                  const std::vector<std::pair<std::string, size_t>>& rows, const char* baseline,
                  const std::vector<Comparison>& comparisons) {
    std::printf("\n%s\n%-16s %10s", heading, "data", "bytes");
    if (baseline)
        std::printf(" %8s", baseline);
    for (const Comparison& comparison : comparisons)
        std::printf(" | %-6s %7s %7s %6s", comparison.title, "ours", "LZ4", "ratio");
    std::printf("\n");
    for (const auto& [name, bytes] : rows) {
        const auto speed = [&, &name = name](const char* operation) {
            return reporter.Best(std::string(operation) + "/" + name);
        };
        if (std::none_of(comparisons.begin(), comparisons.end(), [&](const Comparison& c) {
                return speed(c.ours) > 0 || speed(c.theirs) > 0;
            }))
            continue; // filtered out
        std::printf("%-16s %10zu", name.c_str(), bytes);
        if (baseline)
            std::printf(" %8.2f", speed(baseline));
        for (const Comparison& comparison : comparisons) {
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
    std::map<std::string, Measured> measured;
    std::vector<std::pair<std::string, size_t>> blockRows;
    for (const Kind& kind : kinds) {
        blockRows.emplace_back(kind.name, kind.data.size());
        for (const Benchmarked& operation : Operations) {
            const std::string name = std::string(operation.name) + "/" + kind.name;
            benchmark::RegisterBenchmark(
                name.c_str(), [run = operation.run, &kind](auto& state) { run(state, kind.data); });
            measured[name] = {kind.data.size(), false};
        }
    }

    const TempDir folder(MemoryBackedFolder());
    static const std::vector<ToolRuns> toolRuns = PrepareToolRuns(folder);
    std::vector<std::pair<std::string, size_t>> toolRows;
    for (const ToolRuns& runs : toolRuns) {
        toolRows.emplace_back(runs.kind, FileSize);
        const std::string packedBy[] = {".out.sfp", ".out.lz4", ".sfp", ".lz4"};
        for (size_t i = 0; i < runs.commands.size(); ++i) {
            const Comparison& comparison = ToolComparisons[i / 2];
            const std::string name =
                std::string(i % 2 ? comparison.theirs : comparison.ours) + "/" + runs.kind;
            const std::string packed = folder / (runs.kind + packedBy[i]);
            benchmark::RegisterBenchmark(name.c_str(),
                                         [&command = runs.commands[i], packed](auto& state) {
                                             TimedTool(state, command, FileSize, packed);
                                         })
                ->UseManualTime()
                ->Iterations(1);
            measured[name] = {FileSize, true};
        }
    }

    BestRunReporter reporter(std::move(measured));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter, "Blocks in memory: best repetition, GiB/s of input per CPU second",
                 blockRows, "memcpy", BlockComparisons);
    PrintSummary(reporter,
                 ("Tools on files in " + folder.Path().string() +
                  ": best repetition, GiB/s of data per second from start to exit; LZ4 is the "
                  "lz4 tool at level 1")
                     .c_str(),
                 toolRows, nullptr, ToolComparisons);
    benchmark::Shutdown();
    return 0;
}
