#pragma once
// Drive letters on Linux.
//
// C: is the root file system, a fixed drive. Removable media get D:, E:, ... in the order
// of their mount points: file systems mounted under /media/ or /run/media/, or whose
// device /sys/block reports removable. Optical file systems (iso9660, udf) and /dev/sr*
// devices are DRIVE_CDROM, network file systems under those folders DRIVE_REMOTE, the
// rest DRIVE_REMOVABLE. Letters past Z: are not given. The letter roots accepted are
// "C:\", "C:/" and "C:"; a mount point path names its drive too; null means C:.
#include <functional>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win32/WinTypes.h"

constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

struct MountEntry {
    AnsiString device;            // "/dev/sdb1"
    AnsiString mountPoint;        // "/media/user/STICK"
    AnsiString fsType;            // "vfat"
    bool removableDevice = false; // sysfs says the disk is removable
};

// The mount table the drives are computed from; null restores /proc/self/mounts.
using MountTableSource = std::function<std::vector<MountEntry>()>;
void SetMountTableSource(MountTableSource source);

struct DriveInfo {
    char letter;
    AnsiString mountPoint;
    UINT type;
};
// The drives in letter order, C: first.
std::vector<DriveInfo> LogicalDrives();

// Bit 0 is A:, bit 2 is C:.
DWORD GetLogicalDrives();
UINT GetDriveTypeA(LPCSTR rootPathName);
