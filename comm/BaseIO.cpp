#include "comm/BaseIO.h"

#include "platform/classes/Application.h"
#include "platform/win32/Synch.h"
#include "platform/win32/User.h"

VOKA_PUBLISH(TnrBaseIO, p) {}

TnrBaseIO::TnrBaseIO(TComponent* AOwner)
    : TComponent(AOwner), FNotifyList(std::make_unique<TnrNotifyList>()),
      FDeviceList(std::make_unique<TStringList>()) {
    FReadOS.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    FWriteOS.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

TnrBaseIO::~TnrBaseIO() {
    CloseHandle(FReadOS.hEvent);
    CloseHandle(FWriteOS.hEvent);
    DeviceListClear();
}

bool TnrBaseIO::GetActive() {
    if (IsDesigning() || IsLoading())
        return FStoredActive;
    return FDeviceHandle != INVALID_HANDLE_VALUE;
}

void TnrBaseIO::SetActive(bool Value) {
    if (IsLoading()) {
        FStoredActive = Value;
        return;
    }
    if (Value == GetActive() && !IsDesigning())
        return;
    if (Value)
        Open();
    else
        Close();
    if (IsDesigning()) {
        // A trial open: remember whether the port could be opened, then let it go.
        FStoredActive = IsHandleValid();
        if (FStoredActive)
            Close();
    }
}

bool TnrBaseIO::IsHandleValid() {
    return FDeviceHandle != INVALID_HANDLE_VALUE;
}

HANDLE TnrBaseIO::RequestDeviceHandle() {
    return INVALID_HANDLE_VALUE;
}

void TnrBaseIO::RequestDeviceHandleClose(HANDLE Handle) {
    CloseHandle(Handle);
}

void TnrBaseIO::Open() {
    FDeviceHandle = RequestDeviceHandle();
    if (IsHandleValid() && FUseThreadIO)
        ThreadStart();
}

void TnrBaseIO::Close() {
    if (FDeviceHandle == INVALID_HANDLE_VALUE)
        return;
    RequestDeviceHandleClose(FDeviceHandle);
    if (FUseThreadIO)
        ThreadStop();
    FDeviceHandle = INVALID_HANDLE_VALUE;
    CallOnClose();
}

void TnrBaseIO::CallOnClose() {
    if (!FOnClose)
        return;
    try {
        FOnClose(this);
    } catch (...) {
        // A failing close handler must not keep the port from being reported closed.
    }
}

void TnrBaseIO::DoFatalErrors(uint32_t ErrorCode, uint32_t Detail, const AnsiString& ErrorMsg,
                              bool ShowOnly) {
    bool raiseException = true;
    if (FOnFatalError)
        FOnFatalError(this, ErrorCode, Detail, ErrorMsg, raiseException);
    if (FLog)
        FLog->AddLogFmt(dlSimple, "Fatal Error: %u, %u, %s", {ErrorCode, Detail, ErrorMsg});
    if (!raiseException || IsLoading())
        return;
    if (!ShowOnly)
        throw Exception(ErrorMsg);
    const Exception shown(ErrorMsg);
    if (Application)
        Application->ShowException(shown);
    else
        MessageBoxA(GetForegroundWindow(), shown.Message.c_str(), "Error", MB_ICONERROR);
}

void TnrBaseIO::DoNotify(int32_t Code) {
    FNotifyList->Call(this, Code);
}

int32_t TnrBaseIO::NotifyAdd(const TnrNotifyEvent& Handler) {
    const int32_t index = FNotifyList->IndexOf(Handler);
    return index >= 0 ? index : FNotifyList->Add(Handler);
}

void TnrBaseIO::NotifyDelete(const TnrNotifyEvent& Handler) {
    const int32_t index = FNotifyList->IndexOf(Handler);
    if (index >= 0)
        FNotifyList->Delete(index);
}

void TnrBaseIO::SendChar(char) {
    throw EAbstractError();
}
void TnrBaseIO::SendString(const AnsiString&) {
    throw EAbstractError();
}
void TnrBaseIO::SendData(const void*, uint32_t) {
    throw EAbstractError();
}
void TnrBaseIO::ClearDeviceInput() {
    throw EAbstractError();
}
void TnrBaseIO::ClearDeviceOutput() {
    throw EAbstractError();
}
void TnrBaseIO::ClearDeviceBuffers() {
    throw EAbstractError();
}

void TnrBaseIO::Logging(TDetailLevel Level, const AnsiString& Text) {
    if (!FLog)
        return;
    if (Text.empty())
        FLog->AddSysInfo();
    else
        FLog->AddLog(Level, FLogPrefix + Text);
}

void TnrBaseIO::LoggingFmt(TDetailLevel Level, const AnsiString& Fmt, TFormatArgs Args) {
    if (FLog)
        FLog->AddLogFmt(Level, FLogPrefix + Fmt, Args);
}

void TnrBaseIO::SetLog(TnrCustomLogFile* Value) {
    FLog = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TnrBaseIO::Loaded() {
    TComponent::Loaded();
    try {
        SetTerminal(FTerminal);
        SetTerminalUsage(FTerminalUsage);
        SetActive(FStoredActive);
    } catch (...) {
        MessageBoxA(GetForegroundWindow(), "error", "Error", MB_ICONERROR);
    }
}

void TnrBaseIO::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent)
        return;
    if (AComponent == FDataProcessor)
        SetDataProcessor(nullptr);
    else if (AComponent == FTerminal)
        FTerminal = nullptr;
    else if (AComponent == FLog)
        FLog = nullptr;
}
