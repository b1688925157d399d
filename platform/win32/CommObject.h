#pragma once
// The port object behind a serial handle. Comm.cpp checks the handle and forwards each comm
// function here; the serial drivers implement it. Each operation returns TRUE, or FALSE with
// the last error set, exactly as the comm function of the same name.
#include "platform/rtl/SysUtils.h"
#include "platform/win32/Comm.h"
#include "platform/win32/FileObject.h"

class CommObject : public FileObject {
public:
    virtual BOOL Setup(DWORD inQueue, DWORD outQueue) = 0;
    virtual BOOL GetState(DCB& dcb) = 0;
    virtual BOOL SetState(const DCB& dcb) = 0;
    virtual BOOL GetTimeouts(COMMTIMEOUTS& timeouts) = 0;
    virtual BOOL SetTimeouts(const COMMTIMEOUTS& timeouts) = 0;
    virtual BOOL SetMask(DWORD mask) = 0;
    virtual BOOL GetMask(DWORD& mask) = 0;
    virtual BOOL WaitEvent(DWORD* mask, OVERLAPPED* overlapped) = 0;
    virtual BOOL ClearError(DWORD* errors, COMSTAT* stat) = 0;
    virtual BOOL Purge(DWORD flags) = 0;
    virtual BOOL Escape(DWORD function) = 0;
    virtual BOOL GetModemStatus(DWORD& status) = 0;
    virtual BOOL GetProperties(COMMPROP& properties) = 0;
    virtual BOOL TransmitChar(char c) = 0;
    // The result of an overlapped operation issued on this port.
    virtual BOOL OverlappedResult(OVERLAPPED* overlapped, DWORD* done, BOOL wait) = 0;
    // Cancels the calling thread's pending operations.
    virtual BOOL CancelThreadIo() = 0;
};

// Tells whether a port name ("COM3") names an existing port; the serial drivers provide it.
using CommPortProbe = bool (*)(const AnsiString& portName);
CommPortProbe SetCommPortProbe(CommPortProbe probe); // returns the one it replaces

// 9600 baud, 8 data bits, no parity, one stop bit, DTR and RTS on, XON/XOFF characters set:
// a newly opened port's settings and the default configuration of every existing port.
DCB DefaultLineSettings();

// OVERLAPPED.Internal of a finished operation: success; a write ended by its time-out
// (success, fewer bytes); cancelled (ERROR_OPERATION_ABORTED); or failed with a Windows
// error code, kept in the low 16 bits of a customer-defined error status.
constexpr ULONG_PTR COMM_STATUS_SUCCESS = 0;
constexpr ULONG_PTR COMM_STATUS_TIMEOUT = 0x102;
constexpr ULONG_PTR COMM_STATUS_CANCELLED = 0xC0000120;
constexpr ULONG_PTR COMM_STATUS_FROM_WIN32 = 0xE0000000;

// A finished operation as its function reports it: the bytes transferred and TRUE, or FALSE
// with the last error.
BOOL FinishedOperationResult(const OVERLAPPED& overlapped, DWORD* done);
