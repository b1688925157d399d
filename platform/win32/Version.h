#pragma once
// The operating-system version as the NT family reports it, and version resources.
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
// Makes GetVersionExA report info (its size field is ignored); null restores the Linux
// figures. For tests of other systems' versions.
void SetReportedVersion(const OSVERSIONINFOA* info);

// A version resource: the VS_VERSIONINFO block with its fixed file information. The project's
// executables carry one in their ELF section ".voka.version" (see voka_version_resource).
struct VS_FIXEDFILEINFO {
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
extern const char* const VERSION_RESOURCE_SECTION;

// The size of the file's version resource; 0 with the last error set when the file cannot be
// read (its error), is no ELF file (ERROR_BAD_FORMAT) or carries none
// (ERROR_RESOURCE_TYPE_NOT_FOUND). handle, if given, receives 0.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
// Copies the resource, cut to size bytes.
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
// Only the root block "\" is known: the VS_FIXEDFILEINFO inside the resource.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);
