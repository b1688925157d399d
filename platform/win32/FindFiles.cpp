// FindFirstFileA / FindNextFileA / FindClose over a snapshot of one folder.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/win32/Files.h"

namespace {
class FindSearch : public KernelObject {
public:
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// '*' any run, '?' one character; letter case ignored.
bool MatchesMask(const char* mask, const char* name) {
    const char* starMask = nullptr;
    const char* starName = nullptr;
    while (*name) {
        if (*mask == '*') {
            starMask = ++mask;
            starName = name;
        } else if (*mask == '?' || (*mask && Lower(*mask) == Lower(*name))) {
            ++mask;
            ++name;
        } else if (starMask) {
            mask = starMask;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*mask == '*')
        ++mask;
    return *mask == 0;
}

bool Matches(const std::string& mask, const char* name) {
    return mask == "*.*" || MatchesMask(mask.c_str(), name);
}

FILETIME ToFileTime(const timespec& time) {
    constexpr uint64_t secondsFrom1601To1970 = 11644473600ULL;
    uint64_t ticks = (static_cast<uint64_t>(time.tv_sec) + secondsFrom1601To1970) * 10000000ULL +
                     static_cast<uint64_t>(time.tv_nsec) / 100;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool Describe(const std::string& folder, const char* name, WIN32_FIND_DATAA& data) {
    size_t length = std::strlen(name);
    if (length >= MAX_PATH)
        return false;
    std::string path = folder + name;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && ::lstat(path.c_str(), &info) != 0)
        return false;
    data = WIN32_FIND_DATAA{};
    data.dwFileAttributes =
        S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (::access(path.c_str(), W_OK) != 0)
        data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
        data.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
    data.ftCreationTime = ToFileTime(info.st_ctim);
    data.ftLastAccessTime = ToFileTime(info.st_atim);
    data.ftLastWriteTime = ToFileTime(info.st_mtim);
    if (!S_ISDIR(info.st_mode)) {
        auto size = static_cast<uint64_t>(info.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
    }
    std::memcpy(data.cFileName, name, length + 1);
    return true;
}

int DotRank(const char* name) {
    return std::strcmp(name, ".") == 0 ? 0 : std::strcmp(name, "..") == 0 ? 1 : 2;
}

bool ListedBefore(const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
    int rankA = DotRank(a.cFileName);
    int rankB = DotRank(b.cFileName);
    if (rankA != rankB)
        return rankA < rankB;
    int folded = strcasecmp(a.cFileName, b.cFileName);
    return folded != 0 ? folded < 0 : std::strcmp(a.cFileName, b.cFileName) < 0;
}
} // namespace

HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* findData) {
    if (!fileName || !findData || !*fileName) {
        SetLastError(!fileName || !findData ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string pattern = fileName;
    size_t slash = pattern.rfind('/');
    std::string folder = slash == std::string::npos ? "./" : pattern.substr(0, slash + 1);
    std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (mask.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                         : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<FindSearch>();
    while (const dirent* entry = ::readdir(directory)) {
        WIN32_FIND_DATAA data;
        if (Matches(mask, entry->d_name) && Describe(folder, entry->d_name, data))
            search->entries.push_back(data);
    }
    ::closedir(directory);
    if (search->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(search->entries.begin(), search->entries.end(), ListedBefore);
    *findData = search->entries[0];
    search->next = 1;
    SetLastError(ERROR_SUCCESS);
    return RegisterHandle(search);
}

BOOL FindNextFileA(HANDLE findFile, WIN32_FIND_DATAA* findData) {
    auto search = LookupHandleAs<FindSearch>(findFile);
    if (!search)
        return FALSE;
    if (!findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (search->next >= search->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *findData = search->entries[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE findFile) {
    if (!LookupHandleAs<FindSearch>(findFile))
        return FALSE;
    return CloseHandle(findFile);
}
