// File system queries on native paths.
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/FileUtils.h"

namespace {
bool StatPath(const AnsiString& path, struct stat& info) {
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}
} // namespace

bool FileExists(const AnsiString& fileName) {
    struct stat info {};
    return StatPath(fileName, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const AnsiString& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool ForceDirectories(const AnsiString& path) {
    AnsiString folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty())
        return false;
    if (DirectoryExists(folder))
        return true;
    const size_t slash = folder.find_last_of('/');
    if (slash != AnsiString::npos && slash > 0 && !ForceDirectories(folder.substr(0, slash)))
        return false;
    // Another process may create it between the check and here.
    return ::mkdir(folder.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(folder));
}

int64_t FileSize64(const AnsiString& fileName) {
    struct stat info {};
    if (!StatPath(fileName, info) || S_ISDIR(info.st_mode))
        return -1;
    return static_cast<int64_t>(info.st_size);
}

bool DeleteFile(const AnsiString& fileName) {
    return !DirectoryExists(fileName) && ::unlink(fileName.c_str()) == 0;
}
