#include "support/DataProcessor.h"

VOKA_PUBLISH(TnrCustomDataProcessor, p) {
    using C = TnrCustomDataProcessor;
    p.Component("DataProcessor", &C::GetDataProcessor, &C::SetDataProcessor);
    p.Bool("Active", &C::GetActive, &C::SetActive);
    p.Component("Log", &C::GetLog, &C::SetLog);
    p.Event("OnFatalError", &C::GetOnFatalError, &C::SetOnFatalError);
    p.Event("OnDataSend", &C::GetOnDataSend, &C::SetOnDataSend);
}

TnrCustomDataProcessor::TnrCustomDataProcessor(TComponent* AOwner)
    : TComponent(AOwner), FResponseTimer(std::make_unique<TnrTimer>()) {
    FResponseTimer->SetEnabled(false);
    FResponseTimer->SetOnTimer(TNotifyEvent::Bind<&TnrCustomDataProcessor::DoAsyncTimeout>(this));
}

TnrCustomDataProcessor::~TnrCustomDataProcessor() {
    SetDevice(nullptr);
    FResponseTimer.reset();
}

void TnrCustomDataProcessor::SetDevice(TnrIODevice* Value) {
    if (FDevice && FDevice != Value)
        FDevice->NotifyDelete(NotifyHandler());
    FDevice = Value;
    // Kept apart: when the device is destroyed only its component part is left to compare.
    FDeviceComponent = dynamic_cast<TComponent*>(Value);
    if (!Value)
        return;
    if (FDeviceComponent)
        FDeviceComponent->FreeNotification(this);
    Value->NotifyAdd(NotifyHandler());
}

void TnrCustomDataProcessor::SetDataProcessor(TnrCustomDataProcessor* Value) {
    if (Value == this)
        return;
    FDataProcessor = Value;
    if (!Value)
        return;
    Value->FreeNotification(this);
    Value->SetDevice(FDevice);
}

void TnrCustomDataProcessor::SetLog(TnrCustomLogFile* Value) {
    FLog = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TnrCustomDataProcessor::DoHandleNotify(TObject*, int32_t Code) {
    if (Code == NOTIFY_CLOSED)
        DoMediumClosed();
    else if (Code == NOTIFY_OPENED)
        DoMediumOpened();
}

void TnrCustomDataProcessor::DoMediumClosed() {
    Logging(dlDebug, "Medium Closed");
}

void TnrCustomDataProcessor::DoMediumOpened() {
    Logging(dlDebug, "Medium Opened");
}

void TnrCustomDataProcessor::DoDataSend(const void* Buffer, uint32_t Len) {
    if (!Buffer || Len == 0)
        return;
    try {
        bool handled = false;
        if (FOnDataSend)
            FOnDataSend(this, Buffer, Len, false, handled);
        if (handled) {
            FResponseTimer->SetEnabled(false);
            FResponseTimer->SetEnabled(true);
        } else if (FDevice) {
            FDevice->SendData(Buffer, Len);
        }
    } catch (...) {
        // Send errors are not the caller's business; the protocol's time-out covers them.
    }
}

void TnrCustomDataProcessor::DoStringSend(const AnsiString& Text) {
    if (Text.empty())
        return;
    try {
        bool handled = false;
        if (FOnDataSend)
            FOnDataSend(this, Text.data(), static_cast<uint32_t>(Text.size()), true, handled);
        if (!handled && FDevice)
            FDevice->SendString(Text);
    } catch (...) {
        // As for DoDataSend.
    }
}

void TnrCustomDataProcessor::ResetTimeout(uint32_t Milliseconds) {
    FResponseTimer->SetEnabled(false);
    if (Milliseconds == 0)
        return;
    FResponseTimer->SetInterval(Milliseconds);
    FResponseTimer->SetEnabled(true);
}

void TnrCustomDataProcessor::DoAsyncTimeout(TObject*) {
    FResponseTimer->SetEnabled(false);
    bool handled = false;
    DoAfterSendComplete(handled);
}

bool TnrCustomDataProcessor::IsDeviceEnable() {
    return FDevice && FDevice->IsHandleValid();
}

void TnrCustomDataProcessor::DoFatalErrors(uint32_t ErrorCode, uint32_t Detail,
                                           const AnsiString& ErrorMsg) {
    bool raise = true;
    if (FOnFatalError)
        FOnFatalError(this, ErrorCode, Detail, ErrorMsg, raise);
    if (FLog)
        FLog->AddLogFmt(dlSimple, "Fatal Error: %u, %u, %s", {ErrorCode, Detail, ErrorMsg});
    if (raise)
        throw Exception(ErrorMsg);
}

void TnrCustomDataProcessor::DoProcessing(const void* Buffer, uint32_t Length,
                                          TIgnoreTypes& Ignore) {
    if (FDataProcessor)
        FDataProcessor->DoProcessing(Buffer, Length, Ignore);
}

void TnrCustomDataProcessor::DataReceive(const void* Buffer, uint32_t Length) {
    TIgnoreTypes ignore;
    DoProcessing(Buffer, Length, ignore);
}

void TnrCustomDataProcessor::DoAfterSendComplete(bool&) {}

void TnrCustomDataProcessor::Logging(TDetailLevel Level, const AnsiString& Text) {
    if (FLog)
        FLog->AddLog(Level, FLogPrefix + Text);
}

void TnrCustomDataProcessor::LoggingFmt(TDetailLevel Level, const AnsiString& Fmt,
                                        TFormatArgs Args) {
    if (FLog)
        FLog->AddLogFmt(Level, FLogPrefix + Fmt, Args);
}

void TnrCustomDataProcessor::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent)
        return;
    if (AComponent == FDataProcessor)
        SetDataProcessor(nullptr);
    if (AComponent == FDeviceComponent) {
        // A device still whole (taken from its owner, or about to be destroyed by it) loses
        // this subscriber; one already down to its component part has no list left to touch.
        if (dynamic_cast<TnrIODevice*>(AComponent)) {
            SetDevice(nullptr);
        } else {
            FDevice = nullptr;
            FDeviceComponent = nullptr;
        }
    }
    if (AComponent == FLog)
        SetLog(nullptr);
}

bool CheckSequence(uint8_t Ch, TCommEvent& Event) {
    if (Event.Size == 0)
        return false;
    if (Ch == Event.Data[Event.Position]) {
        if (++Event.Position < Event.Size)
            return false;
        Event.Position = 0;
        return true;
    }
    Event.Position = Ch == Event.Data[0] ? 1 : 0;
    return false;
}

TCommEventNew::TCommEventNew(const AnsiString& Text) {
    SetStr(Text);
}

void TCommEventNew::SetStr(const AnsiString& Text) {
    FSequence = Text;
    FSize = static_cast<uint32_t>(Text.size());
    Reset();
}

void TCommEventNew::Reset() {
    FPosition = 1;
}

bool TCommEventNew::IsEvent(char Ch) {
    if (FSize == 0)
        return false;
    if (Ch == FSequence[FPosition - 1]) {
        if (++FPosition <= FSize)
            return false;
        Reset();
        return true;
    }
    FPosition = Ch == FSequence[0] ? 2 : 1;
    return false;
}
