// The event path of the serial component over a pseudo-terminal: one byte written at the
// far end until OnAfterReceive runs on the user-interface thread (median and 99th
// percentile), and bulk receive throughput through the same path.
#include <benchmark/benchmark.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "comm/reRore.h"
#include "platform/classes/Application.h"
#include "platform/classes/MessageLoop.h"

namespace {
using Clock = std::chrono::steady_clock;

// COM41 on the slave of a pty pair, opened by a component whose handler counts bytes.
class PtyComponent : public TObject {
public:
    PtyComponent() {
        char name[256];
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        setenv("VOKA_PORTS", (std::string("COM41=") + name).c_str(), 1);
        comm_.SetComPortNo(41);
        comm_.SetStreamProtocol(spNone);
        comm_.SetBaudRate(115200);
        comm_.SetOnAfterReceive(TOnReceived::Bind<&PtyComponent::Received>(this));
        comm_.SetActive(true);
        if (!comm_.GetActive())
            throw std::runtime_error("cannot open COM41");
    }
    ~PtyComponent() override {
        comm_.SetActive(false);
        close(slave_);
        close(master_);
    }
    void Write(const char* bytes, size_t count) {
        while (count > 0) {
            const ssize_t put = write(master_, bytes, count);
            if (put <= 0)
                throw std::runtime_error("pty write failed");
            bytes += put;
            count -= static_cast<size_t>(put);
        }
    }
    // Serves the user-interface thread until the handler has seen Total bytes.
    void PumpUntil(uint64_t Total) {
        while (received_ < Total) {
            Application->ProcessMessages();
            if (received_ < Total)
                TMessageLoop::Main().WaitForSignal(1);
        }
    }
    uint64_t ReceivedBytes() const { return received_; }

private:
    void Received(TObject*, const void*, uint32_t Length) { received_ += Length; }

    int master_ = -1;
    int slave_ = -1;
    TreRore comm_{nullptr};
    uint64_t received_ = 0; // user-interface thread only
};

void BM_ByteToOnAfterReceive(benchmark::State& state) {
    TApplication application;
    PtyComponent port;
    std::vector<double> latencies;
    for (auto _ : state) {
        const uint64_t target = port.ReceivedBytes() + 1;
        const auto start = Clock::now();
        port.Write("x", 1);
        port.PumpUntil(target);
        const std::chrono::duration<double> took = Clock::now() - start;
        state.SetIterationTime(took.count());
        latencies.push_back(took.count() * 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double fraction) {
        return latencies[static_cast<size_t>(fraction * static_cast<double>(latencies.size() - 1))];
    };
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
}
BENCHMARK(BM_ByteToOnAfterReceive)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

void BM_BulkReceiveThroughEvents(benchmark::State& state) {
    TApplication application;
    PtyComponent port;
    const std::string chunk(4096, 'b');
    const uint64_t bytesPerRound = 4u << 20;
    for (auto _ : state) {
        const uint64_t target = port.ReceivedBytes() + bytesPerRound;
        std::thread writer([&] {
            for (uint64_t sent = 0; sent < bytesPerRound; sent += chunk.size())
                port.Write(chunk.data(), chunk.size());
        });
        port.PumpUntil(target);
        writer.join();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytesPerRound));
}
BENCHMARK(BM_BulkReceiveThroughEvents)->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
