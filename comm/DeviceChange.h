#pragma once
// The platform's device-change broadcast (WM_DEVICECHANGE) as the I/O components read it.
#include "platform/win32/WinTypes.h"

constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr DWORD DBT_DEVTYP_PORT = 0x0003;

// The header every device record of the broadcast starts with (lParam points to it).
struct DEV_BROADCAST_HDR {
    DWORD dbch_size;
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
};
