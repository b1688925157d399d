#pragma once
// Modules as the system binds them at run time: a table of in-process modules with named
// procedures. "kernel32.dll" and "ntdll.dll" are always loaded; other parts of the program add
// procedures (and modules) with RegisterModuleProc.
#include "platform/win32/WinError.h"

using FARPROC = void (*)();

// Module names ignore letter case and a missing ".dll"; a folder in front is ignored.
// Unknown names fail with ERROR_MOD_NOT_FOUND. Each load counts; FreeLibrary undoes one.
HMODULE LoadLibraryA(LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// A loaded module without counting a load; null (ERROR_MOD_NOT_FOUND) otherwise. A null name
// gives the program's own module.
HMODULE GetModuleHandleA(LPCSTR name);
// Procedure names are exact (letter case counts). ERROR_PROC_NOT_FOUND for an unknown name,
// ERROR_INVALID_HANDLE for a module that is not loaded.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

// Adds a procedure to a module, creating the module (not loaded) when it is new.
void RegisterModuleProc(LPCSTR module, LPCSTR name, FARPROC address);
template <class Function> void RegisterModuleProc(LPCSTR module, LPCSTR name, Function* address) {
    RegisterModuleProc(module, name, reinterpret_cast<FARPROC>(address));
}
// Adds a module without procedures (a library that lacks what the caller looks for).
void RegisterModule(LPCSTR module);
// Removes a module that is not always loaded, with its procedures; for tests.
void UnregisterModule(LPCSTR module);
