#pragma once
// A udev monitor for the arrival and removal of serial devices, on a thread of its own.
#include <functional>
#include <memory>

#include "platform/rtl/SysUtils.h"

class PortMonitor {
public:
    // Called on the monitor's thread: true for an arrival, false for a removal, and the
    // device node ("/dev/ttyUSB0").
    using Handler = std::function<void(bool Arrived, const AnsiString& DevNode)>;

    // Starts watching; without udev (no database, no socket) nothing is watched.
    explicit PortMonitor(Handler handler);
    // Stops the thread and waits for it.
    ~PortMonitor();
    PortMonitor(const PortMonitor&) = delete;
    PortMonitor& operator=(const PortMonitor&) = delete;

    bool Watching() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
