// The download command end to end over a pseudo-terminal against the simulated unit: as
// fast as the pty goes, and with the unit pacing both directions at 19200 bit/s, where the
// line itself needs 791 byte times (hello 2 + 3, three requests of 5, three replies of 257).
// Reported per download, with the median and the median's distance from the line time.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/MainForm.h"
#include "app/SettingsTransfer.h"
#include "platform/classes/Application.h"
#include "tests/bench/Percentile.h"
#include "tools/lumivox-sim/LineServer.h"
#include "tools/lumivox-sim/PtyLine.h"
#include "tools/lumivox-sim/SettingsUnit.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr uint16_t kPortNo = 43;
constexpr int kLineBytes = 2 + 3 + 3 * 5 + 3 * 257;

// The simulated unit on its own thread, at the far end of a pty listed as COM43.
class UnitOnPty {
public:
    explicit UnitOnPty(LineTiming timing) : server_(OpenedMaster(line_), unit_, timing) {
        setenv("VOKA_PORTS", ("COM" + std::to_string(kPortNo) + "=" + line_.DevicePath()).c_str(),
               1);
        thread_ = std::thread([this] { server_.Run([this] { return stop_.load(); }, 10); });
    }
    ~UnitOnPty() {
        stop_ = true;
        thread_.join();
    }

private:
    static int OpenedMaster(PtyLine& line) {
        std::string error;
        if (!line.Open(error))
            throw std::runtime_error(error);
        return line.Master();
    }

    PtyLine line_;
    SettingsUnit unit_;
    LineServer server_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

class TNoDisplay : public TTransferDisplay {
public:
    void SetBarVisible(bool) override {}
    void SetBarPosition(int) override {}
    void SetLabelVisible(bool) override {}
    void SetLabelText(const AnsiString&) override {}
};

// state.range(0): the paced line speed in bit/s, 0 for the pty's own speed.
void BM_Download(benchmark::State& state) {
    const auto speed = static_cast<unsigned>(state.range(0));
    UnitOnPty unit({speed ? speed : 19200, speed != 0, 0, 500});
    TApplication application;
    auto port = CreateSettingsPort();
    port->SetComPortNo(kPortNo);
    TNoDisplay display;
    TSettingsTransfer transfer(*port, display);
    const std::string saved = (std::filesystem::temp_directory_path() /
                               ("voka-bench-download-" + std::to_string(getpid()) + ".BIN"))
                                  .string();
    auto chooseFile = [&](const AnsiString&) { return std::optional<AnsiString>(saved); };

    std::vector<double> millis;
    for (auto _ : state) {
        const auto start = Clock::now();
        const TTransferResult result = transfer.Download(chooseFile);
        const std::chrono::duration<double> took = Clock::now() - start;
        if (result != TTransferResult::Done) {
            state.SkipWithError("the download failed");
            break;
        }
        state.SetIterationTime(took.count());
        millis.push_back(took.count() * 1e3);
    }
    std::filesystem::remove(saved);
    state.counters["median_ms"] = Percentile(millis, 0.5);
    if (speed) {
        const double lineMs = kLineBytes * 10.0 * 1e3 / speed;
        state.counters["line_ms"] = lineMs;
        state.counters["over_line_ms"] = Percentile(millis, 0.5) - lineMs;
    }
}
BENCHMARK(BM_Download)
    ->ArgName("paced_bps")
    ->Arg(0)
    ->Arg(19200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
} // namespace
