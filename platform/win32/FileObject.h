#pragma once
// A kernel object that ReadFile, WriteFile, FlushFileBuffers and CloseHandle work on:
// disk files, and the serial drivers' port objects.
#include "platform/win32/Handles.h"

class FileObject : public KernelObject {
public:
    // Each returns TRUE on success; on failure FALSE with the last error set. Overlapped
    // operations that cannot complete at once return FALSE with ERROR_IO_PENDING.
    virtual BOOL Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) = 0;
    virtual BOOL Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) = 0;
    virtual BOOL Flush() { return TRUE; }
};
