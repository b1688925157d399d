#pragma once
// Registry, resource and system-version helpers of the communication library: platform
// services wrapped in calls that return fresh texts and keep no state. None raises; a
// failure gives an empty text or false.
#include <cstdint>

#include "platform/win32/Registry.h"

// The full path of an open key: the kernel path (\REGISTRY\MACHINE\...) without Root; with
// Root, the path below the root stored there (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, or 0
// when the path lies under neither). Root is left alone when the name cannot be had.
AnsiString RegGetKeyFullName(HKEY Key, HKEY* Root = nullptr);
// The path without its last component.
AnsiString RegGetKeyParentName(const AnsiString& Path);
// The value's data byte for byte (a number as its four bytes), a string's terminating NUL
// dropped.
AnsiString RegReadString(HKEY Root, const AnsiString& Path, const AnsiString& ValueName);
// The file's version formatted with FormatText ("%u.%u.%u.%u" when empty), or, for an empty
// FileName, "Windows <name> [<major>.<minor>.<build>] <service pack>".
AnsiString nrGetVersion(const AnsiString& FileName, const AnsiString& FormatText);
// The NUL-separated strings of the first Length bytes of Buffer joined by Separator.
AnsiString GetParsedWin32StrList(const char* Buffer, int32_t Length, const AnsiString& Separator);
// Writes the module's raw-data resource to the file (replacing it); true when all of it was
// written.
bool CreateFileFromRes(const AnsiString& ResName, const AnsiString& FileName);
// The module's raw-data resource as bytes; empty when missing.
AnsiString GetResAsStr(const AnsiString& ResName);
