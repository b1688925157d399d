// Writes, queue counts, reads, bounded waits, purges, line control and the event mask.
#include "comm/CustomComm.h"
#include "comm/nrwin32.h"
#include "platform/classes/Application.h"
#include "platform/win32/Files.h"
#include "platform/win32/Synch.h"

namespace {
constexpr DWORD PURGE_INPUT = PURGE_RXABORT | PURGE_RXCLEAR;
constexpr DWORD PURGE_OUTPUT = PURGE_TXABORT | PURGE_TXCLEAR;
constexpr DWORD PURGE_ALL = PURGE_INPUT | PURGE_OUTPUT;

// Waits poll; the user interface stays responsive meanwhile.
void PollPause() {
    Sleep(1);
    if (Application)
        Application->ProcessMessages();
}

// Puts the trace states back however the wait ends.
class TraceStatesRestorer {
public:
    explicit TraceStatesRestorer(TnrCustomComm& comm)
        : comm_(comm), saved_(comm.GetTraceStates()) {}
    ~TraceStatesRestorer() { comm_.SetTraceState(saved_); }
    TraceStatesRestorer(const TraceStatesRestorer&) = delete;
    TraceStatesRestorer& operator=(const TraceStatesRestorer&) = delete;

private:
    TnrCustomComm& comm_;
    TTraceStates saved_;
};
} // namespace

void TnrCustomComm::RaiseRtsForSend() {
    if (SoftwareDirectionActive())
        SetStateRTS(true);
}

void TnrCustomComm::SendChar(char Value) {
    if (!IsHandleValid())
        return;
    LoggingFmt(dlDebug, "Try to send char %2Xh ...", {static_cast<uint8_t>(Value)});
    RaiseRtsForSend();
    if (WriteSync(GetDeviceHandle(), &Value, 1, WriteOverlapped()))
        FTotalSent += 1;
    else
        DoCommError(0, GetLastError(), {});
}

void TnrCustomComm::SendString(const AnsiString& Value) {
    if (!IsHandleValid() || Value.empty())
        return;
    LoggingFmt(dlDebug, "Try to send string %s ...", {Value});
    RaiseRtsForSend();
    const auto length = static_cast<DWORD>(Value.size());
    if (WriteSync(GetDeviceHandle(), Value.data(), length, WriteOverlapped()))
        FTotalSent += length;
    else
        DoCommError(0, GetLastError(), {});
}

void TnrCustomComm::SendData(const void* Data, uint32_t Length) {
    if (!IsHandleValid())
        return;
    LoggingFmt(dlDebug, "Try to send the data with %d length ...", {Length});
    RaiseRtsForSend();
    FinishPendingSend();
    const auto* bytes = static_cast<const uint8_t*>(Data);
    FAsyncWriteData.assign(bytes, bytes + Length);
    if (WriteAsync(GetDeviceHandle(), FAsyncWriteData.data(), Length, AsyncWriteOverlapped())) {
        FTotalSent += Length;
        Logging(dlDebug, "... the data transmittion is OK!");
    } else {
        DoCommError(0, GetLastError(), {});
    }
}

void TnrCustomComm::FinishPendingSend() {
    if (AsyncWriteOverlapped().Internal != STATUS_PENDING)
        return;
    DWORD written = 0;
    GetOverlappedResult(GetDeviceHandle(), &AsyncWriteOverlapped(), &written, TRUE);
}

void TnrCustomComm::SendAheadChar(char Value) {
    if (!IsHandleValid())
        return;
    RaiseRtsForSend();
    if (TransmitCommChar(GetDeviceHandle(), Value))
        FTotalSent += 1;
    else
        DoCommError(0, GetLastError(), {});
}

void TnrCustomComm::FlushOutputBuffer() {
    if (IsHandleValid())
        FlushFileBuffers(GetDeviceHandle());
}

uint32_t TnrCustomComm::GetReadyForRead() {
    COMSTAT status{};
    DWORD errors = 0;
    if (!IsHandleValid() || !ClearCommError(GetDeviceHandle(), &errors, &status))
        return 0;
    return status.cbInQue;
}

uint32_t TnrCustomComm::GetNotYetSend() {
    COMSTAT status{};
    DWORD errors = 0;
    if (!IsHandleValid() || !ClearCommError(GetDeviceHandle(), &errors, &status))
        return 0;
    return status.cbOutQue;
}

bool TnrCustomComm::Read(void* Buffer, uint32_t Count) {
    if (!IsHandleValid())
        return false;
    return ReadSync(GetDeviceHandle(), Buffer, Count, ReadOverlapped());
}

bool TnrCustomComm::ReadAll(void* Buffer) {
    return Read(Buffer, GetReadyForRead());
}

AnsiString TnrCustomComm::ReadString() {
    const uint32_t count = GetReadyForRead();
    AnsiString text(count, '\0');
    if (count > 0)
        Read(text.data(), count);
    return text;
}

bool TnrCustomComm::WaitForBytes(uint32_t Count, uint32_t Timeout) {
    if (!IsHandleValid())
        return false;
    // Receive events must leave the bytes queued for the caller while it waits.
    TraceStatesRestorer restore(*this);
    SetTraceState(FTraceStates - TTraceStates{tsRxChar});
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= Timeout && IsHandleValid()) {
        if (GetReadyForRead() >= Count)
            return true;
        PollPause();
    }
    return false;
}

bool TnrCustomComm::WaitForSignal(TModemSignal Signal, uint32_t Timeout) {
    if (!IsHandleValid())
        return false;
    const DWORD start = GetTickCount();
    for (;;) {
        if (GetStateModemSignals().Contains(Signal))
            return true;
        PollPause();
        if (GetTickCount() - start > Timeout || !IsHandleValid())
            return false;
    }
}

TModemSignals TnrCustomComm::GetStateModemSignals() {
    DWORD status = 0;
    if (!IsHandleValid() || !GetCommModemStatus(GetDeviceHandle(), &status))
        return {};
    TModemSignals signals;
    if (status & MS_CTS_ON)
        signals.Include(msCTS);
    if (status & MS_DSR_ON)
        signals.Include(msDSR);
    if (status & MS_RING_ON)
        signals.Include(msRing);
    if (status & MS_RLSD_ON)
        signals.Include(msRLSD);
    return signals;
}

void TnrCustomComm::ClearDeviceInput() {
    if (IsHandleValid())
        PurgeComm(GetDeviceHandle(), PURGE_INPUT);
}

void TnrCustomComm::ClearDeviceOutput() {
    if (!IsHandleValid())
        return;
    PurgeComm(GetDeviceHandle(), PURGE_OUTPUT);
    if (SoftwareDirectionActive())
        SetStateRTS(false);
}

void TnrCustomComm::ClearDeviceBuffers() {
    if (!IsHandleValid())
        return;
    PurgeComm(GetDeviceHandle(), PURGE_ALL);
    nrCancelIO(GetDeviceHandle());
    if (SoftwareDirectionActive())
        SetStateRTS(false);
}

void TnrCustomComm::SetStateDTR(bool On) {
    if (!IsHandleValid())
        return;
    EscapeCommFunction(GetDeviceHandle(), On ? SETDTR : CLRDTR);
    DoTraceStates(this, TTraceStates{tsDSR});
}

void TnrCustomComm::SetStateRTS(bool On) {
    if (!IsHandleValid())
        return;
    EscapeCommFunction(GetDeviceHandle(), On ? SETRTS : CLRRTS);
    DoTraceStates(this, TTraceStates{tsCTS});
}

void TnrCustomComm::SetStateX(bool On) {
    if (IsHandleValid())
        EscapeCommFunction(GetDeviceHandle(), On ? SETXON : SETXOFF);
}

void TnrCustomComm::SetStateBreak(bool On) {
    if (IsHandleValid())
        EscapeCommFunction(GetDeviceHandle(), On ? SETBREAK : CLRBREAK);
}

DWORD TnrCustomComm::EventMaskFor(TTraceStates States) const {
    static constexpr struct {
        TTraceState State;
        DWORD Event;
    } events[] = {{tsRxFlag, EV_RXFLAG}, {tsTxEmpty, EV_TXEMPTY}, {tsCTS, EV_CTS},
                  {tsDSR, EV_DSR},       {tsRLSD, EV_RLSD},       {tsBreak, EV_BREAK},
                  {tsErr, EV_ERR},       {tsRing, EV_RING},       {tsRx80Full, EV_RX80FULL},
                  {tsEvent1, EV_EVENT1}, {tsEvent2, EV_EVENT2}};
    // Receive events are always asked for; tsRxChar only decides who consumes them.
    DWORD mask = EV_RXCHAR;
    for (const auto& entry : events)
        if (States.Contains(entry.State))
            mask |= entry.Event;
    // Software direction switching lowers RTS when the transmitter runs empty.
    if (SoftwareDirectionActive())
        mask |= EV_TXEMPTY;
    return mask;
}

void TnrCustomComm::SetTraceState(TTraceStates Value) {
    FTraceStates = Value;
    if (IsHandleValid())
        SetCommMask(GetDeviceHandle(), EventMaskFor(Value));
}
