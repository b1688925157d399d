// Handling of one port event on the user-interface thread: line errors, received bytes
// under the consumption rule, the transmitter running empty, and the trace-state report
// with its modem monitors.
#include "comm/CommThreads.h"
#include "comm/nrwin32.h"
#include "platform/classes/PropAccess.h"

namespace {
TComStateFlags HoldFlags(const COMSTAT& Status) {
    TComStateFlags flags;
    const std::pair<DWORD, TComStateFlag> bits[] = {
        {Status.fCtsHold, fCtsHold},   {Status.fDsrHold, fDsrHold},   {Status.fRlsdHold, fRlsdHold},
        {Status.fXoffHold, fXoffHold}, {Status.fXoffSent, fXoffSent}, {Status.fEof, fEof},
        {Status.fTxim, fTxim}};
    for (const auto& [on, flag] : bits)
        if (on)
            flags.Include(flag);
    return flags;
}

// Events other than receive and transmitter-empty, as trace states.
TTraceStates OtherTraceStates(DWORD Mask) {
    static constexpr std::pair<DWORD, TTraceState> events[] = {
        {EV_RXFLAG, tsRxFlag}, {EV_CTS, tsCTS},      {EV_DSR, tsDSR}, {EV_RLSD, tsRLSD},
        {EV_RING, tsRing},     {EV_BREAK, tsBreak},  {EV_ERR, tsErr}, {EV_RX80FULL, tsRx80Full},
        {EV_EVENT1, tsEvent1}, {EV_EVENT2, tsEvent2}};
    TTraceStates states;
    for (const auto& [event, state] : events)
        if (Mask & event)
            states.Include(state);
    return states;
}
} // namespace

void TnrCustomComm::WinProc(const MSG& Message) {
    if (Message.message != ComEventMessage() || !IsHandleValid())
        return;
    const auto mask = static_cast<DWORD>(Message.wParam);
    try {
        DWORD errors = 0;
        ClearCommError(GetDeviceHandle(), &errors, &FComStat);
        if (errors != 0) {
            // The bytes of this event stay queued for the next one.
            DoCommError(errors, 0, HoldFlags(FComStat));
            return;
        }
        if ((mask & EV_RXCHAR) && FComStat.cbInQue > 0) {
            const uint32_t queued = FComStat.cbInQue;
            AddTotalReceived(queued);
            if (FTraceStates.Contains(tsRxChar) || IsReadNeeded())
                ReceiveQueued(queued);
        }
        if ((mask & EV_TXEMPTY) && IsHandleValid()) {
            if (SoftwareDirectionActive())
                SetStateRTS(false);
            const bool handled = DoOutputData();
            if (FTraceStates.Contains(tsTxEmpty) && !handled && FOnAfterSend)
                FOnAfterSend(this);
        }
        const TTraceStates others = OtherTraceStates(mask);
        if (!others.Empty())
            DoTraceStates(this, others);
    } catch (const Exception& error) {
        DoFatalErrors(1, GetLastError(), error.Message, true);
    }
}

void TnrCustomComm::ReceiveQueued(uint32_t Count) {
    // The queue may hold more than the buffer (its size can change while the port is open):
    // never read past the buffer, take the rest in further pieces.
    while (Count > 0 && IsHandleValid() && !FInputBuffer.empty()) {
        const auto piece = std::min<uint32_t>(Count, static_cast<uint32_t>(FInputBuffer.size()));
        if (!ReadSync(GetDeviceHandle(), FInputBuffer.data(), piece, ReadOverlapped()))
            return;
        Count -= piece;
        DoInputData(FInputBuffer.data(), piece);
    }
}

void TnrCustomComm::DoTraceStates(TObject* Com, TTraceStates Event) {
    const TModemSignals signals = GetStateModemSignals();
    if (FMonitorCTS)
        DoCheckMonitor(FMonitorCTS, signals.Contains(msCTS));
    if (FMonitorDSR)
        DoCheckMonitor(FMonitorDSR, signals.Contains(msDSR));
    if (FMonitorRLSD)
        DoCheckMonitor(FMonitorRLSD, signals.Contains(msRLSD));
    // A ring is a moment, not a level: the monitor keeps showing that one came.
    if (FMonitorRing && Event.Contains(tsRing))
        DoCheckMonitor(FMonitorRing, true);
    if (FOnTraceState)
        FOnTraceState(Com, Event);
}

void TnrCustomComm::DoCheckMonitor(TComponent* Control, bool Value) {
    const TPropInfo* checked = GetPropInfo(Control, "Checked");
    if (checked && checked->Kind == TTypeKind::tkBool && checked->Writable())
        SetOrdProp(Control, "Checked", Value ? 1 : 0);
}
