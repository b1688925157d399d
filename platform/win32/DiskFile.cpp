#include "platform/win32/DiskFile.h"

#include <cerrno>
#include <unistd.h>

#include "platform/win32/Synch.h"

namespace {
off_t OffsetOf(const OVERLAPPED& overlapped) {
    return static_cast<off_t>((static_cast<uint64_t>(overlapped.OffsetHigh) << 32) |
                              overlapped.Offset);
}

// A disk transfer with an OVERLAPPED record completes at once; the record and its event
// report it as a finished asynchronous operation would.
void Complete(OVERLAPPED* overlapped, DWORD done) {
    if (!overlapped)
        return;
    overlapped->Internal = 0;
    overlapped->InternalHigh = done;
    if (overlapped->hEvent)
        SetEvent(overlapped->hEvent);
}
} // namespace

DiskFile::~DiskFile() {
    ::close(fd_);
}

BOOL DiskFile::Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
    if (!canRead_) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    auto* bytes = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < count) {
        ssize_t got =
            overlapped ? ::pread(fd_, bytes + total, count - total, OffsetOf(*overlapped) + total)
                       : ::read(fd_, bytes + total, count - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            SetLastErrorFromErrno();
            return FALSE;
        }
        if (got == 0)
            break; // end of file: success with fewer bytes
        total += static_cast<DWORD>(got);
    }
    if (done)
        *done = total;
    Complete(overlapped, total);
    return TRUE;
}

BOOL DiskFile::Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
    if (!canWrite_) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const auto* bytes = static_cast<const char*>(buffer);
    DWORD total = 0;
    while (total < count) {
        ssize_t put =
            overlapped ? ::pwrite(fd_, bytes + total, count - total, OffsetOf(*overlapped) + total)
                       : ::write(fd_, bytes + total, count - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            if (done)
                *done = total;
            SetLastErrorFromErrno();
            return FALSE;
        }
        total += static_cast<DWORD>(put);
    }
    if (done)
        *done = total;
    Complete(overlapped, total);
    return TRUE;
}

BOOL DiskFile::Flush() {
    if (!canWrite_) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::fsync(fd_) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}
