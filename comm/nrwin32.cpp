#include "comm/nrwin32.h"

#include "platform/win32/Comm.h"
#include "platform/win32/Files.h"
#include "platform/win32/Modules.h"

AnsiString ComPortToStr(int Number) {
    return Format("COM%u", Number);
}

HANDLE OpenPort(int Number) {
    const AnsiString name = "\\\\?\\" + ComPortToStr(Number);
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
}

namespace {
// Starts a new operation on the record; its event stays.
void ResetOverlapped(OVERLAPPED& Overlapped) {
    Overlapped.Internal = 0;
    Overlapped.InternalHigh = 0;
    Overlapped.Offset = 0;
    Overlapped.OffsetHigh = 0;
}
} // namespace

bool WaitForIOCompletion(HANDLE Handle, OVERLAPPED& Overlapped, DWORD& Transferred,
                         DWORD& ErrorCode) {
    ErrorCode = GetLastError();
    if (ErrorCode != ERROR_IO_PENDING)
        return false;
    if (GetOverlappedResult(Handle, &Overlapped, &Transferred, TRUE))
        return true;
    ErrorCode = GetLastError();
    return false;
}

bool WriteSync(HANDLE Handle, const void* Buffer, DWORD Count, OVERLAPPED& Overlapped) {
    ResetOverlapped(Overlapped);
    DWORD written = 0;
    if (WriteFile(Handle, Buffer, Count, &written, &Overlapped))
        return true;
    DWORD error = 0;
    const bool done = WaitForIOCompletion(Handle, Overlapped, written, error);
    // Callers report the failure from the last error.
    if (!done)
        SetLastError(error);
    return done;
}

bool ReadSync(HANDLE Handle, void* Buffer, DWORD Count, OVERLAPPED& Overlapped) {
    ResetOverlapped(Overlapped);
    DWORD read = 0;
    if (ReadFile(Handle, Buffer, Count, &read, &Overlapped))
        return true;
    DWORD error = 0;
    const bool done = WaitForIOCompletion(Handle, Overlapped, read, error);
    if (!done)
        SetLastError(error);
    return done;
}

bool WriteAsync(HANDLE Handle, const void* Buffer, DWORD Count, OVERLAPPED& Overlapped) {
    ResetOverlapped(Overlapped);
    DWORD written = 0;
    if (WriteFile(Handle, Buffer, Count, &written, &Overlapped))
        return true;
    return GetLastError() == ERROR_IO_PENDING;
}

bool nrCancelIO(HANDLE Handle) {
    using CancelIoProc = BOOL (*)(HANDLE);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return false;
    auto cancel = reinterpret_cast<CancelIoProc>(GetProcAddress(kernel, "CancelIo"));
    if (!cancel)
        return false;
    return cancel(Handle) != FALSE;
}

AnsiString GetLastSysErrorString() {
    return SystemErrorMessage(GetLastError());
}
