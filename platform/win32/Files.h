#pragma once
// Disk files and folders through the Windows file calls, on native paths.
//
// Share modes: an open whose access an existing handle's share mode refuses, or whose
// share mode refuses an existing handle's access (read, write, delete), fails with
// ERROR_SHARING_VIOLATION; so does DeleteFileA of a file open without FILE_SHARE_DELETE.
// Kept among CreateFileA handles of this and other processes (FileSharing.h).
//
// Device names ("\\.\COM3", "\\?\COM3", "COM3") go to the device opener that the serial
// drivers register.
#include <cstdint>

#include "platform/win32/FileObject.h"
#include "platform/win32/WinError.h"
#include "platform/win32/WinTypes.h"

constexpr DWORD MAX_PATH = 260;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;
constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD ERROR_NEGATIVE_SEEK = 131;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};

// 100-nanosecond intervals since 1601-01-01 (UTC).
struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    DWORD dwReserved0 = 0;
    DWORD dwReserved1 = 0;
    CHAR cFileName[MAX_PATH] = {};
    CHAR cAlternateFileName[14] = {};
};

// Opens a device-namespace name; returns INVALID_HANDLE_VALUE with the last error set.
using DeviceOpener = HANDLE (*)(LPCSTR name, DWORD access, DWORD share, DWORD flags);
// Without an opener, device names fail with ERROR_FILE_NOT_FOUND.
void SetDeviceOpener(DeviceOpener opener);

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);

// Dispatch to the handle's FileObject (disk file or serial port). On a disk file an
// OVERLAPPED record gives the file offset (all ones in both halves: a write at the end)
// and the operation completes at once; on a handle opened without FILE_FLAG_OVERLAPPED
// the file pointer then follows the transfer. A read with a record at or past the end
// fails with ERROR_HANDLE_EOF, as does GetOverlappedResult on that record.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
BOOL FlushFileBuffers(HANDLE file);

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* fileSize);
DWORD SetFilePointer(HANDLE file, LONG distanceToMove, LONG* distanceToMoveHigh, DWORD moveMethod);
BOOL SetEndOfFile(HANDLE file);

BOOL DeleteFileA(LPCSTR fileName);
BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists);
// Fails with ERROR_ALREADY_EXISTS when the target exists, as on Windows.
BOOL MoveFileA(LPCSTR existingFileName, LPCSTR newFileName);
BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryA(LPCSTR pathName);
// FILE_ATTRIBUTE_DIRECTORY for folders, ARCHIVE for files, READONLY when we cannot write,
// HIDDEN for dot names.
DWORD GetFileAttributesA(LPCSTR fileName);

// Patterns: a folder path followed by a mask with '*' and '?', matched without regard to
// letter case; "*.*" and "*" match every entry, "." and ".." included. Entries are listed
// "." and ".." first, then by name without regard to case.
HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* findData);
BOOL FindNextFileA(HANDLE findFile, WIN32_FIND_DATAA* findData);
BOOL FindClose(HANDLE findFile);

// module null: the executable's full name (/proc/self/exe resolved). Returns the length
// copied; a buffer too small gets the truncated, terminated name, the result is size and
// the last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
