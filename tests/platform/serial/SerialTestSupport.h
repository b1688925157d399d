#pragma once
// Opening ports and waiting on overlapped operations in the serial tests. Waits carry
// generous limits that only guard against a hang; no test measures time.
#include <gtest/gtest.h>

#include "platform/win32/Comm.h"
#include "platform/win32/Files.h"
#include "platform/win32/Synch.h"

constexpr DWORD HANG_GUARD_MS = 10000;

inline HANDLE OpenPort(const char* portName) {
    std::string name = std::string("\\\\.\\") + portName;
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
}

// An OVERLAPPED record with its own manual-reset event.
struct Overlapped {
    Overlapped() { record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() { CloseHandle(record.hEvent); }
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;
    bool Signalled(DWORD ms = HANG_GUARD_MS) {
        return WaitForSingleObject(record.hEvent, ms) == WAIT_OBJECT_0;
    }
    OVERLAPPED* Get() { return &record; }
    OVERLAPPED record{};
};

// Starts a WaitCommEvent that must be left pending.
inline void StartPendingWait(HANDLE port, DWORD& mask, Overlapped& overlapped) {
    ASSERT_FALSE(WaitCommEvent(port, &mask, overlapped.Get()));
    ASSERT_EQ(ERROR_IO_PENDING, GetLastError());
}

inline COMSTAT QueueStatus(HANDLE port, DWORD* errors = nullptr) {
    COMSTAT stat{};
    DWORD ignored = 0;
    EXPECT_TRUE(ClearCommError(port, errors ? errors : &ignored, &stat));
    return stat;
}
