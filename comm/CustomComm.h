#pragma once
// Event-driven serial port I/O on a device handle: open and close, writes, queue counts,
// reads, bounded waits, purges, line settings through the DCB, time-outs and queue sizes.
// All of it runs on the user-interface thread; the event and dispatch threads only hand
// port events over to it.
#include <vector>

#include "comm/BaseIO.h"
#include "platform/win32/Comm.h"
#include "platform/win32/Messages.h"

class TCommThread;
class TMsgThread;

class TnrCustomComm : public TnrBaseIO {
    VOKA_CLASS(TnrCustomComm, TnrBaseIO)
public:
    explicit TnrCustomComm(TComponent* AOwner);
    ~TnrCustomComm() override;

    void Open() override;
    void Close() override;
    // Stop and close at once. Full also stops the event thread and ends its pending wait;
    // the event thread itself uses the short form after a port failure.
    void ForceHalt(bool Full);

    // "Unknown" for components without a port number.
    virtual AnsiString GetPortName();
    // Port set-up right after open: queue sizes and time-outs.
    virtual void InitAfterOpen();
    virtual void SetEventChar(char Value);
    virtual char GetEventChar();
    // Line errors (CommCode = CE_ bits) and write failures (SysError = system code).
    virtual void DoCommError(uint32_t CommCode, uint32_t SysError, TComStateFlags State);

    void SendChar(char Value) override;
    void SendString(const AnsiString& Value) override;
    // Returns before the bytes are out. The bytes are copied first, so the caller's buffer
    // may go at once; a send still in flight is finished before the next one starts.
    void SendData(const void* Data, uint32_t Length) override;
    void SendAheadChar(char Value);
    void FlushOutputBuffer();

    uint32_t GetReadyForRead();
    uint32_t GetNotYetSend();
    // True when the read completed; with TimeoutRead 0 it waits for Count bytes.
    bool Read(void* Buffer, uint32_t Count);
    bool ReadAll(void* Buffer);
    AnsiString ReadString();
    // Poll every millisecond (processing the application's messages) until Count bytes are
    // queued; receive handling is kept off the queue meanwhile. Bytes stay queued.
    bool WaitForBytes(uint32_t Count, uint32_t Timeout);
    bool WaitForSignal(TModemSignal Signal, uint32_t Timeout);
    TModemSignals GetStateModemSignals();

    void ClearDeviceInput() override;
    void ClearDeviceOutput() override;
    void ClearDeviceBuffers() override;

    void SetStateDTR(bool On);
    void SetStateRTS(bool On);
    void SetStateX(bool On);
    void SetStateBreak(bool On);

    TTraceStates GetTraceStates() const { return FTraceStates; }
    // Stores the states and sets the device event mask (EV_RXCHAR always included).
    void SetTraceState(TTraceStates Value);
    uint32_t GetTotalSent() const { return FTotalSent; }
    uint32_t GetTotalReceived() const { return FTotalReceived; }
    const AnsiString& GetLastErrorText() const { return FLastError; }

    // Line settings: getters read back from an open port, setters apply at once.
    uint32_t GetBaudRate();
    void SetBaudRate(uint32_t Value);
    TParity GetParity();
    void SetParity(TParity Value);
    TStopBits GetStopBits();
    void SetStopBits(TStopBits Value);
    uint8_t GetByteSize();
    void SetByteSize(uint8_t Value);
    TStreamProtocol GetStreamProtocol();
    void SetStreamProtocol(TStreamProtocol Value);
    bool GetRS485() const { return FRS485Mode; }
    void SetRS485(bool Value);
    bool GetSoftwareDirection() const { return FSoftRS485; }

    uint16_t GetBufferInSize();
    void SetBufferInSize(uint16_t Value);
    uint16_t GetBufferOutSize();
    void SetBufferOutSize(uint16_t Value);
    uint32_t GetTimeoutRead();
    void SetTimeoutRead(uint32_t Value);
    uint32_t GetTimeoutWrite();
    void SetTimeoutWrite(uint32_t Value);
    void SetTimeOuts(const COMMTIMEOUTS* Source);
    COMMTIMEOUTS* GetTimeouts();
    COMMPROP* GetCommProp();

    // The configuration record (COMMCONFIG with its DCB).
    void DCBUpdate();
    void DCBApply();
    COMMCONFIG& GetCommConfigRecord() { return FCommConfig; }
    // No platform dialog exists: the record is refreshed and applied again.
    void ConfigDialog();

    TOnSent GetOnSent() const { return FOnAfterSend; }
    void SetOnSent(TOnSent Value) { FOnAfterSend = Value; }
    TOnTraceEvent GetOnTraceState() const { return FOnTraceState; }
    void SetOnTraceState(TOnTraceEvent Value) { FOnTraceState = Value; }
    TOnCommErrorEvent GetOnCommError() const { return FOnCommError; }
    void SetOnCommError(TOnCommErrorEvent Value) { FOnCommError = Value; }

    // Modem monitors: controls whose "Checked" follows a modem input.
    TComponent* GetMonitorCTS() const { return FMonitorCTS; }
    void SetMonitorCTS(TComponent* Value);
    TComponent* GetMonitorDSR() const { return FMonitorDSR; }
    void SetMonitorDSR(TComponent* Value);
    TComponent* GetMonitorRing() const { return FMonitorRing; }
    void SetMonitorRing(TComponent* Value);
    TComponent* GetMonitorRLSD() const { return FMonitorRLSD; }
    void SetMonitorRLSD(TComponent* Value);

    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Start and stop the event and dispatch threads.
    void ThreadStart() override;
    void ThreadStop() override;
    // Refreshes the modem monitors and raises OnTraceState.
    void DoTraceStates(TObject* Com, TTraceStates Event);
    // Sets a control's published "Checked"; controls without one are left alone.
    void DoCheckMonitor(TComponent* Control, bool Value);
    // One port event handed over by the dispatch thread.
    void WinProc(const MSG& Message);

protected:
    // The first steps of destruction: processor and trace handler detached, port closed,
    // threads stopped. The most derived class calls it from its destructor, so that no
    // thread works on the object while its parts are destroyed; a second call is harmless.
    void ShutDown();

    // Tells the event thread to stop and wakes it (first step of a full ForceHalt).
    void SignalEventThreadStop();
    // Raises RTS before a write when software direction switching is in use.
    void RaiseRtsForSend();
    bool SoftwareDirectionActive() const { return FRS485Mode && FSoftRS485; }
    DCB& Dcb() { return FCommConfig.dcb; }
    std::vector<uint8_t>& InputBuffer() { return FInputBuffer; }
    COMSTAT& ComStat() { return FComStat; }
    void AddTotalReceived(uint32_t Count) { FTotalReceived += Count; }
    // The event mask for a set of trace states.
    DWORD EventMaskFor(TTraceStates States) const;
    void SetSoftwareDirection(bool Value) { FSoftRS485 = Value; }

private:
    TMsgThread* FMsgThread = nullptr;
    TCommThread* FCommThread = nullptr;
    COMSTAT FComStat{};
    COMMPROP FCommProp{};
    COMMTIMEOUTS FTimeouts{};
    AnsiString FLastError;
    uint32_t FTotalSent = 0;
    uint32_t FTotalReceived = 0;
    TOnSent FOnAfterSend;
    TTraceStates FTraceStates;
    uint16_t FBufferOutSize = 0;
    uint16_t FBufferInSize = 0;
    std::vector<uint8_t> FInputBuffer;
    bool FRS485Mode = false;
    TComponent* FMonitorRLSD = nullptr;
    TComponent* FMonitorRing = nullptr;
    TComponent* FMonitorCTS = nullptr;
    TComponent* FMonitorDSR = nullptr;
    bool FSoftRS485 = false;
    TOnTraceEvent FOnTraceState;
    TOnCommErrorEvent FOnCommError;
    COMMCONFIG FCommConfig{};

    void CloseGuarded();
    void FinishPendingSend();

    // What the asynchronous send in flight reads from.
    std::vector<uint8_t> FAsyncWriteData;
    // Takes Count queued bytes into the input buffer, in pieces that fit it.
    void ReceiveQueued(uint32_t Count);
};
