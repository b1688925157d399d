// Start-up of the VOKA program: from starting the process until its main window is mapped
// on the X display, with the stored files written and the device list loaded on the way.
// Needs a display; run it under xvfb-run. The program runs from a temporary folder of its
// own, so its stored files and settings land there.
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/bench/Percentile.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr const char* kWindowTitle = "VOKA Lumivox ";

// The build's bin folder: VOKA_BIN, else beside the bench folder this program runs from.
fs::path BinFolder() {
    if (const char* bin = std::getenv("VOKA_BIN"); bin && *bin)
        return bin;
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin";
}

bool IsMainWindow(Display* display, Window window) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name)
        return false;
    const bool matches = std::strcmp(name, kWindowTitle) == 0;
    XFree(name);
    return matches;
}

// Waits for a top-level window with the main window's title to be mapped.
bool WaitForMainWindow(Display* display, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && IsMainWindow(display, event.xmap.window))
                return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, int(std::max<long>(1, left.count())));
    }
    return false;
}

void BM_StartupToWindowShown(benchmark::State& state) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        state.SkipWithError("no X display: run it under xvfb-run");
        return;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    char folderTemplate[] = "/tmp/voka-bench-startup-XXXXXX";
    const fs::path folder = mkdtemp(folderTemplate);
    const fs::path program = folder / "voka";
    fs::copy_file(BinFolder() / "voka", program);
    setenv("HOME", folder.c_str(), 1);
    setenv("VOKA_HOME", (folder / "voka-home").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    fs::permissions(folder, fs::perms::owner_all);

    std::vector<double> millis;
    for (auto _ : state) {
        const auto start = Clock::now();
        pid_t child = 0;
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the program");
            break;
        }
        const bool shown = WaitForMainWindow(display, std::chrono::seconds(20));
        const std::chrono::duration<double> took = Clock::now() - start;
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        if (!shown) {
            state.SkipWithError("the main window did not appear within 20 s");
            break;
        }
        state.SetIterationTime(took.count());
        millis.push_back(took.count() * 1e3);
    }
    XCloseDisplay(display);
    fs::remove_all(folder);
    state.counters["median_ms"] = Percentile(millis, 0.5);
}
BENCHMARK(BM_StartupToWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
} // namespace

BENCHMARK_MAIN();
