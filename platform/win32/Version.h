#pragma once
// The operating-system version as the NT family reports it.
#include "platform/win32/WinError.h"

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize = 0;
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    CHAR szCSDVersion[128] = {};
};
static_assert(sizeof(OSVERSIONINFOA) == 148);
using LPOSVERSIONINFOA = OSVERSIONINFOA*;

// On Linux: the NT family, version 10.0, build 19045, and the kernel release (uname) as the
// service-pack text. FALSE with ERROR_INSUFFICIENT_BUFFER when dwOSVersionInfoSize is not the
// record's size.
BOOL GetVersionExA(LPOSVERSIONINFOA info);
