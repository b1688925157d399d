#pragma once
// The print spooler's port enumeration, which lists COM ports on the Windows 9x family.
// This platform has no spooler ports: the first call reports success with nothing needed.
#include "platform/win32/WinError.h"

struct PORT_INFO_1A {
    LPSTR pName;
};

BOOL EnumPortsA(LPSTR name, DWORD level, BYTE* ports, DWORD bufferSize, LPDWORD needed,
                LPDWORD returned);
