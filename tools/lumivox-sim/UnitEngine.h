#pragma once
// A simulated unit as a pure byte machine: bytes from the host go in, the unit's answer
// comes out. The runner owns the line (timing, pacing, the device); the engine owns the
// protocol.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

class UnitEngine {
public:
    virtual ~UnitEngine() = default;
    // Takes bytes the host sent and returns what the unit sends back, in line order.
    virtual std::string Receive(std::string_view bytes) = 0;
    // The line has been quiet for a while: a command received only in part is dropped,
    // as a real unit's receive timer would.
    virtual void LineIdle() = 0;
    // True while a command has been received only in part.
    virtual bool MidCommand() const = 0;

    // Bytes the unit sends on its own a while after the bytes that caused them.
    struct LateAnswer {
        std::chrono::milliseconds delay{0};
        std::string bytes;
    };
    // What the last Receive left to be sent later; no bytes when nothing.
    virtual LateAnswer TakeLateAnswer() { return {}; }

    // One line per thing received, for the simulator's log.
    std::function<void(const std::string&)> OnLog;

protected:
    void Log(const std::string& line) const {
        if (OnLog)
            OnLog(line);
    }
};

// "0x41 0x42" style text of a few bytes, for log lines.
std::string HexBytes(std::string_view bytes, size_t limit = 16);
