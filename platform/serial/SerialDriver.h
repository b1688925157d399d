#pragma once
// What the port engine needs from a device: non-blocking byte moves, queue counts, line
// settings, modem lines and line errors. Calls come with the engine's lock held; ReadSome and
// WriteSome come from the engine's own thread only.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/win32/Comm.h"

using SerialClock = std::chrono::steady_clock;

class SerialDriver {
public:
    virtual ~SerialDriver() = default;

    // Descriptor the engine polls for input and output room, or -1 when the driver wakes the
    // engine itself through the waker.
    virtual int PollDescriptor() const { return -1; }
    virtual void SetWaker(std::function<void()> wake) { (void)wake; }

    // Bytes read (0 when none), or -1 with error set to a Windows code (device gone).
    virtual long ReadSome(uint8_t* buffer, size_t count, DWORD& error) = 0;
    // Bytes accepted (0 when the transmitter is full), or -1 with error set.
    virtual long WriteSome(const uint8_t* buffer, size_t count, DWORD& error) = 0;
    // Bytes received but not yet read, counted without reading them.
    virtual DWORD InQueue() = 0;
    // Bytes accepted but not yet on the wire.
    virtual DWORD OutQueue() = 0;
    // When the output queue may have changed by itself next (a paced transmitter), if known.
    virtual std::optional<SerialClock::time_point> NextOutputChange() { return std::nullopt; }
    // How long to wait before looking at the output queue again while it is not empty.
    virtual std::chrono::milliseconds OutputPollInterval(DWORD queued, const DCB& dcb);

    // Applies baud rate, data bits, parity, stop bits and flow control; false with error set
    // when the device refuses them. DTR and RTS levels are set separately.
    virtual bool ApplySettings(const DCB& dcb, DWORD& error) = 0;
    // Overwrites the fields the device reports with its live values.
    virtual void ReadSettings(DCB& dcb) = 0;

    virtual DWORD ModemStatus() = 0; // MS_*_ON bits
    // Whether modem-line changes must be polled for (the driver cannot wake the engine).
    virtual bool ModemLinesNeedPolling() const { return false; }
    virtual void SetDtr(bool on) = 0;
    virtual void SetRts(bool on) = 0;
    virtual void SetBreak(bool on) = 0;
    // Output suspended as if XOFF (false) or resumed as if XON (true) had been received.
    virtual void SetOutputFlow(bool on) = 0;
    // RS-485 transmitter control by the device itself; false when it has none.
    virtual bool SetRs485Toggle(bool on) {
        (void)on;
        return false;
    }
    // CE_ bits of line errors seen since the last call.
    virtual DWORD TakeLineErrors() = 0;
    virtual void PurgeInput() = 0;
    virtual void PurgeOutput() = 0;
    virtual void Close() {}
};

// Bits on the wire per character for the line settings: start, data, parity, stop.
double BitsPerCharacter(const DCB& dcb);
