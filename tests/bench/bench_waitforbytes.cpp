// WaitForBytes reaction time over a pseudo-terminal: from the moment a byte is written to the
// far end until the waiting component returns. Reported per iteration, with the median and
// 99th percentile of all samples as counters.
#include <benchmark/benchmark.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <semaphore>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "comm/reRore.h"
#include "tests/bench/Percentile.h"

namespace {
using Clock = std::chrono::steady_clock;

// The slave of a pty pair as COM41, opened by the component; a writer thread feeds the master.
class PtyFeed {
public:
    PtyFeed() {
        char name[256];
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        setenv("VOKA_PORTS", (std::string("COM41=") + name).c_str(), 1);
        writer_ = std::thread([this] { Run(); });
    }
    ~PtyFeed() {
        stop_ = true;
        go_.release();
        writer_.join();
        close(slave_);
        close(master_);
    }
    // The writer waits 1.5 to 3.5 ms, so the reader is already polling, then writes one byte.
    void Fire() { go_.release(); }
    Clock::time_point WrittenAt() const { return writtenAt_.load(); }

private:
    void Run() {
        std::minstd_rand random(7);
        std::uniform_int_distribution<int> jitter(0, 2000);
        for (;;) {
            go_.acquire();
            if (stop_)
                return;
            // A varying delay, so the byte lands anywhere within the reader's 1 ms poll.
            std::this_thread::sleep_for(std::chrono::microseconds(1500 + jitter(random)));
            writtenAt_ = Clock::now();
            if (write(master_, "x", 1) != 1)
                return;
        }
    }
    int master_ = -1;
    int slave_ = -1;
    std::thread writer_;
    std::binary_semaphore go_{0};
    std::atomic<bool> stop_ = false;
    std::atomic<Clock::time_point> writtenAt_{};
};

void BM_WaitForBytesReaction(benchmark::State& state) {
    PtyFeed feed;
    TreRore comm(nullptr);
    comm.SetStreamProtocol(spNone);
    comm.SetComPortNo(41);
    comm.SetActive(true);
    std::vector<double> micros;
    for (auto _ : state) {
        feed.Fire();
        const bool arrived = comm.WaitForBytes(1, 1000);
        const auto returned = Clock::now();
        if (!arrived) {
            state.SkipWithError("no byte within 1000 ms");
            break;
        }
        const std::chrono::duration<double> reaction = returned - feed.WrittenAt();
        state.SetIterationTime(reaction.count());
        micros.push_back(reaction.count() * 1e6);
        comm.ClearDeviceInput();
    }
    state.counters["median_us"] = Percentile(micros, 0.5);
    state.counters["p99_us"] = Percentile(micros, 0.99);
}
BENCHMARK(BM_WaitForBytesReaction)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);
} // namespace
