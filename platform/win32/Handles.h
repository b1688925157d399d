#pragma once
// The handle table: every kernel object the stand-ins create lives behind a HANDLE.
#include <memory>

#include "platform/win32/WinError.h"

// A kernel object. Waitable kinds (events, threads) override WaitFor.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    // WaitForSingleObject on this object: WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
    virtual DWORD WaitFor(DWORD milliseconds);
    // CloseHandle: the handle is gone from the table; the object goes with its last user.
    virtual void OnClose() {}
};

// Enters the object in the table and returns its new handle (never INVALID_HANDLE_VALUE or 0).
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null (last error ERROR_INVALID_HANDLE) when the handle is
// not open or is of another kind.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <class T> std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

// Removes the handle from the table; false (ERROR_INVALID_HANDLE) when it was not open.
BOOL CloseHandle(HANDLE handle);
