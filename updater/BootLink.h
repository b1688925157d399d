#pragma once
// The line to the unit as the boot session needs it.
#include <chrono>
#include <string>
#include <string_view>

class BootLink {
public:
    virtual ~BootLink() = default;
    // Sends all bytes; false when the port refused them.
    virtual bool Send(std::string_view bytes) = 0;
    // Up to max bytes: returns as soon as some have arrived, empty when wait passed first.
    virtual std::string Receive(size_t max, std::chrono::milliseconds wait) = 0;
    // Drops whatever has arrived and not been read.
    virtual void DropInput() = 0;
    // The time the session's waits and limits are measured in: the line's own, so that a
    // line in software can let time pass without waiting for it.
    virtual std::chrono::steady_clock::time_point Now() const {
        return std::chrono::steady_clock::now();
    }
};

// A serial port being set up for the session; each step false when the port refuses it.
class UpdaterPort : public BootLink {
public:
    virtual bool Setup(unsigned speed) = 0;
    virtual bool SetTimeouts() = 0;
    virtual bool SetWaitMask() = 0;
};
