#include "platform/win32/FileSharing.h"

#include <fcntl.h>
#include <limits>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/win32/Files.h"

namespace {
constexpr DWORD Kinds[] = {FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_DELETE};
constexpr off_t MarkBase = std::numeric_limits<off_t>::max() - 8;

int KindIndex(DWORD kind) {
    return kind == FILE_SHARE_READ ? 0 : kind == FILE_SHARE_WRITE ? 1 : 2;
}
off_t DoesByte(DWORD kind) {
    return MarkBase + KindIndex(kind);
}
off_t RefusesByte(DWORD kind) {
    return MarkBase + 3 + KindIndex(kind);
}

struct flock ByteLock(short type, off_t byte) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    return lock;
}

// Whether another open file description holds a mark on the byte.
bool MarkedByOthers(int fd, off_t byte) {
    struct flock probe = ByteLock(F_WRLCK, byte);
    return ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

bool Mark(int fd, off_t byte) {
    struct flock lock = ByteLock(F_RDLCK, byte);
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

void Unmark(int fd, off_t byte) {
    struct flock lock = ByteLock(F_UNLCK, byte);
    ::fcntl(fd, F_OFD_SETLK, &lock);
}

// Read locks need a descriptor open for reading: a write-only handle gets a second one.
int MarkableDescriptor(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_ACCMODE) != O_WRONLY)
        return fd;
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::open(self.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

std::vector<off_t> MarksOf(const FileSharing& sharing) {
    std::vector<off_t> marks;
    for (DWORD kind : Kinds) {
        if (sharing.access & kind)
            marks.push_back(DoesByte(kind));
        if (!(sharing.share & kind))
            marks.push_back(RefusesByte(kind));
    }
    return marks;
}

bool Conflicts(int fd, const FileSharing& sharing) {
    for (DWORD kind : Kinds) {
        if ((sharing.access & kind) && MarkedByOthers(fd, RefusesByte(kind)))
            return true;
        if (!(sharing.share & kind) && MarkedByOthers(fd, DoesByte(kind)))
            return true;
    }
    return false;
}
} // namespace

bool MarkSharing(int fd, const FileSharing& sharing, int& markDescriptor) {
    markDescriptor = -1;
    // A handle that neither reads, writes nor deletes takes no part in sharing.
    if ((sharing.access & (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) == 0)
        return true;
    int marks = MarkableDescriptor(fd);
    if (marks < 0)
        return true;
    // Mark first, then look: of two conflicting opens at once, at least one sees the other.
    std::vector<off_t> taken;
    for (off_t byte : MarksOf(sharing)) {
        if (!Mark(marks, byte))
            break; // the file system keeps no locks: sharing goes unchecked
        taken.push_back(byte);
    }
    if (Conflicts(marks, sharing)) {
        for (off_t byte : taken)
            Unmark(marks, byte);
        if (marks != fd)
            ::close(marks);
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    markDescriptor = marks;
    return true;
}

bool DeletionRefused(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return false;
    bool refused = MarkedByOthers(fd, RefusesByte(FILE_SHARE_DELETE));
    ::close(fd);
    return refused;
}
