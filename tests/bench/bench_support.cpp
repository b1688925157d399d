// MatchPatternSimple on a 10,000-byte text with 20 stars: the work must grow with the
// text, not with the number of ways the stars can split it.
#include <benchmark/benchmark.h>

#include <string>

#include "support/Nrsysutils.h"

namespace {
std::string Stars(int count, const std::string& between) {
    std::string pattern;
    for (int i = 0; i < count; ++i)
        pattern += "*" + between;
    return pattern;
}

void MatchManyStars(benchmark::State& state) {
    const std::string text(static_cast<size_t>(state.range(0)), 'a');
    const std::string pattern = Stars(20, "a") + "b"; // never matches: worst case
    for (auto _ : state)
        benchmark::DoNotOptimize(Nrsysutils::MatchPatternSimple(text.c_str(), pattern.c_str()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
}

void MatchLiteralStretches(benchmark::State& state) {
    std::string text;
    while (text.size() < 10000)
        text += "COM12=/dev/ttyUSB0;";
    const std::string pattern = Stars(20, "COM") + "*;";
    for (auto _ : state)
        benchmark::DoNotOptimize(Nrsysutils::MatchPatternSimple(text.c_str(), pattern.c_str()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
} // namespace

BENCHMARK(MatchManyStars)->RangeMultiplier(2)->Range(1250, 10000)->Complexity();
BENCHMARK(MatchLiteralStretches);
BENCHMARK_MAIN();
