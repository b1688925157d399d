#pragma once
// The Windows scalar types with their Windows sizes.
#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using UINT = uint32_t;
using INT = int32_t;
using BOOL = int32_t;
using CHAR = char;
using WCHAR = char16_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using HANDLE = void*;
using HMODULE = HANDLE;
using HINSTANCE = HANDLE;
using HKEY = HANDLE;
using HWND = HANDLE;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ULONG_PTR = uintptr_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using HRESULT = int32_t;

// Security descriptors are not modelled: callers pass null or a record that is ignored.
struct SECURITY_ATTRIBUTES {
    DWORD nLength = 0;
    LPVOID lpSecurityDescriptor = nullptr;
    BOOL bInheritHandle = 0;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct POINT {
    LONG x = 0;
    LONG y = 0;
};
struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Overlapped I/O record: Internal holds the status (STATUS_PENDING while the operation
// runs), InternalHigh the bytes moved; hEvent is signalled when it completes.
constexpr ULONG_PTR STATUS_PENDING = 0x103;
struct OVERLAPPED {
    ULONG_PTR Internal = 0;
    ULONG_PTR InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = nullptr;
};
using LPOVERLAPPED = OVERLAPPED*;
