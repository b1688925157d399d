#pragma once
// The port layer under the serial component: opening COM ports by number, overlapped
// reads and writes, cancelling pending I/O, the system's error text, and the port list
// from the serial port map.
#include "platform/rtl/StringList.h"
#include "platform/win32/WinTypes.h"

// "COM%u"
AnsiString ComPortToStr(int Number);
// Opens "\\?\COMn" exclusively for overlapped I/O; INVALID_HANDLE_VALUE on failure.
HANDLE OpenPort(int Number);
// Write (read) and wait for the end; the OVERLAPPED keeps its event.
bool WriteSync(HANDLE Handle, const void* Buffer, DWORD Count, OVERLAPPED& Overlapped);
bool ReadSync(HANDLE Handle, void* Buffer, DWORD Count, OVERLAPPED& Overlapped);
// Write without waiting: true when the write completed or is pending.
bool WriteAsync(HANDLE Handle, const void* Buffer, DWORD Count, OVERLAPPED& Overlapped);
// Finishes a pending operation (ERROR_IO_PENDING); ErrorCode receives the failure's code.
bool WaitForIOCompletion(HANDLE Handle, OVERLAPPED& Overlapped, DWORD& Transferred,
                         DWORD& ErrorCode);
// CancelIo looked up in "kernel32.dll" at each call; false when it cannot be found.
bool nrCancelIO(HANDLE Handle);
// The system's message text for the calling thread's last error code.
AnsiString GetLastSysErrorString();

// Clears Strings and fills it with the ports, ascending by number: "COM3" or, with
// WithDeviceNames, "COM3=<device>", each with its number as the entry's object. A port
// name whose number is not an integer raises EConvertError.
void GetPortList(TStrings& Strings, bool WithDeviceNames);
// The number an entry of GetPortList carries.
int PortListNumber(const TStrings& Strings, int Index);
