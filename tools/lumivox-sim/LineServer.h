#pragma once
// Runs a unit engine on a line: reads what the host sends, hands it to the engine and
// sends the answers back, with the answer delay and line pacing asked for.
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>

#include "tools/lumivox-sim/UnitEngine.h"

struct LineTiming {
    unsigned speed = 19200;   // bit/s, for pacing
    bool pace = false;        // one byte per 10 bit times, in both directions
    unsigned delayMs = 0;     // before each answer
    unsigned idleGapMs = 500; // a pause that drops a half-received command

    // Start bit, eight data bits, stop bit.
    std::chrono::nanoseconds ByteTime() const {
        return std::chrono::nanoseconds(10'000'000'000LL / speed);
    }
};

class LineServer {
public:
    LineServer(int fd, UnitEngine& engine, LineTiming timing)
        : fd_(fd), engine_(engine), timing_(timing) {}

    // Serves until stop() returns true (asked about at least every pollMs) or the line
    // fails. Returns false when the line failed.
    bool Run(const std::function<bool()>& stop, int pollMs = 50);

private:
    bool Send(const std::string& bytes);
    // Sends the engine's late answers that are due; the wait until the next one.
    bool SendDueAnswers(int& wait);

    int fd_;
    UnitEngine& engine_;
    LineTiming timing_;
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::string>> late_;
};
