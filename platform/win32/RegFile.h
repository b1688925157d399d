#pragma once
// The .reg text of a hive: the "Windows Registry Editor Version 5.00" header, keys in
// [ROOT\path] lines, values as "name"="text", "name"=dword:0000002a, "name"=hex:01,02 and
// "name"=hex(N):.. for other types; @ names the default value. Long hex lists continue
// on the next line after a trailing backslash. [-key] and "name"=- delete.
#include <string>

#include "platform/win32/RegistryHive.h"

// rootName is "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER"; keys of another root are an
// error. On failure returns false with a reason naming the line.
bool ParseRegFile(const std::string& text, const AnsiString& rootName, RegistryHive& hive,
                  AnsiString& error);
std::string FormatRegFile(const RegistryHive& hive, const AnsiString& rootName);
