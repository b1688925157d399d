#pragma once
// The base of protocol processors that sit on an I/O component: received blocks pass
// through them (and along a chain of processors), they send through the component, may let
// their owner intercept each send, and run a response time-out. Also the two matchers that
// spot a fixed byte sequence in a stream fed one byte at a time.
#include <cstdint>
#include <memory>

#include "platform/classes/Component.h"
#include "platform/classes/Publisher.h"
#include "platform/classes/Sets.h"
#include "support/LogFile.h"
#include "support/NotifyList.h"
#include "support/Timer.h"

// Receive actions of the component a processor asks it to skip.
VOKA_ENUM(TIgnoreType, itTerminal, itEventList, itAfterReceive, itTraceState)
using TIgnoreTypes = TSet<TIgnoreType>;

// Sender, ptrBuffer, Len, flSynchro, flHandled (set it to keep the bytes from the device).
using TDataSendEvent = TEvent<TObject*, const void*, uint32_t, bool, bool&>;

// What a processor uses of the I/O component it works on; the component implements it.
class TnrIODevice {
public:
    virtual ~TnrIODevice() = default;
    virtual bool IsHandleValid() = 0;
    virtual int32_t NotifyAdd(const TnrNotifyEvent& Handler) = 0;
    virtual void NotifyDelete(const TnrNotifyEvent& Handler) = 0;
    virtual void SendString(const AnsiString& Value) = 0;
    virtual void SendData(const void* Data, uint32_t Length) = 0;
};

class TnrCustomDataProcessor : public TComponent {
    VOKA_CLASS(TnrCustomDataProcessor, TComponent)
public:
    explicit TnrCustomDataProcessor(TComponent* AOwner);
    ~TnrCustomDataProcessor() override;

    TnrIODevice* GetDevice() const { return FDevice; }
    virtual void SetDevice(TnrIODevice* Value);
    TnrCustomDataProcessor* GetDataProcessor() const { return FDataProcessor; }
    virtual void SetDataProcessor(TnrCustomDataProcessor* Value);
    TnrCustomLogFile* GetLog() const { return FLog; }
    void SetLog(TnrCustomLogFile* Value);
    bool GetActive() const { return FActive; }
    virtual void SetActive(bool Value) { FActive = Value; }
    TOnFatalErrorEvent GetOnFatalError() const { return FOnFatalError; }
    void SetOnFatalError(TOnFatalErrorEvent Value) { FOnFatalError = Value; }
    TDataSendEvent GetOnDataSend() const { return FOnDataSend; }
    void SetOnDataSend(TDataSendEvent Value) { FOnDataSend = Value; }

    // The processor's subscription on its device: 1 closed, 2 opened.
    virtual void DoHandleNotify(TObject* Sender, int32_t Code);
    virtual void DoMediumClosed();
    virtual void DoMediumOpened();

    // Sends through the device unless OnDataSend takes the bytes; a handled block starts a
    // fresh response time-out. Every error on the way is swallowed.
    virtual void DoDataSend(const void* Buffer, uint32_t Len);
    virtual void DoStringSend(const AnsiString& Text);
    // Stops the response timer; a non-zero value starts a new period of that length.
    virtual void ResetTimeout(uint32_t Milliseconds);
    // The response timer's tick: the time-out counts as a completion nobody handled.
    virtual void DoAsyncTimeout(TObject* Sender);
    bool IsDeviceEnable();

    // OnFatalError may clear the raise flag; the log line is written either way.
    virtual void DoFatalErrors(uint32_t ErrorCode, uint32_t Detail, const AnsiString& ErrorMsg);
    // Received data; this class only hands it on along the chain.
    virtual void DoProcessing(const void* Buffer, uint32_t Length, TIgnoreTypes& Ignore);
    virtual void DataReceive(const void* Buffer, uint32_t Length);
    // A send completed (or timed out); Handled tells the device the completion was claimed.
    virtual void DoAfterSendComplete(bool& Handled);

    void Logging(TDetailLevel Level, const AnsiString& Text);
    void LoggingFmt(TDetailLevel Level, const AnsiString& Fmt, TFormatArgs Args);
    void LoggingFmt(TDetailLevel Level, const AnsiString& Fmt,
                    std::initializer_list<TVarRec> Args) {
        LoggingFmt(Level, Fmt, TFormatArgs(Args.begin(), Args.size()));
    }

    TnrTimer& ResponseTimer() { return *FResponseTimer; }

    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    TnrNotifyEvent NotifyHandler() {
        return TnrNotifyEvent::Bind<&TnrCustomDataProcessor::DoHandleNotify>(this);
    }

    TnrIODevice* FDevice = nullptr;
    TComponent* FDeviceComponent = nullptr;
    TnrCustomDataProcessor* FDataProcessor = nullptr;
    bool FActive = false;
    TOnFatalErrorEvent FOnFatalError;
    TnrCustomLogFile* FLog = nullptr;
    TDataSendEvent FOnDataSend;
    std::unique_ptr<TnrTimer> FResponseTimer;
    AnsiString FLogPrefix;
};

// The matcher record: Position is the 0-based index of the next expected byte.
struct TCommEvent {
    uint32_t Position = 0;
    uint32_t Size = 0;
    const uint8_t* Data = nullptr;
};

// True when Ch completes the sequence. A mismatch restarts only on the first byte: there
// is no fall-back to a shorter partial match.
bool CheckSequence(uint8_t Ch, TCommEvent& Event);

// The same matcher over a text; Position is 1-based.
class TCommEventNew : public TObject {
public:
    explicit TCommEventNew(const AnsiString& Text);
    void SetStr(const AnsiString& Text);
    void Reset();
    bool IsEvent(char Ch);
    AnsiString ClassName() const override { return "TCommEventNew"; }

private:
    uint32_t FPosition = 1;
    uint32_t FSize = 0;
    AnsiString FSequence;
};
