#include "platform/win32/DiskFile.h"

#include <cerrno>
#include <cstdint>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32/CommObject.h"
#include "platform/win32/Synch.h"

namespace {
constexpr ULONG_PTR EndOfFileStatus = COMM_STATUS_FROM_WIN32 | ERROR_HANDLE_EOF;
constexpr DWORD AtTheEnd = 0xFFFFFFFF;

// A disk transfer with an OVERLAPPED record completes at once; the record and its event
// report it as a finished asynchronous operation would. Whether a disk transfer pends is
// left open by Windows; here none does.
void Complete(OVERLAPPED* overlapped, DWORD done, ULONG_PTR status) {
    overlapped->Internal = status;
    overlapped->InternalHigh = done;
    if (overlapped->hEvent)
        SetEvent(overlapped->hEvent);
}
} // namespace

DiskFile::~DiskFile() {
    if (mode_.markDescriptor >= 0 && mode_.markDescriptor != fd_)
        ::close(mode_.markDescriptor);
    ::close(fd_);
}

bool DiskFile::StartOf(const OVERLAPPED& overlapped, bool writing, off_t& start) const {
    if (writing && overlapped.Offset == AtTheEnd && overlapped.OffsetHigh == AtTheEnd) {
        struct stat info {};
        if (::fstat(fd_, &info) != 0) {
            SetLastErrorFromErrno();
            return false;
        }
        start = info.st_size;
        return true;
    }
    const uint64_t offset =
        (static_cast<uint64_t>(overlapped.OffsetHigh) << 32) | overlapped.Offset;
    if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    start = static_cast<off_t>(offset);
    return true;
}

void DiskFile::MovePointer(OVERLAPPED* overlapped, off_t end) const {
    if (overlapped && !mode_.overlapped)
        ::lseek(fd_, end, SEEK_SET);
}

BOOL DiskFile::Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
    if (!mode_.canRead) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t start = 0;
    if (overlapped && !StartOf(*overlapped, false, start))
        return FALSE;
    auto* bytes = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < count) {
        ssize_t got = overlapped ? ::pread(fd_, bytes + total, count - total, start + total)
                                 : ::read(fd_, bytes + total, count - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            SetLastErrorFromErrno();
            return FALSE;
        }
        if (got == 0)
            break; // end of file: fewer bytes
        total += static_cast<DWORD>(got);
    }
    if (done)
        *done = total;
    if (!overlapped)
        return TRUE; // a plain read at the end succeeds with nothing read
    if (total == 0 && count > 0) {
        // A positioned read at or past the end fails, which ends the documented read loop.
        Complete(overlapped, 0, EndOfFileStatus);
        SetLastError(ERROR_HANDLE_EOF);
        return FALSE;
    }
    MovePointer(overlapped, start + total);
    Complete(overlapped, total, COMM_STATUS_SUCCESS);
    return TRUE;
}

BOOL DiskFile::Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
    if (!mode_.canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t start = 0;
    if (overlapped && !StartOf(*overlapped, true, start))
        return FALSE;
    const auto* bytes = static_cast<const char*>(buffer);
    DWORD total = 0;
    while (total < count) {
        ssize_t put = overlapped ? ::pwrite(fd_, bytes + total, count - total, start + total)
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
    if (overlapped) {
        MovePointer(overlapped, start + total);
        Complete(overlapped, total, COMM_STATUS_SUCCESS);
    }
    return TRUE;
}

BOOL DiskFile::Flush() {
    if (!mode_.canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::fsync(fd_) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}
