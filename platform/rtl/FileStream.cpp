// Streams over file descriptors, and files opened by name.
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/Streams.h"

namespace {
// Largest single system call transfer; longer requests loop.
constexpr int64_t maxTransfer = 1 << 30;
} // namespace

int64_t THandleStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n =
            ::read(handle_, bytes + done, static_cast<size_t>(std::min(count - done, maxTransfer)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(handle_, bytes + done,
                                  static_cast<size_t>(std::min(count - done, maxTransfer)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t THandleStream::Seek(int64_t offset, int origin) {
    int whence;
    switch (origin) {
    case soFromBeginning:
        whence = SEEK_SET;
        break;
    case soFromCurrent:
        whence = SEEK_CUR;
        break;
    case soFromEnd:
        whence = SEEK_END;
        break;
    default:
        throw EStreamError("Invalid stream seek origin");
    }
    return static_cast<int64_t>(::lseek(handle_, static_cast<off_t>(offset), whence));
}

void THandleStream::SetSize(int64_t size) {
    const int64_t position = GetPosition();
    if (size < 0 || ::ftruncate(handle_, static_cast<off_t>(size)) != 0)
        throw EStreamError("Stream size cannot be changed. " +
                           SysErrorMessage(size < 0 ? EINVAL : errno));
    if (position > size)
        SetPosition(size);
}

TFileStream::TFileStream(const AnsiString& fileName, uint16_t mode)
    : THandleStream(-1), fileName_(fileName) {
    if ((mode & 0xFF00) == fmCreate) {
        handle_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (handle_ < 0)
            throw EFCreateError(
                Format("Cannot create file \"%s\". %s", fileName, SysErrorMessage(errno)));
        return;
    }
    int flags = O_CLOEXEC;
    switch (mode & 0x0003) {
    case fmOpenWrite:
        flags |= O_WRONLY;
        break;
    case fmOpenReadWrite:
        flags |= O_RDWR;
        break;
    default:
        flags |= O_RDONLY;
        break;
    }
    const bool regularOnly = (mode & fmRegularFile) != 0;
    if (regularOnly)
        flags |= O_NONBLOCK | O_NOCTTY;
    handle_ = ::open(fileName.c_str(), flags);
    AnsiString reason;
    if (handle_ < 0) {
        reason = SysErrorMessage(errno);
    } else {
        // A folder opens read-only on Linux but is not a stream of bytes.
        struct stat info {};
        if (::fstat(handle_, &info) != 0)
            reason = SysErrorMessage(errno);
        else if (S_ISDIR(info.st_mode))
            reason = SysErrorMessage(EISDIR);
        else if (regularOnly && !S_ISREG(info.st_mode))
            reason = "It is not a regular file";
        else if (regularOnly)
            ::fcntl(handle_, F_SETFL, ::fcntl(handle_, F_GETFL) & ~O_NONBLOCK);
        if (!reason.empty()) {
            ::close(handle_);
            handle_ = -1;
        }
    }
    if (handle_ < 0)
        throw EFOpenError(Format("Cannot open file \"%s\". %s", fileName, reason));
}

TFileStream::~TFileStream() {
    if (handle_ >= 0)
        ::close(handle_);
}
