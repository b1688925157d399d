#include "platform/win32/Drives.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <mutex>
#include <sstream>

namespace {
std::mutex sourceMutex;
MountTableSource& Source() {
    static auto* source = new MountTableSource;
    return *source;
}

bool StartsWith(const AnsiString& text, const AnsiString& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// /proc/mounts writes spaces and other characters in paths as octal escapes.
AnsiString Unescape(const AnsiString& field) {
    AnsiString text;
    for (size_t i = 0; i < field.size(); ++i) {
        auto octal = [&](size_t at) { return field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) &&
            octal(i + 3)) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// "/dev/sdb1" -> /sys/block/sdb/removable; partitions belong to their disk.
bool SysfsRemovable(const AnsiString& device) {
    if (!StartsWith(device, "/dev/"))
        return false;
    AnsiString name = device.substr(5);
    for (AnsiString disk = name; !disk.empty(); disk.pop_back()) {
        std::ifstream flag("/sys/block/" + disk + "/removable");
        char value = 0;
        if (flag >> value)
            return value == '1';
    }
    return false;
}

std::vector<MountEntry> ProcMounts() {
    std::vector<MountEntry> entries;
    std::ifstream mounts("/proc/self/mounts");
    AnsiString line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        MountEntry entry;
        if (!(fields >> entry.device >> entry.mountPoint >> entry.fsType))
            continue;
        entry.device = Unescape(entry.device);
        entry.mountPoint = Unescape(entry.mountPoint);
        entry.removableDevice = SysfsRemovable(entry.device);
        entries.push_back(entry);
    }
    return entries;
}

std::vector<MountEntry> CurrentMounts() {
    MountTableSource source;
    {
        std::lock_guard guard(sourceMutex);
        source = Source();
    }
    return source ? source() : ProcMounts();
}

bool IsMediaFolder(const AnsiString& mountPoint) {
    return StartsWith(mountPoint, "/media/") || StartsWith(mountPoint, "/run/media/");
}

UINT MediaType(const MountEntry& entry) {
    static const char* const optical[] = {"iso9660", "udf"};
    static const char* const network[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs"};
    auto isOneOf = [&](const auto& names) {
        return std::any_of(std::begin(names), std::end(names),
                           [&](const char* name) { return entry.fsType == name; });
    };
    if (isOneOf(optical) || StartsWith(entry.device, "/dev/sr"))
        return DRIVE_CDROM;
    if (isOneOf(network))
        return DRIVE_REMOTE;
    return DRIVE_REMOVABLE;
}

int LetterIndex(char letter) {
    char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    return upper >= 'A' && upper <= 'Z' ? upper - 'A' : -1;
}
} // namespace

void SetMountTableSource(MountTableSource source) {
    std::lock_guard guard(sourceMutex);
    Source() = std::move(source);
}

std::vector<DriveInfo> LogicalDrives() {
    std::vector<DriveInfo> drives{{'C', "/", DRIVE_FIXED}};
    std::vector<MountEntry> media;
    for (const auto& entry : CurrentMounts()) {
        if (entry.mountPoint == "/")
            continue;
        if (!entry.removableDevice && !IsMediaFolder(entry.mountPoint))
            continue;
        bool seen = std::any_of(media.begin(), media.end(), [&](const MountEntry& known) {
            return known.mountPoint == entry.mountPoint;
        });
        if (!seen)
            media.push_back(entry);
    }
    std::sort(media.begin(), media.end(),
              [](const MountEntry& a, const MountEntry& b) { return a.mountPoint < b.mountPoint; });
    char letter = 'D';
    for (const auto& entry : media) {
        if (letter > 'Z')
            break;
        drives.push_back({letter++, entry.mountPoint, MediaType(entry)});
    }
    return drives;
}

DWORD GetLogicalDrives() {
    DWORD mask = 0;
    for (const auto& drive : LogicalDrives())
        mask |= 1u << LetterIndex(drive.letter);
    return mask;
}

UINT GetDriveTypeA(LPCSTR rootPathName) {
    AnsiString root = rootPathName ? rootPathName : "C:\\";
    auto drives = LogicalDrives();
    bool letterForm = (root.size() == 2 || root.size() == 3) && LetterIndex(root[0]) >= 0 &&
                      root[1] == ':' && (root.size() == 2 || root[2] == '\\' || root[2] == '/');
    if (letterForm) {
        int index = LetterIndex(root[0]);
        for (const auto& drive : drives)
            if (LetterIndex(drive.letter) == index)
                return drive.type;
        return DRIVE_NO_ROOT_DIR;
    }
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    for (const auto& drive : drives)
        if (drive.mountPoint == root)
            return drive.type;
    return DRIVE_NO_ROOT_DIR;
}
