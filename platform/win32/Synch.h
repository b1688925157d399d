#pragma once
// Events, waits, the tick counter, sleeping, thread identifiers and critical sections.
#include "platform/win32/Handles.h"

// Event objects. A named call gives a handle to the event of that name in this process when
// there is one (last error ERROR_ALREADY_EXISTS; the flags are then ignored), otherwise a new
// one (last error 0). Unnamed calls leave the last error as it was.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                    LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Releases the threads waiting at this moment (all of them for a manual-reset event, one for
// an auto-reset event) and leaves the event non-signalled. Without waiters nothing happens.
BOOL PulseEvent(HANDLE event);
// The number of threads waiting on an event now, so tests can release them deterministically.
DWORD EventWaiterCount(HANDLE event);

// Waits on any waitable handle (events, threads). Time-outs are measured in real time, not
// on the test tick clock. WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (last error set).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
// WAIT_OBJECT_0 + index of the first signalled handle (waitAll false) or WAIT_OBJECT_0 when
// all were signalled at once (waitAll true; events only, others fail with
// ERROR_NOT_SUPPORTED, the same object twice with ERROR_INVALID_PARAMETER). Sets that mix events
// with other handles are polled every millisecond.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Milliseconds since the system started, 32 bits, wrapping after about 49.7 days.
DWORD GetTickCount();
// The test clock: once set, GetTickCount reports it instead of real time. It moves only by
// AdvanceTestTickCount and by Sleep (which adds the milliseconds it slept), so a polling loop
// that sleeps between reads reaches its time-out deterministically.
void SetTestTickCount(DWORD value);
void AdvanceTestTickCount(DWORD milliseconds);
void UseRealTickCount();
// With the test clock set, Sleep only moves it and lets no real time pass, for tests whose
// other side answers at once; UseRealTickCount ends that too.
void SetTestSleepInstant(bool instant);

// Sleeps for real; Sleep(0) yields. Advances the test clock when that is active (without
// sleeping, when SetTestSleepInstant asked for it).
void Sleep(DWORD milliseconds);

// A small number identifying the calling thread, fixed for its lifetime and never reused.
DWORD GetCurrentThreadId();

// A recursive lock. Initialise before use and delete after the last use.
struct CriticalSectionState;
struct CRITICAL_SECTION {
    CriticalSectionState* State = nullptr;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
void InitializeCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
