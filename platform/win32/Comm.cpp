#include "platform/win32/Comm.h"

#include <atomic>
#include <memory>

#include "platform/win32/CommObject.h"
#include "platform/win32/Synch.h"

namespace {
std::atomic<CommPortProbe> portProbe{nullptr};

std::shared_ptr<CommObject> Port(HANDLE handle) {
    return LookupHandleAs<CommObject>(handle);
}

BOOL Invalid() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// Hands the caller's record to the port behind the handle; a missing record is invalid.
template <class Record, class Member>
BOOL WithRecord(HANDLE handle, Record* record, Member member) {
    auto port = Port(handle);
    if (!port)
        return FALSE;
    return record ? ((*port).*member)(*record) : Invalid();
}

// Fills a configuration record around a DCB; FALSE with ERROR_INSUFFICIENT_BUFFER (and the
// size needed) when the caller's record is too small.
BOOL FillConfig(const DCB& dcb, LPCOMMCONFIG config, LPDWORD size) {
    if (!size)
        return Invalid();
    if (!config || *size < sizeof(COMMCONFIG)) {
        *size = sizeof(COMMCONFIG);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    *config = COMMCONFIG{};
    config->dwSize = sizeof(COMMCONFIG);
    config->wVersion = 1;
    config->dcb = dcb;
    config->dwProviderSubType = PST_RS232;
    *size = sizeof(COMMCONFIG);
    return TRUE;
}
} // namespace

CommPortProbe SetCommPortProbe(CommPortProbe probe) {
    return portProbe.exchange(probe);
}

BOOL FinishedOperationResult(const OVERLAPPED& overlapped, DWORD* done) {
    if (done)
        *done = static_cast<DWORD>(overlapped.InternalHigh);
    if (overlapped.Internal == COMM_STATUS_SUCCESS || overlapped.Internal == COMM_STATUS_TIMEOUT)
        return TRUE;
    SetLastError(overlapped.Internal == COMM_STATUS_CANCELLED
                     ? ERROR_OPERATION_ABORTED
                     : static_cast<DWORD>(overlapped.Internal & 0xFFFF));
    return FALSE;
}

DCB DefaultLineSettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = CBR_9600;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue) {
    auto port = Port(hFile);
    return port ? port->Setup(dwInQueue, dwOutQueue) : FALSE;
}

BOOL GetCommState(HANDLE hFile, LPDCB lpDCB) {
    return WithRecord(hFile, lpDCB, &CommObject::GetState);
}

BOOL SetCommState(HANDLE hFile, LPDCB lpDCB) {
    return WithRecord(hFile, lpDCB, &CommObject::SetState);
}

BOOL GetCommConfig(HANDLE hCommDev, LPCOMMCONFIG lpCC, LPDWORD lpdwSize) {
    auto port = Port(hCommDev);
    if (!port)
        return FALSE;
    DCB dcb{};
    if (!port->GetState(dcb))
        return FALSE;
    return FillConfig(dcb, lpCC, lpdwSize);
}

BOOL SetCommConfig(HANDLE hCommDev, LPCOMMCONFIG lpCC, DWORD dwSize) {
    auto port = Port(hCommDev);
    if (!port)
        return FALSE;
    if (!lpCC || dwSize < offsetof(COMMCONFIG, dcb) + sizeof(DCB))
        return Invalid();
    return port->SetState(lpCC->dcb);
}

BOOL GetDefaultCommConfigA(LPCSTR lpszName, LPCOMMCONFIG lpCC, LPDWORD lpdwSize) {
    CommPortProbe probe = portProbe.load();
    if (!lpszName || !probe || !probe(lpszName)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return FillConfig(DefaultLineSettings(), lpCC, lpdwSize);
}

BOOL GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts) {
    return WithRecord(hFile, lpCommTimeouts, &CommObject::GetTimeouts);
}

BOOL SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts) {
    return WithRecord(hFile, lpCommTimeouts, &CommObject::SetTimeouts);
}

BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask) {
    auto port = Port(hFile);
    return port ? port->SetMask(dwEvtMask) : FALSE;
}

BOOL GetCommMask(HANDLE hFile, LPDWORD lpEvtMask) {
    return WithRecord(hFile, lpEvtMask, &CommObject::GetMask);
}

BOOL WaitCommEvent(HANDLE hFile, LPDWORD lpEvtMask, LPOVERLAPPED lpOverlapped) {
    auto port = Port(hFile);
    return port ? port->WaitEvent(lpEvtMask, lpOverlapped) : FALSE;
}

BOOL ClearCommError(HANDLE hFile, LPDWORD lpErrors, LPCOMSTAT lpStat) {
    auto port = Port(hFile);
    return port ? port->ClearError(lpErrors, lpStat) : FALSE;
}

BOOL PurgeComm(HANDLE hFile, DWORD dwFlags) {
    auto port = Port(hFile);
    return port ? port->Purge(dwFlags) : FALSE;
}

BOOL EscapeCommFunction(HANDLE hFile, DWORD dwFunc) {
    auto port = Port(hFile);
    return port ? port->Escape(dwFunc) : FALSE;
}

BOOL SetCommBreak(HANDLE hFile) {
    return EscapeCommFunction(hFile, SETBREAK);
}
BOOL ClearCommBreak(HANDLE hFile) {
    return EscapeCommFunction(hFile, CLRBREAK);
}

BOOL GetCommModemStatus(HANDLE hFile, LPDWORD lpModemStat) {
    return WithRecord(hFile, lpModemStat, &CommObject::GetModemStatus);
}

BOOL GetCommProperties(HANDLE hFile, LPCOMMPROP lpCommProp) {
    return WithRecord(hFile, lpCommProp, &CommObject::GetProperties);
}

BOOL TransmitCommChar(HANDLE hFile, char cChar) {
    auto port = Port(hFile);
    return port ? port->TransmitChar(cChar) : FALSE;
}

BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                         LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
    if (!lpOverlapped)
        return Invalid();
    if (auto port = std::dynamic_pointer_cast<CommObject>(LookupHandle(hFile)))
        return port->OverlappedResult(lpOverlapped, lpNumberOfBytesTransferred, bWait);
    // Other files complete their operations at once. The record alone holds the result,
    // so a handle closed since (or none at all) does not matter.
    if (lpOverlapped->Internal == STATUS_PENDING) {
        if (!bWait || !lpOverlapped->hEvent) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        WaitForSingleObject(lpOverlapped->hEvent, INFINITE);
    }
    return FinishedOperationResult(*lpOverlapped, lpNumberOfBytesTransferred);
}

BOOL CancelIo(HANDLE hFile) {
    auto object = LookupHandle(hFile);
    if (!object)
        return FALSE;
    if (auto port = std::dynamic_pointer_cast<CommObject>(object))
        return port->CancelThreadIo();
    return TRUE; // nothing of other files is ever pending
}
