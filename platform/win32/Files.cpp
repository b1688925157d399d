#include "platform/win32/Files.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32/DiskFile.h"
#include "platform/win32/FileSharing.h"
#include "platform/win32/PathError.h"

namespace {
std::atomic<DeviceOpener> deviceOpener{nullptr};

constexpr DWORD FILE_READ_DATA = 0x1;
constexpr DWORD FILE_WRITE_DATA = 0x2;
constexpr DWORD FILE_APPEND_DATA = 0x4;
constexpr DWORD DELETE = 0x00010000;
constexpr DWORD GENERIC_ALL = 0x10000000;

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// "\\.\name", "\\?\name", or a bare "COMn" (optionally with a colon).
bool IsDeviceName(const char* name) {
    if (StartsWith(name, "\\\\.\\") || StartsWith(name, "\\\\?\\"))
        return true;
    if (std::strlen(name) < 4 || std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(name[2])) != 'M')
        return false;
    const char* rest = name + 3;
    if (!std::isdigit(static_cast<unsigned char>(*rest)))
        return false;
    while (std::isdigit(static_cast<unsigned char>(*rest)))
        ++rest;
    return *rest == 0 || (rest[0] == ':' && rest[1] == 0);
}

void SetOpenError(int error, const char* path) {
    SetLastError(error == EISDIR ? ERROR_ACCESS_DENIED : PathErrorFromErrno(error, path));
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Opens by disposition; -1 with errno on failure. existed tells whether the file was there.
int OpenByDisposition(const char* path, DWORD disposition, int accessFlags, mode_t mode,
                      bool& existed) {
    existed = true;
    switch (disposition) {
    case CREATE_NEW:
        existed = false;
        return OpenRetrying(path, accessFlags | O_CREAT | O_EXCL, mode);
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING:
        return OpenRetrying(path, accessFlags, 0);
    default: // CREATE_ALWAYS, OPEN_ALWAYS: learn whether we made it, without a race
        for (int attempt = 0; attempt < 16; ++attempt) {
            int fd = OpenRetrying(path, accessFlags | O_CREAT | O_EXCL, mode);
            if (fd >= 0 || errno != EEXIST) {
                existed = false;
                return fd;
            }
            fd = OpenRetrying(path, accessFlags, 0);
            if (fd >= 0 || errno != ENOENT)
                return fd;
        }
        errno = EAGAIN;
        return -1;
    }
}

} // namespace

void SetDeviceOpener(DeviceOpener opener) {
    deviceOpener.store(opener);
}

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (IsDeviceName(fileName)) {
        DeviceOpener opener = deviceOpener.load();
        if (!opener) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        return opener(fileName, desiredAccess, shareMode, flagsAndAttributes);
    }
    bool canRead = desiredAccess & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA);
    bool canWrite =
        desiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA);
    bool canDelete = desiredAccess & (DELETE | GENERIC_ALL);
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING ||
        (creationDisposition == TRUNCATE_EXISTING && !canWrite)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (*fileName == 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    int accessFlags = O_CLOEXEC | (canRead && canWrite ? O_RDWR : canWrite ? O_WRONLY : O_RDONLY);
    mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    bool existed = false;
    int fd = OpenByDisposition(fileName, creationDisposition, accessFlags, mode, existed);
    if (fd < 0 && errno == EEXIST && creationDisposition == CREATE_NEW) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    if (fd < 0) {
        SetOpenError(errno, fileName);
        return INVALID_HANDLE_VALUE;
    }

    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED); // folders are not opened as files
        return INVALID_HANDLE_VALUE;
    }
    FileSharing sharing;
    sharing.access = (canRead ? FILE_SHARE_READ : 0) | (canWrite ? FILE_SHARE_WRITE : 0) |
                     (canDelete ? FILE_SHARE_DELETE : 0);
    sharing.share = shareMode;
    DiskFileMode fileMode{canRead, canWrite, (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0};
    if (!MarkSharing(fd, sharing, fileMode.markDescriptor)) {
        ::close(fd);
        return INVALID_HANDLE_VALUE;
    }
    // Truncate only once the sharing check passed, so a refused open changes nothing.
    bool truncate = existed && (creationDisposition == CREATE_ALWAYS ||
                                creationDisposition == TRUNCATE_EXISTING);
    if (truncate && info.st_size > 0) {
        int result = canWrite ? ::ftruncate(fd, 0) : ::truncate(fileName, 0);
        if (result != 0) {
            int error = errno;
            DiskFile unopened(fd, fileMode); // lets go of the descriptor and its share marks
            SetLastError(ErrorFromErrno(error));
            return INVALID_HANDLE_VALUE;
        }
    }
    HANDLE handle = RegisterHandle(std::make_shared<DiskFile>(fd, fileMode));
    bool reportsExisting =
        creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped) {
    if (bytesRead)
        *bytesRead = 0;
    auto object = LookupHandleAs<FileObject>(file);
    if (!object)
        return FALSE;
    if (!buffer && bytesToRead > 0) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    return object->Read(buffer, bytesToRead, bytesRead, overlapped);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
    if (bytesWritten)
        *bytesWritten = 0;
    auto object = LookupHandleAs<FileObject>(file);
    if (!object)
        return FALSE;
    if (!buffer && bytesToWrite > 0) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    return object->Write(buffer, bytesToWrite, bytesWritten, overlapped);
}

BOOL FlushFileBuffers(HANDLE file) {
    auto object = LookupHandleAs<FileObject>(file);
    return object ? object->Flush() : FALSE;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* fileSize) {
    auto disk = LookupHandleAs<DiskFile>(file);
    if (!disk)
        return FALSE;
    if (!fileSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct stat info {};
    if (::fstat(disk->Descriptor(), &info) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    fileSize->QuadPart = info.st_size;
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        return INVALID_FILE_SIZE;
    if (fileSizeHigh)
        *fileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(size.QuadPart) >> 32);
    SetLastError(NO_ERROR); // lets callers tell a size of 0xFFFFFFFF from a failure
    return static_cast<DWORD>(size.QuadPart);
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, LONG* distanceToMoveHigh, DWORD moveMethod) {
    auto disk = LookupHandleAs<DiskFile>(file);
    if (!disk)
        return INVALID_SET_FILE_POINTER;
    int64_t distance =
        distanceToMoveHigh
            ? static_cast<int64_t>(
                  (static_cast<uint64_t>(static_cast<uint32_t>(*distanceToMoveHigh)) << 32) |
                  static_cast<uint32_t>(distanceToMove))
            : distanceToMove;
    int whence = moveMethod == FILE_BEGIN     ? SEEK_SET
                 : moveMethod == FILE_CURRENT ? SEEK_CUR
                 : moveMethod == FILE_END     ? SEEK_END
                                              : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = ::lseek(disk->Descriptor(), distance, whence);
    if (position < 0) {
        SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceToMoveHigh)
        *distanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(position);
}

BOOL SetEndOfFile(HANDLE file) {
    auto disk = LookupHandleAs<DiskFile>(file);
    if (!disk)
        return FALSE;
    if (!disk->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t position = ::lseek(disk->Descriptor(), 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(disk->Descriptor(), position) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}
