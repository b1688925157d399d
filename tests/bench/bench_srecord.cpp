// The updater's S-record reader on a 1 MiB file: S1 records of 32 data bytes, the
// address space covered again and again (later records overwrite earlier ones).
#include <benchmark/benchmark.h>

#include <sstream>

#include "tools/lumivox-sim/FirmwareImage.h"
#include "updater/SRecordReader.h"

namespace {
std::string MegabyteOfRecords() {
    std::string text = SRecordLine('0', 0, "bench") + "\r\n";
    std::string data(32, '\0');
    for (uint32_t n = 0; text.size() < (1u << 20); ++n) {
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = char(n * 7 + i);
        text += SRecordLine('1', (n * 32) % 0x10000, data) + "\r\n";
    }
    return text + SRecordLine('9', 0, "") + "\r\n";
}
} // namespace

static void BM_ReadSRecords1MiB(benchmark::State& state) {
    const std::string text = MegabyteOfRecords();
    for (auto _ : state) {
        std::istringstream in(text);
        FirmwareImage image;
        const SRecordResult result = ReadSRecords(in, image, nullptr);
        if (!result)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(image.bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ReadSRecords1MiB)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
