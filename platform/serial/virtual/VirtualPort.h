#pragma once
// The virtual port: an in-process serial line whose near end opens like any port
// (CreateFileA("\\\\.\\COM7")) and whose far end a test or the simulator drives. Only
// programs that call RegisterVirtualPortDriver (the tests) carry it.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/SysUtils.h"
#include "platform/win32/Comm.h"

struct VirtualLine;

// Joins the virtual ports to the serial platform: their device paths ("virtual:COM7") open
// through their driver and they head the port map. Call after InitSerialPlatform.
void RegisterVirtualPortDriver();

class VirtualPortRemote {
public:
    // Creates a line listed in the port map under portName ("COM7"). Raises Exception when
    // the name is already taken by another live virtual port.
    static std::shared_ptr<VirtualPortRemote> Create(const AnsiString& portName);
    ~VirtualPortRemote(); // the port leaves the port map; an open near end sees it vanish
    VirtualPortRemote(const VirtualPortRemote&) = delete;
    VirtualPortRemote& operator=(const VirtualPortRemote&) = delete;

    const AnsiString& PortName() const;
    // Device path under which the port map lists the port.
    AnsiString DevicePath() const;

    // Bytes arriving at the near end.
    void Inject(std::string_view bytes);
    // Takes the bytes the near end has put on the wire (with pacing: only those sent by now).
    std::string TakeOutput();
    // Waits until at least count bytes are on the wire, then takes all of them; returns what
    // was there when the time ran out otherwise.
    std::string WaitForOutput(size_t count, std::chrono::milliseconds timeout);

    // The near end's modem inputs.
    void SetCts(bool on);
    void SetDsr(bool on);
    void SetRing(bool on);
    void SetRlsd(bool on);
    // The near end's outputs.
    bool Dtr() const;
    bool Rts() const;
    bool BreakOn() const;
    // The line settings the near end applied last.
    DCB LineSettings() const;
    bool NearEndOpen() const;
    // The far end answers each change of the near end's DTR or RTS with the bytes the
    // responder returns (nothing for none); they arrive at once. The responder runs with the
    // line locked and must not call back into this object. Null removes it.
    void AnswerModemOutputs(std::function<std::string(bool dtr, bool rts)> responder);

    // Line errors the near end receiver reports (CE_FRAME, CE_RXPARITY, CE_OVERRUN); a break.
    void InjectLineError(DWORD errors);
    void InjectBreak();
    // With pacing, output leaves at the configured speed through a 16-byte transmitter, so
    // cbOutQue and EV_TXEMPTY behave like a UART's; without it, output leaves at once.
    void SetPacing(bool on);
    // Makes every following write fail with the code (0 ends that).
    void FailWrites(DWORD errorCode);
    // The device disappears: pending and later operations of the near end fail.
    void Vanish();

private:
    explicit VirtualPortRemote(std::shared_ptr<VirtualLine> line);
    std::shared_ptr<VirtualLine> line_;
};
