// Serial ports over a pseudo-terminal pair: one-byte round trip latency
// (WriteFile -> echo -> WaitCommEvent -> ReadFile), bulk throughput, and the CPU an idle open
// port costs while a WaitCommEvent is pending.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/win32/Comm.h"
#include "platform/win32/Files.h"
#include "platform/win32/Synch.h"

namespace {
// A pty pair whose slave is COM40; the master side runs an echo or a sink.
class PtyPort {
public:
    PtyPort() {
        char name[256];
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        setenv("VOKA_PORTS", (std::string("COM40=") + name).c_str(), 1);
        port_ = CreateFileA("\\\\.\\COM40", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
        if (port_ == INVALID_HANDLE_VALUE)
            throw std::runtime_error("cannot open COM40");
        event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~PtyPort() {
        stop_ = true;
        if (far_.joinable())
            far_.join();
        CloseHandle(port_);
        CloseHandle(event_);
        close(slave_);
        close(master_);
    }
    // Runs on the master side until the end: echo every byte back, or only drain.
    void StartFarEnd(bool echo) {
        far_ = std::thread([this, echo] {
            char buffer[65536];
            while (!stop_) {
                pollfd ready{master_, POLLIN, 0};
                if (poll(&ready, 1, 50) <= 0)
                    continue;
                ssize_t got = read(master_, buffer, sizeof buffer);
                if (got > 0 && echo) [[maybe_unused]]
                    auto ignored = write(master_, buffer, static_cast<size_t>(got));
            }
        });
    }
    BOOL Finish(OVERLAPPED& overlapped, BOOL started, DWORD& done) {
        return started || GetOverlappedResult(port_, &overlapped, &done, TRUE);
    }
    HANDLE Port() const { return port_; }
    HANDLE Event() const { return event_; }

private:
    int master_ = -1, slave_ = -1;
    HANDLE port_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread far_;
};

void BM_PtyOneByteRoundTrip(benchmark::State& state) {
    PtyPort pty;
    pty.StartFarEnd(true);
    SetCommMask(pty.Port(), EV_RXCHAR);
    for (auto _ : state) {
        OVERLAPPED write{}, wait{}, read{};
        write.hEvent = wait.hEvent = read.hEvent = pty.Event();
        DWORD done = 0, mask = 0;
        pty.Finish(write, WriteFile(pty.Port(), "?", 1, &done, &write), done);
        pty.Finish(wait, WaitCommEvent(pty.Port(), &mask, &wait), done);
        char answer;
        pty.Finish(read, ReadFile(pty.Port(), &answer, 1, &done, &read), done);
        benchmark::DoNotOptimize(answer);
    }
}
BENCHMARK(BM_PtyOneByteRoundTrip)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();

void BM_PtyBulkWrite(benchmark::State& state) {
    PtyPort pty;
    pty.StartFarEnd(false);
    const std::string block(static_cast<size_t>(state.range(0)), 'x');
    for (auto _ : state) {
        OVERLAPPED write{};
        write.hEvent = pty.Event();
        DWORD done = 0;
        pty.Finish(
            write,
            WriteFile(pty.Port(), block.data(), static_cast<DWORD>(block.size()), &done, &write),
            done);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_PtyBulkWrite)->Arg(65536)->UseRealTime();

// Process CPU time spent while an open port waits 2 s for an event that never comes.
void BM_IdlePortCpu(benchmark::State& state) {
    PtyPort pty;
    SetCommMask(pty.Port(), EV_RXCHAR | EV_CTS | EV_DSR);
    for (auto _ : state) {
        OVERLAPPED wait{};
        wait.hEvent = pty.Event();
        DWORD mask = 0;
        WaitCommEvent(pty.Port(), &mask, &wait);
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        getrusage(RUSAGE_SELF, &after);
        auto micros = [](const rusage& usage) {
            return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000.0 +
                   usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
        };
        state.counters["cpu_us_per_2s"] = micros(after) - micros(before);
        PurgeComm(pty.Port(), PURGE_RXABORT);
    }
}
BENCHMARK(BM_IdlePortCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
} // namespace
