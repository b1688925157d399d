#pragma once
// The device-change broadcast's events and records (WM_DEVICECHANGE's wParam and lParam).
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

// A port's record: the header, then the port's name ("COM3"), null-terminated; dbcp_size
// counts the whole name.
struct DEV_BROADCAST_PORT_A {
    DWORD dbcp_size;
    DWORD dbcp_devicetype;
    DWORD dbcp_reserved;
    char dbcp_name[1];
};
