#include "platform/win32/WinSpool.h"

BOOL EnumPortsA(LPSTR, DWORD level, BYTE*, DWORD, LPDWORD needed, LPDWORD returned) {
    if (level != 1 && level != 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (needed)
        *needed = 0;
    if (returned)
        *returned = 0;
    return TRUE;
}
