#pragma once
// The Windows resource functions over the program's module resources. Every module resource
// is raw data (RT_RCDATA); only the program's own module (null or GetModuleHandleA(nullptr))
// carries resources.
#include "platform/win32/WinError.h"

using HRSRC = void*;
using HGLOBAL = void*;

// MAKEINTRESOURCE(10)
inline const LPCSTR RT_RCDATA = reinterpret_cast<LPCSTR>(uintptr_t{10});

// Null with the last error set when the module, the type or the name is not found.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
