// Whole-file and folder operations of Files.h.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/FolderProfile.h"
#include "platform/win32/FileSharing.h"
#include "platform/win32/Files.h"
#include "platform/win32/Modules.h"
#include "platform/win32/PathError.h"

namespace {
BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

BOOL FailFromErrno() {
    SetLastErrorFromErrno();
    return FALSE;
}

bool IsFolder(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const char* path) {
    struct stat info {};
    return ::lstat(path, &info) == 0;
}
} // namespace

BOOL DeleteFileA(LPCSTR fileName) {
    if (!fileName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (IsFolder(fileName))
        return Fail(ERROR_ACCESS_DENIED);
    if (DeletionRefused(fileName))
        return Fail(ERROR_SHARING_VIOLATION);
    if (::unlink(fileName) != 0)
        return errno == ENOTDIR ? Fail(ERROR_PATH_NOT_FOUND) : FailFromErrno();
    return TRUE;
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
    if (!existingFileName || !newFileName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (IsFolder(existingFileName) || IsFolder(newFileName))
        return Fail(ERROR_ACCESS_DENIED);
    if (!Exists(existingFileName))
        return Fail(ERROR_FILE_NOT_FOUND);
    if (failIfExists && Exists(newFileName))
        return Fail(ERROR_FILE_EXISTS);
    std::error_code error;
    std::filesystem::copy_file(existingFileName, newFileName,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        return Fail(ErrorFromErrno(error.value()));
    return TRUE;
}

BOOL MoveFileA(LPCSTR existingFileName, LPCSTR newFileName) {
    if (!existingFileName || !newFileName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!Exists(existingFileName))
        return Fail(ERROR_FILE_NOT_FOUND);
    if (Exists(newFileName))
        return Fail(ERROR_ALREADY_EXISTS);
    if (::renameat2(AT_FDCWD, existingFileName, AT_FDCWD, newFileName, RENAME_NOREPLACE) == 0)
        return TRUE;
    if (errno == EEXIST)
        return Fail(ERROR_ALREADY_EXISTS);
    if (errno != EXDEV || IsFolder(existingFileName))
        return FailFromErrno();
    // Another file system: copy, then remove the original.
    if (!CopyFileA(existingFileName, newFileName, TRUE))
        return FALSE;
    return DeleteFileA(existingFileName);
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
    if (!pathName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (::mkdir(pathName, 0777) == 0)
        return TRUE;
    if (errno == EEXIST)
        return Fail(ERROR_ALREADY_EXISTS);
    if (errno == ENOENT || errno == ENOTDIR)
        return Fail(ERROR_PATH_NOT_FOUND);
    return FailFromErrno();
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
    if (!pathName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (::rmdir(pathName) == 0)
        return TRUE;
    if (errno == ENOTEMPTY || errno == EEXIST)
        return Fail(ERROR_DIR_NOT_EMPTY);
    if (errno == ENOTDIR)
        return Fail(Exists(pathName) ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND);
    return FailFromErrno();
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    struct stat info {};
    if (!fileName || ::stat(fileName, &info) != 0) {
        if (!fileName)
            SetLastError(ERROR_INVALID_PARAMETER);
        else
            SetLastError(PathErrorFromErrno(errno, fileName));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (::access(fileName, W_OK) != 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    const char* slash = std::strrchr(fileName, '/');
    const char* name = slash ? slash + 1 : fileName;
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    if (module && module != GetModuleHandleA(nullptr)) {
        SetLastError(ERROR_MOD_NOT_FOUND); // in-process modules have no file
        return 0;
    }
    char path[PATH_MAX];
    ssize_t length;
    const AnsiString profiled = CurrentFolderProfile().ExecutableName;
    if (!profiled.empty()) {
        length = static_cast<ssize_t>(std::min(profiled.size(), sizeof path - 1));
        std::memcpy(path, profiled.data(), static_cast<size_t>(length));
    } else {
        length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    }
    if (length < 0) {
        SetLastErrorFromErrno();
        return 0;
    }
    if (!fileName || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    auto needed = static_cast<DWORD>(length);
    if (needed >= size) {
        std::memcpy(fileName, path, size - 1);
        fileName[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path, needed);
    fileName[needed] = 0;
    SetLastError(ERROR_SUCCESS);
    return needed;
}
