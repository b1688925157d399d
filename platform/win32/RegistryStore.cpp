#include "platform/win32/RegistryStore.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/FolderProfile.h"
#include "platform/win32/RegFile.h"
#include "platform/win32/WinError.h"

namespace {
// Identifies one version of a hive file; rewriting replaces the file, so the inode moves.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileStamp& other) const {
        auto same = [](const timespec& a, const timespec& b) {
            return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
        };
        return exists == other.exists && device == other.device && inode == other.inode &&
               size == other.size && same(modified, other.modified) && same(changed, other.changed);
    }
};

FileStamp StampOf(const struct stat& info) {
    return {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

FileStamp StampOf(const AnsiString& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? StampOf(info) : FileStamp{};
}

struct CachedHive {
    bool loaded = false;
    FileStamp stamp;
    RegistryHive hive;
};

std::mutex storeMutex;
std::map<AnsiString, CachedHive>& Cache() {
    static auto* cache = new std::map<AnsiString, CachedHive>; // outlives static destructors
    return *cache;
}

// An exclusive flock on "<hive file>.lock" for the lifetime of the object.
class HiveLock {
public:
    explicit HiveLock(const AnsiString& hiveFile) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(hiveFile).parent_path(), ignored);
        fd_ = ::open((hiveFile + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~HiveLock() {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

AnsiString AsideName(const AnsiString& path) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    AnsiString base = path + ".damaged-" + stamp;
    AnsiString name = base;
    for (int n = 1; ::access(name.c_str(), F_OK) == 0; ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

// Reads the file into cached; the caller holds the hive lock. A file that does not parse
// is kept aside under a new name, never deleted.
void LoadLocked(const AnsiString& path, HiveId hive, CachedHive& cached) {
    cached.loaded = true;
    cached.hive = RegistryHive();
    cached.stamp = FileStamp{};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    std::string text;
    bool readOk = ::fstat(fd, &info) == 0;
    char buffer[8192];
    while (readOk) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            readOk = got == 0;
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    if (!readOk)
        return; // unreadable now; treated as empty without touching the file
    AnsiString reason;
    if (ParseRegFile(text, HiveRootName(hive), cached.hive, reason)) {
        cached.stamp = StampOf(info);
        return;
    }
    cached.hive = RegistryHive();
    AnsiString aside = AsideName(path);
    if (::rename(path.c_str(), aside.c_str()) == 0)
        std::fprintf(stderr,
                     "voka: warning: the registry file %s could not be read (%s); it was "
                     "moved to %s and an empty hive is used\n",
                     path.c_str(), reason.c_str(), aside.c_str());
    else
        std::fprintf(stderr,
                     "voka: warning: the registry file %s could not be read (%s) nor moved "
                     "aside; an empty hive is used\n",
                     path.c_str(), reason.c_str());
}

// Brings the cache up to the file; reloads under the hive lock when the file changed.
CachedHive& Refresh(HiveId hive, const AnsiString& path) {
    CachedHive& cached = Cache()[path];
    FileStamp stamp = StampOf(path);
    if (cached.loaded && stamp == cached.stamp)
        return cached;
    if (!stamp.exists) {
        cached = CachedHive{true, stamp, RegistryHive()};
        return cached;
    }
    HiveLock lock(path);
    LoadLocked(path, hive, cached);
    return cached;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// Temporary file, fsync, rename over the hive, fsync of the folder.
bool WriteAtomically(const AnsiString& path, const std::string& text) {
    AnsiString temporary = path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    AnsiString folder = std::filesystem::path(path).parent_path().string();
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}
} // namespace

const char* HiveRootName(HiveId hive) {
    return hive == HiveId::Machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

AnsiString HiveFileName(HiveId hive) {
    return VokaHome() + (hive == HiveId::Machine ? "machine.reg" : "user.reg");
}

void ReadHive(HiveId hive, const std::function<void(const RegistryHive&)>& reader) {
    std::lock_guard guard(storeMutex);
    reader(Refresh(hive, HiveFileName(hive)).hive);
}

LONG ChangeHive(HiveId hive, const std::function<LONG(RegistryHive&, bool& changed)>& change) {
    std::lock_guard guard(storeMutex);
    AnsiString path = HiveFileName(hive);
    HiveLock lock(path);
    if (!lock.Held())
        return ERROR_CANTWRITE;
    // Always re-read under the lock: another process may have written within the
    // resolution of the file's time stamps.
    CachedHive& cached = Cache()[path];
    LoadLocked(path, hive, cached);
    RegistryHive working = cached.hive;
    bool changed = false;
    LONG result = change(working, changed);
    if (result != ERROR_SUCCESS || !changed)
        return result;
    if (!WriteAtomically(path, FormatRegFile(working, HiveRootName(hive))))
        return ERROR_CANTWRITE;
    cached.hive = std::move(working);
    cached.stamp = StampOf(path);
    return ERROR_SUCCESS;
}
