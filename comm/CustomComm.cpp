// Lifecycle of the event-driven port: construction, open, close, halt, error reports.
#include "comm/CustomComm.h"

#include "comm/nrwin32.h"
#include "platform/win32/Version.h"

VOKA_PUBLISH(TnrCustomComm, p) {}

namespace {
constexpr DWORD COMMCONFIG_SIZE = sizeof(COMMCONFIG);
constexpr DWORD DCB_SIZE = sizeof(DCB);
constexpr uint16_t DEFAULT_QUEUE_SIZE = 4096;
constexpr DWORD DEFAULT_WRITE_TIMEOUT = 100;

// Drivers of the NT family from version 5 toggle RTS around sends themselves.
bool NeedsSoftwareDirectionSwitching() {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return true;
    return !(info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 5);
}
} // namespace

TnrCustomComm::TnrCustomComm(TComponent* AOwner) : TnrBaseIO(AOwner) {
    FTimeouts.WriteTotalTimeoutMultiplier = DEFAULT_WRITE_TIMEOUT;
    FSoftRS485 = NeedsSoftwareDirectionSwitching();
    FCommConfig.dwSize = COMMCONFIG_SIZE;
    FCommConfig.dcb.DCBlength = DCB_SIZE;
    SetBufferInSize(DEFAULT_QUEUE_SIZE);
    SetBufferOutSize(DEFAULT_QUEUE_SIZE);
}

TnrCustomComm::~TnrCustomComm() {
    ShutDown();
    SetTerminal(nullptr);
}

void TnrCustomComm::ShutDown() {
    SetDataProcessor(nullptr);
    FOnTraceState = nullptr;
    Close();
    ThreadStop(); // threads that ended with a failure-closed port
}

AnsiString TnrCustomComm::GetPortName() {
    return "Unknown";
}

void TnrCustomComm::Open() {
    Close();
    FTotalSent = 0;
    FTotalReceived = 0;
    SetDeviceHandle(RequestDeviceHandle());
    if (!IsHandleValid()) {
        const AnsiString reason = GetLastSysErrorString();
        FLastError = Format("Device \"%s\" Open Error !!!\r%s", GetPortName(), reason);
        DoFatalErrors(1, 0, FLastError, false);
        return;
    }
    FInputBuffer.assign(GetBufferInSize(), 0);
    LoggingFmt(dlSimple, "The port %s succesful opened", {GetPortName()});
    ThreadStart();
    InitAfterOpen();
    SetTraceState(FTraceStates);
    DoTraceStates(this, TTraceStates{tsTxEmpty});
    DoNotify(NOTIFY_OPENED);
}

void TnrCustomComm::Close() {
    if (IsHandleValid()) {
        CloseGuarded();
        ThreadStop();
        Logging(dlSimple, "The port is succesful closed");
    }
    DoTraceStates(this, TTraceStates{tsTxEmpty});
}

void TnrCustomComm::CloseGuarded() {
    try {
        ForceHalt(true);
    } catch (...) {
        // Whatever failed, the port must end up closed.
        HANDLE handle = TakeDeviceHandle();
        if (handle != INVALID_HANDLE_VALUE) {
            RequestDeviceHandleClose(handle);
            CallOnClose();
        }
    }
}

void TnrCustomComm::ForceHalt(bool Full) {
    if (!IsHandleValid())
        return;
    if (Full) {
        SignalEventThreadStop();
        if (GetNotYetSend() > 0)
            ClearDeviceBuffers();
        SetCommMask(GetDeviceHandle(), EV_RX80FULL);
    }
    // The event thread may halt the port at the same moment: only one of them closes it.
    HANDLE handle = TakeDeviceHandle();
    if (handle == INVALID_HANDLE_VALUE)
        return;
    std::vector<uint8_t>().swap(FInputBuffer);
    RequestDeviceHandleClose(handle);
    // Closing ended any send in flight; the record must not look pending on the next port.
    AsyncWriteOverlapped() = OVERLAPPED{};
    CallOnClose();
    DoNotify(NOTIFY_CLOSED);
}

void TnrCustomComm::InitAfterOpen() {
    SetupComm(GetDeviceHandle(), FBufferInSize, FBufferOutSize);
    SetTimeOuts(&FTimeouts);
}

void TnrCustomComm::DoCommError(uint32_t CommCode, uint32_t SysError, TComStateFlags State) {
    if (SoftwareDirectionActive())
        SetStateRTS(false);
    bool flashBuffers = false;
    LoggingFmt(dlDetail, "Communication Error %d:%d", {CommCode, SysError});
    if (FOnCommError)
        FOnCommError(this, CommCode, SysError, State, flashBuffers);
    if (flashBuffers)
        ClearDeviceBuffers();
}
