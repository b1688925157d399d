// Numbered COM ports: selection, external handles, set-up after open, connection test.
#include "comm/SerialComm.h"

#include "comm/nrwin32.h"
#include "platform/win32/CommObject.h"

VOKA_PUBLISH(TnrCustomSerialComm, p) {}

namespace {
constexpr DWORD ABORT_ON_ERROR = 0x4000;
constexpr DWORD DSR_WAIT_MS = 200;
} // namespace

TnrCustomSerialComm::TnrCustomSerialComm(TComponent* AOwner) : TnrCustomComm(AOwner) {
    SetLogPrefix("reRore: ");
    // Whatever port is chosen later, the record starts from COM1's defaults (zeros where
    // there is no COM1, but for the XON/XOFF characters: no port accepts them equal).
    DWORD size = sizeof(COMMCONFIG);
    if (!GetDefaultCommConfigA("COM1", &GetCommConfigRecord(), &size)) {
        GetCommConfigRecord().dcb.XonChar = DefaultLineSettings().XonChar;
        GetCommConfigRecord().dcb.XoffChar = DefaultLineSettings().XoffChar;
    }
    GetCommConfigRecord().dwSize = sizeof(COMMCONFIG);
    GetCommConfigRecord().dcb.DCBlength = sizeof(DCB);
    SetComPort(cpCOM1);
    SetBaudRate(19200);
    SetByteSize(8);
    SetParity(pNone);
    SetStopBits(sbOne);
    SetStreamProtocol(spHardware);
    SetEventChar(0);
}

void TnrCustomSerialComm::SetComPortNo(uint16_t Value) {
    const bool wasActive = GetActive();
    SetActive(false);
    FComPortNo = Value;
    if (wasActive)
        SetActive(true);
    DoNotify(NOTIFY_DEVICES_CHANGED);
}

TComPort TnrCustomSerialComm::GetComPort() const {
    // Port 0 names no COM1..COM8 entry either.
    if (FComPortNo == 0 || FComPortNo >= 9)
        return cpCOMxx;
    return static_cast<TComPort>(FComPortNo - 1);
}

void TnrCustomSerialComm::SetComPort(TComPort Value) {
    if (Value != cpCOMxx)
        SetComPortNo(static_cast<uint16_t>(Value + 1));
}

AnsiString TnrCustomSerialComm::GetPortName() {
    return ComPortToStr(FComPortNo);
}

void TnrCustomSerialComm::SetExtHandle(HANDLE Handle) {
    if (Handle == nullptr || Handle == INVALID_HANDLE_VALUE)
        return;
    if (GetActive())
        Close();
    FExtHandle = Handle;
    Open();
}

HANDLE TnrCustomSerialComm::RequestDeviceHandle() {
    if (FExtHandle != nullptr) {
        HANDLE handle = FExtHandle;
        FExtHandle = nullptr;
        return handle;
    }
    return OpenPort(FComPortNo);
}

void TnrCustomSerialComm::InitAfterOpen() {
    TnrCustomComm::InitAfterOpen();
    SetDcbFlags(Dcb(), GetDcbFlags(Dcb()) | ABORT_ON_ERROR);
    DCBApply();
}

void TnrCustomSerialComm::InitDeviceConnect() {
    if (!IsHandleValid())
        return;
    ClearDeviceBuffers();
    SetStateDTR(true);
    SetStateRTS(false);
    if (WaitForSignal(msDSR, DSR_WAIT_MS)) {
        SetStateRTS(true);
        Logging(dlDetail, "The device connection was succesful tested");
    } else {
        DoFatalErrors(1, 0, "Device Connect Initialization Error", false);
    }
}
