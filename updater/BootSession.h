#pragma once
// The host's side of the boot-loader protocol: each command with its echo handling on a
// single-wire line and its time limit.
#include <chrono>

#include "updater/BootLink.h"
#include "updater/McuInfo.h"
#include "updater/UpdaterArgs.h"

struct BootTiming {
    std::chrono::milliseconds contactLimit{60000};
    std::chrono::milliseconds wakeInterval{100};
    std::chrono::milliseconds quietLimit{1000}; // the wait for a quiet line after contact
    std::chrono::milliseconds answerLimit{1000};
};

class BootSession {
public:
    BootSession(BootLink& link, WireMode mode, BootTiming timing = {})
        : link_(link), mode_(mode), timing_(timing) {}

    // Sends wake-ups until the first ACK, then waits for the line to fall quiet and drops
    // what came meanwhile. In detect mode a wake-up heard back first means a single-wire
    // line; DetectedSingleWire() tells.
    bool Contact();
    bool DetectedSingleWire() const { return detected_; }
    bool Calibrate();
    bool Identify(McuInfo& info);
    bool Erase(uint16_t address);
    bool Write(uint16_t address, std::string_view data);
    bool Read(uint16_t address, uint8_t length, std::string& data);
    bool Quit();

private:
    using Deadline = std::chrono::steady_clock::time_point;
    bool AwaitFirstAck();
    void AwaitQuietLine();
    // What is left until the deadline, rounded up: a wait of 0 would let no time pass.
    std::chrono::milliseconds Left(Deadline deadline) const;
    // Sends a command; on a single-wire line reads its echo back and compares it.
    bool Command(std::string_view bytes);
    // Exactly count bytes by the deadline, else false.
    bool ReadExact(size_t count, Deadline deadline, std::string& out);
    bool Acknowledged();
    Deadline AnswerDeadline() const { return link_.Now() + timing_.answerLimit; }

    BootLink& link_;
    WireMode mode_;
    BootTiming timing_;
    bool detected_ = false;
};
