#include "platform/win32/PathError.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {
bool ParentFolderExists(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (!slash)
        return true; // the working folder
    std::string parent(path, slash == path ? 1 : static_cast<size_t>(slash - path));
    struct stat info {};
    return ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
} // namespace

DWORD PathErrorFromErrno(int error, const char* path) {
    if ((error == ENOENT && !ParentFolderExists(path)) || error == ENOTDIR)
        return ERROR_PATH_NOT_FOUND;
    return ErrorFromErrno(error);
}
