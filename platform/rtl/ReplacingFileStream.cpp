// Files replaced whole: a new file beside the target, flushed and renamed over it.
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/Streams.h"

namespace {
std::atomic<unsigned> temporaryCount{0};
// Room left for the ".<leaf>.<pid>-<n>.tmp" decoration within a name's 255 bytes.
constexpr size_t maxLeafInTemporaryName = 200;

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The file a name refers to: symbolic links followed, so that the link itself stays.
AnsiString ResolvedTarget(const AnsiString& fileName) {
    struct stat link {};
    if (::lstat(fileName.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return fileName;
    char resolved[PATH_MAX];
    return ::realpath(fileName.c_str(), resolved) ? AnsiString(resolved) : fileName;
}

// A rename is on the disk only once its folder is; a folder that refuses changes nothing.
void SyncFolder(const AnsiString& folder) {
    const int fd = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

AnsiString FolderOf(const AnsiString& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == AnsiString::npos)
        return AnsiString();
    return path.substr(0, slash + 1);
}
} // namespace

TReplacingFileStream::TReplacingFileStream(const AnsiString& fileName)
    : THandleStream(-1), fileName_(fileName), target_(fileName) {
    auto fail = [&](int error) {
        throw EFCreateError(
            Format("Cannot create file \"%s\". %s", fileName, SysErrorMessage(error)));
    };
    struct stat existing {};
    const bool exists = !fileName.empty() && ::stat(fileName.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        fail(EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) {
        // Opening a device or a FIFO must not wait (for a reader, for the modem lines).
        handle_ = OpenRetrying(fileName.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (handle_ < 0)
            fail(errno);
        ::fcntl(handle_, F_SETFL, ::fcntl(handle_, F_GETFL) & ~O_NONBLOCK);
        return;
    }
    if (fileName.empty() || fileName.back() == '/')
        fail(fileName.empty() ? ENOENT : EISDIR);

    target_ = ResolvedTarget(fileName);
    const AnsiString folder = FolderOf(target_);
    const AnsiString leaf = target_.substr(folder.size()).substr(0, maxLeafInTemporaryName);
    for (;;) {
        temporary_ = Format("%s.%s.%d-%u.tmp", folder, leaf, static_cast<int>(::getpid()),
                            temporaryCount.fetch_add(1));
        // 0666 as for any new file: the process's umask applies.
        handle_ = OpenRetrying(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle_ >= 0)
            break;
        if (errno != EEXIST) { // a stale file of an earlier process with this number
            temporary_.clear();
            fail(errno);
        }
    }
    if (exists) {
        // Owner first: a change of owner clears the set-id bits the mode then restores.
        [[maybe_unused]] const int owned = ::fchown(handle_, existing.st_uid, existing.st_gid);
        ::fchmod(handle_, existing.st_mode & 07777);
    }
}

TReplacingFileStream::~TReplacingFileStream() {
    if (handle_ >= 0)
        ::close(handle_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

int64_t TReplacingFileStream::Write(const void* buffer, int64_t count) {
    errno = 0;
    const int64_t done = THandleStream::Write(buffer, count);
    if (done < count && writeError_ == 0)
        writeError_ = errno != 0 ? errno : EIO;
    return done;
}

void TReplacingFileStream::FailWrite(int error) {
    if (handle_ >= 0)
        ::close(handle_);
    handle_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
    throw EInOutError(Format("Cannot write file \"%s\". %s", fileName_, SysErrorMessage(error)),
                      error);
}

void TReplacingFileStream::Commit() {
    if (handle_ < 0)
        return; // committed before
    if (writeError_ != 0)
        FailWrite(writeError_);
    const bool inPlace = temporary_.empty();
    if (!inPlace && ::fsync(handle_) != 0)
        FailWrite(errno);
    const int closed = ::close(handle_);
    handle_ = -1;
    if (closed != 0 && errno != EINTR)
        FailWrite(errno);
    if (inPlace)
        return;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        FailWrite(errno);
    temporary_.clear();
    SyncFolder(FolderOf(target_).empty() ? AnsiString(".") : FolderOf(target_));
}

bool TReplacingFileStream::AddExecutePermission() {
    if (temporary_.empty() || handle_ < 0)
        return true;
    struct stat status {};
    if (::fstat(handle_, &status) != 0)
        return false;
    const mode_t execute = (status.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2;
    return ::fchmod(handle_, (status.st_mode & 07777) | execute) == 0;
}
